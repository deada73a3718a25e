#include "players/Clubbrowse.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "platform/Messagebox.h"
#include "players/Childwin.h"
#include "players/Clubfigures.h"
#include "players/Clubpictures.h"
#include "players/Newbag.h"
#include "players/Newplayer.h"
#include "players/Playereditor.h"
#include "common/Frame.h"

TClubBrowseForm* ClubBrowseForm = nullptr;

TClubBrowseForm::TClubBrowseForm(QWidget* owner)
    : QDialog(owner), ClubDetailTable(nullptr, "ClubDetail"), ClubsTable(nullptr, "Clubs") {
    setObjectName("ClubBrowseForm");
    setWindowTitle("Select Club");
    ClubComboBox = new QComboBox(this);
    ClubComboBox->setObjectName("ClubComboBox");
    ClubComboBox->setAccessibleName("Club");
    typeImage = new QLabel(this);
    typeImage->setObjectName("typeImage");
    typeImage->setAccessibleName("Club type");
    typeImage->setFixedSize(32, 32);
    okbtn = new QPushButton("OK", this);
    okbtn->setObjectName("okbtn");
    cancelbutton = new QPushButton("Cancel", this);
    cancelbutton->setObjectName("cancelbutton");
    auto* grid = new QGridLayout(this);
    grid->addWidget(ClubComboBox, 0, 0, 1, 2);
    grid->addWidget(typeImage, 0, 2);
    grid->addWidget(okbtn, 1, 1);
    grid->addWidget(cancelbutton, 1, 2);
    connect(ClubComboBox, &QComboBox::activated, this, [this] { ClubComboBoxChange(); });
    connect(okbtn, &QPushButton::clicked, this, [this] { okbtnClick(); });
    connect(cancelbutton, &QPushButton::clicked, this, [this] { cancelbuttonClick(); });
    resize(323, 179);
    if (Frame()) {
        ClubDetailTable.SetDatabase(&Frame()->Database);
        ClubsTable.SetDatabase(&Frame()->Database);
    }
}

TClubBrowseForm::~TClubBrowseForm() {
    if (ClubBrowseForm == this) ClubBrowseForm = nullptr;
}

void TClubBrowseForm::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TClubBrowseForm::FormShow() {
    if (!Frame()) return;
    TPlayerEditor* editor = nullptr;
    if (Frame()->FirstPlayer == 1 && Frame()->NewPlayerWindow) editor = Frame()->NewPlayerWindow->Editor;
    else if (Frame()->FirstPlayer == 0 && Frame()->PlayerWindow) editor = Frame()->PlayerWindow->Editor;
    if (!editor) return;
    const bool putters = NewBagFrm && NewBagFrm->ClubFilter == 1;
    QListWidget* list = editor->ListView1;
    for (int row = 0; row < list->count(); ++row) {
        const int index = list->item(row)->data(Qt::UserRole).toInt();
        for (int i = 0; i < Frame()->ClubCount; ++i) {
            const MClub* club = Frame()->ClubList[i];
            if (!club || club->GetIndex() != index) continue;
            if ((club->GetType() == 9) == putters && ClubComboBox->count() < MaxItems) {
                const int item = ClubComboBox->count();
                ClubComboBox->addItem(QString::fromStdString(club->GetName()));
                ItemType[item] = club->GetType();
                ItemClubId[item] = club->GetClubId();
                ItemIndex[item] = i;
            }
            break;
        }
    }
    ClubComboBox->setCurrentIndex(-1);
}

void TClubBrowseForm::ClubComboBoxChange() {
    const int item = ClubComboBox->currentIndex();
    if (item < 0) return;
    SelectedIndex = ItemIndex[item];
    const int picture = StatsPictureIndex(ItemType[item]);
    typeImage->setPixmap(StatsImageList().at(picture));
    typeImage->setProperty("Picture", picture);
}

void TClubBrowseForm::okbtnClick() {
    const int item = ClubComboBox->currentIndex();
    if (item < 0) {
        MessageBox("You must choose a club", "No club selected", MB_OK);
        return;
    }
    if (NewBagFrm && Frame() && SelectedIndex >= 0 && SelectedIndex < Frame()->ClubCount) {
        const MClub* club = Frame()->ClubList[SelectedIndex];
        NewBagFrm->ChosenClubId = ItemClubId[item];
        NewBagFrm->ChosenClubName = club->GetName();
        NewBagFrm->ChosenClubType = club->GetType();
        NewBagFrm->ChosenClubIndex = club->GetIndex();
    }
    Clear();
    done(1);
}

void TClubBrowseForm::cancelbuttonClick() {
    Clear();
    done(2);
}

void TClubBrowseForm::Clear() {
    ClubComboBox->clear();
    typeImage->clear();
    typeImage->setProperty("Picture", QVariant());
}
