// px-classic-reader FILE OUT TABLE=LIMIT...
//
// Reads the tables named from a Jet database and writes them to OUT in the form of
// ClassicDump.h: columns, row count, and each row's raw field bytes. It runs as a process of
// its own because libmdb can crash on a damaged file; the program that started it judges
// whatever this writes and treats a crash as damage.
//
// libmdb reads the definitions (the catalogue's, each table's columns and usage map) and
// cracks a row into its fields. Which rows a table holds is found here, page by page: the
// library's own row walk takes the flags of a row's slot the wrong way round (Debian's
// mdbtools 1.0.0), reading deleted rows as live and leaving moved rows out, and it reads no
// further than the row count the definition states. Memos kept on long-value pages are read
// here too, so that one that cannot be read is said, not given as empty.

#if !defined(PX_MDB_FAKE_GLIB)
#include <glib.h>
// glib.h comes first: mdbtools.h includes it inside extern "C".
#endif
#include "classic/ClassicDump.h"
#include "common/System.h"
#include "common/Utf8Path.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <mdbtools.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A row slot of a data page: where its row starts, with two flags in its top bits.
constexpr unsigned kRowOffsetMask = 0x1fff;
constexpr unsigned kDeletedRow = 0x8000; // a moved row's new place is flagged so too
constexpr unsigned kMovedRow = 0x4000;   // the row holds where it lives now
// A moved row's old place: the row number, then the page in three bytes.
constexpr std::size_t kRowPointerSize = 4;
// Access moves a row once more by pointing its old place at the newer one; a longer trail is
// damage (or a loop).
constexpr int kMaxRowMoves = 4;

// A memo's 12-byte header: its length in 30 bits with where it lives in the top two, the
// place of its first long-value row, four unused bytes.
constexpr std::size_t kMemoHeaderSize = 12;
constexpr std::uint32_t kMemoInRow = 0x80000000;
constexpr std::uint32_t kMemoOnOnePage = 0x40000000;
constexpr std::uint32_t kMemoLengthMask = 0x3fffffff;
// A long-value page names "LVAL" where a data page names its table.
constexpr char kLongValueOwner[] = "LVAL";

// The catalogue's definition is always on page 2.
constexpr unsigned long kCatalogPage = 2;

struct Closer
{
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
    void operator()(char* text) const { g_free(text); }
};
using TableDef = std::unique_ptr<MdbTableDef, Closer>;

// The dump being written: every failure to write is kept, with the system's reason.
class Output
{
public:
    explicit Output(std::FILE* file) : file_(file) {}
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output()
    {
        if (file_ != nullptr)
            std::fclose(file_);
    }

    void Put(const std::string& line)
    {
        if (error_ == 0 && std::fputs(line.c_str(), file_) < 0)
            error_ = errno;
    }
    // Flushes and closes: a full disk shows here, when the buffered lines meet it.
    bool Close()
    {
        std::FILE* file = file_;
        file_ = nullptr;
        if (std::fclose(file) != 0 && error_ == 0)
            error_ = errno;
        return error_ == 0;
    }
    int Error() const { return error_; }

private:
    std::FILE* file_;
    int error_ = 0;
};

unsigned Get16(const unsigned char* bytes, std::size_t at)
{
    return static_cast<unsigned>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t Get32(const unsigned char* bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// A row's place on a page, found from its slot.
struct RowSpan
{
    unsigned flags = 0;
    std::size_t start = 0;
    std::size_t size = 0;
};

// The Jet file as pages: reading them, and the rows their slots name.
class Pages
{
public:
    Pages(MdbHandle* mdb, std::uint64_t pageCount) : mdb_(mdb), count_(pageCount) {}

    MdbHandle* Mdb() const { return mdb_; }
    std::size_t Size() const { return static_cast<std::size_t>(mdb_->fmt->pg_size); }

    // Reads a page into the library's page buffer, where it cracks rows.
    bool Load(std::uint32_t page, std::string& why) const
    {
        return Read(page, false, why) != nullptr;
    }
    // Reads a page into the library's other buffer, leaving the loaded one as it is.
    const unsigned char* LoadAside(std::uint32_t page, std::string& why) const
    {
        return Read(page, true, why);
    }
    const unsigned char* Loaded() const { return mdb_->pg_buf; }

    // The rows a data page counts; nothing when its slots would not fit in the page.
    std::optional<unsigned> RowCount(const unsigned char* page) const
    {
        const std::size_t offset = mdb_->fmt->row_count_offset;
        const unsigned count = Get16(page, offset);
        if (offset + 2 + 2 * std::size_t{count} > Size())
            return std::nullopt;
        return count;
    }
    // The flags of a slot.
    unsigned Flags(const unsigned char* page, unsigned slot) const
    {
        return Get16(page, mdb_->fmt->row_count_offset + 2 + 2 * std::size_t{slot}) &
               ~kRowOffsetMask;
    }
    // The row of a slot: rows lie from the page's end towards its slots, so a row ends where
    // the one before it starts. Nothing when the slot points outside the rows.
    std::optional<RowSpan> Row(const unsigned char* page, unsigned count, unsigned slot) const
    {
        const std::size_t offset = mdb_->fmt->row_count_offset;
        const unsigned raw = Get16(page, offset + 2 + 2 * std::size_t{slot});
        RowSpan row;
        row.flags = raw & ~kRowOffsetMask;
        row.start = raw & kRowOffsetMask;
        const std::size_t end =
            slot == 0 ? Size() : Get16(page, offset + 2 * std::size_t{slot}) & kRowOffsetMask;
        if (row.start < offset + 2 + 2 * std::size_t{count} || row.start >= end || end > Size())
            return std::nullopt;
        row.size = end - row.start;
        return row;
    }

private:
    const unsigned char* Read(std::uint32_t page, bool aside, std::string& why) const
    {
        if (page == 0 || page >= count_) {
            why = "page " + std::to_string(page) + " is outside the file";
            return nullptr;
        }
        if ((aside ? mdb_read_alt_pg(mdb_, page) : mdb_read_pg(mdb_, page)) != mdb_->fmt->pg_size) {
            why = "page " + std::to_string(page) + " cannot be read";
            return nullptr;
        }
        return aside ? mdb_->alt_pg_buf : mdb_->pg_buf;
    }

    MdbHandle* mdb_;
    std::uint64_t count_;
};

bool IsDataPageOf(const unsigned char* page, unsigned long definitionPage)
{
    return page[0] == MDB_PAGE_DATA && Get32(page, 4) == definitionPage;
}

// Follows a moved row from its old place (on the loaded page) to where it lives, which it
// leaves loaded; false, with why, when the trail leads nowhere.
bool FollowMovedRow(const Pages& pages, unsigned long definitionPage, RowSpan& row,
                    std::string& why)
{
    for (int moves = 0; moves < kMaxRowMoves; ++moves) {
        if (row.size < kRowPointerSize) {
            why = "a moved row's pointer is cut short";
            return false;
        }
        const unsigned char* from = pages.Loaded();
        const unsigned slot = from[row.start];
        const std::uint32_t page = Get32(from, row.start) >> 8;
        if (!pages.Load(page, why))
            return false;
        const unsigned char* to = pages.Loaded();
        const auto count = pages.RowCount(to);
        if (!IsDataPageOf(to, definitionPage) || !count || slot >= *count) {
            why = "a moved row points at page " + std::to_string(page) + ", row " +
                  std::to_string(slot) + ", which is not a row of its table";
            return false;
        }
        const auto target = pages.Row(to, *count, slot);
        if (!target) {
            why = "a moved row points outside page " + std::to_string(page);
            return false;
        }
        row = *target;
        if ((row.flags & kMovedRow) == 0)
            return true;
    }
    why = "a row moved more than " + std::to_string(kMaxRowMoves) + " times";
    return false;
}

// Calls take for every row of a table, in page order, with the library's page buffer holding
// the row: deleted rows left out, a moved row read where it lives. From the limit on, rows
// are only counted. The rows found; nothing, with why, on damage or when take fails.
using TakeRow = std::function<bool(const RowSpan& row, std::string& why)>;
std::optional<std::uint64_t> ScanRows(const Pages& pages, MdbTableDef* table, std::uint64_t limit,
                                      const TakeRow& take, std::string& why)
{
    const unsigned long definitionPage = table->entry->table_pg;
    std::uint64_t found = 0;
    guint32 page = 0;
    while (true) {
        const gint32 next = mdb_map_find_next(pages.Mdb(), table->usage_map,
                                              static_cast<unsigned>(table->map_sz), page);
        if (next == 0)
            return found;
        if (next < 0 || static_cast<guint32>(next) <= page) {
            why = "its usage map cannot be read";
            return std::nullopt;
        }
        page = static_cast<guint32>(next);
        if (!pages.Load(page, why))
            return std::nullopt;
        // A map may name a page since given to another table; its rows are not this one's.
        if (!IsDataPageOf(pages.Loaded(), definitionPage))
            continue;
        const auto count = pages.RowCount(pages.Loaded());
        if (!count) {
            why = "data page " + std::to_string(page) + " counts more rows than it has room for";
            return std::nullopt;
        }
        for (unsigned slot = 0; slot < *count; ++slot) {
            // Following a moved row loads another page.
            if (!pages.Load(page, why))
                return std::nullopt;
            if ((pages.Flags(pages.Loaded(), slot) & kDeletedRow) != 0)
                continue;
            auto row = pages.Row(pages.Loaded(), *count, slot);
            if (!row) {
                why = "row " + std::to_string(slot) + " of data page " + std::to_string(page) +
                      " lies outside the page's rows";
                return std::nullopt;
            }
            if (found++ >= limit)
                continue;
            if ((row->flags & kMovedRow) != 0 && !FollowMovedRow(pages, definitionPage, *row, why))
                return std::nullopt;
            if (!take(*row, why))
                return std::nullopt;
        }
    }
}

// A row of a long-value page, as bytes; nothing, with why, when there is none.
std::optional<Bytes> LongValueRow(const Pages& pages, std::uint32_t pointer, std::string& why)
{
    const std::uint32_t number = pointer >> 8;
    const unsigned slot = pointer & 0xff;
    const unsigned char* page = pages.LoadAside(number, why);
    if (page == nullptr)
        return std::nullopt;
    const auto count = pages.RowCount(page);
    if (page[0] != MDB_PAGE_DATA || std::memcmp(page + 4, kLongValueOwner, 4) != 0 || !count) {
        why = "its page " + std::to_string(number) + " is not a long-value page";
        return std::nullopt;
    }
    const auto row = slot < *count ? pages.Row(page, *count, slot) : std::nullopt;
    if (!row || row->flags != 0) {
        why = "its row " + std::to_string(slot) + " of page " + std::to_string(number) +
              " is not there";
        return std::nullopt;
    }
    return Bytes(page + row->start, page + row->start + row->size);
}

// A memo's text from its field: in the row, in one long-value row, or in a chain of them,
// each with the place of the next first.
px::JetField ReadMemo(const Pages& pages, const Bytes& field)
{
    const auto unreadable = [](const std::string& why) {
        return px::JetField{px::UnreadableField{"a memo that cannot be read: " + why}};
    };
    if (field.size() < kMemoHeaderSize)
        return unreadable("its field is shorter than a memo's header");
    const std::uint32_t header = Get32(field.data(), 0);
    const std::size_t length = header & kMemoLengthMask;
    if ((header & kMemoInRow) != 0) {
        if (length != field.size() - kMemoHeaderSize)
            return unreadable("its length is not its header's");
        return px::JetField{Bytes(field.begin() + kMemoHeaderSize, field.end())};
    }
    if (length > px::kMaxJetMemoBytes)
        return unreadable("it has " + std::to_string(length) + " bytes, more than the " +
                          std::to_string(px::kMaxJetMemoBytes) + " a memo holds");
    std::string why;
    std::uint32_t pointer = Get32(field.data(), 4);
    if ((header & kMemoOnOnePage) != 0) {
        auto text = LongValueRow(pages, pointer, why);
        if (!text)
            return unreadable(why);
        if (text->size() != length)
            return unreadable("its long-value row has " + std::to_string(text->size()) +
                              " bytes, its header says " + std::to_string(length));
        return px::JetField{std::move(*text)};
    }
    // Each piece holds a byte at least, so a chain ends within length pieces.
    Bytes text;
    while (text.size() < length) {
        if (pointer == 0)
            return unreadable("its pages end after " + std::to_string(text.size()) + " of its " +
                              std::to_string(length) + " bytes");
        auto piece = LongValueRow(pages, pointer, why);
        if (!piece)
            return unreadable(why);
        if (piece->size() <= 4 || text.size() + piece->size() - 4 > length)
            return unreadable("a piece on its pages does not fit its length");
        pointer = Get32(piece->data(), 0);
        text.insert(text.end(), piece->begin() + 4, piece->end());
    }
    return px::JetField{std::move(text)};
}

MdbColumn* ColumnAt(MdbTableDef* table, guint i)
{
    return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
}

// The values of the row, cracked from the loaded page; false, with why, on damage.
bool CrackRow(const Pages& pages, MdbTableDef* table, const RowSpan& row,
              std::vector<px::JetField>& values, std::string& why)
{
    std::vector<MdbField> fields(table->num_cols);
    if (mdb_crack_row(table, static_cast<int>(row.start), row.size, fields.data()) <= 0) {
        why = "a row cannot be read";
        return false;
    }
    const unsigned char* begin = pages.Loaded() + row.start;
    const unsigned char* end = begin + row.size;
    values.assign(table->num_cols, {});
    for (guint c = 0; c < table->num_cols; ++c) {
        const MdbField& field = fields[c];
        const MdbColumn* column = ColumnAt(table, c);
        if (column->col_type == MDB_BOOL) {
            // A yes/no value lives in the null bitmap: set for yes.
            values[c] = Bytes{field.is_null ? std::uint8_t{0} : std::uint8_t{1}};
            continue;
        }
        if (field.is_null)
            continue;
        const auto* bytes = static_cast<const unsigned char*>(field.value);
        if (field.siz < 0 || bytes < begin || bytes > end ||
            static_cast<std::size_t>(field.siz) > static_cast<std::size_t>(end - bytes) ||
            static_cast<std::size_t>(field.siz) > px::kMaxJetFieldBytes) {
            why = "a value lies outside its row";
            return false;
        }
        values[c] = Bytes(bytes, bytes + field.siz);
    }
    // Long-value pages are read aside, so the row's page stays loaded until here.
    for (guint c = 0; c < table->num_cols; ++c) {
        if (ColumnAt(table, c)->col_type == MDB_MEMO)
            if (const auto* bytes = std::get_if<Bytes>(&values[c]))
                values[c] = ReadMemo(pages, *bytes);
    }
    return true;
}

// A table of the catalogue: its name and definition page.
struct CatalogEntry
{
    std::string name;
    unsigned long page = 0;
};

// The tables the catalogue (MSysObjects) lists, read with the same row walk as any table.
std::optional<std::vector<CatalogEntry>> ReadCatalog(const Pages& pages, std::string& why)
{
    MdbCatalogEntry self{};
    self.mdb = pages.Mdb();
    self.object_type = MDB_TABLE;
    self.table_pg = kCatalogPage;
    std::snprintf(self.object_name, sizeof self.object_name, "%s", "MSysObjects");
    const TableDef table(mdb_read_table(&self));
    if (!table || mdb_read_columns(table.get()) == nullptr || table->usage_map == nullptr ||
        table->map_sz < 2) {
        why = "the catalogue's definition cannot be read";
        return std::nullopt;
    }
    int id = -1;
    int name = -1;
    int type = -1;
    for (guint c = 0; c < table->num_cols; ++c) {
        const MdbColumn* column = ColumnAt(table.get(), c);
        const std::string columnName = column->name;
        const int index = static_cast<int>(c);
        if (columnName == "Id" && column->col_type == MDB_LONGINT)
            id = index;
        else if (columnName == "Name" && column->col_type == MDB_TEXT)
            name = index;
        else if (columnName == "Type" && column->col_type == MDB_INT)
            type = index;
    }
    if (id < 0 || name < 0 || type < 0) {
        why = "the catalogue lacks its Id, Name or Type";
        return std::nullopt;
    }
    std::vector<CatalogEntry> entries;
    std::vector<MdbField> fields(table->num_cols);
    const auto take = [&](const RowSpan& row, std::string& rowWhy) {
        if (mdb_crack_row(table.get(), static_cast<int>(row.start), row.size, fields.data()) <= 0) {
            rowWhy = "a row of the catalogue cannot be read";
            return false;
        }
        const MdbField& idField = fields[static_cast<std::size_t>(id)];
        const MdbField& nameField = fields[static_cast<std::size_t>(name)];
        const MdbField& typeField = fields[static_cast<std::size_t>(type)];
        if (idField.is_null || nameField.is_null || typeField.is_null || idField.siz != 4 ||
            typeField.siz != 2)
            return true; // not a table's entry
        const auto* idBytes = static_cast<const unsigned char*>(idField.value);
        const auto* typeBytes = static_cast<const unsigned char*>(typeField.value);
        if ((Get16(typeBytes, 0) & 0x7f) != MDB_TABLE)
            return true;
        const std::unique_ptr<char, Closer> text(mdb_col_to_string(
            pages.Mdb(), pages.Mdb()->pg_buf,
            static_cast<int>(static_cast<const unsigned char*>(nameField.value) - pages.Loaded()),
            MDB_TEXT, nameField.siz));
        if (text)
            entries.push_back({text.get(), Get32(idBytes, 0) & 0x00ffffffUL});
        return true;
    };
    if (!ScanRows(pages, table.get(), UINT64_MAX, take, why))
        return std::nullopt;
    return entries;
}

// The entry of a table by name (Jet compares names without regard to ASCII case); nothing
// when there is none, with why when the catalogue lists it twice.
std::optional<CatalogEntry> FindTable(const std::vector<CatalogEntry>& catalog,
                                      const std::string& name, std::string& why)
{
    std::optional<CatalogEntry> found;
    for (const CatalogEntry& entry : catalog) {
        if (g_ascii_strcasecmp(entry.name.c_str(), name.c_str()) != 0)
            continue;
        if (found) {
            why = "the catalogue lists table " + name + " twice";
            return std::nullopt;
        }
        found = entry;
    }
    return found;
}

// Writes one table; false after a "failed" line.
bool DumpTable(const Pages& pages, const std::vector<CatalogEntry>& catalog,
               const std::string& name, std::uint64_t limit, Output& out)
{
    std::string why;
    const auto found = FindTable(catalog, name, why);
    if (!found) {
        out.Put(why.empty() ? px::DumpMissingLine(name) : px::DumpFailedLine(why));
        return why.empty();
    }
    MdbCatalogEntry entry{};
    entry.mdb = pages.Mdb();
    entry.object_type = MDB_TABLE;
    entry.table_pg = found->page;
    std::snprintf(entry.object_name, sizeof entry.object_name, "%s", name.c_str());
    const TableDef table(mdb_read_table(&entry));
    if (!table || mdb_read_columns(table.get()) == nullptr) {
        out.Put(px::DumpFailedLine("the definition of table " + name + " cannot be read"));
        return false;
    }
    // libmdb walks the usage map to find the data pages and crashes when there is none.
    if (table->usage_map == nullptr || table->map_sz < 2) {
        out.Put(px::DumpFailedLine("table " + name + " has no usage map"));
        return false;
    }
    if (table->num_cols == 0 || table->num_cols > px::kMaxJetColumns) {
        out.Put(px::DumpFailedLine("table " + name + " has " + std::to_string(table->num_cols) +
                                   " columns"));
        return false;
    }
    out.Put(px::DumpTableLine(name, table->num_rows));
    for (guint c = 0; c < table->num_cols; ++c)
        out.Put(
            px::DumpColumnLine(ColumnAt(table.get(), c)->name, ColumnAt(table.get(), c)->col_type));
    if (table->num_rows > limit) {
        // A file this large is refused whatever it holds: none of it is read.
        out.Put(px::DumpOverLine());
        out.Put(px::DumpEndLine(0));
        return true;
    }
    std::vector<px::JetField> values;
    const auto take = [&](const RowSpan& row, std::string& rowWhy) {
        if (!CrackRow(pages, table.get(), row, values, rowWhy))
            return false;
        out.Put(px::DumpRowLine(values));
        return true;
    };
    const auto rows = ScanRows(pages, table.get(), limit, take, why);
    if (!rows) {
        out.Put(px::DumpFailedLine("table " + name + ": " + why));
        return false;
    }
    out.Put(px::DumpEndLine(*rows));
    return true;
}

// Reads the tables into out; its lines say what went wrong in the file.
// The path is UTF-8, which libmdb opens through UTF-16 on Windows.
void DumpTables(const std::string& path,
                const std::vector<std::pair<std::string, std::uint64_t>>& tables, Output& out)
{
    out.Put(px::DumpHeaderLine());
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(px::PathFromUtf8(path), ec);
    const std::unique_ptr<MdbHandle, Closer> mdb(ec ? nullptr
                                                    : mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb) {
        out.Put(px::DumpFailedLine("the database cannot be opened"));
        return;
    }
    const Pages pages(mdb.get(), size / static_cast<std::uintmax_t>(mdb->fmt->pg_size));
    std::string why;
    const auto catalog = ReadCatalog(pages, why);
    if (!catalog) {
        out.Put(px::DumpFailedLine("the catalogue of the database cannot be read: " + why));
        return;
    }
    for (const auto& [name, limit] : tables) {
        if (!DumpTable(pages, *catalog, name, limit, out))
            return;
    }
    out.Put(px::DumpDoneLine());
}

} // namespace

namespace {

int Run(int argc, char* argv[])
{
    // The words as UTF-8, whatever the system's code page.
    const std::vector<std::string> words = px::sys::ProgramArguments(argc, argv);
    if (words.size() < 2) {
        std::fputs("usage: px-classic-reader FILE OUT TABLE=LIMIT...\n", stderr);
        return px::kReaderExitUsage;
    }
    std::vector<std::pair<std::string, std::uint64_t>> tables;
    for (std::size_t i = 2; i < words.size(); ++i) {
        const std::string& word = words[i];
        const auto eq = word.find('=');
        std::uint64_t limit = 0;
        const char* end = word.data() + word.size();
        if (eq == std::string::npos ||
            std::from_chars(word.data() + eq + 1, end, limit).ptr != end) {
            std::fputs("px-classic-reader: TABLE=LIMIT expected\n", stderr);
            return px::kReaderExitUsage;
        }
        tables.emplace_back(word.substr(0, eq), limit);
    }
    std::FILE* file = px::sys::OpenFile(px::PathFromUtf8(words[1]), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "px-classic-reader: %s: %s\n", words[1].c_str(), std::strerror(errno));
        return px::kReaderExitOutput;
    }
    Output out(file);
    DumpTables(words[0], tables, out);
    if (!out.Close()) {
        std::fprintf(stderr, "px-classic-reader: %s: %s\n", words[1].c_str(),
                     std::strerror(out.Error()));
        return px::kReaderExitOutput;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Out of memory on a hostile file: a failure the caller reads as damage, not a crash.
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "px-classic-reader: %s\n", e.what());
        return 1;
    }
}
