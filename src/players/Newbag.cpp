#include "players/Newbag.h"

TNewBagFrm* NewBagFrm = nullptr;

TNewBagFrm::TNewBagFrm(QWidget* owner) : QDialog(owner) {
    setObjectName("NewBagFrm");
    setWindowTitle("New bag");
}

TNewBagFrm::~TNewBagFrm() {
    if (NewBagFrm == this) NewBagFrm = nullptr;
}
