#pragma once

// The core's ports for a terminal: messages go to standard error, questions are answered by
// --yes, progress is one line updated in place on a terminal or a line per 10 % otherwise.

#include "common/Prompter.h"
#include "hostlink/Ports.h"

#include <ostream>
#include <string>
#include <vector>

namespace px::cli {

class CliPrompter final : public Prompter
{
public:
    CliPrompter(std::ostream& err, bool yes) : err_(err), yes_(yes) {}
    void Message(std::string_view text, std::string_view caption, MessageIcon icon) override;
    bool AskOkCancel(std::string_view text, std::string_view caption) override;
    const std::vector<std::string>& Shown() const { return shown_; }

private:
    std::ostream& err_;
    bool yes_;
    std::vector<std::string> shown_;
};

class CliProgress final : public ProgressSink
{
public:
    CliProgress(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}
    void Show() override {}
    void SetRange(int low, int high) override;
    int Position() const override { return position_; }
    void SetPosition(int position) override;
    void SetProgressText(std::string_view text) override;
    void SetResultText(std::string_view text) override;
    void Close() override;

private:
    std::ostream& err_;
    bool terminal_;
    int low_ = 0;
    int high_ = 100;
    int position_ = 0;
    int lastTenth_ = -1;
    bool lineOpen_ = false;
    std::string text_;
};

} // namespace px::cli
