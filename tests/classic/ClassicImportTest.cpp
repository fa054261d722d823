// The classic import end to end: fixtures made by the test-only Jet writer, each checked with
// mdbtools' own programs, read by px-classic-reader, planned and applied to a fresh database.

#include "classic/ClassicImport.h"

#include "classic/ClassicTables.h"
#include "common/Gbk.h"
#include "mock/DatabaseFixture.h"
#include "mock/Programs.h"
#include "storage/ConfigFiles.h"

#include <cstdio>
#include <gtest/gtest.h>

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

#if !defined(_WIN32)
// mdbtools' own programs, which exist where Debian's mdbtools does: on Linux. The writer's
// files are proven against them there; under Windows the same files are read by the reader.
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
#endif

class ClassicImportTest : public DatabaseFixture
{
protected:
    // Writes the fixture and checks that mdbtools itself lists its tables and exports its rows.
    std::string Write(const JetDatabase& database)
    {
        const std::string path = folder_.File("old.mdb");
        std::string error;
        EXPECT_TRUE(WriteJetDatabase(database, PathFromUtf8(path), &error)) << error;
#if !defined(_WIN32)
        const std::string tables = RunTool("mdb-tables -1 '" + path + "'");
        for (const JetTable& table : database.tables) {
            EXPECT_NE(tables.find(table.name + "\n"), std::string::npos) << tables;
            const std::string csv =
                RunTool("mdb-export -D '%Y' -T '%Y' '" + path + "' " + table.name);
            EXPECT_EQ(static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n')),
                      table.rows.size() + 1)
                << table.name;
        }
#endif
        return path;
    }

    ClassicOutcome Read(const std::string& path, ClassicLibrary& library,
                        std::optional<std::uint16_t> codePage = std::nullopt)
    {
        return ReadClassicLibrary(path, {BuiltProgram(PX_PROGRAM_CLASSIC_READER), codePage},
                                  library);
    }

    std::string DatabaseBytes()
    {
        return ReadBytes(dbPath_);
    }
};

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
    const ClassicOutcome applied = ApplyClassicImport(db_, plan);
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
}

TEST_F(ClassicImportTest, Jet3TextIsDecodedAsGbk)
{
    const std::string path = Write(SiteLibrary(JetVersion::Jet3));
    ClassicLibrary library;
    ASSERT_TRUE(Read(path, library).Ok());
    ASSERT_EQ(library.files.size(), 3u);
    EXPECT_EQ(library.files[0].name, "一号店");
    EXPECT_EQ(library.files[0].Rows<InfoMachineRow>().rows.at(3).remark, "前台3");

    // Read as code page 1252, the Chinese text is refused with its row named.
    const ClassicOutcome western = Read(path, library, 1252);
    EXPECT_EQ(western.status, ClassicStatus::BadColumn);
    EXPECT_NE(western.message.find("T_FileName row 1: FileName: a text in code page 1252"),
              std::string::npos)
        << western.message;
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
    EXPECT_EQ(ApplyClassicImport(db_, refused).status, ClassicStatus::Conflict);
    EXPECT_EQ(DatabaseBytes(), before);

    ClassicImportOptions skip;
    skip.onConflict = ConflictPolicy::Skip;
    const ClassicPlan skipped = PlanClassicImport(db_, library, skip);
    EXPECT_EQ(skipped.files[1].action, PlannedAction::Skip);
    EXPECT_EQ(skipped.FilesToImport(), 2);
    EXPECT_EQ(DatabaseBytes(), before); // planning is a dry run

    ClassicImportOptions rename;
    rename.onConflict = ConflictPolicy::Rename;
    rename.only = {"二号店"};
    const ClassicPlan renamed = PlanClassicImport(db_, library, rename);
    ASSERT_EQ(renamed.FilesToImport(), 1);
    EXPECT_EQ(renamed.files[1].targetName, "二号店 (2)");
    ASSERT_TRUE(ApplyClassicImport(db_, renamed).Ok());
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
    ASSERT_EQ(plan.files[1].refused.size(), 2u);
    EXPECT_EQ(plan.files[1].refused[0].row.key, "1");
    EXPECT_EQ(plan.files[1].refused[1].row.key, "2");
    EXPECT_EQ(plan.files[2].action, PlannedAction::Refused);
    EXPECT_NE(plan.files[2].refused.back().row.reason.find("最多可以输入20个信息机"),
              std::string::npos);
    ASSERT_TRUE(ApplyClassicImport(db_, plan).Ok());
    EXPECT_TRUE(FindConfigFile(db_, "一号店"));
    EXPECT_FALSE(FindConfigFile(db_, "二号店"));
    EXPECT_FALSE(FindConfigFile(db_, "三号店"));
}

TEST_F(ClassicImportTest, TheNoteCountsTheRefusedRows)
{
    // Planned from a library as the reader gives it: no Jet file is needed.
    const auto withBadCallers = [](const std::string& name, int count) {
        ClassicFile file{name, 0, {}};
        for (int i = 0; i < count; ++i) {
            CallerRow caller;
            caller.codeNo = "A1B2G" + std::to_string(i); // G is not hexadecimal
            caller.callNo = i + 1;
            file.Rows<CallerRow>().rows.push_back(caller);
        }
        return file;
    };
    ClassicLibrary library;
    library.files = {withBadCallers("一号店", 1), withBadCallers("二号店", 2)};
    const ClassicPlan plan = PlanClassicImport(db_, library, {});
    ASSERT_EQ(plan.files.size(), 2u);
    EXPECT_EQ(plan.files[0].note, "1 row breaks our rules");
    EXPECT_EQ(plan.files[1].note, "2 rows break our rules");
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

} // namespace
} // namespace px::test
