#include "transfer/Transw33.h"

TTransWiz33* TransWiz33 = nullptr;

TTransWiz33::TTransWiz33(QWidget* owner) : QDialog(owner) {
    setObjectName("TransWiz33");
    setWindowTitle("Transfer Wizard - step 3");
}

TTransWiz33::~TTransWiz33() {
    if (TransWiz33 == this) TransWiz33 = nullptr;
}
