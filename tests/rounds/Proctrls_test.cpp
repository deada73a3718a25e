#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

#include "rounds/Proctrls.h"
#include "support/Testsupport.h"

namespace {
void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void Press(QWidget* w, QPoint at = {5, 5}) { Mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton); }
void Release(QWidget* w, QPoint at = {5, 5}) { Mouse(w, QEvent::MouseButtonRelease, at, Qt::NoButton); }
void MoveTo(QWidget* w, QPoint at) { Mouse(w, QEvent::MouseMove, at, Qt::LeftButton); }

struct RepeatButton {
    QWidget host;
    TProSpeedButton* button = new TProSpeedButton(&host);
    int clicks = 0;
    RepeatButton() {
        button->setGeometry(0, 0, 24, 24);
        button->SetRepeatEnabled(true);
        button->OnClick = [this](QObject*) { ++clicks; };
        host.resize(100, 100);
        host.show();
    }
};
} // namespace

TEST(ProSpeedButton, ShortClickGivesOneClickAtRelease) {
    RepeatButton r;
    Press(r.button);
    EXPECT_EQ(r.clicks, 0);
    ASSERT_NE(r.button->RepeatTimer(), nullptr);
    EXPECT_TRUE(r.button->RepeatTimer()->isActive());
    EXPECT_EQ(r.button->RepeatTimer()->interval(), 400);
    ProcessEventsFor(150);
    Release(r.button);
    EXPECT_EQ(r.clicks, 1);
    EXPECT_FALSE(r.button->RepeatTimer()->isActive());
}

TEST(ProSpeedButton, HeldButtonRepeatsFirstAfterTheInitialInterval) {
    RepeatButton r;
    Press(r.button);
    QTimer* timer = r.button->RepeatTimer();
    // Driving the timer: each tick clicks while the button is held over it.
    r.button->TimerExpired();
    EXPECT_EQ(r.clicks, 1);
    EXPECT_EQ(timer->interval(), 100);
    r.button->TimerExpired();
    r.button->TimerExpired();
    EXPECT_EQ(r.clicks, 3);
    Release(r.button);
    EXPECT_EQ(r.clicks, 4);
    EXPECT_FALSE(timer->isActive());
    // A tick after release clicks nothing.
    r.button->TimerExpired();
    EXPECT_EQ(r.clicks, 4);
}

TEST(ProSpeedButton, HoldingForASecondOnTheRealTimer) {
    RepeatButton r;
    QElapsedTimer clock;
    std::vector<qint64> at;
    r.button->OnClick = [&](QObject*) { at.push_back(clock.elapsed()); };
    clock.start();
    Press(r.button);
    ProcessEventsFor(1030);
    const qint64 held = clock.elapsed();
    const size_t repeats = at.size();
    // 400, 500, ..., 1000 ms: seven on an idle machine, one either way for
    // timer slack; a busy machine may drop ticks, so the count is checked
    // against the time really held.
    ASSERT_FALSE(at.empty());
    EXPECT_GE(at.front(), 380);
    for (size_t i = 1; i < at.size(); ++i) EXPECT_GE(at[i] - at[i - 1], 90) << i;
    EXPECT_LE(repeats, size_t((held - 400) / 100 + 2));
    if (held < 1100) EXPECT_GE(repeats, 6u);
    Release(r.button);
    EXPECT_EQ(at.size(), repeats + 1);
}

TEST(ProSpeedButton, NothingClicksWithThePointerOffTheButton) {
    RepeatButton r;
    Press(r.button);
    MoveTo(r.button, {60, 60});
    EXPECT_FALSE(r.button->Pressed());
    r.button->TimerExpired();
    r.button->TimerExpired();
    EXPECT_EQ(r.clicks, 0);
    // Back over it: the repeats resume.
    MoveTo(r.button, {5, 5});
    r.button->TimerExpired();
    EXPECT_EQ(r.clicks, 1);
    MoveTo(r.button, {60, 60});
    Release(r.button, {60, 60});
    EXPECT_EQ(r.clicks, 1);
}

TEST(ProSpeedButton, WithoutRepeatItIsAPlainSpeedButton) {
    RepeatButton r;
    r.button->SetRepeatEnabled(false);
    Press(r.button);
    EXPECT_EQ(r.button->RepeatTimer(), nullptr);
    ProcessEventsFor(450);
    Release(r.button);
    EXPECT_EQ(r.clicks, 1);
    // Clearing the flag while the timer runs stops it.
    RepeatButton s;
    Press(s.button);
    s.button->SetRepeatEnabled(false);
    EXPECT_FALSE(s.button->RepeatTimer()->isActive());
    Release(s.button);
}

TEST(ProSpeedButton, AClickThatThrowsStopsTheTimer) {
    RepeatButton r;
    r.button->OnClick = [](QObject*) { throw std::runtime_error("failed"); };
    Press(r.button);
    EXPECT_THROW(r.button->TimerExpired(), std::runtime_error);
    EXPECT_FALSE(r.button->RepeatTimer()->isActive());
    r.button->OnClick = nullptr;
    Release(r.button);
}

TEST(ProPanel, Frame3DSides) {
    TRect r{0, 0, 10, 10};
    Frame3DSides(nullptr, r, TSides{}, Qt::red, Qt::blue, 0);
    EXPECT_EQ(r, (TRect{0, 0, 10, 10}));
    Frame3DSides(nullptr, r, TSides::Of({sdTop, sdBottom}), Qt::red, Qt::blue, 2);
    EXPECT_EQ(r, (TRect{0, 2, 10, 8}));

    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    TRect all{0, 0, 10, 10};
    Frame3DSides(&p, all, TSides{}, Qt::red, Qt::blue, 1);
    p.end();
    EXPECT_EQ(all, (TRect{1, 1, 9, 9}));
    EXPECT_EQ(img.pixelColor(0, 5), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(5, 0), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(9, 5), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(5, 9), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(5, 5), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(1, 1), QColor(Qt::white));
}

TEST(ProPanel, BevelsCaptionAndSetters) {
    TProPanel panel;
    EXPECT_TRUE(panel.Caption().isEmpty());
    EXPECT_EQ(panel.BevelOuter(), bvRaised);
    EXPECT_EQ(panel.BevelInner(), bvNone);
    EXPECT_EQ(panel.BevelWidth(), 1);
    EXPECT_EQ(panel.BevelSides(), TSides{});
    EXPECT_EQ(panel.VerticalAlignment(), vaCenter);
    panel.SetBevelCtl3D(true);
    EXPECT_EQ(panel.BevelWidth(), 2);
    panel.SetBevelWidth(5);
    panel.AlignControls();
    EXPECT_EQ(panel.BevelWidth(), 2);
    panel.SetBevelCtl3D(false);
    EXPECT_EQ(panel.BevelWidth(), 1);
    // Two one-pixel rings per bevel with BevelCtl3D: the raised outer ring
    // in highlight and button text, the inner in 3D light and shadow.
    panel.SetBevelCtl3D(true);
    panel.resize(40, 30);
    const QImage img = panel.grab().toImage();
    const QPalette pal = panel.palette();
    auto near = [&](int x, int y, QPalette::ColorRole role) {
        const QColor a = img.pixelColor(x, y), b = pal.color(role);
        return std::abs(a.red() - b.red()) <= 1 && std::abs(a.green() - b.green()) <= 1 &&
               std::abs(a.blue() - b.blue()) <= 1;
    };
    EXPECT_TRUE(near(0, 15, QPalette::Light));
    EXPECT_TRUE(near(39, 15, QPalette::ButtonText));
    EXPECT_TRUE(near(1, 15, QPalette::Midlight));
    EXPECT_TRUE(near(38, 15, QPalette::Dark));
    EXPECT_TRUE(near(20, 15, QPalette::Button));

    // A bottom-aligned caption sits at the bottom of the area inside the bevels.
    auto textRows = [](TProPanel& p) {
        const QImage i = p.grab().toImage();
        int top = i.height(), bottom = -1;
        for (int y = 2; y < i.height() - 2; ++y)
            for (int x = 2; x < i.width() - 2; ++x)
                if (qGray(i.pixel(x, y)) < 80) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        return std::pair{top, bottom};
    };
    TProPanel captioned;
    captioned.resize(80, 80);
    captioned.SetCaption("Xg");
    captioned.SetVerticalAlignment(vaBottom);
    const auto [top, bottom] = textRows(captioned);
    EXPECT_GT(top, 50);
    EXPECT_GE(bottom, 70);
    captioned.SetVerticalAlignment(vaTop);
    EXPECT_LT(textRows(captioned).first, 10);
    captioned.SetVerticalAlignment(vaCenter);
    const auto centre = textRows(captioned);
    EXPECT_GT(centre.first, 20);
    EXPECT_LT(centre.second, 60);
}

TEST(ProLabel, ShadowStylePresets) {
    struct Row {
        TShadowStyle style;
        TDirection hd;
        int hdepth;
        TDirection sd;
        int sdepth, ssize;
    };
    const Row table[] = {
        {ssNone, drNone, 0, drNone, 0, 0},
        {ssRaised, drUpLeft, 1, drNone, 0, 0},
        {ssRaisedColor, drUpLeft, 1, drDownRight, 1, 1},
        {ssRaisedShadow, drUpLeft, 1, drDownRight, 1, 1},
        {ssRaisedThickShadow, drUpLeft, 1, drDownRight, 1, 4},
        {ssRecessed, drDownRight, 1, drNone, 0, 0},
        {ssRecessedColor, drDownRight, 1, drUpLeft, 1, 1},
        {ssRecessedShadow, drDownRight, 1, drUpLeft, 1, 1},
        {ssShadow, drNone, 0, drDownRight, 2, 1},
        {ssThickShadow, drNone, 0, drDownRight, 1, 4},
    };
    TProLabel label;
    for (const Row& r : table) {
        label.SetShadowStyle(r.style);
        EXPECT_EQ(label.ShadowStyle(), r.style);
        EXPECT_EQ(label.HighlightDirection(), r.hd) << r.style;
        EXPECT_EQ(label.HighlightDepth(), r.hdepth) << r.style;
        EXPECT_EQ(label.ShadowDirection(), r.sd) << r.style;
        EXPECT_EQ(label.ShadowDepth(), r.sdepth) << r.style;
        EXPECT_EQ(label.ShadowSize(), r.ssize) << r.style;
        EXPECT_EQ(label.HighlightColor(), label.palette().color(QPalette::Light));
        EXPECT_EQ(label.ShadowColor(), label.palette().color(QPalette::Dark));
    }
    label.SetShadowStyle(ssRaisedColor);
    EXPECT_EQ(label.FontColor(), label.palette().color(QPalette::Button));
    label.SetShadowDepth(3);
    EXPECT_EQ(label.ShadowStyle(), ssCustom);
    label.SetShadowStyle(ssCustom);
    EXPECT_EQ(label.ShadowDepth(), 3);
    label.SetAngle(-90);
    EXPECT_EQ(label.Angle(), 270);
    label.SetAngle(725);
    EXPECT_EQ(label.Angle(), 5);
    EXPECT_EQ(DirectionStep(drDownLeft), QPoint(-1, 1));
    EXPECT_EQ(DirectionStep(drUpRight), QPoint(1, -1));
    // The shadow copy is drawn offset from the caption.
    TProLabel shadowed;
    shadowed.SetColor(Qt::white);
    shadowed.SetFontColor(Qt::white);
    shadowed.SetShadowStyle(ssShadow);
    shadowed.SetShadowColor(Qt::black);
    shadowed.SetCaption("MMMM");
    const QImage img = shadowed.grab().toImage();
    int dark = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 100) ++dark;
    EXPECT_GT(dark, 10);
}

TEST(ProButton, KindsSetDefaultCancelResultAndCaption) {
    TProButton b;
    b.SetKind(pbkOk);
    EXPECT_EQ(b.text(), "OK");
    EXPECT_TRUE(b.Default());
    EXPECT_FALSE(b.Cancel);
    EXPECT_EQ(b.ModalResult, 1);
    EXPECT_EQ(b.Kind(), pbkOk);
    b.SetKind(pbkNo);
    EXPECT_EQ(b.text(), "&No");
    EXPECT_FALSE(b.Default());
    EXPECT_TRUE(b.Cancel);
    EXPECT_EQ(b.ModalResult, 7);
    b.SetKind(pbkNoGer);  // no German row: the English caption
    EXPECT_EQ(b.text(), "&No");
    EXPECT_EQ(b.ModalResult, 7);
    EXPECT_EQ(ProButtonKindValues(pbkNoGer).StringId, 30100 + 20 * 6 + 4);
    EXPECT_EQ(ProButtonKindValues(pbkYesSlk).StringId, 30138);
    EXPECT_EQ(ProButtonKindValues(pbkYesSlk).Caption, "&Yes");
    const TProButtonKindValues finish = ProButtonKindValues(pbkFinish);
    EXPECT_EQ(finish.Caption, "&Finish");
    EXPECT_TRUE(finish.Default);
    EXPECT_EQ(finish.ModalResult, 10);
    EXPECT_EQ(ProButtonKindValues(pbkPrevChn).Caption, "< &Back");
    EXPECT_EQ(ProButtonKindValues(pbkPrevChn).ModalResult, 0);
    EXPECT_EQ(ProButtonKindValues(pbkAbortKor).ModalResult, 3);
    EXPECT_EQ(ProButtonKindValues(pbkHelp).Caption, "&Help");
    // Kind reads back custom once a value no longer matches.
    b.SetKind(pbkCancel);
    b.ModalResult = 1;
    EXPECT_EQ(b.Kind(), pbkCustom);
    EXPECT_EQ(b.Kind(), pbkCustom);
}

TEST(ProButton, ClickingKinds) {
    QDialog dialog;
    auto* ok = new TProButton(&dialog);
    ok->SetKind(pbkNo);
    dialog.show();
    ok->click();
    EXPECT_EQ(dialog.result(), 7);
    EXPECT_FALSE(dialog.isVisible());

    QWidget form;
    auto* close = new TProButton(&form);
    close->SetKind(pbkClose);
    int clicks = 0;
    close->OnClick = [&](QObject*) { ++clicks; };
    form.show();
    close->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(clicks, 0);

    // In an MDI child, Close closes the child, not the whole main window.
    QMdiArea area;
    auto* child = new QWidget;
    auto* closeChild = new TProButton(child);
    closeChild->SetKind(pbkClose);
    QMdiSubWindow* sub = area.addSubWindow(child);
    area.show();
    sub->show();
    EXPECT_EQ(closeChild->Form(), sub);
    closeChild->click();
    EXPECT_TRUE(area.isVisible());
    EXPECT_FALSE(sub->isVisible());

    // A Help kind without any help context runs the ordinary click.
    QWidget plain;
    auto* help = new TProButton(&plain);
    help->SetKind(pbkHelp);
    help->OnClick = [&](QObject*) { ++clicks; };
    help->click();
    EXPECT_EQ(clicks, 1);
}

TEST(ProButton, EscClicksTheCancelButtonAndEnterTheDefault) {
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    auto* cancel = new TProButton(&dialog);
    cancel->move(0, 40);
    cancel->SetKind(pbkCancel);
    int clicks = 0;
    cancel->OnClick = [&](QObject*) { ++clicks; };
    dialog.show();
    edit->setFocus();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(edit, &esc);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(dialog.result(), 2);  // the button's modal result, not a plain rejection
    EXPECT_FALSE(dialog.isVisible());

    // Without Cancel, Esc is left to the form.
    QDialog other;
    auto* plain = new TProButton(&other);
    plain->SetKind(pbkOk);
    plain->OnClick = [&](QObject*) { ++clicks; };
    other.show();
    other.setResult(5);
    QKeyEvent esc2(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&other, &esc2);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(other.result(), 0);
    EXPECT_FALSE(other.isVisible());

    // Enter in a form that is no dialog clicks the Default button.
    QWidget form;
    auto* field = new QLineEdit(&form);
    auto* ok = new TProButton(&form);
    ok->move(0, 40);
    ok->SetKind(pbkOk);
    int oks = 0;
    ok->OnClick = [&](QObject*) { ++oks; };
    form.show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    EXPECT_EQ(oks, 1);
    ok->SetKind(pbkCancel);
    QKeyEvent enter2(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(field, &enter2);
    EXPECT_EQ(oks, 1);
}

TEST(ProListBox, ExtentFollowsTheWidestItemWithAnI) {
    TProListBox box;
    box.resize(60, 100);
    const QFontMetrics fm(box.font());
    box.AddString("abc");
    box.AddString("abcdefghijkl");
    box.InsertString(0, "ab");
    EXPECT_EQ(box.WidestItem(), fm.horizontalAdvance("abcdefghijklI"));
    box.SetHorzScrollExtent(10);
    EXPECT_EQ(box.HorizontalExtent(), 10 + fm.horizontalAdvance("abcdefghijklI"));
    box.DeleteString(2);
    EXPECT_EQ(box.WidestItem(), fm.horizontalAdvance("abcI"));
    box.DeleteString(0);  // not the widest: unchanged
    EXPECT_EQ(box.WidestItem(), fm.horizontalAdvance("abcI"));
    box.SetAutoHorzScroll(false);
    EXPECT_EQ(box.HorizontalExtent(), 10);
    box.SetAutoHorzScroll(true);
    box.ClearList();
    EXPECT_EQ(box.WidestItem(), 0);
    EXPECT_EQ(box.HorizontalExtent(), 10);
    box.AddString("wide wide wide wide");
    QFont big = box.font();
    big.setPixelSize(30);
    box.setFont(big);
    EXPECT_EQ(box.WidestItem(), QFontMetrics(big).horizontalAdvance("wide wide wide wideI"));
}

TEST(ProControls, RestOfTheSet) {
    TProLabelEdit edit;
    EXPECT_EQ(edit.size(), QSize(250, 21));
    EXPECT_EQ(edit.Caption(), "LabelEdit:");
    EXPECT_EQ(edit.LabelWidth(), 100);
    EXPECT_EQ(edit.Edit->x(), edit.LabelWidth() + edit.Gap());
    EXPECT_EQ(edit.Edit->x() + edit.Edit->width(), 250);
    edit.SetLabelPosition(lpTop);
    edit.resize(250, 60);
    EXPECT_EQ(edit.Edit->x(), 0);
    EXPECT_EQ(edit.Edit->y(), edit.LabelHeight() + edit.Gap());

    TProBorder border;
    EXPECT_EQ(border.size(), QSize(50, 50));
    EXPECT_EQ(border.BevelOuter(), bvLowered);
    border.SetBevelCtl3D(true);
    EXPECT_EQ(border.BevelWidth(), 2);
    border.SetBevelWidth(4);
    EXPECT_EQ(border.BevelWidth(), 2);
    border.SetBevelCtl3D(false);
    border.SetBevelWidth(4);
    EXPECT_EQ(border.BevelWidth(), 4);

    TProMouseRegion region;
    EXPECT_EQ(region.size(), QSize(105, 105));

    TProComboBox combo;
    EXPECT_EQ(combo.ItemIndex(), -1);
    combo.addItems({"a", "b"});
    EXPECT_EQ(combo.ItemIndex(), -1);  // nothing chosen yet
    combo.SetItemIndex(1);
    EXPECT_EQ(combo.ItemIndex(), 1);
    combo.addItem("c");
    EXPECT_EQ(combo.ItemIndex(), 1);

    TProImage image;
    QPixmap pm(4, 4);
    pm.fill(Qt::red);
    image.SetAutoSize(true);
    image.SetPicture(pm);
    EXPECT_EQ(image.size(), QSize(4, 4));
    image.SetAutoSize(false);
    image.resize(10, 10);
    image.SetTiled(true);
    EXPECT_EQ(image.grab().toImage().pixelColor(9, 9), QColor(Qt::red));

    const QString text = TProClockLabel::FormatDateTime("c", QDateTime(QDate(2026, 5, 1), QTime(13, 4, 5)));
    EXPECT_TRUE(text.contains("13:04:05")) << text.toStdString();
    TProClockLabel clock;
    int ticks = 0;
    clock.OnTimer = [&](QObject*) { ++ticks; };
    clock.SetInterval(20);
    ProcessEventsFor(120);
    EXPECT_GE(ticks, 2);
    clock.SetEnabled(false);
    const int stopped = ticks;
    ProcessEventsFor(60);
    EXPECT_EQ(ticks, stopped);
    EXPECT_FALSE(clock.Caption().isEmpty());
}

TEST(UpDown, ArrowsClickWhateverThePosition) {
    TUpDown up(udVertical);
    up.Min = 0;
    up.Max = 2;
    up.Position = 1;
    std::vector<TUDBtnType> clicks;
    up.OnClick = [&](QObject*, TUDBtnType b) { clicks.push_back(b); };
    for (int i = 0; i < 4; ++i) up.Click(btNext);
    EXPECT_EQ(up.Position, 2);
    EXPECT_EQ(clicks.size(), 4u);
    for (int i = 0; i < 5; ++i) up.Click(btPrev);
    EXPECT_EQ(up.Position, 0);
    EXPECT_EQ(clicks.size(), 9u);
    EXPECT_EQ(clicks.back(), btPrev);
    // Mouse on the arrows: the up arrow is next, release reports mouse-up.
    up.resize(24, 24);
    up.show();
    int ups = 0;
    up.OnMouseUp = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++ups; };
    Press(up.NextButton());
    Release(up.NextButton());
    EXPECT_EQ(clicks.back(), btNext);
    Press(up.PrevButton());
    Release(up.PrevButton());
    EXPECT_EQ(clicks.back(), btPrev);
    EXPECT_EQ(ups, 2);
    TUpDown across(udHorizontal);
    across.resize(24, 17);
    across.show();
    EXPECT_LT(across.PrevButton()->x(), across.NextButton()->x());
}
