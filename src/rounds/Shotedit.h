#pragma once
#include <QDialog>
#include <string>
#include <vector>

#include "db/Table.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Edit shot": one shot of a round. Created hidden at start-up and kept until
// the program ends. The round editor prepares it (lists, per-hole counts, the
// pending row appended or in edit state) and shows it modally; OK stores the
// shot, renumbers the round's shots and validates the round in one
// transaction, Cancel or the close box discards the pending row.
class TShotEditForm : public QDialog {
public:
    explicit TShotEditForm(QWidget* owner = nullptr);
    ~TShotEditForm() override;

    void HoleComboBoxChange();
    void Button1Click();
    void Button2Click();
    void LatitudeExit();
    void LongitudeExit();

    // Stores the pending row; false (after telling the user) when the input
    // is incomplete or the round is gone. Leaves the window as it is.
    bool StoreShot();

    QComboBox *HoleComboBox, *ShotComboBox, *ClubComboBox, *PenaltyComboBox, *LatComboBox,
        *LongComboBox;
    QLineEdit *LengthEdit, *DescriptionEdit, *Latitude, *Longitude;
    QLabel* ShotLabel;
    QPushButton *Button1, *Button2;

    TTable RoundShotsTable;
    TTable ClubDetailTable;
    TTable BagTable;
    // Places offered per hole (index 1..18).
    int HoleShotCount[19] = {};

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormCreate();
};

extern TShotEditForm* ShotEditForm;
