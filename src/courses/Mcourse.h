#pragma once
#include <QWidget>

#include "db/Table.h"

class QTableView;
class TTableGridModel;

// The course list: every course by name.
class TCourseForm : public QWidget {
public:
    explicit TCourseForm(QWidget* owner = nullptr);
    ~TCourseForm() override;

    // Closes and opens TableCourseGeneral again (its filter and sort stay).
    void ReopenTable();

    TTable TableCourseGeneral;
    QTableView* CourseGrid;

private:
    TTableGridModel* model_;
};

// The course list opened last.
extern TCourseForm* CourseForm;
