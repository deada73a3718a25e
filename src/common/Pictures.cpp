#include "common/Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <vector>

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

namespace {
constexpr unsigned Black = 0x000000, White = 0xFFFFFF;
// Relative luminance, 0 (black) to 1 (white).
double Luminance(unsigned colour) {
    const auto channel = [](unsigned v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour & 0xFF) + 0.7152 * channel((colour >> 8) & 0xFF) +
           0.0722 * channel((colour >> 16) & 0xFF);
}
} // namespace

double ContrastRatio(unsigned a, unsigned b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsDarkColour(unsigned windowsColour) {
    return ContrastRatio(windowsColour, White) > ContrastRatio(windowsColour, Black);
}

unsigned ReadableGround(unsigned text, unsigned window) {
    if (ContrastRatio(text, window) >= 4.5) return window;
    return IsDarkColour(text) ? White : Black;
}

unsigned ReadableText(unsigned text, unsigned window) {
    const unsigned towards = IsDarkColour(window) ? White : Black;
    unsigned mixed = text;
    for (unsigned part = 1; part <= 16 && ContrastRatio(mixed, window) < 4.5; ++part) {
        mixed = 0;
        for (unsigned shift : {0u, 8u, 16u})
            mixed |= (((text >> shift & 0xFF) * (16 - part) + (towards >> shift & 0xFF) * part) / 16) << shift;
    }
    return mixed;
}

QColor GroundBehind(const QWidget* widget) {
    std::vector<QWidget*> parents;
    for (QWidget* p = widget->parentWidget(); p; p = p->isWindow() ? nullptr : p->parentWidget())
        parents.push_back(p);
    QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
    pixel.fill(widget->palette().color(QPalette::Window));
    // From the window down, each parent paints over what lies under it.
    const QPoint middle = widget->rect().center();
    for (auto p = parents.rbegin(); p != parents.rend(); ++p) {
        const QPoint at = widget->mapTo(*p, middle);
        (*p)->render(&pixel, QPoint(), QRegion(at.x(), at.y(), 1, 1),
                     p == parents.rbegin() ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
    }
    return pixel.pixelColor(0, 0);
}

QPixmap ListPicture(TListPicture kind) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case TListPicture::View:
    case TListPicture::Filter: // a magnifier
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.setBrush(kind == TListPicture::View ? QColor(200, 225, 250) : QColor(225, 245, 200));
        p.drawEllipse(QRectF(2, 2, 8.5, 8.5));
        p.setPen(QPen(QColor(90, 60, 30), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(14, 14));
        break;
    case TListPicture::New: // a sheet with a green plus
        p.setPen(QPen(QColor(70, 70, 70), 1));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(2.5, 1.5), QPointF(9.5, 1.5), QPointF(12.5, 4.5),
                                 QPointF(12.5, 14.5), QPointF(2.5, 14.5)}));
        p.setPen(QPen(QColor(30, 140, 40), 3, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(11, 7), QPointF(11, 15));
        p.drawLine(QPointF(7, 11), QPointF(15, 11));
        break;
    case TListPicture::Edit: { // a pencil
        QPolygonF body({QPointF(3, 13), QPointF(4, 10), QPointF(12, 2), QPointF(14, 4), QPointF(6, 12)});
        p.setPen(QPen(QColor(60, 40, 10), 1));
        p.setBrush(QColor(240, 190, 60));
        p.drawPolygon(body);
        p.setBrush(QColor(40, 40, 40));
        p.drawPolygon(QPolygonF({QPointF(2, 14), QPointF(3, 13), QPointF(4, 10), QPointF(6, 12), QPointF(3, 13)}));
        break;
    }
    case TListPicture::Delete: // a red cross
        p.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    }
    return pm;
}

QIcon ListIcon(TListPicture kind, std::initializer_list<const char*> themeNames) {
    for (const char* name : themeNames)
        if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    return QIcon(ListPicture(kind));
}
