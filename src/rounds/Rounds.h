#pragma once
#include <QWidget>
#include <array>
#include <map>
#include <string>

#include "db/Table.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTableView;
class QToolButton;
class TListReread;
class TTableGridModel;

// The rounds list: the current player's rounds, newest first, from which a
// round is viewed, edited or deleted. While it is open the main window's
// Rounds commands are disabled.
// Widths of the Date, Course, Score and RoundTitle columns from the widths
// their headings and texts need: the first three never below their stored
// widths; when all four exceed the room, the title and then the course give way.
std::array<int, 4> RoundsColumnWidths(const std::array<int, 4>& content, int available);

class TRoundsForm : public QWidget {
public:
    explicit TRoundsForm(QWidget* owner = nullptr);
    ~TRoundsForm() override;

    // Reads RoundTable again (its filter and sort stay). A read that fails
    // before the rows go keeps them and is tried again at the next activation
    // or click in the list; one that fails after is tried once more at once,
    // and a second failure is shown.
    void ReopenTable();

    // Handlers.
    void FormActivate();
    void FilterChange();
    void RoundTableCalcFields(TTable& table);
    void RoundsGridDblClick();
    void Viewround1Click();
    void EditroundClick();
    void DeleteroundClick();

    // Makes grid row `row` the current round.
    void SelectRow(int row);

    TTable RoundTable;
    TTable TableCourseGeneral;
    TTable RoundShotsTable;
    TTable RoundHolesTable;
    QTableView* RoundsGrid;
    QToolButton *SpeedButton1, *SpeedButton3, *SpeedButton4;
    QMenu* PopupMenuRounds;
    QAction *Viewround1, *Editround, *Deleteround;
    QLineEdit* Filter;
    QLabel* Image1;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // Re-reads the rounds, keeping the selected round where it is still listed.
    void Reread(const std::function<void()>& change);
    void SyncCurrentRow();
    // Columns as wide as their headings and texts, the window as wide as they.
    void FitColumns();
    bool OpenDetailExists(int roundId) const;
    // Closing a window opened from the list makes the list the active window again.
    void ComeBackOnClose(QWidget* opened);
    TTableGridModel* model_;
    // Course names of one re-read: looked up once, not per row.
    std::map<long long, std::string> courseNames_;
    std::map<std::string, std::string> shortDates_;
    bool namesLoaded_ = false;
    TListReread* reread_;
};
