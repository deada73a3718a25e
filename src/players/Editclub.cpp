#include "players/Editclub.h"

#include <QLineEdit>
#include <QPushButton>

#include "platform/Messagebox.h"
#include "players/Playerrules.h"
#include "common/Frame.h"

TEditClubForm* EditClubForm = nullptr;

TEditClubForm::TEditClubForm(QWidget* owner) : QDialog(owner), ClubDetailTable(nullptr, "ClubDetail") {
    setObjectName("EditClubForm");
    setWindowTitle("Edit Club");
    BuildClubDialog(this, "Club Type", clubEdit, Types, Button1, Button2);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    if (Frame()) ClubDetailTable.SetDatabase(&Frame()->Database);
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
