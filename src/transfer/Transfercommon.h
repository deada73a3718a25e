#pragma once
// Small helpers the transfer pages and their store and upload routines share.
#include <cstring>
#include <string>

#include "shell/Progresswin.h"

namespace transfer {

inline const char* const CannotConnectText =
    "Cannot connect to U8!\n\nCheck that the U8 is connected\nand ensure no other software\n"
    "is using the serial port.";

// Text of the progress window; shows nothing when it is hidden.
inline void Progress(const std::string& text) {
    if (ProgressForm) ProgressForm->SetMessage(text);
}
inline void HideProgress() {
    if (ProgressForm) ProgressForm->hide();
}

// A device name field: up to the first NUL, or the whole field when none comes.
inline std::string DeviceText(const char* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    return std::string(field, nul ? static_cast<const char*>(nul) - field : size);
}

}  // namespace transfer
