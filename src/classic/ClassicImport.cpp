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

std::string ValueText(const SqlValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return std::to_string(*number);
    return {};
}

// Every row of a file's table that cannot come in: values that do not decode, the column
// rules, a key twice, rows beyond the model's capacity.
template <typename Row>
void JudgeRows(const RegistrationTable<Row>& table, const ClassicRows<Row>& rows, FileType model,
               std::vector<PlannedRefusal>& refused)
{
    const auto refuse = [&](std::uint64_t place, std::string key, std::string column,
                            RefusalKind kind, std::string reason, std::string value = {}) {
        refused.push_back({table.databaseTable, place, std::move(key), std::move(column), kind,
                           std::move(reason), std::move(value)});
    };
    for (const UnreadRow& row : rows.unreadable)
        refuse(row.place, {}, row.column, RefusalKind::Unreadable, row.why);
    std::set<std::string> seen;
    for (const ClassicRow<Row>& row : rows.rows) {
        const std::string key = table.key(row.row);
        if (BrokenRule<Row> broken = FirstBrokenRule(table, row.row); broken.column != nullptr)
            refuse(row.place, key, broken.column->name, RefusalKind::Rule,
                   std::move(broken.problem), ValueText(broken.column->get(row.row)));
        else if (!seen.insert(HostKey(key)).second)
            refuse(row.place, key, {}, RefusalKind::Duplicate,
                   std::string(table.keyTitle) + " " + key + " appears twice");
    }
    if (rows.Count() > CapacityOf(table, HostModel::None, model))
        refuse(0, {}, {}, RefusalKind::Capacity,
               CapacityMessage(table, rows.Count(), HostModel::None, model));
}

std::string Quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

std::string RenamedTo(const std::string& name, int n)
{
    return name + " (" + std::to_string(n) + ")";
}

// The file as the library gives it, before its name is compared with ours.
PlannedFile JudgeFile(const ClassicFile& file, bool chosen, bool listedTwice)
{
    PlannedFile planned;
    planned.name = file.name;
    planned.targetName = file.name;
    planned.deviceType = file.deviceType;
    planned.model = file.deviceType == 1 ? FileType::QX : FileType::PX;
    std::size_t t = 0;
    ForEachTable([&](const auto& table) {
        using Row = typename std::decay_t<decltype(table)>::RowType;
        planned.rows[t++] = file.Rows<Row>().Count();
        JudgeRows(table, file.Rows<Row>(), planned.model, planned.refused);
    });
    const std::string nameProblem =
        file.name.empty() ? std::string("the name is empty") : CheckStoredText(file.name);
    const auto refuse = [&](FileVerdict verdict, std::string detail, std::string note) {
        planned.action = PlannedAction::Refused;
        planned.verdict = verdict;
        planned.detail = std::move(detail);
        planned.note = std::move(note);
    };
    if (!chosen) {
        planned.action = PlannedAction::Skip;
        planned.verdict = FileVerdict::NotChosen;
        planned.note = "not chosen";
    } else if (!file.unreadable.empty()) {
        refuse(FileVerdict::Unreadable, file.unreadable, "it cannot be read: " + file.unreadable);
    } else if (listedTwice) {
        refuse(FileVerdict::ListedTwice, {}, "the classic database lists this name twice");
    } else if (!nameProblem.empty()) {
        refuse(FileVerdict::BadName, nameProblem, "the name: " + nameProblem);
    } else if (file.deviceType != 0 && file.deviceType != 1) {
        refuse(FileVerdict::BadModel, {},
               "DeviceType " + std::to_string(file.deviceType) + " is neither 0 (PX) nor 1 (QX)");
    } else if (!planned.refused.empty()) {
        refuse(FileVerdict::RowsRefused, {},
               planned.refused.size() == 1
                   ? std::string("1 row cannot come in")
                   : std::to_string(planned.refused.size()) + " rows cannot come in");
    }
    return planned;
}

// What happens to a file that may come in when a file of its name exists here.
void MeetNameHere(PlannedFile& planned, ConflictPolicy policy, const std::set<std::string>& taken,
                  const std::set<std::string>& libraryNames)
{
    planned.note = "a configuration file of this name exists here";
    switch (policy) {
    case ConflictPolicy::Skip:
        planned.action = PlannedAction::Skip;
        planned.verdict = FileVerdict::NameExists;
        return;
    case ConflictPolicy::Rename: {
        // A name free here, and not one the library brings itself.
        int n = 2;
        while (taken.contains(RenamedTo(planned.name, n)) ||
               libraryNames.contains(RenamedTo(planned.name, n)))
            ++n;
        planned.targetName = RenamedTo(planned.name, n);
        planned.verdict = FileVerdict::Renamed;
        planned.note += ": renamed";
        return;
    }
    case ConflictPolicy::Refuse:
        planned.action = PlannedAction::Conflict;
        planned.verdict = FileVerdict::NameExists;
        return;
    }
}

// The files of our database by name; nothing, with the outcome, when it cannot be read.
std::optional<std::set<std::string>> NamesHere(Database& db, ClassicOutcome& outcome)
{
    const auto existing = db.Query("select FileName from T_FileName");
    if (!existing) {
        outcome = {ClassicStatus::Failed,
                   "the configuration files here cannot be read: " + db.GetErrorDescription()};
        db.TakeFailure(); // said in the outcome
        return std::nullopt;
    }
    std::set<std::string> taken;
    for (const auto& row : *existing) {
        if (const auto* name = std::get_if<std::string>(&row[0]))
            taken.insert(*name);
    }
    return taken;
}

} // namespace

int ClassicPlan::FilesToImport() const
{
    return static_cast<int>(std::count_if(files.begin(), files.end(), [](const PlannedFile& f) {
        return f.action == PlannedAction::Import;
    }));
}

ClassicPlan PlanClassicImport(Database& db, const ClassicLibrary& library,
                              const ClassicImportOptions& options)
{
    ClassicPlan plan;
    auto taken = NamesHere(db, plan.outcome);
    if (!taken)
        return plan;
    std::set<std::string> libraryNames;
    for (const ClassicFile& file : library.files)
        if (file.unreadable.empty())
            libraryNames.insert(file.name);
    for (const std::string& wanted : options.only.value_or(std::vector<std::string>())) {
        if (!libraryNames.contains(wanted)) {
            plan.outcome = {ClassicStatus::NoTables,
                            "the classic database has no configuration file " + Quoted(wanted)};
            return plan;
        }
    }

    std::set<std::string> seen;
    std::string conflicts;
    for (const ClassicFile& file : library.files) {
        const bool chosen = !options.only || std::find(options.only->begin(), options.only->end(),
                                                       file.name) != options.only->end();
        const bool listedTwice = file.unreadable.empty() && !seen.insert(file.name).second;
        PlannedFile planned = JudgeFile(file, chosen, listedTwice);
        if (planned.action == PlannedAction::Import && taken->contains(file.name)) {
            MeetNameHere(planned, options.onConflict, *taken, libraryNames);
            if (planned.action == PlannedAction::Conflict)
                conflicts += (conflicts.empty() ? "" : ", ") + Quoted(file.name);
        }
        if (planned.action == PlannedAction::Import)
            taken->insert(planned.targetName);
        plan.files.push_back(std::move(planned));
    }
    if (!conflicts.empty())
        plan.outcome = {ClassicStatus::Conflict,
                        "configuration files of these names exist here: " + conflicts +
                            "; choose --on-conflict skip or rename"};
    else if (plan.FilesToImport() == 0)
        plan.outcome = {ClassicStatus::Nothing,
                        "no configuration file can be imported: each is refused or left out"};
    return plan;
}

ClassicOutcome ApplyClassicImport(Database& db, const ClassicLibrary& library,
                                  const ClassicPlan& plan)
{
    if (!plan.outcome.Ok())
        return plan.outcome;
    if (plan.files.size() != library.files.size())
        return {ClassicStatus::Failed, "the plan is not the library's; nothing was imported"};
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
        const ClassicFile& file = library.files[i];
        bool ok = true;
        ForEachTable([&](const auto& table) {
            using Row = typename std::decay_t<decltype(table)>::RowType;
            std::vector<Row> rows;
            for (const ClassicRow<Row>& row : file.Rows<Row>().rows)
                rows.push_back(row.row);
            ok = ok && InsertRows(db, table, planned.targetName, std::span<const Row>(rows));
        });
        if (!ok)
            return failed("cannot add the rows of " + Quoted(planned.targetName));
    }
    if (!transaction.Commit())
        return failed("the import could not be saved");
    return {ClassicStatus::Ok,
            "imported " + std::to_string(plan.FilesToImport()) + " configuration files"};
}

std::vector<std::string> DescribeClassicPlan(const ClassicLibrary& library, const ClassicPlan& plan)
{
    std::vector<std::string> lines;
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
        for (const PlannedRefusal& refusal : file.refused) {
            std::string line = "    " + refusal.table;
            if (refusal.place > 0)
                line += " row " + std::to_string(refusal.place);
            if (!refusal.key.empty())
                line += " (" + refusal.key + ")";
            line += ": ";
            if (!refusal.column.empty())
                line += refusal.column + ": ";
            lines.push_back(line + refusal.reason);
        }
    }
    for (const ClassicGlobalTable& table : library.globals)
        lines.push_back(table.name + ": " +
                        (table.present ? std::to_string(table.rows) + " rows, not imported (ours "
                                                                      "are kept)"
                                       : std::string("absent")));
    for (const ClassicOrphans& group : library.orphans)
        lines.push_back(group.table + ": " + std::to_string(group.rows) + " rows " +
                        (group.why.empty() ? "name " + Quoted(group.fileName) +
                                                 ", no configuration file of the library"
                                           : "whose FileName cannot be read (" + group.why + ")") +
                        ": not imported");
    return lines;
}

} // namespace px
