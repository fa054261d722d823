// A process of its own that changes a simulated host's folder: it queues COUNT key presses
// (ID, 0), (ID, 1), ... one change at a time, as another program sharing the folder would.
//   px-sim-writer DIR ID COUNT
// Exit status 0 when every change was saved.

#include "common/System.h"
#include "sim/SimHostSession.h"

#include <cstdio>
#include <string>

int main(int argc, char* argv[])
{
    const std::vector<std::string> words = px::sys::ProgramArguments(argc, argv);
    if (words.size() != 3)
        return 2;
    const int id = std::stoi(words[1]);
    const int count = std::stoi(words[2]);
    std::string error;
    auto session = px::SimHostSession::Open(words[0], px::HostModel::PX, error);
    bool ok = session != nullptr;
    for (int i = 0; ok && i < count; ++i) {
        ok = session->Modify(
            [&](px::SimHostState& state) {
                state.presses.push_back(
                    {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(i)});
            },
            error);
    }
    if (!ok)
        std::fprintf(stderr, "%s\n", error.c_str());
    return ok ? 0 : 1;
}
