#pragma once

#include "common/Gbk.h"

namespace px::test {

// While it lives, the program behaves as on a system without the GBK converter module.
class NoGbkConverter
{
public:
    NoGbkConverter() { SimulateMissingGbkConverter(true); }
    ~NoGbkConverter() { SimulateMissingGbkConverter(false); }
    NoGbkConverter(const NoGbkConverter&) = delete;
    NoGbkConverter& operator=(const NoGbkConverter&) = delete;
};

} // namespace px::test
