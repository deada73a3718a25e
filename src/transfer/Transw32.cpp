#include "transfer/Transw32.h"

TTransWiz32* TransWiz32 = nullptr;

TTransWiz32::TTransWiz32(QWidget* owner) : QDialog(owner) {
    setObjectName("TransWiz32");
    setWindowTitle("Transfer Wizard - step 4");
}

TTransWiz32::~TTransWiz32() {
    if (TransWiz32 == this) TransWiz32 = nullptr;
}
