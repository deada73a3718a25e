#pragma once
#include <string>

// The program's file version, "major.minor.release.build" with single-digit
// major, minor and release (the web exchange reads the build number from the
// seventh character on).
std::string FileVersionString();
