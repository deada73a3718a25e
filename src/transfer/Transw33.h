#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TTransWiz33 : public QDialog {
public:
    explicit TTransWiz33(QWidget* owner = nullptr);
    ~TTransWiz33() override;
};

extern TTransWiz33* TransWiz33;
