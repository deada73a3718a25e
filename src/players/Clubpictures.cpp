#include "players/Clubpictures.h"

#include <QPainter>
#include <QPainterPath>

QPixmap ClubPicture(TClubPicture kind, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    const QColor shaft(90, 90, 90);
    switch (kind) {
    case TClubPicture::Bag:
    case TClubPicture::EmptyBag: {
        p.setPen(QPen(QColor(60, 40, 20), 1.5));
        p.setBrush(kind == TClubPicture::Bag ? QColor(170, 40, 40) : QColor(220, 220, 220));
        p.drawRoundedRect(QRectF(9, 8, 14, 22), 3, 3);
        if (kind == TClubPicture::Bag) {
            p.setPen(QPen(shaft, 2));
            p.drawLine(QPointF(12, 8), QPointF(10, 1));
            p.drawLine(QPointF(16, 8), QPointF(16, 1));
            p.drawLine(QPointF(20, 8), QPointF(22, 1));
        }
        break;
    }
    default: {
        p.setPen(QPen(shaft, 2));
        p.drawLine(QPointF(24, 2), QPointF(14, 24));
        p.setPen(QPen(Qt::black, 1));
        if (kind == TClubPicture::Wood) {
            p.setBrush(QColor(130, 80, 30));
            p.drawEllipse(QRectF(4, 20, 14, 9));
        } else if (kind == TClubPicture::Iron) {
            p.setBrush(QColor(170, 180, 200));
            p.drawPolygon(QPolygonF({QPointF(6, 22), QPointF(16, 22), QPointF(15, 29), QPointF(5, 28)}));
        } else if (kind == TClubPicture::Wedge) {
            p.setBrush(QColor(60, 150, 70));
            p.drawPolygon(QPolygonF({QPointF(6, 20), QPointF(16, 22), QPointF(15, 29), QPointF(4, 29)}));
        } else {
            p.setBrush(QColor(40, 40, 160));
            p.drawRect(QRectF(4, 24, 14, 5));
        }
        break;
    }
    }
    return pixmap;
}

QList<QIcon> BagImageList() {
    return {QIcon(ClubPicture(TClubPicture::Bag, 16)),    QIcon(ClubPicture(TClubPicture::Wedge, 16)),
            QIcon(ClubPicture(TClubPicture::Putter, 16)), QIcon(ClubPicture(TClubPicture::Wood, 16)),
            QIcon(ClubPicture(TClubPicture::Iron, 16)),   QIcon(ClubPicture(TClubPicture::EmptyBag, 16))};
}

QList<QIcon> ClubImagesList() {
    return {QIcon(ClubPicture(TClubPicture::Wedge, 16)), QIcon(ClubPicture(TClubPicture::Putter, 16)),
            QIcon(ClubPicture(TClubPicture::Wood, 16)), QIcon(ClubPicture(TClubPicture::Iron, 16))};
}

QList<QPixmap> StatsImageList() {
    return {ClubPicture(TClubPicture::Wood, 32), ClubPicture(TClubPicture::Putter, 32),
            ClubPicture(TClubPicture::Wedge, 32), ClubPicture(TClubPicture::Iron, 32)};
}
