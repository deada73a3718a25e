#include "players/Newclub.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "platform/Messagebox.h"
#include "players/Bagclub.h"
#include "players/Clubpictures.h"
#include "common/Frame.h"

TNewClubFrm* NewClubFrm = nullptr;

int TClubTypeButtons::CheckedType() const {
    if (RBWood->isChecked()) return 0;
    if (RBIron->isChecked()) return 1;
    if (RBWedge->isChecked()) return 2;
    return 9;
}

void TClubTypeButtons::Check(int type) {
    switch (type) {
    case 0: RBWood->setChecked(true); break;
    case 1: RBIron->setChecked(true); break;
    case 2: RBWedge->setChecked(true); break;
    default: RBPutter->setChecked(true); break;
    }
}

void TClubTypeButtons::SetEnabled(bool enabled) {
    for (QRadioButton* b : {RBWood, RBIron, RBWedge, RBPutter}) b->setEnabled(enabled);
}

TClubTypeButtons MakeClubTypeButtons(QWidget* parent, const QString& caption) {
    TClubTypeButtons t;
    t.Group = new QGroupBox(caption, parent);
    t.Group->setObjectName("ClubTypeGroup");
    auto* grid = new QGridLayout(t.Group);
    const struct {
        QRadioButton** button;
        const char* name;
        const char* text;
        TClubPicture picture;
    } rows[] = {{&t.RBWood, "RBWood", "Wood", TClubPicture::Wood},
                {&t.RBIron, "RBIron", "Iron", TClubPicture::Iron},
                {&t.RBWedge, "RBWedge", "Wedge", TClubPicture::Wedge},
                {&t.RBPutter, "RBPutter", "Putter", TClubPicture::Putter}};
    int row = 0;
    for (const auto& r : rows) {
        *r.button = new QRadioButton(r.text, t.Group);
        (*r.button)->setObjectName(r.name);
        auto* picture = new QLabel(t.Group);
        picture->setPixmap(ClubPicture(r.picture, 32));
        picture->setAccessibleName(r.text);
        grid->addWidget(*r.button, row, 0);
        grid->addWidget(picture, row, 1);
        ++row;
    }
    t.RBWood->setChecked(true);
    return t;
}

void BuildClubDialog(QDialog* dialog, const QString& typeCaption, QLineEdit*& clubEdit,
                     TClubTypeButtons& types, QPushButton*& ok, QPushButton*& cancel) {
    auto* label = new QLabel("Club name:", dialog);
    clubEdit = new QLineEdit(dialog);
    clubEdit->setObjectName("clubEdit");
    clubEdit->setMaxLength(8);
    label->setBuddy(clubEdit);
    types = MakeClubTypeButtons(dialog, typeCaption);
    ok = new QPushButton("OK", dialog);
    ok->setObjectName("Button1");
    ok->setDefault(true);
    cancel = new QPushButton("Cancel", dialog);
    cancel->setObjectName("Button2");
    auto* grid = new QGridLayout(dialog);
    grid->addWidget(label, 0, 0);
    grid->addWidget(clubEdit, 0, 1, 1, 2);
    grid->addWidget(types.Group, 1, 0, 1, 3);
    grid->addWidget(ok, 2, 1);
    grid->addWidget(cancel, 2, 2);
}

TNewClubFrm::TNewClubFrm(QWidget* owner) : QDialog(owner) {
    setObjectName("NewClubFrm");
    setWindowTitle("New club");
    BuildClubDialog(this, "Club type", clubEdit, Types, Button1, Button2);
    clubEdit->setToolTip("U8 name is the first 7 letters");
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

TNewClubFrm::~TNewClubFrm() {
    if (NewClubFrm == this) NewClubFrm = nullptr;
}

void TNewClubFrm::showEvent(QShowEvent* e) {
    clubEdit->clear();
    clubEdit->setFocus();
    Types.RBWood->setChecked(true);
    QDialog::showEvent(e);
}

void TNewClubFrm::Button1Click() {
    if (!Frame()) return;
    const std::string name = clubEdit->text().toStdString();
    if (name.empty()) {
        MessageBox("You must give clubname", "Clubname missing", MB_OK);
        return;
    }
    if (Frame()->ClubCount >= MaxClubs) {
        MessageBox("You can have at most 100 clubs", "Too many clubs", MB_OK);
        return;
    }
    auto* club = new MClub;
    club->SetName(name);
    club->SetIndex(Frame()->ClubCount);
    club->SetOrderNumber(0);
    club->SetType(Types.CheckedType());
    club->SetClubId(0);
    club->SetBagRef(0);
    club->SetShots(0);
    club->SetShotsLength(0.0);
    club->SetLongestShot(0.0);
    club->SetShotsWithLength(0);
    Frame()->ClubList[Frame()->ClubCount] = club;
    done(1);
}

void TNewClubFrm::Button2Click() { done(2); }
