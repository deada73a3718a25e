#pragma once
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <initializer_list>

class QWidget;

// The program's picture (a green, a flag and the name), drawn at the given size.
QPixmap CaddoraPicture(QSize size);

// The contrast of two colours (Windows colour values 0x00BBGGRR) as the web
// content accessibility guidelines measure it: from 1 (the same) to 21
// (black on white).
double ContrastRatio(unsigned a, unsigned b);
// Whether text on this background (a Windows colour value 0x00BBGGRR) reads
// best in white: white contrasts with it more than black does. Either way
// the text reaches 4.5 : 1 at least. The printed cards' stylesheets make the
// same choice.
bool IsDarkColour(unsigned windowsColour);
// What a text in this colour is drawn on: the window's colour when the text
// reads there at 4.5 : 1 at least, else black or white, whichever contrasts
// more (always above 4.5 : 1).
unsigned ReadableGround(unsigned text, unsigned window);
// A text colour as near to this one as reads on the window at 4.5 : 1 at
// least: the colour itself, or mixed towards black on a light window and
// towards white on a dark one.
unsigned ReadableText(unsigned text, unsigned window);
// The colour painted behind the widget's middle: what its parents draw there
// (a tab page's pane, a group's frame), as the screen shows it.
QColor GroundBehind(const QWidget* widget);

// The lists' tool-button pictures, 16 x 16.
enum class TListPicture { View, New, Edit, Delete, Filter };
QPixmap ListPicture(TListPicture kind);
// The desktop's icon when its theme has one of the names, else ours.
QIcon ListIcon(TListPicture kind, std::initializer_list<const char*> themeNames);
