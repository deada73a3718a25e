#include "transfer/Transw21.h"

#include <QFrame>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "transfer/Transw31.h"
#include "transfer/Transw35.h"

TTransWiz21* TransWiz21 = nullptr;

TTransWiz21::TTransWiz21(QWidget* owner) : TWizardPage(owner) {
    setObjectName("TransWiz21");
    setWindowTitle("Transfer Wizard - step 2");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(HeaderPanel(this, "Choose what to download", "Please choose what you want to download"));
    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(40, 12, 12, 0);
    CoursesButton = Choice(choices, "CoursesButton", "Courses");
    RoundsButton = Choice(choices, "RoundsButton", "Rounds");
    layout->addLayout(choices);
    layout->addStretch();
    ButtonRow(layout, BackButton, NextButton, CancelButton);
    RoundsButton->setChecked(true);
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
}

TTransWiz21::~TTransWiz21() {
    if (TransWiz21 == this) TransWiz21 = nullptr;
}

void TTransWiz21::FormShow() {
    // Opened anew from step 1: the default choice, and "Next >" has the focus.
    if (Visited == 0) {
        RoundsButton->setChecked(true);
        NextButton->setFocus();
    }
    NextButton->setDefault(true);
}

void TTransWiz21::NextButtonClick() {
    Visited = 1;
    if (CoursesButton->isChecked())
        OpenNext(TransWiz31);
    else if (RoundsButton->isChecked())
        OpenNext(TransWiz35);
}
