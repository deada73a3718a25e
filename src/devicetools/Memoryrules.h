#pragma once
// The memory manager's rules and device work: what the lists show of the
// device's records and the removal of the checked ones.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/U8records.h"

class TSerialPort;
class TU8Device;

// One row of a list: its caption, the record it stands for (course slot 0-2,
// game area 0-3 or bag index 0-1) and its check box.
struct MemoryItem {
    std::string Caption;
    int Index = 0;
    bool Checked = false;
};

struct MemoryLists {
    std::vector<MemoryItem> Courses;
    std::vector<MemoryItem> Rounds;
    std::vector<MemoryItem> Bags;
    bool AnyChecked() const;
};

// What the lists show of the device's records.
std::vector<MemoryItem> CourseItems(const uint8_t* directory);  // 477 bytes
bool RoundListed(const GameHeader& header);
// Course name, the start date in the user's short format, " shots: " and the score.
std::string RoundCaption(const GameHeader& header);
std::vector<MemoryItem> BagItems(const uint8_t* bags);          // 588 bytes

// The free pattern written over a removed round (a course's is
// EmptyCourseEntry of the device records).
void EmptyGameHeader(GameHeader& header);   // bytes 23-25 stay

// Header bytes after a removal: the kept bag (1 when none), the kept course
// slot (0 when none) and byte 4 from the course rows, as the device expects.
int KeptBag(const std::vector<MemoryItem>& bags);
int KeptCourse(const std::vector<MemoryItem>& courses);
int CourseRowByte(const std::vector<MemoryItem>& courses, int current);

class TMemoryManager {
public:
    TMemoryManager(TSerialPort& port, TU8Device& device);

    // Receives every step's message.
    std::function<void(const std::string&)> OnProgress;

    // Reads the course directory, the game headers and the bags into the
    // images and the lists; it writes nothing to the device, except that on a
    // device with no course it clears the point store. Returns "" or the
    // error text for the user.
    std::string ListDeviceContents(MemoryLists& lists);
    // Whether the last listing read all three lists.
    bool ListedWhole = false;
    // Removes the checked items of lists (as listed last), then updates the
    // header and resets the device. A step that fails ends the removal; the
    // header is then written for what was removed before it. Returns "" or
    // the error text.
    std::string DeleteItems(const MemoryLists& lists);

    uint8_t CourseImage[u8::CourseDirSize];
    uint8_t GameImage[u8::GameAreas * u8::GameHeaderSize];
    uint8_t BagImage[u8::BagsSize];

private:
    void Progress(const std::string& text);
    // freed: set once the directory entry is written.
    std::string DeleteCourse(int slot, bool& freed);
    std::string RemoveItems(const MemoryLists& lists, MemoryLists& removed);
    std::string WriteHeader(const MemoryLists& removed);
    TSerialPort& port_;
    TU8Device& device_;
};
