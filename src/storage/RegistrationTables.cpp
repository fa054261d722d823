#include "storage/RegistrationTables.h"

#include "common/Gbk.h"
#include "common/Hex.h"
#include "storage/CallerCells.h"
#include "storage/ConfigFiles.h"

#include <cstdio>
#include <limits>

namespace px {

namespace {

// --- columns -------------------------------------------------------------------------------------

bool TakeInt(const SqlValue& value, long long ifNull, long long& out, std::string& why)
{
    if (std::holds_alternative<std::monostate>(value)) {
        out = ifNull;
        return true;
    }
    if (const auto* n = std::get_if<std::int64_t>(&value)) {
        out = *n;
        return true;
    }
    why = "\"" +
          (std::holds_alternative<std::string>(value) ? std::get<std::string>(value)
                                                      : std::string("?")) +
          "\" is not a whole number";
    return false;
}

// Every rule's range lies within an int's.
bool FitsInt(long long n, std::string& why)
{
    if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
        return true;
    why = std::to_string(n) + " is out of range";
    return false;
}

bool TakeText(const SqlValue& value, std::string& out, std::string& why)
{
    if (std::holds_alternative<std::monostate>(value)) {
        out.clear();
        return true;
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        out = *text;
        return true;
    }
    if (const auto* n = std::get_if<std::int64_t>(&value)) {
        out = std::to_string(*n);
        return true;
    }
    why = "a number where a text belongs";
    return false;
}

// An integer column held in a member, its rule, and what a NULL stands for.
constexpr bool kNullable = true;
constexpr bool kRequired = false;

template <typename Row, int Row::*Member, std::string (*Rule)(long long), int IfNull = 0>
constexpr TableColumn<Row> IntColumn(const char* name, const char* title, bool nullable)
{
    return {.name = name,
            .title = title,
            .text = false,
            .nullable = nullable,
            .get = [](const Row& row) -> SqlValue { return std::int64_t{row.*Member}; },
            .set =
                [](Row& row, const SqlValue& value, std::string& why) {
                    long long n = 0;
                    if (!TakeInt(value, IfNull, n, why) || !FitsInt(n, why))
                        return false;
                    row.*Member = static_cast<int>(n);
                    return true;
                },
            .check = [](const Row& row) { return Rule(row.*Member); }};
}

template <typename Row, std::string Row::*Member, std::string (*Rule)(std::string_view)>
constexpr TableColumn<Row> TextColumn(const char* name, const char* title, bool nullable)
{
    return {.name = name,
            .title = title,
            .text = true,
            .nullable = nullable,
            .get = [](const Row& row) -> SqlValue { return row.*Member; },
            .set = [](Row& row, const SqlValue& value,
                      std::string& why) { return TakeText(value, row.*Member, why); },
            .check = [](const Row& row) { return Rule(row.*Member); }};
}

// A caller key's target K (DeviceNo1..8). A NULL reads as 0, as every integer column's does;
// the program itself always stores kNoTarget for none.
template <std::size_t K>
constexpr TableColumn<CallerRow> TargetColumn(const char* name, const char* title)
{
    return {.name = name,
            .title = title,
            .text = false,
            .nullable = kNullable,
            .get = [](const CallerRow& row) -> SqlValue { return std::int64_t{row.devices[K]}; },
            .set =
                [](CallerRow& row, const SqlValue& value, std::string& why) {
                    long long n = 0;
                    if (!TakeInt(value, 0, n, why) || !FitsInt(n, why))
                        return false;
                    row.devices[K] = static_cast<int>(n);
                    return true;
                },
            .check = [](const CallerRow& row) { return CheckTargetPager(row.devices[K]); }};
}

// --- records -------------------------------------------------------------------------------------

constexpr Rgb kYellow{254, 252, 201};
constexpr Rgb kGreen{210, 254, 205};
constexpr Rgb kCyan{209, 255, 254};
constexpr Rgb kPink{253, 226, 214};

constexpr std::size_t kMaxCodeDigits = 14;

// Leading blanks skipped, decimal digits up to the first other character, 0 when none.
std::uint32_t LeadingNumber(const std::string& text)
{
    std::uint32_t value = 0;
    std::size_t i = text.find_first_not_of(' ');
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
    return value;
}

// A hexadecimal pair as the records read it: as far as its characters are hexadecimal digits,
// 0 when the first is not one or the pair is missing.
std::uint8_t HexPair(const std::string& text, std::size_t at)
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

void PutLittleEndian(RecordBytes& record, std::size_t at, int value)
{
    record[at] = static_cast<std::uint8_t>(value & 0xFF);
    record[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// A text's GBK bytes cut to the field without splitting a character.
bool PutText(RecordBytes& record, std::size_t at, std::size_t size, const std::string& text,
             const char* what, std::string& why)
{
    GbkProblem problem = GbkProblem::None;
    const auto bytes = ToGbk(text, &problem);
    if (!bytes) {
        why = GbkRefusal(problem, std::string(what) + " \"" + text + "\" 含有主机无法显示的字符");
        return false;
    }
    const GbkBytes cut = CutGbk(*bytes, size);
    std::copy(cut.begin(), cut.end(), record.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

// A text field runs up to its 0xFF fill. A NUL ends it too: it cannot be part of a GBK text and
// would not survive the database. A name cut at the field's end inside a two-byte character
// leaves half of it, which no text can hold, so that half is dropped.
std::string FieldText(std::span<const std::uint8_t> field)
{
    std::size_t end = 0;
    while (end < field.size() && field[end] != 0xFF && field[end] != 0x00)
        ++end;
    const GbkBytes whole(field.begin(), field.begin() + static_cast<std::ptrdiff_t>(end));
    return FromGbk(CutGbk(whole, whole.size())).value_or(std::string());
}

std::string Hex(std::span<const std::uint8_t> bytes)
{
    return HexString(bytes);
}

std::optional<RecordBytes> EncodeInfoMachine(const InfoMachineRow& row, const ReceiverTypes& types,
                                             std::string& /*why*/)
{
    RecordBytes record(30, 0);
    record[0] = static_cast<std::uint8_t>((row.pager / 256) & 0xFF);
    record[1] = static_cast<std::uint8_t>(row.pager % 256);
    const auto type = types.find(row.typeNo);
    const ReceiverType receiver = type != types.end() ? type->second : ReceiverType{};
    std::uint8_t mode = 0xF8;
    if (receiver.polarity == 1)
        mode |= 0x04;
    if (receiver.rate == 1)
        mode |= 0x01;
    else if (receiver.rate == 2)
        mode |= 0x02;
    record[2] = mode;
    record[3] = static_cast<std::uint8_t>(
        0xF0 + (receiver.machineType >= 1 && receiver.machineType <= 4 ? receiver.machineType : 0));
    record[4] = 0x02;
    const std::uint32_t value = LeadingNumber(row.address);
    record[8] = static_cast<std::uint8_t>((value >> 16) & 0xFF);
    record[9] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    record[10] = static_cast<std::uint8_t>(value & 0xFF);
    record[29] = 0xFF;
    return record;
}

std::optional<InfoMachineRow> DecodeInfoMachine(std::span<const std::uint8_t> r)
{
    InfoMachineRow row;
    row.pager = r[0] * 256 + r[1];
    row.address = std::to_string((static_cast<long>(r[8]) << 16) | (r[9] << 8) | r[10]);
    // The machine type code is the type's number (each type's MachineType is its TypeNo); a
    // code no download of ours writes stays as it is, for the rules to refuse.
    row.typeNo = r[3] & 0x07;
    return row;
}

std::vector<std::string> ShownInfoMachine(const InfoMachineRow& row)
{
    return {std::to_string(row.pager), row.address,
            row.typeNo >= 0 && row.typeNo < static_cast<int>(kReceiverTypeNames.size())
                ? kReceiverTypeNames[static_cast<std::size_t>(row.typeNo)]
                : std::to_string(row.typeNo)};
}

std::optional<RecordBytes> EncodeHandheld(const HandheldRow& row, const ReceiverTypes& /*types*/,
                                          std::string& /*why*/)
{
    return RecordBytes{static_cast<std::uint8_t>(row.number & 0xFF),
                       HexPair(row.code, 0),
                       HexPair(row.code, 2),
                       0xFF,
                       0xFF,
                       0xFF};
}

std::optional<HandheldRow> DecodeHandheld(std::span<const std::uint8_t> r)
{
    if ((r[1] == 0x00 && r[2] == 0x00) || (r[1] == 0xFF && r[2] == 0xFF))
        return std::nullopt;
    return HandheldRow{r[0], Hex(r.subspan(1, 2)), {}};
}

std::vector<std::string> ShownHandheld(const HandheldRow& row)
{
    return {std::to_string(row.number), row.code};
}

std::optional<RecordBytes> EncodeCaller(const CallerRow& row, const ReceiverTypes& /*types*/,
                                        std::string& why)
{
    if (row.codeNo.size() > kMaxCodeDigits) {
        why = "特征码 " + row.codeNo + " 超过14位，无法下载";
        return std::nullopt;
    }
    RecordBytes record(100, 0xFF);
    record[0] = row.codeType == 0 ? 0x55 : 0x5A;
    for (std::size_t pair = 0; pair < row.codeNo.size() / 2; ++pair)
        record[1 + pair] = HexPair(row.codeNo, pair * 2);
    PutLittleEndian(record, 8, row.callNo);
    if (!PutText(record, 10, 10, row.callName, "中文名称", why) ||
        !PutText(record, 20, 48, row.keyName, "信息内容", why))
        return std::nullopt;
    for (std::size_t i = 0; i < row.devices.size(); ++i)
        PutLittleEndian(record, 68 + 2 * i, row.devices[i]);
    record[84] = static_cast<std::uint8_t>(row.zhuiHu & 0xFF);
    return record;
}

std::optional<CallerRow> DecodeCaller(std::span<const std::uint8_t> r)
{
    const bool shortCode = r[0] == 0x55;
    CallerRow row;
    row.codeType = shortCode ? 0 : 1;
    row.codeNo = Hex(r.subspan(1, shortCode ? 3 : 6));
    row.callNo = r[8] + r[9] * 256;
    row.callName = FieldText(r.subspan(10, 10));
    row.keyName = FieldText(r.subspan(20, 48));
    for (std::size_t k = 0; k < kCallerTargets; ++k) {
        const std::uint8_t low = r[68 + 2 * k];
        const std::uint8_t high = r[69 + 2 * k];
        row.devices[k] = low == 0xFF && high == 0xFF ? kNoTarget : low + high * 256;
    }
    row.zhuiHu = r[84];
    return row;
}

std::vector<std::string> ShownCaller(const CallerRow& row)
{
    std::vector<std::string> cells = {std::to_string(row.codeType)};
    for (std::string& cell : CallerCells(row))
        cells.push_back(std::move(cell));
    return cells;
}

// --- the descriptions
// ------------------------------------------------------------------------------

constexpr TableColumn<InfoMachineRow> kInfoMachineColumns[] = {
    IntColumn<InfoMachineRow, &InfoMachineRow::pager, CheckPagerNumber>("DeviceNo", "传呼号",
                                                                        kRequired),
    TextColumn<InfoMachineRow, &InfoMachineRow::address, CheckAddress>("Address", "地址码",
                                                                       kRequired),
    TextColumn<InfoMachineRow, &InfoMachineRow::remark, CheckStoredText>("Remark", "备注",
                                                                         kNullable),
    IntColumn<InfoMachineRow, &InfoMachineRow::typeNo, CheckReceiverType>("TypeNo", "类型",
                                                                          kRequired),
};

constexpr TableColumn<HandheldRow> kHandheldColumns[] = {
    IntColumn<HandheldRow, &HandheldRow::number, CheckHandheldNumber>("DeviceNo", "编号",
                                                                      kRequired),
    TextColumn<HandheldRow, &HandheldRow::code, CheckHandheldCode>("Address", "地址码", kRequired),
    TextColumn<HandheldRow, &HandheldRow::remark, CheckStoredText>("Remark", "备注", kNullable),
};

constexpr TableColumn<CallerRow> kCallerColumns[] = {
    TextColumn<CallerRow, &CallerRow::codeNo, CheckCallerCode>("CodeNo", "特征码", kRequired),
    IntColumn<CallerRow, &CallerRow::callNo, CheckCallerNumber>("CallNo", "呼叫器号", kNullable),
    // Names travel to the host: the host's texts only.
    TextColumn<CallerRow, &CallerRow::callName, CheckHostText>("CallName", "中文名称", kNullable),
    TextColumn<CallerRow, &CallerRow::keyName, CheckHostText>("KeyName", "信息内容", kNullable),
    TargetColumn<0>("DeviceNo1", "信息机1"),
    TargetColumn<1>("DeviceNo2", "信息机2"),
    TargetColumn<2>("DeviceNo3", "信息机3"),
    TargetColumn<3>("DeviceNo4", "信息机4"),
    TargetColumn<4>("DeviceNo5", "中级主管1"),
    TargetColumn<5>("DeviceNo6", "中级主管2"),
    TargetColumn<6>("DeviceNo7", "高级主管1"),
    TargetColumn<7>("DeviceNo8", "高级主管2"),
    IntColumn<CallerRow, &CallerRow::zhuiHu, CheckEscalation>("ZhuiHu", "追呼类型", kRequired),
    IntColumn<CallerRow, &CallerRow::codeType, CheckCodeType>("CodeType", "特征码类型", kNullable),
};

constexpr ShownColumn kShownInfoMachineColumns[] = {
    {"设备编号", kYellow}, {"设备地址", kGreen}, {"设备类型", std::nullopt}};
constexpr ShownColumn kShownHandheldColumns[] = {{"设备编号", std::nullopt},
                                                 {"设备地址", std::nullopt}};
constexpr ShownColumn kShownCallerColumns[] = {
    {"机器类型", kYellow}, {"特征码", kGreen},    {"呼叫器号", kCyan},  {"中文名称", kYellow},
    {"信息内容", kYellow}, {"信息机1", kGreen},   {"信息机2", kGreen},  {"信息机3", kGreen},
    {"信息机4", kGreen},   {"中级主管1", kCyan},  {"中级主管2", kCyan}, {"高级主管1", kPink},
    {"高级主管2", kPink},  {"追呼类型", kYellow},
};

const RegistrationTable<InfoMachineRow> kInfoMachineTable = {
    .kind = TableKind::InfoMachines,
    .databaseTable = "T_Device1",
    .orderBy = "DeviceNo",
    .jsonKey = "infoMachines",
    .cliName = "im",
    .rowsTitle = "信息机",
    .keyTitle = "传呼号",
    .capacityUnit = "个信息机！",
    .importUnit = "个设备",
    .capacity = &Capacity::infoMachines,
    .columns = kInfoMachineColumns,
    .key = [](const InfoMachineRow& row) { return std::to_string(row.pager); },
    .recordSize = 30,
    .downloadCommand = 0x65,
    .readBackCommand = 0x84,
    .downloadCaption = "下载Bp机信息",
    .readBackCaption = "读取信息机信息",
    .recordFile = "RDevice.txt",
    .emptyMessage = "Bp机信息表中没有数据！",
    .sentMessage = nullptr,
    .failedMessage = nullptr,
    .encode = EncodeInfoMachine,
    .decode = DecodeInfoMachine,
    .browserTitle = "回读数据浏览------信息机参数",
    .browserWidth = 700,
    .browserTinted = true,
    .missingFileMessage = "无法找到回读RDevice.txt文件！",
    .shownColumns = kShownInfoMachineColumns,
    .shownCells = ShownInfoMachine,
};

const RegistrationTable<HandheldRow> kHandheldTable = {
    .kind = TableKind::Handhelds,
    .databaseTable = "T_Device2",
    .orderBy = "DeviceNo",
    .jsonKey = "handhelds",
    .cliName = "handhelds",
    .rowsTitle = "手持呼叫器",
    .keyTitle = "手持呼叫器",
    .capacityUnit = "个手持呼叫器！",
    .importUnit = "个记录",
    .capacity = &Capacity::handhelds,
    .columns = kHandheldColumns,
    .key = [](const HandheldRow& row) { return std::to_string(row.number); },
    .recordSize = 6,
    .downloadCommand = 0x68,
    .readBackCommand = 0x87,
    .downloadCaption = "手持呼叫器匹配表",
    .readBackCaption = "读取手持呼叫器信息",
    .recordFile = "RSCCall.txt",
    .emptyMessage = nullptr,
    .sentMessage = "手持呼叫器匹配表设置成功！",
    .failedMessage = "手持呼叫器匹配表设置失败！",
    .encode = EncodeHandheld,
    .decode = DecodeHandheld,
    .browserTitle = "回读数据浏览------手持呼叫器参数",
    .browserWidth = 700,
    .browserTinted = false,
    .missingFileMessage = "无法找到回读文件RSCCall.txt文件！",
    .shownColumns = kShownHandheldColumns,
    .shownCells = ShownHandheld,
};

const RegistrationTable<CallerRow> kCallerTable = {
    .kind = TableKind::Callers,
    .databaseTable = "T_Device3",
    .orderBy = "CodeNo",
    .jsonKey = "callers",
    .cliName = "callers",
    .rowsTitle = "呼叫器",
    .keyTitle = "特征码",
    .capacityUnit = "个呼叫器！",
    .importUnit = "个设备",
    .capacity = &Capacity::callerRows,
    .columns = kCallerColumns,
    .key = [](const CallerRow& row) { return row.codeNo; },
    .recordSize = 100,
    .downloadCommand = 0x66,
    .readBackCommand = 0x85,
    .downloadCaption = "呼叫器信息",
    .readBackCaption = "读取呼叫器信息",
    .recordFile = "RCall.txt",
    .emptyMessage = nullptr,
    .sentMessage = "下载呼叫器信息成功！",
    .failedMessage = "下载呼叫器信息失败！",
    .encode = EncodeCaller,
    .decode = DecodeCaller,
    .browserTitle = "回读数据浏览------呼叫器参数",
    .browserWidth = 1150,
    .browserTinted = true,
    .missingFileMessage = "无法找到回读文件RCall.txt文件！",
    .shownColumns = kShownCallerColumns,
    .shownCells = ShownCaller,
};

// Rows are written only for a file that exists.
constexpr const char* kFileExists = "exists (select 1 from T_FileName where FileName=?)";

template <typename Row> std::string ColumnList(const RegistrationTable<Row>& table)
{
    std::string list;
    for (const TableColumn<Row>& column : table.columns)
        list += std::string(list.empty() ? "" : ",") + column.name;
    return list;
}

} // namespace

const RegistrationTable<InfoMachineRow>& InfoMachineTable()
{
    return kInfoMachineTable;
}

const RegistrationTable<HandheldRow>& HandheldTable()
{
    return kHandheldTable;
}

const RegistrationTable<CallerRow>& CallerTable()
{
    return kCallerTable;
}

std::optional<TableKind> TableNamed(std::string_view cliName)
{
    std::optional<TableKind> found;
    ForEachTable([&](const auto& table) {
        if (cliName == table.cliName)
            found = table.kind;
    });
    return found;
}

template <typename Row>
StoredRows<Row> LoadRows(Database& db, const RegistrationTable<Row>& table,
                         const std::string& fileName)
{
    StoredRows<Row> stored;
    const auto result = db.Query("select " + ColumnList(table) + " from " + table.databaseTable +
                                     " where FileName=? order by " + table.orderBy,
                                 {fileName});
    if (!result)
        return stored;
    stored.read = true;
    for (const std::vector<SqlValue>& values : *result) {
        Row row;
        std::string problem;
        for (std::size_t c = 0; c < table.columns.size() && problem.empty(); ++c) {
            std::string why;
            if (!table.columns[c].set(row, values[c], why))
                problem = std::string(table.columns[c].name) + " " + why;
        }
        const bool taken = problem.empty();
        if (taken) {
            stored.asStored.push_back(row);
            problem = CheckRow(table, row);
        }
        if (problem.empty()) {
            stored.rows.push_back(std::move(row));
            continue;
        }
        // The key as stored, even when it is what is wrong.
        const std::string keyText = RowKeyText(values[0]);
        stored.refused.push_back({keyText, problem});
        if (!taken)
            stored.unreadable.push_back({keyText, problem});
    }
    return stored;
}

template <typename Row>
bool CopyRows(Database& db, const RegistrationTable<Row>& table, const std::string& from,
              const std::string& to)
{
    const std::string columns = ColumnList(table);
    return db.Execute(std::string("insert into ") + table.databaseTable + " (" + columns +
                          ",FileName) select " + columns + ",? from " + table.databaseTable +
                          " where FileName=? and " + kFileExists + " order by " + table.orderBy,
                      {to, from, to});
}

template bool CopyRows(Database&, const RegistrationTable<InfoMachineRow>&, const std::string&,
                       const std::string&);
template bool CopyRows(Database&, const RegistrationTable<HandheldRow>&, const std::string&,
                       const std::string&);
template bool CopyRows(Database&, const RegistrationTable<CallerRow>&, const std::string&,
                       const std::string&);

std::optional<ReceiverTypes> LoadReceiverTypes(Database& db)
{
    const auto result = db.Query("select TypeNo,MachineType,Rate,Polarity from T_Type");
    if (!result)
        return std::nullopt;
    ReceiverTypes types;
    const auto number = [](const SqlValue& value) {
        const auto* n = std::get_if<std::int64_t>(&value);
        return n != nullptr ? static_cast<int>(*n) : 0;
    };
    for (const std::vector<SqlValue>& row : *result)
        types[number(row[0])] = {number(row[1]), number(row[2]), number(row[3])};
    return types;
}

template StoredRows<InfoMachineRow> LoadRows(Database&, const RegistrationTable<InfoMachineRow>&,
                                             const std::string&);
template StoredRows<HandheldRow> LoadRows(Database&, const RegistrationTable<HandheldRow>&,
                                          const std::string&);
template StoredRows<CallerRow> LoadRows(Database&, const RegistrationTable<CallerRow>&,
                                        const std::string&);
namespace {

// Why the last statement failed, as the user is told.
std::string FailureOf(Database& db)
{
    const auto failure = db.TakeFailure();
    return DescribeDatabaseFailure(failure.value_or(DatabaseFailure{0, db.GetLastErrorString()}),
                                   db.Path());
}

template <typename Row> std::string KeyColumn(const RegistrationTable<Row>& table)
{
    return table.columns.front().name;
}

} // namespace

std::string RowKeyText(const SqlValue& key)
{
    if (const auto* text = std::get_if<std::string>(&key))
        return *text;
    if (const auto* number = std::get_if<std::int64_t>(&key))
        return std::to_string(*number);
    return {};
}

template <typename Row>
std::string InsertRow(Database& db, const RegistrationTable<Row>& table,
                      const std::string& fileName, const Row& row)
{
    if (std::string why = CheckRow(table, row); !why.empty())
        return why;
    std::string marks;
    SqlParams params;
    for (const TableColumn<Row>& column : table.columns) {
        marks += "?,";
        params.push_back(column.get(row));
    }
    params.emplace_back(fileName);
    params.emplace_back(fileName);
    if (!db.Execute(std::string("insert into ") + table.databaseTable + " (" + ColumnList(table) +
                        ",FileName) select " + marks + "? where " + kFileExists,
                    params))
        return FailureOf(db);
    return db.GetRecordsAffected() > 0 ? std::string() : NoSuchFileMessage(fileName);
}

template <typename Row>
std::string UpdateRow(Database& db, const RegistrationTable<Row>& table,
                      const std::string& fileName, const SqlValue& storedKey, const Row& row)
{
    const std::optional<Row> stored = FindRow(db, table, fileName, storedKey);
    if (!stored)
        return std::string(table.keyTitle) + " " + RowKeyText(storedKey) + " is no longer stored";
    std::string assignments;
    SqlParams params;
    for (const TableColumn<Row>& column : table.columns) {
        const SqlValue value = column.get(row);
        if (value != column.get(*stored)) {
            if (std::string why = column.check(row); !why.empty())
                return why;
        }
        assignments += std::string(assignments.empty() ? "" : ",") + column.name + "=?";
        params.push_back(value);
    }
    const SqlValue key = KeyOf(table, row);
    if (key != storedKey && FindRow(db, table, fileName, key))
        return std::string(table.keyTitle) + " " + RowKeyText(key) + " is in the file already";
    params.emplace_back(storedKey);
    params.emplace_back(fileName);
    params.emplace_back(fileName);
    if (!db.Execute(std::string("update ") + table.databaseTable + " set " + assignments +
                        " where " + KeyColumn(table) + "=? and FileName=? and " + kFileExists,
                    params))
        return FailureOf(db);
    return db.GetRecordsAffected() > 0 ? std::string() : NoSuchFileMessage(fileName);
}

template <typename Row>
std::optional<Row> FindRow(Database& db, const RegistrationTable<Row>& table,
                           const std::string& fileName, const SqlValue& key)
{
    const auto result = db.Query("select " + ColumnList(table) + " from " + table.databaseTable +
                                     " where " + KeyColumn(table) + "=? and FileName=?",
                                 {key, fileName});
    if (!result || result->empty())
        return std::nullopt;
    Row row;
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        std::string why;
        if (!table.columns[c].set(row, result->front()[c], why))
            return std::nullopt;
    }
    return row;
}

template <typename Row>
std::optional<int> CountRows(Database& db, const RegistrationTable<Row>& table,
                             const std::string& fileName)
{
    const auto result =
        db.Query(std::string("select count(*) from ") + table.databaseTable + " where FileName=?",
                 {fileName});
    if (!result || result->empty())
        return std::nullopt;
    const auto* count = std::get_if<std::int64_t>(&result->front().front());
    return count != nullptr ? std::optional<int>(static_cast<int>(*count)) : std::nullopt;
}

template <typename Row>
bool DeleteRow(Database& db, const RegistrationTable<Row>& table, const std::string& fileName,
               const SqlValue& key)
{
    return db.Execute(std::string("delete from ") + table.databaseTable + " where " +
                          KeyColumn(table) + "=? and FileName=?",
                      {key, fileName});
}

template <typename Row>
bool DeleteRows(Database& db, const RegistrationTable<Row>& table, const std::string& fileName)
{
    return db.Execute(std::string("delete from ") + table.databaseTable + " where FileName=?",
                      {fileName});
}

#define PX_REGISTRATION_WRITES(Row)                                                                \
    template std::string InsertRow(Database&, const RegistrationTable<Row>&, const std::string&,   \
                                   const Row&);                                                    \
    template std::string UpdateRow(Database&, const RegistrationTable<Row>&, const std::string&,   \
                                   const SqlValue&, const Row&);                                   \
    template std::optional<Row> FindRow(Database&, const RegistrationTable<Row>&,                  \
                                        const std::string&, const SqlValue&);                      \
    template std::optional<int> CountRows(Database&, const RegistrationTable<Row>&,                \
                                          const std::string&);                                     \
    template bool DeleteRow(Database&, const RegistrationTable<Row>&, const std::string&,          \
                            const SqlValue&);                                                      \
    template bool DeleteRows(Database&, const RegistrationTable<Row>&, const std::string&);
PX_REGISTRATION_WRITES(InfoMachineRow)
PX_REGISTRATION_WRITES(HandheldRow)
PX_REGISTRATION_WRITES(CallerRow)
#undef PX_REGISTRATION_WRITES

} // namespace px
