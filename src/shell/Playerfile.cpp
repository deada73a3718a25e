#include "shell/Playerfile.h"

#include <algorithm>
#include <cctype>

#include "platform/Textutil.h"

bool PlayerFileUserId(std::string line, int& userId) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string lower = line;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.find("userid=") == std::string::npos) return false;
    // The key opens the line: the number starts at the 8th character.
    std::string number = lower.substr(7);
    const auto blank = [](unsigned char c) { return c <= ' '; };
    while (!number.empty() && blank(number.back())) number.pop_back();
    size_t start = 0;
    while (start < number.size() && blank(number[start])) ++start;
    userId = StrToInt(number.substr(start));
    return true;
}
