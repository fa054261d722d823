#pragma once

#include "hostlink/HostExchange.h"
#include "mock/FakeClock.h"
#include "mock/RecordingViews.h"
#include "mock/TempFolder.h"
#include "mock/Told.h"
#include "sim/SimHost.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace px::test {

// The exchanges against a simulated PX host on a fake clock.
class HostFixture : public ::testing::Test
{
protected:
    HostFixture()
    {
        host_.SetUnplugHandler([this] { backend_.RemoveDevice(device_); });
    }

    // Output reports the host received, as bytes.
    std::vector<Report> Written() const
    {
        std::vector<Report> reports;
        for (const std::string& line : host_.Capture()) {
            if (line.rfind("Write:", 0) != 0)
                continue;
            Report report{};
            for (std::size_t i = 0; i < report.size(); ++i)
                report[i] =
                    static_cast<std::uint8_t>(std::stoi(line.substr(6 + 2 * i, 2), nullptr, 16));
            reports.push_back(report);
        }
        return reports;
    }

    std::string WriteFile(const std::string& name, const Bytes& bytes)
    {
        const std::string path = folder_.File(name);
        std::ofstream out(PathFromUtf8(path), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static Bytes ReadFile(const std::string& path)
    {
        std::ifstream in(PathFromUtf8(path), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    static Bytes Sequence(std::size_t n, std::uint8_t start = 0)
    {
        Bytes bytes(n);
        for (std::size_t i = 0; i < n; ++i)
            bytes[i] = static_cast<std::uint8_t>(start + i);
        return bytes;
    }

    // Information machine records as the table download lays them out: pager 1, 2, ...
    static Bytes InfoMachines(std::size_t count)
    {
        Bytes table;
        for (std::size_t i = 1; i <= count; ++i) {
            const Bytes record = {
                0x00, static_cast<std::uint8_t>(i), 0xF8, 0xF1, 0x02, 0, 0, 0, 0, 0, 0x7B};
            table.insert(table.end(), record.begin(), record.end());
            table.insert(table.end(), 18, 0x00);
            table.push_back(0xFF);
        }
        return table;
    }

    TempFolder folder_;
    SimHost host_;
    SimHidBackend backend_;
    int device_ = backend_.AddDevice(kHostVendorId, kPxProductId, &host_);
    FakeClock clock_;
    NullEventPump pump_;
    RecordingMonitor monitor_;
    RecordingProgress progress_;
    HostLink link_{backend_, clock_, pump_};
    HostExchange exchange_{link_, clock_, monitor_, progress_, folder_.Folder()};
    // What the exchange has left untold: a command takes its notices into its outcome.
    Told told_{[this] { return exchange_.TakeNotices(); }};
};

} // namespace px::test
