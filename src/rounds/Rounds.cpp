#include "rounds/Rounds.h"

#include <QAction>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/Mainform.h"
#include "shell/Tablegrid.h"

namespace {
void EnableRoundsCommands(bool enable) {
    if (!MainForm) return;
    MainForm->Rounds1->setEnabled(enable);
    MainForm->RoundsTB->setEnabled(enable);
}
} // namespace

TRoundsForm::TRoundsForm(QWidget* owner) : QWidget(owner), RoundTable(nullptr, "Round") {
    setObjectName("RoundsForm");
    setWindowTitle("Rounds");
    RoundTable.AddSort("[RoundStartDate] DESC");
    RoundGrid = new QTableView(this);
    RoundGrid->setObjectName("RoundGrid");
    RoundGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    RoundGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RoundGrid->verticalHeader()->hide();
    model_ = new TTableGridModel(
        &RoundTable, {{"RoundStartDate", "Date"}, {"RoundTitle", "Title"}, {"Score", "Score"}},
        this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RoundGrid);
    resize(420, 300);
    if (!MainForm) return;
    RoundTable.SetDatabase(&MainForm->Database);
    RoundTable.SetFilter("UserId = " + std::to_string(MainForm->GetUserId()));
    model_->Reopen();
    RoundGrid->setModel(model_);
    MainForm->AddMdiChild(this)->show();
    EnableRoundsCommands(false);
}

TRoundsForm::~TRoundsForm() { EnableRoundsCommands(true); }

void TRoundsForm::ReopenTable() { model_->Reopen(); }
