#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QTest>
#include <QTimer>
#include <QAction>
#include <atomic>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <stdexcept>

#include "Shellfixture.h"
#include "platform/Inifile.h"
#include "platform/Version.h"
#include "shell/About.h"
#include "shell/Application.h"
#include "devicetools/Memorymanager.h"
#include "devicetools/Settings.h"
#include "common/Progresswin.h"
#include "transfer/Startwizard.h"

namespace {
// Port 1 is the only port and leads nowhere.
void PointPortsNowhere() {
    TIniFile ini(DataPath("caddora.ini"));
    ini.WriteString("Port Settings", "Port1", "/nonexistent/caddora-tty1");
    ini.WriteInteger("Port Settings", "ForcePortNr", 1);
}

TSplash* FindSplash() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = dynamic_cast<TSplash*>(w)) return s;
    return nullptr;
}
} // namespace

TEST_F(ShellTest, AboutShowsTheVersionInBrackets) {
    Start();
    EXPECT_EQ(MainForm->FileVersion, FileVersionString());
    AboutBox->show();
    auto* build = AboutBox->findChild<QLabel*>("Build");
    ASSERT_NE(build, nullptr);
    EXPECT_EQ(build->text().toStdString(), "(" + FileVersionString() + ")");
    AboutBox->hide();
    MainForm->FileVersion.clear();
    AboutBox->show();
    EXPECT_EQ(build->text(), "()");
    AboutBox->hide();
}

TEST_F(ShellTest, SplashFreesItselfAfterThreeSeconds) {
    ASSERT_TRUE(CreateApplicationWindows());
    QPointer<TSplash> splash(FindSplash());
    ASSERT_FALSE(splash.isNull());
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->size(), QSize(594, 367));
    ProcessEventsFor(2000);
    EXPECT_FALSE(splash.isNull());
    EXPECT_TRUE(WaitFor(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return splash.isNull();
        },
        3000));
}

TEST(ProgressFormTest, SizeFollowsScreenResolution) {
    EXPECT_EQ(TProgressForm::SizeForDpi(96), QSize(313, 73));
    EXPECT_EQ(TProgressForm::SizeForDpi(120), QSize(392, 92));
}

TEST_F(ShellTest, ProgressScopeShowsMessageAndRestoresTheArrowEvenOnError) {
    Start();
    // Title bar: the system menu with its close box and minimise, no maximise.
    const Qt::WindowFlags flags = ProgressForm->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(ProgressForm->size(), TProgressForm::SizeForDpi(qRound(
                                         ProgressForm->screen()->logicalDotsPerInch())));
    // Closed by its close box while the work goes on: hidden, arrow back.
    MainForm->setCursor(Qt::CrossCursor);
    {
        TProgressScope progress("Generating form");
        ProgressForm->close();
        EXPECT_FALSE(ProgressForm->isVisible());
        EXPECT_EQ(MainForm->cursor().shape(), Qt::ArrowCursor);
        progress.SetMessage("Storing course");
        EXPECT_EQ(ProgressForm->Message(), "Storing course");
    }
    EXPECT_NE(ProgressForm, nullptr);
    MainForm->setCursor(Qt::CrossCursor);
    {
        TProgressScope progress("Receiving course data");
        EXPECT_TRUE(ProgressForm->isVisible());
        EXPECT_EQ(ProgressForm->windowTitle(), "Working...");
        EXPECT_EQ(ProgressForm->Message(), "Receiving course data");
        EXPECT_EQ(MainForm->cursor().shape(), Qt::WaitCursor);
        progress.SetMessage("Updating settings");
        EXPECT_EQ(ProgressForm->Message(), "Updating settings");
    }
    EXPECT_FALSE(ProgressForm->isVisible());
    EXPECT_EQ(MainForm->cursor().shape(), Qt::ArrowCursor);

    // With the main window's centre on a corner of the screen, the window is
    // whole on the screen at every showing.
    const QRect screen = MainForm->screen()->availableGeometry();
    for (const QPoint centre : {screen.topLeft(), screen.topRight(), screen.bottomLeft(), screen.bottomRight()}) {
        MainForm->move(MainForm->pos() + centre - MainForm->frameGeometry().center());
        ASSERT_TRUE(WaitFor([&] { return MainForm->frameGeometry().center() == centre; }, 2000));
        for (int showing = 0; showing < 2; ++showing, ProgressForm->hide()) {
            ProgressForm->show();
            EXPECT_TRUE(screen.contains(ProgressForm->frameGeometry())) << centre.x() << "," << centre.y();
        }
    }

    MainForm->setCursor(Qt::CrossCursor);
    try {
        TProgressScope progress("Connecting...");
        throw std::runtime_error("port gone");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(ProgressForm->isVisible());
    EXPECT_EQ(MainForm->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ShellTest, ExceptionsAreReportedAndTheProgramGoesOn) {
    EXPECT_FALSE(DeliverGuarded([]() -> bool { throw std::runtime_error("Key violation"); }));
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "Key violation");
    EXPECT_TRUE(DeliverGuarded([] { return true; }));
    EXPECT_EQ(log.Messages().size(), 1u);
}

TEST_F(ShellTest, HelpWindowOpensTheTopicOfAContext) {
    Start();
    THelpWindow* help = HtmlHelp(MainForm->HelpFile, HH_HELP_CONTEXT, 3);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->CurrentTopic(), "/player.html");
    EXPECT_TRUE(help->toPlainText().contains("bags")) << help->toPlainText().toStdString();
    EXPECT_TRUE(help->isVisible());

    // Every context number of the program has its topic.
    for (int context : {1, 2, 3, 4, 5, 7, 8}) {
        SCOPED_TRACE(context);
        EXPECT_TRUE(help->ShowContext(context));
    }
    EXPECT_FALSE(help->ShowContext(6));

    // The Help menu opens the main window's topic in the same window.
    MainForm->CaddoraHelp1Click();
    EXPECT_EQ(help->CurrentTopic(), "/main.html");
    EXPECT_TRUE(log.Empty());

    // The active child's context is the one F1 opens.
    EXPECT_EQ(MainForm->HelpContextFor(MainForm), 1);
    auto* tool = new QWidget;
    SetHelpContext(tool, 8);
    MainForm->AddMdiChild(tool)->show();
    MainForm->Settigs1Click();
    auto subs = MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(subs.size(), 2);
    MainForm->MdiArea()->setActiveSubWindow(subs[0]);
    EXPECT_EQ(MainForm->HelpContextFor(MainForm), 8);
    EXPECT_EQ(MainForm->HelpContextFor(AboutBox), 1);  // a window without a context
    MainForm->ApplicationEventsHelp(HELP_CONTEXT, MainForm->HelpContextFor(MainForm));
    EXPECT_EQ(help->CurrentTopic(), "/memory.html");

    // Closing the main window closes the help windows.
    QPointer<THelpWindow> guard(help);
    MainForm->close();
    EXPECT_FALSE(guard && guard->isVisible());
}

TEST_F(ShellTest, HelpFileWithoutTheTopicSaysSo) {
    THelpWindow* help = HtmlHelp(home.File("nothing.chm"), HH_HELP_CONTEXT, 3);
    EXPECT_EQ(help, nullptr);
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "Help file not found\n" + home.File("nothing.chm"));
    // F1 with the help file gone says the same.
    AddPlayerBeforeStart(1);
    Start();
    log.Clear();
    MainForm->HelpFile = home.File("gone.chm");
    MainForm->show();
    QApplication::setActiveWindow(MainForm);
    ASSERT_TRUE(WaitFor([] { return MainForm->isActiveWindow(); }, 3000));
    QTest::keyClick(MainForm, Qt::Key_F1);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Help file not found\n" + home.File("gone.chm")});
    // A named pipe of the name is no help file: F1 says so without opening
    // it. A reader that opens it anyway is let go by seeing it end at once.
    const std::string pipe = home.File("pipe.chm");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::atomic<bool> stop{false}, opened{false};
    std::thread writer([&] {
        while (!stop) {
            const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                opened = true;
                ::close(fd);
            }
            ::usleep(10000);
        }
    });
    log.Clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    MainForm->HelpFile = pipe;
    QTest::keyClick(MainForm, Qt::Key_F1);
    stop = true;
    writer.join();
    EXPECT_FALSE(opened);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Help file not found\n" + pipe});
    TChmFile missing(home.File("nothing.chm"));
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.TopicOfContext(1), "");
}

TEST_F(ShellTest, DeviceWindowsOpenAsChildrenWithTheirContexts) {
    // No device anywhere: the memory manager says so and closes again.
    PointPortsNowhere();
    Start();
    MainForm->Settigs1Click();
    MainForm->MemoryManagerTBClick();
    ProcessEventsFor(20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::vector<std::pair<std::string, int>> seen;
    for (QWidget* w : MainForm->MdiChildren())
        seen.emplace_back(w->windowTitle().toStdString(), GetHelpContext(w));
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, int>>{{"Settings", 7}}));
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text.rfind("Cannot connect to U8!", 0), 0u);
}

TEST_F(ShellTest, TransferAndAboutCommandsShowTheirWindowsModally) {
    Start();
    bool wizardShown = false;
    QTimer::singleShot(50, [&] {
        wizardShown = StartWiz->isVisible() && StartWiz->isModal();
        StartWiz->CancelButton->click();
    });
    MainForm->TransferTBClick();
    EXPECT_TRUE(wizardShown);
    EXPECT_FALSE(StartWiz->isVisible());

    std::string build;
    QTimer::singleShot(50, [&] {
        if (auto* label = AboutBox->findChild<QLabel*>("Build")) build = label->text().toStdString();
        AboutBox->findChild<QPushButton*>("Button1")->click();
    });
    MainForm->HelpAboutItem->trigger();
    EXPECT_EQ(build, "(" + FileVersionString() + ")");
    EXPECT_FALSE(AboutBox->isVisible());
}

TEST_F(ShellTest, MissingHelpFileIsReportedWithItsPath) {
    const std::string path = home.File("Caddora_Help.chm");
    EXPECT_FALSE(CheckHelpFile(path));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Help file not found\n" + path});
    log.Clear();
    std::ofstream(path) << "x";
    EXPECT_TRUE(CheckHelpFile(path));
    EXPECT_TRUE(log.Empty());
}

// A window opens inside its work area; one the user has placed stays there
// when the main window comes back from a minimise, as does the main window,
// and a dialog shown again. One larger than its screen keeps its title bar on it.
TEST_F(ShellTest, WindowsOpenInsideTheirWorkAreaAndThenStayWhereTheUserPutsThem) {
    Start();
    // The main window as large as an 800 x 600 screen leaves it: the course
    // list, with its filter box, is no higher than the client area.
    MainForm->resize(800, 575);
    ASSERT_TRUE(WaitFor([] { return MainForm->height() == 575; }, 2000));
    MainForm->Course1Click();
    QCoreApplication::processEvents();
    QMdiSubWindow* list = MainForm->MdiArea()->subWindowList().value(0);
    ASSERT_NE(list, nullptr);
    const QRect area = MainForm->MdiArea()->viewport()->rect();
    EXPECT_TRUE(area.contains(list->geometry()));
    EXPECT_LT(list->widget()->height(), 503);
    MainForm->Rounds1Click();  // the rounds list too
    QCoreApplication::processEvents();
    ASSERT_EQ(MainForm->MdiArea()->subWindowList().size(), 2);
    const QWidget* filter = MainForm->MdiArea()->subWindowList().value(1)->widget()->findChild<QWidget*>("Filter");
    EXPECT_TRUE(area.contains(QRect(filter->mapTo(MainForm->MdiArea()->viewport(), QPoint()), filter->size())));
    list->move(area.width() - 60, area.height() - 40);
    MainForm->move(-100, 500);
    QCoreApplication::processEvents();
    const QPoint listAt = list->pos(), mainAt = MainForm->pos();
    MainForm->showMinimized();
    QCoreApplication::processEvents();
    MainForm->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(list->pos(), listAt);
    EXPECT_EQ(MainForm->pos(), mainAt);

    QDialog big(MainForm);
    big.setMinimumSize(MainForm->screen()->size() + QSize(200, 100));
    big.move(300, 200);
    big.show();
    EXPECT_EQ(big.frameGeometry().topLeft(), MainForm->screen()->availableGeometry().topLeft());
    big.hide();
    big.move(50, 60);
    big.show();
    EXPECT_EQ(big.pos(), QPoint(50, 60));
}
