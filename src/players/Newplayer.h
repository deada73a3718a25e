#pragma once
#include <QDialog>
#include <string>

class TPlayerEditor;

// The first-run window: the record of player 1, made before anything else. It
// starts with player 1's bag "Default" and cannot be cancelled.
class TNewPlayerForm : public QDialog {
public:
    explicit TNewPlayerForm(QWidget* owner = nullptr);
    ~TNewPlayerForm() override;

    void FormShow();
    void OKBtnClick();
    void Statistics1Click();  // bag view
    void Statistics2Click();  // club view
    // Esc closes nothing here (there is no cancel button).
    void reject() override {}

    TPlayerEditor* Editor;
    // Cleared by Esc, F4 or any key with Ctrl; the close of an OK while it
    // is clear is refused once. Every other close is refused.
    unsigned char CloseAllowed = 1;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool shown_ = false;
    bool freed_ = false;
    bool okClosing_ = false;  // the close of a successful OK
    bool loadFailed_ = false;
    std::string createError_;  // what failed while the dialog was made
};
