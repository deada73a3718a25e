#pragma once
#include <QWidget>

#include "db/Table.h"

class QLineEdit;
class QMenu;
class QTableView;
class QToolButton;
class TTableGridModel;

// The course list: every course by name with its par, a name filter and the
// view, new, edit and delete commands.
class TCourseForm : public QWidget {
  public:
    explicit TCourseForm(QWidget* owner = nullptr);
    ~TCourseForm() override;

    // Closes and opens TableCourseGeneral again (its filter and sort stay).
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
    // View (double-click or command) and edit: one window per course.
    void OpenCourse(unsigned char editMode, bool byDoubleClick);
    TTableGridModel* model_;
};

// The course list opened last.
extern TCourseForm* CourseForm;
