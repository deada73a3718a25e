#include "players/Childwin.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <stdexcept>

#include "platform/Messagebox.h"
#include "players/Clubfigures.h"
#include "players/Clubstats.h"
#include "players/Playereditor.h"
#include "common/Helpwindow.h"
#include "common/Frame.h"

TMDIChild::TMDIChild(QWidget* owner) : QWidget(owner) {
    setObjectName("MDIChild");
    setWindowTitle("Caddora - Player");
    SetHelpContext(this, 3);
    Editor = new TPlayerEditor(this, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Editor);
    connect(Editor->OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(Editor->CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    if (Frame()) {
        // A failure here is told when the window shows, on the load's road.
        try {
            if (!Frame()->Database.Connected()) Frame()->Database.Open();
            Editor->LoadCountries();
        } catch (const std::exception& e) {
            createError_ = e.what();
        }
    }
    resize(591, 426);
}

TMDIChild::~TMDIChild() {
    if (!freed_) Editor->FreeObjects();
    if (Frame() && Frame()->PlayerWindow == this) Frame()->PlayerWindow = nullptr;
}

// Keys no control wanted: Enter presses the default button OK, Esc the cancel
// button (an in-place rename keeps both for itself).
void TMDIChild::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && Editor->OKBtn->isDefault() &&
        Editor->OKBtn->isEnabled()) {
        OKBtnClick();
        return;
    }
    if (key == Qt::Key_Escape && Editor->CancelBtn->isEnabled()) {
        CancelBtnClick();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TMDIChild::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void TMDIChild::FormShow() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->move(0, 0);
        sub->resize(591, 426);
    }
    if (!Frame()) return;
    // Every step of the load, the statistics recompute first, takes one road
    // on failure: a record shown only in part is never saved; after the
    // message the window goes, and the Player command comes back.
    try {
        if (!createError_.empty()) throw std::runtime_error(createError_);
        const TClubFigureMap figures = UpdateClubStatistics();
        const int userId = Frame()->GetUserId();
        Editor->LoadDetails(userId);
        Editor->LoadBagsAndClubs(userId);
        // The clubs show the figures computed, also when they could not be
        // stored and the rows keep older ones.
        for (int i = 0; i < Editor->Record().ClubCount(); ++i) PutClubFigures(*Editor->Record().Club(i), figures);
        const TAllRoundsCounters counters = CountAllRounds(Frame()->Database);
        if (ClubStatsForm) ClubStatsForm->AllRounds = counters;
    } catch (const std::exception& e) {
        loadFailed_ = true;
        Editor->setEnabled(false);
        ShowErrorMessage(e);
        QTimer::singleShot(0, this, [this] { CloseWindow(); });
        return;
    }
    EnablePlayerCommands();
    // Loaded: the window in its normal state at the top left, also when
    // another child is maximised; never below what the rows need, since a
    // squeezed form hides its controls.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        if (sub->isMaximized() || sub->isMinimized()) sub->showNormal();
        sub->setGeometry(QRect(QPoint(0, 0), QSize(591, 426).expandedTo(sub->minimumSizeHint())));
    }
}

TClubFigureMap TMDIChild::UpdateClubStatistics() {
    return Frame() ? ::UpdateClubStatistics(Frame()->Database) : TClubFigureMap();
}

void TMDIChild::OKBtnClick() {
    if (loadFailed_) return;
    if (TRefusal r = CheckDetails(Editor->ReadDetails())) {
        MessageBox(r->Text, r->Caption, MB_OK);
        return;
    }
    if (!Editor->Modified()) {
        CloseWindow();
        return;
    }
    if (Editor->ControlBags()) {
        const TMessage m = TPlayerRecord::IncompleteBagMessage();
        MessageBox(m.Text, m.Caption, MB_OK);
        return;
    }
    try {
        SavePlayer();
    } catch (const std::exception& e) {
        ShowErrorMessage(e);
        return;
    }
    CloseWindow();
}

void TMDIChild::SavePlayer() {
    if (!Frame()) return;
    if (!Frame()->Database.Connected()) Frame()->Database.Open();
    Editor->Record().Save(Editor->ReadDetails(), Frame()->GetUserId());
}

void TMDIChild::CancelBtnClick() { CloseWindow(); }

void TMDIChild::Statistics1Click() { Editor->ClubStatisticsView(); }
void TMDIChild::Statistics2Click() { Editor->BagStatisticsView(); }

void TMDIChild::CloseWindow() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->close();
    else close();
}

void TMDIChild::closeEvent(QCloseEvent* e) {
    if (!freed_) {
        Editor->FreeObjects();
        freed_ = true;
    }
    EnablePlayerCommands();
    e->accept();
}
