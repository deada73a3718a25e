#pragma once
// Small text and number helpers the program shares: trimming, UTF-8
// character counts, the class library's integer conversion and the decimal
// numbers the user types and reads.
#include <cstddef>
#include <optional>
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

// A decimal number as the user types it into a box: the locale's decimal
// separator or ".", an optional sign and exponent, blanks around it; never a
// group separator. Nothing when the text is no finite number. Files, the
// device and the web documents keep their own "." readers.
std::optional<double> ReadDecimal(const std::string& text);

// A number for the user to read and type back: format 'g' with at most
// precision significant digits (below 0: the shortest text that reads back as
// the value) or 'f' with precision decimals; the locale's decimal separator,
// no group separator.
std::string DecimalText(double value, char format = 'g', int precision = 15);

// A number written with "." (as a C format writes it) with the locale's
// decimal separator instead.
std::string WithDecimalSeparator(const std::string& text);
