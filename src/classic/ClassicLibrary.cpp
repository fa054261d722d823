#include "classic/ClassicLibrary.h"

#include "common/FileIo.h"
#include "common/Gbk.h"
#include "common/Hex.h"
#include "common/System.h"
#include "common/TemporaryFile.h"
#include "common/Utf8Path.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>

namespace px {

namespace {

constexpr const char* kFileTable = "T_FileName";
constexpr std::array<const char*, 3> kGlobalTables{"T_CallType", "T_KeyName", "T_Type"};
constexpr std::uint16_t kGbkCodePage = 936;
// What the reader may write for the registrations of kMaxClassicFiles full PX files, with room.
constexpr std::size_t kMaxDumpBytes = std::size_t{256} * 1024 * 1024;
// The structure pass: columns, counts and the list of files.
constexpr std::size_t kMaxStructureDumpBytes = std::size_t{8} * 1024 * 1024;

using Limits = std::vector<std::pair<std::string, std::uint64_t>>;

ClassicOutcome Outcome(ClassicStatus status, std::string message)
{
    return {status, std::move(message)};
}

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Jet compares names without regard to ASCII case.
std::string FoldedName(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

const DumpedTable* TableIn(const ClassicDump& dump, std::string_view name)
{
    for (const DumpedTable& table : dump.tables) {
        if (table.name == name)
            return &table;
    }
    return nullptr;
}

std::optional<std::size_t> ColumnIn(const DumpedTable& table, std::string_view name)
{
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (SameName(table.columns[i].name, name))
            return i;
    }
    return std::nullopt;
}

bool IsNumberType(int type)
{
    switch (static_cast<JetType>(type)) {
    case JetType::Byte:
    case JetType::Integer:
    case JetType::Long:
    case JetType::Single:
    case JetType::Double:
        return true;
    default:
        return false;
    }
}

bool IsTextType(int type)
{
    return type == static_cast<int>(JetType::Text) || type == static_cast<int>(JetType::Memo);
}

// The column of a table holding text or numbers as wanted; nothing, with the reason.
std::optional<std::size_t> FindColumn(const DumpedTable& table, std::string_view name, bool text,
                                      std::string& why)
{
    const auto index = ColumnIn(table, name);
    if (!index) {
        why = table.name + " has no column " + std::string(name);
        return std::nullopt;
    }
    const int type = table.columns[*index].type;
    if (text ? !IsTextType(type) : !IsNumberType(type)) {
        why = table.name + "." + std::string(name) + " is of Jet type " + std::to_string(type) +
              ", not " + (text ? "text" : "a number") + " as expected";
        return std::nullopt;
    }
    return index;
}

// The columns of a registration table, in the order of its description, then FileName.
template <typename Row>
std::optional<std::vector<std::size_t>> RegistrationColumns(const DumpedTable& dumped,
                                                            const RegistrationTable<Row>& table,
                                                            std::string& why)
{
    std::vector<std::size_t> indexes;
    for (const TableColumn<Row>& column : table.columns) {
        const auto index = FindColumn(dumped, column.name, column.text, why);
        if (!index)
            return std::nullopt;
        indexes.push_back(*index);
    }
    const auto fileName = FindColumn(dumped, "FileName", true, why);
    if (!fileName)
        return std::nullopt;
    indexes.push_back(*fileName);
    return indexes;
}

// Tables, columns and sizes of the first pass, before any registration row is read.
ClassicOutcome CheckStructure(const ClassicDump& structure)
{
    if (!structure.failure.empty())
        return Outcome(ClassicStatus::Damaged, "the database is damaged: " + structure.failure);
    std::string missing;
    const auto need = [&](const char* name) {
        const DumpedTable* table = TableIn(structure, name);
        if (table == nullptr || !table->present)
            missing += (missing.empty() ? "" : ", ") + std::string(name);
    };
    need(kFileTable);
    ForEachTable([&](const auto& table) { need(table.databaseTable); });
    if (!missing.empty())
        return Outcome(ClassicStatus::NoTables,
                       "this Jet database is not a site library of the classic tool: it has no " +
                           missing);
    std::string why;
    const DumpedTable& files = *TableIn(structure, kFileTable);
    if (!FindColumn(files, "FileName", true, why) || !FindColumn(files, "DeviceType", false, why))
        return Outcome(ClassicStatus::BadColumn, why);
    bool columns = true;
    ForEachTable([&](const auto& table) {
        columns =
            columns && RegistrationColumns(*TableIn(structure, table.databaseTable), table, why);
    });
    if (!columns)
        return Outcome(ClassicStatus::BadColumn, why);
    if (files.overLimit)
        return Outcome(ClassicStatus::Huge, "the database lists " + std::to_string(files.rowCount) +
                                                " configuration files, more than the " +
                                                std::to_string(kMaxClassicFiles) +
                                                " one import takes");
    if (files.rowCount == 0)
        return Outcome(ClassicStatus::Empty, "the database holds no configuration file");
    return {};
}

// Fewer rows than the table's definition counts: the file was cut or damaged.
ClassicOutcome CheckWhole(const DumpedTable& table)
{
    if (table.overLimit || table.rows.size() == table.rowCount)
        return {};
    return Outcome(ClassicStatus::Damaged, "the database is damaged: table " + table.name +
                                               " says it holds " + std::to_string(table.rowCount) +
                                               " rows, " + std::to_string(table.rows.size()) +
                                               " could be read");
}

// UTF-16LE code units as UTF-8; nothing for a lone surrogate.
std::optional<std::string> Utf8FromUtf16(const std::vector<std::uint16_t>& units)
{
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t c = units[i];
        if (c >= 0xd800 && c < 0xdc00) {
            if (i + 1 >= units.size() || units[i + 1] < 0xdc00 || units[i + 1] >= 0xe000)
                return std::nullopt;
            c = 0x10000 + ((c - 0xd800) << 10) + (units[++i] - 0xdc00u);
        } else if (c >= 0xdc00 && c < 0xe000) {
            return std::nullopt;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xe0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

// Jet 4 text: UTF-16LE, or after FF FE "compressed": runs of one byte per character (the high
// byte zero) and of two, each zero byte switching between them.
std::optional<std::vector<std::uint16_t>> Jet4Units(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::uint16_t> units;
    if (bytes.size() >= 2 && bytes[0] == 0xff && bytes[1] == 0xfe) {
        bool compressed = true;
        for (std::size_t i = 2; i < bytes.size();) {
            if (bytes[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                units.push_back(bytes[i++]);
            } else if (i + 1 < bytes.size()) {
                units.push_back(static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8));
                i += 2;
            } else {
                return std::nullopt;
            }
        }
        return units;
    }
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    for (std::size_t i = 0; i < bytes.size(); i += 2)
        units.push_back(static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8));
    return units;
}

// A memo kept inside its row: a 12-byte header (length with flags, where it lives), the text.
std::optional<std::vector<std::uint8_t>> InlineMemo(const std::vector<std::uint8_t>& bytes,
                                                    std::string& why)
{
    constexpr std::size_t kMemoHeader = 12;
    constexpr std::uint8_t kInline = 0x80;
    if (bytes.size() < kMemoHeader) {
        why = "a memo field shorter than its header";
        return std::nullopt;
    }
    const std::uint32_t length = (std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                  std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24) &
                                 0x3fffffffu;
    if ((bytes[3] & kInline) == 0) {
        why = "a memo kept on pages of its own, which this import does not read";
        return std::nullopt;
    }
    if (length != bytes.size() - kMemoHeader) {
        why = "a memo field whose length is not its header's";
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(bytes.begin() + kMemoHeader, bytes.end());
}

template <typename Row> struct TableRows
{
    std::vector<std::pair<std::string, Row>> rows; // by folded file name
    std::vector<std::pair<std::string, RefusedRow>> unreadable;
};

template <typename Row>
TableRows<Row> DecodeTable(const DumpedTable& dumped, const RegistrationTable<Row>& table,
                           const std::vector<std::size_t>& indexes, JetVersion version,
                           std::uint16_t codePage)
{
    TableRows<Row> result;
    for (std::size_t r = 0; r < dumped.rows.size(); ++r) {
        const std::vector<JetField>& fields = dumped.rows[r];
        const std::string where = dumped.name + " row " + std::to_string(r + 1);
        std::string why;
        std::string fileName;
        Row row;
        bool good = true;
        for (std::size_t c = 0; c <= table.columns.size() && good; ++c) {
            const std::size_t index = indexes[c];
            const auto type = static_cast<JetType>(dumped.columns[index].type);
            const bool text = c == table.columns.size() || table.columns[c].text;
            const char* name = c == table.columns.size() ? "FileName" : table.columns[c].name;
            SqlValue value;
            if (fields[index]) {
                if (text) {
                    auto decoded = DecodeJetText(*fields[index], type, version, codePage, why);
                    if (decoded)
                        value = std::move(*decoded);
                    else
                        good = false;
                } else if (const auto n = DecodeJetInteger(*fields[index], type, why)) {
                    value = *n;
                } else {
                    good = false;
                }
            }
            if (good && c == table.columns.size())
                fileName = std::holds_alternative<std::string>(value) ? std::get<std::string>(value)
                                                                      : std::string();
            else if (good)
                good = table.columns[c].set(row, value, why);
            if (!good)
                why = std::string(name) + ": " + why;
        }
        if (good)
            result.rows.emplace_back(FoldedName(fileName), std::move(row));
        else
            result.unreadable.emplace_back(FoldedName(fileName), RefusedRow{where, why});
    }
    return result;
}

// Runs the reader over the file for the tables with their limits; the dump it wrote.
std::optional<ClassicDump> RunReader(const std::string& path, const ClassicReadOptions& options,
                                     const Limits& limits, std::size_t maxBytes,
                                     ClassicOutcome& outcome)
{
    const TemporaryFile dumpFile(".dump");
    const TemporaryFile logFile(".log");
    std::vector<std::string> arguments{path, Utf8FromPath(dumpFile.Path())};
    for (const auto& [name, limit] : limits)
        arguments.push_back(name + "=" + std::to_string(limit));
    std::string error;
    const auto child =
        sys::ChildProcess::Start(options.readerProgram, arguments, error, logFile.Path());
    const auto status = child ? child->Wait(error) : std::nullopt;
    if (!child) {
        outcome = Outcome(ClassicStatus::NotAvailable, "the classic database reader " +
                                                           Utf8FromPath(options.readerProgram) +
                                                           " could not be started: " + error);
        return std::nullopt;
    }
    if (!status || *status != 0) {
        // The library gave up on the file, or crashed on it.
        outcome = Outcome(ClassicStatus::Damaged,
                          "the database is damaged: the reader stopped on it (" +
                              (status ? "exit status " + std::to_string(*status) : error) + ")");
        return std::nullopt;
    }
    const auto text = ReadFileUpTo(Utf8FromPath(dumpFile.Path()), maxBytes, error);
    if (!text) {
        outcome =
            Outcome(ClassicStatus::Huge, "the database holds more than one import takes: " + error);
        return std::nullopt;
    }
    auto dump = ParseClassicDump(*text, limits, error);
    if (!dump) {
        outcome = Outcome(ClassicStatus::Damaged, "the database is damaged: " + error);
        return std::nullopt;
    }
    return dump;
}

} // namespace

std::optional<std::string> DecodeJetText(const std::vector<std::uint8_t>& field, JetType type,
                                         JetVersion version, std::uint16_t codePage,
                                         std::string& why)
{
    std::vector<std::uint8_t> memo;
    if (type == JetType::Memo) {
        auto inlined = InlineMemo(field, why);
        if (!inlined)
            return std::nullopt;
        memo = std::move(*inlined);
    }
    const std::vector<std::uint8_t>& bytes = type == JetType::Memo ? memo : field;
    if (version == JetVersion::Jet4) {
        const auto units = Jet4Units(bytes);
        auto text = units ? Utf8FromUtf16(*units) : std::nullopt;
        if (!text)
            why = "a text that is not UTF-16";
        return text;
    }
    if (codePage == kGbkCodePage) {
        auto text = FromGbkStrict(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (!text)
            why = "a text that is not GBK (code page 936) (bytes " + HexString(bytes) + ")";
        return text;
    }
    // Any other code page agrees with ASCII on ASCII, and only there is it safe to read.
    if (std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b >= 0x80; })) {
        why = "a text in code page " + std::to_string(codePage) +
              ", which this import reads only as ASCII (bytes " + HexString(bytes) +
              "); if it is Chinese, import again with code page 936";
        return std::nullopt;
    }
    return std::string(bytes.begin(), bytes.end());
}

std::optional<std::int64_t> DecodeJetInteger(const std::vector<std::uint8_t>& bytes, JetType type,
                                             std::string& why)
{
    const auto sized = [&](std::size_t size) {
        if (bytes.size() == size)
            return true;
        why = "a number field of " + std::to_string(bytes.size()) + " bytes";
        return false;
    };
    std::uint64_t raw = 0;
    for (std::size_t i = bytes.size(); i-- > 0 && i < 8;)
        raw = raw << 8 | bytes[i];
    double real = 0;
    switch (type) {
    case JetType::Byte:
        return sized(1) ? std::optional<std::int64_t>(bytes[0]) : std::nullopt;
    case JetType::Integer:
        return sized(2) ? std::optional<std::int64_t>(static_cast<std::int16_t>(raw))
                        : std::nullopt;
    case JetType::Long:
        return sized(4) ? std::optional<std::int64_t>(static_cast<std::int32_t>(raw))
                        : std::nullopt;
    case JetType::Single: {
        if (!sized(4))
            return std::nullopt;
        const auto bits = static_cast<std::uint32_t>(raw);
        float f = 0;
        std::memcpy(&f, &bits, sizeof f);
        real = f;
        break;
    }
    case JetType::Double:
        if (!sized(8))
            return std::nullopt;
        std::memcpy(&real, &raw, sizeof real);
        break;
    default:
        why = "not a number field";
        return std::nullopt;
    }
    if (!std::isfinite(real) || std::trunc(real) != real || std::fabs(real) > 2147483647.0) {
        why = "a number that is not a whole number: " + std::to_string(real);
        return std::nullopt;
    }
    return static_cast<std::int64_t>(real);
}

ClassicOutcome LibraryFromDump(const ClassicDump& structure, const ClassicDump& registrations,
                               const JetHeader& header, const ClassicReadOptions& options,
                               ClassicLibrary& library)
{
    if (ClassicOutcome checked = CheckStructure(structure); !checked.Ok())
        return checked;
    if (!registrations.failure.empty())
        return Outcome(ClassicStatus::Damaged, "the database is damaged: " + registrations.failure);
    library = {};
    library.version = header.version;
    library.codePage = options.codePage.value_or(header.codePage);

    const DumpedTable& files = *TableIn(structure, kFileTable);
    if (ClassicOutcome whole = CheckWhole(files); !whole.Ok())
        return whole;
    std::string why;
    const std::size_t nameColumn = *FindColumn(files, "FileName", true, why);
    const std::size_t typeColumn = *FindColumn(files, "DeviceType", false, why);
    std::map<std::string, std::size_t> fileIndex; // by folded name: the first of a name
    for (std::size_t r = 0; r < files.rows.size(); ++r) {
        const auto& row = files.rows[r];
        const std::string where = std::string(kFileTable) + " row " + std::to_string(r + 1);
        std::optional<std::string> name;
        if (row[nameColumn])
            name = DecodeJetText(*row[nameColumn],
                                 static_cast<JetType>(files.columns[nameColumn].type),
                                 library.version, library.codePage, why);
        else
            why = "no name";
        if (!name)
            return Outcome(ClassicStatus::BadColumn, where + ": FileName: " + why);
        std::optional<std::int64_t> type;
        if (row[typeColumn])
            type = DecodeJetInteger(*row[typeColumn],
                                    static_cast<JetType>(files.columns[typeColumn].type), why);
        ClassicFile file;
        file.name = *name;
        file.deviceType =
            type && *type >= INT_MIN && *type <= INT_MAX ? static_cast<int>(*type) : -1;
        fileIndex.emplace(FoldedName(file.name), library.files.size());
        library.files.push_back(std::move(file));
    }

    bool ok = true;
    ClassicOutcome failure;
    ForEachTable([&](const auto& table) {
        using Row = typename std::decay_t<decltype(table)>::RowType;
        if (!ok)
            return;
        const DumpedTable* dumped = TableIn(registrations, table.databaseTable);
        if (dumped == nullptr || !dumped->present) {
            ok = false;
            failure =
                Outcome(ClassicStatus::Damaged, "the database changed while it was read: " +
                                                    std::string(table.databaseTable) + " is gone");
            return;
        }
        if (dumped->overLimit) {
            ok = false;
            failure = Outcome(ClassicStatus::Huge, std::string(table.databaseTable) + " holds " +
                                                       std::to_string(dumped->rowCount) +
                                                       " rows, more than the " +
                                                       std::to_string(library.files.size()) +
                                                       " configuration files it lists can hold");
            return;
        }
        if (failure = CheckWhole(*dumped); !failure.Ok()) {
            ok = false;
            return;
        }
        std::string columnsWhy;
        const auto indexes = RegistrationColumns(*dumped, table, columnsWhy);
        if (!indexes) {
            ok = false;
            failure = Outcome(ClassicStatus::BadColumn, columnsWhy);
            return;
        }
        auto decoded = DecodeTable(*dumped, table, *indexes, library.version, library.codePage);
        for (auto& [name, row] : decoded.rows) {
            const auto it = fileIndex.find(name);
            if (it == fileIndex.end())
                ++library.orphanRows;
            else
                library.files[it->second].template Rows<Row>().rows.push_back(std::move(row));
        }
        for (auto& [name, refused] : decoded.unreadable) {
            const auto it = fileIndex.find(name);
            if (it == fileIndex.end())
                ++library.orphanRows;
            else
                library.files[it->second].template Rows<Row>().unreadable.push_back(
                    std::move(refused));
        }
    });
    if (!ok)
        return failure;
    for (const char* name : kGlobalTables) {
        const DumpedTable* table = TableIn(structure, name);
        library.globals.push_back(
            {name, table != nullptr && table->present, table != nullptr ? table->rowCount : 0});
    }
    return {};
}

ClassicOutcome ReadClassicLibrary(const std::string& path, const ClassicReadOptions& options,
                                  ClassicLibrary& library)
{
    std::error_code ec;
    const std::filesystem::path file = PathFromUtf8(path);
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    std::ifstream in(file, std::ios::binary);
    if (ec || !in)
        return Outcome(ClassicStatus::NotJet,
                       "cannot read " + path + ": " + (ec ? ec.message() : "it cannot be opened"));
    std::vector<std::uint8_t> first(4096);
    in.read(reinterpret_cast<char*>(first.data()), static_cast<std::streamsize>(first.size()));
    first.resize(static_cast<std::size_t>(in.gcount()));
    JetHeaderProblem problem = JetHeaderProblem::None;
    std::string message;
    const auto header = ReadJetHeader(first, size, problem, message);
    if (!header) {
        const ClassicStatus status = problem == JetHeaderProblem::Password ? ClassicStatus::Password
                                     : problem == JetHeaderProblem::Truncated
                                         ? ClassicStatus::Damaged
                                         : ClassicStatus::NotJet;
        return Outcome(status, message);
    }
    if (options.readerProgram.empty() || !std::filesystem::exists(options.readerProgram, ec))
        return Outcome(ClassicStatus::NotAvailable,
                       "the classic database reader (px-classic-reader) is not installed beside "
                       "this program");

    // First the structure: every table's columns and row count, no registration rows.
    Limits structureLimits{{kFileTable, kMaxClassicFiles}};
    ForEachTable([&](const auto& table) { structureLimits.emplace_back(table.databaseTable, 0); });
    for (const char* name : kGlobalTables)
        structureLimits.emplace_back(name, 0);
    ClassicOutcome outcome;
    const auto structure =
        RunReader(path, options, structureLimits, kMaxStructureDumpBytes, outcome);
    if (!structure)
        return outcome;
    if (outcome = CheckStructure(*structure); !outcome.Ok())
        return outcome;

    // Then the registrations, no more rows than the files listed can hold.
    const auto fileCount = TableIn(*structure, kFileTable)->rowCount;
    Limits limits;
    ForEachTable([&](const auto& table) {
        limits.emplace_back(table.databaseTable,
                            fileCount * static_cast<std::uint64_t>(kCapacityPX.*table.capacity));
    });
    const auto registrations = RunReader(path, options, limits, kMaxDumpBytes, outcome);
    if (!registrations)
        return outcome;
    return LibraryFromDump(*structure, *registrations, *header, options, library);
}

} // namespace px
