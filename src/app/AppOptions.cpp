#include "app/AppOptions.h"

#include <QCommandLineParser>

namespace px {

std::optional<AppOptions> ParseAppOptions(const QStringList& arguments, QString& error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription("Configuration tool for the host of a wireless calling system");
    const QCommandLineOption dataDir("data-dir", "Folder of the database and record files.", "DIR");
    const QCommandLineOption host("host", "hid (the host over USB) or sim:DIR (a simulated host).",
                                  "HOST", "hid");
    const QCommandLineOption model("model", "Model of a simulated host: px or qx.", "MODEL", "px");
    parser.addOptions({dataDir, host, model});
    parser.addHelpOption();
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet("help")) {
        error = parser.helpText();
        return std::nullopt;
    }
    AppOptions options;
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
