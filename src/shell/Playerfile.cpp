#include "shell/Playerfile.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "shell/Mainform.h"

int StrToInt(const std::string& text) {
    const auto fail = [&] { throw EConvertError("'" + text + "' is not a valid integer value"); };
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) fail();
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) fail();
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) fail();
    }
    if (negative) value = -value;
    if (value < INT_MIN || value > INT_MAX) fail();
    return static_cast<int>(value);
}

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
