#include "players/Newclub.h"

TNewClubFrm* NewClubFrm = nullptr;

TNewClubFrm::TNewClubFrm(QWidget* owner) : QDialog(owner) {
    setObjectName("NewClubFrm");
    setWindowTitle("New club");
}

TNewClubFrm::~TNewClubFrm() {
    if (NewClubFrm == this) NewClubFrm = nullptr;
}
