#include "shell/Mainform.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QIcon>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTextEdit>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>
#include <functional>

#include "courses/Mcourse.h"
#include "platform/Datafolder.h"
#include "platform/Messagebox.h"
#include "platform/Registry.h"
#include "platform/Version.h"
#include "players/Childwin.h"
#include "players/Newplayer.h"
#include "players/Playereditor.h"
#include "rounds/Rounds.h"
#include "shell/About.h"
#include "common/Calculations.h"
#include "devicetools/Memorymanager.h"
#include "devicetools/Settings.h"
#include "common/Helpwindow.h"
#include "common/Pictures.h"
#include "shell/Playerfile.h"
#include "common/Progresswin.h"
#include "shell/Splashform.h"
#include "transfer/Startwizard.h"

TMainForm* MainForm = nullptr;

// Every focus change of the program, with its reason (true: the focus comes
// in, false: it goes), before the widget itself sees it.
class TFocusWatch : public QObject {
public:
    using Handler = std::function<void(QWidget*, bool, Qt::FocusReason)>;
    TFocusWatch(Handler onFocus, QObject* parent) : QObject(parent), onFocus_(std::move(onFocus)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if ((e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) && watched->isWidgetType())
            onFocus_(static_cast<QWidget*>(watched), e->type() == QEvent::FocusIn,
                     static_cast<QFocusEvent*>(e)->reason());
        return false;
    }

private:
    Handler onFocus_;
};

bool CheckHelpFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) return true;
    MessageBox("Help file not found\n" + path, QApplication::applicationName().toStdString(), MB_OK);
    return false;
}

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent) {
    MainForm = this;
    SetFrame(this);
    setObjectName("MainForm");
    setWindowTitle("Caddora");
    // Every window of the program shows its own picture as icon.
    QApplication::setWindowIcon(QIcon(CaddoraPicture(QSize(64, 64))));
    resize(917, 705);
    SetHelpContext(this, 1);
    RoundTable.AddSort("[RoundId] ASC");
    RoundHolesTable.AddSort("[RoundId] ASC");
    RoundHolesTable.AddSort("[HoleId] ASC");
    RoundShotsTable.AddSort("[RoundId] ASC");
    RoundShotsTable.AddSort("[HoleId] ASC");
    RoundShotsTable.AddSort("[ShotNumber] ASC");

    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName("MdiArea");
    // A child moved past an edge can be scrolled back into view.
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);
    mdiArea_->viewport()->installEventFilter(this);
    BuildMenusAndTools();
    SetDisplayUnitSource([] { return MainForm ? MainForm->GetIsMeter() : std::string(); });
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    FormCreate();
}

TMainForm::~TMainForm() {
    delete focusWatch_;
    focusWatch_ = nullptr;
    SetDisplayUnitSource(nullptr);
    if (MainForm == this) MainForm = nullptr;
    if (Frame() == this) SetFrame(nullptr);
    // Windows owned by the frame go first; they may still reach the tables.
    const auto children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* w : children)
        if (w->isWindow() && w->windowType() != Qt::Popup) delete w;
    delete mdiArea_;
    mdiArea_ = nullptr;
}

void TMainForm::BuildMenusAndTools() {
    auto action = [this](const char* name, const QString& text) {
        auto* a = new QAction(text, this);
        a->setObjectName(name);
        addAction(a);
        return a;
    };
    // Actions of the action list.
    FileOpen1 = action("FileOpen1", "&Open");
    FileOpen1->setShortcut(QKeySequence("Ctrl+O"));
    connect(FileOpen1, &QAction::triggered, this, [this] { FileOpen1Execute(); });
    FileNew1 = action("FileNew1", "&New");
    FileNew1->setShortcut(QKeySequence("Ctrl+N"));
    connect(FileNew1, &QAction::triggered, this, [this] { FileNew1Execute(); });
    FileExit1 = action("FileExit1", "E&xit");
    connect(FileExit1, &QAction::triggered, this, [this] { FileExit1Execute(); });
    HelpAbout1 = action("HelpAbout1", "&About Caddora");
    connect(HelpAbout1, &QAction::triggered, this, [this] { HelpAbout1Execute(); });
    auto editAction = [&](const char* name, const QString& text, const char* key,
                          const char* slot) {
        QAction* a = action(name, text);
        a->setShortcut(QKeySequence(key));
        connect(a, &QAction::triggered, this, [this, slot] {
            RestoreMenuSelection();
            if (IsEditControl(editTarget_)) QMetaObject::invokeMethod(editTarget_, slot);
        });
        return a;
    };
    EditCut1 = editAction("EditCut1", "Cu&t", "Ctrl+X", "cut");
    EditCopy1 = editAction("EditCopy1", "&Copy", "Ctrl+C", "copy");
    EditPaste1 = editAction("EditPaste1", "&Paste", "Ctrl+V", "paste");
    // Cut, Copy and Paste serve the edit control that held the focus before
    // a menu took it (see eventFilter).
    editTarget_ = QApplication::focusWidget();
    UpdateEditCommands();
    focusWatch_ = new TFocusWatch(
        [this](QWidget* w, bool in, Qt::FocusReason r) { in ? EditFocusIn(w, r) : EditFocusOut(w, r); }, this);
    qApp->installEventFilter(focusWatch_);
    WindowCascade1 = action("WindowCascade1", "&Cascade");
    connect(WindowCascade1, &QAction::triggered, mdiArea_, &QMdiArea::cascadeSubWindows);
    WindowTileHorizontal1 = action("WindowTileHorizontal1", "Tile &Horizontally");
    connect(WindowTileHorizontal1, &QAction::triggered, mdiArea_, &QMdiArea::tileSubWindows);
    WindowTileVertical1 = action("WindowTileVertical1", "Tile &Vertically");
    connect(WindowTileVertical1, &QAction::triggered, mdiArea_, &QMdiArea::tileSubWindows);
    WindowMinimizeAll1 = action("WindowMinimizeAll1", "&Minimize All");
    connect(WindowMinimizeAll1, &QAction::triggered, this, [this] {
        for (QMdiSubWindow* w : mdiArea_->subWindowList()) w->showMinimized();
    });
    WindowArrangeAll1 = action("WindowArrangeAll1", "&Arrange All");
    connect(WindowArrangeAll1, &QAction::triggered, mdiArea_, &QMdiArea::tileSubWindows);
    WindowClose1 = action("WindowClose1", "&Close");
    connect(WindowClose1, &QAction::triggered, mdiArea_, &QMdiArea::closeActiveSubWindow);
    // F1: help on the active window.
    QAction* f1 = action("HelpF1", "Help");
    f1->setShortcut(QKeySequence(Qt::Key_F1));
    f1->setShortcutContext(Qt::ApplicationShortcut);
    connect(f1, &QAction::triggered, this,
            [this] { ApplicationEventsHelp(HELP_CONTEXT, ActiveHelpContext()); });

    // Menus.
    auto item = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        return a;
    };
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("File1");
    FileExitItem = item(file, "FileExitItem", "E&xit");
    connect(FileExitItem, &QAction::triggered, FileExit1, &QAction::trigger);
    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->setObjectName("Edit1");
    edit->addAction(EditCut1);
    edit->addAction(EditCopy1);
    edit->addAction(EditPaste1);
    connect(edit, &QMenu::aboutToShow, this, [this] { UpdateEditCommands(); });
    QMenu* view = menuBar()->addMenu("&View");
    view->setObjectName("View1");
    Player1 = item(view, "Player1", "&Player");
    connect(Player1, &QAction::triggered, this, [this] { Player1Click(); });
    Rounds1 = item(view, "Rounds1", "&Rounds");
    connect(Rounds1, &QAction::triggered, this, [this] { Rounds1Click(); });
    Course1 = item(view, "Course1", "&Courses");
    connect(Course1, &QAction::triggered, this, [this] { Course1Click(); });
    view->addSeparator();
    unitGroup_ = new QActionGroup(this);
    unitGroup_->setExclusive(true);
    Meters = item(view, "Meters", "Meters");
    Meters->setCheckable(true);
    Meters->setChecked(true);
    unitGroup_->addAction(Meters);
    connect(Meters, &QAction::triggered, this, [this] { MetersClick(); });
    Yards = item(view, "Yards", "Yards");
    Yards->setCheckable(true);
    unitGroup_->addAction(Yards);
    connect(Yards, &QAction::triggered, this, [this] { YardsClick(); });
    QMenu* tools = menuBar()->addMenu("&Tools");
    tools->setObjectName("Tools1");
    TransferWizard1 = item(tools, "TransferWizard1", "Transfer Wizard");
    connect(TransferWizard1, &QAction::triggered, this, [this] { TransferWizard1Click(); });
    Settigs1 = item(tools, "Settigs1", "Settings");
    connect(Settigs1, &QAction::triggered, this, [this] { Settigs1Click(); });
    U8MemoryManager1 = item(tools, "U8MemoryManager1", "U8 Memory Manager");
    connect(U8MemoryManager1, &QAction::triggered, this, [this] { U8MemoryManager1Click(); });
    Scandatabase1 = item(tools, "Scandatabase1", "Scan database");
    Scandatabase1->setVisible(false);
    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("Help1");
    CaddoraHelp1 = item(help, "CaddoraHelp1", "Caddora Help");
    connect(CaddoraHelp1, &QAction::triggered, this, [this] { CaddoraHelp1Click(); });
    HelpAboutItem = item(help, "HelpAboutItem", "&About Caddora");
    connect(HelpAboutItem, &QAction::triggered, HelpAbout1, &QAction::trigger);

    // Tool bar.
    QToolBar* bar = addToolBar("ToolBar1");
    bar->setObjectName("ToolBar1");
    bar->setMovable(false);
    auto button = [bar](const char* name, const QString& text, const QString& hint) {
        auto* b = new QToolButton(bar);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(hint);
        b->setStatusTip(hint);
        bar->addWidget(b);
        return b;
    };
    PlayerTB = button("PlayerTB", "Player", "View Player");
    connect(PlayerTB, &QToolButton::clicked, this, [this] { PlayerTBClick(); });
    RoundsTB = button("RoundsTB", "Rounds", "View Rounds");
    connect(RoundsTB, &QToolButton::clicked, this, [this] { RoundsTBClick(); });
    CourseTB = button("CourseTB", "Courses", "View Courses");
    connect(CourseTB, &QToolButton::clicked, this, [this] { CourseTBClick(); });
    bar->addSeparator();
    MetersTB = button("MetersTB", "m", "");
    YardsTB = button("YardsTB", "yds", "");
    auto* unitButtons = new QButtonGroup(this);
    unitButtons->setExclusive(true);
    for (QToolButton* b : {MetersTB, YardsTB}) {
        b->setCheckable(true);
        unitButtons->addButton(b);
    }
    MetersTB->setChecked(true);
    connect(MetersTB, &QToolButton::clicked, this, [this] { MetersTBClick(); });
    connect(YardsTB, &QToolButton::clicked, this, [this] { YardsTBClick(); });
    bar->addSeparator();
    TransferTB = button("TransferTB", "Transfer", "Transfer");
    connect(TransferTB, &QToolButton::clicked, this, [this] { TransferTBClick(); });
    SettingsTB = button("SettingsTB", "Settings", "Settings");
    connect(SettingsTB, &QToolButton::clicked, this, [this] { SettingsTBClick(); });
    MemoryManagerTB = button("MemoryManagerTB", "Memory", "Memory Manager");
    connect(MemoryManagerTB, &QToolButton::clicked, this, [this] { MemoryManagerTBClick(); });

    statusBar()->setObjectName("StatusBar");
}

void TMainForm::FormCreate() {
    // The version is compiled in, so it is always there.
    FileVersion = FileVersionString();
    FirstPaint = 1;
    ClubCount = 0;
    BagCount = 0;
    for (QAction* a : {Rounds1, Player1, TransferWizard1, Settigs1}) a->setEnabled(true);

    splash_ = new TSplash(nullptr);
    splash_->repaint();

    HelpFile = ResourcePath("Caddora_Help.chm");
    CheckHelpFile(HelpFile);

    Database.Close();
    Database.SetDatabaseName(DataPath("kx.mdb"));
    try {
        Database.Open();
        databaseOpen_ = true;
        if (Database.DiskFull())
            MessageBox("The disk of the database " + Database.DatabaseName() +
                           " is full: changes cannot be saved.",
                       "Error", MB_OK, MB_ICONWARNING);
        else if (Database.ReadOnly())
            MessageBox("The database " + Database.DatabaseName() +
                           " is read-only: changes cannot be saved.",
                       "Error", MB_OK, MB_ICONWARNING);
    } catch (const std::exception& e) {
        databaseOpen_ = false;
        ShowErrorMessage(e);
    }
}

bool TMainForm::IsSmallScreen(QSize screen) {
    return screen.width() <= 800 && screen.height() <= 600;
}

bool IsEditControl(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w);
}

void TMainForm::UpdateEditCommands() {
    const bool edit = IsEditControl(editTarget_);
    for (QAction* a : {EditCut1, EditCopy1, EditPaste1}) a->setEnabled(edit);
}

// The control the Edit commands serve: the one the user put the focus in,
// in any window of the program. A menu or menu bar taking the focus (Alt
// opens the menu bar from the keyboard) leaves it, and so does the focus a
// window hands to one of its controls when it is activated, unless that
// control is an edit control: clicking the frame's menu while the first-run
// dialog is being typed in activates the frame.
void TMainForm::EditFocusIn(QWidget* w, Qt::FocusReason reason) {
    if (!w || qobject_cast<QMenu*>(w) || qobject_cast<QMenuBar*>(w)) return;
    if (reason == Qt::MenuBarFocusReason && w == menuSelection_.Edit) RestoreMenuSelection();
    if (reason == Qt::MenuBarFocusReason || reason == Qt::PopupFocusReason) return;
    menuSelection_ = {};
    if (reason == Qt::ActiveWindowFocusReason && !IsEditControl(w)) return;
    editTarget_ = w;
    UpdateEditCommands();
}

// A line edit drops its selection when the menu bar takes the focus from
// the keyboard; it is kept for the Edit commands and given back.
void TMainForm::EditFocusOut(QWidget* w, Qt::FocusReason reason) {
    auto* line = qobject_cast<QLineEdit*>(w);
    if (line && reason == Qt::MenuBarFocusReason && line->hasSelectedText())
        menuSelection_ = {line, line->selectionStart(), line->selectionLength()};
}

void TMainForm::RestoreMenuSelection() {
    QLineEdit* line = menuSelection_.Edit;
    if (line && line == editTarget_ && !line->hasSelectedText())
        line->setSelection(menuSelection_.Start, menuSelection_.Length);
    menuSelection_ = {};
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Paint && mdiArea_ && watched == mdiArea_->viewport()) FormPaint();
    return QMainWindow::eventFilter(watched, e);
}

void TMainForm::FormPaint() {
    if (FirstPaint == 1) {
        // Windows are not opened from inside a paint: the first paint's
        // work runs as soon as the paint is over.
        if (!firstPaintQueued_) {
            firstPaintQueued_ = true;
            QMetaObject::invokeMethod(this, [this] { FirstPaintStep(); }, Qt::QueuedConnection);
        }
        return;
    }
    ReadUnitSetting();
}

void TMainForm::FirstPaintStep() {
    if (QScreen* s = screen(); s && IsSmallScreen(s->size())) showMaximized();
    FirstPaint = 0;
    if (databaseOpen_) {
        bool found = false;
        try {
            PlayerTable.Open();
            found = PlayerTable.Locate("UserId", TVariant(1));
            PlayerTable.Close();
        } catch (const std::exception& e) {
            // As for a database that cannot be opened: say so and stop,
            // before anything is written.
            PlayerTable.Close();
            databaseOpen_ = false;
            ShowErrorMessage(e);
            Database.Close();
            hide();
            // The program's loop ends; outside a loop (tests) there is none
            // to end, and a pending quit would break every later modal loop.
            if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(1);
            emit FirstPainted();
            return;
        }
        SetUserId(1);
        if (!found) {
            FirstPlayer = 1;
            PlayerTB->setEnabled(false);
            Player1->setEnabled(false);
            NewPlayerWindow = new TNewPlayerForm(this);
            NewPlayerWindow->show();
        }
    }
    ReadUnitSetting();
    // The splash stays above the windows shown so far, also without a
    // window manager that honours its stay-on-top flag.
    if (splash_) splash_->raise();
    emit FirstPainted();
}

// The unit of the current player; no stored value means metres.
void TMainForm::ReadUnitSetting() {
    IsMeter = "true";
    TRegistry reg(RegRoot::LocalMachine);
    if (reg.OpenKey(PlayerKey(UserId), false)) IsMeter = reg.ReadString("IsMeter");
    else IsMeter = "";
    ShowUnit();
}

void TMainForm::ShowUnit() {
    const bool meters = IsMeter != "false";
    if (MetersTB->isChecked() != meters) MetersTB->setChecked(meters);
    if (YardsTB->isChecked() == meters) YardsTB->setChecked(!meters);
    if (Meters->isChecked() != meters) Meters->setChecked(meters);
    if (Yards->isChecked() == meters) Yards->setChecked(!meters);
}

void TMainForm::WriteUnit(const std::string& isMeter) {
    TRegistry reg(RegRoot::LocalMachine);
    if (reg.OpenKey(PlayerKey(UserId), true)) reg.WriteString("IsMeter", isMeter);
    IsMeter = isMeter;
    // Buttons and menu agree at once, not at the next paint.
    ShowUnit();
    update();
    if (mdiArea_) mdiArea_->viewport()->update();
}

void TMainForm::MetersTBClick() { WriteUnit("true"); }
void TMainForm::YardsTBClick() { WriteUnit("false"); }

void TMainForm::MetersClick() {
    Meters->setChecked(true);
    Yards->setChecked(false);
    MetersTB->setChecked(true);
    YardsTB->setChecked(false);
    WriteUnit("true");
}

void TMainForm::YardsClick() {
    Yards->setChecked(true);
    Meters->setChecked(false);
    YardsTB->setChecked(true);
    MetersTB->setChecked(false);
    WriteUnit("false");
}

QMdiSubWindow* TMainForm::AddMdiChild(QWidget* child) {
    child->setAttribute(Qt::WA_DeleteOnClose);
    // A size given before adding is kept: the frame is sized around it.
    const QSize wanted = child->size();
    QMdiSubWindow* sub = mdiArea_->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    SizeMdiChild(sub, wanted);
    return sub;
}

std::vector<QWidget*> TMainForm::MdiChildren() const {
    std::vector<QWidget*> out;
    if (!mdiArea_) return out;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder))
        if (QWidget* w = sub->widget()) out.push_back(w);
    return out;
}

bool TMainForm::CloseChildrenCaptioned(const QString& caption) {
    bool all = true;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->widget() || sub->widget()->windowTitle() != caption) continue;
        if (!sub->close()) all = false;
    }
    return all;
}

// A closed player window is destroyed at once: its editor frees the shared
// club and bag lists, which the next editor fills.
bool TMainForm::ClosePlayerWindows() {
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        auto* child = dynamic_cast<TMDIChild*>(sub->widget());
        if (!child) continue;
        PlayerWindow = child;
        if (!sub->close()) return false;
        delete sub;
    }
    PlayerWindow = nullptr;
    return true;
}

void TMainForm::OpenPlayerWindow(const std::string& caption) {
    // One player editor at a time: the first-run dialog holds the lists.
    if (NewPlayerWindow) return;
    if (!ClosePlayerWindows()) return;
    TProgressScope progress("Generating form");
    update();
    PlayerWindow = new TMDIChild(nullptr);
    PlayerWindow->setWindowTitle(QString::fromStdString(caption));
    AddMdiChild(PlayerWindow)->show();
}

void TMainForm::Player1Click() {
    FirstPlayer = 0;
    OpenPlayerWindow("Caddora - Player");
}

void TMainForm::PlayerTBClick() { Player1Click(); }

void TMainForm::Rounds1Click() {
    CloseChildrenCaptioned("Select round");
    new TRoundsForm(nullptr);
}

void TMainForm::RoundsTBClick() { Rounds1Click(); }

void TMainForm::Course1Click() {
    CloseChildrenCaptioned("Select course");
    CourseForm = new TCourseForm(nullptr);
    SetHelpContext(CourseForm, 5);
}

void TMainForm::CourseTBClick() {
    CloseChildrenCaptioned("Select course");
    CourseForm = new TCourseForm(nullptr);
}

void TMainForm::TransferWizard1Click() {
    if (StartWiz) StartWiz->exec();
}

void TMainForm::TransferTBClick() { TransferWizard1Click(); }

void TMainForm::Settigs1Click() { new TSettingsForm(nullptr); }

void TMainForm::SettingsTBClick() {
    repaint();
    Settigs1Click();
}

void TMainForm::U8MemoryManager1Click() { new TMemoryManagerForm(nullptr); }

void TMainForm::MemoryManagerTBClick() {
    repaint();
    U8MemoryManager1Click();
}

void TMainForm::CaddoraHelp1Click() { ApplicationEventsHelp(HELP_CONTEXT, GetHelpContext(this)); }

void TMainForm::HelpAbout1Execute() {
    if (AboutBox) AboutBox->exec();
}

void TMainForm::FileExit1Execute() { close(); }

void TMainForm::FileNew1Execute() {}

void TMainForm::FileOpen1Execute() {
    // The first player is being made: no other player can be opened now.
    if (NewPlayerWindow) return;
    const QString path = QFileDialog::getOpenFileName(
        this, "Open", QString(), "Caddora Files (*.kx);;All Files (*)");
    if (path.isEmpty()) return;
    OpenPlayerFile(path.toStdString());
}

bool TMainForm::OpenPlayerFile(const std::string& path) {
    if (NewPlayerWindow) return false;
    std::string line;
    const auto notValid = [] { MessageBox("Not a valid player", "Error", MB_OK); };
    int userId = 0;
    if (!ReadPlayerFileLine(path, line) || !PlayerFileUserId(line, userId)) {
        notValid();
        return false;
    }

    bool found = false;
    try {
        PlayerTable.Open();
        found = PlayerTable.Locate("UserId", TVariant(userId));
        PlayerTable.Close();
    } catch (const std::exception& e) {
        PlayerTable.Close();
        ShowErrorMessage(e);
        return false;
    }
    if (!found) {
        notValid();
        return false;
    }
    SetUserId(userId);
    setWindowTitle(QString::fromStdString("Caddora - " + path));
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    const size_t dot = name.find_last_of('.');
    name = dot == std::string::npos ? std::string() : name.substr(0, dot);
    OpenPlayerWindow("Player - " + name);
    for (QAction* a : {Rounds1, TransferWizard1, Settigs1}) a->setEnabled(true);
    EnablePlayerCommands();
    return true;
}

void TMainForm::RefreshListWindows() {
    for (QWidget* child : MdiChildren()) {
        const QString caption = child->windowTitle();
        if (caption == "Courses") {
            if (auto* list = dynamic_cast<TCourseForm*>(child)) list->ReopenTable();
        } else if (caption == "Rounds") {
            if (auto* list = dynamic_cast<TRoundsForm*>(child)) list->ReopenTable();
        }
    }
}

void TMainForm::ValidateRound(int roundId) {
    ::ValidateRound(RoundTable, RoundHolesTable, RoundShotsTable, roundId);
}

bool TMainForm::ApplicationEventsHelp(int command, int data) {
    if (command == HELP_CONTEXT || command == HELP_CONTEXTPOPUP)
        HtmlHelp(HelpFile, HH_HELP_CONTEXT, data);
    return true;
}

void TMainForm::ShowHelp(int context) { ApplicationEventsHelp(HELP_CONTEXT, context); }

int TMainForm::ActiveHelpContext() const {
    return HelpContextFor(QApplication::activeWindow());
}

int TMainForm::HelpContextFor(const QWidget* window) const {
    if (!window || window == this) {
        if (QMdiSubWindow* sub = mdiArea_->currentSubWindow())
            if (int context = GetHelpContext(sub->widget())) return context;
        return GetHelpContext(this);
    }
    if (QWidget* focus = QApplication::focusWidget(); focus && focus->window() == window)
        for (const QWidget* w = focus; w; w = w->parentWidget())
            if (int context = GetHelpContext(w)) return context;
    if (int context = GetHelpContext(window)) return context;
    return GetHelpContext(this);
}

void TMainForm::closeEvent(QCloseEvent* e) {
    HtmlHelp(HelpFile, HH_CLOSE_ALL, 0);
    QMainWindow::closeEvent(e);
    if (e->isAccepted()) QCoreApplication::quit();
}
