#pragma once
#include <string>

// The player number that the first line of a player file names. The line
// must hold "userid=" (in any case); the number starts at its 8th character,
// with blanks around it ignored and a final carriage return dropped. False
// when the line holds no "userid="; a number that is no integer throws
// EConvertError (platform/Textutil.h). No window or database is needed.
bool PlayerFileUserId(std::string firstLine, int& userId);
