#include "transfer/Transw36.h"

#include <QFrame>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "transfer/Transw31.h"
#include "transfer/Transw32.h"
#include "transfer/Wizardstate.h"

TTransWiz36* TransWiz36 = nullptr;

TTransWiz36::TTransWiz36(QWidget* owner) : TWizardPage(owner) {
    setObjectName("TransWiz36");
    setWindowTitle("Transfer Wizard - step 3");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(HeaderPanel(this, "Choose What To Transfer", "Please choose what you want to transfer"));
    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(40, 12, 12, 0);
    CoursesButton = Choice(choices, "CoursesButton", "Courses");
    BagsButton = Choice(choices, "BagsButton", "Bags && Clubs");
    layout->addLayout(choices);
    layout->addStretch();
    ButtonRow(layout, BackButton, NextButton, CancelButton);
    CoursesButton->setChecked(true);
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
}

TTransWiz36::~TTransWiz36() {
    if (TransWiz36 == this) TransWiz36 = nullptr;
}

void TTransWiz36::FormShow() {
    if (Visited == 0) CoursesButton->setChecked(true);
    NextButton->setDefault(true);
}

void TTransWiz36::NextButtonClick() {
    Visited = 1;
    if (CoursesButton->isChecked()) {
        WizardState().OneCourseAndTee = true;
        OpenNext(TransWiz31);
    } else {
        OpenNext(TransWiz32);
    }
}
