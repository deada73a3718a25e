#include "courses/Newpoint.h"

TNewCoursePointFrm* NewCoursePointFrm = nullptr;

TNewCoursePointFrm::TNewCoursePointFrm(QWidget* owner) : QDialog(owner) {
    setObjectName("NewCoursePointFrm");
    setWindowTitle("Course point");
}

TNewCoursePointFrm::~TNewCoursePointFrm() {
    if (NewCoursePointFrm == this) NewCoursePointFrm = nullptr;
}
