#pragma once
#include <QMainWindow>
#include <QPointer>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Frame.h"
#include "platform/Textutil.h"
#include "players/Bagclub.h"

class QAction;
class QActionGroup;
class QLineEdit;
class QMdiArea;
class QMdiSubWindow;
class QToolButton;
class THelpWindow;
class TFocusWatch;

// A control the Edit menu's Cut, Copy and Paste work on.
bool IsEditControl(const QWidget* w);

// Tells the user when the help file is missing; true when it is there.
bool CheckHelpFile(const std::string& path);

// The program's multiple-document frame. It owns the database connection and
// the state every window shares: the current player, the distance unit and
// the open player editor's clubs and bags.
class TMainForm : public QMainWindow, public TFrame {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Shared state.
    QWidget* Window() override { return this; }
    void RefreshListWindows() override;
    void ValidateRound(int roundId) override;

    // False when the database could not be opened; the program must stop.
    bool DatabaseOpen() const override { return databaseOpen_; }
    bool FirstPaintDone() const { return FirstPaint == 0; }
    // Screens this small get a maximised main window.
    static bool IsSmallScreen(QSize screen);

    // Commands of the menu and the tool bar.
    void Player1Click();
    void PlayerTBClick();
    void Rounds1Click();
    void RoundsTBClick();
    void Course1Click();
    void CourseTBClick();
    void MetersClick();
    void YardsClick();
    void MetersTBClick();
    void YardsTBClick();
    void TransferWizard1Click();
    void TransferTBClick();
    void Settigs1Click();
    void SettingsTBClick();
    void U8MemoryManager1Click();
    void MemoryManagerTBClick();
    void CaddoraHelp1Click();
    void HelpAbout1Execute();
    void FileExit1Execute();
    void FileOpen1Execute();
    void FileNew1Execute();

    // The player file: its first line "userid=" + number selects that player.
    // Returns true when the player was selected.
    bool OpenPlayerFile(const std::string& path);
    void OpenPlayerWindow(const std::string& caption);

    // Help requests of the whole application; always handled.
    bool ApplicationEventsHelp(int command, int data);
    // Help on a context number (the Help buttons of other windows).
    void ShowHelp(int context) override;
    // Context of the active window (F1): the window's own, or, for the
    // frame, that of its current child; the frame's when there is none.
    int ActiveHelpContext() const;
    int HelpContextFor(const QWidget* activeWindow) const;

    // Children of the frame, in creation order.
    QMdiArea* MdiArea() const override { return mdiArea_; }
    QMdiSubWindow* AddMdiChild(QWidget* child) override;
    std::vector<QWidget*> MdiChildren() const override;
    // Closes every child with the caption; false when one refused to close.
    bool CloseChildrenCaptioned(const QString& caption);

    // Menu items, actions and tool buttons (those other windows switch on
    // and off are the frame's: Player1, Rounds1, Course1, TransferWizard1,
    // Settigs1, PlayerTB, RoundsTB, CourseTB, SettingsTB).
    QAction *Meters, *Yards, *U8MemoryManager1, *Scandatabase1, *CaddoraHelp1, *HelpAboutItem,
        *FileExitItem;
    QAction *FileOpen1, *FileNew1, *FileExit1, *HelpAbout1, *EditCut1, *EditCopy1, *EditPaste1;
    QAction *WindowCascade1, *WindowTileHorizontal1, *WindowTileVertical1, *WindowMinimizeAll1,
        *WindowArrangeAll1, *WindowClose1;
    QToolButton *MetersTB, *YardsTB, *TransferTB, *MemoryManagerTB;

signals:
    // Emitted once the first paint's work is done.
    void FirstPainted();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildMenusAndTools();
    void FormCreate();
    void FormPaint();
    void FirstPaintStep();
    void ReadUnitSetting();
    void ShowUnit();
    void WriteUnit(const std::string& isMeter);
    bool ClosePlayerWindows();
    void EditFocusIn(QWidget* w, Qt::FocusReason reason);
    void EditFocusOut(QWidget* w, Qt::FocusReason reason);
    void RestoreMenuSelection();
    void UpdateEditCommands();

    unsigned char FirstPaint = 0;
    bool firstPaintQueued_ = false;
    bool databaseOpen_ = false;
    QMdiArea* mdiArea_ = nullptr;
    QActionGroup* unitGroup_ = nullptr;
    QPointer<QWidget> splash_;  // until its timer frees it
    QPointer<QWidget> editTarget_;  // what Cut, Copy and Paste serve
    TFocusWatch* focusWatch_ = nullptr;
    struct {
        QPointer<QLineEdit> Edit;
        int Start = 0, Length = 0;
    } menuSelection_;  // what the menu bar's focus took from a line edit
};

// The main window, for every other window.
extern TMainForm* MainForm;

// Creates the windows of the program in their fixed order, the main window
// first; all but the main window stay hidden. Returns false (after telling
// the user) when the database cannot be opened.
bool CreateApplicationWindows();
// Destroys them again (the end of the run).
void DestroyApplicationWindows();
