#pragma once
#include <QTextBrowser>
#include <map>
#include <memory>
#include <string>

class QWidget;

// Help request kinds and help-file commands as the help engine numbered them.
constexpr int HELP_CONTEXT = 1;
constexpr int HELP_CONTEXTPOPUP = 8;
constexpr int HH_HELP_CONTEXT = 15;
constexpr int HH_CLOSE_ALL = 18;

// A window's help context number lives in the widget's "HelpContext" property.
void SetHelpContext(QWidget* window, int context);
int GetHelpContext(const QWidget* window);

// Read access to a compiled HTML help file.
class TChmFile {
public:
    explicit TChmFile(const std::string& path);
    ~TChmFile();
    TChmFile(const TChmFile&) = delete;
    TChmFile& operator=(const TChmFile&) = delete;

    bool IsOpen() const { return handle_ != nullptr; }
    // The contents of an object ("/main.html"); false when it is missing.
    bool Read(const std::string& objectPath, std::string* out) const;
    // Object path of the topic mapped to a context number; "" when none.
    std::string TopicOfContext(int context) const;

private:
    void LoadContextMap();
    struct chmFile* handle_ = nullptr;
    std::map<int, std::string> contexts_;
};

// One window showing topics of a help file.
class THelpWindow : public QTextBrowser {
public:
    explicit THelpWindow(const std::string& helpFile);
    ~THelpWindow() override;

    // Shows the topic of a context number; false when the file has none.
    bool ShowContext(int context);
    const std::string& CurrentTopic() const { return topic_; }
    // False when the help file could not be opened.
    bool FileOpen() const { return chm_->IsOpen(); }

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    std::unique_ptr<TChmFile> chm_;
    std::string helpFile_;
    std::string topic_;
};

// The help call: HH_HELP_CONTEXT opens (or re-uses) the help window of the
// file and shows the topic of `data`; HH_CLOSE_ALL closes every help window.
// Returns the help window, or nullptr.
THelpWindow* HtmlHelp(const std::string& helpFile, int command, int data);
