#include "courses/Mcourse.h"

#include <QHeaderView>
#include <QMdiSubWindow>
#include <QTableView>
#include <QVBoxLayout>

#include "shell/Mainform.h"
#include "shell/Tablegrid.h"

TCourseForm* CourseForm = nullptr;

TCourseForm::TCourseForm(QWidget* owner) : QWidget(owner), TableCourseGeneral(nullptr, "Course_General") {
    setObjectName("CourseForm");
    setWindowTitle("Courses");
    TableCourseGeneral.AddSort("[Course_Name] ASC");
    CourseGrid = new QTableView(this);
    CourseGrid->setObjectName("CourseGrid");
    CourseGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    CourseGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CourseGrid->verticalHeader()->hide();
    model_ = new TTableGridModel(&TableCourseGeneral, {{"Course_Name", "Course"}}, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(CourseGrid);
    resize(260, 400);
    if (!MainForm) return;
    TableCourseGeneral.SetDatabase(&MainForm->Database);
    model_->Reopen();
    CourseGrid->setModel(model_);
    MainForm->AddMdiChild(this)->show();
}

TCourseForm::~TCourseForm() {
    if (CourseForm == this) CourseForm = nullptr;
}

void TCourseForm::ReopenTable() { model_->Reopen(); }
