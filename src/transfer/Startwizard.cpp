#include "transfer/Startwizard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "transfer/Transw1.h"

TStartWiz* StartWiz = nullptr;

TStartWiz::TStartWiz(QWidget* owner) : TWizardPage(owner) {
    setObjectName("StartWiz");
    setWindowTitle("Transfer Wizard");
    QLabel* heading = HeadingLabel(this, "Transfer Wizard");
    QFont f = heading->font();
    f.setPointSize(f.pointSize() + 4);
    heading->setFont(f);
    auto* text = new QLabel("The Transfer Wizard will guide you through the transfer of files "
                            "(courses, rounds, bags and clubs) between U8, Caddora, and Peakrally.",
                            this);
    text->setWordWrap(true);
    auto* next = new QLabel("To continue, click Next.", this);
    NextButton = new QPushButton("Next >", this);
    NextButton->setObjectName("NextButton");
    NextButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    connect(CancelButton, &QPushButton::clicked, this, [this] { done(wizard::Cancelled); });
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
    QBoxLayout* layout = PictureSide(TWizardArt::Welcome);
    layout->setContentsMargins(11, 11, 11, 11);
    layout->addWidget(heading);
    layout->addWidget(text);
    layout->addStretch();
    layout->addWidget(next);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(NextButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);
}

TStartWiz::~TStartWiz() {
    if (StartWiz == this) StartWiz = nullptr;
}

int TStartWiz::exec() {
    // The only page centred on the main window; back from step 1 it stays
    // where step 1 was left.
    if (QWidget* owner = parentWidget())
        move(owner->frameGeometry().center() - rect().center());
    NextButton->setFocus();  // wherever the last run left it
    return TWizardPage::exec();
}

void TStartWiz::FormShow() { NextButton->setDefault(true); }

void TStartWiz::NextButtonClick() {
    if (!TransWiz1) return;
    TransWiz1->Visited = 0;
    OpenNext(TransWiz1);
}
