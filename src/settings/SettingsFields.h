#pragma once

// Each settings record has one table of its fields. A row says where the field lives in the
// record, under which key the profile remembers it, what it accepts, and how pxctl names, takes
// and prints it; the functions below do the loading, storing, range checks, printing and option
// parsing for every record from its table. The record bytes stay with each record: their
// layouts have too little in common to be described by a table.

#include "common/Profile.h"
#include "settings/SettingsInput.h"

#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace px {

enum class FieldForm
{
    Number,  // an integer within its range
    Listed,  // an index into its names; pxctl prints the entry's name beside the number
    Switch,  // 0 or 1 (an int or a bool), given and printed as "on" or "off"
    Choice,  // an index into its names, given and printed as the name
    OffFlag, // a bool that an option without a value turns off; printed "on" or "off"
    Address, // an IPv4 address "A.B.C.D"
    Text,    // any text
};

// What a row says besides the member it names.
struct FieldSpec
{
    const char* key; // profile key; null when the profile does not keep it
    FieldForm form;
    IntRange range;                     // what a Number or Listed field accepts
    std::span<const char* const> names; // entries of a Listed or Choice field, by index
    const char* option;                 // pxctl option without "--"; "" stands for a scope's own
    const char* printed;                // the name pxctl get prints the value under
    const char* usage;                  // the value in the usage line; null: "LOW-HIGH"
};

template <typename Record>
using FieldMember =
    std::variant<int Record::*, bool Record::*, std::string Record::*, IpAddress Record::*>;

template <typename Record> struct Field
{
    FieldMember<Record> member;
    FieldSpec spec;
};

template <typename Record> struct FieldTable
{
    const char* section; // the profile section of the keys
    std::span<const Field<Record>> fields;
};

// A table that serves several like parts of a record (the two handheld modes): each part's
// keys and options are its prefix followed by the field's own ("CUICAI" + "NUM",
// "hurry" + "-" + "num").
struct FieldScope
{
    std::string_view keyPrefix;
    std::string_view optionPrefix;
};

// --- rows ----------------------------------------------------------------------------------------

template <typename Record>
constexpr Field<Record> NumberField(int Record::*member, const char* key, IntRange range,
                                    const char* option, const char* usage = nullptr,
                                    const char* printed = nullptr)
{
    return {member, {key, FieldForm::Number, range, {}, option, printed ? printed : option, usage}};
}

template <typename Record>
constexpr Field<Record> ListedField(int Record::*member, const char* key, IntRange range,
                                    std::span<const char* const> names, const char* option)
{
    return {member, {key, FieldForm::Listed, range, names, option, option, nullptr}};
}

template <typename Record, typename Value>
constexpr Field<Record> SwitchField(Value Record::*member, const char* key, const char* option,
                                    const char* printed = nullptr)
{
    return {member,
            {key, FieldForm::Switch, {0, 1}, {}, option, printed ? printed : option, nullptr}};
}

template <typename Record>
constexpr Field<Record> ChoiceField(int Record::*member, std::span<const char* const> names,
                                    const char* option)
{
    const int last = static_cast<int>(names.size()) - 1;
    return {member, {nullptr, FieldForm::Choice, {0, last}, names, option, option, nullptr}};
}

template <typename Record>
constexpr Field<Record> OffFlagField(bool Record::*member, const char* option, const char* printed)
{
    return {member, {nullptr, FieldForm::OffFlag, {0, 1}, {}, option, printed, nullptr}};
}

template <typename Record>
constexpr Field<Record> AddressField(IpAddress Record::*member, const char* option,
                                     const char* printed = nullptr)
{
    return {member,
            {nullptr, FieldForm::Address, {0, 0}, {}, option, printed ? printed : option, nullptr}};
}

template <typename Record>
constexpr Field<Record> TextField(std::string Record::*member, const char* key, const char* option,
                                  const char* usage, const char* printed = nullptr)
{
    return {member, {key, FieldForm::Text, {0, 0}, {}, option, printed ? printed : option, usage}};
}

// --- what the generic code works on --------------------------------------------------------------

using FieldRef = std::variant<int*, bool*, std::string*, IpAddress*>;
using ConstFieldRef = std::variant<const int*, const bool*, const std::string*, const IpAddress*>;

template <typename Record> FieldRef Refer(const Field<Record>& field, Record& record)
{
    return std::visit([&record](auto member) -> FieldRef { return &(record.*member); },
                      field.member);
}

template <typename Record> ConstFieldRef Refer(const Field<Record>& field, const Record& record)
{
    return std::visit([&record](auto member) -> ConstFieldRef { return &(record.*member); },
                      field.member);
}

// One value as pxctl get prints it.
struct PrintedField
{
    std::string name;                     // under its printed name
    std::string option;                   // the option that sets it, with its scope's prefix
    std::variant<int, std::string> value; // a number or a text
};

// The options a command line gave: those with a value, and the flags.
struct GivenOptions
{
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
};

// What the options of a set command are.
struct FieldOptions
{
    std::set<std::string> values;
    std::set<std::string> flags;
};

// The option of a field in a scope: "hurry" + "num" is "hurry-num", "hurry" + "" is "hurry".
std::string ScopedOption(const FieldSpec& spec, FieldScope scope = {});

// One field at a time; the templates below run them over a table.
void LoadField(const Profile& profile, const std::string& section, const std::string& key,
               FieldRef value);
void StoreField(Profile& profile, const std::string& section, const std::string& key,
                ConstFieldRef value);
std::string CheckField(const FieldSpec& spec, ConstFieldRef value);
void PrintField(const FieldSpec& spec, ConstFieldRef value, FieldScope scope,
                std::vector<PrintedField>& printed);
std::string TakeOption(const FieldSpec& spec, const GivenOptions& given, FieldScope scope,
                       FieldRef value);
void AddOption(const FieldSpec& spec, FieldScope scope, FieldOptions& options);
std::string UsageOf(const FieldSpec& spec, FieldScope scope = {});

// --- every field of a table ----------------------------------------------------------------------

// Calls use(key, field) for each field the profile keeps, with its key in the scope.
template <typename Record, typename Use>
void ForEachKey(const FieldTable<Record>& table, FieldScope scope, Use use)
{
    for (const Field<Record>& field : table.fields) {
        if (field.spec.key != nullptr)
            use(std::string(scope.keyPrefix) + field.spec.key, field);
    }
}

// What judge(field) says of the first field it finds fault with; empty when none.
template <typename Record, typename Judge>
std::string FirstProblem(const FieldTable<Record>& table, Judge judge)
{
    for (const Field<Record>& field : table.fields) {
        std::string problem = judge(field);
        if (!problem.empty())
            return problem;
    }
    return {};
}

// The remembered values over what the record holds; a missing key keeps the record's value.
template <typename Record>
void LoadFields(const FieldTable<Record>& table, const Profile& profile, Record& record,
                FieldScope scope = {})
{
    ForEachKey(table, scope, [&](const std::string& key, const Field<Record>& field) {
        LoadField(profile, table.section, key, Refer(field, record));
    });
}

// What the profile remembers, the record's defaults where it has nothing.
template <typename Record>
Record Remembered(const FieldTable<Record>& table, const Profile& profile)
{
    Record record{};
    LoadFields(table, profile, record);
    return record;
}

template <typename Record>
void StoreFields(const FieldTable<Record>& table, Profile& profile, const Record& record,
                 FieldScope scope = {})
{
    ForEachKey(table, scope, [&](const std::string& key, const Field<Record>& field) {
        StoreField(profile, table.section, key, Refer(field, record));
    });
}

// Empty when every field lies within its range, else the prompt for the first that does not.
template <typename Record>
std::string CheckFields(const FieldTable<Record>& table, const Record& record)
{
    return FirstProblem(table, [&record](const Field<Record>& field) {
        return CheckField(field.spec, Refer(field, record));
    });
}

template <typename Record>
std::vector<PrintedField> PrintFields(const FieldTable<Record>& table, const Record& record,
                                      FieldScope scope = {})
{
    std::vector<PrintedField> printed;
    for (const Field<Record>& field : table.fields)
        PrintField(field.spec, Refer(field, record), scope, printed);
    return printed;
}

// Changes the fields whose options were given; empty, or what is wrong with the first option
// that cannot be taken.
template <typename Record>
std::string TakeOptions(const FieldTable<Record>& table, const GivenOptions& given, Record& record,
                        FieldScope scope = {})
{
    return FirstProblem(table, [&](const Field<Record>& field) {
        return TakeOption(field.spec, given, scope, Refer(field, record));
    });
}

template <typename Record>
void AddOptions(const FieldTable<Record>& table, FieldOptions& options, FieldScope scope = {})
{
    for (const Field<Record>& field : table.fields)
        AddOption(field.spec, scope, options);
}

// "[--room on|off] [--monitor 0-3] ..."
template <typename Record>
std::string UsageLine(const FieldTable<Record>& table, FieldScope scope = {})
{
    std::string line;
    for (const Field<Record>& field : table.fields)
        line += (line.empty() ? "" : " ") + UsageOf(field.spec, scope);
    return line;
}

// The row of a member; null when the table has none.
template <typename Record, typename Value>
const Field<Record>* FindField(std::span<const Field<Record>> fields, Value Record::*member)
{
    for (const Field<Record>& field : fields) {
        const auto* candidate = std::get_if<Value Record::*>(&field.member);
        if (candidate != nullptr && *candidate == member)
            return &field;
    }
    return nullptr;
}

} // namespace px
