// The "All Rounds, U8 to Caddora" road on its own: every course and game of
// the simulated U8 into the database.
#include <gtest/gtest.h>

#include "common/Progresswin.h"
#include "transfer/Transfercommon.h"
#include "transfer/Transferfixture.h"
#include "transfer/Transw1.h"

namespace {

class AllRoundsTest : public TransferTest {
protected:
    TAllRoundsDownload::Outcome Run() {
        TAllRoundsDownload road(device, db, 1);
        road.AfterStore = [this] { ++refreshed; };
        return road.Run();
    }
    int refreshed = 0;
};

TEST_F(AllRoundsTest, EverythingOnceAndTheSecondRunAddsNothing) {
    sim.Device().LoadFull();
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(messages.Texts().back(), "Transfer completed successfully!");
    EXPECT_EQ(Count("Course_General"), 3);
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(refreshed, 1);
    EXPECT_FALSE(port.GetPortOpen());
    EXPECT_GE(sim.Device().Resets(), 1);
    // The rounds refer to the courses stored in the same run.
    const int pine = Value("Course_General", "Course_Name = 'Pine Vly'", "CourseId").AsInteger();
    EXPECT_EQ(Count("Round", "CourseId = " + std::to_string(pine)), 1);

    messages.Clear();
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(Count("Course_General"), 3);
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(Count("Waypoints"), 90 + 45 + 90);
}

TEST_F(AllRoundsTest, AnEmptyDeviceStoresNothing) {
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(messages.Texts().back(), "Transfer completed successfully!");
    EXPECT_EQ(Count("Course_General"), 0);
    EXPECT_EQ(Count("Round"), 0);
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(sim.Device().Resets(), 1);
}

TEST_F(AllRoundsTest, AnotherModelIsRefused) {
    sim.Device().LoadFull();
    sim.Device().SetModelCode(50);
    EXPECT_EQ(Run(), TAllRoundsDownload::NoDevice);
    ASSERT_GE(messages.Texts().size(), 2u);
    EXPECT_EQ(messages.Texts()[0].rfind("Device on port is ", 0), 0u);
    EXPECT_EQ(messages.Texts().back(), CannotConnectU8Text);
    EXPECT_FALSE(port.GetPortOpen());
    EXPECT_EQ(Count("Course_General"), 0);
}

TEST_F(AllRoundsTest, ReadFailuresCloseThePortAndKeepWhatWasStored) {
    sim.Device().LoadFull();
    // After the model code, the directory's first read fails.
    sim.Device().AddFault({u8sim::Fault::Silence, 0xF3, 5, 1, 1});
    EXPECT_EQ(Run(), TAllRoundsDownload::DirectoryFailed);
    EXPECT_EQ(messages.Texts().back(), "Error in receiving course data.");
    EXPECT_FALSE(port.GetPortOpen());
    EXPECT_EQ(Count("Course_General"), 0);

    // The line goes silent once the second game is stored: the third header fails.
    sim.Device().ClearFaults();
    messages.Clear();
    TAllRoundsDownload road(device, db, 1);
    road.Validate = [this](int) {
        if (Count("Round") == 2) sim.Device().AddFault({u8sim::Fault::Silence, 0xF3, 5, 0, -1});
    };
    EXPECT_EQ(road.Run(), TAllRoundsDownload::GameFailed);
    EXPECT_EQ(messages.Texts().back(), "Error in receiving game data.");
    EXPECT_FALSE(port.GetPortOpen());
    EXPECT_FALSE(ProgressForm && ProgressForm->isVisible());
    EXPECT_EQ(Count("Course_General"), 3);
    EXPECT_EQ(Count("Round"), 2);
}

}  // namespace
