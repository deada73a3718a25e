// The player file's first line as File Open reads it (at most 511
// characters, up to the first line feed): a player number or no player;
// nothing is thrown.
#include <cstdint>
#include <string>

#include "shell/Playerfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    line = line.substr(0, line.find('\n')).substr(0, 511);
    line = line.substr(0, line.find('\0'));
    int userId = 0;
    PlayerFileUserId(line, userId);
    return 0;
}
