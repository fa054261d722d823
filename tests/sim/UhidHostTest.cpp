// The uhid device and the simulated host behind it, with the test playing the kernel at the
// other end of a socket pair: one uhid event per message, as /dev/uhid hands them over.

#include "sim/uhid/UhidHost.h"

#include "mock/TempFolder.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/uhid.h>
#include <sys/socket.h>

namespace px {
namespace {

using ::testing::HasSubstr;

// The kernel's side of /dev/uhid.
class FakeKernel
{
public:
    FakeKernel()
    {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) == 0) {
            kernel_ = UniqueFd(fds[0]);
            device_ = UniqueFd(fds[1]);
        }
    }

    // The descriptor the device is made with (once).
    UniqueFd TakeDeviceEnd() { return std::move(device_); }

    // The next event the device wrote, if any.
    std::optional<uhid_event> Next()
    {
        uhid_event event{};
        if (::read(kernel_.Get(), &event, sizeof event) != static_cast<ssize_t>(sizeof event))
            return std::nullopt;
        return event;
    }
    // Every event waiting, by type, in order.
    std::vector<std::uint32_t> Types()
    {
        std::vector<std::uint32_t> types;
        while (auto event = Next())
            types.push_back(event->type);
        return types;
    }

    void Send(const uhid_event& event)
    {
        ASSERT_EQ(::write(kernel_.Get(), &event, sizeof event), static_cast<ssize_t>(sizeof event));
    }
    // A program wrote these bytes to the hidraw node.
    void Output(const std::vector<std::uint8_t>& bytes)
    {
        uhid_event event{};
        event.type = UHID_OUTPUT;
        std::copy(bytes.begin(), bytes.end(), event.u.output.data);
        event.u.output.size = static_cast<std::uint16_t>(bytes.size());
        event.u.output.rtype = UHID_OUTPUT_REPORT;
        Send(event);
    }
    void CloseKernelEnd() { kernel_.Close(); }

private:
    UniqueFd kernel_;
    UniqueFd device_;
};

// An output report as hidapi writes it: report id 0, then the frame after 55 AA.
std::vector<std::uint8_t> Frame(std::initializer_list<std::uint8_t> frame)
{
    std::vector<std::uint8_t> report(kReportSize, 0);
    report[1] = 0x55;
    report[2] = 0xAA;
    std::copy(frame.begin(), frame.end(), report.begin() + 3);
    return report;
}

// The version request: 01 82 00 and its checksum.
const std::vector<std::uint8_t> kVersionRequest = Frame({0x01, 0x82, 0x00, 0x7C});

// --- the report descriptor -------------------------------------------------------------------

// What a HID parser makes of a descriptor: the bits of each report kind and what else it met.
struct ParsedDescriptor
{
    int inputBits = 0;
    int outputBits = 0;
    int featureBits = 0;
    bool reportIds = false;
    bool balanced = true;
    std::uint32_t usagePage = 0;
};

ParsedDescriptor Parse(std::span<const std::uint8_t> bytes)
{
    ParsedDescriptor parsed;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    int depth = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint8_t prefix = bytes[i];
        const std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < size && i + 1 + k < bytes.size(); ++k)
            value |= static_cast<std::uint32_t>(bytes[i + 1 + k]) << (8 * k);
        switch (prefix & 0xFC) {
        case 0x04:
            parsed.usagePage = value;
            break;
        case 0x74:
            reportSize = value;
            break;
        case 0x94:
            reportCount = value;
            break;
        case 0x84:
            parsed.reportIds = true;
            break;
        case 0x80:
            parsed.inputBits += static_cast<int>(reportSize * reportCount);
            break;
        case 0x90:
            parsed.outputBits += static_cast<int>(reportSize * reportCount);
            break;
        case 0xB0:
            parsed.featureBits += static_cast<int>(reportSize * reportCount);
            break;
        case 0xA0:
            ++depth;
            break;
        case 0xC0:
            parsed.balanced = parsed.balanced && --depth >= 0;
            break;
        default:
            break;
        }
        i += 1 + size;
    }
    parsed.balanced = parsed.balanced && depth == 0;
    return parsed;
}

TEST(UhidDescriptorTest, OneVendorInputAndOutputReportOf64BytesWithoutIds)
{
    const ParsedDescriptor parsed = Parse(HostReportDescriptor());
    EXPECT_EQ(parsed.inputBits, 64 * 8);
    EXPECT_EQ(parsed.outputBits, 64 * 8);
    EXPECT_EQ(parsed.featureBits, 0) << "the host has no feature reports";
    EXPECT_FALSE(parsed.reportIds) << "hidraw would then put an id before every input report";
    EXPECT_TRUE(parsed.balanced);
    EXPECT_GE(parsed.usagePage, 0xFF00u) << "vendor-defined: no input driver claims it";
}

// --- the device --------------------------------------------------------------------------------

class UhidDeviceTest : public ::testing::Test
{
protected:
    FakeKernel kernel_;
    UhidDevice device_{kernel_.TakeDeviceEnd()};
    std::string error_;
};

TEST_F(UhidDeviceTest, CreateDescribesTheDeviceToTheKernel)
{
    ASSERT_TRUE(device_.Create(
        {"PX host (simulated)", 0x03, 0x0483, 0x5158, HostReportDescriptor()}, error_))
        << error_;
    const auto event = kernel_.Next();
    ASSERT_TRUE(event);
    ASSERT_EQ(event->type, UHID_CREATE2);
    const uhid_create2_req& create = event->u.create2;
    EXPECT_EQ(create.bus, 0x03);
    EXPECT_EQ(create.vendor, 0x0483u);
    EXPECT_EQ(create.product, 0x5158u);
    EXPECT_STREQ(reinterpret_cast<const char*>(create.name), "PX host (simulated)");
    const auto descriptor = HostReportDescriptor();
    ASSERT_EQ(create.rd_size, descriptor.size());
    EXPECT_TRUE(std::equal(descriptor.begin(), descriptor.end(), create.rd_data));
}

TEST_F(UhidDeviceTest, ANameTooLongForTheKernelIsCutAndStillEnds)
{
    ASSERT_TRUE(
        device_.Create({std::string(300, 'x'), 0x03, 1, 2, HostReportDescriptor()}, error_));
    const auto event = kernel_.Next();
    ASSERT_TRUE(event);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(event->u.create2.name)).size(), 127u);
}

TEST_F(UhidDeviceTest, InputGoesOutWithItsSizeAndOnlyFromACreatedDevice)
{
    const std::array<std::uint8_t, 64> data{0x55, 0xAA, 0x02};
    EXPECT_FALSE(device_.SendInput(data, error_)) << "nothing to send from yet";
    ASSERT_TRUE(device_.Create({"x", 0x03, 1, 2, HostReportDescriptor()}, error_));
    kernel_.Types();
    ASSERT_TRUE(device_.SendInput(data, error_)) << error_;
    const auto event = kernel_.Next();
    ASSERT_TRUE(event);
    ASSERT_EQ(event->type, UHID_INPUT2);
    EXPECT_EQ(event->u.input2.size, 64);
    EXPECT_EQ(event->u.input2.data[1], 0xAA);
}

TEST(UhidDeviceLifeTest, DestroyIsSaidOnceAndByTheDestructorForALiveDevice)
{
    std::string error;
    FakeKernel kernel;
    {
        UhidDevice device(kernel.TakeDeviceEnd());
        ASSERT_TRUE(device.Create({"x", 0x03, 1, 2, HostReportDescriptor()}, error));
        ASSERT_TRUE(device.Destroy(error));
        ASSERT_TRUE(device.Destroy(error)) << "a second destroy has nothing to do";
        ASSERT_TRUE(device.Create({"x", 0x03, 1, 2, HostReportDescriptor()}, error));
    }
    EXPECT_EQ(kernel.Types(),
              (std::vector<std::uint32_t>{UHID_CREATE2, UHID_DESTROY, UHID_CREATE2, UHID_DESTROY}));
}

struct RequestCase
{
    const char* name;
    std::uint32_t request;
    std::uint32_t reply;
};
void PrintTo(const RequestCase& value, std::ostream* out)
{
    *out << value.name;
}

class UhidRequestTest : public UhidDeviceTest, public ::testing::WithParamInterface<RequestCase>
{};

// Unanswered, the kernel would hold the program that asked for five seconds.
TEST_P(UhidRequestTest, IsRefusedAtOnceUnderItsOwnId)
{
    uhid_event request{};
    request.type = GetParam().request;
    request.u.get_report.id = 4711; // same place in both request kinds
    kernel_.Send(request);
    const auto event = device_.ReadEvent(error_);
    ASSERT_TRUE(event) << error_;
    EXPECT_EQ(event->kind, UhidDevice::Event::Kind::RefusedRequest);
    const auto reply = kernel_.Next();
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->type, GetParam().reply);
    if (GetParam().reply == UHID_GET_REPORT_REPLY) {
        EXPECT_EQ(reply->u.get_report_reply.id, 4711u);
        EXPECT_NE(reply->u.get_report_reply.err, 0);
    } else {
        EXPECT_EQ(reply->u.set_report_reply.id, 4711u);
        EXPECT_NE(reply->u.set_report_reply.err, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, UhidRequestTest,
    ::testing::Values(RequestCase{"GetReport", UHID_GET_REPORT, UHID_GET_REPORT_REPLY},
                      RequestCase{"SetReport", UHID_SET_REPORT, UHID_SET_REPORT_REPLY}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(UhidDeviceTest, OutputEventsCarryTheBytesAsWrittenAndNothingWaitingIsNoError)
{
    EXPECT_FALSE(device_.ReadEvent(error_));
    EXPECT_EQ(error_, "") << "no event waiting is not a failure";

    kernel_.Output(kVersionRequest);
    const auto event = device_.ReadEvent(error_);
    ASSERT_TRUE(event) << error_;
    EXPECT_EQ(event->kind, UhidDevice::Event::Kind::Output);
    EXPECT_EQ(event->data, kVersionRequest);

    kernel_.CloseKernelEnd();
    EXPECT_FALSE(device_.ReadEvent(error_));
    EXPECT_THAT(error_, HasSubstr("closed"));
}

// --- the simulated host behind the device ------------------------------------------------------

class UhidHostTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        session_ = SimHostSession::Open(folder_.Folder(), HostModel::PX, error_);
        ASSERT_TRUE(session_) << error_;
        device_ = std::make_unique<UhidDevice>(kernel_.TakeDeviceEnd());
        host_ = std::make_unique<UhidHost>(
            *session_, *device_, [this](const std::string& note) { notes_.push_back(note); });
    }

    // Another process on the same folder, as pxctl --host sim:DIR is.
    void Elsewhere(const std::function<void(SimHostState&)>& change)
    {
        auto other = SimHostSession::Open(folder_.Folder(), HostModel::PX, error_);
        ASSERT_TRUE(other) << error_;
        ASSERT_TRUE(other->Modify(change, error_)) << error_;
    }
    SimHostState FolderState()
    {
        auto other = SimHostSession::Open(folder_.Folder(), HostModel::PX, error_);
        return other ? other->Host().State() : SimHostState{};
    }
    std::string CaptureLog()
    {
        std::ifstream in(folder_.File("capture.log"));
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The input reports the kernel got, their 64 bytes each.
    std::vector<std::vector<std::uint8_t>> Inputs()
    {
        std::vector<std::vector<std::uint8_t>> inputs;
        while (auto event = kernel_.Next()) {
            if (event->type == UHID_INPUT2) {
                const std::uint8_t* data = event->u.input2.data;
                inputs.emplace_back(data, data + event->u.input2.size);
            }
        }
        return inputs;
    }
    bool Tick() { return host_->Tick(error_); }
    bool Output(const std::vector<std::uint8_t>& bytes)
    {
        kernel_.Output(bytes);
        return host_->OnReadable(error_);
    }

    test::TempFolder folder_;
    FakeKernel kernel_;
    std::string error_;
    std::unique_ptr<SimHostSession> session_;
    std::unique_ptr<UhidDevice> device_;
    std::unique_ptr<UhidHost> host_;
    std::vector<std::string> notes_;
};

TEST_F(UhidHostTest, APluggedHostBecomesAUsbDeviceThatAnswersThroughTheFolder)
{
    ASSERT_TRUE(host_->Sync(error_)) << error_;
    const auto create = kernel_.Next();
    ASSERT_TRUE(create);
    ASSERT_EQ(create->type, UHID_CREATE2);
    EXPECT_EQ(create->u.create2.bus, 0x03);
    EXPECT_EQ(create->u.create2.vendor, kHostVendorId);
    EXPECT_EQ(create->u.create2.product, kPxProductId);

    ASSERT_TRUE(Output(kVersionRequest)) << error_;
    const auto inputs = Inputs();
    ASSERT_EQ(inputs.size(), 1u) << "the answer goes out at once";
    ASSERT_EQ(inputs[0].size(), kReportDataSize) << "64 bytes: no report id";
    EXPECT_EQ(inputs[0][0], 0x55);
    EXPECT_EQ(inputs[0][2], 0x02);
    EXPECT_EQ(inputs[0][3], 0x82);
    const std::string log = CaptureLog();
    EXPECT_THAT(log, HasSubstr("Write:0055AA0182007C00"));
    EXPECT_THAT(log, HasSubstr("Read :0055AA0282"));
}

TEST_F(UhidHostTest, AReadBackComesOutOnePacketPerTick)
{
    Elsewhere([](SimHostState& state) { state.tables[0x65] = Bytes(150, 0x31); });
    ASSERT_TRUE(host_->Sync(error_));
    kernel_.Types();
    // Read-back request for the information machines: 01 84 00, checksum ~(0x84 + 1).
    ASSERT_TRUE(Output(Frame({0x01, 0x84, 0x00, 0x7A}))) << error_;
    EXPECT_EQ(Inputs().size(), 1u);
    EXPECT_EQ(host_->TickIntervalMs(), UhidHost::kAnswerIntervalMs);
    for (int packet = 2; packet <= 3; ++packet) {
        ASSERT_TRUE(Tick()) << error_;
        const auto inputs = Inputs();
        ASSERT_EQ(inputs.size(), 1u) << "packet " << packet;
        EXPECT_EQ(inputs[0][8], packet) << "packet numbers in order";
    }
    ASSERT_TRUE(Tick());
    EXPECT_TRUE(Inputs().empty());
    EXPECT_EQ(host_->TickIntervalMs(), UhidHost::kIdleIntervalMs) << "nothing left to send";
}

TEST_F(UhidHostTest, TheDeviceFollowsThePlugOfTheFolder)
{
    ASSERT_TRUE(host_->Sync(error_));
    EXPECT_EQ(kernel_.Types(), std::vector<std::uint32_t>{UHID_CREATE2});

    Elsewhere([](SimHostState& state) { state.plugged = false; });
    ASSERT_TRUE(Tick()) << error_;
    EXPECT_EQ(kernel_.Types(), std::vector<std::uint32_t>{UHID_DESTROY});
    ASSERT_TRUE(Tick());
    EXPECT_TRUE(kernel_.Types().empty()) << "an unplugged host stays away";

    Elsewhere([](SimHostState& state) { state.plugged = true; });
    ASSERT_TRUE(Tick());
    EXPECT_EQ(kernel_.Types(), std::vector<std::uint32_t>{UHID_CREATE2});

    // Out and in again between two looks is still an unplug to the kernel, and so is a
    // change of model.
    Elsewhere([](SimHostState& state) { state.plugged = false; });
    ASSERT_TRUE(session_->Refresh(error_));
    Elsewhere([](SimHostState& state) { state.plugged = true; });
    ASSERT_TRUE(Tick());
    EXPECT_EQ(kernel_.Types(), (std::vector<std::uint32_t>{UHID_DESTROY, UHID_CREATE2}));

    Elsewhere([](SimHostState& state) { state.model = HostModel::QX; });
    ASSERT_TRUE(Tick());
    const auto destroy = kernel_.Next();
    const auto create = kernel_.Next();
    ASSERT_TRUE(destroy && create);
    EXPECT_EQ(destroy->type, UHID_DESTROY);
    ASSERT_EQ(create->type, UHID_CREATE2);
    EXPECT_EQ(create->u.create2.product, kQxProductId);
}

TEST_F(UhidHostTest, SignalsPlugAndUnplugThroughTheFolder)
{
    ASSERT_TRUE(host_->Sync(error_));
    kernel_.Types();
    ASSERT_TRUE(host_->Unplug(error_)) << error_;
    EXPECT_EQ(kernel_.Types(), std::vector<std::uint32_t>{UHID_DESTROY});
    EXPECT_FALSE(FolderState().plugged) << "every process sharing the folder sees it";
    ASSERT_TRUE(host_->Plug(error_)) << error_;
    EXPECT_EQ(kernel_.Types(), std::vector<std::uint32_t>{UHID_CREATE2});
    EXPECT_TRUE(FolderState().plugged);
}

TEST_F(UhidHostTest, AnUnpluggedFolderMakesNoDeviceUntilPlugged)
{
    Elsewhere([](SimHostState& state) { state.plugged = false; });
    ASSERT_TRUE(host_->Sync(error_));
    ASSERT_TRUE(Tick());
    EXPECT_TRUE(kernel_.Types().empty());
    ASSERT_TRUE(host_->Plug(error_));
    EXPECT_EQ(kernel_.Types(), std::vector<std::uint32_t>{UHID_CREATE2});
}

TEST_F(UhidHostTest, UnplugAfterLosesTheCountedReportAndPullsThePlug)
{
    host_->UnplugAfter(2);
    ASSERT_TRUE(host_->Sync(error_));
    kernel_.Types();
    ASSERT_TRUE(Output(kVersionRequest));
    EXPECT_EQ(Inputs().size(), 1u);
    ASSERT_TRUE(Output(kVersionRequest));
    EXPECT_EQ(kernel_.Types(), std::vector<std::uint32_t>{UHID_DESTROY});
    EXPECT_FALSE(FolderState().plugged);
    const std::string log = CaptureLog();
    EXPECT_EQ(log.find("Write:"), log.rfind("Write:")) << "the second report never arrived";

    ASSERT_TRUE(host_->Plug(error_));
    kernel_.Types();
    ASSERT_TRUE(Output(kVersionRequest));
    EXPECT_EQ(Inputs().size(), 1u) << "once only";
}

TEST_F(UhidHostTest, AnUnplugFaultDuringADownloadRemovesTheDeviceAndKeepsNothing)
{
    Elsewhere([](SimHostState& state) { state.fault = {SimFault::Kind::UnplugAt, 2}; });
    ASSERT_TRUE(host_->Sync(error_));
    kernel_.Types();
    // Two packets of a caller download (0x66): 54 bytes, then one byte.
    std::vector<std::uint8_t> first = Frame({0x01, 0x66, 58, 0x00, 0x02, 0x00, 0x01});
    std::fill(first.begin() + 10, first.begin() + 64, 0x41);
    std::uint8_t sum = 0;
    for (std::size_t i = 3; i < 64; ++i)
        sum = static_cast<std::uint8_t>(sum + first[i]);
    first[64] = static_cast<std::uint8_t>(~sum);
    ASSERT_TRUE(Output(first)) << error_;
    EXPECT_TRUE(Inputs().empty()) << "packets are not answered one by one";
    ASSERT_TRUE(Output(Frame({0x01, 0x66, 5, 0x00, 0x02, 0x00, 0x02, 0x42, 0x4D}))) << error_;
    EXPECT_EQ(kernel_.Types(), std::vector<std::uint32_t>{UHID_DESTROY});
    const SimHostState state = FolderState();
    EXPECT_FALSE(state.plugged);
    EXPECT_EQ(state.tables.count(0x66), 0u) << "nothing written";
}

TEST_F(UhidHostTest, AnOutputReportLongerThanTheHostsIsDroppedWithANote)
{
    ASSERT_TRUE(host_->Sync(error_));
    kernel_.Types();
    std::vector<std::uint8_t> longer = kVersionRequest;
    longer.resize(100, 0);
    ASSERT_TRUE(Output(longer)) << error_;
    EXPECT_TRUE(Inputs().empty());
    EXPECT_EQ(CaptureLog(), "");
    ASSERT_FALSE(notes_.empty());
    EXPECT_THAT(notes_.back(), HasSubstr("100 bytes"));
}

TEST_F(UhidHostTest, AKeyPressQueuedWhileARequestWaitsGoesOutAtTheNextTick)
{
    ASSERT_TRUE(host_->Sync(error_));
    kernel_.Types();
    // 0xD4 with no press queued: the host holds its answer.
    ASSERT_TRUE(Output(Frame({0x01, 0xD4, 0x00, 0x2A}))) << error_;
    ASSERT_TRUE(Tick());
    EXPECT_TRUE(Inputs().empty());
    Elsewhere([](SimHostState& state) { state.presses.push_back({0x55, 0xAB, 0xCD, 0xE2}); });
    ASSERT_TRUE(Tick()) << error_;
    const auto inputs = Inputs();
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0][3], 0xD4);
}

} // namespace
} // namespace px
