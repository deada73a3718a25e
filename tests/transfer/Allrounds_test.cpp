// The "All Rounds, U8 to Caddora" road on its own: every course and game of
// the simulated U8 into the database.
#include <gtest/gtest.h>

#include "common/Progresswin.h"
#include "transfer/Transfercommon.h"
#include "transfer/Transferfixture.h"
#include "sim/U8sim_scenarios.h"
#include "transfer/Transw1.h"

namespace {

class AllRoundsTest : public TransferTest {
protected:
    TAllRoundsDownload::Outcome Run() {
        TAllRoundsDownload road(device, db, 1);
        road.Refresh = [this] { ++refreshed; };
        road.AfterStore = [this] { ++closed; };
        return road.Run();
    }
    int refreshed = 0, closed = 0;
};

TEST_F(AllRoundsTest, EverythingOnceAndTheSecondRunAddsNothing) {
    sim.Device().LoadFull();
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(messages.Texts().back(), "Transfer completed successfully!");
    EXPECT_EQ(Count("Course_General"), 3);
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(closed, 1);
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

    // The third header cannot be read (after the model code, ten reads of
    // the directory and two headers): the courses and the two games before
    // it are stored all the same, and shown in the lists before the message.
    sim.Device().ClearFaults();
    sim.Device().AddFault({u8sim::Fault::Silence, 0xF3, 5, 13, 1});
    messages.Clear();
    TAllRoundsDownload road(device, db, 1);
    std::vector<std::string> shownBeforeRefresh;
    int rounds = -1;
    road.Refresh = [&] {
        shownBeforeRefresh = messages.Texts();
        rounds = Count("Round");
    };
    road.AfterStore = [] { ADD_FAILURE() << "the road ended as if complete"; };
    EXPECT_EQ(road.Run(), TAllRoundsDownload::GameFailed);
    EXPECT_EQ(rounds, 2);
    EXPECT_TRUE(shownBeforeRefresh.empty());
    EXPECT_EQ(messages.Texts().back(), "Error in receiving game data.");
    EXPECT_FALSE(port.GetPortOpen());
    EXPECT_FALSE(ProgressForm && ProgressForm->isVisible());
    EXPECT_EQ(Count("Course_General"), 3);
    EXPECT_EQ(Count("Round"), 2);
}

// The device leaves the first point read of each course unanswered: the
// courses fail and the rounds go on no course. The next run stores the
// courses and puts the rounds stored without a course on theirs; a round
// the player put on a course stays there.
TEST_F(AllRoundsTest, RoundsOfCoursesThatFailedFindThemOnTheNextRun) {
    sim.Device().LoadFull();
    sim.Device().AddFault({u8sim::Fault::Silence, u8::CmdReadPoint, -1, 0, 3});
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(messages.Texts().back(), "Transfer completed with errors!");
    EXPECT_EQ(Count("Course_General"), 0);
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(Count("Round", "CourseId = 0"), 2);

    // Game 2's round put on a course of the player's own meanwhile.
    const int own = AddCourse("Own Course", false);
    const std::string game2 = "RoundStartDate = '2024-06-17 09:30:00'";
    ASSERT_EQ(Count("Round", game2), 1);
    db.Execute("UPDATE Round SET CourseId = " + std::to_string(own) + " WHERE " + game2);

    sim.Device().ClearFaults();
    messages.Clear();
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(messages.Texts().back(), "Transfer completed successfully!");
    EXPECT_EQ(Count("Course_General"), 4);
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(Value("Round", "RoundStartDate = '2024-05-17 09:30:00'", "CourseId").AsInteger(), CourseId("Oak Hill"));
    EXPECT_EQ(Value("Round", game2, "CourseId").AsInteger(), own);

    // Once on its course, a round stays there.
    messages.Clear();
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(Value("Round", "RoundStartDate = '2024-05-17 09:30:00'", "CourseId").AsInteger(), CourseId("Oak Hill"));
    EXPECT_EQ(Value("Round", game2, "CourseId").AsInteger(), own);
}

// The database refuses the first game's validation: that game is reported
// as failed with the database's cause, the second is stored all the same,
// the lists are refreshed and the road ends with errors. The next run
// validates the first game and ends in success.
TEST_F(AllRoundsTest, AValidationThatFailsIsTheFailureOfItsGame) {
    sim.Device().LoadFull();
    const int score1 = sim.Device().Byte(Game(1) + 1);
    db.Execute("CREATE TRIGGER refuse BEFORE UPDATE ON RoundHoles WHEN (SELECT Score FROM Round WHERE "
               "RoundId = NEW.RoundId) = " + std::to_string(score1) +
               " BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    const std::vector<std::string> texts = messages.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].rfind("Transfer of round Oak Hill / 2024-05-17 09:30:00 failed! Please try again.\n", 0), 0u)
        << texts[0];
    EXPECT_NE(texts[0].find("disk full"), std::string::npos) << texts[0];
    EXPECT_EQ(texts[1], "Transfer completed with errors!");
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(closed, 1);

    db.Execute("DROP TRIGGER refuse;");
    messages.Clear();
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Transfer completed successfully!"});
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_TRUE(Value("Round", "Score = " + std::to_string(score1), "Invalid").AsBoolean());
}

class CollidingNumbersTest : public AllRoundsTest {
protected:
    void SetUp() override {
        AllRoundsTest::SetUp();
        Append("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}});
        for (const char* name : {"Links A", "Links B", "Links C"}) AddCourse(name, false);
    }
    int RoundCourse(const std::string& start) {
        return Value("Round", "RoundStartDate = " + QuotedStr(start), "CourseId").AsInteger();
    }
};

// The device's numbers 7, 6, 5 meet a database of courses 1 to 3: HOMECRS
// becomes 4 and SECOND 5, and TESTGC's 5 is still no course of it.
TEST_F(CollidingNumbersTest, EveryDeviceCourseIsACourseOfItsOwn) {
    u8sim::LoadCollidingNumbers(sim.Device());
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(messages.Texts().back(), "Transfer completed successfully!");
    EXPECT_EQ(Count("Course_General"), 6);
    ExpectCollidingCoursesApart();
    // The rounds are on the courses they were played on.
    EXPECT_EQ(RoundCourse("2024-05-17 09:30:00"), CourseId("TESTGC"));
    EXPECT_EQ(Count("Round", "CourseId = " + std::to_string(CourseId("SECOND"))), 1);

    messages.Clear();
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(messages.Texts().back(), "Transfer completed successfully!");
    EXPECT_EQ(Count("Course_General"), 6);
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(Count("Waypoints"), 90 + 45 + 90);
}

// A device entry that names a course of another name (a run cut off before
// its commit, whose id a later course took) is stored as new, not merged.
TEST_F(CollidingNumbersTest, ANumberOfAnotherNameIsNoCourseOfTheDevice) {
    sim.Device().LoadFull();
    const int taken = AddCourse("Web Course", true, 1, "WEBCRS");
    sim.Device().Write(Entry(0), {uint8_t(taken), uint8_t(taken >> 8)});  // Oak Hill
    sim.Device().Write(Game(1) + 8, {uint8_t(taken), uint8_t(taken >> 8)});
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(Points(taken), 0);
    const int oak = CourseId("Oak Hill");
    ASSERT_GT(oak, taken);
    EXPECT_EQ(Points(oak), 90);
    EXPECT_EQ(DeviceWord(Entry(0)), oak);
    EXPECT_EQ(RoundCourse("2024-05-17 09:30:00"), oak);
}

// The device stays silent on the first game-header write: the course is
// stored, its failure is told, the round goes on the course all the same,
// and the road does not end in success. The next run adds nothing.
TEST_F(CollidingNumbersTest, ALostHeaderWriteIsAFailureOfItsCourse) {
    sim.Device().LoadFull();
    // One course left on the device: its entry goes in four writes, then game 1's header.
    sim.Device().Fill(Entry(1), 2, 0xFF);
    sim.Device().Fill(Entry(2), 2, 0xFF);
    sim.Device().AddFault({u8sim::Fault::Silence, 0xF3, 6, 4, 1});
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    const int oak = CourseId("Oak Hill");
    ASSERT_GT(oak, 0);
    const std::vector<std::string> texts = messages.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0].rfind("Transfer of course Oak Hill failed! Please try again.\n", 0), 0u) << texts[0];
    EXPECT_EQ(texts.back(), "Transfer completed with errors!");
    EXPECT_EQ(RoundCourse("2024-05-17 09:30:00"), oak);
    // Game 2's course 102 is no longer on the device nor in the database.
    EXPECT_EQ(Count("Round", "CourseId = 102"), 0);

    messages.Clear();
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(messages.Texts().back(), "Transfer completed successfully!");
    EXPECT_EQ(DeviceWord(Game(1) + 8), oak);
    EXPECT_EQ(Count("Course_General"), 4);
    EXPECT_EQ(Count("Round"), 2);
}

// A refused course is a failure of the road too.
TEST_F(CollidingNumbersTest, ARefusedCourseEndsWithErrors) {
    sim.Device().LoadFull();
    sim.Device().Fill(Entry(1) + 15 + 8 * 4 + 3, 1, 0);  // hole 5 of Pine Vly without par
    EXPECT_EQ(Run(), TAllRoundsDownload::Done);
    EXPECT_EQ(messages.Texts().front(), "Transfer of Pine Vly has been cancelled\nbecause it has a hole without par.");
    EXPECT_EQ(messages.Texts().back(), "Transfer completed with errors!");
    EXPECT_EQ(Count("Course_General"), 3 + 2);
    // Its round waits for the course: no course rather than a number of none.
    EXPECT_EQ(Value("Round", "Score = " + std::to_string(sim.Device().Byte(Game(2) + 1)), "CourseId").AsInteger(), 0);
}

}  // namespace
