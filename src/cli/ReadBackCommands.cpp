// The registration tables between a configuration file and the host: downloads, and read-backs
// that print the rows and can import them into a file.

#include "cli/CliContext.h"
#include "transfer/Import.h"
#include "transfer/ReadBack.h"
#include "transfer/TableDownload.h"

#include <nlohmann/json.hpp>

namespace px::cli {

namespace {

constexpr const char* kTables = "im|callers|handhelds";

TableKind TableArgument(const Arguments& args, const std::string& usage)
{
    const auto kind = args.words.size() == 1 ? TableNamed(args.words[0]) : std::nullopt;
    if (!kind)
        throw UsageError("usage: pxctl " + usage);
    return *kind;
}

int DownloadCommand(Context& context, const Arguments& args)
{
    const TableKind kind = TableArgument(args, std::string("download ") + kTables + " --file NAME");
    const auto file = OpenFile(context, args);
    HostExchange* exchange = file ? context.Exchange() : nullptr;
    if (exchange == nullptr)
        return kExitFailed;
    const DownloadReport report = DownloadTable(*exchange, *file->db, kind, file->file.name);
    report.notices.ShowWith(context.Prompter());
    if (report.outcome == DownloadOutcome::Empty)
        context.Env().err << "nothing to download: the table of " << file->file.name
                          << " is empty\n";
    return report.outcome == DownloadOutcome::Sent ? kExitOk : kExitFailed;
}

int ReadBackCommand(Context& context, const Arguments& args)
{
    const TableKind kind = TableArgument(args, std::string("readback ") + kTables +
                                                   " [--import NAME [--model px|qx]]");
    const std::string model = args.Value("model", "px");
    if (model != "px" && model != "qx")
        throw UsageError("--model must be px or qx");
    HostExchange* exchange = context.Exchange();
    if (exchange == nullptr)
        return kExitFailed;
    const Reading<ReadBackRows> read = ReadBackRowsOf(*exchange, kind);
    read.notices.ShowWith(context.Prompter());
    if (!read.value)
        return kExitFailed;
    const ReadBackRows& rows = *read.value;
    const std::vector<std::vector<std::string>> cells = rows.ShownCells();
    if (context.Options().json) {
        nlohmann::json list = nlohmann::json::array();
        for (const std::vector<std::string>& row : cells)
            list.push_back(row);
        PrintJson(context, list);
    } else {
        for (const std::vector<std::string>& row : cells) {
            for (std::size_t c = 0; c < row.size(); ++c)
                context.Env().out << (c ? "\t" : "") << row[c];
            context.Env().out << '\n';
        }
    }
    if (!args.Has("import"))
        return kExitOk;
    Database* db = OpenDatabase(context);
    if (db == nullptr)
        return kExitFailed;
    const auto import = [&](bool confirmed) {
        return ImportRows(*db, rows, exchange->Link().GetHostModel(), args.Value("import"),
                          model == "qx" ? FileType::QX : FileType::PX, confirmed);
    };
    ImportResult result = import(false);
    if (result.outcome == ImportOutcome::NeedsConfirmation) {
        if (!context.Prompter().AskOkCancel(result.message, "提示"))
            return kExitFailed;
        result = import(true);
    }
    if (!result.message.empty())
        context.Prompter().Message(result.message);
    return result.outcome == ImportOutcome::Imported || result.outcome == ImportOutcome::EmptyList
               ? kExitOk
               : kExitFailed;
}

} // namespace

void AddReadBackCommands(std::vector<CommandSpec>& commands)
{
    commands.push_back({"download",
                        std::string(kTables) + " --file NAME",
                        "download a table of a configuration file to the host",
                        {"file"},
                        {},
                        DownloadCommand});
    commands.push_back({"readback",
                        std::string(kTables) + " [--import NAME [--model px|qx]]",
                        "read a table back from the host and print its rows; --import writes them "
                        "into a configuration file (asks: use --yes)",
                        {"import", "model"},
                        {},
                        ReadBackCommand});
}

} // namespace px::cli
