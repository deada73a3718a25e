#pragma once
// Line settings through the kernel's termios2 interface, which takes any rate
// (BOTHER) besides the B-constants. Kept apart because <asm/termbits.h> and
// <termios.h> cannot be included together.
#include "device/Commport.h"

// Reads the line into the termios-backed members of dcb (rate, size, parity,
// stop bits, flow flags, XON/XOFF characters); the others are left as they are.
bool LineGetState(int fd, TCommState& dcb);
// Writes dcb to the line in raw mode (no echo, no signals, no CR/LF
// translation, reads return at once).
bool LineSetState(int fd, const TCommState& dcb);
