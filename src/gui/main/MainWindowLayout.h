#pragma once

// The main window's controls and menus as data: what each is, its name, its text, its place in
// dialog units and its initial state, in the order they are created. The classic numeric ids
// live on here only, as the values of the enums, so the table can be read against the
// window's template.

#include <QRect>
#include <map>
#include <span>
#include <vector>

class QWidget;

namespace px {

enum class MainControl : int
{
    None = 0,
    ClearMonitorButton = 1,
    // information machines
    InfoMachineList = 1000,
    PagerNumberEdit = 1001,
    AddressEdit = 1002,
    InfoMachineRemarkEdit = 1003,
    SaveInfoMachineButton = 1004,
    DeleteInfoMachineButton = 1006,
    AdvanceAddressCheck = 1042,
    ReceiverTypeCombo = 1045,
    // handheld callers
    HandheldList = 1008,
    HandheldNumberEdit = 1010,
    HandheldCodeEdit = 1011,
    HandheldRemarkEdit = 1012,
    SaveHandheldButton = 1013,
    DeleteHandheldButton = 1015,
    MadeUpCodeCheck = 1036,
    // manual send
    MessageGroup = 1046,
    MessageTargetLabel = 1022,
    MessagePagerCombo = 1031,
    MessageAddressEdit = 1051,
    MessageTypeCombo = 1052,
    MessagePolarityCombo = 1053,
    MessageBaudCombo = 1054,
    SendMessageButton = 1032,
    MessageTextEdit = 1030,
    // callers
    CallerGroup = 2000, // no id in the template
    CallerGrid = 1024,
    ManualModeCheck = 1037,
    ManualCodeEdit = 1038,
    PlusOneCheck = 1041,
    CallerTypeCombo = 1043,
    RunFromEdit = 1044,
    RunToEdit = 1018,
    RegisterCallersButton = 1026,
    CallerNumberEdit = 1028,
    CallerNameEdit = 1029,
    // data monitor
    MonitorGroup = 2001, // no id in the template
    DataMonitor = 1009,
    // frames nothing else refers to, named so the window can stretch them
    InfoMachineGroup = 2002,
    HandheldGroup = 2003,
    CallerStripFrame = 2004,
    RunFrame = 2005,
    VersionLabel = 2006,
};

enum class ControlKind
{
    GroupBox,
    ReportTableView,
    Label,
    Edit,
    CheckBox,
    DropDownList, // choose only
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
    // How a control follows the window when it grows beyond its default size: the caller
    // grid takes the extra width, the two lists and the grid the extra height. A window
    // narrower than the template (a 1024-pixel screen) takes its width from the same ones.
    kGrowWidth = 1u << 4,
    kGrowHeight = 1u << 5,
    kMoveRight = 1u << 6,
    kMoveDown = 1u << 7,
    // In a narrow window the caller strip takes two bands. What stays in its first band rises
    // by the second band's height, which the control above the strip gives up; the strip's
    // frame grows by it and spans the caller group; the rest leaves the right of the first band
    // for the second, under the start of the strip.
    kFirstBand = 1u << 8,
    kSecondBand = 1u << 9,
    kStripFrame = 1u << 10,
    kAboveStrip = 1u << 11,
};

struct ControlSpec
{
    MainControl id;   // None for frames and labels nothing refers to
    const char* name; // the widget's object name
    ControlKind kind;
    const char* text;
    int x, y, w, h;
    unsigned flags;
    int maxLength; // edits: 0 = no limit
};

enum class Command : int
{
    None = 0, // a separator
    NewFile = 32812,
    OpenFile = 32813,
    SaveFileAs = 32820,
    DeleteFiles = 32814,
    ExportJson = 33001,
    ImportJson = 33002,
    VerifyWithHost = 33003,
    ImportCallerSheet = 33004,
    ExportCallerSheet = 33005,
    PrintSiteSheet = 33006,
    ImportClassicDatabase = 33007,
    Exit = 32815,
    InitialiseHost = 32776,
    DeviceParams = 32779,
    UpgradeFirmware = 32780,
    CallerTypes = 32817,
    CalibrateClock = 32778,
    ReceiverAlerts = 32825,
    NetworkParams = 32823,
    Preamble = 32827,
    ReadVersion = 32790,
    ReadBackInfoMachines = 32805,
    ReadBackCallers = 32806,
    ReadBackHandhelds = 32807,
    ReadBackHandheldSettings = 32801,
    DownloadInfoMachines = 32786,
    DownloadCallers = 32792,
    DownloadHandhelds = 32799,
    DownloadHandheldSettings = 32791,
    DeleteCallerKey = 32794,
    DeleteCallerKeys = 32797,
    RefreshGrid = 32796,
};

struct MenuEntry
{
    Command command;  // None: a separator
    const char* name; // the action's object name
    const char* text;
};

struct MenuSpec
{
    const char* name;
    const char* title;
    std::span<const MenuEntry> entries;
};

std::span<const ControlSpec> MainWindowControls();
std::span<const MenuSpec> MainWindowMenus();
std::span<const MenuEntry> CallerGridContextMenu();

// The template's size in dialog units.
inline constexpr int kWindowWidthDlu = 837;
inline constexpr int kWindowHeightDlu = 436;
// The narrowest window: the lists, and the caller strip in two bands beside them.
inline constexpr int kNarrowWindowWidthDlu = 600;
// The caller strip's second band: how far its controls move left and down, and how much taller
// the strip gets.
inline constexpr int kSecondBandShiftDlu = 353;
inline constexpr int kSecondBandHeightDlu = 37;
// Hiding the data monitor cuts this much off the bottom (125 pixels at the usual scale).
inline constexpr int kMonitorCutDlu = 83;

// The controls of the window by id, created on a canvas from the table.
class MainControls
{
public:
    // Creates every control of the table on the canvas at the given pixels per dialog unit.
    MainControls(QWidget* canvas, double scale);

    QWidget* Widget(MainControl id) const;
    template <typename T> T* Get(MainControl id) const { return static_cast<T*>(Widget(id)); }

    QRect Scaled(int x, int y, int w, int h) const;
    double Scale() const { return scale_; }

    // Places every control for a window this much larger than its default size (in pixels;
    // the width may be less, down to the narrow window's), following each control's flags.
    void Stretch(int extraWidth, int extraHeight);

private:
    struct Placed
    {
        QWidget* widget;
        QRect place; // at the default size
        unsigned flags;
        MainControl id;
    };

    double scale_;
    std::map<MainControl, QWidget*> widgets_;
    std::vector<Placed> placed_;
};

} // namespace px
