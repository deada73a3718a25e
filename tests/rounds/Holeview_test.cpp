// The hole view on the round window, driven as a user would.
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "Holeviewfixture.h"
#include "Roundsfixture.h"
#include "rounds/Proctrls.h"

namespace {
// Where a stored position (degrees), or with frame true a ground-frame
// position (metres), lands on the panel.
QPointF ScreenOf(const THoleScene& s, double x, double y, bool frame = false) {
    if (!frame) s.ToFrame(x, y, x, y);
    return PanelPoint(s, x, y);
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QImage Frame(TRoundFrm* frm) {
    return frm->OpenGLAPPanel1->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
}

// Some pixel of the colour within a few pixels of a spot (markers that keep
// their screen size are small, with a black outline and the shot line on them).
bool Near(const QImage& img, QPointF at, QRgb colour, int radius = 3) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const int x = int(std::lround(at.x())) + dx, y = int(std::lround(at.y())) + dy;
            if (img.rect().contains(x, y) && (img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) return true;
        }
    return false;
}
bool Red(const QImage& img, QPointF at) { return Near(img, at, qRgb(255, 0, 0)); }
} // namespace

class HoleViewTest : public RoundsTest {
protected:
    TRoundFrm* Open(long long id) {
        TRoundsForm* list = OpenList();
        Select(list, id);
        list->Viewround1Click();
        for (TRoundFrm* f : Children<TRoundFrm>())
            if (f->Tag == id) return f;
        return nullptr;
    }
    bool ShowHoles(TRoundFrm* frm) {
        frm->PageControl->setCurrentIndex(1);
        frm->FormActivate();
        return WaitFor([&] { return frm->OpenGLAPPanel1->isVisible() && frm->OpenGLAPPanel1->HasGLContext(); },
                       5000);
    }
};

TEST_F(HoleViewTest, HoleOneIsDrawnAndNavigated) {
    TRoundFrm* frm = Open(roundId);
    ASSERT_NE(frm, nullptr);
    // The tool bar as the form lays it out.
    EXPECT_EQ(frm->OpenGLAPPanel1->geometry(), QRect(2, 8, 318, 281));
    EXPECT_EQ(frm->OpenGLToolBar->geometry(), QRect(293, 0, 24, 138));
    EXPECT_EQ(frm->ScrollHorizonal->geometry(), QRect(0, 72, 24, 17));
    EXPECT_EQ(frm->ToolbtnRotRight->geometry(), QRect(0, 114, 24, 24));
    EXPECT_TRUE(frm->ToolbtnZoomIN->RepeatEnabled());
    EXPECT_EQ(frm->ScrollVertical->Position, 500);
    EXPECT_EQ(frm->ScrollVertical->toolTip(), "Scroll");
    EXPECT_FALSE(frm->OpenGLAPPanel1->accessibleName().isEmpty());

    ASSERT_TRUE(ShowHoles(frm));
    THoleScene& s = *frm->Scene;
    // Tees and first shot at 60.1, the pin 0.004 north: the pin straight ahead.
    EXPECT_NEAR(s.Rotation, 0, 1e-9);
    double centreLongitude, centreLatitude;
    s.FromFrame(s.CentreX, s.CentreY, centreLongitude, centreLatitude);
    EXPECT_NEAR(centreLatitude, 60.102, 1e-9);
    QImage img = Frame(frm);
    const QPointF pin = ScreenOf(s, 24.9, 60.104);
    EXPECT_NEAR(pin.x(), 159, 1.5);
    EXPECT_TRUE(Near(img, pin, qRgb(0, 255, 0)));
    EXPECT_TRUE(Red(img, ScreenOf(s, 24.9, 60.101)));
    EXPECT_TRUE(IsClearColour(img, 5, 5));
    // The green octagon is drawn at the pin in the green shape's colour.
    double pinX, pinY;
    s.ToFrame(24.9, 60.104, pinX, pinY);
    const QPointF ring = ScreenOf(s, pinX + 3 * s.MarkerSize, pinY, true);
    EXPECT_TRUE(PixelIs(img, int(std::lround(ring.x())), int(std::lround(ring.y())), 0, 196, 0));

    // Held zoom-in: each repetition moves further.
    const double base = s.BaseStep;
    double z = s.CameraZ;
    SendMouse(frm->ToolbtnZoomIN, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    std::vector<double> moves;
    for (int i = 0; i < 3; ++i) {
        frm->ToolbtnZoomIN->TimerExpired();
        moves.push_back(s.CameraZ - z);
        z = s.CameraZ;
    }
    SendMouse(frm->ToolbtnZoomIN, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(moves[0], 2 * base, 1e-12);
    EXPECT_NEAR(moves[1], 3 * base, 1e-12);
    EXPECT_NEAR(moves[2], 4 * base, 1e-12);
    EXPECT_NEAR(s.CameraZ - z, 5 * base, 1e-12);  // the click at release
    // Releasing an up-down arrow returns the step to its base.
    SendMouse(frm->ScrollVertical->NextButton(), QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(frm->ScrollVertical->NextButton(), QEvent::MouseButtonRelease, {3, 3}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(s.CurrentStep, base);
    EXPECT_EQ(frm->ScrollVertical->Position, 501);

    // A left drag pans: the world point under the pointer stays under it.
    double wx, wy;
    s.ScreenToWorld(100, 100, wx, wy);
    SendMouse(frm->OpenGLAPPanel1, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(frm->OpenGLAPPanel1, QEvent::MouseMove, {140, 130}, Qt::NoButton, Qt::LeftButton);
    SendMouse(frm->OpenGLAPPanel1, QEvent::MouseButtonRelease, {140, 130}, Qt::LeftButton, Qt::NoButton);
    double ax, ay;
    s.ScreenToWorld(140, 130, ax, ay);
    EXPECT_NEAR(ax, wx, 1e-10);
    EXPECT_NEAR(ay, wy, 1e-10);
    EXPECT_FALSE(s.Dragging);
    const QImage panned = Frame(frm);
    EXPECT_NE(panned, img);
    // A right drag upwards zooms in.
    z = s.CameraZ;
    SendMouse(frm->OpenGLAPPanel1, QEvent::MouseButtonPress, {150, 200}, Qt::RightButton, Qt::RightButton);
    SendMouse(frm->OpenGLAPPanel1, QEvent::MouseMove, {150, 150}, Qt::NoButton, Qt::RightButton);
    SendMouse(frm->OpenGLAPPanel1, QEvent::MouseButtonRelease, {150, 150}, Qt::RightButton, Qt::NoButton);
    EXPECT_NEAR(s.CameraZ - z, 2 * base, 1e-12);
    // Rotate: five degrees a click, and the picture turns.
    frm->ToolbtnRotLeft->Click();
    EXPECT_NEAR(s.Rotation, 5, 1e-9);
    frm->ToolbtnRotRight->Click();
    frm->ToolbtnRotRight->Click();
    EXPECT_NEAR(s.Rotation, -5, 1e-9);
    EXPECT_NE(Frame(frm), panned);

    // Hole 5 has no point with a position: only the clear colour.
    frm->ShowHole(5);
    const QImage empty = Frame(frm);
    for (int y = 0; y < empty.height(); y += 9)
        for (int x = 0; x < 285; x += 9) ASSERT_TRUE(IsClearColour(empty, x, y)) << x << "," << y;
    EXPECT_TRUE(log.Empty());

    QPointer<TRoundFrm> guard(frm);
    frm->OKBtnClick();
    Flush();
    EXPECT_TRUE(guard.isNull());
}

TEST_F(HoleViewTest, TwoRoundWindowsDrawTheirOwnHole) {
    // A second round whose shots on hole 1 lie east of the first round's.
    const long long other = AddRound(alpha, 1, "2026-05-02 10:00:00", "Second");
    for (int i = 0; i < 3; ++i) AddShot(other, 1, i + 1, driver, 0, "", 60.1 + i * 0.0015, 24.9015, 150);
    TRoundFrm* a = Open(roundId);
    TRoundFrm* b = Open(other);
    ASSERT_TRUE(a && b);
    MainForm->MdiArea()->tileSubWindows();
    ASSERT_TRUE(ShowHoles(a));
    ASSERT_TRUE(ShowHoles(b));
    for (int i = 0; i < 3; ++i) {
        a->OpenGLAPPanel1->Repaint();
        b->OpenGLAPPanel1->Repaint();
    }
    const QImage ia = Frame(a), ib = Frame(b);
    EXPECT_NE(ia, ib);
    // Each window's second shot where its own camera puts it.
    const QPointF shotA = ScreenOf(*a->Scene, 24.9, 60.101);
    const QPointF shotB = ScreenOf(*b->Scene, 24.9015, 60.1015);
    EXPECT_TRUE(Red(ia, shotA));
    EXPECT_TRUE(Red(ib, shotB));
    EXPECT_FALSE(Red(ia, ScreenOf(*a->Scene, 24.9015, 60.1015)));
    EXPECT_NE(a->OpenGLAPPanel1->context(), b->OpenGLAPPanel1->context());

    // Closing one leaves the other drawing.
    QPointer<TRoundFrm> ga(a);
    a->OKBtnClick();
    Flush();
    EXPECT_TRUE(ga.isNull());
    b->OpenGLAPPanel1->Repaint();
    EXPECT_TRUE(Red(Frame(b), shotB));
    b->OKBtnClick();
    Flush();
    EXPECT_TRUE(log.Empty());
}

TEST_F(HoleViewTest, ClosingFreesTheSceneAndHidesTheView) {
    TRoundFrm* frm = Open(roundId);
    ASSERT_NE(frm, nullptr);
    ASSERT_NE(frm->Scene, nullptr);  // made by the constructor
    // A hole loaded before the panel's context exists keeps its view.
    frm->ShowHole(1);
    const double base = frm->Scene->BaseStep, rotation = frm->Scene->Rotation;
    ASSERT_TRUE(ShowHoles(frm));
    EXPECT_EQ(frm->Scene->BaseStep, base);
    EXPECT_EQ(frm->Scene->Rotation, rotation);
    frm->FormClose();
    EXPECT_EQ(frm->Scene, nullptr);
    EXPECT_EQ(frm->ScenePoints, nullptr);
    EXPECT_FALSE(frm->OpenGLAPPanel1->isVisibleTo(frm));
    EXPECT_FALSE(frm->OpenGLToolBar->isEnabled());
    // Handlers after close do nothing.
    frm->ToolbtnZoomINClick();
    frm->ScrollHorizonalClick(btPrev);
    frm->OKBtnClick();
    Flush();
}

TEST_F(HoleViewTest, OpeningAndClickingHolesShowsTheViewWithoutHelp) {
    // As a user: open from the list, click the Holes tab; the window's own
    // activation shows the group, the panel and the tool bar.
    TRoundFrm* frm = Open(roundId);
    ASSERT_NE(frm, nullptr);
    frm->PageControl->setCurrentIndex(1);
    ASSERT_TRUE(WaitFor([&] { return frm->OpenGLAPPanel1->isVisible() && frm->OpenGLAPPanel1->HasGLContext(); },
                        5000));
    EXPECT_TRUE(frm->OGLGroupBox->isEnabled());
    EXPECT_TRUE(frm->OpenGLToolBar->isVisible());
    EXPECT_TRUE(Red(Frame(frm), ScreenOf(*frm->Scene, 24.9, 60.101)));
    frm->OKBtnClick();
    Flush();
}

TEST_F(HoleViewTest, SeventeenShotsKeepTotalAndResultOnThePage) {
    const long long many = AddRound(alpha, 1, "2026-05-03 10:00:00", "Long");
    for (int i = 0; i < 17; ++i) AddShot(many, 1, i + 1, iron, 0, "", 60.1 + i * 0.0002, 24.9, 20);
    Update("RoundHoles", "RoundId = " + std::to_string(many) + " and HoleId = 1", {{"HoleShotsTotal", 17}});
    TRoundFrm* frm = Open(many);
    ASSERT_NE(frm, nullptr);
    ASSERT_TRUE(ShowHoles(frm));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Too many strokes to display"});
    ASSERT_EQ(frm->ShotRowCount, 17);
    const auto text = [&](const char* name) {
        const QLabel* l = frm->findChild<QLabel*>(name);
        return l ? l->text().toStdString() : std::string("<none>");
    };
    EXPECT_EQ(text("laabeliR18C0"), "Total");
    EXPECT_EQ(text("laabeliR18C1"), "17");
    EXPECT_EQ(text("laabeliR19C1"), "OTHER");
    // Total and result lie whole on the page, below the shot rows, and their
    // text is there on the screen.
    const QImage page = frm->Holes->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (const char* name : {"laabeliR18C0", "laabeliR18C1", "laabeliR19C0", "laabeliR19C1"}) {
        const QLabel* l = frm->findChild<QLabel*>(name);
        ASSERT_NE(l, nullptr) << name;
        EXPECT_TRUE(l->isVisible()) << name;
        const QRect r(l->mapTo(frm->Holes, QPoint(0, 0)), l->size());
        EXPECT_TRUE(frm->Holes->rect().contains(r)) << name;
        EXPECT_GT(r.top(), frm->ShotRows->geometry().bottom()) << name;
        int dark = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.left() + l->fontMetrics().horizontalAdvance(l->text()); ++x)
                if (page.rect().contains(x, y) && QColor(page.pixel(x, y)).lightness() < 100) ++dark;
        EXPECT_GT(dark, 10) << name;
    }
    for (const char* row : {"laabeliR18C", "laabeliR19C"}) {
        const QLabel* caption = frm->findChild<QLabel*>(QString(row) + "0");
        const QLabel* value = frm->findChild<QLabel*>(QString(row) + "1");
        EXPECT_GE(value->x(), caption->x() + caption->fontMetrics().horizontalAdvance(caption->text()) + 3) << row;
    }
    // The last shot scrolls into view.
    QLabel* last = frm->findChild<QLabel*>("laabeliR16C0");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->text(), "17");
    const QRect viewport = frm->ShotRows->viewport()->rect();
    EXPECT_FALSE(viewport.contains(QRect(last->mapTo(frm->ShotRows->viewport(), QPoint(0, 0)), last->size())));
    frm->ShotRows->ensureWidgetVisible(last);
    EXPECT_TRUE(viewport.contains(QRect(last->mapTo(frm->ShotRows->viewport(), QPoint(0, 0)), last->size())));
    frm->OKBtnClick();
    Flush();
}

TEST(HoleRows, AShortHoleKeepsItsRowsALongOneScrollsThem) {
    // Four shots: sand line at row 4, total at row 5, result at row 6.
    const auto four = TRoundFrm::PlaceHoleRows(4, 330);
    EXPECT_EQ(four.AreaHeight, 5 * 17);
    EXPECT_EQ(four.TotalTop, 72 + 5 * 17);
    EXPECT_EQ(four.ResultTop, 72 + 6 * 17);
    // However many shots, the result ends on the page.
    for (int shots : {12, 13, 15, 17, 37}) {
        const auto place = TRoundFrm::PlaceHoleRows(shots, 330);
        EXPECT_LE(place.ResultTop + 16, 330) << shots;
        EXPECT_EQ(place.TotalTop, 72 + place.AreaHeight) << shots;
        EXPECT_LE(place.AreaHeight, 17 * (shots + 1)) << shots;
    }
    EXPECT_EQ(TRoundFrm::PlaceHoleRows(12, 330).AreaHeight, 13 * 17);
}
