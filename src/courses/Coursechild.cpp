#include "courses/Coursechild.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "shell/Mainform.h"

TCourseFrm::TCourseFrm(QWidget* owner)
    : QWidget(nullptr),
      CourseGeneralTable(nullptr, "Course_General"),
      ScorecardTable(nullptr, "ScoreCard"),
      HolesTable(nullptr, "Holes"),
      WaypointTable(nullptr, "Waypoints"),
      CountryTable(nullptr, "Country"),
      StateTable(nullptr, "States") {
    setObjectName("CourseFrm");
    PageControl = new QTabWidget(this);
    DetailsTab = new QWidget;
    ScorecardTab = new QWidget;
    CoursepointsTab = new QWidget;
    PageControl->addTab(DetailsTab, "Details");
    PageControl->addTab(ScorecardTab, "Scorecard");
    PageControl->addTab(CoursepointsTab, "Coursepoints");
    const auto label = [this](const char* name) {
        auto* l = new QLabel(DetailsTab);
        l->setObjectName(name);
        return l;
    };
    const auto edit = [this](const char* name) {
        auto* e = new QLineEdit(DetailsTab);
        e->setObjectName(name);
        return e;
    };
    NameLabel = label("NameLabel");
    ZipLabel = label("ZipLabel");
    TelLabel = label("TelLabel");
    FaxLabel = label("FaxLabel");
    URLLabel = label("URLLabel");
    EmailLabel = label("EmailLabel");
    AddrLabel1 = label("AddrLabel1");
    AddrLabel2 = label("AddrLabel2");
    U8NameLabel = label("U8NameLabel");
    CountryLabel = label("CountryLabel");
    StateLabel = label("StateLabel");
    requiredLabel = label("requiredLabel");
    NameEdit = edit("NameEdit");
    ZipEdit = edit("ZipEdit");
    TelephoneEdit = edit("TelephoneEdit");
    FaxEdit = edit("FaxEdit");
    URLEdit = edit("URLEdit");
    EmailEdit = edit("EmailEdit");
    AddressEdit1 = edit("AddressEdit1");
    AddressEdit2 = edit("AddressEdit2");
    U8NameEdit = edit("U8NameEdit");
    CountryComboBox = new QComboBox(DetailsTab);
    StateComboBox = new QComboBox(DetailsTab);
    Memo1 = new QPlainTextEdit(DetailsTab);
    UnitLabel = new QLabel(ScorecardTab);
    UnitLabel2 = new QLabel(ScorecardTab);
    Label15 = new QLabel(ScorecardTab);
    Label16 = new QLabel(ScorecardTab);
    Label17 = new QLabel(ScorecardTab);
    CoursepointsListView = new QTreeWidget(CoursepointsTab);
    PopupMenuCoursePoint = new QMenu(this);
    SpeedButton1 = new QToolButton(CoursepointsTab);
    SpeedButton2 = new QToolButton(CoursepointsTab);
    SpeedButton3 = new QToolButton(CoursepointsTab);
    OKBtn = new QPushButton("OK", this);
    CancelBtn = new QPushButton("Cancel", this);
    HelpBtn = new QPushButton("Help", this);
    AdvancedButton = new QPushButton("Hole settings", this);
    PrintButton = new QPushButton("Print Scorecard", this);
    if (owner) OwnerList = owner;
    if (MainForm) {
        for (TTable* t : {&CourseGeneralTable, &ScorecardTable, &HolesTable, &WaypointTable,
                          &CountryTable, &StateTable})
            t->SetDatabase(&MainForm->Database);
    }
}

TCourseFrm::~TCourseFrm() = default;

void TCourseFrm::LoadCourseDetails() {}
void TCourseFrm::BuildScorecardGrid() {}
void TCourseFrm::FillCoursepointList() {}
void TCourseFrm::FillStateList() {}
void TCourseFrm::SaveCourseHoles() {}
void TCourseFrm::SaveCourseGeneral() {}
void TCourseFrm::OKBtnClick() {}
void TCourseFrm::CancelBtnClick() { close(); }
void TCourseFrm::ApplyBtnClick() {}
void TCourseFrm::HelpBtnClick() {}
void TCourseFrm::URLLabelClick() {}
void TCourseFrm::EmailLabelClick() {}
void TCourseFrm::PrintButtonClick() {}
void TCourseFrm::AdvancedButtonClick() {}
void TCourseFrm::CountryComboBoxChange() {}
void TCourseFrm::LengthExit(QLineEdit*) {}
void TCourseFrm::ParExit(QLineEdit*) {}
void TCourseFrm::RatingExit(QLineEdit*) {}
void TCourseFrm::SlopeExit(QLineEdit*) {}
void TCourseFrm::BoxEnter(QLineEdit*) {}
void TCourseFrm::StrokeExit(QLineEdit*) {}
void TCourseFrm::MatchExit(QLineEdit*) {}
void TCourseFrm::AddnewcoursepointClick() {}
void TCourseFrm::EditcoursepointClick() {}
void TCourseFrm::DeletecoursepointClick() {}
void TCourseFrm::CoursepointsListViewDblClick() {}
void TCourseFrm::CoursepointsListViewKeyDown(int) {}
QLineEdit* TCourseFrm::Cell(int row, int column) const {
    if (row < 0 || row >= 22 || column < 0 || column >= 10) return nullptr;
    return ScorecardEdit[row][column];
}
void TCourseFrm::closeEvent(QCloseEvent* e) {
    closing_ = true;
    QWidget::closeEvent(e);
}
bool TCourseFrm::eventFilter(QObject* watched, QEvent* e) { return QWidget::eventFilter(watched, e); }
void TCourseFrm::FormCreate() {}
void TCourseFrm::DestroyGrid() {}
void TCourseFrm::ShowDetailsMode() {}
QLineEdit* TCourseFrm::MakeBox(const std::string&, int, int) { return nullptr; }

TCourseFrm* FindCourseWindow(int courseId) {
    if (!MainForm) return nullptr;
    for (QWidget* w : MainForm->MdiChildren())
        if (auto* f = dynamic_cast<TCourseFrm*>(w); f && f->Tag == courseId && !f->Closing()) return f;
    return nullptr;
}

TCourseFrm* OpenCourseWindow(QWidget* owner, int courseId, unsigned char editMode) {
    if (TCourseFrm* open = FindCourseWindow(courseId)) return open;
    auto* frm = new TCourseFrm(owner);
    frm->Tag = courseId;
    const std::string filter = "CourseId = " + std::to_string(courseId);
    for (TTable* t : {&frm->WaypointTable, &frm->CourseGeneralTable, &frm->ScorecardTable, &frm->HolesTable})
        t->SetFilter(filter);
    frm->EditMode = editMode;
    frm->LoadCourseDetails();
    frm->BuildScorecardGrid();
    frm->FillCoursepointList();
    if (MainForm) MainForm->AddMdiChild(frm)->show();
    return frm;
}
