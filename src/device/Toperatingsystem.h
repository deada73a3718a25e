#pragma once
#include <string>

// Which operating system runs the program, answered from uname(). The code is
// platform x 1000 + major x 100 + minor of the kernel release; Linux counts as
// platform 3, so it never matches the two Windows 9x codes (1400 and 1410) that
// TCommPort asks about.
class TOperatingSystem {
public:
    TOperatingSystem();
    // Reads the system version; returns the code, or -1 on failure.
    int GetOsInfo();
    bool IsVersion(int code) const;
    int Code() const { return code_; }

    static constexpr int PlatformLinux = 3;

private:
    std::string release_;
    int code_ = 0;
    std::string names_[7];
};
