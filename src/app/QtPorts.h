#pragma once

// The core's ports as the window program provides them.

#include "common/EventPump.h"
#include "common/Prompter.h"

#include <QPointer>
#include <QWidget>

namespace px {

// Message boxes.
class QtPrompter final : public Prompter
{
public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    void Message(std::string_view text, std::string_view caption, MessageIcon icon) override;
    bool AskOkCancel(std::string_view text, std::string_view caption) override;

    static constexpr const char* kDefaultCaption = "PX_System";

private:
    QPointer<QWidget> parent_;
};

// Dispatches waiting events during long waits.
class QtEventPump final : public EventPump
{
public:
    bool PumpMessages() override;
    void SetQuitting() { quitting_ = true; }

private:
    bool quitting_ = false;
};

} // namespace px
