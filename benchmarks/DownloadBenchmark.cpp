// Packetising and sending a 3,000,000-byte record file to the simulated host, with the
// protocol's pauses on a fake clock so only the work itself is measured.

#include "BenchSupport.h"
#include "hostlink/HostExchange.h"
#include "mock/FakeClock.h"
#include "sim/SimHost.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <random>

namespace {

void BM_Download3MB(benchmark::State& state)
{
    const px::test::TempFolder folder;
    const std::string path = folder.File("image.bin");
    const std::size_t size = px::HostExchange::kMaxRecordBytes;
    {
        std::ofstream out(px::PathFromUtf8(path), std::ios::binary);
        std::mt19937 random(7);
        for (std::size_t i = 0; i < size; ++i)
            out.put(static_cast<char>(random() & 0xFF));
    }
    for (auto _ : state) {
        px::SimHost host;
        px::SimHidBackend backend;
        backend.AddDevice(px::kHostVendorId, px::kPxProductId, &host);
        px::test::FakeClock clock;
        px::NullEventPump pump;
        px::NullDataMonitor monitor;
        px::NullProgressSink progress;
        px::HostLink link(backend, clock, pump);
        px::HostExchange exchange(link, clock, monitor, progress, folder.Folder());
        const bool ok = exchange.Download(0x64, path, "下载升级程序");
        if (!ok || host.State().tables[0x64].size() != size)
            state.SkipWithError("the host did not take the image");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}
BENCHMARK(BM_Download3MB)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace
