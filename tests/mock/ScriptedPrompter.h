#pragma once

#include "common/Prompter.h"

#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace px::test {

// Records every message and answers questions from a script. A question nobody scripted is
// a test failure, answered with Cancel.
class ScriptedPrompter final : public Prompter
{
public:
    struct Shown
    {
        std::string text;
        std::string caption;
        MessageIcon icon = MessageIcon::None;
        bool question = false;
    };

    void Message(std::string_view text, std::string_view caption, MessageIcon icon) override
    {
        shown_.push_back({std::string(text), std::string(caption), icon, false});
    }

    bool AskOkCancel(std::string_view text, std::string_view caption) override
    {
        shown_.push_back({std::string(text), std::string(caption), MessageIcon::Question, true});
        if (answers_.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return false;
        }
        const bool answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    void Answer(bool ok) { answers_.push_back(ok); }
    const std::vector<Shown>& All() const { return shown_; }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& s : shown_)
            texts.push_back(s.text);
        return texts;
    }
    void Clear() { shown_.clear(); }

private:
    std::vector<Shown> shown_;
    std::deque<bool> answers_;
};

} // namespace px::test
