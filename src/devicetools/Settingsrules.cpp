#include "devicetools/Settingsrules.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/Calculations.h"
#include "db/Table.h"
#include "device/Tu8device.h"
#include "platform/Registry.h"
#include "platform/Textutil.h"

namespace {

// A radio group shows a byte as its item when the group has that item.
int Item(uint8_t byte, int count) { return byte < count ? byte : -1; }
// Encodes an item index as the device byte (no selection: 0xFF).
uint8_t Byte(int index) { return uint8_t(index); }

} // namespace

// ---- rules ---------------------------------------------------------------

std::vector<std::string> TimeZoneNames() {
    std::vector<std::string> names;
    for (int i = 0; i < TimeZoneCount; ++i) {
        int hours = i - 12;
        if (hours == 0) {
            names.push_back("GMT");
        } else {
            char text[16];
            std::snprintf(text, sizeof text, "GMT %c%02d:00", hours < 0 ? '-' : '+', hours < 0 ? -hours : hours);
            names.push_back(text);
        }
    }
    return names;
}

int TimeZoneIndex(uint8_t byte) {
    int quarters = byte >= 101 ? int(byte) - 256 : int(byte);
    int index = quarters / 4 + 12;  // division rounds toward zero
    return index >= 0 && index < TimeZoneCount ? index : -1;
}

uint8_t TimeZoneByte(int index) { return uint8_t(int8_t(index * 4 - 48)); }

DeviceControls ControlsFromRecords(const U8Settings& s, const DeviceHeader& h) {
    DeviceControls c;
    c.Clockformat = Item(s.Clockformat, 2);
    c.DateFormat = Item(s.DateFormat, 2);
    c.Distance = Item(s.Distance, 2);
    c.Pressure = Item(s.Pressure, 2);
    c.Temperature = Item(s.Temperature, 2);
    c.Contrast = std::min<int>(s.Contrast, 9);
    c.Backlight = Item(s.Backlight, 3);
    c.Brightness = std::clamp<int>(s.Brightness, 1, 7);
    c.Tones = Item(s.Tones, 2);
    c.DisplayInfo = Item(s.DisplayInfo, 2);
    c.TimeSync = Item(s.TimeSync, 3);
    c.TimeZone = TimeZoneIndex(s.TimeZone);
    c.ClubUsage = Item(h.ClubUsage, 2);
    c.GolfStatistics = Item(h.GolfStatisticsGroup, 2);
    c.AltitudeOffset = Item(h.AltitudeOffsetGroup, 2);
    c.DatumNumber = h.Datum;
    c.SleepMergeTee = std::min(h.SleepMergeTee * 30, 300);
    c.SleepEndHole = std::min(h.SleepEndHole * 30, 300);
    return c;
}

void PutControls(const DeviceControls& now, const DeviceControls& asRead, U8Settings& s, DeviceHeader& h) {
    // A byte changes only where its control was changed.
    auto put = [&](int DeviceControls::*field, uint8_t& byte, uint8_t value) {
        if (now.*field != asRead.*field) byte = value;
    };
    put(&DeviceControls::Clockformat, s.Clockformat, Byte(now.Clockformat));
    put(&DeviceControls::DateFormat, s.DateFormat, Byte(now.DateFormat));
    if (now.Distance != asRead.Distance) {
        s.Distance = s.Distance2 = s.Distance4 = Byte(now.Distance);
        s.Distance3 = uint8_t(now.Distance * 2 + 3);
    }
    put(&DeviceControls::Pressure, s.Pressure, Byte(now.Pressure));
    put(&DeviceControls::Temperature, s.Temperature, Byte(now.Temperature));
    put(&DeviceControls::Contrast, s.Contrast, Byte(now.Contrast));
    put(&DeviceControls::Backlight, s.Backlight, Byte(now.Backlight));
    put(&DeviceControls::Brightness, s.Brightness, Byte(now.Brightness));
    put(&DeviceControls::Tones, s.Tones, Byte(now.Tones));
    put(&DeviceControls::DisplayInfo, s.DisplayInfo, Byte(now.DisplayInfo));
    put(&DeviceControls::TimeSync, s.TimeSync, Byte(now.TimeSync));
    put(&DeviceControls::TimeZone, s.TimeZone, TimeZoneByte(now.TimeZone));
    put(&DeviceControls::ClubUsage, h.ClubUsage, Byte(now.ClubUsage));
    put(&DeviceControls::GolfStatistics, h.GolfStatisticsGroup, Byte(now.GolfStatistics));
    put(&DeviceControls::AltitudeOffset, h.AltitudeOffsetGroup, Byte(now.AltitudeOffset));
    put(&DeviceControls::DatumNumber, h.Datum, Byte(now.DatumNumber));
    put(&DeviceControls::SleepMergeTee, h.SleepMergeTee, Byte(now.SleepMergeTee / 30));
    put(&DeviceControls::SleepEndHole, h.SleepEndHole, Byte(now.SleepEndHole / 30));
}

std::array<uint8_t, u8::DatumNameSize> DatumNameBytes(const std::string& name) {
    std::array<uint8_t, u8::DatumNameSize> bytes{};
    std::memcpy(bytes.data(), name.data(), std::min(name.size(), bytes.size()));
    return bytes;
}

std::string IsMeterText(int distance) { return distance == 0 ? "true" : "false"; }

// ---- device work ---------------------------------------------------------

SettingsReading ReadSettingsFromDevice(TU8Device& device,
                                       const std::function<void(const std::string&)>& progress) {
    SettingsReading r;
    if (device.CheckDevice() == -1) {
        r.Failed = SettingsStep::Connect;
        return r;
    }
    progress("Receiving setting data");
    if (device.ReadBytes(u8::SettingsAddress, u8::SettingsSize, &r.Settings) != 0) {
        r.Settings = U8Settings{};
        r.Failed = SettingsStep::Settings;
        return r;
    }
    char version[21] = {};
    device.GetU8Version(version);
    r.Version = version;
    device.GetTraxVersion(r.Trax);

    progress("Receiving settings...");
    if (device.ReadHeader(&r.Header) != 0) {
        r.Header = DeviceHeader{};
        r.Failed = SettingsStep::Header;
    }
    return r;
}

SettingsStep WriteSettingsToDevice(TU8Device& device, const U8Settings& settings, const DeviceHeader& header,
                                   const std::optional<std::array<uint8_t, u8::DatumNameSize>>& name,
                                   const std::function<void(const std::string&)>& progress) {
    if (device.CheckDevice() == -1) return SettingsStep::Connect;
    progress("Updating settings");
    if (device.WriteBytes(u8::SettingsAddress, u8::SettingsSize, &settings) != 0 ||
        device.WriteHeader(&header) != 0 ||
        (name && device.WriteBytes(u8::DatumNameAddress, u8::DatumNameSize, name->data()) != 0))
        return SettingsStep::Write;
    progress("Resetting U8");
    device.ResetU8();
    return SettingsStep::None;
}

WebAccount LoadWebAccount(int userId) {
    TRegistry reg(RegRoot::LocalMachine);
    reg.OpenKey(PlayerKey(userId), true);
    WebAccount a;
    a.UserName = reg.ReadString("UserName");
    a.Password = reg.ReadString("Password");
    a.FirewallAddress = reg.ReadString("FirewallAdress");
    a.Firewall = !a.FirewallAddress.empty();
    a.PortNumber = reg.ReadString("Portnumber");
    reg.CloseKey();
    return a;
}

std::string UnwritableAccountField(const WebAccount& a) {
    if (HasControlCharacter(a.UserName)) return "Username";
    if (HasControlCharacter(a.Password)) return "Password";
    if (a.Firewall && HasControlCharacter(a.FirewallAddress)) return "Firewall address";
    if (a.Firewall && HasControlCharacter(a.PortNumber)) return "Port number";
    return "";
}

std::string UnwritableFieldText(const std::string& field) {
    return "The " + field + " field contains a line break or another control character";
}

bool SaveWebAccount(int userId, const WebAccount& a, const std::string& isMeter) {
    TRegistry reg(RegRoot::LocalMachine);
    const bool written = reg.OpenKey(PlayerKey(userId), true) && reg.WriteString("UserName", a.UserName) &&
                         reg.WriteString("Password", a.Password) &&
                         (isMeter.empty() || reg.WriteString("IsMeter", isMeter)) &&
                         reg.WriteString("FirewallAdress", a.Firewall ? a.FirewallAddress : "") &&
                         reg.WriteString("Portnumber", a.Firewall ? a.PortNumber : "");
    reg.CloseKey();
    return written;
}

std::vector<DatumRow> ReadDatums(TTable& table) {
    std::vector<DatumRow> rows;
    if (!table.Active()) table.Open();
    for (table.First(); !table.Eof(); table.Next()) {
        DatumRow row;
        row.Number = WholeNumber(table.FieldByName("Number").AsFloat());
        row.Name = table.FieldByName("Name").AsString();
        row.Description = table.FieldByName("Description").AsString();
        rows.push_back(row);
    }
    return rows;
}

int FindDatumByNumber(const std::vector<DatumRow>& rows, int number) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Number == number) return int(i);
    return -1;
}

int FindDatumByName(const std::vector<DatumRow>& rows, const std::string& name) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Name == name) return int(i);
    return -1;
}

int FindDatumByDescription(const std::vector<DatumRow>& rows, const std::string& description) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Description == description) return int(i);
    return -1;
}
