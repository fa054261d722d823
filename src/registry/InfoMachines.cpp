#include "registry/InfoMachines.h"

#include "common/IntegerField.h"
#include "storage/RegistrationTables.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace px {

namespace {

// Leading blanks skipped, the decimal digits up to the first other character.
long long LeadingNumber(const std::string& text)
{
    std::size_t i = text.find_first_not_of(' ');
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 1'000'000'000'000LL)
            break;
    }
    return value;
}

} // namespace

std::optional<int> ReceiverTypeIndex(const std::string& typeName)
{
    for (std::size_t i = 0; i < kReceiverTypeNames.size(); ++i) {
        if (typeName == kReceiverTypeNames[i])
            return static_cast<int>(i);
    }
    return std::nullopt;
}

std::string AdvanceAddress(const std::string& address)
{
    long long next = LeadingNumber(address) + 1;
    if (next > kMaxAddress)
        next = kAddressWrap;
    char text[24];
    std::snprintf(text, sizeof text, "%07lld", next);
    return text;
}

std::optional<int> ReadIntegerField(const std::string& text, int low, int high, const char* field,
                                    Notices& notices)
{
    int value = 0;
    const std::string problem = CheckWholeNumber(text, field, low, high, value);
    if (!problem.empty()) {
        notices.Add(problem);
        return std::nullopt;
    }
    return value;
}

InfoMachineSaveResult SaveInfoMachine(Database& db, const std::string& fileName, FileType fileType,
                                      HostModel hostModel, const InfoMachineFields& fields)
{
    InfoMachineSaveResult result;
    result.address = fields.address;
    const auto refuse = [&result](std::string why) {
        result.notices.Add(std::move(why));
        return result;
    };

    // Every field of the window is read first; a bad one stops the save.
    const std::optional<int> pager =
        ReadIntegerField(fields.pagerText, 0, kMaxPagerNumber, kPagerField, result.notices);
    const bool valid =
        pager && ReadIntegerField(fields.handheldText, kMinHandheldNumber, kMaxHandheldNumber,
                                  kHandheldNumberField, result.notices);
    if (valid) {
        if (fields.address.empty())
            return refuse("地址码不能为空！");
        // Only decimal digits travel as typed: "12ab" would go out as 12.
        if (!CheckAddress(fields.address).empty())
            return refuse("信息机地址输入有误，请正确输入！");
        const RegistrationTable<InfoMachineRow>& table = InfoMachineTable();
        // The count comes before knowing whether the row exists: a full file refuses
        // modifications too.
        if (const auto count = CountRows(db, table, fileName)) {
            std::string full = CapacityMessage(table, *count, hostModel, fileType);
            if (!full.empty())
                return refuse(std::move(full));
        }
        const InfoMachineRow row{*pager, fields.address, fields.remark, fields.typeIndex};
        std::string why = SaveRow(db, table, fileName, row);
        result.stored = why.empty();
        if (!result.stored)
            result.notices.Add(std::move(why));
    }
    result.fieldsChanged = true;
    result.pagerNumber = NextNumber(db, InfoMachineTable().columns.front().name, "FileName=?",
                                    InfoMachineTable().databaseTable, {fileName});
    if (fields.advanceAddress)
        result.address = AdvanceAddress(fields.address);
    return result;
}

void DeleteInfoMachine(Database& db, const std::string& fileName, const std::string& pagerText)
{
    if (pagerText.empty())
        return; // nothing selected: nothing to delete
    DeleteRow(db, InfoMachineTable(), fileName, pagerText);
}

} // namespace px
