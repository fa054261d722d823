#pragma once

#include "cli/CliApp.h"
#include "cli/CliPorts.h"
#include "common/Hex.h"
#include "hostlink/HostExchange.h"
#include "session/Workspace.h"
#include "sim/SimHostSession.h"
#include "storage/ConfigFiles.h"
#include "storage/Database.h"

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace px::cli {

// The arguments of one command: positional words, options with a value, flags.
struct Arguments
{
    std::vector<std::string> words;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    // Every value of an option that may be given more than once, in order.
    std::map<std::string, std::vector<std::string>> repeated;

    bool Has(const std::string& name) const
    {
        return values.contains(name) || flags.contains(name);
    }
    std::string Value(const std::string& name, const std::string& def = {}) const
    {
        const auto it = values.find(name);
        return it != values.end() ? it->second : def;
    }
    std::vector<std::string> All(const std::string& name) const
    {
        const auto it = repeated.find(name);
        return it != repeated.end() ? it->second : std::vector<std::string>();
    }
};

struct GlobalOptions
{
    SharedOptions shared; // --data-dir, --host, --model: as the window takes them
    bool yes = false;
    bool json = false;
};

class UsageError
{
public:
    explicit UsageError(std::string text) : text_(std::move(text)) {}
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// What a command works with; the host is opened the first time a command needs it, and a
// simulated host's folder is saved when the command ends.
class Context
{
public:
    Context(Environment& env, GlobalOptions options);
    ~Context();

    Environment& Env() { return env_; }
    const GlobalOptions& Options() const { return options_; }
    ::px::Prompter& Prompter() { return prompter_; }
    // Prints what the action has to tell; the exit status of its outcome.
    int Told(const Outcome& outcome)
    {
        outcome.notices.ShowWith(prompter_);
        return outcome.ok ? kExitOk : kExitFailed;
    }

    // The data folder, ending with '/', with its database created when missing.
    std::optional<std::string> DataFolder();
    // The data folder's database, opened and checked once for the command; nothing after a
    // message when it cannot be used.
    Database* OpenedDatabase();

    bool IsSimulated() const { return workspace_.IsSimulated(); }
    // The simulated host's folder session (only with --host sim:DIR).
    SimHostSession* Sim();
    // The exchange with the host, taken for this command.
    HostExchange* Exchange();
    // The model of the connected host, looked for now.
    HostModel HostModelNow();

    // Saves what a simulated host still holds back; false with a message when its folder could
    // not be read or written during the command. A command that failed because of the database
    // gets the database's own reason said, unless it was said already.
    bool Finish(int status);

private:
    Environment& env_;
    GlobalOptions options_;
    CliPrompter prompter_;
    CliProgress progress_;
    NullDataMonitor monitor_;
    NullEventPump pump_;
    Workspace workspace_;
    bool databaseChecked_ = false;
    std::unique_ptr<HostLink> link_;
    std::unique_ptr<HostExchange> exchange_;
    std::optional<HostExchange::Lock> lock_;
};

using Handler = int (*)(Context& context, const Arguments& args);

struct CommandSpec
{
    std::string name;  // "version", "sim status", ...
    std::string usage; // argument synopsis
    const char* help;  // one line
    std::set<std::string> valueOptions;
    std::set<std::string> flagOptions;
    Handler handler;
    std::string details = {}; // more lines for the help, each printed on its own
};

// Commands by area; each file adds its own.
void AddHostCommands(std::vector<CommandSpec>& commands);
void AddSimCommands(std::vector<CommandSpec>& commands);
void AddFileCommands(std::vector<CommandSpec>& commands);
void AddRegistryCommands(std::vector<CommandSpec>& commands);
void AddReadBackCommands(std::vector<CommandSpec>& commands);
void AddSettingsCommands(std::vector<CommandSpec>& commands);
void AddConfigCommands(std::vector<CommandSpec>& commands);
void AddSheetCommands(std::vector<CommandSpec>& commands);
void AddClassicCommands(std::vector<CommandSpec>& commands);

// Helpers for the handlers.
// The data folder's database, open; nothing after a message.
Database* OpenDatabase(Context& context);
// The open database and the configuration file named by --file (a usage error without it);
// nothing after a message that says whether the file does not exist or the database could not
// be read.
struct FileContext
{
    Database* db;
    ConfigFile file;
};
std::optional<FileContext> OpenFile(Context& context, const Arguments& args);
// Says why a configuration file could not be found: the database's failure, or that there is
// no file of that name.
void ReportMissingFile(Context& context, Database& db, const std::string& name);
// A usage error unless the command got exactly that many words.
void RequireWords(const Arguments& args, std::size_t count, const char* usage);
int ParseIntOr(const std::string& text, int low, int high, const char* what);
std::string Hex(const std::vector<std::uint8_t>& bytes);
// Prints a JSON value on one line of standard output. A text from the database that is not
// UTF-8 shows with replacement characters instead of stopping the command.
void PrintJson(Context& context, const nlohmann::json& value);

} // namespace px::cli
