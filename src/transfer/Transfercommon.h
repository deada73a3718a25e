#pragma once
// Small helpers the transfer pages and their store and upload routines share.
#include <cstring>
#include <string>

#include "shell/Devicetexts.h"
#include "shell/Progresswin.h"

namespace transfer {

// A device name field: up to the first NUL, or the whole field when none comes.
inline std::string DeviceText(const char* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    return std::string(field, nul ? static_cast<const char*>(nul) - field : size);
}

}  // namespace transfer
