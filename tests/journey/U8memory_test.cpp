// The memory manager against the simulator started as its own process, with
// a removal that goes wrong on the device: a point deletion refused, or the
// cable pulled halfway through a course's points. After the failure and one
// more reading by the memory manager, every point left on the device lies in
// the block of a listed course, and each failure has said so.
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <csignal>

#include <algorithm>
#include <string>
#include <vector>

#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "device/U8records.h"
#include "devicetools/Memorymanager.h"
#include "journey/Journeyfixture.h"
#include "platform/Inifile.h"

namespace {

const char* const Question = "Are you sure you want to\ndelete selected items from U8?\nYou can't undo changes.";

class U8MemoryTest : public JourneyTest {
protected:
    void TearDown() override {
        JourneyTest::TearDown();
        if (u8sim.state() != QProcess::NotRunning) {
            u8sim.terminate();
            if (!u8sim.waitForFinished(30000)) u8sim.kill();
            EXPECT_EQ(u8sim.exitCode(), 0) << u8sim.readAllStandardError().toStdString();
        }
    }
    void StartU8sim(const QStringList& options) {
        u8sim.setProgram(U8SIM_PATH);
        u8sim.setArguments(QStringList{"--memory", "full"} + options);
        u8sim.start();
        ASSERT_TRUE(u8sim.waitForStarted(30000));
        ASSERT_TRUE(WaitFor([this] { return u8sim.canReadLine() || u8sim.waitForReadyRead(50); }, 30000));
        const std::string path = u8sim.readLine().trimmed().toStdString();
        ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;
        TIniFile(DataPath("caddora.ini")).WriteString("Port Settings", "Port1", path);
        AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"}, {"HCP", 18.4}});
        Start();
    }
    TMemoryManagerForm* OpenMemoryManager(int courses) {
        MainForm->U8MemoryManager1->trigger();
        Flush();
        auto* memory = Child<TMemoryManagerForm>();
        if (memory) WaitFor([memory, courses] { return memory->CoursesListView->count() == courses; }, 30000);
        return memory;
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

    // What the device holds, read on a port of the test's own once the
    // windows have let go of the device.
    struct Device {
        std::vector<int> points;  // of the ids asked for
        uint8_t header[u8::HeaderSize] = {};
    };
    static Device ReadDevice(int first, int last) {
        Device held;
        TSerialPort port;
        port.ShowErrors = false;
        TU8Device device(&port);
        EXPECT_NE(device.CheckDevice(), -1);
        EXPECT_EQ(device.ReadHeader(held.header), 0);
        for (int id = first; id <= last; ++id) {
            DevicePoint point{};
            if (device.ReadPoint(uint16_t(id), &point, 0) == 0)
                held.points.push_back(id);
            else
                EXPECT_EQ(port.LastError, u8::ErrPointNotFound) << id;
        }
        device.ClosePort();
        return held;
    }

    QProcess u8sim;
};

}  // namespace

// The device answers "Unsuccessful" to the fifth of the course's point
// deletions: the removal ends with its message, the header names a course
// still there, and the fresh listing removes what is left of the slot.
TEST_F(U8MemoryTest, ARefusedPointDeletionIsReportedAndTheSlotClearedOnTheNextReading) {
    StartU8sim({"--refuse-delete", "5"});
    TMemoryManagerForm* memory = OpenMemoryManager(3);
    ASSERT_NE(memory, nullptr);
    ASSERT_TRUE(log.Empty()) << log.Texts().front();
    DeleteSeaLinks(memory, log);
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{Question, "Error in removing course."}));
    EXPECT_EQ(Captions(memory->CoursesListView), (std::vector<std::string>{"Oak Hill", "Pine Vly"}));
    EXPECT_EQ(memory->RoundsListView->count(), 2);
    EXPECT_EQ(memory->BagsListView->count(), 1);
    memory->Cancel->click();
    Flush();

    const Device held = ReadDevice(u8::FirstCoursePointId(1), u8::LastCoursePointId(2));
    // Slot 1's points stay, slot 2 holds none.
    EXPECT_FALSE(held.points.empty());
    EXPECT_TRUE(std::all_of(held.points.begin(), held.points.end(),
                            [](int id) { return id <= u8::LastCoursePointId(1); }))
        << held.points.back();
    EXPECT_EQ(held.header[3], 1);  // the last course kept
    EXPECT_EQ(held.header[4], 1);
}

// The cable is pulled at the fifth point deletion: the removal says so and
// the window keeps what it listed last. Plugged in again, the next opening of
// the memory manager removes the points the removal left.
TEST_F(U8MemoryTest, ACablePulledDuringARemovalLeavesNoPointUnlisted) {
    StartU8sim({"--unplug-at-delete", "5"});
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

    const Device held = ReadDevice(u8::FirstCoursePointId(2), u8::LastCoursePointId(2));
    EXPECT_TRUE(held.points.empty()) << held.points.size() << " points left, the first " << held.points.front();
}
