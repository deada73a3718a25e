#include "devicetools/Settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "db/Table.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "devicetools/Memorymanager.h"
#include "platform/Messagebox.h"
#include "platform/Registry.h"
#include "common/Devicetexts.h"
#include "common/Helpwindow.h"
#include "common/Pictures.h"
#include "common/Frame.h"
#include "common/Progresswin.h"

// ---- radio group -----------------------------------------------------------

TRadioGroup::TRadioGroup(const char* name, const QString& caption, const QStringList& items,
                         QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setObjectName(QString(name) + QString::number(i));
        group_->addButton(button, i);
        layout->addWidget(button);
    }
    connect(group_, &QButtonGroup::idClicked, this, [this](int) {
        if (OnClick) OnClick();
    });
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

int TRadioGroup::Count() const { return int(group_->buttons().size()); }

void TRadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < Count()) {
        group_->button(index)->setChecked(true);
        return;
    }
    group_->setExclusive(false);
    for (QAbstractButton* b : group_->buttons()) b->setChecked(false);
    group_->setExclusive(true);
}

// ---- window --------------------------------------------------------------

TSettingsForm::TSettingsForm(QWidget* owner) : QWidget(owner) {
    setObjectName("SettingsForm");
    setWindowTitle("Settings");
    SetHelpContext(this, 7);
    BuildControls();
    FormCreate();
    if (Frame()) {
        QMdiSubWindow* sub = Frame()->AddMdiChild(this);
        // A single border: no resizing, no maximising.
        sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                            Qt::WindowCloseButtonHint);
        const QSize size = sizeHint().expandedTo(QSize(560, 460));
        sub->resize(size + (sub->size() - sub->contentsRect().size()));
        sub->setFixedSize(sub->size());
        const QRect area = Frame()->MdiArea()->viewport()->rect();
        sub->move(std::max(0, (area.width() - sub->width()) / 2), std::max(0, (area.height() - sub->height()) / 2));
        sub->show();
    } else {
        setAttribute(Qt::WA_DeleteOnClose);
        show();
    }
    FormShow();
}

TSettingsForm::~TSettingsForm() {
    if (device_ && port_->GetPortOpen()) device_->ClosePort();
    device_.reset();
    port_.reset();
}

void TSettingsForm::BuildControls() {
    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");

    auto* devicePage = new QWidget;
    devicePage->setObjectName("U8Sheet");
    PageControl->addTab(devicePage, "U8 settings");

    Clockformat = new TRadioGroup("Clockformat", "Clock format", {"12H", "24H"}, devicePage);
    DateFormat = new TRadioGroup("DateFormat", "Date Format", {"mm.dd", "dd.mm"}, devicePage);
    Distance = new TRadioGroup("Distance", "Distance", {"Meters", "Yards/feet"}, devicePage);
    Pressure = new TRadioGroup("Pressure", "Pressure", {"hPa", "inHg"}, devicePage);
    Temperature = new TRadioGroup("Temperature", "Temperature", {"Celsius", "Fahrenheit"}, devicePage);
    Backlight = new TRadioGroup("Backlight", "Backlight", {"Normal", "Off", "Night use"}, devicePage);
    Tones = new TRadioGroup("Tones", "Tones", {"Off", "On"}, devicePage);
    DisplayInfo = new TRadioGroup("DisplayInfo", "Display info", {"Off", "On"}, devicePage);
    DisplayInfo->setVisible(false);
    TimeSync = new TRadioGroup("TimeSync", "Time Sync", {"Off", "On", "Auto"}, devicePage);
    TimeSync->OnClick = [this] { TimeSyncClick(); };
    ClubUsage = new TRadioGroup("ClubUsage", "Club usage", {"Manual", "Prompt"}, devicePage);
    GolfStatisticsGroup = new TRadioGroup("GolfStatisticsGroup", "Golf Statistics", {"Off", "On"}, devicePage);
    AltitudeOffsetGroup = new TRadioGroup("AltitudeOffsetGroup", "Altitude Sync", {"Off", "On"}, devicePage);

    auto slider = [devicePage](const char* name, const char* accessible, int low, int high, int start) {
        auto* s = new QSlider(Qt::Horizontal, devicePage);
        s->setObjectName(name);
        s->setAccessibleName(accessible);
        s->setRange(low, high);
        s->setValue(start);
        s->setTickPosition(QSlider::TicksBelow);
        s->setPageStep(1);
        return s;
    };
    Contrast = slider("Contrast", "Contrast", 0, 9, 5);
    Brightness = slider("Brightness", "Brightness", 1, 7, 4);
    auto boxed = [devicePage](const char* caption, QWidget* inner) {
        auto* box = new QGroupBox(caption, devicePage);
        auto* l = new QVBoxLayout(box);
        l->addWidget(inner);
        return box;
    };

    TimeZone = new QComboBox(devicePage);
    TimeZone->setObjectName("TimeZone");
    TimeZone->setAccessibleName("Time zone");
    for (const std::string& name : TimeZoneNames()) TimeZone->addItem(QString::fromStdString(name));
    TimeZone->setCurrentIndex(-1);

    auto spin = [devicePage](const char* name, const char* accessible, int high, int step) {
        auto* s = new QSpinBox(devicePage);
        s->setObjectName(name);
        s->setAccessibleName(accessible);
        s->setRange(0, high);
        s->setSingleStep(step);
        return s;
    };
    NumberEdit = spin("NumberEdit", "Datum number", 254, 1);
    SleepMergeTee = spin("SleepMergeTee", "Sleep after mark tee", 300, 30);
    SleepEndHole = spin("SleepEndHole", "Sleep after end hole", 300, 30);
    connect(NumberEdit, &QSpinBox::valueChanged, this, [this](int) { NumberEditChange(); });

    DatumCombo = new QComboBox(devicePage);
    DatumCombo->setObjectName("DatumCombo");
    DatumCombo->setAccessibleName("Datum name");
    CountryCombo = new QComboBox(devicePage);
    CountryCombo->setObjectName("CountryCombo");
    CountryCombo->setAccessibleName("Datum description");
    connect(DatumCombo, &QComboBox::activated, this, [this](int) { DatumComboChange(); });
    connect(CountryCombo, &QComboBox::activated, this, [this](int) { CountryComboChange(); });

    auto* power = new QGroupBox("GPS power save", devicePage);
    auto* powerForm = new QFormLayout(power);
    powerForm->addRow("Sleep after mark tee", SleepMergeTee);
    powerForm->addRow("Sleep after end hole", SleepEndHole);

    auto* datum = new QGroupBox("Datum settings", devicePage);
    auto* datumForm = new QFormLayout(datum);
    datumForm->addRow("Datum number", NumberEdit);
    datumForm->addRow("Datum name", DatumCombo);
    datumForm->addRow("Datum description", CountryCombo);

    status = new QLabel("Not connected to U8", devicePage);
    status->setObjectName("status");
    Version = new QLabel(devicePage);
    Version->setObjectName("Version");

    auto* grid = new QGridLayout(devicePage);
    grid->addWidget(Clockformat, 0, 0);
    grid->addWidget(DateFormat, 0, 1);
    grid->addWidget(Distance, 0, 2);
    grid->addWidget(Pressure, 0, 3);
    grid->addWidget(Temperature, 1, 0);
    grid->addWidget(Backlight, 1, 1);
    grid->addWidget(Tones, 1, 2);
    grid->addWidget(TimeSync, 1, 3);
    grid->addWidget(ClubUsage, 2, 0);
    grid->addWidget(GolfStatisticsGroup, 2, 1);
    grid->addWidget(AltitudeOffsetGroup, 2, 2);
    grid->addWidget(DisplayInfo, 2, 3);
    grid->addWidget(boxed("Contrast", Contrast), 3, 0);
    grid->addWidget(boxed("Brightness", Brightness), 3, 1);
    grid->addWidget(boxed("Time zone", TimeZone), 3, 2, 1, 2);
    grid->addWidget(power, 4, 0, 1, 2);
    grid->addWidget(datum, 4, 2, 1, 2);
    grid->addWidget(status, 5, 0, 1, 2);
    grid->addWidget(Version, 5, 2, 1, 2);

    auto* webPage = new QWidget;
    webPage->setObjectName("WebSheet");
    PageControl->addTab(webPage, QString(WebServiceName) + " settings");
    UserNameEdit = new QLineEdit(webPage);
    UserNameEdit->setObjectName("UserNameEdit");
    UserNameEdit->setAccessibleName("Username");
    PassWordEdit = new QLineEdit(webPage);
    PassWordEdit->setObjectName("PassWordEdit");
    PassWordEdit->setAccessibleName("Password");
    PassWordEdit->setEchoMode(QLineEdit::Password);
    FirewallCheckBox = new QCheckBox("Firewall", webPage);
    FirewallCheckBox->setObjectName("FirewallCheckBox");
    FirewallCheckBox->setChecked(true);
    FirewallAddressEdit = new QLineEdit(webPage);
    FirewallAddressEdit->setObjectName("FirewallAddressEdit");
    FirewallAddressEdit->setAccessibleName("Firewall address");
    PortNumberEdit = new QLineEdit(webPage);
    PortNumberEdit->setObjectName("PortNumberEdit");
    PortNumberEdit->setAccessibleName("Port number");
    auto* ask = new QLabel(QString("Please fill in your ") + WebServiceName + " user name and password.", webPage);
    auto* notMember = new QLabel("If you're not a member of ", webPage);
    linklabel = new QLabel(QString("<a href=\"home\">") + WebServiceName + "</a>", webPage);
    linklabel->setObjectName("linklabel");
    linklabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(linklabel, &QLabel::linkActivated, this, [this](const QString&) { linklabelClick(); });
    auto* register_ = new QLabel(",please register.", webPage);
    auto* memberLine = new QHBoxLayout;
    memberLine->setSpacing(0);
    memberLine->addWidget(notMember);
    memberLine->addWidget(linklabel);
    memberLine->addWidget(register_);
    memberLine->addStretch();
    auto* webForm = new QFormLayout;
    webForm->addRow("Username:", UserNameEdit);
    webForm->addRow("Password:", PassWordEdit);
    webForm->addRow(FirewallCheckBox);
    webForm->addRow("Firewall address:", FirewallAddressEdit);
    webForm->addRow("Port number:", PortNumberEdit);
    auto* webLayout = new QVBoxLayout(webPage);
    webLayout->addWidget(ask);
    webLayout->addLayout(webForm);
    webLayout->addLayout(memberLine);
    webLayout->addStretch();

    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    OKBtn = button("OKBtn", "OK");
    CancelBtn = button("CancelBtn", "Cancel");
    HelpBtn = button("HelpBtn", "Help");
    Connect = button("Connect", "Connect");
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    connect(HelpBtn, &QPushButton::clicked, this, [this] { HelpBtnClick(); });
    connect(Connect, &QPushButton::clicked, this, [this] { ConnectClick(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Connect);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);

    // Narrow margins: at the main window's default size the window then
    // fits in the work area.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
}

std::vector<QWidget*> TSettingsForm::DeviceWidgets() const {
    return {Clockformat, DateFormat,   Distance,      Pressure,           Temperature,
            Contrast,    Backlight,    Brightness,    Tones,              DisplayInfo,
            TimeSync,    TimeZone,     ClubUsage,     GolfStatisticsGroup, AltitudeOffsetGroup,
            NumberEdit,  SleepMergeTee, SleepEndHole, DatumCombo,         CountryCombo};
}

void TSettingsForm::SetDeviceControlsEnabled(bool enabled) {
    for (QWidget* w : DeviceWidgets()) w->setEnabled(enabled);
    connected_ = enabled;
}

void TSettingsForm::FormCreate() {
    port_ = std::make_unique<TSerialPort>();
    device_ = std::make_unique<TU8Device>(port_.get());
    LoadRegistry();
    if (!Frame()) return;
    // A datum table that does not read is told as a failed load; the window
    // opens with empty datum lists.
    try {
        if (!Frame()->Database.Connected()) Frame()->Database.Open();
        TTable table(&Frame()->Database, "Datum");
        datums_ = ReadDatums(table);
    } catch (const std::exception& e) {
        datums_.clear();
        ShowErrorMessage(e);
    }
    for (const DatumRow& row : datums_) {
        CountryCombo->addItem(QString::fromStdString(row.Description));
        DatumCombo->addItem(QString::fromStdString(row.Name));
    }
    CountryCombo->setCurrentIndex(-1);
    DatumCombo->setCurrentIndex(-1);
}

void TSettingsForm::FormShow() {
    ColourStatus();
    SetDeviceControlsEnabled(false);
    if (Frame()) {
        Frame()->Settigs1->setEnabled(false);
        Frame()->SettingsTB->setEnabled(false);
    }
}

void TSettingsForm::changeEvent(QEvent* e) {
    // Once the pages have their new colours too.
    if (e->type() == QEvent::PaletteChange || e->type() == QEvent::StyleChange)
        QMetaObject::invokeMethod(this, [this] { ColourStatus(); }, Qt::QueuedConnection);
    QWidget::changeEvent(e);
}

void TSettingsForm::ColourStatus() {
    // Read against what the style paints behind the label (the tab page).
    const QColor ground = GroundBehind(status);
    const unsigned red = ReadableText(0x0000FF, ground.red() | ground.green() << 8 | ground.blue() << 16);
    QPalette p;
    p.setColor(QPalette::WindowText, QColor(red & 0xFF, red >> 8 & 0xFF, red >> 16));
    status->setPalette(p);
}

void TSettingsForm::closeEvent(QCloseEvent* e) {
    if (Frame()) {
        Frame()->SettingsTB->setEnabled(true);
        Frame()->Settigs1->setEnabled(true);
    }
    if (device_) device_->ClosePort();
    QWidget::closeEvent(e);
}

void TSettingsForm::CloseWindow() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

DeviceControls TSettingsForm::ReadControls() const {
    DeviceControls c;
    c.Clockformat = Clockformat->ItemIndex();
    c.DateFormat = DateFormat->ItemIndex();
    c.Distance = Distance->ItemIndex();
    c.Pressure = Pressure->ItemIndex();
    c.Temperature = Temperature->ItemIndex();
    c.Contrast = Contrast->value();
    c.Backlight = Backlight->ItemIndex();
    c.Brightness = Brightness->value();
    c.Tones = Tones->ItemIndex();
    c.DisplayInfo = DisplayInfo->ItemIndex();
    c.TimeSync = TimeSync->ItemIndex();
    c.TimeZone = TimeZone->currentIndex();
    c.ClubUsage = ClubUsage->ItemIndex();
    c.GolfStatistics = GolfStatisticsGroup->ItemIndex();
    c.AltitudeOffset = AltitudeOffsetGroup->ItemIndex();
    c.DatumNumber = datumNumber_;
    c.SleepMergeTee = SleepMergeTee->value();
    c.SleepEndHole = SleepEndHole->value();
    return c;
}

void TSettingsForm::ShowControls(const DeviceControls& c) {
    Clockformat->SetItemIndex(c.Clockformat);
    DateFormat->SetItemIndex(c.DateFormat);
    Distance->SetItemIndex(c.Distance);
    Pressure->SetItemIndex(c.Pressure);
    Temperature->SetItemIndex(c.Temperature);
    Contrast->setValue(c.Contrast);
    Backlight->SetItemIndex(c.Backlight);
    Brightness->setValue(c.Brightness);
    Tones->SetItemIndex(c.Tones);
    DisplayInfo->SetItemIndex(c.DisplayInfo);
    TimeSync->SetItemIndex(c.TimeSync);
    TimeZone->setCurrentIndex(c.TimeZone);
}

void TSettingsForm::ConnectClick() {
    bool found = false;
    std::string error;
    {
        TProgressScope progress("Connecting...");
        const SettingsReading r =
            ReadSettingsFromDevice(*device_, [&progress](const std::string& m) { progress.SetMessage(m); });
        found = r.Failed != SettingsStep::Connect;
        if (!found) {
            HideProgress();
            SetDeviceControlsEnabled(false);
        } else if (r.Failed == SettingsStep::Settings) {
            // Nothing is shown, and nothing can be written back, unless the record was read.
            error = "Error in receiving settings.";
        } else {
            settings_ = r.Settings;
            Version->setText(QString("Version: %1 TraxVersion: %2.%3.%4")
                                 .arg(QString::fromLatin1(r.Version.c_str()))
                                 .arg(r.Trax[1])
                                 .arg(r.Trax[2])
                                 .arg(r.Trax[3]));
            ShowControls(ControlsFromRecords(settings_, DeviceHeader{}));
            if (r.Failed == SettingsStep::Header) {
                error = "Error in receiving settings.";
            } else {
                header_ = r.Header;
                const DeviceControls c = ControlsFromRecords(settings_, header_);
                GolfStatisticsGroup->SetItemIndex(c.GolfStatistics);
                AltitudeOffsetGroup->SetItemIndex(c.AltitudeOffset);
                NumberEdit->setValue(std::min<int>(header_.Datum, NumberEdit->maximum()));
                NumberEditChange();
                datumNumber_ = header_.Datum;
                ClubUsage->SetItemIndex(c.ClubUsage);
                SleepMergeTee->setValue(c.SleepMergeTee);
                SleepEndHole->setValue(c.SleepEndHole);
                status->hide();
                SetDeviceControlsEnabled(true);
                Connect->setEnabled(false);
                deviceRead_ = true;
                asRead_ = ReadControls();
            }
        }
    }
    if (!found) MessageBox(CannotConnectU8Text + device_->PortAccessNote(), "Error!", MB_OK, MB_ICONERROR);
    if (!error.empty()) {
        MessageBox(error, "Error", MB_OK, MB_ICONERROR);
        device_->ClosePort();
    }
    TimeSyncClick();
}

void TSettingsForm::OKBtnClick() {
    // A text the settings file cannot hold is refused before anything is
    // written, to the file or to the device.
    const std::string field = UnwritableAccountField(ReadAccount());
    if (!field.empty()) {
        MessageBox(UnwritableFieldText(field), "Wrong input", MB_OK);
        PageControl->setCurrentIndex(1);
        for (QLineEdit* edit : {UserNameEdit, PassWordEdit, FirewallAddressEdit, PortNumberEdit})
            if (edit->accessibleName().toStdString() == field) edit->setFocus();
        return;
    }
    if (!SaveRegistry()) {
        MessageBox("The settings could not be saved.", "Error", MB_OK, MB_ICONERROR);
        return;
    }
    if (connected_) {
        if (WriteDeviceSettings() == 0) CloseWindow();
    } else {
        CloseWindow();
    }
}

int TSettingsForm::WriteDeviceSettings() {
    U8Settings settings = settings_;
    DeviceHeader header = header_;
    PutControls(ReadControls(), asRead_, settings, header);
    // The name follows the header, whose last byte is the name's first. It
    // goes with a chosen datum, or as zero bytes with a datum number changed
    // to one the table lacks; a datum left as read keeps the device's name.
    const bool chosen = DatumCombo->currentIndex() >= 0;
    std::optional<std::array<uint8_t, u8::DatumNameSize>> name;
    if (chosen || datumNumber_ != asRead_.DatumNumber)
        name = DatumNameBytes(chosen ? DatumCombo->currentText().toStdString() : "");
    // The progress window shows from the first message, once the device is found.
    std::optional<TProgressScope> progress;
    const SettingsStep failed =
        WriteSettingsToDevice(*device_, settings, header, name, [&progress](const std::string& m) {
            if (progress)
                progress->SetMessage(m);
            else
                progress.emplace(m);
        });
    if (failed == SettingsStep::Connect) {
        HideProgress();
        SetDeviceControlsEnabled(false);
        Connect->setEnabled(true);
        MessageBox(CannotConnectU8Text + device_->PortAccessNote(), "Error!", MB_OK, MB_ICONERROR);
        return 1;
    }
    if (failed == SettingsStep::None) {
        const std::string unit = UnitSetting();
        if (!unit.empty() && Frame()) Frame()->SetIsMeter(unit);
    }
    progress.reset();
    if (failed != SettingsStep::None) {
        MessageBox("Error in updating settings.", "Error", MB_OK, MB_ICONERROR);
        device_->ClosePort();
        return 1;
    }
    return 0;
}

WebAccount TSettingsForm::ReadAccount() const {
    WebAccount a;
    a.UserName = UserNameEdit->text().toStdString();
    a.Password = PassWordEdit->text().toStdString();
    a.Firewall = FirewallCheckBox->isChecked();
    a.FirewallAddress = FirewallAddressEdit->text().toStdString();
    a.PortNumber = PortNumberEdit->text().toStdString();
    return a;
}

bool TSettingsForm::SaveRegistry() {
    // Without a device read (or a unit it showed) the unit setting stays as it is.
    return SaveWebAccount(Frame() ? Frame()->GetUserId() : 0, ReadAccount(), UnitSetting());
}

std::string TSettingsForm::UnitSetting() const {
    const int distance = Distance->ItemIndex();
    return deviceRead_ && distance >= 0 ? IsMeterText(distance) : "";
}

void TSettingsForm::LoadRegistry() {
    const WebAccount a = LoadWebAccount(Frame() ? Frame()->GetUserId() : 0);
    UserNameEdit->setText(QString::fromStdString(a.UserName));
    PassWordEdit->setText(QString::fromStdString(a.Password));
    if (a.Firewall)
        FirewallAddressEdit->setText(QString::fromStdString(a.FirewallAddress));
    else
        FirewallCheckBox->setChecked(false);
    PortNumberEdit->setText(QString::fromStdString(a.PortNumber));
}

bool TSettingsForm::PortOpen() const { return port_ && port_->GetPortOpen(); }

void TSettingsForm::CancelBtnClick() { CloseWindow(); }

void TSettingsForm::HelpBtnClick() {
    if (Frame()) Frame()->ShowHelp(GetHelpContext(this));
}

void TSettingsForm::linklabelClick() { QDesktopServices::openUrl(QUrl(WebServiceHome)); }

void TSettingsForm::TimeSyncClick() { TimeZone->setEnabled(connected_ && TimeSync->ItemIndex() == 1); }

void TSettingsForm::SelectDatum(int row) {
    DatumCombo->setCurrentIndex(row);
    CountryCombo->setCurrentIndex(row);
}

void TSettingsForm::CountryComboChange() {
    int row = FindDatumByDescription(datums_, CountryCombo->currentText().toStdString());
    if (row >= 0) {
        DatumCombo->setCurrentIndex(row);
        NumberEdit->setValue(datums_[size_t(row)].Number);
    } else {
        DatumCombo->setCurrentIndex(-1);
        NumberEdit->setValue(0);
    }
    NumberEditChange();
}

void TSettingsForm::DatumComboChange() {
    int row = FindDatumByName(datums_, DatumCombo->currentText().toStdString());
    if (row >= 0) {
        CountryCombo->setCurrentIndex(row);
        NumberEdit->setValue(datums_[size_t(row)].Number);
    } else {
        CountryCombo->setCurrentIndex(-1);
        NumberEdit->setValue(0);
    }
    NumberEditChange();
}

void TSettingsForm::NumberEditChange() {
    int row = FindDatumByNumber(datums_, NumberEdit->value());
    if (row >= 0) {
        SelectDatum(row);
        datumNumber_ = uint8_t(NumberEdit->value());
    } else {
        SelectDatum(-1);
        datumNumber_ = 0;
    }
}
