#pragma once
#include <QDialog>
#include <string>

class QLabel;

// The one "Working..." window of the program. Callers show it, set a message
// naming the work, do the work and hide it; TProgressScope does the pairing.
class TProgressForm : public QDialog {
public:
    explicit TProgressForm(QWidget* owner = nullptr);
    ~TProgressForm() override;

    // The text shows at once, even while the caller keeps the thread busy.
    void SetMessage(const std::string& text);
    std::string Message() const;

    // Window size for a screen of the given pixels per inch.
    static QSize SizeForDpi(int pixelsPerInch);

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void FormShow();
    void FormHide();
    void PaintNow();
    QLabel* ProgressLabel;
};

extern TProgressForm* ProgressForm;

// The progress window's text, and hiding it; nothing happens while there is
// no progress window.
inline void SetProgress(const std::string& text) {
    if (ProgressForm) ProgressForm->SetMessage(text);
}
inline void HideProgress() {
    if (ProgressForm) ProgressForm->hide();
}

// Shows the progress window with a message for the lifetime of the object and
// hides it (arrow cursor back on the main window) when it ends, also when the
// work throws.
class TProgressScope {
public:
    explicit TProgressScope(const std::string& message);
    ~TProgressScope();
    void SetMessage(const std::string& message);
    TProgressScope(const TProgressScope&) = delete;
    TProgressScope& operator=(const TProgressScope&) = delete;
};
