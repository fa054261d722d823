#include "registry/CallerSheet.h"

#include "common/Csv.h"
#include "mock/DatabaseFixture.h"
#include "storage/Transaction.h"

#include <algorithm>
#include <cstdio>

namespace px {
namespace {

class CallerSheetTest : public test::DatabaseFixture
{
protected:
    void SetUp() override
    {
        DatabaseFixture::SetUp();
        AddFile("店", 0);
        AddMachine("店", 7);
        AddMachine("店", 9);
        ASSERT_TRUE(db_.Execute(
            "insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,DeviceNo3,"
            "DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,FileName) values "
            "('a1b2c1',3,'八号桌','结账',7,-1,-1,-1,-1,-1,-1,-1,0,0,'店')"));
        target_ = {"店", FileType::PX, HostModel::None, {"呼叫", "结账", "加水"}};
    }

    std::optional<SheetPreview> Preview(const std::string& bytes)
    {
        std::string error;
        auto preview = PreviewCallerSheet(db_, target_, bytes, error);
        error_ = error;
        return preview;
    }

    // Field texts of a stored key, in column order, "|" between them.
    std::string Stored(const std::string& code)
    {
        QueryResult rs(db_);
        EXPECT_TRUE(rs.Open(db_,
                            "select CallNo,CallName,KeyName,DeviceNo1,DeviceNo8,ZhuiHu,"
                            "CodeType from T_Device3 where CodeNo=? and FileName='店'",
                            {code}));
        if (rs.IsEof())
            return "(none)";
        std::string text;
        for (int i = 0; i < rs.GetFieldCount(); ++i) {
            std::string value;
            rs.GetFieldValue(i, value);
            text += (i ? "|" : "") + value;
        }
        return text;
    }

    static std::string Gbk(const std::string& utf8)
    {
        const GbkBytes bytes = *ToGbk(utf8);
        return std::string(bytes.begin(), bytes.end());
    }

    SheetTarget target_;
    std::string error_;
};

TEST_F(CallerSheetTest, AGbkSheetAddsKeysWithWhatRegistrationWouldGiveThem)
{
    const auto preview = Preview(Gbk("特征码,中文名称,备注\r\n"
                                     "123451,一号桌,窗边\r\n"
                                     "123452,一号桌,\r\n"
                                     "ABCDE1,二号桌,\r\n"));
    ASSERT_TRUE(preview.has_value()) << error_;
    EXPECT_EQ(preview->encoding, TextEncoding::Gbk);
    EXPECT_EQ(preview->ignoredColumns, (std::vector<std::string>{"备注"}));
    ASSERT_EQ(preview->Count(SheetAction::Add), 3);
    EXPECT_EQ(preview->rows[0].line, 2);
    std::string error;
    ASSERT_TRUE(ApplyCallerSheet(db_, "店", *preview, error)) << error;
    // One caller, one number (the next free: 4); key names by key number; the lowest pager
    // everywhere; no escalation; short codes.
    EXPECT_EQ(Stored("123451"), "4|一号桌|呼叫|7|7|0|0");
    EXPECT_EQ(Stored("123452"), "4|一号桌|结账|7|7|0|0");
    EXPECT_EQ(Stored("ABCDE1"), "5|二号桌|呼叫|7|7|0|0");
}

TEST_F(CallerSheetTest, AMissingColumnKeepsTheStoredValue)
{
    const auto preview = Preview("\xEF\xBB\xBF"
                                 "CodeNo,CallName,DeviceNo2,ZhuiHu\r\n"
                                 "A1B2C1,九号桌,9,删除追呼\r\n");
    ASSERT_TRUE(preview.has_value()) << error_;
    EXPECT_EQ(preview->encoding, TextEncoding::Utf8WithBom);
    ASSERT_EQ(preview->rows.size(), 1u);
    EXPECT_EQ(preview->rows[0].action, SheetAction::Change) << "matched in either letter case";
    EXPECT_EQ(preview->rows[0].changed,
              (std::vector<std::string>{"中文名称", "信息机2", "追呼类型"}));
    std::string error;
    ASSERT_TRUE(ApplyCallerSheet(db_, "店", *preview, error)) << error;
    EXPECT_EQ(Stored("a1b2c1"), "3|九号桌|结账|7|-1|2|0") << "the stored spelling is kept";
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open(db_, "select DeviceNo2 from T_Device3 where CodeNo='a1b2c1'"));
    EXPECT_EQ(FieldInt(rs, "DeviceNo2"), 9);
}

TEST_F(CallerSheetTest, EveryBadRowIsNamedAndNothingIsWritten)
{
    target_.fileType = FileType::QX; // 200 rows
    Transaction transaction(db_);
    ASSERT_TRUE(transaction.Began());
    for (int i = 0; i < 198; ++i) {
        char code[8];
        std::snprintf(code, sizeof code, "%05X1", i + 0x10000);
        ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,CallNo,ZhuiHu,CodeType,FileName) "
                                "values (?,1,0,0,'店')",
                                {std::string(code)}));
    }
    ASSERT_TRUE(transaction.Commit());
    const std::string before = Stored("a1b2c1");
    const auto preview = Preview("特征码,呼叫器号,中文名称,信息机1,追呼类型\r\n"
                                 "200001,1,ok,7,0\r\n"    // line 2: the 200th row
                                 "200002,1,full,7,0\r\n"  // line 3: past the QX capacity
                                 "12345,1,x,7,0\r\n"      // line 4: code length
                                 "200001,1,x,7,0\r\n"     // line 5: twice
                                 "300001,65536,x,7,0\r\n" // line 6: caller number
                                 "300002,1,x,500,0\r\n"   // line 7: pager range
                                 "300003,1,x,7,maybe\r\n" // line 8: escalation
                                 "300004,1,八号\xF0\x9F\x98\x80,7,0\r\n" // line 9: GBK
                                 "300005,1,x\r\n"                        // line 10: field count
                                 "A1B2C1,1,x,7,0\r\n");                  // line 11: a change
    ASSERT_TRUE(preview.has_value()) << error_;
    struct Expect
    {
        int line;
        SheetAction action;
        const char* says;
    };
    const std::vector<Expect> expected = {
        {2, SheetAction::Add, ""},
        {3, SheetAction::Refuse, "最多可以输入200个呼叫器！"},
        {4, SheetAction::Refuse, "not 6 or 12 hexadecimal digits"},
        {5, SheetAction::Refuse, "already in line 2"},
        {6, SheetAction::Refuse, "呼叫器号: caller number 65536 is outside 0..65535"},
        {7, SheetAction::Refuse, "信息机1: pager number 500 is outside 0..499"},
        {8, SheetAction::Refuse, "追呼类型"},
        {9, SheetAction::Refuse, "中文名称"},
        {10, SheetAction::Refuse, "3 fields, the first line has 5"},
        {11, SheetAction::Change, ""},
    };
    ASSERT_EQ(preview->rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const SheetRow& row = preview->rows[i];
        EXPECT_EQ(row.line, expected[i].line);
        EXPECT_EQ(row.action, expected[i].action) << "line " << row.line << ": " << row.reason;
        EXPECT_NE(row.reason.find(expected[i].says), std::string::npos)
            << "line " << row.line << ": " << row.reason;
    }
    std::string error;
    EXPECT_FALSE(ApplyCallerSheet(db_, "店", *preview, error));
    EXPECT_NE(error.find("8 rows are refused"), std::string::npos) << error;
    EXPECT_EQ(Stored("200001"), "(none)");
    EXPECT_EQ(Stored("a1b2c1"), before);
}

TEST_F(CallerSheetTest, AFileThatIsNoCallerListIsRefusedWhole)
{
    struct Case
    {
        const char* what;
        std::string bytes;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"neither UTF-8 nor GBK", "CodeNo\r\n\x80\xFF\r\n", "neither UTF-8 nor GBK"},
        {"no known column", "Name,Table\r\nx,y\r\n", "names no caller column"},
        {"no feature code", "中文名称\r\nx\r\n", "no 特征码 (CodeNo) column"},
        {"a column twice", "CodeNo,特征码\r\n", "appears twice"},
        {"an open quote", "CodeNo\r\n\"A1B2C1\r\n", "line 2: a quoted field is not closed"},
        {"empty", "", "empty"},
        {"too large", std::string(kMaxSheetBytes + 1, 'a'), "more than the"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Preview(c.bytes).has_value()) << c.what;
        EXPECT_NE(error_.find(c.says), std::string::npos) << c.what << ": " << error_;
    }
}

TEST_F(CallerSheetTest, AnExportReadsBackToTheSameRows)
{
    ASSERT_TRUE(db_.Execute(
        "insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,DeviceNo3,"
        "DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,FileName) values "
        "('0123456789AB',65535,'\"引号\", 逗号','两行\r\n文字',9,7,-1,-1,-1,-1,-1,499,1,1,'店')"));
    for (TextEncoding encoding : {TextEncoding::Utf8WithBom, TextEncoding::Gbk}) {
        std::string error;
        const auto sheet = ExportCallerSheet(db_, "店", encoding, error);
        ASSERT_TRUE(sheet.has_value()) << error;
        const auto preview = Preview(*sheet);
        ASSERT_TRUE(preview.has_value()) << error_;
        EXPECT_EQ(preview->encoding, encoding);
        EXPECT_EQ(preview->Count(SheetAction::Unchanged), 2) << EncodingName(encoding);
        EXPECT_EQ(preview->rows.size(), 2u);
    }

    // A text GBK cannot hold can only go out as UTF-8.
    ASSERT_TRUE(
        db_.Execute("update T_Device3 set CallName='\xF0\x9F\x98\x80' where CodeNo='a1b2c1'"));
    std::string error;
    EXPECT_FALSE(ExportCallerSheet(db_, "店", TextEncoding::Gbk, error).has_value());
    EXPECT_NE(error.find("UTF-8"), std::string::npos) << error;
    EXPECT_TRUE(ExportCallerSheet(db_, "店", TextEncoding::Utf8WithBom, error).has_value());
}

// Texts a spreadsheet would take for a formula go out guarded by an apostrophe, and come back
// exactly as they were; a text that is only a number stays text.
TEST_F(CallerSheetTest, FormulaLikeTextsAreGuardedAndReadBackExactly)
{
    const struct
    {
        const char* name; // CallName
        const char* cell; // what the spreadsheet cell holds
    } cases[] = {
        {"=HYPERLINK(\"http://x\",\"y\")", "'=HYPERLINK(\"http://x\",\"y\")"},
        {"+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0"},
        {"-2+3", "'-2+3"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tTab", "'\tTab"},
        {"\rReturn", "'\rReturn"},
        {"'quoted", "''quoted"},
        {"12", "12"},
        {"八号桌", "八号桌"},
    };
    int codeNumber = 0;
    std::vector<std::string> codes;
    for (const auto& c : cases) {
        char code[8];
        std::snprintf(code, sizeof code, "B%04X1", codeNumber++);
        codes.emplace_back(code);
        ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,ZhuiHu,"
                                "CodeType,FileName) values (?,1,?,?,0,0,'店')",
                                {std::string(code), c.name, c.name}));
    }
    for (TextEncoding encoding : {TextEncoding::Utf8WithBom, TextEncoding::Gbk}) {
        std::string error;
        const auto sheet = ExportCallerSheet(db_, "店", encoding, error);
        ASSERT_TRUE(sheet.has_value()) << error;
        std::string error2;
        const auto text = DecodeUtf8OrGbk(*sheet, error2);
        ASSERT_TRUE(text.has_value()) << error2;
        const auto records = ParseCsv(text->utf8, error2);
        ASSERT_TRUE(records.has_value()) << error2;
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const auto row =
                std::find_if(records->begin(), records->end(), [&](const CsvRecord& r) {
                    return !r.fields.empty() && r.fields[0] == codes[i];
                });
            ASSERT_NE(row, records->end()) << codes[i];
            EXPECT_EQ(row->fields[2], cases[i].cell) << "the cell a spreadsheet opens";
            EXPECT_EQ(row->fields[3], cases[i].cell) << "the key name too";
        }
        const auto preview = Preview(*sheet);
        ASSERT_TRUE(preview.has_value()) << error_;
        EXPECT_EQ(preview->Count(SheetAction::Unchanged), static_cast<int>(std::size(cases)) + 1)
            << EncodingName(encoding) << ": every text reads back as it was";
    }
    // Written back over the stored rows, nothing changes.
    const auto again = Preview(*ExportCallerSheet(db_, "店", TextEncoding::Gbk, error_));
    ASSERT_TRUE(again.has_value()) << error_;
    ASSERT_TRUE(ApplyCallerSheet(db_, "店", *again, error_)) << error_;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(Stored(codes[i]),
                  "1|" + std::string(cases[i].name) + "|" + cases[i].name + "|||0|0")
            << codes[i];
}

} // namespace
} // namespace px
