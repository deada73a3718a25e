#pragma once
#include <QWidget>
#include <array>

#include "db/Table.h"

class QLineEdit;
class QMenu;
class QTableView;
class QToolButton;
class TListReread;
class TTableGridModel;

// The course list: every course by name with its par, a name filter and the
// view, new, edit and delete commands.
class TCourseForm : public QWidget {
  public:
    explicit TCourseForm(QWidget* owner = nullptr);
    ~TCourseForm() override;

    // Reads TableCourseGeneral again (its filter and sort stay). A read that
    // fails before the rows go keeps them and is tried again at the next
    // activation or click in the list; one that fails after is tried once
    // more at once, and a second failure is shown.
    void ReopenTable();

    void FilterChange();
    void CourseGridDblClick();
    void Viewcourse1Click();
    void Editcourse1Click();
    void Deletecourse1Click();
    void Newcourse1Click();

    // CourseId of the selected row; -1 when the list is empty.
    int SelectedCourseId() const;

    // The courses with the calculated Par, read in one query.
    TTable TableCourseGeneral;
    QTableView* CourseGrid;
    QLineEdit* Filter;
    QToolButton *SpeedButton1, *SpeedButton4, *SpeedButton2, *SpeedButton3;
    QMenu* CoursePopup;

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    // Columns fitted to the listed names and the window to its columns;
    // nothing changes while the list shows what they were fitted to.
    void FitColumns();
    // View (double-click or command) and edit: one window per course.
    void OpenCourse(unsigned char editMode, bool byDoubleClick);
    // The re-read behind ReopenTable; throws EDatabaseError when it fails.
    void Reread();
    TTableGridModel* model_;
    TListReread* reread_;
};

// Widths of the Course and Par columns from the width their texts and
// headings need: never below the stored 116 and 54; when they need more
// than is available, the course name gives way and the par stays whole.
std::array<int, 2> CourseColumnWidths(const std::array<int, 2>& content, int available);

// The course list opened last.
extern TCourseForm* CourseForm;
