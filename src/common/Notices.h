#pragma once

#include "common/Prompter.h"

#include <optional>
#include <string>
#include <vector>

namespace px {

// One thing an action has to tell its user.
struct Notice
{
    std::string text;
    std::string caption; // empty: the program's own
    MessageIcon icon = MessageIcon::None;
    bool operator==(const Notice&) const = default;
};

// What an action has to tell its user, in the order it arose. The core returns these; the
// window shows each in a message box, pxctl prints them.
class Notices
{
public:
    void Add(std::string text, std::string caption = {}, MessageIcon icon = MessageIcon::None);
    void Append(const Notices& more);
    const std::vector<Notice>& List() const { return list_; }
    bool Empty() const { return list_.empty(); }
    std::vector<std::string> Texts() const;
    // Each in turn, through the prompter's message box.
    void ShowWith(Prompter& prompter) const;

private:
    std::vector<Notice> list_;
};

// An action that was done or not, with what it has to tell.
struct Outcome
{
    bool ok = false;
    Notices notices;
};

// A value read (nothing when it could not be), with what the reading has to tell.
template <typename T> struct Reading
{
    std::optional<T> value;
    Notices notices;
};

} // namespace px
