#pragma once
// Texts the device windows and the transfer pages share.
#include <QString>
#include <cstring>
#include <string>

// When no U8 answers; callers add the port's access note.
inline constexpr const char* CannotConnectU8Text =
    "Cannot connect to U8!\n\nCheck that the U8 is connected\nand ensure no other software\n"
    "is using the serial port.";

// A device name field: up to the first NUL, or the whole field when none
// comes. The device keeps Latin-1; the program's text is UTF-8.
inline std::string DeviceText(const char* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    size_t n = nul ? size_t(static_cast<const char*>(nul) - field) : size;
    return QString::fromLatin1(field, qsizetype(n)).toStdString();
}

// The rules the program has written bag, club and course names by.
enum class TDeviceNameRule {
    // Written now: a letter in its compatibility form (ﬁ as fi, a
    // full-width Ａ as A), a letter with a mark as its base letter (Ö as O,
    // é as e), a letter without one in its plain form (Ø as O, Æ as AE,
    // ß as ss, Þ as TH, ı as i).
    CompatibilityForms,
    // Written before: base letters and plain forms, without compatibility
    // forms or ı.
    PlainForms,
    // Written before that: base letters only.
    BaseLetters,
};

// The device's name rule: the letters of the text under a rule, then
// characters from the start while below the limit: a blank and '+'..'z' are
// written, each followed by a 0 byte; any other character is not written
// (the device shows the name up to there). The field (limit + 1 bytes) is
// cleared first. The upload writes names with it and the imports compare
// names made with it.
void PutDeviceName(char* field, const std::string& text, int limit,
                   TDeviceNameRule rule = TDeviceNameRule::CompatibilityForms);

// A point name as the device keeps it: Latin-1, each character one byte. A
// character beyond Latin-1 goes in its compatibility form (ﬁ as fi), as its
// base letter (ő as o) or in its plain form (Ł as L, Œ as OE, ı as i), and
// what is still beyond Latin-1 then is left out.
std::string DevicePointName(const std::string& text);
