#include "transfer/Transw2.h"

TTransWiz2* TransWiz2 = nullptr;

TTransWiz2::TTransWiz2(QWidget* owner) : QDialog(owner) {
    setObjectName("TransWiz2");
    setWindowTitle("Transfer Wizard - step 2");
}

TTransWiz2::~TTransWiz2() {
    if (TransWiz2 == this) TransWiz2 = nullptr;
}
