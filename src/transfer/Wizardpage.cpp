#include "transfer/Wizardpage.h"

#include <QEventLoop>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "platform/Messagebox.h"

TWizardPage::TWizardPage(QWidget* owner) : QDialog(owner) {
    setFixedSize(495, 358);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
}

int TWizardPage::exec() {
    setResult(0);
    closed_ = false;
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    auto c = connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    ShowHandler();
    if (!closed_) {
        inLoop_ = true;
        loop.exec(QEventLoop::DialogExec);
        inLoop_ = false;
    }
    disconnect(c);
    return result();
}

void TWizardPage::done(int r) {
    closed_ = true;
    QDialog::done(r);
}

void TWizardPage::ShowAgain() {
    show();
    ShowHandler();
}

// A list that does not read is told as a failed load, and the page refuses
// to open: it goes back to the page before.
void TWizardPage::ShowHandler() {
    try {
        FormShow();
    } catch (const std::exception& e) {
        ShowErrorMessage(e);
        done(wizard::Back);
    }
}

int TWizardPage::OpenNext(QDialog* next, bool hideFirst) {
    if (hideFirst) {
        hide();
        next->move(pos());
    }
    const int r = next->exec();
    if (r == wizard::Back) {
        move(next->pos());
        ShowAgain();
    } else {
        done(r);
    }
    return r;
}

QLabel* TWizardPage::HeadingLabel(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName("Heading");
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

void TWizardPage::WhiteBackground(QWidget* w) {
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    w->setPalette(pal);
}

QFrame* TWizardPage::HeaderPanel(QWidget* page, const QString& heading, const QString& line) {
    auto* panel = new QFrame(page);
    panel->setObjectName("HeaderPanel");
    WhiteBackground(panel);
    QLabel* title = HeadingLabel(panel, heading);
    auto* text = new QLabel(line, panel);
    text->setObjectName("Explanation");
    text->setWordWrap(true);
    auto* picture = new QLabel(panel);
    picture->setObjectName("HeaderPicture");
    picture->setAccessibleName("Transfer");
    picture->setPixmap(WizardPicture(TWizardArt::Header, QSize(48, 48)));
    auto* words = new QVBoxLayout;
    words->addWidget(title);
    words->addWidget(text);
    auto* layout = new QHBoxLayout(panel);
    layout->addLayout(words, 1);
    layout->addWidget(picture, 0, Qt::AlignVCenter);
    return panel;
}

QBoxLayout* TWizardPage::PictureSide(TWizardArt art) {
    WhiteBackground(this);
    auto* picture = new QLabel(this);
    picture->setObjectName("SidePicture");
    picture->setAccessibleName("Transfer Wizard");
    picture->setPixmap(WizardPicture(art, QSize(150, height())));
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(picture, 0, Qt::AlignTop);
    auto* content = new QVBoxLayout;
    content->setContentsMargins(4, 11, 0, 11);
    outer->addLayout(content, 1);
    return content;
}

namespace {
// A U8 on its strap: a round case with a green screen and a flag on it.
void DrawWatch(QPainter& p, QPointF centre, qreal r) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(45, 45, 50));
    p.drawRoundedRect(QRectF(centre.x() - r * 0.55, centre.y() - r * 1.9, r * 1.1, r * 3.8), r * 0.3, r * 0.3);
    p.setBrush(QColor(150, 155, 165));
    p.drawEllipse(centre, r, r);
    p.setBrush(QColor(30, 30, 35));
    p.drawEllipse(centre, r * 0.84, r * 0.84);
    QRadialGradient screen(centre, r * 0.72);
    screen.setColorAt(0, QColor(170, 220, 150));
    screen.setColorAt(1, QColor(110, 170, 100));
    p.setBrush(screen);
    p.drawEllipse(centre, r * 0.7, r * 0.7);
    // Flag on the screen.
    p.setPen(QPen(QColor(30, 30, 30), std::max<qreal>(1.0, r * 0.06)));
    p.drawLine(QPointF(centre.x(), centre.y() + r * 0.4), QPointF(centre.x(), centre.y() - r * 0.45));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(210, 40, 40));
    p.drawPolygon(QPolygonF({QPointF(centre.x(), centre.y() - r * 0.45),
                             QPointF(centre.x() + r * 0.38, centre.y() - r * 0.32),
                             QPointF(centre.x(), centre.y() - r * 0.19)}));
}

// Sky, hills and a green with its flag, filling the whole picture.
void DrawLandscape(QPainter& p, qreal w, qreal h) {
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(90, 150, 220));
    sky.setColorAt(0.55, QColor(190, 225, 250));
    sky.setColorAt(0.56, QColor(90, 160, 80));
    sky.setColorAt(1, QColor(40, 110, 45));
    p.fillRect(QRectF(0, 0, w, h), sky);
    QPainterPath hill;
    hill.moveTo(0, h * 0.6);
    hill.cubicTo(w * 0.35, h * 0.5, w * 0.7, h * 0.66, w, h * 0.56);
    hill.lineTo(w, h);
    hill.lineTo(0, h);
    hill.closeSubpath();
    p.fillPath(hill, QColor(60, 135, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 190, 95));
    p.drawEllipse(QPointF(w * 0.62, h * 0.86), w * 0.26, h * 0.04);
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(QPointF(w * 0.62, h * 0.86), QPointF(w * 0.62, h * 0.72));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 40, 40));
    p.drawPolygon(QPolygonF({QPointF(w * 0.62, h * 0.72), QPointF(w * 0.62 + 16, h * 0.735),
                             QPointF(w * 0.62, h * 0.75)}));
}

// A golf bag with three club heads.
void DrawBag(QPainter& p, QPointF base, qreal s) {
    p.setPen(QPen(QColor(100, 100, 100), s * 0.05, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(base.x() - s * 0.15, base.y() - s * 1.5), QPointF(base.x() - s * 0.3, base.y() - s * 2.1));
    p.drawLine(QPointF(base.x(), base.y() - s * 1.5), QPointF(base.x(), base.y() - s * 2.2));
    p.drawLine(QPointF(base.x() + s * 0.15, base.y() - s * 1.5), QPointF(base.x() + s * 0.32, base.y() - s * 2.05));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 70, 30));
    p.drawEllipse(QPointF(base.x() - s * 0.32, base.y() - s * 2.12), s * 0.12, s * 0.08);
    p.setBrush(QColor(180, 185, 200));
    p.drawRect(QRectF(base.x() - s * 0.08, base.y() - s * 2.3, s * 0.22, s * 0.1));
    p.drawRect(QRectF(base.x() + s * 0.28, base.y() - s * 2.14, s * 0.2, s * 0.1));
    p.setPen(QPen(QColor(60, 30, 20), s * 0.03));
    p.setBrush(QColor(170, 35, 35));
    p.drawRoundedRect(QRectF(base.x() - s * 0.35, base.y() - s * 1.6, s * 0.7, s * 1.6), s * 0.12, s * 0.12);
    p.setBrush(QColor(230, 230, 230));
    p.drawRect(QRectF(base.x() - s * 0.35, base.y() - s * 1.0, s * 0.7, s * 0.12));
}

// A globe with a magnifier over it: courses found on the web.
void DrawGlobe(QPainter& p, QPointF centre, qreal r) {
    p.setPen(QPen(QColor(20, 60, 120), r * 0.05));
    QRadialGradient sea(centre - QPointF(r * 0.3, r * 0.3), r * 1.3);
    sea.setColorAt(0, QColor(130, 190, 240));
    sea.setColorAt(1, QColor(30, 90, 170));
    p.setBrush(sea);
    p.drawEllipse(centre, r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(230, 240, 255, 180), r * 0.03));
    p.drawEllipse(centre, r * 0.45, r);
    p.drawLine(QPointF(centre.x() - r, centre.y()), QPointF(centre.x() + r, centre.y()));
    p.drawLine(QPointF(centre.x(), centre.y() - r), QPointF(centre.x(), centre.y() + r));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 160, 70));
    p.drawEllipse(QPointF(centre.x() - r * 0.3, centre.y() - r * 0.3), r * 0.3, r * 0.22);
    p.drawEllipse(QPointF(centre.x() + r * 0.35, centre.y() + r * 0.3), r * 0.25, r * 0.32);
    const QPointF lens(centre.x() + r * 0.7, centre.y() + r * 0.75);
    p.setPen(QPen(QColor(90, 60, 30), r * 0.16, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(lens + QPointF(r * 0.28, r * 0.28), lens + QPointF(r * 0.7, r * 0.7));
    p.setPen(QPen(QColor(40, 40, 40), r * 0.08));
    p.setBrush(QColor(255, 255, 255, 110));
    p.drawEllipse(lens, r * 0.4, r * 0.4);
}
} // namespace

QPixmap WizardPicture(TWizardArt art, QSize size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height();
    if (art == TWizardArt::Header) {
        // The U8 and a double arrow: data going both ways.
        DrawWatch(p, QPointF(w * 0.3, h * 0.5), std::min(w, h) * 0.24);
        p.setPen(QPen(QColor(40, 110, 45), std::max<qreal>(2.0, w * 0.06), Qt::SolidLine, Qt::RoundCap));
        const qreal x0 = w * 0.58, x1 = w * 0.95, y0 = h * 0.36, y1 = h * 0.64, a = w * 0.1;
        p.drawLine(QPointF(x0, y0), QPointF(x1, y0));
        p.drawLine(QPointF(x1, y0), QPointF(x1 - a, y0 - a));
        p.drawLine(QPointF(x1, y0), QPointF(x1 - a, y0 + a));
        p.drawLine(QPointF(x0, y1), QPointF(x1, y1));
        p.drawLine(QPointF(x0, y1), QPointF(x0 + a, y1 - a));
        p.drawLine(QPointF(x0, y1), QPointF(x0 + a, y1 + a));
        return pm;
    }
    DrawLandscape(p, w, h);
    if (art == TWizardArt::Welcome) DrawWatch(p, QPointF(w * 0.5, h * 0.3), w * 0.28);
    if (art == TWizardArt::Bags) DrawBag(p, QPointF(w * 0.38, h * 0.92), w * 0.36);
    if (art == TWizardArt::Query) DrawGlobe(p, QPointF(w * 0.45, h * 0.3), w * 0.28);
    return pm;
}

void TWizardPage::ButtonRow(QBoxLayout* layout, QPushButton*& back, QPushButton*& next,
                            QPushButton*& cancel, const QString& nextCaption) {
    back = new QPushButton("< Back", this);
    back->setObjectName("BackButton");
    next = new QPushButton(nextCaption, this);
    next->setObjectName("NextButton");
    next->setDefault(true);
    cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelButton");
    auto* row = new QHBoxLayout;
    row->setContentsMargins(PageMargin, 0, PageMargin, 0);
    row->addStretch();
    row->addWidget(back);
    row->addWidget(next);
    row->addWidget(cancel);
    layout->addLayout(row);
    connect(back, &QPushButton::clicked, this, [this] { done(wizard::Back); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(wizard::Cancelled); });
}

QRadioButton* TWizardPage::Choice(QBoxLayout* layout, const char* name, const QString& text) {
    auto* b = new QRadioButton(text, this);
    b->setObjectName(name);
    layout->addWidget(b);
    return b;
}
