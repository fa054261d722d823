#include "settings/InfoMessage.h"

#include "hostlink/HostFixture.h"

namespace px {
namespace {

class InfoMessageTest : public test::HostFixture
{
protected:
    MessageRequest Number(const std::string& pager, const std::string& text)
    {
        MessageRequest request;
        request.pagerText = pager;
        request.text = text;
        return request;
    }
    MessageRequest Address(const std::string& address, const std::string& text = "hi")
    {
        MessageRequest request;
        request.addressMode = true;
        request.addressText = address;
        request.text = text;
        return request;
    }
    // The frame as the host got it: the report from byte 3 on.
    Bytes SentFrame() const
    {
        const Report report = Written().back();
        return Bytes(report.begin() + 3, report.begin() + 3 + kMessageBufferBytes);
    }

    // Sends, keeping what the sending told in said_.
    MessageOutcome Send(const MessageRequest& request)
    {
        const MessageSending sending = SendInformationMessage(exchange_, request);
        said_.Append(sending.notices);
        return sending.outcome;
    }
    Notices said_;
};

TEST_F(InfoMessageTest, NumberModeFrame)
{
    for (const auto& [pager, high, low] :
         std::vector<std::tuple<std::string, int, int>>{{"300", 0x01, 0x2C}, {"5", 0x00, 0x05}}) {
        ASSERT_EQ(Send(Number(pager, "AB")), MessageOutcome::Accepted);
        const Bytes frame = SentFrame();
        EXPECT_EQ(frame[0], 0x01);
        EXPECT_EQ(frame[1], 0xB1);
        EXPECT_EQ(frame[2], 50);
        EXPECT_EQ(frame[3], high);
        EXPECT_EQ(frame[4], low);
        EXPECT_EQ(frame[5], 'A');
        EXPECT_EQ(frame[6], 'B');
        for (std::size_t i = 7; i < 53; ++i)
            EXPECT_EQ(frame[i], 0xFF) << i;
        EXPECT_EQ(frame[53], frame::Checksum(std::span(frame.data(), 53)));
        EXPECT_EQ((Bytes{frame[54], frame[55], frame[56]}), (Bytes{0xFF, 0xFF, 0xFF}));
    }
    EXPECT_EQ(said_.Texts(),
              (std::vector<std::string>{"Send information !", "Send information !"}));
}

TEST_F(InfoMessageTest, AddressModeFrame)
{
    MessageRequest request = Address("2097152", "");
    request.typeIndex = 1;     // 数字
    request.polarityIndex = 0; // +
    request.baudIndex = 2;     // 2400
    ASSERT_EQ(Send(request), MessageOutcome::Accepted);
    const Bytes frame = SentFrame();
    EXPECT_EQ((Bytes(frame.begin(), frame.begin() + 8)),
              (Bytes{0x01, 0xB2, 0x35, 0x20, 0x00, 0x00, 0xFA, 0x01}));
    for (std::size_t i = 8; i < 56; ++i)
        EXPECT_EQ(frame[i], 0xFF) << "an empty text is 48 bytes of FF";
    EXPECT_EQ(frame[56], frame::Checksum(std::span(frame.data(), 56)));

    ASSERT_EQ(Send(Address("8")), MessageOutcome::Accepted);
    const Bytes initial = SentFrame();
    EXPECT_EQ((Bytes{initial[3], initial[4], initial[5], initial[6], initial[7]}),
              (Bytes{0x00, 0x00, 0x08, 0xFD, 0x00}))
        << "initial selections: '-', 1200 baud, character";
}

TEST_F(InfoMessageTest, AddressesOutOfRangeAreRefused)
{
    for (const std::string address : {"7", "2097153", "", "abc"}) {
        said_ = {};
        EXPECT_EQ(Send(Address(address)), MessageOutcome::NotSent);
        EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"Address rang [8,2097152] "}));
    }
    EXPECT_TRUE(Written().empty());
}

TEST_F(InfoMessageTest, TheTextLimitIs48GbkBytes)
{
    EXPECT_EQ(Send(Number("1", std::string(48, 'x'))), MessageOutcome::Accepted);
    std::string chinese;
    for (int i = 0; i < 24; ++i)
        chinese += "呼";
    EXPECT_EQ(Send(Number("1", chinese)), MessageOutcome::Accepted);
    EXPECT_EQ(SentFrame()[5], 0xBA) << "GBK bytes of 呼";

    const std::size_t sent = Written().size();
    said_ = {};
    EXPECT_EQ(Send(Number("1", std::string(49, 'x'))), MessageOutcome::NotSent);
    EXPECT_EQ(Send(Number("1", chinese + "x")), MessageOutcome::NotSent);
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>(2, "信息内容最多为48个字符（24个汉字）！")));
    said_ = {};
    EXPECT_EQ(Send(Number("1", "smile \xF0\x9F\x98\x80")), MessageOutcome::NotSent);
    EXPECT_EQ(said_.List().size(), 1u) << "a character GBK lacks is refused, not mangled";
    EXPECT_EQ(Written().size(), sent);
}

TEST_F(InfoMessageTest, LineBreaksTravelAsCrLf)
{
    ASSERT_EQ(Send(Number("1", "a\nb")), MessageOutcome::Accepted);
    const Bytes frame = SentFrame();
    EXPECT_EQ((Bytes{frame[5], frame[6], frame[7], frame[8]}), (Bytes{'a', '\r', '\n', 'b'}));
}

TEST_F(InfoMessageTest, WithoutAMachineNothingIsSent)
{
    MessageRequest request;
    request.text = "x";
    EXPECT_EQ(Send(request), MessageOutcome::NotSent);
    EXPECT_EQ(said_.Texts(),
              (std::vector<std::string>{"当前没有可用的信息机，请添加后再进行使用！"}));
}

TEST_F(InfoMessageTest, TheHostsVerdictPicksTheMessage)
{
    const std::vector<std::pair<std::uint8_t, std::string>> cases = {
        {0x5A, "Send information !"}, {0xA5, "发送信息失败！"}, {0x00, "Cache is full !"}};
    for (const auto& [verdict, message] : cases) {
        host_.State().b2Result = verdict;
        said_ = {};
        Send(Address("1000"));
        EXPECT_EQ(said_.Texts(), (std::vector<std::string>{message})) << int(verdict);
        EXPECT_FALSE(progress_.open);
    }
    host_.State().fault = *ParseSimFault("silent");
    said_ = {};
    EXPECT_EQ(Send(Number("3", "x")), MessageOutcome::Failed);
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"发送信息失败！"}));
}

} // namespace
} // namespace px
