#include "transfer/Transw2.h"

#include <QFrame>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "transfer/Transw3.h"
#include "transfer/Wizardstate.h"

TTransWiz2* TransWiz2 = nullptr;

TTransWiz2::TTransWiz2(QWidget* owner) : TWizardPage(owner) {
    setObjectName("TransWiz2");
    setWindowTitle("Transfer Wizard - step 2");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(HeaderPanel(this, "Select Destination", "Select where you want files to be transferred."));
    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(40, 12, 12, 0);
    U8Button = Choice(choices, "U8Button", "Veltaro U8");
    WebButton = Choice(choices, "WebButton", "Peakrally");
    layout->addLayout(choices);
    layout->addStretch();
    ButtonRow(layout, BackButton, NextButton, CancelButton);
    // The choice lives in the wizard's state, where the later pages read it.
    connect(U8Button, &QRadioButton::toggled, this, [](bool on) {
        if (on) WizardState().Destination = TWizardState::TDestination::Device;
    });
    connect(WebButton, &QRadioButton::toggled, this, [](bool on) {
        if (on) WizardState().Destination = TWizardState::TDestination::Web;
    });
    U8Button->setChecked(true);
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
}

TTransWiz2::~TTransWiz2() {
    if (TransWiz2 == this) TransWiz2 = nullptr;
}

void TTransWiz2::FormShow() {
    // Opened anew from step 1: the default choice, and "Next >" has the focus.
    if (Visited == 0) {
        U8Button->setChecked(true);
        NextButton->setFocus();
    }
    NextButton->setDefault(true);
}

void TTransWiz2::NextButtonClick() {
    Visited = 1;
    if (U8Button->isChecked()) {
        TransWiz36->Visited = 0;
        OpenNext(TransWiz36);
    } else if (WebButton->isChecked()) {
        TransWiz3->Visited = 0;
        OpenNext(TransWiz3);
    }
}
