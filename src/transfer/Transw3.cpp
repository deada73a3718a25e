#include "transfer/Transw3.h"

#include <QFrame>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "transfer/Transw31.h"
#include "transfer/Transw32.h"
#include "transfer/Transw35.h"
#include "transfer/Wizardstate.h"

TTransWiz3* TransWiz3 = nullptr;
TTransWiz36* TransWiz36 = nullptr;

TTransWiz3::TTransWiz3(TRoad road, QWidget* owner) : TWizardPage(owner), road_(road) {
    const bool web = road == TRoad::Web;
    setObjectName(web ? "TransWiz3" : "TransWiz36");
    setWindowTitle("Transfer Wizard - step 3");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    if (web)
        layout->addWidget(HeaderPanel(this, "Select file type", "Select the type of files to be transferred. "));
    else
        layout->addWidget(HeaderPanel(this, "Choose What To Transfer", "Please choose what you want to transfer"));
    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(40, 12, 12, 0);
    CoursesButton = Choice(choices, "CoursesButton", "Courses");
    if (web) RoundsButton = Choice(choices, "RoundsButton", "Rounds");
    BagsButton = Choice(choices, "BagsButton", "Bags && Clubs");
    layout->addLayout(choices);
    layout->addStretch();
    ButtonRow(layout, BackButton, NextButton, CancelButton);
    CoursesButton->setChecked(true);
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
}

TTransWiz3::~TTransWiz3() {
    if (TransWiz3 == this) TransWiz3 = nullptr;
    if (TransWiz36 == this) TransWiz36 = nullptr;
}

void TTransWiz3::FormShow() {
    if (Visited == 0) {
        CoursesButton->setChecked(true);
        NextButton->setFocus();
    }
    NextButton->setDefault(true);
}

void TTransWiz3::NextButtonClick() {
    Visited = 1;
    if (CoursesButton->isChecked()) {
        WizardState().OneCourseAndTee = road_ == TRoad::Device;
        OpenNext(TransWiz31);
    } else if (!RoundsButton || !RoundsButton->isChecked()) {
        OpenNext(TransWiz32);
    } else {
        TransWiz35->SortColumn = 0;
        TransWiz35->SortAscending = 1;
        OpenNext(TransWiz35);
    }
}
