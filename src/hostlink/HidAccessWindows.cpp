#include "common/WindowsText.h"
#include "hostlink/HidAccess.h"

#include <windows.h>

namespace px {

OpenError WhyDeviceWouldNotOpen(const std::string& path)
{
    const HANDLE device =
        CreateFileW(win::WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device != INVALID_HANDLE_VALUE) {
        CloseHandle(device);
        return OpenError::Other;
    }
    const DWORD code = GetLastError();
    return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION
               ? OpenError::PermissionDenied
               : OpenError::Other;
}

std::string PermissionHelpText()
{
    // Windows lets every user open a HID device; it is refused when another program holds it.
    return "无法打开通信端口\n"
           "主机已找到，但另一个程序正在使用它（旧版设置程序或本程序的另一个窗口）。请关闭该程序，"
           "然后拔出主机再插入。\n"
           "The host was found but another program holds it (an older setting tool, or a second "
           "copy of this one). Close that program, then unplug the host and plug it in again.";
}

} // namespace px
