#pragma once
// The program keeps its texts as UTF-8 std::string; Qt's controls take QString.
#include <QString>
#include <string>

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
