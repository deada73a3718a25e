// The device imports' decisions on plain records: which slot is new and
// which merges, which game header gets which number, which course a round
// goes on.
#include <gtest/gtest.h>

#include <cstring>

#include "transfer/Deviceimport.h"

namespace {

CourseEntry Entry(uint16_t number, const char* name, int holes = 9) {
    CourseEntry e;
    std::memset(&e, 0xFF, sizeof e);
    e.CourseId = number;
    std::memset(e.Name, 0, sizeof e.Name);
    std::memcpy(e.Name, name, std::min(std::strlen(name), sizeof e.Name));
    e.Holes = uint8_t(holes);
    for (int h = 0; h < 18; ++h) e.Hole[h].Par = 4;
    return e;
}

CourseEntry FreeEntry() {
    CourseEntry e;
    std::memset(&e, 0xFF, sizeof e);
    return e;
}

GameHeader Game(uint16_t number, const char* name) {
    GameHeader h{};
    h.CourseId = number;
    h.Year = 24;
    std::memcpy(h.CourseName, name, std::min(std::strlen(name), sizeof h.CourseName));
    return h;
}

TKnownCourse Known(int id, const std::string& u8Name, const std::string& listName) {
    return KnownCourse(id, u8Name, listName);
}

TEST(SlotDecision, ImportedBeforeOnlyByNumberAndName) {
    const std::vector<TKnownCourse> before = {Known(1, "", "Links A"), Known(5, "SECOND", "Second Course"),
                                              Known(7, "", "Elm Park & Co"), Known(9, "CAFE", "Caf\xC3\xA9"),
                                              Known(11, "", "Östra Ängen GK"), Known(13, "", "Brännaslätt"),
                                              Known(15, "", "Москва Гольф")};
    // The number names no course: new.
    EXPECT_EQ(DecideSlot(Entry(6, "SECOND"), before).Action, TSlotAction::New);
    // Number and U8_Name: merge.
    const TSlotDecision merge = DecideSlot(Entry(5, "SECOND"), before);
    EXPECT_EQ(merge.Action, TSlotAction::Merge);
    EXPECT_EQ(merge.CourseId, 5);
    // The number of a course of another name (another database, or a
    // number this run gives): new.
    EXPECT_EQ(DecideSlot(Entry(5, "TESTGC"), before).Action, TSlotAction::New);
    EXPECT_EQ(DecideSlot(Entry(1, "HOMECRS"), before).Action, TSlotAction::New);
    // Without U8_Name the list name under the device's name rule: nine
    // characters in compatibility and plain forms, ended by the first
    // character the device does not take.
    EXPECT_EQ(CourseDeviceName("", "Elm Park & Co"), "Elm Park ");
    for (const auto& [text, shown] : std::map<std::string, std::string>{
             {"Ærø Łódź", "AEro Lodz"}, {"Weißenhof GC", "Weissenho"}, {"ŒĐÐÞ", "OEDDTH"}, {"œđðþ", "oeddth"},
             {"Golﬁeld", "Golfield"}, {"Ｐark ıǄ", "Park iDZ"}})
        EXPECT_EQ(CourseDeviceName("", text), shown) << text;  // letters without marks in plain form
    EXPECT_EQ(DecideSlot(Entry(7, "Elm Park "), before).Action, TSlotAction::Merge);
    EXPECT_EQ(DecideSlot(Entry(1, "Links A"), before).Action, TSlotAction::Merge);
    EXPECT_EQ(DecideSlot(Entry(11, "Ostra Ang"), before).Action, TSlotAction::Merge);  // marks dropped
    // Former uploads ended a name at its first byte the device does not take.
    EXPECT_EQ(DecideSlot(Entry(13, "Br"), before).Action, TSlotAction::Merge);
    EXPECT_EQ(DecideSlot(Entry(11, ""), before).Action, TSlotAction::Merge);
    // Or in base letters, ended at the first letter without one (the last
    // row: plain forms without compatibility forms); the rounds follow the
    // same decision.
    int id = 20;
    for (const auto& [text, slot] : std::map<std::string, std::string>{
             {"Öndverðarnes", "Ondver"}, {"Bad Süßen", "Bad Su"}, {"Ålborg Øst", "Alborg "},
             {"Hlíðavöllur", "Hli"}, {"Józefosław", "Jozefos"}, {"Æøﬁ Kåı", "AEo"}}) {
        const std::vector<TKnownCourse> one = {Known(++id, "", text)};
        EXPECT_EQ(DecideSlot(Entry(uint16_t(id), slot.c_str()), one).Action, TSlotAction::Merge) << text;
        EXPECT_EQ(GameCourse(Game(uint16_t(id), slot.c_str()), nullptr, {}, one), id) << text;
    }
    // A name the device shows empty is the course of its number whose name it shows empty too.
    EXPECT_EQ(DecideSlot(Entry(15, ""), before).Action, TSlotAction::Merge);
    EXPECT_EQ(GameCourse(Game(15, ""), nullptr, {}, before), 15);
    EXPECT_EQ(DecideSlot(Entry(5, ""), before).Action, TSlotAction::New);
    // The name an import stored (longer than U8_Name holds) counts too.
    EXPECT_EQ(DecideSlot(Entry(9, "Caf\xE9"), before).Action, TSlotAction::Merge);
    // A hole without par refuses the slot before anything else.
    CourseEntry nopar = Entry(5, "SECOND");
    nopar.Hole[8].Par = 0;
    EXPECT_EQ(DecideSlot(nopar, before).Action, TSlotAction::Refused);
    nopar.Hole[8].Par = 4;
    nopar.Hole[12].Par = 0;  // a hole a nine-hole course does not count
    EXPECT_EQ(DecideSlot(nopar, before).Action, TSlotAction::Merge);
    nopar.Holes = 18;
    EXPECT_EQ(DecideSlot(nopar, before).Action, TSlotAction::Refused);
}

TEST(HeaderNumbers, OneMapBuiltBeforeAnyHeaderIsWritten) {
    // The directory of a device used with another database; this run stores
    // HOMECRS as 4, SECOND as 5 and TESTGC as 6.
    const CourseEntry dir[3] = {Entry(7, "HOMECRS"), Entry(6, "SECOND"), Entry(5, "TESTGC")};
    const std::map<int, int> stored = {{0, 4}, {1, 5}, {2, 6}};
    const GameHeader games[4] = {Game(5, "TESTGC"), Game(6, "SECOND"), Game(7, "HOMECRS"), Game(0xFFFF, "")};
    const bool read[4] = {true, true, false, true};
    const std::vector<THeaderRenumber> r = RenumberHeaders(games, read, dir, stored);
    // Each header once, by its original number; the unread one not at all.
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].Area, 0);
    EXPECT_EQ(r[0].Slot, 2);
    EXPECT_EQ(r[0].CourseId, 6);
    EXPECT_EQ(r[1].Area, 1);
    EXPECT_EQ(r[1].CourseId, 5);
    // A header that has its course's number already is not written.
    const GameHeader done[4] = {Game(6, "TESTGC"), Game(5, "SECOND"), Game(4, "HOMECRS"), Game(0xFFFF, "")};
    const CourseEntry after[3] = {Entry(4, "HOMECRS"), Entry(5, "SECOND"), Entry(6, "TESTGC")};
    const bool all[4] = {true, true, true, true};
    EXPECT_TRUE(RenumberHeaders(done, all, after, {{0, 4}, {1, 5}, {2, 6}}).empty());
}

TEST(HeaderNumbers, WhichSlotAHeaderBelongsTo) {
    // Two slots that share one number (left by a former run): the name decides.
    const CourseEntry twins[3] = {Entry(4, "HOMECRS"), Entry(5, "SECOND"), Entry(5, "TESTGC")};
    EXPECT_EQ(HeaderSlot(Game(5, "TESTGC"), twins), 2);
    EXPECT_EQ(HeaderSlot(Game(5, "SECOND"), twins), 1);
    EXPECT_EQ(HeaderSlot(Game(5, "OTHER"), twins), -1);
    // A header whose renumbering was lost: its old number is now another
    // slot's, its name is its own slot's.
    const CourseEntry renumbered[3] = {Entry(4, "HOMECRS"), Entry(5, "SECOND"), Entry(6, "TESTGC")};
    EXPECT_EQ(HeaderSlot(Game(5, "TESTGC"), renumbered), 2);
    // The number alone when no slot has the name; none for no course.
    const CourseEntry one[3] = {Entry(101, "Oak Hill"), FreeEntry(), FreeEntry()};
    EXPECT_EQ(HeaderSlot(Game(101, "Oak"), one), 0);
    EXPECT_EQ(HeaderSlot(Game(0xFFFF, "Oak Hill"), one), -1);
    EXPECT_EQ(HeaderSlot(Game(102, "Pine Vly"), one), -1);
    // Seven characters are the game's name of its course.
    EXPECT_EQ(HeaderSlot(Game(99, "Oak HilX"), one), 0);
    EXPECT_EQ(HeaderSlot(Game(5, "TESTGC"), nullptr), -1);
}

TEST(GameCourses, ARoundNeverGetsANumberThatNamesNoCourse) {
    const std::vector<TKnownCourse> before = {Known(3, "TESTGC", "Test GC"), Known(5, "", "Links B")};
    const CourseEntry dir[3] = {Entry(7, "HOMECRS"), Entry(6, "SECOND"), Entry(5, "TESTGC")};
    // The run's own map first.
    EXPECT_EQ(GameCourse(Game(5, "TESTGC"), dir, {{2, 6}}, before), 6);
    // A slot this run did not store: no course, though 5 is a course here.
    EXPECT_EQ(GameCourse(Game(5, "TESTGC"), dir, {{0, 4}}, before), 0);
    // Without a slot: a course of the database by number and name only.
    EXPECT_EQ(GameCourse(Game(3, "TESTGC"), nullptr, {}, before), 3);
    EXPECT_EQ(GameCourse(Game(5, "TESTGC"), nullptr, {}, before), 0);
    EXPECT_EQ(GameCourse(Game(102, "Pine Vly"), nullptr, {}, before), 0);
    EXPECT_EQ(GameCourse(Game(0xFFFF, ""), dir, {}, before), 0);
    // The slots the database knows by number and name.
    const CourseEntry known[3] = {Entry(3, "TESTGC"), Entry(5, "Links B"), Entry(5, "Other")};
    EXPECT_EQ(KnownSlots(known, before), (std::map<int, int>{{0, 3}, {1, 5}}));
}

}  // namespace
