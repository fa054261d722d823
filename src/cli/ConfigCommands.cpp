// Whole configuration files: JSON export and import, and verifying what the host holds.

#include "cli/CliContext.h"
#include "storage/ConfigJson.h"
#include "transfer/Verify.h"

#include <nlohmann/json.hpp>

namespace px::cli {

namespace {

int ExportCommand(Context& context, const Arguments& args)
{
    if (args.words.size() != 2)
        throw UsageError("usage: pxctl export NAME FILE.json");
    auto db = OpenDatabase(context);
    if (!db)
        return kExitFailed;
    std::string error;
    const auto document = ExportConfigFile(*db, args.words[0], error);
    if (!document || !WriteConfigJsonFile(args.words[1], *document, error)) {
        context.Prompter().Message(error);
        return kExitFailed;
    }
    return kExitOk;
}

int ImportCommand(Context& context, const Arguments& args)
{
    if (args.words.size() != 1)
        throw UsageError("usage: pxctl import FILE.json [--as NAME]");
    std::string error;
    const auto text = ReadConfigJsonFile(args.words[0], error);
    if (!text) {
        context.Env().err << error << "\nnothing was imported\n";
        return kExitFailed;
    }
    auto db = OpenDatabase(context);
    if (!db)
        return kExitFailed;
    std::string name;
    switch (ImportConfigFile(*db, *text, args.Value("as"), context.Options().yes, error, &name)) {
    case JsonImportResult::Imported:
        context.Env().err << "imported \"" << name << "\"\n";
        return kExitOk;
    case JsonImportResult::Invalid:
        context.Env().err << args.words[0] << ": " << error << "\nnothing was imported\n";
        return kExitFailed;
    case JsonImportResult::Exists:
        context.Env().err << error << "; use --yes to replace it, or --as NAME\n";
        return kExitFailed;
    case JsonImportResult::Failed:
        context.Env().err << "the database refused the import (" << error
                          << "); nothing was imported\n";
        return kExitFailed;
    }
    return kExitFailed;
}

int VerifyCommand(Context& context, const Arguments& args)
{
    if (args.words.size() != 1)
        throw UsageError("usage: pxctl verify NAME");
    auto db = OpenDatabase(context);
    HostExchange* exchange = db ? context.Exchange() : nullptr;
    if (exchange == nullptr)
        return kExitFailed;
    const Reading<std::vector<Difference>> verified =
        VerifyConfigFile(*exchange, *db, args.words[0]);
    verified.notices.ShowWith(context.Prompter());
    if (!verified.value)
        return kExitFailed;
    const std::vector<Difference>& differences = *verified.value;
    std::ostream& out = context.Env().out;
    if (context.Options().json) {
        nlohmann::json list = nlohmann::json::array();
        for (const Difference& d : differences)
            list.push_back({{"table", d.table},
                            {"key", d.key},
                            {"kind", KindName(d.kind)},
                            {"field", d.field},
                            {"file", d.fileValue},
                            {"host", d.hostValue}});
        PrintJson(context, nlohmann::json{{"match", differences.empty()}, {"differences", list}});
    } else if (differences.empty()) {
        out << "the host holds what \"" << args.words[0] << "\" says\n";
    } else {
        for (const Difference& d : differences) {
            out << d.table << ' ' << d.key << ": " << KindName(d.kind);
            if (d.kind == Difference::Kind::Different)
                out << ' ' << d.field << ": file \"" << d.fileValue << "\", host \"" << d.hostValue
                    << '"';
            else if (d.kind == Difference::Kind::CannotSend)
                out << ": " << d.fileValue;
            out << '\n';
        }
    }
    return differences.empty() ? kExitOk : kExitFailed;
}

} // namespace

void AddConfigCommands(std::vector<CommandSpec>& commands)
{
    commands.push_back({"export",
                        "NAME FILE.json",
                        "write one configuration file, all its rows, as JSON",
                        {},
                        {},
                        ExportCommand});
    commands.push_back({"import",
                        "FILE.json [--as NAME]",
                        "create a configuration file from JSON (an existing name only with --yes)",
                        {"as"},
                        {},
                        ImportCommand});
    commands.push_back(
        {"verify",
         "NAME",
         "read the three tables back and list every difference from NAME; exit 0 only "
         "when they match",
         {},
         {},
         VerifyCommand});
}

} // namespace px::cli
