#include "players/Editclub.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "platform/Messagebox.h"
#include "players/Playerrules.h"
#include "shell/Mainform.h"

TEditClubForm* EditClubForm = nullptr;

TEditClubForm::TEditClubForm(QWidget* owner) : QDialog(owner), ClubDetailTable(nullptr, "ClubDetail") {
    setObjectName("EditClubForm");
    setWindowTitle("Edit Club");
    auto* label = new QLabel("Club name:", this);
    clubEdit = new QLineEdit(this);
    clubEdit->setObjectName("clubEdit");
    clubEdit->setMaxLength(8);
    label->setBuddy(clubEdit);
    Types = MakeClubTypeButtons(this, "Club Type");
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(clubEdit, 0, 1, 1, 2);
    grid->addWidget(Types.Group, 1, 0, 1, 3);
    grid->addWidget(Button1, 2, 1);
    grid->addWidget(Button2, 2, 2);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    if (MainForm) ClubDetailTable.SetDatabase(&MainForm->Database);
}

TEditClubForm::~TEditClubForm() {
    if (EditClubForm == this) EditClubForm = nullptr;
}

void TEditClubForm::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TEditClubForm::FormShow() {
    Types.Check(ClubType);
    int clubId = 0;
    if (ClubDetailTable.Database()) {
        ClubDetailTable.Open();
        if (!ClubDetailTable.IsEmpty()) {
            ClubDetailTable.First();
            clubId = ClubDetailTable.FieldByName("ClubId").AsInteger();
        }
        ClubDetailTable.Close();
    }
    Types.SetEnabled(!IsDefaultClub(clubId));
}

void TEditClubForm::Button1Click() {
    if (clubEdit->text().isEmpty()) {
        MessageBox("You must give clubname", "Clubname missing", MB_OK);
        return;
    }
    const int answer = MessageBox(
        "Edit Club? \nIf you edit the clubtype you will\nloose the statistics(Longest\nshot, Average "
        "Shotlength,\n and Number of shots.)",
        "Confirm", MB_YESNO, MB_ICONQUESTION);
    if (answer == IDYES) done(1);
}

void TEditClubForm::Button2Click() { done(2); }
