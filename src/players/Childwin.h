#pragma once
#include <QWidget>

// The player window: the current player's record in a child of the frame.
class TMDIChild : public QWidget {
public:
    explicit TMDIChild(QWidget* owner = nullptr);
    ~TMDIChild() override;
};
