#include "settings/SettingsFields.h"

#include <charconv>

namespace px {

namespace {

template <class... Ts> struct Overloaded : Ts...
{
    using Ts::operator()...;
};
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

// A switch or a number, as a number.
int Number(ConstFieldRef value)
{
    if (const auto* flag = std::get_if<const bool*>(&value))
        return **flag ? 1 : 0;
    if (const auto* number = std::get_if<const int*>(&value))
        return **number;
    return 0;
}

void SetNumber(FieldRef value, int number)
{
    if (auto* flag = std::get_if<bool*>(&value))
        **flag = number != 0;
    else if (auto* integer = std::get_if<int*>(&value))
        **integer = number;
}

std::string NameAt(std::span<const char* const> names, int index)
{
    return index >= 0 && index < static_cast<int>(names.size())
               ? names[static_cast<std::size_t>(index)]
               : "?";
}

// The command line takes a number as it is written: no blanks, no sign for positive numbers.
std::optional<int> StrictInteger(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string JoinedNames(std::span<const char* const> names, const char* separator)
{
    std::string joined;
    for (const char* name : names)
        joined += (joined.empty() ? "" : separator) + std::string(name);
    return joined;
}

} // namespace

std::string ScopedOption(const FieldSpec& spec, FieldScope scope)
{
    std::string option(scope.optionPrefix);
    if (!option.empty() && spec.option[0] != '\0')
        option += '-';
    return option + spec.option;
}

void LoadField(const Profile& profile, const std::string& section, const std::string& key,
               FieldRef value)
{
    std::visit(Overloaded{
                   [&](int* number) { *number = profile.GetInt(section, key, *number); },
                   [&](bool* flag) { *flag = profile.GetInt(section, key, *flag ? 1 : 0) != 0; },
                   [&](std::string* text) { *text = profile.GetString(section, key, *text); },
                   [](IpAddress*) {},
               },
               value);
}

void StoreField(Profile& profile, const std::string& section, const std::string& key,
                ConstFieldRef value)
{
    if (const auto* text = std::get_if<const std::string*>(&value))
        profile.SetString(section, key, **text);
    else if (!std::holds_alternative<const IpAddress*>(value))
        profile.SetInt(section, key, Number(value));
}

std::string CheckField(const FieldSpec& spec, ConstFieldRef value)
{
    switch (spec.form) {
    case FieldForm::Number:
    case FieldForm::Listed:
    case FieldForm::Switch:
    case FieldForm::Choice:
        return CheckRange(Number(value), spec.range);
    case FieldForm::OffFlag:
    case FieldForm::Address:
    case FieldForm::Text:
        break;
    }
    return {};
}

void PrintField(const FieldSpec& spec, ConstFieldRef value, FieldScope scope,
                std::vector<PrintedField>& printed)
{
    const std::string option = ScopedOption(spec, scope);
    const int number = Number(value);
    switch (spec.form) {
    case FieldForm::Number:
        printed.push_back({spec.printed, option, number});
        return;
    case FieldForm::Listed:
        printed.push_back({spec.printed, option, number});
        printed.push_back({std::string(spec.printed) + "Name", option, NameAt(spec.names, number)});
        return;
    case FieldForm::Switch:
    case FieldForm::OffFlag:
        printed.push_back({spec.printed, option, number != 0 ? "on" : "off"});
        return;
    case FieldForm::Choice:
        printed.push_back({spec.printed, option, NameAt(spec.names, number)});
        return;
    case FieldForm::Address:
        printed.push_back({spec.printed, option, FormatIp(*std::get<const IpAddress*>(value))});
        return;
    case FieldForm::Text:
        printed.push_back({spec.printed, option, *std::get<const std::string*>(value)});
        return;
    }
}

std::string TakeOption(const FieldSpec& spec, const GivenOptions& given, FieldScope scope,
                       FieldRef value)
{
    const std::string option = ScopedOption(spec, scope);
    if (spec.form == FieldForm::OffFlag) {
        if (given.flags.contains(option))
            SetNumber(value, 0);
        return {};
    }
    const auto it = given.values.find(option);
    if (it == given.values.end())
        return {};
    const std::string& text = it->second;
    switch (spec.form) {
    case FieldForm::Number:
    case FieldForm::Listed:
        if (const auto number = StrictInteger(text); number && spec.range.Contains(*number)) {
            SetNumber(value, *number);
            return {};
        }
        return "--" + option + " must be a whole number from " + std::to_string(spec.range.low) +
               " to " + std::to_string(spec.range.high) + ", not '" + text + "'";
    case FieldForm::Switch:
        if (text != "on" && text != "off")
            return "--" + option + " must be on or off";
        SetNumber(value, text == "on" ? 1 : 0);
        return {};
    case FieldForm::Choice:
        for (std::size_t i = 0; i < spec.names.size(); ++i) {
            if (text == spec.names[i]) {
                SetNumber(value, static_cast<int>(i));
                return {};
            }
        }
        return "--" + option + " must be " + JoinedNames(spec.names, " or ");
    case FieldForm::Address:
        if (const auto address = ParseIp(text)) {
            *std::get<IpAddress*>(value) = *address;
            return {};
        }
        return "--" + option + " must be an address A.B.C.D";
    case FieldForm::Text:
        *std::get<std::string*>(value) = text;
        return {};
    case FieldForm::OffFlag:
        break;
    }
    return {};
}

void AddOption(const FieldSpec& spec, FieldScope scope, FieldOptions& options)
{
    (spec.form == FieldForm::OffFlag ? options.flags : options.values)
        .insert(ScopedOption(spec, scope));
}

std::string UsageOf(const FieldSpec& spec, FieldScope scope)
{
    std::string value;
    if (spec.usage != nullptr)
        value = spec.usage;
    else if (spec.form == FieldForm::Switch)
        value = "on|off";
    else if (spec.form == FieldForm::Choice)
        value = JoinedNames(spec.names, "|");
    else if (spec.form == FieldForm::Address)
        value = "A.B.C.D";
    else if (spec.form != FieldForm::OffFlag)
        value = std::to_string(spec.range.low) + "-" + std::to_string(spec.range.high);
    return "[--" + ScopedOption(spec, scope) + (value.empty() ? "" : " " + value) + "]";
}

} // namespace px
