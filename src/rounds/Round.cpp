#include "rounds/Round.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "courses/Coursechild.h"
#include "platform/Datafolder.h"
#include "platform/Messagebox.h"
#include "rounds/Holescene.h"
#include "rounds/Fieldvalues.h"
#include "rounds/Roundrules.h"
#include "rounds/Roundstore.h"
#include "rounds/Topenglappanel.h"
#include "common/Calculations.h"
#include "common/Helpwindow.h"
#include "common/Frame.h"
#include "common/Printform.h"
#include "common/Pictures.h"

namespace {

QColor FromTColor(int c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  int width = 0, bool bold = false) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        f.setPixelSize(12);
        l->setFont(f);
    }
    if (width > 0) l->setGeometry(left, top, width, 16);
    else {
        l->adjustSize();
        l->move(left, top);
    }
    return l;
}

// Shows a header value in its label, cut with "…" where it is wider than the
// label; the label's tooltip then holds it whole.
void SetHeaderValue(QLabel* label, const QString& text) {
    const QString shown =
        label->fontMetrics().elidedText(text, Qt::ElideRight, label->contentsRect().width());
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
}

} // namespace

TRoundFrm::TRoundFrm(QWidget* owner)
    : QWidget(nullptr),
      ScoreCardTable(MainDatabase(), "ScoreCard"),
      RoundTable(MainDatabase(), "Round"),
      PlayerDetailTable(MainDatabase(), "PlayerDetail"),
      HolesTable(MainDatabase(), "Holes"),
      CourseGeneralTable(MainDatabase(), "Course_General"),
      BagTable(MainDatabase(), "GolfBag"),
      RoundHoleTable(MainDatabase(), "RoundHoles"),
      ClubDetailTable(MainDatabase(), "ClubDetail"),
      RoundShotsTable(MainDatabase(), "RoundShots"),
      WaypointTable(MainDatabase(), "Waypoints") {
    (void)owner;  // the main window hosts it as a child of its MDI area
    setObjectName("RoundFrm");
    setWindowTitle("Round");
    QFont formFont = font();
    formFont.setPointSize(8);
    setFont(formFont);
    SetHelpContext(this, 4);
    setFixedSize(735, 533);
    RoundHoleTable.AddSort("[RoundId] ASC");
    RoundHoleTable.AddSort("[HoleId] ASC");

    // Header.
    Player = MakeLabel(this, "Player", "Player:", 10, 10);
    Date = MakeLabel(this, "Date", "Date:", 10, 29);
    Marker = MakeLabel(this, "Marker", "Marker:", 10, 48);
    Bag = MakeLabel(this, "Bag", "Bag", 10, 67);
    HCP = MakeLabel(this, "HCP", "HCP / Slope:", 360, 10);
    Title = MakeLabel(this, "Title", "Title / Competition:", 360, 29);
    Tee = MakeLabel(this, "Tee", "Tee:", 360, 48);
    // Each column's values start after its widest caption and a gap, at the
    // font at hand, and end before the next column or the window's edge.
    const auto valueLeft = [](int left, std::initializer_list<QLabel*> captions) {
        for (QLabel* c : captions) left = std::max(left, c->x() + c->sizeHint().width() + HeaderCaptionGap);
        return left;
    };
    const int left1 = valueLeft(66, {Player, Date, Marker, Bag});
    const int left2 = valueLeft(464, {HCP, Title, Tee});
    const int width1 = std::min(271, 360 - HeaderCaptionGap - left1), width2 = std::min(225, 735 - 10 - left2);
    PlayerLabel = MakeLabel(this, "PlayerLabel", "", left1, 10, width1, true);
    DateLabel = MakeLabel(this, "DateLabel", "", left1, 29, width1, true);
    MarkerLabel = MakeLabel(this, "MarkerLabel", "", left1, 48, width1, true);
    BagLabel = MakeLabel(this, "BagLabel", "", left1, 67, width1, true);
    HCPLabel = MakeLabel(this, "HCPLabel", "", left2, 10, width2, true);
    TitleLabel = MakeLabel(this, "TitleLabel", "", left2, 29, width2, true);
    TeeLabel = MakeLabel(this, "TeeLabel", "", left2, 48, width2, true);

    // Pages.
    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    PageControl->setGeometry(12, 99, 709, 360);
    PageControl->tabBar()->setStyleSheet("QTabBar::tab { width: 353px; }");
    Scorecard = new QWidget;
    Scorecard->setObjectName("Scorecard");
    Holes = new QWidget;
    Holes->setObjectName("Holes");
    PageControl->addTab(Scorecard, "Scorecard");
    PageControl->addTab(Holes, "Holes");

    Label11 = MakeLabel(Scorecard, "Label11", "Hole", 10, 8);
    Label12 = MakeLabel(Scorecard, "Label12", "Par", 45, 8);
    Label13 = MakeLabel(Scorecard, "Label13", "HCP", 75, 8);
    Label15 = MakeLabel(Scorecard, "Label15", "Hole", 360, 8);
    Label16 = MakeLabel(Scorecard, "Label16", "Par", 395, 8);
    Label17 = MakeLabel(Scorecard, "Label17", "HCP", 425, 8);
    UnitLabel = MakeLabel(Scorecard, "UnitLabel", "(m)", 40, 22, 30);
    UnitLabel2 = MakeLabel(Scorecard, "UnitLabel2", "(m)", 390, 22, 30);
    Bevel1 = new QFrame(Scorecard);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::VLine);
    Bevel1->setGeometry(350, 4, 2, 260);
    RoundStats = new QGroupBox("Round stats", Scorecard);
    RoundStats->setObjectName("RoundStats");
    RoundStats->setGeometry(4, 272, 305, 54);
    // Two columns of caption and value in the 305-pixel box, placed by the
    // widths of their texts, so that "18 of 18 (100%)" shows whole.
    QFont captionFont = RoundStats->font();
    captionFont.setPixelSize(11);
    QFont valueFont = captionFont;
    valueFont.setBold(true);
    valueFont.setPixelSize(10);
    const QFontMetrics captions(captionFont), values(valueFont);
    const int leftCaption = 6;
    const int leftValue = leftCaption + std::max(captions.horizontalAdvance("Fairway hits:"),
                                                 captions.horizontalAdvance("GIR:")) + 3;
    const int rightCaption = leftValue + values.horizontalAdvance("18 of 18 (100%)") + 4;
    const int rightValue = rightCaption + std::max(captions.horizontalAdvance("Puts:"),
                                                   captions.horizontalAdvance("Bunker hits:")) + 3;
    const QString names[4] = {"FirCaption", "GirCaption", "PutsCaption", "BunkerCaption"};
    const QString texts[4] = {"Fairway hits:", "GIR:", "Puts:", "Bunker hits:"};
    for (int i = 0; i < 4; ++i) {
        QLabel* caption = MakeLabel(RoundStats, names[i].toLatin1().constData(), texts[i],
                                    i < 2 ? leftCaption : rightCaption, i % 2 ? 33 : 16);
        caption->setFont(captionFont);
        caption->adjustSize();
    }
    FirLabel = MakeLabel(RoundStats, "FirLabel", "", leftValue, 16, rightCaption - 4 - leftValue, true);
    GirLabel = MakeLabel(RoundStats, "GirLabel", "", leftValue, 33, rightCaption - 4 - leftValue, true);
    PutsLabel = MakeLabel(RoundStats, "PutsLabel", "", rightValue, 16, 303 - rightValue, true);
    BunkerLabel = MakeLabel(RoundStats, "BunkerLabel", "", rightValue, 33, 303 - rightValue, true);
    for (QLabel* l : {FirLabel, GirLabel, PutsLabel, BunkerLabel}) l->setFont(valueFont);

    MakeLabel(Holes, "HoleCaption", "Hole: ", 12, 36);
    HoleNro = MakeLabel(Holes, "HoleNro", "", 44, 36, 30, true);
    MakeLabel(Holes, "ParCaption", "Par:", 90, 36);
    HolePar = MakeLabel(Holes, "HolePar", "", 115, 36, 30, true);
    MakeLabel(Holes, "HcpCaption", "HCP: ", 160, 36);
    Hcpindex = MakeLabel(Holes, "Hcpindex", "", 192, 36, 30, true);
    MakeLabel(Holes, "ShotHeading", "Shot", 11, 57);
    MakeLabel(Holes, "ClubHeading", "Club", 71, 57);
    Label5 = MakeLabel(Holes, "Label5", "Length", 139, 57, 80);
    ShotRows = new QScrollArea(Holes);
    ShotRows->setObjectName("ShotRows");
    ShotRows->setAccessibleName("Shots");
    ShotRows->setFrameShape(QFrame::NoFrame);
    ShotRows->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ShotRows->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ShotRows->setWidgetResizable(false);
    ShotRows->viewport()->setAutoFillBackground(false);
    ShotRowPanel = new QWidget;
    ShotRowPanel->setObjectName("ShotRowPanel");
    ShotRowPanel->resize(328, 17);
    ShotRows->setWidget(ShotRowPanel);
    ShotRowPanel->setAutoFillBackground(false);  // the page shows through, as before
    ShotRows->setGeometry(0, 72, 328, 17);
    Bevel2 = new QFrame(Holes);
    Bevel2->setObjectName("Bevel2");
    Bevel2->setFrameShape(QFrame::VLine);
    Bevel2->setGeometry(330, 30, 2, 290);
    ToolBar = new QToolBar(Holes);
    ToolBar->setObjectName("ToolBar");
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar->setGeometry(0, 0, 705, 26);
    HoleGroup = new QButtonGroup(this);
    HoleGroup->setExclusive(true);
    for (int i = 0; i < 18; ++i) {
        auto* b = new QToolButton(ToolBar);
        const std::string name = "Hole" + std::to_string(i + 1);
        b->setObjectName(QString::fromStdString(name));
        b->setText(QString::number(i + 1).rightJustified(2, ' '));
        b->setAccessibleName(QString::fromStdString("Hole " + std::to_string(i + 1)));
        b->setCheckable(true);
        b->setAutoRaise(true);
        ToolBar->addWidget(b);
        HoleGroup->addButton(b, i + 1);
        HoleButtons[i] = b;
        connect(b, &QToolButton::clicked, this, [this, i] { HoleClick(i + 1); });
    }
    OGLGroupBox = new QGroupBox(Holes);
    OGLGroupBox->setObjectName("OGLGroupBox");
    OGLGroupBox->setAccessibleName("Hole view");
    OGLGroupBox->setGeometry(336, 24, 321, 293);
    OGLGroupBox->setEnabled(false);
    OGLGroupBox->hide();
    const auto shape = [this](const char* name, const QColor& color, int left) {
        auto* f = new QFrame(OGLGroupBox);
        f->setObjectName(name);
        f->setAccessibleName(name);
        f->setAutoFillBackground(true);
        QPalette p = f->palette();
        p.setColor(QPalette::Window, color);
        f->setPalette(p);
        f->setGeometry(left, 290, 1, 1);
        f->hide();
        return f;
    };
    ObjectColor = shape("ObjectColor", Qt::black, 2);
    GreenColor = shape("GreenColor", FromTColor(50176), 4);

    // Hole view: the scene, the OpenGL panel it is drawn in and its tool bar.
    Scene = new THoleScene;
    const THoleViewControls view = CreateHoleViewControls(OGLGroupBox);
    OpenGLAPPanel1 = view.OpenGLAPPanel1;
    OpenGLToolBar = view.OpenGLToolBar;
    ToolbtnZoomIN = view.ToolbtnZoomIN;
    ToolbtnZoomOUT = view.ToolbtnZoomOUT;
    ScrollVertical = view.ScrollVertical;
    ScrollHorizonal = view.ScrollHorizonal;
    ToolbtnRotLeft = view.ToolbtnRotLeft;
    ToolbtnRotRight = view.ToolbtnRotRight;
    OpenGLAPPanel1->OnInit = [this](QObject*) { OpenGLAPPanel1Init(); };
    OpenGLAPPanel1->OnResize = [this](QObject*) { OpenGLAPPanel1Resize(); };
    OpenGLAPPanel1->OnPaint = [this](QObject*) { OpenGLAPPanel1Paint(); };
    OpenGLAPPanel1->OnMouseDown = [this](QObject*, Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
        OpenGLAPPanel1MouseDown(b, x, y);
    };
    OpenGLAPPanel1->OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int x, int y) {
        OpenGLAPPanel1MouseMove(x, y);
    };
    OpenGLAPPanel1->OnMouseUp = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
        OpenGLAPPanel1MouseUp(x, y);
    };
    ToolbtnZoomIN->OnClick = [this](QObject*) { ToolbtnZoomINClick(); };
    ToolbtnZoomOUT->OnClick = [this](QObject*) { ToolbtnZoomOUTClick(); };
    ToolbtnRotLeft->OnClick = [this](QObject*) { ToolbtnRotLeftClick(); };
    ToolbtnRotRight->OnClick = [this](QObject*) { ToolbtnRotRightClick(); };
    ScrollHorizonal->OnClick = [this](QObject*, TUDBtnType b) { ScrollHorizonalClick(b); };
    ScrollVertical->OnClick = [this](QObject*, TUDBtnType b) { ScrollVerticalClick(b); };
    ScrollHorizonal->OnMouseUp = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        ScrollHorizonalMouseUp();
    };
    ScrollVertical->OnMouseUp = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        ScrollVerticalMouseUp();
    };

    // Buttons.
    PrintButton = new QPushButton("Print Scorecard", this);
    PrintButton->setObjectName("PrintButton");
    PrintButton->setGeometry(424, 486, 100, 25);
    OKBtn = new QPushButton("Close", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setGeometry(530, 486, 75, 25);
    OKBtn->setDefault(true);
    HelpBtn = new QPushButton("Help", this);
    HelpBtn->setObjectName("HelpBtn");
    HelpBtn->setGeometry(615, 486, 75, 25);
    PrintButton->setAutoDefault(true);  // a focused button takes Enter itself
    HelpBtn->setAutoDefault(true);
    setTabOrder(PrintButton, OKBtn);
    connect(PrintButton, &QPushButton::clicked, this, [this] { PrintButtonClick(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(HelpBtn, &QPushButton::clicked, this, [this] { HelpBtnClick(); });
    connect(PageControl, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 0) ScorecardShow();
        else if (index == 1) HolesShow();
    });
    ScorecardShow();  // the page shown first

    // A child of the main window, minimised until its opener has built it.
    if (Frame()) {
        QMdiSubWindow* sub = Frame()->AddMdiChild(this);
        sub->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                            Qt::MSWindowsFixedSizeDialogHint);
        sub->adjustSize();
        // Bound before the first showing, which already activates the window.
        connect(Frame()->MdiArea(), &QMdiArea::subWindowActivated, this,
                [this](QMdiSubWindow* w) {
                    if (w && w->widget() == this) FormActivate();
                });
        sub->showMinimized();
    }
}

TRoundFrm::~TRoundFrm() {
    FreePoints();
    delete Scene;
    Scene = nullptr;
}

QMdiSubWindow* TRoundFrm::SubWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

bool TRoundFrm::IsMinimized() const {
    const QMdiSubWindow* sub = SubWindow();
    return sub ? sub->isMinimized() : isMinimized();
}

void TRoundFrm::SetWindowStateNormal() {
    if (QMdiSubWindow* sub = SubWindow()) {
        sub->showNormal();
        sub->adjustSize();
    } else {
        showNormal();
    }
}

void TRoundFrm::FreePoints() {
    delete[] ScenePoints;
    ScenePoints = nullptr;
    ScenePointCount = 0;
}

// ---------------------------------------------------------------- handlers

void TRoundFrm::closeEvent(QCloseEvent* e) {
    FormClose();
    QWidget::closeEvent(e);
}

void TRoundFrm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        OKBtnClick();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TRoundFrm::FormActivate() {
    for (QWidget* w : {static_cast<QWidget*>(OGLGroupBox), static_cast<QWidget*>(OpenGLAPPanel1),
                       static_cast<QWidget*>(OpenGLToolBar)}) {
        w->setEnabled(true);
        w->setVisible(true);
    }
}

void TRoundFrm::FormClose() {
    if (closed_) return;
    closed_ = true;
    delete Scene;
    Scene = nullptr;
    FreePoints();
    for (QWidget* w : {static_cast<QWidget*>(OGLGroupBox), static_cast<QWidget*>(OpenGLAPPanel1),
                       static_cast<QWidget*>(OpenGLToolBar)}) {
        w->setVisible(false);
        w->setEnabled(false);
    }
}

void TRoundFrm::OKBtnClick() {
    if (QMdiSubWindow* sub = SubWindow()) sub->close();
    else close();
}

void TRoundFrm::HelpBtnClick() {
    if (Frame()) Frame()->ShowHelp(GetHelpContext(this));
}

void TRoundFrm::HoleClick(int n) { ShowHole(n); }

void TRoundFrm::HolesShow() { ShowHole(1); }

void TRoundFrm::ScorecardShow() {
    HoleGroup->setExclusive(false);
    for (QToolButton* b : HoleButtons) b->setChecked(false);
    HoleGroup->setExclusive(true);
    HoleButtons[0]->setChecked(true);
}

// ---------------------------------------------------------------- builders

void TRoundFrm::SetupHoleButtons() {
    const int last = LastShotHole(RoundShotsTable);
    SetLengthHeading(Frame() ? Frame()->GetIsMeter() : "true");
    for (int i = 0; i < 18; ++i) HoleButtons[i]->setEnabled(i + 1 <= last);
}

void TRoundFrm::SetLengthHeading(const std::string& unit) {
    Label5->setText(unit != "false" ? "Length (m)" : "Length (y)");
}

void TRoundFrm::MissingCourseData() {
    const std::optional<int> course = CourseToComplete(RoundTable, CourseGeneralTable);
    // The window goes first; it is freed once control is back in the event loop.
    OKBtnClick();
    MessageBox("Please fill out the missing information about the course!", "Error!", MB_OK,
               MB_ICONERROR);
    if (course && Frame()) OpenCourseWindow(FrameWindow(), *course, 1);
}

void TRoundFrm::LoadFailed(const std::exception& e) {
    OKBtnClick();  // freed once control is back in the event loop
    ShowErrorMessage(e);
}

TRoundTables TRoundFrm::Tables() {
    return {RoundTable,     CourseGeneralTable, ScoreCardTable, HolesTable,
            RoundHoleTable, RoundShotsTable,    WaypointTable,  ClubDetailTable};
}

bool TRoundFrm::FillScorecard() {
    const std::string unit = Frame() ? Frame()->GetIsMeter() : "true";
    CardInput in;
    in.IsMeter = unit;
    const TCardRound round = ReadCardRound(Tables(), PlayerDetailTable, in);
    const int tees = round.tees;
    const bool eighteen = round.eighteen;
    const auto& [menRating, womenRating, menSlope, womenSlope, coursePar] = round.course;
    UnitLabel->setText(unit != "false" ? "(m)" : "(y)");
    UnitLabel2->setText(UnitLabel->text());

    const bool male = round.male;
    NineAsEighteen = 0;
    const std::optional<int> storedTee = round.tee;
    const int tee = ListTeeNumber(storedTee.value_or(0), !storedTee);
    const std::optional<double> rating = TeeRating(male, tee, menRating, womenRating);
    const std::optional<int> slope = TeeSlope(male, tee, menSlope, womenSlope);
    if (tees < 1 || !rating || !slope) {
        MissingCourseData();
        return false;
    }
    const int T = std::min(tees, 6);

    ReadRoundCardHoles(RoundHoleTable, RoundShotsTable, in);
    bool nineAsEighteen = false;
    const int rows = CardRowCount(eighteen, in.RoundHoles, &nineAsEighteen);
    NineAsEighteen = nineAsEighteen ? 1 : 0;
    in.NineAsEighteen = nineAsEighteen;
    for (QLabel* l : {Label15, Label16, Label17, UnitLabel2}) l->setVisible(rows == 22);

    const double roundHcp = ReadRoundHcp(RoundTable).value_or(0);
    const double h = PlayingHandicap(roundHcp, *slope, *rating, coursePar, !eighteen);
    cardRows_ = rows;
    cardTees_ = T;
    playingHcp_ = CardPlayingHcp(h, rows);
    roundHcp_ = HandicapInt(roundHcp);
    if (PrintingForm) {
        PrintingForm->TeeCount = T;
        PrintingForm->RowCount = rows;
    }

    in.Tees = T;
    in.Rows = rows;
    in.PlayingHcp = playingHcp_;
    const CardModel card = BuildCard(in);

    const int dpi = logicalDpiX();
    for (int r = 0; r < 22; ++r) {
        for (int c = 0; c < 11; ++c) {
            delete ScorecardCells[r][c];
            ScorecardCells[r][c] = nullptr;
            const CardCell& cell = card.Cells[r][c];
            if (r >= rows || !cell.Exists) continue;
            auto* e = new QLineEdit(Scorecard);
            e->setObjectName(QString("ScorecardEditR%1C%2").arg(r).arg(c));
            e->setFocusPolicy(Qt::NoFocus);
            e->setReadOnly(true);
            e->setFrame(true);
            // Four digits fit the 30-pixel box.
            QFont cellFont = e->font();
            cellFont.setPixelSize(10);
            e->setFont(cellFont);
            e->setTextMargins(-1, 0, -1, 0);
            e->setGeometry(CardCellLeft(r, c, dpi), CardCellTop(r), 30, 20);
            e->setText(QString::fromStdString(cell.Text));
            QPalette p = e->palette();
            p.setColor(QPalette::Base, FromTColor(cell.Color));
            p.setColor(QPalette::Text,
                       IsDarkColour(static_cast<unsigned>(cell.Color)) ? Qt::white : Qt::black);
            e->setPalette(p);
            if (!cell.Hint.empty()) e->setToolTip(QString::fromStdString(cell.Hint));
            if (cell.Changed) {
                QFont f = e->font();
                f.setBold(true);
                f.setStrikeOut(true);
                e->setFont(f);
            }
            e->show();
            ScorecardCells[r][c] = e;
        }
    }
    Label11->move(10, Label11->y());
    Label12->move(30 * (T + 1) + 15, Label12->y());
    Label13->move(30 * (T + 2) + 15, Label13->y());
    const int shift = 350 * dpi / 96;
    Label15->move(10 + shift, Label15->y());
    Label16->move(30 * (T + 1) + 15 + shift, Label16->y());
    Label17->move(30 * (T + 2) + 15 + shift, Label17->y());

    // Header.
    const TCardHeader header = ReadCardHeader(PlayerDetailTable, RoundTable, BagTable);
    PlayerLabel->setText(QString::fromStdString(header.player));
    SetHeaderValue(MarkerLabel, QString::fromStdString(header.marker));
    marker_ = header.marker;
    BagLabel->setText(QString::fromStdString(header.bag));
    DateLabel->setText(QString::fromStdString(header.date));
    SetHeaderValue(TitleLabel, QString::fromStdString(header.title));
    title_ = header.title;
    HCPLabel->setText(QString::fromStdString(HcpLabelText(roundHcp, playingHcp_)));
    if (PrintingForm) {
        PrintingForm->RoundHcp = roundHcp_;
        PrintingForm->PlayingHcp = playingHcp_;
    }
    const std::string teeName = in.TeeName[tee - 1].value_or("");
    TeeLabel->setText(QString::fromStdString(teeName.empty() ? "Tee number: " + std::to_string(tee) : teeName));
    // The name in its tee's colour: on the window where it reads there, else
    // on a black or white chip (a white or grey tee on black).
    bool chip = false;
    if (in.TeeColor[tee - 1]) {
        const int colour = *in.TeeColor[tee - 1];
        const QColor window = palette().color(QPalette::Window);
        const unsigned windowColour = unsigned(window.red()) | unsigned(window.green()) << 8 |
                                      unsigned(window.blue()) << 16;
        const unsigned ground = ReadableGround(static_cast<unsigned>(colour) & 0xFFFFFF, windowColour);
        chip = ground != windowColour;
        QPalette p = TeeLabel->palette();
        p.setColor(QPalette::WindowText, FromTColor(colour));
        p.setColor(QPalette::Window, FromTColor(int(ground)));
        TeeLabel->setPalette(p);
    }
    TeeLabel->setAutoFillBackground(chip);
    TeeLabel->setContentsMargins(chip ? 3 : 0, 0, chip ? 3 : 0, 0);
    const int column = TitleLabel->width();
    TeeLabel->resize(chip ? std::min(column, TeeLabel->sizeHint().width()) : column, TeeLabel->height());
    built_ = true;
    return true;
}

void TRoundFrm::ShowRoundStats() {
    const StatsTexts t = RoundStatsTexts(ReadStatsHoles(RoundHoleTable, RoundShotsTable));
    FirLabel->setText(QString::fromStdString(t.Fir));
    GirLabel->setText(QString::fromStdString(t.Gir));
    PutsLabel->setText(QString::fromStdString(t.Puts));
    BunkerLabel->setText(QString::fromStdString(t.Bunker));
}

// ---------------------------------------------------------------- holes page

TRoundFrm::HoleRowsPlace TRoundFrm::PlaceHoleRows(int shots, int pageHeight) {
    const int pitch = 17, top = 72;
    const int wanted = pitch * (std::max(shots, 0) + 1);  // the shot rows and the sand line
    // Room for the total and result rows, the last one 16 pixels high.
    const int room = std::max(pitch, (pageHeight - top - pitch - 16 - 2) / pitch * pitch);
    const int area = std::min(wanted, room);
    return {area, top + area, top + area + pitch};
}

int TRoundFrm::HolesPageHeight() const {
    // Before the page has been laid out, what the page control leaves it.
    if (Holes->testAttribute(Qt::WA_Resized) || Holes->isVisible()) return Holes->height();
    return PageControl->height() - PageControl->tabBar()->sizeHint().height() - 4;
}

QLabel* TRoundFrm::MakeShotLabel(int row, int column, int left, const QString& text, bool bold, QWidget* parent,
                                 int top) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString("laabeliR%1C%2").arg(row).arg(column));
    if (bold) {
        // A club name of eight letters, or "Unknown", fits the 55-pixel column.
        QFont f = l->font();
        f.setBold(true);
        f.setPixelSize(10);
        l->setFont(f);
    }
    if (column < 3 && left == (column == 0 ? 12 : column == 1 ? 71 : 139)) {
        l->setGeometry(left, top, 55, 16);
    } else {
        l->adjustSize();
        l->move(left, top);
    }
    l->show();
    ShotLabels[row][column] = l;
    return l;
}

void TRoundFrm::ClearHolePage() {
    for (int r = 0; r < 40; ++r)
        for (int c = 0; c < 4; ++c) {
            delete ShotLabels[r][c];
            ShotLabels[r][c] = nullptr;
        }
    ShotRowCount = 0;
    delete SandLabel;
    delete SandCountLabel;
    SandLabel = SandCountLabel = nullptr;
    SandLabelsShown = 0;
    ManyShots = 0;
}

void TRoundFrm::ShowHole(int n) {
    if (n < 1 || n > 18) return;
    ClearHolePage();
    const std::string unit = Frame() ? Frame()->GetIsMeter() : "true";

    const int h = NineAsEighteen && n > 9 ? n - 9 : n;
    HolePageInput in;
    const THoleData hole = ReadHole(Tables(), n, h, in);
    HolePar->setText(hole.par ? QString::number(*hole.par) : QString());
    std::optional<int> index = hole.index;
    if (index && NineAsEighteen && n > 9) *index = WholeNumber(*index + 1.0);
    Hcpindex->setText(index ? QString::number(*index) : QString());
    HoleNro->setText(QString::number(n));
    std::vector<MarkPointType> marks = CoursePointMarks(hole.points, hole.teeColors, hole.roundTee.value_or(-1));

    // The hole's shots, their lengths in the unit the heading names.
    in.IsMeter = unit;
    SetLengthHeading(unit);
    in.Par = hole.par;
    const HolePage page = BuildHolePage(in);

    // Scene points: course points, then shots.
    FreePoints();
    ScenePointCount = static_cast<int>(marks.size() + in.Shots.size());
    ScenePoints = new MarkPointType[static_cast<size_t>(std::max(ScenePointCount, 1))];
    for (size_t i = 0; i < marks.size(); ++i) ScenePoints[i] = marks[i];
    for (size_t i = 0; i < in.Shots.size(); ++i) {
        MarkPointType& p = ScenePoints[marks.size() + i];
        p.X = in.Shots[i].Longitude;
        p.Y = in.Shots[i].Latitude;
        p.Text = page.ShotTexts[i];
    }

    // Page rows: shots and sand line in their scrolling area, total and
    // result below it.
    const int shown = static_cast<int>(page.Rows.size());
    ShotRowCount = shown;
    const HoleRowsPlace place = PlaceHoleRows(shown, HolesPageHeight());
    ShotRowPanel->resize(ShotRows->width() - ShotRows->verticalScrollBar()->sizeHint().width(), 17 * (shown + 1));
    ShotRows->setGeometry(0, 72, 328, place.AreaHeight);
    ShotRows->verticalScrollBar()->setValue(0);
    for (int r = 0; r < shown; ++r) {
        const auto& row = page.Rows[static_cast<size_t>(r)];
        const int top = 17 * r;
        MakeShotLabel(r, 0, 12, QString::fromStdString(row[0]), true, ShotRowPanel, top);
        MakeShotLabel(r, 1, 71, QString::fromStdString(row[1]), true, ShotRowPanel, top);
        MakeShotLabel(r, 2, 139, QString::fromStdString(row[2]), true, ShotRowPanel, top);
        MakeShotLabel(r, 3, 190, QString::fromStdString(row[3]), true, ShotRowPanel, top);
    }
    if (page.ShowSand) {
        SandLabel = new QLabel("Sand Strokes: ", ShotRowPanel);
        SandLabel->setObjectName("Shots");
        SandLabel->adjustSize();
        SandLabel->move(140, 17 * shown);
        SandLabel->show();
        SandCountLabel = new QLabel(QString::number(page.SandCount), ShotRowPanel);
        SandCountLabel->setObjectName("ShotsA");
        QFont f = SandCountLabel->font();
        f.setBold(true);
        SandCountLabel->setFont(f);
        SandCountLabel->adjustSize();
        SandCountLabel->move(230, 17 * shown);
        SandCountLabel->show();
        SandLabelsShown = 1;
    }
    const int totalRow = shown + 1;
    const QLabel* total = MakeShotLabel(totalRow, 0, 125, "Total", false, Holes, place.TotalTop);
    const QLabel* result = MakeShotLabel(totalRow + 1, 0, 120, "Result", false, Holes, place.ResultTop);
    // The values keep a gap after their captions at the font at hand.
    const int valueLeft = std::max({155, total->geometry().right() + 5, result->geometry().right() + 5});
    MakeShotLabel(totalRow, 1, valueLeft, QString::fromStdString(page.Total), true, Holes, place.TotalTop);
    MakeShotLabel(totalRow + 1, 1, valueLeft, QString::fromStdString(page.Result), true, Holes, place.ResultTop);
    ManyShots = page.ManyShots ? 1 : 0;
    if (ManyShots) MessageBox("Too many strokes to display", "Note", MB_OK, MB_ICONWARNING);

    // The scene: fit the view to the hole's points, turn it to the target, draw.
    if (Scene) {
        Scene->LoadHole(ScenePoints, ScenePointCount, OpenGLAPPanel1);
        OpenGLAPPanel1->Repaint();
    }
}

// ---------------------------------------------------------------- hole view

void TRoundFrm::OpenGLAPPanel1Init() {
    if (!Scene) return;
    const QColor c = GreenColor->palette().color(QPalette::Window);
    Scene->InitGL(c.red() | c.green() << 8 | c.blue() << 16);
}

void TRoundFrm::OpenGLAPPanel1Resize() {
    if (Scene) Scene->ResizeGL(OpenGLAPPanel1->PixelWidth(), OpenGLAPPanel1->PixelHeight());
}

void TRoundFrm::OpenGLAPPanel1Paint() {
    if (!Scene) return;
    // The array may have been replaced by a hole still being built (a message
    // box of ShowHole lets paints through): never walk past its end.
    Scene->PointCount = ScenePoints ? ScenePointCount : 0;
    Scene->PaintGuarded(OpenGLAPPanel1, ScenePoints);
}

void TRoundFrm::OpenGLAPPanel1MouseDown(Qt::MouseButton button, int x, int y) {
    if (Scene) Scene->MouseDown(button, x, y);
}

void TRoundFrm::OpenGLAPPanel1MouseMove(int x, int y) {
    if (Scene && Scene->MouseMove(x, y, OpenGLAPPanel1->PixelWidth(), OpenGLAPPanel1->PixelHeight()))
        OpenGLAPPanel1->Repaint();
}

void TRoundFrm::OpenGLAPPanel1MouseUp(int x, int y) {
    if (Scene) Scene->MouseUp(x, y);
}

namespace {
// One tool bar step: the scene operation, the camera, the picture.
void ViewStep(THoleScene* scene, TOpenGLAPPanel* panel, void (THoleScene::*step)()) {
    if (!scene) return;
    (scene->*step)();
    scene->UpdateCamera(panel);
    panel->Repaint();
}
} // namespace

void TRoundFrm::ToolbtnZoomINClick() { ViewStep(Scene, OpenGLAPPanel1, &THoleScene::ZoomIn); }
void TRoundFrm::ToolbtnZoomOUTClick() { ViewStep(Scene, OpenGLAPPanel1, &THoleScene::ZoomOut); }
void TRoundFrm::ToolbtnRotLeftClick() { ViewStep(Scene, OpenGLAPPanel1, &THoleScene::RotateLeft); }
void TRoundFrm::ToolbtnRotRightClick() { ViewStep(Scene, OpenGLAPPanel1, &THoleScene::RotateRight); }

void TRoundFrm::ScrollHorizonalClick(TUDBtnType button) {
    ViewStep(Scene, OpenGLAPPanel1, button == btPrev ? &THoleScene::ScrollLeft : &THoleScene::ScrollRight);
}

void TRoundFrm::ScrollVerticalClick(TUDBtnType button) {
    ViewStep(Scene, OpenGLAPPanel1, button == btPrev ? &THoleScene::ScrollDown : &THoleScene::ScrollUp);
}

void TRoundFrm::ScrollHorizonalMouseUp() {
    if (Scene) Scene->SetCurrentStep(Scene->BaseStep);
}

void TRoundFrm::ScrollVerticalMouseUp() {
    if (Scene) Scene->SetCurrentStep(Scene->BaseStep);
}

// ---------------------------------------------------------------- round card

bool TRoundFrm::WriteScorecardFile(const std::string& path) {
    CardPrintInput in;
    in.Name = ReadCourseName(CourseGeneralTable);
    const auto label = [](QLabel* l) { return l->text().toStdString(); };
    in.Title = title_;
    in.Datum = label(DateLabel);
    in.Player = label(PlayerLabel);
    in.Hcp = label(HCPLabel);
    in.Marker = marker_;
    in.Bag = label(BagLabel);
    in.Tee = label(TeeLabel);
    in.Fir = label(FirLabel);
    in.Gir = label(GirLabel);
    in.Puts = label(PutsLabel);
    in.Bir = label(BunkerLabel);
    in.Rows = cardRows_;
    in.Tees = cardTees_;
    in.PlayingHcp = playingHcp_;
    in.Cell = [this](int r, int c) {
        if (r < 0 || r >= 22 || c < 0 || c >= 11 || !ScorecardCells[r][c]) return std::string();
        return ScorecardCells[r][c]->text().toStdString();
    };
    in.Hint = [this](int r, int c) {
        if (r < 0 || r >= 22 || c < 0 || c >= 11 || !ScorecardCells[r][c]) return std::string();
        return ScorecardCells[r][c]->toolTip().toStdString();
    };
    in.TeeRgb = [this](int t) {
        if (t < 0 || t >= 11 || !ScorecardCells[0][t]) return 0xFFFFFF;
        const QColor c = ScorecardCells[0][t]->palette().color(QPalette::Base);
        return (c.red() << 16) | (c.green() << 8) | c.blue();
    };
    in.StrokesChanged = [this](int r) {
        const int c = cardTees_ + 3;
        return r >= 0 && r < 22 && c < 11 && ScorecardCells[r][c] && ScorecardCells[r][c]->font().bold();
    };
    std::string text;
    for (const std::string& line : ScorecardLines(in)) text += line + '\n';
    return ReplaceFile(path, text, false);
}

void TRoundFrm::PrintButtonClick() {
    if (!built_) return;
    const std::string path = DataPath("scorecard.xml");
    if (!WriteScorecardFile(path)) {
        MessageBox("The file " + path + " cannot be written.", "Error", MB_OK, MB_ICONERROR);
        return;
    }
    if (!PrintingForm) return;
    PrintingForm->RowCount = cardRows_;
    PrintingForm->TeeCount = cardTees_;
    PrintingForm->RoundHcp = roundHcp_;
    PrintingForm->PlayingHcp = playingHcp_;
    PrintingForm->CardTitle = ReadCourseName(CourseGeneralTable);
    PrintingForm->PrintMode = 1;
    PrintingForm->exec();
}
