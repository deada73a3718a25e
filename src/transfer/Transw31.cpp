#include "transfer/Transw31.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "courses/Coursestore.h"
#include "db/Table.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "platform/Messagebox.h"
#include "platform/Textutil.h"
#include "common/Frame.h"
#include "transfer/Transfercommon.h"
#include "transfer/Transw1.h"
#include "transfer/Transw2.h"

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
    TeeLabel = new QLabel("Choose tee:", this);
    TeeLabel->setObjectName("TeeLabel");
    TeeComboBox = new QComboBox(this);
    TeeComboBox->setObjectName("TeeComboBox");
    TeeComboBox->setAccessibleName("Choose tee");
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

bool TTransWiz31::DeviceMode() const { return TransWiz1 && TransWiz1->U8Button->isChecked(); }

void TTransWiz31::ShowTeeChoice(bool show) {
    tee_ = show;
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
    Label5->setText(TransWiz2 && TransWiz2->WebButton->isChecked()
                        ? "Select one or more course(s) to be transferred. Click and hold CTRL down "
                          "to select multiple courses."
                        : "Select one course and one tee to be transferred.");
    ShowTeeChoice(tee_);
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
    for (const std::string& name : CourseTeeNames(Frame()->Database, courseId))
        TeeComboBox->addItem(QString::fromStdString(name));
    if (TeeComboBox->count() > 0) TeeComboBox->setCurrentIndex(0);
}

void TTransWiz31::CourseListBoxSelectItem() {
    TeeComboBox->hide();
    TeeLabel->hide();
    const std::vector<int> keys = SelectedKeys();
    if (keys.empty() || keys[0] < 0 || keys[0] >= u8::CourseSlots) return;
    const int number = CourseDirectory[keys[0]].CourseId;
    TTable courses(&Frame()->Database, "Course_General");
    courses.SetFilter("CourseId = " + std::to_string(number));
    courses.Open();
    if (number > 3 && !courses.IsEmpty()) {
        TeeComboBox->show();
        TeeLabel->show();
        FillTees(number);
    }
}

void TTransWiz31::CourseListBoxChange() {
    if (!TeeComboBox->isVisible() && !tee_) return;
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
    bool errors = false;
    {
        TProgressScope progress("Receiving game data");
        TCourseImport import(*U8Device, Frame()->Database, Frame()->GetUserId());
        // A header read in an earlier run but not now is stale: never written back.
        for (int n = 1; n <= u8::GameAreas; ++n)
            GameHeaderRead[n - 1] = U8Device->ReadGameHeader(n, &GameHeaders[n - 1]) == 0;
        std::memcpy(import.CourseDirectory, CourseDirectory, sizeof CourseDirectory);
        std::memcpy(import.GameHeaders, GameHeaders, sizeof GameHeaders);
        std::memcpy(import.GameHeaderRead, GameHeaderRead, sizeof GameHeaderRead);
        import.TeeIndex = TeeComboBox->isVisible() ? TeeComboBox->currentIndex() : -1;
        import.LengthWarningShown = &LengthWarningShown;
        for (int slot : SelectedKeys())
            if (slot >= 0 && slot < u8::CourseSlots && import.StoreCourse(slot) != 0) errors = true;
        std::memcpy(CourseDirectory, import.CourseDirectory, sizeof CourseDirectory);
        std::memcpy(GameHeaders, import.GameHeaders, sizeof GameHeaders);
    }
    done(wizard::Finished);
    Frame()->RefreshListWindows();
    MessageBox(errors ? "Transfer of course(s) completed with errors!"
                      : "Transfer of course(s) completed successfully!",
               "Transfer completed!", MB_OK, MB_ICONINFORMATION);
}

void TTransWiz31::NextDatabase() {
    int n = 0;
    {
        TProgressScope progress("Preparing course data");
        for (int i = 0; i < CourseListBox->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = CourseListBox->topLevelItem(i);
            if (!item->isSelected()) continue;
            FillCourse(Frame()->Database, item->data(0, Qt::UserRole).toInt(),
                       item->text(0).toStdString(), TransWiz4->Courses[size_t(n)]);
            ++n;
        }
        TransWiz4->CourseCount = n;
        TransWiz4->TransferKind = 0;
    }
    OpenNext(TransWiz4);
}

// ---------------------------------------------------------------------------

std::vector<std::string> CourseTeeNames(TDatabase& db, int courseId) {
    std::vector<std::string> names;
    TTable course(&db, "Course_General");
    course.SetFilter("CourseId = " + std::to_string(courseId));
    course.Open();
    if (course.IsEmpty()) return names;
    const int tees = std::clamp(course.FieldByName("Tees").AsInteger(), 0, 6);
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

// ---------------------------------------------------------------------------
// The device course import.

// Course_General.U8_Name holds 8 characters; a device name has up to 11.
constexpr size_t U8NameLength = 8;

TCourseImport::TCourseImport(TU8Device& device, TDatabase& db, int userId)
    : device_(device), db_(db), userId_(userId) {}

int TCourseImport::PointType(const std::string& name) {
    std::string n = name;
    for (char& ch : n) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    auto starts = [&](const char* p) { return n.rfind(p, 0) == 0; };
    if (n == "tee") return 1;
    if (n == "pin") return 2;
    if (n == "green") return 3;
    if (starts("lay")) return 4;
    if (starts("water")) return 5;
    if (starts("bunker")) return 6;
    if (starts("rough")) return 7;
    return 0;
}

// The points of ids firstId..lastId that the device lists (all of them when
// its list is full), in list order; a point that cannot be read is skipped.
std::vector<TCourseImport::Point> TCourseImport::ReadPoints(int slot, int firstId, int lastId) {
    std::vector<int> ids;
    if (CoursePoints.Count >= u8::MaxPointListIds) {
        for (int id = firstId; id <= lastId; ++id) ids.push_back(id);
    } else {
        for (int i = 0; i < CoursePoints.Count && i < u8::MaxPointListIds; ++i)
            if (CoursePoints.Ids[i] >= firstId && CoursePoints.Ids[i] <= lastId)
                ids.push_back(CoursePoints.Ids[i]);
    }
    std::vector<Point> points;
    for (int id : ids) {
        DevicePoint p{};
        if (device_.ReadPoint(uint16_t(id), &p, 0) != 0) {
            // A point the device refuses is skipped; a device that gives no
            // answer at all is gone, and waiting out every further point
            // would hold the program for many minutes.
            const TSerialPort* port = device_.Port();
            if (!port || (port->LastError == 0 && !port->ReplyWithoutData)) {
                pointsUnread_ = true;
                break;
            }
            continue;
        }
        points.push_back({id, DeviceText(p.Name, sizeof p.Name), p.Latitude, p.Longitude});
    }
    return points;
}

int TCourseImport::Failed(const std::string& name) {
    MessageBox("Transfer of course " + name + " failed! Please try again.", "Transfer error!", MB_OK,
               MB_ICONERROR);
    return 1;
}

int TCourseImport::StoreCourse(int slot) {
    if (slot < 0 || slot >= u8::CourseSlots) return 1;
    CourseEntry& e = CourseDirectory[slot];
    const std::string name = DeviceText(e.Name, sizeof e.Name);
    const bool nine = e.Holes <= 9;
    for (int h = 0; h < (nine ? 9 : 18); ++h) {
        if (e.Hole[h].Par == 0) {
            MessageBox("Transfer of " + name + " has been cancelled\nbecause it has a hole without par.",
                       nine ? "Less than 9 holes!" : "Less than 18 holes!", MB_OK, MB_ICONINFORMATION);
            return 1;
        }
    }
    if (device_.ReadPointList(0, &CoursePoints, 0) != 0) CoursePoints.Count = 0;
    const int oldNumber = e.CourseId;
    {
        TTable courses(&db_, "Course_General");
        courses.SetFilter("CourseId = " + std::to_string(oldNumber));
        courses.Open();
        if (!courses.IsEmpty()) {
            SetProgress("Updating waypoints");
            return UpdateWaypoints(slot, oldNumber);
        }
    }
    SetProgress("Storing course");
    const int holeCount = e.Holes == 18 ? 18 : 9;
    // Everything the course needs from the device, before a row is written.
    std::vector<std::vector<Point>> holePoints;
    holePoints.resize(size_t(holeCount));
    pointsUnread_ = false;
    for (int h = 1; h <= holeCount && !pointsUnread_; ++h) {
        const int first = u8::PointsPerCourse * slot + u8::PointsPerHole * (h - 1) + 1;
        holePoints[size_t(h - 1)] = ReadPoints(slot, first, first + u8::PointsPerHole - 1);
    }
    if (pointsUnread_) return Failed(name);
    CourseEntry written = e;  // what goes back to the device: the entry as read, new number
    int newId = 0;
    try {
        TTransaction tx(db_);
        TTable course(&db_, "Course_General");
        course.SetFilter("CourseId = 0");
        course.Open();
        course.Append();
        course.FieldByName("Course_Name").SetAsString(name);
        course.FieldByName("U8_Name").SetAsString(FirstChars(name, U8NameLength));
        course.FieldByName("18Holes").SetAsBoolean(e.Holes == 18);
        course.FieldByName("Tees").SetAsInteger(1);
        {
            TTable player(&db_, "PlayerDetail");
            player.Open();
            if (player.Locate("UserId", TVariant(userId_)))
                course.FieldByName("Country").SetValue(player.FieldByName("Country").Value());
        }
        course.Post();
        newId = course.FieldByName("CourseId").AsInteger();
        TTable card(&db_, "ScoreCard");
        card.SetFilter("CourseId = " + std::to_string(newId));
        card.Open();
        card.Append();
        card.FieldByName("CourseId").SetAsInteger(newId);
        card.FieldByName("CR1M").SetAsFloat(72);
        card.FieldByName("CR1F").SetAsFloat(72);
        card.FieldByName("S1M").SetAsInteger(113);
        card.FieldByName("S1F").SetAsInteger(113);
        card.FieldByName("Tee1Col").SetAsInteger(16777215);
        card.FieldByName("HoleCol").SetAsInteger(65280);
        card.Post();
        TTable holes(&db_, "Holes");
        holes.SetFilter("CourseId = " + std::to_string(newId));
        holes.Open();
        TTable points(&db_, "Waypoints");
        points.SetFilter("CourseId = " + std::to_string(newId));
        points.Open();
        for (int h = 1; h <= holeCount; ++h) {
            CourseHoleEntry& he = e.Hole[h - 1];
            holes.Append();
            holes.FieldByName("CourseId").SetAsInteger(newId);
            holes.FieldByName("HoleNumber").SetAsInteger(h);
            holes.FieldByName("HolePar").SetAsInteger(he.Par);
            holes.FieldByName("HoleHCP1").SetAsInteger(h);
            holes.FieldByName("HoleHCP2").SetAsInteger(0);
            if (he.Length == 0 || he.Length == 0xFFFF) {
                if (*LengthWarningShown == 0) {
                    MessageBox("Please check and correct default information of the course " + name +
                                   ",\nthat you are going to download from your U8.\nAlso supply any "
                                   "missing information.",
                               "Transfer error!", MB_OK, MB_ICONINFORMATION);
                    *LengthWarningShown = 1;
                }
                he.Length = 0;
                MessageBox("The length of hole " + std::to_string(h) + " at " + name +
                               " is undefined.\nGo to edit course window and fill in the value.",
                           "Undefined hole length!", MB_OK, MB_ICONINFORMATION);
                holes.FieldByName("HoleLength1").SetAsInteger(80);
            } else {
                // The column holds a signed 16-bit number; a longer device length is cut.
                holes.FieldByName("HoleLength1").SetAsInteger(std::min<int>(he.Length, 32767));
            }
            holes.Post();
            const int holeId = holes.FieldByName("HoleId").AsInteger();
            for (const Point& p : holePoints[size_t(h - 1)]) {
                points.Append();
                points.FieldByName("CourseId").SetAsInteger(newId);
                points.FieldByName("HoleId").SetAsInteger(holeId);
                points.FieldByName("Name").SetAsString(p.name);
                points.FieldByName("Latitude").SetAsFloat(p.lat * 1e-7);
                points.FieldByName("Longitude").SetAsFloat(p.lon * 1e-7);
                if (const int type = PointType(p.name); type != 0) {
                    points.FieldByName("Type").SetAsInteger(type);
                    if (type == 1) points.FieldByName("Tee").SetAsInteger(TeeIndex >= 0 ? TeeIndex + 1 : 1);
                }
                points.Post();
            }
        }
        tx.Commit();
    } catch (const std::exception&) {
        HideProgress();
        return Failed(name);
    }

    written.CourseId = uint16_t(newId);
    if (device_.WriteCourseEntry(&written, slot + 1) != 0) {
        // The entry may be half written; the course goes again (its id is never reused).
        try {
            DeleteCourse(db_, newId);
        } catch (const std::exception&) {
        }
        HideProgress();
        return Failed(name);
    }
    e.CourseId = uint16_t(newId);
    e.Holes = uint8_t(holeCount);
    bool headerFailed = false;
    for (int n = 0; n < u8::GameAreas; ++n) {
        if (!GameHeaderRead[n] || GameHeaders[n].CourseId != oldNumber) continue;
        GameHeaders[n].CourseId = uint16_t(newId);
        if (device_.WriteGameHeader(n, &GameHeaders[n]) != 0) headerFailed = true;
    }
    return headerFailed ? 1 : 0;
}

int TCourseImport::UpdateWaypoints(int slot, int courseId) {
    const int first = u8::FirstCoursePointId(slot);
    pointsUnread_ = false;
    const std::vector<Point> candidates = ReadPoints(slot, first, u8::LastCoursePointId(slot));
    if (pointsUnread_) {
        HideProgress();
        return Failed(DeviceText(CourseDirectory[slot].Name, sizeof CourseDirectory[slot].Name));
    }
    try {
        TTransaction tx(db_);
        TTable points(&db_, "Waypoints");
        points.SetFilter("CourseId = " + std::to_string(courseId));
        points.Open();
        TTable holes(&db_, "Holes");
        holes.SetFilter("CourseId = " + std::to_string(courseId));
        holes.Open();
        for (const Point& p : candidates) {
            bool there = false;
            for (points.First(); !points.Eof() && !there; points.Next())
                there = std::llround(points.FieldByName("Latitude").AsFloat() * 1e7) == p.lat &&
                        std::llround(points.FieldByName("Longitude").AsFloat() * 1e7) == p.lon;
            if (there) continue;
            const int type = PointType(p.name);
            const int hole = (p.id - first) / u8::PointsPerHole + 1;
            holes.SetFilter("CourseId = " + std::to_string(courseId) + " and HoleNumber = " +
                            std::to_string(hole));
            if (holes.IsEmpty()) continue;  // no such hole in the course
            const int holeId = holes.FieldByName("HoleId").AsInteger();
            if ((type == 2 || type == 3 || type == 4) &&
                points.Locate("HoleId;Type", {TVariant(holeId), TVariant(type)}))
                points.Edit();
            else
                points.Append();
            points.FieldByName("CourseId").SetAsInteger(courseId);
            points.FieldByName("HoleId").SetAsInteger(holeId);
            points.FieldByName("Name").SetAsString(p.name);
            points.FieldByName("Latitude").SetAsFloat(p.lat * 1e-7);
            points.FieldByName("Longitude").SetAsFloat(p.lon * 1e-7);
            if (type != 0)
                points.FieldByName("Type").SetAsInteger(type);
            else
                points.FieldByName("Type").Clear();
            if (type == 1 && TeeIndex >= 0) points.FieldByName("Tee").SetAsInteger(TeeIndex + 1);
            points.Post();
        }
        tx.Commit();
    } catch (const std::exception&) {
        HideProgress();
        return Failed(DeviceText(CourseDirectory[slot].Name, sizeof CourseDirectory[slot].Name));
    }
    return 0;
}
