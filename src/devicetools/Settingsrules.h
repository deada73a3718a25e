#pragma once
// The settings window's rules and device work: the device controls mapped
// byte by byte to the settings record and header, reading and writing them,
// the web account kept per player and the datum rows.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/U8records.h"

class TTable;
class TU8Device;

// What the device controls show: item indexes of the radio groups (-1 for no
// selection), track bar positions, the time-zone list index, the datum
// number and the two sleep times in minutes.
struct DeviceControls {
    int Clockformat = -1, DateFormat = -1, Distance = -1, Pressure = -1, Temperature = -1;
    int Contrast = 5, Backlight = -1, Brightness = 4, Tones = -1, DisplayInfo = -1;
    int TimeSync = -1, TimeZone = -1;
    int ClubUsage = -1, GolfStatistics = -1, AltitudeOffset = -1;
    int DatumNumber = 0, SleepMergeTee = 0, SleepEndHole = 0;
    bool operator==(const DeviceControls&) const = default;
};

constexpr int TimeZoneCount = 26;
// "GMT -12:00" ... "GMT", ... "GMT +13:00".
std::vector<std::string> TimeZoneNames();
// List index of a time-zone byte (signed quarter hours); -1 when the list has none.
int TimeZoneIndex(uint8_t byte);
uint8_t TimeZoneByte(int index);

// The controls' values for the records read from the device.
DeviceControls ControlsFromRecords(const U8Settings& settings, const DeviceHeader& header);
// Puts into the records every control that differs from what it showed after
// reading; an untouched control leaves its bytes as they were read.
void PutControls(const DeviceControls& now, const DeviceControls& asRead, U8Settings& settings,
                 DeviceHeader& header);
// The datum name field: the first six bytes of the name, padded with zero bytes.
std::array<uint8_t, u8::DatumNameSize> DatumNameBytes(const std::string& name);
// The unit setting for a Distance choice: "true" for metres.
std::string IsMeterText(int distance);

// The device step that failed; None when every step went through.
enum class SettingsStep { None, Connect, Settings, Header, Write };

// What Connect reads from the device. The steps before the failed one are
// filled in; the versions come with the settings record.
struct SettingsReading {
    SettingsStep Failed = SettingsStep::None;
    U8Settings Settings{};
    std::string Version;
    uint16_t Trax[4] = {0, 0, 0, 0};
    DeviceHeader Header{};
};
// Finds the device, then reads the settings record with the versions and the
// header. progress receives each step's message once the device is found.
SettingsReading ReadSettingsFromDevice(TU8Device& device,
                                       const std::function<void(const std::string&)>& progress);

// Finds the device, writes the settings record, the header and, when given,
// the datum name bytes after it, then resets the device. progress receives
// each step's message once the device is found. Returns the step that failed
// (Connect or Write) or None.
SettingsStep WriteSettingsToDevice(TU8Device& device, const U8Settings& settings, const DeviceHeader& header,
                                   const std::optional<std::array<uint8_t, u8::DatumNameSize>>& name,
                                   const std::function<void(const std::string&)>& progress);

// The web account and proxy kept under the player's registry key.
struct WebAccount {
    std::string UserName;
    std::string Password;
    bool Firewall = true;
    std::string FirewallAddress;
    std::string PortNumber;
};
WebAccount LoadWebAccount(int userId);
// The caption of the first field whose text the settings file cannot hold (a
// line break or another control character): "Username", "Password",
// "Firewall address" or "Port number" (the last two only with the firewall
// box checked); "" when every text can be written.
std::string UnwritableAccountField(const WebAccount& account);
// The refusal of such a field.
std::string UnwritableFieldText(const std::string& field);
// Writes UserName, Password, IsMeter, FirewallAdress and Portnumber in this
// order; an empty isMeter leaves the unit value as it is. Stops at the first
// value that is not written and returns false.
bool SaveWebAccount(int userId, const WebAccount& account, const std::string& isMeter);

// One row of the Datum table.
struct DatumRow {
    int Number = 0;
    std::string Name;
    std::string Description;
};
std::vector<DatumRow> ReadDatums(TTable& table);
// Position of the first row with that value; -1 when none.
int FindDatumByNumber(const std::vector<DatumRow>& rows, int number);
int FindDatumByName(const std::vector<DatumRow>& rows, const std::string& name);
int FindDatumByDescription(const std::vector<DatumRow>& rows, const std::string& description);
