#pragma once
#include <atomic>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Messagebox.h"

class QImage;
class QWidget;

// A fresh data folder for one test: CADDORA_HOME points at a new temp folder
// while the object lives; the folder is removed afterwards.
class TempHome {
public:
    TempHome();
    ~TempHome();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
    std::string previous_;
    bool hadPrevious_ = false;
};

// Records every message box and answers it: queued answers first, else the
// default answer. Installed while the object lives.
class MessageLog {
public:
    explicit MessageLog(int defaultAnswer = IDOK);
    ~MessageLog();
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    const std::vector<MessageRequest>& Messages() const { return messages_; }
    std::vector<std::string> Texts() const;
    bool Empty() const { return messages_.empty(); }
    void Clear() { messages_.clear(); }

private:
    std::vector<MessageRequest> messages_;
    std::deque<int> answers_;
    int defaultAnswer_;
};

// Runs the event loop for about ms milliseconds.
void ProcessEventsFor(int ms);
// Runs the event loop until pred() is true or ms milliseconds pass.
template <class Pred> bool WaitFor(Pred pred, int ms);
void ProcessEventsOnce();
bool WaitUntilMs(const std::function<bool()>& pred, int ms);
template <class Pred> bool WaitFor(Pred pred, int ms) { return WaitUntilMs(pred, ms); }

// The pixels the X server holds now where the widget lies (what the user
// sees, not the widget's properties), and how many of them are dark (text),
// or darker than the given grey.
QImage ScreenPixels(QWidget* w);
int DarkPixels(const QImage& image, int below = 100);
// What a screen reader says a box is: its accessible name; for a drop-down,
// whose name is its value here, the name of the label tied to it, if any.
std::string SpokenName(QWidget* box);
// Where Tab pressed in the widget, once it has the focus, takes the focus.
QWidget* TabFrom(QWidget* w);

// A named pipe made at path, and a writer that feeds it the text as soon as a
// reader holds it open (it tries for about five seconds): a reader that waits
// for a writer gets the text rather than hanging the test.
class PipeFeeder {
public:
    PipeFeeder(const std::string& path, const std::string& text);
    ~PipeFeeder();
    bool Made() const { return made_; }

private:
    bool made_ = false;
    std::atomic<bool> stop_{false};
    std::thread writer_;
};
