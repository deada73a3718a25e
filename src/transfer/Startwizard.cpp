#include "transfer/Startwizard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TStartWiz* StartWiz = nullptr;

TStartWiz::TStartWiz(QWidget* owner) : QDialog(owner) {
    setObjectName("StartWiz");
    setWindowTitle("Transfer Wizard");
    setFixedSize(495, 358);
    auto* heading = new QLabel("Transfer Wizard", this);
    QFont f = heading->font();
    f.setBold(true);
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
    NextButton->setEnabled(false);  // the pages behind it come with the transfers
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    connect(CancelButton, &QPushButton::clicked, this, [this] { done(2); });
    auto* layout = new QVBoxLayout(this);
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
