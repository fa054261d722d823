// The simulated host itself: what it holds, key presses, plugging, faults.

#include "cli/CliContext.h"

#include <nlohmann/json.hpp>

#include <iomanip>

namespace px::cli {

namespace {

SimHostSession& RequireSim(Context& context)
{
    if (!context.IsSimulated())
        throw UsageError("'sim' commands need --host sim:DIR");
    SimHostSession* sim = context.Sim();
    if (sim == nullptr)
        throw UsageError("the simulated host's folder cannot be used");
    return *sim;
}

std::string TableName(std::uint8_t command)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", command);
    return text;
}

int StatusCommand(Context& context, const Arguments&)
{
    SimHostSession& sim = RequireSim(context);
    const SimHostState& state = sim.Host().State();
    const std::string model = state.model == HostModel::QX ? "QX" : "PX";
    std::ostream& out = context.Env().out;
    if (context.Options().json) {
        nlohmann::json tables = nlohmann::json::object();
        for (const auto& [command, bytes] : state.tables)
            tables[TableName(command)] = bytes.size();
        out << nlohmann::json{{"model", model},
                              {"plugged", state.plugged},
                              {"version", state.version},
                              {"fault", FormatSimFault(state.fault)},
                              {"presses", state.presses.size()},
                              {"tables", tables},
                              {"messages", state.messages.size()}}
                   .dump()
            << '\n';
        return kExitOk;
    }
    out << "model     " << model << '\n'
        << "plugged   " << (state.plugged ? "yes" : "no") << '\n'
        << "version   " << state.version << '\n'
        << "fault     " << FormatSimFault(state.fault) << '\n'
        << "presses   " << state.presses.size() << " queued\n"
        << "messages  " << state.messages.size() << " received\n"
        << "tables    " << (state.tables.empty() ? "none" : "") << '\n';
    for (const auto& [command, bytes] : state.tables)
        out << "  0x" << TableName(command) << "  " << bytes.size() << " bytes\n";
    return kExitOk;
}

int PressCommand(Context& context, const Arguments& args)
{
    SimHostSession& sim = RequireSim(context);
    if (args.words.size() != 1)
        throw UsageError("'sim press' takes one code in hexadecimal");
    const auto code = ParseHex(args.words[0]);
    if (!code || code->empty())
        throw UsageError("the code must be hexadecimal digits in pairs, like 123451");
    const std::string status = args.Value("status", "55");
    const auto statusByte = ParseHex(status);
    if (status != "55" && status != "5A" && status != "5a" && status != "66")
        throw UsageError("--status must be 55, 5A or 66");
    Bytes press = *statusByte;
    press.insert(press.end(), code->begin(), code->end());
    sim.Host().State().presses.push_back(press);
    return kExitOk;
}

int UnplugCommand(Context& context, const Arguments&)
{
    RequireSim(context).Unplug();
    return kExitOk;
}

int PlugCommand(Context& context, const Arguments&)
{
    RequireSim(context).Plug();
    return kExitOk;
}

int FaultCommand(Context& context, const Arguments& args)
{
    SimHostSession& sim = RequireSim(context);
    if (args.words.size() != 1)
        throw UsageError("'sim fault' takes one fault");
    const auto fault = ParseSimFault(args.words[0]);
    if (!fault)
        throw UsageError("unknown fault '" + args.words[0] +
                         "' (none, silent, bad-checksum, stale-answer, unplug-at:K, "
                         "short-packet:K, long-packet:K, silent-after:K)");
    sim.Host().State().fault = *fault;
    return kExitOk;
}

int VersionTextCommand(Context& context, const Arguments& args)
{
    SimHostSession& sim = RequireSim(context);
    if (args.words.size() != 1)
        throw UsageError("'sim version' takes one text");
    sim.Host().State().version = args.words[0];
    return kExitOk;
}

} // namespace

void AddSimCommands(std::vector<CommandSpec>& commands)
{
    commands.push_back({"sim status", "", "model, plugged, stored tables with their sizes", {}, {},
                        StatusCommand});
    commands.push_back({"sim press", "CODEHEX [--status 55|5A|66]",
                        "queue a key press: the answer to the next 0xD4 request", {"status"}, {},
                        PressCommand});
    commands.push_back({"sim unplug", "", "unplug the simulated host", {}, {}, UnplugCommand});
    commands.push_back({"sim plug", "", "plug the simulated host in", {}, {}, PlugCommand});
    commands.push_back({"sim fault",
                        "none|silent|bad-checksum|stale-answer|unplug-at:K|short-packet:K|"
                        "long-packet:K|silent-after:K",
                        "arm a fault", {}, {}, FaultCommand});
    commands.push_back({"sim version", "TEXT", "the version text the host reports", {}, {},
                        VersionTextCommand});
}

} // namespace px::cli
