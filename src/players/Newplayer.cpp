#include "players/Newplayer.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QRadioButton>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <stdexcept>

#include "platform/Messagebox.h"
#include "players/Playereditor.h"
#include "common/Helpwindow.h"
#include "common/Frame.h"

TNewPlayerForm::TNewPlayerForm(QWidget* owner) : QDialog(owner) {
    setObjectName("NewPlayerForm");
    setWindowTitle("Caddora - New Player");
    // No close box: a title bar that asks for no button asks the window
    // manager for every function, closing included, so it asks to minimise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    SetHelpContext(this, 3);
    Editor = new TPlayerEditor(this, true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Editor);
    connect(Editor->OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    const int ppi = screen() ? static_cast<int>(screen()->logicalDotsPerInch()) : 96;
    resize(591 * ppi / 93, 426 * ppi / 93);
    if (Frame()) {
        Frame()->Window()->setWindowTitle("Caddora - New Player");
        // A failure here is told when the dialog shows, on the load's road.
        try {
            if (!Frame()->Database.Connected()) Frame()->Database.Open();
            Editor->LoadCountries();
        } catch (const std::exception& e) {
            createError_ = e.what();
        }
    }
    CloseAllowed = 1;
    qApp->installEventFilter(this);
}

TNewPlayerForm::~TNewPlayerForm() {
    qApp->removeEventFilter(this);
    if (!freed_) Editor->FreeObjects();
    if (Frame()) {
        Frame()->Window()->setWindowTitle("Caddora");
        for (QAction* a : {Frame()->TransferWizard1, Frame()->Settigs1, Frame()->Rounds1})
            a->setEnabled(true);
        if (Frame()->NewPlayerWindow == this) Frame()->NewPlayerWindow = nullptr;
        EnablePlayerCommands();
    }
}

void TNewPlayerForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

// The details start empty; the tree holds the player's bag "Default".
void TNewPlayerForm::FormShow() {
    Editor->GenderMale->setChecked(true);
    Editor->StateComboBox->setEnabled(false);
    try {
        if (!createError_.empty()) throw std::runtime_error(createError_);
        if (Frame()) Editor->LoadBagsAndClubs(Frame()->GetUserId());
    } catch (const std::exception& e) {
        // A bag shown only in part is never saved: after the message the
        // dialog goes, and the start goes on without a player record.
        loadFailed_ = true;
        Editor->setEnabled(false);
        ShowErrorMessage(e);
        QTimer::singleShot(0, this, [this] {
            okClosing_ = true;
            CloseAllowed = 1;
            close();
        });
        return;
    }
    Editor->OKBtn->setEnabled(false);
}

namespace {
// Opens the frame's menu whose access key is Alt + key; false when none is.
bool OpenFrameMenu(int key) {
    auto* frame = Frame() ? qobject_cast<QMainWindow*>(Frame()->Window()) : nullptr;
    if (!frame) return false;
    QMenuBar* bar = frame->menuBar();
    const QKeySequence wanted(QKeyCombination(Qt::AltModifier, static_cast<Qt::Key>(key)));
    for (QAction* a : bar->actions())
        if (a->menu() && a->isVisible() && a->isEnabled() &&
            QKeySequence::mnemonic(a->text()) == wanted) {
            bar->setActiveAction(a);
            return true;
        }
    return false;
}
} // namespace

// Key preview: every key of the window comes here first.
bool TNewPlayerForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this) {
            auto* key = static_cast<QKeyEvent*>(e);
            if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_F4 ||
                (key->modifiers() & Qt::ControlModifier))
                CloseAllowed = 0;
            // The dialog has no menu of its own: an Alt key that reaches
            // here is a key of the frame's menu bar, never text for a box.
            const Qt::KeyboardModifiers m = key->modifiers();
            if ((m & Qt::AltModifier) && !(m & Qt::ControlModifier) && !key->text().isEmpty()) {
                OpenFrameMenu(key->key());
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TNewPlayerForm::OKBtnClick() {
    if (!Frame() || loadFailed_) return;
    if (Editor->ControlBags()) {
        const TMessage m = TPlayerRecord::IncompleteBagMessage();
        MessageBox(m.Text, m.Caption, MB_OK);
        return;
    }
    if (!Frame()->Database.Connected()) Frame()->Database.Open();
    const TPlayerDetails details = Editor->ReadDetails();
    if (TRefusal r = CheckDetails(details)) {
        MessageBox(r->Text, r->Caption, MB_OK);
        return;
    }
    int userId;
    try {
        userId = Editor->Record().Save(details, 1);
    } catch (const std::exception& e) {
        ShowErrorMessage(e);
        return;
    }
    Frame()->SetUserId(userId);
    Frame()->Window()->setWindowTitle("Caddora");
    for (QAction* a : {Frame()->Rounds1, Frame()->TransferWizard1, Frame()->Settigs1}) a->setEnabled(true);
    // The Player command waits until this editor is gone: the close may be
    // refused and the dialog go on.
    okClosing_ = true;
    close();
    okClosing_ = false;
}

void TNewPlayerForm::Statistics1Click() { Editor->BagStatisticsView(); }
void TNewPlayerForm::Statistics2Click() { Editor->ClubStatisticsView(); }

// The objects are freed only when the window really goes, so a refused close
// leaves a working editor.
void TNewPlayerForm::closeEvent(QCloseEvent* e) {
    // The dialog cannot be cancelled: only a saved record closes it.
    if (!okClosing_) {
        e->ignore();
        return;
    }
    if (CloseAllowed == 0) {
        CloseAllowed = 1;
        e->ignore();
        return;
    }
    if (!freed_) {
        Editor->FreeObjects();
        freed_ = true;
    }
    EnablePlayerCommands();
    e->accept();
}
