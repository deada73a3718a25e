#pragma once
// Small helpers the transfer pages and their store and upload routines share.
#include <cstring>
#include <string>

#include <QString>

#include "shell/Devicetexts.h"
#include "shell/Progresswin.h"

namespace transfer {

// A device name field: up to the first NUL, or the whole field when none
// comes. The device keeps Latin-1; the program's text is UTF-8.
inline std::string DeviceText(const char* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    size_t n = nul ? size_t(static_cast<const char*>(nul) - field) : size;
    return QString::fromLatin1(field, qsizetype(n)).toStdString();
}

}  // namespace transfer
