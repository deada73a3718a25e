#include "shell/Playerfile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    try {
        userId = StrToInt(number.substr(start));
    } catch (const EConvertError&) {
        return false;
    }
    return true;
}

bool ReadPlayerFileLine(const std::string& path, std::string& line) {
    line.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    char buffer[511];
    size_t got = 0;
    while (got < sizeof buffer) {
        const ssize_t n = ::read(fd, buffer + got, sizeof buffer - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
        if (std::find(buffer, buffer + got, '\n') != buffer + got) break;
    }
    ::close(fd);
    const char* begin = buffer;
    const char* end = std::find(begin, begin + got, '\n');
    line.assign(begin, std::find(begin, end, '\0'));
    return true;
}
