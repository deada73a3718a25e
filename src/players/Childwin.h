#pragma once
#include <QWidget>
#include <string>

#include "players/Clubfigures.h"

class TPlayerEditor;

// The player window: the current player's record in a child of the frame. Every
// opening recomputes the club statistics before the record is loaded.
class TMDIChild : public QWidget {
public:
    explicit TMDIChild(QWidget* owner = nullptr);
    ~TMDIChild() override;

    void FormShow();
    // Recomputes the club figures (stored when the database takes them).
    TClubFigureMap UpdateClubStatistics();
    void OKBtnClick();
    void CancelBtnClick();
    void SavePlayer();  // throws the database's error; nothing is written then
    void Statistics1Click();  // club view
    void Statistics2Click();  // bag view

    TPlayerEditor* Editor;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void CloseWindow();
    bool shown_ = false;
    bool freed_ = false;
    bool loadFailed_ = false;
    std::string createError_;  // what failed while the window was made
};
