#pragma once

#include "common/Notices.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace px::test {

// What a link or an exchange has told so far, gathered across calls for a test to check.
class Told
{
public:
    explicit Told(std::function<Notices()> take) : take_(std::move(take)) {}

    const std::vector<Notice>& All()
    {
        told_.Append(take_());
        return told_.List();
    }
    std::vector<std::string> Texts()
    {
        All();
        return told_.Texts();
    }
    void Clear()
    {
        All();
        told_ = {};
    }

private:
    std::function<Notices()> take_;
    Notices told_;
};

} // namespace px::test
