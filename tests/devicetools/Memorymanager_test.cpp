#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <cstring>

#include "device/U8records.h"
#include "devicetools/Memorymanager.h"
#include "devicetools/Devicetoolsfixture.h"
#include "common/Helpwindow.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kCourseDir = 9000, kCourse = 159, kBags = 9477, kBag = 294, kGames = 10065, kGame = 5355;
constexpr int kHeader = 8192;

Bytes Text(const std::string& s, size_t field) {
    Bytes b(field, 0);
    std::copy_n(s.begin(), std::min(s.size(), field), b.begin());
    return b;
}

MemoryItem Row(int index, bool checked) { return {"", index, checked}; }

std::vector<std::string> Captions(QListWidget* view) {
    std::vector<std::string> out;
    for (int i = 0; i < view->count(); ++i) out.push_back(view->item(i)->text().toStdString());
    return out;
}

bool Check(QListWidget* view, const std::string& caption) {
    for (int i = 0; i < view->count(); ++i)
        if (view->item(i)->text().toStdString().rfind(caption, 0) == 0) {
            view->item(i)->setCheckState(Qt::Checked);
            return true;
        }
    return false;
}

class MemoryManagerTest : public DeviceToolsTest {
protected:
    void SetUp() override {
        DeviceToolsTest::SetUp();
        if (HasFatalFailure()) return;
        auto& d = sim.Device();
        const char* names[3] = {"Oak Hill", "Pine Vly", "Sea Links"};
        for (int s = 0; s < 3; ++s) d.Write(kCourseDir + kCourse * s + 2, Text(names[s], 11));
        d.Write(kBags + kBag + 6, Text("Travel", 8));
        SetGame(0, "Oak Hill", 24, 5, 17, 88);
        SetGame(1, "Pine Vly", 24, 6, 2, 40);
        d.Fill(kGames + kGame * 2, 30, 0xFF);
        d.Fill(kGames + kGame * 3, 30, 0xFF);
    }
    void SetGame(int area, const std::string& name, int year, int month, int day, int score) {
        auto& d = sim.Device();
        int at = kGames + kGame * area;
        d.Write(at + 1, {uint8_t(score)});
        d.Write(at + 10, {uint8_t(year), uint8_t(month), uint8_t(day)});
        d.Write(at + 15, Text(name, 11));
    }
    TMemoryManagerForm* Open() {
        watch.Clear();
        new TMemoryManagerForm(nullptr);
        // Once it shows; it closes instead when no device answers.
        WaitFor([this] { Settle(); auto* f = Child<TMemoryManagerForm>(); return !f || f->isVisible(); }, 30000);
        return Child<TMemoryManagerForm>();
    }
    ProgressWatch watch;
};

} // namespace

// ---- rules ---------------------------------------------------------------

TEST(MemoryRules, HeaderBytesFollowTheKeptRows) {
    // Byte 4: unchanged with all or none of three rows kept.
    EXPECT_EQ(CourseRowByte({Row(0, false), Row(1, false), Row(2, false)}, 7), 7);
    EXPECT_EQ(CourseRowByte({Row(0, true), Row(1, true), Row(2, true)}, 7), 7);
    EXPECT_EQ(CourseRowByte({}, 5), 5);
    // Two kept: the row before the last one not kept; -1 becomes 2.
    EXPECT_EQ(CourseRowByte({Row(0, false), Row(1, false), Row(2, true)}, 9), 1);
    EXPECT_EQ(CourseRowByte({Row(0, false), Row(1, true), Row(2, false)}, 9), 0);
    EXPECT_EQ(CourseRowByte({Row(0, true), Row(1, false), Row(2, false)}, 9), 2);
    EXPECT_EQ(CourseRowByte({Row(0, false), Row(2, false)}, 9), 1);  // the missing third row is not kept
    // One kept: that row's number.
    EXPECT_EQ(CourseRowByte({Row(0, true), Row(1, false), Row(2, true)}, 9), 1);
    EXPECT_EQ(CourseRowByte({Row(2, false)}, 9), 0);

    EXPECT_EQ(KeptBag({}), 1);
    EXPECT_EQ(KeptBag({Row(1, true)}), 1);
    EXPECT_EQ(KeptBag({Row(1, false)}), 2);
    EXPECT_EQ(KeptCourse({Row(2, true)}), 0);
    EXPECT_EQ(KeptCourse({Row(0, false), Row(2, false), Row(1, true)}), 2);
}

TEST(MemoryRules, EmptyPatternsKeepTheirUntouchedBytes) {
    CourseEntry entry;
    std::memset(&entry, 0x11, sizeof entry);
    EmptyCourseEntry(entry);
    const uint8_t* e = reinterpret_cast<const uint8_t*>(&entry);
    for (int i = 0; i < int(sizeof entry); ++i)
        EXPECT_EQ(e[i], i >= 10 && i <= 12 ? 0x11 : 0xFF) << "byte " << i;

    GameHeader header;
    std::memset(&header, 0x22, sizeof header);
    EmptyGameHeader(header);
    const uint8_t* h = reinterpret_cast<const uint8_t*>(&header);
    for (int i = 0; i < int(sizeof header); ++i)
        EXPECT_EQ(h[i], i >= 23 && i <= 25 ? 0x22 : 0xFF) << "byte " << i;
}

TEST(MemoryRules, ListedRecordsAndTheirCaptions) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    uint8_t dir[u8::CourseDirSize];
    std::memset(dir, 0xFF, sizeof dir);
    // Slot 1 free, slot 2 with a name that fills its field without an end.
    dir[0] = 5, dir[1] = 0;
    std::memcpy(dir + 2, "Oak\0Hill", 8);
    dir[2 * 159] = 0, dir[2 * 159 + 1] = 0;
    std::memcpy(dir + 2 * 159 + 2, "ABCDEFGHIJKLMN", 14);
    auto courses = CourseItems(dir);
    ASSERT_EQ(courses.size(), 2u);
    EXPECT_EQ(courses[0].Caption, "Oak");
    EXPECT_EQ(courses[0].Index, 0);
    EXPECT_EQ(courses[1].Caption, "ABCDEFGHIJK");
    EXPECT_EQ(courses[1].Index, 2);

    GameHeader g;
    std::memset(&g, 0xFF, sizeof g);
    EXPECT_FALSE(RoundListed(g));
    g.Year = 7, g.Month = 12, g.Day = 31, g.Score = 101;
    std::memcpy(g.CourseName, "Links", 6);
    EXPECT_TRUE(RoundListed(g));
    EXPECT_EQ(RoundCaption(g), "Links 31/12/2007 shots: 101");
    g.Month = 13;  // no such date: listed without one
    EXPECT_EQ(RoundCaption(g), "Links  shots: 101");

    uint8_t bags[u8::BagsSize];
    std::memset(bags, 0xFF, sizeof bags);
    bags[0] = 1, bags[1] = 0;  // the first bag is never offered
    EXPECT_TRUE(BagItems(bags).empty());
    bags[294] = 7, bags[295] = 0;
    std::memcpy(bags + 294 + 6, "Travel", 7);
    auto listed = BagItems(bags);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].Caption, "Travel");
    EXPECT_EQ(listed[0].Index, 1);
    QLocale::setDefault(QLocale::c());
}

// ---- window --------------------------------------------------------------

TEST_F(MemoryManagerTest, ListsWhatTheDeviceHolds) {
    SetGame(3, "Eleven Char", 7, 12, 31, 101);  // a name without its end byte
    TMemoryManagerForm* form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), "U8 Memory Manager");
    EXPECT_EQ(GetHelpContext(form), 8);
    EXPECT_TRUE(form->Delete->isDefault());
    EXPECT_EQ(form->Cancel->text(), "Close");
    EXPECT_EQ(form->DeleteAll->text(), "Check all");
    EXPECT_EQ(Captions(form->CoursesListView), (std::vector<std::string>{"Oak Hill", "Pine Vly", "Sea Links"}));
    EXPECT_EQ(Captions(form->RoundsListView),
              (std::vector<std::string>{"Oak Hill 17/05/2024 shots: 88", "Pine Vly 02/06/2024 shots: 40",
                                        "Eleven Char 31/12/2007 shots: 101"}));
    EXPECT_EQ(Captions(form->BagsListView), (std::vector<std::string>{"Travel"}));
    for (QListWidget* view : {form->CoursesListView, form->RoundsListView, form->BagsListView})
        for (int i = 0; i < view->count(); ++i) EXPECT_EQ(view->item(i)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(log.Empty()) << log.Texts()[0];
    EXPECT_TRUE(form->PortOpen());
    // A device with courses keeps its point store.
    for (const auto& r : sim.Device().Requests()) EXPECT_NE(r.command, u8::CmdClearDatabase);

    for (const char* step : {"Connecting...", "U8 found", "Receiving course data", "Clearing DB",
                             "Receiving game 1 data", "Receiving game 4 data", "Receiving bag data"})
        EXPECT_TRUE(watch.Saw(step)) << step;
    EXPECT_FALSE(ProgressForm->isVisible());

    form->DeleteAllClick();
    for (QListWidget* view : {form->CoursesListView, form->RoundsListView, form->BagsListView})
        for (int i = 0; i < view->count(); ++i) EXPECT_EQ(view->item(i)->checkState(), Qt::Checked);

    form->Cancel->click();
    Settle();
    EXPECT_EQ(Child<TMemoryManagerForm>(), nullptr);
}

TEST_F(MemoryManagerTest, NothingCheckedTouchesNothing) {
    TMemoryManagerForm* form = Open();
    ASSERT_NE(form, nullptr);
    sim.Device().ClearLogs();
    form->Delete->click();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "No items selected!");
    EXPECT_EQ(log.Messages()[0].caption, "Error!");
    EXPECT_EQ(log.Messages()[0].icon, MB_ICONERROR);
    EXPECT_TRUE(sim.Device().Requests().empty());

    // The Help button opens the window's own topic.
    form->Help->click();
    THelpWindow* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* h = dynamic_cast<THelpWindow*>(w)) help = h;
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->CurrentTopic(), "/memory.html");
}

TEST_F(MemoryManagerTest, DeviceGoneBeforeTheQuestionChangesNothing) {
    TMemoryManagerForm* form = Open();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(Check(form->BagsListView, "Travel"));
    SetConnectTimeout(300);
    sim.Device().AddFault(Silence(-1, -1, 0, -1));
    form->Delete->click();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text.rfind("Cannot connect to U8!", 0), 0u);
    EXPECT_EQ(log.Messages()[0].caption, "Error!");
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(Child<TMemoryManagerForm>(), form);
}

TEST_F(MemoryManagerTest, DeletingSlotTwoRemovesItsEntryThenItsPoints) {
    auto& d = sim.Device();
    d.PutPoint(324, "KEEP LOW", 1, 1);
    d.PutPoint(487, "KEEP HIGH", 1, 1);
    d.PutPoint(486, "LAST", 1, 1);
    const Bytes entryBefore = Memory(kCourseDir + 2 * kCourse, kCourse);
    const Bytes headerBefore = Memory(kHeader, 12);
    TMemoryManagerForm* form = Open();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(Check(form->CoursesListView, "Sea Links"));
    d.ClearLogs();
    const int resets = d.Resets();
    watch.Clear();
    log.QueueAnswer(IDYES);
    form->Delete->click();
    Settle();

    // One question, and not one box per missing point.
    ASSERT_EQ(log.Messages().size(), 1u) << log.Texts().back();
    EXPECT_EQ(log.Messages()[0].text,
              "Are you sure you want to\ndelete selected items from U8?\nYou can't undo changes.");
    EXPECT_EQ(log.Messages()[0].caption, "Remove data from U8");
    EXPECT_EQ(log.Messages()[0].buttons, MB_YESNO);

    // Course entry 3 first, then points 325 to 486 in order.
    std::vector<int> deleted;
    size_t firstDelete = 0, lastEntryWrite = 0;
    const auto requests = d.Requests();
    for (size_t i = 0; i < requests.size(); ++i) {
        const auto& r = requests[i];
        if (r.command == u8::CmdDeletePoint) {
            ASSERT_EQ(r.data.size(), 2u);
            deleted.push_back(r.data[0] << 8 | r.data[1]);
            if (!firstDelete) firstDelete = i;
        }
        if (r.command == 0xF3 && r.data.size() > 6 && r.data[0] == 6) {
            int address = r.data[3] << 8 | r.data[4];
            if (address >= kCourseDir + 2 * kCourse && address < kCourseDir + 3 * kCourse) lastEntryWrite = i;
        }
    }
    ASSERT_EQ(deleted.size(), 162u);
    EXPECT_EQ(deleted.front(), 325);
    EXPECT_EQ(deleted.back(), 486);
    for (size_t i = 1; i < deleted.size(); ++i) EXPECT_EQ(deleted[i], deleted[i - 1] + 1);
    EXPECT_GT(firstDelete, lastEntryWrite);
    EXPECT_TRUE(d.HasPoint(324));
    EXPECT_TRUE(d.HasPoint(487));
    EXPECT_FALSE(d.HasPoint(486));
    EXPECT_TRUE(d.HasPoint(1));  // slot 0's first point
    for (uint16_t id : d.PointIds()) EXPECT_TRUE(id < 325 || id > 486) << id;

    const Bytes entry = Memory(kCourseDir + 2 * kCourse, kCourse);
    for (int i = 0; i < kCourse; ++i)
        EXPECT_EQ(entry[i], i >= 10 && i <= 12 ? entryBefore[i] : 0xFF) << "entry byte " << i;
    const Bytes header = Memory(kHeader, 12);
    EXPECT_EQ(header[1], 2);  // the second bag was kept
    EXPECT_EQ(header[3], 1);  // the last kept course slot
    EXPECT_EQ(header[4], 1);  // rows 0 and 1 kept, row 2 removed
    for (int i : {0, 2, 5, 6, 7, 8, 9, 10, 11}) EXPECT_EQ(header[i], headerBefore[i]) << "header byte " << i;
    EXPECT_EQ(d.Resets(), resets + 1);

    for (const char* step : {"Updating course data", "Updating coursepoint data", "Updating bag data",
                             "Receiving settings data", "Updating settings data", "Receiving course data"})
        EXPECT_TRUE(watch.Saw(step)) << step;
    // Listed again.
    EXPECT_EQ(Captions(form->CoursesListView), (std::vector<std::string>{"Oak Hill", "Pine Vly"}));
    EXPECT_EQ(form->RoundsListView->count(), 2);
}

TEST_F(MemoryManagerTest, OnlyCourseInSlotTwoIsRowZeroButKeepsItsSlot) {
    auto& d = sim.Device();
    d.Fill(kCourseDir, 2 * kCourse, 0xFF);  // slots 0 and 1 free
    d.Write(kHeader + 4, {1});
    const Bytes entryBefore = Memory(kCourseDir + 2 * kCourse, kCourse);
    TMemoryManagerForm* form = Open();
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(Captions(form->CoursesListView), (std::vector<std::string>{"Sea Links"}));
    form->CoursesListView->item(0)->setCheckState(Qt::Checked);
    d.ClearLogs();
    log.QueueAnswer(IDYES);
    form->Delete->click();
    Settle();
    ASSERT_EQ(log.Messages().size(), 1u) << log.Texts().back();

    std::vector<int> deleted;
    for (const auto& r : d.Requests())
        if (r.command == u8::CmdDeletePoint && r.data.size() == 2) deleted.push_back(r.data[0] << 8 | r.data[1]);
    ASSERT_EQ(deleted.size(), 162u);
    EXPECT_EQ(deleted.front(), 325);
    EXPECT_EQ(deleted.back(), 486);
    // Entry 3 went free; entry 1 (row 0's number) was not written.
    const Bytes entry = Memory(kCourseDir + 2 * kCourse, kCourse);
    for (int i = 0; i < kCourse; ++i)
        EXPECT_EQ(entry[i], i >= 10 && i <= 12 ? entryBefore[i] : 0xFF) << "entry byte " << i;
    for (const auto& w : Writes()) EXPECT_FALSE(w.first >= kCourseDir && w.first < kCourseDir + 2 * kCourse);
    const Bytes header = Memory(kHeader, 12);
    EXPECT_EQ(header[3], 0);  // no course kept
    EXPECT_EQ(header[4], 1);  // no row kept: unchanged
    EXPECT_EQ(form->CoursesListView->count(), 0);
}

TEST_F(MemoryManagerTest, RoundsAndBagAreRemoved) {
    auto& d = sim.Device();
    const Bytes game1 = Memory(kGames, 30);
    TMemoryManagerForm* form = Open();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(Check(form->RoundsListView, "Oak Hill"));
    ASSERT_TRUE(Check(form->RoundsListView, "Pine Vly"));
    ASSERT_TRUE(Check(form->BagsListView, "Travel"));
    d.ClearLogs();
    watch.Clear();
    log.QueueAnswer(IDYES);
    form->Delete->click();
    Settle();
    ASSERT_EQ(log.Messages().size(), 1u) << log.Texts().back();

    const Bytes g = Memory(kGames, 30);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(g[i], i >= 23 && i <= 25 ? game1[i] : 0xFF) << "game byte " << i;
    EXPECT_EQ(Memory(kGames + kGame + 10, 1)[0], 0xFF);
    EXPECT_EQ(Memory(kBags + kBag, kBag), Bytes(kBag, 0xFF));
    EXPECT_NE(Memory(kBags, 2), Bytes(2, 0xFF));  // the first bag stays
    const Bytes header = Memory(kHeader, 12);
    EXPECT_EQ(header[1], 1);  // no bag kept
    EXPECT_EQ(header[3], 2);  // the last of three kept courses
    for (const auto& r : d.Requests()) EXPECT_NE(r.command, u8::CmdDeletePoint);
    EXPECT_TRUE(watch.Saw("Updating game 1 data"));
    EXPECT_TRUE(watch.Saw("Updating game 2 data"));

    EXPECT_EQ(form->RoundsListView->count(), 0);
    EXPECT_EQ(form->BagsListView->count(), 0);
    EXPECT_EQ(form->CoursesListView->count(), 3);
}

TEST_F(MemoryManagerTest, NoAnswerToTheQuestionChangesNothing) {
    TMemoryManagerForm* form = Open();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(Check(form->BagsListView, "Travel"));
    sim.Device().ClearLogs();
    log.QueueAnswer(IDNO);
    form->Delete->click();
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(form->BagsListView->count(), 1);
}

TEST_F(MemoryManagerTest, LastCourseGoneClearsThePointStore) {
    auto& d = sim.Device();
    d.Fill(kCourseDir + kCourse, 2 * kCourse, 0xFF);  // only slot 0 holds a course
    TMemoryManagerForm* form = Open();
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(Captions(form->CoursesListView), (std::vector<std::string>{"Oak Hill"}));
    EXPECT_TRUE(d.PointLists().empty());
    ASSERT_TRUE(Check(form->CoursesListView, "Oak Hill"));
    d.ClearLogs();
    const int resets = d.Resets();
    log.QueueAnswer(IDYES);
    form->Delete->click();
    Settle();
    ASSERT_EQ(log.Messages().size(), 1u) << log.Texts().back();

    // The fresh listing finds no course: command 45, "MyPoints", a reset.
    bool cleared = false;
    for (const auto& r : d.Requests())
        if (r.command == u8::CmdClearDatabase) cleared = true;
    EXPECT_TRUE(cleared);
    EXPECT_EQ(d.PointCount(), 0u);
    EXPECT_EQ(d.PointLists(), (std::vector<std::string>{"MyPoints"}));
    EXPECT_EQ(d.Resets(), resets + 2);  // after the removal and after clearing
    EXPECT_EQ(form->CoursesListView->count(), 0);
    const Bytes header = Memory(kHeader, 12);
    EXPECT_EQ(header[3], 0);  // no course kept
}

// Reading the device writes nothing to it: the opening, a second opening
// and the reading after a round's removal send no point deletion, no list
// read and no commit, and points left in the blocks of free slots (by a
// removal or an upload cut off) stay there.
TEST_F(MemoryManagerTest, ReadingTheDeviceWritesNothing) {
    auto& d = sim.Device();
    d.LoadEmpty();
    d.Write(kCourseDir, {101, 0});
    d.Write(kCourseDir + 2, Text("Oak Hill", 11));
    SetGame(0, "Oak Hill", 24, 5, 17, 88);
    // Slot 0's own points, strays of slots 1 and 2, and one beyond every block.
    const std::vector<uint16_t> held = {1, 5, 163, 200, 486, 487};
    for (uint16_t id : held) d.PutPoint(id, "P", 1, 1);
    auto expectNoPointWork = [&d] {
        for (const auto& r : d.Requests())
            for (int command : {u8::CmdDeletePoint, u8::CmdReadPointList, u8::CmdClearDatabase})
                EXPECT_NE(r.command, command);
        EXPECT_EQ(d.Commits(), 0);
    };
    for (int opening = 0; opening < 2; ++opening) {
        d.ClearLogs();
        TMemoryManagerForm* form = Open();
        ASSERT_NE(form, nullptr);
        EXPECT_TRUE(log.Empty()) << log.Texts().front();
        EXPECT_EQ(Captions(form->CoursesListView), (std::vector<std::string>{"Oak Hill"}));
        EXPECT_TRUE(Writes().empty());
        expectNoPointWork();
        if (opening == 1) {
            ASSERT_TRUE(Check(form->RoundsListView, "Oak Hill"));
            d.ClearLogs();
            log.QueueAnswer(IDYES);
            form->Delete->click();
            Settle();
            EXPECT_EQ(log.Messages().size(), 1u) << log.Texts().back();
            EXPECT_EQ(form->RoundsListView->count(), 0);
            // The game header and the device header, nothing else.
            for (const auto& w : Writes()) EXPECT_TRUE(w.first == kGames || w.first == kHeader) << w.first;
            expectNoPointWork();
        }
        form->Cancel->click();
        Settle();
    }
    EXPECT_EQ(d.PointIds(), held);
}

// A device that refuses point deletions and list reads is no cause for a
// message while the memory manager only reads it.
TEST_F(MemoryManagerTest, ADeviceThatRefusesPointWorkOpensWithoutAMessage) {
    auto& d = sim.Device();
    d.Fill(kCourseDir + 2 * kCourse, kCourse, 0xFF);  // Sea Links's points stay
    for (int command : {u8::CmdDeletePoint, u8::CmdReadPointList}) {
        u8sim::FaultRule refuse;
        refuse.kind = u8sim::Fault::Refused;
        refuse.command = command;
        refuse.times = -1;
        refuse.param = 0x14;
        d.AddFault(refuse);
    }
    TMemoryManagerForm* form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    EXPECT_EQ(Captions(form->CoursesListView), (std::vector<std::string>{"Oak Hill", "Pine Vly"}));
    EXPECT_EQ(form->RoundsListView->count(), 2);
    EXPECT_EQ(Captions(form->BagsListView), (std::vector<std::string>{"Travel"}));
    EXPECT_TRUE(d.HasPoint(325));
}

TEST_F(MemoryManagerTest, SilentDeviceClosesTheWindow) {
    SetConnectTimeout(300);
    sim.Device().AddFault(Silence(-1, -1, 0, -1));
    new TMemoryManagerForm(nullptr);
    Settle();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text,
              "Cannot connect to U8!\n\nCheck that the U8 is connected\nand ensure no other software\n"
              "is using the serial port.");
    EXPECT_EQ(log.Messages()[0].caption, "Error!");
    EXPECT_EQ(log.Messages()[0].icon, MB_ICONERROR);
    EXPECT_EQ(Child<TMemoryManagerForm>(), nullptr);
    EXPECT_FALSE(ProgressForm->isVisible());
}

TEST_F(MemoryManagerTest, DeviceFallingSilentMidwayIsReportedAndListedAgain) {
    auto& d = sim.Device();
    const Bytes headerBefore = Memory(kHeader, 12);
    TMemoryManagerForm* form = Open();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(Check(form->CoursesListView, "Pine Vly"));
    ASSERT_TRUE(Check(form->BagsListView, "Travel"));
    // The eleventh point deletion gets no answer; the device answers again afterwards.
    d.AddFault(Silence(u8::CmdDeletePoint, -1, 10));
    d.ClearLogs();
    log.QueueAnswer(IDYES);
    form->Delete->click();
    Settle();

    ASSERT_EQ(log.Messages().size(), 2u);
    EXPECT_EQ(log.Messages()[1].text, "Error in removing course.");
    EXPECT_EQ(log.Messages()[1].caption, "Error");
    // The removal stopped at the first unanswered deletion; the listing that
    // followed left the slot's other points for the next upload into it.
    int deletes = 0;
    for (const auto& r : d.Requests()) {
        EXPECT_NE(r.command, u8::CmdReadPointList);
        deletes += r.command == u8::CmdDeletePoint;
    }
    EXPECT_EQ(deletes, 11);
    EXPECT_TRUE(d.HasPoint(162 + 9 * 8 + 3));  // slot 1's last green
    EXPECT_TRUE(d.HasPoint(1));
    EXPECT_TRUE(d.HasPoint(325));
    // The bag was not reached.
    EXPECT_NE(Memory(kBags + kBag, 2), Bytes(2, 0xFF));
    // The header names what is left: the bag kept, slot 2 the last course.
    const Bytes header = Memory(kHeader, 12);
    EXPECT_EQ(header[1], 2);
    EXPECT_EQ(header[3], 2);
    EXPECT_EQ(header[4], 0);  // rows 0 and 2 kept, row 1 removed
    for (int i : {0, 2, 5, 6, 7, 8, 9, 10, 11}) EXPECT_EQ(header[i], headerBefore[i]) << "header byte " << i;
    // The entry went before the points, so the list no longer shows the course.
    EXPECT_EQ(Captions(form->CoursesListView), (std::vector<std::string>{"Oak Hill", "Sea Links"}));
    EXPECT_EQ(Captions(form->BagsListView), (std::vector<std::string>{"Travel"}));
    EXPECT_FALSE(ProgressForm->isVisible());
}

TEST_F(MemoryManagerTest, DeviceGoneForGoodKeepsTheListsAsLastRead) {
    auto& d = sim.Device();
    TMemoryManagerForm* form = Open();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(Check(form->RoundsListView, "Oak Hill"));
    // After the check that opens the removal the device answers nothing more.
    d.AddFault(Silence(-1, -1, 1, -1));
    log.QueueAnswer(IDYES);
    form->Delete->click();
    Settle();
    ASSERT_EQ(log.Messages().size(), 2u);
    EXPECT_EQ(log.Messages()[1].text, "Error in removing game data.");
    EXPECT_FALSE(form->PortOpen());
    // Nothing could be read back: empty lists would say that all is gone.
    EXPECT_EQ(Captions(form->RoundsListView),
              (std::vector<std::string>{"Oak Hill 17/05/2024 shots: 88", "Pine Vly 02/06/2024 shots: 40"}));
    EXPECT_EQ(Captions(form->CoursesListView), (std::vector<std::string>{"Oak Hill", "Pine Vly", "Sea Links"}));
    EXPECT_EQ(Captions(form->BagsListView), (std::vector<std::string>{"Travel"}));
    EXPECT_EQ(form->RoundsListView->item(0)->checkState(), Qt::Unchecked);
}

// The removal itself goes through; the reading after it stops at the first
// game header. The removed round is gone from the list and the rest stay.
TEST_F(MemoryManagerTest, AReadingThatFailsAfterARemovalKeepsWhatWasNotRemoved) {
    auto& d = sim.Device();
    TMemoryManagerForm* form = Open();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(Check(form->RoundsListView, "Oak Hill"));
    // Memory reads after the question: the header, the course directory in
    // its pieces, then game 1's header.
    d.AddFault(Silence(-1, u8::CspReadMemory, 12, -1));
    log.QueueAnswer(IDYES);
    form->Delete->click();
    Settle();
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Are you sure you want to\ndelete selected items from U8?\nYou can't undo changes.",
                                                     "Error in receiving game data."}));
    EXPECT_EQ(Memory(kGames + 10, 1)[0], 0xFF);  // the round is gone from the device
    EXPECT_EQ(Captions(form->RoundsListView), (std::vector<std::string>{"Pine Vly 02/06/2024 shots: 40"}));
    EXPECT_EQ(Captions(form->CoursesListView), (std::vector<std::string>{"Oak Hill", "Pine Vly", "Sea Links"}));
    EXPECT_EQ(Captions(form->BagsListView), (std::vector<std::string>{"Travel"}));
}
