#include "transfer/Deviceimport.h"

#include <algorithm>

#include "common/Devicetexts.h"

namespace {

const TKnownCourse* Known(int courseId, const std::vector<TKnownCourse>& before) {
    for (const TKnownCourse& c : before)
        if (c.CourseId == courseId) return &c;
    return nullptr;
}

// An empty name is a course's when the device shows the course so: the
// number alone then tells it.
bool NameOf(const std::string& name, const TKnownCourse& course) {
    return name == course.DeviceName || (!name.empty() && name == course.ListName) ||
           std::find(course.FormerNames.begin(), course.FormerNames.end(), name) != course.FormerNames.end();
}

bool Free(const CourseEntry& e) { return e.CourseId == u8::FreeSlot; }

std::string NameUnder(const std::string& text, TDeviceNameRule rule) {
    char field[10];
    PutDeviceName(field, text, 9, rule);
    return DeviceText(field, sizeof field);
}

}  // namespace

std::string CourseDeviceName(const std::string& u8Name, const std::string& listName) {
    return NameUnder(u8Name.empty() ? listName : u8Name, TDeviceNameRule::CompatibilityForms);
}

TKnownCourse KnownCourse(int courseId, const std::string& u8Name, const std::string& listName) {
    const std::string& text = u8Name.empty() ? listName : u8Name;
    char former[10] = {};
    for (size_t i = 0; i < text.size() && i < 9; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ' || (c >= '+' && c <= 'z')) {
            former[i] = char(c);
            former[i + 1] = 0;
        }
    }
    return {courseId, CourseDeviceName(u8Name, listName),
            {NameUnder(text, TDeviceNameRule::PlainForms), NameUnder(text, TDeviceNameRule::BaseLetters),
             DeviceText(former, sizeof former)},
            listName};
}

std::string SlotName(const CourseEntry& entry) { return DeviceText(entry.Name, sizeof entry.Name); }

std::string HeaderCourseName(const GameHeader& header) {
    return DeviceText(header.CourseName, sizeof header.CourseName);
}

bool HasHoleWithoutPar(const CourseEntry& entry) {
    const int holes = entry.Holes <= 9 ? 9 : 18;
    for (int h = 0; h < holes; ++h)
        if (entry.Hole[h].Par == 0) return true;
    return false;
}

TSlotDecision DecideSlot(const CourseEntry& entry, const std::vector<TKnownCourse>& before) {
    if (HasHoleWithoutPar(entry)) return {TSlotAction::Refused, 0};
    const TKnownCourse* course = Known(entry.CourseId, before);
    if (course && NameOf(SlotName(entry), *course)) return {TSlotAction::Merge, course->CourseId};
    return {TSlotAction::New, 0};
}

std::map<int, int> KnownSlots(const CourseEntry* directory, const std::vector<TKnownCourse>& before) {
    std::map<int, int> known;
    for (int s = 0; s < u8::CourseSlots; ++s) {
        if (Free(directory[s])) continue;
        const TKnownCourse* course = Known(directory[s].CourseId, before);
        if (course && NameOf(SlotName(directory[s]), *course)) known[s] = course->CourseId;
    }
    return known;
}

int HeaderSlot(const GameHeader& header, const CourseEntry* directory) {
    if (!directory || header.CourseId == u8::FreeSlot) return -1;
    // A game names its course's first 7 characters as the round import compares them.
    const std::string name = HeaderCourseName(header).substr(0, 7);
    const auto named = [&name](const CourseEntry& e) { return !name.empty() && SlotName(e).substr(0, 7) == name; };
    std::vector<int> both, byNumber, byName;
    for (int s = 0; s < u8::CourseSlots; ++s) {
        if (Free(directory[s])) continue;
        const bool number = directory[s].CourseId == header.CourseId;
        if (number && named(directory[s])) both.push_back(s);
        if (number) byNumber.push_back(s);
        if (named(directory[s])) byName.push_back(s);
    }
    if (both.size() == 1) return both[0];
    if (!both.empty()) return -1;
    // The number alone when no slot has the name; the name alone (a number
    // a former run could not renumber) when no slot has the number.
    if (byName.empty()) return byNumber.size() == 1 ? byNumber[0] : -1;
    return byName.size() == 1 ? byName[0] : -1;
}

std::vector<THeaderRenumber> RenumberHeaders(const GameHeader* headers, const bool* read,
                                             const CourseEntry* directory,
                                             const std::map<int, int>& slotCourses) {
    std::vector<THeaderRenumber> out;
    for (int n = 0; n < u8::GameAreas; ++n) {
        if (!read[n] || headers[n].Year == 0xFF) continue;
        const int slot = HeaderSlot(headers[n], directory);
        const auto course = slotCourses.find(slot);
        if (course == slotCourses.end() || course->second == headers[n].CourseId) continue;
        out.push_back({n, slot, uint16_t(course->second)});
    }
    return out;
}

int GameCourse(const GameHeader& header, const CourseEntry* directory,
               const std::map<int, int>& slotCourses, const std::vector<TKnownCourse>& before) {
    const int slot = HeaderSlot(header, directory);
    if (slot >= 0) {
        const auto course = slotCourses.find(slot);
        return course == slotCourses.end() ? 0 : course->second;
    }
    const TKnownCourse* course = Known(header.CourseId, before);
    return course && NameOf(HeaderCourseName(header), *course) ? course->CourseId : 0;
}

int KnownId(int id, const std::vector<int>& ids) {
    return std::find(ids.begin(), ids.end(), id) != ids.end() ? id : 0;
}
