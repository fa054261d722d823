#pragma once

// The host's operating parameters (17-byte record, 0x63 / 0x83) and radio frequencies
// (15-byte record, 0x69 / 0x88), as remembered in the profile section "MACHINE", and the
// receiver types' baud rate and polarity kept in T_Type.

#include "common/Profile.h"
#include "hostlink/HostExchange.h"
#include "settings/SettingsFields.h"
#include "settings/SettingsInput.h"
#include "storage/Database.h"

#include <array>
#include <optional>
#include <span>
#include <string>

namespace px {

inline constexpr std::uint8_t kCmdMachineParams = 0x63;
inline constexpr std::uint8_t kCmdFrequencies = 0x69;
inline constexpr std::uint8_t kCmdReadMachineParams = 0x83;
inline constexpr std::uint8_t kCmdReadFrequencies = 0x88;
inline constexpr std::size_t kMachineRecordBytes = 17;
inline constexpr std::size_t kFrequencyRecordBytes = 15;
inline constexpr const char* kMachineSection = "MACHINE";
inline constexpr const char* kMachineRecordFile = "machine.txt";

inline constexpr IntRange kFrequencyRange{230000, 930000};
inline constexpr IntRange kMonitoringRange{0, 3};
inline constexpr IntRange kReceiverRange{1, 200};
inline constexpr IntRange kEscalationIntervalRange{1, 240};
inline constexpr IntRange kEscalationCountRange{1, 99};
inline constexpr IntRange kTransmitModeRange{0, 1};
inline constexpr IntRange kBaudRateRange{0, 2};
inline constexpr IntRange kPolarityRange{0, 1};

// Entries of the monitoring and transmit-mode lists, by index.
inline constexpr std::array<const char*, 4> kMonitoringNames = {"停用", "发射数据", "USB回传",
                                                                "网口回传"};
inline constexpr std::array<const char*, 2> kTransmitModeNames = {"内部发射模式", "485输出"};
inline constexpr std::array<const char*, 3> kBaudRateNames = {"512", "1200", "2400"};
inline constexpr std::array<const char*, 2> kPolarityNames = {"+", "-"};

struct MachineParams
{
    int txFrequency = 430225; // kHz
    int rxFrequency = 315600; // kHz
    int room = 0;             // room-number switch, 0/1
    int monitoring = 0;       // index in the monitoring list
    int receiver = 1;         // number of the monitoring receiver
    int escalation = 0;       // 0/1
    int interval1 = 10;       // information machines, seconds
    int count1 = 2;
    int interval2 = 10; // middle supervisors, seconds
    int count2 = 2;
    int mode = 1; // index in the transmit-mode list

    bool operator==(const MachineParams&) const = default;
};

// The parameters and the frequencies are written to the host, and remembered, apart.
inline constexpr Field<MachineParams> kParameterFieldRows[] = {
    SwitchField(&MachineParams::room, "ROOM", "room"),
    ListedField(&MachineParams::monitoring, "JIANTING", kMonitoringRange, kMonitoringNames,
                "monitor"),
    NumberField(&MachineParams::receiver, "NO", kReceiverRange, "receiver", "N"),
    SwitchField(&MachineParams::escalation, "ZHUIHU", "escalation"),
    NumberField(&MachineParams::interval1, "TIME1", kEscalationIntervalRange, "time1", "S"),
    NumberField(&MachineParams::count1, "TIMES1", kEscalationCountRange, "times1", "N"),
    NumberField(&MachineParams::interval2, "TIME2", kEscalationIntervalRange, "time2", "S"),
    NumberField(&MachineParams::count2, "TIMES2", kEscalationCountRange, "times2", "N"),
    NumberField(&MachineParams::mode, "MODE", kTransmitModeRange, "mode", "0|1"),
};
inline constexpr Field<MachineParams> kFrequencyFieldRows[] = {
    NumberField(&MachineParams::txFrequency, "TPL", kFrequencyRange, "tx", "KHZ"),
    NumberField(&MachineParams::rxFrequency, "RPL", kFrequencyRange, "rx", "KHZ"),
};
inline constexpr FieldTable<MachineParams> kParameterFields{kMachineSection, kParameterFieldRows};
inline constexpr FieldTable<MachineParams> kFrequencyFields{kMachineSection, kFrequencyFieldRows};

MachineParams LoadMachineParams(const Profile& profile);

// Empty when every field is within its range, else the prompt for the first one that is not.
std::string CheckMachineParams(const MachineParams& params);

Bytes BuildMachineRecord(const MachineParams& params);
Bytes BuildFrequencyRecord(int txFrequency, int rxFrequency);

// The parameters of a read-back record over base (whose frequencies are kept); nothing when
// the record is too short. The monitoring index may fall outside the list.
std::optional<MachineParams> DecodeMachineRecord(std::span<const std::uint8_t> record,
                                                 const MachineParams& base);
struct Frequencies
{
    int tx = 0;
    int rx = 0;
};
std::optional<Frequencies> DecodeFrequencyRecord(std::span<const std::uint8_t> record);
// The frequencies of a read-back record over base, whose parameters are kept.
std::optional<MachineParams> DecodeFrequencyRecord(std::span<const std::uint8_t> record,
                                                   const MachineParams& base);

// Sends the record, then remembers the values and says so; the profile keeps its old values
// when the host did not take them.
Outcome WriteMachineParameters(HostExchange& exchange, Profile& profile,
                               const MachineParams& params);
Outcome WriteFrequencies(HostExchange& exchange, Profile& profile, const MachineParams& params);

// Baud-rate and polarity indexes of the numeric (TypeNo 2) and character (TypeNo 3) receiver
// types; -1 when unknown.
struct ReceiverTypeRates
{
    int numericRate = -1;
    int numericPolarity = -1;
    int charRate = -1;
    int charPolarity = -1;

    bool operator==(const ReceiverTypeRates&) const = default;
};
inline constexpr Field<ReceiverTypeRates> kReceiverTypeRateRows[] = {
    NumberField(&ReceiverTypeRates::numericRate, nullptr, kBaudRateRange, "num-rate", nullptr,
                "numRate"),
    NumberField(&ReceiverTypeRates::numericPolarity, nullptr, kPolarityRange, "num-polarity",
                nullptr, "numPolarity"),
    NumberField(&ReceiverTypeRates::charRate, nullptr, kBaudRateRange, "char-rate", nullptr,
                "charRate"),
    NumberField(&ReceiverTypeRates::charPolarity, nullptr, kPolarityRange, "char-polarity", nullptr,
                "charPolarity"),
};
// Kept in T_Type, not in the profile.
inline constexpr FieldTable<ReceiverTypeRates> kReceiverTypeRateFields{nullptr,
                                                                       kReceiverTypeRateRows};
std::optional<ReceiverTypeRates> LoadReceiverTypeRates(Database& db);
// A column whose index is unknown (-1) keeps its stored value.
bool SaveReceiverTypeRates(Database& db, const ReceiverTypeRates& rates);

} // namespace px
