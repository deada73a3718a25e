// The memory manager against the simulator started as its own process, with
// a removal that goes wrong on the device: a point deletion refused, or the
// cable pulled halfway through a course's points. Each failure says so, the
// course is no longer listed, and the readings after it write nothing: the
// points left in the freed slot's block stay until an upload writes the slot.
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <csignal>

#include <string>
#include <vector>

#include "device/U8records.h"
#include "devicetools/Memorymanager.h"
#include "journey/U8simprocess.h"

namespace {

const char* const Question = "Are you sure you want to\ndelete selected items from U8?\nYou can't undo changes.";

class U8MemoryTest : public U8simProcess {
protected:
    // The full memory, with player 1 on file.
    void StartFull(const QStringList& options) {
        StartU8sim("full", options);
        AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"}, {"HCP", 18.4}});
        Start();
    }
    static std::vector<std::string> Captions(QListWidget* view) {
        std::vector<std::string> out;
        for (int i = 0; i < view->count(); ++i) out.push_back(view->item(i)->text().toStdString());
        return out;
    }
    // Removes the course in slot 2 ("Sea Links"), answering Yes.
    static void DeleteSeaLinks(TMemoryManagerForm* memory, MessageLog& log) {
        ASSERT_EQ(memory->CoursesListView->item(2)->text(), "Sea Links");
        memory->CoursesListView->item(2)->setCheckState(Qt::Checked);
        log.QueueAnswer(IDYES);
        memory->Delete->click();
        Flush();
    }
};

}  // namespace

// The device answers "Unsuccessful" to the fifth of the course's point
// deletions: the removal ends with its message, the header names a course
// still there, and the fresh listing leaves the rest of the slot's points.
TEST_F(U8MemoryTest, ARefusedPointDeletionIsReportedAndTheListingAfterItDeletesNothing) {
    StartFull({"--refuse-delete", "5"});
    // Beside a rounds list made wide by a long title, the window opens wholly
    // inside the frame's client area, its close box and buttons in sight.
    AppendRow(MainForm->Database, "Round",
              {{"UserId", 1}, {"RoundStartDate", "2024-05-17 09:30:00"},
               {"RoundTitle", "Klubbmästerskapet i slaggolf, final och prisutdelning"}});
    MainForm->Rounds1Click();
    Flush();
    TMemoryManagerForm* memory = OpenMemoryManager(3);
    ASSERT_NE(memory, nullptr);
    EXPECT_TRUE(MainForm->MdiArea()->viewport()->rect().contains(memory->parentWidget()->geometry()));
    ASSERT_TRUE(log.Empty()) << log.Texts().front();
    DeleteSeaLinks(memory, log);
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{Question, "Error in removing course."}));
    EXPECT_EQ(Captions(memory->CoursesListView), (std::vector<std::string>{"Oak Hill", "Pine Vly"}));
    EXPECT_EQ(memory->RoundsListView->count(), 2);
    EXPECT_EQ(memory->BagsListView->count(), 1);
    memory->Cancel->click();
    Flush();

    const HeldOnDevice held = ReadHeldOnDevice(u8::FirstCoursePointId(1), u8::LastCoursePointId(2));
    // Slot 1's points stay; of slot 2's, the refused one and those after it.
    EXPECT_TRUE(held.Points.count(u8::FirstCoursePointId(1)));
    EXPECT_TRUE(held.Points.count(2 * 162 + 5));           // the refused one: hole 1's water
    EXPECT_TRUE(held.Points.count(2 * 162 + 9 * 17 + 3));  // hole 18's green
    EXPECT_EQ(+held.Directory[2].CourseId, 0xFFFF);
    EXPECT_EQ(held.Header[3], 1);  // the last course kept
    EXPECT_EQ(held.Header[4], 1);
}

// The cable is pulled at the fifth point deletion: the removal says so and
// the window keeps what it listed last. Plugged in again, the next opening of
// the memory manager lists the course no more and deletes nothing.
TEST_F(U8MemoryTest, ACablePulledDuringARemovalIsReportedAndTheNextOpeningDeletesNothing) {
    StartFull({"--unplug-at-delete", "5"});
    TMemoryManagerForm* memory = OpenMemoryManager(3);
    ASSERT_NE(memory, nullptr);
    DeleteSeaLinks(memory, log);
    const std::vector<std::string> texts = log.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[1], "Error in removing course.");
    // Nothing could be read back: the lists stay as last read.
    EXPECT_EQ(Captions(memory->CoursesListView), (std::vector<std::string>{"Oak Hill", "Pine Vly", "Sea Links"}));
    EXPECT_EQ(memory->RoundsListView->count(), 2);
    EXPECT_EQ(memory->BagsListView->count(), 1);
    memory->Cancel->click();
    Flush();
    log.Clear();

    ASSERT_EQ(::kill(pid_t(u8sim.processId()), SIGUSR1), 0);
    ProcessEventsFor(300);
    memory = OpenMemoryManager(2);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(Captions(memory->CoursesListView), (std::vector<std::string>{"Oak Hill", "Pine Vly"}));
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    memory->Cancel->click();
    Flush();

    const HeldOnDevice held = ReadHeldOnDevice(u8::FirstCoursePointId(2), u8::LastCoursePointId(2));
    EXPECT_EQ(held.Points.size(), 90u - 3);  // Sea Links's points less hole 1's tee, pin and green
}
