#pragma once

// How the receivers announce a call: the LW3 record (0x6C, 7 bytes) and the LW2/LW1 record
// (0x6B, 5 bytes), every value an ASCII digit, remembered in the profile section "LW123".

#include "common/Profile.h"
#include "hostlink/HostExchange.h"
#include "settings/SettingsFields.h"
#include "settings/SettingsInput.h"

#include <optional>
#include <span>

namespace px {

inline constexpr std::uint8_t kCmdLw21 = 0x6B;
inline constexpr std::uint8_t kCmdLw3 = 0x6C;
inline constexpr std::uint8_t kCmdReadLw21 = 0x8A;
inline constexpr std::uint8_t kCmdReadLw3 = 0x8B;
inline constexpr std::size_t kLw3RecordBytes = 7;
inline constexpr std::size_t kLw21RecordBytes = 5;
inline constexpr const char* kAlertSection = "LW123";

inline constexpr IntRange kAlertCountRange{0, 9};
// The lists offer 0..99; a typed interval up to 999 still fits the record's tens byte.
inline constexpr IntRange kAlertIntervalRange{0, 999};
inline constexpr IntRange kAlertMethodRange{0, 7};

// Method bits.
inline constexpr int kAlertVibrate = 1;
inline constexpr int kAlertRing = 2;
inline constexpr int kAlertLight = 4;

struct Lw3Settings
{
    int shake = 4;
    int ring = 4;
    int shine = 4;
    int interval = 10;
    int method = 0;

    bool operator==(const Lw3Settings&) const = default;
};

struct Lw21Settings
{
    int count = 4;
    int interval = 10;
    int method = 0;

    bool operator==(const Lw21Settings&) const = default;
};

inline constexpr Field<Lw3Settings> kLw3FieldRows[] = {
    NumberField(&Lw3Settings::shake, "SHAKE", kAlertCountRange, "shake", "N"),
    NumberField(&Lw3Settings::ring, "RING", kAlertCountRange, "ring", "N"),
    NumberField(&Lw3Settings::shine, "SHINE", kAlertCountRange, "shine", "N"),
    NumberField(&Lw3Settings::interval, "INTERVAL", kAlertIntervalRange, "interval", "N"),
    NumberField(&Lw3Settings::method, "METHOD", kAlertMethodRange, "method"),
};
inline constexpr Field<Lw21Settings> kLw21FieldRows[] = {
    NumberField(&Lw21Settings::count, "SHAKE1", kAlertCountRange, "count", "N"),
    NumberField(&Lw21Settings::interval, "INTERVAL1", kAlertIntervalRange, "interval", "N"),
    NumberField(&Lw21Settings::method, "METHOD1", kAlertMethodRange, "method"),
};
inline constexpr FieldTable<Lw3Settings> kLw3Fields{kAlertSection, kLw3FieldRows};
inline constexpr FieldTable<Lw21Settings> kLw21Fields{kAlertSection, kLw21FieldRows};

// What the profile remembers, or the defaults.
Lw3Settings LoadLw3Settings(const Profile& profile);
Lw21Settings LoadLw21Settings(const Profile& profile);

Bytes BuildLw3Record(const Lw3Settings& settings);
Bytes BuildLw21Record(const Lw21Settings& settings);

// The values of a read-back record; nothing when it is too short. The method is taken as it
// comes (it may be above 7).
std::optional<Lw3Settings> DecodeLw3Record(std::span<const std::uint8_t> record);
std::optional<Lw21Settings> DecodeLw21Record(std::span<const std::uint8_t> record);

// Sends the record, remembers the values on success and says how it went.
Outcome WriteLw3Settings(HostExchange& exchange, Profile& profile, const Lw3Settings& settings);
Outcome WriteLw21Settings(HostExchange& exchange, Profile& profile, const Lw21Settings& settings);

} // namespace px
