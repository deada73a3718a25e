#include "common/Helpwindow.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <chm_lib.h>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/Messagebox.h"

void SetHelpContext(QWidget* window, int context) {
    if (window) window->setProperty("HelpContext", context);
}

int GetHelpContext(const QWidget* window) {
    return window ? window->property("HelpContext").toInt() : 0;
}

namespace {
uint32_t ReadLe32(const std::string& data, size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.data() + at);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
} // namespace

TChmFile::TChmFile(const std::string& path) {
    // A pipe or a device of the name would hold the reader: only a regular
    // file is a help file.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return;
    handle_ = chm_open(path.c_str());
    if (handle_) LoadContextMap();
}

TChmFile::~TChmFile() {
    if (handle_) chm_close(handle_);
}

bool TChmFile::Read(const std::string& objectPath, std::string* out) const {
    if (!handle_) return false;
    chmUnitInfo ui{};
    if (chm_resolve_object(handle_, objectPath.c_str(), &ui) != CHM_RESOLVE_SUCCESS) return false;
    out->assign(static_cast<size_t>(ui.length), '\0');
    if (ui.length == 0) return true;
    const LONGINT64 got = chm_retrieve_object(handle_, &ui,
                                              reinterpret_cast<unsigned char*>(out->data()), 0,
                                              static_cast<LONGINT64>(ui.length));
    if (got <= 0) return false;
    out->resize(static_cast<size_t>(got));
    return true;
}

// "#IVB" holds a byte count and then (context number, offset into "#STRINGS")
// pairs; the string at the offset names the topic file of the context.
void TChmFile::LoadContextMap() {
    std::string ivb, strings;
    if (!Read("/#IVB", &ivb) || !Read("/#STRINGS", &strings) || ivb.size() < 4) return;
    size_t end = std::min<size_t>(ivb.size(), 4 + size_t(ReadLe32(ivb, 0)));
    for (size_t at = 4; at + 8 <= end; at += 8) {
        const int context = static_cast<int>(ReadLe32(ivb, at));
        const size_t offset = ReadLe32(ivb, at + 4);
        if (offset >= strings.size()) continue;
        std::string name(strings.c_str() + offset);
        // The compiler may record the source path; the topic is stored by its file name.
        const size_t slash = name.find_last_of("/\\");
        if (slash != std::string::npos) name = name.substr(slash + 1);
        if (!name.empty()) contexts_[context] = "/" + name;
    }
}

std::string TChmFile::TopicOfContext(int context) const {
    auto it = contexts_.find(context);
    return it == contexts_.end() ? std::string() : it->second;
}

THelpWindow::THelpWindow(const std::string& helpFile)
    : chm_(std::make_unique<TChmFile>(helpFile)), helpFile_(helpFile) {
    setObjectName("HelpWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Caddora Help");
    resize(640, 480);
}

THelpWindow::~THelpWindow() = default;

bool THelpWindow::ShowContext(int context) {
    const std::string topic = chm_->TopicOfContext(context);
    std::string html;
    if (topic.empty() || !chm_->Read(topic, &html)) return false;
    topic_ = topic;
    setSource(QUrl("chm:" + QString::fromStdString(topic)), QTextDocument::HtmlResource);
    return true;
}

QVariant THelpWindow::loadResource(int type, const QUrl& name) {
    std::string path = name.path().toStdString();
    if (path.empty() || path[0] != '/') path = "/" + path;
    std::string data;
    if (chm_->Read(path, &data)) {
        if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
            return QString::fromUtf8(data.data(), static_cast<qsizetype>(data.size()));
        return QByteArray(data.data(), static_cast<qsizetype>(data.size()));
    }
    return QTextBrowser::loadResource(type, name);
}

namespace {
std::vector<QPointer<THelpWindow>>& HelpWindows() {
    static std::vector<QPointer<THelpWindow>> windows;
    return windows;
}
} // namespace

THelpWindow* HtmlHelp(const std::string& helpFile, int command, int data) {
    auto& windows = HelpWindows();
    std::erase_if(windows, [](const QPointer<THelpWindow>& w) { return w.isNull(); });
    if (command == HH_CLOSE_ALL) {
        for (auto& w : windows)
            if (w) w->close();
        windows.clear();
        return nullptr;
    }
    if (command != HH_HELP_CONTEXT) return nullptr;
    THelpWindow* window = windows.empty() ? nullptr : windows.front().data();
    if (!window) {
        window = new THelpWindow(helpFile);
        windows.emplace_back(window);
    }
    if (!window->ShowContext(data)) {
        MessageBox(window->FileOpen()
                       ? "Help topic " + std::to_string(data) + " not found in\n" + helpFile
                       : "Help file not found\n" + helpFile,
                   "Caddora Help", MB_OK);
        if (window->CurrentTopic().empty()) {
            window->close();
            return nullptr;
        }
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
