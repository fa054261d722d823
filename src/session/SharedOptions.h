#pragma once

// The options px-system and pxctl both take, read by one parser: where the data lives and
// which host to talk to.

#include "common/Models.h"

#include <optional>
#include <string>
#include <string_view>

namespace px {

// The host a run talks to: the one on USB, or a simulated host kept in a folder.
struct HostChoice
{
    std::string simFolder;              // empty: the host over USB
    HostModel simModel = HostModel::PX; // the model of a simulated host this run makes
    bool IsSimulated() const { return !simFolder.empty(); }
};

struct SharedOptions
{
    std::string dataDir; // empty: the default data folder
    HostChoice host;
};

inline constexpr const char* kSharedOptionsSynopsis =
    "[--data-dir DIR] [--host hid|sim:DIR] [--model px|qx]";

// Whether the word is one of the shared options ("--data-dir", "--host", "--model"); each
// takes a value.
bool IsSharedOption(std::string_view word);

// Takes the value of a shared option into options; the reason when the value is not allowed.
std::optional<std::string> TakeSharedOption(SharedOptions& options, std::string_view word,
                                            const std::string& value);

} // namespace px
