#pragma once
// Small text helpers the program shares.
#include <string>

// The text without leading and trailing white space (what std::isspace calls
// space: blank, tab, line feed, vertical tab, form feed, carriage return).
std::string Trim(const std::string& s);

// The text without leading and trailing blanks, tabs, carriage returns and
// line feeds only; a vertical tab or form feed stays.
std::string TrimLine(const std::string& s);
