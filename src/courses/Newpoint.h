#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TNewCoursePointFrm : public QDialog {
public:
    explicit TNewCoursePointFrm(QWidget* owner = nullptr);
    ~TNewCoursePointFrm() override;
};

extern TNewCoursePointFrm* NewCoursePointFrm;
