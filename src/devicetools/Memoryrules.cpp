#include "devicetools/Memoryrules.h"

#include <QDate>
#include <QLocale>
#include <cstring>

#include "common/Devicetexts.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"

// ---- rules ---------------------------------------------------------------

bool MemoryLists::AnyChecked() const {
    for (const auto* list : {&Courses, &Rounds, &Bags})
        for (const MemoryItem& item : *list)
            if (item.Checked) return true;
    return false;
}

std::vector<MemoryItem> CourseItems(const uint8_t* directory) {
    std::vector<MemoryItem> items;
    for (int s = 0; s < u8::CourseSlots; ++s) {
        CourseEntry entry;
        std::memcpy(&entry, directory + u8::CourseEntrySize * s, sizeof entry);
        if (entry.CourseId == u8::FreeSlot) continue;
        items.push_back({DeviceText(entry.Name, sizeof entry.Name), s, false});
    }
    return items;
}

bool RoundListed(const GameHeader& header) { return header.Year != 255; }

std::string RoundCaption(const GameHeader& header) {
    // A date the device got wrong shows as nothing rather than stopping the list.
    QDate date(2000 + header.Year, header.Month, header.Day);
    std::string when = date.isValid() ? QLocale().toString(date, QLocale::ShortFormat).toStdString() : "";
    return DeviceText(header.CourseName, sizeof header.CourseName) + " " + when + " shots: " +
           std::to_string(header.Score);
}

std::vector<MemoryItem> BagItems(const uint8_t* bags) {
    // The first bag is the device's own and is never offered for removal.
    std::vector<MemoryItem> items;
    BagRecord second;
    std::memcpy(&second, bags + u8::BagRecordSize, sizeof second);
    if (second.BagId != u8::FreeSlot) items.push_back({DeviceText(second.Name, sizeof second.Name), 1, false});
    return items;
}

void EmptyGameHeader(GameHeader& header) {
    uint8_t* p = reinterpret_cast<uint8_t*>(&header);
    std::memset(p, 0xFF, 23);
    std::memset(p + 26, 0xFF, sizeof header - 26);
}

int KeptBag(const std::vector<MemoryItem>& bags) {
    int kept = 1;
    for (const MemoryItem& b : bags)
        if (!b.Checked) kept = b.Index + 1;
    return kept;
}

int KeptCourse(const std::vector<MemoryItem>& courses) {
    int kept = 0;
    for (const MemoryItem& c : courses)
        if (!c.Checked) kept = c.Index;
    return kept;
}

int CourseRowByte(const std::vector<MemoryItem>& courses, int current) {
    bool kept[u8::CourseSlots];
    int count = 0;
    for (int j = 0; j < u8::CourseSlots; ++j) {
        kept[j] = j < int(courses.size()) && !courses[size_t(j)].Checked;
        count += kept[j];
    }
    if (count == 0 || count == u8::CourseSlots) return current;
    int result = 0;
    for (int j = 0; j < u8::CourseSlots; ++j) {
        if (count == 2 && !kept[j]) result = j - 1;
        if (count == 1 && kept[j]) result = j;
    }
    return result == -1 ? 2 : result;
}

// ---- device work ---------------------------------------------------------

TMemoryManager::TMemoryManager(TSerialPort& port, TU8Device& device) : port_(port), device_(device) {
    std::memset(CourseImage, 0xFF, sizeof CourseImage);
    std::memset(GameImage, 0xFF, sizeof GameImage);
    std::memset(BagImage, 0xFF, sizeof BagImage);
}

void TMemoryManager::Progress(const std::string& text) {
    if (OnProgress) OnProgress(text);
}

std::string TMemoryManager::ListDeviceContents(MemoryLists& lists) {
    lists = MemoryLists();
    ListedWhole = false;
    Progress("Receiving course data");
    if (device_.ReadCourseDirectory(CourseImage) != 0) return "Error in receiving course data.";
    lists.Courses = CourseItems(CourseImage);

    Progress("Clearing DB");
    if (lists.Courses.empty()) {
        // No course left: empty the point store and give it its default list.
        port_.CSP_SetResponseTimeout(20000);
        int len = 0;
        port_.iTalkSepi(u8::CmdClearDatabase, 0, nullptr, len, nullptr);
        port_.CSP_SetResponseTimeout(2000);
        device_.CreatePointList("MyPoints", 1, 0);
        device_.ResetU8();
    }

    for (int n = 1; n <= u8::GameAreas; ++n) {
        Progress("Receiving game " + std::to_string(n) + " data");
        uint8_t* image = GameImage + u8::GameHeaderSize * (n - 1);
        if (device_.ReadGameHeader(n, image) != 0) return "Error in receiving game data.";
        GameHeader header;
        std::memcpy(&header, image, sizeof header);
        if (RoundListed(header)) lists.Rounds.push_back({RoundCaption(header), n - 1, false});
    }

    Progress("Receiving bag data");
    if (device_.ReadBags(BagImage) != 0) return "Error in receiving bag data.";
    lists.Bags = BagItems(BagImage);
    ListedWhole = true;
    return "";
}

std::string TMemoryManager::DeleteCourse(int slot, bool& freed) {
    // The directory entry goes first: a course is never listed without its
    // points. Points that a removal cut off leaves in the slot's block go when
    // an upload next writes the slot.
    freed = false;
    Progress("Updating course data");
    uint8_t* image = CourseImage + u8::CourseEntrySize * slot;
    CourseEntry entry;
    std::memcpy(&entry, image, sizeof entry);
    EmptyCourseEntry(entry);
    std::memcpy(image, &entry, sizeof entry);
    if (device_.WriteCourseEntry(image, slot + 1) != 0) return "Error in removing course.";
    freed = true;

    // Only a point the device does not have is passed over.
    Progress("Updating coursepoint data");
    for (int id = u8::FirstCoursePointId(slot); id <= u8::LastCoursePointId(slot); ++id)
        if (!DeletePointIfHeld(device_, uint16_t(id))) return "Error in removing course.";
    return "";
}

std::string TMemoryManager::RemoveItems(const MemoryLists& lists, MemoryLists& removed) {
    for (size_t r = 0; r < lists.Courses.size(); ++r) {
        const MemoryItem& row = lists.Courses[r];
        if (!row.Checked || row.Index < 0 || row.Index >= u8::CourseSlots) continue;
        bool freed = false;
        std::string error = DeleteCourse(row.Index, freed);
        removed.Courses[r].Checked = freed;
        if (!error.empty()) return error;
    }

    for (size_t r = 0; r < lists.Rounds.size(); ++r) {
        const MemoryItem& row = lists.Rounds[r];
        if (!row.Checked || row.Index < 0 || row.Index >= u8::GameAreas) continue;
        uint8_t* image = GameImage + u8::GameHeaderSize * row.Index;
        GameHeader header;
        std::memcpy(&header, image, sizeof header);
        EmptyGameHeader(header);
        std::memcpy(image, &header, sizeof header);
        Progress("Updating game " + std::to_string(r + 1) + " data");
        if (device_.WriteGameHeader(row.Index, image) != 0) return "Error in removing game data.";
        removed.Rounds[r].Checked = true;
    }

    Progress("Updating bag data");
    for (size_t r = 0; r < lists.Bags.size(); ++r) {
        const MemoryItem& row = lists.Bags[r];
        if (!row.Checked || row.Index < 0 || row.Index >= u8::BagSlots) continue;
        uint8_t* image = BagImage + u8::BagRecordSize * row.Index;
        std::memset(image, 0xFF, u8::BagRecordSize);
        if (device_.WriteBag(image, row.Index + 1) != 0) return "Error in removing bag data.";
        removed.Bags[r].Checked = true;
    }
    return "";
}

std::string TMemoryManager::WriteHeader(const MemoryLists& removed) {
    Progress("Receiving settings data");
    uint8_t header[u8::HeaderSize];
    if (device_.ReadHeader(header) != 0) return "Error in receiving settings.";
    header[1] = uint8_t(KeptBag(removed.Bags));
    header[3] = uint8_t(KeptCourse(removed.Courses));
    header[4] = uint8_t(CourseRowByte(removed.Courses, header[4]));

    Progress("Updating settings data");
    if (device_.WriteHeader(header) != 0) return "Error in updating settings.";
    device_.ResetU8();
    return "";
}

std::string TMemoryManager::DeleteItems(const MemoryLists& lists) {
    // The rows as removed so far.
    MemoryLists removed = lists;
    for (auto* list : {&removed.Courses, &removed.Rounds, &removed.Bags})
        for (MemoryItem& row : *list) row.Checked = false;
    std::string error = RemoveItems(lists, removed);
    if (error.empty()) return WriteHeader(lists);
    // The header names no slot freed before the failure; the failure is what is reported.
    if (removed.AnyChecked()) WriteHeader(removed);
    return error;
}
