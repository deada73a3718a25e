#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TTransWiz1 : public QDialog {
public:
    explicit TTransWiz1(QWidget* owner = nullptr);
    ~TTransWiz1() override;
};

extern TTransWiz1* TransWiz1;
