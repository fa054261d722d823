#include "settings/MachineParams.h"

#include "settings/SettingsHost.h"
#include "storage/Database.h"
#include "storage/Transaction.h"

#include <algorithm>
#include <cstdio>

namespace px {

namespace {

void PutBigEndian(Bytes& record, std::size_t offset, int value)
{
    record[offset] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    record[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

int BigEndian(std::span<const std::uint8_t> record, std::size_t offset)
{
    return record[offset] * 256 + record[offset + 1];
}

// Digits up to the first 0xFF of a frequency field; conversion stops at the first non-digit.
int FrequencyField(std::span<const std::uint8_t> field)
{
    int value = 0;
    for (const std::uint8_t byte : field) {
        if (byte < '0' || byte > '9' || value > 100'000'000)
            break;
        value = value * 10 + (byte - '0');
    }
    return value;
}

} // namespace

MachineParams LoadMachineParams(const Profile& profile)
{
    MachineParams params = Remembered(kParameterFields, profile);
    LoadFields(kFrequencyFields, profile, params);
    return params;
}

std::string CheckMachineParams(const MachineParams& params)
{
    std::string prompt = CheckFields(kParameterFields, params);
    return prompt.empty() ? CheckFields(kFrequencyFields, params) : prompt;
}

Bytes BuildMachineRecord(const MachineParams& p)
{
    Bytes record(kMachineRecordBytes, 0x00);
    record[0] = 0x5A;
    record[1] = 0xFF;
    record[2] = 0x00;
    record[3] = static_cast<std::uint8_t>(kMachineRecordBytes);
    record[4] = static_cast<std::uint8_t>(p.room);
    record[5] = static_cast<std::uint8_t>(p.monitoring + 1);
    PutBigEndian(record, 6, p.receiver);
    record[8] = static_cast<std::uint8_t>(p.escalation);
    PutBigEndian(record, 9, p.interval1);
    record[11] = static_cast<std::uint8_t>(p.count1);
    PutBigEndian(record, 12, p.interval2);
    record[14] = static_cast<std::uint8_t>(p.count2);
    record[15] = 0xFF;
    record[16] = static_cast<std::uint8_t>(p.mode);
    return record;
}

Bytes BuildFrequencyRecord(int txFrequency, int rxFrequency)
{
    Bytes record(kFrequencyRecordBytes, 0xFF);
    record[0] = 0x5A;
    const auto put = [&record](std::size_t offset, int value) {
        char digits[16];
        const int n = std::snprintf(digits, sizeof digits, "%d", value);
        std::copy_n(digits, std::clamp(n, 0, 7),
                    record.begin() + static_cast<std::ptrdiff_t>(offset));
    };
    put(1, txFrequency);
    put(8, rxFrequency);
    return record;
}

std::optional<MachineParams> DecodeMachineRecord(std::span<const std::uint8_t> record,
                                                 const MachineParams& base)
{
    if (record.size() < kMachineRecordBytes)
        return std::nullopt;
    MachineParams p = base;
    p.room = record[4];
    p.monitoring = record[5] - 1;
    p.receiver = BigEndian(record, 6);
    p.escalation = record[8];
    p.interval1 = BigEndian(record, 9);
    p.count1 = record[11];
    p.interval2 = BigEndian(record, 12);
    p.count2 = record[14];
    p.mode = record[16];
    return p;
}

std::optional<Frequencies> DecodeFrequencyRecord(std::span<const std::uint8_t> record)
{
    if (record.size() < kFrequencyRecordBytes)
        return std::nullopt;
    const auto field = [&record](std::size_t offset) {
        const auto bytes = record.subspan(offset, 7);
        const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0xFF});
        return FrequencyField(std::span(bytes.begin(), end));
    };
    return Frequencies{field(1), field(8)};
}

std::optional<MachineParams> DecodeFrequencyRecord(std::span<const std::uint8_t> record,
                                                   const MachineParams& base)
{
    const auto frequencies = DecodeFrequencyRecord(record);
    if (!frequencies)
        return std::nullopt;
    MachineParams p = base;
    p.txFrequency = frequencies->tx;
    p.rxFrequency = frequencies->rx;
    return p;
}

Outcome WriteMachineParameters(HostExchange& exchange, Profile& profile,
                               const MachineParams& params)
{
    const bool ok =
        exchange.SendCommand(kCmdMachineParams, BuildMachineRecord(params), "设置机器参数", true);
    if (ok)
        StoreFields(kParameterFields, profile, params);
    return exchange.Conclude(ok, ok ? "设置本机参数成功！" : "设置本机参数失败！");
}

Outcome WriteFrequencies(HostExchange& exchange, Profile& profile, const MachineParams& params)
{
    const bool ok = exchange.SendCommand(
        kCmdFrequencies, BuildFrequencyRecord(params.txFrequency, params.rxFrequency),
        "设置机器参数", true);
    if (ok)
        StoreFields(kFrequencyFields, profile, params);
    return exchange.Conclude(ok, ok ? "设置频率成功！" : "设置频率失败！");
}

std::optional<ReceiverTypeRates> LoadReceiverTypeRates(Database& db)
{
    QueryResult rs(db);
    if (!rs.Open(db, "select * from T_Type where TypeNo=2 or TypeNo=3 order by TypeNo"))
        return std::nullopt;
    ReceiverTypeRates rates;
    for (; !rs.IsEof(); rs.MoveNext()) {
        int typeNo = 0;
        int rate = -1;
        int polarity = -1;
        rs.GetFieldValue("TypeNo", typeNo);
        rs.GetFieldValue("Rate", rate);
        rs.GetFieldValue("Polarity", polarity);
        if (typeNo == 2) {
            rates.numericRate = rate;
            rates.numericPolarity = polarity;
        } else {
            rates.charRate = rate;
            rates.charPolarity = polarity;
        }
    }
    return rates;
}

bool SaveReceiverTypeRates(Database& db, const ReceiverTypeRates& rates)
{
    // An unknown index would be stored as -1 and break the next table download, so such a
    // column keeps its value.
    const auto update = [&db](int typeNo, int rate, int polarity) {
        bool ok = true;
        if (rate >= 0)
            ok = db.Execute("update T_Type set Rate=? where TypeNo=?",
                            {std::int64_t{rate}, std::int64_t{typeNo}}) &&
                 ok;
        if (polarity >= 0)
            ok = db.Execute("update T_Type set Polarity=? where TypeNo=?",
                            {std::int64_t{polarity}, std::int64_t{typeNo}}) &&
                 ok;
        return ok;
    };
    Transaction transaction(db);
    return transaction.Began() && update(2, rates.numericRate, rates.numericPolarity) &&
           update(3, rates.charRate, rates.charPolarity) && transaction.Commit();
}

} // namespace px
