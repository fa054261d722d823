// Caller types, callers, handheld callers and their downloads.

#include "cli/CliContext.h"
#include "common/FileIo.h"
#include "common/Random.h"
#include "registry/CallerSheet.h"
#include "registry/CallerTypes.h"
#include "registry/Callers.h"
#include "registry/Handhelds.h"
#include "registry/InfoMachines.h"
#include "registry/RegistryViews.h"
#include "storage/ConfigFiles.h"
#include "transfer/TableDownload.h"

#include <nlohmann/json.hpp>

namespace px::cli {

namespace {

int TypeList(Context& context, const Arguments& args)
{
    RequireWords(args, 0, "type list");
    auto db = OpenDatabase(context);
    if (!db)
        return kExitFailed;
    const auto types = ListCallerTypesByName(*db);
    if (context.Options().json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& t : types)
            list.push_back({{"name", t.name}, {"keys", t.keyCount}, {"selection", t.keySelection}});
        PrintJson(context, list);
        return kExitOk;
    }
    for (const auto& t : types)
        context.Env().out << t.name << '\t' << t.keyCount << '\t' << t.keySelection << '\n';
    return kExitOk;
}

int TypeAdd(Context& context, const Arguments& args)
{
    RequireWords(args, 2, "type add NAME KEYS   (KEYS like 1,2,4)");
    std::array<bool, 5> keys{};
    std::string digits = args.words[1];
    for (std::size_t at = 0; at <= digits.size();) {
        const auto comma = digits.find(',', at);
        const std::string part =
            digits.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        if (!part.empty())
            keys[static_cast<std::size_t>(ParseIntOr(part, 1, 5, "a key") - 1)] = true;
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    auto db = OpenDatabase(context);
    if (!db)
        return kExitFailed;
    const std::string& name = args.words[0];
    const CallerTypeAdded added = AddCallerType(*db, name, keys);
    if (added != CallerTypeAdded::NameTaken)
        return added == CallerTypeAdded::Added ? kExitOk : kExitFailed;
    return context.Prompter().AskOkCancel(kUpdateCallerTypeQuestion, "提示") &&
                   UpdateCallerType(*db, name, keys)
               ? kExitOk
               : kExitFailed;
}

int TypeDelete(Context& context, const Arguments& args)
{
    RequireWords(args, 1, "type delete NAME");
    auto db = OpenDatabase(context);
    if (!db)
        return kExitFailed;
    return DeleteCallerType(*db, args.words[0]) && db->GetRecordsAffected() > 0 ? kExitOk
                                                                                : kExitFailed;
}

int CallerList(Context& context, const Arguments& args)
{
    RequireWords(args, 0, "caller list --file NAME");
    auto file = OpenFile(context, args);
    if (!file)
        return kExitFailed;
    const auto rows = LoadCallerGridView(*file->db, file->file.name);
    if (context.Options().json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& row : rows) {
            nlohmann::json item;
            for (int c = 0; c < kCallerGridColumns; ++c)
                item[CallerTable().columns[static_cast<std::size_t>(c)].name] =
                    row[static_cast<std::size_t>(c)];
            list.push_back(item);
        }
        PrintJson(context, list);
        return kExitOk;
    }
    for (const auto& row : rows) {
        for (int c = 0; c < kCallerGridColumns; ++c)
            context.Env().out << (c ? "\t" : "") << row[static_cast<std::size_t>(c)];
        context.Env().out << '\n';
    }
    return kExitOk;
}

int CallerRegister(Context& context, const Arguments& args)
{
    RequireWords(args, 0, "caller register --type NAME [--code CODE5] ... --file NAME");
    auto file = OpenFile(context, args);
    if (!file)
        return kExitFailed;
    RegistrationRequest request;
    request.types = LoadCallerTypes(*file->db);
    const std::string typeName = args.Value("type", "单键0");
    for (std::size_t i = 0; i < request.types.size(); ++i) {
        if (request.types[i].name == typeName)
            request.typePosition = static_cast<int>(i);
    }
    if (request.typePosition < 0)
        throw UsageError("no caller type named '" + typeName + "' (see pxctl type list)");
    request.manual = args.Has("code");
    request.manualCode = FilterFeatureCode(args.Value("code"));
    if (request.manualCode != args.Value("code") || request.manualCode.size() > 5)
        throw UsageError("--code takes five hexadecimal digits");
    request.runFrom = args.Value("from", "1");
    request.runTo = args.Value("to", request.runFrom);
    request.plusOne = args.Has("plus-one");
    request.callerNumber = args.Value("number");
    if (!request.callerNumber.empty())
        ParseIntOr(request.callerNumber, 0, kMaxCallerNumber, "--number");
    if (const std::string problem = CheckHostText(args.Value("name")); !problem.empty())
        throw UsageError("--name: " + problem);
    request.callerName = args.Value("name");
    request.keyNames = LoadKeyNames(*file->db);
    request.numberList = LoadInfoMachineView(*file->db, file->file.name).numberList;
    request.fileName = file->file.name;
    request.fileType = file->file.deviceType;
    request.hostModel = context.HostModelNow();
    HostExchange* exchange = request.manual ? nullptr : context.Exchange();
    if (!request.manual && exchange == nullptr)
        return kExitFailed;
    const auto result = RegisterCallers(*file->db, exchange, request);
    result.notices.ShowWith(context.Prompter());
    if (context.Options().json) {
        nlohmann::json codes = nlohmann::json::array();
        for (const auto& row : result.added)
            codes.push_back(row[0]);
        PrintJson(context, codes);
    } else {
        for (const auto& row : result.added)
            context.Env().out << row[0] << '\n';
    }
    return result.added.empty() ? kExitFailed : kExitOk;
}

int CallerSet(Context& context, const Arguments& args)
{
    RequireWords(args, 3, "caller set CODENO COLUMN VALUE --file NAME");
    // The grid's columns, by their names in the database.
    const auto& columns = CallerTable().columns;
    const auto it =
        std::find_if(columns.begin(), columns.begin() + kCallerGridColumns,
                     [&](const TableColumn<CallerRow>& c) { return c.name == args.words[1]; });
    if (it == columns.begin() + kCallerGridColumns)
        throw UsageError("COLUMN is one of CodeNo CallNo CallName KeyName DeviceNo1..8 ZhuiHu");
    const int column = static_cast<int>(it - columns.begin());
    std::string value = args.words[2];
    if (column == 0) {
        if (const std::string problem = CheckCallerCode(value); !problem.empty())
            throw UsageError("CodeNo: " + problem);
    } else if (column == 2 || column == 3) {
        if (const std::string problem = CheckHostText(value); !problem.empty())
            throw UsageError(args.words[1] + ": " + problem);
    }
    if (column == kEscalationColumn) {
        // The column takes the stored number or the choice's text.
        const int n = ParseIntOr(value, 0, 2, "ZhuiHu");
        value = kEscalationChoices[static_cast<std::size_t>(n)];
    } else if (column >= kFirstDeviceColumn && column <= kLastDeviceColumn && value != "-1" &&
               !value.empty()) {
        ParseIntOr(value, 0, kMaxPagerNumber, args.words[1].c_str());
    } else if (column == 1) {
        ParseIntOr(value, 0, kMaxCallerNumber, "CallNo");
    }
    if (column >= kFirstDeviceColumn && column <= kLastDeviceColumn && value == "-1")
        value.clear();
    auto file = OpenFile(context, args);
    if (!file)
        return kExitFailed;
    const auto result = UpdateCallerCell(*file->db, file->file.name, args.words[0], column, value);
    if (result.restore) {
        context.Env().err << "特征码必须为6位或12位\n";
        return kExitFailed;
    }
    if (!result.written) {
        context.Env().err << "特征码 " << args.words[0] << " 不存在\n";
        return kExitFailed;
    }
    return kExitOk;
}

int CallerImport(Context& context, const Arguments& args)
{
    RequireWords(args, 1, "caller import FILE.csv --file NAME [--dry-run]");
    auto file = OpenFile(context, args);
    if (!file)
        return kExitFailed;
    std::string error;
    const auto bytes = ReadFileUpTo(args.words[0], kMaxSheetBytes, error);
    if (!bytes) {
        context.Env().err << error << "\nnothing was written\n";
        return kExitFailed;
    }
    const SheetTarget target{file->file.name, file->file.deviceType, context.HostModelNow(),
                             LoadKeyNames(*file->db)};
    const auto preview = PreviewCallerSheet(*file->db, target, *bytes, error);
    if (!preview) {
        context.Env().err << args.words[0] << ": " << error << "\nnothing was written\n";
        return kExitFailed;
    }
    std::ostream& out = context.Env().out;
    if (context.Options().json) {
        nlohmann::json rows = nlohmann::json::array();
        for (const SheetRow& row : preview->rows)
            rows.push_back({{"line", row.line},
                            {"code", row.code},
                            {"action", SheetActionName(row.action)},
                            {"changed", row.changed},
                            {"reason", row.reason}});
        PrintJson(context, {{"encoding", EncodingName(preview->encoding)},
                            {"ignoredColumns", preview->ignoredColumns},
                            {"rows", rows}});
    } else {
        out << "encoding: " << EncodingName(preview->encoding) << '\n';
        for (const std::string& name : preview->ignoredColumns)
            out << "ignored column: " << name << '\n';
        for (const SheetRow& row : preview->rows) {
            out << "line " << row.line << '\t' << row.code << '\t' << SheetActionName(row.action);
            if (row.action == SheetAction::Refuse)
                out << ": " << row.reason;
            for (std::size_t i = 0; i < row.changed.size(); ++i)
                out << (i == 0 ? ": " : ", ") << row.changed[i];
            out << '\n';
        }
        out << preview->Count(SheetAction::Add) << " to add, "
            << preview->Count(SheetAction::Change) << " to change, "
            << preview->Count(SheetAction::Unchanged) << " unchanged, "
            << preview->Count(SheetAction::Refuse) << " refused\n";
    }
    if (!preview->AllAccepted()) {
        context.Env().err << "nothing was written: correct the refused rows and import again\n";
        return kExitFailed;
    }
    if (args.Has("dry-run"))
        return kExitOk;
    if (!ApplyCallerSheet(*file->db, file->file.name, *preview, error)) {
        context.Env().err << error << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

int CallerExport(Context& context, const Arguments& args)
{
    RequireWords(args, 1, "caller export --file NAME FILE.csv [--encoding gbk|utf-8]");
    const std::string encodingName = args.Value("encoding", "utf-8");
    if (encodingName != "utf-8" && encodingName != "gbk")
        throw UsageError("--encoding must be gbk or utf-8");
    auto file = OpenFile(context, args);
    if (!file)
        return kExitFailed;
    std::string error;
    const auto sheet = ExportCallerSheet(
        *file->db, file->file.name,
        encodingName == "gbk" ? TextEncoding::Gbk : TextEncoding::Utf8WithBom, error);
    if (!sheet || !WriteFileWhole(args.words[0], *sheet, error)) {
        context.Env().err << error << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

int CallerDelete(Context& context, const Arguments& args)
{
    RequireWords(args, 1, "caller delete CODENO [--all-keys] --file NAME");
    auto file = OpenFile(context, args);
    if (!file)
        return kExitFailed;
    const std::string& code = args.words[0];
    const bool all = args.Has("all-keys");
    if (!context.Prompter().AskOkCancel(
            all ? DeleteCallerKeysQuestion(code) : DeleteCallerKeyQuestion(code), "提示"))
        return kExitFailed;
    const bool ok = all ? DeleteCallerKeys(*file->db, file->file.name, code)
                        : DeleteCallerKey(*file->db, file->file.name, code);
    return ok ? kExitOk : kExitFailed;
}

int HandheldList(Context& context, const Arguments& args)
{
    RequireWords(args, 0, "handheld list --file NAME");
    auto file = OpenFile(context, args);
    if (!file)
        return kExitFailed;
    const auto rows = LoadHandheldView(*file->db, file->file.name);
    if (context.Options().json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& row : rows)
            list.push_back(
                {{"number", row.deviceNo}, {"code", row.address}, {"remark", row.remark}});
        PrintJson(context, list);
        return kExitOk;
    }
    for (const auto& row : rows)
        context.Env().out << row.deviceNo << '\t' << row.address << '\t' << row.remark << '\n';
    return kExitOk;
}

int HandheldAdd(Context& context, const Arguments& args)
{
    if (args.words.empty() || args.words.size() > 2)
        throw UsageError("usage: pxctl handheld add NUMBER [CODE] [--remark TEXT] --file NAME");
    HandheldFields fields;
    fields.pagerText = "1";
    fields.numberText = args.words[0];
    ParseIntOr(fields.numberText, kMinHandheldNumber, kMaxHandheldNumber, "NUMBER");
    fields.madeUpCode = args.words.size() == 2;
    fields.featureCode = fields.madeUpCode ? args.words[1] : "";
    if (fields.madeUpCode && (FilterFeatureCode(fields.featureCode) != fields.featureCode ||
                              fields.featureCode.size() > 4))
        throw UsageError("CODE takes up to 4 hexadecimal digits");
    if (const std::string problem = CheckStoredText(args.Value("remark")); !problem.empty())
        throw UsageError("--remark: " + problem);
    auto file = OpenFile(context, args);
    if (!file)
        return kExitFailed;
    fields.remark = args.Value("remark");
    HostExchange* exchange = fields.madeUpCode ? nullptr : context.Exchange();
    if (!fields.madeUpCode && exchange == nullptr)
        return kExitFailed;
    Lcg random(static_cast<std::uint32_t>(context.Env().clock.EpochSeconds()));
    const auto result = SaveHandheld(*file->db, exchange, random, file->file.name,
                                     file->file.deviceType, context.HostModelNow(), fields);
    result.notices.ShowWith(context.Prompter());
    return result.stored ? kExitOk : kExitFailed;
}

int HandheldDelete(Context& context, const Arguments& args)
{
    RequireWords(args, 1, "handheld delete NUMBER --file NAME");
    ParseIntOr(args.words[0], kMinHandheldNumber, kMaxHandheldNumber, "NUMBER");
    auto file = OpenFile(context, args);
    if (!file)
        return kExitFailed;
    DeleteHandheld(*file->db, file->file.name, args.words[0]);
    return file->db->GetRecordsAffected() > 0 ? kExitOk : kExitFailed;
}

} // namespace

void AddRegistryCommands(std::vector<CommandSpec>& commands)
{
    commands.push_back({"type list", "", "the caller types", {}, {}, TypeList});
    commands.push_back({"type add",
                        "NAME KEYS",
                        "add or update a caller type (KEYS like 1,2,4)",
                        {},
                        {},
                        TypeAdd});
    commands.push_back({"type delete", "NAME", "delete a caller type", {}, {}, TypeDelete});
    commands.push_back({"caller list",
                        "--file NAME",
                        "the callers of a file, one row per key",
                        {"file"},
                        {},
                        CallerList});
    commands.push_back(
        {"caller register",
         "--type NAME [--code CODE5] [--from A --to B] [--plus-one] [--number N] [--name TEXT] "
         "--file NAME",
         "register callers: --code is manual mode, without it the host reports the pressed key",
         {"file", "type", "code", "from", "to", "number", "name"},
         {"plus-one"},
         CallerRegister});
    commands.push_back(
        {"caller set",
         "CODENO COLUMN VALUE --file NAME",
         "change one column of a key (COLUMN: CodeNo CallNo CallName KeyName DeviceNo1..8 ZhuiHu)",
         {"file"},
         {},
         CallerSet});
    commands.push_back({"caller delete",
                        "CODENO [--all-keys] --file NAME",
                        "delete a key, or keys 1 to 9 of its caller (asks: use --yes)",
                        {"file"},
                        {"all-keys"},
                        CallerDelete});
    commands.push_back(
        {"caller import",
         "FILE.csv --file NAME [--dry-run]",
         "update and add callers from a spreadsheet (UTF-8 or GBK): prints what each "
         "row does; writes all rows or, if any is refused, none",
         {"file"},
         {"dry-run"},
         CallerImport});
    commands.push_back({"caller export",
                        "--file NAME FILE.csv [--encoding gbk|utf-8]",
                        "write the callers of a file as a spreadsheet",
                        {"file", "encoding"},
                        {},
                        CallerExport});
    commands.push_back({"handheld list",
                        "--file NAME",
                        "the handheld callers of a file",
                        {"file"},
                        {},
                        HandheldList});
    commands.push_back({"handheld add",
                        "NUMBER [CODE] [--remark TEXT] --file NAME",
                        "add or modify a handheld caller (no CODE: read from the host)",
                        {"file", "remark"},
                        {},
                        HandheldAdd});
    commands.push_back({"handheld delete",
                        "NUMBER --file NAME",
                        "delete a handheld caller",
                        {"file"},
                        {},
                        HandheldDelete});
}

} // namespace px::cli
