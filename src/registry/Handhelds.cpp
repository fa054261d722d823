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

Reading<KeyCodeAnswer> AskKeyCode(HostExchange& exchange)
{
    if (!exchange.SendCommand(kCmdKeyCode, {}, "", false))
        return {std::nullopt, exchange.Conclude(false, kNoKeyCodeMessage).notices};
    const auto payload = exchange.AnswerPayload();
    KeyCodeAnswer answer;
    if (!payload.empty()) {
        answer.status = payload[0];
        answer.code.assign(payload.begin() + 1, payload.end());
    }
    return {answer, exchange.TakeNotices()};
}

HandheldSaveResult SaveHandheld(Database& db, HostExchange* exchange, Lcg& random,
                                const std::string& fileName, FileType fileType, HostModel hostModel,
                                const HandheldFields& fields)
{
    HandheldSaveResult result;
    result.featureCode = fields.featureCode;
    const auto refuse = [&result](std::string why) {
        result.notices.Add(std::move(why));
        return result;
    };
    const bool valid =
        ReadIntegerField(fields.pagerText, 0, kMaxPagerNumber, kPagerField, result.notices) &&
        ReadIntegerField(fields.numberText, kMinHandheldNumber, kMaxHandheldNumber,
                         kHandheldNumberField, result.notices);
    if (valid) {
        const int number = std::stoi(fields.numberText);
        std::string code = fields.featureCode;
        if (!fields.madeUpCode) {
            if (exchange == nullptr)
                return refuse(kNoKeyCodeMessage);
            const Reading<KeyCodeAnswer> answer = AskKeyCode(*exchange);
            result.notices.Append(answer.notices);
            if (!answer.value)
                return result;
            if (answer.value->status != kStatusHandheld)
                return refuse(kNotHandheldMessage);
            code = HexString(answer.value->code);
            result.featureCode = code;
        }
        if (code.empty())
            return refuse("地址码不能为空！");
        if (code == "0000" || Lower(code) == "ffff")
            return refuse("自定义特征码错误！");
        QueryResult rs(db);
        // Counted before knowing whether the row exists: a full file refuses changes too.
        if (rs.Open(db, "select * from T_Device2 where FileName=?", {fileName})) {
            std::string full =
                CapacityMessage(HandheldTable(), rs.GetRecordCount(), hostModel, fileType);
            if (!full.empty())
                return refuse(std::move(full));
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
