#pragma once
#include <functional>
#include <vector>

#include "device/U8records.h"
#include "transfer/Courseimport.h"
#include "transfer/Roundimport.h"
#include "transfer/Wizardpage.h"

class QPushButton;
class QRadioButton;
class TDatabase;
class TSerialPort;
class TU8Device;

// Step 1: where the files come from. Its fourth choice imports every course
// and round of the device at once.
class TTransWiz1 : public TWizardPage {
public:
    explicit TTransWiz1(QWidget* owner = nullptr);
    ~TTransWiz1() override;

    void FormShow() override;
    void NextButtonClick();
    void DownloadAllRounds();

    unsigned char Visited = 0;
    // Device objects of the "All Rounds" road, for its run only.
    TSerialPort* SerialPort = nullptr;
    TU8Device* U8Device = nullptr;

    QRadioButton* U8Button;
    QRadioButton* KXButton;
    QRadioButton* DownloadButton;
    QRadioButton* DownloadAllRoundsU8Button;
    QPushButton* BackButton;
    QPushButton* NextButton;
    QPushButton* CancelButton;

private:
    void UpdateNextButton();
};

extern TTransWiz1* TransWiz1;

// The "All Rounds, U8 to Caddora" road: every course of the device's
// directory and every game of its four areas into the database. Import
// reads the device, decides, stores and gives the device the new course
// numbers, showing nothing; Run shows the progress and then the road's
// messages from what Import reported.
class TAllRoundsDownload {
public:
    enum Outcome { NoDevice, DirectoryFailed, GameFailed, Done };
    TAllRoundsDownload(TU8Device& device, TDatabase& db, int userId);

    // Called once the stores are done, also when the games stop at a header
    // that cannot be read (the list windows).
    std::function<void()> Refresh;
    // Called after the stores of a run that read every header, before the
    // device is reset (the wizard closes).
    std::function<void()> AfterStore;
    // How a stored round is validated; empty: on the database given.
    std::function<void(int)> Validate;
    // The course page's once-per-run flag of the default-information warning.
    unsigned char* LengthWarningShown = nullptr;

    Outcome Import();
    Outcome Run();

    // What the run found and did, for its caller.
    CourseEntry CourseDirectory[u8::CourseSlots] = {};
    std::vector<TCourseReport> Courses;
    std::vector<TGameReport> Games;
    int CourseFailures = 0;
    int GameFailures = 0;

private:
    TU8Device& device_;
    TDatabase& db_;
    int userId_;
    unsigned char ownWarning_ = 0;
};
