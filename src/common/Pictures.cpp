#include "common/Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QPixmap CaddoraPicture(QSize size) {
    QPixmap pm(size);
    const qreal w = size.width(), h = size.height();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(120, 180, 235));
    sky.setColorAt(0.6, QColor(200, 230, 250));
    p.fillRect(QRectF(0, 0, w, h), sky);
    // Fairway hills.
    QPainterPath hills;
    hills.moveTo(0, h * 0.62);
    hills.cubicTo(w * 0.3, h * 0.48, w * 0.6, h * 0.75, w, h * 0.58);
    hills.lineTo(w, h);
    hills.lineTo(0, h);
    hills.closeSubpath();
    p.fillPath(hills, QColor(60, 140, 60));
    // Green, hole and flag.
    const QPointF hole(w * 0.72, h * 0.74);
    p.setBrush(QColor(90, 180, 80));
    p.setPen(Qt::NoPen);
    p.drawEllipse(hole, w * 0.12, h * 0.06);
    p.setBrush(Qt::black);
    p.drawEllipse(hole, w * 0.008, h * 0.006);
    p.setPen(QPen(QColor(240, 240, 240), qMax(1.0, w * 0.004)));
    p.drawLine(hole, hole - QPointF(0, h * 0.35));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(210, 30, 30));
    QPolygonF flag;
    flag << hole - QPointF(0, h * 0.35) << hole - QPointF(-w * 0.07, h * 0.31)
         << hole - QPointF(0, h * 0.27);
    p.drawPolygon(flag);
    // Name.
    QFont f("Sans", qMax(8, int(h * 0.16)), QFont::Bold);
    p.setFont(f);
    p.setPen(QColor(20, 60, 20));
    p.drawText(QRectF(w * 0.05, h * 0.08, w * 0.9, h * 0.3), Qt::AlignLeft | Qt::AlignVCenter,
               "Caddora");
    return pm;
}

bool IsDarkColour(unsigned windowsColour) {
    const unsigned r = windowsColour & 0xFF, g = (windowsColour >> 8) & 0xFF,
                   b = (windowsColour >> 16) & 0xFF;
    return 299 * r + 587 * g + 114 * b < 128000;
}
