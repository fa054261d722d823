// The classic import end to end: fixtures made by the test-only Jet writer, each checked with
// mdbtools' own programs, read by px-classic-reader, planned and applied to a fresh database.

#include "classic/ClassicImport.h"

#include "classic/ClassicTables.h"
#include "common/Csv.h"
#include "common/Gbk.h"
#include "mock/DatabaseFixture.h"
#include "mock/Programs.h"
#include "storage/ConfigFiles.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace px::test {
namespace {

// Two PX files and a QX file with Chinese names; 一号店 full to every PX capacity.
JetDatabase SiteLibrary(JetVersion version = JetVersion::Jet4)
{
    JetDatabase db;
    db.version = version;
    if (version == JetVersion::Jet3)
        db.encodeJet3Text = [](std::string_view utf8) -> std::optional<std::string> {
            const auto bytes = ToGbk(utf8);
            if (!bytes)
                return std::nullopt;
            return std::string(bytes->begin(), bytes->end());
        };
    db.tables.push_back(ClassicFileTable({{"一号店", 0}, {"二号店", 0}, {"三号店", 1}}));
    JetTable machines = ClassicMachineTable();
    for (int i = 0; i < 500; ++i)
        machines.rows.push_back({std::int64_t{i}, std::to_string(1000 + i),
                                 "前台" + std::to_string(i), "一号店", std::int64_t{i % 5}});
    machines.rows.push_back({std::int64_t{7}, "2097151", JetValue{}, "三号店", std::int64_t{3}});
    JetTable handhelds = ClassicHandheldTable();
    // Handheld numbers run 1 to 99, one short of the PX capacity.
    for (int i = 1; i <= 99; ++i) {
        char code[8];
        std::snprintf(code, sizeof code, "%04X", 0x1000 + i);
        handhelds.rows.push_back({std::int64_t{i}, std::string(code), "手持", "一号店"});
    }
    JetTable callers = ClassicCallerTable();
    for (int i = 0; i < 1999; ++i) {
        char code[8];
        std::snprintf(code, sizeof code, "%05X%X", 0x10000 + i / 5, i % 5 + 1);
        AddClassicCaller(callers, code, i / 5 + 1, "病房" + std::to_string(i / 5), "呼叫护士",
                         "一号店");
    }
    AddClassicCaller(callers, "ABCDEF123451", 1, "大厅", "结账", "二号店");
    db.tables.push_back(std::move(machines));
    db.tables.push_back(std::move(handhelds));
    db.tables.push_back(std::move(callers));
    db.tables.push_back({"T_Type",
                         {{"TypeNo", JetType::Long}, {"TypeName", JetType::Text, 20}},
                         {{std::int64_t{0}, "BX-2"}}});
    return db;
}

std::string RunTool(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

// mdb-export's rows of a table, the header first.
std::vector<CsvRecord> Exported(const std::string& path, const std::string& table)
{
    std::string error;
    auto records = ParseCsv(RunTool("mdb-export -D '%Y' -T '%Y' '" + path + "' " + table), error);
    EXPECT_TRUE(records && !records->empty()) << table << ": " << error;
    return records.value_or(std::vector<CsvRecord>{});
}

// The text mdb-export gives of a column in each row, the header left out.
std::vector<std::string> ExportedColumn(const std::string& path, const std::string& table,
                                        const std::string& column)
{
    const std::vector<CsvRecord> records = Exported(path, table);
    std::vector<std::string> values;
    if (records.empty())
        return values;
    const auto& header = records.front().fields;
    const auto at = std::find(header.begin(), header.end(), column) - header.begin();
    for (std::size_t r = 1; r < records.size(); ++r)
        values.push_back(records[r].fields.at(static_cast<std::size_t>(at)));
    return values;
}

class ClassicImportTest : public DatabaseFixture
{
protected:
    // Writes the fixture and checks that mdbtools itself lists its tables and exports its rows.
    std::string Write(const JetDatabase& database, JetLayout* layout = nullptr)
    {
        const std::string path = folder_.File("old.mdb");
        std::string error;
        const auto bytes = JetDatabaseBytes(database, &error, layout);
        EXPECT_TRUE(bytes) << error;
        WriteBytes(path, bytes.value_or(std::string()));
        const std::string tables = RunTool("mdb-tables -1 '" + path + "'");
        for (const JetTable& table : database.tables) {
            EXPECT_NE(tables.find(table.name + "\n"), std::string::npos) << tables;
            // mdbtools 1.0.0 reads the two flags of a row's slot the wrong way round: it gives
            // deleted rows as live ones. Only tables without them can be counted here.
            if (table.deletedRows.empty()) {
                EXPECT_EQ(Exported(path, table.name).size(), table.rows.size() + 1) << table.name;
            }
        }
        return path;
    }

    ClassicOutcome Read(const std::string& path, ClassicLibrary& library,
                        std::optional<std::uint16_t> codePage = std::nullopt)
    {
        return ReadClassicLibrary(path, {BuiltProgram(PX_PROGRAM_CLASSIC_READER), codePage},
                                  library);
    }

    // Reads, plans and applies the library at path; the plan.
    ClassicPlan Import(const std::string& path, const ClassicImportOptions& options = {})
    {
        ClassicLibrary library;
        const ClassicOutcome read = Read(path, library);
        EXPECT_TRUE(read.Ok()) << read.message;
        ClassicPlan plan = PlanClassicImport(db_, library, options);
        if (plan.outcome.Ok()) {
            const ClassicOutcome applied = ApplyClassicImport(db_, library, plan);
            EXPECT_TRUE(applied.Ok()) << applied.message;
        }
        return plan;
    }

    // Every file imported holds, table by table, the rows mdb-export gives for its name.
    void ExpectAsExported(const std::string& path)
    {
        const std::vector<ConfigFile> files = ListConfigFiles(db_);
        ForEachTable([&](const auto& table) {
            const auto names = ExportedColumn(path, table.databaseTable, "FileName");
            for (const ConfigFile& file : files)
                EXPECT_EQ(LoadRows(db_, table, file.name).Count(),
                          std::count(names.begin(), names.end(), file.name))
                    << file.name << " " << table.databaseTable;
        });
    }

    std::string DatabaseBytes() { return ReadBytes(dbPath_); }

    // Removes every configuration file, for a test that imports once per Jet version.
    void ForgetFiles()
    {
        for (const char* table : {"T_Device1", "T_Device2", "T_Device3", "T_FileName"})
            ASSERT_TRUE(db_.Execute(std::string("delete from ") + table));
    }
};

// The text of a plan's preview, one line after another.
std::string Preview(const ClassicLibrary& library, const ClassicPlan& plan)
{
    std::string text;
    for (const std::string& line : DescribeClassicPlan(library, plan))
        text += line + "\n";
    return text;
}

TEST_F(ClassicImportTest, ImportsEveryValueTheWriterPut)
{
    const JetDatabase source = SiteLibrary();
    const std::string path = Write(source);
    ClassicLibrary library;
    const ClassicOutcome read = Read(path, library);
    ASSERT_TRUE(read.Ok()) << read.message;
    const ClassicPlan plan = PlanClassicImport(db_, library, {});
    ASSERT_TRUE(plan.outcome.Ok()) << plan.outcome.message;
    ASSERT_EQ(plan.FilesToImport(), 3);
    EXPECT_EQ(plan.files[0].rows, (std::array<int, 3>{500, 99, 1999}));
    const ClassicOutcome applied = ApplyClassicImport(db_, library, plan);
    ASSERT_TRUE(applied.Ok()) << applied.message;

    const auto file = FindConfigFile(db_, "三号店");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->deviceType, FileType::QX);
    const auto machines = LoadRows(db_, InfoMachineTable(), "一号店");
    ASSERT_EQ(machines.rows.size(), 500u);
    for (std::size_t i = 0; i < 500; ++i) {
        const auto& want = source.tables[1].rows[i];
        const InfoMachineRow& got = machines.rows[i];
        EXPECT_EQ(got.pager, std::get<std::int64_t>(want[0]));
        EXPECT_EQ(got.address, std::get<std::string>(want[1]));
        EXPECT_EQ(got.remark, std::get<std::string>(want[2]));
        EXPECT_EQ(got.typeNo, std::get<std::int64_t>(want[4]));
    }
    // A NULL remark reads as empty.
    const auto qx = LoadRows(db_, InfoMachineTable(), "三号店");
    ASSERT_EQ(qx.rows.size(), 1u);
    EXPECT_EQ(qx.rows[0], (InfoMachineRow{7, "2097151", "", 3}));
    const auto callers = LoadRows(db_, ::px::CallerTable(), "一号店");
    ASSERT_EQ(callers.rows.size(), 1999u);
    EXPECT_EQ(Count("select * from T_Device3 where FileName='一号店' and CallName='病房399' and "
                    "KeyName='呼叫护士' and DeviceNo1=5 and DeviceNo2=-1 and ZhuiHu=1"),
              4); // rows 1995 to 1998: the last caller keeps four keys of the 1999
    EXPECT_EQ(LoadRows(db_, ::px::HandheldTable(), "一号店").rows.at(98),
              (HandheldRow{99, "1063", "手持"}));
    const auto two = LoadRows(db_, ::px::CallerTable(), "二号店");
    ASSERT_EQ(two.rows.size(), 1u);
    EXPECT_EQ(two.rows[0].codeNo, "ABCDEF123451");
    EXPECT_EQ(two.rows[0].codeType, 1);
    ExpectAsExported(path);
}

TEST_F(ClassicImportTest, Jet3TextIsDecodedAsGbk)
{
    const std::string path = Write(SiteLibrary(JetVersion::Jet3));
    ClassicLibrary library;
    ASSERT_TRUE(Read(path, library).Ok());
    ASSERT_EQ(library.files.size(), 3u);
    EXPECT_EQ(library.files[0].name, "一号店");
    EXPECT_EQ(library.files[0].Rows<InfoMachineRow>().rows.at(3).row.remark, "前台3");

    // Read as code page 1252, no Chinese name can be read: each file is refused with its place
    // and the hint, and the rows naming them belong to none.
    ASSERT_TRUE(Read(path, library, 1252).Ok());
    const ClassicPlan western = PlanClassicImport(db_, library, {});
    EXPECT_EQ(western.outcome.status, ClassicStatus::Nothing);
    ASSERT_EQ(western.files.size(), 3u);
    EXPECT_EQ(western.files[0].verdict, FileVerdict::Unreadable);
    EXPECT_NE(western.files[0].detail.find("T_FileName row 1: FileName: a text in code page 1252"),
              std::string::npos)
        << western.files[0].detail;
    EXPECT_NE(western.files[0].detail.find("code page 936"), std::string::npos);
    EXPECT_EQ(library.OrphanRows(), 501u + 99u + 2000u);
}

TEST_F(ClassicImportTest, DryRunAndRefusalsWriteNothing)
{
    AddFile("二号店", 0);
    const std::string path = Write(SiteLibrary());
    const std::string before = DatabaseBytes();
    ClassicLibrary library;
    ASSERT_TRUE(Read(path, library).Ok());

    ClassicImportOptions refuse;
    const ClassicPlan refused = PlanClassicImport(db_, library, refuse);
    EXPECT_EQ(refused.outcome.status, ClassicStatus::Conflict);
    EXPECT_EQ(ApplyClassicImport(db_, library, refused).status, ClassicStatus::Conflict);
    EXPECT_EQ(DatabaseBytes(), before);

    ClassicImportOptions skip;
    skip.onConflict = ConflictPolicy::Skip;
    const ClassicPlan skipped = PlanClassicImport(db_, library, skip);
    EXPECT_EQ(skipped.files[1].action, PlannedAction::Skip);
    EXPECT_EQ(skipped.FilesToImport(), 2);
    EXPECT_EQ(DatabaseBytes(), before); // planning is a dry run

    ClassicImportOptions rename;
    rename.onConflict = ConflictPolicy::Rename;
    rename.only = std::vector<std::string>{"二号店"};
    const ClassicPlan renamed = PlanClassicImport(db_, library, rename);
    ASSERT_EQ(renamed.FilesToImport(), 1);
    EXPECT_EQ(renamed.files[1].targetName, "二号店 (2)");
    ASSERT_TRUE(ApplyClassicImport(db_, library, renamed).Ok());
    EXPECT_EQ(LoadRows(db_, ::px::CallerTable(), "二号店 (2)").rows.size(), 1u);
    EXPECT_FALSE(FindConfigFile(db_, "一号店"));
}

TEST_F(ClassicImportTest, RowsOurRulesRefuseRefuseTheirFileWhole)
{
    JetDatabase source = SiteLibrary();
    // A QX file over its capacity, a duplicate pager and a bad address in 二号店.
    for (int i = 0; i < 21; ++i)
        source.tables[1].rows.push_back(
            {std::int64_t{100 + i}, "1", JetValue{}, "三号店", std::int64_t{0}});
    source.tables[1].rows.push_back({std::int64_t{1}, "12", "", "二号店", std::int64_t{0}});
    source.tables[1].rows.push_back({std::int64_t{1}, "13", "", "二号店", std::int64_t{0}});
    source.tables[1].rows.push_back({std::int64_t{2}, "9999999", "", "二号店", std::int64_t{0}});
    ClassicLibrary library;
    ASSERT_TRUE(Read(Write(source), library).Ok());
    const ClassicPlan plan = PlanClassicImport(db_, library, {});
    ASSERT_TRUE(plan.outcome.Ok());
    EXPECT_EQ(plan.files[0].action, PlannedAction::Import);
    EXPECT_EQ(plan.files[1].action, PlannedAction::Refused);
    // Each refusal says where: the table, the row's place and key, the column, why.
    ASSERT_EQ(plan.files[1].refused.size(), 2u);
    EXPECT_EQ(plan.files[1].refused[0].place, 524u);
    EXPECT_EQ(plan.files[1].refused[0].key, "1");
    EXPECT_EQ(plan.files[1].refused[0].kind, RefusalKind::Duplicate);
    EXPECT_EQ(plan.files[1].refused[1].key, "2");
    EXPECT_EQ(plan.files[1].refused[1].column, "Address");
    EXPECT_NE(Preview(library, plan)
                  .find("    T_Device1 row 525 (2): Address: address 9999999 is "
                        "above 2097151\n"),
              std::string::npos)
        << Preview(library, plan);
    EXPECT_EQ(plan.files[2].action, PlannedAction::Refused);
    EXPECT_NE(plan.files[2].refused.back().reason.find("最多可以输入20个信息机"),
              std::string::npos);
    ASSERT_TRUE(ApplyClassicImport(db_, library, plan).Ok());
    EXPECT_TRUE(FindConfigFile(db_, "一号店"));
    EXPECT_FALSE(FindConfigFile(db_, "二号店"));
    EXPECT_FALSE(FindConfigFile(db_, "三号店"));
}

TEST_F(ClassicImportTest, TheNoteCountsTheRefusedRows)
{
    // Planned from a library as the reader gives it: no Jet file is needed.
    const auto withBadCallers = [](const std::string& name, int count) {
        ClassicFile file{name, 0, {}, {}};
        for (int i = 0; i < count; ++i) {
            CallerRow caller;
            caller.codeNo = "A1B2G" + std::to_string(i); // G is not hexadecimal
            caller.callNo = i + 1;
            file.Rows<CallerRow>().rows.push_back({static_cast<std::uint64_t>(i) + 1, caller});
        }
        return file;
    };
    ClassicLibrary library;
    library.files = {withBadCallers("一号店", 1), withBadCallers("二号店", 2)};
    const ClassicPlan plan = PlanClassicImport(db_, library, {});
    ASSERT_EQ(plan.files.size(), 2u);
    EXPECT_EQ(plan.files[0].note, "1 row cannot come in");
    EXPECT_EQ(plan.files[1].note, "2 rows cannot come in");
}

struct BadInput
{
    const char* name;
    std::function<std::string(const std::string& good)> make; // the file's bytes
    ClassicStatus status;
    const char* message;
};

TEST_F(ClassicImportTest, BadInputsAreRefusedWithTheirReason)
{
    const auto withTables = [](std::vector<JetTable> tables, std::string password = {}) {
        JetDatabase db;
        db.tables = std::move(tables);
        db.password = std::move(password);
        return *JetDatabaseBytes(db);
    };
    const auto full = [](std::string password) {
        JetDatabase db = SiteLibrary();
        db.password = std::move(password);
        return *JetDatabaseBytes(db);
    };
    JetTable mistyped = ClassicMachineTable();
    mistyped.columns[0].type = JetType::Text;
    JetTable missingColumn = ClassicHandheldTable();
    missingColumn.columns.erase(missingColumn.columns.begin() + 2);
    // One file listed, more information machines than one PX file holds.
    JetTable machines = ClassicMachineTable();
    for (int i = 0; i < 501; ++i)
        machines.rows.push_back({std::int64_t{i % 500}, "1", "", "a", std::int64_t{0}});
    const std::vector<BadInput> cases = {
        {"not Jet", [](const std::string&) { return std::string(8192, 'x'); },
         ClassicStatus::NotJet, "not a Jet"},
        {"all zeros", [](const std::string&) { return std::string(8192, '\0'); },
         ClassicStatus::NotJet, "not a Jet"},
        {"truncated to a page", [](const std::string& good) { return good.substr(0, 4096); },
         ClassicStatus::Damaged, "cut short"},
        {"cut inside its data",
         [](const std::string& good) { return good.substr(0, good.size() - 4096 * 3); },
         ClassicStatus::Damaged, "damaged"},
        {"other password", [&](const std::string&) { return full("secret"); },
         ClassicStatus::Password, "password"},
        {"no tables of ours",
         [&](const std::string&) {
             return withTables({{"Orders", {{"Id", JetType::Long}}, {}}});
         },
         ClassicStatus::NoTables, "T_FileName"},
        {"mistyped column",
         [&](const std::string&) {
             return withTables({ClassicFileTable({{"a", 0}}), mistyped, ClassicHandheldTable(),
                                ClassicCallerTable()});
         },
         ClassicStatus::BadColumn, "T_Device1.DeviceNo"},
        {"missing column",
         [&](const std::string&) {
             return withTables({ClassicFileTable({{"a", 0}}), ClassicMachineTable(), missingColumn,
                                ClassicCallerTable()});
         },
         ClassicStatus::BadColumn, "T_Device2 has no column Remark"},
        {"empty",
         [&](const std::string&) {
             return withTables({ClassicFileTable({}), ClassicMachineTable(), ClassicHandheldTable(),
                                ClassicCallerTable()});
         },
         ClassicStatus::Empty, "no configuration file"},
        {"over capacity",
         [&](const std::string&) {
             return withTables({ClassicFileTable({{"a", 0}}), machines, ClassicHandheldTable(),
                                ClassicCallerTable()});
         },
         ClassicStatus::Huge, "T_Device1 holds 501 rows, more than the 1"},
    };
    const std::string good = *JetDatabaseBytes(SiteLibrary());
    const std::string before = DatabaseBytes();
    for (const BadInput& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder_.File("bad.mdb");
        WriteBytes(path, c.make(good));
        ClassicLibrary library;
        const ClassicOutcome outcome = Read(path, library);
        EXPECT_EQ(outcome.status, c.status) << outcome.message;
        EXPECT_NE(outcome.message.find(c.message), std::string::npos) << outcome.message;
        EXPECT_EQ(DatabaseBytes(), before);
    }
}

TEST_F(ClassicImportTest, TheClassicToolsOwnPasswordIsRead)
{
    for (const JetVersion version : {JetVersion::Jet3, JetVersion::Jet4}) {
        JetDatabase source = SiteLibrary(version);
        source.password = kClassicDatabasePassword;
        ClassicLibrary library;
        const ClassicOutcome read = Read(Write(source), library);
        EXPECT_TRUE(read.Ok()) << read.message;
        EXPECT_EQ(library.files.size(), 3u);
        source.password = "7391";
        EXPECT_EQ(Read(Write(source), library).status, ClassicStatus::Password);
    }
}

// A small library of both versions: a file per name given, each with the callers made by
// caller(file, i) for i in 0..count-1, in the order of the names.
JetDatabase CallerLibrary(JetVersion version, const std::vector<std::pair<std::string, int>>& files,
                          int count)
{
    JetDatabase db;
    db.version = version;
    db.encodeJet3Text = [](std::string_view utf8) -> std::optional<std::string> {
        // A text to stand for bytes a Chinese PC never wrote: not GBK.
        if (utf8 == "坏")
            return std::string("\xff\xff");
        const auto bytes = ToGbk(utf8);
        return bytes ? std::optional<std::string>(std::string(bytes->begin(), bytes->end()))
                     : std::nullopt;
    };
    db.tables = {ClassicFileTable(files), ClassicMachineTable(), ClassicHandheldTable(),
                 ClassicCallerTable()};
    for (std::size_t f = 0; f < files.size(); ++f) {
        for (int i = 0; i < count; ++i) {
            char code[24];
            std::snprintf(code, sizeof code, "%05X%d", 0x10000 + static_cast<int>(f), i + 1);
            AddClassicCaller(db.tables[3], code, i + 1, "桌" + std::to_string(i), "结账",
                             files[f].first);
        }
    }
    return db;
}

// The feature codes of a file's callers here, in the host's order.
std::vector<std::string> CallerCodes(Database& db, const std::string& file)
{
    std::vector<std::string> codes;
    for (const CallerRow& row : LoadRows(db, ::px::CallerTable(), file).rows)
        codes.push_back(row.codeNo);
    return codes;
}

TEST_F(ClassicImportTest, AValueThatDoesNotDecodeRefusesItsFileNamingWhere)
{
    JetDatabase source =
        CallerLibrary(JetVersion::Jet3, {{"一号店", 0}, {"二号店", 0}, {"三号店", 0}}, 2);
    // 一号店: a feature code that is not GBK, in the first column, before FileName.
    std::get<std::string>(source.tables[3].rows[1][0]) = "坏";
    // 二号店: a handheld numbered 2.5, in a number column that holds fractions.
    source.tables[2].columns[0].type = JetType::Double;
    source.tables[2].rows.push_back({2.5, "1A2B", "经理", "二号店"});
    // A caller whose FileName is not GBK belongs to no file, and is said.
    AddClassicCaller(source.tables[3], "ABCDEF", 9, "大厅", "结账", "坏");
    const std::string before = DatabaseBytes();
    ClassicLibrary library;
    ASSERT_TRUE(Read(Write(source), library).Ok());
    const ClassicPlan plan = PlanClassicImport(db_, library, {});
    ASSERT_TRUE(plan.outcome.Ok()) << plan.outcome.message;
    ASSERT_EQ(plan.files.size(), 3u);

    EXPECT_EQ(plan.files[0].action, PlannedAction::Refused);
    ASSERT_EQ(plan.files[0].refused.size(), 1u);
    const PlannedRefusal& code = plan.files[0].refused[0];
    EXPECT_EQ(code.table, "T_Device3");
    EXPECT_EQ(code.place, 2u);
    EXPECT_EQ(code.column, "CodeNo");
    EXPECT_EQ(code.kind, RefusalKind::Unreadable);
    EXPECT_NE(code.reason.find("not GBK"), std::string::npos) << code.reason;

    EXPECT_EQ(plan.files[1].action, PlannedAction::Refused);
    ASSERT_EQ(plan.files[1].refused.size(), 1u);
    EXPECT_EQ(plan.files[1].refused[0].table, "T_Device2");
    EXPECT_EQ(plan.files[1].refused[0].column, "DeviceNo");
    EXPECT_NE(plan.files[1].refused[0].reason.find("not a whole number: 2.5"), std::string::npos)
        << plan.files[1].refused[0].reason;
    EXPECT_EQ(plan.files[2].action, PlannedAction::Import);

    const std::string preview = Preview(library, plan);
    EXPECT_NE(preview.find("\"一号店\" px: 0 信息机, 0 手持呼叫器, 2 呼叫器: refused (1 row cannot "
                           "come in)\n    T_Device3 row 2: CodeNo: a text that is not GBK"),
              std::string::npos)
        << preview;
    EXPECT_NE(preview.find("T_Device3: 1 rows whose FileName cannot be read (a text that is not "
                           "GBK"),
              std::string::npos)
        << preview;
    ASSERT_TRUE(ApplyClassicImport(db_, library, plan).Ok());
    EXPECT_EQ(ListConfigFiles(db_).size(), 1u);
    EXPECT_EQ(CallerCodes(db_, "三号店").size(), 2u);
    EXPECT_NE(DatabaseBytes(), before);
}

// A library whose handhelds' remarks are memos, some kept on long-value pages.
JetDatabase MemoLibrary(JetVersion version, const std::vector<std::string>& remarks)
{
    JetDatabase db = CallerLibrary(version, {{"一号店", 0}, {"二号店", 1}}, 0);
    db.tables[2].columns[2].type = JetType::Memo;
    for (std::size_t i = 0; i < remarks.size(); ++i) {
        char code[24];
        std::snprintf(code, sizeof code, "%04zX", 0x1000 + i);
        db.tables[2].rows.push_back({static_cast<std::int64_t>(i % 9 + 1), std::string(code),
                                     remarks[i], std::string(i < 9 ? "一号店" : "二号店")});
    }
    // A memo of more than 16 bytes leaves its row: in one piece up to 64 bytes, else chained.
    db.memoInRowUpTo = 16;
    db.longValueChunk = 64;
    return db;
}

TEST_F(ClassicImportTest, MemosOnLongValuePagesComeInWhole)
{
    std::vector<std::string> remarks{"", "前台", "A", std::string(15, 'x')};
    for (const std::size_t length : {8u, 20u, 31u, 32u, 33u, 200u, 1500u, 4000u})
        remarks.push_back(std::string(length, 'm') + "备注" + std::to_string(length));
    for (const JetVersion version : {JetVersion::Jet4, JetVersion::Jet3}) {
        SCOPED_TRACE(version == JetVersion::Jet4 ? "Jet 4" : "Jet 3");
        const JetDatabase source = MemoLibrary(version, remarks);
        ForgetFiles();
        const std::string path = Write(source);
        const ClassicPlan plan = Import(path);
        ASSERT_EQ(plan.FilesToImport(), 2);
        std::vector<std::string> got;
        for (const char* file : {"一号店", "二号店"})
            for (const HandheldRow& row : LoadRows(db_, ::px::HandheldTable(), file).rows)
                got.push_back(row.remark);
        std::vector<std::string> want = remarks;
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
        ExpectAsExported(path);
        const auto exported = ExportedColumn(path, "T_Device2", "Remark");
        EXPECT_EQ(std::set<std::string>(exported.begin(), exported.end()),
                  std::set<std::string>(remarks.begin(), remarks.end()));
    }
}

// Where in a file a long-value page's marker lies, and a chain's first pointer.
TEST_F(ClassicImportTest, AMemoThatCannotBeReadRefusesItsFile)
{
    const std::vector<std::string> remarks{"短", std::string(40, 'a'), std::string(300, 'b')};
    struct Damage
    {
        const char* name;
        std::function<void(std::string& bytes, const JetLayout& layout)> apply;
        const char* why;
        std::size_t refused; // memos of 一号店 that cannot be read
    };
    const auto at = [](const JetLayout& layout, std::uint32_t page, std::size_t offset) {
        return page * layout.pageSize + offset;
    };
    const std::vector<Damage> damages{
        {"the long-value page's marker",
         [&](std::string& bytes, const JetLayout& layout) {
             bytes[at(layout, layout.longValuePages.at(0), 4)] = 'X';
         },
         "is not a long-value page", 2},
        {"a chain cut after its first piece",
         [&](std::string& bytes, const JetLayout& layout) {
             // The single-page memo is the page's first row, the chain's first piece its second.
             const std::uint32_t page = layout.longValuePages.at(0);
             const std::size_t slot = layout.rowCountOffset + 2 + 2;
             const auto byte = [&](std::size_t offset) {
                 return std::size_t{static_cast<unsigned char>(bytes[at(layout, page, offset)])};
             };
             const std::size_t start = byte(slot) | (byte(slot + 1) & 0x1f) << 8;
             for (std::size_t i = 0; i < 4; ++i)
                 bytes[at(layout, page, start + i)] = '\0';
         },
         "its pages end after 64 of its", 1},
    };
    for (const JetVersion version : {JetVersion::Jet4, JetVersion::Jet3}) {
        for (const Damage& damage : damages) {
            SCOPED_TRACE(std::string(damage.name) +
                         (version == JetVersion::Jet4 ? ", Jet 4" : ", Jet 3"));
            JetLayout layout;
            std::string error;
            std::string bytes = *JetDatabaseBytes(MemoLibrary(version, remarks), &error, &layout);
            damage.apply(bytes, layout);
            const std::string path = folder_.File("damaged.mdb");
            WriteBytes(path, bytes);
            ClassicLibrary library;
            const ClassicOutcome read = Read(path, library);
            ASSERT_TRUE(read.Ok()) << read.message;
            const ClassicPlan plan = PlanClassicImport(db_, library, {});
            ASSERT_EQ(plan.files.size(), 2u);
            EXPECT_EQ(plan.files[0].action, PlannedAction::Refused);
            ASSERT_EQ(plan.files[0].refused.size(), damage.refused);
            const PlannedRefusal& refusal = plan.files[0].refused.back();
            EXPECT_EQ(refusal.table, "T_Device2");
            EXPECT_EQ(refusal.place, 3u);
            EXPECT_EQ(refusal.column, "Remark");
            EXPECT_NE(refusal.reason.find(damage.why), std::string::npos) << refusal.reason;
            EXPECT_EQ(plan.files[1].action, PlannedAction::Import);
        }
    }
}

TEST_F(ClassicImportTest, RowsNotTheStatedCountRefuseTheImport)
{
    struct Case
    {
        const char* name;
        std::function<void(JetDatabase&)> change;
        std::function<void(std::string& bytes, const JetLayout& layout)> damage;
        const char* message;
    };
    const auto none = [](std::string&, const JetLayout&) {};
    const std::vector<Case> cases{
        {"a count left lower than the rows",
         [](JetDatabase& db) { db.tables[3].statedRowCount = 1; }, none,
         "table T_Device3 says it holds 1 rows, its data pages hold 4"},
        {"a count higher than the rows", [](JetDatabase& db) { db.tables[3].statedRowCount = 9; },
         none, "table T_Device3 says it holds 9 rows, its data pages hold 4"},
        {"the file list's count lower than its files",
         [](JetDatabase& db) { db.tables[0].statedRowCount = 1; }, none,
         "table T_FileName says it holds 1 rows, its data pages hold 2"},
        {"the count of a data page inflated", [](JetDatabase&) {},
         [](std::string& bytes, const JetLayout& layout) {
             const std::size_t at =
                 layout.tables.at("T_Device3").data.at(0) * layout.pageSize + layout.rowCountOffset;
             bytes[at] = static_cast<char>(bytes[at] + 3);
         },
         "row 4 of data page"},
    };
    const std::string before = DatabaseBytes();
    for (const JetVersion version : {JetVersion::Jet4, JetVersion::Jet3}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) +
                         (version == JetVersion::Jet4 ? ", Jet 4" : ", Jet 3"));
            JetDatabase source = CallerLibrary(version, {{"一号店", 0}, {"二号店", 0}}, 2);
            c.change(source);
            JetLayout layout;
            std::string error;
            std::string bytes = *JetDatabaseBytes(source, &error, &layout);
            c.damage(bytes, layout);
            const std::string path = folder_.File("damaged.mdb");
            WriteBytes(path, bytes);
            ClassicLibrary library;
            const ClassicOutcome read = Read(path, library);
            EXPECT_EQ(read.status, ClassicStatus::Damaged) << read.message;
            EXPECT_NE(read.message.find(c.message), std::string::npos) << read.message;
            EXPECT_EQ(DatabaseBytes(), before);
        }
    }
}

TEST_F(ClassicImportTest, DeletedRowsAreNotReadAndMovedRowsAreReadWhereTheyLive)
{
    for (const JetVersion version : {JetVersion::Jet4, JetVersion::Jet3}) {
        SCOPED_TRACE(version == JetVersion::Jet4 ? "Jet 4" : "Jet 3");
        JetDatabase source = CallerLibrary(version, {{"一号店", 0}, {"二号店", 1}}, 6);
        JetTable& callers = source.tables[3];
        // A caller deleted and registered again: read as live, its old row would be the same
        // feature code twice, and refuse the file.
        AddClassicCaller(callers, "100001", 1, "旧桌", "结账", "一号店");
        callers.deletedRows = {2, 12};
        callers.movedRows = {0, 7, 11};
        ForgetFiles();
        const ClassicPlan plan = Import(Write(source));
        ASSERT_EQ(plan.FilesToImport(), 2);
        EXPECT_EQ(CallerCodes(db_, "一号店"),
                  (std::vector<std::string>{"100001", "100002", "100004", "100005", "100006"}));
        EXPECT_EQ(
            CallerCodes(db_, "二号店"),
            (std::vector<std::string>{"100011", "100012", "100013", "100014", "100015", "100016"}));
        EXPECT_EQ(LoadRows(db_, ::px::CallerTable(), "一号店").rows.front().callName, "桌0")
            << "the moved row, not the deleted one of the same code";
    }
}

TEST_F(ClassicImportTest, NamesThatDifferOnlyInCaseStayApart)
{
    JetDatabase source = CallerLibrary(JetVersion::Jet4, {{"Shop-3", 0}, {"shop-3", 1}}, 0);
    JetTable& machines = source.tables[1];
    machines.rows.push_back({std::int64_t{1}, "101", "大", "Shop-3", std::int64_t{0}});
    machines.rows.push_back({std::int64_t{2}, "102", "大", "Shop-3", std::int64_t{0}});
    machines.rows.push_back({std::int64_t{1}, "201", "小", "shop-3", std::int64_t{0}});
    machines.rows.push_back({std::int64_t{9}, "901", "无主", "SHOP-3", std::int64_t{0}});
    const std::string path = Write(source);
    ClassicLibrary library;
    ASSERT_TRUE(Read(path, library).Ok());
    const ClassicPlan plan = PlanClassicImport(db_, library, {});
    ASSERT_TRUE(ApplyClassicImport(db_, library, plan).Ok());
    EXPECT_EQ(LoadRows(db_, InfoMachineTable(), "Shop-3").rows,
              (std::vector<InfoMachineRow>{{1, "101", "大", 0}, {2, "102", "大", 0}}));
    EXPECT_EQ(LoadRows(db_, InfoMachineTable(), "shop-3").rows,
              (std::vector<InfoMachineRow>{{1, "201", "小", 0}}));
    EXPECT_EQ(FindConfigFile(db_, "shop-3")->deviceType, FileType::QX);
    EXPECT_NE(Preview(library, plan)
                  .find("T_Device1: 1 rows name \"SHOP-3\", no configuration "
                        "file of the library: not imported"),
              std::string::npos)
        << Preview(library, plan);
    ExpectAsExported(path);
}

TEST_F(ClassicImportTest, ARenameTakesANameFreeHereAndInTheLibrary)
{
    AddFile("一号店", 0);
    AddFile("一号店 (3)", 0);
    JetDatabase source =
        CallerLibrary(JetVersion::Jet4, {{"一号店", 0}, {"一号店 (2)", 0}, {"二号店", 0}}, 1);
    ClassicImportOptions options;
    options.onConflict = ConflictPolicy::Rename;
    const ClassicPlan plan = Import(Write(source), options);
    ASSERT_EQ(plan.FilesToImport(), 3);
    EXPECT_EQ(plan.files[0].targetName, "一号店 (4)");
    EXPECT_EQ(plan.files[0].verdict, FileVerdict::Renamed);
    EXPECT_EQ(CallerCodes(db_, "一号店 (4)"), std::vector<std::string>{"100001"});
    EXPECT_EQ(CallerCodes(db_, "一号店 (2)"), std::vector<std::string>{"100011"});
    EXPECT_EQ(CallerCodes(db_, "一号店"), std::vector<std::string>{});
}

TEST_F(ClassicImportTest, OnlyARegularFileIsOpened)
{
    const std::string fifo = folder_.File("DADE.mdb");
    ASSERT_EQ(mkfifo(PathFromUtf8(fifo).c_str(), 0600), 0);
    for (const std::string& path : {fifo, folder_.Text(), std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        ClassicLibrary library;
        const ClassicOutcome read = Read(path, library);
        EXPECT_EQ(read.status, ClassicStatus::NotAFile);
        EXPECT_NE(read.message.find(path + " is not a file"), std::string::npos) << read.message;
    }
}

TEST_F(ClassicImportTest, AFullTemporaryFolderIsSaidForWhatItIs)
{
    const std::string path = Write(CallerLibrary(JetVersion::Jet4, {{"一号店", 0}}, 3));
    // The reader's output meets a limit on file sizes, as it would a full disk.
    struct rlimit saved
    {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 200;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ClassicLibrary library;
    const ClassicOutcome read = Read(path, library);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(read.status, ClassicStatus::NoRoom) << read.message;
    EXPECT_NE(read.message.find("the temporary folder " +
                                Utf8FromPath(std::filesystem::temp_directory_path())),
              std::string::npos)
        << read.message;
    EXPECT_NE(read.message.find("File too large"), std::string::npos) << read.message;

    // The reader itself on a full disk: its own exit status and the system's reason.
    const std::string log = folder_.File("reader.log");
    std::string error;
    const auto reader =
        sys::ChildProcess::Start(BuiltProgram(PX_PROGRAM_CLASSIC_READER),
                                 {path, "/dev/full", "T_FileName=100"}, error, PathFromUtf8(log));
    ASSERT_NE(reader, nullptr) << error;
    EXPECT_EQ(reader->Wait(error), kReaderExitOutput);
    EXPECT_NE(ReadBytes(log).find("No space left on device"), std::string::npos) << ReadBytes(log);
}

} // namespace
} // namespace px::test
