#include "transfer/Transw4.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QComboBox>
#include <QFrame>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "platform/Messagebox.h"
#include "common/Frame.h"
#include "transfer/Transfercommon.h"
#include "transfer/Webexchange.h"
#include "transfer/Webreply.h"
#include "transfer/Webupload.h"
#include "transfer/Wizardstate.h"

TTransWiz4* TransWiz4 = nullptr;

TTransWiz4::TTransWiz4(QWidget* owner) : TWizardPage(owner) {
    setObjectName("TransWiz4");
    setWindowTitle("Transfer Wizard - step 5");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(HeaderPanel(this, "Confirm selections",
                                  "Review your selections and click Transfer."));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setAccessibleName("Summary");
    Memo1->setReadOnly(true);
    // The summary on the button face, not on a white text field.
    QPalette memo = Memo1->palette();
    memo.setColor(QPalette::Base, memo.color(QPalette::Button));
    Memo1->setPalette(memo);
    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(12, 8, 12, 8);
    middle->addWidget(Memo1);
    layout->addLayout(middle);
    ButtonRow(layout, BackButton, FinishButton, CancelButton, "Finish");
    FinishButton->setObjectName("FinishButton");
    connect(FinishButton, &QPushButton::clicked, this, [this] { FinishButtonClick(); });

    if (Frame()) {
        for (TTable* t : {&CourseTable, &WayPointTable, &RoundsTable, &BagTable, &ClubDetailTable,
                          &HolesTable})
            t->SetDatabase(&Frame()->Database);
        CourseTable.SetTableName("Course_General");
        WayPointTable.SetTableName("Waypoints");
        WayPointTable.AddCalcField("U8Id");
        WayPointTable.OnCalcFields = [this](TTable& t) { WayPointTableCalcFields(t); };
        RoundsTable.SetTableName("Round");
        BagTable.SetTableName("GolfBag");
        ClubDetailTable.SetTableName("ClubDetail");
        HolesTable.SetTableName("Holes");
    }
}

TTransWiz4::~TTransWiz4() {
    ReleaseDevice();
    if (TransWiz4 == this) TransWiz4 = nullptr;
}

std::vector<std::string> TTransWiz4::SummaryLines() const {
    const TWizardState& state = WizardState();
    const TTransferBuffers& b = state.Send;
    std::vector<std::string> lines;
    switch (b.TransferKind) {
    case 0:
        lines.push_back("You are about to transfer the following courses:");
        for (int i = 0; i < std::min(b.CourseCount, MaxCourses); ++i)
            lines.push_back(b.Courses[i].CourseName);
        break;
    case 1:
        lines.push_back("You are about to transfer the following bags:");
        for (int i = 0; i < std::min(b.BagCount, MaxBags); ++i) lines.push_back(b.Bags[i].BagName);
        break;
    case 2:
        lines.push_back("You are about to transfer the following rounds:");
        for (int i = 0; i < std::min(b.RoundCount, MaxRounds); ++i) lines.push_back(b.Rounds[i].Title);
        break;
    case 5:
        // Only the courses the download imported, then the asked ones that did not come.
        if (state.ImportedCourses.empty()) {
            lines.push_back("No course was downloaded.");
        } else {
            lines.push_back("You have succesfully downloaded the following courses:");
            for (const std::string& name : state.ImportedCourses) lines.push_back(name);
        }
        if (!state.MissingCourses.empty()) {
            lines.push_back("The web service did not send the following courses:");
            for (const std::string& name : state.MissingCourses) lines.push_back(name);
        }
        break;
    }
    return lines;
}

// The device upload numbers the points itself.
void TTransWiz4::WayPointTableCalcFields(TTable& table) { table.FieldByName("U8Id").SetValue(0); }

void TTransWiz4::FormShow() {
    CancelButton->setEnabled(true);
    BackButton->setEnabled(true);
    FinishButton->setDefault(true);
    setWindowTitle("Transfer Wizard - step 5");
    Memo1->clear();
    const int kind = WizardState().Send.TransferKind;
    if (kind == 5) setWindowTitle("Transfer Wizard - step 3");
    for (const std::string& line : SummaryLines())
        Memo1->appendPlainText(QString::fromStdString(line));
    if (kind == 5) {
        CancelButton->setEnabled(false);
        BackButton->setEnabled(false);
    }
}

void TTransWiz4::FinishButtonClick() {
    setResult(1);
    const TWizardState& state = WizardState();
    if (state.Send.TransferKind == 5) {
        if (!state.ImportedCourses.empty()) MessageBox("Transfer ok!", "Transfer succeeded");
    } else if (state.Destination == TWizardState::TDestination::Device) {
        SendToDevice();
        if (U8Device) U8Device->ClosePort();
        ReleaseDevice();
    } else {
        SendToWeb();
    }
    if (result() != 0) done(result());
}

void TTransWiz4::ReleaseDevice() {
    delete U8Device;
    U8Device = nullptr;
    delete SerialPort;
    SerialPort = nullptr;
}

void TTransWiz4::SendToDevice() {
    ReleaseDevice();
    SerialPort = new TSerialPort();
    SerialPort->ShowErrors = false;
    U8Device = new TU8Device(SerialPort);
    TWizardState& state = WizardState();
    TTransferBuffers& b = state.Send;
    TDeviceUpload upload(*U8Device, Frame()->Database);
    setResult(upload.Send(b.TransferKind, b.Courses, b.CourseCount, b.Bags, b.BagCount, state.TeeIndex));
}

std::string TTransWiz4::GetTagValue(const std::string& openTag, const std::string& text,
                                    const std::string& closeTag) {
    return ::GetTagValue(openTag, text, closeTag);
}

void TTransWiz4::SendToWeb() {
    TTransferBuffers& b = WizardState().Send;
    const int count = b.TransferKind == 0   ? std::clamp(b.CourseCount, 0, MaxCourses)
                      : b.TransferKind == 1 ? std::clamp(b.BagCount, 0, MaxBags)
                                            : std::clamp(b.RoundCount, 0, MaxRounds);
    TWebExchange http;
    TWebUpload upload(Frame()->Database, http, Frame()->GetUserId(), Frame()->FileVersion);
    upload.OnMemo = [this](const std::vector<std::string>& lines) {
        Memo1->clear();
        for (const std::string& line : lines) Memo1->appendPlainText(QString::fromStdString(line));
    };
    upload.Run(b, b.TransferKind, count);
}

// ---------------------------------------------------------------------------
// The device upload.

TDeviceUpload::TDeviceUpload(TU8Device& device, TDatabase& db) : device_(device), db_(db) {}

int32_t TDeviceUpload::DeviceUnits(double degrees) {
    const double units = degrees * 10000000.0;
    if (!(units > -2147483648.0 && units < 2147483647.0)) return 0;
    return int32_t(std::llround(units));
}

std::vector<int> TDeviceUpload::StrayPointIds(const std::vector<uint16_t>* listed, int slot,
                                              const std::vector<int>& written) {
    const int first = u8::FirstCoursePointId(slot), last = u8::LastCoursePointId(slot);
    std::vector<int> held;
    for (int id = first; id <= last; ++id)
        if (!listed || std::find(listed->begin(), listed->end(), uint16_t(id)) != listed->end())
            held.push_back(id);
    std::vector<int> sent(written);
    std::sort(sent.begin(), sent.end());
    std::vector<int> stray;
    std::set_difference(held.begin(), held.end(), sent.begin(), sent.end(), std::back_inserter(stray));
    return stray;
}

namespace {

uint32_t Truncated(double v) {
    if (!(v > 0)) return 0;
    if (v >= 4294967295.0) return 0xFFFFFFFFu;
    return uint32_t(v);
}

const char* const UpdateCourseError = "Error in updating course data.\nPlease try again.";
const char* const ValidationError =
    "Validation error.\nData on U8 propably corrupted.\nPlease try again.";

}  // namespace

int TDeviceUpload::Fail(const std::string& text) {
    HideProgress();
    MessageBox(text, "Error", MB_OK, MB_ICONERROR);
    return 0;
}

int TDeviceUpload::Send(int kind, std::vector<TTransWiz4::CourseHeader>& courses, int courseCount,
                        const std::vector<TTransWiz4::TBag>& bags, int bagCount, int teeIndex) {
    TProgressScope progress("Connecting...");
    device_.ClosePort();
    if (device_.CheckDevice() == -1) {
        HideProgress();
        MessageBox(CannotConnectU8Text + device_.PortAccessNote(), "Error!", MB_OK, MB_ICONERROR);
        return 0;
    }
    return SendConnected(kind, courses, courseCount, bags, bagCount, teeIndex);
}

int TDeviceUpload::SendConnected(int kind, std::vector<TTransWiz4::CourseHeader>& courses,
                                 int courseCount, const std::vector<TTransWiz4::TBag>& bags,
                                 int bagCount, int teeIndex) {
    int result = 1;
    if (kind == 1)
        result = SendBags(bags, std::min<int>(bagCount, int(bags.size())));
    else if (kind == 0)
        result = SendCourses(courses, std::min<int>(courseCount, int(courses.size())), teeIndex);
    else
        result = -1;
    if (result >= 0) return result;
    HideProgress();
    MessageBox("Transfer completed successfully!", "Transfer completed!", MB_OK, MB_ICONINFORMATION);
    return 1;
}

// Returns -1 on success (the common end follows), else the modal result.
int TDeviceUpload::SendBags(const std::vector<TTransWiz4::TBag>& bags, int count) {
    SetProgress("Receiving bag data");
    BagRecord bagSlots[u8::BagSlots];
    if (device_.ReadBags(bagSlots) != 0) {
        HideProgress();
        MessageBox("Error in receiving bag data.\nPlease try again.", "Error!", MB_OK, MB_ICONERROR);
        return 0;
    }
    for (int k = 0; k < count; ++k) {
        if (bags[size_t(k)].ClubCount < 3) {
            HideProgress();
            MessageBox("A bag to be transferred must contain at least three clubs", "Error!", MB_OK,
                       MB_ICONERROR);
            return 0;
        }
    }
    // A bag with BagId 1 owns slot 0 and is placed first, so that no other bag
    // of the transfer is put there before it.
    std::vector<int> order;
    for (int k = 0; k < count; ++k)
        if (bags[size_t(k)].BagId == 1) order.push_back(k);
    for (int k = 0; k < count; ++k)
        if (bags[size_t(k)].BagId != 1) order.push_back(k);

    bool taken[u8::BagSlots] = {};
    std::vector<int> slotOf(size_t(count), -1);
    bool putter = false;
    for (int k : order) {
        const TTransWiz4::TBag& bag = bags[size_t(k)];
        int slot = -1;
        if (bag.BagId == 1) {
            slot = 0;
        } else {
            for (int s = 0; s < u8::BagSlots && slot < 0; ++s)
                if (!taken[s] && bagSlots[s].BagId == uint16_t(bag.BagId)) slot = s;
            for (int s = 0; s < u8::BagSlots && slot < 0; ++s)
                if (!taken[s] && bagSlots[s].BagId == u8::FreeSlot) slot = s;
        }
        if (slot < 0) {
            HideProgress();
            device_.ClosePort();
            MessageBox("There is not enough free memory to store " + bag.BagName +
                           ". Use memory manager to free memory and try again.",
                       "Error", MB_OK, MB_ICONERROR);
            return 1;
        }
        taken[slot] = true;
        slotOf[size_t(k)] = slot;
        BagRecord& r = bagSlots[slot];
        const int n = std::min(bag.ClubCount, 14);
        r.BagId = uint16_t(bag.BagId);
        r.ClubCount = uint8_t(n);
        r.Limit5 = uint8_t(n > 5 ? 5 : n - 1);
        r.Limit11 = uint8_t(n > 11 ? 11 : n - 1);
        r.Limit12 = uint8_t(n > 12 ? 12 : n - 1);
        PutDeviceName(r.Name, bag.BagName, 7);
        for (int j = 0; j < 14; ++j) {
            BagClubItem& item = r.Club[j];
            if (j >= n) {
                item.ClubId = 0xFFFF;
                std::memset(item.Name, 0xFF, sizeof item.Name);
                item.Count = 0xFFFF;
                item.Value12 = 0xFFFFFFFFu;
                item.Value16 = 0xFFFFFFFFu;
                continue;
            }
            const TTransWiz4::ClubSample& club = bag.Clubs[size_t(j)];
            PutDeviceName(item.Name, club.ClubName, 7);
            item.Value16 = Truncated(club.ShotsLength);
            if (club.Type == 9) {
                putter = true;
                item.ClubId = uint16_t(99 - k);
                item.Count = uint16_t(club.Shots);
                item.Value12 = 0x8000;
            } else {
                const uint32_t length = Truncated(club.ShotsLength);
                const uint32_t shots = Truncated(club.ShotsWithLength);
                item.ClubId = uint16_t(club.ClubId);
                item.Count = uint16_t(shots);
                item.Value12 = club.ShotsLength == 0.0 || shots == 0 ? 0 : length / shots;
            }
        }
    }
    if (!putter)
        return Fail("Tranfer aborted! The bag you are trying to\ntransfer doesn't have a putter");

    SetProgress("Updating bag data");
    if (device_.WriteBags(bagSlots) != 0) return Fail("Error in updating bag data.\nPlease try again.");
    if (int r = UpdateHeader(1, count > 0 ? slotOf[size_t(count - 1)] + 1 : 0); r >= 0) return r;

    SetProgress("Verifying data");
    BagRecord check[u8::BagSlots];
    if (device_.ReadBags(check) != 0) return Fail(ValidationError);
    for (int k = 0; k < count; ++k) {
        const int s = slotOf[size_t(k)];
        for (int j = 0; j < bagSlots[s].ClubCount && j < 14; ++j)
            if (check[s].Club[j].ClubId != bagSlots[s].Club[j].ClubId) return Fail(ValidationError);
    }
    return -1;
}

// Reads the device header, sets one or two bytes, writes it and resets the
// device. -1 on success, else the modal result after the message.
int TDeviceUpload::UpdateHeader(int byteIndex, int value, int byteIndex2, int value2) {
    SetProgress("Receiving settings data");
    uint8_t header[u8::HeaderSize];
    if (device_.ReadHeader(header) != 0) return Fail("Error in receiving settings.\nPlease try again.");
    header[byteIndex] = uint8_t(value);
    if (byteIndex2 >= 0) header[byteIndex2] = uint8_t(value2);
    SetProgress("Updating settings data");
    if (device_.WriteHeader(header) != 0) return Fail("Error in updating settings.\nPlease try again.");
    device_.ResetU8();
    return -1;
}

// Deletes the points; one the device does not have is passed over.
bool TDeviceUpload::RemovePoints(const std::vector<int>& ids) {
    for (int id : ids)
        if (!DeletePointIfHeld(device_, uint16_t(id))) return false;
    return true;
}

int TDeviceUpload::SendCourses(std::vector<TTransWiz4::CourseHeader>& courses, int count,
                               int teeIndex) {
    if (teeIndex < 0 || teeIndex > 5) teeIndex = 0;
    SetProgress("Receiving course data");
    CourseEntry dir[u8::CourseSlots];
    if (device_.ReadCourseDirectory(dir) != 0)
        return Fail("Error in receiving course data.\nPlease try again.");
    // The points the device holds now: a slot keeps none of them that this
    // upload does not write again. Unless the list reads whole, the slot's
    // whole block is swept.
    std::vector<uint16_t> held;
    bool whole;
    device_.ReadPointIds(held, whole);
    SetProgress("Updating course data");
    TTable courseTable(&db_, "Course_General");
    TTable points(&db_, "Waypoints");
    bool taken[u8::CourseSlots] = {};
    int last = -1;
    for (int c = 0; c < count; ++c) {
        TTransWiz4::CourseHeader& course = courses[size_t(c)];
        int slot = -1;
        for (int s = 0; s < u8::CourseSlots && slot < 0; ++s)
            if (!taken[s] && dir[s].CourseId == uint16_t(course.CourseId)) slot = s;
        for (int s = 0; s < u8::CourseSlots && slot < 0; ++s)
            if (!taken[s] && dir[s].CourseId == u8::FreeSlot) slot = s;
        if (slot < 0) {
            HideProgress();
            device_.ClosePort();
            MessageBox("There is not enough free memory to store " + course.CourseName +
                           ". Use memory manager to free memory and try again.",
                       "Error", MB_OK, MB_ICONERROR);
            return 1;
        }
        taken[slot] = true;
        last = slot;
        CourseEntry& e = dir[slot];
        // A listed course goes from the directory before any point of its
        // block changes: an upload cut off leaves the slot free, never a
        // course without its points.
        if (e.CourseId != u8::FreeSlot) {
            EmptyCourseEntry(e);
            if (device_.WriteCourseEntry(&e, slot + 1) != 0) return Fail(UpdateCourseError);
        }
        e.CourseId = uint16_t(course.CourseId);
        courseTable.SetFilter("CourseId = " + std::to_string(course.CourseId));
        courseTable.Open();
        if (!courseTable.IsEmpty()) {
            const std::string u8Name = courseTable.FieldByName("U8_Name").AsString();
            if (!u8Name.empty()) course.CourseName = u8Name;
        }
        courseTable.Close();
        PutDeviceName(e.Name, course.CourseName, 9);
        const int holeCount = course.HoleCount == 18 ? 18 : 9;
        e.Holes = uint8_t(course.HoleCount);
        e.TotalPar = 0;
        points.SetFilter("HoleId = 0");
        points.Open();
        // The points to send, written once the slot's strays are gone: a
        // store near its capacity then has room for them.
        std::vector<std::pair<DevicePoint, std::string>> sent;
        std::vector<int> written;
        for (int h = 0; h < 18; ++h) {
            CourseHoleEntry& he = e.Hole[h];
            if (h >= holeCount || h >= course.HoleCount) {
                he.Length = 0xFFFF;
                he.PointSum = 0xFF;
                he.Par = 0xFF;
                he.Counts[0] = he.Counts[1] = he.Counts[2] = 0xFF;
                he.Flags = 0xFF;
                continue;
            }
            const TTransWiz4::CourseSample& hole = course.Holes[size_t(h)];
            points.SetFilter("HoleId = " + std::to_string(hole.HoleId));
            uint8_t counts[3] = {0, 0, 0};
            int nextFree = 5;
            he.Flags = 0;  // only the points sent now
            for (points.First(); !points.Eof(); points.Next()) {
                const int type = points.FieldByName("Type").AsInteger();
                if (type <= 0) continue;  // no type: the point belongs nowhere on the device
                if (type == 1 && points.FieldByName("Tee").AsInteger() != teeIndex + 1) continue;
                int k = type;
                if (type >= 5) {
                    if (nextFree >= 10) continue;  // five hazards at most; later pins or tees still go
                    k = nextFree++;
                }
                DevicePoint p{};
                p.Id = uint16_t(u8::PointsPerCourse * slot + u8::PointsPerHole * h + k);
                p.Field22 = 0xFFFF;
                p.Latitude = DeviceUnits(points.FieldByName("Latitude").AsFloat());
                p.Longitude = DeviceUnits(points.FieldByName("Longitude").AsFloat());
                switch (type) {
                case 1: he.Flags |= 0x01; break;
                case 2: he.Flags |= 0x02; break;
                case 3: he.Flags |= 0x04; break;
                case 4: he.Flags |= 0x08; break;
                case 5: ++counts[0]; break;
                case 6: ++counts[1]; break;
                case 7: ++counts[2]; break;
                default: break;
                }
                sent.emplace_back(p, DevicePointName(points.FieldByName("Name").AsString()));
                written.push_back(p.Id);
            }
            he.Length = uint16_t(hole.HoleLength[size_t(teeIndex)]);
            he.PointSum = uint8_t(counts[0] + counts[1] + counts[2]);
            he.Par = uint8_t(hole.HolePar);
            he.Counts[0] = counts[0];
            he.Counts[1] = counts[1];
            he.Counts[2] = counts[2];
            e.TotalPar = uint8_t(e.TotalPar + hole.HolePar);
        }
        points.Close();
        if (!RemovePoints(StrayPointIds(whole ? &held : nullptr, slot, written)))
            return Fail(UpdateCourseError);
        for (const auto& [point, name] : sent)
            if (device_.WritePoint(&point, name) == -1) return Fail(UpdateCourseError);
    }
    if (last < 0) return -1;
    if (device_.WriteCourseEntry(&dir[last], last + 1) != 0) return Fail(UpdateCourseError);
    int freeSlot = 3;
    for (int i = 1; i <= 2; ++i)
        if (dir[i].CourseId == u8::FreeSlot) {
            freeSlot = i;
            break;
        }
    if (int r = UpdateHeader(3, last, 4, freeSlot - 1); r >= 0) return r;

    SetProgress("Verifying data");
    CourseEntry check[u8::CourseSlots];
    if (device_.ReadCourseDirectory(check) != 0) return Fail(ValidationError);
    for (int h = 0; h < dir[last].Holes && h < 18; ++h)
        if (check[last].Hole[h].Par != dir[last].Hole[h].Par ||
            check[last].Hole[h].Length != dir[last].Hole[h].Length)
            return Fail(ValidationError);
    return -1;
}
