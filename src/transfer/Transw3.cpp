#include "transfer/Transw3.h"

TTransWiz3* TransWiz3 = nullptr;

TTransWiz3::TTransWiz3(QWidget* owner) : QDialog(owner) {
    setObjectName("TransWiz3");
    setWindowTitle("Transfer Wizard - step 3");
}

TTransWiz3::~TTransWiz3() {
    if (TransWiz3 == this) TransWiz3 = nullptr;
}
