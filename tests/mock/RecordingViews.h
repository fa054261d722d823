#pragma once

#include "hostlink/Ports.h"

#include <functional>
#include <string>
#include <vector>

namespace px::test {

class RecordingMonitor final : public DataMonitor
{
public:
    struct Line
    {
        std::string text;
        bool coloured = false;
        Rgb colour;
    };
    void AddLine(std::string_view line) override
    {
        lines.push_back({std::string(line), false, {}});
    }
    void AddColouredLine(std::string_view line, Rgb colour) override
    {
        lines.push_back({std::string(line), true, colour});
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& line : lines)
            texts.push_back(line.text);
        return texts;
    }
    std::vector<Line> lines;
};

// Remembers what the progress window showed.
class RecordingProgress final : public ProgressSink
{
public:
    void Show() override
    {
        open = true;
        ++shows;
    }
    void SetRange(int low, int high) override
    {
        rangeLow = low;
        rangeHigh = high;
    }
    int Position() const override { return position; }
    void SetPosition(int value) override
    {
        position = value;
        positions.push_back(value);
    }
    void SetProgressText(std::string_view text) override
    {
        progressTexts.emplace_back(text);
        if (onText)
            onText();
    }
    void SetResultText(std::string_view text) override { results.emplace_back(text); }
    void Close() override
    {
        open = false;
        ++closes;
        position = 0;
    }

    bool open = false;
    int shows = 0;
    int closes = 0;
    int rangeLow = 0;
    int rangeHigh = 0;
    int position = 0;
    std::vector<int> positions;
    std::vector<std::string> progressTexts;
    std::vector<std::string> results;
    std::function<void()> onText; // called as each progress text is shown
};

} // namespace px::test
