#include "transfer/TableDownload.h"

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

std::string Text(CADORecordset& rs, const char* field)
{
    std::string value;
    rs.GetFieldValue(field, value);
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

} // namespace

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
            MakeInfoMachineRecord(deviceNo, Text(rs, "Address"), Text(rs, "MachineType"),
                                  Text(rs, "Rate"), Text(rs, "Polarity"));
        records.insert(records.end(), record.begin(), record.end());
    }
    return SendRecordFile(exchange, kCmdInfoMachineTable, "Bp.txt", records, "下载Bp机信息");
}

} // namespace px
