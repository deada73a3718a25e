#pragma once
#include <QPixmap>
#include <QSize>

// The program's picture (a green, a flag and the name), drawn at the given size.
QPixmap CaddoraPicture(QSize size);
