#pragma once
#include <string>

#include "common/Frame.h"

class QTreeWidgetItem;
class QListWidgetItem;

// One bag of the player shown in the player editor.
class MBag {
public:
    MBag() = default;

    void SetName(const std::string& name) { BagName = name; }
    std::string GetName() const { return BagName; }
    void SetBagId(int id) { BagId = id; }
    int GetBagId() const { return BagId; }
    void AddClub() { ++NumberOfClubs; }
    int GetClubCount() const { return NumberOfClubs; }

    std::string BagName;
    int NumberOfClubs = 0;
    int BagId = 0;
    int BagPosition = 0;
    QTreeWidgetItem* Node = nullptr;
    unsigned char Changed = 0;
    unsigned char Removed = 0;
    unsigned char IsNew = 1;
};

// One club of the player shown in the player editor.
class MClub {
public:
    MClub() = default;

    void SetName(const std::string& name) { ClubName = name; }
    std::string GetName() const { return ClubName; }
    void SetType(int type) { Type = type; }
    int GetType() const { return Type; }
    void SetIndex(int index) { Index = index; }
    int GetIndex() const { return Index; }
    void SetClubId(int id) { ClubId = id; }
    int GetClubId() const { return ClubId; }
    void SetBagRef(int bagId) { BagRef = bagId; }
    int GetBagRef() const { return BagRef; }
    void SetOrderNumber(int order) { OrderNumber = order; }
    int GetOrderNumber() const { return OrderNumber; }
    void SetShots(int shots) { Shots = shots; }
    int GetShots() const { return Shots; }
    void SetShotsLength(double length) { ShotsLength = length; }
    double GetShotsLength() const { return ShotsLength; }
    void SetLongestShot(double length) { LongestShot = length; }
    double GetLongestShot() const { return LongestShot; }
    void SetShotsWithLength(int shots) { ShotsWithLength = shots; }
    int GetShotsWithLength() const { return ShotsWithLength; }

    std::string ClubName;
    int Type = 0;  // 0 wood, 1 iron, 2 wedge, 9 putter
    int Index = 0;
    int ClubId = 0;
    int BagRef = 0;
    int OrderNumber = 0;
    int Shots = 0;
    double ShotsLength = 0.0;
    double LongestShot = 0.0;
    int ShotsWithLength = 0;
    QListWidgetItem* ListItem = nullptr;
    unsigned char IsNew = 0;
    unsigned char Removed = 0;
    unsigned char Changed = 0;
    unsigned char Deleted = 0;
};

// Capacity of the main window's club and bag lists.
