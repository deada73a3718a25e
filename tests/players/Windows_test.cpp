#include <sqlite3.h>

#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <QToolButton>

#include "players/Childwin.h"
#include "db/Dbrows.h"
#include "players/Clubbrowse.h"
#include "players/Clubstats.h"
#include "players/Editclub.h"
#include "players/Newbag.h"
#include "players/Newclub.h"
#include "players/Newplayer.h"
#include "players/Playereditor.h"
#include "shell/Shellfixture.h"
#include "support/Editorsteps.h"

namespace {
// Keys as a user types them.
void Type(QWidget* w, const QString& text) {
    w->setFocus();
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

// Enter pressed in the widget.
void PressEnter(QWidget* w) {
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
}

std::vector<std::string> Children(QTreeWidgetItem* bag) {
    std::vector<std::string> out;
    for (int i = 0; i < bag->childCount(); ++i) out.push_back(bag->child(i)->text(0).toStdString());
    return out;
}

// Drops the named list club on a tree item at the item's place.
void DropOn(TPlayerEditor* ed, const QString& club, QTreeWidgetItem* target) {
    ed->ListView1->setCurrentItem(ListItem(ed, club));
    ASSERT_NE(ed->ListView1->currentItem(), nullptr) << club.toStdString();
    if (ed->PageControl1->currentIndex() != 1) {
        ed->PageControl1->setCurrentIndex(1);
        ProcessEventsFor(20);
    }
    ed->TreeView1->scrollToItem(target);
    const QPoint at = ed->TreeView1->visualItemRect(target).center();
    QMimeData mime;
    mime.setData(TClubList::ClubMime, QByteArray("1"));
    ed->TreeView1->DropAt(at, &mime);
}

// Answers the next modal dialog: fill() runs once it is up.
template <class F> void WhenShown(QDialog* dialog, F fill) {
    QTimer::singleShot(0, dialog, [dialog, fill] {
        if (!WaitFor([dialog] { return dialog->isVisible(); }, 2000)) return;
        fill();
    });
}

TVariant Value(const std::string& table, const std::string& filter, const std::string& column) {
    return RowValue(MainForm->Database, table, filter, column);
}

int Count(const std::string& table, const std::string& filter) { return CountRows(MainForm->Database, table, filter); }

void Flush() {
    ProcessEventsFor(20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
}  // namespace

class PlayerWindowTest : public ShellTest {
protected:
    void NewClub(TPlayerEditor* ed, const QString& name, QRadioButton* TClubTypeButtons::*type) {
        WhenShown(NewClubFrm, [=] {
            NewClubFrm->clubEdit->setText(name);
            (NewClubFrm->Types.*type)->setChecked(true);
            NewClubFrm->Button1->click();
        });
        ed->NewClubButton->click();
    }
    void NewBag(TPlayerEditor* ed, const QString& name) {
        WhenShown(NewBagFrm, [=] {
            NewBagFrm->bagEdit->setText(name);
            NewBagFrm->Button1->click();
        });
        QTest::keyClick(ed->NewBagButton, Qt::Key_Space);
    }
    TPlayerEditor* OpenPlayer() {
        MainForm->Player1->trigger();
        Flush();
        return MainForm->PlayerWindow ? MainForm->PlayerWindow->Editor : nullptr;
    }
    // A stored player's window, open on its "Bags & Clubs" page.
    TPlayerEditor* OpenPlayerBags() {
        AddPlayerBeforeStart(1);
        Start();
        TPlayerEditor* ed = OpenPlayer();
        if (!ed) return nullptr;
        ed->PageControl1->setCurrentIndex(1);
        ProcessEventsFor(20);
        return ed;
    }
};

TEST_F(PlayerWindowTest, FirstRunThenThePlayerWindowAsAUserWould) {
    Start();
    TNewPlayerForm* first = MainForm->NewPlayerWindow;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(MainForm->windowTitle(), "Caddora - New Player");
    TPlayerEditor* ed = first->Editor;
    ASSERT_EQ(ed->TreeView1->topLevelItemCount(), 1);
    QTreeWidgetItem* bag = ed->TreeView1->topLevelItem(0);
    EXPECT_EQ(bag->text(0), "Default");
    const auto holders = Children(bag);
    ASSERT_EQ(holders.size(), 14u);
    EXPECT_EQ(holders.front(), "Putter");
    EXPECT_EQ(holders[1], "Driver");
    EXPECT_EQ(holders.back(), "");
    EXPECT_EQ(std::count(holders.begin(), holders.end(), ""), 1);
    EXPECT_EQ(ed->ListView1->count(), 0);
    EXPECT_EQ(MainForm->ClubCount, 13);
    EXPECT_FALSE(ed->OKBtn->isEnabled());
    EXPECT_FALSE(ed->CancelBtn->isEnabled());
    EXPECT_FALSE(ed->RequiredNote->isVisible());

    Type(ed->FirstNameEdit, "Ann");
    EXPECT_TRUE(ed->OKBtn->isEnabled());
    Type(ed->LastNameEdit, "Smith");
    Type(ed->HandicapEdit, "12.5");
    // Tab moves on from the description and writes no tab into it.
    Type(ed->DescriptionMemo, "Lefty");
    QTest::keyClick(ed->DescriptionMemo, Qt::Key_Tab);
    EXPECT_EQ(ed->DescriptionMemo->toPlainText(), "Lefty");
    // OK without a country: the message, the dialog stays.
    ed->OKBtn->click();
    ASSERT_EQ(log.Texts(), std::vector<std::string>{"You must choose a country"});
    EXPECT_EQ(log.Messages()[0].caption, "Wrong input");
    EXPECT_TRUE(first->isVisible());
    Choose(ed->CountryComboBox, "United States");
    EXPECT_TRUE(ed->StateComboBox->isEnabled());
    Choose(ed->StateComboBox, "Texas");
    log.Clear();
    ed->OKBtn->click();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    Flush();
    EXPECT_EQ(MainForm->NewPlayerWindow, nullptr);
    EXPECT_EQ(MainForm->windowTitle(), "Caddora");
    EXPECT_TRUE(MainForm->Player1->isEnabled());
    EXPECT_EQ(MainForm->GetUserId(), 1);
    EXPECT_EQ(MainForm->ClubCount, 0);
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "FirstName").AsString(), "Ann");
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "Country").AsString(), "US");
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "State").AsString(), "TX");
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "HCP").AsFloat(), 12.5);

    // View > Player: the record as stored.
    ed = OpenPlayer();
    ASSERT_NE(ed, nullptr);
    EXPECT_EQ(MainForm->PlayerWindow->windowTitle(), "Caddora - Player");
    // 591 x 426, or more where the rows need it: every row at its full height.
    const QSize size = MainForm->PlayerWindow->parentWidget()->size();
    EXPECT_GE(size.width(), 591);
    EXPECT_GE(size.height(), 426);
    EXPECT_GE(ed->GenderGroup->height(), ed->GenderGroup->minimumSizeHint().height());
    EXPECT_GE(ed->DescriptionMemo->height(), ed->DescriptionMemo->minimumSizeHint().height());
    EXPECT_EQ(ed->FirstNameEdit->text(), "Ann");
    EXPECT_EQ(ed->CountryComboBox->currentText(), "United States");
    EXPECT_EQ(ed->StateComboBox->currentText(), "Texas");
    EXPECT_EQ(ed->HandicapEdit->text(), "12.5");
    EXPECT_TRUE(ed->GenderMale->isChecked());
    EXPECT_FALSE(MainForm->Player1->isEnabled());
    EXPECT_TRUE(ed->RequiredNote->isVisible());
    EXPECT_FALSE(ed->Modified());

    // A new bag and three new clubs, dragged in.
    NewBag(ed, "Travel");
    ASSERT_EQ(ed->TreeView1->topLevelItemCount(), 2);
    QTreeWidgetItem* travel = ed->TreeView1->topLevelItem(1);
    EXPECT_EQ(travel->text(0), "Travel");
    EXPECT_EQ(travel->childCount(), 14);
    EXPECT_EQ(travel->data(0, Qt::UserRole + 1).toInt(), EmptyBagImage);
    NewClub(ed, "MyPutt", &TClubTypeButtons::RBPutter);
    NewClub(ed, "Iron7", &TClubTypeButtons::RBIron);
    NewClub(ed, "Lob", &TClubTypeButtons::RBWedge);
    ASSERT_EQ(ed->ListView1->count(), 3);
    ASSERT_TRUE(log.Empty()) << log.Texts().front();

    DropOn(ed, "Iron7", travel);  // not a putter: holder 1 is for the putter
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"You can only place a putter in the bags first holder"});
    DropOn(ed, "MyPutt", travel);
    DropOn(ed, "Lob", travel->child(5));
    DropOn(ed, "Iron7", travel);
    EXPECT_EQ(Children(travel)[0], "MyPutt");
    EXPECT_EQ(Children(travel)[1], "Iron7");
    EXPECT_EQ(Children(travel)[5], "Lob");
    EXPECT_EQ(ed->ListView1->count(), 0);
    EXPECT_EQ(travel->data(0, Qt::UserRole + 1).toInt(), BagImage);
    ed->OKBtn->click();
    ASSERT_EQ(log.Texts().size(), 1u) << log.Texts().back();
    Flush();
    EXPECT_EQ(MainForm->PlayerWindow, nullptr);
    EXPECT_TRUE(MainForm->Player1->isEnabled());

    const int bagId = Value("GolfBag", "BagName='Travel'", "BagId").AsInteger();
    EXPECT_EQ(Value("GolfBag", "BagId=" + std::to_string(bagId), "UserId").AsInteger(), 1);
    auto rank = [&](const char* club) {
        const int id = Value("ClubDetail", std::string("ClubName='") + club + "'", "ClubId").AsInteger();
        EXPECT_EQ(Value("Clubs", "ClubId=" + std::to_string(id), "BagId").AsInteger(), bagId) << club;
        return Value("Clubs", "ClubId=" + std::to_string(id), "OrderNumber").AsInteger();
    };
    EXPECT_EQ(rank("MyPutt"), 1);
    EXPECT_EQ(rank("Iron7"), 2);
    EXPECT_EQ(rank("Lob"), 3);
    EXPECT_EQ(Value("ClubDetail", "ClubName='Lob'", "Type").AsInteger(), 2);
}

TEST_F(PlayerWindowTest, FirstRunChecksTheBagsBeforeTheDetails) {
    Start();
    TPlayerEditor* ed = MainForm->NewPlayerWindow->Editor;
    QTreeWidgetItem* bag = ed->TreeView1->topLevelItem(0);
    for (int h = 2; h < 13; ++h) {
        ed->TreeView1->setCurrentItem(bag->child(h));
        ed->DropTreeClubOnList();
    }
    EXPECT_EQ(ed->ListView1->count(), 11);
    ed->OKBtn->click();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text,
              "You must have at least three \nclubs in every bag and one \nclub must be a putter.");
    EXPECT_EQ(log.Messages()[0].caption, "Incomplete bag");
    // After a drop onto the tree the bag can no longer be renamed.
    DropOn(ed, "PW", bag);
    EXPECT_TRUE(ed->TreeReadOnly);
    ed->TreeView1->setCurrentItem(bag);
    ed->RenameBagItem->trigger();
    bag->setText(0, "Other");
    EXPECT_EQ(MainForm->BagList[0]->BagName, "Default");
    log.Clear();
    ed->OKBtn->click();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"The HCP field contains a value that is not valid"});
}

TEST_F(PlayerWindowTest, FirstRunClosesOnlyAfterASavedOkAndRefusesOneAfterEscOrCtrl) {
    Start();
    QPointer<TNewPlayerForm> first = MainForm->NewPlayerWindow;
    TPlayerEditor* ed = first->Editor;
    // No close from the window manager or from code.
    EXPECT_FALSE(first->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    first->windowHandle()->close();
    EXPECT_FALSE(first->close());
    Flush();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(Count("PlayerDetail", ""), 0);

    Type(ed->FirstNameEdit, "Ann");
    Type(ed->LastNameEdit, "Smith");
    Type(ed->HandicapEdit, "12");
    Choose(ed->CountryComboBox, "Sweden");
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(ed->FirstNameEdit, &esc);
    EXPECT_EQ(first->CloseAllowed, 0);
    // The OK that saves is refused its close once; the editor keeps its clubs
    // and the Player command stays off while it lives.
    ed->OKBtn->click();
    Flush();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(Count("PlayerDetail", "UserId=1"), 1);
    EXPECT_EQ(MainForm->ClubCount, 13);
    EXPECT_FALSE(MainForm->Player1->isEnabled());
    EXPECT_FALSE(MainForm->PlayerTB->isEnabled());
    ed->OKBtn->click();
    Flush();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(MainForm->windowTitle(), "Caddora");
    EXPECT_EQ(MainForm->ClubCount, 0);
    EXPECT_TRUE(MainForm->Player1->isEnabled());
    EXPECT_TRUE(MainForm->PlayerTB->isEnabled());
}

TEST_F(PlayerWindowTest, BagAndClubDialogsRefuseWithTheirTexts) {
    AddPlayerBeforeStart(1);
    Start();
    NewBagFrm->show();
    NewBagFrm->bagEdit->setText("");
    NewBagFrm->Button1Click();
    NewBagFrm->bagEdit->setText("Default");  // another player's name counts too
    NewBagFrm->Button1Click();
    EXPECT_TRUE(NewBagFrm->isVisible());
    EXPECT_EQ(MainForm->BagList[0], nullptr);
    ASSERT_EQ(log.Messages().size(), 2u);
    EXPECT_EQ(log.Messages()[0].text, "You must give Bagname");
    EXPECT_EQ(log.Messages()[0].caption, "Bagname missing");
    EXPECT_EQ(log.Messages()[1].text, "You must give a unique Bagname");
    EXPECT_EQ(log.Messages()[1].caption, "Wrong bagname");
    EXPECT_EQ(NewBagFrm->bagEdit->maxLength(), 8);
    NewBagFrm->Button2Click();
    EXPECT_EQ(NewBagFrm->result(), 2);

    log.Clear();
    NewClubFrm->show();
    EXPECT_TRUE(NewClubFrm->Types.RBWood->isChecked());
    NewClubFrm->Button1Click();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"You must give clubname"});
    EXPECT_EQ(log.Messages()[0].caption, "Clubname missing");
    NewClubFrm->Button2Click();
    EXPECT_EQ(MainForm->ClubList[0], nullptr);

    // The default bag's clubs keep their type.
    log.Clear();
    EditClubForm->SetClubType(1);
    EditClubForm->ClubDetailTable.SetFilter("ClubId=105");
    EditClubForm->clubEdit->setText("6 Iron");
    EditClubForm->show();
    EXPECT_TRUE(EditClubForm->Types.RBIron->isChecked());
    EXPECT_FALSE(EditClubForm->Types.RBWood->isEnabled());
    EditClubForm->hide();
    EditClubForm->ClubDetailTable.SetFilter("ClubId=112");
    EditClubForm->SetClubType(9);
    EditClubForm->show();
    EXPECT_TRUE(EditClubForm->Types.RBWood->isEnabled());
    EXPECT_TRUE(EditClubForm->Types.RBPutter->isChecked());
    log.QueueAnswer(IDNO);
    EditClubForm->Button1Click();
    EXPECT_TRUE(EditClubForm->isVisible());
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text,
              "Edit Club? \nIf you edit the clubtype you will\nloose the statistics(Longest\nshot, Average "
              "Shotlength,\n and Number of shots.)");
    EXPECT_EQ(log.Messages()[0].buttons, MB_YESNO);
    EditClubForm->clubEdit->setText("");
    EditClubForm->Button1Click();
    EXPECT_EQ(log.Texts().back(), "You must give clubname");
    EditClubForm->Button2Click();
}

TEST_F(PlayerWindowTest, BagAndClubButtonsWorkWithTheMouse) {
    // A press on a button without focus hands the focus to the window frame;
    // the tree and the list must keep their buttons for the click to land.
    TPlayerEditor* ed = OpenPlayerBags();
    ASSERT_NE(ed, nullptr);
    QTreeWidgetItem* def = ed->TreeView1->topLevelItem(0);
    MainForm->activateWindow();
    ASSERT_TRUE(WaitFor([] { return MainForm->isActiveWindow(); }, 2000));
    ed->TreeView1->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(ed->TreeView1->hasFocus());
    ed->TreeView1->setCurrentItem(def);
    emit ed->TreeView1->itemClicked(def, 0);
    ASSERT_TRUE(ed->EditBagButton->isEnabled());
    QTest::mouseClick(ed->EditBagButton, Qt::LeftButton);
    Flush();
    EXPECT_NE(ed->TreeView1->findChild<QLineEdit*>("BagNameEditor"), nullptr) << "the rename did not start";

    ed->TreeView1->setCurrentItem(def->child(1));
    ed->DropTreeClubOnList();
    ed->ListView1->setFocus(Qt::MouseFocusReason);
    ed->ListView1->setCurrentItem(ListItem(ed, "Driver"));
    emit ed->ListView1->itemClicked(ed->ListView1->currentItem());
    ASSERT_TRUE(ed->EditClubButton->isEnabled());
    bool editorShown = false;
    WhenShown(EditClubForm, [&] {
        editorShown = true;
        EditClubForm->Button2Click();
    });
    QTest::mouseClick(ed->EditClubButton, Qt::LeftButton);
    EXPECT_TRUE(editorShown) << "the club editor did not open";

    // With the buttons near the screen's corner, New club and New Bag open
    // at them whole on the screen, at every showing.
    const QRect screen = MainForm->screen()->availableGeometry();
    const QPoint corner = screen.bottomRight() - QPoint(40, 40);
    MainForm->move(MainForm->pos() + corner - ed->NewClubButton->mapToGlobal(QPoint()));
    ASSERT_TRUE(WaitFor([&] { return ed->NewClubButton->mapToGlobal(QPoint()) == corner; }, 2000));
    ed->StatisticsButton->setEnabled(true);
    ed->TreeView1->setCurrentItem(ed->TreeView1->topLevelItem(0));  // a bag: its statistics
    for (QDialog* d : std::initializer_list<QDialog*>{NewClubFrm, NewClubFrm, NewBagFrm, NewBagFrm, ClubStatsForm, ClubStatsForm}) {
        WhenShown(d, [&, d] {
            EXPECT_TRUE(screen.contains(d->frameGeometry())) << d->objectName().toStdString();
            d->reject();
        });
        (d == NewClubFrm ? ed->NewClubButton : d == NewBagFrm ? ed->NewBagButton : ed->StatisticsButton)->click();
    }
}

TEST_F(PlayerWindowTest, PlayerWindowCommandsAndCancel) {
    TPlayerEditor* ed = OpenPlayerBags();
    ASSERT_NE(ed, nullptr);
    QTreeWidgetItem* def = ed->TreeView1->topLevelItem(0);
    // Clubs in the bag: no delete; the default bag's name protects it once empty.
    ed->TreeView1->setCurrentItem(def);
    ed->Delete1Click();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"You must first remove the clubs"});
    // A club of the default bag cannot be deleted from the list.
    ed->TreeView1->setCurrentItem(def->child(1));
    ed->DropTreeClubOnList();
    ed->ListView1->setCurrentItem(ListItem(ed, "Driver"));
    ed->Delete2Click();
    EXPECT_EQ(log.Texts().back(), "You can't delete a club that belongs to the default bag");
    // The bag buttons follow the tree's selection.
    ed->TreeView1->setCurrentItem(def);
    emit ed->TreeView1->itemClicked(def, 0);
    EXPECT_TRUE(ed->DeleteBagButton->isEnabled());
    EXPECT_TRUE(ed->StatisticsButton->isEnabled());

    // A renamed bag: the new-bag rules, then the new name. New Bag is
    // reached by Tab from the tree, the tree's menu by Shift+F10.
    EXPECT_EQ(TabFrom(ed->TreeView1), ed->NewBagButton);
    NewBag(ed, "Spare");
    QTreeWidgetItem* spare = ed->TreeView1->topLevelItem(1);
    const int spareId = MainForm->BagList[1]->BagId;
    EXPECT_EQ(Value("GolfBag", "BagId=" + std::to_string(spareId), "UserId").AsInteger(), -1);
    MainForm->activateWindow();
    ASSERT_TRUE(WaitFor([] { return MainForm->isActiveWindow(); }, 2000));
    ed->TreeView1->setFocus(Qt::MouseFocusReason);
    ed->TreeView1->setCurrentItem(spare);
    emit ed->TreeView1->itemClicked(spare, 0);
    auto rename = [&](const QString& name) {
        QTest::keyClick(ed->TreeView1, Qt::Key_F10, Qt::ShiftModifier);
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}) QTest::keyClick(QApplication::activePopupWidget(), key);
        auto* line = ed->TreeView1->findChild<QLineEdit*>("BagNameEditor");
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->maxLength(), 8);
        line->setText(name);
        PressEnter(line);
        Flush();
    };
    rename("");
    EXPECT_EQ(log.Texts().back(), "You must give Bagname");
    EXPECT_EQ(spare->text(0), "Spare");
    // No uniqueness test at a rename; the bag's buttons stay while it is selected.
    rename("Default");
    EXPECT_EQ(MainForm->BagList[1]->BagName, "Default");
    rename("Trip");
    EXPECT_EQ(MainForm->BagList[1]->BagName, "Trip");
    EXPECT_EQ(spare->text(0), "Trip");
    EXPECT_TRUE(ed->DeleteBagButton->isEnabled());
    EXPECT_TRUE(ed->EditBagButton->isEnabled());
    EXPECT_TRUE(ed->StatisticsButton->isEnabled());

    // Delete a bag after the question.
    log.QueueAnswer(IDNO);
    ed->Delete1Click();
    EXPECT_EQ(ed->TreeView1->topLevelItemCount(), 2);
    log.QueueAnswer(IDYES);
    ed->Delete1Click();
    EXPECT_EQ(log.Texts().back(), "Delete Bag?");
    EXPECT_EQ(ed->TreeView1->topLevelItemCount(), 1);

    // A club of the player's own can be deleted after the question (the
    // list's menu by Shift+F10).
    NewClub(ed, "Extra", &TClubTypeButtons::RBIron);
    ed->ListView1->setCurrentItem(ListItem(ed, "Extra"));
    emit ed->ListView1->itemClicked(ed->ListView1->currentItem());
    EXPECT_TRUE(ed->DeleteClubButton->isEnabled());
    log.QueueAnswer(IDYES);
    QTest::keyClick(ed->ListView1, Qt::Key_F10, Qt::ShiftModifier);
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Return}) QTest::keyClick(QApplication::activePopupWidget(), key);
    EXPECT_EQ(log.Texts().back(), "Delete Club?");
    EXPECT_EQ(ListItem(ed, "Extra"), nullptr);
    EXPECT_FALSE(ed->DeleteClubButton->isEnabled());

    // Esc (Cancel) writes nothing; the new bag's row goes.
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(ed->FirstNameEdit, &esc);
    Flush();
    EXPECT_EQ(MainForm->PlayerWindow, nullptr);
    EXPECT_EQ(Count("GolfBag", "BagId=" + std::to_string(spareId)), 0);
    EXPECT_EQ(Value("Clubs", "ClubId=99", "BagId").AsInteger(), 1);
    EXPECT_EQ(MainForm->BagCount, 0);
}

TEST_F(PlayerWindowTest, StatisticsWindowShowsFiguresAndEmptiesOnEveryClose) {
    AddPlayerBeforeStart(1);
    {
        TDatabase db;
        db.SetDatabaseName(DataPath("kx.mdb"));
        db.Open();
        TTable shots(&db, "RoundShots");
        shots.Open();
        for (int length : {150, 200, 200, 20}) {
            shots.Append();
            shots.FieldByName("RoundId").SetAsInteger(1);
            shots.FieldByName("ClubId").SetAsInteger(100);  // the Driver
            shots.FieldByName("ShotLength").SetAsInteger(length);
            shots.Post();
        }
        TTable holes(&db, "RoundHoles");
        holes.Open();
        for (int i = 0; i < 36; ++i) {
            holes.Append();
            holes.FieldByName("HoleShotsTotal").SetAsInteger(4);
            holes.FieldByName("FIR").SetAsBoolean(i < 12);
            holes.FieldByName("HoleShotsPutter").SetAsInteger(i < 29 ? 2 : 1);
            holes.Post();
        }
    }
    Start();
    TPlayerEditor* ed = OpenPlayer();
    ASSERT_NE(ed, nullptr);
    EXPECT_EQ(Value("ClubDetail", "ClubId=100", "Shots").AsInteger(), 4);
    EXPECT_EQ(ClubStatsForm->AllRounds.Holes, 36);

    // The bag view through the tree's menu command.
    ed->TreeView1->setCurrentItem(ed->TreeView1->topLevelItem(0));
    std::string caption, fairway, putts, driverUse, driverAverage, row13;
    WhenShown(ClubStatsForm, [&] {
        caption = ClubStatsForm->windowTitle().toStdString();
        fairway = ClubStatsForm->AllRoundsFairwayLabel->text().toStdString();
        putts = ClubStatsForm->AllRoundsPuttsLabel->text().toStdString();
        driverUse = ClubStatsForm->RowShotsLabel[1]->text().toStdString();
        driverAverage = ClubStatsForm->RowAverageLabel[1]->text().toStdString();
        row13 = ClubStatsForm->RowNameLabel[12]->isVisible() ? "shown" : "hidden";
        ClubStatsForm->close();  // the close box
    });
    ed->StatisticsButton->setEnabled(true);
    ed->StatisticsButton->click();
    EXPECT_EQ(caption, "Statistics");
    EXPECT_EQ(fairway, "Fairway hits: 12 of 36 (33%)");
    EXPECT_EQ(putts, "Putts: 65 (1.81)");
    EXPECT_EQ(driverUse, "Club used:4 times");
    EXPECT_EQ(driverAverage, "Average:183 meter(s)");
    EXPECT_EQ(row13, "shown");
    // Closed with the close box: nothing of it is left visible.
    EXPECT_FALSE(ClubStatsForm->AllRoundsTitleLabel->isVisibleTo(ClubStatsForm));
    EXPECT_FALSE(ClubStatsForm->RowNameLabel[0]->isVisibleTo(ClubStatsForm));
    EXPECT_EQ(ClubStatsForm->ScrollBox1->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);

    // A club view of a putter: name, picture and use line only.
    ed->TreeView1->setCurrentItem(ed->TreeView1->topLevelItem(0)->child(0));
    ed->DropTreeClubOnList();
    ed->ListView1->setCurrentItem(ListItem(ed, "Putter"));
    bool average = true, scroll = true;
    WhenShown(ClubStatsForm, [&] {
        caption = ClubStatsForm->windowTitle().toStdString();
        average = ClubStatsForm->RowAverageLabel[0]->isVisibleTo(ClubStatsForm);
        scroll = ClubStatsForm->ScrollBox1->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
        row13 = ClubStatsForm->RowNameLabel[1]->isVisibleTo(ClubStatsForm) ? "shown" : "hidden";
        ClubStatsForm->OK->click();
    });
    ed->ClubStatisticsItem->trigger();
    EXPECT_EQ(caption, "Club statistics - Putter");
    EXPECT_FALSE(average);
    EXPECT_FALSE(scroll);
    EXPECT_EQ(row13, "hidden");
}

TEST_F(PlayerWindowTest, ALockedFileLeavesTheRecordWholeAndTheWindowOpen) {
    AddPlayerBeforeStart(1);
    Start();
    TPlayerEditor* ed = OpenPlayer();
    ASSERT_NE(ed, nullptr);
    Type(ed->LastNameEdit, "Jones");
    Choose(ed->CountryComboBox, "Sweden");
    Type(ed->HandicapEdit, "4");
    // Another program holds the file for writing meanwhile.
    sqlite3_busy_timeout(MainForm->Database.Handle(), 50);
    TDatabase other;
    other.SetDatabaseName(DataPath("kx.mdb"));
    other.Open();
    other.StartTransaction();
    PressEnter(ed->HandicapEdit);  // Enter presses OK
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].caption, "Error");
    EXPECT_NE(MainForm->PlayerWindow, nullptr);
    EXPECT_TRUE(Value("PlayerDetail", "UserId=1", "LastName").IsNull());
    other.Rollback();
    other.Close();
    ed->OKBtn->click();
    Flush();
    EXPECT_EQ(MainForm->PlayerWindow, nullptr);
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "LastName").AsString(), "Jones");
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "HCP").AsFloat(), 4.0);

    // Opened while the file is held: the club figures are shown as computed,
    // not stored, and nothing is said.
    AppendRow(MainForm->Database, "RoundShots", {{"ClubId", 100}, {"ShotLength", 150}});
    other.Open();
    other.StartTransaction();
    ed = OpenPlayer();
    ASSERT_NE(ed, nullptr);
    EXPECT_EQ(log.Messages().size(), 1u);
    ASSERT_TRUE(ed->Record().ClubCount() > 1 && ed->Record().Club(1)->ClubId == 100);
    EXPECT_EQ(ed->Record().Club(1)->GetLongestShot(), 150);
    EXPECT_EQ(Value("ClubDetail", "ClubId=100", "LongestShot").AsInteger(), 0);
    other.Rollback();

    // Cancel with a new bag while the file is held: the failed delete is
    // told, the program runs on, and the row goes at the next start.
    NewBag(ed, "Spare");
    other.StartTransaction();
    log.Clear();
    ed->CancelBtn->click();
    Flush();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Cannot delete from GolfBag: database is locked"});
    EXPECT_EQ(MainForm->PlayerWindow, nullptr);
    other.Rollback();
    EXPECT_EQ(Count("GolfBag", "UserId=-1"), 1);
    DestroyApplicationWindows();
    Start();
    EXPECT_EQ(Count("GolfBag", "UserId=-1"), 0);
}

TEST_F(PlayerWindowTest, ARowThatDoesNotReadClosesTheWindowWithNothingWritten) {
    AddPlayerBeforeStart(1);
    {
        TDatabase db;
        db.SetDatabaseName(DataPath("kx.mdb"));
        db.Open();
        db.Execute("UPDATE PlayerDetail SET LastName = 'Berg', GolfClub = 'Heath GC', UserDesc = 'Notes', "
                   "HCP = 'abc' WHERE UserId = 1");
        db.Close();
    }
    Start();
    MainForm->Player1->trigger();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "'abc' is not a valid floating point value for field 'HCP' of PlayerDetail.");
    EXPECT_EQ(log.Messages()[0].caption, "Error");
    // Enter right after the message, before the window has gone: no save.
    if (MainForm->PlayerWindow) {
        TPlayerEditor* ed = MainForm->PlayerWindow->Editor;
        ed->HandicapEdit->selectAll();
        Type(ed->HandicapEdit, "12");
        PressEnter(ed->HandicapEdit);
    }
    Flush();
    EXPECT_EQ(MainForm->PlayerWindow, nullptr);
    EXPECT_TRUE(MainForm->Player1->isEnabled());
    EXPECT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "HCP").AsString(), "abc");
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "GolfClub").AsString(), "Heath GC");
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "UserDesc").AsString(), "Notes");
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "LastName").AsString(), "Berg");
}

// A stored player whose window cannot load for what another program left in
// the file (sql runs on the file before start).
class PlayerLoadFailureTest : public PlayerWindowTest {
protected:
    void StartOver(const std::string& sql) {
        AddPlayerBeforeStart(1);
        TDatabase db;
        db.SetDatabaseName(DataPath("kx.mdb"));
        db.Open();
        db.Execute("UPDATE PlayerDetail SET FirstName = 'Ann', LastName = 'Berg', GolfClub = 'Heath GC', "
                   "UserDesc = 'Notes', HCP = 20 WHERE UserId = 1");
        if (!sql.empty()) db.Execute(sql);
        db.Close();
        Start();
    }
    // Opens the player window, completes whatever it shows and presses OK
    // and Enter, as a user who missed the message would; then the window
    // must be gone with the player's row as it was.
    void ExpectNothingSaved(const std::string& cause) {
        MainForm->Player1->trigger();
        ASSERT_EQ(log.Messages().size(), 1u);
        EXPECT_NE(log.Messages()[0].text.find(cause), std::string::npos) << log.Messages()[0].text;
        EXPECT_EQ(log.Messages()[0].caption, "Error");
        if (MainForm->PlayerWindow) {
            TPlayerEditor* ed = MainForm->PlayerWindow->Editor;
            ed->FirstNameEdit->setText("Ann");
            ed->LastNameEdit->setText("Berg");
            const int sweden = ed->CountryComboBox->findText("Sweden");  // none when the list failed
            ed->CountryComboBox->setCurrentIndex(sweden);
            emit ed->CountryComboBox->activated(sweden);
            ed->HandicapEdit->selectAll();
            Type(ed->HandicapEdit, "12");
            ed->OKBtn->click();
            PressEnter(ed->HandicapEdit);
        }
        Flush();
        EXPECT_EQ(MainForm->PlayerWindow, nullptr);
        EXPECT_TRUE(MainForm->Player1->isEnabled());
        EXPECT_EQ(log.Messages().size(), 1u);
        EXPECT_EQ(Value("PlayerDetail", "UserId=1", "GolfClub").AsString(), "Heath GC");
        EXPECT_EQ(Value("PlayerDetail", "UserId=1", "UserDesc").AsString(), "Notes");
        EXPECT_EQ(Value("PlayerDetail", "UserId=1", "HCP").AsFloat(), 20.0);
    }
};

TEST_F(PlayerLoadFailureTest, AShotRowWhoseClubIsNoNumberClosesTheWindowUnsaved) {
    StartOver("INSERT INTO RoundShots (RoundId, HoleId, ShotNumber, ClubId, ShotLength) "
              "VALUES (1, 1, 1, 'abc', 120)");
    ExpectNothingSaved("'abc' is not a valid integer value.");
}

TEST_F(PlayerLoadFailureTest, AClubRowWhoseTypeIsNoNumberClosesTheWindowUnsaved) {
    // Read after the club's object is made: the object goes with the failure.
    StartOver("UPDATE ClubDetail SET Type = 'abc' WHERE ClubName = 'Driver'");
    ExpectNothingSaved("'abc' is not a valid integer value for field 'Type' of ClubDetail.");
    EXPECT_EQ(MainForm->ClubCount, 0);
    EXPECT_EQ(MainForm->BagCount, 0);
}

TEST_F(PlayerLoadFailureTest, ACountryListThatDoesNotReadClosesTheWindowUnsaved) {
    StartOver("");
    // Gone while the program runs: the window fails while it is made.
    MainForm->Database.Execute("ALTER TABLE Country RENAME TO Land");
    ExpectNothingSaved("Country");
}

TEST_F(PlayerLoadFailureTest, AnOlderClubTableClosesTheWindowUnsaved) {
    StartOver("ALTER TABLE ClubDetail DROP COLUMN LongestShot");
    ExpectNothingSaved("LongestShot");
}

TEST_F(PlayerWindowTest, AFirstRunBagThatDoesNotReadEndsTheDialogAndTheStartGoesOn) {
    {
        TDatabase db;
        db.SetDatabaseName(DataPath("kx.mdb"));
        db.Open();
        db.Execute("UPDATE ClubDetail SET Type = 'abc' WHERE ClubName = 'Driver'");
        db.Close();
    }
    try {
        Start();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "the failure left the dialog's road: " << e.what();
    }
    ASSERT_NE(MainForm, nullptr);
    EXPECT_TRUE(MainForm->FirstPaintDone());
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "'abc' is not a valid integer value for field 'Type' of ClubDetail.");
    EXPECT_EQ(log.Messages()[0].caption, "Error");
    // OK right after the message, before the dialog has gone: no save.
    if (TNewPlayerForm* first = MainForm->NewPlayerWindow) {
        first->Editor->FirstNameEdit->setText("Ann");
        first->Editor->LastNameEdit->setText("Berg");
        first->Editor->HandicapEdit->setText("12");
        const int sweden = first->Editor->CountryComboBox->findText("Sweden");
        first->Editor->CountryComboBox->setCurrentIndex(sweden);
        emit first->Editor->CountryComboBox->activated(sweden);
        first->OKBtnClick();
    }
    Flush();
    EXPECT_EQ(MainForm->NewPlayerWindow, nullptr);
    EXPECT_EQ(MainForm->ClubCount, 0);
    EXPECT_EQ(MainForm->BagCount, 0);
    EXPECT_EQ(Count("PlayerDetail", ""), 0);
    EXPECT_TRUE(MainForm->Player1->isEnabled());
    EXPECT_TRUE(MainForm->Rounds1->isEnabled());
}

TEST_F(PlayerWindowTest, ClubChooserOffersTheListClubsOfTheFilter) {
    AddPlayerBeforeStart(1);
    Start();
    TPlayerEditor* ed = OpenPlayer();
    ASSERT_NE(ed, nullptr);
    QTreeWidgetItem* def = ed->TreeView1->topLevelItem(0);
    for (int h : {0, 1, 2}) {
        ed->TreeView1->setCurrentItem(def->child(h));
        ed->DropTreeClubOnList();
    }
    ASSERT_EQ(ed->ListView1->count(), 3);
    NewBagFrm->ClubFilter = 0;
    ClubBrowseForm->show();
    ASSERT_EQ(ClubBrowseForm->ClubComboBox->count(), 2);
    EXPECT_EQ(ClubBrowseForm->ClubComboBox->itemText(0), "Driver");
    ClubBrowseForm->okbtnClick();
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"You must choose a club"});
    EXPECT_EQ(log.Messages()[0].caption, "No club selected");
    Choose(ClubBrowseForm->ClubComboBox, "3 Wood");
    EXPECT_EQ(ClubBrowseForm->typeImage->property("Picture").toInt(), 0);
    ClubBrowseForm->okbtnClick();
    EXPECT_EQ(NewBagFrm->ChosenClubId, 101);
    EXPECT_EQ(NewBagFrm->ChosenClubName, "3 Wood");
    EXPECT_EQ(ClubBrowseForm->ClubComboBox->count(), 0);
    NewBagFrm->ClubFilter = 1;
    ClubBrowseForm->show();
    ASSERT_EQ(ClubBrowseForm->ClubComboBox->count(), 1);
    EXPECT_EQ(ClubBrowseForm->ClubComboBox->itemText(0), "Putter");
    ClubBrowseForm->cancelbuttonClick();
}

TEST_F(PlayerWindowTest, PlayerWindowOpensNormalAtTheTopLeftBesideAMaximisedChild) {
    AddPlayerBeforeStart(1);
    Start();
    auto* other = new QWidget;
    other->setWindowTitle("Other");
    MainForm->AddMdiChild(other)->showMaximized();
    Flush();
    TPlayerEditor* ed = OpenPlayer();
    ASSERT_NE(ed, nullptr);
    auto* sub = qobject_cast<QMdiSubWindow*>(MainForm->PlayerWindow->parentWidget());
    ASSERT_NE(sub, nullptr);
    EXPECT_FALSE(sub->isMaximized());
    EXPECT_FALSE(sub->isMinimized());
    EXPECT_EQ(sub->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(sub->size(), QSize(591, 426).expandedTo(sub->minimumSizeHint()));
}

TEST_F(PlayerWindowTest, FirstRunOkWithANameTooLongForItsColumnSavesNothing) {
    Start();
    TNewPlayerForm* first = MainForm->NewPlayerWindow;
    ASSERT_NE(first, nullptr);
    TPlayerEditor* ed = first->Editor;
    Type(ed->FirstNameEdit, QString(21, 'a'));  // FirstName holds 20
    Type(ed->LastNameEdit, "Smith");
    Type(ed->HandicapEdit, "10");
    Choose(ed->CountryComboBox, "Sweden");
    ed->OKBtn->click();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_NE(log.Messages()[0].text.find("FirstName"), std::string::npos) << log.Messages()[0].text;
    EXPECT_NE(log.Messages()[0].text.find("20"), std::string::npos) << log.Messages()[0].text;
    Flush();
    EXPECT_EQ(MainForm->NewPlayerWindow, first);
    EXPECT_EQ(Count("PlayerDetail", ""), 0);
    EXPECT_EQ(MainForm->ClubCount, 13);
    ed->FirstNameEdit->clear();
    Type(ed->FirstNameEdit, "Ann");
    log.Clear();
    ed->OKBtn->click();
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    Flush();
    EXPECT_EQ(MainForm->NewPlayerWindow, nullptr);
    EXPECT_EQ(Value("PlayerDetail", "UserId=1", "FirstName").AsString(), "Ann");
}
