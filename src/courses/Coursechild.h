#pragma once
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <string>

#include "db/Table.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;

// The course window: one course on three pages (details, scorecard grid with
// ratings and slopes, course points). Every opener filters the four course
// tables to the course, sets EditMode and runs LoadCourseDetails,
// BuildScorecardGrid and FillCoursepointList in this order before showing it;
// OpenCourseWindow below does all of that.
class TCourseFrm : public QWidget {
  public:
    explicit TCourseFrm(QWidget* owner = nullptr);
    ~TCourseFrm() override;

    // Builders.
    void LoadCourseDetails();
    void BuildScorecardGrid();
    void FillCoursepointList();
    void FillStateList();

    // Writers: the scorecard page to Holes and ScoreCard, the details page to
    // Course_General.
    void SaveCourseHoles();
    void SaveCourseGeneral();

    // Handlers.
    void OKBtnClick();
    void CancelBtnClick();
    void ApplyBtnClick();
    void HelpBtnClick();
    void URLLabelClick();
    void EmailLabelClick();
    void PrintButtonClick();
    void AdvancedButtonClick();
    void CountryComboBoxChange();

    // Scorecard box handlers (exit = the box loses focus).
    void LengthExit(QLineEdit* box);
    void ParExit(QLineEdit* box);
    void RatingExit(QLineEdit* box);
    void SlopeExit(QLineEdit* box);
    void BoxEnter(QLineEdit* box);
    void StrokeExit(QLineEdit* box);
    void MatchExit(QLineEdit* box);

    // Course points.
    void AddnewcoursepointClick();
    void EditcoursepointClick();
    void DeletecoursepointClick();
    void CoursepointsListViewDblClick();
    void CoursepointsListViewKeyDown(int key);

    // Grid cell [r][c] of the scorecard page; nullptr where none is made.
    QLineEdit* Cell(int row, int column) const;
    bool GridBuilt() const { return ScorecardEdit[0][0] != nullptr; }
    int GridRows() const { return gridRows_; }
    int GridTees() const { return gridTees_; }
    bool Closing() const { return closing_; }

    // Members read by the opener and the scorecard boxes.
    int EntryValue = 0;
    QLineEdit* EnteredBox = nullptr;
    unsigned char EditMode = 0;
    QLineEdit* ScorecardEdit[22][10] = {};
    QLineEdit* SlopeEdit[12] = {};
    QLineEdit* RatingEdit[12] = {};
    int Tag = 0; // the course's CourseId
    // The list window that opened this one with its View or Edit command:
    // the course window goes when that window goes.
    QPointer<QWidget> OwnerList;

    TTable CourseGeneralTable;
    TTable ScorecardTable;
    TTable HolesTable;
    TTable WaypointTable;
    TTable CountryTable;
    TTable StateTable;

    // Pages and controls, named as in the stored form.
    QTabWidget* PageControl;
    QWidget* DetailsTab;
    QWidget* ScorecardTab;
    QWidget* CoursepointsTab;
    QLabel *NameLabel, *ZipLabel, *TelLabel, *FaxLabel, *URLLabel, *EmailLabel, *AddrLabel1,
        *AddrLabel2, *U8NameLabel, *CountryLabel, *StateLabel, *requiredLabel;
    QLineEdit *NameEdit, *ZipEdit, *TelephoneEdit, *FaxEdit, *URLEdit, *EmailEdit, *AddressEdit1,
        *AddressEdit2, *U8NameEdit;
    QComboBox *CountryComboBox, *StateComboBox;
    QPlainTextEdit* Memo1;
    QLabel *UnitLabel, *UnitLabel2, *Label12, *Label13, *Label15, *Label16, *Label17;
    QTreeWidget* CoursepointsListView;
    QMenu* PopupMenuCoursePoint;
    QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton3;
    QPushButton *OKBtn, *CancelBtn, *HelpBtn, *AdvancedButton, *PrintButton;

  protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void FormCreate();
    void CloseWindow();
    void DestroyGrid();
    void ShowDetailsMode();
    QLineEdit* MakeBox(const QString& name, int left, int top, int kind, unsigned colour);
    void RunIndexRule(QLineEdit* box, bool stroke);
    void ExitBox(QLineEdit* box);
    bool SaveAll();
    void ShowPointDialog(int pointId);
    int SelectedPointId() const;
    int gridRows_ = 0;
    int gridTees_ = 0;
    // The unit the grid's lengths are shown in: a later switch of the unit
    // changes neither their checks nor their save.
    std::string gridUnit_ = "true";
    bool closing_ = false;
    std::string courseName_;
};

// The address a link label opens: http(s) for the web link (a bare host gets
// "http://"), "mailto:" for the e-mail label; an empty URL for anything else,
// so a label never starts a local program.
QUrl CourseLinkUrl(const std::string& text, bool email);
// Opens a URL in the desktop's browser or mail program; tests replace it.
void SetLinkOpener(std::function<bool(const QUrl&)> opener);

// The open course window of a course, not yet closing; nullptr when none.
TCourseFrm* FindCourseWindow(int courseId);

// The opening sequence: constructs the window with its owner, sets Tag and the
// four filters to the course, sets the mode, runs the three builders and shows
// it as a child of the main window. An open window of the same course is
// brought to the front and returned instead, so a course never has two.
TCourseFrm* OpenCourseWindow(QWidget* owner, int courseId, unsigned char editMode);
