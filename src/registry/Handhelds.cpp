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
        const RegistrationTable<HandheldRow>& table = HandheldTable();
        // Counted before knowing whether the row exists: a full file refuses changes too.
        if (const auto count = CountRows(db, table, fileName)) {
            std::string full = CapacityMessage(table, *count, hostModel, fileType);
            if (!full.empty())
                return refuse(std::move(full));
        }
        std::string why = SaveRow(db, table, fileName, HandheldRow{number, code, fields.remark});
        result.stored = why.empty();
        if (!result.stored)
            result.notices.Add(std::move(why));
    }
    result.fieldsChanged = true;
    result.number = NextNumber(db, HandheldTable().columns.front().name, "FileName=?",
                               HandheldTable().databaseTable, {fileName});
    if (fields.madeUpCode)
        result.featureCode = RandomFeatureCode(random);
    return result;
}

void DeleteHandheld(Database& db, const std::string& fileName, const std::string& numberText)
{
    if (numberText.empty())
        return;
    DeleteRow(db, HandheldTable(), fileName, numberText);
}

} // namespace px
