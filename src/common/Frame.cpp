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

QRect FitInside(const QRect& window, const QRect& area) {
    QRect r(window.topLeft(), window.size().boundedTo(area.size()));
    r.moveLeft(std::clamp(r.left(), area.left(), area.right() + 1 - r.width()));
    r.moveTop(std::clamp(r.top(), area.top(), area.bottom() + 1 - r.height()));
    return r;
}

namespace {
// Places each window as it is shown. A window placed after it is shown
// (an MDI child resized once it is in) is placed again when it next shows.
class TWorkAreaKeeper : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(watched);
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
            if (QMdiArea* area = sub->mdiArea()) Fit(sub, sub->geometry(), area->viewport()->rect());
        } else if (w->isWindow() && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog)) {
            if (const QScreen* screen = w->screen()) {
                // The window system's frame counts: title bar and borders stay on the screen too.
                const QRect frame = w->frameGeometry(), inner = w->geometry();
                const QMargins edges(inner.left() - frame.left(), inner.top() - frame.top(),
                                     frame.right() - inner.right(), frame.bottom() - inner.bottom());
                Fit(w, frame, screen->availableGeometry(), edges);
            }
        }
        return false;
    }

private:
    static void Fit(QWidget* w, const QRect& now, const QRect& area, const QMargins& edges = {}) {
        const QRect fitted = FitInside(now, area);
        if (fitted == now) return;
        if (fitted.size() != now.size()) w->resize(fitted.size().shrunkBy(edges));
        w->move(fitted.topLeft());
    }
};
} // namespace

void KeepWindowsInWorkArea() {
    static TWorkAreaKeeper* keeper = nullptr;
    if (keeper || !qApp) return;
    keeper = new TWorkAreaKeeper(qApp);
    qApp->installEventFilter(keeper);
}
