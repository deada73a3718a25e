#include "rounds/Editround.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>
#include <exception>

#include "platform/Messagebox.h"
#include "platform/Textutil.h"
#include "rounds/Fieldvalues.h"
#include "rounds/Roundrules.h"
#include "rounds/Roundstore.h"
#include "rounds/Shotedit.h"
#include "common/Calculations.h"
#include "common/Caption.h"
#include "common/Frame.h"

namespace {

// Selects the entry carrying the value as its data; none when no entry does.
void SelectData(QComboBox* box, int value) {
    box->setCurrentIndex(box->findData(value));
}

// Shows a stored text whole: the box's limit holds for typing only.
void SetLimitedText(QLineEdit* box, int limit, const QString& text) {
    box->setMaxLength(std::max(limit, static_cast<int>(text.size())));
    box->setText(text);
}

constexpr int ShotIdRole = Qt::UserRole;
constexpr int ClubIdRole = Qt::UserRole + 1;

} // namespace

TEditRoundForm::TEditRoundForm(QWidget* owner)
    : QWidget(nullptr),
      RoundTable(MainDatabase(), "Round"),
      RoundShotsTable(MainDatabase(), "RoundShots"),
      CourseGeneralTable(MainDatabase(), "Course_General"),
      ScoreCardTable(MainDatabase(), "ScoreCard"),
      ClubDetailTable(MainDatabase(), "ClubDetail"),
      BagTable(MainDatabase(), "GolfBag") {
    (void)owner;  // a child of the main window's MDI area
    setObjectName("EditRoundForm");
    setWindowTitle("Edit Round");
    RoundShotsTable.AddSort("[RoundId] ASC");
    RoundShotsTable.AddSort("[HoleId] ASC");
    RoundShotsTable.AddSort("[ShotNumber] ASC");

    TitleEdit = new QLineEdit(this);
    TitleEdit->setObjectName("TitleEdit");
    MarkerEdit = new QLineEdit(this);
    MarkerEdit->setObjectName("MarkerEdit");
    MarkerEdit->setMaxLength(24);
    CourseComboBox = new QComboBox(this);
    CourseComboBox->setObjectName("CourseComboBox");
    TeeComboBox = new QComboBox(this);
    TeeComboBox->setObjectName("TeeComboBox");
    BagComboBox = new QComboBox(this);
    BagComboBox->setObjectName("BagComboBox");
    HCPEdit = new QLineEdit(this);
    HCPEdit->setObjectName("HCPEdit");
    HCPEdit->installEventFilter(this);

    ShotsView = new QTreeWidget(this);
    ShotsView->setObjectName("ShotsView");
    ShotsView->setAccessibleName("Shots");
    ShotsView->setRootIsDecorated(false);
    ShotsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ShotsView->setSelectionMode(QAbstractItemView::SingleSelection);
    ShotsView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ShotsView->setHeaderLabels(
        {"Hole", "#", "Club", "Length", "Latittude", "Longitude", "Description"});
    const int widths[] = {34, 20, 70, 45, 107, 107, 170};
    for (int i = 0; i < 7; ++i) ShotsView->setColumnWidth(i, widths[i]);
    ShotsView->installEventFilter(this);
    ShotsView->viewport()->installEventFilter(this);

    const auto tool = [this](const char* name, const char* hint) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        b->setText(hint);
        return b;
    };
    AddShotButton = tool("AddShotButton", "Add shot");
    EditShotButton = tool("EditShotButton", "Edit shot");
    DeleteShotButton = tool("DeleteShotButton", "Delete shot");
    EditRoundPopupMenu = new QMenu(this);
    EditRoundPopupMenu->setObjectName("EditRoundPopupMenu");
    Insertshot1 = EditRoundPopupMenu->addAction("Add shot");
    Insertshot1->setObjectName("Insertshot1");
    Editshot1 = EditRoundPopupMenu->addAction("Edit shot");
    Editshot1->setObjectName("Editshot1");
    Deleteshot1 = EditRoundPopupMenu->addAction("Delete shot");
    Deleteshot1->setObjectName("Deleteshot1");

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    HelpBtn = new QPushButton("&Help", this);
    HelpBtn->setObjectName("HelpBtn");
    // A focused button takes Enter itself.
    CancelBtn->setAutoDefault(true);
    HelpBtn->setAutoDefault(true);

    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    const auto field = [&](int row, int column, const char* caption, QWidget* w) {
        fields->addWidget(Caption(caption, w), row, column);
        fields->addWidget(w, row, column + 1);
    };
    field(0, 0, "Title:", TitleEdit);
    field(0, 2, "Marker:", MarkerEdit);
    field(1, 0, "Course:", CourseComboBox);
    field(1, 2, "Tee:", TeeComboBox);
    field(2, 0, "Bag:", BagComboBox);
    field(2, 2, "HCP:", HCPEdit);
    layout->addLayout(fields);
    auto* tools = new QHBoxLayout;
    tools->addWidget(AddShotButton);
    tools->addWidget(EditShotButton);
    tools->addWidget(DeleteShotButton);
    tools->addStretch();
    layout->addLayout(tools);
    layout->addWidget(ShotsView, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    layout->addLayout(buttons);
    setFixedSize(600, 437);
    SetTabChain({HCPEdit, AddShotButton, EditShotButton, DeleteShotButton, ShotsView, OKBtn});

    connect(CourseComboBox, &QComboBox::activated, this, [this] { CourseComboBoxChange(); });
    connect(AddShotButton, &QToolButton::clicked, this, [this] { Insertshot1Click(); });
    connect(Insertshot1, &QAction::triggered, this, [this] { Insertshot1Click(); });
    connect(EditShotButton, &QToolButton::clicked, this, [this] { Editshot1Click(); });
    connect(Editshot1, &QAction::triggered, this, [this] { Editshot1Click(); });
    connect(DeleteShotButton, &QToolButton::clicked, this, [this] { Deleteshot1Click(); });
    connect(Deleteshot1, &QAction::triggered, this, [this] { Deleteshot1Click(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });

    if (Frame()) {
        QMdiSubWindow* sub = Frame()->AddMdiChild(this);
        sub->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                            Qt::MSWindowsFixedSizeDialogHint);
        sub->adjustSize();
        sub->show();
    }
}

TEditRoundForm::~TEditRoundForm() = default;

bool TEditRoundForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == HCPEdit && e->type() == QEvent::FocusOut) HCPEditExit();
    if (watched == ShotsView && e->type() == QEvent::KeyPress)
        ShotsViewKeyDown(static_cast<QKeyEvent*>(e)->key());
    if (watched == ShotsView->viewport() && e->type() == QEvent::ContextMenu) {
        EditRoundPopupMenu->popup(static_cast<QContextMenuEvent*>(e)->globalPos());
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void TEditRoundForm::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        OKBtnClick();
        return;
    }
    if (key == Qt::Key_Escape) {
        CancelBtnClick();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TEditRoundForm::CloseWindow() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->close();
    else close();
}

int TEditRoundForm::courseIdOfFilter() const {
    const std::string& f = ScoreCardTable.Filter();
    const size_t eq = f.find('=');
    if (eq == std::string::npos) return 0;
    const size_t start = f.find_first_not_of(' ', eq + 1);
    return start == std::string::npos ? 0 : ParseWhole(f.substr(start)).value_or(0);
}

void TEditRoundForm::FillTeeList(const std::vector<std::string>& names) {
    TeeComboBox->clear();
    for (size_t i = 0; i < names.size(); ++i)
        TeeComboBox->addItem(
            QString::fromStdString(names[i].empty() ? "Tee number: " + std::to_string(i + 1) : names[i]));
}

// Whatever fails while the round loads, the editor never stores a header it
// did not show: after the message the window goes.
void TEditRoundForm::LoadRound() {
    if (loadFailed_) return;
    try {
        ShowRound();
    } catch (const std::exception& e) {
        loadFailed_ = true;
        setEnabled(false);
        ShowErrorMessage(e);
        QTimer::singleShot(0, this, [this] { CloseWindow(); });
    }
}

void TEditRoundForm::ShowRound() {
    const int courseId = courseIdOfFilter();
    const TEditorRound r = ReadEditorRound(ScoreCardTable, CourseGeneralTable, RoundTable, RoundShotsTable,
                                           ClubDetailTable, BagTable, courseId);

    // Bags.
    BagComboBox->clear();
    BagComboBox->addItem("Unknown", 0);
    for (const auto& [name, id] : r.bags) BagComboBox->addItem(QString::fromStdString(name), id);
    const int bagIndex = r.bagId && *r.bagId != 0 ? BagComboBox->findData(*r.bagId) : -1;
    BagComboBox->setCurrentIndex(bagIndex < 0 ? 0 : bagIndex);

    SetLimitedText(MarkerEdit, 24, QString::fromStdString(r.marker));
    TitleEdit->setText(QString::fromStdString(r.title));
    HCPEdit->setText(QString::fromStdString(DecimalText(r.hcp)));

    // Courses (all), the one of the score-card filter selected.
    CourseComboBox->clear();
    for (const auto& [name, id] : r.courses) CourseComboBox->addItem(QString::fromStdString(name), id);
    SelectData(CourseComboBox, courseId);

    FillTeeList(r.teeNames);
    TeeComboBox->setCurrentIndex(r.tee >= 1 && r.tee <= TeeComboBox->count() ? r.tee - 1 : -1);

    // Shots, by hole and number.
    ShotsView->clear();
    for (const TEditorShot& shot : r.shots) {
        auto* item = new QTreeWidgetItem(QStringList{
            QString::number(shot.hole),
            QString::number(shot.number),
            QString::fromStdString(shot.club),
            shot.length == 0 ? QString() : QString::number(MetresToDisplay(shot.length)),
            QString::fromStdString(ShotLatitudeText(shot.latitude, shot.longitude)),
            QString::fromStdString(ShotLongitudeText(shot.latitude, shot.longitude)),
            QString::fromStdString(ShotDescriptionText(shot.description, shot.penId))});
        item->setData(0, ShotIdRole, shot.shotId);
        item->setData(0, ClubIdRole, shot.clubId);
        ShotsView->addTopLevelItem(item);
    }
}

void TEditRoundForm::CourseComboBoxChange() {
    const QVariant data = CourseComboBox->currentData();
    if (!data.isValid()) return;
    FillTeeList(ReadCourseTees(CourseGeneralTable, ScoreCardTable, data.toInt()));
    if (TeeComboBox->count() > 0) TeeComboBox->setCurrentIndex(0);
}

void TEditRoundForm::HCPEditExit() {
    HCPEdit->setText(QString::fromStdString(BoundHcpText(HCPEdit->text().toStdString())));
}

bool TEditRoundForm::ApplyButtonClick() {
    if (loadFailed_) return false;
    HCPEditExit();
    TRoundHeaderInput in;
    in.marker = MarkerEdit->text().toStdString();
    in.title = TitleEdit->text().toStdString();
    in.hcp = ReadDecimal(HCPEdit->text().toStdString());
    const QVariant course = CourseComboBox->currentData();
    if (course.isValid()) {
        in.courseId = course.toInt();
        in.teeNumber = TeeComboBox->currentIndex() + 1;
    }
    const QVariant bag = BagComboBox->currentData();
    in.bagId = bag.isValid() ? bag.toInt() : 0;
    if (!StoreRoundHeader(RoundTable, in)) {
        MessageBox("The round has been deleted; nothing is stored.", "Error!", MB_OK, MB_ICONERROR);
        return false;
    }
    return true;
}

void TEditRoundForm::OKBtnClick() {
    if (loadFailed_) return;  // the window is on its way out
    ApplyButtonClick();
    CloseWindow();
}

void TEditRoundForm::CancelBtnClick() { CloseWindow(); }

bool TEditRoundForm::PrepareShotEditor(bool editing) {
    QTreeWidgetItem* item = ShotsView->currentItem();
    if (!item || !ShotEditForm) {
        MessageBox("No shot selected!", "Error!", MB_OK, MB_ICONERROR);
        return false;
    }
    TShotEditForm* editor = ShotEditForm;
    const bool eighteen = ReadEighteenHoles(CourseGeneralTable);
    {
        const QSignalBlocker block(editor->HoleComboBox);
        editor->HoleComboBox->clear();
        for (int i = 1; i <= (eighteen ? 18 : 9); ++i) editor->HoleComboBox->addItem(QString::number(i));
        editor->HoleComboBox->setCurrentIndex(-1);
    }
    editor->ClubComboBox->clear();
    editor->ClubComboBox->addItem("Unknown", 0);
    for (const auto& [name, id] : ReadClubs(ClubDetailTable))
        editor->ClubComboBox->addItem(QString::fromStdString(name), id);
    TakeFilter(editor->ClubDetailTable, ClubDetailTable);
    TakeFilter(editor->BagTable, BagTable);

    editor->ShotComboBox->clear();
    const TShotPlace place =
        OpenShot(editor->RoundShotsTable, RoundShotsTable.Filter(), item->data(0, ShotIdRole).toLongLong());
    for (int h = 1; h <= 18; ++h) editor->HoleShotCount[h] = place.counts[h];
    if (!place.found) {
        MessageBox("No shot selected!", "Error!", MB_OK, MB_ICONERROR);
        LoadRound();
        return false;
    }
    const int hole = place.hole;
    const int number = place.number;
    if (editing && hole >= 1 && hole <= 18) --editor->HoleShotCount[hole];
    int holeIndex = hole >= 1 && hole <= editor->HoleComboBox->count() ? hole - 1 : -1;
    if (editing && holeIndex < 0) holeIndex = 0;
    {
        const QSignalBlocker block(editor->HoleComboBox);
        editor->HoleComboBox->setCurrentIndex(holeIndex);
    }
    editor->HoleComboBoxChange();
    editor->ShotComboBox->setCurrentIndex(number >= 1 && number <= editor->ShotComboBox->count() ? number - 1 : -1);
    return true;
}

void TEditRoundForm::Insertshot1Click() {
    if (!PrepareShotEditor(false)) return;
    TShotEditForm* editor = ShotEditForm;
    TTable& shots = editor->RoundShotsTable;
    AppendShotRow(shots, shots.FieldByName("RoundId").AsInteger());
    editor->ClubComboBox->setCurrentIndex(0);
    SetLimitedText(editor->LengthEdit, 3, "0");
    editor->DescriptionEdit->clear();
    editor->LongComboBox->setCurrentIndex(editor->LongComboBox->findText("E"));
    editor->LatComboBox->setCurrentIndex(editor->LatComboBox->findText("N"));
    editor->PenaltyComboBox->setCurrentIndex(0);
    // A new shot has no position until one is entered.
    SetLimitedText(editor->Latitude, 9, "");
    SetLimitedText(editor->Longitude, 9, "");
    editor->exec();
    LoadRound();
}

void TEditRoundForm::Editshot1Click() {
    if (!PrepareShotEditor(true)) return;
    TShotEditForm* editor = ShotEditForm;
    TTable& shots = editor->RoundShotsTable;
    QTreeWidgetItem* item = ShotsView->currentItem();
    const int clubIndex = editor->ClubComboBox->findData(item->data(0, ClubIdRole).toInt());
    editor->ClubComboBox->setCurrentIndex(clubIndex > 0 ? clubIndex : 0);
    SetLimitedText(editor->LengthEdit, 3,
                   QString::number(MetresToDisplay(OptInt(shots, "ShotLength").value_or(0))));
    editor->PenaltyComboBox->setCurrentIndex(PenaltyIndexForId(OptInt(shots, "PenId")));
    editor->DescriptionEdit->setText(QString::fromStdString(shots.FieldByName("Description").AsString()));
    const double lat = Float(shots, "Latitude");
    const double lon = Float(shots, "Longitude");
    editor->LatComboBox->setCurrentIndex(editor->LatComboBox->findText(lat > 0 ? "N" : "S"));
    editor->LongComboBox->setCurrentIndex(editor->LongComboBox->findText(lon > 0 ? "E" : "W"));
    SetLimitedText(editor->Latitude, 9, QString::fromStdString(DecimalText(std::fabs(lat))));
    SetLimitedText(editor->Longitude, 9, QString::fromStdString(DecimalText(std::fabs(lon))));
    shots.Edit();
    editor->exec();
    LoadRound();
}

void TEditRoundForm::Deleteshot1Click() {
    QTreeWidgetItem* item = ShotsView->currentItem();
    if (!item) {
        MessageBox("No shot selected!", "Error!", MB_OK, MB_ICONERROR);
        return;
    }
    if (MessageBox("Are you sure?", "Delete shot", MB_YESNO, MB_ICONQUESTION) != IDYES) return;
    DeleteShot(RoundShotsTable, item->data(0, ShotIdRole).toLongLong(), [](int roundId) {
        if (Frame()) Frame()->ValidateRound(roundId);
    });
    LoadRound();
}

void TEditRoundForm::ShotsViewKeyDown(int key) {
    if (key == Qt::Key_Delete && ShotsView->currentItem()) Deleteshot1Click();
}
