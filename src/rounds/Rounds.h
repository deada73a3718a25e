#pragma once
#include <QWidget>

#include "db/Table.h"

class QTableView;
class TTableGridModel;

// The rounds list: the current player's rounds, newest first. While it is
// open the main window's Rounds commands are disabled.
class TRoundsForm : public QWidget {
public:
    explicit TRoundsForm(QWidget* owner = nullptr);
    ~TRoundsForm() override;

    // Closes and opens RoundTable again (its filter and sort stay).
    void ReopenTable();

    TTable RoundTable;
    QTableView* RoundGrid;

private:
    TTableGridModel* model_;
};
