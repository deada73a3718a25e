#include <QMouseEvent>
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
    auto points = SceneA();
    THoleScene s;
    s.LoadHole(points.data(), int(points.size()), 640, 640);
    EXPECT_NEAR(s.Rotation, 345.9638, 1e-4);
    EXPECT_NEAR(s.CameraZ, -0.006586, 1e-6);
    EXPECT_DOUBLE_EQ(s.CentreX, 24.0005);
    EXPECT_DOUBLE_EQ(s.CentreY, 60.002);
    EXPECT_NEAR(s.MarkerSize, 0.00004, 1e-12);
    EXPECT_NEAR(s.BaseStep, 1e-5, 1e-12);
}

TEST(HoleScene, StraysLoseTheirPositionAndAreLeftOutOfTheExtent) {
    // Exactly 0.01 apart stays; a little farther is a stray.
    std::vector<MarkPointType> kept{Point(0.01, 1, "Tee"), Point(0.02, 1, "Green")};
    THoleScene s;
    double minX = -7, maxX = -7, minY = -7, maxY = -7;
    ASSERT_TRUE(s.SetPoints(kept.data(), 2, minX, maxX, minY, maxY));
    EXPECT_EQ(kept[1].X, 0.02);
    EXPECT_EQ(maxX, 0.02);

    std::vector<MarkPointType> stray{Point(0.01, 1, "Tee"), Point(0.0200001, 1, "Green")};
    ASSERT_TRUE(s.SetPoints(stray.data(), 2, minX, maxX, minY, maxY));
    EXPECT_EQ(stray[1].X, 0);
    EXPECT_EQ(stray[1].Y, 0);
    EXPECT_EQ(minX, 0.01);
    EXPECT_EQ(maxX, 0.01);

    // The densest spot wins, wherever it lies in the array.
    std::vector<MarkPointType> cluster{Point(5.0, 5.0, "Far"), Point(24.0, 60.0, "Tee"), Point(24.001, 60.001, "Shot 1"),
                                       Point(24.002, 60.003, "Green")};
    ASSERT_TRUE(s.SetPoints(cluster.data(), 4, minX, maxX, minY, maxY));
    EXPECT_EQ(cluster[0].X, 0);
    EXPECT_EQ(minX, 24.0);
    EXPECT_EQ(maxY, 60.003);
}

TEST(HoleScene, PuttSummaryWidensTheExtentOnlyInCapitals) {
    THoleScene s;
    double minX, maxX, minY, maxY;
    std::vector<MarkPointType> mixed{Point(24.0, 60.0, "Tee"), Point(24.001, 60.001, "Green"),
                                     Point(24.005, 60.005, "2 Putt(s)")};
    ASSERT_TRUE(s.SetPoints(mixed.data(), 3, minX, maxX, minY, maxY));
    EXPECT_EQ(maxX, 24.001);
    std::vector<MarkPointType> caps{Point(24.0, 60.0, "Tee"), Point(24.001, 60.001, "Green"),
                                    Point(24.005, 60.005, "2 PUTT(S)")};
    ASSERT_TRUE(s.SetPoints(caps.data(), 3, minX, maxX, minY, maxY));
    EXPECT_EQ(maxX, 24.005);
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
    EXPECT_NEAR(s.CentreX, 24.0, 1e-12);
    EXPECT_LT(s.CameraZ, 0);
    EXPECT_GT(s.MarkerSize, 0);
    EXPECT_GT(s.BaseStep, 0);

    // A hole lying exactly north-south takes its step from the height.
    std::vector<MarkPointType> line{Point(24.0, 60.0, "Tee"), Point(24.0, 60.004, "Green")};
    s.LoadHole(line.data(), 2, 318, 281);
    EXPECT_EQ(s.ExtentWidth, 0);
    EXPECT_NEAR(s.BaseStep, 0.00004, 1e-12);
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
    const double expected = 90 - std::atan2(60.004 - s.CentreY, 24.001 - s.CentreX) * 180 / M_PI;
    EXPECT_NEAR(s.Rotation, expected < 0 ? expected + 360 : expected, 1e-9);
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
    ASSERT_NEAR(s.BaseStep, 1e-5, 1e-15);
    double z = s.CameraZ;
    for (double expected : {2e-5, 3e-5, 4e-5}) {
        s.ZoomIn();
        EXPECT_NEAR(s.CameraZ - z, expected, 1e-15);
        z = s.CameraZ;
    }
    s.SetCurrentStep(s.BaseStep);  // what releasing an up-down does
    EXPECT_EQ(s.CurrentStep, s.BaseStep);
    // A scroll takes two steps: at rotation 0 left moves west by half of the first.
    s.Rotation = 0;
    const double x = s.CentreX, y = s.CentreY;
    s.ScrollLeft();
    EXPECT_NEAR(s.CentreX - x, -0.5 * 2e-5, 1e-11);
    EXPECT_NEAR(s.CentreY - y, 0, 1e-11);
    EXPECT_NEAR(s.CurrentStep, 3e-5, 1e-15);
    // At 90 degrees the up arrow moves east by half a step, north not at all.
    s.Rotation = 90;
    s.SetCurrentStep(s.BaseStep);
    const double x2 = s.CentreX, y2 = s.CentreY;
    s.ScrollUp();
    EXPECT_NEAR(s.CentreY - y2, 0, 1e-11);
    EXPECT_NEAR(s.CentreX - x2, 0.5 * 3e-5, 1e-11);
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
    EXPECT_TRUE(PixelIs(img, 384, 338, 255, 255, 0)); // bunker
    EXPECT_TRUE(PixelIs(img, 202, 537, 0, 0, 255));   // tee square in its tee's colour
    EXPECT_TRUE(PixelIs(img, 303, 254, 255, 0, 0));   // shot marker
    EXPECT_TRUE(IsClearColour(img, 10, 10));
    // The green lies straight above the centre, as the rotation promises.
    const QPointF green = view.Screen(24.0, 60.004);
    EXPECT_NEAR(green.x(), 320, 1.0);
    // The shot line runs from the tee through the shot to the green: black
    // pixels halfway between the shot and the green.
    const QPointF shot = view.Screen(24.0002, 60.0025);
    const QPointF mid = (shot + green) / 2;
    bool black = false;
    for (int dx = -1; dx <= 1; ++dx)
        black = black || PixelIs(img, int(std::lround(mid.x())) + dx, int(std::lround(mid.y())), 0, 0, 0);
    EXPECT_TRUE(black);
    // Labels: some black text pixels beside the tee, upright.
    const QPointF tee = view.Screen(24.0, 60.0);
    int dark = 0;
    for (int y = int(tee.y()) - 30; y < int(tee.y()); ++y)
        for (int x = int(tee.x()) + 12; x < int(tee.x()) + 80; ++x)
            if (img.pixelColor(x, y).lightness() < 60) ++dark;
    EXPECT_GT(dark, 20);
}

TEST(HoleSceneGL, PinBesideTheGreenTakesTheGreen) {
    HoleView view(640, 640);
    view.Load({Point(24.0, 60.0, "Tee", 0xFFFFFF), Point(23.9996, 60.004, "Green"), Point(24.0006, 60.0042, "Pin"),
               Point(24.0002, 60.0025, "Shot 1")});
    ASSERT_TRUE(view.Show());
    const QImage img = view.Frame();
    const QPointF pin = view.Screen(24.0006, 60.0042);
    EXPECT_NEAR(pin.x(), 320, 1.0);  // the view aims at the pin
    // Inner pin octagon, then the green octagon around it.
    EXPECT_TRUE(PixelIs(img, int(pin.x()) + 1, int(pin.y()) + 1, 0, 255, 0));
    const double greenRadius = 4 * view.scene.MarkerSize;
    const QPointF ring = view.Screen(24.0006 + 0.8 * greenRadius, 60.0042);
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
