#pragma once
#include <functional>
#include <string>
#include <vector>

#include "device/U8records.h"
#include "platform/Datetime.h"
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

// The main window's validation of a round the import has just stored.
void ValidateImportedRound(int roundId);

// The database mode's list rows, appended to list in one go.
void AddRoundListItems(QTreeWidget* list, const std::vector<TRoundListRow>& rows);

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

// The import of the device's games: a game becomes a Round row with its
// RoundHoles and RoundShots, read whole from the device and written in one
// transaction, then validated.
class TRoundImport {
public:
    TRoundImport(TU8Device& device, TDatabase& db, int userId);

    // How a stored round is validated; by default on the database given.
    std::function<void(int roundId)> Validate;

    // 0 stored or already in the database, 1 failed (the user has been told).
    int StoreGame(const GameHeader& header, int slot);
    // The RoundId of the last game stored or found.
    int LastRoundId = 0;

    // The rules of the rows, for the import and its tests.
    static int RoundCourseId(uint16_t number);
    static int RoundBagId(uint16_t number);
    // ClubId of a shot; noClubShots already counts this shot when its code is 0.
    static int ShotClubId(int code, int stroke, int pen, int driverStrokes, int noClubShots,
                          int putter);
    // Start of the game, false when the header holds no date or time.
    static bool StartDate(const GameHeader& h, TDateTime& start, TDateTime& end);

    // A game as read from the device, before any row is written.
    struct Shot {
        int club = 0, pen = 0;
        double lat = 0, lon = 0;
        int length = 0;
    };
    struct Hole {
        int number = 0;
        GameHole record{};
        bool quit = false;
        std::vector<Shot> shots;
    };
    // The holes of game area 1..4 that were played; false when a read failed.
    bool ReadGame(int area, int bagId, std::vector<Hole>& holes);
    // RoundId of the player's round of that start and score, 0 when none.
    int FindStored(const GameHeader& h, TDateTime start);
    // The rows of a game in one transaction; its RoundId. Throws on a
    // database error (nothing of the game is left then).
    int WriteGame(const GameHeader& h, TDateTime start, TDateTime end, int bagId,
                  const std::vector<Hole>& holes);

private:
    bool ReadHole(int area, int number, int putter, Hole& hole);
    void StartPoint(int hole, uint16_t& holeStart, double& lat, double& lon);
    int Putter(int bagId);

    TU8Device& device_;
    TDatabase& db_;
    int userId_;
    int CourseSlot = 0;
    PointListBlock CoursePoints{};
    double PreviousLatitude = 0, PreviousLongitude = 0;
};
