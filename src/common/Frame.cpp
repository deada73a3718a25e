#include "common/Frame.h"

#include <QLayout>
#include <QMdiSubWindow>
#include <QStyle>

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
