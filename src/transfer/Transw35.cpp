#include "transfer/Transw35.h"

#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "db/Table.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "platform/Messagebox.h"
#include "common/Calculations.h"
#include "common/Frame.h"
#include "transfer/Transfercommon.h"
#include "transfer/Transw1.h"
#include "transfer/Transw4.h"
#include "transfer/Webrounds.h"

TTransWiz35* TransWiz35 = nullptr;

using transfer::DeviceText;

TTransWiz35::TTransWiz35(QWidget* owner) : TWizardPage(owner) {
    setObjectName("TransWiz35");
    setWindowTitle("Transfer Wizard - step 4");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HeadingLabel(this, "Rounds Transfer"));
    auto* line = new QLabel("Select one or more round(s) to be transferred. Click and hold CTRL down "
                            "to select multiple rounds.", this);
    line->setWordWrap(true);
    layout->addWidget(line);
    RoundsListBox = new QTreeWidget(this);
    RoundsListBox->setObjectName("RoundsListBox");
    RoundsListBox->setAccessibleName("Rounds");
    RoundsListBox->setHeaderLabels({"Date", "Course", "Title", "Score"});
    RoundsListBox->setRootIsDecorated(false);
    RoundsListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
    RoundsListBox->setSelectionBehavior(QAbstractItemView::SelectRows);
    RoundsListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RoundsListBox->setColumnWidth(0, 100);
    RoundsListBox->setColumnWidth(1, 90);
    RoundsListBox->setColumnWidth(2, 222);
    layout->addWidget(RoundsListBox);
    RoundsListBox->header()->setSectionsClickable(true);
    connect(RoundsListBox->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { RoundsListBoxColumnClick(column); });
    ButtonRow(layout, BackButton, NextButton, CancelButton);
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });

    SerialPort = new TSerialPort();
    SerialPort->ShowErrors = false;
    U8Device = new TU8Device(SerialPort);
}

TTransWiz35::~TTransWiz35() {
    delete U8Device;
    delete SerialPort;
    if (TransWiz35 == this) TransWiz35 = nullptr;
}

bool TTransWiz35::DeviceMode() const { return TransWiz1 && TransWiz1->U8Button->isChecked(); }

void TTransWiz35::hideEvent(QHideEvent* e) {
    TWizardPage::hideEvent(e);
    if (SerialPort->GetPortOpen()) U8Device->ClosePort();
    NextButton->setEnabled(true);
    NextButton->setText("Next >");
}

void TTransWiz35::FormShow() {
    if (DeviceMode())
        ShowDevice();
    else
        ShowDatabase();
}

void TTransWiz35::NextButtonClick() {
    if (DeviceMode())
        NextDevice();
    else
        NextDatabase();
    RoundsListBox->clearSelection();
}

std::vector<TGameListRow> GameListRows(const GameHeader* headers, const bool* read, int count) {
    std::vector<TGameListRow> rows;
    for (int n = 0; n < count; ++n) {
        const GameHeader& h = headers[n];
        if (!read[n] || h.Year == 0xFF) continue;
        TGameListRow row;
        row.Slot = n;
        const QDate date(2000 + h.Year, h.Month, h.Day);
        row.Date = date.isValid() ? QLocale().toString(date, QLocale::ShortFormat).toStdString()
                                  : "Invalid date";
        row.Course = DeviceText(h.CourseName, sizeof h.CourseName);
        row.Title = "No title";
        row.Score = std::to_string(h.Score);
        rows.push_back(row);
    }
    return rows;
}

void TTransWiz35::ShowDevice() {
    if (U8Device->CheckDevice() == -1) {
        MessageBox(CannotConnectU8Text + U8Device->PortAccessNote(), "Error!", MB_OK, MB_ICONERROR);
        done(wizard::Cancelled);
        return;
    }
    RoundsListBox->clear();
    bool read[u8::GameAreas] = {};
    int n = 0;
    for (; n < u8::GameAreas; ++n) {
        if (U8Device->ReadGameHeader(n + 1, &GameHeaders[n]) != 0) break;
        read[n] = true;
    }
    for (const TGameListRow& row : GameListRows(GameHeaders, read, u8::GameAreas)) {
        auto* item = new QTreeWidgetItem(RoundsListBox);
        item->setText(0, QString::fromStdString(row.Date));
        item->setText(1, QString::fromStdString(row.Course));
        item->setText(2, QString::fromStdString(row.Title));
        item->setText(3, QString::fromStdString(row.Score));
        item->setData(0, Qt::UserRole, row.Slot);
    }
    if (n < u8::GameAreas) {
        MessageBox("Error in receiving game data!\n\nCheck that the U8 is connected\nand ensure no "
                   "other software\nis using the serial port.",
                   "Error!", MB_OK, MB_ICONERROR);
        return;
    }
    if (RoundsListBox->topLevelItemCount() == 0) {
        MessageBox("You don't have any rounds to tranfer", "No rounds available");
        NextButton->setEnabled(false);
    }
    NextButton->setText("Finish");
}

void TTransWiz35::NextDevice() {
    std::vector<int> gameSlots;
    for (int i = 0; i < RoundsListBox->topLevelItemCount(); ++i)
        if (RoundsListBox->topLevelItem(i)->isSelected())
            gameSlots.push_back(RoundsListBox->topLevelItem(i)->data(0, Qt::UserRole).toInt());
    if (gameSlots.empty()) {
        MessageBox("You must choose at least one round", "No rounds chosen");
        return;
    }
    bool errors = false;
    {
        TProgressScope progress("Storing game data");
        TRoundImport import(*U8Device, Frame()->Database, Frame()->GetUserId());
        import.Validate = ValidateImportedRound;
        for (int slot : gameSlots)
            if (slot >= 0 && slot < u8::GameAreas && import.StoreGame(GameHeaders[slot], slot) != 0)
                errors = true;
    }
    Frame()->RefreshListWindows();
    done(wizard::Finished);
    MessageBox(errors ? "Transfer of round(s) completed with errors!"
                      : "Transfer of round(s) completed successfully!",
               "Transfer completed!", MB_OK, MB_ICONINFORMATION);
}

void ValidateImportedRound(int roundId) {
    // The main window's tables are opened on this round's rows when they are
    // still closed, so the first validation does not read every stored round.
    const std::string where = "RoundId = " + std::to_string(roundId);
    for (TTable* t : {&Frame()->RoundTable, &Frame()->RoundHolesTable, &Frame()->RoundShotsTable})
        if (!t->Active()) t->SetFilter(where);
    Frame()->ValidateRound(roundId);
}

// ---- Database mode ----------------------------------------------------------
// The player's rounds for the web upload (rules in Webrounds).

namespace {
constexpr int kRoundDateRole = Qt::UserRole + 1;

TRoundSortKey RoundKey(const QTreeWidgetItem* item) {
    TRoundSortKey k;
    QVariant d = item->data(0, kRoundDateRole);
    if (d.isValid()) {
        k.Date = d.toDouble();
    } else {
        // A device row: its caption read as a date, "Invalid date" as none.
        const QDate date = QLocale().toDate(item->text(0), QLocale::ShortFormat);
        if (date.isValid()) k.Date = EncodeDateTime(date.year(), date.month(), date.day());
    }
    k.Course = item->text(1).toStdString();
    k.Title = item->text(2).toStdString();
    k.Score = item->text(3).toStdString();
    return k;
}
}  // namespace

void AddRoundListItems(QTreeWidget* list, const std::vector<TRoundListRow>& rows) {
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(rows.size()));
    for (const TRoundListRow& row : rows) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, QString::fromStdString(row.Date));
        item->setText(1, QString::fromStdString(row.Course));
        item->setText(2, QString::fromStdString(row.Title));
        item->setText(3, QString::fromStdString(row.Score));
        item->setData(0, Qt::UserRole, row.RoundId);
        // Rounds of one day compare equal: the date without its time.
        if (row.Start) item->setData(0, kRoundDateRole, double(int64_t(*row.Start)));
        items.append(item);
    }
    list->addTopLevelItems(items);
}

void TTransWiz35::ShowDatabase() {
    NextButton->setEnabled(true);
    RoundsListBox->clear();
    const std::vector<TRoundListRow> rows = RoundListRows(Frame()->Database, Frame()->GetUserId());
    if (rows.empty()) {
        MessageBox("You don't have any rounds to tranfer", "No rounds available");
        NextButton->setEnabled(false);
        return;
    }
    AddRoundListItems(RoundsListBox, rows);
}

void TTransWiz35::NextDatabase() {
    std::vector<int> ids;
    for (int i = 0; i < RoundsListBox->topLevelItemCount(); ++i)
        if (RoundsListBox->topLevelItem(i)->isSelected())
            ids.push_back(RoundsListBox->topLevelItem(i)->data(0, Qt::UserRole).toInt());
    if (ids.size() > size_t(TTransWiz4::MaxRounds)) {
        MessageBox("You can only transfer 10 rounds at a time", "Too many rounds");
        return;
    }
    if (ids.empty()) {
        MessageBox("You must choose at least one round", "No rounds chosen");
        return;
    }
    if (!TransWiz4) return;
    int n = 0;
    bool refused = false;
    {
        TProgressScope progress("Preparing rounds data");
        for (int roundId : ids) {
            if (ProgressForm && !ProgressForm->isVisible()) ProgressForm->show();
            progress.SetMessage("Preparing rounds data");
            std::string course;
            const TFillResult filled = FillRound(Frame()->Database, roundId, Frame()->GetUserId(),
                                                 TransWiz4->Rounds[size_t(n)], course);
            if (filled == RoundRefused) {
                HideProgress();
                ShowMessage("You must first transfer the Course \n" + course + "\nto Peakrally!");
                refused = true;
            }
            if (filled != RoundFilled) continue;
            ++n;
        }
    }
    if (n == 0) {
        if (!refused) MessageBox("There is no valid rounds to tranfer", "No rounds to transfer");
        return;
    }
    // Only the rounds filled are sent: no stale record of an earlier transfer.
    TransWiz4->RoundCount = n;
    TransWiz4->TransferKind = 2;
    OpenNext(TransWiz4);
}

void TTransWiz35::ComputeRoundStatistics(int roundId, int index) {
    if (!TransWiz4 || index < 0 || index >= TTransWiz4::MaxRounds) return;
    ::ComputeRoundStatistics(Frame()->Database, roundId, TransWiz4->Rounds[size_t(index)]);
}

int TTransWiz35::RoundsListBoxCompare(const QTreeWidgetItem* item1,
                                      const QTreeWidgetItem* item2) const {
    return CompareRoundRows(RoundKey(item1), RoundKey(item2), SortColumn, SortAscending == 1);
}

void TTransWiz35::RoundsListBoxColumnClick(int column) {
    PreviousSortColumn = SortColumn;
    SortColumn = column;
    SortAscending = SortColumn == PreviousSortColumn ? (SortAscending == 1 ? 0 : 1) : 1;
    QList<QTreeWidgetItem*> items;
    while (RoundsListBox->topLevelItemCount() > 0) items.append(RoundsListBox->takeTopLevelItem(0));
    std::stable_sort(items.begin(), items.end(), [this](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return RoundsListBoxCompare(a, b) < 0;
    });
    RoundsListBox->addTopLevelItems(items);
}

// ---- end of database mode ---------------------------------------------------

// ---------------------------------------------------------------------------
// The device round import.

TRoundImport::TRoundImport(TU8Device& device, TDatabase& db, int userId)
    : device_(device), db_(db), userId_(userId) {
    Validate = [this](int roundId) {
        // Closed tables: ValidateRound opens them on the round's rows only.
        TTable rounds(&db_, "Round"), holes(&db_, "RoundHoles"), shots(&db_, "RoundShots");
        ::ValidateRound(rounds, holes, shots, roundId);
    };
}

int TRoundImport::RoundCourseId(uint16_t number) {
    if (number == 0xFFFF) return 0;
    if (number > 32400) return 32399;
    return number;
}

int TRoundImport::RoundBagId(uint16_t number) {
    if (number == 0) return 1;
    if (number > 2047) return 0;
    return number;
}

int TRoundImport::ShotClubId(int code, int stroke, int pen, int driverStrokes, int noClubShots,
                             int putter) {
    if (code > 32767) code = 0;
    int club = code == 98 || (stroke > driverStrokes && pen != 9) ? putter : code;
    if ((code == 98 || code == 99) && stroke + noClubShots <= driverStrokes) club = 0;
    return club;
}

bool TRoundImport::StartDate(const GameHeader& h, TDateTime& start, TDateTime& end) {
    if (!QDate(2000 + h.Year, h.Month, h.Day).isValid() || h.Hour > 23 || h.Minute > 59 ||
        h.DurationHours > 23 || h.DurationMinutes > 59)
        return false;
    start = EncodeDateTime(2000 + h.Year, h.Month, h.Day, h.Hour, h.Minute, 0);
    end = start + (h.DurationHours * 60 + h.DurationMinutes) / 1440.0;
    return true;
}

int TRoundImport::Putter(int bagId) {
    TTable query(&db_);
    query.SetSQL("SELECT Clubs.ClubId FROM Clubs INNER JOIN ClubDetail ON ClubDetail.ClubId = "
                 "Clubs.ClubId WHERE (ClubDetail.Type = 9) AND (Clubs.BagId=" +
                 std::to_string(bagId) + ")");
    query.Open();
    return query.IsEmpty() ? 99 : query.Fields(0).AsInteger();
}

// Where the first stroke of a hole is measured from.
void TRoundImport::StartPoint(int hole, uint16_t& holeStart, double& lat, double& lon) {
    lat = lon = 0;
    if (holeStart >= 1 && holeStart <= 65534) {
        PositionRecord pos{};
        if (device_.ReadPosition(holeStart, &pos) == 0) {
            lat = pos.Latitude * 1e-7;
            lon = pos.Longitude * 1e-7;
        }
        holeStart = 0;
        return;
    }
    if (CourseSlot < 1 || CourseSlot > 3) return;
    const int id = u8::FirstCoursePointId(CourseSlot - 1) + u8::PointsPerHole * (hole - 1);
    bool listed = CoursePoints.Count >= u8::MaxPointListIds;
    for (int i = 0; !listed && i < CoursePoints.Count && i < u8::MaxPointListIds; ++i)
        listed = CoursePoints.Ids[i] == id;
    DevicePoint p{};
    if (listed && device_.ReadPoint(uint16_t(id), &p, 0) == 0) {
        lat = p.Latitude * 1e-7;
        lon = p.Longitude * 1e-7;
    }
}

bool TRoundImport::ReadHole(int area, int number, int putter, Hole& hole) {
    hole.number = number;
    GameHole& r = hole.record;
    uint16_t holeStart = r.StartPositionId;
    int noClubShots = 0;
    for (int shot = 1; shot <= r.ShotCount; ++shot) {
        GameShot s{};
        if (device_.ReadGameShot(area, number, shot, &s) != 0) return false;
        const int stroke = s.Byte0;
        Shot out;
        out.pen = s.PenaltyCode;
        if (out.pen == 9) hole.quit = true;
        if (s.ClubCode == 0) ++noClubShots;
        out.club = ShotClubId(s.ClubCode, stroke, out.pen, r.DriverShots, noClubShots, putter);
        if (stroke == 1) StartPoint(number, holeStart, PreviousLatitude, PreviousLongitude);
        if (s.PositionId != 0 && s.PositionId != 0xFFFF) {
            PositionRecord pos{};
            if (device_.ReadPosition(s.PositionId, &pos) != 0) return false;
            out.lat = pos.Latitude * 1e-7;
            out.lon = pos.Longitude * 1e-7;
        }
        int distance = GeodesicDistance(PreviousLatitude, PreviousLongitude, out.lat, out.lon, 0, 0);
        if (distance > 500 || distance < 0) distance = 0;
        const bool missing = PreviousLatitude == 0 || PreviousLongitude == 0 || out.lat == 0 || out.lon == 0;
        out.length = missing ? 0 : distance;
        PreviousLatitude = out.lat;
        PreviousLongitude = out.lon;
        hole.shots.push_back(out);
    }
    return true;
}

bool TRoundImport::ReadGame(int area, int bagId, std::vector<Hole>& holes) {
    const int putter = Putter(bagId);
    for (int h = 1; h <= u8::GameHoles; ++h) {
        Hole hole;
        if (device_.ReadGameHole(area, h, &hole.record) != 0) return false;
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&hole.record);
        if (std::all_of(bytes, bytes + sizeof hole.record, [](uint8_t b) { return b == 0xFF; }))
            continue;  // a hole not played
        if (!ReadHole(area, h, putter, hole)) return false;
        holes.push_back(std::move(hole));
    }
    return true;
}

int TRoundImport::StoreGame(const GameHeader& h, int slot) {
    SetProgress("Storing game data");
    const std::string name = DeviceText(h.CourseName, sizeof h.CourseName);
    TDateTime start = 0, end = 0;
    const bool dated = StartDate(h, start, end);
    auto fail = [&] {
        HideProgress();
        MessageBox("Transfer of round " + name + " / " + (dated ? DateTimeToIso(start) : "Invalid date") +
                       " failed! Please try again.",
                   "Transfer error!", MB_OK, MB_ICONERROR);
        return 1;
    };
    if (!dated) return fail();

    CourseEntry dir[u8::CourseSlots];
    CourseSlot = 0;
    if (device_.ReadCourseDirectory(dir) == 0) {
        for (int j = 0; j < u8::CourseSlots; ++j) {
            bool same = dir[j].CourseId == h.CourseId;
            if (!same) {
                same = true;
                for (int i = 0; i < 7 && same; ++i) {
                    if (dir[j].Name[i] != h.CourseName[i]) same = false;
                    else if (dir[j].Name[i] == 0) break;
                }
            }
            if (same) CourseSlot = j + 1;
        }
    }
    if (device_.ReadPointList(0, &CoursePoints, 0) != 0) CoursePoints.Count = 0;

    try {
        if (const int stored = FindStored(h, start); stored != 0) {
            LastRoundId = stored;
            Validate(LastRoundId);
            return 0;
        }
    } catch (const std::exception&) {
        return fail();
    }

    const int bagId = RoundBagId(h.BagId);
    std::vector<Hole> holes;
    if (!ReadGame(slot + 1, bagId, holes)) return fail();
    device_.ResetU8();

    try {
        LastRoundId = WriteGame(h, start, end, bagId, holes);
    } catch (const std::exception&) {
        return fail();
    }
    Validate(LastRoundId);
    return 0;
}

int TRoundImport::FindStored(const GameHeader& h, TDateTime start) {
    TTable rounds(&db_, "Round");
    rounds.SetFilter("UserId = " + std::to_string(userId_) + " And RoundStartDate = " +
                     QuotedStr(DateTimeToIso(start)) + " And Score = " + std::to_string(h.Score));
    rounds.Open();
    return rounds.IsEmpty() ? 0 : rounds.FieldByName("RoundId").AsInteger();
}

int TRoundImport::WriteGame(const GameHeader& h, TDateTime start, TDateTime end, int bagId,
                            const std::vector<Hole>& holes) {
    TTransaction tx(db_);
    double hcp = 0;
    {
        TTable player(&db_, "PlayerDetail");
        player.SetFilter("UserId = " + std::to_string(userId_));
        player.Open();
        if (!player.IsEmpty()) hcp = player.FieldByName("HCP").AsFloat();
    }
    // Appended rows join a table opened on no rows; the stored ones stay unread.
    TTable round(&db_, "Round");
    round.SetFilter("RoundId = 0");
    round.Open();
    round.Append();
    round.FieldByName("UserId").SetAsInteger(userId_);
    round.FieldByName("CourseId").SetAsInteger(RoundCourseId(h.CourseId));
    round.FieldByName("BagId").SetAsInteger(bagId);
    round.FieldByName("RoundHCP").SetAsFloat(hcp);
    round.FieldByName("TeeNumber").SetAsInteger(0);
    round.FieldByName("Score").SetAsInteger(h.Score);
    round.FieldByName("StrokePlay").SetAsBoolean(true);
    round.FieldByName("Par").SetAsInteger(h.Par);
    round.FieldByName("ShotsTotal").SetAsInteger(h.Score);
    round.FieldByName("ShotsDriver").SetAsInteger(h.DriverShots);
    round.FieldByName("ShotsPutter").SetAsInteger(h.Putts);
    round.FieldByName("Penalties").SetAsInteger(h.Penalties);
    round.FieldByName("RoundStartDate").SetAsDateTime(start);
    round.FieldByName("RoundEndDate").SetAsDateTime(end);
    round.Post();
    const int roundId = round.FieldByName("RoundId").AsInteger();
    TTable holeTable(&db_, "RoundHoles");
    holeTable.SetFilter("RoundId = " + std::to_string(roundId));
    holeTable.Open();
    TTable shotTable(&db_, "RoundShots");
    shotTable.SetFilter("RoundId = " + std::to_string(roundId));
    shotTable.Open();
    for (const Hole& hole : holes) {
        const GameHole& r = hole.record;
        holeTable.Append();
        holeTable.FieldByName("HoleId").SetAsInteger(hole.number);
        holeTable.FieldByName("RoundId").SetAsInteger(roundId);
        holeTable.FieldByName("HoleFlags").SetAsInteger(r.HoleFlags);
        holeTable.FieldByName("HoleShotsTotal").SetAsInteger(r.Shots);
        holeTable.FieldByName("HoleShotsDriver").SetAsInteger(r.DriverShots);
        holeTable.FieldByName("HoleShotsPutter").SetAsInteger(r.Putts);
        holeTable.FieldByName("HolePenalties").SetAsInteger(r.Penalties);
        holeTable.FieldByName("HolePar").SetAsInteger(r.Byte0);
        holeTable.FieldByName("GIR").SetAsBoolean(r.GIR != 0);
        holeTable.FieldByName("FIR").SetAsBoolean(r.FIR != 0);
        holeTable.FieldByName("BunkerHits").SetAsInteger(r.BunkerHits);
        if (hole.quit) holeTable.FieldByName("Quit").SetAsBoolean(true);
        holeTable.Post();
        int number = 0;
        for (const Shot& s : hole.shots) {
            shotTable.Append();
            shotTable.FieldByName("RoundId").SetAsInteger(roundId);
            shotTable.FieldByName("HoleId").SetAsInteger(hole.number);
            shotTable.FieldByName("ShotNumber").SetAsInteger(++number);
            shotTable.FieldByName("ClubId").SetAsInteger(s.club);
            shotTable.FieldByName("PenId").SetAsInteger(s.pen);
            shotTable.FieldByName("Latitude").SetAsFloat(s.lat);
            shotTable.FieldByName("Longitude").SetAsFloat(s.lon);
            shotTable.FieldByName("ShotLength").SetAsInteger(s.length);
            shotTable.Post();
        }
    }
    tx.Commit();
    return roundId;
}
