#include "transfer/Transw31.h"

TTransWiz31* TransWiz31 = nullptr;

TTransWiz31::TTransWiz31(QWidget* owner) : QDialog(owner) {
    setObjectName("TransWiz31");
    setWindowTitle("Transfer Wizard - step 4");
}

TTransWiz31::~TTransWiz31() {
    if (TransWiz31 == this) TransWiz31 = nullptr;
}
