// Reading tables back from the host, and importing them into a configuration file.

#include "cli/CliContext.h"
#include "common/Utf8Path.h"
#include "transfer/Import.h"
#include "transfer/ReadBack.h"

#include <filesystem>
#include <nlohmann/json.hpp>

namespace px::cli {

namespace {

std::optional<BrowserMode> ModeOf(const std::string& table)
{
    if (table == "im")
        return BrowserMode::InfoMachines;
    if (table == "callers")
        return BrowserMode::Callers;
    if (table == "handhelds")
        return BrowserMode::Handhelds;
    return std::nullopt;
}

int ReadBackCommand(Context& context, const Arguments& args)
{
    if (args.words.size() != 1 || !ModeOf(args.words[0]))
        throw UsageError(
            "usage: pxctl readback im|callers|handhelds [--import NAME [--model px|qx]]");
    const BrowserMode mode = *ModeOf(args.words[0]);
    const std::string model = args.Value("model", "px");
    if (model != "px" && model != "qx")
        throw UsageError("--model must be px or qx");
    HostExchange* exchange = context.Exchange();
    if (exchange == nullptr)
        return kExitFailed;
    if (!ReadBackTable(*exchange, mode)) {
        context.Prompter().Message("设备未连接，请连接设备！");
        return kExitFailed;
    }
    const std::string path = exchange->RecordFilePath(RecordFileName(mode));
    const auto rows = ReadRecordFile(mode, path);
    std::error_code ec;
    std::filesystem::remove(PathFromUtf8(path), ec);
    if (!rows) {
        context.Prompter().Message(MissingFileMessage(mode));
        return kExitFailed;
    }
    if (context.Options().json) {
        nlohmann::json list = nlohmann::json::array();
        for (const BrowserRow& row : *rows)
            list.push_back(row);
        PrintJson(context, list);
    } else {
        for (const BrowserRow& row : *rows) {
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
    const auto outcome =
        ImportRows(*db, context.Prompter(), mode, exchange->Link().GetHostModel(),
                   args.Value("import"), model == "qx" ? FileType::QX : FileType::PX, *rows);
    return outcome == ImportOutcome::Imported || outcome == ImportOutcome::EmptyList ? kExitOk
                                                                                     : kExitFailed;
}

} // namespace

void AddReadBackCommands(std::vector<CommandSpec>& commands)
{
    commands.push_back({"readback",
                        "im|callers|handhelds [--import NAME [--model px|qx]]",
                        "read a table back from the host and print its rows; --import writes them "
                        "into a configuration file (asks: use --yes)",
                        {"import", "model"},
                        {},
                        ReadBackCommand});
}

} // namespace px::cli
