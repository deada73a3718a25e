#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TTransWiz3 : public QDialog {
public:
    explicit TTransWiz3(QWidget* owner = nullptr);
    ~TTransWiz3() override;
};

extern TTransWiz3* TransWiz3;
