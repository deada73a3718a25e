#include "rounds/Holescene.h"

#include <QApplication>
#include <QMetaObject>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <exception>

#include "platform/Messagebox.h"
#include "rounds/Proctrls.h"
#include "rounds/Topenglappanel.h"

namespace {
std::string Upper(const std::string& s) {
    std::string u = s;
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return u;
}
bool Has(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }
bool Positioned(const MarkPointType& p) { return p.X != 0 && p.Y != 0; }
} // namespace

// A kind of marker: the words of a point's name that choose it, its half
// size (in marker sizes, or in hundredths of the visible height) and its
// fill (a negative part is the green's; a tee's square has the tee's colour).
struct TMarkerKind {
    const char* Word;
    const char* Also;  // a second word the name holds too, or null
    double Size;
    bool OfHeight;
    bool TeeSquare;
    double R, G, B;
};

namespace {
// The hazard pass and the shot pass each draw the first kind whose words a
// point's name holds; the labels keep off the same markers.
constexpr TMarkerKind HazardMarkers[] = {
    {"BUNKER", nullptr, 3, false, false, 1, 1, 0},
    {"WATER", nullptr, 3, false, false, 0, 1, 1},
    {"BUILDING", nullptr, 3, false, false, 0.5, 0.5, 0},
    {"LAY", "UP", 1, false, false, 0, 1, 0},
    {"ROUGH", nullptr, 3, false, false, -1, 0.5, -1},
};
constexpr TMarkerKind ShotMarkers[] = {
    {"SHOT", nullptr, 1, true, false, 1, 0, 0},
    {"PUTTER", nullptr, 1, true, false, 1, 0, 0},
    {"TEE", nullptr, 2, false, true, 0, 0, 0},
};
constexpr TMarkerKind PinMarker = {"PIN", nullptr, 1, true, false, 0, 1, 0};

template <size_t N> const TMarkerKind* MarkerOf(const TMarkerKind (&kinds)[N], const std::string& upper) {
    for (const TMarkerKind& k : kinds)
        if (Has(upper, k.Word) && (!k.Also || Has(upper, k.Also))) return &k;
    return nullptr;
}
} // namespace

uint32_t ColorToRGBValue(int32_t color) {
    if (color >= 0) return uint32_t(color) & 0xFFFFFF;
    QPalette::ColorRole role = QPalette::WindowText;
    switch (color & 0xFF) {
    case 1: case 2: case 3: role = QPalette::Highlight; break;          // desktop, captions
    case 4: case 15: role = QPalette::Button; break;                     // menu, button face
    case 5: role = QPalette::Base; break;                                // window
    case 7: case 8: role = QPalette::Text; break;                        // menu and window text
    case 13: role = QPalette::Highlight; break;
    case 14: role = QPalette::HighlightedText; break;
    case 16: role = QPalette::Dark; break;                               // button shadow
    case 17: return 0x808080;                                            // grey text
    case 18: role = QPalette::ButtonText; break;
    case 20: role = QPalette::Light; break;                              // button highlight
    case 21: role = QPalette::Shadow; break;                             // 3D dark shadow
    case 22: role = QPalette::Midlight; break;                           // 3D light
    case 23: role = QPalette::ToolTipText; break;
    case 24: role = QPalette::ToolTipBase; break;
    default: break;
    }
    const QColor c = QApplication::palette().color(role);
    return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

THoleScene::THoleScene()
    : CurrentStep(0.0001), BaseStep(0.0001), StepIncrement(0.0001), MarkerSize(0.00001), NearPlane(0.0001),
      FarPlane(1e7), GreenColour{0, 196.0 / 255, 0, 1}, CameraZ(-1), CentreX(0), CentreY(0), Rotation(0),
      VisibleHeight(0) {
    SetOrigin(0, 0);
    UpdateCamera(viewportWidth_, viewportHeight_);
}

// Series for the WGS-84 ellipsoid; within a hole they match the geodesic
// lengths to a few centimetres per hundred metres.
double THoleScene::MetresPerDegreeLatitude(double latitude) {
    const double phi = latitude * M_PI / 180;
    return 111132.954 - 559.822 * std::cos(2 * phi) + 1.175 * std::cos(4 * phi);
}

double THoleScene::MetresPerDegreeLongitude(double latitude) {
    const double phi = latitude * M_PI / 180;
    return 111412.84 * std::cos(phi) - 93.5 * std::cos(3 * phi) + 0.118 * std::cos(5 * phi);
}

void THoleScene::SetOrigin(double longitude, double latitude) {
    OriginX = longitude;
    OriginY = latitude;
    MetresPerDegreeX = MetresPerDegreeLongitude(latitude);
    MetresPerDegreeY = MetresPerDegreeLatitude(latitude);
}

namespace {
// Longitude difference taken the short way round.
double LongitudeDelta(double a, double b) {
    const double d = a - b;
    return std::fabs(d) > 180 ? std::remainder(d, 360.0) : d;
}
} // namespace

void THoleScene::ToFrame(double longitude, double latitude, double& x, double& y) const {
    x = LongitudeDelta(longitude, OriginX) * MetresPerDegreeX;
    y = (latitude - OriginY) * MetresPerDegreeY;
}

void THoleScene::FromFrame(double x, double y, double& longitude, double& latitude) const {
    longitude = OriginX + (MetresPerDegreeX != 0 ? x / MetresPerDegreeX : 0);
    latitude = OriginY + y / MetresPerDegreeY;
}

double THoleScene::PointDistance(double ax, double ay, double bx, double by) {
    const double dx = ax - bx, dy = ay - by;
    if (std::isnan(dx) || std::isnan(dy)) return 0;
    return std::sqrt(dx * dx + dy * dy);
}

bool THoleScene::SetPoints(MarkPointType* points, int count, double& minX, double& maxX, double& minY,
                           double& maxY) {
    if (!points || count <= 0) return false;
    // The reference: the last close neighbour of the first point with the
    // most neighbours within the stray distance.
    int best = 0;
    int reference = -1;
    for (int p = 0; p < count; ++p) {
        if (!Positioned(points[p])) continue;
        // Distances on the ground in the frame of P.
        const double kx = MetresPerDegreeLongitude(points[p].Y), ky = MetresPerDegreeLatitude(points[p].Y);
        const double closeBy = StrayDegrees * ky;
        int running = 0, lastClose = -1;
        for (int q = 0; q < count; ++q) {
            if (!Positioned(points[q])) continue;
            const double dx = LongitudeDelta(points[q].X, points[p].X) * kx, dy = (points[q].Y - points[p].Y) * ky;
            if (PointDistance(dx, dy, 0, 0) < closeBy) {
                ++running;
                lastClose = q;
            }
        }
        if (running > best) {
            best = running;
            reference = lastClose;
        }
    }
    if (reference < 0) return false;
    SetOrigin(points[reference].X, points[reference].Y);
    const double stray = StrayDegrees * MetresPerDegreeY;
    for (int i = 0; i < count; ++i) {
        if (!Positioned(points[i])) continue;
        double x, y;
        Frame(points[i], x, y);
        if (PointDistance(x, y, 0, 0) > stray) {
            points[i].X = 0;
            points[i].Y = 0;
        }
    }
    bool found = false;
    for (int i = 0; i < count; ++i) {
        const MarkPointType& p = points[i];
        if (!Positioned(p) || p.Text.empty() || Has(p.Text, "Putt(s)")) continue;
        double x, y;
        Frame(p, x, y);
        if (!found) {
            minX = maxX = x;
            minY = maxY = y;
            found = true;
            continue;
        }
        if (x < minX) minX = x;
        if (y < minY) minY = y;
        if (x > maxX) maxX = x;
        if (y > maxY) maxY = y;
    }
    return found;
}

void THoleScene::FitView(double minX, double maxX, double minY, double maxY, double margin) {
    if (std::max(maxX - minX, maxY - minY) < MinimumExtent) {  // one spot: a small view around it
        const double cx = minX + 0.5 * (maxX - minX), cy = minY + 0.5 * (maxY - minY);
        minX = cx - 0.5 * MinimumExtent;
        maxX = cx + 0.5 * MinimumExtent;
        minY = cy - 0.5 * MinimumExtent;
        maxY = cy + 0.5 * MinimumExtent;
    }
    MinX = minX;
    MaxX = maxX;
    MinY = minY;
    MaxY = maxY;
    ExtentWidth = maxX - minX;
    ExtentHeight = maxY - minY;
    CentreX = minX + 0.5 * ExtentWidth;
    CentreY = minY + 0.5 * ExtentHeight;
    if (ExtentWidth <= ExtentHeight) {
        CameraZ = -ExtentHeight * margin;
        MarkerSize = 0.01 * ExtentHeight;
    } else {
        CameraZ = -ExtentWidth * margin;
        MarkerSize = 0.01 * ExtentWidth;
    }
    Rotation = 0;
    // The step follows the width; a hole lying north-south takes the height.
    BaseStep = 0.01 * (ExtentWidth > 0 ? ExtentWidth : ExtentHeight);
    StepIncrement = BaseStep;
    CurrentStep = BaseStep;
    fitted_ = true;
}

void THoleScene::OrientToTarget(const MarkPointType* points) {
    Rotation = 0;
    if (!points) return;
    // A pin or green without position (or cleared as a stray) is no target.
    int target = -1;
    for (int i = 0; i < PointCount; ++i)
        if (Positioned(points[i]) && Has(Upper(points[i].Text), "GREEN")) target = i;
    for (int i = 0; i < PointCount; ++i)
        if (Positioned(points[i]) && Has(Upper(points[i].Text), "PIN")) target = i;
    if (target < 0) return;
    double tx, ty;
    Frame(points[target], tx, ty);
    const double dy = ty - CentreY, dx = tx - CentreX;
    Rotation = 90 - std::atan2(dy, dx) * 180 / M_PI;
    if (Rotation < 0) Rotation += 360;
}

double THoleScene::TurnedExtent(const MarkPointType* points) const {
    if (!points) return 0;
    const double a = Rotation * M_PI / 180, c = std::cos(a), s = std::sin(a);
    double reach = 0;
    for (int i = 0; i < PointCount; ++i) {
        const MarkPointType& p = points[i];
        if (!Positioned(p) || p.Text.empty() || Has(p.Text, "Putt(s)")) continue;
        double x, y;
        Frame(p, x, y);
        const double dx = x - CentreX, dy = y - CentreY;
        reach = std::max({reach, std::fabs(c * dx - s * dy), std::fabs(s * dx + c * dy)});
    }
    return 2 * reach;
}

void THoleScene::SetViewport(int width, int height) {
    viewportWidth_ = std::max(1, width);
    viewportHeight_ = std::max(1, height);
}

void THoleScene::ProjectionMatrix(double m[16]) const {
    const double aspect = double(viewportWidth_) / double(viewportHeight_);
    const double f = 1.0 / std::tan(45.0 / 2 * M_PI / 180);
    for (int i = 0; i < 16; ++i) m[i] = 0;
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (FarPlane + NearPlane) / (NearPlane - FarPlane);
    m[11] = -1;
    m[14] = 2 * FarPlane * NearPlane / (NearPlane - FarPlane);
}

void THoleScene::ModelViewMatrix(double m[16]) const {
    const double a = Rotation * M_PI / 180, c = std::cos(a), s = std::sin(a);
    for (int i = 0; i < 16; ++i) m[i] = 0;
    m[0] = c;
    m[1] = s;
    m[4] = -s;
    m[5] = c;
    m[10] = 1;
    m[14] = CameraZ;
    m[15] = 1;
}

void THoleScene::ScreenToWorld(int x, int y, double& worldX, double& worldY) const {
    double model[16], projection[16];
    ModelViewMatrix(model);
    ProjectionMatrix(projection);
    const GLint viewport[4] = {0, 0, viewportWidth_, viewportHeight_};
    double ox = 0, oy = 0, oz = 0;
    if (gluUnProject(x, viewportHeight_ - y, 0.0, model, projection, viewport, &ox, &oy, &oz) != GL_TRUE)
        ox = oy = 0;
    const double k = -CameraZ * 10000;
    worldX = ox * k + ox + CentreX;
    worldY = oy * k + oy + CentreY;
}

void THoleScene::UpdateCamera(int width, int height) {
    SetViewport(width, height);
    double ax, ay, bx, by;
    ScreenToWorld(0, 0, ax, ay);
    ScreenToWorld(0, viewportHeight_, bx, by);
    VisibleHeight = PointDistance(ax, ay, bx, by);
}

void THoleScene::UpdateCamera(TOpenGLAPPanel* panel) {
    if (panel)
        UpdateCamera(panel->PixelWidth(), panel->PixelHeight());
    else
        UpdateCamera(viewportWidth_, viewportHeight_);
}

void THoleScene::LoadHole(MarkPointType* points, int count, int width, int height) {
    PointCount = count;
    SetOrigin(0, 0);
    double minX = -0.5 * MinimumExtent, maxX = 0.5 * MinimumExtent;
    double minY = -0.5 * MinimumExtent, maxY = 0.5 * MinimumExtent;
    if (!SetPoints(points, count, minX, maxX, minY, maxY)) {
        minX = -0.5 * MinimumExtent;
        maxX = 0.5 * MinimumExtent;
        minY = -0.5 * MinimumExtent;
        maxY = 0.5 * MinimumExtent;
    }
    constexpr double margin = 1.3;
    FitView(minX, maxX, minY, maxY, margin);
    OrientToTarget(points);
    const double turned = std::max(TurnedExtent(points), MinimumExtent);
    CameraZ = -turned * margin;
    MarkerSize = 0.01 * turned;
    UpdateCamera(width, height);
    CameraZ = -(VisibleHeight * 1.5);
}

void THoleScene::LoadHole(MarkPointType* points, int count, TOpenGLAPPanel* panel) {
    LoadHole(points, count, panel ? panel->PixelWidth() : viewportWidth_,
             panel ? panel->PixelHeight() : viewportHeight_);
}

double THoleScene::NextStep() {
    CurrentStep += StepIncrement;
    return CurrentStep;
}

// Never nearer than NearestDistance, and never farther by zooming in.
void THoleScene::ZoomIn() { CameraZ = std::max(CameraZ, std::min(CameraZ + NextStep(), -NearestDistance)); }
void THoleScene::ZoomOut() { CameraZ -= NextStep(); }

void THoleScene::RotateLeft() {
    Rotation += 5;
    if (Rotation > 360) Rotation = 0;
}

void THoleScene::RotateRight() {
    Rotation -= 5;
    if (Rotation < -360) Rotation = 0;
}

void THoleScene::ScrollFactors(double a, double& s, double& c) {
    s = a / 180;
    if (a > 90) s = (180 - a) / 180;
    if (a < -90) s = -(180 + a) / 180;
    if (a > 270) s = -(360 - a) / 180;
    if (a < -270) s = (360 + a) / 180;
    const int m = std::abs(int(a));
    c = (m - 90) / 180.0;
    if (m > 180) c = (270 - m) / 180.0;
}

void THoleScene::ScrollLeft() {
    double s, c;
    ScrollFactors(Rotation, s, c);
    CentreX += NextStep() * c;
    CentreY += NextStep() * s;
}

void THoleScene::ScrollRight() {
    double s, c;
    ScrollFactors(Rotation, s, c);
    CentreX -= NextStep() * c;
    CentreY -= NextStep() * s;
}

void THoleScene::ScrollUp() {
    double s, c;
    ScrollFactors(Rotation, s, c);
    CentreY -= NextStep() * c;
    CentreX += NextStep() * s;
}

void THoleScene::ScrollDown() {
    double s, c;
    ScrollFactors(Rotation, s, c);
    CentreY += NextStep() * c;
    CentreX -= NextStep() * s;
}

// ---------------------------------------------------------------------------
// The panel's handlers

void THoleScene::InitConstants(int32_t greenColor) {
    NearPlane = 0.0001;
    FarPlane = 1e7;
    Dragging = false;
    if (!fitted_) {  // a hole loaded before the context keeps its steps
        StepIncrement = 0.0001;
        BaseStep = NearPlane;
        SetCurrentStep(BaseStep);
    }
    const uint32_t rgb = ColorToRGBValue(greenColor);
    GreenColour[0] = (rgb & 0xFF) * (1.0 / 255);
    GreenColour[1] = ((rgb >> 8) & 0xFF) * (1.0 / 255);
    GreenColour[2] = ((rgb >> 16) & 0xFF) * (1.0 / 255);
    GreenColour[3] = 1.0;
}

void THoleScene::InitGL(int32_t greenColor) {
    glShadeModel(GL_SMOOTH);
    // Opaque, so the composed widget never shows what lies behind it.
    glClearColor(0.5f, 0.9f, 0.5f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    InitConstants(greenColor);
}

void THoleScene::ResizeGL(int width, int height) {
    SetViewport(width, height);
    glViewport(0, 0, viewportWidth_, viewportHeight_);
    double projection[16];
    ProjectionMatrix(projection);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void THoleScene::PaintGL(TOpenGLAPPanel* panel, const MarkPointType* points) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    double model[16];
    ModelViewMatrix(model);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(model);
    if (!points) return;
    DrawHazards(points);
    DrawGreen(points);
    DrawShotMarkers(points);
    DrawShotLine(points);
    DrawLabels(points, panel);
}

void THoleScene::PaintGuarded(TOpenGLAPPanel* panel, const MarkPointType* points) {
    GuardPaint([&] { PaintGL(panel, points); }, panel);
}

void THoleScene::GuardPaint(const std::function<void()>& paint, QObject* context) {
    std::string text;
    try {
        paint();
        return;
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "Unknown error";
    }
    // Never a modal box inside the paint: the message runs afterwards, once.
    if (paintErrorReported_) return;
    paintErrorReported_ = true;
    const std::string message = "TCourseForm::OpenGLPanel1Paint" + text;
    QMetaObject::invokeMethod(context ? context : qApp, [message] { ShowMessage(message); }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------
// Mouse

void THoleScene::MouseDown(Qt::MouseButton button, int x, int y) {
    LastMouseX = x;
    LastMouseY = y;
    DragButton = button;
    Dragging = true;
}

void THoleScene::MouseUp(int x, int y) {
    LastMouseX = x;
    LastMouseY = y;
    Dragging = false;
}

bool THoleScene::MouseMove(int x, int y, int width, int height) {
    if (x < 10 || x > width - 30 || y < 10 || y > height - 10) Dragging = false;
    if (!Dragging) return false;
    SetViewport(width, height);
    if (DragButton != Qt::LeftButton) {
        SetCurrentStep(BaseStep);
        if (y > LastMouseY)
            ZoomOut();
        else if (y < LastMouseY)
            ZoomIn();
    } else {
        double ax, ay, bx, by;
        ScreenToWorld(x, y, ax, ay);
        ScreenToWorld(LastMouseX, LastMouseY, bx, by);
        CentreX -= ax - bx;
        CentreY -= ay - by;
    }
    LastMouseX = x;
    LastMouseY = y;
    UpdateCamera(width, height);
    return true;
}

// ---------------------------------------------------------------------------
// Drawing

void THoleScene::DrawOctagon(double x, double y, double h, double r, double g, double b) {
    const double px = x - CentreX, py = y - CentreY;
    const double offsets[8][2] = {{0, -1.5}, {-1, -1}, {-1.5, 0}, {-1, 1}, {0, 1.5}, {1, 1}, {1.5, 0}, {1, -1}};
    glColor3f(float(r), float(g), float(b));
    glBegin(GL_TRIANGLE_FAN);
    for (const auto& o : offsets) glVertex2f(float(px + o[0] * h), float(py + o[1] * h));
    glEnd();
    glColor3f(0, 0, 0);
    glBegin(GL_LINE_STRIP);
    for (const auto& o : offsets) glVertex2f(float(px + o[0] * h), float(py + o[1] * h));
    glVertex2f(float(px + offsets[0][0] * h), float(py + offsets[0][1] * h));
    glEnd();
}

void THoleScene::DrawSquare(double x, double y, double h, double r, double g, double b) {
    const double px = x - CentreX, py = y - CentreY;
    const double corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    glColor3f(float(r), float(g), float(b));
    glBegin(GL_QUADS);
    for (const auto& c : corners) glVertex2f(float(px + c[0] * h), float(py + c[1] * h));
    glEnd();
    glColor3f(0, 0, 0);
    glBegin(GL_LINE_STRIP);
    for (const auto& c : corners) glVertex2f(float(px + c[0] * h), float(py + c[1] * h));
    glVertex2f(float(px + corners[0][0] * h), float(py + corners[0][1] * h));
    glEnd();
}

void THoleScene::DrawLine(double ax, double ay, double bx, double by, double r, double g, double b) {
    glColor3f(float(r), float(g), float(b));
    glBegin(GL_LINES);
    glVertex2f(float(ax - CentreX), float(ay - CentreY));
    glVertex2f(float(bx - CentreX), float(by - CentreY));
    glEnd();
}

double THoleScene::MarkerHalf(const TMarkerKind& kind) const {
    return kind.Size * (kind.OfHeight ? 0.01 * VisibleHeight : MarkerSize);
}

void THoleScene::DrawMarker(const MarkPointType& p, const TMarkerKind& kind) {
    double x, y;
    Frame(p, x, y);
    if (kind.TeeSquare) {
        const uint32_t rgb = ColorToRGBValue(p.Color);
        DrawSquare(x, y, MarkerHalf(kind), (rgb & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                   ((rgb >> 16) & 0xFF) / 255.0);
    } else {
        DrawOctagon(x, y, MarkerHalf(kind), kind.R < 0 ? GreenColour[0] : kind.R,
                    kind.G < 0 ? GreenColour[1] : kind.G, kind.B < 0 ? GreenColour[2] : kind.B);
    }
}

void THoleScene::DrawHazards(const MarkPointType* points) {
    for (int i = 0; i < PointCount; ++i)
        if (Positioned(points[i]))
            if (const TMarkerKind* kind = MarkerOf(HazardMarkers, Upper(points[i].Text)))
                DrawMarker(points[i], *kind);
}

void THoleScene::DrawGreen(const MarkPointType* points) {
    int pin = -1, green = -1;
    for (int i = 0; i < PointCount; ++i) {
        if (!Positioned(points[i])) continue;
        const std::string t = Upper(points[i].Text);
        if (Has(t, "PIN")) pin = i;
        if (Has(t, "GREEN")) green = i;
    }
    double x, y;
    if (pin >= 0) {
        Frame(points[pin], x, y);
        DrawOctagon(x, y, 4 * MarkerSize, GreenColour[0], GreenColour[1], GreenColour[2]);
        DrawPinMarker(points);
    } else if (green >= 0) {
        Frame(points[green], x, y);
        DrawOctagon(x, y, 4 * MarkerSize, GreenColour[0], GreenColour[1], GreenColour[2]);
    }
}

void THoleScene::DrawPinMarker(const MarkPointType* points) {
    int pin = -1;
    for (int i = 0; i < PointCount; ++i)
        if (Positioned(points[i]) && Has(Upper(points[i].Text), PinMarker.Word)) pin = i;
    if (pin >= 0) DrawMarker(points[pin], PinMarker);
}

void THoleScene::DrawShotMarkers(const MarkPointType* points) {
    bool shots = false;
    for (int i = 0; i < PointCount; ++i) {
        if (!Positioned(points[i])) continue;
        if (const TMarkerKind* kind = MarkerOf(ShotMarkers, Upper(points[i].Text))) {
            DrawMarker(points[i], *kind);
            shots = shots || !kind->TeeSquare;
        }
    }
    // A putt a metre from the pin would cover the pin's marker: it stays on top.
    if (shots) DrawPinMarker(points);
}

void THoleScene::DrawShotLine(const MarkPointType* points) {
    int last = -1, pin = -1, green = -1;
    bool shots = false;
    glColor3f(0, 0, 0);
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < PointCount; ++i) {
        const MarkPointType& p = points[i];
        if (!Positioned(p)) continue;
        const std::string t = Upper(p.Text);
        if (t.rfind("TEE", 0) == 0 || Has(t, "SHOT") || Has(t, "PUTTER")) {
            double x, y;
            Frame(p, x, y);
            glVertex2f(float(x - CentreX), float(y - CentreY));
            last = i;
        } else if (Has(t, "PIN")) {
            pin = i;
        } else if (Has(t, "GREEN")) {
            green = i;
        }
        if (Has(t, "SHOT")) shots = true;
    }
    glEnd();
    const int target = pin >= 0 ? pin : green;
    if (last >= 0 && target >= 0 && shots) {
        double ax, ay, bx, by;
        Frame(points[last], ax, ay);
        Frame(points[target], bx, by);
        DrawLine(ax, ay, bx, by, 0, 0, 0);
    }
}

std::vector<QPointF> SeparateLabels(const std::vector<QRectF>& boxes, double gap, const std::vector<QRectF>& markers) {
    const auto clash = [gap](const QRectF& a, const QRectF& b) {
        return a.left() < b.right() + gap && b.left() < a.right() + gap && a.top() < b.bottom() + gap &&
               b.top() < a.bottom() + gap;
    };
    // A hair beyond the gap, so that a moved label never clashes by rounding.
    const double clear = gap + 1e-6;
    std::vector<QRectF> placed;
    std::vector<QPointF> out;
    for (const QRectF& box : boxes) {
        QRectF at = box;
        const auto clashes = [&](const QRectF& r) {
            return std::any_of(placed.begin(), placed.end(), [&](const QRectF& p) { return !p.isEmpty() && clash(r, p); });
        };
        if (!box.isEmpty() && clashes(box)) {
            // Just above or just below one of the labels placed before or a marker.
            const auto onMarker = [&](const QRectF& r) {
                return std::any_of(markers.begin(), markers.end(), [&](const QRectF& m) { return clash(r, m); });
            };
            std::vector<double> moves;
            const auto around = [&](const std::vector<QRectF>& obstacles) {
                for (const QRectF& p : obstacles) {
                    if (p.isEmpty()) continue;
                    moves.push_back(p.top() - clear - box.bottom());
                    moves.push_back(p.bottom() + clear - box.top());
                }
            };
            around(placed);
            around(markers);
            std::stable_sort(moves.begin(), moves.end(),
                             [](double a, double b) { return std::fabs(a) < std::fabs(b); });
            for (double dy : moves)
                if (!clashes(box.translated(0, dy)) && !onMarker(box.translated(0, dy))) {
                    at = box.translated(0, dy);
                    break;
                }
        }
        placed.push_back(at);
        out.push_back(at.topLeft());
    }
    return out;
}

namespace {
// Where the letters of a text lie, in font units from the pen's start on the
// baseline (y up); false when the text cannot be drawn.
bool TextExtent(const OpenGLAPFont3D* font, const std::string& text, double& left, double& right, double& bottom,
                double& top) {
    if (!font || text.empty() || !TextInFontRange(font->FirstGlyph, font->NumGlyph, text)) return false;
    bool any = false;
    double pen = 0;
    for (const char ch : text) {
        const int64_t index = int64_t(static_cast<unsigned char>(ch)) - font->FirstGlyph;
        if (index < 0 || index >= int64_t(font->Metrics.size())) return false;
        const TGlyphMetricsFloat& m = font->Metrics[size_t(index)];
        if (m.gmfBlackBoxX > 0 && m.gmfBlackBoxY > 0) {
            const double l = pen + m.gmfptGlyphOriginX, r = l + m.gmfBlackBoxX;
            const double t = m.gmfptGlyphOriginY, b = t - m.gmfBlackBoxY;
            if (!any) {
                left = l;
                right = r;
                top = t;
                bottom = b;
                any = true;
            }
            left = std::min(left, l);
            right = std::max(right, r);
            top = std::max(top, t);
            bottom = std::min(bottom, b);
        }
        pen += m.gmfCellIncX;
    }
    return any;
}
} // namespace

QPointF THoleScene::PanelPoint(double x, double y) const {
    const double a = Rotation * M_PI / 180, c = std::cos(a), s = std::sin(a);
    const double dx = x - CentreX, dy = y - CentreY;
    const double ppm = PixelsPerMetre();
    return {0.5 * viewportWidth_ + (c * dx - s * dy) * ppm, 0.5 * viewportHeight_ - (s * dx + c * dy) * ppm};
}

double THoleScene::PixelsPerMetre() const {
    // The projection's focal factor over the camera's distance, half a viewport high.
    if (CameraZ >= 0) return 0;
    const double f = 1.0 / std::tan(45.0 / 2 * M_PI / 180);
    return f * 0.5 * viewportHeight_ / -CameraZ;
}

std::vector<QRectF> THoleScene::MarkerBoxes(const MarkPointType* points) const {
    std::vector<QRectF> boxes;
    const double ppm = PixelsPerMetre();
    if (!points || ppm <= 0) return boxes;
    const auto add = [&](const MarkPointType& p, double half) {
        double x, y;
        Frame(p, x, y);
        const QPointF at = PanelPoint(x, y);
        const double r = 1.5 * half * ppm;  // an octagon's reach, or a turned square's
        boxes.emplace_back(at.x() - r, at.y() - r, 2 * r, 2 * r);
    };
    int pin = -1;
    for (int i = 0; i < PointCount; ++i) {
        const MarkPointType& p = points[i];
        if (!Positioned(p)) continue;
        const std::string t = Upper(p.Text);
        for (const TMarkerKind* kind : {MarkerOf(HazardMarkers, t), MarkerOf(ShotMarkers, t)})
            if (kind) add(p, MarkerHalf(*kind));
        if (Has(t, PinMarker.Word)) pin = i;
    }
    if (pin >= 0) add(points[pin], MarkerHalf(PinMarker));
    return boxes;
}

double THoleScene::LabelOffset(const std::string& text, double width) {
    const std::string t = Upper(text);
    if (Has(t, "TEE")) return 0.5 * width;
    if (Has(t, "SHOT") || Has(t, "PUTT(S)")) return 0.2 * width;
    return -width;
}

std::vector<THoleLabel> THoleScene::PlaceLabels(const MarkPointType* points, const TOpenGLAPPanel* panel) const {
    std::vector<THoleLabel> labels;
    if (!points) return labels;
    const auto add = [&labels](const std::string& text, double x, double y) {
        if (!text.empty()) labels.push_back({text, x, y, QRectF(), 0});
    };
    std::string puttLabel;
    bool hasGreen = false, hasPin = false, hasShots = false;
    int target = -1, previous = -1;
    for (int i = 0; i < PointCount; ++i) {
        const MarkPointType& p = points[i];
        const std::string t = Upper(p.Text);
        if (Has(t, "PUTT(S)")) puttLabel = p.Text;
        if (!Positioned(p)) continue;
        if (Has(t, "GREEN")) hasGreen = true;
        if (Has(t, "PIN")) hasPin = true;
        if (Has(t, "SHOT")) hasShots = true;
        if (Has(t, "PIN") || Has(t, "GREEN")) target = i;
        double x, y, px, py;
        Frame(p, x, y);
        if (previous >= 0 && Has(t, "SHOT")) {
            Frame(points[previous], px, py);
            add(p.Text, (px + x) / 2, (py + y) / 2);
        } else if (!Has(t, "PUTT(S)") && !Has(t, "GREEN")) {
            add(p.Text, x, y);
        }
        if (Has(t, "TEE") || Has(t, "SHOT")) previous = i;
    }
    if (target >= 0 && (hasGreen || hasPin)) {
        double tx, ty;
        Frame(points[target], tx, ty);
        if (hasShots && previous >= 0) {
            double px, py;
            Frame(points[previous], px, py);
            add(puttLabel, (px + tx) / 2, (py + ty) / 2);
        }
        if (hasGreen && !hasPin) add("Green", tx, ty);
    }
    // Boxes on the panel: the font's em is a twentieth of the visible height.
    const OpenGLAPFont3D* font = panel ? panel->Font3D() : nullptr;
    const double em = 0.05 * VisibleHeight * PixelsPerMetre();
    std::vector<QRectF> boxes;
    for (THoleLabel& label : labels) {
        double size[3] = {0, 0, 0}, left = 0, right = 0, bottom = 0, top = 0;
        Get3DTextSizeOf(font, label.Text, size);
        label.Offset = LabelOffset(label.Text, size[0]);
        if (em > 0 && TextExtent(font, label.Text, left, right, bottom, top)) {
            const QPointF at = PanelPoint(label.X, label.Y);
            label.Box = QRectF(QPointF(at.x() + (label.Offset + left) * em, at.y() - top * em),
                               QPointF(at.x() + (label.Offset + right) * em, at.y() - bottom * em));
        }
        boxes.push_back(label.Box);
    }
    const std::vector<QPointF> moved = SeparateLabels(boxes, LabelGap * em, MarkerBoxes(points));
    for (size_t i = 0; i < labels.size(); ++i) {
        labels[i].Shift = moved[i].y() - boxes[i].top();
        labels[i].Box.moveTopLeft(moved[i]);
    }
    return labels;
}

void THoleScene::DrawLabels(const MarkPointType* points, TOpenGLAPPanel* panel) {
    // Labels lie at the markers' depth: drawn with the depth test off, the
    // markers under them cannot eat their strokes.
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    struct Restore {
        ~Restore() { glPopAttrib(); }
    } restore;
    for (const THoleLabel& label : PlaceLabels(points, panel)) DrawLabel(label, panel);
}

void THoleScene::DrawLabel(const THoleLabel& label, TOpenGLAPPanel* panel) {
    if (!panel || label.Text.empty()) return;
    glPushMatrix();
    glTranslated(label.X - CentreX, label.Y - CentreY, 0);
    glRotated(-Rotation, 0, 0, 1);
    // Moved down the screen by shift pixels (up when negative).
    if (label.Shift != 0 && PixelsPerMetre() > 0) glTranslated(0, -label.Shift / PixelsPerMetre(), 0);
    const double scale = 0.05 * VisibleHeight;
    glScaled(scale, scale, scale);
    glTranslated(label.Offset, 0, 0);
    panel->Draw3DText(label.Text);
    glPopMatrix();
}

// ---------------------------------------------------------------------------
// The view's controls

QPixmap HoleViewGlyph(int kind) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (kind == 0 || kind == 1) {
        // A magnifying glass with a plus or a minus sign.
        p.setPen(QPen(QColor(40, 40, 40), 1.5));
        p.setBrush(QColor(210, 230, 250));
        p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
        p.setPen(QPen(QColor(90, 60, 20), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14.5));
        p.setPen(QPen(Qt::black, 1.5));
        p.drawLine(QPointF(3.5, 6), QPointF(8.5, 6));
        if (kind == 0) p.drawLine(QPointF(6, 3.5), QPointF(6, 8.5));
    } else {
        // An arrow curving to the left or to the right.
        const bool left = kind == 2;
        QPainterPath arc;
        arc.arcMoveTo(QRectF(2.5, 3.5, 11, 11), left ? 0 : 180);
        arc.arcTo(QRectF(2.5, 3.5, 11, 11), left ? 0 : 180, left ? 150 : -150);
        p.setPen(QPen(QColor(30, 90, 170), 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(arc);
        const QPointF tip = arc.currentPosition();
        QPolygonF head;
        const double dx = left ? 1 : -1;
        head << tip + QPointF(-3 * dx, -3) << tip + QPointF(3 * dx, 0) << tip + QPointF(-3 * dx, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 90, 170));
        p.drawPolygon(head);
    }
    return pm;
}

THoleViewControls CreateHoleViewControls(QWidget* groupBox) {
    THoleViewControls v;
    v.OpenGLAPPanel1 = new TOpenGLAPPanel(groupBox);
    v.OpenGLAPPanel1->setObjectName("OpenGLAPPanel1");
    v.OpenGLAPPanel1->setAccessibleName("Hole view");
    v.OpenGLAPPanel1->setGeometry(2, 8, 318, 281);
    v.OpenGLAPPanel1->Font3D_Enabled = true;
    v.OpenGLAPPanel1->Font2D_Enabled = true;
    v.OpenGLAPPanel1->setEnabled(false);
    v.OpenGLAPPanel1->setVisible(false);

    v.OpenGLToolBar = new TProPanel(v.OpenGLAPPanel1);
    v.OpenGLToolBar->setObjectName("OpenGLToolBar");
    v.OpenGLToolBar->setAccessibleName("View tools");
    v.OpenGLToolBar->setGeometry(293, 0, 24, 138);
    auto button = [&](const char* name, const char* accessible, int kind, int top) {
        auto* b = new TProSpeedButton(v.OpenGLToolBar);
        b->setObjectName(name);
        b->setAccessibleName(accessible);
        b->setIcon(HoleViewGlyph(kind));
        b->setIconSize(QSize(16, 16));
        b->setGeometry(0, top, 24, 24);
        b->SetRepeatEnabled(true);
        return b;
    };
    v.ToolbtnZoomIN = button("ToolbtnZoomIN", "Zoom in", 0, 0);
    v.ToolbtnZoomOUT = button("ToolbtnZoomOUT", "Zoom out", 1, 24);
    v.ScrollVertical = new TUpDown(udVertical, v.OpenGLToolBar);
    v.ScrollHorizonal = new TUpDown(udHorizontal, v.OpenGLToolBar);
    v.ScrollVertical->setObjectName("ScrollVertical");
    v.ScrollVertical->setAccessibleName("Scroll up or down");
    v.ScrollVertical->setGeometry(0, 48, 24, 24);
    v.ScrollHorizonal->setObjectName("ScrollHorizonal");
    v.ScrollHorizonal->setAccessibleName("Scroll left or right");
    v.ScrollHorizonal->setGeometry(0, 72, 24, 17);
    for (TUpDown* u : {v.ScrollVertical, v.ScrollHorizonal}) {
        u->Min = 0;
        u->Max = 1000;
        u->Position = 500;
        u->Wrap = false;
        u->setToolTip("Scroll");
    }
    v.ToolbtnRotLeft = button("ToolbtnRotLeft", "Rotate left", 2, 90);
    v.ToolbtnRotRight = button("ToolbtnRotRight", "Rotate right", 3, 114);
    v.OpenGLToolBar->setEnabled(false);
    v.OpenGLToolBar->setVisible(false);
    return v;
}
