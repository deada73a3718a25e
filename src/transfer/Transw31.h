#pragma once
#include <QDialog>

// Created hidden at start-up and kept until the program ends.
class TTransWiz31 : public QDialog {
public:
    explicit TTransWiz31(QWidget* owner = nullptr);
    ~TTransWiz31() override;
};

extern TTransWiz31* TransWiz31;
