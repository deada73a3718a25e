#pragma once
#include <functional>
#include <string>
#include <vector>

#include "device/U8records.h"
#include "platform/Datetime.h"
#include "transfer/Roundimport.h"
#include "transfer/Wizardpage.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TDatabase;
class TSerialPort;
class TU8Device;
struct TRoundListRow;

// Step 4 of the round roads. With the U8 as the source it lists the device's
// games and imports the chosen ones; with the database as the source it
// chooses rounds for the web upload.
class TTransWiz35 : public TWizardPage {
public:
    explicit TTransWiz35(QWidget* owner = nullptr);
    ~TTransWiz35() override;

    void FormShow() override;
    void NextButtonClick();
    bool DeviceMode() const;

    // Device objects of this page, alive as long as the page.
    TSerialPort* SerialPort = nullptr;
    TU8Device* U8Device = nullptr;
    GameHeader GameHeaders[u8::GameAreas] = {};

    QTreeWidget* RoundsListBox;  // item data: the game slot (device) or the RoundId
    QPushButton* BackButton;
    QPushButton* NextButton;
    QPushButton* CancelButton;

    // ---- Database mode: the rounds for the web upload --------------------
    int SortColumn = 0;
    unsigned char SortAscending = 1;
    int PreviousSortColumn = 0;
    void ShowDatabase();
    void NextDatabase();
    // Sorts the list by a column (both modes); a second click reverses.
    void RoundsListBoxColumnClick(int column);
    int RoundsListBoxCompare(const QTreeWidgetItem* item1, const QTreeWidgetItem* item2) const;
    // Statistics of a round into record index of the send page's rounds.
    void ComputeRoundStatistics(int roundId, int index);
    // ---- end of database mode ---------------------------------------------

protected:
    void hideEvent(QHideEvent* e) override;

private:
    void ShowDevice();
    void NextDevice();
};

extern TTransWiz35* TransWiz35;

// The database mode's list rows, appended to list in one go.
void AddRoundListItems(QTreeWidget* list, const std::vector<TRoundListRow>& rows);

// The main window's validation of a round a device import has just stored:
// the validator the pages hand to the import.
void ValidateImportedRound(int roundId);

// The failure messages of a round import, in the order of its games. True
// when any game failed.
bool ShowGameReports(const std::vector<TGameReport>& reports);

// One row of the device's game list.
struct TGameListRow {
    int Slot = 0;            // game area - 1
    std::string Date;        // short date, or "Invalid date"
    std::string Course;
    std::string Title;       // "No title"
    std::string Score;
};
// The listed games of four headers (areas whose year byte is not 0xFF).
std::vector<TGameListRow> GameListRows(const GameHeader* headers, const bool* read, int count);
