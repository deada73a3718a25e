#pragma once
// The U8 as the program sees it: its memory map records, its point store and
// positions, versions and reset, on a TSerialPort it does not own. Every
// operation returns 0 (or an id, or a port number) on success and -1 on failure.
#include <cstdint>
#include <string>
#include <vector>

#include "device/U8records.h"

class TSerialPort;

class TU8Device {
public:
    explicit TU8Device(TSerialPort* port);
    ~TU8Device();
    TU8Device(const TU8Device&) = delete;
    TU8Device& operator=(const TU8Device&) = delete;

    // Finds the device; returns its port number with the port left open.
    int CheckDevice();
    // After a CheckDevice that found nothing: a line naming the ports that
    // exist but could not be opened for lack of permission, to add under the
    // caller's own message ("" when there were none).
    std::string PortAccessNote() const;
    int ClosePort();
    // The port the device talks through (its last reply's error code).
    TSerialPort* Port() const { return port_; }

    // Any stretch of memory.
    int ReadBytes(int address, int length, void* buffer);
    int WriteBytes(int address, int length, const void* buffer);
    int Commit();

    int ReadHeader(void* buffer12);
    int WriteHeader(const void* buffer12);
    int ReadCourseDirectory(void* buffer477);
    int WriteCourseEntry(const void* buffer159, int n);       // n 1 to 3
    int ReadBags(void* buffer588);
    int WriteBag(const void* buffer294, int n);               // n 1 to 2
    int WriteBags(const void* buffer588);
    // Reads of game records address memory as the map computes it; an n, h
    // or p outside its range reads other memory.
    int ReadGameHeader(int n, void* buffer30);                // n 1 to 4
    int WriteGameHeader(int n, const void* buffer30);         // n 0 to 3
    int ReadGameHole(int n, int h, void* buffer17);           // n 1 to 4, h 1 to 18
    int ReadGameShot(int n, int h, int p, void* buffer14);    // p from 1

    int GetU8Version(char* buffer21);
    int ResetU8();

    // Point store and positions (records in host order).
    int ReadPointList(uint16_t listId, void* block106, uint16_t firstPosition);
    // The ids of point list 0, page by page from first position 0 (then 50,
    // 100, ...) until a page holds fewer than 50. whole is false when the
    // device does not page (a later position refused, or answered with ids
    // an earlier page gave): the store may then hold ids beyond those read.
    // -1 when the first page does not read.
    int ReadPointIds(std::vector<uint16_t>& ids, bool& whole);
    int ReadPoint(uint16_t pointId, void* record56, uint16_t selector);
    int WritePoint(const void* record56, const std::string& name);
    int WritePointRecord(DevicePoint record);
    int DeletePoint(uint16_t pointId);
    int CreatePointList(const std::string& name, uint16_t firstWord, uint16_t lastWord);
    int ReadPosition(uint16_t positionId, void* record30);
    int GetTraxVersion(uint16_t versions[4]);

    // Byte-order conversions (each its own inverse).
    static void MSBtoLSB(void* twoBytes);
    static void SwapLong(void* fourBytes);
    static void ConvertPoint(DevicePoint& point);

    // Addresses of the game records as the memory map computes them (n and h
    // unchecked); -1 when the record would lie outside memory.
    static int GameAreaAddress(int n);                         // n 1 to 4
    static int GameHoleAddress(int n, int h);

private:
    TSerialPort* port_;
};

// Deletes a point of the device; one the device does not have ("Waypoint not
// found") counts as deleted. False when the device refuses or does not answer.
bool DeletePointIfHeld(TU8Device& device, uint16_t pointId);
