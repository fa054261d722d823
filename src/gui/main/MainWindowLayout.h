#pragma once

// The main window's controls and menus as data: id, kind, text, place in dialog units and
// initial state, in the order they are created.

#include <span>

namespace px {

enum class ControlKind
{
    GroupBox,
    ReportTableView,
    Label,
    Edit,
    CheckBox,
    DropDownCombo, // editable
    DropDownList,  // choose only
    Button,
    DefaultButton,
    MultiLineEdit,
    Grid,
    RichEdit,
};

enum ControlFlag : unsigned
{
    kNone = 0,
    kDisabled = 1u << 0,
    kHidden = 1u << 1,
    kDigitsOnly = 1u << 2,
    kCentred = 1u << 3,
};

struct ControlSpec
{
    int id; // 0 for frames and labels without an id
    ControlKind kind;
    const char* text;
    int x, y, w, h;
    unsigned flags;
    int maxLength; // edits: 0 = no limit
};

struct MenuEntry
{
    int command; // 0 = separator
    const char* text;
};

struct MenuSpec
{
    const char* title;
    std::span<const MenuEntry> entries;
};

std::span<const ControlSpec> MainWindowControls();
std::span<const MenuSpec> MainWindowMenus();
std::span<const MenuEntry> CallerGridContextMenu();

// The template's size in dialog units.
inline constexpr int kWindowWidthDlu = 837;
inline constexpr int kWindowHeightDlu = 436;
// Hiding the data monitor cuts this much off the bottom (125 pixels at the usual scale).
inline constexpr int kMonitorCutDlu = 83;

} // namespace px
