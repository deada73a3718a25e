#pragma once
#include <QListWidget>
#include <QTreeWidget>
#include <QWidget>
#include <memory>

#include "players/Playerrules.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QMimeData;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class QAction;
class TPlayerEditor;

// The bag tree: bags on top, 14 holders under each. Takes clubs dragged from
// the club list; a holder's club can be dragged back.
class TBagTree : public QTreeWidget {
public:
    TBagTree(TPlayerEditor* editor, QWidget* parent);
    static const char* const HolderMime;
    bool Editing() const { return state() == EditingState; }
    // A drop at a point of the viewport; false for what is not a list club.
    bool DropAt(QPoint pos, const QMimeData* mime);

protected:
    void startDrag(Qt::DropActions actions) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    TPlayerEditor* editor_;
};

// The clubs in no bag.
class TClubList : public QListWidget {
public:
    TClubList(TPlayerEditor* editor, QWidget* parent);
    static const char* const ClubMime;
    // A drop anywhere in the list; only a club of the tree is taken.
    void DropAt(const QMimeData* mime);

protected:
    void startDrag(Qt::DropActions actions) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    TPlayerEditor* editor_;
};

// True while a player editor (player window or first-run dialog) is open.
// There is one at a time: the editors share the frame's club and bag lists.
bool PlayerEditorOpen();
// The frame's Player command and tool button: enabled only while no player
// editor is open.
void EnablePlayerCommands();

// The player editor's page, one design for both modes: the player window
// (TMDIChild) and the first-run dialog (TNewPlayerForm). It moves values between
// its controls and a TPlayerRecord, which holds the rules.
class TPlayerEditor : public QWidget {
public:
    TPlayerEditor(QWidget* window, bool firstRun);
    ~TPlayerEditor() override;

    bool FirstRun() const { return firstRun_; }
    TPlayerRecord& Record() { return *record_; }
    bool Modified() const { return record_->Modified; }

    // Loading (the window's show step).
    void LoadCountries();
    void LoadDetails(int userId);
    void LoadBagsAndClubs(int userId);
    void LoadStates();
    TPlayerDetails ReadDetails() const;

    // Commands of the bags and clubs tab.
    void SpeedButton1Click();  // new bag
    void SpeedButton2Click();  // new club
    void Delete1Click();       // delete bag
    void RenameBagClick();     // Edit1 (player window), Rename1 (first run)
    void Delete2Click();       // delete club
    void Edit2Click();         // edit club
    void ClubStatisticsView();
    void BagStatisticsView();

    // Drops: the focused club of the list onto a tree item (null: the empty
    // area below the last node), and the selected holder back to the list.
    void DropListClubOn(QTreeWidgetItem* target);
    void DropTreeClubOnList();

    // Position of a tree item: bag node index and holder (-1 for a bag node).
    bool ItemPosition(QTreeWidgetItem* item, int* node, int* holder) const;
    QTreeWidgetItem* BagItem(int node) const;
    // The record's bag check; the bag nodes that passed are collapsed.
    int ControlBags();
    int FocusedClubIndex() const;  // -1 when no club item is focused

    void SetModified();
    // The editor closes: its objects go, the rows of its unsaved bags and,
    // while no other program holds the data folder, every other unsaved bag
    // row. Throws nothing; a failure is told.
    void FreeObjects();

    QTabWidget* PageControl1;
    QGroupBox* GenderGroup;
    QRadioButton *GenderMale, *GenderFemale;
    QLineEdit *FirstNameEdit, *LastNameEdit, *AddressEdit, *ZipEdit, *CityEdit;
    QComboBox *CountryComboBox, *StateComboBox;
    QLineEdit *HandicapEdit, *HomeClubEdit, *HomeClubURL;
    QPlainTextEdit* DescriptionMemo;
    QLabel* RequiredNote;
    TBagTree* TreeView1;
    TClubList* ListView1;
    QToolButton *NewBagButton, *DeleteBagButton, *EditBagButton, *StatisticsButton;
    QToolButton *NewClubButton, *DeleteClubButton, *EditClubButton, *ClubStatisticsButton;
    QMenu *TreePopUpMenu, *ListPopupMenu;
    QAction *DeleteBagItem, *RenameBagItem, *BagStatisticsItem;
    QAction *DeleteClubItem, *EditClubItem, *ClubStatisticsItem;
    QPushButton *OKBtn, *CancelBtn, *HelpBtn;
    bool TreeReadOnly = false;  // first run: after a drop onto the tree

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildDetails(QWidget* page);
    void BuildBags(QWidget* page);
    void AddBagItem(int node);
    void SyncBag(int node);
    void SyncList();
    void SetBagButtons(bool enabled);
    void SetClubButtons(bool enabled);
    void TreeSelectionButtons();
    void ListSelectionButtons();
    void TreeItemChanged(QTreeWidgetItem* item);
    void Refuse(const TMessage& m);
    QPoint DialogPosition(QWidget* button) const;

    QWidget* window_;
    bool firstRun_;
    std::unique_ptr<TPlayerRecord> record_;
    QList<QIcon> bagImages_, clubImages_;
    bool loading_ = false;
    bool syncing_ = false;
    bool renameAllowed_ = false;
    QString renameOld_;
};
