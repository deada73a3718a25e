#include "device/Termios2.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace {
struct RateCode {
    unsigned rate;
    unsigned code;
};
// Rates with a constant of their own; others go as BOTHER with the number.
constexpr RateCode Rates[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},
    {150, B150},       {200, B200},       {300, B300},       {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

unsigned CodeOf(unsigned rate) {
    for (const RateCode& r : Rates)
        if (r.rate == rate)
            return r.code;
    return 0;
}

unsigned RateOf(const termios2& t) {
    unsigned code = t.c_cflag & CBAUD;
    if (code == BOTHER)
        return t.c_ospeed;
    for (const RateCode& r : Rates)
        if (r.code == code)
            return r.rate;
    return t.c_ospeed;
}
}  // namespace

bool LineGetState(int fd, TCommState& dcb) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    dcb.BaudRate = RateOf(t);
    switch (t.c_cflag & CSIZE) {
    case CS5: dcb.ByteSize = 5; break;
    case CS6: dcb.ByteSize = 6; break;
    case CS7: dcb.ByteSize = 7; break;
    default: dcb.ByteSize = 8; break;
    }
    if (!(t.c_cflag & PARENB))
        dcb.Parity = 0;
    else if (t.c_cflag & CMSPAR)
        dcb.Parity = (t.c_cflag & PARODD) ? 3 : 4;
    else
        dcb.Parity = (t.c_cflag & PARODD) ? 1 : 2;
    // One and a half and two stop bits both show as CSTOPB: keep what was asked.
    if (!(t.c_cflag & CSTOPB))
        dcb.StopBits = 0;
    else if (dcb.StopBits == 0)
        dcb.StopBits = 2;
    if (t.c_cflag & CRTSCTS)
        dcb.Flags = 0x202D;
    else if (t.c_iflag & (IXON | IXOFF))
        dcb.Flags = 0x1311;
    else
        dcb.Flags = 0x0001;
    dcb.XonChar = char(t.c_cc[VSTART]);
    dcb.XoffChar = char(t.c_cc[VSTOP]);
    return true;
}

bool LineSetState(int fd, const TCommState& dcb) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    // Raw mode, as cfmakeraw: a terminal starts in line mode and would, for
    // one, turn 0x0A into 0D 0A.
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                   IXANY | INPCK | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN | ECHOCTL | ECHOKE);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;

    switch (dcb.ByteSize) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    default: t.c_cflag |= CS8; break;
    }
    switch (dcb.Parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (dcb.Parity != 0)
        t.c_iflag |= INPCK;
    if (dcb.StopBits != 0)
        t.c_cflag |= CSTOPB;
    if (dcb.Flags & (0x0004 | 0x2000))
        t.c_cflag |= CRTSCTS;
    if (dcb.Flags & 0x0100)
        t.c_iflag |= IXON;
    if (dcb.Flags & 0x0200)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = cc_t(dcb.XonChar);
    t.c_cc[VSTOP] = cc_t(dcb.XoffChar);

    unsigned code = CodeOf(dcb.BaudRate);
    if (code) {
        t.c_cflag |= code;
        t.c_ispeed = t.c_ospeed = dcb.BaudRate;
    } else {
        t.c_cflag |= BOTHER;
        t.c_ispeed = t.c_ospeed = dcb.BaudRate;
    }
    return ioctl(fd, TCSETS2, &t) == 0;
}
