#pragma once
#include <QDialog>
#include <array>
#include <vector>

#include "players/Clubfigures.h"

class MClub;
class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;

// The club statistics window, shared by both player editors: a club view (one
// club) and a bag view (one row per filled holder), each with the all-rounds
// block in the player window. Every close resets it to an empty box.
class TClubStatsForm : public QDialog {
public:
    explicit TClubStatsForm(QWidget* owner = nullptr);
    ~TClubStatsForm() override;

    // Fill the window for a view without showing it; ShowClubView and
    // ShowBagView also show it modally. club may be null (nothing to show).
    void PrepareClubView(const MClub* club, bool playerWindow);
    void PrepareBagView(const std::vector<const MClub*>& holders, bool playerWindow, bool firstRun);
    void ShowClubView(const MClub* club, bool playerWindow);
    void ShowBagView(const std::vector<const MClub*>& holders, bool playerWindow, bool firstRun);

    void OKClick();
    void Reset();

    // All-rounds counters, filled by the player window when it is shown.
    TAllRoundsCounters AllRounds;

    QScrollArea* ScrollBox1;
    QPushButton* OK;
    QLabel* AllRoundsTitleLabel;
    QLabel* AllRoundsFairwayLabel;
    QLabel* AllRoundsBunkerLabel;
    QLabel* AllRoundsGirLabel;
    QLabel* AllRoundsPuttsLabel;
    QFrame* AllRoundsSeparator;
    static constexpr int Rows = 14;
    std::array<QLabel*, Rows> RowNameLabel{}, RowImage{}, RowShotsLabel{}, RowAverageLabel{}, RowLongestLabel{};

protected:
    void hideEvent(QHideEvent* e) override;

private:
    void FormCreate();
    void Place(int height, int boxHeight, int okTop);
    void FillRow(int r, const MClub& club, bool bagView);
    void FillAllRounds();
    void SetAllRoundsVisible(bool visible);
};

extern TClubStatsForm* ClubStatsForm;
