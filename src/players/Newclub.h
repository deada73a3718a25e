#pragma once
#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Four radio buttons of the club types with their pictures, in a group box.
struct TClubTypeButtons {
    QGroupBox* Group;
    QRadioButton *RBWood, *RBIron, *RBWedge, *RBPutter;
    // 0 wood, 1 iron, 2 wedge, else 9 (putter).
    int CheckedType() const;
    void Check(int type);  // 0, 1, 2; anything else the putter
    void SetEnabled(bool enabled);
};
TClubTypeButtons MakeClubTypeButtons(QWidget* parent, const QString& caption);
// The body of the new-club and edit-club dialogs: name field, club types, OK
// (Button1) and Cancel (Button2) in a grid.
void BuildClubDialog(QDialog* dialog, const QString& typeCaption, QLineEdit*& clubEdit,
                     TClubTypeButtons& types, QPushButton*& ok, QPushButton*& cancel);

// The new-club dialog. On OK a new MClub stands in entry ClubCount of the main
// window's ClubList (the count unchanged). Result 1 OK, 2 Cancel.
class TNewClubFrm : public QDialog {
public:
    explicit TNewClubFrm(QWidget* owner = nullptr);
    ~TNewClubFrm() override;

    void Button1Click();
    void Button2Click();
    void reject() override { Button2Click(); }

    QLineEdit* clubEdit;
    TClubTypeButtons Types;
    QPushButton* Button1;
    QPushButton* Button2;

protected:
    void showEvent(QShowEvent* e) override;
};

extern TNewClubFrm* NewClubFrm;
