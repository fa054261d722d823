#include "settings/AlertSettings.h"
#include "settings/HandheldSettings.h"
#include "settings/MachineParams.h"
#include "settings/NetworkParams.h"

#include <functional>
#include <gtest/gtest.h>
#include <variant>

namespace px {
namespace {

// What a profile written by the classic program holds: every key of the three sections, each
// with a value unlike its default and unlike its neighbours, so a key read into the wrong field
// shows.
struct StoredValue
{
    const char* section;
    const char* key;
    std::variant<int, std::string> value;
};

const StoredValue kClassicProfile[] = {
    {"MACHINE", "TPL", 400001},
    {"MACHINE", "RPL", 300002},
    {"MACHINE", "ROOM", 1},
    {"MACHINE", "JIANTING", 2},
    {"MACHINE", "NO", 150},
    {"MACHINE", "ZHUIHU", 1},
    {"MACHINE", "TIME1", 31},
    {"MACHINE", "TIMES1", 32},
    {"MACHINE", "TIME2", 33},
    {"MACHINE", "TIMES2", 34},
    {"MACHINE", "MODE", 0},
    {"LW123", "SHAKE", 1},
    {"LW123", "RING", 2},
    {"LW123", "SHINE", 3},
    {"LW123", "INTERVAL", 45},
    {"LW123", "METHOD", 6},
    {"LW123", "SHAKE1", 7},
    {"LW123", "INTERVAL1", 89},
    {"LW123", "METHOD1", 5},
    {"SHOUCHI", "CUICAI", 1},
    {"SHOUCHI", "CUICAINUM", 0},
    {"SHOUCHI", "CUICAIFRONT", "请"},
    {"SHOUCHI", "CUICAIBEHIND", "上菜"},
    {"SHOUCHI", "DIAODU", 0},
    {"SHOUCHI", "DIAODUNUM", 1},
    {"SHOUCHI", "DIAODUFRONT", "调"},
    {"SHOUCHI", "DIAODUBEHIND", "度"},
};

// The same values as records.
const MachineParams kMachine{400001, 300002, 1, 2, 150, 1, 31, 32, 33, 34, 0};
const Lw3Settings kLw3{1, 2, 3, 45, 6};
const Lw21Settings kLw21{7, 89, 5};
const HandheldSettings kHandheld{{true, false, "请", "上菜"}, {false, true, "调", "度"}};

TEST(SettingsFieldsTest, TheClassicProfileKeysLoadIntoTheirFields)
{
    MemoryProfile profile;
    for (const auto& [section, key, value] : kClassicProfile) {
        if (const int* number = std::get_if<int>(&value))
            profile.SetInt(section, key, *number);
        else
            profile.SetString(section, key, std::get<std::string>(value));
    }
    EXPECT_EQ(LoadMachineParams(profile), kMachine);
    EXPECT_EQ(LoadLw3Settings(profile), kLw3);
    EXPECT_EQ(LoadLw21Settings(profile), kLw21);
    EXPECT_EQ(LoadHandheldSettings(profile), kHandheld);
}

TEST(SettingsFieldsTest, StoringWritesTheClassicKeys)
{
    MemoryProfile profile;
    StoreFields(kParameterFields, profile, kMachine);
    StoreFields(kFrequencyFields, profile, kMachine);
    StoreFields(kLw3Fields, profile, kLw3);
    StoreFields(kLw21Fields, profile, kLw21);
    StoreHandheldSettings(profile, kHandheld);
    for (const auto& [section, key, value] : kClassicProfile) {
        SCOPED_TRACE(std::string(section) + "/" + key);
        if (const int* number = std::get_if<int>(&value))
            EXPECT_EQ(profile.GetInt(section, key, -99), *number);
        else
            EXPECT_EQ(profile.GetString(section, key, "missing"), std::get<std::string>(value));
    }
}

TEST(SettingsFieldsTest, AKeyTheProfileLacksKeepsItsDefault)
{
    MemoryProfile profile;
    profile.SetInt("MACHINE", "TIME2", 77);
    profile.SetString("SHOUCHI", "DIAODUFRONT", "前");
    profile.SetInt("SHOUCHI", "CUICAINUM", 5); // any number but 0 is on
    MachineParams machine;
    machine.interval2 = 77;
    EXPECT_EQ(LoadMachineParams(profile), machine);
    HandheldSettings handheld;
    handheld.dispatch.prefix = "前";
    handheld.hurry.numberToChinese = true;
    EXPECT_EQ(LoadHandheldSettings(profile), handheld);
}

// Each range at its edges: both ends accepted, one beyond either end refused with its prompt.
struct RangeEdges
{
    const char* field;
    std::function<std::string(int)> check; // the record's check with the field set
    int low;
    int high;
};

template <typename Record, typename Member>
std::function<std::string(int)> Checking(Member Record::*member,
                                         std::string (*check)(const Record&))
{
    return [member, check](int value) {
        Record record;
        record.*member = static_cast<Member>(value);
        return check(record);
    };
}

std::string CheckLw3(const Lw3Settings& s)
{
    return CheckFields(kLw3Fields, s);
}

std::string CheckLw21(const Lw21Settings& s)
{
    return CheckFields(kLw21Fields, s);
}

TEST(SettingsFieldsTest, EveryRangeHoldsAtItsEdges)
{
    const RangeEdges ranges[] = {
        {"room", Checking(&MachineParams::room, CheckMachineParams), 0, 1},
        {"monitoring", Checking(&MachineParams::monitoring, CheckMachineParams), 0, 3},
        {"receiver", Checking(&MachineParams::receiver, CheckMachineParams), 1, 200},
        {"escalation", Checking(&MachineParams::escalation, CheckMachineParams), 0, 1},
        {"interval 1", Checking(&MachineParams::interval1, CheckMachineParams), 1, 240},
        {"count 1", Checking(&MachineParams::count1, CheckMachineParams), 1, 99},
        {"interval 2", Checking(&MachineParams::interval2, CheckMachineParams), 1, 240},
        {"count 2", Checking(&MachineParams::count2, CheckMachineParams), 1, 99},
        {"transmit mode", Checking(&MachineParams::mode, CheckMachineParams), 0, 1},
        {"tx frequency", Checking(&MachineParams::txFrequency, CheckMachineParams), 230000, 930000},
        {"rx frequency", Checking(&MachineParams::rxFrequency, CheckMachineParams), 230000, 930000},
        {"LW3 vibration", Checking(&Lw3Settings::shake, CheckLw3), 0, 9},
        {"LW3 ring", Checking(&Lw3Settings::ring, CheckLw3), 0, 9},
        {"LW3 light", Checking(&Lw3Settings::shine, CheckLw3), 0, 9},
        {"LW3 interval", Checking(&Lw3Settings::interval, CheckLw3), 0, 999},
        {"LW3 method", Checking(&Lw3Settings::method, CheckLw3), 0, 7},
        {"LW2/LW1 count", Checking(&Lw21Settings::count, CheckLw21), 0, 9},
        {"LW2/LW1 interval", Checking(&Lw21Settings::interval, CheckLw21), 0, 999},
        {"LW2/LW1 method", Checking(&Lw21Settings::method, CheckLw21), 0, 7},
        {"network role", Checking(&NetworkParams::role, CheckNetworkParams), 0, 1},
        {"network ID", Checking(&NetworkParams::id, CheckNetworkParams), 1, 255},
        {"own port", Checking(&NetworkParams::port, CheckNetworkParams), 0, 65535},
        {"reconnect", Checking(&NetworkParams::reconnectSeconds, CheckNetworkParams), 0, 65535},
        {"validity", Checking(&NetworkParams::validityMinutes, CheckNetworkParams), 1, 99},
        {"network-host port", Checking(&NetworkParams::hostPort, CheckNetworkParams), 0, 65535},
    };
    for (const RangeEdges& r : ranges) {
        SCOPED_TRACE(r.field);
        const std::string prompt = "Please enter an integer between " + std::to_string(r.low) +
                                   " and " + std::to_string(r.high) + ".";
        EXPECT_EQ(r.check(r.low), "");
        EXPECT_EQ(r.check(r.high), "");
        EXPECT_EQ(r.check(r.low - 1), prompt);
        EXPECT_EQ(r.check(r.high + 1), prompt);
    }
}

TEST(SettingsFieldsTest, OptionsOfAModeCarryItsName)
{
    HandheldMode mode;
    const GivenOptions given{{{"dispatch-num", "on"}, {"dispatch-prefix", "前"}, {"num", "off"}},
                             {}};
    EXPECT_EQ(TakeOptions(kHandheldModeFields, given, mode, kHandheldModes[0].scope), "");
    EXPECT_EQ(mode, HandheldMode{}) << "the dispatch options are not the hurry mode's";
    EXPECT_EQ(TakeOptions(kHandheldModeFields, given, mode, kHandheldModes[1].scope), "");
    EXPECT_EQ(mode, (HandheldMode{false, true, "前", ""}));

    FieldOptions options;
    AddOptions(kHandheldModeFields, options, kHandheldModes[1].scope);
    EXPECT_EQ(options.values, (std::set<std::string>{"dispatch", "dispatch-num", "dispatch-prefix",
                                                     "dispatch-suffix"}));
}

} // namespace
} // namespace px
