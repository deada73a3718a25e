#pragma once
#include <string>

// Caption strings of the tool bar control set, kept as a string table.
// Button kind n (1 Cancel .. 13 Finish) of language l (0 English .. 16 Chn)
// has the id ProButtonStringBase + 20 l + n; OK is ProButtonStringBase.
constexpr int ProButtonStringBase = 30100;

// The string of an id; "" when the table has no such row. Only the English
// rows are at hand.
std::string ProLoadStr(int id);
