#pragma once

// What a registration row may hold: the ranges and formats that the registration strips and
// the caller grid enforce, and what the host's records can carry without changing a value.
// The JSON import, the table downloads and verify all judge rows by these rules, so a row
// that one of them accepts is one the others can keep and send as it is.
//
// Every check returns an empty text for an acceptable value, otherwise the reason.

#include "common/Models.h"

#include <array>
#include <string>
#include <string_view>

namespace px {

inline constexpr int kMaxPagerNumber = 499;
inline constexpr int kMaxAddress = 2097151; // 21 bits
inline constexpr std::size_t kMaxAddressDigits = 7;
// The receiver types by number: T_Device1.TypeNo, the drop-down's position.
inline constexpr std::array<const char*, 5> kReceiverTypeNames = {"BX-2", "LW2/LW1", "num", "en",
                                                                  "LW3"};
inline constexpr int kReceiverTypeCount = static_cast<int>(kReceiverTypeNames.size());
inline constexpr int kMinHandheldNumber = 1;
inline constexpr int kMaxHandheldNumber = 99;
inline constexpr int kMaxCallerNumber = 65535; // two bytes in the caller record
inline constexpr int kMaxEscalation = 2;

// How many rows a configuration file may hold, by its model.
struct Capacity
{
    int infoMachines;
    int handhelds;
    int callerRows;
};
inline constexpr Capacity kCapacityPX{500, 100, 1999};
inline constexpr Capacity kCapacityQX{20, 10, 200};
// The stricter capacity applies when either the file or the connected host is QX.
Capacity CapacityFor(bool qx);

std::string CheckPagerNumber(long long value);
// The radio address: 1 to 7 decimal digits, at most 2097151.
std::string CheckAddress(std::string_view address);
std::string CheckReceiverType(long long typeNo);
std::string CheckHandheldNumber(long long value);
// A handheld caller's feature code: four hexadecimal digits, neither 0000 nor FFFF (those
// mark an empty slot on the host).
std::string CheckHandheldCode(std::string_view code);
// A caller key's feature code: 6 or 12 hexadecimal digits.
std::string CheckCallerCode(std::string_view code);
std::string CheckCallerNumber(long long value);
// A target pager of a caller key: -1 for none, or a pager number.
std::string CheckTargetPager(long long value);
std::string CheckEscalation(long long value);
std::string CheckCodeType(long long value);
// A text stored in the database: valid UTF-8 without NUL characters.
std::string CheckStoredText(std::string_view text);
// A text that travels to the host: also one GBK can hold.
std::string CheckHostText(std::string_view text);

} // namespace px
