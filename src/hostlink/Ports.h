#pragma once

// What the exchanges report to while they run: the traffic log and the progress window.

#include "common/Models.h"

#include <string_view>

namespace px {

// The data monitor: each line goes on top of the ones before it.
class DataMonitor
{
public:
    virtual ~DataMonitor() = default;
    virtual void AddLine(std::string_view line) = 0;
    virtual void AddColouredLine(std::string_view line, Rgb colour) = 0;
};

// The progress window of a transfer.
class ProgressSink
{
public:
    virtual ~ProgressSink() = default;
    // Creates the window when it has none, and shows it.
    virtual void Show() = 0;
    virtual void SetRange(int low, int high) = 0;
    virtual int Position() const = 0;
    virtual void SetPosition(int position) = 0;
    virtual void SetProgressText(std::string_view text) = 0;
    virtual void SetResultText(std::string_view text) = 0;
    // Destroys the window and gives the main window back its focus.
    virtual void Close() = 0;
};

class NullDataMonitor final : public DataMonitor
{
public:
    void AddLine(std::string_view) override {}
    void AddColouredLine(std::string_view, Rgb) override {}
};

class NullProgressSink final : public ProgressSink
{
public:
    void Show() override {}
    void SetRange(int, int) override {}
    int Position() const override { return position_; }
    void SetPosition(int position) override { position_ = position; }
    void SetProgressText(std::string_view) override {}
    void SetResultText(std::string_view) override {}
    void Close() override { position_ = 0; }

private:
    int position_ = 0;
};

} // namespace px
