#include "common/Progresswin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QWindow>
#include <QScreen>
#include <QVBoxLayout>

#include "common/Frame.h"

TProgressForm* ProgressForm = nullptr;

TProgressForm::TProgressForm(QWidget* owner) : QDialog(owner) {
    setObjectName("ProgressForm");
    setWindowTitle("Working...");
    // System menu (with its close box) and minimise; no maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
    setModal(false);
    ProgressLabel = new QLabel("Working...", this);
    ProgressLabel->setObjectName("ProgressLabel");
    ProgressLabel->setAlignment(Qt::AlignCenter);
    ProgressLabel->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProgressLabel, 0, Qt::AlignCenter);
    const int dpi = screen() ? qRound(screen()->logicalDotsPerInch()) : 96;
    ProgressLabel->setFixedWidth(233 * dpi / 96);
    const QSize size = SizeForDpi(dpi);
    setFixedSize(size);
}

TProgressForm::~TProgressForm() {
    if (ProgressForm == this) ProgressForm = nullptr;
}

QSize TProgressForm::SizeForDpi(int pixelsPerInch) {
    return QSize(294 * pixelsPerInch / 90, 69 * pixelsPerInch / 90);
}

void TProgressForm::SetMessage(const std::string& text) {
    ProgressLabel->setText(QString::fromStdString(text));
    // Paint now: the caller keeps the interface thread busy.
    PaintNow();
}

void TProgressForm::PaintNow() {
    if (!isVisible()) return;
    // A window just shown is drawn only once the window system has mapped
    // it; wait for that (briefly, without user input), then paint and hand
    // the pixels over at once.
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    repaint();
    QGuiApplication::sync();
}

std::string TProgressForm::Message() const { return ProgressLabel->text().toStdString(); }

void TProgressForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormShow();
}

void TProgressForm::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    FormHide();
}

void TProgressForm::FormShow() {
    if (QWidget* main = FrameWindow()) main->setCursor(Qt::WaitCursor);
}

void TProgressForm::setVisible(bool visible) {
    // Centred on the main window, and whole on the screen from there.
    if (visible && !isVisible())
        if (QWidget* main = FrameWindow())
            PlaceWindowAt(this, main->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    QDialog::setVisible(visible);
    if (!visible) return;
    // Above a modal window that is open (a wizard page), not under it.
    raise();
    // The first show paints at once too: the caller's work follows directly.
    PaintNow();
}

void TProgressForm::FormHide() {
    if (QWidget* main = FrameWindow()) main->setCursor(Qt::ArrowCursor);
}

TProgressScope::TProgressScope(const std::string& message) {
    if (!ProgressForm) return;
    ProgressForm->show();
    ProgressForm->SetMessage(message);
}

TProgressScope::~TProgressScope() {
    if (ProgressForm) ProgressForm->hide();
}

void TProgressScope::SetMessage(const std::string& message) {
    if (ProgressForm) ProgressForm->SetMessage(message);
}
