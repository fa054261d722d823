// Host settings: device parameters, frequencies, receiver types, network, receiver alerts and
// handheld modes. Each has get (read back from the host, or the database) and set (from what
// the profile remembers, changing only the options given).

#include "cli/CliContext.h"
#include "settings/AlertSettings.h"
#include "settings/HandheldSettings.h"
#include "settings/MachineParams.h"
#include "settings/NetworkParams.h"
#include "settings/SettingsHost.h"

#include <nlohmann/json.hpp>

namespace px::cli {

namespace {

using Fields = nlohmann::ordered_json;

int Status(bool ok)
{
    return ok ? kExitOk : kExitFailed;
}

void NoWords(const Arguments& args, const char* command)
{
    if (!args.words.empty())
        throw UsageError(std::string("'") + command + "' takes options only");
}

// Key and value per line, or one JSON object.
int Print(Context& context, const Fields& fields)
{
    std::ostream& out = context.Env().out;
    if (context.Options().json) {
        PrintJson(context, fields);
        return kExitOk;
    }
    for (const auto& [key, value] : fields.items())
        out << key << ": " << (value.is_string() ? value.get<std::string>() : value.dump()) << '\n';
    return kExitOk;
}

void TakeInt(const Arguments& args, const char* name, IntRange range, int& value)
{
    if (args.Has(name))
        value =
            ParseIntOr(args.Value(name), range.low, range.high, (std::string("--") + name).c_str());
}

void TakeSwitch(const Arguments& args, const char* name, int& value)
{
    if (!args.Has(name))
        return;
    const std::string text = args.Value(name);
    if (text != "on" && text != "off")
        throw UsageError(std::string("--") + name + " must be on or off");
    value = text == "on" ? 1 : 0;
}

void TakeSwitch(const Arguments& args, const char* name, bool& value)
{
    int number = value ? 1 : 0;
    TakeSwitch(args, name, number);
    value = number != 0;
}

void TakeIp(const Arguments& args, const char* name, IpAddress& value)
{
    if (!args.Has(name))
        return;
    const auto ip = ParseIp(args.Value(name));
    if (!ip)
        throw UsageError(std::string("--") + name + " must be an address A.B.C.D");
    value = *ip;
}

std::optional<Bytes> ReadParams(Context& context, ParamReadBack kind)
{
    HostExchange* exchange = context.Exchange();
    if (exchange == nullptr)
        return std::nullopt;
    return ExchangeSettingsHost(*exchange).ReadBackParams(kind);
}

// --- device parameters and frequencies ---------------------------------------------------------

Fields ParamFields(const MachineParams& p)
{
    return {{"room", p.room != 0 ? "on" : "off"},
            {"monitor", p.monitoring},
            {"monitorName", kMonitoringRange.Contains(p.monitoring)
                                ? kMonitoringNames[static_cast<std::size_t>(p.monitoring)]
                                : "?"},
            {"receiver", p.receiver},
            {"escalation", p.escalation != 0 ? "on" : "off"},
            {"time1", p.interval1},
            {"times1", p.count1},
            {"time2", p.interval2},
            {"times2", p.count2},
            {"mode", p.mode}};
}

int ParamsGet(Context& context, const Arguments& args)
{
    NoWords(args, "params get");
    const auto record = ReadParams(context, ParamReadBack::MachineParameters);
    const auto params = record
                            ? DecodeMachineRecord(*record, LoadMachineParams(context.Env().profile))
                            : std::nullopt;
    if (!params) {
        context.Prompter().Message("读取机器参数失败！");
        return kExitFailed;
    }
    return Print(context, ParamFields(*params));
}

int ParamsSet(Context& context, const Arguments& args)
{
    NoWords(args, "params set");
    MachineParams p = LoadMachineParams(context.Env().profile);
    TakeSwitch(args, "room", p.room);
    TakeInt(args, "monitor", kMonitoringRange, p.monitoring);
    TakeInt(args, "receiver", kReceiverRange, p.receiver);
    TakeSwitch(args, "escalation", p.escalation);
    TakeInt(args, "time1", kEscalationIntervalRange, p.interval1);
    TakeInt(args, "times1", kEscalationCountRange, p.count1);
    TakeInt(args, "time2", kEscalationIntervalRange, p.interval2);
    TakeInt(args, "times2", kEscalationCountRange, p.count2);
    TakeInt(args, "mode", kTransmitModeRange, p.mode);
    const std::string prompt = CheckMachineParams(p);
    if (!prompt.empty())
        throw UsageError("the remembered parameters are out of range: " + prompt);
    HostExchange* exchange = context.Exchange();
    return Status(exchange != nullptr &&
                  WriteMachineParameters(*exchange, context.Env().profile, p));
}

int FreqGet(Context& context, const Arguments& args)
{
    NoWords(args, "freq get");
    const auto record = ReadParams(context, ParamReadBack::Frequencies);
    const auto frequencies = record ? DecodeFrequencyRecord(*record) : std::nullopt;
    if (!frequencies) {
        context.Prompter().Message("读取频率参数失败！");
        return kExitFailed;
    }
    return Print(context, {{"tx", frequencies->tx}, {"rx", frequencies->rx}});
}

int FreqSet(Context& context, const Arguments& args)
{
    NoWords(args, "freq set");
    MachineParams p = LoadMachineParams(context.Env().profile);
    TakeInt(args, "tx", kFrequencyRange, p.txFrequency);
    TakeInt(args, "rx", kFrequencyRange, p.rxFrequency);
    if (!kFrequencyRange.Contains(p.txFrequency) || !kFrequencyRange.Contains(p.rxFrequency))
        throw UsageError("the remembered frequencies are out of range: " +
                         RangePrompt(kFrequencyRange));
    HostExchange* exchange = context.Exchange();
    return Status(exchange != nullptr && WriteFrequencies(*exchange, context.Env().profile, p));
}

Fields RateFields(const ReceiverTypeRates& r)
{
    return {{"numRate", r.numericRate},
            {"numPolarity", r.numericPolarity},
            {"charRate", r.charRate},
            {"charPolarity", r.charPolarity}};
}

int TypesRateGet(Context& context, const Arguments& args)
{
    NoWords(args, "types-rate get");
    Database* db = OpenDatabase(context);
    const auto rates = db != nullptr ? LoadReceiverTypeRates(*db) : std::nullopt;
    if (!rates) {
        context.Env().err << "cannot read the receiver types from the database\n";
        return kExitFailed;
    }
    return Print(context, RateFields(*rates));
}

int TypesRateSet(Context& context, const Arguments& args)
{
    NoWords(args, "types-rate set");
    Database* db = OpenDatabase(context);
    auto rates = db != nullptr ? LoadReceiverTypeRates(*db) : std::nullopt;
    if (!rates) {
        context.Env().err << "cannot read the receiver types from the database\n";
        return kExitFailed;
    }
    TakeInt(args, "num-rate", {0, 2}, rates->numericRate);
    TakeInt(args, "num-polarity", {0, 1}, rates->numericPolarity);
    TakeInt(args, "char-rate", {0, 2}, rates->charRate);
    TakeInt(args, "char-polarity", {0, 1}, rates->charPolarity);
    if (!SaveReceiverTypeRates(*db, *rates)) {
        context.Env().err << "cannot save the receiver types\n";
        return kExitFailed;
    }
    return kExitOk;
}

// --- network -----------------------------------------------------------------------------------

Fields NetFields(const NetworkParams& p)
{
    if (!p.enabled)
        return {{"network", "off"}};
    return {{"network", "on"},
            {"role", p.role == NetworkParams::kNetworkHost ? "host" : "slave"},
            {"id", p.id},
            {"ip", FormatIp(p.ip)},
            {"port", p.port},
            {"mac", p.mac},
            {"mask", FormatIp(p.mask)},
            {"gateway", FormatIp(p.gateway)},
            {"reconnect", p.reconnectSeconds},
            {"validity", p.validityMinutes},
            {"hostIp", FormatIp(p.hostIp)},
            {"hostPort", p.hostPort}};
}

int NetGet(Context& context, const Arguments& args)
{
    NoWords(args, "net get");
    HostExchange* exchange = context.Exchange();
    const auto record = exchange != nullptr ? ReadBackNetworkRecord(*exchange) : std::nullopt;
    NetworkParams p;
    if (!record || !ApplyNetworkRecord(*record, p)) {
        context.Prompter().Message("读取网络参数失败！");
        return kExitFailed;
    }
    return Print(context, NetFields(p));
}

int NetSet(Context& context, const Arguments& args)
{
    NoWords(args, "net set");
    // The network set-up is not remembered anywhere: it starts from the defaults.
    NetworkParams p;
    if (args.Has("off"))
        p.enabled = false;
    if (args.Has("role")) {
        const std::string role = args.Value("role");
        if (role != "host" && role != "slave")
            throw UsageError("--role must be host or slave");
        p.role = role == "host" ? NetworkParams::kNetworkHost : NetworkParams::kNetworkSlave;
    }
    TakeInt(args, "id", kNetworkIdRange, p.id);
    TakeIp(args, "ip", p.ip);
    TakeInt(args, "port", kPortRange, p.port);
    if (args.Has("mac"))
        p.mac = args.Value("mac");
    TakeIp(args, "mask", p.mask);
    TakeIp(args, "gateway", p.gateway);
    TakeInt(args, "reconnect", kReconnectRange, p.reconnectSeconds);
    TakeInt(args, "validity", kValidityRange, p.validityMinutes);
    TakeIp(args, "host-ip", p.hostIp);
    TakeInt(args, "host-port", kPortRange, p.hostPort);
    p.mac = NormaliseMac(p.mac);
    const std::string prompt = CheckNetworkParams(p);
    if (!prompt.empty())
        throw UsageError(prompt);
    HostExchange* exchange = context.Exchange();
    return Status(exchange != nullptr && SendNetworkRecord(*exchange, BuildNetworkRecord(p)));
}

// --- receiver alerts ---------------------------------------------------------------------------

int Lw3Get(Context& context, const Arguments& args)
{
    NoWords(args, "lw3 get");
    const auto record = ReadParams(context, ParamReadBack::Lw3);
    const auto s = record ? DecodeLw3Record(*record) : std::nullopt;
    if (!s) {
        context.Prompter().Message("读取LW3参数失败！");
        return kExitFailed;
    }
    return Print(context, {{"shake", s->shake},
                           {"ring", s->ring},
                           {"shine", s->shine},
                           {"interval", s->interval},
                           {"method", s->method}});
}

int Lw3Set(Context& context, const Arguments& args)
{
    NoWords(args, "lw3 set");
    Lw3Settings s = LoadLw3Settings(context.Env().profile);
    TakeInt(args, "shake", kAlertCountRange, s.shake);
    TakeInt(args, "ring", kAlertCountRange, s.ring);
    TakeInt(args, "shine", kAlertCountRange, s.shine);
    TakeInt(args, "interval", kAlertIntervalRange, s.interval);
    TakeInt(args, "method", kAlertMethodRange, s.method);
    const std::string prompt = CheckLw3Settings(s);
    if (!prompt.empty())
        throw UsageError("the remembered LW3 settings are out of range: " + prompt);
    HostExchange* exchange = context.Exchange();
    return Status(exchange != nullptr && WriteLw3Settings(*exchange, context.Env().profile, s));
}

int Lw21Get(Context& context, const Arguments& args)
{
    NoWords(args, "lw21 get");
    const auto record = ReadParams(context, ParamReadBack::Lw21);
    const auto s = record ? DecodeLw21Record(*record) : std::nullopt;
    if (!s) {
        context.Prompter().Message("读取LW2/1参数失败！");
        return kExitFailed;
    }
    return Print(context, {{"count", s->count}, {"interval", s->interval}, {"method", s->method}});
}

int Lw21Set(Context& context, const Arguments& args)
{
    NoWords(args, "lw21 set");
    Lw21Settings s = LoadLw21Settings(context.Env().profile);
    TakeInt(args, "count", kAlertCountRange, s.count);
    TakeInt(args, "interval", kAlertIntervalRange, s.interval);
    TakeInt(args, "method", kAlertMethodRange, s.method);
    const std::string prompt = CheckLw21Settings(s);
    if (!prompt.empty())
        throw UsageError("the remembered LW2/LW1 settings are out of range: " + prompt);
    HostExchange* exchange = context.Exchange();
    return Status(exchange != nullptr && WriteLw21Settings(*exchange, context.Env().profile, s));
}

// --- handheld modes ----------------------------------------------------------------------------

Fields ModeFields(const HandheldMode& m)
{
    return {{"on", m.enabled ? "on" : "off"},
            {"num", m.numberToChinese ? "on" : "off"},
            {"prefix", m.prefix},
            {"suffix", m.suffix}};
}

int HandheldGet(Context& context, const Arguments& args)
{
    NoWords(args, "handheld-settings get");
    HostExchange* exchange = context.Exchange();
    const auto s = exchange != nullptr ? ReadBackHandheldSettings(*exchange) : std::nullopt;
    if (!s)
        return kExitFailed;
    if (context.Options().json)
        return Print(context,
                     {{"hurry", ModeFields(s->hurry)}, {"dispatch", ModeFields(s->dispatch)}});
    Fields flat;
    for (const auto& [name, mode] :
         {std::pair{"hurry", &s->hurry}, std::pair{"dispatch", &s->dispatch}}) {
        // The fields must outlive the loop over them: items() only refers to them.
        const Fields fields = ModeFields(*mode);
        for (const auto& [key, value] : fields.items())
            flat[std::string(name) + (key == "on" ? "" : "-" + key)] = value;
    }
    return Print(context, flat);
}

int HandheldSet(Context& context, const Arguments& args)
{
    NoWords(args, "handheld-settings set");
    HandheldSettings s = LoadHandheldSettings(context.Env().profile);
    const auto take = [&args](const std::string& name, HandheldMode& mode) {
        TakeSwitch(args, name.c_str(), mode.enabled);
        TakeSwitch(args, (name + "-num").c_str(), mode.numberToChinese);
        if (args.Has(name + "-prefix"))
            mode.prefix = args.Value(name + "-prefix");
        if (args.Has(name + "-suffix"))
            mode.suffix = args.Value(name + "-suffix");
    };
    take("hurry", s.hurry);
    take("dispatch", s.dispatch);
    const std::string problem = CheckHandheldSettings(s);
    if (!problem.empty())
        throw UsageError(problem);
    HostExchange* exchange = context.Exchange();
    return Status(exchange != nullptr &&
                  DownloadHandheldSettings(*exchange, context.Env().profile, s));
}

} // namespace

void AddSettingsCommands(std::vector<CommandSpec>& commands)
{
    commands.push_back(
        {"params get", "", "read the device parameters back from the host", {}, {}, ParamsGet});
    commands.push_back({"params set",
                        "[--room on|off] [--monitor 0-3] [--receiver N] [--escalation on|off] "
                        "[--time1 S] [--times1 N] [--time2 S] [--times2 N] [--mode 0|1]",
                        "write the device parameters (from the remembered ones)",
                        {"room", "monitor", "receiver", "escalation", "time1", "times1", "time2",
                         "times2", "mode"},
                        {},
                        ParamsSet});
    commands.push_back(
        {"freq get", "", "read the radio frequencies (kHz) back from the host", {}, {}, FreqGet});
    commands.push_back({"freq set",
                        "[--tx KHZ] [--rx KHZ]",
                        "write the radio frequencies, 230000 to 930000 kHz",
                        {"tx", "rx"},
                        {},
                        FreqSet});
    commands.push_back({"types-rate get",
                        "",
                        "print the baud-rate and polarity indexes of the numeric and character "
                        "receiver types",
                        {},
                        {},
                        TypesRateGet});
    commands.push_back({"types-rate set",
                        "[--num-rate 0-2] [--num-polarity 0-1] [--char-rate 0-2] "
                        "[--char-polarity 0-1]",
                        "store them (rate 0 = 512, 1 = 1200, 2 = 2400; polarity 0 = +, 1 = -)",
                        {"num-rate", "num-polarity", "char-rate", "char-polarity"},
                        {},
                        TypesRateSet});
    commands.push_back(
        {"net get", "", "read the network set-up back from the host", {}, {}, NetGet});
    commands.push_back({"net set",
                        "[--off] [--role host|slave] [--id N] [--ip A.B.C.D] [--port N] "
                        "[--mac HEX12] [--mask A.B.C.D] [--gateway A.B.C.D] [--reconnect S] "
                        "[--validity M] [--host-ip A.B.C.D] [--host-port N]",
                        "write the network set-up (from the defaults)",
                        {"role", "id", "ip", "port", "mac", "mask", "gateway", "reconnect",
                         "validity", "host-ip", "host-port"},
                        {"off"},
                        NetSet});
    commands.push_back(
        {"lw3 get", "", "read the LW3 alert settings back from the host", {}, {}, Lw3Get});
    commands.push_back({"lw3 set",
                        "[--shake N] [--ring N] [--shine N] [--interval N] [--method 0-7]",
                        "write the LW3 alert settings (method: 1 vibrate + 2 ring + 4 light)",
                        {"shake", "ring", "shine", "interval", "method"},
                        {},
                        Lw3Set});
    commands.push_back(
        {"lw21 get", "", "read the LW2/LW1 alert settings back from the host", {}, {}, Lw21Get});
    commands.push_back({"lw21 set",
                        "[--count N] [--interval N] [--method 0-7]",
                        "write the LW2/LW1 alert settings",
                        {"count", "interval", "method"},
                        {},
                        Lw21Set});
    commands.push_back({"handheld-settings get",
                        "",
                        "read the handheld callers' modes back from the host",
                        {},
                        {},
                        HandheldGet});
    commands.push_back({"handheld-settings set",
                        "[--hurry on|off] [--hurry-num on|off] [--hurry-prefix T] "
                        "[--hurry-suffix T] [--dispatch on|off] [--dispatch-num on|off] "
                        "[--dispatch-prefix T] [--dispatch-suffix T]",
                        "download the handheld callers' modes",
                        {"hurry", "hurry-num", "hurry-prefix", "hurry-suffix", "dispatch",
                         "dispatch-num", "dispatch-prefix", "dispatch-suffix"},
                        {},
                        HandheldSet});
}

} // namespace px::cli
