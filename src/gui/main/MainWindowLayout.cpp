#include "gui/main/MainWindowLayout.h"

#include <array>

namespace px {

namespace {

using K = ControlKind;

constexpr ControlSpec kControls[] = {
    // information machines
    {0, K::GroupBox, "信息机登记", 3, 4, 121, 284, kNone, 0},
    {1000, K::ReportTableView, "", 8, 17, 113, 171, kNone, 0},
    {0, K::Label, "传呼号", 7, 196, 24, 8, kNone, 0},
    {1001, K::Edit, "", 33, 194, 21, 12, kDigitsOnly, 0},
    {0, K::Label, "地址码", 58, 196, 24, 8, kNone, 0},
    {1002, K::Edit, "", 84, 193, 36, 12, kDigitsOnly, 7},
    {1042, K::CheckBox, "地址码自加一", 56, 211, 61, 10, kNone, 0},
    {0, K::Label, "类型", 6, 228, 24, 9, kNone, 0},
    // Choose-only: a typed text would select no entry and store type -1.
    {1045, K::DropDownList, "", 35, 225, 85, 103, kNone, 0},
    {0, K::Label, "备注", 6, 245, 24, 8, kNone, 0},
    {1003, K::Edit, "", 35, 243, 85, 12, kNone, 0},
    {1004, K::Button, "添加&&修改", 13, 264, 45, 17, kDisabled, 0},
    {1006, K::Button, "删除", 69, 264, 45, 17, kDisabled, 0},
    // handheld callers
    {0, K::GroupBox, "手持呼叫器登记", 123, 4, 121, 284, kNone, 0},
    {1008, K::ReportTableView, "", 129, 17, 111, 181, kNone, 0},
    {0, K::Label, "编号", 130, 213, 17, 8, kNone, 0},
    {1010, K::Edit, "", 152, 211, 22, 12, kDigitsOnly, 0},
    {0, K::Label, "特征码", 177, 213, 26, 8, kNone, 0},
    // Hexadecimal, not digits only: codes like 1A2B must be typable (filtered as typed).
    {1011, K::Edit, "", 206, 211, 34, 12, kNone, 4},
    {0, K::Label, "备注", 130, 230, 17, 8, kNone, 0},
    {1012, K::Edit, "", 152, 228, 88, 12, kNone, 0},
    {1036, K::CheckBox, "自动添加特征码", 140, 245, 72, 10, kNone, 0},
    {1013, K::Button, "添加&&修改", 133, 264, 45, 17, kDisabled, 0},
    {1015, K::Button, "删除", 191, 264, 45, 17, kDisabled, 0},
    // manual send
    {1046, K::GroupBox, "手动发送数据", 3, 289, 241, 62, kNone, 0},
    {1022, K::Label, "信息机编号:", 10, 304, 45, 8, kNone, 0},
    {1031, K::DropDownList, "", 55, 301, 39, 105, kNone, 0},
    {1051, K::Edit, "", 56, 301, 39, 13, kDigitsOnly | kHidden, 0},
    {1052, K::DropDownList, "", 95, 301, 41, 102, kHidden | kDisabled, 0},
    {1053, K::DropDownList, "", 137, 301, 23, 77, kHidden, 0},
    {1054, K::DropDownList, "", 159, 301, 32, 72, kHidden, 0},
    {1032, K::Button, "发送", 198, 300, 39, 14, kDisabled, 0},
    {0, K::Label, "呼叫信息:", 18, 320, 37, 8, kNone, 0},
    {1030, K::MultiLineEdit, "", 55, 318, 183, 29, kNone, 0},
    // callers
    {0, K::GroupBox, "呼叫器登记", 243, 4, 590, 347, kNone, 0},
    {1024, K::Grid, "", 249, 13, 579, 295, kNone, 0},
    {0, K::GroupBox, "", 243, 308, 513, 43, kNone, 0},
    {1037, K::CheckBox, "手动", 254, 317, 27, 10, kNone, 0},
    {0, K::Label, "特征码", 290, 318, 24, 8, kNone, 0},
    {1038, K::Edit, "", 318, 316, 25, 12, kDisabled, 5},
    {1041, K::CheckBox, "自加一", 355, 317, 35, 10, kDisabled, 0},
    {0, K::Label, "呼叫器类型", 255, 336, 41, 8, kNone, 0},
    {1043, K::DropDownList, "", 299, 333, 89, 96, kNone, 0},
    {0, K::GroupBox, "手动录次数选择", 408, 318, 78, 29, kNone, 0},
    {1044, K::Edit, "", 421, 331, 16, 12, kDigitsOnly | kCentred, 0},
    {0, K::Label, "到", 442, 333, 9, 8, kNone, 0},
    {1018, K::Edit, "", 458, 331, 16, 12, kDigitsOnly | kCentred, 0},
    {1026, K::Button, "自动登记呼叫器", 506, 324, 74, 22, kDisabled, 0},
    {0, K::Label, "呼叫器编号:", 607, 319, 44, 8, kNone, 0},
    {1028, K::Edit, "", 653, 317, 80, 12, kDigitsOnly, 5},
    {0, K::Label, "呼叫器名称:", 607, 336, 44, 8, kNone, 0},
    {1029, K::Edit, "", 653, 334, 80, 12, kNone, 10},
    {0, K::Label, " 版本号: V1.0.1", 767, 339, 62, 8, kNone, 0},
    // data monitor
    {0, K::GroupBox, "数据监控", 2, 354, 831, 79, kNone, 0},
    {1009, K::RichEdit, "", 7, 364, 790, 65, kNone, 0},
    {1, K::DefaultButton, "清除", 801, 364, 27, 64, kNone, 0},
};

constexpr MenuEntry kFileMenu[] = {
    {32812, "新建"},
    {32813, "打开"},
    {32820, "另存为..."},
    {32814, "删除"},
    {0, ""},
    // Moving whole set-ups between sites and checking what the host holds.
    {33001, "导出为JSON..."},
    {33002, "从JSON导入..."},
    {33003, "与主机核对..."},
    {0, ""},
    {32815, "退出"},
};
constexpr MenuEntry kSettingsMenu[] = {
    {32776, "初始化主机"},     {32779, "设备参数"},   {32780, "程序升级"},
    {32817, "呼叫器类型登记"}, {32778, "信息机校时"}, {32825, "LW1/2/3"},
    {32823, "网络参数"},       {32827, "前导设置"},
};
constexpr MenuEntry kReadBackMenu[] = {
    {32790, "程序版本号"},     {0, ""},
    {32805, "信息机参数"},     {32806, "呼叫器参数"},
    {32807, "手持呼叫器参数"}, {32801, "手持呼叫器设置信息"},
};
constexpr MenuEntry kDownloadMenu[] = {
    {32786, "信息机参数"},
    {32792, "呼叫器参数"},
    {32799, "手持呼叫器参数"},
    {32791, "手持呼叫器设置信息"},
};
constexpr std::array<MenuSpec, 4> kMenus = {{
    {"文件", kFileMenu},
    {"系统设置", kSettingsMenu},
    {"回读数据", kReadBackMenu},
    {"下载数据", kDownloadMenu},
}};

constexpr MenuEntry kGridMenu[] = {
    {32794, "删除选中行"},
    {32797, "删除相同特征码"},
    {32796, "刷新"},
};

} // namespace

std::span<const ControlSpec> MainWindowControls()
{
    return kControls;
}

std::span<const MenuSpec> MainWindowMenus()
{
    return kMenus;
}

std::span<const MenuEntry> CallerGridContextMenu()
{
    return kGridMenu;
}

} // namespace px
