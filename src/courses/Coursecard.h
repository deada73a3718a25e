#pragma once
#include <array>
#include <string>

#include "courses/Scorecard.h"

// The course card "coursescorecard.xml": the scorecard grid as it stands on
// the screen (texts, hints and colours of its cells) written as the print
// file the printing window renders through "coursescorecard.xsl".
struct TCardCell {
    std::string text;
    std::string hint;
    unsigned colour = WhiteColour; // Windows colour value 0x00BBGGRR
};
struct TCardGrid {
    int rows = 10; // 22 for 18 holes
    int tees = 1;
    std::array<std::array<TCardCell, MaxGridColumns>, MaxGridRows> cell;
};

// The file's bytes: ISO-8859-1, one tag or element per line. Text is
// escaped (&, <, >) and characters outside Latin-1 become character
// references, so any course or tee name gives a well-formed file.
std::string CourseCardText(const TCardGrid& grid, const std::string& cardTitle, int roundHcp,
                           int playingHcp);

// UTF-8 text as Latin-1 element content.
std::string CardEscape(const std::string& utf8);
// "RRGGBB" of a Windows colour value.
std::string CardColour(unsigned colour);
// The tee name a length cell's hint carries after "Tee:"; "" when none.
std::string TeeNameOfHint(const std::string& hint);

// Writes the card to path; false when the file cannot be written.
bool WriteCourseCard(const std::string& path, const TCardGrid& grid, const std::string& cardTitle,
                     int roundHcp, int playingHcp);
