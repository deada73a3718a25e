#include "players/Newbag.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/Messagebox.h"
#include "players/Playerrules.h"
#include "common/Frame.h"

TNewBagFrm* NewBagFrm = nullptr;

TNewBagFrm::TNewBagFrm(QWidget* owner) : QDialog(owner) {
    setObjectName("NewBagFrm");
    setWindowTitle("New bag");
    setWindowFlags(Qt::Dialog | Qt::Tool);
    auto* label = new QLabel("Bag name *", this);
    label->setObjectName("Label1");
    bagEdit = new QLineEdit(this);
    bagEdit->setObjectName("bagEdit");
    bagEdit->setMaxLength(8);
    bagEdit->installEventFilter(this);
    label->setBuddy(bagEdit);
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    auto* note = new QLabel("Please note:\nU8 requires at least 3 clubs to a bag\nof which 1 must be a putter", this);
    note->setObjectName("Note");
    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(bagEdit, 0, 1, 1, 2);
    grid->addWidget(note, 1, 0, 1, 3);
    grid->addWidget(Button1, 2, 1);
    grid->addWidget(Button2, 2, 2);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

TNewBagFrm::~TNewBagFrm() {
    if (NewBagFrm == this) NewBagFrm = nullptr;
}

void TNewBagFrm::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TNewBagFrm::FormShow() {
    bagEdit->clear();
    bagEdit->setFocus();
    ClubSlot1 = ClubSlot2 = ClubSlot3 = -1;
}

// While the name box has the focus, Enter does not confirm.
bool TNewBagFrm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == bagEdit) {
        if (e->type() == QEvent::FocusIn) Button1->setDefault(false);
        else if (e->type() == QEvent::FocusOut) Button1->setDefault(true);
        else if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TNewBagFrm::Button1Click() {
    if (!Frame()) return;
    const std::string name = bagEdit->text().toStdString();
    TPlayerRecord rules(Frame()->Database, TEditorLists::OfMainForm(), false);
    TRefusal refusal = rules.CanAddBag();
    if (!refusal) refusal = rules.CheckBagName(name);
    if (refusal) {
        MessageBox(refusal->Text, refusal->Caption, MB_OK);
        return;
    }
    auto* bag = new MBag;
    bag->SetName(name);
    Frame()->BagList[Frame()->BagCount] = bag;
    done(1);
}

void TNewBagFrm::Button2Click() { done(2); }
