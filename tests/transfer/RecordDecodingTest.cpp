#include "transfer/RecordDecoding.h"

#include "common/Gbk.h"
#include "mock/TempFolder.h"
#include "transfer/TableDownload.h"

#include <fstream>
#include <gtest/gtest.h>

namespace px {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Row = BrowserRow;

Bytes Gbk(const char* utf8)
{
    return *ToGbk(utf8);
}

// A caller record as the host returns it: all 0xFF, then the given bytes from an offset.
struct CallerBytes
{
    CallerBytes() { bytes.fill(0xFF); }
    CallerBytes& At(std::size_t offset, const Bytes& values)
    {
        std::copy(values.begin(), values.end(), bytes.begin() + static_cast<long>(offset));
        return *this;
    }
    Row Decode() const { return DecodeCallerRecord(bytes); }
    std::array<std::uint8_t, 100> bytes;
};

void Append(Bytes& file, std::span<const std::uint8_t> record)
{
    file.insert(file.end(), record.begin(), record.end());
}

TEST(RecordDecodingTest, InformationMachinesShowPagerAddressAndType)
{
    // The two records of a read-back of pager 3 at address 123 and pager 7 at 2097151, as the
    // information machine download writes them.
    Bytes file;
    Append(file, MakeInfoMachineRecord(3, "123", "1", "0", "0"));
    Append(file, MakeInfoMachineRecord(7, "2097151", "4", "2", "1"));
    ASSERT_EQ(file.size(), 60u);
    EXPECT_EQ(DecodeRecords(BrowserMode::InfoMachines, file),
              (std::vector<Row>{{"3", "123", "LW2/LW1"}, {"7", "2097151", "LW3"}}));

    struct Case
    {
        std::uint8_t pagerHigh, pagerLow, typeByte;
        Row shown;
    };
    const std::vector<Case> cases = {
        {0x01, 0xF3, 0xF0, {"499", "0", "BX-2"}},
        {0x00, 0x00, 0xF2, {"0", "0", "num"}},
        {0xFF, 0xFF, 0xF3, {"65535", "0", "en"}},
        {0x00, 0x01, 0x0C, {"1", "0", "LW3"}}, // only bits 0-2 carry the type
        {0x00, 0x02, 0xF7, {"2", "0", "7"}},   // a code no download writes shows as its number
    };
    for (const Case& c : cases) {
        std::array<std::uint8_t, 30> record{};
        record[0] = c.pagerHigh;
        record[1] = c.pagerLow;
        record[3] = c.typeByte;
        EXPECT_EQ(DecodeInfoMachineRecord(record), c.shown) << c.shown[0];
    }
}

TEST(RecordDecodingTest, OnlyWholeRecordsBecomeRows)
{
    struct Case
    {
        BrowserMode mode;
        std::size_t fileSize;
        std::size_t rows;
    };
    const std::vector<Case> cases = {
        {BrowserMode::InfoMachines, 95, 3}, {BrowserMode::InfoMachines, 29, 0},
        {BrowserMode::InfoMachines, 0, 0},  {BrowserMode::Callers, 299, 2},
        {BrowserMode::Callers, 300, 3},     {BrowserMode::Handhelds, 17, 2},
    };
    for (const Case& c : cases) {
        // 0x01 everywhere: a handheld code 0101 is a real one, so no row is dropped for its code.
        const Bytes file(c.fileSize, 0x01);
        EXPECT_EQ(DecodeRecords(c.mode, file).size(), c.rows)
            << static_cast<int>(c.mode) << " " << c.fileSize;
    }
}

TEST(RecordDecodingTest, CallerCodeKindAndFeatureCodeFollowTheMarker)
{
    struct Case
    {
        Bytes head; // bytes 0-7
        const char* kind;
        const char* code;
    };
    const std::vector<Case> cases = {
        {{0x55, 0xA1, 0xB2, 0xC3, 0xFF, 0xFF, 0xFF, 0xFF}, "0", "A1B2C3"},
        {{0x5A, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xFF}, "1", "0123456789AB"},
        // Any marker but 0x55 is the long code; the bytes show as they are.
        {{0x00, 0x0A, 0x0B, 0x0C, 0xFF, 0xFF, 0xFF, 0x77}, "1", "0A0B0CFFFFFF"},
        {{0x55, 0x00, 0x00, 0x01, 0x99, 0x99, 0x99, 0x99}, "0", "000001"},
    };
    for (const Case& c : cases) {
        const Row row = CallerBytes().At(0, c.head).Decode();
        ASSERT_EQ(row.size(), 14u);
        EXPECT_EQ(row[0], c.kind) << c.code;
        EXPECT_EQ(row[1], c.code);
    }
}

TEST(RecordDecodingTest, CallerNumbersDevicesAndEscalation)
{
    const Row row = CallerBytes()
                        .At(0, {0x55, 1, 2, 3})
                        .At(8, {0x2C, 0x01})                          // caller 300, low byte first
                        .At(68, {0x0C, 0x00, 0xFF, 0xFF, 0xFF, 0x00}) // 12, none, 255
                        .At(74, {0x00, 0xFF, 0x00, 0x00})             // 65280, 0
                        .At(84, {0x05})
                        .Decode();
    EXPECT_EQ(row[2], "300");
    EXPECT_EQ((Row(row.begin() + 5, row.begin() + 13)),
              (Row{"12", "", "255", "65280", "0", "", "", ""}));
    EXPECT_EQ(row[13], "删除追呼");

    struct Case
    {
        std::uint8_t byte;
        const char* shown;
    };
    for (const Case c :
         {Case{0, "不追呼"}, Case{1, "追呼"}, Case{2, "删除追呼"}, Case{0xFF, "删除追呼"}}) {
        EXPECT_EQ(CallerBytes().At(84, {c.byte}).Decode()[13], c.shown) << int(c.byte);
    }
}

TEST(RecordDecodingTest, CallerTextsAreGbkUpToTheirFill)
{
    struct Case
    {
        Bytes name;    // from byte 10, at most 10 bytes
        Bytes message; // from byte 20, at most 48 bytes
        const char* shownName;
        const char* shownMessage;
    };
    // A name cut at the field's end inside its next character.
    Bytes cutName = Gbk("一二三四x");
    cutName.push_back(Gbk("五")[0]);
    const std::vector<Case> cases = {
        {Gbk("张三丰"), Gbk("请到前台"), "张三丰", "请到前台"},     {{}, {}, "", ""},
        {Gbk("一二三四五"), Gbk("A1"), "一二三四五", "A1"},         {cutName, {}, "一二三四x", ""},
        {{'a', 'b', 0x00, 'c'}, {'o', 'k', 0x00, 'z'}, "ab", "ok"},
    };
    for (const Case& c : cases) {
        const Row row = CallerBytes().At(10, c.name).At(20, c.message).Decode();
        EXPECT_EQ(row[3], c.shownName);
        EXPECT_EQ(row[4], c.shownMessage);
    }
}

TEST(RecordDecodingTest, HandheldSlotsWithoutACodeGiveNoRow)
{
    struct Case
    {
        std::array<std::uint8_t, 6> record;
        std::optional<Row> shown;
    };
    const std::vector<Case> cases = {
        {{0x05, 0x00, 0x00, 0xFF, 0xFF, 0xFF}, std::nullopt},
        {{0x05, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, std::nullopt},
        {{0x05, 0x1A, 0x2B, 0xFF, 0xFF, 0xFF}, Row{"5", "1A2B"}},
        {{0xFF, 0x00, 0x01, 0x00, 0x00, 0x00}, Row{"255", "0001"}},
        {{0x00, 0xFF, 0x00, 0xFF, 0xFF, 0xFF}, Row{"0", "FF00"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeHandheldRecord(c.record), c.shown) << int(c.record[1]);

    Bytes file;
    for (const Case& c : cases)
        Append(file, c.record);
    EXPECT_EQ(DecodeRecords(BrowserMode::Handhelds, file),
              (std::vector<Row>{{"5", "1A2B"}, {"255", "0001"}, {"0", "FF00"}}))
        << "empty slots leave no gap";
}

TEST(RecordDecodingTest, RecordFileMissingIsNotAnEmptyTable)
{
    test::TempFolder folder;
    EXPECT_FALSE(ReadRecordFile(BrowserMode::Callers, folder.File("RCall.txt")).has_value());

    {
        std::ofstream empty(PathFromUtf8(folder.File("RCall.txt")), std::ios::binary);
    }
    const auto none = ReadRecordFile(BrowserMode::Callers, folder.File("RCall.txt"));
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());

    {
        std::ofstream file(PathFromUtf8(folder.File("RSCCall.txt")), std::ios::binary);
        const Bytes bytes = {0x05, 0x1A, 0x2B, 0xFF, 0xFF, 0xFF, 0x06, 0x00, 0x00, 0xFF, 0xFF};
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    EXPECT_EQ(ReadRecordFile(BrowserMode::Handhelds, folder.File("RSCCall.txt")),
              (std::vector<Row>{{"5", "1A2B"}}));
}

TEST(RecordDecodingTest, ShownRowsMapBackToFieldValues)
{
    const auto machine = InfoMachineFromRow({"7", "2097151", "LW3"});
    ASSERT_TRUE(machine.has_value());
    EXPECT_EQ(machine->deviceNo, 7);
    EXPECT_EQ(machine->address, "2097151");
    EXPECT_EQ(machine->typeNo, 4);

    const auto caller = CallerFromRow({"1", "0123456789AB", "300", "张三", "请到前台", "12", "",
                                       "0", "65280", "", "3", "", "499", "删除追呼"});
    ASSERT_TRUE(caller.has_value());
    EXPECT_EQ(caller->codeType, 1);
    EXPECT_EQ(caller->codeNo, "0123456789AB");
    EXPECT_EQ(caller->callNo, 300);
    EXPECT_EQ(caller->callName, "张三");
    EXPECT_EQ(caller->keyName, "请到前台");
    EXPECT_EQ(caller->deviceNo, (std::array<int, 8>{12, -1, 0, 65280, -1, 3, -1, 499}));
    EXPECT_EQ(caller->zhuiHu, 2);

    const auto handheld = HandheldFromRow({"5", "1A2B"});
    ASSERT_TRUE(handheld.has_value());
    EXPECT_EQ(handheld->deviceNo, 5);
    EXPECT_EQ(handheld->address, "1A2B");
}

TEST(RecordDecodingTest, TextsMapToCodesWithAFallback)
{
    struct Case
    {
        const char* text;
        int typeNo;
        int zhuiHu;
    };
    const std::vector<Case> cases = {
        {"BX-2", 0, 2}, {"LW2/LW1", 1, 2},  {"num", 2, 2}, {"en", 3, 2},
        {"LW3", 4, 2},  {"7", 0, 2},        {"", 0, 2},    {"不追呼", 0, 0},
        {"追呼", 0, 1}, {"删除追呼", 0, 2}, {"lw3", 0, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TypeNoFromText(c.text), c.typeNo) << c.text;
        EXPECT_EQ(ZhuiHuFromText(c.text), c.zhuiHu) << c.text;
    }
}

TEST(RecordDecodingTest, RowsTheBrowserCannotShowAreRefused)
{
    EXPECT_FALSE(InfoMachineFromRow({"3", "123"}).has_value()) << "a cell missing";
    EXPECT_FALSE(InfoMachineFromRow({"", "123", "LW3"}).has_value());
    EXPECT_FALSE(InfoMachineFromRow({"3x", "123", "LW3"}).has_value());
    EXPECT_FALSE(HandheldFromRow({"5"}).has_value());
    EXPECT_FALSE(HandheldFromRow({"five", "1A2B"}).has_value());

    Row caller = {"0", "A1B2C3", "1", "", "", "", "", "", "", "", "", "", "", "追呼"};
    ASSERT_TRUE(CallerFromRow(caller).has_value());
    EXPECT_EQ(CallerFromRow(caller)->deviceNo,
              (std::array<int, 8>{-1, -1, -1, -1, -1, -1, -1, -1}));
    for (const std::size_t cell : {0u, 2u, 7u}) {
        Row broken = caller;
        broken[cell] = "?";
        EXPECT_FALSE(CallerFromRow(broken).has_value()) << cell;
    }
    caller.pop_back();
    EXPECT_FALSE(CallerFromRow(caller).has_value()) << "a cell missing";
}

// What a download sends comes back from the browser as the field values the import stores,
// within the limits of the records.
TEST(RecordDecodingTest, DownloadReadBackAndImportKeepTheCaller)
{
    CallerRow sent;
    sent.codeType = 1;
    sent.codeNo = "0123456789ab";
    sent.callNo = 65535;
    sent.callName = "一二三四五六"; // 12 bytes: cut to 10
    sent.keyName = "请到301房间";
    sent.devices = {0, 499, -1, -1, 7, -1, -1, 12};
    sent.escalation = 2;
    std::string error;
    const std::optional<CallerRecord> record = MakeCallerRecord(sent, error);
    ASSERT_TRUE(record.has_value()) << error;

    const auto back = CallerFromRow(DecodeCallerRecord(*record));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->codeType, 1);
    EXPECT_EQ(back->codeNo, "0123456789AB");
    EXPECT_EQ(back->callNo, 65535);
    EXPECT_EQ(back->callName, "一二三四五");
    EXPECT_EQ(back->keyName, sent.keyName);
    EXPECT_EQ(back->deviceNo, sent.devices);
    EXPECT_EQ(back->zhuiHu, 2);

    const auto handheld = HandheldFromRow(*DecodeHandheldRecord(MakeHandheldRecord(261, "1a2b")));
    ASSERT_TRUE(handheld.has_value());
    EXPECT_EQ(handheld->deviceNo, 5) << "the low byte only";
    EXPECT_EQ(handheld->address, "1A2B");
}

} // namespace
} // namespace px
