#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TTransWiz36 : public QDialog {
public:
    explicit TTransWiz36(QWidget* owner = nullptr);
    ~TTransWiz36() override;
};

extern TTransWiz36* TransWiz36;
