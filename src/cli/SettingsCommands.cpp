// Host settings: device parameters, frequencies, receiver types, network, receiver alerts and
// handheld modes. Each has get (read back from the host, or the database) and set (from what
// the profile remembers, changing only the options given). What the options and the printed
// names are comes from each record's field table.

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

void NoWords(const Arguments& args, const char* command)
{
    if (!args.words.empty())
        throw UsageError(std::string("'") + command + "' takes options only");
}

Fields ToJson(const std::vector<PrintedField>& printed, bool byOption = false)
{
    Fields fields = Fields::object();
    for (const PrintedField& field : printed) {
        Fields& value = fields[byOption ? field.option : field.name];
        std::visit([&value](const auto& v) { value = v; }, field.value);
    }
    return fields;
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

// The options given on the command line into the record; a usage error names the first that
// cannot be taken.
template <typename Record>
void TakeGiven(const Arguments& args, const FieldTable<Record>& table, Record& record,
               FieldScope scope = {})
{
    const std::string problem =
        TakeOptions(table, GivenOptions{args.values, args.flags}, record, scope);
    if (!problem.empty())
        throw UsageError(problem);
}

template <typename Record>
CommandSpec SetCommand(std::string name, const FieldTable<Record>& table, const char* help,
                       Handler handler)
{
    FieldOptions options;
    AddOptions(table, options);
    return {std::move(name), UsageLine(table), help, options.values, options.flags, handler};
}

// --- records read back through machine.txt and written from the profile -----------------------

template <typename Record> struct RememberedRecord
{
    using Decode = std::optional<Record> (*)(std::span<const std::uint8_t> bytes,
                                             const Record& base);
    using Write = Outcome (*)(HostExchange& exchange, Profile& profile, const Record& values);
    using Load = Record (*)(const Profile& profile);
    using Check = std::string (*)(const Record& values);

    const char* name;          // "lw3": the commands "lw3 get" and "lw3 set"
    FieldTable<Record> fields; // what get prints and set takes
    ParamReadBack readBack;
    const char* readFailure;  // said when the read-back gave nothing
    const char* rangeFailure; // before the prompt for a remembered value out of range
    Decode decode;
    Write write;
    Load load = nullptr;   // null: the table's fields alone
    Check check = nullptr; // null: the table's ranges
};

// A record that holds every field of its table needs nothing to decode over.
template <typename Record, std::optional<Record> (*decode)(std::span<const std::uint8_t>)>
std::optional<Record> Whole(std::span<const std::uint8_t> bytes, const Record&)
{
    return decode(bytes);
}

// The parameter command checks the remembered frequencies too, as the dialog does.
const RememberedRecord<MachineParams> kParams{"params",
                                              kParameterFields,
                                              ParamReadBack::MachineParameters,
                                              "读取机器参数失败！",
                                              "the remembered parameters are out of range: ",
                                              DecodeMachineRecord,
                                              WriteMachineParameters,
                                              LoadMachineParams,
                                              CheckMachineParams};
const RememberedRecord<MachineParams> kFrequencies{"freq",
                                                   kFrequencyFields,
                                                   ParamReadBack::Frequencies,
                                                   "读取频率参数失败！",
                                                   "the remembered frequencies are out of range: ",
                                                   DecodeFrequencyRecord,
                                                   WriteFrequencies};
const RememberedRecord<Lw3Settings> kLw3{"lw3",
                                         kLw3Fields,
                                         ParamReadBack::Lw3,
                                         "读取LW3参数失败！",
                                         "the remembered LW3 settings are out of range: ",
                                         Whole<Lw3Settings, DecodeLw3Record>,
                                         WriteLw3Settings};
const RememberedRecord<Lw21Settings> kLw21{"lw21",
                                           kLw21Fields,
                                           ParamReadBack::Lw21,
                                           "读取LW2/1参数失败！",
                                           "the remembered LW2/LW1 settings are out of range: ",
                                           Whole<Lw21Settings, DecodeLw21Record>,
                                           WriteLw21Settings};

template <typename Record> Record Load(const RememberedRecord<Record>& r, const Profile& profile)
{
    return r.load != nullptr ? r.load(profile) : Remembered(r.fields, profile);
}

template <const auto& r> int GetRemembered(Context& context, const Arguments& args)
{
    NoWords(args, (std::string(r.name) + " get").c_str());
    HostExchange* exchange = context.Exchange();
    if (exchange == nullptr)
        return kExitFailed;
    const Reading<Bytes> bytes = ExchangeSettingsHost(*exchange).ReadBackParams(r.readBack);
    bytes.notices.ShowWith(context.Prompter());
    const auto values =
        bytes.value ? r.decode(*bytes.value, Load(r, context.Env().profile)) : std::nullopt;
    if (!values) {
        context.Prompter().Message(r.readFailure);
        return kExitFailed;
    }
    return Print(context, ToJson(PrintFields(r.fields, *values)));
}

template <const auto& r> int SetRemembered(Context& context, const Arguments& args)
{
    NoWords(args, (std::string(r.name) + " set").c_str());
    auto values = Load(r, context.Env().profile);
    TakeGiven(args, r.fields, values);
    const std::string prompt = r.check != nullptr ? r.check(values) : CheckFields(r.fields, values);
    if (!prompt.empty())
        throw UsageError(r.rangeFailure + prompt);
    HostExchange* exchange = context.Exchange();
    return exchange != nullptr ? context.Told(r.write(*exchange, context.Env().profile, values))
                               : kExitFailed;
}

template <const auto& r>
void AddRemembered(std::vector<CommandSpec>& commands, const char* readHelp, const char* writeHelp)
{
    const std::string name = r.name;
    commands.push_back({name + " get", "", readHelp, {}, {}, GetRemembered<r>});
    commands.push_back(SetCommand(name + " set", r.fields, writeHelp, SetRemembered<r>));
}

// --- receiver types, in the database -----------------------------------------------------------

std::optional<ReceiverTypeRates> ReadRates(Context& context, Database* db)
{
    auto rates = db != nullptr ? LoadReceiverTypeRates(*db) : std::nullopt;
    if (!rates)
        context.Env().err << "cannot read the receiver types from the database\n";
    return rates;
}

int TypesRateGet(Context& context, const Arguments& args)
{
    NoWords(args, "types-rate get");
    const auto rates = ReadRates(context, OpenDatabase(context));
    if (!rates)
        return kExitFailed;
    return Print(context, ToJson(PrintFields(kReceiverTypeRateFields, *rates)));
}

int TypesRateSet(Context& context, const Arguments& args)
{
    NoWords(args, "types-rate set");
    Database* db = OpenDatabase(context);
    auto rates = ReadRates(context, db);
    if (!rates)
        return kExitFailed;
    TakeGiven(args, kReceiverTypeRateFields, *rates);
    if (!SaveReceiverTypeRates(*db, *rates)) {
        context.Env().err << "cannot save the receiver types\n";
        return kExitFailed;
    }
    return kExitOk;
}

// --- network -----------------------------------------------------------------------------------

int NetGet(Context& context, const Arguments& args)
{
    NoWords(args, "net get");
    HostExchange* exchange = context.Exchange();
    if (exchange == nullptr)
        return kExitFailed;
    const Reading<Bytes> record = ReadBackNetworkRecord(*exchange);
    record.notices.ShowWith(context.Prompter());
    NetworkParams p;
    if (!record.value || !ApplyNetworkRecord(*record.value, p)) {
        context.Prompter().Message("读取网络参数失败！");
        return kExitFailed;
    }
    return Print(context, ToJson(PrintNetworkFields(p)));
}

int NetSet(Context& context, const Arguments& args)
{
    NoWords(args, "net set");
    // The network set-up is not remembered anywhere: it starts from the defaults.
    NetworkParams p;
    TakeGiven(args, kNetworkFields, p);
    const std::string prompt = CheckNetworkParams(p);
    if (!prompt.empty())
        throw UsageError(prompt);
    HostExchange* exchange = context.Exchange();
    return exchange != nullptr ? context.Told(SendNetworkRecord(*exchange, BuildNetworkRecord(p)))
                               : kExitFailed;
}

// --- handheld modes ----------------------------------------------------------------------------

int HandheldGet(Context& context, const Arguments& args)
{
    NoWords(args, "handheld-settings get");
    HostExchange* exchange = context.Exchange();
    if (exchange == nullptr)
        return kExitFailed;
    const Reading<HandheldSettings> read = ReadBackHandheldSettings(*exchange);
    read.notices.ShowWith(context.Prompter());
    if (!read.value)
        return kExitFailed;
    const HandheldSettings& s = *read.value;
    // JSON nests each mode under its name; lines name each value by its option.
    Fields fields = Fields::object();
    for (const auto& [mode, scope] : kHandheldModes) {
        const auto printed = PrintFields(kHandheldModeFields, s.*mode, scope);
        if (context.Options().json)
            fields[std::string(scope.optionPrefix)] = ToJson(printed);
        else
            fields.update(ToJson(printed, true));
    }
    return Print(context, fields);
}

int HandheldSet(Context& context, const Arguments& args)
{
    NoWords(args, "handheld-settings set");
    HandheldSettings s = LoadHandheldSettings(context.Env().profile);
    for (const auto& [mode, scope] : kHandheldModes)
        TakeGiven(args, kHandheldModeFields, s.*mode, scope);
    const std::string problem = CheckHandheldSettings(s);
    if (!problem.empty())
        throw UsageError(problem);
    HostExchange* exchange = context.Exchange();
    return exchange != nullptr
               ? context.Told(DownloadHandheldSettings(*exchange, context.Env().profile, s))
               : kExitFailed;
}

CommandSpec HandheldSetCommand()
{
    CommandSpec spec{
        "handheld-settings set", "", "download the handheld callers' modes", {}, {}, HandheldSet};
    FieldOptions options;
    for (const auto& part : kHandheldModes) {
        AddOptions(kHandheldModeFields, options, part.scope);
        spec.usage += (spec.usage.empty() ? "" : " ") + UsageLine(kHandheldModeFields, part.scope);
    }
    spec.valueOptions = options.values;
    spec.flagOptions = options.flags;
    return spec;
}

} // namespace

void AddSettingsCommands(std::vector<CommandSpec>& commands)
{
    AddRemembered<kParams>(commands, "read the device parameters back from the host",
                           "write the device parameters (from the remembered ones)");
    AddRemembered<kFrequencies>(commands, "read the radio frequencies (kHz) back from the host",
                                "write the radio frequencies, 230000 to 930000 kHz");
    commands.push_back({"types-rate get",
                        "",
                        "print the baud-rate and polarity indexes of the numeric and character "
                        "receiver types",
                        {},
                        {},
                        TypesRateGet});
    commands.push_back(SetCommand(
        "types-rate set", kReceiverTypeRateFields,
        "store them (rate 0 = 512, 1 = 1200, 2 = 2400; polarity 0 = +, 1 = -)", TypesRateSet));
    commands.push_back(
        {"net get", "", "read the network set-up back from the host", {}, {}, NetGet});
    commands.push_back(SetCommand("net set", kNetworkFields,
                                  "write the network set-up (from the defaults)", NetSet));
    AddRemembered<kLw3>(commands, "read the LW3 alert settings back from the host",
                        "write the LW3 alert settings (method: 1 vibrate + 2 ring + 4 light)");
    AddRemembered<kLw21>(commands, "read the LW2/LW1 alert settings back from the host",
                         "write the LW2/LW1 alert settings");
    commands.push_back({"handheld-settings get",
                        "",
                        "read the handheld callers' modes back from the host",
                        {},
                        {},
                        HandheldGet});
    commands.push_back(HandheldSetCommand());
}

} // namespace px::cli
