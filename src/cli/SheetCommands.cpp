// The printable site sheet of a configuration file.

#include "cli/CliContext.h"
#include "gui/paperwork/SiteSheetPdf.h"
#include "paperwork/HostFacts.h"

#include <QGuiApplication>
#include <cstdio>
#include <memory>

namespace px::cli {

namespace {

// Laying text out needs a GUI application, though no window is shown: one without a display.
void EnsureGuiApplication()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "pxctl";
    static char* argv[] = {name, nullptr};
    static const auto application = std::make_unique<QGuiApplication>(argc, argv);
}

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
    if (HostExchange* exchange = context.Exchange())
        sheet->host = ReadHostFacts(*exchange, context.Env().profile);

    EnsureGuiApplication();
    QString failure;
    if (!WriteSiteSheetPdf(*sheet, QString::fromStdString(args.words[0]), failure)) {
        context.Env().err << failure.toStdString() << '\n';
        return kExitFailed;
    }
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
