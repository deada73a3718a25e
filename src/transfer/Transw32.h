#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TTransWiz32 : public QDialog {
public:
    explicit TTransWiz32(QWidget* owner = nullptr);
    ~TTransWiz32() override;
};

extern TTransWiz32* TransWiz32;
