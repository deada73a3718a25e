// The player file's first line as File Open reads it (at most 511
// characters, up to the first line feed): a player number, no player, or the
// conversion error for a number that is no integer; nothing else.
#include <cstdint>
#include <string>

#include "platform/Textutil.h"
#include "shell/Playerfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    line = line.substr(0, line.find('\n')).substr(0, 511);
    line = line.substr(0, line.find('\0'));
    try {
        int userId = 0;
        PlayerFileUserId(line, userId);
    } catch (const EConvertError&) {
    }
    return 0;
}
