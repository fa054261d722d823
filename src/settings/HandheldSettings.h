#pragma once

// The handheld callers' hurry-dish and dispatch modes: the 164-byte record (0x67 / 0x86) with
// its 40-byte GBK text fields, remembered in the profile section "SHOUCHI".

#include "common/Profile.h"
#include "hostlink/HostExchange.h"
#include "settings/SettingsFields.h"

#include <optional>
#include <span>
#include <string>

namespace px {

inline constexpr std::uint8_t kCmdHandheldSettings = 0x67;
inline constexpr std::uint8_t kCmdReadHandheldSettings = 0x86;
inline constexpr std::size_t kHandheldRecordBytes = 164;
inline constexpr std::size_t kHandheldTextBytes = 40;
inline constexpr const char* kHandheldSection = "SHOUCHI";
inline constexpr const char* kHandheldRecordFile = "ShouChi.txt";
inline constexpr const char* kHandheldReadBackFile = "rshouchi.txt";

struct HandheldMode
{
    bool enabled = false;
    bool numberToChinese = false;
    std::string prefix; // UTF-8
    std::string suffix; // UTF-8

    bool operator==(const HandheldMode&) const = default;
};

struct HandheldSettings
{
    HandheldMode hurry;    // 催菜模式
    HandheldMode dispatch; // 调度模式

    bool operator==(const HandheldSettings&) const = default;
};

// One table serves both modes: the hurry-dish mode's keys are "CUICAI", "CUICAINUM",
// "CUICAIFRONT" and "CUICAIBEHIND", its options --hurry, --hurry-num, --hurry-prefix and
// --hurry-suffix; the dispatch mode's likewise with "DIAODU" and --dispatch.
inline constexpr Field<HandheldMode> kHandheldModeFieldRows[] = {
    SwitchField(&HandheldMode::enabled, "", "", "on"),
    SwitchField(&HandheldMode::numberToChinese, "NUM", "num"),
    TextField(&HandheldMode::prefix, "FRONT", "prefix", "T"),
    TextField(&HandheldMode::suffix, "BEHIND", "suffix", "T"),
};
inline constexpr FieldTable<HandheldMode> kHandheldModeFields{kHandheldSection,
                                                              kHandheldModeFieldRows};

struct HandheldModePart
{
    HandheldMode HandheldSettings::*mode;
    FieldScope scope;
};
inline constexpr HandheldModePart kHandheldModes[] = {
    {&HandheldSettings::hurry, {"CUICAI", "hurry"}},
    {&HandheldSettings::dispatch, {"DIAODU", "dispatch"}},
};

HandheldSettings LoadHandheldSettings(const Profile& profile);
void StoreHandheldSettings(Profile& profile, const HandheldSettings& settings);

// Empty when every text can be sent, else the message to show.
std::string CheckHandheldSettings(const HandheldSettings& settings);

// The record; nothing when a text holds a character GBK lacks. A text longer than its field
// is cut at a character boundary.
std::optional<Bytes> BuildHandheldRecord(const HandheldSettings& settings);
// Texts are their field's bytes other than 0xFF. Nothing when the record is too short.
std::optional<HandheldSettings> DecodeHandheldRecord(std::span<const std::uint8_t> record);

// Writes ShouChi.txt (left in place), downloads it, remembers the values on success and says
// how it went.
Outcome DownloadHandheldSettings(HostExchange& exchange, Profile& profile,
                                 const HandheldSettings& settings);
// Reads the settings back through rshouchi.txt; nothing when the read-back failed.
Reading<HandheldSettings> ReadBackHandheldSettings(HostExchange& exchange);

} // namespace px
