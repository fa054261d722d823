#include "transfer/RecordDecoding.h"

#include "common/Gbk.h"
#include "mock/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace px {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Row = std::vector<std::string>; // a row's cells as the read-back browser shows them

// The rows of a table's records, shown.
std::vector<Row> Shown(TableKind kind, const Bytes& bytes)
{
    return ReadBackRows::Decode(kind, bytes).ShownCells();
}

template <typename R>
Row ShownRecord(const RegistrationTable<R>& table, std::span<const std::uint8_t> record)
{
    return table.shownCells(*table.decode(record));
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
    Row Decode() const { return ShownRecord(CallerTable(), bytes); }
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
    EXPECT_EQ(Shown(TableKind::InfoMachines, file),
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
        EXPECT_EQ(ShownRecord(InfoMachineTable(), record), c.shown) << c.shown[0];
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
    EXPECT_EQ(row[13], "5") << "a code no download writes shows as its number";

    struct Case
    {
        std::uint8_t byte;
        const char* shown;
    };
    for (const Case c : {Case{0, "不追呼"}, Case{1, "追呼"}, Case{2, "删除追呼"}, Case{3, "3"},
                         Case{0xFF, "255"}}) {
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
    for (const Case& c : cases) {
        const auto row = HandheldTable().decode(c.record);
        EXPECT_EQ(row ? std::optional<Row>(HandheldTable().shownCells(*row)) : std::nullopt,
                  c.shown)
            << int(c.record[1]);
    }

    Bytes file;
    for (const Case& c : cases)
        Append(file, c.record);
    EXPECT_EQ(Shown(TableKind::Handhelds, file),
              (std::vector<Row>{{"5", "1A2B"}, {"255", "0001"}, {"0", "FF00"}}))
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
    EXPECT_EQ(rows->ShownCells(), (std::vector<Row>{{"5", "1A2B"}}));
    EXPECT_EQ(std::get<std::vector<HandheldRow>>(rows->Typed()),
              (std::vector<HandheldRow>{{5, "1A2B", ""}}));
}

// The rows a read-back brings are typed: the values an import writes, not texts parsed back.
TEST(RecordDecodingTest, RecordsDecodeToTheValuesTheyHold)
{
    const auto machine = InfoMachineTable().decode(InfoRecord(7, "2097151", {4, 2, 1}));
    ASSERT_TRUE(machine.has_value());
    EXPECT_EQ(*machine, (InfoMachineRow{7, "2097151", "", 4}));

    const Row cells = CallerBytes()
                          .At(0, {0x5A, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB})
                          .At(8, {0x2C, 0x01})
                          .At(10, Gbk("张三"))
                          .At(68, {0x0C, 0x00})
                          .At(84, {0x01})
                          .Decode();
    EXPECT_EQ(cells[1], "0123456789AB");
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
