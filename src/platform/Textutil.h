#pragma once
// Small text and number helpers the program shares: trimming, UTF-8
// character counts and the class library's integer conversion.
#include <cstddef>
#include <stdexcept>
#include <string>

// The text without leading and trailing white space (what std::isspace calls
// space: blank, tab, line feed, vertical tab, form feed, carriage return).
std::string Trim(const std::string& s);

// The text without leading and trailing blanks, tabs, carriage returns and
// line feeds only; a vertical tab or form feed stays.
std::string TrimLine(const std::string& s);

// Characters of a UTF-8 text (continuation bytes are not counted).
size_t CharCount(const std::string& s);

// The first n characters of a UTF-8 text (never a cut sequence at the end).
std::string FirstChars(const std::string& s, size_t n);

// Whether the UTF-8 text holds a control character (U+0000 to U+001F, U+007F
// to U+009F: line feed, carriage return and tab among them) or a line or
// paragraph separator (U+2028, U+2029), none of which a line of a settings
// file can hold.
bool HasControlCharacter(const std::string& s);

// A text that is not an integer where one was expected.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text as an integer: optional sign and decimal digits, nothing else;
// anything else throws EConvertError ("'<text>' is not a valid integer value").
int StrToInt(const std::string& text);
