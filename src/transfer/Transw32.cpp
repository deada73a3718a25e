#include "transfer/Transw32.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "db/Table.h"
#include "platform/Messagebox.h"
#include "common/Frame.h"
#include "common/Progresswin.h"
#include "transfer/Wizardstate.h"

TTransWiz32* TransWiz32 = nullptr;

TTransWiz32::TTransWiz32(QWidget* owner) : TWizardPage(owner) {
    setObjectName("TransWiz32");
    setWindowTitle("Transfer Wizard - step 4");
    QBoxLayout* side = PictureSide(TWizardArt::Bags);
    // Text and list keep the page's margin to the right edge, as the buttons do.
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, PageMargin, 0);
    side->addLayout(layout, 1);
    layout->addWidget(HeadingLabel(this, "Select bags"));
    auto* line = new QLabel("Select one or two bags to be transferred. Click and hold CTRL down to "
                            "select multiple files.", this);
    line->setWordWrap(true);
    layout->addWidget(line);
    BagsListBox = new QListWidget(this);
    BagsListBox->setObjectName("BagsListBox");
    BagsListBox->setAccessibleName("Bags");
    BagsListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(BagsListBox);
    layout->addWidget(new QLabel("To continue, click Next.", this));
    ButtonRow(side, BackButton, NextButton, CancelButton);
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
}

TTransWiz32::~TTransWiz32() {
    if (TransWiz32 == this) TransWiz32 = nullptr;
}

void TTransWiz32::FormShow() {
    NextButton->setDefault(true);
    BagsListBox->clear();
    TTable bags(&Frame()->Database, "GolfBag");
    bags.SetFilter("UserId=" + std::to_string(Frame()->GetUserId()));
    bags.Open();
    for (bags.First(); !bags.Eof(); bags.Next()) {
        auto* item = new QListWidgetItem(QString::fromStdString(bags.FieldByName("BagName").AsString()),
                                         BagsListBox);
        item->setData(Qt::UserRole, bags.FieldByName("BagId").AsInteger());
    }
}

void FillBag(TDatabase& db, int bagId, const std::string& bagName, TTransWiz4::TBag& bag) {
    bag.BagName = bagName;
    bag.BagId = bagId;
    TTable bagTable(&db, "GolfBag");
    bagTable.SetFilter("BagId=" + std::to_string(bagId));
    bagTable.Open();
    bag.BagWebId = bagTable.IsEmpty() ? 0 : bagTable.FieldByName("BagWebId").AsInteger();
    TTable clubs(&db, "Clubs");
    clubs.AddSort("[OrderNumber] ASC");
    clubs.SetFilter("BagId=" + std::to_string(bagId));
    clubs.Open();
    TTable detail(&db, "ClubDetail");
    detail.Open();
    int j = 0;
    for (clubs.First(); !clubs.Eof() && j < int(bag.Clubs.size()); clubs.Next(), ++j) {
        TTransWiz4::ClubSample& c = bag.Clubs[size_t(j)];
        c = TTransWiz4::ClubSample();
        c.ClubId = clubs.FieldByName("ClubId").AsInteger();
        c.OrderNr = clubs.FieldByName("OrderNumber").AsInteger();
        detail.SetFilter("ClubId=" + std::to_string(c.ClubId));
        if (detail.IsEmpty()) continue;
        c.ClubWebId = detail.FieldByName("ClubWebId").AsInteger();
        c.Type = detail.FieldByName("Type").AsInteger();
        c.ClubName = detail.FieldByName("ClubName").AsString();
        c.Shots = detail.FieldByName("Shots").AsInteger();
        c.ShotsLength = detail.FieldByName("ShotsLength").AsFloat();
        c.ShotsWithLength = detail.FieldByName("ShotsWithLength").AsFloat();
    }
    bag.ClubCount = j;
}

void TTransWiz32::NextButtonClick() {
    TransWiz4->move(pos());
    const QList<QListWidgetItem*> selected = BagsListBox->selectedItems();
    if (selected.size() > TTransWiz4::MaxBags) {
        MessageBox("You can only transfer 2 bags at a time", "Too many bags");
        return;
    }
    if (selected.isEmpty()) {
        MessageBox("You must choose at least one bag", "No bags chosen");
        return;
    }
    TTransferBuffers& send = WizardState().Send;
    int k = 0;
    {
        TProgressScope progress("Preparing course data");
        for (int i = 0; i < BagsListBox->count(); ++i) {
            QListWidgetItem* item = BagsListBox->item(i);
            if (!item->isSelected()) continue;
            FillBag(Frame()->Database, item->data(Qt::UserRole).toInt(), item->text().toStdString(),
                    send.Bags[size_t(k)]);
            ++k;
        }
        send.BagCount = k;
        send.TransferKind = 1;
    }
    OpenNext(TransWiz4);
}
