#include "transfer/Transw1.h"

#include <QButtonGroup>
#include <QFrame>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstring>

#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "platform/Messagebox.h"
#include "common/Frame.h"
#include "transfer/Transfercommon.h"
#include "transfer/Transw2.h"
#include "transfer/Transw21.h"
#include "transfer/Transw31.h"
#include "transfer/Transw34.h"
#include "transfer/Transw35.h"
#include "transfer/Wizardstate.h"

TTransWiz1* TransWiz1 = nullptr;

TTransWiz1::TTransWiz1(QWidget* owner) : TWizardPage(owner) {
    setObjectName("TransWiz1");
    setWindowTitle("Transfer Wizard - step 1");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(HeaderPanel(this, "Select Source", "Select where you want to transfer files from."));
    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(40, 12, 12, 0);
    U8Button = Choice(choices, "U8Button", "Veltaro U8");
    KXButton = Choice(choices, "KXButton", "Caddora");
    DownloadButton = Choice(choices, "DownloadButton", "Peakrally");
    DownloadAllRoundsU8Button = Choice(choices, "DownloadAllRoundsU8Button", "All Rounds, U8 to Caddora");
    layout->addLayout(choices);
    layout->addStretch();
    ButtonRow(layout, BackButton, NextButton, CancelButton);
    // The choice lives in the wizard's state, where the later pages read it.
    const std::pair<QRadioButton*, TWizardState::TSource> sources[] = {
        {U8Button, TWizardState::TSource::Device},
        {KXButton, TWizardState::TSource::Database},
        {DownloadButton, TWizardState::TSource::Web},
        {DownloadAllRoundsU8Button, TWizardState::TSource::AllRounds}};
    for (const auto& [button, source] : sources)
        connect(button, &QRadioButton::toggled, this, [source](bool on) {
            if (on) WizardState().Source = source;
        });
    U8Button->setChecked(true);
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
    connect(DownloadAllRoundsU8Button, &QRadioButton::clicked, this,
            [this] { NextButton->setText("Finish"); });
    for (QRadioButton* b : {U8Button, DownloadButton})
        connect(b, &QRadioButton::clicked, this, [this] {
            NextButton->setText("Next >");
            NextButton->setEnabled(true);
            setTabOrder(NextButton, CancelButton);
        });
    connect(KXButton, &QRadioButton::clicked, this, [this] {
        NextButton->setEnabled(true);
        NextButton->setText("Next >");
    });
}

TTransWiz1::~TTransWiz1() {
    delete U8Device;
    delete SerialPort;
    if (TransWiz1 == this) TransWiz1 = nullptr;
}

void TTransWiz1::UpdateNextButton() {
    NextButton->setText(DownloadAllRoundsU8Button->isChecked() ? "Finish" : "Next >");
    NextButton->setEnabled(true);
}

void TTransWiz1::FormShow() {
    // Opened anew: the default choice, and "Next >" has the focus.
    if (Visited == 0) {
        U8Button->setChecked(true);
        NextButton->setFocus();
    }
    NextButton->setDefault(true);
    UpdateNextButton();
}

void TTransWiz1::NextButtonClick() {
    Visited = 1;
    if (DownloadButton->isChecked()) {
        if (TransWiz34) {
            TransWiz34->Visited = 0;
            OpenNext(TransWiz34);
        }
    } else if (KXButton->isChecked()) {
        TransWiz2->Visited = 0;
        OpenNext(TransWiz2);
    } else if (DownloadAllRoundsU8Button->isChecked()) {
        DownloadAllRounds();
    } else if (U8Button->isChecked()) {
        TransWiz21->Visited = 0;
        OpenNext(TransWiz21);
    }
}

void TTransWiz1::DownloadAllRounds() {
    delete U8Device;
    delete SerialPort;
    SerialPort = new TSerialPort();
    SerialPort->ShowErrors = false;
    U8Device = new TU8Device(SerialPort);
    TAllRoundsDownload road(*U8Device, Frame()->Database, Frame()->GetUserId());
    road.Validate = ValidateImportedRound;
    road.Refresh = [] { Frame()->RefreshListWindows(); };
    road.AfterStore = [this] { done(wizard::Finished); };
    road.LengthWarningShown = &WizardState().LengthWarningShown;
    const TAllRoundsDownload::Outcome outcome = road.Run();
    if (outcome == TAllRoundsDownload::NoDevice) done(wizard::Cancelled);
    // The road's port is closed by now; the objects go with it.
    delete U8Device;
    U8Device = nullptr;
    delete SerialPort;
    SerialPort = nullptr;
}

// ---------------------------------------------------------------------------

TAllRoundsDownload::TAllRoundsDownload(TU8Device& device, TDatabase& db, int userId)
    : device_(device), db_(db), userId_(userId) {}

TAllRoundsDownload::Outcome TAllRoundsDownload::Import() {
    Courses.clear();
    Games.clear();
    CourseFailures = GameFailures = 0;
    if (device_.CheckDevice() == -1) {
        device_.ClosePort();
        return NoDevice;
    }
    TCourseImport courses(device_, db_, userId_);
    TRoundImport rounds(device_, db_, userId_);
    if (Validate) rounds.Validate = Validate;
    // One snapshot of the courses before the run serves both imports.
    courses.ReadDatabase();
    rounds.ReadDatabase(courses.Before);

    // Everything from the device first.
    if (device_.ReadCourseDirectory(CourseDirectory) != 0) {
        device_.ClosePort();
        return DirectoryFailed;
    }
    // A header that cannot be read ends the games there; the courses still go.
    int headersRead = 0;
    while (headersRead < u8::GameAreas &&
           device_.ReadGameHeader(headersRead + 1, &courses.GameHeaders[headersRead]) == 0)
        courses.GameHeaderRead[headersRead++] = true;
    std::memcpy(courses.CourseDirectory, CourseDirectory, sizeof CourseDirectory);
    std::vector<int> courseSlots, areas;
    for (int slot = 0; slot < u8::CourseSlots; ++slot)
        if (CourseDirectory[slot].CourseId != u8::FreeSlot) courseSlots.push_back(slot);
    for (int n = 0; n < headersRead; ++n)
        if (courses.GameHeaders[n].Year != 0xFF) areas.push_back(n);
    courses.ReadDevice(courseSlots);
    std::memcpy(rounds.CourseDirectory, CourseDirectory, sizeof CourseDirectory);
    rounds.DirectoryRead = true;
    rounds.ReadDevice(courses.GameHeaders, areas);

    // Then the database, each course and game in its own transaction, and
    // the device's new numbers; each round goes on the course this run gave
    // its slot.
    Courses = courses.Store();
    Games = rounds.Store(courses.SlotCourses);
    std::memcpy(CourseDirectory, courses.CourseDirectory, sizeof CourseDirectory);
    for (const TCourseReport& r : Courses)
        if (r.Outcome == TCourseReport::Refused || r.Outcome == TCourseReport::Failed || r.HeaderFailed)
            ++CourseFailures;
    for (const TGameReport& r : Games)
        if (r.Outcome == TGameReport::Failed) ++GameFailures;
    if (Refresh) Refresh();
    if (headersRead < u8::GameAreas) {
        device_.ClosePort();
        return GameFailed;
    }
    if (AfterStore) AfterStore();
    device_.ResetU8();
    device_.ClosePort();
    return Done;
}

TAllRoundsDownload::Outcome TAllRoundsDownload::Run() {
    Outcome outcome;
    {
        TProgressScope progress("");
        outcome = Import();
    }
    switch (outcome) {
    case NoDevice:
        MessageBox(CannotConnectU8Text + device_.PortAccessNote(), "Error!", MB_OK, MB_ICONERROR);
        return outcome;
    case DirectoryFailed:
        MessageBox("Error in receiving course data.", "Error", MB_OK, MB_ICONERROR);
        return outcome;
    default:
        break;
    }
    ShowCourseReports(Courses, LengthWarningShown ? *LengthWarningShown : ownWarning_);
    ShowGameReports(Games);
    if (outcome == GameFailed) {
        MessageBox("Error in receiving game data.", "Error", MB_OK, MB_ICONERROR);
        return outcome;
    }
    if (CourseFailures + GameFailures > 0)
        MessageBox("Transfer completed with errors!", "Transfer completed!", MB_OK, MB_ICONINFORMATION);
    else
        MessageBox("Transfer completed successfully!", "Transfer completed!", MB_OK, MB_ICONINFORMATION);
    return outcome;
}
