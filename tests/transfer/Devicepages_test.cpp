// The courses page and the rounds page on a U8 used with another database,
// run without the main window: a test frame holds the database.
#include <QComboBox>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <memory>

#include "sim/U8sim_scenarios.h"
#include "support/Testframe.h"
#include "transfer/Transferfixture.h"
#include "transfer/Transw1.h"
#include "transfer/Transw31.h"
#include "transfer/Transw35.h"
#include "transfer/Transw4.h"

namespace {

class DevicePagesTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        Append("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}});
        for (const char* name : {"Links A", "Links B", "Links C"}) AddCourse(name, false);
        u8sim::LoadCollidingNumbers(sim.Device());
        frame = std::make_unique<TTestFrame>(DataPath("kx.mdb"));
        TransWiz1 = new TTransWiz1;
        TransWiz4 = new TTransWiz4;
        TransWiz31 = new TTransWiz31;
        TransWiz35 = new TTransWiz35;
    }
    void TearDown() override {
        delete TransWiz35;
        delete TransWiz31;
        delete TransWiz4;
        delete TransWiz1;
        TransWiz35 = nullptr;
        TransWiz31 = nullptr;
        TransWiz4 = nullptr;
        TransWiz1 = nullptr;
        frame.reset();
        TransferTest::TearDown();
    }
    static void SelectAll(QTreeWidget* list) {
        for (int i = 0; i < list->topLevelItemCount(); ++i) list->topLevelItem(i)->setSelected(true);
    }
    void ImportCourses() {
        TransWiz31->FormShow();
        ASSERT_EQ(TransWiz31->CourseListBox->topLevelItemCount(), 3);
        SelectAll(TransWiz31->CourseListBox);
        TransWiz31->NextButtonClick();
        TransWiz31->U8Device->ClosePort();  // as the page does when it hides
    }
    void ImportRounds() {
        TransWiz35->FormShow();
        ASSERT_EQ(TransWiz35->RoundsListBox->topLevelItemCount(), 2);
        SelectAll(TransWiz35->RoundsListBox);
        TransWiz35->NextButtonClick();
        TransWiz35->U8Device->ClosePort();
    }

    std::unique_ptr<TTestFrame> frame;
};

// TESTGC's number 5 is the number the page gives SECOND: still TESTGC is a
// course of its own, with its own points, and the device learns three
// distinct numbers.
TEST_F(DevicePagesTest, TheCoursesPageStoresEveryDeviceCourseAsItsOwn) {
    ImportCourses();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Transfer of course(s) completed successfully!"});
    EXPECT_EQ(frame->Refreshes, 1);
    EXPECT_EQ(Count("Course_General"), 6);
    ExpectCollidingCoursesApart();

    // Again: every slot is its course now, and only merges.
    messages.Clear();
    ImportCourses();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Transfer of course(s) completed successfully!"});
    EXPECT_EQ(Count("Course_General"), 6);
    EXPECT_EQ(Count("Waypoints"), 90 + 45 + 90);
}

// Rounds taken before their courses go on no course: the device's 5 and 6
// are no courses here, and once the courses page has stored the courses they
// would name SECOND and TESTGC the wrong way round.
TEST_F(DevicePagesTest, RoundsBeforeTheirCoursesGoOnNoCourse) {
    ImportRounds();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Transfer of round(s) completed successfully!"});
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(Count("Round", "CourseId = 0"), 2);
    EXPECT_EQ(frame->Validated.size(), 2u);

    messages.Clear();
    ImportCourses();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Transfer of course(s) completed successfully!"});
    EXPECT_EQ(Count("Round", "CourseId = 0"), 2);

    // With the courses stored (the games renumbered with them), the same
    // games taken anew go on their courses.
    db.Execute("DELETE FROM RoundShots; DELETE FROM RoundHoles; DELETE FROM Round;");
    messages.Clear();
    ImportRounds();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Transfer of round(s) completed successfully!"});
    EXPECT_EQ(Count("Round", "CourseId = " + std::to_string(CourseId("TESTGC"))), 1);
    EXPECT_EQ(Count("Round", "CourseId = " + std::to_string(CourseId("SECOND"))), 1);
}

// Rounds taken before their courses, taken again once the courses page has
// stored the courses: each goes on the course of its slot, except one the
// player has put on a course meanwhile.
TEST_F(DevicePagesTest, RoundsTakenBeforeTheirCoursesFindThemWhenTakenAgain) {
    ImportRounds();
    EXPECT_EQ(Count("Round", "CourseId = 0"), 2);
    ImportCourses();

    messages.Clear();
    ImportRounds();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Transfer of round(s) completed successfully!"});
    EXPECT_EQ(Count("Round"), 2);
    EXPECT_EQ(Count("Round", "CourseId = " + std::to_string(CourseId("TESTGC"))), 1);
    EXPECT_EQ(Count("Round", "CourseId = " + std::to_string(CourseId("SECOND"))), 1);

    // A round on a course is never moved to another.
    const int links = CourseId("Links A");
    db.Execute("UPDATE Round SET CourseId = " + std::to_string(links) + " WHERE CourseId = " +
               std::to_string(CourseId("SECOND")));
    ImportRounds();
    EXPECT_EQ(Count("Round", "CourseId = " + std::to_string(links)), 1);
    EXPECT_EQ(Count("Round", "CourseId = " + std::to_string(CourseId("TESTGC"))), 1);
}

// The tee box offers the tees of a course imported before, whose merged tee
// points get the chosen tee: never for a slot whose number is a course of
// another name.
TEST_F(DevicePagesTest, TheTeeChoiceOnlyForACourseImportedBefore) {
    AddCourse("Links D", false);
    AddCourse("Links E", false);  // 5: TESTGC's number, another name
    TransWiz31->FormShow();
    ASSERT_EQ(TransWiz31->CourseListBox->topLevelItemCount(), 3);
    TransWiz31->CourseListBox->topLevelItem(2)->setSelected(true);
    EXPECT_TRUE(TransWiz31->TeeComboBox->isHidden());
    TransWiz31->CourseListBox->clearSelection();
    SelectAll(TransWiz31->CourseListBox);
    TransWiz31->NextButtonClick();
    TransWiz31->U8Device->ClosePort();
    EXPECT_EQ(Count("Course_General"), 8);

    TransWiz31->FormShow();
    TransWiz31->CourseListBox->topLevelItem(2)->setSelected(true);
    EXPECT_FALSE(TransWiz31->TeeComboBox->isHidden());
    EXPECT_EQ(TransWiz31->TeeComboBox->count(), 1);
    EXPECT_EQ(TransWiz31->TeeComboBox->itemText(0).toStdString(), "Tee number: 1");
}

}  // namespace
