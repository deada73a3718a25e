#pragma once
#include <QDialog>

// The first-run window: the record of player 1, made before anything else.
class TNewPlayerForm : public QDialog {
public:
    explicit TNewPlayerForm(QWidget* owner = nullptr);
    ~TNewPlayerForm() override;
};
