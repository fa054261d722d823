#pragma once

// The three registration tables of a configuration file (information machines, handheld
// callers, callers), each described once: where it is stored and under which names it travels
// (database table, JSON key, pxctl name), how many rows a model holds, its columns with their
// rules, and how the host keeps its rows (record size, command bytes, the read-back's record
// file). Its rows are typed. Downloads, read-backs, verify, imports, the JSON form and the
// displays iterate these descriptions; nothing else names the three tables one by one.

#include "common/Models.h"
#include "storage/Database.h"
#include "storage/RowRules.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace px {

// --- the rows ------------------------------------------------------------------------------------

struct InfoMachineRow // T_Device1
{
    int pager = 0;
    std::string address; // 1 to 7 decimal digits, as typed
    std::string remark;
    int typeNo = 0; // receiver type, T_Type.TypeNo
    bool operator==(const InfoMachineRow&) const = default;
};

struct HandheldRow // T_Device2
{
    int number = 0;
    std::string code; // four hexadecimal digits
    std::string remark;
    bool operator==(const HandheldRow&) const = default;
};

inline constexpr std::size_t kCallerTargets = 8; // DeviceNo1..8
inline constexpr int kNoTarget = -1;

struct CallerRow // T_Device3, one row per key
{
    std::string codeNo; // 6 or 12 hexadecimal digits, the last the key number
    int callNo = 0;
    std::string callName;
    std::string keyName;
    // Information machines 1-4, middle managers 1-2, senior managers 1-2; kNoTarget for none.
    std::array<int, kCallerTargets> devices{kNoTarget, kNoTarget, kNoTarget, kNoTarget,
                                            kNoTarget, kNoTarget, kNoTarget, kNoTarget};
    int zhuiHu = 0;   // escalation: 0 none, 1 escalate, 2 cancel escalation
    int codeType = 0; // 0 short code, 1 long code
    bool operator==(const CallerRow&) const = default;
};

// --- the columns ---------------------------------------------------------------------------------

// A column of a table: its name in the database and in JSON, its title in the window and on
// spreadsheets, and its rule. Values pass as the database holds them.
template <typename Row> struct TableColumn
{
    const char* name;
    const char* title;
    bool text;
    // Whether the database (and a JSON document) may leave it NULL.
    bool nullable;
    // The value of a row; integer columns as std::int64_t, text columns as std::string.
    SqlValue (*get)(const Row& row);
    // Takes a value for the row: false, with the reason, for a value of the wrong kind. A NULL
    // integer reads as the column's value for none, a NULL text as empty.
    bool (*set)(Row& row, const SqlValue& value, std::string& why);
    // The rule a value of the column keeps: empty when it does, else the reason.
    std::string (*check)(const Row& row);
};

// --- the host's side -----------------------------------------------------------------------------

using RecordBytes = std::vector<std::uint8_t>;

// What an information machine's record needs from the receiver type it names.
struct ReceiverType
{
    int machineType = 0;
    int rate = 0;
    int polarity = 0;
};
using ReceiverTypes = std::map<int, ReceiverType>; // by TypeNo

// A column of the read-back browser: its title and background.
struct ShownColumn
{
    const char* title;
    std::optional<Rgb> background;
};

enum class TableKind
{
    InfoMachines,
    Handhelds,
    Callers,
};

template <typename Row> struct RegistrationTable
{
    using RowType = Row;

    TableKind kind;
    const char* databaseTable; // "T_Device1"
    const char* orderBy;       // the column the host's order follows
    const char* jsonKey;       // "infoMachines"
    const char* cliName;       // "im"
    const char* rowsTitle;     // what a notice names the rows: "信息机"
    const char* keyTitle;      // what a row is named by: "传呼号"
    const char* capacityUnit;  // "个信息机！"
    const char* importUnit;    // how the read-back import's question counts rows: "个设备"
    int Capacity::*capacity;
    std::span<const TableColumn<Row>> columns;
    // The key a row is known by (pager number, feature code, handheld number).
    std::string (*key)(const Row& row);

    // The host's records.
    std::size_t recordSize;
    std::uint8_t downloadCommand;
    std::uint8_t readBackCommand;
    const char* downloadCaption;
    const char* readBackCaption;
    const char* recordFile; // the read-back's file in the data folder
    // What a download says: an empty table (nullptr: it ends silently), a success and a
    // failure (nullptr: the progress window alone tells the outcome).
    const char* emptyMessage;
    const char* sentMessage;
    const char* failedMessage;
    // One row as the host stores it; nothing, with the reason, when the record would change a
    // value (a code longer than the record, a text the host cannot show).
    std::optional<RecordBytes> (*encode)(const Row& row, const ReceiverTypes& types,
                                         std::string& why);
    // A record as a row; nothing for a slot the host holds empty. Texts need the GBK converter.
    std::optional<Row> (*decode)(std::span<const std::uint8_t> record);

    // The read-back browser: its title and width, whether its list is tinted, the message when
    // the read-back left no file, its columns and a row's cells.
    const char* browserTitle;
    int browserWidth;
    bool browserTinted;
    const char* missingFileMessage;
    std::span<const ShownColumn> shownColumns;
    std::vector<std::string> (*shownCells)(const Row& row);
};

const RegistrationTable<InfoMachineRow>& InfoMachineTable();
const RegistrationTable<HandheldRow>& HandheldTable();
const RegistrationTable<CallerRow>& CallerTable();

// The description of the table a row type belongs to.
template <typename Row> const RegistrationTable<Row>& TableOf();
template <> inline const RegistrationTable<InfoMachineRow>& TableOf<InfoMachineRow>()
{
    return InfoMachineTable();
}
template <> inline const RegistrationTable<HandheldRow>& TableOf<HandheldRow>()
{
    return HandheldTable();
}
template <> inline const RegistrationTable<CallerRow>& TableOf<CallerRow>()
{
    return CallerTable();
}

// Calls f with the description of the table of that kind; the one place the kinds are told
// apart.
template <typename F> decltype(auto) WithTable(TableKind kind, F&& f)
{
    switch (kind) {
    case TableKind::InfoMachines:
        return f(InfoMachineTable());
    case TableKind::Handhelds:
        return f(HandheldTable());
    case TableKind::Callers:
        break;
    }
    return f(CallerTable());
}

// Calls f with each table's description, in the order a configuration file lists them.
template <typename F> void ForEachTable(F&& f)
{
    f(InfoMachineTable());
    f(HandheldTable());
    f(CallerTable());
}

// The table a pxctl name ("im", "callers", "handhelds") stands for.
std::optional<TableKind> TableNamed(std::string_view cliName);

// --- rows in the database
// --------------------------------------------------------------------------

// A row of a file that cannot be kept or sent as it is: its key and the reason.
struct RefusedRow
{
    std::string key;
    std::string reason;
};

template <typename Row> struct StoredRows
{
    bool read = false;               // false: the database could not be queried
    std::vector<Row> rows;           // the rows every rule accepts, in the host's order
    std::vector<RefusedRow> refused; // the others
    // Every row as stored, refused ones too, in the same order; without the rows whose values
    // are not even of their column's kind (unreadable).
    std::vector<Row> asStored;
    std::vector<RefusedRow> unreadable;
    int Count() const { return static_cast<int>(rows.size() + refused.size()); }
};

// The rows of a table of a configuration file, each judged by the column rules.
template <typename Row>
StoredRows<Row> LoadRows(Database& db, const RegistrationTable<Row>& table,
                         const std::string& fileName);

// Every row of a table of a configuration file as stored, for showing and exporting what the
// file holds; nothing, with the reason, when the table cannot be read or a row's values are not
// of their columns' kinds.
template <typename Row>
std::optional<std::vector<Row>> LoadRowsAsStored(Database& db, const RegistrationTable<Row>& table,
                                                 const std::string& fileName, std::string& error)
{
    StoredRows<Row> stored = LoadRows(db, table, fileName);
    if (!stored.read) {
        error = std::string("cannot read the ") + table.rowsTitle + " of \"" + fileName + "\"";
        return std::nullopt;
    }
    if (!stored.unreadable.empty()) {
        const RefusedRow& row = stored.unreadable.front();
        error = std::string(table.keyTitle) + " " + row.key + ": " + row.reason;
        return std::nullopt;
    }
    return std::move(stored.asStored);
}

// The first rule a row breaks: empty when it keeps them all.
template <typename Row> std::string CheckRow(const RegistrationTable<Row>& table, const Row& row)
{
    for (const TableColumn<Row>& column : table.columns) {
        if (std::string problem = column.check(row); !problem.empty())
            return problem;
    }
    return {};
}

// --- writing rows: the one way in for the rows of a configuration file ---------------------------
//
// A row is written only when the rules of the columns it sets accept it, and only for a file
// that exists, so no row can outlive its file and turn up later in a new file of the same name.
// Each returns why it wrote nothing, empty when it wrote: a rule's reason, "no such file", or the
// database's failure as the user is told it.

// A key as a message names it.
std::string RowKeyText(const SqlValue& key);

// The key a row is known by in its file: the value of the table's first column.
template <typename Row> SqlValue KeyOf(const RegistrationTable<Row>& table, const Row& row)
{
    return table.columns.front().get(row);
}

// Adds a row to a configuration file's table.
template <typename Row>
std::string InsertRow(Database& db, const RegistrationTable<Row>& table,
                      const std::string& fileName, const Row& row);

// Adds the rows; false at the first that is refused or fails (the caller's transaction undoes
// the rest).
template <typename Row>
bool InsertRows(Database& db, const RegistrationTable<Row>& table, const std::string& fileName,
                std::span<const Row> rows)
{
    for (const Row& row : rows) {
        if (!InsertRow(db, table, fileName, row).empty())
            return false;
    }
    return true;
}

// Replaces every column of the file's row whose key is storedKey. The columns whose values
// change must keep their rules (a row stored before a rule existed can be mended a column at a
// time), and a new key must not be another row's.
template <typename Row>
std::string UpdateRow(Database& db, const RegistrationTable<Row>& table,
                      const std::string& fileName, const SqlValue& storedKey, const Row& row);

// Adds the row, or replaces the file's row of its key; why not, naming the row.
template <typename Row>
std::string SaveRow(Database& db, const RegistrationTable<Row>& table, const std::string& fileName,
                    const Row& row)
{
    const SqlValue key = KeyOf(table, row);
    std::string why = FindRow(db, table, fileName, key) ? UpdateRow(db, table, fileName, key, row)
                                                        : InsertRow(db, table, fileName, row);
    return why.empty() ? why : std::string(table.keyTitle) + " " + RowKeyText(key) + "：" + why;
}

// The file's row of that key; nothing when there is none or it cannot be read.
template <typename Row>
std::optional<Row> FindRow(Database& db, const RegistrationTable<Row>& table,
                           const std::string& fileName, const SqlValue& key);

// How many rows of the table the file holds; nothing when they cannot be counted.
template <typename Row>
std::optional<int> CountRows(Database& db, const RegistrationTable<Row>& table,
                             const std::string& fileName);

// Deletes the file's row of that key (no such row is no failure).
template <typename Row>
bool DeleteRow(Database& db, const RegistrationTable<Row>& table, const std::string& fileName,
               const SqlValue& key);

// Deletes every row of the table of a file.
template <typename Row>
bool DeleteRows(Database& db, const RegistrationTable<Row>& table, const std::string& fileName);

// The receiver types by TypeNo, as the information machines' records need them; nothing when
// the database cannot be read.
std::optional<ReceiverTypes> LoadReceiverTypes(Database& db);

// The most rows a file of that model may hold; with a QX host or a QX file the QX limit.
template <typename Row>
int CapacityOf(const RegistrationTable<Row>& table, HostModel hostModel, FileType fileType)
{
    const bool qx = hostModel == HostModel::QX || fileType == FileType::QX;
    return CapacityFor(qx).*table.capacity;
}

// The registration's message when a file that holds count rows of a table can take no more
// ("最多可以输入20个信息机！"); empty while there is room. The QX limit applies when the
// connected host or the file is QX, the PX limit when either is PX; with neither known there
// is no limit.
template <typename Row>
std::string CapacityMessage(const RegistrationTable<Row>& table, int count, HostModel hostModel,
                            FileType fileType)
{
    for (const auto& [applies, capacity] :
         {std::pair{hostModel == HostModel::QX || fileType == FileType::QX, kCapacityQX},
          std::pair{hostModel == HostModel::PX || fileType == FileType::PX, kCapacityPX}}) {
        if (applies && count >= capacity.*table.capacity)
            return "最多可以输入" + std::to_string(capacity.*table.capacity) + table.capacityUnit;
    }
    return {};
}

// A row as a download and a read-back would bring it back: what the host's record keeps of it
// (a remark is not kept, an address loses its leading zeros, a text is cut to its field).
// Nothing, with the reason, for a row no download can send.
template <typename Row>
std::optional<Row> AsTheHostKeepsIt(const RegistrationTable<Row>& table, const Row& row,
                                    const ReceiverTypes& types, std::string& why)
{
    const auto record = table.encode(row, types, why);
    if (!record)
        return std::nullopt;
    auto kept = table.decode(*record);
    if (!kept)
        why = "the host would hold it as an empty slot";
    return kept;
}

// Copies every row of a table of one configuration file, every column, to another.
template <typename Row>
bool CopyRows(Database& db, const RegistrationTable<Row>& table, const std::string& from,
              const std::string& to);

extern template bool CopyRows(Database&, const RegistrationTable<InfoMachineRow>&,
                              const std::string&, const std::string&);
extern template bool CopyRows(Database&, const RegistrationTable<HandheldRow>&, const std::string&,
                              const std::string&);
extern template bool CopyRows(Database&, const RegistrationTable<CallerRow>&, const std::string&,
                              const std::string&);
extern template StoredRows<InfoMachineRow>
LoadRows(Database&, const RegistrationTable<InfoMachineRow>&, const std::string&);
extern template StoredRows<HandheldRow> LoadRows(Database&, const RegistrationTable<HandheldRow>&,
                                                 const std::string&);
extern template StoredRows<CallerRow> LoadRows(Database&, const RegistrationTable<CallerRow>&,
                                               const std::string&);

} // namespace px
