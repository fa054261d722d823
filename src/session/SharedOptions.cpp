#include "session/SharedOptions.h"

namespace px {

bool IsSharedOption(std::string_view word)
{
    return word == "--data-dir" || word == "--host" || word == "--model";
}

std::optional<std::string> TakeSharedOption(SharedOptions& options, std::string_view word,
                                            const std::string& value)
{
    if (word == "--data-dir") {
        if (value.empty())
            return "--data-dir needs a folder";
        options.dataDir = value;
    } else if (word == "--host") {
        if (value == "hid")
            options.host.simFolder.clear();
        else if (value == "sim:")
            return "--host sim:DIR needs a folder";
        else if (value.rfind("sim:", 0) == 0)
            options.host.simFolder = value.substr(4);
        else
            return "--host must be hid or sim:DIR, not '" + value + "'";
    } else if (word == "--model") {
        if (value == "px" || value == "PX")
            options.host.simModel = HostModel::PX;
        else if (value == "qx" || value == "QX")
            options.host.simModel = HostModel::QX;
        else
            return "--model must be px or qx, not '" + value + "'";
    } else {
        return "unknown option " + std::string(word);
    }
    return std::nullopt;
}

} // namespace px
