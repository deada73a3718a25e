#pragma once
// An OpenGL panel drawing a hole scene the way the round window wires them,
// shown as its own window, with pixel reads from the rendered frame.
#include <QColor>
#include <QImage>
#include <QWindow>
#include <GL/glu.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <vector>

#include "rounds/Holescene.h"
#include "rounds/Markpoint.h"
#include "rounds/Topenglappanel.h"
#include "support/Testsupport.h"

constexpr int32_t GreenShapeColour = 50176;  // 0x00C400

// Where a position of the scene's ground frame (metres) lands on a panel of
// the scene's viewport (pixels, y down).
inline QPointF PanelPoint(const THoleScene& s, double x, double y) {
    double model[16], projection[16];
    s.ModelViewMatrix(model);
    s.ProjectionMatrix(projection);
    const GLint viewport[4] = {0, 0, s.ViewportWidth(), s.ViewportHeight()};
    double wx = 0, wy = 0, wz = 0;
    gluProject(x - s.CentreX, y - s.CentreY, 0, model, projection, viewport, &wx, &wy, &wz);
    return {wx, s.ViewportHeight() - wy};
}

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

// The view a hole had when its extent was taken as the hole lies, before
// the turn: the points fit and oriented, the camera set for a panel of the
// size. False where the points did not load.
inline bool ViewAsItLies(std::vector<MarkPointType> points, int width, int height, THoleScene& view) {
    view.PointCount = int(points.size());
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    if (!view.SetPoints(points.data(), view.PointCount, minX, maxX, minY, maxY)) return false;
    view.FitView(minX, maxX, minY, maxY, 1.3);
    view.OrientToTarget(points.data());
    view.UpdateCamera(width, height);
    view.CameraZ = -(view.VisibleHeight * 1.5);
    return true;
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
    QPointF ScreenOfFrame(double x, double y) const { return PanelPoint(scene, x, y); }
};

inline ::testing::AssertionResult PixelIs(const QImage& image, int x, int y, int r, int g, int b, int tolerance = 0) {
    const QColor c = image.pixelColor(x, y);
    if (std::abs(c.red() - r) <= tolerance && std::abs(c.green() - g) <= tolerance &&
        std::abs(c.blue() - b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << c.red() << ", " << c.green()
                                         << ", " << c.blue() << "), expected (" << r << ", " << g << ", " << b << ")";
}

// The panel drawn with the scene's labels alone, on the cleared ground;
// puts the panel's paint handler back.
inline QImage LabelsAlone(TOpenGLAPPanel& panel, THoleScene& scene, const MarkPointType* points) {
    const auto paint = panel.OnPaint;
    panel.OnPaint = [&](QObject*) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        double model[16];
        scene.ModelViewMatrix(model);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixd(model);
        glColor3f(0, 0, 0);
        scene.DrawLabels(points, &panel);
    };
    const QImage labels = panel.grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    panel.OnPaint = paint;
    return labels;
}

// Label pixels of a hole view that its markers erased: each pixel that the
// labels alone darken on the cleared ground must be dark in the whole
// picture too. Renders the panel twice and puts its paint handler back.
struct LabelCheck {
    int text = 0;         // pixels the labels darken
    int lost = 0;         // of them, not dark in the whole picture
    int overMarkers = 0;  // of them, beside a marker's colour
};
inline LabelCheck CheckLabelsWhole(TOpenGLAPPanel& panel, THoleScene& scene, const MarkPointType* points) {
    LabelCheck r;
    const QImage whole = panel.grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    const QImage labels = LabelsAlone(panel, scene, points);
    if (qEnvironmentVariableIsSet("HOLE_DUMP")) {
        whole.save("/tmp/holedraw-whole.png");
        labels.save("/tmp/holedraw-labels.png");
    }
    if (labels.size() != whole.size()) return r;
    const auto spread = [](QColor c) {
        return std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()});
    };
    const auto dark = [](QColor c, int limit) { return std::max({c.red(), c.green(), c.blue()}) < limit; };
    for (int y = 0; y < labels.height(); ++y)
        for (int x = 0; x < labels.width(); ++x) {
            if (!dark(labels.pixelColor(x, y), 50)) continue;
            ++r.text;
            if (!dark(whole.pixelColor(x, y), 110)) ++r.lost;
            for (int d : {-2, 2})
                if (x + d >= 0 && x + d < whole.width() && spread(whole.pixelColor(x + d, y)) > 150) ++r.overMarkers;
        }
    return r;
}


// Which label each text pixel of a labels-alone picture belongs to: the
// dark pixels, those inside no label's box (a pixel beyond it at most) and
// those inside two or more, and the pixels inside each label's box.
struct LabelOwners {
    int text = 0, stray = 0, shared = 0;
    std::vector<int> inked;
};
inline LabelOwners OwnersOf(const QImage& alone, const std::vector<THoleLabel>& labels) {
    LabelOwners r;
    r.inked.assign(labels.size(), 0);
    for (int y = 0; y < alone.height(); ++y)
        for (int x = 0; x < alone.width(); ++x) {
            const QColor c = alone.pixelColor(x, y);
            if (std::max({c.red(), c.green(), c.blue()}) >= 50) continue;
            ++r.text;
            int owners = 0;
            for (size_t i = 0; i < labels.size(); ++i)
                if (labels[i].Box.adjusted(-1, -1, 1, 1).contains(QPointF(x + 0.5, y + 0.5))) {
                    ++owners;
                    ++r.inked[i];
                }
            if (owners == 0) ++r.stray;
            if (owners > 1) ++r.shared;
        }
    return r;
}

// Pixels in a marker's own colour (hazards, lay-ups, shots, the pin) inside
// a label's box: a label moved there would hide the marker.
inline int MarkerPixelsIn(const QImage& whole, const QRectF& box) {
    int n = 0;
    const QRect r = box.toAlignedRect().intersected(whole.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            for (const QColor c : {QColor(255, 255, 0), QColor(0, 255, 255), QColor(128, 128, 0), QColor(255, 0, 0),
                                   QColor(0, 255, 0)})
                if (PixelIs(whole, x, y, c.red(), c.green(), c.blue(), 1)) ++n;
    return n;
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
