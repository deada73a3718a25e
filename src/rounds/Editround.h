#pragma once
#include <QWidget>
#include <string>
#include <vector>

#include "db/Table.h"

class QComboBox;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QToolButton;
class QTreeWidget;

// "Edit Round": the header of one stored round (written on OK) and its shots
// (added and edited through the shot editor, deleted here, each stored at
// once). Tag holds the RoundId; the rounds list sets the filters and calls
// LoadRound.
class TEditRoundForm : public QWidget {
public:
    explicit TEditRoundForm(QWidget* owner = nullptr);
    ~TEditRoundForm() override;

    void LoadRound();
    void OKBtnClick();
    void CancelBtnClick();
    // Writes the header to the round's row; false (after telling the user)
    // when the round no longer exists.
    bool ApplyButtonClick();
    void CourseComboBoxChange();
    void HCPEditExit();
    void Insertshot1Click();
    void Editshot1Click();
    void Deleteshot1Click();
    void ShotsViewKeyDown(int key);

    int Tag = 0;

    QLineEdit *TitleEdit, *MarkerEdit, *HCPEdit;
    QComboBox *CourseComboBox, *TeeComboBox, *BagComboBox;
    QTreeWidget* ShotsView;
    QToolButton *AddShotButton, *EditShotButton, *DeleteShotButton;
    QMenu* EditRoundPopupMenu;
    QAction *Insertshot1, *Editshot1, *Deleteshot1;
    QPushButton *OKBtn, *CancelBtn, *HelpBtn;

    TTable RoundTable;
    TTable RoundShotsTable;
    TTable CourseGeneralTable;
    TTable ScoreCardTable;
    TTable ClubDetailTable;
    TTable BagTable;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    // Enter no control wanted presses OK (the default button), Esc Cancel.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void ShowRound();  // LoadRound's work; throws what the tables throw
    void CloseWindow();
    // The tees by their stored names, by number where a tee has none.
    void FillTeeList(const std::vector<std::string>& names);
    // Prepares the shot editor's lists and counts; false without a selected shot.
    bool PrepareShotEditor(bool editing);
    int courseIdOfFilter() const;
    bool loadFailed_ = false;
};
