#pragma once
// A golfer's week walked through the real windows: the program's windows
// started as the program starts them, buttons and menu commands clicked, the
// message responder answering every box. Steps that open modal windows run
// from a timer, so the test thread can wait inside the dialog's own loop.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMouseEvent>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWidget>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "db/Database.h"
#include "db/Dbrows.h"
#include "db/Table.h"
#include "devicetools/Memorymanager.h"
#include "devicetools/Settings.h"
#include "platform/Datafolder.h"
#include "players/Newbag.h"
#include "players/Newclub.h"
#include "players/Playereditor.h"
#include "common/Helpwindow.h"
#include "courses/Coursechild.h"
#include "courses/Createcourse.h"
#include "courses/Mcourse.h"
#include "shell/Mainform.h"
#include "shell/Splashform.h"
#include "support/Editorsteps.h"
#include "support/Testsupport.h"
#include "transfer/Transw2.h"
#include "transfer/Transw21.h"
#include "transfer/Transw31.h"
#include "transfer/Transw3.h"

// Steps of a user; each waits until ready() holds, then act() runs from the
// event loop (it may open a modal window; the next step runs inside it).
class Steps {
public:
    void Then(std::function<bool()> ready, std::function<void()> act) {
        steps_.push_back({std::move(ready), std::move(act)});
    }
    // Runs start() (which may block in a modal loop) and the steps; returns
    // the number of steps done.
    size_t Run(const std::function<void()>& start, int timeoutMs = 30000) {
        size_t next = 0;
        QElapsedTimer clock;
        clock.start();
        QTimer timer;
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (next < steps_.size() && steps_[next].ready()) {
                QTimer::singleShot(0, steps_[next].act);
                ++next;
            } else if (next < steps_.size() && clock.elapsed() > timeoutMs) {
                timer.stop();
                ADD_FAILURE() << "step " << next << " never became ready";
                if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
            }
        });
        timer.start();
        if (start) start();
        while (next < steps_.size() && clock.elapsed() <= timeoutMs + 1000) ProcessEventsFor(20);
        ProcessEventsFor(50);
        timer.stop();
        return next;
    }

private:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    std::vector<Step> steps_;
};

inline bool Up(const QWidget* w) { return w && w->isVisible(); }

// A new club of the name and type made from the player editor's button;
// returns the steps done (1 when the new-club window came up).
inline size_t NewClub(TPlayerEditor* ed, const QString& name, QRadioButton* TClubTypeButtons::*type) {
    Steps club;
    club.Then([] { return Up(NewClubFrm); }, [name, type] {
        NewClubFrm->clubEdit->setText(name);
        (NewClubFrm->Types.*type)->setChecked(true);
        NewClubFrm->Button1->click();
    });
    return club.Run([ed] { ed->NewClubButton->click(); });
}

// A new bag of the name made from the player editor's button; returns the
// steps done (1 when the new-bag window came up).
inline size_t NewBag(TPlayerEditor* ed, const QString& name) {
    Steps bag;
    bag.Then([] { return Up(NewBagFrm); }, [name] {
        NewBagFrm->bagEdit->setText(name);
        NewBagFrm->Button1->click();
    });
    return bag.Run([ed] { ed->NewBagButton->click(); });
}

// Wizard step from the U8 to Caddora: the page of what is fetched, with the
// given choice.
inline void FromU8(Steps& s, QRadioButton* TTransWiz21::*kind) {
    s.Then([] { return Up(TransWiz21); }, [kind] {
        (TransWiz21->*kind)->click();
        TransWiz21->NextButton->click();
    });
}

// Wizard steps from Caddora to the U8: the direction page, then the page of
// what is sent, with the given choice.
inline void ToU8(Steps& s, QRadioButton* TTransWiz3::*kind) {
    s.Then([] { return Up(TransWiz2); }, [] {
        TransWiz2->U8Button->click();
        TransWiz2->NextButton->click();
    });
    s.Then([] { return Up(TransWiz36); }, [kind] {
        (TransWiz36->*kind)->click();
        TransWiz36->NextButton->click();
    });
}

// Selects the courses of the name on the course page of the wizard.
inline void SelectCourse(const QString& name) {
    for (int i = 0; i < TransWiz31->CourseListBox->topLevelItemCount(); ++i)
        if (TransWiz31->CourseListBox->topLevelItem(i)->text(0) == name)
            TransWiz31->CourseListBox->topLevelItem(i)->setSelected(true);
}

// The first MDI child of the given class.
template <class T> T* Child() {
    if (!MainForm) return nullptr;
    for (QWidget* w : MainForm->MdiChildren())
        if (auto* t = dynamic_cast<T*>(w)) return t;
    return nullptr;
}
template <class T> int ChildCount() {
    int n = 0;
    if (MainForm)
        for (QWidget* w : MainForm->MdiChildren())
            if (dynamic_cast<T*>(w)) ++n;
    return n;
}

// Saves a picture of the widget for a human to look at, when JOURNEY_SHOTS
// names a folder.
inline QImage Shot(QWidget* w, const std::string& name) {
    QImage image = w->grab().toImage();
    if (const char* dir = std::getenv("JOURNEY_SHOTS"))
        image.save(QDir(dir).filePath(QString::fromStdString(name) + ".png"));
    return image;
}

// Distinct colours in the picture: a blank or collapsed window has few.
inline int Colours(const QImage& image) {
    std::vector<QRgb> seen;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) {
            const QRgb c = image.pixel(x, y);
            if (std::find(seen.begin(), seen.end(), c) == seen.end()) {
                seen.push_back(c);
                if (seen.size() > 64) return int(seen.size());
            }
        }
    return int(seen.size());
}

// Whether a shown line edit shows all of its text: with the cursor at the end
// the text scrolls left when it is wider than the box.
inline bool ShowsWhole(QLineEdit* box) {
    if (!box->isVisible()) return false;
    box->setCursorPosition(box->text().size());
    box->repaint();
    const int end = box->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    box->setCursorPosition(0);
    box->repaint();
    const int start = box->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    return end - start >= box->fontMetrics().horizontalAdvance(box->text()) - 1;
}

// Whether a label shows all of its text inside its parent.
inline bool ShowsWhole(QLabel* label) {
    return label->fontMetrics().horizontalAdvance(label->text()) <= label->width() &&
           label->geometry().right() < label->parentWidget()->width();
}

// A left click as the mouse gives it.
inline void ClickAt(QWidget* w, QPoint at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

inline void Flush() {
    ProcessEventsFor(30);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Ann Berg of Sweden, handicap 18.4, typed into the player editor and saved
// with its OK.
inline void SaveAnnBerg(TPlayerEditor* ed) {
    ed->FirstNameEdit->setText("Ann");
    ed->LastNameEdit->setText("Berg");
    ed->HandicapEdit->setText("18.4");
    Choose(ed->CountryComboBox, "Sweden");
    ed->OKBtn->click();
    Flush();
}

// A new nine-hole course from the course list: list is the list, course the
// new course's window (null where a window did not come up). fill, when
// given, works on the dialog before its OK.
inline void NewNineHoleCourse(TCourseForm*& list, TCourseFrm*& course,
                              const std::function<void(TCreateCourseForm*)>& fill = {}) {
    course = nullptr;
    MainForm->Course1->trigger();
    Flush();
    list = Child<TCourseForm>();
    ASSERT_NE(list, nullptr);
    list->Newcourse1Click();
    Flush();
    auto* create = Child<TCreateCourseForm>();
    ASSERT_NE(create, nullptr);
    create->HolesButton1->click();
    if (fill) fill(create);
    create->Button8->click();
    Flush();
    course = Child<TCourseFrm>();
}

// The device settings window from the main menu (null where it did not
// open), connected to the device when connect holds.
inline TSettingsForm* OpenSettings(bool connect) {
    MainForm->Settigs1->trigger();
    Flush();
    auto* settings = Child<TSettingsForm>();
    if (settings && connect) {
        settings->Connect->click();
        Flush();
    }
    return settings;
}

// Checks one entry of a memory manager list, deletes it (answering Yes) and
// closes the window; returns the list's count right after the deletion.
inline int DeleteAndClose(TMemoryManagerForm* memory, QListWidget* list, QListWidgetItem* item, MessageLog& log) {
    item->setCheckState(Qt::Checked);
    log.QueueAnswer(IDYES);
    memory->Delete->click();
    Flush();
    const int left = list->count();
    memory->Cancel->click();
    Flush();
    return left;
}

// Mesa's driver is unloaded when the display closes, before the leak check
// runs, so its own leaks could not be told from ours by the suppression list;
// it stays loaded instead.
inline void KeepGraphicsDriverLoaded() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            const std::string name = info->dlpi_name ? info->dlpi_name : "";
            if (name.find("_dri.so") != std::string::npos || name.find("libgallium") != std::string::npos)
                dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

class JourneyTest : public ::testing::Test {
protected:
    void TearDown() override { Stop(); }

    void Start() {
        ASSERT_TRUE(CreateApplicationWindows());
        ASSERT_NE(MainForm, nullptr);
        ASSERT_TRUE(WaitFor([] { return MainForm->FirstPaintDone(); }, 5000));
    }
    void Stop() {
        if (!MainForm) return;
        KeepGraphicsDriverLoaded();
        DestroyApplicationWindows();
        HtmlHelp("", HH_CLOSE_ALL, 0);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (dynamic_cast<TSplash*>(w) || dynamic_cast<THelpWindow*>(w)) w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static int Count(const std::string& table, const std::string& filter = "") {
        return CountRows(MainForm->Database, table, filter);
    }
    static TVariant Value(const std::string& table, const std::string& filter, const std::string& column) {
        return RowValue(MainForm->Database, table, filter, column);
    }

    TempHome home;
    MessageLog log;
};
