#include "cli/CliApp.h"

#include "cli/CliContext.h"
#include "common/BuildInfo.h"
#include "common/Gbk.h"
#include "common/Hex.h"
#include "session/DataFolder.h"
#include "storage/Database.h"
#include "storage/Schema.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace px::cli {

namespace {

std::vector<CommandSpec> AllCommands()
{
    std::vector<CommandSpec> commands;
    AddHostCommands(commands);
    AddSimCommands(commands);
    AddFileCommands(commands);
    AddRegistryCommands(commands);
    AddReadBackCommands(commands);
    AddSettingsCommands(commands);
    AddConfigCommands(commands);
    AddSheetCommands(commands);
    AddClassicCommands(commands);
    return commands;
}

void PrintDetails(std::ostream& out, const CommandSpec& command, const std::string& indent)
{
    std::size_t at = 0;
    while (at < command.details.size()) {
        const std::size_t end = command.details.find('\n', at);
        out << indent << command.details.substr(at, end - at) << '\n';
        at = end == std::string::npos ? end : end + 1;
    }
}

void PrintHelp(std::ostream& out, const std::vector<CommandSpec>& commands,
               const std::string& prefix)
{
    out << "Usage: pxctl " << kSharedOptionsSynopsis
        << " [--yes] [--json] COMMAND [ARGS]\n\n"
           "Exit status: 0 success; 1 the operation failed (the host refused or did not answer, a\n"
           "limit was reached, the database could not be used); 2 the command line is wrong\n"
           "(unknown command or option, a missing or malformed argument, a value out of its "
           "range,\n"
           "text that is not UTF-8). A refused command line writes nothing.\n\n"
           "Commands:\n";
    for (const CommandSpec& c : commands) {
        if (!prefix.empty() && std::string(c.name).rfind(prefix, 0) != 0)
            continue;
        std::string line = std::string("  ") + c.name + (c.usage.empty() ? "" : " ") + c.usage;
        out << line << '\n' << "      " << c.help << '\n';
        PrintDetails(out, c, "        ");
    }
}

Arguments ParseCommandArguments(const CommandSpec& spec, const std::vector<std::string>& words)
{
    Arguments args;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.size() > 2 && word.rfind("--", 0) == 0) {
            std::string name = word.substr(2);
            std::string value;
            const auto eq = name.find('=');
            const bool inlineValue = eq != std::string::npos;
            if (inlineValue) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
            if (spec.valueOptions.contains(name)) {
                if (!inlineValue) {
                    if (i + 1 >= words.size())
                        throw UsageError("--" + name + " needs a value");
                    value = words[++i];
                }
                args.values[name] = value;
                args.repeated[name].push_back(value);
            } else if (spec.flagOptions.contains(name) && !inlineValue) {
                args.flags.insert(name);
            } else {
                throw UsageError("unknown option --" + name + " for '" + spec.name + "'");
            }
        } else {
            args.words.push_back(word);
        }
    }
    return args;
}

} // namespace

int ParseIntOr(const std::string& text, int low, int high, const char* what)
{
    int value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || value < low ||
        value > high) {
        throw UsageError(std::string(what) + " must be a whole number from " + std::to_string(low) +
                         " to " + std::to_string(high) + ", not '" + text + "'");
    }
    return value;
}

Database* OpenDatabase(Context& context)
{
    return context.OpenedDatabase();
}

void ReportMissingFile(Context& context, Database& db, const std::string& name)
{
    context.Prompter().Message(FileNotFoundMessage(db, name));
}

std::optional<FileContext> OpenFile(Context& context, const Arguments& args)
{
    if (!args.Has("file"))
        throw UsageError("--file NAME is needed");
    Database* db = OpenDatabase(context);
    if (db == nullptr)
        return std::nullopt;
    auto file = FindConfigFile(*db, args.Value("file"));
    if (!file) {
        ReportMissingFile(context, *db, args.Value("file"));
        return std::nullopt;
    }
    return FileContext{db, std::move(*file)};
}

void RequireWords(const Arguments& args, std::size_t count, const char* usage)
{
    if (args.words.size() != count)
        throw UsageError(std::string("usage: pxctl ") + usage);
}

void PrintJson(Context& context, const nlohmann::json& value)
{
    context.Env().out << value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                      << '\n';
}

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    return HexString(bytes);
}

// ---------------------------------------------------------------------------------------------

namespace {

// The shared options with the default data folder filled in when none was named.
SharedOptions WithDataFolder(SharedOptions options, Environment& env)
{
    if (options.dataDir.empty() && env.defaultDataFolder)
        options.dataDir = env.defaultDataFolder();
    return options;
}

} // namespace

Context::Context(Environment& env, GlobalOptions options)
    : env_(env), options_(std::move(options)), prompter_(env.err, options_.yes),
      progress_(env.err, env.terminal), workspace_(WithDataFolder(options_.shared, env))
{}

Context::~Context() = default;

std::optional<std::string> Context::DataFolder()
{
    if (workspace_.Options().dataDir.empty()) {
        env_.err << "cannot find or create a data folder; use --data-dir\n";
        return std::nullopt;
    }
    std::string error;
    if (!workspace_.PrepareFolder(error)) {
        env_.err << error << '\n';
        return std::nullopt;
    }
    return workspace_.DataFolder();
}

Database* Context::OpenedDatabase()
{
    if (databaseChecked_)
        return &workspace_.Db();
    if (!DataFolder())
        return nullptr;
    Database& db = workspace_.Db();
    db.SetBusyTimeout(env_.databaseBusyMs);
    if (!workspace_.Open()) {
        const auto failure = db.TakeFailure();
        env_.err << DescribeDatabaseFailure(failure.value_or(DatabaseFailure{}), db.Path()) << '\n';
        return nullptr;
    }
    std::string error;
    if (!CheckDatabase(db, error)) {
        env_.err << error << '\n';
        return nullptr;
    }
    databaseChecked_ = true;
    return &db;
}

SimHostSession* Context::Sim()
{
    if (!IsSimulated())
        return nullptr;
    std::string error;
    SimHostSession* sim = workspace_.Sim(error);
    if (sim == nullptr)
        env_.err << "simulated host: " << error << '\n';
    return sim;
}

HostModel Context::HostModelNow()
{
    HostExchange* exchange = Exchange();
    if (exchange == nullptr)
        return HostModel::None;
    exchange->Link().FindHost();
    return exchange->Link().GetHostModel();
}

HostExchange* Context::Exchange()
{
    if (exchange_)
        return exchange_.get();
    const auto folder = DataFolder();
    if (!folder)
        return nullptr;
    std::string error;
    HidBackend* backend = workspace_.Backend(error);
    if (backend == nullptr) {
        env_.err << "simulated host: " << error << '\n';
        return nullptr;
    }
    link_ = std::make_unique<HostLink>(*backend, env_.clock, pump_);
    exchange_ = std::make_unique<HostExchange>(*link_, env_.clock, monitor_, progress_, *folder);
    lock_ = exchange_->Begin();
    return exchange_.get();
}

bool Context::Finish(int status)
{
    // Whatever the link or the exchange still has to tell (a host found but not opened while
    // the model was asked, say) is told before the command ends.
    if (exchange_)
        exchange_->TakeNotices().ShowWith(prompter_);
    Database& db = workspace_.Db();
    if (status != kExitOk && db.IsOpen()) {
        if (const auto failure = db.TakeFailure())
            env_.err << DescribeDatabaseFailure(*failure, db.Path()) << '\n';
    }
    std::string error;
    if (!workspace_.FlushSimulatedHost(error)) {
        env_.err << "simulated host: " << error << '\n';
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

int Run(const std::vector<std::string>& args, Environment& env)
{
    const std::vector<CommandSpec> commands = AllCommands();
    GlobalOptions options;
    std::vector<std::string> rest;
    bool help = false;
    try {
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (!IsValidUtf8(args[i]) || args[i].find('\0') != std::string::npos)
                throw UsageError("argument " + std::to_string(i + 1) +
                                 " is not valid UTF-8 text; nothing was done");
        }
        bool commandSeen = false;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string& word = args[i];
            // Options with a value are global only before the command: after it they are the
            // command's own (file new NAME --model qx).
            if (IsSharedOption(word) && !commandSeen) {
                if (i + 1 >= args.size())
                    throw UsageError(word + " needs a value");
                if (const auto refused = TakeSharedOption(options.shared, word, args[++i]))
                    throw UsageError(*refused);
            } else if (word == "--yes") {
                options.yes = true;
            } else if (word == "--json") {
                options.json = true;
            } else if (word == "--help" || word == "-h") {
                help = true;
            } else if (word == "--version") {
                env.out << "pxctl " << kProgramVersion << '\n';
                return kExitOk;
            } else {
                commandSeen = commandSeen || word.rfind("--", 0) != 0;
                rest.push_back(word);
            }
        }

        // The longest command name that the words start with.
        const CommandSpec* spec = nullptr;
        std::size_t used = 0;
        for (const CommandSpec& c : commands) {
            std::vector<std::string> nameWords;
            std::string name = c.name;
            for (std::size_t at = 0; at != std::string::npos;) {
                const auto space = name.find(' ', at);
                nameWords.push_back(
                    name.substr(at, space == std::string::npos ? space : space - at));
                at = space == std::string::npos ? space : space + 1;
            }
            if (nameWords.size() <= rest.size() &&
                std::equal(nameWords.begin(), nameWords.end(), rest.begin()) &&
                nameWords.size() > used) {
                spec = &c;
                used = nameWords.size();
            }
        }
        if (spec == nullptr) {
            if (help || rest.empty()) {
                PrintHelp(help ? env.out : env.err, commands, rest.empty() ? "" : rest[0]);
                return help ? kExitOk : kExitUsage;
            }
            throw UsageError("unknown command '" + rest[0] + "'");
        }
        if (help) {
            env.out << "Usage: pxctl " << spec->name << ' ' << spec->usage << '\n'
                    << spec->help << '\n';
            PrintDetails(env.out, *spec, "  ");
            return kExitOk;
        }
        const Arguments arguments = ParseCommandArguments(
            *spec,
            std::vector<std::string>(rest.begin() + static_cast<std::ptrdiff_t>(used), rest.end()));
        // A data folder given on the command line keeps its own settings, as the window does.
        std::unique_ptr<Profile> folderProfile;
        if (!options.shared.dataDir.empty() && env.folderProfile)
            folderProfile = env.folderProfile(options.shared.dataDir);
        Environment commandEnv{env.out,
                               env.err,
                               env.terminal,
                               folderProfile ? *folderProfile : env.profile,
                               env.clock,
                               env.defaultDataFolder,
                               env.folderProfile,
                               env.sheetProgram,
                               env.classicReaderProgram,
                               env.databaseBusyMs};
        Context context(commandEnv, options);
        int status = spec->handler(context, arguments);
        if (!context.Finish(status) && status == kExitOk)
            status = kExitFailed;
        return status;
    } catch (const UsageError& error) {
        env.err << "pxctl: " << error.Text() << "\n(see pxctl --help)\n";
        return kExitUsage;
    }
}

} // namespace px::cli
