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
    if (Visited == 0) U8Button->setChecked(true);
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
        TransWiz2->NextButton->setDefault(true);
        TransWiz2->NextButton->setFocus();
        OpenNext(TransWiz2);
    } else if (DownloadAllRoundsU8Button->isChecked()) {
        DownloadAllRounds();
    } else if (U8Button->isChecked()) {
        TransWiz21->Visited = 0;
        TransWiz21->NextButton->setDefault(true);
        TransWiz21->NextButton->setFocus();
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
    road.AfterStore = [this] {
        Frame()->RefreshListWindows();
        done(wizard::Finished);
    };
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

TAllRoundsDownload::Outcome TAllRoundsDownload::Run() {
    if (device_.CheckDevice() == -1) {
        MessageBox(CannotConnectU8Text + device_.PortAccessNote(), "Error!", MB_OK, MB_ICONERROR);
        device_.ClosePort();
        return NoDevice;
    }
    if (device_.ReadCourseDirectory(CourseDirectory) != 0) {
        device_.ClosePort();
        MessageBox("Error in receiving course data.", "Error", MB_OK, MB_ICONERROR);
        return DirectoryFailed;
    }
    TProgressScope progress("");
    {
        TCourseImport courses(device_, db_, userId_);
        std::memcpy(courses.CourseDirectory, CourseDirectory, sizeof CourseDirectory);
        if (LengthWarningShown) courses.LengthWarningShown = LengthWarningShown;
        for (int n = 1; n <= u8::GameAreas; ++n)
            courses.GameHeaderRead[n - 1] = device_.ReadGameHeader(n, &courses.GameHeaders[n - 1]) == 0;
        for (int slot = 0; slot < u8::CourseSlots; ++slot)
            if (courses.CourseDirectory[slot].CourseId != u8::FreeSlot && courses.StoreCourse(slot) != 0)
                ++CourseFailures;
        std::memcpy(CourseDirectory, courses.CourseDirectory, sizeof CourseDirectory);
    }
    TRoundImport rounds(device_, db_, userId_);
    if (Validate) rounds.Validate = Validate;
    for (int n = 1; n <= u8::GameAreas; ++n) {
        GameHeader header;
        if (device_.ReadGameHeader(n, &header) != 0) {
            HideProgress();
            device_.ClosePort();
            MessageBox("Error in receiving game data.", "Error", MB_OK, MB_ICONERROR);
            return GameFailed;
        }
        if (header.Year != 0xFF && rounds.StoreGame(header, n - 1) != 0) ++GameFailures;
    }
    HideProgress();
    if (AfterStore) AfterStore();
    device_.ResetU8();
    device_.ClosePort();
    MessageBox("Transfer completed successfully!", "Transfer completed!", MB_OK, MB_ICONINFORMATION);
    return Done;
}
