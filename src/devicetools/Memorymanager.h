#pragma once
// The U8 memory manager window: lists the courses, rounds and bag stored on
// the device and removes the checked ones. The rules and the device work are
// TMemoryManager's (Memoryrules); the window only moves values between it and
// the lists.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/U8records.h"
#include "devicetools/Memoryrules.h"

class QLabel;
class QListWidget;
class QPushButton;
class TSerialPort;
class TU8Device;

class TMemoryManagerForm : public QWidget {
public:
    explicit TMemoryManagerForm(QWidget* owner = nullptr);
    ~TMemoryManagerForm() override;

    void DeleteAllClick();
    void DeleteClick();
    void CancelClick();
    void HelpClick();
    // Whether the window holds the device's port open.
    bool PortOpen() const;

    QListWidget* RoundsListView;
    QListWidget* CoursesListView;
    QListWidget* BagsListView;
    QPushButton* Delete;
    QPushButton* Cancel;
    QPushButton* Help;
    QPushButton* DeleteAll;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void FormCreate();
    void ListDeviceContents();
    // Reads the device into the lists (kept as they were when the device
    // cannot be read whole); returns "" or the error text.
    std::string ReadLists();
    void ShowLists();
    MemoryLists ListsFromView() const;
    void CloseWindow();
    // After a failed step: close the port and show what the device holds now,
    // or, when it cannot be read, what it held when last read.
    void Relist();

    std::unique_ptr<TSerialPort> port_;
    std::unique_ptr<TU8Device> device_;
    std::unique_ptr<TMemoryManager> manager_;
    MemoryLists lists_;
};
