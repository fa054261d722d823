// Configuration files, information machines and their download.

#include "cli/CliContext.h"
#include "registry/InfoMachines.h"
#include "registry/RegistryViews.h"
#include "storage/ConfigFiles.h"
#include "transfer/TableDownload.h"

#include <nlohmann/json.hpp>

namespace px::cli {

namespace {

// Says what a file action had to say; its exit status.
int Tell(Context& context, const FileOutcome& outcome)
{
    if (!outcome.message.empty())
        context.Prompter().Message(outcome.message);
    return outcome.Done() ? kExitOk : kExitFailed;
}

FileType ParseModel(const std::string& text)
{
    if (text == "px")
        return FileType::PX;
    if (text == "qx")
        return FileType::QX;
    throw UsageError("--model must be px or qx");
}

int FileList(Context& context, const Arguments& args)
{
    RequireWords(args, 0, "file list");
    auto db = OpenDatabase(context);
    if (!db)
        return kExitFailed;
    const auto files = ListConfigFiles(*db);
    std::ostream& out = context.Env().out;
    if (context.Options().json) {
        nlohmann::json list = nlohmann::json::array();
        for (const ConfigFile& file : files)
            list.push_back({{"name", file.name}, {"model", FileModelName(file.deviceType)}});
        PrintJson(context, list);
    } else {
        for (const ConfigFile& file : files)
            out << FileModelName(file.deviceType) << '\t' << file.name << '\n';
    }
    return kExitOk;
}

int FileNew(Context& context, const Arguments& args)
{
    RequireWords(args, 1, "file new NAME --model px|qx");
    const FileType type = ParseModel(args.Value("model", "px"));
    auto db = OpenDatabase(context);
    if (!db)
        return kExitFailed;
    return Tell(context, CreateConfigFile(*db, args.words[0], type, context.HostModelNow()));
}

int FileDelete(Context& context, const Arguments& args)
{
    RequireWords(args, 1, "file delete NAME");
    auto db = OpenDatabase(context);
    if (!db)
        return kExitFailed;
    if (!FindConfigFile(*db, args.words[0])) {
        ReportMissingFile(context, *db, args.words[0]);
        return kExitFailed;
    }
    return Tell(context, DeleteConfigFileNamed(*db, args.words[0]));
}

int FileCopy(Context& context, const Arguments& args)
{
    RequireWords(args, 2, "file copy FROM TO");
    auto db = OpenDatabase(context);
    if (!db)
        return kExitFailed;
    const auto from = FindConfigFile(*db, args.words[0]);
    if (!from)
        return Tell(context, RequireCurrentFile({}));
    return Tell(context,
                CopyConfigFile(*db, args.words[1], from->deviceType, from->name, from->deviceType));
}

int ImList(Context& context, const Arguments& args)
{
    RequireWords(args, 0, "im list --file NAME");
    const auto file = OpenFile(context, args);
    if (!file)
        return kExitFailed;
    const InfoMachineView view = LoadInfoMachineView(*file->db, file->file.name);
    std::ostream& out = context.Env().out;
    if (context.Options().json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& row : view.rows)
            list.push_back({{"pager", row.deviceNo},
                            {"address", row.address},
                            {"type", row.typeName},
                            {"remark", row.remark}});
        PrintJson(context, list);
        return kExitOk;
    }
    for (const auto& row : view.rows)
        out << row.deviceNo << '\t' << row.address << '\t' << row.typeName << '\t' << row.remark
            << '\n';
    return kExitOk;
}

int ImAdd(Context& context, const Arguments& args)
{
    RequireWords(
        args, 2,
        "im add PAGER ADDRESS [--type BX-2|LW2/LW1|num|en|LW3] [--remark TEXT] --file NAME");
    ParseIntOr(args.words[0], 0, kMaxPagerNumber, "PAGER");
    if (const std::string problem = CheckAddress(args.words[1]); !problem.empty())
        throw UsageError("ADDRESS: " + problem);
    InfoMachineFields fields{.pagerText = args.words[0],
                             .handheldText = "1",
                             .address = args.words[1],
                             .remark = args.Value("remark")};
    const auto type = ReceiverTypeIndex(args.Value("type", "BX-2"));
    if (!type)
        throw UsageError("--type must be BX-2, LW2/LW1, num, en or LW3");
    const auto file = OpenFile(context, args);
    if (!file)
        return kExitFailed;
    fields.typeIndex = *type;
    const auto result = SaveInfoMachine(*file->db, file->file.name, file->file.deviceType,
                                        context.HostModelNow(), fields);
    result.notices.ShowWith(context.Prompter());
    return result.stored ? kExitOk : kExitFailed;
}

int ImDelete(Context& context, const Arguments& args)
{
    RequireWords(args, 1, "im delete PAGER --file NAME");
    ParseIntOr(args.words[0], 0, kMaxPagerNumber, "PAGER");
    const auto file = OpenFile(context, args);
    if (!file)
        return kExitFailed;
    DeleteInfoMachine(*file->db, file->file.name, args.words[0]);
    if (file->db->GetRecordsAffected() == 0) {
        context.Prompter().Message("传呼号 " + args.words[0] + " 不存在");
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

void AddFileCommands(std::vector<CommandSpec>& commands)
{
    commands.push_back(
        {"file list", "", "the configuration files and their models", {}, {}, FileList});
    commands.push_back(
        {"file new", "NAME --model px|qx", "create a configuration file", {"model"}, {}, FileNew});
    commands.push_back({"file delete",
                        "NAME",
                        "delete a configuration file and all its rows",
                        {},
                        {},
                        FileDelete});
    commands.push_back(
        {"file copy", "FROM TO", "save a configuration file under another name", {}, {}, FileCopy});
    commands.push_back(
        {"im list", "--file NAME", "the information machines of a file", {"file"}, {}, ImList});
    commands.push_back(
        {"im add",
         "PAGER ADDRESS [--type BX-2|LW2/LW1|num|en|LW3] [--remark TEXT] --file NAME",
         "add or modify an information machine",
         {"file", "type", "remark"},
         {},
         ImAdd});
    commands.push_back({"im delete",
                        "PAGER --file NAME",
                        "delete an information machine",
                        {"file"},
                        {},
                        ImDelete});
}

} // namespace px::cli
