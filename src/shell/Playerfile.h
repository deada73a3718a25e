#pragma once
#include <string>

// The player number that the first line of a player file names. The line
// must hold "userid=" (in any case); the number starts at its 8th character,
// with blanks around it ignored and a final carriage return dropped. False
// when the line holds no "userid=" or what follows is no integer (letters,
// blanks before the key, a number beyond int). No window or database is
// needed.
bool PlayerFileUserId(std::string firstLine, int& userId);

// The first line of the player file, at most 511 characters. False when the
// path cannot be opened or is not a regular file (a named pipe or a device
// would block the reader or never end); the check and the read use the same
// open file, and opening never waits.
bool ReadPlayerFileLine(const std::string& path, std::string& line);
