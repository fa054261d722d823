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
#include <map>

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

// The rows on a table's data pages are the rows its definition counts. When they differ either
// way (a count left stale, a page or a definition damaged) no one can tell which rows are the
// table's, so none is taken.
ClassicOutcome CheckWhole(const DumpedTable& table)
{
    if (table.overLimit || table.rowsFound == table.rowCount)
        return {};
    return Outcome(ClassicStatus::Damaged, "the database is damaged: table " + table.name +
                                               " says it holds " + std::to_string(table.rowCount) +
                                               " rows, its data pages hold " +
                                               std::to_string(table.rowsFound));
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
    if (ClassicOutcome whole = CheckWhole(files); !whole.Ok())
        return whole;
    if (files.rowCount == 0)
        return Outcome(ClassicStatus::Empty, "the database holds no configuration file");
    return {};
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

// A field as a value of our column: text or a whole number. Nothing, with why, when it does not
// decode.
std::optional<SqlValue> DecodeField(const JetField& field, const DumpedColumn& column, bool text,
                                    JetVersion version, std::uint16_t codePage, std::string& why)
{
    if (const auto* unreadable = std::get_if<UnreadableField>(&field)) {
        why = unreadable->why;
        return std::nullopt;
    }
    const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&field);
    if (bytes == nullptr)
        return SqlValue{};
    if (text) {
        auto decoded = DecodeJetText(*bytes, version, codePage, why);
        return decoded ? std::optional<SqlValue>(std::move(*decoded)) : std::nullopt;
    }
    const auto number = DecodeJetInteger(*bytes, static_cast<JetType>(column.type), why);
    return number ? std::optional<SqlValue>(*number) : std::nullopt;
}

// The rows of a registration table by the file they name. FileName is read first, so a row
// with a value that does not decode is still its file's (and refuses it).
template <typename Row> struct TableRows
{
    std::vector<std::pair<std::string, ClassicRow<Row>>> rows;
    std::vector<std::pair<std::string, UnreadRow>> unreadable;
    std::vector<UnreadRow> nameless; // the FileName itself cannot be read, or is NULL
};

template <typename Row>
TableRows<Row> DecodeTable(const DumpedTable& dumped, const RegistrationTable<Row>& table,
                           const std::vector<std::size_t>& indexes, JetVersion version,
                           std::uint16_t codePage)
{
    TableRows<Row> result;
    const std::size_t fileColumn = indexes[table.columns.size()];
    for (std::size_t r = 0; r < dumped.rows.size(); ++r) {
        const std::vector<JetField>& fields = dumped.rows[r];
        const std::uint64_t place = r + 1;
        std::string why;
        const auto fileName = DecodeField(fields[fileColumn], dumped.columns[fileColumn], true,
                                          version, codePage, why);
        const auto* name = fileName ? std::get_if<std::string>(&*fileName) : nullptr;
        if (name == nullptr) {
            result.nameless.push_back({place, "FileName", fileName ? std::string() : why});
            continue;
        }
        ClassicRow<Row> row{place, {}};
        std::optional<UnreadRow> unread;
        for (std::size_t c = 0; c < table.columns.size() && !unread; ++c) {
            const std::size_t index = indexes[c];
            const auto value = DecodeField(fields[index], dumped.columns[index],
                                           table.columns[c].text, version, codePage, why);
            if (!value || !table.columns[c].set(row.row, *value, why))
                unread = UnreadRow{place, table.columns[c].name, why};
        }
        if (unread)
            result.unreadable.emplace_back(*name, std::move(*unread));
        else
            result.rows.emplace_back(*name, std::move(row));
    }
    return result;
}

// The last line of a text that has one (the reader's own word on why it stopped).
std::string LastLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const std::size_t newline = text.rfind('\n');
    return newline == std::string::npos ? text : text.substr(newline + 1);
}

// Whether the reader is where the program looks for it.
ClassicOutcome CheckReader(const std::filesystem::path& program)
{
#ifdef PX_CLASSIC_READER_BUILT
    std::error_code ec;
    if (!program.empty() && std::filesystem::is_regular_file(program, ec))
        return {};
    return Outcome(ClassicStatus::NotAvailable,
                   "the classic database reader is missing: px-classic-reader belongs beside this "
                   "program" +
                       (program.empty() ? std::string() : " (" + Utf8FromPath(program) + ")") +
                       "; install the program again");
#else
    (void)program;
    return Outcome(ClassicStatus::NotAvailable,
                   "the classic database reader (px-classic-reader) is not built for this "
                   "system");
#endif
}

// Runs the reader over the file for the tables with their limits; the dump it wrote.
std::optional<ClassicDump> RunReader(const std::string& path, const ClassicReadOptions& options,
                                     const Limits& limits, std::size_t maxBytes,
                                     ClassicOutcome& outcome)
{
    const TemporaryFile dumpFile(".dump");
    const TemporaryFile logFile(".log");
    const std::string folder = Utf8FromPath(dumpFile.Path().parent_path());
    std::string error;
    // The reader's messages go to the log: a folder that takes no file would otherwise look
    // like a reader that cannot be started.
    if (!WriteFileWhole(Utf8FromPath(logFile.Path()), "", error)) {
        outcome = Outcome(ClassicStatus::NoRoom,
                          "the temporary folder " + folder + " cannot be written: " + error);
        return std::nullopt;
    }
    std::vector<std::string> arguments{path, Utf8FromPath(dumpFile.Path())};
    for (const auto& [name, limit] : limits)
        arguments.push_back(name + "=" + std::to_string(limit));
    const auto child =
        sys::ChildProcess::Start(options.readerProgram, arguments, error, logFile.Path());
    const auto status = child ? child->Wait(error) : std::nullopt;
    if (!child) {
        outcome = Outcome(ClassicStatus::NotAvailable, "the classic database reader " +
                                                           Utf8FromPath(options.readerProgram) +
                                                           " could not be started: " + error);
        return std::nullopt;
    }
    if (status == kReaderExitOutput) {
        std::string logError;
        const auto log = ReadFileTail(Utf8FromPath(logFile.Path()), 1024, logError);
        outcome = Outcome(ClassicStatus::NoRoom, "the temporary folder " + folder +
                                                     " cannot hold what the reader reads" +
                                                     (log ? ": " + LastLine(*log) : std::string()));
        return std::nullopt;
    }
    if (!status || *status != 0) {
        // The library gave up on the file, or crashed on it.
        outcome = Outcome(ClassicStatus::Damaged,
                          "the database is damaged: the reader stopped on it (" +
                              (status ? "exit status " + std::to_string(*status) : error) + ")");
        return std::nullopt;
    }
    std::error_code ec;
    if (std::filesystem::file_size(dumpFile.Path(), ec) > maxBytes && !ec) {
        outcome = Outcome(ClassicStatus::Huge, "the database holds more than one import takes");
        return std::nullopt;
    }
    const auto text = ReadFileUpTo(Utf8FromPath(dumpFile.Path()), maxBytes, error);
    if (!text) {
        outcome = Outcome(ClassicStatus::NoRoom, "the reader's output in the temporary folder " +
                                                     folder + " cannot be read: " + error);
        return std::nullopt;
    }
    auto dump = ParseClassicDump(*text, limits, error);
    if (!dump) {
        outcome = Outcome(ClassicStatus::Damaged, "the database is damaged: " + error);
        return std::nullopt;
    }
    return dump;
}

// The configuration files T_FileName lists. A name or model that cannot be read refuses its
// file, not the import.
std::vector<ClassicFile> ReadFiles(const DumpedTable& files, JetVersion version,
                                   std::uint16_t codePage)
{
    std::string why;
    const std::size_t nameColumn = *FindColumn(files, "FileName", true, why);
    const std::size_t typeColumn = *FindColumn(files, "DeviceType", false, why);
    std::vector<ClassicFile> result;
    for (std::size_t r = 0; r < files.rows.size(); ++r) {
        const auto& row = files.rows[r];
        const std::string where = std::string(kFileTable) + " row " + std::to_string(r + 1);
        ClassicFile file;
        const auto name =
            DecodeField(row[nameColumn], files.columns[nameColumn], true, version, codePage, why);
        if (name && std::holds_alternative<std::string>(*name))
            file.name = std::get<std::string>(*name);
        else
            file.unreadable = where + ": FileName: " + (name ? "no name" : why);
        const auto type =
            DecodeField(row[typeColumn], files.columns[typeColumn], false, version, codePage, why);
        if (type && std::holds_alternative<std::int64_t>(*type) &&
            std::get<std::int64_t>(*type) >= INT_MIN && std::get<std::int64_t>(*type) <= INT_MAX)
            file.deviceType = static_cast<int>(std::get<std::int64_t>(*type));
        else if (file.unreadable.empty())
            file.unreadable = where + ": DeviceType: " + (type ? "no model" : why);
        result.push_back(std::move(file));
    }
    return result;
}

// Adds a row that belongs to no file to its group.
void AddOrphan(ClassicLibrary& library, const std::string& table, const std::string& fileName,
               const std::string& why)
{
    for (ClassicOrphans& group : library.orphans) {
        if (group.table == table && group.fileName == fileName && group.why == why) {
            ++group.rows;
            return;
        }
    }
    library.orphans.push_back({table, fileName, why, 1});
}

// Gives each decoded row of a table to the file it names.
template <typename Row>
void AttachRows(ClassicLibrary& library, const char* table, TableRows<Row>&& decoded)
{
    // Names are told apart exactly, as everywhere in the program; a file listed twice is
    // refused whole, so its rows go to the first.
    std::map<std::string, std::size_t> fileIndex;
    for (std::size_t i = 0; i < library.files.size(); ++i)
        if (library.files[i].unreadable.empty())
            fileIndex.emplace(library.files[i].name, i);
    const auto fileNamed = [&](const std::string& name) -> ClassicRows<Row>* {
        const auto it = fileIndex.find(name);
        if (it == fileIndex.end()) {
            AddOrphan(library, table, name, {});
            return nullptr;
        }
        return &library.files[it->second].template Rows<Row>();
    };
    for (auto& [name, row] : decoded.rows)
        if (ClassicRows<Row>* rows = fileNamed(name))
            rows->rows.push_back(std::move(row));
    for (auto& [name, row] : decoded.unreadable)
        if (ClassicRows<Row>* rows = fileNamed(name))
            rows->unreadable.push_back(std::move(row));
    for (const UnreadRow& row : decoded.nameless)
        AddOrphan(library, table, {}, row.why.empty() ? std::string("no FileName") : row.why);
}

} // namespace

std::optional<std::string> DecodeJetText(const std::vector<std::uint8_t>& bytes, JetVersion version,
                                         std::uint16_t codePage, std::string& why)
{
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

std::uint64_t ClassicLibrary::OrphanRows() const
{
    std::uint64_t rows = 0;
    for (const ClassicOrphans& group : orphans)
        rows += group.rows;
    return rows;
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
    library.files = ReadFiles(*TableIn(structure, kFileTable), library.version, library.codePage);

    ClassicOutcome failure;
    ForEachTable([&](const auto& table) {
        if (!failure.Ok())
            return;
        const DumpedTable* dumped = TableIn(registrations, table.databaseTable);
        std::string why;
        const auto indexes =
            dumped != nullptr ? RegistrationColumns(*dumped, table, why) : std::nullopt;
        if (dumped == nullptr || !dumped->present)
            failure =
                Outcome(ClassicStatus::Damaged, "the database changed while it was read: " +
                                                    std::string(table.databaseTable) + " is gone");
        else if (dumped->overLimit)
            failure = Outcome(ClassicStatus::Huge, std::string(table.databaseTable) + " holds " +
                                                       std::to_string(dumped->rowCount) +
                                                       " rows, more than the " +
                                                       std::to_string(library.files.size()) +
                                                       " configuration files it lists can hold");
        else if (failure = CheckWhole(*dumped); !failure.Ok())
            return;
        else if (!indexes)
            failure = Outcome(ClassicStatus::BadColumn, why);
        else
            AttachRows(library, table.databaseTable,
                       DecodeTable(*dumped, table, *indexes, library.version, library.codePage));
    });
    if (!failure.Ok())
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
    // Opening a FIFO or a device to read it can wait for ever: only a regular file is opened.
    std::error_code ec;
    const std::filesystem::path file = PathFromUtf8(path);
    const auto status = std::filesystem::status(file, ec);
    if (ec || !std::filesystem::exists(status))
        return Outcome(ClassicStatus::NotJet,
                       "cannot read " + path + ": " + (ec ? ec.message() : "no such file"));
    if (!std::filesystem::is_regular_file(status))
        return Outcome(ClassicStatus::NotAFile,
                       path + " is not a file but a " +
                           (std::filesystem::is_directory(status) ? "folder" : "FIFO or device") +
                           "; choose the database file itself (DADE.mdb)");
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
        const ClassicStatus refused =
            problem == JetHeaderProblem::Password    ? ClassicStatus::Password
            : problem == JetHeaderProblem::Truncated ? ClassicStatus::Damaged
                                                     : ClassicStatus::NotJet;
        return Outcome(refused, message);
    }
    if (ClassicOutcome available = CheckReader(options.readerProgram); !available.Ok())
        return available;

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
