#pragma once
// The settings window: the U8's own settings (mapped byte by byte to its
// settings record and header) and the current player's web account and
// proxy. The rules live in plain functions that the window and tests call.
#include <QGroupBox>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/U8records.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class TSerialPort;
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

// The web account and proxy kept under the player's registry key.
struct WebAccount {
    std::string UserName;
    std::string Password;
    bool Firewall = true;
    std::string FirewallAddress;
    std::string PortNumber;
};
WebAccount LoadWebAccount(int userId);
// Writes UserName, Password, IsMeter, FirewallAdress and Portnumber in this
// order; an empty isMeter leaves the unit value as it is.
void SaveWebAccount(int userId, const WebAccount& account, const std::string& isMeter);

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

// A titled group of radio buttons with an item index, as the forms had it.
class TRadioGroup : public QGroupBox {
public:
    TRadioGroup(const char* name, const QString& caption, const QStringList& items, QWidget* parent);
    int ItemIndex() const;
    void SetItemIndex(int index);  // -1 or out of range: no selection
    int Count() const;
    std::function<void()> OnClick;

private:
    QButtonGroup* group_;
};

class TSettingsForm : public QWidget {
public:
    explicit TSettingsForm(QWidget* owner = nullptr);
    ~TSettingsForm() override;

    void ConnectClick();
    void OKBtnClick();
    void CancelBtnClick();
    void HelpBtnClick();
    void linklabelClick();
    void TimeSyncClick();
    void CountryComboChange();
    void DatumComboChange();
    void NumberEditChange();
    void SaveRegistry();
    void LoadRegistry();
    // 0 on success, 1 on failure.
    int WriteDeviceSettings();

    bool Connected() const { return connected_; }
    // Whether the window holds the device's port open.
    bool PortOpen() const;
    uint8_t DatumNumber() const { return datumNumber_; }

    QTabWidget* PageControl;
    TRadioGroup *Clockformat, *DateFormat, *Distance, *Pressure, *Temperature, *Backlight, *Tones,
        *DisplayInfo, *TimeSync, *ClubUsage, *GolfStatisticsGroup, *AltitudeOffsetGroup;
    QSlider *Contrast, *Brightness;
    QComboBox *TimeZone, *DatumCombo, *CountryCombo;
    QSpinBox *NumberEdit, *SleepMergeTee, *SleepEndHole;
    QLabel *status, *Version, *linklabel;
    QLineEdit *UserNameEdit, *PassWordEdit, *FirewallAddressEdit, *PortNumberEdit;
    QCheckBox* FirewallCheckBox;
    QPushButton *OKBtn, *CancelBtn, *HelpBtn, *Connect;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildControls();
    void FormCreate();
    void FormShow();
    std::vector<QWidget*> DeviceWidgets() const;
    void SetDeviceControlsEnabled(bool enabled);
    DeviceControls ReadControls() const;
    void ShowControls(const DeviceControls& c);
    void CloseWindow();
    void SelectDatum(int row);
    // The unit setting that Distance stands for: "" (leave it) unless a device
    // was read and the group shows one of its items.
    std::string UnitSetting() const;

    U8Settings settings_{};
    DeviceHeader header_{};
    uint8_t datumNumber_ = 0;
    DeviceControls asRead_;
    bool connected_ = false;   // the device controls hold what was read
    bool deviceRead_ = false;  // a device was read in this window
    std::vector<DatumRow> datums_;
    std::unique_ptr<TSerialPort> port_;
    std::unique_ptr<TU8Device> device_;
};

// The web service's name and home page.
inline const char* const WebServiceName = "Peakrally";
inline const char* const WebServiceHome = "http://www.peakrally.com/";
