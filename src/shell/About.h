#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

// "About Caddora": the picture, the product title and the build.
class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* owner = nullptr);
    ~TAboutBox() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormShow();
    void Button1Click();
    QLabel* Build;
    QPushButton* Button1;
};

extern TAboutBox* AboutBox;
