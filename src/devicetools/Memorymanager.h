#pragma once
#include <QWidget>

// The U8 memory manager: lists the courses, rounds and bag on the device and
// removes the checked ones. A child of the frame that frees itself when closed.
class TMemoryManagerForm : public QWidget {
public:
    explicit TMemoryManagerForm(QWidget* owner = nullptr);
};
