#pragma once
// The transfer wizard's buffers: what the course, bag and round pages copy
// from the database for the device upload and the web uploads, with the
// number of used entries; entries beyond it keep what an earlier transfer
// left there. The wizard's state holds them (Wizardstate.h).
#include <array>
#include <string>
#include <vector>

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
constexpr int MaxHolePoints = 10;

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
constexpr int MaxRoundShots = 1000;

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

// The buffers' records and sizes under one name.
struct TTransferRecords {
    using CourseSample = ::CourseSample;
    using CourseHeader = ::CourseHeader;
    using ClubSample = ::ClubSample;
    using TBag = ::TBag;
    using RoundSample = ::RoundSample;
    using RoundHeader = ::RoundHeader;
    static constexpr int MaxHolePoints = ::MaxHolePoints;
    static constexpr int MaxRoundShots = ::MaxRoundShots;
    static constexpr int MaxCourses = 3;
    static constexpr int MaxBags = 2;
    static constexpr int MaxRounds = 10;
};

// The send buffers with their used counts and what they hold.
struct TTransferBuffers : TTransferRecords {
    TTransferBuffers() : Courses(MaxCourses), Bags(MaxBags), Rounds(MaxRounds) {}

    std::vector<CourseHeader> Courses;
    int CourseCount = 0;
    std::vector<TBag> Bags;
    int BagCount = 0;
    std::vector<RoundHeader> Rounds;
    int RoundCount = 0;
    // 0 courses, 1 bags, 2 rounds, 5 courses downloaded from the web service.
    int TransferKind = 0;
};
