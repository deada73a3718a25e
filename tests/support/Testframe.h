#pragma once
// A frame without the main window: the database of a data folder's file,
// the current player, and services that note what was asked of them. Set as
// the program's frame while the object lives. Programs that use it link
// caddora_common.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>
#include <string>
#include <vector>

#include "common/Calculations.h"
#include "common/Frame.h"

class TTestFrame : public TFrame {
public:
    explicit TTestFrame(const std::string& databaseFile, int userId = 1) {
        Database.SetDatabaseName(databaseFile);
        Database.Open();
        SetUserId(userId);
        mdi_ = new QMdiArea(&window_);
        SetFrame(this);
    }
    ~TTestFrame() override {
        SetFrame(nullptr);
        for (TTable* t : {&RoundShotsTable, &RoundHolesTable, &RoundTable, &PlayerTable}) t->Close();
        Database.Close();
    }

    QWidget* Window() override { return &window_; }
    bool DatabaseOpen() const override { return Database.Connected(); }
    void RefreshListWindows() override { ++Refreshes; }
    void ValidateRound(int roundId) override {
        ::ValidateRound(RoundTable, RoundHolesTable, RoundShotsTable, roundId);
        Validated.push_back(roundId);
    }
    void ShowHelp(int context) override { HelpContexts.push_back(context); }
    QMdiArea* MdiArea() const override { return mdi_; }
    QMdiSubWindow* AddMdiChild(QWidget* child) override { return mdi_->addSubWindow(child); }
    std::vector<QWidget*> MdiChildren() const override {
        std::vector<QWidget*> children;
        for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder))
            if (sub->widget()) children.push_back(sub->widget());
        return children;
    }

    int Refreshes = 0;
    std::vector<int> Validated;
    std::vector<int> HelpContexts;

private:
    QWidget window_;
    QMdiArea* mdi_ = nullptr;
};
