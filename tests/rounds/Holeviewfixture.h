#pragma once
// An OpenGL panel drawing a hole scene the way the round window wires them,
// shown as its own window, with pixel reads from the rendered frame.
#include <QColor>
#include <QImage>
#include <QWindow>
#include <GL/glu.h>
#include <gtest/gtest.h>
#include <cmath>
#include <vector>

#include "rounds/Holescene.h"
#include "rounds/Markpoint.h"
#include "rounds/Topenglappanel.h"
#include "support/Testsupport.h"

constexpr int32_t GreenShapeColour = 50176;  // 0x00C400

inline MarkPointType Point(double x, double y, const std::string& text, int32_t color = 0) {
    MarkPointType p;
    p.X = x;
    p.Y = y;
    p.Text = text;
    p.Color = color;
    return p;
}

// The scene A: a tee, a green, a bunker and one shot.
inline std::vector<MarkPointType> SceneA() {
    return {Point(24.0, 60.0, "Tee", 0xFF0000), Point(24.0, 60.004, "Green"), Point(24.001, 60.002, "Bunker"),
            Point(24.0002, 60.0025, "Shot 1")};
}

struct HoleView {
    TOpenGLAPPanel panel;
    THoleScene scene;
    std::vector<MarkPointType> points;
    bool havePoints = false;

    HoleView(int w, int h) {
        panel.Font3D_Enabled = true;
        panel.OnInit = [this](QObject*) { scene.InitGL(GreenShapeColour); };
        panel.OnResize = [this](QObject*) { scene.ResizeGL(panel.PixelWidth(), panel.PixelHeight()); };
        panel.OnPaint = [this](QObject*) { scene.PaintGuarded(&panel, havePoints ? points.data() : nullptr); };
        panel.resize(w, h);
    }
    void Load(std::vector<MarkPointType> p) {
        points = std::move(p);
        havePoints = true;
        scene.LoadHole(points.data(), int(points.size()), &panel);
    }
    bool Show() {
        panel.show();
        return WaitFor([&] { return panel.windowHandle() && panel.windowHandle()->isExposed(); }, 5000);
    }
    // The rendered frame; with HOLE_DUMP set it is also saved as
    // /tmp/holedraw-<n>.png to be looked at.
    QImage Frame() {
        QImage image = panel.grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        static int dumps = 0;
        if (qEnvironmentVariableIsSet("HOLE_DUMP")) image.save(QString("/tmp/holedraw-%1.png").arg(++dumps));
        return image;
    }
    // Where a stored position (degrees) lands on the panel (pixels, y down).
    QPointF Screen(double longitude, double latitude) const {
        double x, y;
        scene.ToFrame(longitude, latitude, x, y);
        return ScreenOfFrame(x, y);
    }
    // The same for a position in the scene's ground frame (metres).
    QPointF ScreenOfFrame(double x, double y) const {
        double model[16], projection[16];
        scene.ModelViewMatrix(model);
        scene.ProjectionMatrix(projection);
        const GLint viewport[4] = {0, 0, scene.ViewportWidth(), scene.ViewportHeight()};
        double wx = 0, wy = 0, wz = 0;
        gluProject(x - scene.CentreX, y - scene.CentreY, 0, model, projection, viewport, &wx, &wy, &wz);
        return {wx, scene.ViewportHeight() - wy};
    }
};

inline ::testing::AssertionResult PixelIs(const QImage& image, int x, int y, int r, int g, int b, int tolerance = 0) {
    const QColor c = image.pixelColor(x, y);
    if (std::abs(c.red() - r) <= tolerance && std::abs(c.green() - g) <= tolerance &&
        std::abs(c.blue() - b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << c.red() << ", " << c.green()
                                         << ", " << c.blue() << "), expected (" << r << ", " << g << ", " << b << ")";
}

inline ::testing::AssertionResult IsClearColour(const QImage& image, int x, int y) {
    return PixelIs(image, x, y, 128, 230, 128, 1);
}

// Mesa unloads its driver when the display closes at exit, so the few bytes
// the driver never frees would show up from an unknown module, past the
// sanitizer's suppressions. Keeping the driver mapped lets them match.
#include <dlfcn.h>
inline const bool MesaDriverPinned = [] {
    for (const char* name : {"swrast_dri.so", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"})
        if (dlopen(name, RTLD_LAZY | RTLD_NODELETE)) return true;
    return false;
}();
