#include "players/Clubbrowse.h"

TClubBrowseForm* ClubBrowseForm = nullptr;

TClubBrowseForm::TClubBrowseForm(QWidget* owner) : QDialog(owner) {
    setObjectName("ClubBrowseForm");
    setWindowTitle("Select Club");
}

TClubBrowseForm::~TClubBrowseForm() {
    if (ClubBrowseForm == this) ClubBrowseForm = nullptr;
}
