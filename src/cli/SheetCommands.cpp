// The printable site sheet of a configuration file.

#include "cli/CliContext.h"
#include "common/FileIo.h"
#include "common/System.h"
#include "common/TemporaryFile.h"
#include "common/Utf8Path.h"
#include "paperwork/HostFacts.h"
#include "paperwork/SiteSheet.h"

#include <cstdio>
#include <filesystem>

namespace px::cli {

namespace {

std::string DateText(const LocalTime& t)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
    return text;
}

int SheetCommand(Context& context, const Arguments& args)
{
    RequireWords(args, 1, "sheet --file NAME OUT.pdf");
    if (!args.Has("file"))
        throw UsageError("--file NAME is needed");
    const std::filesystem::path& layout = context.Env().sheetProgram;
    std::error_code ec;
    if (layout.empty() || !std::filesystem::exists(layout, ec)) {
        context.Prompter().Message(
            "px-sheet, which lays the site sheet out as PDF, was not found" +
            (layout.empty() ? std::string() : " at " + Utf8FromPath(layout)) +
            ": it is installed with the window (px-system)");
        return kExitFailed;
    }
    Database* db = OpenDatabase(context);
    if (db == nullptr)
        return kExitFailed;
    std::string error;
    auto sheet =
        LoadSiteSheet(*db, args.Value("file"), DateText(context.Env().clock.Local()), error);
    if (!sheet) {
        context.Prompter().Message(error);
        return kExitFailed;
    }
    // The host's version and settings when one answers; the sheet says so when none does.
    if (HostExchange* exchange = context.Exchange()) {
        Reading<HostFacts> facts = ReadHostFacts(*exchange, context.Env().profile);
        facts.notices.ShowWith(context.Prompter());
        sheet->host = std::move(facts.value);
    }

    const TemporaryFile html(".html");
    if (!WriteFileWhole(Utf8FromPath(html.Path()), SiteSheetHtml(*sheet), error)) {
        context.Prompter().Message(error);
        return kExitFailed;
    }
    // px-sheet says itself why it could not write the file.
    const std::vector<std::string> words = {"--title", "站点资料 " + sheet->fileName,
                                            Utf8FromPath(html.Path()), args.words[0]};
    const auto status = sys::RunProgram(layout, words, error);
    if (!status) {
        context.Prompter().Message(error);
        return kExitFailed;
    }
    if (*status != 0)
        return kExitFailed;
    context.Env().err << "wrote " << args.words[0]
                      << (sheet->host ? "" : " (no host connected: without the host's settings)")
                      << '\n';
    return kExitOk;
}

} // namespace

void AddSheetCommands(std::vector<CommandSpec>& commands)
{
    commands.push_back({"sheet",
                        "--file NAME OUT.pdf",
                        "write the printable site sheet of a configuration file as PDF (with the "
                        "host's version and settings when one is connected)",
                        {"file"},
                        {},
                        SheetCommand});
}

} // namespace px::cli
