#include <GeographicLib/Geodesic.hpp>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

#include "Holeviewfixture.h"

// ---------------------------------------------------------------------------
// Pure scene math

TEST(HoleScene, ConstructorLeavesNothingUnset) {
    THoleScene s;
    EXPECT_EQ(s.CentreX, 0);
    EXPECT_EQ(s.CentreY, 0);
    EXPECT_EQ(s.CameraZ, -1);
    EXPECT_EQ(s.Rotation, 0);
    EXPECT_EQ(s.NearPlane, 0.0001);
    EXPECT_EQ(s.FarPlane, 1e7);
    EXPECT_EQ(s.BaseStep, 0.0001);
    EXPECT_EQ(s.StepIncrement, 0.0001);
    EXPECT_EQ(s.CurrentStep, 0.0001);
    EXPECT_FALSE(s.Dragging);
    EXPECT_GT(s.VisibleHeight, 0);
}

TEST(HoleScene, SceneALoadsWithTheGreenStraightAhead) {
    // In metres on the ground at 60.0025 N (1 degree: 111412.3 m north,
    // 55795.8 m east): the extent is 55.80 m wide and 445.65 m high, and the
    // green lies 27.9 m west and 222.8 m north of the centre. Turned, the
    // green lies 224.56 m straight above the centre: the camera and the
    // markers take an extent of 449.13 m.
    auto points = SceneA();
    THoleScene s;
    s.LoadHole(points.data(), int(points.size()), 640, 640);
    EXPECT_NEAR(s.Rotation, 352.8636, 1e-4);
    EXPECT_NEAR(s.CameraZ, -725.537, 0.01);
    double longitude, latitude;
    s.FromFrame(s.CentreX, s.CentreY, longitude, latitude);
    EXPECT_NEAR(longitude, 24.0005, 1e-12);
    EXPECT_NEAR(latitude, 60.002, 1e-12);
    EXPECT_NEAR(s.ExtentWidth, 55.7958, 1e-4);
    EXPECT_NEAR(s.ExtentHeight, 445.6493, 1e-4);
    EXPECT_NEAR(s.MarkerSize, 4.491285, 1e-6);
    EXPECT_NEAR(s.BaseStep, 0.557958, 1e-6);
}

TEST(HoleScene, DistancesAreTrueWhicheverWayTheyPoint) {
    // 200 m from a tee in eight directions, by the geodesic on the WGS-84
    // ellipsoid: the frame gives 200 m within 10 cm each way.
    const auto& earth = GeographicLib::Geodesic::WGS84();
    for (double latitude : {-33.9, 0.5, 45.0, 64.0, 70.2}) {
        std::vector<MarkPointType> points{Point(24.0, latitude, "Tee")};
        for (int k = 0; k < 8; ++k) {
            double lat2, lon2;
            earth.Direct(latitude, 24.0, 45.0 * k, 200.0, lat2, lon2);
            points.push_back(Point(lon2, lat2, "Shot " + std::to_string(k + 1)));
        }
        THoleScene s;
        double minX, maxX, minY, maxY;
        ASSERT_TRUE(s.SetPoints(points.data(), int(points.size()), minX, maxX, minY, maxY));
        double tx, ty;
        s.ToFrame(24.0, latitude, tx, ty);
        for (size_t i = 1; i < points.size(); ++i) {
            ASSERT_NE(points[i].X, 0) << latitude << " " << i;
            double x, y;
            s.ToFrame(points[i].X, points[i].Y, x, y);
            EXPECT_NEAR(THoleScene::PointDistance(tx, ty, x, y), 200.0, 0.1) << latitude << " azimuth " << 45 * (i - 1);
        }
    }
    // Across the date line the short way round.
    THoleScene s;
    s.SetOrigin(179.9995, -16.8);
    double x, y;
    s.ToFrame(-179.9995, -16.8, x, y);
    EXPECT_NEAR(x, 0.001 * THoleScene::MetresPerDegreeLongitude(-16.8), 1e-6);
}

TEST(HoleScene, StraysLoseTheirPositionAndAreLeftOutOfTheExtent) {
    // Exactly 0.01 degree of latitude apart (1105.74 m at the equator) stays;
    // a little farther is a stray.
    std::vector<MarkPointType> kept{Point(1, 0.01, "Tee"), Point(1, 0.02, "Green")};
    THoleScene s;
    double minX = -7, maxX = -7, minY = -7, maxY = -7;
    ASSERT_TRUE(s.SetPoints(kept.data(), 2, minX, maxX, minY, maxY));
    EXPECT_EQ(kept[1].Y, 0.02);
    EXPECT_NEAR(maxY - minY, 1105.743, 1e-3);

    std::vector<MarkPointType> stray{Point(1, 0.01, "Tee"), Point(1, 0.0200001, "Green")};
    ASSERT_TRUE(s.SetPoints(stray.data(), 2, minX, maxX, minY, maxY));
    EXPECT_EQ(stray[1].X, 0);
    EXPECT_EQ(stray[1].Y, 0);
    EXPECT_EQ(minY, maxY);

    // The same ground distance east-west: at 64 N, 0.01 degree of latitude is
    // 1114.8 m, 0.0228 degree of longitude. 0.0227 (1110.8 m) stays, 0.023
    // (1125.4 m) is a stray; 0.02 (978.6 m) was a stray in plain degrees.
    std::vector<MarkPointType> east{Point(24.0, 64.0, "Tee"), Point(24.0227, 64.0, "Green")};
    ASSERT_TRUE(s.SetPoints(east.data(), 2, minX, maxX, minY, maxY));
    EXPECT_EQ(east[1].X, 24.0227);
    EXPECT_NEAR(maxX - minX, 1110.75, 0.01);
    std::vector<MarkPointType> farEast{Point(24.0, 64.0, "Tee"), Point(24.023, 64.0, "Green")};
    ASSERT_TRUE(s.SetPoints(farEast.data(), 2, minX, maxX, minY, maxY));
    EXPECT_EQ(farEast[1].X, 0);

    // The densest spot wins, wherever it lies in the array.
    std::vector<MarkPointType> cluster{Point(5.0, 5.0, "Far"), Point(24.0, 60.0, "Tee"), Point(24.001, 60.001, "Shot 1"),
                                       Point(24.002, 60.003, "Green")};
    ASSERT_TRUE(s.SetPoints(cluster.data(), 4, minX, maxX, minY, maxY));
    EXPECT_EQ(cluster[0].X, 0);
    // The frame's origin is the reference point, the green.
    EXPECT_EQ(s.OriginX, 24.002);
    EXPECT_EQ(s.OriginY, 60.003);
    EXPECT_NEAR(minX, -111.590, 1e-3);
    EXPECT_EQ(maxY, 0);
}

TEST(HoleScene, PuttSummaryWidensTheExtentOnlyInCapitals) {
    THoleScene s;
    double minX, maxX, minY, maxY;
    std::vector<MarkPointType> mixed{Point(24.0, 60.0, "Tee"), Point(24.001, 60.001, "Green"),
                                     Point(24.005, 60.005, "2 Putt(s)")};
    ASSERT_TRUE(s.SetPoints(mixed.data(), 3, minX, maxX, minY, maxY));
    EXPECT_NEAR(maxX - minX, 55.792, 1e-3);  // 0.001 degree east at 60.005 N
    std::vector<MarkPointType> caps{Point(24.0, 60.0, "Tee"), Point(24.001, 60.001, "Green"),
                                    Point(24.005, 60.005, "2 PUTT(S)")};
    ASSERT_TRUE(s.SetPoints(caps.data(), 3, minX, maxX, minY, maxY));
    EXPECT_NEAR(maxX - minX, 278.958, 1e-3);
    // Nameless entries never count; with none named the outputs stay untouched.
    std::vector<MarkPointType> nameless{Point(24.0, 60.0, ""), Point(24.001, 60.001, "")};
    minX = maxX = minY = maxY = -3;
    EXPECT_FALSE(s.SetPoints(nameless.data(), 2, minX, maxX, minY, maxY));
    EXPECT_EQ(minX, -3);
}

TEST(HoleScene, HolesWithoutUsableExtentStillGetAView) {
    // No position at all: a small view around (0, 0).
    std::vector<MarkPointType> none{Point(0, 0, "Tee"), Point(0, 0, "Shot 1"), Point(0, 0, "Green")};
    THoleScene s;
    s.LoadHole(none.data(), 3, 318, 281);
    EXPECT_EQ(s.CentreX, 0);
    EXPECT_EQ(s.CentreY, 0);
    EXPECT_EQ(s.Rotation, 0);
    EXPECT_LT(s.CameraZ, 0);
    EXPECT_GT(s.MarkerSize, 0);
    EXPECT_GT(s.BaseStep, 0);

    // Every point on one spot: a minimum extent.
    std::vector<MarkPointType> spot{Point(24.0, 60.0, "Tee"), Point(24.0, 60.0, "Shot 1"), Point(24.0, 60.0, "Green")};
    s.LoadHole(spot.data(), 3, 318, 281);
    EXPECT_NEAR(s.ExtentWidth, THoleScene::MinimumExtent, 1e-12);
    EXPECT_NEAR(s.ExtentHeight, THoleScene::MinimumExtent, 1e-12);
    double longitude, latitude;
    s.FromFrame(s.CentreX, s.CentreY, longitude, latitude);
    EXPECT_NEAR(longitude, 24.0, 1e-12);
    EXPECT_LT(s.CameraZ, 0);
    EXPECT_GT(s.MarkerSize, 0);
    EXPECT_GT(s.BaseStep, 0);

    // A hole lying exactly north-south takes its step from the height.
    std::vector<MarkPointType> line{Point(24.0, 60.0, "Tee"), Point(24.0, 60.004, "Green")};
    s.LoadHole(line.data(), 2, 318, 281);
    EXPECT_EQ(s.ExtentWidth, 0);
    EXPECT_NEAR(s.BaseStep, 4.456494, 1e-6);  // 0.01 x 445.65 m
    EXPECT_NEAR(s.Rotation, 0, 1e-9);  // the green lies due north

    // Neither pin nor green: no rotation.
    std::vector<MarkPointType> noTarget{Point(24.0, 60.0, "Tee"), Point(24.003, 60.001, "Shot 1")};
    s.Rotation = 123;
    s.LoadHole(noTarget.data(), 2, 318, 281);
    EXPECT_EQ(s.Rotation, 0);
}

TEST(HoleScene, PinWinsOverGreen) {
    std::vector<MarkPointType> points{Point(24.0, 60.0, "Tee"), Point(24.0, 60.004, "Green"),
                                      Point(24.001, 60.004, "Pin")};
    THoleScene s;
    s.LoadHole(points.data(), 3, 640, 640);
    // The pin lies 27.9 m east and 222.8 m north of the centre.
    EXPECT_NEAR(s.Rotation, 7.13604, 1e-5);
}

TEST(HoleScene, ScrollFactorsAndRotation) {
    double s, c;
    THoleScene::ScrollFactors(0, s, c);
    EXPECT_DOUBLE_EQ(s, 0);
    EXPECT_DOUBLE_EQ(c, -0.5);
    THoleScene::ScrollFactors(90, s, c);
    EXPECT_DOUBLE_EQ(s, 0.5);
    EXPECT_DOUBLE_EQ(c, 0);
    THoleScene::ScrollFactors(180, s, c);
    EXPECT_DOUBLE_EQ(s, 0);
    EXPECT_DOUBLE_EQ(c, 0.5);
    THoleScene::ScrollFactors(-90, s, c);
    EXPECT_DOUBLE_EQ(s, -0.5);
    EXPECT_DOUBLE_EQ(c, 0);
    THoleScene::ScrollFactors(300, s, c);
    EXPECT_DOUBLE_EQ(s, -60.0 / 180);
    EXPECT_DOUBLE_EQ(c, -30.0 / 180);
    THoleScene::ScrollFactors(-300, s, c);
    EXPECT_DOUBLE_EQ(s, 60.0 / 180);
    EXPECT_DOUBLE_EQ(c, -30.0 / 180);

    THoleScene scene;
    scene.Rotation = 355;
    scene.RotateLeft();
    EXPECT_EQ(scene.Rotation, 360);
    scene.RotateLeft();
    EXPECT_EQ(scene.Rotation, 0);
    scene.Rotation = -355;
    scene.RotateRight();
    EXPECT_EQ(scene.Rotation, -360);
    scene.RotateRight();
    EXPECT_EQ(scene.Rotation, 0);
}

TEST(HoleScene, StepsGrowUntilAGestureEnds) {
    auto points = SceneA();
    THoleScene s;
    s.LoadHole(points.data(), int(points.size()), 318, 281);
    const double base = 0.557958;  // 0.01 x the 55.80 m width
    ASSERT_NEAR(s.BaseStep, base, 1e-6);
    double z = s.CameraZ;
    for (double times : {2, 3, 4}) {
        s.ZoomIn();
        EXPECT_NEAR(s.CameraZ - z, times * base, 1e-5);
        z = s.CameraZ;
    }
    s.SetCurrentStep(s.BaseStep);  // what releasing an up-down does
    EXPECT_EQ(s.CurrentStep, s.BaseStep);
    // A scroll takes two steps: at rotation 0 left moves west by half of the first.
    s.Rotation = 0;
    const double x = s.CentreX, y = s.CentreY;
    s.ScrollLeft();
    EXPECT_NEAR(s.CentreX - x, -0.5 * 2 * base, 1e-5);
    EXPECT_NEAR(s.CentreY - y, 0, 1e-9);
    EXPECT_NEAR(s.CurrentStep, 3 * base, 1e-5);
    // At 90 degrees the up arrow moves east by half a step, north not at all.
    s.Rotation = 90;
    s.SetCurrentStep(s.BaseStep);
    const double x2 = s.CentreX, y2 = s.CentreY;
    s.ScrollUp();
    EXPECT_NEAR(s.CentreY - y2, 0, 1e-9);
    EXPECT_NEAR(s.CentreX - x2, 0.5 * 3 * base, 1e-5);
}

TEST(HoleScene, InitAfterALoadedHoleKeepsItsSteps) {
    auto points = SceneA();
    THoleScene s;
    s.LoadHole(points.data(), int(points.size()), 318, 281);
    const double base = s.BaseStep, z = s.CameraZ, rotation = s.Rotation;
    s.InitConstants(GreenShapeColour);
    EXPECT_EQ(s.BaseStep, base);
    EXPECT_EQ(s.StepIncrement, base);
    EXPECT_EQ(s.CameraZ, z);
    EXPECT_EQ(s.Rotation, rotation);
    EXPECT_DOUBLE_EQ(s.GreenColour[1], 196 / 255.0);
    EXPECT_EQ(s.GreenColour[0], 0);
    EXPECT_EQ(s.GreenColour[3], 1.0);
    THoleScene fresh;
    fresh.BaseStep = 5;
    fresh.InitConstants(GreenShapeColour);
    EXPECT_EQ(fresh.BaseStep, 0.0001);
}

TEST(HoleScene, PanKeepsThePointUnderThePointer) {
    auto points = SceneA();
    THoleScene s;
    s.LoadHole(points.data(), int(points.size()), 318, 281);
    s.RotateLeft();
    s.UpdateCamera(318, 281);
    double wx, wy;
    s.ScreenToWorld(100, 120, wx, wy);
    s.MouseDown(Qt::LeftButton, 100, 120);
    ASSERT_TRUE(s.MouseMove(140, 90, 318, 281));
    double ax, ay;
    s.ScreenToWorld(140, 90, ax, ay);
    EXPECT_NEAR(ax, wx, 1e-10);
    EXPECT_NEAR(ay, wy, 1e-10);
}

TEST(HoleScene, BorderZoneEndsADragAndZoomDragCountsMoves) {
    auto points = SceneA();
    THoleScene s;
    s.LoadHole(points.data(), int(points.size()), 318, 281);
    // A drag started in the border ends with the first move.
    s.MouseDown(Qt::LeftButton, 5, 5);
    EXPECT_FALSE(s.MouseMove(6, 6, 318, 281));
    EXPECT_FALSE(s.Dragging);
    // Into the tool bar's 30 pixels: ended, and it does not resume.
    s.MouseDown(Qt::LeftButton, 100, 100);
    EXPECT_TRUE(s.MouseMove(200, 100, 318, 281));
    EXPECT_FALSE(s.MouseMove(289, 100, 318, 281));
    EXPECT_FALSE(s.MouseMove(200, 100, 318, 281));
    for (auto [x, y] : {std::pair{9, 100}, {100, 9}, {100, 272}}) {
        s.MouseDown(Qt::LeftButton, 100, 100);
        EXPECT_FALSE(s.MouseMove(x, y, 318, 281)) << x << "," << y;
    }
    // Twenty vertical moves of a right drag: twenty steps of base + increment,
    // however far the pointer went.
    const double z = s.CameraZ, step = s.BaseStep + s.StepIncrement;
    s.MouseDown(Qt::RightButton, 150, 250);
    for (int i = 1; i <= 20; ++i) ASSERT_TRUE(s.MouseMove(150, 250 - i * (i + 1) / 2, 318, 281));
    EXPECT_NEAR(s.CameraZ - z, 20 * step, 1e-12);
    s.MouseDown(Qt::MiddleButton, 150, 100);
    for (int i = 1; i <= 3; ++i) ASSERT_TRUE(s.MouseMove(150, 100 + 40 * i, 318, 281));
    EXPECT_NEAR(s.CameraZ - z, 17 * step, 1e-12);
    const double z2 = s.CameraZ;
    EXPECT_TRUE(s.MouseMove(170, s.LastMouseY, 318, 281));  // sideways: no zoom
    EXPECT_EQ(s.CameraZ, z2);
    s.MouseUp(170, 100);
    EXPECT_FALSE(s.Dragging);
}

// ---------------------------------------------------------------------------
// Drawn scenes (llvmpipe under Xvfb)

TEST(HoleSceneGL, SceneAIsDrawnWhereTheCameraSays) {
    HoleView view(640, 640);
    view.Load(SceneA());
    ASSERT_TRUE(view.Show());
    const QImage img = view.Frame();
    ASSERT_EQ(img.size(), QSize(640, 640));
    EXPECT_TRUE(PixelIs(img, 330, 78, 0, 196, 0));    // green
    EXPECT_TRUE(PixelIs(img, 350, 324, 255, 255, 0)); // bunker
    EXPECT_TRUE(PixelIs(img, 261, 553, 0, 0, 255));   // tee square in its tee's colour
    EXPECT_TRUE(PixelIs(img, 312, 258, 255, 0, 0));   // shot marker
    EXPECT_TRUE(IsClearColour(img, 10, 10));
    // The green lies straight above the centre, as the rotation promises.
    const QPointF green = view.Screen(24.0, 60.004);
    EXPECT_NEAR(green.x(), 320, 1.0);
    // The shot line runs from the tee through the shot to the green: dark
    // pixels halfway between the shot and the green (the smoothed line is
    // black where it covers a pixel whole, grey where it covers part).
    const QPointF shot = view.Screen(24.0002, 60.0025);
    const QPointF mid = (shot + green) / 2;
    int darkest = 255;
    for (int dx = -1; dx <= 1; ++dx)
        darkest = std::min(darkest, img.pixelColor(int(std::lround(mid.x())) + dx, int(std::lround(mid.y()))).lightness());
    EXPECT_LT(darkest, 80);
    // Labels: some black text pixels beside the tee, upright.
    const QPointF tee = view.Screen(24.0, 60.0);
    int dark = 0;
    for (int y = int(tee.y()) - 30; y < int(tee.y()); ++y)
        for (int x = int(tee.x()) + 12; x < int(tee.x()) + 80; ++x)
            if (img.pixelColor(x, y).lightness() < 60) ++dark;
    EXPECT_GT(dark, 20);
    // Smoothed: the text's edges take shades between black and the ground.
    int shades = 0;
    for (int y = int(tee.y()) - 30; y < int(tee.y()); ++y)
        for (int x = int(tee.x()) + 12; x < int(tee.x()) + 80; ++x)
            if (const int l = img.pixelColor(x, y).lightness(); l > 40 && l < 150) ++shades;
    EXPECT_GT(shades, 10);
}

TEST(HoleSceneGL, PinBesideTheGreenTakesTheGreen) {
    HoleView view(640, 640);
    view.Load({Point(24.0, 60.0, "Tee", 0xFFFFFF), Point(23.9996, 60.004, "Green"), Point(24.0006, 60.0042, "Pin"),
               Point(24.0002, 60.0025, "Shot 1")});
    ASSERT_TRUE(view.Show());
    const QImage img = view.Frame();
    const QPointF pin = view.Screen(24.0006, 60.0042);
    EXPECT_NEAR(pin.x(), 320, 1.0);  // the view aims at the pin
    // Inner pin octagon (the shot line ends at its centre), then the green
    // octagon around it.
    EXPECT_TRUE(PixelIs(img, int(std::lround(pin.x())) + 2, int(std::lround(pin.y())) + 1, 0, 255, 0));
    const double greenRadius = 4 * view.scene.MarkerSize;
    double pinX, pinY;
    view.scene.ToFrame(24.0006, 60.0042, pinX, pinY);
    const QPointF ring = view.ScreenOfFrame(pinX + 0.8 * greenRadius, pinY);
    EXPECT_TRUE(PixelIs(img, int(std::lround(ring.x())), int(std::lround(ring.y())), 0, 196, 0));
    // No octagon at the green point itself.
    const QPointF green = view.Screen(23.9996, 60.004);
    EXPECT_TRUE(IsClearColour(img, int(green.x()) + 2, int(green.y()) + 2));
}

TEST(HoleSceneGL, HoleWithoutPositionsShowsOnlyTheClearColour) {
    HoleView view(320, 240);
    view.Load({Point(0, 0, "Tee"), Point(0, 0, "Shot 1"), Point(0, 0, "Green"), Point(0, 0, "2 Putt(s)")});
    ASSERT_TRUE(view.Show());
    const QImage img = view.Frame();
    for (int y = 0; y < img.height(); y += 7)
        for (int x = 0; x < img.width(); x += 7) ASSERT_TRUE(IsClearColour(img, x, y));
    // Before any hole the panel shows the clear colour too.
    HoleView empty(200, 200);
    ASSERT_TRUE(empty.Show());
    const QImage blank = empty.Frame();
    EXPECT_TRUE(IsClearColour(blank, 100, 100));
    EXPECT_TRUE(IsClearColour(blank, 3, 190));
}

TEST(HoleSceneGL, PaintErrorIsReportedOnceAfterThePaint) {
    MessageLog log;
    HoleView view(200, 200);
    ASSERT_TRUE(view.Show());
    ProcessEventsFor(50);
    ASSERT_TRUE(log.Empty());
    int paints = 0;
    view.panel.OnPaint = [&](QObject*) {
        ++paints;
        view.scene.GuardPaint([] { throw std::runtime_error("List index out of bounds"); }, &view.panel);
    };
    view.panel.Repaint();
    EXPECT_EQ(paints, 1);
    EXPECT_TRUE(log.Empty());  // not inside the paint
    view.panel.Repaint();
    EXPECT_TRUE(log.Empty());
    ASSERT_TRUE(WaitFor([&] { return !log.Empty(); }, 2000));
    view.panel.Repaint();
    ProcessEventsFor(100);
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].text, "TCourseForm::OpenGLPanel1PaintList index out of bounds");
    EXPECT_TRUE(view.scene.PaintErrorReported());
}

namespace {
// Mean position of the pixels of one colour within a square around a spot,
// and how many there are.
QPointF ColourCentre(const QImage& img, QRgb colour, QPointF around, int radius, int& count) {
    double sx = 0, sy = 0;
    count = 0;
    for (int y = int(around.y()) - radius; y <= int(around.y()) + radius; ++y)
        for (int x = int(around.x()) - radius; x <= int(around.x()) + radius; ++x)
            if (img.rect().contains(x, y) && (img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) {
                sx += x;
                sy += y;
                ++count;
            }
    return count ? QPointF(sx / count, sy / count) : QPointF(-1, -1);
}

MarkPointType Along(const MarkPointType& from, double azimuth, double metres, const std::string& text) {
    double latitude, longitude;
    GeographicLib::Geodesic::WGS84().Direct(from.Y, from.X, azimuth, metres, latitude, longitude);
    return Point(longitude, latitude, text);
}
} // namespace

TEST(HoleSceneGL, EastWestAndNorthSouthDistancesAreDrawnAlike) {
    // At 64 N: a 200 m drive due east, a 200 m second shot due north, and the
    // pin due north of the middle, so the view is not turned.
    const MarkPointType tee = Point(24.0, 64.0, "Tee", 0xFF0000);
    const MarkPointType drive = Along(tee, 90, 200, "Shot 1");
    const MarkPointType second = Along(drive, 0, 200, "Shot 2");
    const MarkPointType pin = Along(Along(tee, 90, 100, ""), 0, 300, "Pin");
    HoleView view(640, 640);
    view.Load({tee, drive, second, pin});
    ASSERT_TRUE(view.Show());
    EXPECT_NEAR(view.scene.Rotation, 0, 0.5);
    const QImage img = view.Frame();
    int blue = 0, red1 = 0, red2 = 0;
    const QPointF t = ColourCentre(img, qRgb(0, 0, 255), view.Screen(tee.X, tee.Y), 15, blue);
    const QPointF s1 = ColourCentre(img, qRgb(255, 0, 0), view.Screen(drive.X, drive.Y), 15, red1);
    const QPointF s2 = ColourCentre(img, qRgb(255, 0, 0), view.Screen(second.X, second.Y), 15, red2);
    ASSERT_GT(blue, 10);
    ASSERT_GT(red1, 5);
    ASSERT_GT(red2, 5);
    const double eastWest = std::hypot(s1.x() - t.x(), s1.y() - t.y());
    const double northSouth = std::hypot(s2.x() - s1.x(), s2.y() - s1.y());
    EXPECT_GT(eastWest, 150);
    EXPECT_NEAR(eastWest / northSouth, 1.0, 0.03) << eastWest << " px east-west, " << northSouth << " px north-south";
    // East is to the right, north is up.
    EXPECT_NEAR(s1.y(), t.y(), 2.0);
    EXPECT_NEAR(s2.x(), s1.x(), 2.0);
}

TEST(HoleSceneGL, LongParFiveRunningEastWestKeepsItsTee) {
    // 527 m from tee to pin at 64 N: 0.0108 degree of longitude, yet less
    // than half the stray distance on the ground.
    const MarkPointType tee = Point(24.0, 64.0, "Tee", 0xFF0000);
    HoleView view(640, 640);
    view.Load({tee, Along(tee, 91, 250, "Shot 1"), Along(tee, 90, 455, "Shot 2"), Along(tee, 90, 518, "Shot 3"),
               Along(tee, 90, 527, "Pin")});
    ASSERT_TRUE(view.Show());
    for (const MarkPointType& p : view.points) EXPECT_NE(p.X, 0) << p.Text;
    const QImage img = view.Frame();
    const QPointF expected = view.Screen(24.0, 64.0);
    int blue = 0;
    const QPointF square = ColourCentre(img, qRgb(0, 0, 255), expected, 20, blue);
    ASSERT_GT(blue, 10);
    EXPECT_NEAR(square.x(), expected.x(), 2.0);
    EXPECT_NEAR(square.y(), expected.y(), 2.0);
    // The drive's line leaves the tee: dark pixels a little above it.
    int dark = 0;
    for (int y = int(expected.y()) - 40; y < int(expected.y()) - 15; ++y)
        for (int x = int(expected.x()) - 4; x <= int(expected.x()) + 4; ++x)
            if (img.pixelColor(x, y).lightness() < 80) ++dark;
    EXPECT_GT(dark, 10);
}

// Every label is drawn whole above the markers: each pixel that a label
// darkens on the bare ground is dark in the whole picture too, also where
// "Pin" and "2 Putt(s)" lie over the green and "Bunker" over its bunker,
// whichever way the hole runs. Labels lie at the markers' depth, and which
// of two equal depths wins is the driver's rounding: with a strict depth
// function the markers win every tie, so the labels must not depend on it.
TEST(HoleSceneGL, LabelsAreDrawnWholeOverTheMarkers) {
    for (const bool strict : {false, true})
    for (const double bearing : {0.0, 35.0, 200.0})
    for (const QSize size : {QSize(640, 640), QSize(318, 281)}) {
        const MarkPointType tee = Point(24.0, 64.0, "Tee", 0xFF0000);
        const MarkPointType drive = Along(tee, bearing, 230, "Shot 1");
        const MarkPointType second = Along(tee, bearing, 346, "Shot 2");
        const MarkPointType putt = Along(tee, bearing, 352, "");
        const MarkPointType pin = Along(tee, bearing, 353, "Pin");
        const MarkPointType green = Along(tee, bearing, 350, "Green");
        const MarkPointType bunker = Along(Along(tee, bearing, 330, ""), bearing + 90, 20, "Bunker");
        HoleView view(size.width(), size.height());
        view.panel.Font2D_Enabled = true;  // as the round window has it
        view.Load({tee, green, bunker, pin, drive, second, Point(putt.X, putt.Y, ""),
                   Point(putt.X, putt.Y, "2 Putt(s)")});
        if (strict)
            view.panel.OnPaint = [&view](QObject*) {
                glDepthFunc(GL_LESS);
                view.scene.PaintGuarded(&view.panel, view.points.data());
            };
        ASSERT_TRUE(view.Show());
        const LabelCheck labels = CheckLabelsWhole(view.panel, view.scene, view.points.data());
        const std::string at = std::string(strict ? "strict depth, " : "") + "bearing " +
                               std::to_string(int(bearing)) + ", " + std::to_string(size.width()) + " x " +
                               std::to_string(size.height());
        ASSERT_GT(labels.text, 100) << at;
        EXPECT_GT(labels.overMarkers, 10) << at;
        EXPECT_EQ(labels.lost, 0) << labels.lost << " of " << labels.text << " label pixels erased, " << at;
    }
}

// ---------------------------------------------------------------------------
// Zoom and the first view

namespace {
// A hole of 400 m from tee to pin laid at the bearing, with a drive on the
// line and, when asked, a bunker beside it.
std::vector<MarkPointType> Laid(double bearing, bool bunker) {
    const MarkPointType tee = Point(24.0, 64.0, "Tee", 0xFF0000);
    std::vector<MarkPointType> points{tee, Along(tee, bearing, 230, "Shot 1")};
    if (bunker) points.push_back(Along(Along(tee, bearing, 300, ""), bearing + 90, 15, "Bunker"));
    points.push_back(Along(tee, bearing, 400, "Pin"));
    return points;
}
} // namespace

TEST(HoleScene, ZoomingInStopsShortOfTheGround) {
    // A held button and a long zoom drag: each step larger than the last,
    // together many times the camera's distance.
    auto points = SceneA();
    THoleScene s;
    s.LoadHole(points.data(), int(points.size()), 318, 281);
    const double start = s.CameraZ;
    double travelled = 0, z = s.CameraZ;
    for (int i = 0; i < 200; ++i) {
        travelled += s.CurrentStep + s.StepIncrement;
        s.ZoomIn();
        s.UpdateCamera(318, 281);
        ASSERT_LE(s.CameraZ, -THoleScene::NearestDistance) << "repetition " << i;
        ASSERT_GE(s.CameraZ, z) << "repetition " << i;  // never back out
        z = s.CameraZ;
    }
    ASSERT_GT(travelled, -2 * start);  // unbounded, the camera would be far past the ground
    EXPECT_DOUBLE_EQ(s.CameraZ, -THoleScene::NearestDistance);
    EXPECT_GT(s.VisibleHeight, 0);
    // The hole is still in front: the view centre lies in the panel's middle.
    const QPointF centre = PanelPoint(s, s.CentreX, s.CentreY);
    EXPECT_NEAR(centre.x(), 159, 1);
    EXPECT_NEAR(centre.y(), 140.5, 1);
    // Zooming out moves away again, by the step the hold left.
    const double step = s.CurrentStep + s.StepIncrement;
    s.ZoomOut();
    EXPECT_NEAR(s.CameraZ, -THoleScene::NearestDistance - step, 1e-9);

    // The zoom drag takes the same road.
    s.LoadHole(points.data(), int(points.size()), 318, 281);
    s.MouseDown(Qt::RightButton, 150, 260);
    for (int i = 0; i < 3000; ++i) ASSERT_TRUE(s.MouseMove(150, 260 - i % 2 - 1, 318, 281)) << i;
    EXPECT_LE(s.CameraZ, -THoleScene::NearestDistance);
    // From nearer than the bound (the scene before any hole), zooming in stays put.
    THoleScene fresh;
    fresh.ZoomIn();
    EXPECT_EQ(fresh.CameraZ, -1);
}

TEST(HoleScene, FirstViewHoldsTeeAndPinWhicheverWayTheHoleRuns) {
    for (const double bearing : {0.0, 30.0, 45.0, 60.0, 90.0, 135.0, 225.0, 315.0}) {
        auto points = Laid(bearing, true);
        THoleScene s;
        s.LoadHole(points.data(), int(points.size()), 318, 281);
        for (const MarkPointType& p : points) {
            double x, y;
            s.ToFrame(p.X, p.Y, x, y);
            const QPointF at = PanelPoint(s, x, y);
            EXPECT_TRUE(at.x() > 0 && at.x() < 318 && at.y() > 0 && at.y() < 281)
                << p.Text << " of the hole laid at " << bearing << " lies at (" << at.x() << ", " << at.y() << ")";
        }
        // The pin straight above the centre, the tee below it.
        double px, py, tx, ty;
        s.ToFrame(points.back().X, points.back().Y, px, py);
        s.ToFrame(points[0].X, points[0].Y, tx, ty);
        const QPointF pin = PanelPoint(s, px, py), tee = PanelPoint(s, tx, ty);
        EXPECT_NEAR(pin.x(), 159, 1) << bearing;
        // Turned or not, the ends keep the same room to the panel's edges.
        EXPECT_NEAR(pin.y(), 281 - tee.y(), 1) << bearing;
        EXPECT_GT(pin.y(), 20) << bearing;
    }
}

TEST(HoleScene, HolesRunningAlongTheCompassKeepTheirFirstView) {
    // The view a hole lying north-south or east-west had: the extent as it
    // lies, the turn, the camera from the visible height.
    // Tee, drive and pin on one meridian or one parallel.
    const double north = 400 / THoleScene::MetresPerDegreeLatitude(64.0);
    const double east = 400 / THoleScene::MetresPerDegreeLongitude(64.0);
    for (const double bearing : {0.0, 90.0, 180.0, 270.0}) {
        const double dx = std::round(std::sin(bearing * M_PI / 180)) * east;
        const double dy = std::round(std::cos(bearing * M_PI / 180)) * north;
        std::vector<MarkPointType> points{Point(24.0, 64.0, "Tee", 0xFF0000),
                                          Point(24.0 + 0.575 * dx, 64.0 + 0.575 * dy, "Shot 1"),
                                          Point(24.0 + dx, 64.0 + dy, "Pin")};
        THoleScene was;
        ASSERT_TRUE(ViewAsItLies(points, 318, 281, was));

        THoleScene s;
        s.LoadHole(points.data(), int(points.size()), 318, 281);
        EXPECT_DOUBLE_EQ(s.CameraZ, was.CameraZ) << bearing;
        EXPECT_DOUBLE_EQ(s.MarkerSize, was.MarkerSize) << bearing;
        EXPECT_DOUBLE_EQ(s.VisibleHeight, was.VisibleHeight) << bearing;
        EXPECT_EQ(s.CentreX, was.CentreX) << bearing;
        EXPECT_EQ(s.CentreY, was.CentreY) << bearing;
        EXPECT_EQ(s.Rotation, was.Rotation) << bearing;
        EXPECT_EQ(s.BaseStep, was.BaseStep) << bearing;
    }
}

// ---------------------------------------------------------------------------
// Labels clear of one another

TEST(HoleLabels, TheLaterOfTwoOverlappingLabelsMovesJustClear) {
    const double gap = 2;
    // Apart: nothing moves, also labels side by side on one line.
    const std::vector<QRectF> apart{QRectF(10, 10, 40, 12), QRectF(60, 10, 40, 12), QRectF(10, 40, 40, 12)};
    const std::vector<QPointF> same = SeparateLabels(apart, gap);
    ASSERT_EQ(same.size(), 3u);
    for (size_t i = 0; i < apart.size(); ++i) EXPECT_EQ(same[i], apart[i].topLeft()) << i;

    // Overlapping the lower half of the first: the second moves down below it,
    // the nearer way; overlapping its upper half, up above it. The first stays.
    auto moved = SeparateLabels({QRectF(100, 50, 60, 14), QRectF(130, 58, 50, 14)}, gap);
    EXPECT_EQ(moved[0], QPointF(100, 50));
    EXPECT_NEAR(moved[1].x(), 130, 1e-9);
    EXPECT_NEAR(moved[1].y(), 50 + 14 + gap, 1e-4);
    moved = SeparateLabels({QRectF(100, 50, 60, 14), QRectF(90, 44, 50, 14)}, gap);
    EXPECT_NEAR(moved[1].y(), 50 - gap - 14, 1e-4);
    EXPECT_NEAR(moved[1].x(), 90, 1e-9);
    // Closer than the gap counts as touching.
    moved = SeparateLabels({QRectF(0, 0, 30, 10), QRectF(31, 2, 30, 10)}, gap);
    EXPECT_GT(std::fabs(moved[1].y() - 2), 7);

    // Where just below the first lies a label placed earlier, the third goes
    // where it clears both: here above the first.
    moved = SeparateLabels({QRectF(0, 100, 80, 12), QRectF(0, 114, 80, 12), QRectF(20, 105, 40, 12)}, gap);
    EXPECT_NEAR(moved[1].y(), 114, 1e-9);  // already clear
    EXPECT_NEAR(moved[2].y(), 100 - gap - 12, 1e-4);
    // Each placed label clears every one before it.
    const std::vector<QRectF> pile{QRectF(50, 50, 40, 12), QRectF(55, 52, 40, 12), QRectF(45, 49, 40, 12),
                                   QRectF(60, 55, 40, 12), QRectF(52, 51, 40, 12)};
    moved = SeparateLabels(pile, gap);
    for (size_t i = 0; i < pile.size(); ++i)
        for (size_t j = 0; j < i; ++j) {
            const QRectF a(moved[i], pile[i].size()), b(moved[j], pile[j].size());
            EXPECT_FALSE(a.adjusted(-gap / 2, -gap / 2, gap / 2, gap / 2)
                             .intersects(b.adjusted(-gap / 2, -gap / 2, gap / 2, gap / 2)))
                << i << " meets " << j;
        }
    for (size_t i = 0; i < pile.size(); ++i) EXPECT_EQ(moved[i].x(), pile[i].x()) << i;

    // A moved label clears the markers too: just below the first lies a
    // marker, so the second goes below the marker, the least move clearing
    // both. A label that overlaps no label stays, on a marker or not.
    const std::vector<QRectF> marker{QRectF(120, 66, 12, 12)};
    moved = SeparateLabels({QRectF(100, 50, 60, 14), QRectF(130, 58, 50, 14)}, gap, marker);
    EXPECT_NEAR(moved[1].y(), 78 + gap, 1e-4);
    moved = SeparateLabels({QRectF(100, 50, 60, 14), QRectF(118, 70, 20, 10)}, gap, marker);
    EXPECT_EQ(moved[1], QPointF(118, 70));

    // A label that cannot be drawn (an empty box) neither moves nor pushes.
    moved = SeparateLabels({QRectF(0, 0, 0, 0), QRectF(0, 0, 20, 10), QRectF(5, 5, 0, 0)}, gap);
    EXPECT_EQ(moved[0], QPointF(0, 0));
    EXPECT_EQ(moved[1], QPointF(0, 0));
    EXPECT_EQ(moved[2], QPointF(5, 5));
}

namespace {
// The pin's corner of the simulator's sample holes: the last full shot a few
// metres short of the pin, the first putt a metre from it, a bunker beside
// the green and the putt summary.
std::vector<MarkPointType> PinCorner() {
    const MarkPointType tee = Point(24.85, 60.25, "Tee", 0xFF0000);
    const MarkPointType pin = Along(tee, 350, 330, "PIN");
    const MarkPointType putt = Along(pin, 200, 1, "Shot 4");
    return {tee,
            pin,
            Along(pin, 260, 4, "GREEN"),
            Along(pin, 160, 16, "BUNKER"),
            Along(tee, 352, 220, "Shot 1"),
            Along(tee, 349, 300, "Shot 2"),
            Along(pin, 190, 3, "Shot 3"),
            putt,
            Point(0, 0, "2 Putt(s)")};
}
} // namespace

TEST(HoleSceneGL, LabelsAtThePinKeepClearAndThePinShows) {
    for (const QSize size : {QSize(318, 281), QSize(640, 640)}) {
        HoleView view(size.width(), size.height());
        view.Load(PinCorner());
        ASSERT_TRUE(view.Show());
        const std::string at = std::to_string(size.width()) + " x " + std::to_string(size.height());
        const QImage whole = view.Frame();
        const std::vector<THoleLabel> labels = view.scene.PlaceLabels(view.points.data(), &view.panel);
        std::vector<std::string> texts;
        for (const THoleLabel& l : labels) texts.push_back(l.Text);
        EXPECT_EQ(texts, (std::vector<std::string>{"Tee", "PIN", "BUNKER", "Shot 1", "Shot 2", "Shot 3", "Shot 4",
                                                   "2 Putt(s)"}))
            << at;
        // Every letter lies in its own label's box and in no other.
        const LabelOwners owners = OwnersOf(LabelsAlone(view.panel, view.scene, view.points.data()), labels);
        EXPECT_GT(owners.text, 200) << at;
        EXPECT_EQ(owners.stray, 0) << at;
        EXPECT_EQ(owners.shared, 0) << owners.shared << " text pixels where two labels meet, " << at;
        int moved = 0;
        for (size_t i = 0; i < labels.size(); ++i) {
            EXPECT_GT(owners.inked[i], 10) << labels[i].Text << ", " << at;
            if (labels[i].Shift == 0) continue;
            ++moved;
            EXPECT_EQ(MarkerPixelsIn(whole, labels[i].Box), 0) << labels[i].Text << " moved onto a marker, " << at;
        }
        EXPECT_GE(moved, 2) << at;  // this corner needs it
        // A word space at least between any two of them.
        const double space = 0.2 * 0.05 * size.height();  // the font's em is a twentieth of the height
        for (size_t i = 0; i < labels.size(); ++i)
            for (size_t j = 0; j < i; ++j)
                EXPECT_FALSE(labels[i].Box.adjusted(-space, -space, space, space).intersects(labels[j].Box))
                    << labels[i].Text << " and " << labels[j].Text << ", " << at;
        // The pin's marker over the putt's: its own colour at its centre.
        const QPointF pin = view.Screen(view.points[1].X, view.points[1].Y);
        int bright = 0;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (PixelIs(whole, int(std::lround(pin.x())) + dx, int(std::lround(pin.y())) + dy, 0, 255, 0)) ++bright;
        EXPECT_GE(bright, 6) << at;
    }
}
