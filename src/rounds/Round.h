#pragma once
#include <QWidget>
#include <exception>
#include <string>

#include "db/Table.h"
#include "rounds/Markpoint.h"
#include "rounds/Proctrls.h"

class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMdiSubWindow;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QToolBar;
class QToolButton;
class THoleScene;
class TOpenGLAPPanel;
struct TRoundTables;

// The round window: one played round as a scorecard with statistics and a
// page per hole. The rounds list opens it (Tag = RoundId), sets the table
// filters and runs SetupHoleButtons, FillScorecard and ShowRoundStats. It
// only reads the database.
class TRoundFrm : public QWidget {
public:
    explicit TRoundFrm(QWidget* owner = nullptr);
    ~TRoundFrm() override;

    // Pixels at least between a header caption and its value.
    static constexpr int HeaderCaptionGap = 6;

    // Where the holes page puts a hole's rows: the shot rows and the sand
    // line (rows 0 to shots, at 72 + 17 x row) in an area of the given
    // height, then the total and the result rows, all above the page's
    // bottom. A hole that fits keeps every row in its place.
    struct HoleRowsPlace {
        int AreaHeight;
        int TotalTop;
        int ResultTop;
    };
    static HoleRowsPlace PlaceHoleRows(int shots, int pageHeight);

    // Builders.
    void SetupHoleButtons();
    // False when the course lacks data the card needs: the window is then
    // closing, the user has been told, and the course window is open for
    // editing when the course exists.
    bool FillScorecard();
    void ShowHole(int n);
    void ShowRoundStats();
    // A builder failed: the window goes, then the user is told why.
    void LoadFailed(const std::exception& e);

    // Handlers.
    void PrintButtonClick();
    void OKBtnClick();
    void HelpBtnClick();
    void FormActivate();
    void FormClose();
    void ScorecardShow();
    void HolesShow();
    void HoleClick(int n);
    // Hole view: the panel's events and the tool bar.
    void OpenGLAPPanel1Init();
    void OpenGLAPPanel1Resize();
    void OpenGLAPPanel1Paint();
    void OpenGLAPPanel1MouseDown(Qt::MouseButton button, int x, int y);
    void OpenGLAPPanel1MouseMove(int x, int y);
    void OpenGLAPPanel1MouseUp(int x, int y);
    void ToolbtnZoomINClick();
    void ToolbtnZoomOUTClick();
    void ToolbtnRotLeftClick();
    void ToolbtnRotRightClick();
    void ScrollHorizonalClick(TUDBtnType button);
    void ScrollVerticalClick(TUDBtnType button);
    void ScrollHorizonalMouseUp();
    void ScrollVerticalMouseUp();

    // The sub-window frame in the main window (nullptr outside one).
    QMdiSubWindow* SubWindow() const;
    bool IsMinimized() const;
    void SetWindowStateNormal();
    // Card file writing, without the printing window; false when the file
    // cannot be written.
    bool WriteScorecardFile(const std::string& path);

    int Tag = 0;

    // Header.
    QLabel *Player, *Date, *Marker, *Bag, *HCP, *Title, *Tee;
    QLabel *PlayerLabel, *DateLabel, *MarkerLabel, *BagLabel, *HCPLabel, *TitleLabel, *TeeLabel;
    QPushButton *PrintButton, *OKBtn, *HelpBtn;
    QTabWidget* PageControl;
    // Scorecard page.
    QWidget* Scorecard;
    QLabel *Label11, *Label12, *Label13, *Label15, *Label16, *Label17, *UnitLabel, *UnitLabel2;
    QFrame* Bevel1;
    QGroupBox* RoundStats;
    QLabel *FirLabel, *GirLabel, *PutsLabel, *BunkerLabel;
    // Holes page.
    QWidget* Holes;
    QLabel *HoleNro, *HolePar, *Hcpindex, *Label5;
    // The shot rows and the sand line scroll in ShotRows when the hole has
    // more than the page holds; "Total" and "Result" stay below it.
    QScrollArea* ShotRows;
    QWidget* ShotRowPanel;
    QFrame* Bevel2;
    QToolBar* ToolBar;
    QToolButton* HoleButtons[18];  // Hole1 .. Hole18
    QButtonGroup* HoleGroup;
    QGroupBox* OGLGroupBox;
    QFrame *ObjectColor, *GreenColor;
    TOpenGLAPPanel* OpenGLAPPanel1 = nullptr;
    TProPanel* OpenGLToolBar = nullptr;
    TProSpeedButton *ToolbtnZoomIN = nullptr, *ToolbtnZoomOUT = nullptr;
    TUpDown *ScrollVertical = nullptr, *ScrollHorizonal = nullptr;
    TProSpeedButton *ToolbtnRotLeft = nullptr, *ToolbtnRotRight = nullptr;

    TTable ScoreCardTable;
    TTable RoundTable;
    TTable PlayerDetailTable;
    TTable HolesTable;
    TTable CourseGeneralTable;
    TTable BagTable;
    TTable RoundHoleTable;
    TTable ClubDetailTable;
    TTable RoundShotsTable;
    TTable WaypointTable;

    int ShotRowCount = 0;
    unsigned char SandLabelsShown = 0;
    unsigned char ManyShots = 0;
    unsigned char NineAsEighteen = 0;
    QLineEdit* ScorecardCells[22][11] = {};
    QLabel* ShotLabels[40][4] = {};
    QLabel* SandLabel = nullptr;
    QLabel* SandCountLabel = nullptr;
    THoleScene* Scene = nullptr;
    // The scene's points of the hole shown last: course points, then shots.
    MarkPointType* ScenePoints = nullptr;
    int ScenePointCount = 0;

    // What the card was built with (the print file uses the same).
    int CardRows() const { return cardRows_; }
    int CardTees() const { return cardTees_; }
    int PlayingHcp() const { return playingHcp_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    // Enter no control wanted presses Close, the default button.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void FreePoints();
    void ClearHolePage();
    QLabel* MakeShotLabel(int row, int column, int left, const QString& text, bool bold, QWidget* parent, int top);
    int HolesPageHeight() const;
    void MissingCourseData();
    // The holes page's length heading names the unit of the lengths shown.
    void SetLengthHeading(const std::string& unit);
    TRoundTables Tables();
    int cardRows_ = 0;
    int cardTees_ = 0;
    int playingHcp_ = 0;
    int roundHcp_ = 0;
    // The title and marker whole, as the card prints them; their labels may
    // show them cut.
    std::string title_;
    std::string marker_;
    bool built_ = false;
    bool closed_ = false;
};
