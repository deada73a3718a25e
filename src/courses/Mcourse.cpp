#include "courses/Mcourse.h"

#include <QAction>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <functional>

#include "courses/Coursechild.h"
#include "courses/Coursestore.h"
#include "courses/Createcourse.h"
#include "platform/Messagebox.h"
#include "common/Helpwindow.h"
#include "common/Frame.h"
#include "common/Pictures.h"
#include "common/Progresswin.h"
#include "common/Tablegrid.h"

TCourseForm* CourseForm = nullptr;

namespace {
void EnableCourseCommands(bool enable) {
    if (!Frame()) return;
    Frame()->Course1->setEnabled(enable);
    Frame()->CourseTB->setEnabled(enable);
}

// Stored sizes: the Course and Par columns, the client area.
constexpr int StoredColumnWidth[2] = {116, 54};
constexpr int StoredWidth = 169, StoredHeight = 503;
// The list grows with its names up to this width.
constexpr int MaxListWidth = 500;
} // namespace

std::array<int, 2> CourseColumnWidths(const std::array<int, 2>& content, int available) {
    std::array<int, 2> w{};
    for (int c = 0; c < 2; ++c) w[c] = std::max(StoredColumnWidth[c], content[c]);
    const int over = w[0] + w[1] - available;
    if (over > 0) w[0] = std::max(w[0] - over, 0);
    return w;
}

TCourseForm::TCourseForm(QWidget* owner) : QWidget(owner), TableCourseGeneral(nullptr) {
    setObjectName("CourseForm");
    setWindowTitle("Courses");
    setFont(QFont("Tahoma", 8));
    TableCourseGeneral.SetSQL(CourseListSql());
    TableCourseGeneral.AddSort("[Course_Name] ASC");

    const auto speedButton = [this](const char* name, const char* hint, const char* text) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setText(text);
        b->setAccessibleName(hint);
        b->setAutoRaise(true);
        return b;
    };
    SpeedButton1 = speedButton("SpeedButton1", "View course", "View");
    SpeedButton4 = speedButton("SpeedButton4", "New course", "New");
    SpeedButton2 = speedButton("SpeedButton2", "Edit course", "Edit");
    SpeedButton3 = speedButton("SpeedButton3", "Delete course", "Del");
    SpeedButton1->setIcon(ListIcon(TListPicture::View, {"document-preview", "zoom-original", "document-open"}));
    SpeedButton4->setIcon(ListIcon(TListPicture::New, {"document-new", "list-add"}));
    SpeedButton2->setIcon(ListIcon(TListPicture::Edit, {"document-edit", "accessories-text-editor", "edit-rename"}));
    SpeedButton3->setIcon(ListIcon(TListPicture::Delete, {"edit-delete", "list-remove"}));
    for (QToolButton* b : {SpeedButton1, SpeedButton4, SpeedButton2, SpeedButton3}) {
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        b->setIconSize(QSize(16, 16));
    }
    CoursePopup = new QMenu(this);
    CoursePopup->setObjectName("CoursePopup");
    const auto item = [this](const char* name, const char* text, void (TCourseForm::*handler)()) {
        QAction* a = CoursePopup->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    item("Viewcourse1", "View course", &TCourseForm::Viewcourse1Click);
    item("Newcourse1", "New course", &TCourseForm::Newcourse1Click);
    item("Editcourse1", "Edit course", &TCourseForm::Editcourse1Click);
    item("Deletecourse1", "Delete course", &TCourseForm::Deletecourse1Click);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { Viewcourse1Click(); });
    connect(SpeedButton4, &QToolButton::clicked, this, [this] { Newcourse1Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { Editcourse1Click(); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { Deletecourse1Click(); });

    CourseGrid = new QTableView(this);
    CourseGrid->setObjectName("CourseGrid");
    CourseGrid->setAccessibleName("Courses");
    CourseGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    CourseGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    CourseGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CourseGrid->verticalHeader()->hide();
    CourseGrid->setWordWrap(false);
    CourseGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    CourseGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    CourseGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    OpenMenuFromKeyboard(CourseGrid, CoursePopup);
    connect(CourseGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        CoursePopup->popup(CourseGrid->viewport()->mapToGlobal(at));
    });
    connect(CourseGrid, &QAbstractItemView::doubleClicked, this, [this] { CourseGridDblClick(); });
    model_ =
        new TTableGridModel(&TableCourseGeneral, {{"Course_Name", "Course"}, {"Par", "Par"}}, this);
    reread_ = new TListReread(CourseGrid, [this] { Reread(); });
    Filter = new QLineEdit(this);
    Filter->setObjectName("Filter");
    Filter->setAccessibleName("Filter");
    connect(Filter, &QLineEdit::textChanged, this, [this] { FilterChange(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* tools = new QHBoxLayout;
    tools->setSpacing(0);
    for (QToolButton* b : {SpeedButton1, SpeedButton4, SpeedButton2, SpeedButton3})
        tools->addWidget(b);
    tools->addStretch();
    layout->addLayout(tools);
    layout->addWidget(CourseGrid, 1);
    layout->addWidget(Filter);
    if (!Frame()) return;
    TableCourseGeneral.SetDatabase(&Frame()->Database);
    model_->Reopen();
    CourseGrid->setModel(model_);
    QMdiSubWindow* sub = Frame()->AddMdiChild(this);
    sub->setWindowFlags(Qt::SubWindow | Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowCloseButtonHint);
    sub->show();
    FitColumns();
    sub->move(0, 0);
    reread_->RunOnActivation(Frame()->MdiArea(), this, false);
}

void TCourseForm::FitColumns() {
    // The widths follow from the listed names and pars alone: a re-read that
    // lists the same ones keeps them.
    if (model_->ShowsRemembered()) return;
    const std::vector<int> need = FitColumnsToContents(CourseGrid);
    if (need.size() != 2) return;
    model_->Remember();
    const int chrome = GridChromeWidth(CourseGrid);
    const std::array<int, 2> width = CourseColumnWidths({need[0], need[1]}, MaxListWidth - chrome);
    CourseGrid->setColumnWidth(0, width[0]);
    CourseGrid->setColumnWidth(1, width[1]);
    setFixedSize(std::max(StoredWidth, chrome + width[0] + width[1]), StoredHeight);
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!sub) return;
    // No higher than the frame's client area (a small screen): the grid gives
    // way, down to the least the list needs.
    if (sub->mdiArea()) {
        const int over = sub->minimumSizeHint().height() - sub->mdiArea()->viewport()->height();
        if (over > 0) setFixedHeight(std::max(StoredHeight - over, layout()->minimumSize().height()));
    }
    // The frame around the list and nothing more: its size hint would take
    // the grid's own hint, wider than the columns.
    sub->resize(sub->minimumSizeHint());
}

TCourseForm::~TCourseForm() {
    if (CourseForm == this) CourseForm = nullptr;
}

void TCourseForm::showEvent(QShowEvent* e) {
    EnableCourseCommands(false);
    QWidget::showEvent(e);
}

void TCourseForm::closeEvent(QCloseEvent* e) {
    EnableCourseCommands(true);
    // Course windows opened by the View and Edit commands go with the list.
    if (Frame())
        for (QWidget* w : Frame()->MdiChildren())
            if (auto* f = dynamic_cast<TCourseFrm*>(w);
                f && f->OwnerList == this && f->parentWidget())
                f->parentWidget()->close();
    QWidget::closeEvent(e);
}

void TCourseForm::ReopenTable() { reread_->Run(); }

void TCourseForm::Reread() {
    const int id = SelectedCourseId();
    // A read that cannot take the lock leaves the rows as they were: the
    // selection comes back on them too.
    std::exception_ptr failed;
    try {
        model_->Change([this] { ReadAgain(TableCourseGeneral); });
    } catch (...) {
        failed = std::current_exception();
    }
    FitColumns();
    if (id >= 0 && TableCourseGeneral.Locate("CourseId", TVariant(id)))
        CourseGrid->selectRow(TableCourseGeneral.RecNo());
    if (failed) std::rethrow_exception(failed);
}

void TCourseForm::FilterChange() {
    // Setting the filter re-reads the rows, or keeps them when that fails.
    model_->Change([this] {
        TableCourseGeneral.SetFilter("Course_Name Like " +
                                     QuotedStr(Filter->text().toStdString() + "*"));
        if (!TableCourseGeneral.Active()) TableCourseGeneral.Open();
    });
    FitColumns();
}

int TCourseForm::SelectedCourseId() const {
    if (!TableCourseGeneral.Active() || TableCourseGeneral.IsEmpty()) return -1;
    const QModelIndex current = CourseGrid->currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    if (row >= TableCourseGeneral.RecordCount()) return -1;
    const int column = TableCourseGeneral.FieldIndex("CourseId");
    try {
        return static_cast<int>(TableCourseGeneral.CellValue(row, column).AsInteger());
    } catch (const EDatabaseError&) {
        return -1;
    }
}

void TCourseForm::OpenCourse(unsigned char editMode, bool byDoubleClick) {
    const int id = SelectedCourseId();
    if (id < 0) {
        MessageBox("No course selected!", "Error!", MB_OK, MB_ICONERROR);
        return;
    }
    repaint();
    if (TCourseFrm* open = FindCourseWindow(id)) {
        (void)open;
        return; // one window per course
    }
    TProgressScope progress("Generating form");
    TCourseFrm* frm =
        OpenCourseWindow(byDoubleClick ? FrameWindow() : this, id, editMode);
    if (frm && byDoubleClick) SetHelpContext(frm, 5);
}

void TCourseForm::CourseGridDblClick() {
    OpenCourse(0, true);
}
void TCourseForm::Viewcourse1Click() {
    OpenCourse(0, false);
}
void TCourseForm::Editcourse1Click() {
    OpenCourse(1, false);
}

void TCourseForm::Deletecourse1Click() {
    const int id = SelectedCourseId();
    if (id < 0 || !Frame()) {
        MessageBox("No course selected!", "Error!", MB_OK, MB_ICONERROR);
        return;
    }
    if (CourseHasRounds(Frame()->Database, id)) {
        MessageBox("You can't delete a course where you have played rounds!", "Error!", MB_OK,
                   MB_ICONERROR);
        return;
    }
    const int row = CourseGrid->currentIndex().isValid() ? CourseGrid->currentIndex().row() : 0;
    const std::string name =
        TableCourseGeneral.CellValue(row, TableCourseGeneral.FieldIndex("Course_Name")).AsString();
    if (MessageBox("Are you sure you want to delete " + name + "?", "Delete shot", MB_YESNO,
                   MB_ICONQUESTION) != IDYES)
        return;
    // An open window of the course goes first: it must not write the course back.
    if (TCourseFrm* open = FindCourseWindow(id); open && open->parentWidget())
        open->parentWidget()->close();
    DeleteCourse(Frame()->Database, id);
    ReopenTable();
}

void TCourseForm::Newcourse1Click() {
    if (!Frame()) return;
    auto* dialog = new TCreateCourseForm(this);
    dialog->Mode = 0;
    ShowCreateCourseForm(dialog);
}
