#include "players/Clubstats.h"

TClubStatsForm* ClubStatsForm = nullptr;

TClubStatsForm::TClubStatsForm(QWidget* owner) : QDialog(owner) {
    setObjectName("ClubStatsForm");
    setWindowTitle("Club statistics");
}

TClubStatsForm::~TClubStatsForm() {
    if (ClubStatsForm == this) ClubStatsForm = nullptr;
}
