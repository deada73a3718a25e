#include "devicetools/Memorymanager.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

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
        error = ReadLists();
    }
    ShowLists();
    if (!error.empty()) ShowError(error);
}

std::string TMemoryManagerForm::ReadLists() {
    MemoryLists fresh;
    const std::string error = manager_->ListDeviceContents(fresh);
    // A device that cannot be read whole leaves the lists as they were: lists
    // cut short would tell that the rest is gone.
    if (manager_->ListedWhole) lists_ = fresh;
    if (!error.empty()) device_->ClosePort();
    return error;
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
        if (error.empty()) {
            // What was removed is gone even if the device cannot be read again.
            lists_ = lists;
            for (auto* rows : {&lists_.Courses, &lists_.Rounds, &lists_.Bags})
                std::erase_if(*rows, [](const MemoryItem& row) { return row.Checked; });
            ListDeviceContents();
        }
    }
    if (!error.empty()) {
        ShowError(error);
        Relist();
    }
}

void TMemoryManagerForm::Relist() {
    device_->ClosePort();
    std::string error;
    {
        TProgressScope progress("Connecting...");
        if (device_->CheckDevice() != -1) {
            progress.SetMessage("U8 found");
            error = ReadLists();
        }
    }
    ShowLists();
    if (!error.empty()) ShowError(error);
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
