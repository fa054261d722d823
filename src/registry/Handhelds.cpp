#include "registry/Handhelds.h"

#include "common/Hex.h"
#include "registry/InfoMachines.h"
#include "storage/RegistrationTables.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace px {

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string RandomFeatureCode(Lcg& random)
{
    while (true) {
        const int r1 = random.Next();
        const int r2 = random.Next();
        char code[8];
        std::snprintf(code, sizeof code, "%02X%02X", (r1 * 12) % 256, (r2 * 34) % 256);
        std::string text = code;
        if (text != "0000" && text != "FFFF")
            return text;
    }
}

std::optional<KeyCodeAnswer> AskKeyCode(HostExchange& exchange)
{
    if (!exchange.SendCommand(kCmdKeyCode, {}, "", false)) {
        exchange.GetPrompter().Message("获取手持呼叫器特征码失败！");
        return std::nullopt;
    }
    const auto payload = exchange.AnswerPayload();
    KeyCodeAnswer answer;
    if (!payload.empty()) {
        answer.status = payload[0];
        answer.code.assign(payload.begin() + 1, payload.end());
    }
    return answer;
}

HandheldSaveResult SaveHandheld(Database& db, Prompter& prompter, HostExchange* exchange,
                                Lcg& random, const std::string& fileName, FileType fileType,
                                HostModel hostModel, const HandheldFields& fields)
{
    HandheldSaveResult result;
    result.featureCode = fields.featureCode;
    const bool valid =
        ReadIntegerField(prompter, fields.pagerText, 0, kMaxPagerNumber, kPagerField) &&
        ReadIntegerField(prompter, fields.numberText, 1, 99, kHandheldNumberField);
    if (valid) {
        const int number = std::stoi(fields.numberText);
        std::string code = fields.featureCode;
        if (!fields.madeUpCode) {
            const auto answer = exchange != nullptr ? AskKeyCode(*exchange) : std::nullopt;
            if (!answer) {
                if (exchange == nullptr)
                    prompter.Message("获取手持呼叫器特征码失败！");
                return result;
            }
            if (answer->status != kStatusHandheld) {
                prompter.Message("请正确进行手持呼叫器进行设置！");
                return result;
            }
            code = HexString(answer->code);
            result.featureCode = code;
        }
        if (code.empty()) {
            prompter.Message("地址码不能为空！");
            return result;
        }
        if (code == "0000" || Lower(code) == "ffff") {
            prompter.Message("自定义特征码错误！");
            return result;
        }
        QueryResult rs(db);
        // Counted before knowing whether the row exists: a full file refuses changes too.
        if (rs.Open(db, "select * from T_Device2 where FileName=?", {fileName})) {
            const std::string full =
                CapacityMessage(HandheldTable(), rs.GetRecordCount(), hostModel, fileType);
            if (!full.empty()) {
                prompter.Message(full);
                return result;
            }
        }
        if (rs.Open(db, "select * from T_Device2 where DeviceNo=? and FileName=?",
                    {std::int64_t{number}, fileName})) {
            if (rs.IsEof())
                result.stored = db.Execute(
                    "Insert into T_Device2 (DeviceNo,Address,Remark,FileName) values (?,?,?,?)",
                    {std::int64_t{number}, code, fields.remark, fileName});
            else
                result.stored = db.Execute(
                    "Update T_Device2 set Address=?,Remark=? where DeviceNo=? and FileName=?",
                    {code, fields.remark, std::int64_t{number}, fileName});
        }
    }
    result.fieldsChanged = true;
    result.number = NextNumber(db, "DeviceNo", "FileName=?", "T_Device2", {fileName});
    if (fields.madeUpCode)
        result.featureCode = RandomFeatureCode(random);
    return result;
}

void DeleteHandheld(Database& db, const std::string& fileName, const std::string& numberText)
{
    if (numberText.empty())
        return;
    db.Execute("Delete from T_Device2 where DeviceNo=? and FileName=?", {numberText, fileName});
}

} // namespace px
