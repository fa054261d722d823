#include "cli/CliPorts.h"

namespace px::cli {

void CliPrompter::Message(std::string_view text, std::string_view /*caption*/, MessageIcon /*icon*/)
{
    shown_.emplace_back(text);
    err_ << text << '\n';
}

bool CliPrompter::AskOkCancel(std::string_view text, std::string_view /*caption*/)
{
    shown_.emplace_back(text);
    err_ << text << (yes_ ? " [OK: --yes]" : " [Cancel: use --yes to answer OK]") << '\n';
    return yes_;
}

void CliProgress::SetRange(int low, int high)
{
    low_ = low;
    high_ = high;
    lastTenth_ = -1;
}

void CliProgress::SetPosition(int position)
{
    position_ = position;
}

void CliProgress::SetProgressText(std::string_view text)
{
    text_ = std::string(text);
    if (text_.empty())
        return;
    if (terminal_) {
        err_ << '\r' << text_ << "\x1b[K" << std::flush;
        lineOpen_ = true;
        return;
    }
    const int span = high_ - low_;
    const int tenth = span > 0 ? (position_ - low_) * 10 / span : 10;
    if (tenth != lastTenth_) {
        lastTenth_ = tenth;
        err_ << text_ << '\n';
    }
}

void CliProgress::SetResultText(std::string_view text)
{
    if (lineOpen_) {
        err_ << '\n';
        lineOpen_ = false;
    }
    err_ << text << '\n';
}

void CliProgress::Close()
{
    if (lineOpen_) {
        err_ << '\n';
        lineOpen_ = false;
    }
    position_ = 0;
    lastTenth_ = -1;
}

} // namespace px::cli
