#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TTransWiz34 : public QDialog {
public:
    explicit TTransWiz34(QWidget* owner = nullptr);
    ~TTransWiz34() override;
};

extern TTransWiz34* TransWiz34;
