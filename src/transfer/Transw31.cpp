#include "transfer/Transw31.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstring>

#include "db/Table.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "platform/Messagebox.h"
#include "platform/Textutil.h"
#include "common/Caption.h"
#include "common/Frame.h"
#include "courses/Scorecard.h"
#include "transfer/Transfercommon.h"
#include "transfer/Wizardstate.h"

TTransWiz31* TransWiz31 = nullptr;

using transfer::DeviceText;

TTransWiz31::TTransWiz31(QWidget* owner) : TWizardPage(owner) {
    setObjectName("TransWiz31");
    setWindowTitle("Transfer Wizard - step 4");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HeadingLabel(this, "Courses to transfer"));
    Label5 = new QLabel(this);
    Label5->setObjectName("Label5");
    Label5->setWordWrap(true);
    layout->addWidget(Label5);
    layout->addWidget(new QLabel("Available Courses", this));
    CourseListBox = new QTreeWidget(this);
    CourseListBox->setObjectName("CourseListBox");
    CourseListBox->setAccessibleName("Available Courses");
    CourseListBox->setColumnCount(1);
    CourseListBox->setHeaderLabels({"Course"});
    CourseListBox->setHeaderHidden(true);
    CourseListBox->setRootIsDecorated(false);
    CourseListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
    CourseListBox->setSelectionBehavior(QAbstractItemView::SelectRows);
    CourseListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CourseListBox->header()->setSectionResizeMode(QHeaderView::Stretch);
    layout->addWidget(CourseListBox);
    auto* teeRow = new QHBoxLayout;
    TeeComboBox = new QComboBox(this);
    TeeComboBox->setObjectName("TeeComboBox");
    TeeComboBox->setAccessibleName("Choose tee");
    TeeLabel = Caption("Choose tee:", TeeComboBox);
    TeeLabel->setObjectName("TeeLabel");
    teeRow->addWidget(TeeLabel);
    teeRow->addWidget(TeeComboBox, 1);
    layout->addLayout(teeRow);
    TeeLabel->hide();
    TeeComboBox->hide();
    layout->addWidget(new QLabel("To continue, click Next.", this));
    ButtonRow(layout, BackButton, NextButton, CancelButton);
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
    connect(CourseListBox, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (DeviceMode())
            CourseListBoxSelectItem();
        else
            CourseListBoxChange();
    });

    SerialPort = new TSerialPort();
    SerialPort->ShowErrors = false;
    U8Device = new TU8Device(SerialPort);
}

TTransWiz31::~TTransWiz31() {
    delete U8Device;
    delete SerialPort;
    if (TransWiz31 == this) TransWiz31 = nullptr;
}

bool TTransWiz31::DeviceMode() const { return WizardState().Source == TWizardState::TSource::Device; }

void TTransWiz31::ShowTeeChoice(bool show) {
    TeeLabel->setVisible(show);
    TeeComboBox->setVisible(show);
    CourseListBox->setSelectionMode(show ? QAbstractItemView::SingleSelection
                                         : QAbstractItemView::ExtendedSelection);
}

void TTransWiz31::hideEvent(QHideEvent* e) {
    TWizardPage::hideEvent(e);
    if (SerialPort->GetPortOpen()) U8Device->ClosePort();
    NextButton->setText("Next >");
    NextButton->setEnabled(true);
}

void TTransWiz31::FormShow() {
    TeeComboBox->clear();
    if (DeviceMode())
        ShowDevice();
    else
        ShowDatabase();
}

std::vector<int> TTransWiz31::SelectedKeys() const {
    std::vector<int> keys;
    for (int i = 0; i < CourseListBox->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = CourseListBox->topLevelItem(i);
        if (item->isSelected()) keys.push_back(item->data(0, Qt::UserRole).toInt());
    }
    return keys;
}

void TTransWiz31::ShowDevice() {
    TeeLabel->hide();
    TeeComboBox->hide();
    CourseListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
    if (U8Device->CheckDevice() == -1) {
        MessageBox(CannotConnectU8Text + U8Device->PortAccessNote(), "Error!", MB_OK, MB_ICONERROR);
        CourseListBox->clear();
        done(wizard::Cancelled);
        return;
    }
    NextButton->setDefault(true);
    CourseListBox->clear();
    if (U8Device->ReadCourseDirectory(CourseDirectory) != 0) {
        MessageBox("Error in receiving course data!\n\nCheck that the U8 is connected\nand ensure no "
                   "other software\nis using the serial port.",
                   "Error!", MB_OK, MB_ICONERROR);
        return;
    }
    for (int s = 0; s < u8::CourseSlots; ++s) {
        if (CourseDirectory[s].CourseId == u8::FreeSlot) continue;
        auto* item = new QTreeWidgetItem(CourseListBox);
        item->setText(0, QString::fromStdString(DeviceText(CourseDirectory[s].Name, 11)));
        item->setData(0, Qt::UserRole, s);
    }
    if (CourseListBox->topLevelItemCount() == 0) {
        MessageBox("You don't have any courses to transfer", "No courses available");
        NextButton->setEnabled(false);
    }
    NextButton->setText("Finish");
}

void TTransWiz31::ShowDatabase() {
    const TWizardState& state = WizardState();
    Label5->setText(state.Destination == TWizardState::TDestination::Web
                        ? "Select one or more course(s) to be transferred. Click and hold CTRL down "
                          "to select multiple courses."
                        : "Select one course and one tee to be transferred.");
    ShowTeeChoice(state.OneCourseAndTee);
    NextButton->setDefault(true);
    CourseListBox->clear();
    TTable courses(&Frame()->Database, "Course_General");
    courses.Open();
    for (courses.First(); !courses.Eof(); courses.Next()) {
        auto* item = new QTreeWidgetItem(CourseListBox);
        item->setText(0, QString::fromStdString(courses.FieldByName("Course_Name").AsString()));
        item->setData(0, Qt::UserRole, courses.FieldByName("CourseId").AsInteger());
    }
}

void TTransWiz31::FillTees(int courseId) {
    TeeComboBox->clear();
    std::vector<std::string> names;
    try {
        names = CourseTeeNames(Frame()->Database, courseId);
    } catch (const EDatabaseError& e) {
        // A course no window opens offers no tee.
        ShowErrorMessage(e);
        return;
    }
    for (const std::string& name : names) TeeComboBox->addItem(QString::fromStdString(name));
    if (TeeComboBox->count() > 0) TeeComboBox->setCurrentIndex(0);
}

void TTransWiz31::CourseListBoxSelectItem() {
    TeeComboBox->hide();
    TeeLabel->hide();
    const std::vector<int> keys = SelectedKeys();
    if (keys.empty() || keys[0] < 0 || keys[0] >= u8::CourseSlots) return;
    // A course imported before: its number and name are a course of the database.
    const int number = CourseDirectory[keys[0]].CourseId;
    const std::map<int, int> known = KnownSlots(CourseDirectory, KnownCourses(Frame()->Database));
    if (number > 3 && known.count(keys[0]) != 0) {
        TeeComboBox->show();
        TeeLabel->show();
        FillTees(number);
    }
}

void TTransWiz31::CourseListBoxChange() {
    if (!TeeComboBox->isVisible() && !WizardState().OneCourseAndTee) return;
    const std::vector<int> keys = SelectedKeys();
    if (keys.empty()) return;
    FillTees(keys[0]);
}

void TTransWiz31::NextButtonClick() {
    TransWiz4->move(pos());
    const std::vector<int> keys = SelectedKeys();
    if (int(keys.size()) > TTransWiz4::MaxCourses) {
        MessageBox("You can only transfer 3 courses at a time", "Too many courses");
        return;
    }
    if (keys.empty()) {
        MessageBox("You must choose at least one course", "No courses chosen");
        return;
    }
    if (DeviceMode())
        NextDevice();
    else
        NextDatabase();
}

void TTransWiz31::NextDevice() {
    std::vector<TCourseReport> reports;
    {
        TProgressScope progress("Receiving game data");
        TCourseImport import(*U8Device, Frame()->Database, Frame()->GetUserId());
        import.ReadDatabase();
        // A header read in an earlier run but not now is stale: never written back.
        for (int n = 1; n <= u8::GameAreas; ++n)
            GameHeaderRead[n - 1] = U8Device->ReadGameHeader(n, &GameHeaders[n - 1]) == 0;
        std::memcpy(import.CourseDirectory, CourseDirectory, sizeof CourseDirectory);
        std::memcpy(import.GameHeaders, GameHeaders, sizeof GameHeaders);
        std::memcpy(import.GameHeaderRead, GameHeaderRead, sizeof GameHeaderRead);
        import.TeeIndex = TeeComboBox->isVisible() ? TeeComboBox->currentIndex() : -1;
        import.ReadDevice(SelectedKeys());
        progress.SetMessage("Storing course");
        reports = import.Store();
        std::memcpy(CourseDirectory, import.CourseDirectory, sizeof CourseDirectory);
        std::memcpy(GameHeaders, import.GameHeaders, sizeof GameHeaders);
    }
    const bool errors = ShowCourseReports(reports, WizardState().LengthWarningShown);
    done(wizard::Finished);
    Frame()->RefreshListWindows();
    MessageBox(errors ? "Transfer of course(s) completed with errors!"
                      : "Transfer of course(s) completed successfully!",
               "Transfer completed!", MB_OK, MB_ICONINFORMATION);
}

bool ShowCourseReports(const std::vector<TCourseReport>& reports, unsigned char& lengthWarningShown) {
    bool errors = false;
    for (const TCourseReport& r : reports) {
        const auto failed = [&r](const std::string& cause) {
            MessageBox("Transfer of course " + r.Name + " failed! Please try again." + (cause.empty() ? "" : "\n" + cause),
                       "Transfer error!", MB_OK, MB_ICONERROR);
        };
        switch (r.Outcome) {
        case TCourseReport::Refused:
            MessageBox("Transfer of " + r.Name + " has been cancelled\nbecause it has a hole without par.",
                       r.EighteenHoles ? "Less than 18 holes!" : "Less than 9 holes!", MB_OK,
                       MB_ICONINFORMATION);
            errors = true;
            break;
        case TCourseReport::Failed:
            failed(r.Cause);
            errors = true;
            break;
        case TCourseReport::Stored:
        case TCourseReport::Merged:
            for (int hole : r.UndefinedLengths) {
                if (lengthWarningShown == 0) {
                    MessageBox("Please check and correct default information of the course " + r.Name +
                                   ",\nthat you are going to download from your U8.\nAlso supply any "
                                   "missing information.",
                               "Transfer error!", MB_OK, MB_ICONINFORMATION);
                    lengthWarningShown = 1;
                }
                MessageBox("The length of hole " + std::to_string(hole) + " at " + r.Name +
                               " is undefined.\nGo to edit course window and fill in the value.",
                           "Undefined hole length!", MB_OK, MB_ICONINFORMATION);
            }
            if (r.HeaderFailed) {
                failed("A round of the course on the U8 could not be given the course's new number.");
                errors = true;
            }
            break;
        }
    }
    return errors;
}

void TTransWiz31::NextDatabase() {
    TWizardState& state = WizardState();
    std::vector<TTransWiz4::CourseHeader> courses;
    try {
        TProgressScope progress("Preparing course data");
        for (int i = 0; i < CourseListBox->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = CourseListBox->topLevelItem(i);
            if (!item->isSelected()) continue;
            courses.push_back(state.Send.Courses[courses.size()]);
            FillCourse(Frame()->Database, item->data(0, Qt::UserRole).toInt(), item->text(0).toStdString(),
                       courses.back());
        }
    } catch (const EDatabaseError& e) {
        // A course that does not load as the course window loads it is not sent.
        ShowErrorMessage(e);
        return;
    }
    for (size_t n = 0; n < courses.size(); ++n) state.Send.Courses[n] = std::move(courses[n]);
    state.Send.CourseCount = int(courses.size());
    state.Send.TransferKind = 0;
    state.TeeIndex = TeeComboBox->currentIndex();
    OpenNext(TransWiz4);
}

// ---------------------------------------------------------------------------

std::vector<std::string> CourseTeeNames(TDatabase& db, int courseId) {
    std::vector<std::string> names;
    TTable course(&db, "Course_General");
    course.SetFilter("CourseId = " + std::to_string(courseId));
    course.Open();
    if (course.IsEmpty()) return names;
    const int tees = StoredTeeCount(course.FieldByName("Tees"));
    TTable card(&db, "ScoreCard");
    card.SetFilter("CourseId = " + std::to_string(courseId));
    card.Open();
    for (int t = 1; t <= tees; ++t) {
        std::string name = card.IsEmpty() ? "" : card.FieldByName("Tee" + std::to_string(t) + "Name").AsString();
        names.push_back(name.empty() ? "Tee number: " + std::to_string(t) : name);
    }
    return names;
}

void FillCourse(TDatabase& db, int courseId, const std::string& listName,
                TTransWiz4::CourseHeader& c) {
    const std::string id = std::to_string(courseId);
    TTable course(&db, "Course_General");
    course.SetFilter("CourseId=" + id);
    course.Open();
    // A tee count the course window cannot show throws before anything is copied.
    if (!course.IsEmpty()) StoredTeeCount(course.FieldByName("Tees"));
    c.CourseName = listName;
    c.CourseId = courseId;
    if (!course.IsEmpty()) {
        c.WebId = course.FieldByName("Web_Id").AsInteger();
        c.HoleCount = course.FieldByName("18Holes").AsBoolean() ? 18 : 9;
        c.Country = TrimLine(course.FieldByName("Country").AsString());
        c.State = course.FieldByName("State").AsString();
        c.Description = course.FieldByName("Description").AsString();
        c.Address2 = course.FieldByName("Address2").AsString();
        c.Email = course.FieldByName("Email").AsString();
        c.Link = course.FieldByName("Link").AsString();
        c.Address1 = course.FieldByName("Address1").AsString();
        c.ZipCode = course.FieldByName("Zip_Code").AsString();
        c.Telephone = course.FieldByName("Telephone").AsString();
        c.Fax = course.FieldByName("Fax").AsString();
    } else {
        c.HoleCount = 9;
    }
    TTable card(&db, "ScoreCard");
    card.SetFilter("CourseId=" + id);
    card.Open();
    for (int t = 1; t <= 6; ++t) {
        const size_t i = size_t(t - 1);
        const std::string n = std::to_string(t);
        const bool has = !card.IsEmpty();
        c.CRM[i] = has ? card.FieldByName("CR" + n + "M").AsFloat() : 0;
        c.CRF[i] = has ? card.FieldByName("CR" + n + "F").AsFloat() : 0;
        c.TL[i] = has ? card.FieldByName("TL" + n).AsInteger() : 0;
        c.SM[i] = has ? card.FieldByName("S" + n + "M").AsInteger() : 0;
        c.SF[i] = has ? card.FieldByName("S" + n + "F").AsInteger() : 0;
        c.TeeCol[i] = has ? card.FieldByName("Tee" + n + "Col").AsInteger() : 0;
        c.TeeName[i] = has ? card.FieldByName("Tee" + n + "Name").AsString() : "";
    }
    TTable holes(&db, "Holes");
    holes.SetFilter("CourseId=" + id);
    holes.Open();
    TTable points(&db, "Waypoints");
    points.AddSort("[HoleId] ASC");
    points.AddSort("[Type] ASC");
    points.AddSort("[Tee] ASC");
    points.AddSort("[PointId] ASC");
    points.SetFilter("CourseId=" + id);
    points.Open();
    for (int j = 0; j < c.HoleCount; ++j) {
        TTransWiz4::CourseSample& h = c.Holes[size_t(j)];
        h = TTransWiz4::CourseSample();
        h.Hole = j + 1;
        if (!holes.Locate("HoleNumber", TVariant(j + 1))) continue;  // no row: an empty record
        h.HoleId = holes.FieldByName("HoleId").AsInteger();
        h.HolePar = holes.FieldByName("HolePar").AsInteger();
        for (int t = 1; t <= 6; ++t)
            h.HoleLength[size_t(t - 1)] = holes.FieldByName("HoleLength" + std::to_string(t)).AsInteger();
        h.LatitudeM1 = holes.FieldByName("LatitudeM1").AsFloat();
        h.LongitudeM1 = holes.FieldByName("LongitudeM1").AsFloat();
        h.LatitudeM2 = holes.FieldByName("LatitudeM2").AsFloat();
        h.LongitudeM2 = holes.FieldByName("LongitudeM2").AsFloat();
        h.HoleHCP1 = holes.FieldByName("HoleHCP1").AsInteger();
        h.HoleHCP2 = holes.FieldByName("HoleHCP2").AsInteger();
        h.HoleDesc = holes.FieldByName("HoleDesc").AsString();
        const std::string where = "CourseId=" + id + " and HoleId=" + std::to_string(h.HoleId);
        points.SetFilter(where + " and type=2");
        if (!points.IsEmpty()) {
            points.First();
            h.LatitudeH = points.FieldByName("Latitude").AsFloat();
            h.LongitudeH = points.FieldByName("Longitude").AsFloat();
            h.PinDesc = points.FieldByName("Description").AsString();
        }
        points.SetFilter(where + " and type=1");
        points.First();
        for (int t = 1; t <= 6; ++t) {
            const size_t i = size_t(t - 1);
            while (!points.Eof() && points.FieldByName("Tee").AsInteger() < t) points.Next();
            if (!points.Eof() && points.FieldByName("Tee").AsInteger() == t) {
                h.LatitudeT[i] = points.FieldByName("Latitude").AsFloat();
                h.LongitudeT[i] = points.FieldByName("Longitude").AsFloat();
                h.TeeDesc[i] = points.FieldByName("Description").AsString();
                points.Next();
            }
        }
        points.SetFilter(where + " and Type>2");
        for (points.First(); !points.Eof() && h.PointCount < TTransWiz4::MaxHolePoints; points.Next()) {
            const size_t k = size_t(h.PointCount++);
            h.Latitude[k] = points.FieldByName("Latitude").AsFloat();
            h.Longitude[k] = points.FieldByName("Longitude").AsFloat();
            h.PointId[k] = points.FieldByName("PointId").AsInteger();
            h.PointWebId[k] = points.FieldByName("PointWebId").AsInteger();
            h.PointDesc[k] = points.FieldByName("Description").AsString();
            h.PointName[k] = points.FieldByName("Name").AsString();
            h.PointType[k] = points.FieldByName("Type").AsInteger();
        }
    }
}
