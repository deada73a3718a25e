#pragma once
#include <QDialog>

#include "db/Table.h"
#include "players/Newclub.h"

class QLineEdit;
class QPushButton;

// Edits a club's name and type. The caller fills clubEdit, calls SetClubType
// and filters ClubDetailTable by "ClubId=" + the club's id; on result 1 it reads
// clubEdit and the radio buttons back. The default bag's clubs keep their type.
class TEditClubForm : public QDialog {
public:
    explicit TEditClubForm(QWidget* owner = nullptr);
    ~TEditClubForm() override;

    void SetClubType(int type) { ClubType = type; }
    int GetClubType() const { return ClubType; }

    void Button1Click();
    void Button2Click();
    void reject() override { Button2Click(); }

    QLineEdit* clubEdit;
    TClubTypeButtons Types;
    QPushButton* Button1;
    QPushButton* Button2;
    TTable ClubDetailTable;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormShow();
    int ClubType = 0;
};

extern TEditClubForm* EditClubForm;
