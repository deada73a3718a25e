#include "devicetools/Memorymanager.h"

#include <QCloseEvent>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "platform/Messagebox.h"
#include "common/Devicetexts.h"
#include "common/Helpwindow.h"
#include "common/Frame.h"
#include "common/Progresswin.h"

namespace {


void ShowError(const std::string& text) { MessageBox(text, "Error", MB_OK, MB_ICONERROR); }

} // namespace

// ---- rules ---------------------------------------------------------------

bool MemoryLists::AnyChecked() const {
    for (const auto* list : {&Courses, &Rounds, &Bags})
        for (const MemoryItem& item : *list)
            if (item.Checked) return true;
    return false;
}

std::vector<MemoryItem> CourseItems(const uint8_t* directory) {
    std::vector<MemoryItem> items;
    for (int s = 0; s < u8::CourseSlots; ++s) {
        CourseEntry entry;
        std::memcpy(&entry, directory + u8::CourseEntrySize * s, sizeof entry);
        if (entry.CourseId == u8::FreeSlot) continue;
        items.push_back({DeviceText(entry.Name, sizeof entry.Name), s, false});
    }
    return items;
}

bool RoundListed(const GameHeader& header) { return header.Year != 255; }

std::string RoundCaption(const GameHeader& header) {
    // A date the device got wrong shows as nothing rather than stopping the list.
    QDate date(2000 + header.Year, header.Month, header.Day);
    std::string when = date.isValid() ? QLocale().toString(date, QLocale::ShortFormat).toStdString() : "";
    return DeviceText(header.CourseName, sizeof header.CourseName) + " " + when + " shots: " +
           std::to_string(header.Score);
}

std::vector<MemoryItem> BagItems(const uint8_t* bags) {
    // The first bag is the device's own and is never offered for removal.
    std::vector<MemoryItem> items;
    BagRecord second;
    std::memcpy(&second, bags + u8::BagRecordSize, sizeof second);
    if (second.BagId != u8::FreeSlot) items.push_back({DeviceText(second.Name, sizeof second.Name), 1, false});
    return items;
}

void EmptyCourseEntry(CourseEntry& entry) {
    uint8_t* p = reinterpret_cast<uint8_t*>(&entry);
    std::memset(p, 0xFF, 10);
    p[13] = p[14] = 0xFF;
    std::memset(p + 15, 0xFF, sizeof entry - 15);
}

void EmptyGameHeader(GameHeader& header) {
    uint8_t* p = reinterpret_cast<uint8_t*>(&header);
    std::memset(p, 0xFF, 23);
    std::memset(p + 26, 0xFF, sizeof header - 26);
}

int KeptBag(const std::vector<MemoryItem>& bags) {
    int kept = 1;
    for (const MemoryItem& b : bags)
        if (!b.Checked) kept = b.Index + 1;
    return kept;
}

int KeptCourse(const std::vector<MemoryItem>& courses) {
    int kept = 0;
    for (const MemoryItem& c : courses)
        if (!c.Checked) kept = c.Index;
    return kept;
}

int CourseRowByte(const std::vector<MemoryItem>& courses, int current) {
    bool kept[u8::CourseSlots];
    int count = 0;
    for (int j = 0; j < u8::CourseSlots; ++j) {
        kept[j] = j < int(courses.size()) && !courses[size_t(j)].Checked;
        count += kept[j];
    }
    if (count == 0 || count == u8::CourseSlots) return current;
    int result = 0;
    for (int j = 0; j < u8::CourseSlots; ++j) {
        if (count == 2 && !kept[j]) result = j - 1;
        if (count == 1 && kept[j]) result = j;
    }
    return result == -1 ? 2 : result;
}

// ---- device work ---------------------------------------------------------

TMemoryManager::TMemoryManager(TSerialPort& port, TU8Device& device) : port_(port), device_(device) {
    std::memset(CourseImage, 0xFF, sizeof CourseImage);
    std::memset(GameImage, 0xFF, sizeof GameImage);
    std::memset(BagImage, 0xFF, sizeof BagImage);
}

void TMemoryManager::Progress(const std::string& text) {
    if (OnProgress) OnProgress(text);
}

std::string TMemoryManager::ListDeviceContents(MemoryLists& lists) {
    lists = MemoryLists();
    Progress("Receiving course data");
    if (device_.ReadCourseDirectory(CourseImage) != 0) return "Error in receiving course data.";
    lists.Courses = CourseItems(CourseImage);

    Progress("Clearing DB");
    if (lists.Courses.empty()) {
        // No course left: empty the point store and give it its default list.
        port_.CSP_SetResponseTimeout(20000);
        int len = 0;
        port_.iTalkSepi(u8::CmdClearDatabase, 0, nullptr, len, nullptr);
        port_.CSP_SetResponseTimeout(2000);
        device_.CreatePointList("MyPoints", 1, 0);
        device_.ResetU8();
    }

    for (int n = 1; n <= u8::GameAreas; ++n) {
        Progress("Receiving game " + std::to_string(n) + " data");
        uint8_t* image = GameImage + u8::GameHeaderSize * (n - 1);
        if (device_.ReadGameHeader(n, image) != 0) return "Error in receiving game data.";
        GameHeader header;
        std::memcpy(&header, image, sizeof header);
        if (RoundListed(header)) lists.Rounds.push_back({RoundCaption(header), n - 1, false});
    }

    Progress("Receiving bag data");
    if (device_.ReadBags(BagImage) != 0) return "Error in receiving bag data.";
    lists.Bags = BagItems(BagImage);
    return "";
}

std::string TMemoryManager::DeleteCourse(int slot) {
    // The directory entry goes first: a course is never listed without its points.
    Progress("Updating course data");
    uint8_t* image = CourseImage + u8::CourseEntrySize * slot;
    CourseEntry entry;
    std::memcpy(&entry, image, sizeof entry);
    EmptyCourseEntry(entry);
    std::memcpy(image, &entry, sizeof entry);
    if (device_.WriteCourseEntry(image, slot + 1) != 0) return "Error in removing course.";

    // A point the device does not have answers with an error code and is
    // passed over; a device that stops answering ends the removal.
    Progress("Updating coursepoint data");
    for (int id = u8::FirstCoursePointId(slot); id <= u8::LastCoursePointId(slot); ++id)
        if (device_.DeletePoint(uint16_t(id)) != 0 && port_.LastError == 0) return "Error in removing course.";
    return "";
}

std::string TMemoryManager::DeleteItems(const MemoryLists& lists) {
    for (const MemoryItem& row : lists.Courses) {
        if (!row.Checked || row.Index < 0 || row.Index >= u8::CourseSlots) continue;
        std::string error = DeleteCourse(row.Index);
        if (!error.empty()) return error;
    }

    for (size_t r = 0; r < lists.Rounds.size(); ++r) {
        const MemoryItem& row = lists.Rounds[r];
        if (!row.Checked || row.Index < 0 || row.Index >= u8::GameAreas) continue;
        uint8_t* image = GameImage + u8::GameHeaderSize * row.Index;
        GameHeader header;
        std::memcpy(&header, image, sizeof header);
        EmptyGameHeader(header);
        std::memcpy(image, &header, sizeof header);
        Progress("Updating game " + std::to_string(r + 1) + " data");
        if (device_.WriteGameHeader(row.Index, image) != 0) return "Error in removing game data.";
    }

    Progress("Updating bag data");
    for (const MemoryItem& row : lists.Bags) {
        if (!row.Checked || row.Index < 0 || row.Index >= u8::BagSlots) continue;
        uint8_t* image = BagImage + u8::BagRecordSize * row.Index;
        std::memset(image, 0xFF, u8::BagRecordSize);
        if (device_.WriteBag(image, row.Index + 1) != 0) return "Error in removing bag data.";
    }

    Progress("Receiving settings data");
    uint8_t header[u8::HeaderSize];
    if (device_.ReadHeader(header) != 0) return "Error in receiving settings.";
    header[1] = uint8_t(KeptBag(lists.Bags));
    header[3] = uint8_t(KeptCourse(lists.Courses));
    header[4] = uint8_t(CourseRowByte(lists.Courses, header[4]));

    Progress("Updating settings data");
    if (device_.WriteHeader(header) != 0) return "Error in updating settings.";
    device_.ResetU8();
    return "";
}

// ---- window --------------------------------------------------------------

TMemoryManagerForm::TMemoryManagerForm(QWidget* owner) : QWidget(owner) {
    setObjectName("MemoryManagerForm");
    setWindowTitle("U8 Memory Manager");
    SetHelpContext(this, 8);

    auto makeList = [this](const char* name, const char* accessible) {
        auto* list = new QListWidget(this);
        list->setObjectName(name);
        list->setAccessibleName(accessible);
        list->setViewMode(QListView::ListMode);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        return list;
    };
    RoundsListView = makeList("RoundsListView", "Rounds");
    CoursesListView = makeList("CoursesListView", "Courses");
    BagsListView = makeList("BagsListView", "Bags");

    auto makeButton = [this](const char* name, const char* caption) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        return button;
    };
    DeleteAll = makeButton("DeleteAll", "Check all");
    Delete = makeButton("Delete", "Delete");
    Cancel = makeButton("Cancel", "Close");
    Help = makeButton("Help", "Help");
    Delete->setDefault(true);
    connect(DeleteAll, &QPushButton::clicked, this, [this] { DeleteAllClick(); });
    connect(Delete, &QPushButton::clicked, this, [this] { DeleteClick(); });
    connect(Cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
    connect(Help, &QPushButton::clicked, this, [this] { HelpClick(); });

    auto* lists = new QGridLayout;
    auto addList = [&](int row, const char* caption, QListWidget* list) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(list);
        lists->addWidget(label, row * 2, 0);
        lists->addWidget(list, row * 2 + 1, 0);
    };
    addList(0, "Rounds:", RoundsListView);
    addList(1, "Courses:", CoursesListView);
    addList(2, "Bags:", BagsListView);

    auto* info = new QLabel("With U8 memory manager you can remove data from the armdeck.", this);
    info->setObjectName("InfoLabel");
    info->setWordWrap(true);
    auto* warning = new QLabel("Warning: The data will be removed permanently.", this);
    warning->setObjectName("WarningLabel");
    warning->setWordWrap(true);
    auto* side = new QVBoxLayout;
    side->addWidget(info);
    side->addWidget(warning);
    side->addStretch();

    auto* top = new QHBoxLayout;
    top->addLayout(lists, 3);
    top->addLayout(side, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(DeleteAll);
    buttons->addStretch();
    buttons->addWidget(Delete);
    buttons->addWidget(Cancel);
    buttons->addWidget(Help);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    setTabOrder(RoundsListView, CoursesListView);
    setTabOrder(CoursesListView, BagsListView);
    setTabOrder(BagsListView, DeleteAll);
    setTabOrder(DeleteAll, Delete);
    setTabOrder(Delete, Cancel);
    setTabOrder(Cancel, Help);

    if (Frame()) {
        QMdiSubWindow* sub = Frame()->AddMdiChild(this);
        sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        sub->resize(520, 420);
        sub->show();
    } else {
        setAttribute(Qt::WA_DeleteOnClose);
        resize(520, 420);
        show();
    }
    FormCreate();
}

TMemoryManagerForm::~TMemoryManagerForm() {
    // The device object goes before the port it uses.
    manager_.reset();
    device_.reset();
    port_.reset();
}

void TMemoryManagerForm::FormCreate() {
    bool found = false;
    {
        TProgressScope progress("Connecting...");
        port_ = std::make_unique<TSerialPort>();
        // Failing steps report once, through this window's own messages.
        port_->ShowErrors = false;
        device_ = std::make_unique<TU8Device>(port_.get());
        device_->ClosePort();
        found = device_->CheckDevice() != -1;
        if (found) {
            progress.SetMessage("U8 found");
            manager_ = std::make_unique<TMemoryManager>(*port_, *device_);
            manager_->OnProgress = SetProgress;
            ListDeviceContents();
        }
    }
    if (!found) {
        MessageBox(CannotConnectU8Text + device_->PortAccessNote(), "Error!", MB_OK, MB_ICONERROR);
        CloseWindow();
    }
}

void TMemoryManagerForm::ListDeviceContents() {
    std::string error;
    {
        TProgressScope progress("Receiving course data");
        error = manager_->ListDeviceContents(lists_);
    }
    ShowLists();
    if (!error.empty()) {
        ShowError(error);
        device_->ClosePort();
    }
}

void TMemoryManagerForm::ShowLists() {
    auto fill = [](QListWidget* view, const std::vector<MemoryItem>& items) {
        view->clear();
        for (const MemoryItem& item : items) {
            auto* row = new QListWidgetItem(QString::fromStdString(item.Caption), view);
            row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            row->setCheckState(Qt::Unchecked);
            row->setData(Qt::UserRole, item.Index);
        }
    };
    fill(RoundsListView, lists_.Rounds);
    fill(CoursesListView, lists_.Courses);
    fill(BagsListView, lists_.Bags);
}

MemoryLists TMemoryManagerForm::ListsFromView() const {
    auto read = [](QListWidget* view) {
        std::vector<MemoryItem> items;
        for (int i = 0; i < view->count(); ++i) {
            QListWidgetItem* row = view->item(i);
            items.push_back({row->text().toStdString(), row->data(Qt::UserRole).toInt(),
                             row->checkState() == Qt::Checked});
        }
        return items;
    };
    MemoryLists lists;
    lists.Courses = read(CoursesListView);
    lists.Rounds = read(RoundsListView);
    lists.Bags = read(BagsListView);
    return lists;
}

void TMemoryManagerForm::DeleteAllClick() {
    for (QListWidget* view : {CoursesListView, BagsListView, RoundsListView})
        for (int i = 0; i < view->count(); ++i) view->item(i)->setCheckState(Qt::Checked);
}

void TMemoryManagerForm::DeleteClick() {
    MemoryLists lists = ListsFromView();
    if (!lists.AnyChecked()) {
        MessageBox("No items selected!", "Error!", MB_OK, MB_ICONERROR);
        return;
    }
    if (!manager_ || device_->CheckDevice() == -1) {
        if (ProgressForm) ProgressForm->hide();
        MessageBox(CannotConnectU8Text + device_->PortAccessNote(), "Error!", MB_OK, MB_ICONERROR);
        return;
    }
    if (MessageBox("Are you sure you want to\ndelete selected items from U8?\nYou can't undo changes.",
                   "Remove data from U8", MB_YESNO, MB_ICONQUESTION) != IDYES)
        return;
    std::string error;
    {
        TProgressScope progress("Updating course data");
        error = manager_->DeleteItems(lists);
        if (error.empty()) ListDeviceContents();
    }
    if (!error.empty()) {
        ShowError(error);
        Relist();
    }
}

void TMemoryManagerForm::Relist() {
    device_->ClosePort();
    lists_ = MemoryLists();
    {
        TProgressScope progress("Connecting...");
        if (device_->CheckDevice() != -1) {
            progress.SetMessage("U8 found");
            std::string error = manager_->ListDeviceContents(lists_);
            // The failure has been reported; what could not be read stays unlisted.
            if (!error.empty()) device_->ClosePort();
        }
    }
    ShowLists();
}

bool TMemoryManagerForm::PortOpen() const { return port_ && port_->GetPortOpen(); }

void TMemoryManagerForm::CancelClick() { CloseWindow(); }

void TMemoryManagerForm::HelpClick() {
    if (Frame()) Frame()->ShowHelp(GetHelpContext(this));
}

void TMemoryManagerForm::CloseWindow() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

void TMemoryManagerForm::closeEvent(QCloseEvent* e) {
    if (device_ && port_->GetPortOpen()) device_->ClosePort();
    QWidget::closeEvent(e);
}
