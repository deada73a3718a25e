#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TTransWiz2 : public QDialog {
public:
    explicit TTransWiz2(QWidget* owner = nullptr);
    ~TTransWiz2() override;
};

extern TTransWiz2* TransWiz2;
