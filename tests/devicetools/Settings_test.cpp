#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QMdiArea>
#include <QScrollBar>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "db/Dbfixture.h"
#include "db/Table.h"
#include "device/Tserialport.h"
#include "device/Tu8device.h"
#include "device/U8records.h"
#include "devicetools/Devicetoolsfixture.h"
#include "devicetools/Settings.h"
#include "platform/Registry.h"
#include "common/Helpwindow.h"
#include "common/Pictures.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kHeader = 8192, kDatumName = 8203;

std::string Reg(const std::string& name) { return RegReadString(RegRoot::LocalMachine, PlayerKey(1), name); }
void SetReg(const std::string& name, const std::string& value) {
    RegWriteString(RegRoot::LocalMachine, PlayerKey(1), name, value);
}

class SettingsTest : public DeviceToolsTest {
protected:
    void SetUp() override {
        DeviceToolsTest::SetUp();
        if (HasFatalFailure()) return;
        auto& d = sim.Device();
        Bytes settings(103);
        for (int i = 0; i < 103; ++i) settings[i] = uint8_t(200 - i);  // bytes the window must carry
        const std::pair<int, uint8_t> choices[] = {{6, 1},  {7, 0},  {8, 0}, {9, 1},  {10, 0},
                                                   {11, 0}, {12, 3}, {13, 0}, {70, 7}, {71, 2},
                                                   {72, 3}, {73, 1}, {74, 0}, {75, 1}, {78, 0xF8}};
        for (auto [at, v] : choices) settings[at] = v;
        settings[u8::ModelCodeAddress] = u8::U8ModelCode;
        d.Write(0, settings);
        d.Write(kHeader, {0x33, 0x01, 0x01, 0x10, 0x02, 0x01, 0x00, 0x44, 0x04, 0x04, 0x02, 'W'});
        d.Write(kDatumName, {'W', 'G', 'S', '8', '4', 0});
        d.SetVersionText("U8 TEST 3.01");
        d.SetTraxVersions(9, 4, 2, 11);
    }
    TSettingsForm* Open() {
        watch.Clear();
        new TSettingsForm(nullptr);
        // Once it shows; it closes instead when no device answers.
        WaitFor([this] { Settle(); auto* f = Child<TSettingsForm>(); return !f || f->isVisible(); }, 30000);
        return Child<TSettingsForm>();
    }
    TSettingsForm* OpenConnected() {
        TSettingsForm* form = Open();
        if (!form) return nullptr;
        form->Connect->click();
        Settle();
        return form->Connected() ? form : nullptr;
    }
    static void ChooseDatum(TSettingsForm* form, const QString& name) {
        form->DatumCombo->setCurrentIndex(form->DatumCombo->findText(name));
        form->DatumComboChange();
    }
    ProgressWatch watch;
};

} // namespace

// ---- rules ---------------------------------------------------------------

TEST(SettingsRules, TimeZoneListAndBytes) {
    const auto names = TimeZoneNames();
    ASSERT_EQ(names.size(), 26u);
    EXPECT_EQ(names[0], "GMT -12:00");
    EXPECT_EQ(names[11], "GMT -01:00");
    EXPECT_EQ(names[12], "GMT");
    EXPECT_EQ(names[13], "GMT +01:00");
    EXPECT_EQ(names[25], "GMT +13:00");

    EXPECT_EQ(TimeZoneIndex(0xF8), 10);  // -8 quarters: GMT -02:00
    EXPECT_EQ(TimeZoneIndex(22), 17);    // +5:30 shows as GMT +05:00
    EXPECT_EQ(TimeZoneIndex(0xF6), 10);  // -2:30 rounds toward zero
    EXPECT_EQ(TimeZoneIndex(0), 12);
    EXPECT_EQ(TimeZoneIndex(100), -1);   // beyond the list
    EXPECT_EQ(TimeZoneIndex(101), -1);   // -155 quarters
    EXPECT_EQ(TimeZoneByte(17), 20);
    EXPECT_EQ(TimeZoneByte(25), 52);
    EXPECT_EQ(TimeZoneByte(0), 0xD0);    // -48
}

TEST(SettingsRules, ChangedControlsAreEncodedUntouchedOnesKeepTheirBytes) {
    U8Settings s;
    std::memset(&s, 0x5A, sizeof s);
    s.Distance = 0, s.TimeZone = 0, s.Contrast = 12;
    DeviceHeader h;
    std::memset(&h, 0x07, sizeof h);
    h.SleepMergeTee = 4, h.SleepEndHole = 11;
    const DeviceControls read = ControlsFromRecords(s, h);
    EXPECT_EQ(read.Distance, 0);
    EXPECT_EQ(read.Clockformat, -1);  // 0x5A is no item of the group
    EXPECT_EQ(read.Contrast, 9);
    EXPECT_EQ(read.SleepMergeTee, 120);
    EXPECT_EQ(read.SleepEndHole, 300);

    // Nothing touched: both records stay byte for byte.
    U8Settings s2 = s;
    DeviceHeader h2 = h;
    PutControls(read, read, s2, h2);
    EXPECT_EQ(std::memcmp(&s2, &s, sizeof s), 0);
    EXPECT_EQ(std::memcmp(&h2, &h, sizeof h), 0);

    DeviceControls now = read;
    now.Distance = 1;
    now.TimeZone = 17;
    now.SleepMergeTee = 90;
    now.DatumNumber = 5;
    PutControls(now, read, s2, h2);
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&s2);
    EXPECT_EQ(Bytes(b + 8, b + 14), (Bytes{1, 0x5A, 0x5A, 1, 5, 1}));
    EXPECT_EQ(b[78], 20);
    EXPECT_EQ(b[70], 12);  // contrast untouched
    EXPECT_EQ(h2.SleepMergeTee, 3);
    EXPECT_EQ(h2.SleepEndHole, 11);
    EXPECT_EQ(h2.Datum, 5);

    DeviceControls metres = now;
    metres.Distance = 0;
    PutControls(metres, now, s2, h2);
    EXPECT_EQ(Bytes(b + 8, b + 14), (Bytes{0, 0x5A, 0x5A, 0, 3, 0}));

    EXPECT_EQ(IsMeterText(0), "true");
    EXPECT_EQ(IsMeterText(1), "false");
    EXPECT_EQ(IsMeterText(-1), "false");
}

TEST(SettingsRules, DatumNameFillsItsSixBytes) {
    const auto tokyo = DatumNameBytes("Tokyo");
    EXPECT_EQ(Bytes(tokyo.begin(), tokyo.end()), (Bytes{'T', 'o', 'k', 'y', 'o', 0}));
    const auto cut = DatumNameBytes("LONGNAME");
    EXPECT_EQ(Bytes(cut.begin(), cut.end()), (Bytes{'L', 'O', 'N', 'G', 'N', 'A'}));
    const auto none = DatumNameBytes("");
    EXPECT_EQ(Bytes(none.begin(), none.end()), Bytes(6, 0));
}

using DatumRows = DbTest;

TEST_F(DatumRows, NumbersBeyondTheIntRangeAreHeldToIt) {
    AppendRow("Datum", {{"Number", TVariant(1e300)}, {"Name", TVariant("Far")}});
    AppendRow("Datum", {{"Number", TVariant(-1e300)}, {"Name", TVariant("Near")}});
    TTable table(&db, "Datum");
    const std::vector<DatumRow> rows = ReadDatums(table);
    const int far = FindDatumByName(rows, "Far"), near = FindDatumByName(rows, "Near");
    ASSERT_GE(far, 0);
    ASSERT_GE(near, 0);
    EXPECT_EQ(rows[far].Number, std::numeric_limits<int>::max());
    EXPECT_EQ(rows[near].Number, std::numeric_limits<int>::min());
}

// ---- window --------------------------------------------------------------

TEST_F(SettingsTest, OpensNotConnected) {
    TSettingsForm* form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), "Settings");
    EXPECT_EQ(GetHelpContext(form), 7);
    EXPECT_EQ(form->PageControl->tabText(0), "U8 settings");
    EXPECT_EQ(form->PageControl->tabText(1), "Peakrally settings");
    EXPECT_EQ(form->status->text(), "Not connected to U8");
    EXPECT_FALSE(form->status->isHidden());
    // It reads on a light and on a dark desktop alike, on the screen: its
    // text against the tab page the style paints behind it.
    const QPalette desktop = QApplication::palette();
    const auto value = [](QRgb c) { return unsigned(qRed(c) | qGreen(c) << 8 | qBlue(c) << 16); };
    for (const unsigned window : {0xEFEFEFu, 0x353535u}) {
        QApplication::setPalette(QPalette(QColor(QRgb(window))));
        ProcessEventsFor(50);
        const QImage shown = form->grab(QRect(form->status->mapTo(form, QPoint()), form->status->size())).toImage();
        const unsigned ground = value(shown.pixel(shown.width() - 1, 0));
        double text = 1;
        for (int p = 0; p < shown.width() * shown.height(); ++p)
            text = std::max(text, ContrastRatio(value(shown.pixel(p % shown.width(), p / shown.width())), ground));
        EXPECT_GE(text, 4.5) << std::hex << ground;
    }
    QApplication::setPalette(desktop);
    EXPECT_TRUE(form->Connect->isEnabled());
    EXPECT_FALSE(form->Distance->isEnabled());
    EXPECT_FALSE(form->DatumCombo->isEnabled());
    EXPECT_EQ(form->PassWordEdit->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(form->OKBtn->isDefault());
    EXPECT_FALSE(MainForm->Settigs1->isEnabled());
    EXPECT_FALSE(MainForm->SettingsTB->isEnabled());
    // The datum lists come from the Datum table, in its order.
    ASSERT_GE(form->DatumCombo->count(), 8);
    EXPECT_EQ(form->DatumCombo->itemText(0), "WGS 84");
    EXPECT_EQ(form->CountryCombo->itemText(0), "World Geodetic System 1984");
    EXPECT_TRUE(log.Empty());

    form->CancelBtn->click();
    Settle();
    EXPECT_EQ(Child<TSettingsForm>(), nullptr);
    EXPECT_TRUE(MainForm->Settigs1->isEnabled());
    EXPECT_TRUE(MainForm->SettingsTB->isEnabled());
}

TEST_F(SettingsTest, ConnectShowsTheDeviceSettings) {
    TSettingsForm* form = OpenConnected();
    ASSERT_NE(form, nullptr) << (log.Empty() ? "" : log.Texts()[0]);
    EXPECT_TRUE(log.Empty());
    EXPECT_EQ(form->Clockformat->ItemIndex(), 1);
    EXPECT_EQ(form->DateFormat->ItemIndex(), 0);
    EXPECT_EQ(form->Distance->ItemIndex(), 0);
    EXPECT_EQ(form->Pressure->ItemIndex(), 1);
    EXPECT_EQ(form->Temperature->ItemIndex(), 0);
    EXPECT_EQ(form->Contrast->value(), 7);
    EXPECT_EQ(form->Backlight->ItemIndex(), 2);
    EXPECT_EQ(form->Brightness->value(), 3);
    EXPECT_EQ(form->Tones->ItemIndex(), 1);
    EXPECT_EQ(form->TimeSync->ItemIndex(), 1);
    EXPECT_EQ(form->TimeZone->currentText(), "GMT -02:00");
    EXPECT_TRUE(form->TimeZone->isEnabled());
    EXPECT_EQ(form->ClubUsage->ItemIndex(), 1);
    EXPECT_EQ(form->GolfStatisticsGroup->ItemIndex(), 1);
    EXPECT_EQ(form->AltitudeOffsetGroup->ItemIndex(), 0);
    EXPECT_EQ(form->NumberEdit->value(), 4);
    EXPECT_EQ(form->DatumCombo->currentText(), "OSGB36");
    EXPECT_EQ(form->CountryCombo->currentText(), "Ordnance Survey of Great Britain 1936");
    EXPECT_EQ(form->SleepMergeTee->value(), 120);
    EXPECT_EQ(form->SleepEndHole->value(), 60);
    EXPECT_EQ(form->Version->text(), "Version: U8 TEST 3.01 TraxVersion: 4.2.11");
    EXPECT_TRUE(form->status->isHidden());
    EXPECT_FALSE(form->Connect->isEnabled());
    EXPECT_TRUE(form->Distance->isEnabled());
    for (const char* step : {"Connecting...", "Receiving setting data", "Receiving settings..."})
        EXPECT_TRUE(watch.Saw(step)) << step;
    EXPECT_FALSE(ProgressForm->isVisible());
    // Reading wrote nothing.
    for (const auto& a : sim.Device().MemoryLog()) EXPECT_FALSE(a.write) << a.address;

    // Time Sync: only "On" enables the time-zone list.
    form->TimeSync->SetItemIndex(2);
    form->TimeSyncClick();
    EXPECT_FALSE(form->TimeZone->isEnabled());
    form->TimeSync->SetItemIndex(0);
    form->TimeSyncClick();
    EXPECT_FALSE(form->TimeZone->isEnabled());
    form->TimeSync->SetItemIndex(1);
    form->TimeSyncClick();
    EXPECT_TRUE(form->TimeZone->isEnabled());

    // The three datum controls stay in step.
    form->NumberEdit->setValue(99);
    EXPECT_EQ(form->DatumCombo->currentIndex(), -1);
    EXPECT_EQ(form->CountryCombo->currentIndex(), -1);
    EXPECT_EQ(form->DatumNumber(), 0);
    form->NumberEdit->setValue(3);
    EXPECT_EQ(form->DatumCombo->currentText(), "ED50");
    EXPECT_EQ(form->DatumNumber(), 3);
    form->CountryCombo->setCurrentIndex(form->CountryCombo->findText("Tokyo Datum"));
    form->CountryComboChange();
    EXPECT_EQ(form->NumberEdit->value(), 5);
    EXPECT_EQ(form->DatumCombo->currentText(), "Tokyo");
    EXPECT_EQ(form->DatumNumber(), 5);
}

TEST_F(SettingsTest, OkWritesTheChosenBytesAndTheNameAfterTheHeader) {
    auto& d = sim.Device();
    SetReg("IsMeter", "true");
    const Bytes settingsBefore = Memory(0, 103);
    const Bytes headerBefore = Memory(kHeader, 12);
    TSettingsForm* form = OpenConnected();
    ASSERT_NE(form, nullptr);
    form->TimeZone->setCurrentIndex(17);  // GMT +05:00
    form->Distance->SetItemIndex(1);      // Yards/feet
    form->SleepMergeTee->setValue(90);
    ChooseDatum(form, "Tokyo");
    d.ClearLogs();
    const int resets = d.Resets();
    watch.Clear();
    form->OKBtn->click();
    Settle();

    EXPECT_TRUE(log.Empty()) << log.Texts()[0];
    const Bytes s = Memory(0, 103);
    EXPECT_EQ(s[78], 20);
    EXPECT_EQ(Bytes(s.begin() + 8, s.begin() + 14), (Bytes{1, settingsBefore[9], settingsBefore[10], 1, 5, 1}));
    for (int i = 0; i < 103; ++i) {
        if (i == 78 || (i >= 8 && i <= 13)) continue;
        EXPECT_EQ(s[i], settingsBefore[i]) << "settings byte " << i;
    }
    const Bytes h = Memory(kHeader, 12);
    EXPECT_EQ(h[9], 3);
    EXPECT_EQ(h[8], 5);
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 10}) EXPECT_EQ(h[i], headerBefore[i]) << "header byte " << i;
    EXPECT_EQ(Memory(kDatumName, 6), (Bytes{'T', 'o', 'k', 'y', 'o', 0}));

    // Settings, header, then the name (which the header's last byte overlaps).
    std::vector<std::pair<int, int>> writes;
    for (auto w : Writes())
        if (w.first != u8::CommitAddress) writes.push_back(w);
    EXPECT_EQ(writes, (std::vector<std::pair<int, int>>{{0, 50}, {50, 50}, {100, 3}, {kHeader, 12}, {kDatumName, 6}}));
    EXPECT_EQ(d.Resets(), resets + 1);
    EXPECT_TRUE(watch.Saw("Updating settings"));
    EXPECT_TRUE(watch.Saw("Resetting U8"));

    EXPECT_EQ(Reg("IsMeter"), "false");
    EXPECT_EQ(MainForm->GetIsMeter(), "false");
    EXPECT_EQ(Child<TSettingsForm>(), nullptr);
    EXPECT_TRUE(MainForm->Settigs1->isEnabled());
}

TEST_F(SettingsTest, UntouchedControlsWriteBackWhatWasRead) {
    auto& d = sim.Device();
    d.Write(78, {22});        // +5:30
    d.Write(12, {7});         // a unit byte the window does not know
    d.Write(70, {12});        // contrast beyond the bar
    d.Write(6, {9});          // no item of the clock group
    d.Write(kHeader + 8, {200, 11});  // unknown datum, 330 minutes
    const Bytes settingsBefore = Memory(0, 103);
    const Bytes headerBefore = Memory(kHeader, 12);
    const Bytes nameBefore = Memory(kDatumName, 6);
    TSettingsForm* form = OpenConnected();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->TimeZone->currentText(), "GMT +05:00");
    EXPECT_EQ(form->Clockformat->ItemIndex(), -1);
    EXPECT_EQ(form->DatumCombo->currentIndex(), -1);
    d.ClearLogs();
    form->OKBtn->click();
    Settle();
    EXPECT_TRUE(log.Empty()) << log.Texts()[0];
    EXPECT_EQ(Memory(0, 103), settingsBefore);
    EXPECT_EQ(Memory(kHeader, 12), headerBefore);
    // With no datum chosen the device keeps its own name.
    EXPECT_EQ(Memory(kDatumName, 6), nameBefore);
    for (auto w : Writes()) EXPECT_NE(w.first, kDatumName);
    EXPECT_EQ(Child<TSettingsForm>(), nullptr);
}

TEST_F(SettingsTest, DatumNumberChangedToNoKnownDatumClearsTheName) {
    auto& d = sim.Device();
    d.Write(kHeader + 8, {200});  // a datum the table does not know
    TSettingsForm* form = OpenConnected();
    ASSERT_NE(form, nullptr);
    form->NumberEdit->setValue(99);  // nor this one: the datum number becomes 0
    EXPECT_EQ(form->DatumNumber(), 0);
    d.ClearLogs();
    form->OKBtn->click();
    Settle();
    EXPECT_TRUE(log.Empty()) << log.Texts()[0];
    EXPECT_EQ(Memory(kHeader + 8, 1)[0], 0);
    // The old name does not stay beside the new number: six zero bytes, after the header.
    EXPECT_EQ(Memory(kDatumName, 6), Bytes(6, 0));
    std::vector<int> order;
    for (auto w : Writes())
        if (w.first == kHeader || w.first == kDatumName) order.push_back(w.first);
    EXPECT_EQ(order, (std::vector<int>{kHeader, kDatumName}));
}

TEST_F(SettingsTest, UnknownUnitByteLeavesTheUnitSetting) {
    SetReg("IsMeter", "true");
    MainForm->SetIsMeter("true");
    sim.Device().Write(8, {2});  // no item of the Distance group
    TSettingsForm* form = OpenConnected();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Distance->ItemIndex(), -1);
    form->OKBtn->click();
    Settle();
    EXPECT_TRUE(log.Empty()) << log.Texts()[0];
    EXPECT_EQ(Child<TSettingsForm>(), nullptr);
    EXPECT_EQ(Reg("IsMeter"), "true");
    EXPECT_EQ(MainForm->GetIsMeter(), "true");
    EXPECT_EQ(Memory(8, 1)[0], 2);
}

TEST_F(SettingsTest, LongDatumNameIsCutToItsField) {
    {
        TTable t(&MainForm->Database, "Datum");
        t.Open();
        t.Append();
        t.FieldByName("Number").SetAsInteger(8);
        t.FieldByName("Name").SetAsString("LONGNAME");
        t.FieldByName("Description").SetAsString("Long name datum");
        t.Post();
    }
    const uint8_t after = Memory(kDatumName + 6, 1)[0];
    TSettingsForm* form = OpenConnected();
    ASSERT_NE(form, nullptr);
    ChooseDatum(form, "LONGNAME");
    EXPECT_EQ(form->NumberEdit->value(), 8);
    form->OKBtn->click();
    Settle();
    EXPECT_TRUE(log.Empty()) << log.Texts()[0];
    EXPECT_EQ(Memory(kDatumName, 6), (Bytes{'L', 'O', 'N', 'G', 'N', 'A'}));
    EXPECT_EQ(Memory(kDatumName + 6, 1)[0], after);
    EXPECT_EQ(Memory(kHeader + 8, 1)[0], 8);
}

TEST_F(SettingsTest, FailedSettingsReadNeverWritesOverTheDevice) {
    SetReg("IsMeter", "true");
    // The model read passes; the settings record gets no answer.
    sim.Device().AddFault(Silence(0xF3, 5, 1));
    TSettingsForm* form = Open();
    ASSERT_NE(form, nullptr);
    form->Connect->click();
    Settle();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "Error in receiving settings.");
    EXPECT_EQ(log.Messages()[0].caption, "Error");
    EXPECT_FALSE(form->Connected());
    EXPECT_FALSE(form->Distance->isEnabled());
    EXPECT_TRUE(form->Connect->isEnabled());
    EXPECT_FALSE(form->status->isHidden());
    EXPECT_FALSE(form->PortOpen());
    EXPECT_FALSE(ProgressForm->isVisible());

    sim.Device().ClearLogs();
    form->UserNameEdit->setText("anna");
    form->OKBtn->click();
    Settle();
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(Child<TSettingsForm>(), nullptr);
    EXPECT_EQ(Reg("UserName"), "anna");
    EXPECT_EQ(Reg("IsMeter"), "true");  // no device read: the unit stays
}

// The read path the window never reaches: a header that fails after the
// record came in. Each failed step leaves its own part and the later ones empty.
TEST_F(SettingsTest, DeviceReadStopsAtTheStepThatFailed) {
    auto& d = sim.Device();
    TSerialPort port;
    port.ShowErrors = false;
    TU8Device device(&port);
    std::vector<std::string> steps;
    const auto note = [&steps](const std::string& m) { steps.push_back(m); };
    const DeviceHeader none{};
    const Bytes record = Memory(u8::SettingsAddress, u8::SettingsSize);

    d.ClearLogs();
    SettingsReading r = ReadSettingsFromDevice(device, note);
    ASSERT_EQ(r.Failed, SettingsStep::None);
    const auto* header = reinterpret_cast<const uint8_t*>(&r.Header);
    EXPECT_EQ(Bytes(header, header + u8::HeaderSize), Memory(kHeader, u8::HeaderSize));
    int headerRead = 0;  // reads the device answers before the header's
    for (const auto& a : d.MemoryLog()) {
        if (!a.write && a.address == kHeader) break;
        if (!a.write) ++headerRead;
    }
    device.ClosePort();

    steps.clear();
    d.AddFault(Silence(0xF3, u8::CspReadMemory, headerRead));
    r = ReadSettingsFromDevice(device, note);
    device.ClosePort();
    EXPECT_EQ(r.Failed, SettingsStep::Header);
    EXPECT_EQ(steps, (std::vector<std::string>{"Receiving setting data", "Receiving settings..."}));
    EXPECT_EQ(Bytes(reinterpret_cast<const uint8_t*>(&r.Settings),
                    reinterpret_cast<const uint8_t*>(&r.Settings) + u8::SettingsSize),
              record);
    EXPECT_EQ(r.Version, "U8 TEST 3.01");
    EXPECT_EQ(r.Trax[3], 11);
    EXPECT_EQ(std::memcmp(&r.Header, &none, sizeof none), 0);

    steps.clear();
    d.AddFault(Silence(0xF3, u8::CspReadMemory, 1));
    r = ReadSettingsFromDevice(device, note);
    device.ClosePort();
    EXPECT_EQ(r.Failed, SettingsStep::Settings);
    EXPECT_EQ(steps, std::vector<std::string>{"Receiving setting data"});
    const U8Settings empty{};
    EXPECT_EQ(std::memcmp(&r.Settings, &empty, sizeof empty), 0);
    EXPECT_EQ(r.Version, "");
}

TEST_F(SettingsTest, FailedWritesAreReportedAndTheWindowStays) {
    auto& d = sim.Device();
    TSettingsForm* form = OpenConnected();
    ASSERT_NE(form, nullptr);
    form->Tones->SetItemIndex(0);
    ChooseDatum(form, "NAD27");

    // The second piece of the settings record goes unanswered.
    d.AddFault(Silence(0xF3, 6, 1));
    form->OKBtn->click();
    Settle();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "Error in updating settings.");
    ASSERT_EQ(Child<TSettingsForm>(), form);
    EXPECT_FALSE(form->PortOpen());
    EXPECT_TRUE(form->Connected());
    for (auto w : Writes()) EXPECT_NE(w.first, kHeader);

    // Now the datum name goes unanswered.
    log.Clear();
    d.AddFault(Silence(0xF3, 6, 4));
    form->OKBtn->click();
    Settle();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "Error in updating settings.");
    ASSERT_EQ(Child<TSettingsForm>(), form);

    // And a device that answers again takes it all.
    log.Clear();
    form->OKBtn->click();
    Settle();
    EXPECT_TRUE(log.Empty()) << log.Texts()[0];
    EXPECT_EQ(Memory(kDatumName, 6), (Bytes{'N', 'A', 'D', '2', '7', 0}));
    EXPECT_EQ(Child<TSettingsForm>(), nullptr);
}

TEST_F(SettingsTest, DeviceGoneBeforeOkTurnsBackToNotConnected) {
    TSettingsForm* form = OpenConnected();
    ASSERT_NE(form, nullptr);
    SetConnectTimeout(300);
    sim.Device().AddFault(Silence(-1, -1, 0, -1));
    sim.Device().ClearLogs();
    form->OKBtn->click();
    Settle();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text.rfind("Cannot connect to U8!", 0), 0u);
    EXPECT_EQ(Child<TSettingsForm>(), form);
    EXPECT_FALSE(form->Connected());
    EXPECT_FALSE(form->Distance->isEnabled());
    EXPECT_TRUE(form->Connect->isEnabled());
    EXPECT_TRUE(Writes().empty());

    // Help shows the window's topic; OK now only saves the account.
    form->HelpBtn->click();
    THelpWindow* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* h = dynamic_cast<THelpWindow*>(w)) help = h;
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->CurrentTopic(), "/settings.html");
    form->OKBtn->click();
    Settle();
    EXPECT_EQ(Child<TSettingsForm>(), nullptr);
    EXPECT_EQ(log.Messages().size(), 1u);
}

TEST_F(SettingsTest, SilentDeviceCannotBeConnected) {
    SetConnectTimeout(300);
    sim.Device().AddFault(Silence(-1, -1, 0, -1));
    TSettingsForm* form = Open();
    ASSERT_NE(form, nullptr);
    form->Connect->click();
    Settle();
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text,
              "Cannot connect to U8!\n\nCheck that the U8 is connected\nand ensure no other software\n"
              "is using the serial port.");
    EXPECT_EQ(log.Messages()[0].caption, "Error!");
    EXPECT_EQ(log.Messages()[0].icon, MB_ICONERROR);
    EXPECT_FALSE(form->Connected());
    EXPECT_TRUE(form->Connect->isEnabled());
    EXPECT_FALSE(form->status->isHidden());
    EXPECT_EQ(Child<TSettingsForm>(), form);
    EXPECT_FALSE(ProgressForm->isVisible());
}

TEST_F(SettingsTest, WebAccountIsKeptUnderThePlayersKey) {
    SetReg("UserName", "anna");
    SetReg("Password", "se'cret");
    SetReg("IsMeter", "true");
    SetReg("FirewallAdress", "");
    SetReg("Portnumber", "8080");
    TSettingsForm* form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->UserNameEdit->text(), "anna");
    EXPECT_EQ(form->PassWordEdit->text(), "se'cret");
    EXPECT_FALSE(form->FirewallCheckBox->isChecked());  // no proxy address
    EXPECT_EQ(form->PortNumberEdit->text(), "8080");
    form->FirewallAddressEdit->setText("proxy.local");
    form->OKBtn->click();
    Settle();
    EXPECT_EQ(Child<TSettingsForm>(), nullptr);
    EXPECT_EQ(Reg("UserName"), "anna");
    EXPECT_EQ(Reg("Password"), "se'cret");
    EXPECT_EQ(Reg("FirewallAdress"), "");  // the box is unchecked
    EXPECT_EQ(Reg("Portnumber"), "");
    EXPECT_EQ(Reg("IsMeter"), "true");
    EXPECT_TRUE(log.Empty());

    SetReg("FirewallAdress", "proxy.local");
    SetReg("Portnumber", "3128");
    form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->FirewallCheckBox->isChecked());
    EXPECT_EQ(form->FirewallAddressEdit->text(), "proxy.local");
    form->PassWordEdit->setText("new");
    form->OKBtn->click();
    Settle();
    EXPECT_EQ(Reg("Password"), "new");
    EXPECT_EQ(Reg("FirewallAdress"), "proxy.local");
    EXPECT_EQ(Reg("Portnumber"), "3128");

    // A value pasted with a line break would plant a key of its own (here the
    // web service's host): the window names the field and stays, and the file
    // is left as it was.
    const auto conf = [] { std::ostringstream t; t << std::ifstream(DataPath("caddora.conf")).rdbuf(); return t.str(); };
    const std::string before = conf();
    form = Open();
    ASSERT_NE(form, nullptr);
    for (QLineEdit* edit : {form->UserNameEdit, form->PassWordEdit, form->FirewallAddressEdit, form->PortNumberEdit}) {
        const QString kept = edit->text();
        edit->setText("bob\n[HKEY_LOCAL_MACHINE\\Software\\Orlent\\Caddora]\nAddress=127.0.0.1:9");
        log.Clear();
        form->OKBtn->click();
        Settle();
        ASSERT_EQ(log.Messages().size(), 1u);
        EXPECT_EQ(log.Messages()[0].text, "The " + edit->accessibleName().toStdString() +
                                              " field contains a line break or another control character");
        EXPECT_EQ(Child<TSettingsForm>(), form);
        EXPECT_EQ(conf(), before);
        edit->setText(kept);
    }
}

// At the main window's default size the window lies wholly in the work area,
// which shows no scroll bar, and its controls keep the room they need.
TEST_F(SettingsTest, FitsTheWorkAreaAtTheDefaultSize) {
    ASSERT_EQ(MainForm->size(), QSize(917, 705));
    TSettingsForm* form = Open();
    ASSERT_NE(form, nullptr);
    auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    ASSERT_NE(sub, nullptr);
    QMdiArea* area = MainForm->MdiArea();
    Settle();
    const QRect r = sub->geometry();
    EXPECT_TRUE(area->viewport()->rect().contains(r))
        << r.x() << "," << r.y() << " " << r.width() << "x" << r.height() << " in "
        << area->viewport()->width() << "x" << area->viewport()->height();
    EXPECT_FALSE(area->verticalScrollBar()->isVisible());
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
    EXPECT_GE(form->height(), form->minimumSizeHint().height());
    EXPECT_GE(form->width(), form->minimumSizeHint().width());
    for (QWidget* w : {static_cast<QWidget*>(form->OKBtn), static_cast<QWidget*>(form->CancelBtn),
                       static_cast<QWidget*>(form->HelpBtn), static_cast<QWidget*>(form->Connect),
                       static_cast<QWidget*>(form->status), static_cast<QWidget*>(form->PageControl)}) {
        const QRect in(w->mapTo(form, QPoint(0, 0)), w->size());
        EXPECT_TRUE(form->rect().contains(in)) << w->objectName().toStdString();
    }
    form->CancelBtn->click();
    Settle();
}
