#include "app/AppOptions.h"

#include "common/BuildInfo.h"

#include <QCommandLineParser>

namespace px {

std::optional<AppOptions> ParseAppOptions(const QStringList& arguments, QString& error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Configuration tool for the host of a wireless calling system");
    const QCommandLineOption dataDir("data-dir", "Folder of the database and record files.", "DIR");
    const QCommandLineOption host("host", "hid (the host over USB) or sim:DIR (a simulated host).",
                                  "HOST", "hid");
    const QCommandLineOption model("model", "Model of a simulated host: px or qx.", "MODEL", "px");
    const QCommandLineOption help({"h", "help"}, "Show these options and leave.");
    const QCommandLineOption version("version", "Show the version and leave.");
    parser.addOptions({dataDir, host, model, help, version});
    if (!parser.parse(arguments)) {
        error = parser.errorText() + "\n(see px-system --help)";
        return std::nullopt;
    }
    AppOptions options;
    if (parser.isSet(version)) {
        options.exitText = QString("px-system ") + kProgramVersion;
        return options;
    }
    if (parser.isSet(help)) {
        options.exitText =
            QString("Usage: px-system ") + kSharedOptionsSynopsis + "\n\n" +
            parser.applicationDescription() + "\n\n" +
            "  --data-dir DIR    the folder of the database, record files and settings\n"
            "  --host hid        the host over USB (the default)\n"
            "  --host sim:DIR    a simulated host whose state lives in DIR\n"
            "  --model px|qx     the model of a simulated host made by this run\n"
            "  --version         show the version and leave\n"
            "  -h, --help        show these options and leave";
        return options;
    }
    // The shared options go through the parser pxctl uses, so both take the same values.
    for (const QCommandLineOption* shared : {&dataDir, &host, &model}) {
        if (!parser.isSet(*shared))
            continue;
        const auto refused =
            TakeSharedOption(options.shared, "--" + shared->names().front().toStdString(),
                             parser.value(*shared).toStdString());
        if (refused) {
            error = QString::fromStdString(*refused);
            return std::nullopt;
        }
    }
    return options;
}

} // namespace px
