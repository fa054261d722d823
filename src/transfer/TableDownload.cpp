#include "transfer/TableDownload.h"

#include "common/Gbk.h"
#include "common/Hex.h"

#include <filesystem>

namespace px {

namespace {

// Leading blanks skipped, decimal digits up to the first other character, 0 when none.
std::uint32_t LeadingNumber(const std::string& text)
{
    std::uint32_t value = 0;
    std::size_t i = text.find_first_not_of(' ');
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
    return value;
}

// Writes the records to a record file, downloads it and removes it again.
DownloadOutcome SendRecordFile(HostExchange& exchange, std::uint8_t command, const char* fileName,
                               const Bytes& records, const char* caption)
{
    const std::string path = exchange.RecordFilePath(fileName);
    if (!HostExchange::WriteRecordFile(path, records)) {
        exchange.GetPrompter().Message("无法写入文件 " + path);
        return DownloadOutcome::Failed;
    }
    const bool ok = exchange.Download(command, path, caption);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return ok ? DownloadOutcome::Sent : DownloadOutcome::Failed;
}

void PutLittleEndian(CallerRecord& record, std::size_t at, int value)
{
    record[at] = static_cast<std::uint8_t>(value & 0xFF);
    record[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// A text's GBK bytes cut to the field without splitting a character.
bool PutText(CallerRecord& record, std::size_t at, std::size_t size, const std::string& text,
             const char* what, std::string& error)
{
    GbkProblem problem = GbkProblem::None;
    const auto bytes = ToGbk(text, &problem);
    if (!bytes) {
        error = GbkRefusal(problem, std::string(what) + " \"" + text + "\" 含有主机无法显示的字符");
        return false;
    }
    const GbkBytes cut = CutGbk(*bytes, size);
    std::copy(cut.begin(), cut.end(), record.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

} // namespace

std::uint8_t ReadHexPair(const std::string& text, std::size_t at)
{
    int value = 0;
    for (std::size_t i = at; i < at + 2 && i < text.size(); ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return static_cast<std::uint8_t>(value);
}

std::optional<CallerRecord> MakeCallerRecord(const CallerRow& row, std::string& error)
{
    if (row.codeNo.size() > kMaxCodeDigits) {
        error = "特征码 " + row.codeNo + " 超过14位，无法下载";
        return std::nullopt;
    }
    CallerRecord record;
    record.fill(0xFF);
    record[0] = row.codeType == 0 ? 0x55 : 0x5A;
    for (std::size_t pair = 0; pair < row.codeNo.size() / 2; ++pair)
        record[1 + pair] = ReadHexPair(row.codeNo, pair * 2);
    PutLittleEndian(record, 8, row.callNo);
    if (!PutText(record, 10, 10, row.callName, "中文名称", error) ||
        !PutText(record, 20, 48, row.keyName, "信息内容", error))
        return std::nullopt;
    for (std::size_t i = 0; i < row.devices.size(); ++i)
        PutLittleEndian(record, 68 + 2 * i, row.devices[i]);
    record[84] = static_cast<std::uint8_t>(row.escalation & 0xFF);
    return record;
}

HandheldRecord MakeHandheldRecord(int deviceNo, const std::string& address)
{
    return {static_cast<std::uint8_t>(deviceNo & 0xFF), ReadHexPair(address, 0),
            ReadHexPair(address, 2), 0xFF, 0xFF, 0xFF};
}

CallerRow ReadCallerRow(CADORecordset& rs)
{
    static const char* const kDevices[] = {"DeviceNo1", "DeviceNo2", "DeviceNo3", "DeviceNo4",
                                           "DeviceNo5", "DeviceNo6", "DeviceNo7", "DeviceNo8"};
    CallerRow row;
    row.codeNo = FieldText(rs, "CodeNo");
    row.codeType = FieldInt(rs, "CodeType");
    row.callNo = FieldInt(rs, "CallNo");
    row.callName = FieldText(rs, "CallName");
    row.keyName = FieldText(rs, "KeyName");
    for (std::size_t i = 0; i < row.devices.size(); ++i)
        row.devices[i] = FieldInt(rs, kDevices[i]);
    row.escalation = FieldInt(rs, "ZhuiHu");
    return row;
}

InfoMachineRecord MakeInfoMachineRecord(int deviceNo, const std::string& address,
                                        const std::string& machineType, const std::string& rate,
                                        const std::string& polarity)
{
    InfoMachineRecord record{};
    record[0] = static_cast<std::uint8_t>((deviceNo / 256) & 0xFF);
    record[1] = static_cast<std::uint8_t>(deviceNo % 256);
    std::uint8_t mode = 0xF8;
    if (polarity == "1")
        mode |= 0x04;
    if (rate == "1")
        mode |= 0x01;
    else if (rate == "2")
        mode |= 0x02;
    record[2] = mode;
    std::uint8_t type = 0xF0;
    if (machineType == "1" || machineType == "2" || machineType == "3" || machineType == "4")
        type = static_cast<std::uint8_t>(0xF0 + (machineType[0] - '0'));
    record[3] = type;
    record[4] = 0x02;
    const std::uint32_t value = LeadingNumber(address);
    record[8] = static_cast<std::uint8_t>((value >> 16) & 0xFF);
    record[9] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    record[10] = static_cast<std::uint8_t>(value & 0xFF);
    record[29] = 0xFF;
    return record;
}

DownloadOutcome DownloadInfoMachines(HostExchange& exchange, const std::string& connectionString,
                                     const std::string& fileName)
{
    CADODatabase db;
    if (!db.Open(connectionString))
        return DownloadOutcome::NoDatabase;
    CADORecordset rs(db);
    if (!rs.Open(db, "select * from Q_Device1Query where FileName=? order by DeviceNo", {fileName}))
        return DownloadOutcome::NoDatabase;
    if (rs.IsEof()) {
        exchange.GetPrompter().Message("Bp机信息表中没有数据！");
        return DownloadOutcome::Empty;
    }
    Bytes records;
    records.reserve(static_cast<std::size_t>(rs.GetRecordCount()) * kInfoMachineRecordSize);
    for (; !rs.IsEof(); rs.MoveNext()) {
        int deviceNo = 0;
        rs.GetFieldValue("DeviceNo", deviceNo);
        const InfoMachineRecord record =
            MakeInfoMachineRecord(deviceNo, FieldText(rs, "Address"), FieldText(rs, "MachineType"),
                                  FieldText(rs, "Rate"), FieldText(rs, "Polarity"));
        records.insert(records.end(), record.begin(), record.end());
    }
    return SendRecordFile(exchange, kCmdInfoMachineTable, "Bp.txt", records, "下载Bp机信息");
}

DownloadOutcome DownloadCallers(HostExchange& exchange, const std::string& connectionString,
                                const std::string& fileName)
{
    CADODatabase db;
    if (!db.Open(connectionString))
        return DownloadOutcome::NoDatabase;
    CADORecordset rs(db);
    if (!rs.Open(db, "select * from T_Device3 where FileName=? order by CodeNo", {fileName}))
        return DownloadOutcome::NoDatabase;
    if (rs.IsEof())
        return DownloadOutcome::Empty;
    Bytes records;
    records.reserve(static_cast<std::size_t>(rs.GetRecordCount()) * kCallerRecordSize);
    for (; !rs.IsEof(); rs.MoveNext()) {
        const CallerRow row = ReadCallerRow(rs);
        std::string error;
        const auto record = MakeCallerRecord(row, error);
        if (!record) {
            exchange.GetPrompter().Message(error + "\n下载呼叫器信息失败！");
            return DownloadOutcome::Failed;
        }
        records.insert(records.end(), record->begin(), record->end());
    }
    const DownloadOutcome outcome =
        SendRecordFile(exchange, kCmdCallerTable, "Call.txt", records, "呼叫器信息");
    exchange.GetPrompter().Message(outcome == DownloadOutcome::Sent ? "下载呼叫器信息成功！"
                                                                    : "下载呼叫器信息失败！");
    return outcome;
}

DownloadOutcome DownloadHandhelds(HostExchange& exchange, const std::string& connectionString,
                                  const std::string& fileName)
{
    CADODatabase db;
    if (!db.Open(connectionString))
        return DownloadOutcome::NoDatabase;
    CADORecordset rs(db);
    if (!rs.Open(db, "select * from T_Device2 where FileName=? order by DeviceNo", {fileName}))
        return DownloadOutcome::NoDatabase;
    if (rs.IsEof())
        return DownloadOutcome::Empty;
    Bytes records;
    for (; !rs.IsEof(); rs.MoveNext()) {
        const HandheldRecord record = MakeHandheldRecord(FieldInt(rs, "DeviceNo"), FieldText(rs, "Address"));
        records.insert(records.end(), record.begin(), record.end());
    }
    const DownloadOutcome outcome =
        SendRecordFile(exchange, kCmdHandheldTable, "ShouChi.txt", records, "手持呼叫器匹配表");
    exchange.GetPrompter().Message(outcome == DownloadOutcome::Sent ? "手持呼叫器匹配表设置成功！"
                                                                    : "手持呼叫器匹配表设置失败！");
    return outcome;
}

} // namespace px
