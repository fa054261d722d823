// Proves the Jet writer against mdbtools' own command-line tools: writes databases of both
// versions, reads them back with mdb-ver, mdb-tables, mdb-schema, mdb-count and mdb-export, and
// compares every value of every row with what was written. Also checks that the writer refuses what
// Jet cannot hold. Exits non-zero with a message for each difference.

#include "classic/JetWriter.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iconv.h>
#include <iostream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace px::test {
namespace {

namespace fs = std::filesystem;

// --- What a fixture holds ---------------------------------------------------------------------

// A value to write, with the text mdb-export prints for a DateTime (its civil form, not derived
// from the stored number, so a wrong conversion shows).
struct Value
{
    Value() = default;
    Value(int v) : value(std::int64_t{v}) {}
    Value(std::int64_t v) : value(v) {}
    Value(double v) : value(v) {}
    Value(bool v) : value(v) {}
    Value(const char* v) : value(std::string(v)) {}
    Value(std::string v) : value(std::move(v)) {}

    JetValue value; // NULL unless set
    std::string dateText;
};

const Value kNull{};

Value Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    Value v(JetDateTime(year, month, day, hour, minute, second));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour,
                  minute, second);
    v.dateText = text;
    return v;
}

constexpr const char* kDateFormat = "%Y-%m-%d %H:%M:%S";

struct CheckTable
{
    std::string name;
    std::vector<JetColumn> columns;
    std::vector<std::vector<Value>> rows;
};

struct Fixture
{
    std::string name;
    JetVersion version = JetVersion::Jet4;
    bool compress = true;
    bool gbk = false; // Jet 3: encode text as GBK
    std::uint16_t codePage = 936;
    std::vector<CheckTable> tables;
};

// --- Failures ---------------------------------------------------------------------------------

class Failures
{
public:
    void Add(const std::string& message)
    {
        if (count_ < kShown)
            std::cerr << "FAIL: " << message << "\n";
        ++count_;
    }
    int Count() const { return count_; }
    void Summary() const
    {
        if (count_ > kShown)
            std::cerr << "... and " << (count_ - kShown) << " more failures\n";
    }

private:
    static constexpr int kShown = 60; // the rest are counted, not printed
    int count_ = 0;
};

// --- Text helpers -----------------------------------------------------------------------------

class Iconv
{
public:
    Iconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (Valid())
            iconv_close(handle_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(std::intptr_t{-1}); }

    std::optional<std::string> Convert(std::string_view input) const
    {
        std::string in(input);
        std::string out(in.size() * 4 + 8, '\0');
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return std::nullopt;
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t handle_;
};

std::string Repeat(std::string_view unit, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += unit;
    return out;
}

// Letters that change with position, so text cut or shifted anywhere reads back different.
std::string Pattern(std::size_t length, std::size_t seed)
{
    std::string out;
    for (std::size_t i = 0; i < length; ++i)
        out.push_back(static_cast<char>('a' + (seed + i * 7) % 26));
    return out;
}

std::string ShellQuote(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out.push_back(c);
    }
    return out + "'";
}

// --- Running mdbtools -------------------------------------------------------------------------

struct Output
{
    int status = -1;
    std::string out;
    std::string err;
};

Output Run(const std::vector<std::string>& args, const fs::path& errFile)
{
    std::string command = "LC_ALL=C.UTF-8";
    for (const std::string& arg : args)
        command += " " + ShellQuote(arg);
    command += " 2>" + ShellQuote(errFile.string());
    Output result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        result.err = "cannot start " + command;
        return result;
    }
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, n);
    result.status = pclose(pipe);
    std::ifstream err(errFile, std::ios::binary);
    std::ostringstream text;
    text << err.rdbuf();
    result.err = text.str();
    return result;
}

// --- Reading mdbtools' output -----------------------------------------------------------------

struct CsvField
{
    std::string text;
    bool quoted = false;
};

// mdb-export's CSV: fields quoted with ", quotes inside doubled, newlines kept inside quotes.
std::optional<std::vector<std::vector<CsvField>>> ParseCsv(const std::string& text)
{
    std::vector<std::vector<CsvField>> rows;
    std::vector<CsvField> row;
    CsvField field;
    std::size_t i = 0;
    bool fieldStarted = false;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"' && !fieldStarted) {
            field.quoted = true;
            fieldStarted = true;
            ++i;
            for (;;) {
                if (i >= text.size())
                    return std::nullopt;
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field.text.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.text.push_back(text[i++]);
            }
            continue;
        }
        if (c == ',' || c == '\n') {
            row.push_back(std::move(field));
            field = {};
            fieldStarted = false;
            if (c == '\n') {
                rows.push_back(std::move(row));
                row.clear();
            }
            ++i;
            continue;
        }
        if (field.quoted)
            return std::nullopt; // text after a closing quote
        field.text.push_back(c);
        fieldStarted = true;
        ++i;
    }
    if (fieldStarted || !row.empty())
        return std::nullopt; // every record ends with a newline
    return rows;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

struct SchemaColumn
{
    std::string name;
    std::string type;
};

// The tables of mdb-schema's Access dialect: "CREATE TABLE [name]" then "\t[column]\t\t\ttype".
std::vector<std::pair<std::string, std::vector<SchemaColumn>>> ParseSchema(const std::string& text)
{
    std::vector<std::pair<std::string, std::vector<SchemaColumn>>> tables;
    const std::string create = "CREATE TABLE [";
    for (const std::string& line : Lines(text)) {
        if (line.rfind(create, 0) == 0 && line.back() == ']') {
            tables.emplace_back(line.substr(create.size(), line.size() - create.size() - 1),
                                std::vector<SchemaColumn>{});
        } else if (!tables.empty() && line.rfind("\t[", 0) == 0) {
            const std::size_t close = line.find("]\t\t\t");
            if (close == std::string::npos)
                continue;
            std::string type = line.substr(close + 4);
            if (type.size() >= 2 && type.compare(type.size() - 2, 2, ", ") == 0)
                type.resize(type.size() - 2);
            tables.back().second.push_back({line.substr(2, close - 2), type});
        }
    }
    return tables;
}

std::string SchemaType(const JetColumn& column)
{
    switch (column.type) {
    case JetType::Byte:
        return "Byte";
    case JetType::Integer:
        return "Integer";
    case JetType::Long:
        return "Long Integer";
    case JetType::Double:
        return "Double";
    case JetType::DateTime:
        return "DateTime";
    case JetType::Bool:
        return "Boolean NOT NULL"; // mdb-schema adds it: a Jet Bool is never NULL
    case JetType::Text:
        return "Text (" + std::to_string(column.textLength) + ")";
    case JetType::Memo:
        return "Memo/Hyperlink (255)"; // a memo's length is 0, which mdb-schema shows as 255
    }
    return "?";
}

std::string Show(const CsvField& field)
{
    if (field.quoted)
        return "\"" + field.text + "\"";
    return field.text.empty() ? "(empty, unquoted)" : field.text;
}

// Compares one exported field with the value written; returns what is wrong, or nothing.
std::optional<std::string> CompareField(const JetColumn& column, const Value& written,
                                        const CsvField& got)
{
    const auto expect = [&](const std::string& text, bool quoted) -> std::optional<std::string> {
        if (got.text == text && got.quoted == quoted)
            return std::nullopt;
        return "expected " + Show(CsvField{text, quoted}) + ", got " + Show(got);
    };
    const JetValue& v = written.value;
    if (column.type == JetType::Bool)
        return expect(std::get<bool>(v) ? "1" : "0", false);
    if (std::holds_alternative<std::monostate>(v))
        return expect("", false);
    switch (column.type) {
    case JetType::Byte:
    case JetType::Integer:
    case JetType::Long:
        return expect(std::to_string(std::get<std::int64_t>(v)), false);
    case JetType::Double: {
        const double number = std::holds_alternative<double>(v)
                                  ? std::get<double>(v)
                                  : static_cast<double>(std::get<std::int64_t>(v));
        if (got.quoted || got.text.empty())
            return "expected the number " + std::to_string(number) + ", got " + Show(got);
        char* end = nullptr;
        const double read = std::strtod(got.text.c_str(), &end);
        // mdb-export prints 16 significant digits, one short of what every double needs.
        const bool close = read == number || std::fabs(read - number) <= std::fabs(number) * 4e-16;
        if (*end != '\0' || !close || std::signbit(read) != std::signbit(number)) {
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", number);
            return std::string("expected the number ") + text + ", got " + Show(got);
        }
        return std::nullopt;
    }
    case JetType::DateTime:
        return expect(written.dateText, true);
    case JetType::Text:
    case JetType::Memo: {
        const std::string& text = std::get<std::string>(v);
        // mdb-export prints an empty text exactly as it prints NULL.
        return text.empty() ? expect("", false) : expect(text, true);
    }
    case JetType::Bool:
        break;
    }
    return "unexpected column type";
}

// --- Building the databases -------------------------------------------------------------------

JetDatabase ToDatabase(const Fixture& fixture, const Iconv& gbk)
{
    JetDatabase database;
    database.version = fixture.version;
    database.codePage = fixture.codePage;
    database.compressJet4Text = fixture.compress;
    if (fixture.gbk)
        database.encodeJet3Text = [&gbk](std::string_view utf8) { return gbk.Convert(utf8); };
    for (const CheckTable& source : fixture.tables) {
        JetTable table{source.name, source.columns, {}};
        for (const std::vector<Value>& row : source.rows) {
            std::vector<JetValue> values;
            for (const Value& value : row)
                values.push_back(value.value);
            table.rows.push_back(std::move(values));
        }
        database.tables.push_back(std::move(table));
    }
    return database;
}

void CheckFixture(const Fixture& fixture, const Iconv& gbk, const fs::path& folder,
                  Failures& failures)
{
    const int before = failures.Count();
    const fs::path file = folder / (fixture.name + ".mdb");
    const fs::path errFile = folder / (fixture.name + ".stderr");
    const auto fail = [&](const std::string& message) {
        failures.Add(fixture.name + ": " + message);
    };
    std::string error;
    if (!WriteJetDatabase(ToDatabase(fixture, gbk), file, &error)) {
        fail("the writer refused: " + error);
        return;
    }
    const auto run = [&](const std::vector<std::string>& args) -> std::optional<std::string> {
        const Output output = Run(args, errFile);
        std::string command;
        for (const std::string& arg : args)
            command += (command.empty() ? "" : " ") + arg;
        if (output.status != 0) {
            fail(command + " exited with status " + std::to_string(output.status) + ": " +
                 output.err);
            return std::nullopt;
        }
        if (!output.err.empty())
            fail(command + " complained: " + output.err);
        return output.out;
    };

    const std::uintmax_t pageSize = fixture.version == JetVersion::Jet3 ? 2048 : 4096;
    std::error_code sizeError;
    const std::uintmax_t size = fs::file_size(file, sizeError);
    if (sizeError || size % pageSize != 0)
        fail("the file is not made of whole " + std::to_string(pageSize) + "-byte pages");

    if (const auto version = run({"mdb-ver", file.string()})) {
        const std::string expected = fixture.version == JetVersion::Jet3 ? "JET3\n" : "JET4\n";
        if (*version != expected)
            fail("mdb-ver printed " + *version + " instead of " + expected);
    }

    std::vector<std::string> names;
    for (const CheckTable& table : fixture.tables)
        names.push_back(table.name);
    if (const auto listed = run({"mdb-tables", "-1", file.string()})) {
        if (Lines(*listed) != names)
            fail("mdb-tables listed\n" + *listed + "instead of the tables written");
    }
    if (const auto listed = run({"mdb-tables", "-1", "-S", file.string()})) {
        std::vector<std::string> withSystem{"MSysObjects"};
        withSystem.insert(withSystem.end(), names.begin(), names.end());
        if (Lines(*listed) != withSystem)
            fail("mdb-tables -S listed\n" + *listed + "instead of MSysObjects and the tables");
    }

    if (const auto schema = run({"mdb-schema", file.string()})) {
        const auto tables = ParseSchema(*schema);
        if (tables.size() != fixture.tables.size())
            fail("mdb-schema shows " + std::to_string(tables.size()) + " tables, not " +
                 std::to_string(fixture.tables.size()));
        for (std::size_t t = 0; t < tables.size() && t < fixture.tables.size(); ++t) {
            const CheckTable& table = fixture.tables[t];
            if (tables[t].first != table.name)
                fail("mdb-schema table " + std::to_string(t + 1) + " is " + tables[t].first +
                     ", not " + table.name);
            const auto& columns = tables[t].second;
            if (columns.size() != table.columns.size()) {
                fail("mdb-schema shows " + std::to_string(columns.size()) + " columns in " +
                     table.name + ", not " + std::to_string(table.columns.size()));
                continue;
            }
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const JetColumn& column = table.columns[c];
                if (columns[c].name != column.name || columns[c].type != SchemaType(column))
                    fail("mdb-schema shows column " + columns[c].name + " " + columns[c].type +
                         " in " + table.name + ", written as " + column.name + " " +
                         SchemaType(column));
            }
        }
    }

    for (const CheckTable& table : fixture.tables) {
        // mdb-count reads the count kept in the table definition, not the rows.
        if (const auto count = run({"mdb-count", file.string(), table.name})) {
            if (*count != std::to_string(table.rows.size()) + "\n")
                fail("mdb-count of " + table.name + " printed " + *count + " for " +
                     std::to_string(table.rows.size()) + " rows");
        }
        const auto exported =
            run({"mdb-export", "-D", kDateFormat, "-T", kDateFormat, file.string(), table.name});
        if (!exported)
            continue;
        const auto rows = ParseCsv(*exported);
        if (!rows || rows->empty()) {
            fail("mdb-export of " + table.name + " is not CSV with a header");
            continue;
        }
        std::vector<std::string> header;
        for (const CsvField& field : rows->front())
            header.push_back(field.text);
        std::vector<std::string> columnNames;
        for (const JetColumn& column : table.columns)
            columnNames.push_back(column.name);
        if (header != columnNames)
            fail("mdb-export header of " + table.name + " does not name the columns written");
        const std::size_t got = rows->size() - 1;
        if (got != table.rows.size())
            fail("mdb-export gave " + std::to_string(got) + " rows of " + table.name + ", not " +
                 std::to_string(table.rows.size()));
        for (std::size_t r = 0; r < table.rows.size() && r < got; ++r) {
            const std::vector<CsvField>& fields = (*rows)[r + 1];
            const std::string where = table.name + " row " + std::to_string(r + 1);
            if (fields.size() != table.columns.size()) {
                fail(where + " has " + std::to_string(fields.size()) + " fields");
                continue;
            }
            for (std::size_t c = 0; c < fields.size(); ++c) {
                if (const auto problem =
                        CompareField(table.columns[c], table.rows[r][c], fields[c]))
                    fail(where + " column " + table.columns[c].name + ": " + *problem);
            }
        }
    }
    if (failures.Count() == before) {
        std::size_t rowCount = 0;
        for (const CheckTable& table : fixture.tables)
            rowCount += table.rows.size();
        std::cout << "ok " << fixture.name << ": " << fixture.tables.size() << " tables, "
                  << rowCount << " rows, " << size / pageSize << " pages" << std::endl;
    }
}

// --- The fixtures -----------------------------------------------------------------------------

CheckTable AllTypesTable()
{
    CheckTable t{"T_AllTypes",
                 {{"Id", JetType::Long},
                  {"Small", JetType::Byte},
                  {"Medium", JetType::Integer},
                  {"Large", JetType::Long},
                  {"Real", JetType::Double},
                  {"When", JetType::DateTime},
                  {"Flag", JetType::Bool},
                  {"Words", JetType::Text, 255},
                  {"Letter", JetType::Text, 1},
                  {"Notes", JetType::Memo}},
                 {}};
    const std::int64_t int32Min = std::numeric_limits<std::int32_t>::min();
    const std::int64_t int32Max = std::numeric_limits<std::int32_t>::max();
    t.rows = {
        {1, kNull, kNull, kNull, kNull, kNull, false, kNull, kNull, kNull},
        {2, 0, -32768, int32Min, -2.5, Date(1899, 12, 30), true, "", "", ""},
        {3, 255, 32767, int32Max, 1e300, Date(2000, 2, 29, 23, 59, 59), false, "x", "y", "z"},
        {4, 1, -1, -1, -1e-300, Date(1900, 1, 1, 0, 0, 1), true, "配置文件", "中",
         "备注：呼叫服务"},
        {5, 128, 12345, 1234567890, 3.141592653589793, Date(2024, 6, 15, 12, 30, 45), true,
         Repeat("汉", 255), "Z", Repeat("长备注", 200)},
        {6, 7, 0, 0, 0.0, Date(2038, 1, 19, 3, 14, 8), false, Repeat("w", 255), "\"",
         Pattern(1000, 3)},
        {7, 9, 100, 65536, -0.0, Date(1970, 1, 1), true,
         "quote \" comma , semicolon ; tab\t backslash \\ end", ",", "line one\nline two"},
        // Characters whose low byte is zero cannot be compressed; Latin-1 ones can.
        {8, 10, 200, 70000, 0.1, Date(1999, 12, 31, 23, 59, 59), false, "一刀ā and ASCII", "一",
         "crème à la mode, über café"},
        {9, 11, 300, 80000, 123456789.125, Date(2100, 3, 1, 8, 0, 0), true,
         "ASCII then 中文 then ASCII again 再中文", "é", "  leading and trailing spaces  "},
        {10, 12, 400, 90000, std::int64_t{42}, Date(1904, 2, 29, 12, 0, 0), false,
         "数字123与字母abc交替", "9", kNull},
    };
    return t;
}

std::vector<CheckTable> TypeTables()
{
    std::vector<CheckTable> tables{AllTypesTable()};
    tables.push_back({"T_Empty", {{"A", JetType::Long}, {"B", JetType::Text, 10}}, {}});
    tables.push_back({"T_FixedOnly",
                      {{"N", JetType::Long},
                       {"X", JetType::Double},
                       {"F", JetType::Bool},
                       {"B", JetType::Byte},
                       {"D", JetType::DateTime}},
                      {{1, 1.5, true, 1, Date(2001, 9, 9, 1, 46, 40)},
                       {kNull, kNull, false, kNull, kNull},
                       {-3, -2.25, true, 255, Date(1950, 5, 5)}}});
    tables.push_back({"表格 中文",
                      {{"编号", JetType::Long}, {"名称", JetType::Text, 10}},
                      {{1, "一号"}, {2, kNull}, {3, "十个字的名称呀呀呀"}}});
    return tables;
}

const char* const kFileNames[] = {"一楼.px", "二楼.px", "Kitchen.px", "配置 4.px"};
const char* const kKeyNames[] = {"呼叫服务", "结账",  "加水",  "点菜", "取消",
                                 "按键6",    "按键7", "按键8", "按键9"};

std::vector<CheckTable> ProjectTables()
{
    CheckTable fileNames{
        "T_FileName", {{"FileName", JetType::Text, 255}, {"DeviceType", JetType::Integer}}, {}};
    for (int i = 0; i < 4; ++i)
        fileNames.rows.push_back({kFileNames[i], i % 2});

    CheckTable device1{"T_Device1",
                       {{"DeviceNo", JetType::Long},
                        {"Address", JetType::Text, 20},
                        {"Remark", JetType::Text, 50},
                        {"FileName", JetType::Text, 255},
                        {"TypeNo", JetType::Integer}},
                       {}};
    for (int i = 0; i < 2000; ++i) {
        Value remark = kNull;
        if (i % 10 == 1)
            remark = "";
        else if (i % 10 != 0)
            remark = "大厅" + std::to_string(i) + (i % 3 == 0 ? " \"VIP\", 二楼" : "");
        device1.rows.push_back({i % 500, std::to_string(1000000 + (i * 7919) % 9000000), remark,
                                kFileNames[i / 500], i % 5});
    }

    CheckTable device2{"T_Device2",
                       {{"DeviceNo", JetType::Long},
                        {"Address", JetType::Text, 4},
                        {"Remark", JetType::Text, 50},
                        {"FileName", JetType::Text, 255}},
                       {}};
    for (int i = 1; i <= 99; ++i) {
        char address[8];
        std::snprintf(address, sizeof address, "%04X",
                      (static_cast<unsigned>(i) * 2654435761u) & 0xffffu);
        device2.rows.push_back({i, address,
                                i % 4 == 0 ? kNull : Value("手持机" + std::to_string(i)),
                                kFileNames[i % 4]});
    }

    CheckTable device3{"T_Device3",
                       {{"CodeNo", JetType::Text, 12},
                        {"CallNo", JetType::Long},
                        {"CallName", JetType::Text, 50},
                        {"KeyName", JetType::Text, 50},
                        {"DeviceNo1", JetType::Long},
                        {"DeviceNo2", JetType::Long},
                        {"DeviceNo3", JetType::Long},
                        {"DeviceNo4", JetType::Long},
                        {"DeviceNo5", JetType::Long},
                        {"DeviceNo6", JetType::Long},
                        {"DeviceNo7", JetType::Long},
                        {"DeviceNo8", JetType::Long},
                        {"ZhuiHu", JetType::Integer},
                        {"CodeType", JetType::Byte},
                        {"FileName", JetType::Text, 255}},
                       {}};
    for (int i = 0; i < 300; ++i) {
        char code[16];
        if (i % 2 == 0)
            std::snprintf(code, sizeof code, "%011X%X", static_cast<unsigned>(i * 40503),
                          static_cast<unsigned>(i % 9 + 1));
        else
            std::snprintf(code, sizeof code, "%05X%X", static_cast<unsigned>(i * 977) & 0xfffffu,
                          static_cast<unsigned>(i % 9 + 1));
        std::vector<Value> row{code, i, i % 7 == 0 ? kNull : Value("呼叫器" + std::to_string(i)),
                               kKeyNames[i % 9]};
        for (int k = 0; k < 8; ++k)
            row.push_back(k <= i % 8 ? Value((i + 37 * k) % 500) : kNull);
        row.push_back(i % 3);
        row.push_back(i % 2);
        row.push_back(kFileNames[i % 4]);
        device3.rows.push_back(std::move(row));
    }

    CheckTable callType{
        "T_CallType",
        {{"TypeName", JetType::Text, 50},
         {"TypeNum", JetType::Integer},
         {"TypeChoice", JetType::Long}},
        {{"单键", 1, 1}, {"双键", 2, 3}, {"三键", 3, 7}, {"四键", 4, 15}, {"五键", 5, 31}}};

    CheckTable keyName{
        "T_KeyName", {{"KeyNo", JetType::Integer}, {"KeyName", JetType::Text, 50}}, {}};
    for (int i = 0; i < 9; ++i)
        keyName.rows.push_back({i + 1, kKeyNames[i]});

    CheckTable type{"T_Type",
                    {{"TypeNo", JetType::Integer},
                     {"TypeName", JetType::Text, 50},
                     {"MachineType", JetType::Integer},
                     {"Rate", JetType::Byte},
                     {"Polarity", JetType::Byte}},
                    {{0, "BX-2", 0, 0, 0},
                     {1, "LW2/LW1", 1, 0, 0},
                     {2, "num", 2, 1, 0},
                     {3, "en", 3, 1, 0},
                     {4, "LW3", 4, 0, 1}}};

    return {fileNames, device1, device2, device3, callType, keyName, type};
}

// Rows whose variable data ends at every position around the 256- and 512-byte marks, where
// Jet 3 needs jump tables (and sometimes an unused jump entry), and a row whose first
// variable column starts past 256 bytes.
std::vector<CheckTable> RowSizeTables()
{
    CheckTable sweep{"T_Sweep",
                     {{"Id", JetType::Long},
                      {"A", JetType::Text, 255},
                      {"B", JetType::Text, 255},
                      {"C", JetType::Text, 255}},
                     {}};
    for (std::size_t k = 0; k < 600; ++k) {
        const std::size_t a = std::min<std::size_t>(k, 255);
        const std::size_t b = std::min<std::size_t>(k - a, 255);
        const std::size_t c = k - a - b;
        Value first = k % 50 == 7 ? kNull : Value(Pattern(a, k));
        sweep.rows.push_back({static_cast<int>(k), first, Pattern(b, k + 1), Pattern(c, k + 2)});
    }

    CheckTable wide{"T_ManyFixed", {}, {}};
    for (int i = 0; i < 34; ++i)
        wide.columns.push_back({"X" + std::to_string(i), JetType::Double});
    wide.columns.push_back({"Name", JetType::Text, 20});
    wide.columns.push_back({"Notes", JetType::Memo});
    for (int r = 0; r < 3; ++r) {
        std::vector<Value> row;
        for (int i = 0; i < 34; ++i)
            row.push_back(r == 1 && i % 5 == 0 ? kNull : Value(i * 1.25 - r));
        row.push_back(r == 2 ? kNull : Value(Pattern(20, static_cast<std::size_t>(r))));
        row.push_back(Value(Pattern(static_cast<std::size_t>(300 * r), 5)));
        wide.rows.push_back(std::move(row));
    }
    return {sweep, wide};
}

// Enough tables that their usage maps fill more than one page.
std::vector<CheckTable> ManyTables(int count)
{
    std::vector<CheckTable> tables;
    for (int t = 0; t < count; ++t) {
        CheckTable table{
            "T_" + std::to_string(t), {{"N", JetType::Long}, {"Name", JetType::Text, 30}}, {}};
        for (int r = 0; r <= t % 4; ++r)
            table.rows.push_back(
                {t * 100 + r, "表" + std::to_string(t) + "行" + std::to_string(r)});
        tables.push_back(std::move(table));
    }
    return tables;
}

// More data pages than the usage map Jet gives a table can count.
std::vector<CheckTable> LargeTable()
{
    CheckTable table{"T_Large", {{"N", JetType::Long}, {"S", JetType::Text, 50}}, {}};
    for (int i = 0; i < 40000; ++i)
        table.rows.push_back({i, Pattern(40, static_cast<std::size_t>(i))});
    return {table};
}

std::vector<Fixture> Fixtures()
{
    std::vector<Fixture> fixtures;
    const auto add = [&](std::string name, JetVersion version, bool compress, bool gbk,
                         std::uint16_t codePage, std::vector<CheckTable> tables) {
        fixtures.push_back({std::move(name), version, compress, gbk, codePage, std::move(tables)});
    };
    add("jet4-types", JetVersion::Jet4, true, false, 936, TypeTables());
    add("jet4-types-uncompressed", JetVersion::Jet4, false, false, 936, TypeTables());
    add("jet3-types-gbk", JetVersion::Jet3, false, true, 936, TypeTables());
    add("jet4-project", JetVersion::Jet4, true, false, 936, ProjectTables());
    add("jet4-project-uncompressed", JetVersion::Jet4, false, false, 936, ProjectTables());
    add("jet3-project-gbk", JetVersion::Jet3, false, true, 936, ProjectTables());
    add("jet4-rowsizes", JetVersion::Jet4, true, false, 936, RowSizeTables());
    add("jet4-rowsizes-uncompressed", JetVersion::Jet4, false, false, 936, RowSizeTables());
    // ASCII only, so no encoder is needed; the header names Western code page 1252.
    add("jet3-rowsizes-ascii", JetVersion::Jet3, false, false, 1252, RowSizeTables());
    add("jet4-large", JetVersion::Jet4, true, false, 936, LargeTable());
    add("jet3-large", JetVersion::Jet3, false, false, 936, LargeTable());
    add("jet4-many-tables", JetVersion::Jet4, true, false, 936, ManyTables(70));
    add("jet3-many-tables-gbk", JetVersion::Jet3, false, true, 936, ManyTables(25));
    return fixtures;
}

// --- DateTime values ------------------------------------------------------------------------

// Day numbers Jet shares with OLE Automation dates. mdbtools shows no date before 1899-12-30,
// so those are checked here as numbers: the whole days count back, the time counts forward.
void CheckDateTimes(Failures& failures)
{
    struct Case
    {
        int year, month, day, hour, minute, second;
        double expected;
    };
    const Case cases[] = {
        {1899, 12, 30, 0, 0, 0, 0.0},     {1899, 12, 31, 0, 0, 0, 1.0},
        {1900, 1, 1, 0, 0, 0, 2.0},       {1900, 3, 1, 0, 0, 0, 61.0},
        {2000, 1, 1, 0, 0, 0, 36526.0},   {2000, 1, 1, 18, 0, 0, 36526.75},
        {1899, 12, 29, 6, 0, 0, -1.25},   {1899, 12, 29, 0, 0, 0, -1.0},
        {1800, 1, 1, 12, 0, 0, -36522.5}, {9999, 12, 31, 0, 0, 0, 2958465.0},
    };
    int good = 0;
    for (const Case& c : cases) {
        const double got = JetDateTime(c.year, c.month, c.day, c.hour, c.minute, c.second);
        if (got == c.expected) {
            ++good;
            continue;
        }
        char text[160];
        std::snprintf(text, sizeof text, "dates: %04d-%02d-%02d %02d:%02d:%02d is %.17g, not %.17g",
                      c.year, c.month, c.day, c.hour, c.minute, c.second, got, c.expected);
        failures.Add(text);
    }
    for (const auto& bad : {std::array{2023, 2, 29, 0, 0, 0}, std::array{2024, 13, 1, 0, 0, 0},
                            std::array{2024, 1, 1, 24, 0, 0}, std::array{2024, 1, 1, 0, 60, 0},
                            std::array{2024, 1, 1, 0, 0, 60}, std::array{2024, 0, 1, 0, 0, 0}}) {
        if (!std::isnan(JetDateTime(bad[0], bad[1], bad[2], bad[3], bad[4], bad[5])))
            failures.Add("dates: " + std::to_string(bad[0]) + "-" + std::to_string(bad[1]) + "-" +
                         std::to_string(bad[2]) + " " + std::to_string(bad[3]) + ":" +
                         std::to_string(bad[4]) + ":" + std::to_string(bad[5]) +
                         " is not a date, yet has a value");
        else
            ++good;
    }
    if (good == static_cast<int>(std::size(cases)) + 6)
        std::cout << "ok dates: " << good << " conversions" << std::endl;
}

// --- What the writer must refuse --------------------------------------------------------------

struct Refusal
{
    std::string what;
    std::function<void(JetDatabase&)> change; // applied to a small valid database
    std::string reason;                       // a piece of the error message
};

JetDatabase SmallDatabase()
{
    JetDatabase database;
    database.tables.push_back({"T_Key",
                               {{"KeyNo", JetType::Integer},
                                {"KeyName", JetType::Text, 4},
                                {"Small", JetType::Byte},
                                {"Large", JetType::Long},
                                {"Flag", JetType::Bool},
                                {"When", JetType::DateTime},
                                {"Notes", JetType::Memo}},
                               {{std::int64_t{1}, std::string("结账"), std::int64_t{1},
                                 std::int64_t{1}, true, 1.5, std::string("m")}}});
    return database;
}

void CheckRefusals(const Iconv& gbk, Failures& failures)
{
    const auto set = [](std::size_t column, JetValue value) {
        return [column, value](JetDatabase& d) { d.tables[0].rows[0][column] = value; };
    };
    const auto jet3 = [](JetDatabase& d) { d.version = JetVersion::Jet3; };
    const std::vector<Refusal> refusals{
        {"text longer than its column", set(1, std::string("五个字符呀")), "longer than"},
        {"Byte above 255", set(2, std::int64_t{256}), "Byte"},
        {"Byte below 0", set(2, std::int64_t{-1}), "Byte"},
        {"Integer above 32767", set(0, std::int64_t{32768}), "Integer"},
        {"Integer below -32768", set(0, std::int64_t{-32769}), "Integer"},
        {"Long above 2^31-1", set(3, std::int64_t{2147483648LL}), "Long"},
        {"Long below -2^31", set(3, std::int64_t{-2147483649LL}), "Long"},
        {"text in a Long", set(3, std::string("1")), "Long"},
        {"a double in a Long", set(3, 1.0), "Long"},
        {"a number in a Text", set(1, std::int64_t{1}), "takes text"},
        {"NULL in a Bool", set(4, std::monostate{}), "Bool"},
        {"a number in a Bool", set(4, std::int64_t{1}), "Bool"},
        {"a date that does not exist", set(5, JetDateTime(2023, 2, 29)), "DateTime"},
        {"invalid UTF-8", set(1, std::string("\xff\xfe")), "UTF-8"},
        {"an overlong UTF-8 sequence", set(1, std::string("\xc0\xaf")), "UTF-8"},
        {"a UTF-8 encoded surrogate", set(1, std::string("\xed\xa0\x80")), "UTF-8"},
        {"a UTF-8 sequence cut short", set(1, std::string("\xe4\xb8")), "UTF-8"},
        {"a memo too big for a page", set(6, Repeat("长", 3000)), "bytes"},
        {"too few values in a row", [](JetDatabase& d) { d.tables[0].rows[0].pop_back(); },
         "6 values for 7 columns"},
        {"a table name used twice, in another case",
         [](JetDatabase& d) {
             d.tables.push_back(d.tables[0]);
             d.tables[1].name = "t_KEY";
         },
         "used twice"},
        {"a user table named like the catalogue",
         [](JetDatabase& d) { d.tables[0].name = "msysobjects"; }, "used twice"},
        {"a column name used twice", [](JetDatabase& d) { d.tables[0].columns[1].name = "keyno"; },
         "used twice"},
        {"an empty table name", [](JetDatabase& d) { d.tables[0].name.clear(); }, "1 to 64"},
        {"a name of 65 characters", [](JetDatabase& d) { d.tables[0].name = Repeat("名", 65); },
         "1 to 64"},
        {"a name with a dot", [](JetDatabase& d) { d.tables[0].columns[0].name = "a.b"; },
         "cannot hold"},
        {"a name starting with a space", [](JetDatabase& d) { d.tables[0].name = " T"; },
         "start with a space"},
        {"a table without columns",
         [](JetDatabase& d) {
             d.tables[0].columns.clear();
             d.tables[0].rows.clear();
         },
         "no columns"},
        {"a text length of 0", [](JetDatabase& d) { d.tables[0].columns[1].textLength = 0; },
         "text length"},
        {"a text length of 256", [](JetDatabase& d) { d.tables[0].columns[1].textLength = 256; },
         "text length"},
        {"Jet 3 Chinese text without an encoder", jet3, "encodeJet3Text"},
        {"Jet 3 text the encoder refuses",
         [&gbk](JetDatabase& d) {
             d.version = JetVersion::Jet3;
             d.encodeJet3Text = [&gbk](std::string_view utf8) { return gbk.Convert(utf8); };
             d.tables[0].rows[0][1] = std::string("\xE2\x82\xA9"); // the won sign: not in GBK
         },
         "no encoding in code page 936"},
    };
    int refused = 0;
    for (const Refusal& refusal : refusals) {
        JetDatabase database = SmallDatabase();
        refusal.change(database);
        std::string error;
        const std::optional<std::string> bytes = JetDatabaseBytes(database, &error);
        if (bytes)
            failures.Add("refusals: the writer accepted " + refusal.what);
        else if (error.find(refusal.reason) == std::string::npos)
            failures.Add("refusals: " + refusal.what + " gave \"" + error + "\", not one about \"" +
                         refusal.reason + "\"");
        else
            ++refused;
    }
    // The database they all start from must itself be accepted, or they prove nothing.
    std::string error;
    if (!JetDatabaseBytes(SmallDatabase(), &error))
        failures.Add("refusals: the unchanged small database was refused: " + error);
    if (refused == static_cast<int>(refusals.size()))
        std::cout << "ok refusals: " << refused << " kinds of bad input refused" << std::endl;
}

} // namespace
} // namespace px::test

int main()
{
    using namespace px::test;
    const Iconv gbk("GBK", "UTF-8");
    if (!gbk.Valid()) {
        std::cerr << "iconv cannot convert UTF-8 to GBK\n";
        return 2;
    }
    std::error_code ec;
    const fs::path folder =
        fs::temp_directory_path() / ("jetwritercheck-" + std::to_string(getpid()));
    fs::create_directories(folder, ec);
    if (ec) {
        std::cerr << "cannot create " << folder << ": " << ec.message() << "\n";
        return 2;
    }
    Failures failures;
    for (const Fixture& fixture : Fixtures())
        CheckFixture(fixture, gbk, folder, failures);
    CheckRefusals(gbk, failures);
    CheckDateTimes(failures);
    failures.Summary();
    if (failures.Count() > 0) {
        std::cerr << failures.Count() << " differences; the databases are kept in " << folder
                  << "\n";
        return 1;
    }
    fs::remove_all(folder, ec);
    std::cout << "all databases read back exactly\n";
    return 0;
}
