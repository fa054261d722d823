// The simulated host itself: what it holds, key presses, plugging, faults, raw reports.

#include "cli/CliContext.h"

#include <iomanip>
#include <nlohmann/json.hpp>

namespace px::cli {

namespace {

// The folder's session; nothing (after a message) when the folder cannot be used.
SimHostSession* RequireSim(Context& context)
{
    if (!context.IsSimulated())
        throw UsageError("'sim' commands need --host sim:DIR");
    return context.Sim();
}

std::string TableName(std::uint8_t command)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", command);
    return text;
}

// Applies a change to the host's state through its folder.
int Change(Context& context, const std::function<void(SimHostState&)>& change)
{
    SimHostSession* sim = RequireSim(context);
    if (sim == nullptr)
        return kExitFailed;
    std::string error;
    if (!sim->Modify(change, error)) {
        context.Env().err << "simulated host: " << error << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

int StatusCommand(Context& context, const Arguments& args)
{
    RequireWords(args, 0, "sim status");
    SimHostSession* sim = RequireSim(context);
    if (sim == nullptr)
        return kExitFailed;
    std::string error;
    if (!sim->Refresh(error)) {
        context.Env().err << "simulated host: " << error << '\n';
        return kExitFailed;
    }
    const SimHostState& state = sim->Host().State();
    const std::string model = state.model == HostModel::QX ? "QX" : "PX";
    std::ostream& out = context.Env().out;
    if (context.Options().json) {
        nlohmann::json tables = nlohmann::json::object();
        for (const auto& [command, bytes] : state.tables)
            tables[TableName(command)] = bytes.size();
        out << nlohmann::json{{"model", model},
                              {"plugged", state.plugged},
                              {"paced", state.paced},
                              {"version", state.version},
                              {"fault", FormatSimFault(state.fault)},
                              {"presses", state.presses.size()},
                              {"tables", tables},
                              {"messages", state.messages.size()},
                              {"lastRefusal", state.lastRefusal.empty()
                                                  ? nlohmann::json(nullptr)
                                                  : nlohmann::json(state.lastRefusal)}}
                   .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
            << '\n';
        return kExitOk;
    }
    out << "model     " << model << '\n'
        << "plugged   " << (state.plugged ? "yes" : "no") << '\n'
        << "paced     " << (state.paced ? "as a real host" : "no, answers at once") << '\n'
        << "version   " << state.version << '\n'
        << "fault     " << FormatSimFault(state.fault) << '\n'
        << "presses   " << state.presses.size() << " queued\n"
        << "messages  " << state.messages.size() << " received\n"
        << "refused   " << (state.lastRefusal.empty() ? "nothing" : state.lastRefusal) << '\n'
        << "tables    " << (state.tables.empty() ? "none" : "") << '\n';
    for (const auto& [command, bytes] : state.tables)
        out << "  0x" << TableName(command) << "  " << bytes.size() << " bytes\n";
    return kExitOk;
}

int PressCommand(Context& context, const Arguments& args)
{
    if (args.words.size() != 1)
        throw UsageError("'sim press' takes one code in hexadecimal");
    std::string error;
    const auto press = MakeKeyPress(args.words[0], args.Value("status", "55"), error);
    if (!press)
        throw UsageError(error);
    return Change(context, [&](SimHostState& state) { state.presses.push_back(*press); });
}

int UnplugCommand(Context& context, const Arguments& args)
{
    RequireWords(args, 0, "sim unplug");
    return Change(context, [](SimHostState& state) { state.plugged = false; });
}

int PlugCommand(Context& context, const Arguments& args)
{
    RequireWords(args, 0, "sim plug");
    return Change(context, [](SimHostState& state) { state.plugged = true; });
}

int PaceCommand(Context& context, const Arguments& args)
{
    if (args.words.size() != 1 || (args.words[0] != "on" && args.words[0] != "off"))
        throw UsageError("'sim pace' takes on or off");
    const bool paced = args.words[0] == "on";
    return Change(context, [paced](SimHostState& state) { state.paced = paced; });
}

std::string FaultNames()
{
    std::string names;
    for (const SimFaultHelpLine& line : SimFaultHelp())
        names += (names.empty() ? "" : "|") + std::string(line.usage);
    return names;
}

std::string FaultDetails()
{
    std::string details;
    for (const SimFaultHelpLine& line : SimFaultHelp()) {
        std::string usage(line.usage);
        usage.resize(std::max<std::size_t>(usage.size() + 2, 22), ' ');
        details += usage + std::string(line.meaning) + '\n';
    }
    return details;
}

int FaultCommand(Context& context, const Arguments& args)
{
    if (args.words.size() != 1)
        throw UsageError("'sim fault' takes one fault");
    const auto fault = ParseSimFault(args.words[0]);
    if (!fault)
        throw UsageError("unknown fault '" + args.words[0] + "' (" + FaultNames() + ")");
    return Change(context, [&](SimHostState& state) { state.fault = *fault; });
}

int VersionTextCommand(Context& context, const Arguments& args)
{
    if (args.words.size() != 1)
        throw UsageError("'sim version' takes one text");
    return Change(context, [&](SimHostState& state) { state.version = args.words[0]; });
}

// Each report is written to the simulated host as the tool would write it; every line the
// host logs for it (the write, its answers, its refusals) is printed.
int SendCommand(Context& context, const Arguments& args)
{
    if (args.words.empty())
        throw UsageError("usage: pxctl sim send HEX... (each a report of at most 65 bytes, report "
                         "id first)");
    std::vector<Report> reports;
    for (const std::string& word : args.words) {
        const auto bytes = ParseHex(word);
        if (!bytes || bytes->empty() || bytes->size() > kReportSize)
            throw UsageError("'" + word.substr(0, 140) +
                             "' is not a report: 1 to 65 bytes as hexadecimal digits in pairs "
                             "(the rest of the 65 is 0)");
        Report report{};
        std::copy(bytes->begin(), bytes->end(), report.begin());
        reports.push_back(report);
    }
    SimHostSession* sim = RequireSim(context);
    if (sim == nullptr)
        return kExitFailed;

    struct Outcome
    {
        std::vector<std::string> lines;
        bool written = false;
        bool refused = false;
    };
    std::vector<Outcome> outcomes;
    sim->SetCaptureListener([&outcomes](const std::string& line) {
        if (!outcomes.empty()) {
            outcomes.back().lines.push_back(line);
            outcomes.back().refused = outcomes.back().refused || line.rfind("Refused:", 0) == 0;
        }
    });
    std::unique_ptr<HidDevice> device;
    for (const Report& report : reports) {
        outcomes.push_back({});
        const std::vector<HidDeviceInfo> devices = sim->Backend().Enumerate();
        OpenError openError = OpenError::None;
        if (!device && !devices.empty())
            device = sim->Backend().Open(devices.front().path, openError);
        if (!device) {
            outcomes.back().lines.push_back("Failed: the simulated host is unplugged");
            break;
        }
        outcomes.back().written = device->Write(report);
        if (!outcomes.back().written) {
            outcomes.back().lines.push_back("Failed: the write did not reach the host");
            device.reset();
            continue;
        }
        std::array<std::uint8_t, kReportDataSize> answer{};
        while (device->Read(answer, 0) > 0) {
        }
    }
    sim->SetCaptureListener(nullptr);

    bool allTaken = true;
    nlohmann::json list = nlohmann::json::array();
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const Outcome& outcome = outcomes[i];
        allTaken = allTaken && outcome.written && !outcome.refused;
        if (context.Options().json) {
            nlohmann::json answers = nlohmann::json::array();
            nlohmann::json refused = nullptr;
            for (const std::string& line : outcome.lines) {
                if (line.rfind("Read :", 0) == 0)
                    answers.push_back(line.substr(6));
                else if (line.rfind("Refused: ", 0) == 0)
                    refused = line.substr(9);
            }
            list.push_back({{"report", Hex(Bytes(reports[i].begin(), reports[i].end()))},
                            {"written", outcome.written},
                            {"answers", answers},
                            {"refused", refused}});
        } else {
            for (const std::string& line : outcome.lines)
                context.Env().out << line << '\n';
        }
    }
    allTaken = allTaken && outcomes.size() == reports.size();
    if (context.Options().json)
        context.Env().out << list.dump() << '\n';
    return allTaken ? kExitOk : kExitFailed;
}

} // namespace

void AddSimCommands(std::vector<CommandSpec>& commands)
{
    static const std::string faultUsage = FaultNames();
    commands.push_back({"sim status",
                        "",
                        "model, plugged, stored tables with their sizes, last refusal",
                        {},
                        {},
                        StatusCommand});
    commands.push_back({"sim press",
                        "CODEHEX [--status 55|5A|66]",
                        "queue a key press: the answer to the next 0xD4 request",
                        {"status"},
                        {},
                        PressCommand});
    commands.push_back({"sim unplug", "", "unplug the simulated host", {}, {}, UnplugCommand});
    commands.push_back({"sim plug", "", "plug the simulated host in", {}, {}, PlugCommand});
    commands.push_back({"sim pace",
                        "on|off",
                        "give the host the pauses a real host needs between packets (on, the "
                        "default) or none (off: transfers end at once)",
                        {},
                        {},
                        PaceCommand});
    commands.push_back({"sim fault",
                        faultUsage.c_str(),
                        "arm a fault (one at a time):",
                        {},
                        {},
                        FaultCommand,
                        FaultDetails()});
    commands.push_back({"sim send",
                        "HEX...",
                        "write raw reports (65 bytes, report id first; missing bytes are 0) to "
                        "the simulated host and print what it answers or refuses",
                        {},
                        {},
                        SendCommand});
    commands.push_back(
        {"sim version", "TEXT", "the version text the host reports", {}, {}, VersionTextCommand});
}

} // namespace px::cli
