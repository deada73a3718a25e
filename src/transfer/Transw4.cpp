#include "transfer/Transw4.h"

TTransWiz4* TransWiz4 = nullptr;

TTransWiz4::TTransWiz4(QWidget* owner) : QDialog(owner) {
    setObjectName("TransWiz4");
    setWindowTitle("Transfer Wizard - step 5");
}

TTransWiz4::~TTransWiz4() {
    if (TransWiz4 == this) TransWiz4 = nullptr;
}
