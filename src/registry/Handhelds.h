#pragma once

// Handheld callers of a configuration file: a number, a feature code of four hexadecimal
// characters read from the host or made up, and a remark.

#include "common/Clock.h"
#include "common/Notices.h"
#include "common/Random.h"
#include "hostlink/HostExchange.h"
#include "storage/Database.h"

#include <optional>
#include <string>

namespace px {

inline constexpr std::uint8_t kCmdKeyCode = 0xD4;
inline constexpr std::uint8_t kStatusHandheld = 0x66;
inline constexpr std::uint8_t kStatusShortCode = 0x55;

// A made-up feature code: "%02X%02X" of (r1 * 12) mod 256 and (r2 * 34) mod 256, drawn again
// while it would be 0000 or FFFF.
std::string RandomFeatureCode(Lcg& random);

struct HandheldFields
{
    std::string pagerText;   // edit 1001: every field of the window is checked on save
    std::string numberText;  // edit 1010
    std::string featureCode; // edit 1011
    std::string remark;      // edit 1012
    bool madeUpCode = false; // check box 1036: use the code in the field
};

struct HandheldSaveResult
{
    bool stored = false;
    bool fieldsChanged = false; // number (and the code, when made up) to be shown
    int number = 0;
    std::string featureCode;
    Notices notices; // why a check refused the save, what the host exchange told
};

inline constexpr const char* kNoKeyCodeMessage = "获取手持呼叫器特征码失败！";
inline constexpr const char* kNotHandheldMessage = "请正确进行手持呼叫器进行设置！";

// The answer to 0xD4 as status and code bytes; nothing (with the reason) when none came.
struct KeyCodeAnswer
{
    std::uint8_t status = 0;
    Bytes code;
};
Reading<KeyCodeAnswer> AskKeyCode(HostExchange& exchange);

HandheldSaveResult SaveHandheld(Database& db, HostExchange* exchange, Lcg& random,
                                const std::string& fileName, FileType fileType, HostModel hostModel,
                                const HandheldFields& fields);

void DeleteHandheld(Database& db, const std::string& fileName, const std::string& numberText);

} // namespace px
