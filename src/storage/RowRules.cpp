#include "storage/RowRules.h"

#include "common/Gbk.h"

#include <algorithm>

namespace px {

namespace {

std::string OutOfRange(const char* what, long long value, long long low, long long high)
{
    if (value >= low && value <= high)
        return {};
    return std::string(what) + " " + std::to_string(value) + " is outside " + std::to_string(low) +
           ".." + std::to_string(high);
}

bool AllOf(std::string_view text, int (*test)(int))
{
    return std::all_of(text.begin(), text.end(),
                       [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

int IsHexDigit(int c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int IsDecimalDigit(int c)
{
    return c >= '0' && c <= '9';
}

std::string Quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

} // namespace

Capacity CapacityFor(bool qx)
{
    return qx ? kCapacityQX : kCapacityPX;
}

std::string CheckPagerNumber(long long value)
{
    return OutOfRange("pager number", value, 0, kMaxPagerNumber);
}

std::string CheckAddress(std::string_view address)
{
    if (address.empty())
        return "the address is empty";
    if (address.size() > kMaxAddressDigits || !AllOf(address, IsDecimalDigit))
        return "address " + Quoted(address) + " is not 1 to 7 decimal digits";
    const long long value = std::stoll(std::string(address));
    if (value > kMaxAddress)
        return "address " + std::to_string(value) + " is above " + std::to_string(kMaxAddress);
    return {};
}

std::string CheckReceiverType(long long typeNo)
{
    return OutOfRange("receiver type", typeNo, 0, kReceiverTypeCount - 1);
}

std::string CheckHandheldNumber(long long value)
{
    return OutOfRange("handheld number", value, kMinHandheldNumber, kMaxHandheldNumber);
}

std::string CheckHandheldCode(std::string_view code)
{
    if (code.size() != 4 || !AllOf(code, IsHexDigit))
        return "feature code " + Quoted(code) + " is not 4 hexadecimal digits";
    const bool allZero = code.find_first_not_of('0') == std::string_view::npos;
    const bool allF = code.find_first_not_of("fF") == std::string_view::npos;
    if (allZero || allF)
        return "feature code " + Quoted(code) + " marks an empty slot on the host";
    return {};
}

std::string CheckCallerCode(std::string_view code)
{
    if ((code.size() != 6 && code.size() != 12) || !AllOf(code, IsHexDigit))
        return "feature code " + Quoted(code) + " is not 6 or 12 hexadecimal digits";
    return {};
}

std::string CheckCallerNumber(long long value)
{
    return OutOfRange("caller number", value, 0, kMaxCallerNumber);
}

std::string CheckTargetPager(long long value)
{
    return value == -1 ? std::string() : OutOfRange("pager number", value, 0, kMaxPagerNumber);
}

std::string CheckEscalation(long long value)
{
    return OutOfRange("escalation", value, 0, kMaxEscalation);
}

std::string CheckCodeType(long long value)
{
    return OutOfRange("code type", value, 0, 1);
}

std::string CheckStoredText(std::string_view text)
{
    if (!IsValidUtf8(text))
        return "the text is not valid UTF-8";
    if (text.find('\0') != std::string_view::npos)
        return "the text holds a NUL character";
    return {};
}

std::string CheckHostText(std::string_view text)
{
    if (std::string problem = CheckStoredText(text); !problem.empty())
        return problem;
    GbkProblem problem = GbkProblem::None;
    if (!ToGbk(text, &problem))
        return GbkRefusal(problem, Quoted(text) + " holds a character the host cannot show");
    return {};
}

} // namespace px
