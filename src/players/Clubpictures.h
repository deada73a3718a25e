#pragma once
#include <QIcon>
#include <QList>
#include <QPixmap>

// The pictures of the bag tree, the club list and the statistics window, drawn
// in code: a club head for each type and a bag, full or empty.
enum class TClubPicture { Wood, Iron, Wedge, Putter, Bag, EmptyBag };
QPixmap ClubPicture(TClubPicture kind, int size);

// Image lists by their index meanings.
// Tree: 0 bag, 1 wedge, 2 putter, 3 wood, 4 iron, 5 empty bag.
QList<QIcon> BagImageList();
// List: 0 wedge, 1 putter, 2 wood, 3 iron.
QList<QIcon> ClubImagesList();
// Statistics window and club chooser: 0 wood, 1 putter, 2 wedge, 3 iron (32 x 32).
QList<QPixmap> StatsImageList();
