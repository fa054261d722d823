#include "registry/CallerSheet.h"

#include "common/Csv.h"
#include "registry/RegistryViews.h"
#include "storage/RegistrationTables.h"
#include "storage/RowRules.h"
#include "storage/Transaction.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace px {

namespace {

enum class Column
{
    CodeNo,
    CallNo,
    CallName,
    KeyName,
    Device1, // .. Device8 follow in order
    Device2,
    Device3,
    Device4,
    Device5,
    Device6,
    Device7,
    Device8,
    ZhuiHu,
};

// The spreadsheet's columns are the caller table's, in its order, but for CodeType, which
// follows from the code's length (the grid shows the same columns).
constexpr std::size_t kSheetColumns = kCallerGridColumns;

const TableColumn<CallerRow>& ColumnOf(Column column)
{
    return CallerTable().columns[static_cast<std::size_t>(column)];
}

std::string Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool SameName(const std::string& a, const char* b)
{
    return Upper(a) == Upper(b);
}

std::optional<Column> ColumnNamed(const std::string& name)
{
    for (std::size_t c = 0; c < kSheetColumns; ++c) {
        const auto column = static_cast<Column>(c);
        if (name == ColumnOf(column).title || SameName(name, ColumnOf(column).name))
            return column;
    }
    return std::nullopt;
}

// A whole number of at most digits digits, or nothing.
std::optional<int> Digits(const std::string& text, std::size_t digits)
{
    if (text.empty() || text.size() > digits ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(text);
}

std::string CallerPart(const std::string& code)
{
    return Upper(code.substr(0, code.size() - 1));
}

// The rows the file holds now, by upper-case feature code.
struct StoredRows
{
    std::map<std::string, CallerRow> byCode;
    std::map<std::string, int> numberOfCaller; // caller part -> its caller number
    int highestNumber = 0;
};

std::optional<StoredRows> LoadStoredRows(Database& db, const std::string& fileName,
                                         std::string& error)
{
    auto values = LoadRowsAsStored(db, CallerTable(), fileName, error);
    if (!values)
        return std::nullopt;
    StoredRows stored;
    for (CallerRow& v : *values) {
        stored.highestNumber = std::max(stored.highestNumber, v.callNo);
        if (!v.codeNo.empty())
            stored.numberOfCaller.emplace(CallerPart(v.codeNo), v.callNo);
        stored.byCode.emplace(Upper(v.codeNo), std::move(v));
    }
    return stored;
}

// The target of a new caller's keys: the lowest pager number of the file, none when that is
// pager 0 or there is no information machine (as registration does).
int DefaultDevice(Database& db, const std::string& fileName)
{
    QueryResult rs(db);
    if (!rs.Open(db, "select DeviceNo from T_Device1 where FileName=? order by DeviceNo limit 1",
                 {fileName}) ||
        rs.IsEof())
        return -1;
    const int pager = FieldInt(rs, "DeviceNo");
    return pager == 0 ? -1 : pager;
}

// Applies one cell to the values; the reason when the cell cannot be taken.
std::string ApplyCell(Column column, const std::string& text, CallerRow& v)
{
    const std::string label = std::string(ColumnOf(column).title) + ": ";
    switch (column) {
    case Column::CodeNo:
        return {};
    case Column::CallNo: {
        const auto n = Digits(text, 5);
        if (!n)
            return label + "\"" + text + "\" is not a caller number";
        if (std::string problem = CheckCallerNumber(*n); !problem.empty())
            return label + problem;
        v.callNo = *n;
        return {};
    }
    case Column::CallName:
    case Column::KeyName: {
        // A cell our export guarded against spreadsheet formulas: the text it stands for.
        const std::string unguarded = UnguardedCsvText(text);
        if (std::string problem = CheckHostText(unguarded); !problem.empty())
            return label + problem;
        (column == Column::CallName ? v.callName : v.keyName) = unguarded;
        return {};
    }
    case Column::ZhuiHu: {
        for (std::size_t i = 0; i < kEscalationNames.size(); ++i) {
            if (text == kEscalationNames[i] || text == std::to_string(i)) {
                v.zhuiHu = static_cast<int>(i);
                return {};
            }
        }
        return label + "\"" + text + "\" is none of 不追呼, 追呼, 删除追呼, 0, 1, 2";
    }
    default: {
        const std::size_t index =
            static_cast<std::size_t>(column) - static_cast<std::size_t>(Column::Device1);
        if (text.empty() || text == "-1") {
            v.devices[index] = -1;
            return {};
        }
        const auto n = Digits(text, 3);
        if (!n)
            return label + "\"" + text + "\" is not a pager number";
        if (std::string problem = CheckPagerNumber(*n); !problem.empty())
            return label + problem;
        v.devices[index] = *n;
        return {};
    }
    }
}

// The names of the columns whose values differ.
std::vector<std::string> ChangedColumns(const CallerRow& before, const CallerRow& after)
{
    std::vector<std::string> changed;
    const auto note = [&](bool differs, Column column) {
        if (differs)
            changed.emplace_back(ColumnOf(column).title);
    };
    note(before.callNo != after.callNo, Column::CallNo);
    note(before.callName != after.callName, Column::CallName);
    note(before.keyName != after.keyName, Column::KeyName);
    for (std::size_t i = 0; i < before.devices.size(); ++i)
        note(before.devices[i] != after.devices[i],
             static_cast<Column>(static_cast<std::size_t>(Column::Device1) + i));
    note(before.zhuiHu != after.zhuiHu, Column::ZhuiHu);
    return changed;
}

// Which column of the file holds which caller column (nothing for a column not ours, whose
// name goes to ignored); nothing, with the reason, for a header that names a column twice or
// lacks the feature code.
std::optional<std::vector<std::optional<Column>>>
HeaderColumns(const std::vector<std::string>& header, std::vector<std::string>& ignored,
              std::string& error)
{
    std::vector<std::optional<Column>> columnAt;
    std::set<Column> present;
    for (const std::string& raw : header) {
        const std::string name = Trim(raw);
        const auto column = ColumnNamed(name);
        if (column && !present.insert(*column).second) {
            error = "line 1: the column " + name + " appears twice";
            return std::nullopt;
        }
        if (!column)
            ignored.push_back(name);
        columnAt.push_back(column);
    }
    if (present.empty()) {
        error = "line 1 names no caller column (特征码/CodeNo, 呼叫器号/CallNo, 中文名称/CallName, "
                "信息内容/KeyName, 信息机1..4, 中级主管1..2, 高级主管1..2, 追呼类型/ZhuiHu)";
        return std::nullopt;
    }
    if (!present.contains(Column::CodeNo)) {
        error = "line 1 has no 特征码 (CodeNo) column: rows are matched by feature code";
        return std::nullopt;
    }
    return columnAt;
}

// What registration gives a new key: the key name of its key number, the first pager
// everywhere (its caller's number is given apart: the next free one for a new caller).
CallerRow NewKey(const std::string& code, const std::vector<std::string>& keyNames,
                 int defaultDevice)
{
    CallerRow values;
    values.codeNo = code;
    values.codeType = CodeTypeOf(code);
    const char digit = code.back();
    const std::size_t keyIndex =
        digit >= '1' && digit <= '9' ? static_cast<std::size_t>(digit - '1') : 0;
    values.keyName = keyIndex < keyNames.size() ? keyNames[keyIndex] : "";
    values.devices.fill(defaultDevice);
    return values;
}

} // namespace

const char* SheetActionName(SheetAction action)
{
    switch (action) {
    case SheetAction::Add:
        return "add";
    case SheetAction::Change:
        return "change";
    case SheetAction::Unchanged:
        return "unchanged";
    case SheetAction::Refuse:
        return "refused";
    }
    return "";
}

int SheetPreview::Count(SheetAction action) const
{
    return static_cast<int>(std::count_if(
        rows.begin(), rows.end(), [action](const SheetRow& r) { return r.action == action; }));
}

std::optional<SheetPreview> PreviewCallerSheet(Database& db, const SheetTarget& target,
                                               std::string_view bytes, std::string& error)
{
    if (bytes.size() > kMaxSheetBytes) {
        error = "the file is " + std::to_string(bytes.size()) + " bytes, more than the " +
                std::to_string(kMaxSheetBytes) + " a caller list can take";
        return std::nullopt;
    }
    const std::optional<DecodedText> text = DecodeUtf8OrGbk(bytes, error);
    if (!text)
        return std::nullopt;
    const auto records = ParseCsv(text->utf8, error);
    if (!records)
        return std::nullopt;
    if (records->empty()) {
        error = "the file is empty";
        return std::nullopt;
    }

    SheetPreview preview;
    preview.encoding = text->encoding;
    const std::vector<std::string>& header = records->front().fields;
    const auto columnAt = HeaderColumns(header, preview.ignoredColumns, error);
    if (!columnAt)
        return std::nullopt;

    auto stored = LoadStoredRows(db, target.fileName, error);
    if (!stored)
        return std::nullopt;
    const int defaultDevice = DefaultDevice(db, target.fileName);
    std::map<std::string, int> lineOfCode;
    int nextNumber = stored->highestNumber + 1;
    int rowsAfter = static_cast<int>(stored->byCode.size());

    for (std::size_t r = 1; r < records->size(); ++r) {
        const CsvRecord& record = (*records)[r];
        SheetRow row;
        row.line = record.line;
        const auto refuse = [&](std::string why) {
            row.action = SheetAction::Refuse;
            row.reason = std::move(why);
            preview.rows.push_back(std::move(row));
        };
        if (record.fields.size() != header.size()) {
            refuse(std::to_string(record.fields.size()) + " fields, the first line has " +
                   std::to_string(header.size()));
            continue;
        }
        std::map<Column, std::string> cells;
        for (std::size_t i = 0; i < header.size(); ++i) {
            if ((*columnAt)[i])
                cells[*(*columnAt)[i]] = Trim(record.fields[i]);
        }
        row.code = cells[Column::CodeNo];
        if (std::string problem = CheckCallerCode(row.code); !problem.empty()) {
            refuse("特征码: " + problem);
            continue;
        }
        const std::string key = Upper(row.code);
        if (const auto seen = lineOfCode.find(key); seen != lineOfCode.end()) {
            refuse("特征码 " + row.code + " is already in line " + std::to_string(seen->second));
            continue;
        }
        lineOfCode.emplace(key, row.line);

        const auto existing = stored->byCode.find(key);
        CallerRow values;
        if (existing != stored->byCode.end()) {
            values = existing->second;
            row.storedCode = existing->second.codeNo;
        } else {
            values = NewKey(row.code, target.keyNames, defaultDevice);
        }
        std::string problem;
        for (const auto& [column, cell] : cells) {
            // An empty caller number or escalation keeps what the row has or gets by default.
            if ((column == Column::CallNo || column == Column::ZhuiHu) && cell.empty())
                continue;
            problem = ApplyCell(column, cell, values);
            if (!problem.empty())
                break;
        }
        if (!problem.empty()) {
            refuse(problem);
            continue;
        }
        if (existing == stored->byCode.end() &&
            (!cells.contains(Column::CallNo) || cells[Column::CallNo].empty())) {
            const auto [it, added] =
                stored->numberOfCaller.emplace(CallerPart(row.code), nextNumber);
            if (added)
                ++nextNumber;
            values.callNo = it->second;
            if (std::string why = CheckCallerNumber(values.callNo); !why.empty()) {
                refuse("呼叫器号: " + why);
                continue;
            }
        }
        if (existing == stored->byCode.end()) {
            const std::string full =
                CapacityMessage(CallerTable(), rowsAfter, target.hostModel, target.fileType);
            if (!full.empty()) {
                refuse(full);
                continue;
            }
            ++rowsAfter;
            row.action = SheetAction::Add;
        } else {
            row.changed = ChangedColumns(existing->second, values);
            row.action = row.changed.empty() ? SheetAction::Unchanged : SheetAction::Change;
        }
        row.values = std::move(values);
        preview.rows.push_back(std::move(row));
    }
    return preview;
}

bool ApplyCallerSheet(Database& db, const std::string& fileName, const SheetPreview& preview,
                      std::string& error)
{
    if (!preview.AllAccepted()) {
        error = std::to_string(preview.Count(SheetAction::Refuse)) +
                " rows are refused; nothing was written";
        return false;
    }
    Transaction transaction(db);
    if (!transaction.Began()) {
        error = db.GetErrorDescription();
        return false;
    }
    std::string why;
    for (const SheetRow& row : preview.rows) {
        if (row.action == SheetAction::Change)
            why = UpdateRow(db, CallerTable(), fileName, row.storedCode, row.values);
        else if (row.action == SheetAction::Add)
            why = InsertRow(db, CallerTable(), fileName, row.values);
        if (!why.empty())
            break;
    }
    if (why.empty() && transaction.Commit())
        return true;
    error = (why.empty() ? db.GetErrorDescription() : why) + "; nothing was written";
    return false;
}

std::optional<std::string> ExportCallerSheet(Database& db, const std::string& fileName,
                                             TextEncoding encoding, std::string& error)
{
    auto stored = LoadStoredRows(db, fileName, error);
    if (!stored)
        return std::nullopt;
    std::vector<std::string> header;
    header.reserve(kSheetColumns);
    for (std::size_t c = 0; c < kSheetColumns; ++c)
        header.emplace_back(ColumnOf(static_cast<Column>(c)).title);
    std::string text = CsvLine(header);
    for (const auto& [key, v] : stored->byCode) {
        const CallerGridRow cells = CallerCells(v);
        std::vector<std::string> fields(cells.begin(), cells.end());
        // Texts a spreadsheet would take for a formula go out behind an apostrophe.
        for (const Column column : {Column::CallName, Column::KeyName}) {
            std::string& field = fields[static_cast<std::size_t>(column)];
            field = GuardedCsvText(field);
        }
        for (const std::string& field : fields) {
            if (!IsValidUtf8(field)) {
                error = "特征码 " + v.codeNo + ": the database holds a text that is not UTF-8";
                return std::nullopt;
            }
        }
        text += CsvLine(fields);
    }
    if (encoding != TextEncoding::Gbk)
        return "\xEF\xBB\xBF" + text;
    GbkProblem problem = GbkProblem::None;
    const auto gbk = ToGbk(text, &problem);
    if (!gbk) {
        error = GbkRefusal(problem, "a text of the list cannot be written in GBK; export it as "
                                    "UTF-8");
        return std::nullopt;
    }
    return std::string(gbk->begin(), gbk->end());
}

} // namespace px
