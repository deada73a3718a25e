#pragma once
#include <QAbstractTableModel>
#include <QFont>
#include <QHash>
#include <QProxyStyle>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/Table.h"

class QAbstractItemView;
class QMdiArea;
class QMenu;
class QTableView;

// Read-only grid model over the rows of a table component. Reopen() closes
// and opens the table again, so the grid shows what the table reads now.
class TTableGridModel : public QAbstractTableModel {
public:
    struct Column {
        std::string field;
        std::string title;
    };
    TTableGridModel(TTable* table, std::vector<Column> columns, QObject* parent = nullptr);

    void Reopen();
    // Runs a re-read of the table inside a reset of the grid, also when it throws.
    void Change(const std::function<void()>& change);
    TTable* Table() const { return table_; }
    // True when the grid shows the values it showed when Remember() was
    // last called (and Remember() was called).
    bool ShowsRemembered() const;
    void Remember();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    TTable* table_;
    std::vector<Column> columns_;
    // The table's field index of each column (-1 where it lacks one).
    std::vector<int> ShownFields() const;
    // The remembered values, row by row and column by column.
    std::optional<std::vector<TVariant>> remembered_;
};

// Reads an open table again, its filter and sort kept, without ever holding
// its old and new rows together: the database's read lock is taken first, so
// that a read that cannot start (another program holds the file alone)
// throws EDatabaseError with the rows as they were; then the old rows go
// and the new ones are read. A closed table is opened.
void ReadAgain(TTable& table);

// The grid's menu opens from the keyboard (the Menu key, Shift+F10) below
// its current row, scrolled into view first, and Tab moves on from the grid,
// not from cell to cell. With `when`, only while it holds.
void OpenMenuFromKeyboard(QAbstractItemView* grid, QMenu* menu, std::function<bool()> when = {});

// A list's re-read that may fail (another program holds the file alone).
// One that fails before the rows go keeps them and marks the list stale; a
// stale list reads again at the next click in its grid or activation of its
// window. One that fails after the rows went is run once more at once, and
// when that fails too the database's error is shown, once for what the user
// did (not again for the activation that follows it, nor for another list).
class TListReread : public QObject {
public:
    // `reread` re-reads the list and throws EDatabaseError when that fails.
    TListReread(QAbstractItemView* grid, std::function<void()> reread);
    void Run();
    // Runs the re-read when `list`, a window of `area`, becomes active: every
    // time (`always`) or only while stale.
    void RunOnActivation(QMdiArea* area, QWidget* list, bool always);
    bool Stale() const { return stale_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QAbstractItemView* grid_;
    std::function<void()> reread_;
    bool stale_ = false;
};

// Sizes every column of the grid to its texts and returns the width each
// needs, its heading included.
std::vector<int> FitColumnsToContents(QTableView* grid);
// What a grid adds to its columns' widths: its frame and a vertical scroll bar.
int GridChromeWidth(const QTableView* grid);

// The program's style: the platform's own, with the rows of every list, tree
// and grid high enough for their font's full height, so that the rings and
// accents of capitals (Å, Ö, É) are not cut off, and no higher.
class TFullRowStyle : public QProxyStyle {
public:
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;

private:
    // FullRowHeight of each font met, measured once.
    mutable QHash<QFont, int> heights_;
};
// The height a row needs for a line of text in this font, its text centred:
// the line and, on both sides, what its marks reach beyond it.
int FullRowHeight(const QFont& font);
// Makes TFullRowStyle the application's style; once, after the application
// object exists.
void UseFullRowStyle();
