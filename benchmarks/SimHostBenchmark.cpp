// What a download costs beyond the pauses the protocol mandates: the overshoot of each pause
// made of sleep slices, the shared folder's work per report (lock, a look at state.json, the
// capture line), and a full caller table against the simulated host on the real clock.

#include "BenchSupport.h"
#include "hostlink/HostExchange.h"
#include "mock/FakeClock.h"
#include "sim/SimHostSession.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <thread>

namespace {

// 1999 caller records of 100 bytes: a full PX caller table, 3,702 packets.
px::Bytes CallerTable()
{
    px::Bytes table;
    for (int i = 0; i < 1999; ++i) {
        px::Bytes record(100, 0xFF);
        record[0] = 0x55;
        record[1] = static_cast<std::uint8_t>(i >> 8);
        record[2] = static_cast<std::uint8_t>(i);
        record[3] = 0x01;
        record[8] = static_cast<std::uint8_t>(i);
        record[9] = static_cast<std::uint8_t>(i >> 8);
        record[84] = 0x00;
        table.insert(table.end(), record.begin(), record.end());
    }
    return table;
}

// How long a 10 ms pause between packets really takes on the real clock, as the exchange makes
// it (2 ms slices, microsecond deadline), against the earlier way (millisecond deadline).
void BM_PacketPause(benchmark::State& state)
{
    px::SystemClock clock;
    const bool microseconds = state.range(0) == 1;
    double overshootUs = 0;
    double shortestUs = 1e9;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (microseconds) {
            const std::int64_t end = clock.NowUs() + 10'000;
            for (std::int64_t now = clock.NowUs(); now < end; now = clock.NowUs())
                clock.SleepUs(std::min<std::int64_t>(2'000, end - now));
        } else {
            const std::int64_t end = clock.NowMs() + 10;
            for (std::int64_t now = clock.NowMs(); now < end; now = clock.NowMs())
                clock.SleepMs(static_cast<int>(std::min<std::int64_t>(2, end - now)));
        }
        const double tookUs =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count();
        overshootUs += tookUs - 10'000;
        shortestUs = std::min(shortestUs, tookUs);
    }
    state.counters["overshoot_us"] = overshootUs / static_cast<double>(state.iterations());
    // Below 10000 the mandated pause was cut short.
    state.counters["shortest_us"] = shortestUs;
    state.SetLabel(microseconds ? "microsecond deadline" : "millisecond deadline");
}
BENCHMARK(BM_PacketPause)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(300)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The shared folder's cost per download packet, without pauses: lock, one stat of state.json,
// the capture line appended; the table is saved once, with the last packet. Arg: bytes already
// in state.json (another table), which a look at the file must not read again.
void BM_SharedFolderPerPacket(benchmark::State& state)
{
    const px::test::TempFolder folder;
    std::string error;
    auto session = px::SimHostSession::Open(folder.Folder(), px::HostModel::PX, error);
    const auto stored = static_cast<std::size_t>(state.range(0));
    if (!session ||
        !session->Modify([&](px::SimHostState& s) { s.tables[0x64] = px::Bytes(stored, 0x11); },
                         error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const px::Bytes table = CallerTable();
    const std::size_t count = (table.size() + 53) / 54;
    std::vector<px::Report> reports;
    for (std::size_t i = 1; i <= count; ++i) {
        const std::size_t offset = (i - 1) * 54;
        px::Bytes packet = {static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count),
                            static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
        packet.insert(packet.end(), table.begin() + static_cast<std::ptrdiff_t>(offset),
                      table.begin() +
                          static_cast<std::ptrdiff_t>(std::min(table.size(), offset + 54)));
        const px::Bytes frame = px::frame::Build(0x66, packet);
        px::Report report{};
        report[1] = 0x55;
        report[2] = 0xAA;
        std::copy(frame.begin(), frame.end(), report.begin() + 3);
        reports.push_back(report);
    }
    px::OpenError openError = px::OpenError::None;
    auto device = session->Backend().Open(session->Backend().Enumerate().at(0).path, openError);
    double totalUs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (const px::Report& report : reports) {
            if (!device->Write(report))
                state.SkipWithError("write failed");
        }
        std::array<std::uint8_t, px::kReportDataSize> ack{};
        if (device->Read(ack, 0) != 64 || ack[5] != 0x5A)
            state.SkipWithError("not acknowledged");
        totalUs +=
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count();
    }
    state.counters["us_per_packet"] =
        totalUs / (static_cast<double>(state.iterations()) * static_cast<double>(count));
}
BENCHMARK(BM_SharedFolderPerPacket)
    ->Arg(0)
    ->Arg(3'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A full caller table (1999 records, 3,702 packets) downloaded as pxctl does, to the simulated
// host in a folder, on the real clock. The protocol mandates 2 s after packet 1, 10 ms after
// each later packet and 1 s to show the result: 40.01 s. Reported: how much longer it took.
void BM_FullCallerDownloadRealClock(benchmark::State& state)
{
    const px::test::TempFolder folder;
    std::string error;
    auto session = px::SimHostSession::Open(folder.Folder() + "sim", px::HostModel::PX, error);
    if (!session) {
        state.SkipWithError(error.c_str());
        return;
    }
    const px::Bytes table = CallerTable();
    const std::string path = folder.Folder() + "Call.txt";
    std::ofstream(px::PathFromUtf8(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(table.data()),
               static_cast<std::streamsize>(table.size()));
    const int packets = static_cast<int>((table.size() + 53) / 54);
    const double mandatedMs = px::HostExchange::kFirstPacketPauseMs +
                              (packets - 1) * px::HostExchange::kPacketPauseMs +
                              px::HostExchange::kResultPauseMs;
    double ratio = 0;
    for (auto _ : state) {
        px::SystemClock clock;
        px::NullEventPump pump;
        px::NullDataMonitor monitor;
        px::NullProgressSink progress;
        px::HostLink link(session->Backend(), clock, pump);
        px::HostExchange exchange(link, clock, monitor, progress, folder.Folder());
        const auto start = std::chrono::steady_clock::now();
        const bool ok = exchange.Download(0x66, path, "呼叫器信息");
        const double tookMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (!ok)
            state.SkipWithError("the host did not take the table");
        ratio = tookMs / mandatedMs;
    }
    state.counters["packets"] = packets;
    state.counters["mandated_ms"] = mandatedMs;
    state.counters["ratio"] = ratio;
    state.counters["overhead_us_per_packet"] = (ratio - 1.0) * mandatedMs * 1000.0 / packets;
}
BENCHMARK(BM_FullCallerDownloadRealClock)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
