#include "hostlink/HidAccess.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace px {

OpenError WhyDeviceWouldNotOpen(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    const int err = fd < 0 ? errno : 0;
    if (fd >= 0)
        ::close(fd);
    return (err == EACCES || err == EPERM) ? OpenError::PermissionDenied : OpenError::Other;
}

std::string PermissionHelpText()
{
    return "无法打开通信端口\n"
           "The host was found but this user may not open it. Install the program's package, "
           "which brings the udev rule 70-px-host.rules, or copy the rule from a build, then "
           "plug the host in again:\n"
           "  sudo cp build/release/packaging/70-px-host.rules /etc/udev/rules.d/\n"
           "  sudo udevadm control --reload-rules && sudo udevadm trigger";
}

} // namespace px
