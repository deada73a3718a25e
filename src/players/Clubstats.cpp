#include "players/Clubstats.h"

#include <QFrame>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "players/Bagclub.h"
#include "players/Clubpictures.h"
#include "common/Frame.h"

TClubStatsForm* ClubStatsForm = nullptr;

TClubStatsForm::TClubStatsForm(QWidget* owner) : QDialog(owner) {
    setObjectName("ClubStatsForm");
    setWindowTitle("Club statistics");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setAccessibleName("Club statistics");
    ScrollBox1->setGeometry(8, 8, 265, 355);
    auto* box = new QWidget;
    box->setObjectName("ScrollBoxContents");
    box->setAutoFillBackground(true);
    QPalette white = box->palette();
    white.setColor(QPalette::Window, Qt::white);
    box->setPalette(white);
    box->setFixedSize(245, 118 + 70 * Rows);
    ScrollBox1->setWidget(box);
    OK = new QPushButton("OK", this);
    OK->setObjectName("OK");
    OK->setDefault(true);
    OK->setGeometry(200, 370, 75, 25);
    connect(OK, &QPushButton::clicked, this, [this] { OKClick(); });
    FormCreate();
    setFixedSize(281, 426);
}

TClubStatsForm::~TClubStatsForm() {
    if (ClubStatsForm == this) ClubStatsForm = nullptr;
}

void TClubStatsForm::FormCreate() {
    QWidget* box = ScrollBox1->widget();
    auto label = [box](const char* name, int left, int top, bool bold = false) {
        auto* l = new QLabel(box);
        l->setObjectName(name);
        l->move(left, top);
        l->resize(230, 18);
        if (bold) {
            QFont f = l->font();
            f.setBold(true);
            l->setFont(f);
        }
        l->hide();
        return l;
    };
    AllRoundsTitleLabel = label("AllRoundsTitleLabel", 8, 10, true);
    AllRoundsTitleLabel->setText("All rounds statistics");
    AllRoundsFairwayLabel = label("AllRoundsFairwayLabel", 8, 28);
    AllRoundsBunkerLabel = label("AllRoundsBunkerLabel", 8, 46);
    AllRoundsGirLabel = label("AllRoundsGirLabel", 8, 64);
    AllRoundsPuttsLabel = label("AllRoundsPuttsLabel", 8, 82);
    AllRoundsSeparator = new QFrame(box);
    AllRoundsSeparator->setObjectName("AllRoundsSeparator");
    AllRoundsSeparator->setFrameShape(QFrame::HLine);
    AllRoundsSeparator->setGeometry(8, 108, 230, 2);
    AllRoundsSeparator->hide();
    for (int r = 0; r < Rows; ++r) {
        const QByteArray n = QByteArray::number(r);
        RowNameLabel[r] = label(("RowNameLabel" + n).constData(), 8, 118 + 70 * r, true);
        RowImage[r] = label(("RowImage" + n).constData(), 8, 146 + 70 * r);
        RowImage[r]->resize(32, 32);
        RowImage[r]->setAccessibleName("Club picture");
        RowShotsLabel[r] = label(("RowShotsLabel" + n).constData(), 48, 134 + 70 * r);
        RowAverageLabel[r] = label(("RowAverageLabel" + n).constData(), 48, 152 + 70 * r);
        RowLongestLabel[r] = label(("RowLongestLabel" + n).constData(), 48, 170 + 70 * r);
    }
}

void TClubStatsForm::Place(int height, int boxHeight, int okTop) {
    if (Frame()) PlaceWindowAt(this, Frame()->Window()->pos() + QPoint(600, 74));
    setFixedSize(281, height);
    ScrollBox1->resize(265, boxHeight);
    OK->move(200, okTop);
}

void TClubStatsForm::FillRow(int r, const MClub& club, bool bagView) {
    const std::string isMeter = Frame() ? Frame()->GetIsMeter() : std::string();
    const TClubRowTexts t = ClubRowTexts(club, isMeter, bagView);
    RowNameLabel[r]->setText(QString::fromStdString(t.Name));
    RowImage[r]->setPixmap(StatsImageList().at(t.Picture));
    RowImage[r]->setProperty("Picture", t.Picture);
    RowShotsLabel[r]->setText(QString::fromStdString(t.Shots));
    RowAverageLabel[r]->setText(QString::fromStdString(t.Average));
    RowLongestLabel[r]->setText(QString::fromStdString(t.Longest));
    RowNameLabel[r]->show();
    RowImage[r]->show();
    RowShotsLabel[r]->show();
    if (t.ShowLengths) {
        RowAverageLabel[r]->show();
        RowLongestLabel[r]->show();
    }
}

void TClubStatsForm::FillAllRounds() {
    const TAllRoundsTexts t = AllRoundsTexts(AllRounds);
    AllRoundsFairwayLabel->setText(QString::fromStdString(t.Fairway));
    AllRoundsBunkerLabel->setText(QString::fromStdString(t.Bunker));
    AllRoundsGirLabel->setText(QString::fromStdString(t.Gir));
    AllRoundsPuttsLabel->setText(QString::fromStdString(t.Putts));
}

void TClubStatsForm::SetAllRoundsVisible(bool visible) {
    for (QWidget* w : {static_cast<QWidget*>(AllRoundsTitleLabel), static_cast<QWidget*>(AllRoundsFairwayLabel),
                       static_cast<QWidget*>(AllRoundsBunkerLabel), static_cast<QWidget*>(AllRoundsGirLabel),
                       static_cast<QWidget*>(AllRoundsPuttsLabel), static_cast<QWidget*>(AllRoundsSeparator)})
        w->setVisible(visible);
}

void TClubStatsForm::PrepareClubView(const MClub* club, bool playerWindow) {
    Place(280, 200, 220);
    setWindowTitle(QString::fromStdString("Club statistics - " + (club ? club->GetName() : std::string())));
    if (club) FillRow(0, *club, false);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (playerWindow) {
        FillAllRounds();
        SetAllRoundsVisible(true);
    }
}

void TClubStatsForm::PrepareBagView(const std::vector<const MClub*>& holders, bool playerWindow, bool firstRun) {
    Place(426, 355, 370);
    setWindowTitle(firstRun ? "Club statistics" : "Statistics");
    if (playerWindow) FillAllRounds();
    int r = 0;
    for (const MClub* club : holders) {
        if (!club || r >= Rows) continue;
        if (playerWindow) SetAllRoundsVisible(true);
        FillRow(r++, *club, true);
    }
}

void TClubStatsForm::ShowClubView(const MClub* club, bool playerWindow) {
    PrepareClubView(club, playerWindow);
    exec();
}

void TClubStatsForm::ShowBagView(const std::vector<const MClub*>& holders, bool playerWindow, bool firstRun) {
    PrepareBagView(holders, playerWindow, firstRun);
    exec();
}

void TClubStatsForm::Reset() {
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    SetAllRoundsVisible(false);
    for (int r = 0; r < Rows; ++r)
        for (QLabel* l : {RowNameLabel[r], RowImage[r], RowShotsLabel[r], RowAverageLabel[r], RowLongestLabel[r]})
            l->hide();
}

void TClubStatsForm::OKClick() {
    Reset();
    done(1);
}

// Closing by any means (OK, Esc, the close box) leaves an empty box.
void TClubStatsForm::hideEvent(QHideEvent* e) {
    Reset();
    QDialog::hideEvent(e);
}
