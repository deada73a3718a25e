#include "transfer/Webdocument.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/Datafolder.h"

namespace {
// ISO-8859-15 differs from Latin-1 in eight places.
struct Diff {
    unsigned char byte;
    char32_t code;
};
constexpr Diff kDiffs[] = {{0xA4, 0x20AC}, {0xA6, 0x0160}, {0xA8, 0x0161}, {0xB4, 0x017D},
                           {0xB8, 0x017E}, {0xBC, 0x0152}, {0xBD, 0x0153}, {0xBE, 0x0178}};

char32_t IsoToCode(unsigned char b) {
    for (const Diff& d : kDiffs)
        if (d.byte == b) return d.code;
    return b;
}

// The byte of a code point in ISO-8859-15, or -1.
int CodeToIso(char32_t c) {
    for (const Diff& d : kDiffs) {
        if (d.code == c) return d.byte;
        if (d.byte == c) return -1;  // the Latin-1 sign replaced in ISO-8859-15
    }
    return c < 0x100 ? static_cast<int>(c) : -1;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Next code point of s from i; a byte that starts no valid sequence is Latin-1.
char32_t NextCode(const std::string& s, size_t& i) {
    const auto b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 1 || len == 0 || i + len > s.size()) {
        ++i;
        return b;
    }
    char32_t c = b & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        const auto n = static_cast<unsigned char>(s[i + k]);
        if ((n & 0xC0) != 0x80) {
            ++i;
            return b;
        }
        c = (c << 6) | (n & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return b;
    }
    i += len;
    return c;
}

bool ValidXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// What a value read from a reply keeps: the characters a document we send
// may carry, less the carriage return (a value is read from one line; line
// breaks of a memo come as runs of blanks).
bool ReplyChar(char32_t c) { return ValidXmlChar(c) && c != 0xD; }

std::string Tabs(int n) { return std::string(static_cast<size_t>(n), '\t'); }
} // namespace

std::string XmlValue(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const char32_t c = NextCode(utf8, i);
        if (!ValidXmlChar(c)) continue;
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else {
            const int b = CodeToIso(c);
            if (b >= 0)
                out += static_cast<char>(b);
            else
                out += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
        }
    }
    return out;
}

std::string XmlText(const std::string& iso) {
    std::string out;
    out.reserve(iso.size());
    for (size_t i = 0; i < iso.size(); ++i) {
        const auto b = static_cast<unsigned char>(iso[i]);
        if (b == '&') {
            const size_t semi = iso.find(';', i + 1);
            if (semi != std::string::npos && semi - i <= 12) {
                const std::string name = iso.substr(i + 1, semi - i - 1);
                char32_t code = 0;
                if (name == "amp") code = '&';
                else if (name == "lt") code = '<';
                else if (name == "gt") code = '>';
                else if (name == "quot") code = '"';
                else if (name == "apos") code = '\'';
                else if (name.size() > 1 && name[0] == '#') {
                    const bool hex = name[1] == 'x' || name[1] == 'X';
                    const char* first = name.data() + (hex ? 2 : 1);
                    const char* last = name.data() + name.size();
                    unsigned long v = 0;
                    auto r = std::from_chars(first, last, v, hex ? 16 : 10);
                    if (first != last && r.ec == std::errc() && r.ptr == last && v <= 0x10FFFF &&
                        ValidXmlChar(static_cast<char32_t>(v)))
                        code = static_cast<char32_t>(v);
                }
                if (code != 0) {
                    if (ReplyChar(code)) AppendUtf8(out, code);
                    i = semi;
                    continue;
                }
            }
        }
        if (ReplyChar(IsoToCode(b))) AppendUtf8(out, IsoToCode(b));
    }
    return out;
}

std::string FixedText(double v) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0.000000");
}

std::string RatingText(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}

std::string ColourText(int colour) {
    const unsigned c = static_cast<unsigned>(colour);
    const unsigned rgb = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06X", rgb);
    return buf;
}

void TRequestDocument::Raw(const std::string& line) { lines_.push_back(line); }

void TRequestDocument::Element(int tabs, const std::string& tag, const std::string& escaped) {
    lines_.push_back(Tabs(tabs) + "<" + tag + ">" + escaped + "</" + tag + ">");
}

void TRequestDocument::Text(int tabs, const std::string& tag, const std::string& value) {
    Element(tabs, tag, XmlValue(value));
}

void TRequestDocument::Int(int tabs, const std::string& tag, long long value) {
    Element(tabs, tag, std::to_string(value));
}

void TRequestDocument::IntOrEmpty(int tabs, const std::string& tag, long long value) {
    Element(tabs, tag, value == 0 ? std::string() : std::to_string(value));
}

void TRequestDocument::Fixed(int tabs, const std::string& tag, double value) {
    Element(tabs, tag, FixedText(value));
}

void TRequestDocument::FixedOrEmpty(int tabs, const std::string& tag, double value) {
    Element(tabs, tag, value == 0.0 ? std::string() : FixedText(value));
}

void TRequestDocument::RatingOrEmpty(int tabs, const std::string& tag, double value) {
    Element(tabs, tag, value == 0.0 ? std::string() : RatingText(value));
}

void TRequestDocument::ColourOrEmpty(int tabs, const std::string& tag, int colour) {
    Element(tabs, tag, (colour & 0xFFFFFF) == 0 ? std::string() : ColourText(colour));
}

std::string TRequestDocument::Crlf() const {
    std::string out;
    for (const std::string& line : lines_) {
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\r') {
                if (i + 1 < line.size() && line[i + 1] == '\n') ++i;
                out += "\r\n";
            } else if (line[i] == '\n') {
                out += "\r\n";
            } else {
                out += line[i];
            }
        }
        out += "\r\n";
    }
    return out;
}

std::string TRequestDocument::Lf() const {
    std::string out;
    for (const std::string& line : lines_) out += line + "\n";
    return out;
}

TRequestFile::TRequestFile(const std::string& name, const std::string& body)
    : path_(DataPath(name)) {
    ::unlink(path_.c_str());
    // Created anew: a file or link planted under the name in the meantime is
    // refused, never followed.
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) throw std::runtime_error("Cannot create file \"" + path_ + "\". " +
                                          std::strerror(errno));
    ::fchmod(fd_, 0600);
    size_t done = 0;
    while (done < body.size()) {
        const ssize_t n = ::write(fd_, body.data() + done, body.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int e = errno;
            Remove();
            throw std::runtime_error("Cannot write file \"" + path_ + "\". " + std::strerror(e));
        }
        done += static_cast<size_t>(n);
    }
}

TRequestFile::~TRequestFile() { Remove(); }

void TRequestFile::Remove() {
    if (fd_ < 0) return;
    struct stat mine {}, named {};
    if (::fstat(fd_, &mine) == 0 && ::lstat(path_.c_str(), &named) == 0 && mine.st_dev == named.st_dev &&
        mine.st_ino == named.st_ino)
        ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
}

std::string TRequestFile::Read() const {
    std::string out;
    char buf[65536];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd_, buf, sizeof buf, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::runtime_error("Cannot open file \"" + path_ + "\".");
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
        at += n;
    }
    return out;
}

bool IsRequestFileName(const std::string& name) {
    if (name == "test.xml" || name == "transfer.xml") return true;
    const std::string head = "transfer", tail = ".xml";
    if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    for (size_t i = head.size(); i < name.size() - tail.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

void RemoveLeftoverRequestFiles() {
    DIR* dir = ::opendir(DataFolder().c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir))
        if (IsRequestFileName(e->d_name)) names.push_back(e->d_name);
    ::closedir(dir);
    for (const std::string& name : names) ::unlink(DataPath(name).c_str());
}
