// Frame and record decoding on any bytes: the tool's answer checks against the byte layout
// written out here, the simulated host's report checks, and every record decoder.

#include "FuzzOracle.h"
#include "hostlink/Frames.h"
#include "settings/AlertSettings.h"
#include "settings/HandheldSettings.h"
#include "settings/MachineParams.h"
#include "sim/SimHost.h"
#include "transfer/RecordDecoding.h"

#include <cstdlib>
#include <cstring>

namespace {

using px::fuzz::Check;

using px::Report;

// The report as the tool holds it: report id 0, then the answer's 64 bytes.
bool ChecksumFits(const Report& r)
{
    return px::fuzz::AnswerChecksumFits(std::span<const std::uint8_t, 64>(r.data() + 1, 64));
}

bool Acknowledges(const Report& r, std::uint8_t command)
{
    return r[0] == 0 && r[1] == 0x55 && r[2] == 0xAA && r[3] == 0x02 && r[4] == command &&
           r[5] == 1 && r[6] == 0x5A && ChecksumFits(r);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Report report{};
    std::memcpy(report.data(), data, std::min(size, report.size()));
    const std::uint8_t command = report[4];

    const bool header =
        report[0] == 0 && report[1] == 0x55 && report[2] == 0xAA && report[3] == 0x02;
    Check(px::frame::HasAnswerHeader(report) == header, "answer header");
    Check(px::frame::AnswerChecksumOk(report) == ChecksumFits(report), "answer checksum");
    Check(px::frame::IsAcknowledgement(report, command) == Acknowledges(report, command),
          "acknowledgement");
    Check(px::frame::IsAcknowledgement(report, static_cast<std::uint8_t>(command + 1)) == false,
          "acknowledgement of another command");
    Check(px::frame::FormatReportLine("Read :", report).size() == 6 + 130, "monitor line");

    // The simulated host takes the same bytes as an output report: it answers only reports
    // it did not refuse, and every answer it gives fits a report with its checksum.
    px::SimHost host;
    host.OnOutputReport(report);
    std::array<std::uint8_t, px::kReportDataSize> answer{};
    const bool refused = !host.Rejections().empty();
    while (host.NextInputReport(answer)) {
        Check(!refused, "an answer to a refused report");
        Check(px::fuzz::AnswerChecksumFits(answer), "the host's answer checksum");
    }

    // Every decoder of what a read-back brings, on the rest of the input.
    const std::span<const std::uint8_t> rest(data + std::min(size, report.size()),
                                             size - std::min(size, report.size()));
    px::ForEachTable([&](const auto& table) {
        const auto rows = px::DecodeRecords(table, rest);
        Check(rows.size() <= rest.size() / table.recordSize, "one row per whole record at most");
        for (const auto& row : rows) {
            Check(table.shownCells(row).size() == table.shownColumns.size(),
                  "a cell for every column");
            (void)px::CheckRow(table, row);
        }
    });
    (void)px::DecodeMachineRecord(rest, px::MachineParams{});
    (void)px::DecodeFrequencyRecord(rest);
    (void)px::DecodeLw3Record(rest);
    (void)px::DecodeLw21Record(rest);
    (void)px::DecodeHandheldRecord(rest);
    return 0;
}
