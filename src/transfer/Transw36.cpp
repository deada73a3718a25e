#include "transfer/Transw36.h"

TTransWiz36* TransWiz36 = nullptr;

TTransWiz36::TTransWiz36(QWidget* owner) : QDialog(owner) {
    setObjectName("TransWiz36");
    setWindowTitle("Transfer Wizard - step 3");
}

TTransWiz36::~TTransWiz36() {
    if (TransWiz36 == this) TransWiz36 = nullptr;
}
