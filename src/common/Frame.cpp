#include "common/Frame.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStyle>
#include <algorithm>

namespace {
TFrame* current = nullptr;
}

TFrame::TFrame()
    : PlayerTable(&Database, "PlayerDetail"),
      RoundTable(&Database, "Round"),
      RoundHolesTable(&Database, "RoundHoles"),
      RoundShotsTable(&Database, "RoundShots") {}

TFrame::~TFrame() {
    if (current == this) current = nullptr;
}

TFrame* Frame() { return current; }

QWidget* FrameWindow() { return current ? current->Window() : nullptr; }

TDatabase* MainDatabase() { return current ? &current->Database : nullptr; }

void SetFrame(TFrame* frame) { current = frame; }

void SizeMdiChild(QMdiSubWindow* sub, QSize client) {
    if (!sub || !sub->widget() || client.isEmpty()) return;
    const QMargins m = sub->contentsMargins();
    const int title = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
    const int frame = sub->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, sub);
    sub->resize(client.width() + m.left() + m.right() + 2 * frame,
                client.height() + m.top() + m.bottom() + title + frame);
    if (QLayout* layout = sub->layout()) layout->activate();
    // Whatever the style adds, the client area ends up at the wanted size.
    const QSize got = sub->widget()->size();
    if (got != client) sub->resize(sub->size() + (client - got));
}

namespace {
// Where a window of this size lies inside the area, moved in by as little as
// it must; one larger than the area keeps its top left corner in it.
QPoint PlaceInside(const QRect& window, const QRect& area) {
    return {std::max(area.left(), std::min(window.left(), area.right() + 1 - window.width())),
            std::max(area.top(), std::min(window.top(), area.bottom() + 1 - window.height()))};
}

constexpr const char* PlacedProperty = "caddoraPlaced";
// Set on a window the program has just moved: its next showing fits it again.
constexpr const char* MovedProperty = "caddoraMoved";

// Places each window when it is first shown, no larger than its area where
// it can shrink. A window shown again (a dialog reopened, an MDI child back
// after a restore of the frame) stays where it was left, unless the program
// has moved it since (a tool window too).
class TWorkAreaKeeper : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(watched);
        const bool moved = w->property(MovedProperty).toBool();
        const bool window = w->isWindow() &&
                            (moved || w->windowType() == Qt::Window || w->windowType() == Qt::Dialog);
        auto* sub = qobject_cast<QMdiSubWindow*>(w);
        if ((!sub && !window) || (w->property(PlacedProperty).toBool() && !moved)) return false;
        QRect area;
        if (sub && sub->mdiArea()) area = sub->mdiArea()->viewport()->rect();
        else if (!sub && w->screen()) area = w->screen()->availableGeometry();
        if (area.isEmpty()) return false;
        w->setProperty(PlacedProperty, true);
        w->setProperty(MovedProperty, false);
        Fit(w, area);
        return false;
    }

private:
    // The window system's frame counts: title bar and borders stay in the area
    // too. A window it has not framed yet is taken to get a frame like the main
    // window's, and a move places its client area.
    static void Fit(QWidget* w, const QRect& area) {
        QRect frame = w->frameGeometry();
        QPoint client;
        const QWidget* main = FrameWindow();
        if (frame == w->geometry() && w->isWindow() && main && main != w) {
            client = main->geometry().topLeft() - main->frameGeometry().topLeft();
            frame.setSize(w->size() + main->frameGeometry().size() - main->size());
        }
        const QSize edges = frame.size() - w->size();
        if (frame.width() > area.width() || frame.height() > area.height()) {
            w->resize(frame.size().boundedTo(area.size()) - edges);
            frame.setSize(w->size() + edges);
        }
        const QPoint at = PlaceInside(frame, area);
        if (at != frame.topLeft()) w->move(at + client);
    }
};
} // namespace

void KeepWindowsInWorkArea() {
    static TWorkAreaKeeper* keeper = nullptr;
    if (keeper || !qApp) return;
    keeper = new TWorkAreaKeeper(qApp);
    qApp->installEventFilter(keeper);
}

void PlaceWindowAt(QWidget* window, const QPoint& at) {
    window->move(at);
    window->setProperty(MovedProperty, true);
}

void SetTabChain(std::initializer_list<QWidget*> widgets) {
    QWidget* before = nullptr;
    for (QWidget* w : widgets) {
        if (before) QWidget::setTabOrder(before, w);
        before = w;
    }
}
