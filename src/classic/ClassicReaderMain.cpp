// px-classic-reader FILE OUT TABLE=LIMIT...
//
// Reads the tables named from a Jet database with libmdb and writes them to OUT in the form
// of ClassicDump.h: columns, row count, and each row's raw field bytes. It runs as a process of
// its own because libmdb can crash on a damaged file; the program that started it judges
// whatever this writes and treats a crash as damage.

#if !defined(PX_MDB_FAKE_GLIB)
#include <glib.h>
// glib.h comes first: mdbtools.h includes it inside extern "C".
#endif
#include "classic/ClassicDump.h"
#include "common/System.h"
#include "common/Utf8Path.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <mdbtools.h>
#include <memory>
#include <string>
#include <vector>

namespace {

// Row offsets in a data page carry flags in their top bits.
constexpr int kRowOffsetMask = 0x1fff;
constexpr int kRowLookupFlag = 0x8000;

struct Closer
{
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

class Output
{
public:
    explicit Output(std::ofstream& file) : file_(file) {}
    void Put(const std::string& line) { file_ << line; }
    // Whether every line reached the file, closing it (a full disk shows only then).
    bool Close()
    {
        file_.close();
        return !file_.fail();
    }

private:
    std::ofstream& file_;
};

MdbCatalogEntry* FindTable(MdbHandle* mdb, const std::string& name)
{
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE &&
            g_ascii_strcasecmp(entry->object_name, name.c_str()) == 0)
            return entry;
    }
    return nullptr;
}

// Writes one table; false after a "failed" line.
bool DumpTable(MdbHandle* mdb, const std::string& name, std::uint64_t limit, Output& out)
{
    MdbCatalogEntry* entry = FindTable(mdb, name);
    if (entry == nullptr) {
        out.Put(px::DumpMissingLine(name));
        return true;
    }
    const std::unique_ptr<MdbTableDef, Closer> table(mdb_read_table(entry));
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
    for (guint c = 0; c < table->num_cols; ++c) {
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
        out.Put(px::DumpColumnLine(column->name, column->col_type));
    }
    if (table->num_rows > limit) {
        // A file this large is refused whatever it holds: none of it is read.
        out.Put(px::DumpOverLine());
        out.Put(px::DumpEndLine(0));
        return true;
    }
    mdb_rewind_table(table.get());
    std::vector<MdbField> fields(table->num_cols);
    std::vector<px::JetField> values(table->num_cols);
    std::uint64_t fetched = 0;
    while (fetched < table->num_rows && mdb_fetch_row(table.get()) != 0) {
        // No column is bound, so the page buffer still holds the row just fetched.
        int start = 0;
        size_t length = 0;
        if (table->cur_row == 0 ||
            mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &length) != 0 ||
            (start & kRowLookupFlag) != 0) {
            out.Put(px::DumpFailedLine("a row of table " + name + " cannot be found again"));
            return false;
        }
        start &= kRowOffsetMask;
        if (static_cast<std::size_t>(start) + length > sizeof mdb->pg_buf ||
            mdb_crack_row(table.get(), start, length, fields.data()) <= 0) {
            out.Put(px::DumpFailedLine("a row of table " + name + " cannot be read"));
            return false;
        }
        for (guint c = 0; c < table->num_cols; ++c) {
            const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
            const MdbField& field = fields[c];
            if (column->col_type == MDB_BOOL) {
                // A yes/no value lives in the null bitmap: set for yes.
                values[c] =
                    std::vector<std::uint8_t>{field.is_null ? std::uint8_t{0} : std::uint8_t{1}};
            } else if (field.is_null) {
                values[c].reset();
            } else {
                const auto* bytes = static_cast<const std::uint8_t*>(field.value);
                const bool inPage = bytes >= mdb->pg_buf && field.siz >= 0 &&
                                    bytes + field.siz <= mdb->pg_buf + sizeof mdb->pg_buf;
                if (!inPage || static_cast<std::size_t>(field.siz) > px::kMaxJetFieldBytes) {
                    out.Put(
                        px::DumpFailedLine("a value of table " + name + " lies outside its row"));
                    return false;
                }
                values[c] = std::vector<std::uint8_t>(bytes, bytes + field.siz);
            }
        }
        out.Put(px::DumpRowLine(values));
        ++fetched;
    }
    out.Put(px::DumpEndLine(fetched));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    // The words as UTF-8, whatever the system's code page: libmdb is handed a UTF-8 name, which
    // it opens through UTF-16 on Windows.
    const std::vector<std::string> words = px::sys::ProgramArguments(argc, argv);
    if (words.size() < 2) {
        std::fputs("usage: px-classic-reader FILE OUT TABLE=LIMIT...\n", stderr);
        return 2;
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
            return 2;
        }
        tables.emplace_back(word.substr(0, eq), limit);
    }
    std::ofstream file(px::PathFromUtf8(words[1]), std::ios::binary | std::ios::trunc);
    if (!file) {
        std::fprintf(stderr, "px-classic-reader: cannot write %s\n", words[1].c_str());
        return 1;
    }
    Output out(file);
    out.Put(px::DumpHeaderLine());
    const std::unique_ptr<MdbHandle, Closer> mdb(mdb_open(words[0].c_str(), MDB_NOFLAGS));
    if (!mdb || mdb_read_catalog(mdb.get(), MDB_TABLE) == nullptr) {
        out.Put(px::DumpFailedLine("the catalogue of the database cannot be read"));
        return out.Close() ? 0 : 1;
    }
    bool whole = true;
    for (const auto& [name, limit] : tables) {
        whole = DumpTable(mdb.get(), name, limit, out);
        if (!whole)
            break;
    }
    if (whole)
        out.Put(px::DumpDoneLine());
    return out.Close() ? 0 : 1;
}
