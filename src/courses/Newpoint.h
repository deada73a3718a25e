#pragma once
#include <QDialog>

#include "courses/Coursestore.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The course-point dialog: created hidden at start-up and kept until the
// program ends; its boxes keep their contents from one use to the next.
// The course window prepares it (CourseId, PointId 0 for a new point), shows
// it modally, and OK stores the point. Closing it any other way stores nothing.
class TNewCoursePointFrm : public QDialog {
  public:
    explicit TNewCoursePointFrm(QWidget* owner = nullptr);
    ~TNewCoursePointFrm() override;

    void Button1Click(); // OK
    void Button2Click(); // Cancel
    void ComboBox1Change();
    void FormShow();
    void LatitudeExit();
    void LongitudeExit();

    // The dialog's values as the store takes them.
    TPointInput Input() const;
    // Puts a coordinate text into its box whole: nine characters can be
    // typed, but a stored value may show with more digits.
    static void ShowCoordinate(QLineEdit* box, const QString& text);

    int CourseId = 0;
    int PointId = 0; // 0: a new point

    QComboBox* ComboBox4; // hole number
    QLabel* Label6;
    QComboBox* ComboBox5; // tee
    QComboBox* ComboBox1; // type
    QLineEdit* Edit2;     // description
    QComboBox* LatComboBox;
    QLineEdit* Latitude;
    QComboBox* LongComboBox;
    QLineEdit* Longitude;
    QPushButton* Button1;
    QPushButton* Button2;

  protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
};

extern TNewCoursePointFrm* NewCoursePointFrm;
