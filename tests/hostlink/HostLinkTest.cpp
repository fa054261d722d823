#include "hostlink/HostLink.h"

#include "hostlink/HidAccess.h"
#include "mock/FakeClock.h"
#include "mock/Told.h"
#include "sim/SimHidBackend.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace px {
namespace {

class CountingPump final : public EventPump
{
public:
    bool PumpMessages() override
    {
        ++calls;
        return !quitting;
    }
    int calls = 0;
    bool quitting = false;
};

class HostLinkTest : public ::testing::Test
{
protected:
    SimHidBackend backend_;
    test::FakeClock clock_;
    CountingPump pump_;
    HostLink link_{backend_, clock_, pump_};
    test::Told told_{[this] { return link_.TakeNotices(); }};
};

struct IdCase
{
    std::uint16_t vendor;
    std::uint16_t product;
    HostModel model;
};

class HostIdentificationTest : public HostLinkTest, public ::testing::WithParamInterface<IdCase>
{};

TEST_P(HostIdentificationTest, TheProductIdTellsTheModel)
{
    const IdCase c = GetParam();
    backend_.AddDevice(c.vendor, c.product);
    EXPECT_EQ(link_.FindHost(), c.model != HostModel::None);
    EXPECT_EQ(link_.IsConnected(), c.model != HostModel::None);
    EXPECT_EQ(link_.GetHostModel(), c.model);
    EXPECT_TRUE(told_.All().empty());
}

INSTANTIATE_TEST_SUITE_P(Ids, HostIdentificationTest,
                         ::testing::Values(IdCase{0x0483, 0x1234, HostModel::PX},
                                           IdCase{0x0483, 0x5158, HostModel::QX},
                                           IdCase{0x0483, 0x5750, HostModel::None},
                                           IdCase{0x046D, 0x1234, HostModel::None},
                                           IdCase{0x046D, 0xC52B, HostModel::None}));

TEST_F(HostLinkTest, OfTwoHostsTheFirstIsUsed)
{
    backend_.AddDevice(0x046D, 0xC52B); // a mouse comes first and is passed over
    const int first = backend_.AddDevice(kHostVendorId, kQxProductId);
    const int second = backend_.AddDevice(kHostVendorId, kPxProductId);
    ASSERT_TRUE(link_.FindHost());
    EXPECT_EQ(link_.GetHostModel(), HostModel::QX);
    link_.SendBuffer()[1] = 0xAB;
    ASSERT_TRUE(link_.WriteReport());
    ASSERT_EQ(backend_.Written(first).size(), 1u);
    EXPECT_EQ(backend_.Written(first)[0][1], 0xAB);
    EXPECT_TRUE(backend_.Written(second).empty());
}

TEST_F(HostLinkTest, AReportIsReadAfterByteZero)
{
    const int host = backend_.AddDevice(kHostVendorId, kPxProductId);
    std::vector<std::uint8_t> data(64);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i + 1);
    backend_.QueueInput(host, data);
    ASSERT_TRUE(link_.ReadReport(1000));
    EXPECT_EQ(link_.ReceiveBuffer()[0], 0);
    EXPECT_EQ(link_.ReceiveBuffer()[1], 1);
    EXPECT_EQ(link_.ReceiveBuffer()[64], 64);
}

TEST_F(HostLinkTest, AReadTimeOutClosesTheLinkAndTheNextOperationSearchesAgain)
{
    const int host = backend_.AddDevice(kHostVendorId, kPxProductId);
    ASSERT_TRUE(link_.FindHost());
    EXPECT_EQ(backend_.OpenCount(host), 1);
    const auto start = clock_.NowMs();
    pump_.calls = 0;

    EXPECT_FALSE(link_.ReadReport(1000));
    EXPECT_FALSE(link_.IsConnected());
    EXPECT_GE(clock_.NowMs() - start, 1000);
    EXPECT_LT(clock_.NowMs() - start, 1000 + HostLink::kWaitSliceMs + 1);
    // The wait was cut into slices with events dispatched between them.
    EXPECT_GE(pump_.calls, 1000 / HostLink::kWaitSliceMs);
    for (std::uint8_t byte : link_.ReceiveBuffer())
        EXPECT_EQ(byte, 0);

    EXPECT_TRUE(link_.WriteReport());
    EXPECT_EQ(backend_.OpenCount(host), 2);
}

TEST_F(HostLinkTest, AHostUnpluggedDuringAReadEndsTheReadAtOnce)
{
    const int host = backend_.AddDevice(kHostVendorId, kPxProductId);
    ASSERT_TRUE(link_.FindHost());
    backend_.RemoveDevice(host);
    const auto start = clock_.NowMs();
    EXPECT_FALSE(link_.ReadReport(5000));
    EXPECT_LT(clock_.NowMs() - start, 100);
    EXPECT_FALSE(link_.IsConnected());
    // Nothing to find any more.
    EXPECT_FALSE(link_.WriteReport());
    EXPECT_EQ(link_.GetHostModel(), HostModel::None);
}

TEST_F(HostLinkTest, QuittingEndsAWait)
{
    backend_.AddDevice(kHostVendorId, kPxProductId);
    ASSERT_TRUE(link_.FindHost());
    pump_.quitting = true;
    const auto start = clock_.NowMs();
    EXPECT_FALSE(link_.ReadReport(5000));
    EXPECT_LT(clock_.NowMs() - start, 100);
}

TEST_F(HostLinkTest, WriteSendsReportIdZeroAndForgetsEarlierInput)
{
    const int host = backend_.AddDevice(kHostVendorId, kPxProductId);
    link_.ReceiveBuffer().fill(0x77);
    link_.SendBuffer().fill(0x11);
    ASSERT_TRUE(link_.WriteReport()); // finds the host by itself
    ASSERT_EQ(backend_.Written(host).size(), 1u);
    EXPECT_EQ(backend_.Written(host)[0][0], 0);
    EXPECT_EQ(backend_.Written(host)[0][64], 0x11);
    for (std::uint8_t byte : link_.ReceiveBuffer())
        EXPECT_EQ(byte, 0);
}

TEST_F(HostLinkTest, APersistentOpenFailureIsShownOnceUntilItChangesOrClears)
{
    const int host = backend_.AddDevice(kHostVendorId, kPxProductId);
    backend_.SetOpenError(host, OpenError::PermissionDenied);
    for (int tick = 0; tick < 5; ++tick)
        EXPECT_FALSE(link_.FindHost());
    ASSERT_EQ(told_.All().size(), 1u);
    EXPECT_EQ(told_.All()[0].text, PermissionHelpText());
    EXPECT_THAT(told_.All()[0].text, ::testing::StartsWith("无法打开通信端口\n"))
        << "followed by what this system's user can do about it";

    backend_.SetOpenError(host, OpenError::Other);
    EXPECT_FALSE(link_.FindHost());
    EXPECT_FALSE(link_.FindHost());
    ASSERT_EQ(told_.All().size(), 2u);
    EXPECT_EQ(told_.All()[1].text, "无法打开通信端口");

    backend_.SetOpenError(host, OpenError::None);
    EXPECT_TRUE(link_.FindHost());
    backend_.SetOpenError(host, OpenError::Other);
    EXPECT_FALSE(link_.FindHost());
    EXPECT_EQ(told_.All().size(), 3u);
}

TEST_F(HostLinkTest, RightAfterAnArrivalAFailingOpenIsRetried)
{
    const int host = backend_.AddDevice(kHostVendorId, kQxProductId);
    backend_.SetOpenError(host, OpenError::PermissionDenied, 3);
    link_.NoteDeviceArrival();
    EXPECT_TRUE(link_.FindHost());
    EXPECT_EQ(link_.GetHostModel(), HostModel::QX);
    EXPECT_TRUE(told_.All().empty());

    // Long after the arrival a failure is reported at once.
    clock_.Advance(HostLink::kArrivalRetryWindowMs * 2);
    backend_.SetOpenError(host, OpenError::PermissionDenied, 3);
    EXPECT_FALSE(link_.FindHost());
    EXPECT_EQ(told_.All().size(), 1u);
}

TEST_F(HostLinkTest, WithoutAHostEveryOperationFailsQuietly)
{
    EXPECT_FALSE(link_.FindHost());
    EXPECT_FALSE(link_.ReadReport(1000));
    EXPECT_FALSE(link_.WriteReport());
    EXPECT_TRUE(told_.All().empty());
}

} // namespace
} // namespace px
