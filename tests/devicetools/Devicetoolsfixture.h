#pragma once
// The program's windows with a simulated U8 on port 3 (every other port
// number points at a path that does not exist, so searches stay short).
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPointer>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "common/Progresswin.h"
#include "shell/Shellfixture.h"
#include "sim/Simport.h"
#include "sim/U8sim_device.h"

// Records each text the progress window paints while it is shown.
class ProgressWatch : public QObject {
public:
    // Watches the progress window of the running program.
    void Attach() {
        QLabel* label = ProgressForm ? ProgressForm->findChild<QLabel*>("ProgressLabel") : nullptr;
        if (label == label_) return;
        label_ = label;
        if (label_) label_->installEventFilter(this);
    }
    const std::vector<std::string>& Seen() const { return seen_; }
    bool Saw(const std::string& text) const {
        for (const std::string& s : seen_)
            if (s == text) return true;
        return false;
    }
    void Clear() {
        Attach();
        seen_.clear();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::Paint) return false;
        if (label_ && watched == label_.data() && ProgressForm && ProgressForm->isVisible()) {
            std::string text = label_->text().toStdString();
            if (seen_.empty() || seen_.back() != text) seen_.push_back(text);
        }
        return false;
    }

private:
    QPointer<QLabel> label_;
    std::vector<std::string> seen_;
};

class DeviceToolsTest : public ShellTest {
protected:
    static constexpr int SimPort = 3;

    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        sim.Device().LoadFull();
        UseSimPort(sim, SimPort);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        AddPlayerBeforeStart(1);
        Start();
    }
    void TearDown() override {
        ShellTest::TearDown();
        sim.Stop();
        QLocale::setDefault(QLocale::c());
    }

    template <class T> T* Child() {
        if (!MainForm) return nullptr;
        for (QWidget* w : MainForm->MdiChildren())
            if (auto* t = dynamic_cast<T*>(w)) return t;
        return nullptr;
    }
    static void Settle() {
        ProcessEventsFor(20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Memory writes the device saw, as (address, count).
    std::vector<std::pair<int, int>> Writes() {
        std::vector<std::pair<int, int>> out;
        for (const auto& a : sim.Device().MemoryLog())
            if (a.write) out.emplace_back(a.address, a.count);
        return out;
    }
    std::vector<uint8_t> Memory(int address, int count) { return sim.Device().Read(address, count); }

    u8sim::SimulatedU8 sim;
};

inline u8sim::FaultRule Silence(int command, int csp, int skip, int times = 1) {
    u8sim::FaultRule r;
    r.kind = u8sim::Fault::Silence;
    r.command = command;
    r.csp = csp;
    r.skip = skip;
    r.times = times;
    return r;
}
