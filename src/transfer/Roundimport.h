#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/Table.h"
#include "device/U8records.h"
#include "platform/Datetime.h"

class TDatabase;
class TU8Device;

// The main window's validation of a round the import has just stored.
void ValidateImportedRound(int roundId);

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
