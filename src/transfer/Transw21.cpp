#include "transfer/Transw21.h"

TTransWiz21* TransWiz21 = nullptr;

TTransWiz21::TTransWiz21(QWidget* owner) : QDialog(owner) {
    setObjectName("TransWiz21");
    setWindowTitle("Transfer Wizard - step 2");
}

TTransWiz21::~TTransWiz21() {
    if (TransWiz21 == this) TransWiz21 = nullptr;
}
