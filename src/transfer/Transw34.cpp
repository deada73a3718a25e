#include "transfer/Transw34.h"

TTransWiz34* TransWiz34 = nullptr;

TTransWiz34::TTransWiz34(QWidget* owner) : QDialog(owner) {
    setObjectName("TransWiz34");
    setWindowTitle("Transfer Wizard - step 2");
}

TTransWiz34::~TTransWiz34() {
    if (TransWiz34 == this) TransWiz34 = nullptr;
}
