#include "platform/Textutil.h"

#include <QLocale>
#include <QString>
#include <cctype>
#include <climits>
#include <cmath>

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

std::string TrimLine(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

size_t CharCount(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string FirstChars(const std::string& s, size_t n) {
    size_t count = 0, i = 0;
    for (; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (count == n) break;
            ++count;
        }
    }
    return s.substr(0, i);
}

bool HasControlCharacter(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        const auto next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
        if (c < 0x20 || c == 0x7F) return true;
        if (c == 0xC2 && next >= 0x80 && next <= 0x9F) return true;  // U+0080 to U+009F
        if (c == 0xE2 && next == 0x80 && i + 2 < s.size() &&
            (static_cast<unsigned char>(s[i + 2]) == 0xA8 || static_cast<unsigned char>(s[i + 2]) == 0xA9))
            return true;  // U+2028, U+2029
    }
    return false;
}

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

std::optional<double> ReadDecimal(const std::string& text) {
    QString t = QString::fromStdString(text).trimmed();
    const QString point = QLocale().decimalPoint();
    if (point != ".") t.replace(point, ".");
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = c.toDouble(t, &ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string WithDecimalSeparator(const std::string& text) {
    const QString point = QLocale().decimalPoint();
    if (point == ".") return text;
    return QString::fromStdString(text).replace('.', point).toStdString();
}

std::string DecimalText(double value, char format, int precision) {
    const QString c = QLocale::c().toString(
        value, format, precision < 0 ? QLocale::FloatingPointShortest : precision);
    return WithDecimalSeparator(c.toStdString());
}
