#include "rounds/Rounds.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QTableView>
#include <QToolButton>
#include <algorithm>
#include <exception>

#include "platform/Messagebox.h"
#include "rounds/Editround.h"
#include "rounds/Round.h"
#include "rounds/Roundrules.h"
#include "common/Frame.h"
#include "common/Pictures.h"
#include "common/Printform.h"
#include "common/Progresswin.h"
#include "common/Tablegrid.h"

namespace {

void EnableRoundsCommands(bool enable) {
    if (!Frame()) return;
    Frame()->Rounds1->setEnabled(enable);
    Frame()->RoundsTB->setEnabled(enable);
}

// A stored number as a whole number; 0 when missing or not a number.
long long WholeValue(const TVariant& v) {
    try {
        return v.IsNull() ? 0 : v.AsInteger();
    } catch (const EDatabaseError&) {
        return 0;
    }
}

std::string FilterNumber(const TVariant& v) { return std::to_string(WholeValue(v)); }

// Stored widths of the Date, Course and Score columns.
constexpr int StoredColumnWidth[3] = {57, 81, 30};
constexpr int MaxGridWidth = 500;

} // namespace

TRoundsForm::TRoundsForm(QWidget* owner)
    : QWidget(owner),
      RoundTable(nullptr, "Round"),
      TableCourseGeneral(nullptr, "Course_General"),
      RoundShotsTable(nullptr, "RoundShots"),
      RoundHolesTable(nullptr, "RoundHoles") {
    setObjectName("RoundsForm");
    setWindowTitle("Rounds");
    RoundTable.AddSort("[RoundStartDate] DESC");
    RoundTable.AddCalcField("CourseName");
    RoundTable.AddCalcField("Date");
    RoundTable.OnCalcFields = [this](TTable& t) { RoundTableCalcFields(t); };

    const auto speedButton = [this](const char* name, const char* hint, const char* text, int left) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setText(text);
        b->setAccessibleName(hint);
        b->setAutoRaise(true);
        b->setGeometry(left, 0, 23, 22);
        return b;
    };
    SpeedButton1 = speedButton("SpeedButton1", "View round", "V", 0);
    SpeedButton3 = speedButton("SpeedButton3", "Edit round", "E", 24);
    SpeedButton4 = speedButton("SpeedButton4", "Delete round", "D", 48);
    SpeedButton1->setIcon(ListIcon(TListPicture::View, {"document-preview", "zoom-original", "document-open"}));
    SpeedButton3->setIcon(ListIcon(TListPicture::Edit, {"document-edit", "accessories-text-editor", "edit-rename"}));
    SpeedButton4->setIcon(ListIcon(TListPicture::Delete, {"edit-delete", "list-remove"}));
    for (QToolButton* b : {SpeedButton1, SpeedButton3, SpeedButton4}) {
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        b->setIconSize(QSize(16, 16));
    }

    RoundsGrid = new QTableView(this);
    RoundsGrid->setObjectName("RoundsGrid");
    RoundsGrid->setAccessibleName("Rounds");
    RoundsGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    RoundsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    RoundsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RoundsGrid->verticalHeader()->hide();
    RoundsGrid->setGeometry(0, 24, 193, 442);
    RoundsGrid->setMaximumSize(500, 465);
    QFont gridFont("Tahoma");
    gridFont.setPointSize(8);
    RoundsGrid->setFont(gridFont);
    auto* model = new TTableGridModel(
        &RoundTable,
        {{"Date", "Date"}, {"CourseName", "Course"}, {"Score", "Score"}, {"RoundTitle", "RoundTitle"}},
        this);
    model_ = model;
    RoundsGrid->setModel(model_);
    RoundsGrid->setWordWrap(false);
    RoundsGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RoundsGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    for (int c = 0; c < 3; ++c) RoundsGrid->setColumnWidth(c, StoredColumnWidth[c]);
    RoundsGrid->setContextMenuPolicy(Qt::DefaultContextMenu);
    RoundsGrid->viewport()->installEventFilter(this);
    reread_ = new TListReread(RoundsGrid, [this] { Reread([this] { ReadAgain(RoundTable); }); });

    PopupMenuRounds = new QMenu(this);
    PopupMenuRounds->setObjectName("PopupMenuRounds");
    Viewround1 = PopupMenuRounds->addAction("View round");
    Viewround1->setObjectName("Viewround1");
    Editround = PopupMenuRounds->addAction("Edit round");
    Editround->setObjectName("Editround");
    Deleteround = PopupMenuRounds->addAction("Delete round");
    Deleteround->setObjectName("Deleteround");
    OpenMenuFromKeyboard(RoundsGrid, PopupMenuRounds);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(32, 476, 20, 20);
    Image1->setPixmap(ListPicture(TListPicture::Filter));
    Image1->setAlignment(Qt::AlignCenter);
    Filter = new QLineEdit(this);
    Filter->setObjectName("Filter");
    Filter->setAccessibleName("Filter");
    Filter->setGeometry(56, 476, 129, 21);

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { Viewround1Click(); });
    connect(Viewround1, &QAction::triggered, this, [this] { Viewround1Click(); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { EditroundClick(); });
    connect(Editround, &QAction::triggered, this, [this] { EditroundClick(); });
    connect(SpeedButton4, &QToolButton::clicked, this, [this] { DeleteroundClick(); });
    connect(Deleteround, &QAction::triggered, this, [this] { DeleteroundClick(); });
    connect(RoundsGrid, &QTableView::doubleClicked, this, [this] { RoundsGridDblClick(); });
    connect(Filter, &QLineEdit::textChanged, this, [this] { FilterChange(); });
    setFixedSize(195, 503);
    FitColumns();

    if (!Frame()) return;
    TDatabase* db = &Frame()->Database;
    for (TTable* t : {&RoundTable, &TableCourseGeneral, &RoundShotsTable, &RoundHolesTable})
        t->SetDatabase(db);
    // FormCreate: top left, the player's rounds.
    RoundTable.SetFilter("UserId = " + std::to_string(Frame()->GetUserId()));
    Reread([this] { RoundTable.Open(); });
    QMdiSubWindow* sub = Frame()->AddMdiChild(this);
    // A tool-window border: caption and close box only.
    sub->setWindowFlags(Qt::SubWindow | Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowCloseButtonHint);
    sub->show();
    FitColumns();
    sub->move(0, 0);
    reread_->RunOnActivation(Frame()->MdiArea(), this, true);
    // FormShow.
    EnableRoundsCommands(false);
}

TRoundsForm::~TRoundsForm() { EnableRoundsCommands(true); }

void TRoundsForm::ComeBackOnClose(QWidget* opened) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(opened->parentWidget())) sub->installEventFilter(this);
}

bool TRoundsForm::eventFilter(QObject* watched, QEvent* e) {
    // Before the frame chooses the next window by creation order.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(watched); sub && e->type() == QEvent::Close) {
        auto* mine = qobject_cast<QMdiSubWindow*>(parentWidget());
        if (mine && sub->mdiArea() && sub->mdiArea()->activeSubWindow() == sub) sub->mdiArea()->setActiveSubWindow(mine);
        return false;
    }
    if (watched == RoundsGrid->viewport() && e->type() == QEvent::ContextMenu) {
        auto* menu = static_cast<QContextMenuEvent*>(e);
        const QModelIndex index = RoundsGrid->indexAt(menu->pos());
        if (index.isValid()) SelectRow(index.row());
        PopupMenuRounds->popup(menu->globalPos());
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void TRoundsForm::Reread(const std::function<void()>& change) {
    int roundId = -1;
    if (RoundTable.Active() && !RoundTable.IsEmpty()) {
        SyncCurrentRow();
        roundId = RoundTable.FieldByName("RoundId").AsInteger();
    }
    namesLoaded_ = false;
    // A change that fails may leave the rows as they were: the selection
    // comes back on them too.
    std::exception_ptr failed;
    try {
        model_->Change(change);
    } catch (...) {
        failed = std::current_exception();
    }
    FitColumns();
    if (RoundTable.Active() && !RoundTable.IsEmpty()) {
        int row = 0;
        if (roundId >= 0 && RoundTable.Locate("RoundId", TVariant(roundId))) row = RoundTable.RecNo();
        SelectRow(row);
    }
    if (failed) std::rethrow_exception(failed);
}

void TRoundsForm::ReopenTable() { reread_->Run(); }

void TRoundsForm::FormActivate() { ReopenTable(); }

std::array<int, 4> RoundsColumnWidths(const std::array<int, 4>& content, int available) {
    std::array<int, 4> w{};
    for (int c = 0; c < 3; ++c) w[c] = std::max(StoredColumnWidth[c], content[c]);
    w[3] = content[3];
    // The title gives way first, then the course name; the date and the
    // score always fit.
    const int over = w[0] + w[1] + w[2] + w[3] - available;
    if (over > 0) w[3] = std::max(w[3] - over, 0);
    const int still = w[0] + w[1] + w[2] + w[3] - available;
    if (still > 0) w[1] = std::max(w[1] - still, 0);
    return w;
}

void TRoundsForm::FitColumns() {
    const std::vector<int> need = FitColumnsToContents(RoundsGrid);
    if (need.size() != 4) return;
    const int chrome = GridChromeWidth(RoundsGrid);
    const std::array<int, 4> width =
        RoundsColumnWidths({need[0], need[1], need[2], need[3]}, MaxGridWidth - chrome);
    int total = chrome;
    for (int c = 0; c < 4; ++c) {
        RoundsGrid->setColumnWidth(c, width[c]);
        total += width[c];
    }
    const int gridWidth = std::max(193, total);
    // No higher than the frame's client area (a small screen): the grid gives
    // way, the filter box stays under it.
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    int over = 0;
    if (sub && sub->mdiArea())
        over = std::clamp(sub->minimumSizeHint().height() - height() + 503 - sub->mdiArea()->viewport()->height(), 0, 300);
    RoundsGrid->resize(gridWidth, 442 - over);
    Image1->move(32, 476 - over);
    Filter->move(56, 476 - over);
    setFixedSize(gridWidth + 2, 503 - over);
    if (sub) sub->adjustSize();
}

void TRoundsForm::FilterChange() {
    if (!Frame()) return;
    const std::string filter = RoundsListFilter(Frame()->GetUserId(), Filter->text().toStdString());
    Reread([this, &filter] { RoundTable.SetFilter(filter); });
}

void TRoundsForm::SelectRow(int row) {
    if (!RoundTable.Active() || row < 0 || row >= RoundTable.RecordCount()) return;
    RoundTable.SetRecNo(row);
    RoundsGrid->selectRow(row);
    RoundsGrid->setCurrentIndex(model_->index(row, 0));
}

void TRoundsForm::SyncCurrentRow() {
    const QModelIndex current = RoundsGrid->currentIndex();
    if (current.isValid() && current.row() < RoundTable.RecordCount()) RoundTable.SetRecNo(current.row());
}

void TRoundsForm::RoundTableCalcFields(TTable& table) {
    if (!namesLoaded_) {
        courseNames_.clear();
        shortDates_.clear();
        TableCourseGeneral.Open();
        for (TableCourseGeneral.First(); !TableCourseGeneral.Eof(); TableCourseGeneral.Next())
            courseNames_[TableCourseGeneral.FieldByName("CourseId").AsInteger()] =
                TableCourseGeneral.FieldByName("Course_Name").AsString();
        TableCourseGeneral.Close();
        namesLoaded_ = true;
    }
    const TVariant course = table.FieldByName("CourseId").Value();
    auto found = courseNames_.end();
    if (!course.IsNull()) {
        try {
            found = courseNames_.find(course.AsInteger());
        } catch (const EDatabaseError&) {
        }
    }
    table.FieldByName("CourseName").SetValue(found == courseNames_.end() ? "Unknown course" : found->second);

    std::string date;
    const TVariant start = table.FieldByName("RoundStartDate").Value();
    if (!start.IsNull()) {
        const std::string key = start.AsString().substr(0, 10);
        const auto cached = shortDates_.find(key);
        if (cached != shortDates_.end()) {
            date = cached->second;
        } else {
            try {
                date = ShortDateText(start.AsDateTime());
            } catch (const EDatabaseError&) {
            }
            shortDates_[key] = date;
        }
    }
    table.FieldByName("Date").SetValue(date);
}

bool TRoundsForm::OpenDetailExists(int roundId) const {
    if (!Frame()) return false;
    for (QWidget* w : Frame()->MdiChildren()) {
        if (auto* r = dynamic_cast<TRoundFrm*>(w); r && r->Tag == roundId) return true;
        if (auto* e = dynamic_cast<TEditRoundForm*>(w); e && e->Tag == roundId) return true;
    }
    return false;
}

void TRoundsForm::RoundsGridDblClick() {
    if (!Frame() || !RoundTable.Active() || RoundTable.IsEmpty()) {
        MessageBox("No round selected!", "Error", MB_OK, MB_ICONERROR);
        return;
    }
    SyncCurrentRow();
    const TVariant courseValue = RoundTable.FieldByName("CourseId").Value();
    const TVariant teeValue = RoundTable.FieldByName("TeeNumber").Value();
    const long long courseId = WholeValue(courseValue);
    const int tee = ListTeeNumber(WholeValue(teeValue), teeValue.IsNull());
    if (courseId == 0 || tee == 0) {
        MessageBox("Please check the course and tee.", "Information", MB_OK, MB_ICONINFORMATION);
        EditroundClick();
        return;
    }
    repaint();
    const int roundId = RoundTable.FieldByName("RoundId").AsInteger();
    if (OpenDetailExists(roundId)) return;
    const std::string courseName = RoundTable.FieldByName("CourseName").AsString();
    const std::string date = RoundTable.FieldByName("Date").AsString();

    TProgressScope progress("Generating form");
    QPointer<TRoundFrm> frm = new TRoundFrm(FrameWindow());
    ComeBackOnClose(frm);
    frm->Tag = roundId;
    frm->setWindowTitle(QString::fromStdString("Round - " + courseName + " " + date));
    if (PrintingForm) PrintingForm->CardTitle = courseName;
    const std::string user = "UserId = " + std::to_string(Frame()->GetUserId());
    const std::string round = "RoundId = " + std::to_string(roundId);
    const std::string course = "CourseId = " + std::to_string(courseId);
    const auto setFilters = [&] {
        frm->PlayerDetailTable.SetFilter(user);
        frm->RoundShotsTable.SetFilter(round);
        frm->RoundHoleTable.SetFilter(round);
        frm->RoundTable.SetFilter(round);
        frm->ScoreCardTable.SetFilter(course);
        frm->CourseGeneralTable.SetFilter(course);
        frm->HolesTable.SetFilter(course);
    };
    setFilters();
    try {
        frm->SetupHoleButtons();
        if (!frm->FillScorecard() || !frm) return;
        setFilters();
        frm->ShowRoundStats();
    } catch (const std::exception& e) {
        if (frm) frm->LoadFailed(e);
        return;
    }
    frm->SetWindowStateNormal();
}

void TRoundsForm::Viewround1Click() { RoundsGridDblClick(); }

void TRoundsForm::EditroundClick() {
    if (!Frame() || !RoundTable.Active() || RoundTable.IsEmpty()) {
        MessageBox("No round selected!", "Error", MB_OK, MB_ICONERROR);
        return;
    }
    SyncCurrentRow();
    repaint();
    const int roundId = RoundTable.FieldByName("RoundId").AsInteger();
    if (OpenDetailExists(roundId)) return;
    const TVariant courseValue = RoundTable.FieldByName("CourseId").Value();
    const std::string courseId = courseValue.IsNull() ? "0" : FilterNumber(courseValue);
    const std::string courseName = RoundTable.FieldByName("CourseName").AsString();
    const std::string date = RoundTable.FieldByName("Date").AsString();

    auto* editor = new TEditRoundForm(FrameWindow());
    ComeBackOnClose(editor);
    editor->Tag = roundId;
    const std::string round = "RoundId = " + std::to_string(roundId);
    const std::string user = "UserId = " + std::to_string(Frame()->GetUserId());
    editor->RoundShotsTable.SetFilter(round);
    editor->RoundTable.SetFilter(round);
    editor->ScoreCardTable.SetFilter("CourseId = " + courseId);
    editor->BagTable.SetFilter(user);
    editor->ClubDetailTable.SetFilter(user);
    editor->CourseGeneralTable.SetFilter("");
    editor->LoadRound();
    editor->setWindowTitle(QString::fromStdString("Edit round - " + courseName + " " + date));
    ReopenTable();
}

void TRoundsForm::DeleteroundClick() {
    if (!Frame() || !RoundTable.Active() || RoundTable.IsEmpty()) {
        MessageBox("No round selected!", "Error", MB_OK, MB_ICONERROR);
        return;
    }
    SyncCurrentRow();
    const std::string question = "Are you sure you want to delete round " +
                                 RoundTable.FieldByName("Date").AsString() + " / " +
                                 RoundTable.FieldByName("CourseName").AsString() + "?";
    if (MessageBox(question, "Confirm", MB_YESNO, MB_ICONQUESTION) != IDYES) return;
    const int roundId = RoundTable.FieldByName("RoundId").AsInteger();
    const std::string round = "RoundId = " + std::to_string(roundId);
    // Shots, holes and the round go together or not at all.
    Reread([&] {
        TTransaction tx(Frame()->Database);
        for (TTable* t : {&RoundShotsTable, &RoundHolesTable}) {
            t->SetFilter(round);
            t->Open();
            for (t->Last(); !t->IsEmpty(); t->Last()) t->Delete();
            t->Close();
        }
        if (RoundTable.Locate("RoundId", TVariant(roundId))) RoundTable.Delete();
        tx.Commit();
    });
}
