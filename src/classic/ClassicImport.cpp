#include "classic/ClassicImport.h"

#include "storage/ConfigFiles.h"
#include "storage/RowRules.h"
#include "storage/Transaction.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace px {

namespace {

// The key as the host tells rows apart: feature codes in either case are the same code.
std::string HostKey(std::string key)
{
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

// Every row of a file's table our rules refuse: undecodable values, the column rules, a key
// twice, rows beyond the model's capacity.
template <typename Row>
void JudgeRows(const RegistrationTable<Row>& table, const ClassicRows<Row>& rows, FileType model,
               std::vector<PlannedRefusal>& refused)
{
    for (const RefusedRow& row : rows.unreadable)
        refused.push_back({table.databaseTable, row});
    std::map<std::string, std::size_t> seen;
    for (std::size_t i = 0; i < rows.rows.size(); ++i) {
        const Row& row = rows.rows[i];
        const std::string key = table.key(row);
        if (std::string problem = CheckRow(table, row); !problem.empty()) {
            refused.push_back({table.databaseTable, {key, problem}});
            continue;
        }
        if (!seen.emplace(HostKey(key), i).second)
            refused.push_back({table.databaseTable,
                               {key, std::string(table.keyTitle) + " " + key + " appears twice"}});
    }
    const int capacity = CapacityOf(table, HostModel::None, model);
    if (rows.Count() > capacity)
        refused.push_back(
            {table.databaseTable,
             {table.rowsTitle, std::to_string(rows.Count()) + " rows: " +
                                   CapacityMessage(table, rows.Count(), HostModel::None, model)}});
}

std::string Quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

} // namespace

int ClassicPlan::FilesToImport() const
{
    return static_cast<int>(std::count_if(files.begin(), files.end(), [](const PlannedFile& f) {
        return f.action == PlannedAction::Import;
    }));
}

ClassicPlan PlanClassicImport(Database& db, ClassicLibrary library,
                              const ClassicImportOptions& options)
{
    ClassicPlan plan;
    plan.library = std::move(library);
    const auto existing = db.Query("select FileName from T_FileName");
    if (!existing) {
        plan.outcome = {ClassicStatus::Failed,
                        "the configuration files here cannot be read: " + db.GetErrorDescription()};
        db.TakeFailure(); // said in the outcome
        return plan;
    }
    std::set<std::string> taken;
    for (const auto& row : *existing) {
        if (const auto* name = std::get_if<std::string>(&row[0]))
            taken.insert(*name);
    }
    for (const std::string& wanted : options.only) {
        const bool listed = std::any_of(plan.library.files.begin(), plan.library.files.end(),
                                        [&](const ClassicFile& f) { return f.name == wanted; });
        if (!listed) {
            plan.outcome = {ClassicStatus::NoTables,
                            "the classic database has no configuration file " + Quoted(wanted)};
            return plan;
        }
    }

    std::set<std::string> classicNames;
    std::string conflicts;
    for (const ClassicFile& file : plan.library.files) {
        PlannedFile planned;
        planned.name = file.name;
        planned.targetName = file.name;
        planned.model = file.deviceType == 1 ? FileType::QX : FileType::PX;
        std::size_t t = 0;
        ForEachTable([&](const auto& table) {
            using Row = typename std::decay_t<decltype(table)>::RowType;
            planned.rows[t++] = file.Rows<Row>().Count();
            JudgeRows(table, file.Rows<Row>(), planned.model, planned.refused);
        });
        const bool chosen =
            options.only.empty() ||
            std::find(options.only.begin(), options.only.end(), file.name) != options.only.end();
        const bool repeated = !classicNames.insert(file.name).second;
        const std::string nameProblem =
            file.name.empty() ? std::string("the name is empty") : CheckStoredText(file.name);
        if (!chosen) {
            planned.action = PlannedAction::Skip;
            planned.note = "not chosen";
        } else if (repeated) {
            planned.action = PlannedAction::Refused;
            planned.note = "the classic database lists this name twice";
        } else if (!nameProblem.empty()) {
            planned.action = PlannedAction::Refused;
            planned.note = "the name: " + nameProblem;
        } else if (file.deviceType != 0 && file.deviceType != 1) {
            planned.action = PlannedAction::Refused;
            planned.note =
                "DeviceType " + std::to_string(file.deviceType) + " is neither 0 (PX) nor 1 (QX)";
        } else if (!planned.refused.empty()) {
            planned.action = PlannedAction::Refused;
            planned.note = planned.refused.size() == 1
                               ? std::string("1 row breaks our rules")
                               : std::to_string(planned.refused.size()) + " rows break our rules";
        } else if (taken.contains(file.name)) {
            switch (options.onConflict) {
            case ConflictPolicy::Skip:
                planned.action = PlannedAction::Skip;
                planned.note = "a configuration file of this name exists here";
                break;
            case ConflictPolicy::Rename: {
                int n = 2;
                while (taken.contains(file.name + " (" + std::to_string(n) + ")") ||
                       classicNames.contains(file.name + " (" + std::to_string(n) + ")"))
                    ++n;
                planned.targetName = file.name + " (" + std::to_string(n) + ")";
                planned.note = "a configuration file of this name exists here: renamed";
                break;
            }
            case ConflictPolicy::Refuse:
                planned.action = PlannedAction::Conflict;
                planned.note = "a configuration file of this name exists here";
                conflicts += (conflicts.empty() ? "" : ", ") + Quoted(file.name);
                break;
            }
        }
        if (planned.action == PlannedAction::Import)
            taken.insert(planned.targetName);
        plan.files.push_back(std::move(planned));
    }
    if (!conflicts.empty())
        plan.outcome = {ClassicStatus::Conflict,
                        "configuration files of these names exist here: " + conflicts +
                            "; choose --on-conflict skip or rename"};
    return plan;
}

ClassicOutcome ApplyClassicImport(Database& db, const ClassicPlan& plan)
{
    if (!plan.outcome.Ok())
        return plan.outcome;
    Transaction transaction(db);
    const auto failed = [&](const std::string& what) {
        ClassicOutcome outcome{ClassicStatus::Failed, what + ": " + db.GetErrorDescription()};
        db.TakeFailure(); // said in the outcome
        return outcome;
    };
    if (!transaction.Began())
        return failed("the database cannot be written");
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        const PlannedFile& planned = plan.files[i];
        if (planned.action != PlannedAction::Import)
            continue;
        if (FindConfigFile(db, planned.targetName))
            return {ClassicStatus::Conflict, "a configuration file named " +
                                                 Quoted(planned.targetName) +
                                                 " appeared here meanwhile; nothing was imported"};
        if (!InsertConfigFile(db, planned.targetName, planned.model))
            return failed("cannot add " + Quoted(planned.targetName));
        const ClassicFile& file = plan.library.files[i];
        bool ok = true;
        ForEachTable([&](const auto& table) {
            using Row = typename std::decay_t<decltype(table)>::RowType;
            ok = ok && InsertRows(db, table, planned.targetName,
                                  std::span<const Row>(file.Rows<Row>().rows));
        });
        if (!ok)
            return failed("cannot add the rows of " + Quoted(planned.targetName));
    }
    if (!transaction.Commit())
        return failed("the import could not be saved");
    return {ClassicStatus::Ok,
            "imported " + std::to_string(plan.FilesToImport()) + " configuration files"};
}

std::vector<std::string> DescribeClassicPlan(const ClassicPlan& plan)
{
    std::vector<std::string> lines;
    const ClassicLibrary& library = plan.library;
    lines.push_back(std::string("classic database: ") +
                    (library.version == JetVersion::Jet3 ? "Jet 3 (Access 97), text in code page " +
                                                               std::to_string(library.codePage)
                                                         : "Jet 4 (Access 2000-2003)") +
                    ", " + std::to_string(library.files.size()) + " configuration files");
    for (const PlannedFile& file : plan.files) {
        std::string counts;
        std::size_t t = 0;
        ForEachTable([&](const auto& table) {
            counts += (counts.empty() ? "" : ", ") + std::to_string(file.rows[t++]) + " " +
                      table.rowsTitle;
        });
        std::string what;
        switch (file.action) {
        case PlannedAction::Import:
            what = file.targetName == file.name ? "import" : "import as " + Quoted(file.targetName);
            break;
        case PlannedAction::Skip:
            what = "skip (" + file.note + ")";
            break;
        case PlannedAction::Refused:
            what = "refused (" + file.note + ")";
            break;
        case PlannedAction::Conflict:
            what = "conflict (" + file.note + ")";
            break;
        }
        lines.push_back(Quoted(file.name) + " " + FileModelName(file.model) + ": " + counts + ": " +
                        what);
        for (const PlannedRefusal& refusal : file.refused)
            lines.push_back("    " + refusal.table + " " + refusal.row.key + ": " +
                            refusal.row.reason);
    }
    for (const ClassicGlobalTable& table : library.globals)
        lines.push_back(table.name + ": " +
                        (table.present ? std::to_string(table.rows) + " rows, not imported (ours "
                                                                      "are kept)"
                                       : std::string("absent")));
    if (library.orphanRows > 0)
        lines.push_back(std::to_string(library.orphanRows) +
                        " registration rows name no configuration file: not imported");
    return lines;
}

} // namespace px
