// Whether hotplug events can come at all decides whether the window may wait for them.

#include "hostlink/UdevMonitor.h"

#include "mock/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace px {
namespace {

// Without a udev daemon nobody announces a device (a container, a minimal system): a monitor
// that opened anyway would wait for ever while the window believed it watched.
TEST(UdevMonitorTest, WithoutADaemonThereIsNothingToWatch)
{
    test::TempFolder run; // a /run/udev without the daemon's control socket
    EXPECT_FALSE(UdevMonitor::DaemonRunning(run.Folder()));
    UdevMonitor monitor(run.Folder());
    EXPECT_FALSE(monitor.IsValid());
    EXPECT_EQ(monitor.Fd(), -1);
    EXPECT_FALSE(monitor.Receive());
}

TEST(UdevMonitorTest, WithADaemonTheMonitorListensAndNeverBlocks)
{
    test::TempFolder run;
    std::ofstream(run.File("control")).put('\n');
    ASSERT_TRUE(UdevMonitor::DaemonRunning(run.Path().string()));
    UdevMonitor monitor(run.Path().string());
    ASSERT_TRUE(monitor.IsValid()) << "libudev's netlink monitor could not be opened";
    EXPECT_GE(monitor.Fd(), 0);
    EXPECT_FALSE(monitor.Receive()) << "no event waits, and asking does not wait for one";
}

} // namespace
} // namespace px
