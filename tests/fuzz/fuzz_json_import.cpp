// JSON import of a configuration file into a real SQLite file. The property: a document the
// import refuses leaves the database exactly as it was.

#include "FuzzOracle.h"
#include "storage/ConfigJson.h"
#include "storage/Database.h"
#include "storage/Schema.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sqlite3.h>
#include <unistd.h>

namespace {

using px::fuzz::Check;

namespace fs = std::filesystem;

// Every row of every table, in a fixed order, as text.
std::string Dump(const std::string& path)
{
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(raw);
        return "cannot open";
    }
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, sqlite3_close);
    std::vector<std::string> tables;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db.get(), "select name from sqlite_master where type='table' order by name",
                       -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW)
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    std::string dump;
    for (const std::string& table : tables) {
        dump += "[" + table + "]\n";
        sqlite3_prepare_v2(db.get(), ("select * from \"" + table + "\" order by rowid").c_str(), -1,
                           &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                const unsigned char* text = sqlite3_column_text(statement, c);
                dump += text != nullptr ? reinterpret_cast<const char*>(text) : "NULL";
                dump += '|';
            }
            dump += '\n';
        }
        sqlite3_finalize(statement);
    }
    return dump;
}

struct Paths
{
    std::string pristine; // a database with one configuration file, made once
    std::string work;     // the copy each input is imported into
};

const Paths& Databases()
{
    static const Paths paths = [] {
        const fs::path folder =
            fs::temp_directory_path() / ("px-fuzz-import-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        Paths p{(folder / "pristine.db").string(), (folder / "work.db").string()};
        std::string error;
        Check(px::EnsureDatabase(p.pristine, error), "a new database");
        px::Database db;
        Check(db.Open(p.pristine), "open the new database");
        const std::string site =
            R"({"format": 1, "name": "店", "model": "px",
                "infoMachines": [{"DeviceNo": 7, "Address": "0000123", "Remark": "r", "TypeNo": 4}],
                "handhelds": [{"DeviceNo": 5, "Address": "1A2B", "Remark": ""}],
                "callers": []})";
        Check(px::ImportConfigFile(db, site, "", false, error) == px::JsonImportResult::Imported,
              "the seed file imports");
        return p;
    }();
    return paths;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Paths& paths = Databases();
    // Through the streams rather than copy_file: libFuzzer's timer signal interrupts the
    // kernel copy copy_file uses, which then throws.
    static const std::string pristine = [&] {
        std::ifstream in(paths.pristine, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    {
        std::ofstream out(paths.work, std::ios::binary | std::ios::trunc);
        out << pristine;
        Check(static_cast<bool>(out.flush()), "copy the pristine database");
    }
    const std::string before = Dump(paths.work);
    px::JsonImportResult result;
    {
        px::Database db;
        Check(db.Open(paths.work), "open the copy");
        const std::string document(reinterpret_cast<const char*>(data), size);
        // Replacing allowed or not, and under its own name or another: from the input's length.
        std::string error;
        result =
            px::ImportConfigFile(db, document, size % 3 == 0 ? "另一个" : "", size % 2 == 0, error);
    }
    if (result != px::JsonImportResult::Imported)
        Check(Dump(paths.work) == before, "a refused document leaves the database unchanged");
    return 0;
}
