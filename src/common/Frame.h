#pragma once
#include <initializer_list>
#include <string>
#include <vector>

#include "db/Database.h"
#include "db/Table.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QPoint;
class QSize;
class QToolButton;
class QWidget;
class MClub;
class MBag;
class TMDIChild;
class TNewPlayerForm;

// The player editor keeps at most this many clubs and bags.
constexpr int MaxClubs = 100;
constexpr int MaxBags = 100;

// What the windows share of the main window: the database, the current
// player and distance unit, the open player editor's clubs and bags, the
// commands that windows switch on and off, and the frame's services (MDI
// children, help, list refresh). The main window implements it; the windows
// reach it through Frame() and never include the main window itself.
class TFrame {
public:
    TFrame();
    virtual ~TFrame();
    TFrame(const TFrame&) = delete;
    TFrame& operator=(const TFrame&) = delete;

    void SetUserId(int userId) { UserId = userId; }
    int GetUserId() const { return UserId; }
    std::string GetIsMeter() const { return IsMeter; }
    void SetIsMeter(const std::string& isMeter) { IsMeter = isMeter; }

    // The frame as a widget: the parent of dialogs and the anchor of
    // positions.
    virtual QWidget* Window() = 0;
    // False when the database could not be opened.
    virtual bool DatabaseOpen() const = 0;
    virtual void RefreshListWindows() = 0;
    virtual void ValidateRound(int roundId) = 0;
    // Help on a context number.
    virtual void ShowHelp(int context) = 0;
    // Children of the frame, in creation order.
    virtual QMdiArea* MdiArea() const = 0;
    virtual QMdiSubWindow* AddMdiChild(QWidget* child) = 0;
    virtual std::vector<QWidget*> MdiChildren() const = 0;

    TDatabase Database;
    TTable PlayerTable;
    TTable RoundTable;
    TTable RoundHolesTable;
    TTable RoundShotsTable;

    std::string HelpFile;
    std::string FileVersion;
    MClub* ClubList[MaxClubs] = {};
    MBag* BagList[MaxBags] = {};
    int ClubCount = 0;
    int BagCount = 0;
    unsigned char FirstPlayer = 0;
    TMDIChild* PlayerWindow = nullptr;
    TNewPlayerForm* NewPlayerWindow = nullptr;

    // Commands that other windows enable and disable.
    QAction *Player1 = nullptr, *Rounds1 = nullptr, *Course1 = nullptr,
            *TransferWizard1 = nullptr, *Settigs1 = nullptr;
    QToolButton *PlayerTB = nullptr, *RoundsTB = nullptr, *CourseTB = nullptr,
                *SettingsTB = nullptr;

protected:
    int UserId = 0;
    std::string IsMeter;
};

// The frame of the running program; null before it exists and after it
// has gone.
TFrame* Frame();
// The frame's widget, or null when there is no frame.
QWidget* FrameWindow();
// The frame's database, or null when there is no frame.
TDatabase* MainDatabase();
// Set by the frame when it is made and cleared when it goes.
void SetFrame(TFrame* frame);

// Sizes an MDI child's frame so that its client area is the given size.
void SizeMdiChild(QMdiSubWindow* sub, QSize client);

// From now on every window, dialog and MDI child opens wholly inside its work
// area (the screen's, or the frame's client area) when it is first shown; a
// window larger than its area keeps its title bar in it. Later showings (a
// restore of the frame) leave it where it is. Once, after the application
// object exists.
void KeepWindowsInWorkArea();

// Moves a window to where the program wants it (a dialog at its button); at
// its next showing it is fitted whole into its work area from there.
void PlaceWindowAt(QWidget* window, const QPoint& at);

// Tab goes through the widgets in the order given, as they stand on the screen.
void SetTabChain(std::initializer_list<QWidget*> widgets);
