#include "rounds/Shotedit.h"

TShotEditForm* ShotEditForm = nullptr;

TShotEditForm::TShotEditForm(QWidget* owner) : QDialog(owner) {
    setObjectName("ShotEditForm");
    setWindowTitle("Edit shot");
}

TShotEditForm::~TShotEditForm() {
    if (ShotEditForm == this) ShotEditForm = nullptr;
}
