// The simulated host's state file on any bytes: read as a process sharing the folder reads it.
// The properties: reading never crashes, a state read once is written and read back the same,
// and a session opens on a file exactly when the reader takes it.

#include "FuzzOracle.h"
#include "sim/SimHostSession.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using px::fuzz::Check;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    px::SimHostState state;
    std::string error;
    const bool read = px::ParseSimHostState(text, state, error);
    Check(read || !error.empty(), "a refusal says why");
    Check(error.size() < 1000, "a reason never repeats a long value whole");
    if (read) {
        const std::string written = px::FormatSimHostState(state);
        px::SimHostState again;
        Check(px::ParseSimHostState(written, again, error), "what was written reads back");
        Check(px::FormatSimHostState(again) == written, "and reads back the same");
    }

    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("px-fuzz-sim-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "state.json", std::ios::binary | std::ios::trunc)
        .write(text.data(), static_cast<std::streamsize>(size));
    const auto session = px::SimHostSession::Open(folder.string(), px::HostModel::PX, error);
    Check((session != nullptr) == read, "the folder opens exactly when its state reads");
    return 0;
}
