#include "transfer/RecordDecoding.h"

#include "common/Gbk.h"
#include "mock/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace px {
namespace {

using Bytes = std::vector<std::uint8_t>;
// The typed rows of a table's records: what an import writes and verify compares.
template <typename R> std::vector<R> Rows(const Bytes& bytes)
{
    return std::get<std::vector<R>>(ReadBackRows::Decode(TableOf<R>().kind, bytes).Typed());
}

// An information machine's record as the download writes it, for a receiver type given by its
// machine type, rate and polarity.
Bytes InfoRecord(int pager, const char* address, ReceiverType type)
{
    std::string why;
    return *InfoMachineTable().encode(InfoMachineRow{pager, address, "", 0}, {{0, type}}, why);
}

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
    CallerRow Decode() const { return *CallerTable().decode(bytes); }
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
    Append(file, InfoRecord(3, "123", {1, 0, 0}));
    Append(file, InfoRecord(7, "2097151", {4, 2, 1}));
    ASSERT_EQ(file.size(), 60u);
    EXPECT_EQ(Rows<InfoMachineRow>(file),
              (std::vector<InfoMachineRow>{{3, "123", "", 1}, {7, "2097151", "", 4}}));

    struct Case
    {
        std::uint8_t pagerHigh, pagerLow, typeByte;
        InfoMachineRow row;
    };
    const std::vector<Case> cases = {
        {0x01, 0xF3, 0xF0, {499, "0", "", 0}},
        {0x00, 0x00, 0xF2, {0, "0", "", 2}},
        {0xFF, 0xFF, 0xF3, {65535, "0", "", 3}},
        {0x00, 0x01, 0x0C, {1, "0", "", 4}}, // only bits 0-2 carry the type
        {0x00, 0x02, 0xF7, {2, "0", "", 7}}, // a code no download writes stays, for the rules
    };
    for (const Case& c : cases) {
        std::array<std::uint8_t, 30> record{};
        record[0] = c.pagerHigh;
        record[1] = c.pagerLow;
        record[3] = c.typeByte;
        EXPECT_EQ(InfoMachineTable().decode(record), c.row) << c.row.pager;
    }
}

TEST(RecordDecodingTest, OnlyWholeRecordsBecomeRows)
{
    struct Case
    {
        TableKind kind;
        std::size_t fileSize;
        std::size_t rows;
    };
    const std::vector<Case> cases = {
        {TableKind::InfoMachines, 95, 3}, {TableKind::InfoMachines, 29, 0},
        {TableKind::InfoMachines, 0, 0},  {TableKind::Callers, 299, 2},
        {TableKind::Callers, 300, 3},     {TableKind::Handhelds, 17, 2},
    };
    for (const Case& c : cases) {
        // 0x01 everywhere: a handheld code 0101 is a real one, so no row is dropped for its code.
        const Bytes file(c.fileSize, 0x01);
        EXPECT_EQ(ReadBackRows::Decode(c.kind, file).Count(), c.rows)
            << static_cast<int>(c.kind) << " " << c.fileSize;
    }
}

TEST(RecordDecodingTest, CallerCodeKindAndFeatureCodeFollowTheMarker)
{
    struct Case
    {
        Bytes head; // bytes 0-7
        int codeType;
        const char* code;
    };
    const std::vector<Case> cases = {
        {{0x55, 0xA1, 0xB2, 0xC3, 0xFF, 0xFF, 0xFF, 0xFF}, 0, "A1B2C3"},
        {{0x5A, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xFF}, 1, "0123456789AB"},
        // Any marker but 0x55 is the long code; the bytes come as they are.
        {{0x00, 0x0A, 0x0B, 0x0C, 0xFF, 0xFF, 0xFF, 0x77}, 1, "0A0B0CFFFFFF"},
        {{0x55, 0x00, 0x00, 0x01, 0x99, 0x99, 0x99, 0x99}, 0, "000001"},
    };
    for (const Case& c : cases) {
        const CallerRow row = CallerBytes().At(0, c.head).Decode();
        EXPECT_EQ(row.codeType, c.codeType) << c.code;
        EXPECT_EQ(row.codeNo, c.code);
    }
}

TEST(RecordDecodingTest, CallerNumbersDevicesAndEscalation)
{
    const CallerRow row = CallerBytes()
                              .At(0, {0x55, 1, 2, 3})
                              .At(8, {0x2C, 0x01}) // caller 300, low byte first
                              .At(68, {0x0C, 0x00, 0xFF, 0xFF, 0xFF, 0x00}) // 12, none, 255
                              .At(74, {0x00, 0xFF, 0x00, 0x00})             // 65280, 0
                              .At(84, {0x05})
                              .Decode();
    EXPECT_EQ(row.callNo, 300);
    EXPECT_EQ(row.devices, (std::array<int, kCallerTargets>{12, kNoTarget, 255, 65280, 0, kNoTarget,
                                                            kNoTarget, kNoTarget}));
    EXPECT_EQ(row.zhuiHu, 5) << "a code no download writes stays, for the rules to refuse";
    for (const int byte : {0, 1, 2, 3, 0xFF})
        EXPECT_EQ(CallerBytes().At(84, {static_cast<std::uint8_t>(byte)}).Decode().zhuiHu, byte);
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
        const CallerRow row = CallerBytes().At(10, c.name).At(20, c.message).Decode();
        EXPECT_EQ(row.callName, c.shownName);
        EXPECT_EQ(row.keyName, c.shownMessage);
    }
}

TEST(RecordDecodingTest, HandheldSlotsWithoutACodeGiveNoRow)
{
    struct Case
    {
        std::array<std::uint8_t, 6> record;
        std::optional<HandheldRow> row;
    };
    const std::vector<Case> cases = {
        {{0x05, 0x00, 0x00, 0xFF, 0xFF, 0xFF}, std::nullopt},
        {{0x05, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, std::nullopt},
        {{0x05, 0x1A, 0x2B, 0xFF, 0xFF, 0xFF}, HandheldRow{5, "1A2B", ""}},
        {{0xFF, 0x00, 0x01, 0x00, 0x00, 0x00}, HandheldRow{255, "0001", ""}},
        {{0x00, 0xFF, 0x00, 0xFF, 0xFF, 0xFF}, HandheldRow{0, "FF00", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HandheldTable().decode(c.record), c.row) << int(c.record[1]);

    Bytes file;
    for (const Case& c : cases)
        Append(file, c.record);
    EXPECT_EQ(Rows<HandheldRow>(file),
              (std::vector<HandheldRow>{{5, "1A2B", ""}, {255, "0001", ""}, {0, "FF00", ""}}))
        << "empty slots leave no gap";
}

TEST(RecordDecodingTest, RecordFileMissingIsNotAnEmptyTable)
{
    test::TempFolder folder;
    EXPECT_FALSE(ReadRecordFile(TableKind::Callers, folder.File("RCall.txt")).has_value());

    {
        std::ofstream empty(PathFromUtf8(folder.File("RCall.txt")), std::ios::binary);
    }
    const auto none = ReadRecordFile(TableKind::Callers, folder.File("RCall.txt"));
    ASSERT_TRUE(none.has_value());
    EXPECT_EQ(none->Count(), 0u);

    {
        std::ofstream file(PathFromUtf8(folder.File("RSCCall.txt")), std::ios::binary);
        const Bytes bytes = {0x05, 0x1A, 0x2B, 0xFF, 0xFF, 0xFF, 0x06, 0x00, 0x00, 0xFF, 0xFF};
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    const auto rows = ReadRecordFile(TableKind::Handhelds, folder.File("RSCCall.txt"));
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(std::get<std::vector<HandheldRow>>(rows->Typed()),
              (std::vector<HandheldRow>{{5, "1A2B", ""}}));
}

// The rows a read-back brings are typed: the values an import writes, not texts parsed back.
TEST(RecordDecodingTest, RecordsDecodeToTheValuesTheyHold)
{
    const auto machine = InfoMachineTable().decode(InfoRecord(7, "2097151", {4, 2, 1}));
    ASSERT_TRUE(machine.has_value());
    EXPECT_EQ(*machine, (InfoMachineRow{7, "2097151", "", 4}));

    CallerBytes bytes;
    bytes.At(0, {0x5A, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}).At(8, {0x2C, 0x01}).At(84, {0x07});
    const auto caller = CallerTable().decode(bytes.bytes);
    ASSERT_TRUE(caller.has_value());
    EXPECT_EQ(caller->codeType, 1);
    EXPECT_EQ(caller->codeNo, "0123456789AB");
    EXPECT_EQ(caller->callNo, 300);
    EXPECT_EQ(caller->devices, (std::array<int, 8>{-1, -1, -1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(caller->zhuiHu, 7) << "kept as the host holds it, for the rules to judge";
    EXPECT_FALSE(CheckRow(CallerTable(), *caller).empty()) << "an escalation past 2";
}

// What a download sends comes back from a read-back as the values the file holds, within the
// limits of the records.
TEST(RecordDecodingTest, DownloadAndReadBackKeepTheCaller)
{
    CallerRow sent;
    sent.codeType = 1;
    sent.codeNo = "0123456789ab";
    sent.callNo = 65535;
    sent.callName = "一二三四五六"; // 12 bytes: cut to 10
    sent.keyName = "请到301房间";
    sent.devices = {0, 499, -1, -1, 7, -1, -1, 12};
    sent.zhuiHu = 2;
    std::string error;
    const auto back = AsTheHostKeepsIt(CallerTable(), sent, {}, error);
    ASSERT_TRUE(back.has_value()) << error;
    CallerRow expected = sent;
    expected.codeNo = "0123456789AB";
    expected.callName = "一二三四五";
    EXPECT_EQ(*back, expected);

    const auto handheld =
        AsTheHostKeepsIt(HandheldTable(), HandheldRow{261, "1a2b", "x"}, {}, error);
    ASSERT_TRUE(handheld.has_value());
    EXPECT_EQ(*handheld, (HandheldRow{5, "1A2B", ""})) << "the low byte only; no remark";
    EXPECT_FALSE(AsTheHostKeepsIt(HandheldTable(), HandheldRow{1, "0000", ""}, {}, error))
        << "a code of 0000 reads back as an empty slot";
}

} // namespace
} // namespace px
