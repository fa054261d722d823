// A read-back and a download against a host whose answers are the fuzz input. The property:
// the tool succeeds exactly when the answers were valid by the byte layout written out here,
// and a read-back that succeeds writes exactly the data the answers carried.

#include "FuzzOracle.h"
#include "hostlink/HostExchange.h"
#include "mock/FakeClock.h"
#include "sim/SimHidBackend.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

using px::fuzz::Check;

using px::Bytes;
using Answer = std::array<std::uint8_t, px::kReportDataSize>;

// Hands out the answers it was given, one per read, whatever was written.
class ScriptedHost final : public px::SimPeer
{
public:
    explicit ScriptedHost(std::vector<Answer> answers) : answers_(std::move(answers)) {}
    bool OnOutputReport(const px::Report&) override { return true; }
    bool NextInputReport(Answer& data) override
    {
        if (next_ >= answers_.size())
            return false;
        data = answers_[next_++];
        return true;
    }

private:
    std::vector<Answer> answers_;
    std::size_t next_ = 0;
};

// In the 64 data bytes: 55 AA 02 at 0, the command at 3, L at 4, payload from 5.
bool Headed(const Answer& a, std::uint8_t command)
{
    return a[0] == 0x55 && a[1] == 0xAA && a[2] == 0x02 && a[3] == command;
}

bool ChecksumFits(const Answer& a)
{
    return px::fuzz::AnswerChecksumFits(a);
}

// What a valid read-back of these answers gives, or nothing.
std::optional<Bytes> ValidReadBack(const std::vector<Answer>& answers, std::uint8_t command)
{
    if (answers.empty() || !Headed(answers[0], command) || !ChecksumFits(answers[0]))
        return std::nullopt;
    const std::size_t count = (std::size_t{answers[0][5]} << 8) | answers[0][6];
    Bytes data;
    for (std::size_t i = 1; i <= std::max<std::size_t>(count, 1); ++i) {
        if (i > answers.size())
            return std::nullopt; // the host fell silent
        const Answer& a = answers[i - 1];
        if (!Headed(a, command) || a[4] < 4 || a[4] > 58)
            return std::nullopt;
        const std::size_t carried = a[4] - 4u;
        if (count == 0 && carried != 0)
            return std::nullopt;
        if (i < count && carried != 54)
            return std::nullopt; // only the last packet may be short
        data.insert(data.end(), a.begin() + 9,
                    a.begin() + 9 + static_cast<std::ptrdiff_t>(carried));
    }
    return data;
}

struct Rig
{
    explicit Rig(std::vector<Answer> answers) : host(std::move(answers))
    {
        backend.AddDevice(px::kHostVendorId, px::kPxProductId, &host);
    }
    ScriptedHost host;
    px::SimHidBackend backend;
    px::test::FakeClock clock;
    px::NullEventPump pump;
    px::NullDataMonitor monitor;
    px::NullProgressSink progress;
};

const std::string& Folder()
{
    static const std::string folder = [] {
        const auto path = std::filesystem::temp_directory_path() /
                          ("px-fuzz-exchange-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path.string() + "/";
    }();
    return folder;
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the transfer and its command; the rest are the host's answers.
    const bool readBack = (data[0] & 0x80) != 0;
    static constexpr std::uint8_t kReadBacks[] = {0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A};
    static constexpr std::uint8_t kDownloads[] = {0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6B};
    const std::uint8_t command = readBack ? kReadBacks[data[0] & 7] : kDownloads[data[0] & 7];
    std::vector<Answer> answers;
    for (std::size_t at = 1; at < size && answers.size() < 4096; at += px::kReportDataSize) {
        Answer a{};
        std::copy_n(data + at, std::min(px::kReportDataSize, size - at), a.begin());
        answers.push_back(a);
    }

    Rig rig(answers);
    px::HostLink link(rig.backend, rig.clock, rig.pump);
    px::HostExchange exchange(link, rig.clock, rig.monitor, rig.progress, Folder());
    if (readBack) {
        const std::string file = Folder() + "read.txt";
        std::filesystem::remove(file);
        const bool ok = exchange.ReadBack(command, file, "r");
        const std::optional<Bytes> expected = ValidReadBack(answers, command);
        Check(ok == expected.has_value(), "read-back succeeds exactly when its answers are valid");
        Check(std::filesystem::exists(file) == ok, "a file exactly when it succeeds");
        if (ok)
            Check(ReadFile(file) == *expected, "the file holds what the answers carried");
    } else {
        // One packet of data, then the first answer must be the acknowledgement.
        const std::string file = Folder() + "send.txt";
        std::ofstream(file, std::ios::binary) << "0123456789";
        const bool ok = exchange.Download(command, file, "d");
        const bool acknowledged = !answers.empty() && Headed(answers[0], command) &&
                                  answers[0][4] == 1 && answers[0][5] == 0x5A &&
                                  ChecksumFits(answers[0]);
        Check(ok == acknowledged, "a download succeeds exactly when it is acknowledged");
    }
    return 0;
}
