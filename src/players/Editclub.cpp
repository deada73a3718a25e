#include "players/Editclub.h"

TEditClubForm* EditClubForm = nullptr;

TEditClubForm::TEditClubForm(QWidget* owner) : QDialog(owner) {
    setObjectName("EditClubForm");
    setWindowTitle("Edit Club");
}

TEditClubForm::~TEditClubForm() {
    if (EditClubForm == this) EditClubForm = nullptr;
}
