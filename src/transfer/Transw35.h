#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TTransWiz35 : public QDialog {
public:
    explicit TTransWiz35(QWidget* owner = nullptr);
    ~TTransWiz35() override;
};

extern TTransWiz35* TransWiz35;
