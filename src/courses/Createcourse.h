#pragma once
#include <QWidget>

#include "courses/Coursestore.h"

class QColorDialog;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;

// "New course" / "Edit course": holes, tees with names and colours, the
// scorecard's hole colour and the hole names. OK stores them and opens the
// course window in edit mode; Cancel of an edit reopens it unchanged.
class TCreateCourseForm : public QWidget {
  public:
    explicit TCreateCourseForm(QWidget* owner = nullptr);
    ~TCreateCourseForm() override;

    // Fills the boxes from a stored course (the edit opener).
    void LoadSetup(const TCourseSetup& setup);
    // What the boxes hold.
    TCourseSetup Setup() const;

    void TeesComboBoxChange();
    void HolesButton1Click();
    void HolesButton2Click();
    void HoleBtnClick();
    void TeeBtnClick(int tee); // Tee1BtnClick .. Tee6BtnClick
    void Button8Click();       // OK
    void Button9Click();       // Cancel
    void Button1Click();       // Help

    // Sizes the window to its rows within the main window's work area and
    // keeps it there; the rows scroll when they do not fit.
    void FitToTees();

    // Colour of a box (0x00BBGGRR) and setting it.
    static unsigned BoxColour(const QLineEdit* box);
    static void SetBoxColour(QLineEdit* box, unsigned colour);

    unsigned char Mode = 0; // 0 new course, 1 edit course
    int CourseId = 0;       // the edited course
    int StoredTees = 1;     // the edited course's tee count

    QRadioButton *HolesButton1, *HolesButton2;
    QComboBox* TeesComboBox;
    QLineEdit* Tee[6];
    QPushButton* TeeBtn[6];
    QLineEdit* HoleCol;
    QPushButton* HoleBtn;
    QLineEdit* Hole[18];
    QLabel* HoleLabel[18];
    QPushButton *Button8, *Button9, *Button1;
    QColorDialog* ColorDialog;
    QScrollArea* Rows; // the tee, colour and hole-name rows

  protected:
    // Enter that no control takes presses OK, the default button.
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void FormCreate();
    bool ChooseColour(unsigned* colour);
    bool reverting_ = false;
};

// Shows the dialog as a child of the main window, centred in it.
void ShowCreateCourseForm(TCreateCourseForm* dialog);

// Opens "Edit course" for a stored course, as "Hole settings" does after the
// course window's own question; returns the dialog. A stored course that
// does not read (ReadCourseSetup) throws EDatabaseError and opens none.
TCreateCourseForm* OpenEditCourseDialog(int courseId);
