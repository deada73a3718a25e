#pragma once
#include <QApplication>
#include <QCoreApplication>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>

#include "db/Database.h"
#include "db/Table.h"
#include "platform/Datafolder.h"
#include "common/Helpwindow.h"
#include "shell/Mainform.h"
#include "shell/Splashform.h"
#include "support/Testsupport.h"

// A fresh data folder and message log per test; the program's windows are
// torn down again afterwards.
class ShellTest : public ::testing::Test {
protected:
    void TearDown() override {
        DestroyApplicationWindows();
        HtmlHelp("", HH_CLOSE_ALL, 0);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (dynamic_cast<TSplash*>(w) || dynamic_cast<THelpWindow*>(w)) w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Starts the program's windows and waits for the first paint's work.
    void Start() {
        ASSERT_TRUE(CreateApplicationWindows());
        ASSERT_NE(MainForm, nullptr);
        ASSERT_TRUE(WaitFor([] { return MainForm->FirstPaintDone(); }, 5000));
    }

    // Adds a player row before or after start.
    static void AddPlayer(TDatabase& db, int userId) {
        TTable t(&db, "PlayerDetail");
        t.Open();
        t.Append();
        t.FieldByName("UserId").SetAsInteger(userId);
        t.FieldByName("FirstName").SetAsString("Test");
        t.Post();
        t.Close();
    }
    static void AddPlayerBeforeStart(int userId) {
        TDatabase db;
        db.SetDatabaseName(DataPath("kx.mdb"));
        db.Open();
        AddPlayer(db, userId);
        db.Close();
    }

    TempHome home;
    MessageLog log;
};
