#include "transfer/Transw1.h"

TTransWiz1* TransWiz1 = nullptr;

TTransWiz1::TTransWiz1(QWidget* owner) : QDialog(owner) {
    setObjectName("TransWiz1");
    setWindowTitle("Transfer Wizard - step 1");
}

TTransWiz1::~TTransWiz1() {
    if (TransWiz1 == this) TransWiz1 = nullptr;
}
