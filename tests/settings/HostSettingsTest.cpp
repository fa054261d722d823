#include "common/Gbk.h"
#include "common/IntegerField.h"
#include "hostlink/HostFixture.h"
#include "settings/AlertSettings.h"
#include "settings/HandheldSettings.h"
#include "settings/MachineParams.h"
#include "settings/NetworkParams.h"
#include "settings/SettingsHost.h"
#include "storage/Database.h"
#include "storage/Schema.h"

#include <filesystem>

namespace px {
namespace {

class HostSettingsTest : public test::HostFixture
{
protected:
    Bytes Table(std::uint8_t command) { return host_.State().tables[command]; }

    static Bytes Concat(std::initializer_list<Bytes> parts)
    {
        Bytes all;
        for (const Bytes& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }

    MemoryProfile profile_;
    ExchangeSettingsHost settingsHost_{exchange_};

    // Keeps what an action told in said_, in order, and hands its result on.
    template <typename Told> Told Said(Told result)
    {
        said_.Append(result.notices);
        return result;
    }
    Notices said_;
};

// --- device parameters -----------------------------------------------------------------------

struct MachineRecordCase
{
    const char* name;
    MachineParams params;
    Bytes record;
};

MachineParams With(void (*change)(MachineParams&))
{
    MachineParams p;
    change(p);
    return p;
}

TEST_F(HostSettingsTest, MachineRecordsReachTheHost)
{
    const MachineRecordCase cases[] = {
        {"defaults (monitoring off is 1)",
         {},
         {0x5A, 0xFF, 0x00, 0x11, 0, 1, 0x00, 0x01, 0, 0x00, 0x0A, 2, 0x00, 0x0A, 2, 0xFF, 1}},
        {"network return is 4, receiver 200, interval 240",
         With([](MachineParams& p) {
             p.room = 1;
             p.monitoring = 3;
             p.receiver = 200;
             p.escalation = 1;
             p.interval1 = 240;
             p.count1 = 99;
             p.interval2 = 1;
             p.count2 = 1;
             p.mode = 0;
         }),
         {0x5A, 0xFF, 0x00, 0x11, 1, 4, 0x00, 0xC8, 1, 0x00, 0xF0, 99, 0x00, 0x01, 1, 0xFF, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Said(WriteMachineParameters(exchange_, profile_, c.params)).ok);
        EXPECT_EQ(Table(kCmdMachineParams), c.record);
        EXPECT_EQ(LoadMachineParams(profile_), c.params);
        EXPECT_EQ(said_.Texts().back(), "设置本机参数成功！");
        EXPECT_FALSE(test::Exists(folder_.File("Temp.txt")));
    }
}

TEST_F(HostSettingsTest, ProfileDefaultsAndWhatAWriteStores)
{
    EXPECT_EQ(LoadMachineParams(profile_), MachineParams{});
    const MachineParams defaults;
    EXPECT_EQ(defaults.txFrequency, 430225);
    EXPECT_EQ(defaults.rxFrequency, 315600);
    EXPECT_EQ(defaults.mode, 1);

    // A parameter write leaves the remembered frequencies alone, and the other way round.
    MachineParams p;
    p.monitoring = 2;
    p.txFrequency = 400000;
    ASSERT_TRUE(Said(WriteMachineParameters(exchange_, profile_, p)).ok);
    EXPECT_EQ(profile_.GetInt("MACHINE", "JIANTING", -1), 2);
    EXPECT_EQ(profile_.GetInt("MACHINE", "TPL", -1), -1);
    ASSERT_TRUE(Said(WriteFrequencies(exchange_, profile_, p)).ok);
    EXPECT_EQ(profile_.GetInt("MACHINE", "TPL", -1), 400000);
    EXPECT_EQ(said_.Texts().back(), "设置频率成功！");
}

TEST_F(HostSettingsTest, FrequencyRecordAndRange)
{
    MachineParams p;
    ASSERT_TRUE(Said(WriteFrequencies(exchange_, profile_, p)).ok);
    EXPECT_EQ(Table(kCmdFrequencies), (Bytes{0x5A, '4', '3', '0', '2', '2', '5', 0xFF, '3', '1',
                                             '5', '6', '0', '0', 0xFF}));

    const std::pair<int, int> accepted[] = {{230000, 930000}, {930000, 230000}};
    for (const auto& [tx, rx] : accepted) {
        p.txFrequency = tx;
        p.rxFrequency = rx;
        EXPECT_EQ(CheckMachineParams(p), "") << tx << "/" << rx;
    }
    const std::pair<int, int> refused[] = {{229999, 315600}, {430225, 930001}};
    for (const auto& [tx, rx] : refused) {
        p.txFrequency = tx;
        p.rxFrequency = rx;
        EXPECT_EQ(CheckMachineParams(p), "Please enter an integer between 230000 and 930000.");
    }
}

TEST_F(HostSettingsTest, FieldPrompts)
{
    // What a dialog says for a typed field: the field's name and its range.
    int value = 7;
    EXPECT_EQ(CheckWholeNumber("12a", "监控接收机编号", 1, 200, value), "监控接收机编号必须是整数");
    EXPECT_EQ(CheckWholeNumber("", "监控接收机编号", 1, 200, value), "监控接收机编号必须是整数");
    EXPECT_EQ(CheckWholeNumber("201", "监控接收机编号", 1, 200, value),
              "监控接收机编号必须在1到200之间");
    EXPECT_EQ(value, 7);
    EXPECT_EQ(CheckWholeNumber("\t+200 ", "监控接收机编号", 1, 200, value), "");
    EXPECT_EQ(value, 200);
    EXPECT_EQ(ParseInteger("2147483648"), std::nullopt) << "beyond an int";
    EXPECT_EQ(ParseInteger("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ParseInteger("+-1"), std::nullopt);
    MachineParams p;
    p.monitoring = -1; // no selection in the list
    EXPECT_EQ(CheckMachineParams(p), "Please enter an integer between 0 and 3.");
}

TEST_F(HostSettingsTest, ParameterReadBackKeepsTheProfileFrequencies)
{
    MachineParams sent;
    sent.monitoring = 0; // byte 5 = 1
    sent.receiver = 200;
    sent.mode = 0;
    sent.txFrequency = 500000;
    ASSERT_TRUE(Said(WriteMachineParameters(exchange_, profile_, sent)).ok);
    profile_.SetInt("MACHINE", "TPL", 470000);

    const auto bytes = Said(settingsHost_.ReadBackParams(ParamReadBack::MachineParameters)).value;
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, Table(kCmdMachineParams));
    EXPECT_EQ(ReadWholeFile(folder_.File("machine.txt")), bytes);
    const auto shown = DecodeMachineRecord(*bytes, LoadMachineParams(profile_));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->monitoring, 0);
    EXPECT_EQ(shown->receiver, 200);
    EXPECT_EQ(shown->mode, 0);
    EXPECT_EQ(shown->txFrequency, 470000);
    EXPECT_EQ(shown->rxFrequency, 315600);
    EXPECT_FALSE(DecodeMachineRecord(Bytes(16, 0), {}));
}

TEST_F(HostSettingsTest, FrequencyReadBackDecodesDigitsUpToTheFirstFF)
{
    ASSERT_TRUE(Said(WriteFrequencies(exchange_, profile_, With([](MachineParams& p) {
                                          p.txFrequency = 230000;
                                          p.rxFrequency = 930000;
                                      })))
                    .ok);
    const auto bytes = Said(settingsHost_.ReadBackParams(ParamReadBack::Frequencies)).value;
    ASSERT_TRUE(bytes);
    const auto f = DecodeFrequencyRecord(*bytes);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->tx, 230000);
    EXPECT_EQ(f->rx, 930000);
    const Bytes sevenDigits = {0x5A, '1',  '2', '3',  '4',  '5',  '6', '7',
                               '9',  0xFF, '8', 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(DecodeFrequencyRecord(sevenDigits)->tx, 1234567);
    EXPECT_EQ(DecodeFrequencyRecord(sevenDigits)->rx, 9);
}

TEST_F(HostSettingsTest, AFailedWriteKeepsTheProfile)
{
    profile_.SetInt("MACHINE", "NO", 17);
    profile_.SetInt("LW123", "SHAKE", 2);
    host_.State().fault = *ParseSimFault("silent");
    MachineParams p;
    p.receiver = 99;
    EXPECT_FALSE(Said(WriteMachineParameters(exchange_, profile_, p)).ok);
    EXPECT_FALSE(Said(WriteFrequencies(exchange_, profile_, p)).ok);
    EXPECT_FALSE(Said(WriteLw3Settings(exchange_, profile_, {})).ok);
    EXPECT_EQ(profile_.GetInt("MACHINE", "NO", -1), 17);
    EXPECT_EQ(profile_.GetInt("MACHINE", "TPL", -1), -1);
    EXPECT_EQ(profile_.GetInt("LW123", "SHAKE", -1), 2);
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"设置本机参数失败！", "设置频率失败！",
                                                       "LW3参数设置失败！"}));
    EXPECT_FALSE(Said(settingsHost_.ReadBackParams(ParamReadBack::MachineParameters)).value);
    EXPECT_FALSE(test::Exists(folder_.File("machine.txt")));
}

TEST_F(HostSettingsTest, WithoutAHostTheExchangesWordComesFirstAndNothingIsLeftBehind)
{
    backend_.RemoveDevice(device_);
    const Outcome written = WriteMachineParameters(exchange_, profile_, MachineParams{});
    EXPECT_FALSE(written.ok);
    EXPECT_EQ(written.notices.List(),
              (std::vector<Notice>{{"设备未连接，请连接设备！", "失败1", MessageIcon::None},
                                   {"设置本机参数失败！", "", MessageIcon::None}}));
    EXPECT_TRUE(told_.All().empty()) << "a later command would show it again";

    const Reading<Bytes> read = settingsHost_.ReadBackParams(ParamReadBack::Frequencies);
    EXPECT_FALSE(read.value);
    EXPECT_TRUE(told_.All().empty());
}

TEST_F(HostSettingsTest, ReceiverTypeRatesAreSavedWithUnknownColumnsKept)
{
    const std::string path = DatabasePath(folder_.Folder());
    std::string error;
    ASSERT_TRUE(EnsureDatabase(path, error)) << error;
    Database db;
    ASSERT_TRUE(db.Open(path));

    const auto seeded = LoadReceiverTypeRates(db);
    ASSERT_TRUE(seeded);
    ASSERT_TRUE(SaveReceiverTypeRates(db, {2, 1, 0, 1}));
    EXPECT_EQ(LoadReceiverTypeRates(db), (ReceiverTypeRates{2, 1, 0, 1}));
    // No selection must not store -1, which the table download would send.
    ASSERT_TRUE(SaveReceiverTypeRates(db, {-1, 0, 1, -1}));
    EXPECT_EQ(LoadReceiverTypeRates(db), (ReceiverTypeRates{2, 0, 1, 1}));

    QueryResult rs(db);
    ASSERT_TRUE(rs.Open(db, "select Rate from T_Type where TypeNo=0"));
    int other = -5;
    rs.GetFieldValue("Rate", other);
    EXPECT_EQ(other, 0) << "other types are untouched";

    Database closed;
    EXPECT_FALSE(LoadReceiverTypeRates(closed)) << "a database that is not open";
}

// --- network parameters ----------------------------------------------------------------------

TEST_F(HostSettingsTest, DefaultNetworkRecordGoesAsOne48ByteFrame)
{
    const Bytes record = BuildNetworkRecord({});
    const Bytes expected =
        Concat({{0x01, 0x01, 0x01, 0xC0, 0xA8, 0x00, 0x02, 0x8D, 0x13, 0x1A, 0x2B,
                 0x3C, 0x4D, 0x5E, 0x6F, 0xC0, 0xA8, 0x00, 0x0F, 0xD0, 0x07, 0xFF,
                 0xFF, 0xFF, 0x00, 0xC0, 0xA8, 0x00, 0x01, 0x3C, 0x00, 0x0A},
                Bytes(8, 0xFF)});
    EXPECT_EQ(record, expected);

    ASSERT_TRUE(Said(settingsHost_.SendNetwork(record)).ok);
    const auto written = Written();
    ASSERT_EQ(written.size(), 1u);
    const Report& r = written[0];
    EXPECT_EQ(Bytes(r.begin() + 3, r.begin() + 10),
              (Bytes{0x01, 0x6A, 0x2C, 0x00, 0x01, 0x00, 0x01}));
    EXPECT_EQ(Bytes(r.begin() + 10, r.begin() + 50), expected);
    EXPECT_EQ(r[50], frame::Checksum(std::span(r).subspan(3, 47)));
    EXPECT_TRUE(std::all_of(r.begin() + 51, r.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(host_.Rejections().empty());
    EXPECT_EQ(progress_.positions, (std::vector<int>{0, 20, 40, 60, 80, 100}));
    EXPECT_EQ(progress_.progressTexts, (std::vector<std::string>{"正在发送信息....."}));
    EXPECT_FALSE(progress_.open);
    EXPECT_TRUE(said_.Empty()) << "success shows no message";
}

struct NetworkCase
{
    const char* name;
    void (*change)(NetworkParams&);
    std::size_t offset;
    Bytes bytes;
};

TEST_F(HostSettingsTest, NetworkRecordFields)
{
    const NetworkCase cases[] = {
        {"network off", [](NetworkParams& p) { p.enabled = false; }, 0,
         Concat({{0x00}, Bytes(39, 0xFF)})},
        {"short MAC is padded with zeros",
         [](NetworkParams& p) { p.mac = "1A2B"; },
         9,
         {0x1A, 0x2B, 0x00, 0x00, 0x00, 0x00}},
        {"14-digit MAC loses its last two digits",
         [](NetworkParams& p) { p.mac = "11223344556677"; },
         9,
         {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xC0}},
        {"lower-case MAC",
         [](NetworkParams& p) { p.mac = "a1b2c3d4e5f6"; },
         9,
         {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6}},
        {"port 65535", [](NetworkParams& p) { p.port = 65535; }, 19, {0xFF, 0xFF}},
        {"port 256 goes low byte first", [](NetworkParams& p) { p.port = 256; }, 19, {0x00, 0x01}},
        {"network-host port and reconnect time",
         [](NetworkParams& p) {
             p.hostPort = 256;
             p.reconnectSeconds = 65535;
         },
         7,
         {0x00, 0x01}},
        {"slave role", [](NetworkParams& p) { p.role = NetworkParams::kNetworkSlave; }, 1, {0x02}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NetworkParams p;
        c.change(p);
        ASSERT_EQ(CheckNetworkParams(p), "");
        host_.State().tables.clear();
        ASSERT_TRUE(Said(SendNetworkRecord(exchange_, BuildNetworkRecord(p))).ok);
        const Bytes sent = Table(kCmdNetwork);
        ASSERT_GE(sent.size(), c.offset + c.bytes.size());
        // The host keeps the frame's payload: N and i, then the record.
        const Bytes record(sent.end() - 40, sent.end());
        EXPECT_EQ(Bytes(record.begin() + static_cast<std::ptrdiff_t>(c.offset),
                        record.begin() + static_cast<std::ptrdiff_t>(c.offset + c.bytes.size())),
                  c.bytes);
    }
}

TEST_F(HostSettingsTest, NetworkInputThatCannotTravelIsRefused)
{
    const std::pair<void (*)(NetworkParams&), const char*> cases[] = {
        {[](NetworkParams& p) { p.id = 0; }, "Please enter an integer between 1 and 255."},
        {[](NetworkParams& p) { p.port = 65536; }, "Please enter an integer between 0 and 65535."},
        {[](NetworkParams& p) { p.validityMinutes = 100; },
         "Please enter an integer between 1 and 99."},
        {[](NetworkParams& p) { p.mac = "1A2B3C4D5E6G"; },
         "MAC地址只能由十六进制数字(0-9, A-F)组成！"},
    };
    for (const auto& [change, prompt] : cases) {
        NetworkParams p;
        change(p);
        EXPECT_EQ(CheckNetworkParams(p), prompt);
    }
    EXPECT_EQ(NormaliseMac("1A2B"), "1A2B00000000");
    EXPECT_EQ(ParseIp("192.168.0.15"), (IpAddress{192, 168, 0, 15}));
    for (const char* bad : {"192.168.0", "192.168.0.256", "1.2.3.4.5", "a.b.c.d", "1..2.3"})
        EXPECT_FALSE(ParseIp(bad)) << bad;
}

TEST_F(HostSettingsTest, NetworkFailures)
{
    host_.State().fault = *ParseSimFault("silent");
    EXPECT_FALSE(Said(SendNetworkRecord(exchange_, BuildNetworkRecord({}))).ok);
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"设置网络参数失败！"}));
    EXPECT_FALSE(progress_.open);

    // Without a host nothing is sent and nothing said.
    host_.State().fault = {};
    said_ = {};
    backend_.RemoveDevice(device_);
    host_.TakeCapture();
    EXPECT_FALSE(Said(SendNetworkRecord(exchange_, BuildNetworkRecord({}))).ok);
    EXPECT_FALSE(Said(ReadBackNetworkRecord(exchange_)).value);
    EXPECT_TRUE(host_.TakeCapture().empty());
    EXPECT_TRUE(said_.Empty());
}

TEST_F(HostSettingsTest, NetworkReadBackSelectsTheSlaveRole)
{
    NetworkParams sent;
    sent.role = NetworkParams::kNetworkSlave;
    sent.id = 9;
    sent.hostIp = {10, 0, 0, 1};
    sent.hostPort = 256;
    sent.mac = "a1b2c3";
    sent.ip = {10, 0, 0, 7};
    sent.port = 65535;
    sent.reconnectSeconds = 300;
    sent.validityMinutes = 99;
    // What the host answers on 0x89 is the 40-byte record it keeps.
    host_.State().tables[kCmdNetwork] = BuildNetworkRecord(sent);

    const auto bytes = Said(settingsHost_.ReadBackNetwork()).value;
    ASSERT_TRUE(bytes);
    EXPECT_EQ(ReadWholeFile(folder_.File("NetData.txt")), bytes);
    NetworkParams shown;
    ASSERT_TRUE(ApplyNetworkRecord(*bytes, shown));
    NetworkParams expected = sent;
    expected.mac = "A1B2C3000000";
    EXPECT_EQ(shown, expected);

    // Network off changes nothing but the switch.
    NetworkParams off = shown;
    ASSERT_TRUE(ApplyNetworkRecord(BuildNetworkRecord({.enabled = false}), off));
    expected.enabled = false;
    EXPECT_EQ(off, expected);
    // A record too short for what it announces changes nothing.
    NetworkParams kept;
    EXPECT_FALSE(ApplyNetworkRecord(Bytes{0x01, 0x02, 0x03}, kept));
    EXPECT_EQ(kept, NetworkParams{});
}

TEST_F(HostSettingsTest, RandomMacFollowsTheClassicGenerator)
{
    // The first draws of seed 1 are 41, 18467, 6334, 26500, 19169, 15724.
    EXPECT_EQ(RandomMac(1), "EC253C343844");
    clock_.SetEpochSeconds(1'700'000'123);
    const std::string first = RandomMac(clock_.EpochSeconds());
    clock_.Advance(999);
    EXPECT_EQ(RandomMac(clock_.EpochSeconds()), first) << "same second, same address";
    clock_.Advance(1);
    EXPECT_NE(RandomMac(clock_.EpochSeconds()), first);
    for (std::int64_t seed : {0LL, 7LL, 1'234'567LL, 4'294'967'296LL + 1}) {
        const std::string mac = RandomMac(seed);
        ASSERT_EQ(mac.size(), 12u);
        EXPECT_EQ(std::stoi(mac.substr(0, 2), nullptr, 16) % 4, 0) << mac;
    }
    EXPECT_EQ(RandomMac(4'294'967'296LL + 1), RandomMac(1)) << "only the low 32 bits seed";
}

// --- receiver alert settings -----------------------------------------------------------------

TEST_F(HostSettingsTest, AlertRecordsReachTheHostAsDigits)
{
    ASSERT_TRUE(Said(WriteLw3Settings(exchange_, profile_, LoadLw3Settings(profile_))).ok);
    EXPECT_EQ(Table(kCmdLw3), (Bytes{'4', '4', '4', '1', '0', '0', 0x5A}));
    ASSERT_TRUE(Said(WriteLw21Settings(exchange_, profile_, LoadLw21Settings(profile_))).ok);
    EXPECT_EQ(Table(kCmdLw21), (Bytes{'4', '1', '0', '0', 0x5A}));
    EXPECT_EQ(said_.Texts(),
              (std::vector<std::string>{"LW3参数设置成功！", "LW2/1参数设置成功！"}));

    const std::pair<Lw3Settings, Bytes> cases[] = {
        {{0, 9, 1, 100, 7}, {'0', '9', '1', ':', '0', '7', 0x5A}},
        {{4, 4, 4, 5, kAlertVibrate | kAlertLight}, {'4', '4', '4', '0', '5', '5', 0x5A}},
    };
    for (const auto& [settings, record] : cases) {
        ASSERT_TRUE(Said(WriteLw3Settings(exchange_, profile_, settings)).ok);
        EXPECT_EQ(Table(kCmdLw3), record);
        EXPECT_EQ(LoadLw3Settings(profile_), settings);
    }
    ASSERT_TRUE(Said(WriteLw21Settings(exchange_, profile_, {9, 100, 3})).ok);
    EXPECT_EQ(Table(kCmdLw21), (Bytes{'9', ':', '0', '3', 0x5A}));
    EXPECT_EQ(LoadLw21Settings(profile_), (Lw21Settings{9, 100, 3}));
    EXPECT_EQ(CheckFields(kLw3Fields, Lw3Settings{10, 4, 4, 10, 0}),
              "Please enter an integer between 0 and 9.");
    EXPECT_EQ(CheckFields(kLw21Fields, Lw21Settings{4, -1, 0}),
              "Please enter an integer between 0 and 999.");
}

TEST_F(HostSettingsTest, AlertReadBacksComeThroughMachineTxt)
{
    host_.State().tables[kCmdLw3] = {'1', '2', '3', '4', '5', '9', 0x5A};
    host_.State().tables[kCmdLw21] = {'7', '0', '8', '6', 0x5A};
    const auto lw3 = Said(settingsHost_.ReadBackParams(ParamReadBack::Lw3)).value;
    ASSERT_TRUE(lw3);
    EXPECT_EQ(DecodeLw3Record(*lw3), (Lw3Settings{1, 2, 3, 45, 9}));
    const auto lw21 = Said(settingsHost_.ReadBackParams(ParamReadBack::Lw21)).value;
    ASSERT_TRUE(lw21);
    EXPECT_EQ(ReadWholeFile(folder_.File("machine.txt")), lw21);
    EXPECT_EQ(DecodeLw21Record(*lw21), (Lw21Settings{7, 8, 6}));
    EXPECT_FALSE(DecodeLw3Record(Bytes{'1', '2'}));
    const auto requests = Written();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0][4], 0x8B);
    EXPECT_EQ(requests[1][4], 0x8A);
}

// --- handheld caller settings ----------------------------------------------------------------

TEST_F(HostSettingsTest, EmptyHandheldSettingsRecord)
{
    const HandheldSettings settings = LoadHandheldSettings(profile_);
    EXPECT_EQ(settings, HandheldSettings{});
    ASSERT_TRUE(Said(DownloadHandheldSettings(exchange_, profile_, settings)).ok);
    EXPECT_EQ(Table(kCmdHandheldSettings),
              Concat({{0, 0}, Bytes(80, 0xFF), {0, 0}, Bytes(80, 0xFF)}));
    EXPECT_TRUE(test::Exists(folder_.File("ShouChi.txt"))) << "the file is kept";
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"手持呼叫器设置信息已成功设置！"}));
}

TEST_F(HostSettingsTest, HandheldTextsFillTheirFieldsWithoutSplittingACharacter)
{
    const std::string twenty = "一二三四五六七八九十一二三四五六七八九十";
    HandheldSettings s;
    s.hurry = {true, false, twenty, "a" + twenty};
    s.dispatch = {false, true, "前", "后缀"};
    ASSERT_TRUE(Said(DownloadHandheldSettings(exchange_, profile_, s)).ok);
    const Bytes r = Table(kCmdHandheldSettings);
    ASSERT_EQ(r.size(), kHandheldRecordBytes);
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(Bytes(r.begin() + 2, r.begin() + 42), *ToGbk(twenty));
    EXPECT_EQ(Bytes(r.begin() + 42, r.begin() + 81), *ToGbk("a" + twenty.substr(0, 19 * 3)));
    EXPECT_EQ(r[81], 0xFF) << "the 20th character would not fit";
    EXPECT_EQ(r[82], 0);
    EXPECT_EQ(r[83], 1);
    EXPECT_EQ(Bytes(r.begin() + 84, r.begin() + 86), *ToGbk("前"));
    EXPECT_EQ(r[86], 0xFF);
    EXPECT_EQ(LoadHandheldSettings(profile_), s);

    // Read back through rshouchi.txt.
    const auto back = Said(ReadBackHandheldSettings(exchange_)).value;
    ASSERT_TRUE(back);
    EXPECT_EQ(back->hurry.prefix, twenty);
    EXPECT_EQ(back->dispatch, s.dispatch);
    EXPECT_TRUE(test::Exists(folder_.File("rshouchi.txt")));
}

TEST_F(HostSettingsTest, HandheldReadBackDropsFFInsideAText)
{
    Bytes record(kHandheldRecordBytes, 0xFF);
    record[0] = 1;
    record[83] = 1;
    record[2] = 'A';
    record[4] = 'B';
    record[41] = 'C';
    const auto s = DecodeHandheldRecord(record);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->hurry.prefix, "ABC");
    EXPECT_TRUE(s->hurry.enabled);
    EXPECT_TRUE(s->dispatch.numberToChinese);
    EXPECT_FALSE(DecodeHandheldRecord(Bytes(163, 0xFF)));
}

TEST_F(HostSettingsTest, HandheldTextGbkCannotHoldIsRefusedBeforeSending)
{
    HandheldSettings s;
    s.dispatch.suffix = "好😀";
    EXPECT_FALSE(Said(DownloadHandheldSettings(exchange_, profile_, s)).ok);
    EXPECT_TRUE(Written().empty());
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{CheckHandheldSettings(s)}));
    EXPECT_FALSE(CheckHandheldSettings(s).empty());

    host_.State().fault = *ParseSimFault("silent");
    said_ = {};
    profile_.SetString("SHOUCHI", "CUICAIFRONT", "旧");
    s.dispatch.suffix = "新";
    EXPECT_FALSE(Said(DownloadHandheldSettings(exchange_, profile_, s)).ok);
    EXPECT_EQ(said_.Texts().back(), "手持呼叫器设置信息设置失败！");
    EXPECT_EQ(profile_.GetString("SHOUCHI", "CUICAIFRONT", ""), "旧");
    EXPECT_EQ(profile_.GetString("SHOUCHI", "DIAODUBEHIND", "none"), "none");
}

} // namespace
} // namespace px
