#include "registry/Callers.h"

#include "common/Hex.h"
#include "registry/Handhelds.h"
#include "storage/RegistrationTables.h"
#include "storage/RowRules.h"
#include "storage/Transaction.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

namespace px {

namespace {

// A leading decimal number, 0 when there is none.
int IntOf(const std::string& text)
{
    int value = 0;
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return 0;
    std::from_chars(text.data() + first, text.data() + text.size(), value);
    return value;
}

// Stores the keys of one caller; false when the file is full (the run stops there).
bool RegisterOneCaller(Database& db, const RegistrationRequest& request, const std::string& code,
                       int keyCount, int codeType, RegistrationResult& result)
{
    const std::string callerPart = code.substr(0, code.size() - 1);
    char digit = code.back();
    const std::string callerNumber =
        request.callerNumber.empty() ? std::to_string(NextNumber(db, "CallNo", "FileName=?",
                                                                 "T_Device3", {request.fileName}))
                                     : request.callerNumber;
    if (std::string why = CallerNumberRefusal(callerNumber); !why.empty()) {
        result.notices.Add(why); // the next free number has run past what the record holds
        return false;
    }
    unsigned selection = request.types[static_cast<std::size_t>(request.typePosition)].keySelection;
    const std::string firstNumber = request.numberList.empty() ? "" : request.numberList.front();
    const int device = firstNumber.empty() ? -1 : IntOf(firstNumber);

    for (int key = 0; key < keyCount; ++key) {
        if ((selection & 0x1Fu) != 0) {
            int bit = 0;
            while ((selection & (1u << bit)) == 0)
                ++bit;
            selection &= ~(1u << bit);
            digit = static_cast<char>('1' + bit);
        }
        const std::string keyCode = callerPart + digit;
        QueryResult rs(db);
        if (rs.Open(db, "select * from T_Device3 where FileName=?", {request.fileName})) {
            std::string full = CapacityMessage(CallerTable(), rs.GetRecordCount(),
                                               request.hostModel, request.fileType);
            if (!full.empty()) {
                result.notices.Add(std::move(full));
                return false;
            }
        }
        if (!rs.Open(db, "select * from T_Device3 where CodeNo=? and FileName=?",
                     {keyCode, request.fileName}))
            return false;
        if (!rs.IsEof()) {
            // Already registered: kept as it is, and said once the run is over.
            if (std::find(result.skipped.begin(), result.skipped.end(), keyCode) ==
                result.skipped.end())
                result.skipped.push_back(keyCode);
            continue;
        }
        if (static_cast<std::size_t>(key) >= request.keyNames.size()) {
            result.notices.Add("按键名称不足，第" + std::to_string(key + 1) +
                               "个按键无法登记，请先在按键名称表中添加！");
            continue;
        }
        const std::string& keyName = request.keyNames[static_cast<std::size_t>(key)];
        SqlParams params = {keyCode, std::int64_t{IntOf(callerNumber)}, request.callerName,
                            keyName};
        for (int i = 0; i < 8; ++i)
            params.emplace_back(std::int64_t{device});
        params.emplace_back(std::int64_t{codeType});
        params.emplace_back(request.fileName);
        if (!db.Execute("Insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,"
                        "DeviceNo2,DeviceNo3,DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,"
                        "CodeType,FileName) values (?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                        params))
            continue;
        CallerGridRow row;
        row[0] = keyCode;
        row[1] = std::to_string(IntOf(callerNumber));
        row[2] = request.callerName;
        row[3] = keyName;
        for (int c = kFirstDeviceColumn; c <= kLastDeviceColumn; ++c)
            row[static_cast<std::size_t>(c)] = device < 0 ? std::string() : firstNumber;
        row[kEscalationColumn] = kEscalationChoices[0];
        result.added.push_back(std::move(row));
    }
    return true;
}

} // namespace

std::string CallerNumberRefusal(const std::string& text)
{
    const bool digits = !text.empty() && text.size() <= 5 &&
                        text.find_first_not_of("0123456789") == std::string::npos;
    if (digits && std::stoi(text) <= kMaxCallerNumber)
        return {};
    return "呼叫器号必须在0到" + std::to_string(kMaxCallerNumber) + "之间";
}

namespace {

// The stored text of a column of the row an edit started on, to put back a refused value.
std::string StoredText(Database& db, const std::string& fileName, const std::string& code,
                       const char* column)
{
    QueryResult rs(db);
    if (!rs.Open(db,
                 std::string("select ") + column + " from T_Device3 where CodeNo=? and FileName=?",
                 {code, fileName}) ||
        rs.IsEof())
        return {};
    return FieldText(rs, column);
}

} // namespace

CellEditResult UpdateCallerCell(Database& db, const std::string& fileName,
                                const std::string& rememberedCode, int column,
                                const std::string& text)
{
    CellEditResult result;
    std::string assignment;
    SqlParams params;
    const auto refuse = [&](const char* field, std::string why) {
        result.restore = StoredText(db, fileName, rememberedCode, field);
        result.refusal = std::move(why);
        return result;
    };
    if (column == 0) {
        if (text.size() != 6 && text.size() != 12) {
            result.restore = rememberedCode;
            return result;
        }
        assignment = "CodeNo=?,CodeType=?";
        params = {text, std::int64_t{text.size() == 6 ? 0 : 1}};
    } else if (column == 1) {
        if (std::string why = CallerNumberRefusal(text); !why.empty())
            return refuse("CallNo", why);
        assignment = "CallNo=?";
        params = {std::int64_t{IntOf(text)}};
    } else if (column == 2 || column == 3) {
        const char* field = column == 2 ? "CallName" : "KeyName";
        if (!CheckHostText(text).empty())
            return refuse(field, std::string(column == 2 ? "中文名称" : "信息内容") +
                                     "含有主机无法显示的字符，请修改后再输入！");
        assignment = std::string(field) + "=?";
        params = {text};
    } else if (column >= kFirstDeviceColumn && column <= kLastDeviceColumn) {
        assignment = "DeviceNo" + std::to_string(column - kFirstDeviceColumn + 1) + "=?";
        params = {std::int64_t{text.empty() ? -1 : IntOf(text)}};
    } else if (column == kEscalationColumn) {
        assignment = "ZhuiHu=?";
        params = {std::int64_t{text == kEscalationChoices[0]   ? 0
                               : text == kEscalationChoices[1] ? 1
                                                               : 2}};
    } else {
        return result;
    }
    params.emplace_back(rememberedCode);
    params.emplace_back(fileName);
    result.written =
        db.Execute("Update T_Device3 set " + assignment + " where CodeNo=? and FileName=?",
                   params) &&
        db.GetRecordsAffected() > 0;
    return result;
}

namespace {

std::string CallerPartOf(const std::string& code)
{
    return code.empty() ? code : code.substr(0, code.size() - 1);
}

} // namespace

std::string DeleteCallerKeyQuestion(const std::string& code)
{
    return "确定要删除" + code + "特征码吗？";
}

std::string DeleteCallerKeysQuestion(const std::string& code)
{
    return "确定要删除" + CallerPartOf(code) + "类特征码吗？";
}

bool DeleteCallerKey(Database& db, const std::string& fileName, const std::string& code)
{
    return db.Execute("Delete from T_Device3 where CodeNo=? and FileName=?", {code, fileName});
}

bool DeleteCallerKeys(Database& db, const std::string& fileName, const std::string& code)
{
    const std::string callerPart = CallerPartOf(code);
    Transaction transaction(db);
    if (!transaction.Began())
        return false;
    for (char key = '1'; key <= '9'; ++key) {
        if (!db.Execute("Delete from T_Device3 where CodeNo=? and FileName=?",
                        {callerPart + key, fileName}))
            return false;
    }
    return transaction.Commit();
}

std::string AdvanceCallerPart(const std::string& code)
{
    // The code read as three bytes of two hexadecimal digits each, plus one in the caller part.
    long value = 0;
    for (std::size_t pair = 0; pair < 3; ++pair) {
        int byte = 0;
        for (std::size_t i = pair * 2; i < pair * 2 + 2 && i < code.size(); ++i) {
            if (HexDigitValue(code[i]) < 0)
                break;
            byte = byte * 16 + HexDigitValue(code[i]);
        }
        value = value * 256 + byte;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%06lX", (value + 16) & 0xFFFFFFL);
    std::string advanced = text;
    advanced.pop_back();
    return advanced;
}

std::string FilterFeatureCode(const std::string& text)
{
    std::string kept;
    for (char c : text) {
        if (HexDigitValue(c) >= 0)
            kept += c;
    }
    return kept;
}

RegistrationResult RegisterCallers(Database& db, HostExchange* exchange,
                                   const RegistrationRequest& request)
{
    RegistrationResult result;
    result.manualCode = request.manualCode;
    const auto refuse = [&result](std::string why) {
        result.notices.Add(std::move(why));
        return result;
    };
    if (request.typePosition < 0 || request.typePosition >= static_cast<int>(request.types.size()))
        return refuse("呼叫器类型没有添加，请认证操作！");
    const int keyCount = request.types[static_cast<std::size_t>(request.typePosition)].keyCount;
    if (keyCount < 1)
        return refuse("键值个数输入有误，请认真操作！");
    if (keyCount > 9)
        return refuse("键值个数不能超过10，请认真操作！");
    // What the user typed is checked before the host is asked, so no key press is spent on
    // a registration that cannot be stored as typed.
    if (!request.callerNumber.empty()) {
        if (std::string why = CallerNumberRefusal(request.callerNumber); !why.empty())
            return refuse(why);
    }
    if (!CheckHostText(request.callerName).empty())
        return refuse("呼叫器名称含有主机无法显示的字符，请修改后再登记！");

    if (!request.manual) {
        if (exchange == nullptr)
            return refuse(kNoKeyCodeMessage);
        const Reading<KeyCodeAnswer> reading = AskKeyCode(*exchange);
        result.notices.Append(reading.notices);
        if (!reading.value)
            return result;
        const KeyCodeAnswer& answer = *reading.value;
        if (answer.status == kStatusHandheld)
            return refuse(kNotHandheldMessage);
        const int codeType = answer.status == kStatusShortCode ? 0 : 1;
        const std::string code = HexString(answer.code);
        // The pressed key is the last digit; a letter there counts as key 0.
        const char last = code.empty() ? '0' : code.back();
        const int pressed = last >= '0' && last <= '9' ? last - '0' : 0;
        if (code.empty() || pressed > keyCount)
            return refuse("请正确选择呼叫器类型！");
        RegisterOneCaller(db, request, code, keyCount, codeType, result);
        return result;
    }

    const int from = IntOf(request.runFrom);
    const int to = IntOf(request.runTo);
    for (int run = from; run <= to; ++run) {
        const std::string typed = result.manualCode;
        if (typed.empty()) {
            result.notices.Add("特征码不能为空！");
            result.focusCode = true;
            return result;
        }
        if (typed.size() < 5) {
            result.notices.Add("特征码的长度必须为五位！");
            result.focusCode = true;
            return result;
        }
        const std::string code = typed + std::to_string(keyCount);
        if (request.plusOne)
            result.manualCode = AdvanceCallerPart(code);
        if (!RegisterOneCaller(db, request, code, keyCount, 0, result))
            break;
    }
    if (!result.skipped.empty()) {
        std::string codes;
        for (const std::string& code : result.skipped)
            codes += (codes.empty() ? "" : "、") + code;
        result.notices.Add("以下特征码已经登记过，没有改动：" + codes);
    }
    return result;
}

} // namespace px
