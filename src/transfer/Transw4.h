#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TTransWiz4 : public QDialog {
public:
    explicit TTransWiz4(QWidget* owner = nullptr);
    ~TTransWiz4() override;
};

extern TTransWiz4* TransWiz4;
