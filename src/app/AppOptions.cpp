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
            "Usage: px-system [--data-dir DIR] [--host hid|sim:DIR] [--model px|qx]\n\n" +
            parser.applicationDescription() + "\n\n" +
            "  --data-dir DIR    the folder of the database, record files and settings\n"
            "  --host hid        the host over USB (the default)\n"
            "  --host sim:DIR    a simulated host whose state lives in DIR\n"
            "  --model px|qx     the model of a simulated host made by this run\n"
            "  --version         show the version and leave\n"
            "  -h, --help        show these options and leave";
        return options;
    }
    options.dataDir = parser.value(dataDir);
    const QString hostValue = parser.value(host);
    if (hostValue.startsWith("sim:")) {
        options.simulated = true;
        options.simDir = hostValue.mid(4);
        if (options.simDir.isEmpty()) {
            error = "--host sim:DIR needs a folder";
            return std::nullopt;
        }
    } else if (hostValue != "hid") {
        error = "--host must be hid or sim:DIR, not " + hostValue;
        return std::nullopt;
    }
    const QString modelValue = parser.value(model).toLower();
    if (modelValue != "px" && modelValue != "qx") {
        error = "--model must be px or qx, not " + parser.value(model);
        return std::nullopt;
    }
    options.qxModel = modelValue == "qx";
    return options;
}

} // namespace px
