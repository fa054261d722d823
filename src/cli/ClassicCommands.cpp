// Importing a site library from the classic tool's Jet database.

#include "classic/ClassicImport.h"
#include "cli/CliContext.h"

namespace px::cli {

namespace {

ConflictPolicy PolicyNamed(const std::string& name)
{
    if (name == "skip")
        return ConflictPolicy::Skip;
    if (name == "rename")
        return ConflictPolicy::Rename;
    if (name == "refuse")
        return ConflictPolicy::Refuse;
    throw UsageError("--on-conflict must be skip, rename or refuse");
}

int ImportClassicCommand(Context& context, const Arguments& args)
{
    RequireWords(args, 1, "import-classic OLD.mdb");
    ClassicReadOptions read{context.Env().classicReaderProgram, std::nullopt};
    if (args.Has("code-page"))
        read.codePage = static_cast<std::uint16_t>(
            ParseIntOr(args.Value("code-page"), 1, 65535, "--code-page"));
    ClassicImportOptions options;
    options.onConflict = PolicyNamed(args.Value("on-conflict", "refuse"));
    if (args.Has("only"))
        options.only = args.All("only");

    ClassicLibrary library;
    if (const ClassicOutcome outcome = ReadClassicLibrary(args.words[0], read, library);
        !outcome.Ok()) {
        context.Prompter().Message(args.words[0] + ": " + outcome.message);
        return kExitFailed;
    }
    Database* db = OpenDatabase(context);
    if (db == nullptr)
        return kExitFailed;
    const ClassicPlan plan = PlanClassicImport(*db, library, options);
    for (const std::string& line : DescribeClassicPlan(library, plan))
        context.Env().out << line << '\n';
    if (!plan.outcome.Ok()) {
        context.Prompter().Message(plan.outcome.message + "; nothing was imported");
        return kExitFailed;
    }
    if (args.Has("dry-run")) {
        context.Env().err << "dry run: " << plan.FilesToImport()
                          << " configuration files would be imported; nothing was written\n";
        return kExitOk;
    }
    const ClassicOutcome applied = ApplyClassicImport(*db, library, plan);
    context.Prompter().Message(applied.message);
    return applied.Ok() ? kExitOk : kExitFailed;
}

} // namespace

void AddClassicCommands(std::vector<CommandSpec>& commands)
{
    commands.push_back(
        {"import-classic",
         "OLD.mdb [--dry-run] [--only NAME]... [--on-conflict skip|rename|refuse] [--code-page N]",
         "import the configuration files of the classic tool's Jet database (.mdb): prints the "
         "preview, then imports every file whole or not at all",
         {"only", "on-conflict", "code-page"},
         {"dry-run"},
         ImportClassicCommand,
         "--only NAME (repeatable) imports those files alone; --on-conflict says what happens to "
         "a file whose name exists here (refuse, the default, imports nothing); --code-page N "
         "reads Access 97 text in code page N instead of the one the file names (936 for "
         "Chinese). Exit status 1 for a file that is not a Jet database, is damaged, protected by "
         "another password, empty, too large, or when nothing could be imported (a dry run too)."});
}

} // namespace px::cli
