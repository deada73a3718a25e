#pragma once
// The send page of the transfer wizard: it sends the buffers of the
// wizard's state.
#include <cstdint>
#include <string>
#include <vector>

#include "db/Table.h"
#include "transfer/Transferbuffers.h"
#include "transfer/Wizardpage.h"

class QPlainTextEdit;
class QPushButton;
class TDatabase;
class TSerialPort;
class TU8Device;

// The buffers' records and sizes come with TTransferRecords.
class TTransWiz4 : public TWizardPage, public TTransferRecords {
public:
    explicit TTransWiz4(QWidget* owner = nullptr);
    ~TTransWiz4() override;

    // Device objects of an upload; released by the Finish handler.
    TSerialPort* SerialPort = nullptr;
    TU8Device* U8Device = nullptr;

    void FormShow() override;
    void FinishButtonClick();
    void WayPointTableCalcFields(TTable& table);
    void SendToDevice();
    void SendToWeb();
    // The summary lines of the memo for the wizard's kind and buffers.
    std::vector<std::string> SummaryLines() const;
    // The tag scan of web replies (text between the first opening and the
    // first closing tag).
    static std::string GetTagValue(const std::string& openTag, const std::string& text,
                                   const std::string& closeTag);

    QPushButton* BackButton;
    QPushButton* FinishButton;
    QPushButton* CancelButton;
    QPlainTextEdit* Memo1;
    TTable CourseTable;
    TTable WayPointTable;
    TTable RoundsTable;
    TTable BagTable;
    TTable ClubDetailTable;
    TTable HolesTable;

private:
    void ReleaseDevice();
};

extern TTransWiz4* TransWiz4;

// The upload of the send page's bags or course to the U8 (the device upload).
// Works on a connected-or-not device object it does not own; shows its own
// messages and progress texts. Send returns the modal result the send page is
// left with: 0 stays open (a failure the user may retry), 1 closes.
class TDeviceUpload {
public:
    TDeviceUpload(TU8Device& device, TDatabase& db);

    // kind 0: the first courseCount courses, on the tee of teeIndex (0-5;
    // -1 means tee 1). kind 1: the first bagCount bags.
    int Send(int kind, std::vector<TTransWiz4::CourseHeader>& courses, int courseCount,
             const std::vector<TTransWiz4::TBag>& bags, int bagCount, int teeIndex);

    // The same on a device that CheckDevice has just found.
    int SendConnected(int kind, std::vector<TTransWiz4::CourseHeader>& courses, int courseCount,
                      const std::vector<TTransWiz4::TBag>& bags, int bagCount, int teeIndex);

    // Degrees as the device's 1e-7 units, rounded half away from zero.
    static int32_t DeviceUnits(double degrees);
    // The ids of the slot's block that the device may hold and this upload
    // does not write, ascending: those of the point list when it was read
    // whole (listed), else every id of the block (listed null).
    static std::vector<int> StrayPointIds(const std::vector<uint16_t>* listed, int slot,
                                          const std::vector<int>& written);

private:
    int SendBags(const std::vector<TTransWiz4::TBag>& bags, int count);
    int SendCourses(std::vector<TTransWiz4::CourseHeader>& courses, int count, int teeIndex);
    int Fail(const std::string& text);
    int UpdateHeader(int byteIndex, int value, int byteIndex2 = -1, int value2 = 0);
    bool RemovePoints(const std::vector<int>& ids);

    TU8Device& device_;
    TDatabase& db_;
};
