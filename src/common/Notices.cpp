#include "common/Notices.h"

namespace px {

void Notices::Add(std::string text, std::string caption, MessageIcon icon)
{
    list_.push_back({std::move(text), std::move(caption), icon});
}

void Notices::Append(const Notices& more)
{
    list_.insert(list_.end(), more.list_.begin(), more.list_.end());
}

std::vector<std::string> Notices::Texts() const
{
    std::vector<std::string> texts;
    texts.reserve(list_.size());
    for (const Notice& notice : list_)
        texts.push_back(notice.text);
    return texts;
}

void Notices::ShowWith(Prompter& prompter) const
{
    for (const Notice& notice : list_)
        prompter.Message(notice.text, notice.caption, notice.icon);
}

} // namespace px
