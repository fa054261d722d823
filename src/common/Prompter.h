#pragma once

#include <string>
#include <string_view>

namespace px {

enum class MessageIcon
{
    None,
    Information,
    Warning,
    Critical,
    Question,
};

// Every message box and OK/Cancel question of the program goes through this port.
class Prompter
{
public:
    virtual ~Prompter() = default;

    // A plain message box with an OK button. An empty caption means the program's own.
    virtual void Message(std::string_view text, std::string_view caption = {},
                         MessageIcon icon = MessageIcon::None) = 0;

    // An OK/Cancel question; true for OK.
    virtual bool AskOkCancel(std::string_view text, std::string_view caption = {}) = 0;
};

} // namespace px
