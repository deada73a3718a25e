#pragma once
// The settings window: the U8's own settings (mapped byte by byte to its
// settings record and header) and the current player's web account and
// proxy. The rules live in plain functions (Settingsrules) that the window
// and tests call.
#include <QGroupBox>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/U8records.h"
#include "devicetools/Settingsrules.h"

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
    // False when the settings file was not written.
    bool SaveRegistry();
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
    void changeEvent(QEvent* e) override;

private:
    void BuildControls();
    // "Not connected to U8" in a red that reads on the window's colour.
    void ColourStatus();
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
    // The web account as the second tab shows it.
    WebAccount ReadAccount() const;

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
