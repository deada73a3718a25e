#include "rounds/Shotedit.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "platform/Messagebox.h"
#include "platform/Textutil.h"
#include "rounds/Roundstore.h"
#include "rounds/Roundrules.h"
#include "common/Calculations.h"
#include "common/Caption.h"
#include "common/Frame.h"

TShotEditForm* ShotEditForm = nullptr;

TShotEditForm::TShotEditForm(QWidget* owner)
    : QDialog(owner),
      RoundShotsTable(Frame() ? &Frame()->Database : nullptr, "RoundShots"),
      ClubDetailTable(Frame() ? &Frame()->Database : nullptr, "ClubDetail"),
      BagTable(Frame() ? &Frame()->Database : nullptr, "GolfBag") {
    setObjectName("ShotEditForm");
    setWindowTitle("Edit shot");
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    RoundShotsTable.AddSort("[RoundId] ASC");
    RoundShotsTable.AddSort("[HoleId] ASC");
    RoundShotsTable.AddSort("[ShotNumber] ASC");

    const auto combo = [this](const char* name) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        return c;
    };
    QStringList holes;
    for (int i = 1; i <= 18; ++i) holes << QString::number(i);
    holes << "No hole";
    HoleComboBox = combo("HoleComboBox");
    HoleComboBox->addItems(holes);
    ShotComboBox = combo("ShotComboBox");
    ShotComboBox->addItems(holes);
    ClubComboBox = combo("ClubComboBox");
    PenaltyComboBox = combo("PenaltyComboBox");
    for (const char* item : PenaltyItems) PenaltyComboBox->addItem(item);
    LatComboBox = combo("LatComboBox");
    LatComboBox->addItems({"N", "S"});
    LatComboBox->setEnabled(false);
    LongComboBox = combo("LongComboBox");
    LongComboBox->addItems({"E", "W"});
    LongComboBox->setEnabled(false);
    const auto edit = [this](const char* name, int maxLength) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        if (maxLength > 0) e->setMaxLength(maxLength);
        return e;
    };
    LengthEdit = edit("LengthEdit", 3);
    DescriptionEdit = edit("DescriptionEdit", 0);
    Latitude = edit("Latitude", 9);
    Latitude->setToolTip("Latitude degrees");
    Latitude->setAccessibleName("Latitude degrees");
    Latitude->setEnabled(false);
    Longitude = edit("Longitude", 9);
    Longitude->setToolTip("Logitude degrees");
    Longitude->setAccessibleName("Longitude degrees");
    Longitude->setEnabled(false);
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");

    auto* grid = new QGridLayout(this);
    int row = 0;
    const auto line = [&](const char* caption, QWidget* a, QWidget* b = nullptr) {
        QLabel* l = Caption(caption, a);
        grid->addWidget(l, row, 0);
        if (b) {
            grid->addWidget(a, row, 1);
            grid->addWidget(b, row, 2);
        } else {
            grid->addWidget(a, row, 1, 1, 2);
        }
        ++row;
        return l;
    };
    line("Hole number:", HoleComboBox);
    ShotLabel = line("Shot Number:", ShotComboBox);
    ShotLabel->setObjectName("ShotLabel");
    line("Shot Length:", LengthEdit);
    line("Club:", ClubComboBox);
    line("Penalty:", PenaltyComboBox);
    line("Description:", DescriptionEdit);
    line("Latitude:", LatComboBox, Latitude);
    line("Longitude:", LongComboBox, Longitude);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    grid->addLayout(buttons, row, 0, 1, 3);
    resize(312, 218);
    SetTabChain({HoleComboBox, ShotComboBox, LengthEdit, ClubComboBox, PenaltyComboBox, DescriptionEdit, LatComboBox,
                 Latitude, LongComboBox, Longitude, Button1, Button2});

    connect(HoleComboBox, &QComboBox::currentIndexChanged, this, [this] { HoleComboBoxChange(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    Latitude->installEventFilter(this);
    Longitude->installEventFilter(this);
    FormCreate();
}

TShotEditForm::~TShotEditForm() {
    if (ShotEditForm == this) ShotEditForm = nullptr;
}

void TShotEditForm::FormCreate() {
    LengthEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), LengthEdit));
}

bool TShotEditForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusOut) {
        if (watched == Latitude) LatitudeExit();
        else if (watched == Longitude) LongitudeExit();
    }
    return QDialog::eventFilter(watched, e);
}

void TShotEditForm::HoleComboBoxChange() {
    const QSignalBlocker block(ShotComboBox);
    ShotComboBox->clear();
    const std::optional<int> hole = ParseWhole(HoleComboBox->currentText().toStdString());
    if (hole && *hole >= 1 && *hole <= 18)
        for (int i = 1; i <= HoleShotCount[*hole]; ++i) ShotComboBox->addItem(QString::number(i));
    ShotComboBox->setCurrentIndex(ShotComboBox->count() > 0 ? 0 : -1);
}

void TShotEditForm::LatitudeExit() {
    Latitude->setText(QString::fromStdString(BoundDegreeText(Latitude->text().toStdString(), 90)));
}

void TShotEditForm::LongitudeExit() {
    Longitude->setText(QString::fromStdString(BoundDegreeText(Longitude->text().toStdString(), 180)));
}

bool TShotEditForm::StoreShot() {
    const TDataSetState state = RoundShotsTable.State();
    if (state != TDataSetState::Insert && state != TDataSetState::Edit) return false;
    if (HoleComboBox->currentIndex() < 0 || HoleComboBox->currentIndex() >= 18) {
        MessageBox("Please select the hole number.", "Wrong input", MB_OK, MB_ICONERROR);
        return false;
    }
    if (ShotComboBox->currentIndex() < 0) {
        MessageBox("Please select the shot number.", "Wrong input", MB_OK, MB_ICONERROR);
        return false;
    }
    const std::optional<int> length = ParseWhole(LengthEdit->text().toStdString());
    if (!length || *length < 0) {
        MessageBox("Please enter the shot length.", "Wrong input", MB_OK, MB_ICONERROR);
        return false;
    }
    TDatabase* db = RoundShotsTable.Database();
    const int roundId = RoundShotsTable.FieldByName("RoundId").AsInteger();
    {
        TTable round(db, "Round");
        round.SetFilter("RoundId = " + std::to_string(roundId));
        round.Open();
        if (round.IsEmpty()) {
            MessageBox("The round has been deleted; the shot is not stored.", "Error!", MB_OK,
                       MB_ICONERROR);
            RoundShotsTable.Cancel();
            return false;
        }
    }

    TTransaction tx(*db);
    ClubDetailTable.Open();
    BagTable.Open();
    RoundShotsTable.FieldByName("Description").SetAsString(DescriptionEdit->text().toStdString());
    const int hole = HoleComboBox->currentIndex() + 1;
    const int place = ShotComboBox->currentIndex() + 1;
    RoundShotsTable.FieldByName("HoleId").SetAsInteger(hole);
    RoundShotsTable.FieldByName("ShotNumber").SetAsInteger(place);
    RoundShotsTable.FieldByName("ShotLength").SetAsInteger(DisplayToMetres(*length));
    // A stored penalty code the list has no entry for stays while the list
    // is left at the entry shown for it.
    const int penaltyIndex = PenaltyComboBox->currentIndex();
    const TVariant storedPen = RoundShotsTable.FieldByName("PenId").Value();
    const bool keepPen = state == TDataSetState::Edit && !storedPen.IsNull() &&
                         PenaltyIndexForId(static_cast<int>(storedPen.AsInteger())) == penaltyIndex &&
                         PenaltyIdForIndex(penaltyIndex) != storedPen.AsInteger();
    if (!keepPen) RoundShotsTable.FieldByName("PenId").SetAsInteger(PenaltyIdForIndex(penaltyIndex));
    // "Unknown" on an edited shot whose club is not listed (a penalty stroke,
    // 15) stands for that club: it stays.
    const QVariant club = ClubComboBox->currentData();
    const int clubId = club.isValid() ? club.toInt() : 0;
    const TVariant storedClub = RoundShotsTable.FieldByName("ClubId").Value();
    const bool keepClub = state == TDataSetState::Edit && clubId == 0 && !storedClub.IsNull() &&
                          ClubComboBox->findData(static_cast<int>(storedClub.AsInteger())) < 0;
    if (!keepClub) RoundShotsTable.FieldByName("ClubId").SetAsInteger(clubId);
    LatitudeExit();
    LongitudeExit();
    const auto degrees = [](QComboBox* hemisphere, QLineEdit* box) {
        const std::optional<double> v = ReadDecimal(box->text().toStdString());
        const std::string letter = hemisphere->currentText().toStdString();
        return v ? ParseCoordinate(letter.empty() ? 'N' : letter[0], *v) : 0.0;
    };
    RoundShotsTable.FieldByName("Latitude").SetAsFloat(degrees(LatComboBox, Latitude));
    RoundShotsTable.FieldByName("Longitude").SetAsFloat(degrees(LongComboBox, Longitude));
    RoundShotsTable.Post();
    const long long shotId = RoundShotsTable.FieldByName("ShotId").Value().AsInteger();

    // Every hole of the round counts 1, 2, 3 ... with the stored shot at its place.
    RoundShotsTable.Close();
    RoundShotsTable.SetFilter("RoundId = " + std::to_string(roundId));
    RoundShotsTable.Open();
    std::vector<ShotSlot> rows;
    for (RoundShotsTable.First(); !RoundShotsTable.Eof(); RoundShotsTable.Next())
        rows.push_back({RoundShotsTable.FieldByName("ShotId").Value().AsInteger(),
                         RoundShotsTable.FieldByName("HoleId").AsInteger(),
                         RoundShotsTable.FieldByName("ShotNumber").AsInteger()});
    StoreShotNumbers(RoundShotsTable, rows, RenumberAfterStore(rows, shotId, place));
    if (Frame()) Frame()->ValidateRound(roundId);
    tx.Commit();
    RoundShotsTable.Close();
    return true;
}

void TShotEditForm::Button1Click() {
    const TDataSetState state = RoundShotsTable.State();
    if (state != TDataSetState::Insert && state != TDataSetState::Edit) {
        RoundShotsTable.Close();
        QDialog::accept();
        return;
    }
    if (StoreShot()) {
        QDialog::accept();
        return;
    }
    // A round that went: nothing pending any more, the window goes.
    if (RoundShotsTable.State() == TDataSetState::Browse) {
        RoundShotsTable.Close();
        QDialog::reject();
    }
}

void TShotEditForm::Button2Click() {
    if (RoundShotsTable.Active()) {
        RoundShotsTable.Cancel();
        RoundShotsTable.Close();
    }
    QDialog::reject();
}

void TShotEditForm::reject() { Button2Click(); }
