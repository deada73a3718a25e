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

#include "db/Table.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "platform/Messagebox.h"
#include "common/Calculations.h"
#include "common/Frame.h"
#include "transfer/Transfercommon.h"
#include "transfer/Transw4.h"
#include "transfer/Webrounds.h"
#include "transfer/Wizardstate.h"

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
    // The title gives way so that the score stays in view without a scroll bar.
    RoundsListBox->header()->setStretchLastSection(false);
    RoundsListBox->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    RoundsListBox->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);
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

bool TTransWiz35::DeviceMode() const { return WizardState().Source == TWizardState::TSource::Device; }

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
    std::vector<TGameReport> reports;
    {
        TProgressScope progress("Storing game data");
        TRoundImport import(*U8Device, Frame()->Database, Frame()->GetUserId());
        import.Validate = ValidateImportedRound;
        reports = import.Run(GameHeaders, gameSlots);
    }
    const bool errors = ShowGameReports(reports);
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

bool ShowGameReports(const std::vector<TGameReport>& reports) {
    bool errors = false;
    for (const TGameReport& r : reports) {
        if (r.Outcome != TGameReport::Failed) continue;
        MessageBox("Transfer of round " + r.Name + " / " + r.Date + " failed! Please try again." +
                       (r.Cause.empty() ? "" : "\n" + r.Cause),
                   "Transfer error!", MB_OK, MB_ICONERROR);
        errors = true;
    }
    return errors;
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
    std::vector<std::string> dates;
    for (int i = 0; i < RoundsListBox->topLevelItemCount(); ++i)
        if (RoundsListBox->topLevelItem(i)->isSelected()) {
            ids.push_back(RoundsListBox->topLevelItem(i)->data(0, Qt::UserRole).toInt());
            dates.push_back(RoundsListBox->topLevelItem(i)->text(0).toStdString());
        }
    if (ids.size() > size_t(TTransWiz4::MaxRounds)) {
        MessageBox("You can only transfer 10 rounds at a time", "Too many rounds");
        return;
    }
    if (ids.empty()) {
        MessageBox("You must choose at least one round", "No rounds chosen");
        return;
    }
    if (!TransWiz4) return;
    TTransferBuffers& send = WizardState().Send;
    int n = 0;
    bool refused = false;
    {
        TProgressScope progress("Preparing rounds data");
        for (size_t i = 0; i < ids.size(); ++i) {
            if (ProgressForm && !ProgressForm->isVisible()) ProgressForm->show();
            progress.SetMessage("Preparing rounds data");
            std::string course;
            const TFillResult filled = FillRound(Frame()->Database, ids[i], Frame()->GetUserId(),
                                                 send.Rounds[size_t(n)], course);
            if (filled == RoundRefused) {
                HideProgress();
                ShowMessage("You must first transfer the Course \n" + course + "\nto Peakrally!");
                refused = true;
            } else if (filled == RoundWithoutCourse) {
                // A round stored without its course has no course to send it on.
                HideProgress();
                ShowMessage("The round of " + dates[i] + " has no course.\nPlease check the course and tee.");
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
    send.RoundCount = n;
    send.TransferKind = 2;
    OpenNext(TransWiz4);
}

void TTransWiz35::ComputeRoundStatistics(int roundId, int index) {
    if (index < 0 || index >= TTransferBuffers::MaxRounds) return;
    ::ComputeRoundStatistics(Frame()->Database, roundId, WizardState().Send.Rounds[size_t(index)]);
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
