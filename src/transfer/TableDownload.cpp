#include "transfer/TableDownload.h"

#include "common/Gbk.h"
#include "common/Hex.h"
#include "storage/RowRules.h"

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
    return {static_cast<std::uint8_t>(deviceNo & 0xFF),
            ReadHexPair(address, 0),
            ReadHexPair(address, 2),
            0xFF,
            0xFF,
            0xFF};
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

namespace {

// Reads an integer column of the current row and judges it with a rule; a null reads as
// ifNull, a text that is no whole number is refused.
std::string JudgeNumber(QueryResult& rs, const char* field, long long ifNull,
                        std::string (*rule)(long long), int& value)
{
    if (rs.IsFieldNull(field)) {
        value = static_cast<int>(ifNull);
        return rule(ifNull);
    }
    if (!rs.GetFieldValue(field, value))
        return std::string(field) + " \"" + FieldText(rs, field) + "\" is not a whole number";
    return rule(value);
}

std::string FirstProblem(std::initializer_list<std::string> problems)
{
    for (const std::string& problem : problems) {
        if (!problem.empty())
            return problem;
    }
    return {};
}

// Runs the query and turns each row into a record; a row that cannot travel is refused with
// the reason the maker gives.
template <typename MakeRecord>
TableRecords Collect(Database& db, const char* query, const std::string& fileName,
                     MakeRecord&& make)
{
    TableRecords table;
    QueryResult rs(db);
    if (!rs.Open(db, query, {fileName}))
        return table;
    table.read = true;
    for (; !rs.IsEof(); rs.MoveNext()) {
        ++table.rows;
        std::string key;
        const std::string reason = make(rs, key, table.records);
        if (!reason.empty())
            table.refused.push_back({key, reason});
    }
    return table;
}

template <typename Record> void Append(Bytes& bytes, const Record& record)
{
    bytes.insert(bytes.end(), record.begin(), record.end());
}

} // namespace

TableRecords CollectInfoMachineRecords(Database& db, const std::string& fileName)
{
    return Collect(db, "select * from Q_Device1Query where FileName=? order by DeviceNo", fileName,
                   [](QueryResult& rs, std::string& key, Bytes& records) {
                       key = FieldText(rs, "DeviceNo");
                       int pager = 0;
                       int type = 0;
                       const std::string address = FieldText(rs, "Address");
                       std::string problem =
                           FirstProblem({JudgeNumber(rs, "DeviceNo", 0, CheckPagerNumber, pager),
                                         CheckAddress(address),
                                         JudgeNumber(rs, "TypeNo", 0, CheckReceiverType, type)});
                       if (problem.empty())
                           Append(records, MakeInfoMachineRecord(
                                               pager, address, FieldText(rs, "MachineType"),
                                               FieldText(rs, "Rate"), FieldText(rs, "Polarity")));
                       return problem;
                   });
}

TableRecords CollectCallerRecords(Database& db, const std::string& fileName)
{
    static const char* const kDevices[] = {"DeviceNo1", "DeviceNo2", "DeviceNo3", "DeviceNo4",
                                           "DeviceNo5", "DeviceNo6", "DeviceNo7", "DeviceNo8"};
    return Collect(db, "select * from T_Device3 where FileName=? order by CodeNo", fileName,
                   [](QueryResult& rs, std::string& key, Bytes& records) {
                       CallerRow row;
                       row.codeNo = FieldText(rs, "CodeNo");
                       row.callName = FieldText(rs, "CallName");
                       row.keyName = FieldText(rs, "KeyName");
                       key = row.codeNo;
                       std::string problem = FirstProblem(
                           {CheckCallerCode(row.codeNo),
                            JudgeNumber(rs, "CallNo", 0, CheckCallerNumber, row.callNo),
                            CheckStoredText(row.callName), CheckStoredText(row.keyName),
                            JudgeNumber(rs, "ZhuiHu", 0, CheckEscalation, row.escalation),
                            JudgeNumber(rs, "CodeType", 0, CheckCodeType, row.codeType)});
                       for (std::size_t i = 0; problem.empty() && i < row.devices.size(); ++i)
                           problem =
                               JudgeNumber(rs, kDevices[i], 0, CheckTargetPager, row.devices[i]);
                       if (!problem.empty())
                           return problem;
                       const auto record = MakeCallerRecord(row, problem);
                       if (record)
                           Append(records, *record);
                       return problem;
                   });
}

TableRecords CollectHandheldRecords(Database& db, const std::string& fileName)
{
    return Collect(db, "select * from T_Device2 where FileName=? order by DeviceNo", fileName,
                   [](QueryResult& rs, std::string& key, Bytes& records) {
                       key = FieldText(rs, "DeviceNo");
                       int number = 0;
                       const std::string code = FieldText(rs, "Address");
                       std::string problem = FirstProblem(
                           {JudgeNumber(rs, "DeviceNo", 0, CheckHandheldNumber, number),
                            CheckHandheldCode(code)});
                       if (problem.empty())
                           Append(records, MakeHandheldRecord(number, code));
                       return problem;
                   });
}

namespace {

// What differs between the three table downloads.
struct TableDownload
{
    TableRecords (*collect)(Database& db, const std::string& fileName);
    std::uint8_t command;
    const char* caption;
    const char* keyName;      // how a refused row is named
    const char* emptyMessage; // nullptr: an empty table ends silently
    const char* sentMessage;  // nullptr: the progress window alone tells the outcome
    const char* failedMessage;
};

DownloadOutcome RunTableDownload(HostExchange& exchange, Database& db, const std::string& fileName,
                                 const TableDownload& spec)
{
    Prompter& prompter = exchange.GetPrompter();
    const TableRecords table = spec.collect(db, fileName);
    if (!table.read)
        return DownloadOutcome::NoDatabase;
    if (table.rows == 0) {
        if (spec.emptyMessage != nullptr)
            prompter.Message(spec.emptyMessage);
        return DownloadOutcome::Empty;
    }
    if (!table.refused.empty()) {
        const RefusedRow& row = table.refused.front();
        std::string text = std::string(spec.keyName) + " " + row.key + " 无法下载：" + row.reason;
        if (spec.failedMessage != nullptr)
            text += std::string("\n") + spec.failedMessage;
        prompter.Message(text);
        return DownloadOutcome::Failed;
    }
    // The records go straight from memory: nothing outlives the command.
    const DownloadOutcome outcome = exchange.Download(spec.command, table.records, spec.caption)
                                        ? DownloadOutcome::Sent
                                        : DownloadOutcome::Failed;
    if (spec.sentMessage != nullptr)
        prompter.Message(outcome == DownloadOutcome::Sent ? spec.sentMessage : spec.failedMessage);
    return outcome;
}

} // namespace

DownloadOutcome DownloadInfoMachines(HostExchange& exchange, Database& db,
                                     const std::string& fileName)
{
    return RunTableDownload(exchange, db, fileName,
                            {CollectInfoMachineRecords, kCmdInfoMachineTable, "下载Bp机信息",
                             "传呼号", "Bp机信息表中没有数据！", nullptr, nullptr});
}

DownloadOutcome DownloadCallers(HostExchange& exchange, Database& db, const std::string& fileName)
{
    return RunTableDownload(exchange, db, fileName,
                            {CollectCallerRecords, kCmdCallerTable, "呼叫器信息", "特征码", nullptr,
                             "下载呼叫器信息成功！", "下载呼叫器信息失败！"});
}

DownloadOutcome DownloadHandhelds(HostExchange& exchange, Database& db, const std::string& fileName)
{
    return RunTableDownload(exchange, db, fileName,
                            {CollectHandheldRecords, kCmdHandheldTable, "手持呼叫器匹配表",
                             "手持呼叫器", nullptr, "手持呼叫器匹配表设置成功！",
                             "手持呼叫器匹配表设置失败！"});
}

} // namespace px
