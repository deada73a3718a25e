#pragma once
// The device imports' plain records and their decisions: which directory
// slot is a course of the database already, which game header gets which
// number, which course a game's round goes on. No device, no table.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "device/U8records.h"

// A course of the database as it was before a run.
struct TKnownCourse {
    int CourseId = 0;
    std::string DeviceName;                // the name the program writes to the device
    std::vector<std::string> FormerNames;  // the ones former uploads wrote
    std::string ListName;                  // Course_Name, the name an import stored
};

// The name the program writes to the device for a course: its U8_Name, or
// its list name when U8_Name is empty, under the device's name rule
// (PutDeviceName, as the upload writes it).
std::string CourseDeviceName(const std::string& u8Name, const std::string& listName);

// A course of the database with the names the device may hold for it: the
// device name, and those former uploads wrote from the same text: in plain
// forms without compatibility forms; in base letters, ended at the first
// letter without one ("Ondver" for "Öndverðarnes"); in the text's bytes,
// ended at the first one the device does not take ("Br" for "Brännaslätt").
TKnownCourse KnownCourse(int courseId, const std::string& u8Name, const std::string& listName);

// A directory slot's name as the device holds it.
std::string SlotName(const CourseEntry& entry);
std::string HeaderCourseName(const GameHeader& header);

// True when a hole the course counts (9, or 18 when it has more than 9) has par 0.
bool HasHoleWithoutPar(const CourseEntry& entry);

// What a run does with one directory slot.
enum class TSlotAction { New, Merge, Refused };
struct TSlotDecision {
    TSlotAction Action = TSlotAction::New;
    int CourseId = 0;  // Merge: the course of the database
};

// A slot was imported before only when its number named a course of the
// database before the run and its name is a name of that course (an empty
// name only when the course's device name is empty too); every other slot
// is new (a duplicate loses nothing, a wrong merge does).
TSlotDecision DecideSlot(const CourseEntry& entry, const std::vector<TKnownCourse>& before);

// The slots of a directory that name a course of the database before the
// run by number and name: slot -> CourseId.
std::map<int, int> KnownSlots(const CourseEntry* directory, const std::vector<TKnownCourse>& before);

// The directory slot a game header refers to: the one slot of its number and
// course name (first 7 characters); else, when no slot has its name, the one
// slot of its number; else the one slot of its name (a header a former run
// could not renumber). -1: none, or no single slot.
int HeaderSlot(const GameHeader& header, const CourseEntry* directory);

// A game header to be rewritten with the course number of its slot.
struct THeaderRenumber {
    int Area = 0;  // counted from 0
    int Slot = 0;
    uint16_t CourseId = 0;
};
// From the headers as read (each once, by its original number) and the
// courses the run stored or merged, slot -> CourseId. Headers not read are
// left alone.
std::vector<THeaderRenumber> RenumberHeaders(const GameHeader* headers, const bool* read,
                                             const CourseEntry* directory,
                                             const std::map<int, int>& slotCourses);

// The CourseId a game's round is stored with: the course of its slot in
// this run, or a course of the database before the run that the header
// names by number and name; 0 (no course) otherwise. directory may be null
// when it could not be read.
int GameCourse(const GameHeader& header, const CourseEntry* directory,
               const std::map<int, int>& slotCourses, const std::vector<TKnownCourse>& before);

// The id a game's row is stored with: a bag or club number from the device
// when it is one of ids (the player's bags, the database's clubs), else 0
// (none): a number that names no row would name the next row numbered so.
int KnownId(int id, const std::vector<int>& ids);

// A device course point as read.
struct TDevicePointRead {
    int Id = 0;
    std::string Name;
    int32_t Latitude = 0, Longitude = 0;  // 1e-7 degree
};
