#pragma once
// Texts the device windows and the transfer pages share.

// When no U8 answers; callers add the port's access note.
inline constexpr const char* CannotConnectU8Text =
    "Cannot connect to U8!\n\nCheck that the U8 is connected\nand ensure no other software\n"
    "is using the serial port.";
