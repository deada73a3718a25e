#include "device/Toperatingsystem.h"

#include <sys/utsname.h>

#include <cstdlib>
#include <exception>

#include "platform/Messagebox.h"

TOperatingSystem::TOperatingSystem()
    : names_{"WIN95", "WIN98", "WINME", "WINNT351", "WINNT4", "WIN2000", "WINXP"} {
    if (GetOsInfo() == -1)
        ShowMessage("Failed to retrieve operating system info");
}

int TOperatingSystem::GetOsInfo() {
    try {
        struct utsname info {};
        if (uname(&info) != 0)
            return -1;
        release_ = info.release;
        // "6.1.0-13-amd64" -> major 6, minor 1
        char* end = nullptr;
        long major = std::strtol(info.release, &end, 10);
        long minor = 0;
        if (end && *end == '.')
            minor = std::strtol(end + 1, nullptr, 10);
        if (major < 0 || major > 1000 || minor < 0 || minor > 1000)
            return -1;
        code_ = PlatformLinux * 1000 + int(major) * 100 + int(minor);
        return code_;
    } catch (const std::exception& e) {
        ShowMessage(std::string("TOperatingSystem::GetOsInfo:") + e.what());
        return -1;
    }
}

bool TOperatingSystem::IsVersion(int code) const { return code_ == code; }
