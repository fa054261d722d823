// Host maintenance and messages.

#include "cli/CliContext.h"
#include "settings/InfoMessage.h"
#include "settings/Maintenance.h"
#include "storage/RowRules.h"

#include <nlohmann/json.hpp>

namespace px::cli {

namespace {

void NoWords(const Arguments& args, const char* command)
{
    if (!args.words.empty())
        throw UsageError(std::string("'") + command + "' takes no arguments");
}

int VersionCommand(Context& context, const Arguments& args)
{
    NoWords(args, "version");
    HostExchange* exchange = context.Exchange();
    if (exchange == nullptr)
        return kExitFailed;
    const Reading<std::string> version = ReadProgramVersion(*exchange);
    version.notices.ShowWith(context.Prompter());
    if (!version.value)
        return kExitFailed;
    if (context.Options().json)
        PrintJson(context, nlohmann::json{{"version", *version.value}});
    else
        context.Env().out << *version.value << '\n';
    return kExitOk;
}

int InitCommand(Context& context, const Arguments& args)
{
    NoWords(args, "init");
    HostExchange* exchange = context.Exchange();
    return exchange != nullptr ? context.Told(InitialiseHost(*exchange)) : kExitFailed;
}

int ClockCommand(Context& context, const Arguments& args)
{
    NoWords(args, "clock");
    Database* db = OpenDatabase(context);
    HostExchange* exchange = db != nullptr ? context.Exchange() : nullptr;
    if (exchange == nullptr)
        return kExitFailed;
    const auto result = CalibrateClock(*exchange, *db);
    if (!result) {
        context.Env().err << "没有传呼号为0的信息机，时钟未校准 (no information machine with pager "
                             "number 0)\n";
        return kExitFailed;
    }
    return context.Told(*result);
}

int PreambleCommand(Context& context, const Arguments& args)
{
    NoWords(args, "preamble");
    HostExchange* exchange = context.Exchange();
    return exchange != nullptr ? context.Told(SendPreamble(*exchange)) : kExitFailed;
}

int UpgradeCommand(Context& context, const Arguments& args)
{
    if (args.words.size() != 1)
        throw UsageError("'upgrade' takes one firmware file");
    HostExchange* exchange = context.Exchange();
    return exchange != nullptr ? context.Told(UpgradeFirmware(*exchange, args.words[0]))
                               : kExitFailed;
}

int MessageCommand(Context& context, const Arguments& args)
{
    if (args.words.size() != 1)
        throw UsageError("'message' takes one text (quote it)");
    MessageRequest request;
    request.text = args.words[0];
    if (args.Has("to") == args.Has("address"))
        throw UsageError("'message' needs either --to PAGER or --address ADDR");
    if (args.Has("to")) {
        ParseIntOr(args.Value("to"), 0, kMaxPagerNumber, "--to");
        request.pagerText = args.Value("to");
    } else {
        request.addressMode = true;
        request.addressText = args.Value("address");
        const std::string type = args.Value("type", "char");
        const std::string polarity = args.Value("polarity", "-");
        const std::string baud = args.Value("baud", "1200");
        if (type != "char" && type != "num")
            throw UsageError("--type must be char or num");
        if (polarity != "+" && polarity != "-")
            throw UsageError("--polarity must be + or -");
        if (baud != "512" && baud != "1200" && baud != "2400")
            throw UsageError("--baud must be 512, 1200 or 2400");
        request.typeIndex = type == "num" ? 1 : 0;
        request.polarityIndex = polarity == "-" ? 1 : 0;
        request.baudIndex = baud == "512" ? 0 : baud == "1200" ? 1 : 2;
    }
    HostExchange* exchange = context.Exchange();
    if (exchange == nullptr)
        return kExitFailed;
    const MessageSending sent = SendInformationMessage(*exchange, request);
    sent.notices.ShowWith(context.Prompter());
    return sent.outcome == MessageOutcome::Accepted ? kExitOk : kExitFailed;
}

} // namespace

void AddHostCommands(std::vector<CommandSpec>& commands)
{
    commands.push_back({"version", "", "print the host's program version", {}, {}, VersionCommand});
    commands.push_back({"init", "", "initialise the host", {}, {}, InitCommand});
    commands.push_back({"clock",
                        "",
                        "set the receivers' clock through the information machine with pager "
                        "number 0",
                        {},
                        {},
                        ClockCommand});
    commands.push_back({"preamble", "", "send a preamble", {}, {}, PreambleCommand});
    commands.push_back({"upgrade",
                        "FILE.bin",
                        "download a firmware image (at most 3000000 bytes)",
                        {},
                        {},
                        UpgradeCommand});
    commands.push_back({"message",
                        "(--to PAGER | --address ADDR [--type char|num] [--polarity +|-] "
                        "[--baud 512|1200|2400]) TEXT",
                        "send a short text (48 GBK bytes at most) to one information machine",
                        {"to", "address", "type", "polarity", "baud"},
                        {},
                        MessageCommand});
}

} // namespace px::cli
