#pragma once
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <initializer_list>

// The program's picture (a green, a flag and the name), drawn at the given size.
QPixmap CaddoraPicture(QSize size);

// Whether text on this background (a Windows colour value 0x00BBGGRR) reads
// best in white: its luminance (0.299 R + 0.587 G + 0.114 B) is below 128.
// The printed cards' stylesheets make the same choice.
bool IsDarkColour(unsigned windowsColour);

// The lists' tool-button pictures, 16 x 16.
enum class TListPicture { View, New, Edit, Delete, Filter };
QPixmap ListPicture(TListPicture kind);
// The desktop's icon when its theme has one of the names, else ours.
QIcon ListIcon(TListPicture kind, std::initializer_list<const char*> themeNames);
