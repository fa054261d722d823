#include "registry/Callers.h"

#include "hostlink/HostFixture.h"
#include "mock/ScratchDatabase.h"
#include "registry/CallerTypes.h"
#include "storage/Transaction.h"

#include <algorithm>
#include <tuple>

namespace px {
namespace {

// Callers against a database and a simulated host that reports key presses.
class CallersTest : public test::HostFixture
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch_.Create());
        ASSERT_TRUE(db_.Execute("insert into T_FileName (FileName) values ('f'),('other')"));
        request_.types = {{"单键0", 1, 0}, {"三键", 3, 7}, {"二四", 2, 10}, {"五键", 5, 31}};
        request_.keyNames = {"呼叫", "结账", "加水", "点菜", "取消"};
        request_.fileName = "f";
    }

    RegistrationResult Register(int type)
    {
        request_.typePosition = type;
        RegistrationResult result = RegisterCallers(db_, &exchange_, request_);
        said_.Append(result.notices);
        return result;
    }

    Notices said_; // what the registrations told, in order

    void Press(Bytes answer) { host_.State().presses.push_back(std::move(answer)); }

    std::vector<std::string> Codes()
    {
        std::vector<std::string> codes;
        QueryResult rs(db_);
        EXPECT_TRUE(rs.Open(db_, "select * from T_Device3 where FileName='f' order by rowid"));
        for (; !rs.IsEof(); rs.MoveNext()) {
            std::string code;
            rs.GetFieldValue("CodeNo", code);
            codes.push_back(code);
        }
        return codes;
    }

    std::string Field(const std::string& code, const char* field)
    {
        QueryResult rs(db_);
        EXPECT_TRUE(
            rs.Open(db_, "select * from T_Device3 where CodeNo=? and FileName='f'", {code}));
        std::string value;
        rs.GetFieldValue(field, value);
        return value;
    }

    test::ScratchDatabase scratch_{folder_};
    Database& db_ = scratch_.Db();
    RegistrationRequest request_;
};

TEST_F(CallersTest, AutomaticSingleKeyStoresTheReportedCode)
{
    Press({0x55, 0x12, 0x34, 0x51});
    const auto result = Register(0);
    EXPECT_EQ(Codes(), (std::vector<std::string>{"123451"}));
    EXPECT_EQ(Field("123451", "CodeType"), "0");
    EXPECT_EQ(Field("123451", "KeyName"), "呼叫");
    EXPECT_EQ(Field("123451", "DeviceNo1"), "-1") << "no information machine registered";
    EXPECT_EQ(Field("123451", "ZhuiHu"), "0");
    ASSERT_EQ(result.added.size(), 1u);
    EXPECT_EQ(result.added[0].devices[0], kNoTarget);
    EXPECT_EQ(result.added[0].zhuiHu, 0);

    Press({0x5A, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xB1});
    Register(0);
    EXPECT_EQ(Field("123456789AB1", "CodeType"), "1") << "any status but 55 is a long code";
}

TEST_F(CallersTest, AutomaticRefusals)
{
    struct Case
    {
        int type;
        Bytes answer;
        const char* message;
    };
    const std::vector<Case> cases = {
        {0, {0x55, 0x12, 0x34, 0x53}, "请正确选择呼叫器类型！"},
        {1, {0x55, 0x12, 0x34, 0x55}, "请正确选择呼叫器类型！"},
        {0, {0x66, 0x1A, 0x2B}, "请正确进行手持呼叫器进行设置！"},
    };
    for (const Case& c : cases) {
        said_ = {};
        Press(c.answer);
        EXPECT_TRUE(Register(c.type).added.empty());
        EXPECT_EQ(said_.Texts(), (std::vector<std::string>{c.message}));
    }
    said_ = {};
    EXPECT_TRUE(Register(0).added.empty()) << "no press queued: the host stays silent";
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"获取手持呼叫器特征码失败！"}));
    EXPECT_TRUE(Codes().empty());
}

TEST_F(CallersTest, KeySelectionPicksTheKeyNumbers)
{
    Press({0x55, 0x12, 0x34, 0x51});
    const auto three = Register(1);
    EXPECT_EQ(Codes(), (std::vector<std::string>{"123451", "123452", "123453"}));
    EXPECT_EQ(Field("123453", "KeyName"), "加水");
    ASSERT_EQ(three.added.size(), 3u);
    EXPECT_EQ(three.added[2].codeNo, "123453");

    Press({0x55, 0xAB, 0xCD, 0xE2});
    Register(2);
    EXPECT_EQ(Field("ABCDE2", "KeyName"), "呼叫");
    EXPECT_EQ(Field("ABCDE4", "KeyName"), "结账");
    EXPECT_EQ(Field("ABCDE1", "KeyName"), "");
}

TEST_F(CallersTest, EveryKeyOfACallerSharesItsNumberAndTheDefaultDevice)
{
    request_.numberList = {"7", "9"};
    Press({0x55, 0x11, 0x11, 0x11});
    Register(1);
    Press({0x55, 0x22, 0x22, 0x21});
    Register(0);
    EXPECT_EQ(Field("111111", "CallNo"), "1");
    EXPECT_EQ(Field("111113", "CallNo"), "1");
    EXPECT_EQ(Field("222221", "CallNo"), "2");
    EXPECT_EQ(Field("111112", "DeviceNo8"), "7");
    request_.numberList = {"", "9"}; // pager 0 first: no default
    Press({0x55, 0x33, 0x33, 0x31});
    Register(0);
    EXPECT_EQ(Field("333331", "DeviceNo1"), "-1");
}

TEST_F(CallersTest, ManualRunsWithAndWithoutPlusOne)
{
    request_.manual = true;
    request_.manualCode = "1234F";
    request_.runFrom = "1";
    request_.runTo = "3";
    request_.plusOne = true;
    const auto result = Register(0);
    EXPECT_EQ(Codes(), (std::vector<std::string>{"1234F1", "123501", "123511"}));
    EXPECT_EQ(result.manualCode, "12352");

    EXPECT_TRUE(said_.Empty()) << "nothing was skipped";

    request_.manualCode = "ABCDE";
    request_.plusOne = false;
    const auto once = Register(0);
    EXPECT_EQ(once.added.size(), 1u) << "the later passes find the code registered";
    EXPECT_EQ(once.manualCode, "ABCDE");
    EXPECT_EQ(once.skipped, (std::vector<std::string>{"ABCDE1"}));
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"以下特征码已经登记过，没有改动：ABCDE1"}))
        << "said once, at the end of the run";
}

TEST_F(CallersTest, ManualCodeChecks)
{
    request_.manual = true;
    for (const auto& [code, message] : std::vector<std::pair<std::string, std::string>>{
             {"", "特征码不能为空！"}, {"123", "特征码的长度必须为五位！"}}) {
        said_ = {};
        request_.manualCode = code;
        const auto result = Register(0);
        EXPECT_TRUE(result.focusCode);
        EXPECT_EQ(said_.Texts(), (std::vector<std::string>{message}));
    }
    request_.manualCode = "12345";
    request_.runFrom = "3";
    request_.runTo = "2";
    EXPECT_TRUE(Register(0).added.empty()) << "a run from 3 to 2 does nothing";
}

TEST_F(CallersTest, TypeChecks)
{
    request_.types.push_back({"坏", 0, 0});
    request_.types.push_back({"十", 10, 0});
    EXPECT_TRUE(Register(-1).added.empty());
    EXPECT_TRUE(Register(4).added.empty());
    EXPECT_TRUE(Register(5).added.empty());
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"呼叫器类型没有添加，请认证操作！",
                                                       "键值个数输入有误，请认真操作！",
                                                       "键值个数不能超过10，请认真操作！"}));
}

TEST_F(CallersTest, TheQxLimitStopsInTheMiddleOfACaller)
{
    Transaction transaction(db_);
    ASSERT_TRUE(transaction.Began());
    for (int i = 0; i < 199; ++i)
        ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,FileName) values (?,'f')",
                                {"F" + std::to_string(100000 + i)}));
    ASSERT_TRUE(transaction.Commit());
    request_.fileType = FileType::QX;
    Press({0x55, 0x12, 0x34, 0x51});
    const auto result = Register(1);
    EXPECT_EQ(result.added.size(), 1u);
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"最多可以输入200个呼叫器！"}));
}

const CallerCellColumn& Column(std::string_view name)
{
    return *std::find_if(kCallerCellColumns.begin(), kCallerCellColumns.end(),
                         [&](const CallerCellColumn& c) { return c.name == name; });
}

TEST_F(CallersTest, CellEditsWriteTheRowTheEditStartedOn)
{
    ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,CodeType,DeviceNo1,FileName) values "
                            "('A1B2C1',0,5,'f'),('A1B2C1',0,5,'other')"));
    const struct
    {
        const char* column;
        std::string text;
        const char* stored;
    } cases[] = {
        {"DeviceNo1", "", "-1"},   {"DeviceNo8", "12", "12"},    {"ZhuiHu", "删除追呼", "2"},
        {"ZhuiHu", "不追呼", "0"}, {"ZhuiHu", "追呼", "1"},      {"CallName", "O'Brien", "O'Brien"},
        {"CallNo", "300", "300"},  {"CallNo", "65535", "65535"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(UpdateCallerCell(db_, "f", "A1B2C1", Column(c.column), c.text).written)
            << c.column;
        EXPECT_EQ(Field("A1B2C1", c.column), c.stored) << c.column;
    }
    EXPECT_TRUE(UpdateCallerCell(db_, "f", "A1B2C1", Column("CodeNo"), "0123456789AB").written);
    EXPECT_EQ(Field("0123456789AB", "CodeType"), "1") << "the code type follows the length";
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open(db_, "select * from T_Device3 where FileName='other' and CallNo is null"));
    EXPECT_EQ(rs.GetRecordCount(), 1) << "the other file's row is untouched";
}

// A cell takes only what every other way in takes: a refused edit writes nothing, puts the
// stored value back and says why.
TEST_F(CallersTest, ACellValueTheRulesRefuseIsPutBackWithTheReason)
{
    ASSERT_TRUE(db_.Execute(
        "insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,ZhuiHu,CodeType,FileName)"
        " values ('A1B2C1',300,'八号','结账',5,1,0,'f'),('A1B2C2',301,'','',-1,0,0,'f')"));
    const struct
    {
        const char* column;
        std::string text;
        const char* shown; // the stored value, shown again
        const char* reason;
    } cases[] = {
        {"CodeNo", "ZZZZZ1", "A1B2C1", "is not 6 or 12 hexadecimal digits"},
        {"CodeNo", "A1B2C", "A1B2C1", "is not 6 or 12 hexadecimal digits"},
        {"CodeNo", "A1B2C2", "A1B2C1", "is in the file already"},
        {"CallNo", "65536", "300", "caller number 65536 is outside"},
        {"CallNo", "abc", "300", "is not a whole number"},
        {"CallNo", "", "300", "is not a whole number"},
        {"CallName", "八号\xF0\x9F\x98\x80", "八号", "holds a character the host cannot show"},
        {"KeyName", "\xF0\x9F\x98\x80", "结账", "holds a character the host cannot show"},
        {"DeviceNo1", "500", "5", "pager number 500 is outside"},
        {"DeviceNo1", "12ab", "5", "is not a whole number"},
        {"ZhuiHu", "催", "追呼", "is not a whole number"},
        {"ZhuiHu", "3", "追呼", "escalation 3 is outside"},
    };
    for (const auto& c : cases) {
        const CellEditResult result =
            UpdateCallerCell(db_, "f", "A1B2C1", Column(c.column), c.text);
        EXPECT_FALSE(result.written) << c.text;
        EXPECT_EQ(result.restore, std::optional<std::string>(c.shown)) << c.text;
        EXPECT_NE(result.refusal.find(c.reason), std::string::npos) << result.refusal;
        EXPECT_EQ(result.refusal.find(CallerColumnNamed(c.column)->title), 0u)
            << "names the column: " << result.refusal;
    }
    EXPECT_EQ(Codes(), (std::vector<std::string>{"A1B2C1", "A1B2C2"}));
    EXPECT_EQ(Field("A1B2C1", "CallNo"), "300");
    EXPECT_EQ(Field("A1B2C1", "DeviceNo1"), "5");
    EXPECT_EQ(Field("A1B2C1", "ZhuiHu"), "1");
    EXPECT_FALSE(UpdateCallerCell(db_, "f", "", Column("CallName"), "x").written)
        << "no row of that code: nothing changes";
}

TEST_F(CallersTest, RegistrationRefusesACallerNumberOrNameTheHostCannotKeep)
{
    request_.manual = true;
    request_.manualCode = "1234F";
    for (const auto& [number, name, says] :
         {std::tuple{"65536", "", "呼叫器号必须在0到65535之间"},
          std::tuple{"", "\xF0\x9F\x98\x80",
                     "呼叫器名称含有主机无法显示的字符，请修改后再登记！"}}) {
        request_.callerNumber = number;
        request_.callerName = name;
        said_ = {};
        EXPECT_TRUE(Register(0).added.empty());
        EXPECT_EQ(said_.Texts(), (std::vector<std::string>{says}));
    }
    EXPECT_TRUE(Codes().empty());

    // The next free number past 65535 cannot be given either.
    ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,CallNo,CodeType,FileName) values "
                            "('AAAAA1',65535,0,'f')"));
    request_.callerNumber.clear();
    request_.callerName.clear();
    said_ = {};
    EXPECT_TRUE(Register(0).added.empty());
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"呼叫器号必须在0到65535之间"}));
    EXPECT_EQ(Codes(), (std::vector<std::string>{"AAAAA1"}));
}

TEST_F(CallersTest, DeletingOneKeyOrKeysOneToNine)
{
    ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,FileName) values ('0A1B21','f'),"
                            "('0A1B22','f'),('0A1B29','f'),('0A1B20','f'),('0A1B2A','f'),"
                            "('0A1B21','g')"));
    EXPECT_EQ(DeleteCallerKeyQuestion("0A1B21"), "确定要删除0A1B21特征码吗？");
    EXPECT_EQ(DeleteCallerKeysQuestion("0A1B23"), "确定要删除0A1B2类特征码吗？");
    EXPECT_TRUE(DeleteCallerKey(db_, "f", "0A1B21"));
    EXPECT_EQ(Codes(), (std::vector<std::string>{"0A1B22", "0A1B29", "0A1B20", "0A1B2A"}))
        << "only that key of that file";

    EXPECT_TRUE(DeleteCallerKeys(db_, "f", "0A1B23"));
    EXPECT_EQ(Codes(), (std::vector<std::string>{"0A1B20", "0A1B2A"}));
}

TEST_F(CallersTest, TypedCodesKeepOnlyHexadecimalDigits)
{
    for (const auto& [typed, kept] : std::vector<std::pair<std::string, std::string>>{
             {"12aF", "12aF"}, {"12G", "12"}, {"zz9x", "9"}, {"", ""}}) {
        EXPECT_EQ(FilterFeatureCode(typed), kept) << typed;
    }
    EXPECT_EQ(AdvanceCallerPart("1234F1"), "12350");
    EXPECT_EQ(AdvanceCallerPart("FFFFF1"), "00000");
}

TEST_F(CallersTest, CallerTypesFromTheKeyToggles)
{
    EXPECT_EQ(KeySelection({false, true, false, false, true}), 18u);
    EXPECT_EQ(KeyCount({false, true, false, false, true}), 2);
    ASSERT_EQ(AddCallerType(db_, "二五", {false, true, false, false, true}),
              CallerTypeAdded::Added);
    ASSERT_EQ(AddCallerType(db_, "", {false, false, false, false, false}), CallerTypeAdded::Added);
    EXPECT_EQ(AddCallerType(db_, "二五", {true, true, true, false, false}),
              CallerTypeAdded::NameTaken);
    ASSERT_TRUE(UpdateCallerType(db_, "二五", {true, false, false, false, false}));
    const auto types = ListCallerTypesByName(db_);
    const auto it =
        std::find_if(types.begin(), types.end(), [](auto& t) { return t.name == "二五"; });
    ASSERT_NE(it, types.end());
    EXPECT_EQ(it->keyCount, 1);
    EXPECT_EQ(it->keySelection, 1u);
    EXPECT_EQ(types.front().name, "") << "sorted by name, the empty name first";
    EXPECT_TRUE(DeleteCallerType(db_, "二五"));
    EXPECT_EQ(ListCallerTypesByName(db_).size(), types.size() - 1);
}

} // namespace
} // namespace px
