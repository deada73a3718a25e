#pragma once
// The simulator started as its own process, as the README says: its printed
// path put in caddora.ini as Port1=. What the device holds is read back on a
// port of the test's own, once the windows have let go of the device.
#include <QProcess>
#include <QStringList>
#include <cstring>
#include <map>
#include <string>

#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "device/U8records.h"
#include "devicetools/Memorymanager.h"
#include "journey/Journeyfixture.h"
#include "platform/Inifile.h"
#include "sim/Simport.h"

class U8simProcess : public JourneyTest {
protected:
    void TearDown() override {
        JourneyTest::TearDown();
        if (u8sim.state() != QProcess::NotRunning) {
            u8sim.terminate();
            if (!u8sim.waitForFinished(30000)) u8sim.kill();
            EXPECT_EQ(u8sim.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(u8sim.exitCode(), 0) << u8sim.readAllStandardError().toStdString();
        }
    }
    void StartU8sim(const char* memory, const QStringList& options = {}) {
        u8sim.setProgram(U8SIM_PATH);
        u8sim.setArguments(QStringList{"--memory", memory} + options);
        u8sim.start();
        ASSERT_TRUE(u8sim.waitForStarted(30000));
        ASSERT_TRUE(WaitFor([this] { return u8sim.canReadLine() || u8sim.waitForReadyRead(50); }, 30000));
        const std::string path = u8sim.readLine().trimmed().toStdString();
        ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;
        TIniFile(DataPath("caddora.ini")).WriteString("Port Settings", "Port1", path);
        SetConnectTimeout(SimConnectTimeoutMS);
    }
    // The memory manager from the main window's menu, once it lists the courses.
    TMemoryManagerForm* OpenMemoryManager(int courses) {
        MainForm->U8MemoryManager1->trigger();
        Flush();
        auto* memory = Child<TMemoryManagerForm>();
        if (!memory) return nullptr;
        WaitFor([memory, courses] { return memory->CoursesListView->count() == courses; }, 30000);
        return memory;
    }

    QProcess u8sim;
};

// What the device holds: its header and the points of ids first..last (id
// to name), read through the device link.
struct HeldOnDevice {
    uint8_t Header[u8::HeaderSize] = {};
    CourseEntry Directory[u8::CourseSlots] = {};
    std::map<int, std::string> Points;
};

inline HeldOnDevice ReadHeldOnDevice(int first, int last) {
    HeldOnDevice held;
    TSerialPort port;
    port.ShowErrors = false;
    TU8Device device(&port);
    EXPECT_EQ(device.CheckDevice(), 1);
    EXPECT_EQ(device.ReadHeader(held.Header), 0);
    EXPECT_EQ(device.ReadCourseDirectory(held.Directory), 0);
    for (int id = first; id <= last; ++id) {
        DevicePoint p{};
        if (device.ReadPoint(uint16_t(id), &p, 0) == 0)
            held.Points[id] = std::string(p.Name, strnlen(p.Name, sizeof p.Name));
        else
            EXPECT_EQ(port.LastError, u8::ErrPointNotFound) << id;
    }
    device.ClosePort();
    return held;
}
