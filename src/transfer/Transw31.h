#pragma once
#include <functional>
#include <string>
#include <vector>

#include "device/U8records.h"
#include "transfer/Courseimport.h"
#include "transfer/Transw4.h"
#include "transfer/Wizardpage.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class TDatabase;
class TSerialPort;
class TU8Device;

// Step 4 of the course roads. With the U8 as the source it lists the device's
// courses and imports the chosen ones; with the database as the source it
// copies the chosen courses (and, for the U8, one tee) into the send page.
class TTransWiz31 : public TWizardPage {
public:
    explicit TTransWiz31(QWidget* owner = nullptr);
    ~TTransWiz31() override;

    void FormShow() override;
    void CourseListBoxSelectItem();
    void CourseListBoxChange();
    void NextButtonClick();
    // The U8 is the source (the wizard's state).
    bool DeviceMode() const;

    // Device objects of this page, alive as long as the page.
    TSerialPort* SerialPort = nullptr;
    TU8Device* U8Device = nullptr;
    CourseEntry CourseDirectory[u8::CourseSlots] = {};
    GameHeader GameHeaders[u8::GameAreas] = {};
    bool GameHeaderRead[u8::GameAreas] = {};

    QTreeWidget* CourseListBox;  // item data: the device slot or the CourseId
    QLabel* Label5;
    QLabel* TeeLabel;
    QComboBox* TeeComboBox;
    QPushButton* BackButton;
    QPushButton* NextButton;
    QPushButton* CancelButton;

protected:
    void hideEvent(QHideEvent* e) override;

private:
    void ShowDevice();
    void ShowDatabase();
    void NextDevice();
    void NextDatabase();
    void FillTees(int courseId);
    std::vector<int> SelectedKeys() const;
    // Tee box shown and one course, or tee box hidden and several courses.
    void ShowTeeChoice(bool show);
};

extern TTransWiz31* TransWiz31;

// The messages of a course import, in the order of its courses: a refusal,
// the undefined hole lengths (the default-information warning once while
// lengthWarningShown is 0), a failure. True when any course failed.
bool ShowCourseReports(const std::vector<TCourseReport>& reports, unsigned char& lengthWarningShown);

// The tee names of a course for the tee box: the ScoreCard's names of tees 1
// to Tees, "Tee number: " + t where a name is empty. A tee count the course
// window refuses throws EDatabaseError (StoredTeeCount).
std::vector<std::string> CourseTeeNames(TDatabase& db, int courseId);

// A course of the database as the send page keeps it. Hole j is the row whose
// HoleNumber is j + 1, or an empty record when there is none. A course whose
// tee count the course window refuses throws EDatabaseError, copying nothing.
void FillCourse(TDatabase& db, int courseId, const std::string& listName,
                TTransWiz4::CourseHeader& course);
