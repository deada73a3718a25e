#pragma once
#include <QPixmap>
#include <QSize>

// The program's picture (a green, a flag and the name), drawn at the given size.
QPixmap CaddoraPicture(QSize size);

// Whether text on this background (a Windows colour value 0x00BBGGRR) reads
// best in white: its luminance (0.299 R + 0.587 G + 0.114 B) is below 128.
// The printed cards' stylesheets make the same choice.
bool IsDarkColour(unsigned windowsColour);
