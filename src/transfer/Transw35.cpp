#include "transfer/Transw35.h"

TTransWiz35* TransWiz35 = nullptr;

TTransWiz35::TTransWiz35(QWidget* owner) : QDialog(owner) {
    setObjectName("TransWiz35");
    setWindowTitle("Transfer Wizard - step 4");
}

TTransWiz35::~TTransWiz35() {
    if (TransWiz35 == this) TransWiz35 = nullptr;
}
