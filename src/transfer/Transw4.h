#pragma once
// The send page of the transfer wizard and its transfer buffers: what the
// course, bag and round pages copy from the database for the device upload
// and the web uploads. Each buffer keeps the number of its used entries;
// entries beyond it keep what an earlier transfer left there.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "db/Table.h"
#include "transfer/Wizardpage.h"

class QPlainTextEdit;
class QPushButton;
class TDatabase;
class TSerialPort;
class TU8Device;

class TTransWiz4 : public TWizardPage {
public:
    // One hole of a course.
    struct CourseSample {
        int Hole = 0;
        int HoleId = 0;
        int HolePar = 0;
        std::array<int, 6> HoleLength{};
        double LatitudeM1 = 0, LongitudeM1 = 0, LatitudeM2 = 0, LongitudeM2 = 0;
        double LatitudeH = 0, LongitudeH = 0;  // the pin
        std::string PinDesc;
        std::array<double, 6> LatitudeT{}, LongitudeT{};  // tee t + 1
        std::array<std::string, 6> TeeDesc;
        // Other points (Type above 2), in Waypoints order.
        std::array<double, 10> Latitude{}, Longitude{};
        std::array<int, 10> PointId{};
        std::array<int, 10> PointWebId{};
        std::array<std::string, 10> PointDesc;
        std::array<std::string, 10> PointName;
        std::array<int, 10> PointType{};
        int HoleHCP1 = 0, HoleHCP2 = 0;
        std::string HoleDesc;
        int PointCount = 0;
    };
    static constexpr int MaxHolePoints = 10;

    // One course with its scorecard and holes.
    struct CourseHeader {
        std::string CourseName;
        int CourseId = 0;
        std::string Country;
        int WebId = 0;
        std::string State, Address2, Link, Email, Address1, ZipCode, Telephone, Fax;
        std::array<double, 6> CRM{}, CRF{};
        std::array<int, 6> TL{}, SM{}, SF{}, TeeCol{};
        std::array<std::string, 6> TeeName;
        std::string Description;
        std::array<CourseSample, 18> Holes;
        int HoleCount = 0;  // 9 or 18
    };

    // One club of a bag.
    struct ClubSample {
        int ClubId = 0;
        int ClubWebId = 0;
        int Type = 0;  // 0 wood, 1 iron, 2 wedge, 9 putter
        int OrderNr = 0;
        std::string ClubName;
        int Shots = 0;
        double ShotsLength = 0;
        double ShotsWithLength = 0;
    };

    // One bag with its clubs in holder order.
    struct TBag {
        std::string BagName;
        int BagId = 0;
        int BagWebId = 0;
        std::array<ClubSample, 14> Clubs;
        int ClubCount = 0;
    };

    // One shot of a round.
    struct RoundSample {
        int Hole = 0;
        double Lat = 0, Lon = 0;
        int Club = 0;  // the club's web id
        int ClubType = 0;
        int Pen = 0;
        int Sha = 0;
        int Length = 0;
        std::string Note;
    };
    static constexpr int MaxRoundShots = 1000;

    // One round with its shots.
    struct RoundHeader {
        RoundHeader() : Shots(MaxRoundShots) {}
        int CourseWebId = 0;
        int WebId = 0;
        int RoundId = 0;
        std::string Date1, Date2, Time1, Time2;
        int BagWebId = 0;
        int TeeNumber = 0;
        int Score = 0;
        int RoundHCP = 0;
        double HCP = 0;
        std::string Title;
        std::string Desc;
        int ShotCount = 0;
        std::vector<RoundSample> Shots;  // MaxRoundShots entries
        int FIR = 0, BIR = 0, GIR = 0, Putts = 0;
        std::string Marker;
        std::string HoleShotsTotal;
    };

    static constexpr int MaxCourses = 3;
    static constexpr int MaxBags = 2;
    static constexpr int MaxRounds = 10;

    explicit TTransWiz4(QWidget* owner = nullptr);
    ~TTransWiz4() override;

    // The buffers and their used counts, set by the page that fills them.
    std::vector<CourseHeader> Courses;
    int CourseCount = 0;
    std::vector<TBag> Bags;
    int BagCount = 0;
    std::vector<RoundHeader> Rounds;
    int RoundCount = 0;
    // 0 courses, 1 bags, 2 rounds, 5 courses downloaded from the web service.
    int TransferKind = 0;

    // Device objects of an upload; released by the Finish handler.
    TSerialPort* SerialPort = nullptr;
    TU8Device* U8Device = nullptr;

    void FormShow() override;
    void FinishButtonClick();
    void WayPointTableCalcFields(TTable& table);
    void SendToDevice();
    void SendToWeb();
    // The summary lines of the memo for the current kind and buffers.
    std::vector<std::string> SummaryLines() const;
    // A web download stored at least one course.
    bool DownloadedAny() const;
    // The tag scan of web replies (text between the first opening and the
    // first closing tag).
    static std::string GetTagValue(const std::string& openTag, const std::string& text,
                                   const std::string& closeTag);

    QPushButton* BackButton;
    QPushButton* FinishButton;
    QPushButton* CancelButton;
    QPlainTextEdit* Memo1;
    TTable CourseTable;
    TTable WayPointTable;
    TTable RoundsTable;
    TTable BagTable;
    TTable ClubDetailTable;
    TTable HolesTable;

private:
    void ReleaseDevice();
};

extern TTransWiz4* TransWiz4;

// The upload of the send page's bags or course to the U8 (the device upload).
// Works on a connected-or-not device object it does not own; shows its own
// messages and progress texts. Send returns the modal result the send page is
// left with: 0 stays open (a failure the user may retry), 1 closes.
class TDeviceUpload {
public:
    TDeviceUpload(TU8Device& device, TDatabase& db);

    // kind 0: the first courseCount courses, on the tee of teeIndex (0-5;
    // -1 means tee 1). kind 1: the first bagCount bags.
    int Send(int kind, std::vector<TTransWiz4::CourseHeader>& courses, int courseCount,
             const std::vector<TTransWiz4::TBag>& bags, int bagCount, int teeIndex);

    // The same on a device that CheckDevice has just found.
    int SendConnected(int kind, std::vector<TTransWiz4::CourseHeader>& courses, int courseCount,
                      const std::vector<TTransWiz4::TBag>& bags, int bagCount, int teeIndex);

    // The device's name rule: characters from the start of the text while
    // below the limit; blank and '+'..'z' accepted, each followed by a 0 byte.
    // The field (limit + 1 bytes) is cleared first.
    static void PutName(char* field, const std::string& text, int limit);
    // Degrees as the device's 1e-7 units, rounded half away from zero.
    static int32_t DeviceUnits(double degrees);

private:
    int SendBags(const std::vector<TTransWiz4::TBag>& bags, int count);
    int SendCourses(std::vector<TTransWiz4::CourseHeader>& courses, int count, int teeIndex);
    int Fail(const std::string& text);
    int UpdateHeader(int byteIndex, int value, int byteIndex2 = -1, int value2 = 0);

    TU8Device& device_;
    TDatabase& db_;
};
