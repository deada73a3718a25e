#pragma once
// Small text helpers the program shares.
#include <cstddef>
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
