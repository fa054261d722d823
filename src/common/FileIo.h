#pragma once

// Reading and writing whole files that a user names: a file is read only when it is no
// larger than the caller can take (refused from its size, without reading it), and written
// through a temporary file next to it, so a failure never leaves a half-written file under the
// name, nor the temporary file.

#include <cstddef>
#include <optional>
#include <string>

namespace px {

// The file's bytes; nothing, with the reason, when it cannot be read or is larger than limit.
std::optional<std::string> ReadFileUpTo(const std::string& path, std::size_t limit,
                                        std::string& error);

// The last lines of a file, at most limit bytes of it, starting at a line's beginning;
// nothing, with the reason, when it cannot be read. A missing file reads as empty.
std::optional<std::string> ReadFileTail(const std::string& path, std::size_t limit,
                                        std::string& error);

// Replaces the file with the bytes, all or nothing; false with the reason.
bool WriteFileWhole(const std::string& path, const std::string& bytes, std::string& error);

} // namespace px
