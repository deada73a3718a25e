#pragma once
// The hole scene: course points and shots of one hole drawn as markers, the
// shot line and labels. Stored positions in degrees (longitude, latitude) are
// drawn in a local ground frame: metres east (x) and north (y) of the hole's
// reference point, so a distance is the same length whichever way it points.
// Centre, extent, steps and everything ScreenToWorld gives are in that frame.
// The camera (centre, distance, rotation) and the navigation step live here too.
//
// Projection and model view are built on the CPU exactly as the paint loads
// them, so ScreenToWorld and UpdateCamera read nothing back from OpenGL and a
// hole can be loaded before the panel's context exists. The drawing passes
// need the panel's context to be current (they run inside its paint).
#include <QPointF>
#include <QRectF>
#include <Qt>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "rounds/Markpoint.h"

class QObject;
class QPixmap;
class QWidget;
class TOpenGLAPPanel;
struct TMarkerKind;
class TProPanel;
class TProSpeedButton;
class TUpDown;

// 0x00BBGGRR of a colour value; system colours (high bit set) are resolved
// from the application palette.
uint32_t ColorToRGBValue(int32_t color);

// Labels as panel rectangles (pixels, y down) in drawing order. A label that
// would overlap one placed before it moves up or down by the least distance
// that clears every label placed before it and every marker, gap pixels
// apart; an empty rectangle stays and clears nothing. A label that overlaps
// no label stays where it is. Returns each label's top-left corner.
std::vector<QPointF> SeparateLabels(const std::vector<QRectF>& boxes, double gap,
                                    const std::vector<QRectF>& markers = {});

// A label of the hole view as drawn: its text, the ground-frame point it is
// placed by, and where its letters lie on the panel (pixels, y down; empty
// when the text cannot be drawn), Shift pixels below (negative: above) the
// place the point gives it.
struct THoleLabel {
    std::string Text;
    double X = 0, Y = 0;
    QRectF Box;
    double Shift = 0;
    double Offset = 0;  // along the baseline, in font units, where the text starts
};

class THoleScene {
public:
    // Points all on one spot are shown with at least this extent (metres).
    static constexpr double MinimumExtent = 50;
    // Points farther than this from the reference point are strays: 0.01
    // degree of latitude on the ground (about 1.1 km), in every direction.
    static constexpr double StrayDegrees = 0.01;
    // Zooming in stops this far above the ground (metres): about 25 m of the
    // hole seen from top to bottom, a green with its putts; nearer, the view
    // holds only grass, and soon the scene would lie behind the camera.
    static constexpr double NearestDistance = 30;

    THoleScene();

    double CurrentStep;
    double BaseStep;
    double StepIncrement;
    double MarkerSize;
    double NearPlane;
    double FarPlane;
    double GreenColour[4];
    int32_t PointCount = 0;
    int32_t LastMouseX = 0, LastMouseY = 0;
    bool Dragging = false;
    Qt::MouseButton DragButton = Qt::NoButton;
    double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
    double ExtentWidth = 0, ExtentHeight = 0;
    double CameraZ;
    double CentreX, CentreY;
    double Rotation;
    double VisibleHeight;

    // The ground frame: its origin (degrees) and metres per degree there.
    double OriginX = 0, OriginY = 0;
    double MetresPerDegreeX = 0, MetresPerDegreeY = 0;
    void SetOrigin(double longitude, double latitude);
    static double MetresPerDegreeLatitude(double latitude);
    static double MetresPerDegreeLongitude(double latitude);
    // A stored position in the frame, and back.
    void ToFrame(double longitude, double latitude, double& x, double& y) const;
    void FromFrame(double x, double y, double& longitude, double& latitude) const;

    // Clears strays (farther than StrayDegrees of latitude from the densest
    // spot, on the ground), sets the frame's origin at the reference point and
    // gives the extent of the named points in the frame; false (outputs
    // untouched) when none has one.
    bool SetPoints(MarkPointType* points, int count, double& minX, double& maxX, double& minY, double& maxY);
    void FitView(double minX, double maxX, double minY, double maxY, double margin);
    void OrientToTarget(const MarkPointType* points);
    // The extent of the named points as the view shows them after the turn:
    // twice their farthest reach from the view centre across or up the
    // screen; 0 when none has a position.
    double TurnedExtent(const MarkPointType* points) const;
    void UpdateCamera(TOpenGLAPPanel* panel);
    void UpdateCamera(int width, int height);
    void ScreenToWorld(int x, int y, double& worldX, double& worldY) const;
    // The whole loading of a hole: points, fit, orientation, camera. The
    // camera and the marker size are fitted to the points as turned, so a
    // hole lying across the compass keeps its ends on the screen. A hole
    // without a positioned named point gets a small view around (0, 0).
    void LoadHole(MarkPointType* points, int count, int width, int height);
    void LoadHole(MarkPointType* points, int count, TOpenGLAPPanel* panel);

    void SetCurrentStep(double value) { CurrentStep = value; }
    double NextStep();
    void ZoomIn();
    void ZoomOut();
    void ScrollLeft();
    void ScrollRight();
    void ScrollUp();
    void ScrollDown();
    void RotateLeft();
    void RotateRight();
    static void ScrollFactors(double angle, double& s, double& c);
    static double PointDistance(double ax, double ay, double bx, double by);

    // The camera as OpenGL matrices (column-major), and the viewport they use.
    void ProjectionMatrix(double m[16]) const;
    void ModelViewMatrix(double m[16]) const;
    void SetViewport(int width, int height);
    int ViewportWidth() const { return viewportWidth_; }
    int ViewportHeight() const { return viewportHeight_; }

    // The panel's handlers: state and constants when the context is ready
    // (steps set by a loaded hole stay), viewport and projection, drawing.
    void InitGL(int32_t greenColor);
    void InitConstants(int32_t greenColor);
    void ResizeGL(int width, int height);
    void PaintGL(TOpenGLAPPanel* panel, const MarkPointType* points);
    // PaintGL with its exceptions caught: the first one is reported once,
    // in a message box posted to run after the paint.
    void PaintGuarded(TOpenGLAPPanel* panel, const MarkPointType* points);
    // Runs a paint step; its first exception is reported as PaintGuarded does.
    void GuardPaint(const std::function<void()>& paint, QObject* context);
    bool PaintErrorReported() const { return paintErrorReported_; }

    // Mouse navigation (device pixels). MouseMove returns true when the view
    // was moved and the camera updated; the caller repaints.
    void MouseDown(Qt::MouseButton button, int x, int y);
    void MouseUp(int x, int y);
    bool MouseMove(int x, int y, int width, int height);

    // Drawing passes.
    void DrawHazards(const MarkPointType* points);
    void DrawGreen(const MarkPointType* points);
    void DrawShotMarkers(const MarkPointType* points);
    void DrawShotLine(const MarkPointType* points);
    void DrawLabels(const MarkPointType* points, TOpenGLAPPanel* panel);
    // The labels DrawLabels draws, in its order, measured with the panel's
    // font and moved clear of one another (SeparateLabels).
    std::vector<THoleLabel> PlaceLabels(const MarkPointType* points, const TOpenGLAPPanel* panel) const;
    // Labels lie this far apart at least, in ems of their font: a word space.
    static constexpr double LabelGap = 0.25;

private:
    void Frame(const MarkPointType& p, double& x, double& y) const { ToFrame(p.X, p.Y, x, y); }
    void DrawOctagon(double x, double y, double h, double r, double g, double b);
    void DrawSquare(double x, double y, double h, double r, double g, double b);
    void DrawLine(double ax, double ay, double bx, double by, double r, double g, double b);
    void DrawPinMarker(const MarkPointType* points);
    // A point's marker of this kind, and its half size on the ground.
    void DrawMarker(const MarkPointType& p, const TMarkerKind& kind);
    double MarkerHalf(const TMarkerKind& kind) const;
    void DrawLabel(const THoleLabel& label, TOpenGLAPPanel* panel);
    // Where a ground-frame point lands on the panel (pixels, y down), and
    // panel pixels per metre on the ground.
    QPointF PanelPoint(double x, double y) const;
    double PixelsPerMetre() const;
    // Where the markers lie on the panel (pixels, y down): hazards, lay-ups,
    // tees, shots and the pin. The green is not one: putts lie on it.
    std::vector<QRectF> MarkerBoxes(const MarkPointType* points) const;
    // Offset of a label's text from its point, in font units, by its kind.
    static double LabelOffset(const std::string& text, double width);

    int viewportWidth_ = 318;
    int viewportHeight_ = 281;
    bool fitted_ = false;
    bool paintErrorReported_ = false;
};

// The hole view's controls: the OpenGL panel (318 x 281 at (2, 8) of its
// group box, hidden and disabled until the window shows it) and, on its right
// edge, the tool bar with zoom, scroll and rotate controls. Handlers are the
// caller's to bind.
struct THoleViewControls {
    TOpenGLAPPanel* OpenGLAPPanel1 = nullptr;
    TProPanel* OpenGLToolBar = nullptr;
    TProSpeedButton* ToolbtnZoomIN = nullptr;
    TProSpeedButton* ToolbtnZoomOUT = nullptr;
    TUpDown* ScrollVertical = nullptr;
    TUpDown* ScrollHorizonal = nullptr;
    TProSpeedButton* ToolbtnRotLeft = nullptr;
    TProSpeedButton* ToolbtnRotRight = nullptr;
};
THoleViewControls CreateHoleViewControls(QWidget* groupBox);

// Tool bar glyphs, 16 x 16: 0 zoom in, 1 zoom out, 2 rotate left, 3 rotate right.
QPixmap HoleViewGlyph(int kind);
