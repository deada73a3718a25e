// The hole view of the round window as a golfer uses it: holes lying every
// way shown whole on their first view, "Zoom in" held down, and the
// simulator's sample rounds looked at hole by hole with every label readable
// and the pin in sight.
#include <QTabWidget>
#include <QToolButton>

#include "journey/Simjourney.h"
#include "rounds/Editround.h"
#include "rounds/Holescene.h"
#include "rounds/Holeviewfixture.h"
#include "rounds/Proctrls.h"
#include "rounds/Round.h"
#include "rounds/Rounds.h"
#include "sim/Simport.h"
#include "sim/U8sim_device.h"
#include "transfer/Startwizard.h"
#include "transfer/Transw1.h"

namespace {
// Where a ground-frame position of the scene lands on its panel.
QPointF OnPanel(const THoleScene& s, double x, double y) {
    return PanelPoint(s, x, y);
}
QPointF OnPanel(const THoleScene& s, const MarkPointType& p) {
    double x, y;
    s.ToFrame(p.X, p.Y, x, y);
    return OnPanel(s, x, y);
}

// Pixels of the colour within a few pixels of a spot.
int Around(const QImage& img, QPointF at, QRgb colour, int radius) {
    int n = 0;
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const int x = int(std::lround(at.x())) + dx, y = int(std::lround(at.y())) + dy;
            if (img.rect().contains(x, y) && (img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++n;
        }
    return n;
}

// Pixels of the picture that are not the cleared ground.
int Drawn(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!IsClearColour(img, x, y)) ++n;
    return n;
}

QImage Picture(TRoundFrm* round) {
    ProcessEventsFor(30);
    return round->OpenGLAPPanel1->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
}

// The hole's last positioned point whose text holds the word (any case), or
// with first set its first one.
const MarkPointType* Named(const TRoundFrm* round, const std::string& what, bool first = false) {
    const MarkPointType* found = nullptr;
    for (int i = 0; i < round->ScenePointCount; ++i) {
        std::string t = round->ScenePoints[i].Text;
        for (char& c : t) c = char(std::toupper(static_cast<unsigned char>(c)));
        if (t.find(what) == std::string::npos || round->ScenePoints[i].X == 0) continue;
        found = &round->ScenePoints[i];
        if (first) break;
    }
    return found;
}

class HoleViewJourney : public JourneyTest {
protected:
    // Opens the listed round (after choosing its tee when asked) on its holes page.
    TRoundFrm* OpenRound(int row) {
        MainForm->Rounds1->trigger();
        Flush();
        auto* list = Child<TRoundsForm>();
        if (!list) return nullptr;
        list->SelectRow(row);
        list->Viewround1Click();
        Flush();
        if (auto* editor = Child<TEditRoundForm>()) {
            log.Clear();
            editor->TeeComboBox->setCurrentIndex(0);
            editor->OKBtn->click();
            Flush();
            list->SelectRow(row);
            list->Viewround1Click();
            Flush();
        }
        auto* round = Child<TRoundFrm>();
        if (!round) return nullptr;
        round->PageControl->setCurrentIndex(1);
        if (!WaitFor([&] { return round->OpenGLAPPanel1->isVisible() && round->OpenGLAPPanel1->HasGLContext(); },
                     5000))
            return nullptr;
        return round;
    }
};

// A course of three holes at 60.1 N, each 400 m from tee to pin with a
// drive halfway and a second shot short of the pin: hole 1 laid at 45
// degrees, hole 2 due north, hole 3 due east; and a round on it.
class LaidHolesJourney : public HoleViewJourney {
protected:
    void SetUp() override {
        AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"},
                                              {"HCP", 18.0}, {"Sex", true}});
    }
    void AddCourseAndRound() {
        TDatabase& db = MainForm->Database;
        const long long bag = AppendRow(db, "GolfBag", {{"UserId", 1}, {"BagName", "Bag"}});
        const long long driver = AppendRow(db, "ClubDetail", {{"UserId", 1}, {"ClubName", "Driver"}, {"Type", 0}});
        const long long iron = AppendRow(db, "ClubDetail", {{"UserId", 1}, {"ClubName", "Iron 7"}, {"Type", 1}});
        const long long course = AppendRow(db, "Course_General", {{"Course_Name", "Compass"}, {"U8_Name", "Compass"},
                                                                  {"18Holes", false}, {"Tees", 1}});
        AppendRow(db, "ScoreCard", {{"CourseId", course}, {"HoleCol", 0xC0C0C0}, {"Tee1Col", 0xFF0000},
                                    {"Tee1Name", "Blue"}, {"CR1M", 72.0}, {"S1M", 113}});
        const long long round = AppendRow(db, "Round", {{"UserId", 1}, {"CourseId", course}, {"BagId", bag},
                                                        {"TeeNumber", 1}, {"RoundHCP", 18.0}, {"Score", 36},
                                                        {"MarkerName", "Mark"},
                                                        {"RoundStartDate", "2026-06-01 09:00:00"},
                                                        {"RoundTitle", "Compass"}});
        const double north = 400 / THoleScene::MetresPerDegreeLatitude(60.1);
        const double east = 400 / THoleScene::MetresPerDegreeLongitude(60.1);
        const double lay[3][2] = {{M_SQRT1_2 * east, M_SQRT1_2 * north}, {0, north}, {east, 0}};
        for (int h = 1; h <= 9; ++h) {
            const long long hole = AppendRow(db, "Holes", {{"CourseId", course}, {"HoleNumber", h}, {"HolePar", 4},
                                                           {"HoleLength1", 400}, {"HoleHCP1", h}});
            AppendRow(db, "RoundHoles", {{"RoundId", round}, {"HoleId", h}, {"HoleShotsTotal", h <= 3 ? 4 : 0},
                                         {"HolePar", 4}, {"HoleShotsPutter", h <= 3 ? 2 : 0}});
            if (h > 3) continue;
            const double tx = 24.9 + 0.01 * h, ty = 60.1, dx = lay[h - 1][0], dy = lay[h - 1][1];
            tee[h] = {tx, ty};
            pin[h] = {tx + dx, ty + dy};
            AppendRow(db, "Waypoints", {{"CourseId", course}, {"HoleId", hole}, {"Name", "Tee Blue"}, {"Type", 1},
                                        {"Tee", 1}, {"Latitude", ty}, {"Longitude", tx}});
            AppendRow(db, "Waypoints", {{"CourseId", course}, {"HoleId", hole}, {"Name", "Pin"}, {"Type", 2},
                                        {"Latitude", ty + dy}, {"Longitude", tx + dx}});
            const long long clubs[2] = {driver, iron};
            const double along[2] = {0.5, 0.9};
            for (int k = 0; k < 2; ++k)
                AppendRow(db, "RoundShots", {{"RoundId", round}, {"HoleId", h}, {"ShotNumber", k + 1},
                                             {"ClubId", clubs[k]}, {"PenId", 0}, {"Description", ""},
                                             {"Latitude", ty + along[k] * dy}, {"Longitude", tx + along[k] * dx},
                                             {"ShotLength", 200}});
        }
    }
    QPointF tee[4], pin[4];
};
} // namespace

TEST_F(LaidHolesJourney, EveryHoleWholeOnItsFirstViewAndZoomInHeldDown) {
    Start();
    AddCourseAndRound();
    TRoundFrm* round = OpenRound(0);
    ASSERT_NE(round, nullptr);
    ASSERT_TRUE(log.Empty()) << log.Texts().front();
    THoleScene& s = *round->Scene;
    const int width = round->OpenGLAPPanel1->PixelWidth(), height = round->OpenGLAPPanel1->PixelHeight();
    // The tool bar covers the panel's right edge.
    const QRectF open(0, 0, width - 26 * round->OpenGLAPPanel1->devicePixelRatio(), height);

    // Each hole on its first view: the tee's square in the tee's colour and
    // the pin's marker where the camera puts them, inside the panel.
    for (int h = 1; h <= 3; ++h) {
        round->HoleButtons[h - 1]->click();
        const QImage img = Picture(round);
        Shot(round->OpenGLAPPanel1, "holeview-" + std::to_string(h));
        const MarkPointType* t = Named(round, "TEE");
        const MarkPointType* p = Named(round, "PIN");
        ASSERT_TRUE(t && p) << h;
        EXPECT_EQ(t->X, tee[h].x());
        EXPECT_EQ(p->Y, pin[h].y());
        const QPointF teeAt = OnPanel(s, *t), pinAt = OnPanel(s, *p);
        EXPECT_TRUE(open.contains(teeAt)) << "hole " << h << ": tee at " << teeAt.x() << ", " << teeAt.y();
        EXPECT_TRUE(open.contains(pinAt)) << "hole " << h << ": pin at " << pinAt.x() << ", " << pinAt.y();
        EXPECT_GT(Around(img, teeAt, qRgb(0, 0, 255), 3), 4) << "tee square of hole " << h;
        EXPECT_GT(Around(img, pinAt, qRgb(0, 255, 0), 3), 4) << "pin marker of hole " << h;
        // Up the screen to the pin, with room above it.
        EXPECT_NEAR(pinAt.x(), 0.5 * width, 1.5) << h;
        EXPECT_GT(pinAt.y(), 0.08 * height) << h;
        EXPECT_LT(teeAt.y(), 0.92 * height) << h;
        if (h == 1) continue;
        // Due north and due east: the view these holes always had.
        const std::vector<MarkPointType> points(round->ScenePoints, round->ScenePoints + round->ScenePointCount);
        THoleScene was;
        auto* panel = round->OpenGLAPPanel1;
        ASSERT_TRUE(ViewAsItLies(points, panel->PixelWidth(), panel->PixelHeight(), was)) << h;
        EXPECT_DOUBLE_EQ(s.CameraZ, was.CameraZ) << h;
        EXPECT_DOUBLE_EQ(s.MarkerSize, was.MarkerSize) << h;
        EXPECT_DOUBLE_EQ(s.VisibleHeight, was.VisibleHeight) << h;
        EXPECT_EQ(s.CentreX, was.CentreX) << h;
        EXPECT_EQ(s.CentreY, was.CentreY) << h;
        EXPECT_EQ(s.Rotation, was.Rotation) << h;
    }

    // "Zoom in" held for five seconds: pressed, its first repetition after
    // 0.4 s and one every 0.1 s after that, each a step larger. The drive
    // lies in the middle of the view and stays there, drawn.
    round->HoleButtons[0]->click();
    const MarkPointType* drive = Named(round, "SHOT", true);
    ASSERT_NE(drive, nullptr);
    ASSERT_LT(QLineF(OnPanel(s, *drive), QPointF(0.5 * width, 0.5 * height)).length(), 1.5);
    const double start = s.CameraZ;
    double travelled = 0;
    TProSpeedButton* zoomIn = round->ToolbtnZoomIN;
    ASSERT_EQ(zoomIn->accessibleName(), "Zoom in");
    const QPoint inside = zoomIn->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, inside, zoomIn->mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(zoomIn, &press);
    for (int i = 0; i < 47; ++i) {
        travelled += s.CurrentStep + s.StepIncrement;
        zoomIn->TimerExpired();
        if (i % 8 == 0 || i == 46) {
            const QImage img = Picture(round);
            ASSERT_GT(Drawn(img), 100) << "repetition " << i;
            EXPECT_GT(Around(img, OnPanel(s, *drive), qRgb(255, 0, 0), 2), 4) << "repetition " << i;
        }
    }
    QMouseEvent release(QEvent::MouseButtonRelease, inside, zoomIn->mapToGlobal(inside), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(zoomIn, &release);
    ASSERT_GT(travelled, -start);  // enough to carry the camera past the ground
    EXPECT_LT(s.CameraZ, 0);
    const QImage near = Picture(round);
    Shot(round->OpenGLAPPanel1, "holeview-zoomed");
    EXPECT_GT(Around(near, QPointF(0.5 * width, 0.5 * height), qRgb(255, 0, 0), 2), 4);
    // Zoom out moves back out at once.
    const double z = s.CameraZ;
    ClickAt(round->ToolbtnZoomOUT, round->ToolbtnZoomOUT->rect().center());
    EXPECT_LT(s.CameraZ, z);
    EXPECT_GT(Around(Picture(round), OnPanel(s, *drive), qRgb(255, 0, 0), 2), 4);
    EXPECT_TRUE(log.Empty()) << log.Texts().front();
    round->OKBtn->click();
    Flush();
}

using SampleRoundJourney = SimJourney<HoleViewJourney>;

TEST_F(SampleRoundJourney, EveryLabelReadableAndThePinInSightOnEachHole) {
    Start();
    FetchAllRounds();
    ASSERT_EQ(Count("Round"), 2);
    for (int row = 0; row < 2; ++row) {
        log.Clear();
        TRoundFrm* round = OpenRound(row);
        ASSERT_NE(round, nullptr) << row;
        THoleScene& s = *round->Scene;
        int holes = 0;
        for (int h = 0; h < 18; ++h) {
            if (!round->HoleButtons[h]->isEnabled() || !round->HoleButtons[h]->isVisible()) continue;
            round->HoleButtons[h]->click();
            const MarkPointType* pin = Named(round, "PIN");
            if (!pin) continue;
            ++holes;
            const std::string at = "round " + std::to_string(row + 1) + ", hole " + std::to_string(h + 1);
            const QImage whole = Picture(round);
            Shot(round->OpenGLAPPanel1, "sample-" + std::to_string(row + 1) + "-" + std::to_string(h + 1));
            // The pin's marker shows, whatever shot lies on it.
            EXPECT_GT(Around(whole, OnPanel(s, *pin), qRgb(0, 255, 0), 3), 4) << at;

            // Each letter drawn lies in its own label's box, and in no other.
            const std::vector<THoleLabel> labels = s.PlaceLabels(round->ScenePoints, round->OpenGLAPPanel1);
            const QImage alone = LabelsAlone(*round->OpenGLAPPanel1, s, round->ScenePoints);
            ASSERT_EQ(alone.size(), whole.size()) << at;
            const LabelOwners owners = OwnersOf(alone, labels);
            EXPECT_GT(owners.text, 100) << at;
            EXPECT_EQ(owners.stray, 0) << owners.stray << " text pixels outside every label, " << at;
            EXPECT_EQ(owners.shared, 0) << owners.shared << " text pixels where two labels meet, " << at;
            for (size_t i = 0; i < labels.size(); ++i) {
                if (labels[i].Box.isEmpty()) continue;
                EXPECT_GT(owners.inked[i], 5) << labels[i].Text << ", " << at;
                // A label moved clear of another stays off the markers too.
                if (labels[i].Shift != 0)
                    EXPECT_EQ(MarkerPixelsIn(whole, labels[i].Box), 0) << labels[i].Text << " on a marker, " << at;
            }
        }
        EXPECT_GE(holes, 9) << row;
        EXPECT_TRUE(log.Empty()) << log.Texts().front();
        round->OKBtn->click();
        Flush();
    }
}
