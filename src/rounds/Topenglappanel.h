#pragma once
// The OpenGL panel: a widget that owns an OpenGL context (compatibility
// profile, immediate mode), a 3D outline font and a 2D bitmap font, and hands
// its life cycle to its owner through OnPreInit, OnInit, OnResize, OnPaint and
// OnError. OpenGL runs only inside the panel's own initializeGL, resizeGL and
// paintGL, or after MakeOpenGLPanelCurrent, so two panels never draw into
// each other's context. Failures never throw: they set ErrorText and fire
// OnError.
#include <QFont>
#include <QOpenGLWidget>
#include <QPointF>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QRawFont;
class QPrinter;
struct OpenGLAPTexture;
struct TPrintPlacement;

// Requests the compatibility-profile default surface format; call before the
// QApplication is made.
void SetCompatibilityDefaultFormat();

enum TPFDPixelTypes { f_PFD_TYPE_RGBA, f_PFD_TYPE_COLORINDEX };
enum class TOpenGLSwapBuffers { Auto, Manual };
enum TOpenGLPrintScale { pglNone, pglPrintToFit, pglProportional };
enum TFont3DFormat { f_WGL_FONT_LINES, f_WGL_FONT_POLYGONS };
enum TPFDFlag {
    f_PFD_DRAW_TO_WINDOW, f_PFD_DRAW_TO_BITMAP, f_PFD_SUPPORT_GDI, f_PFD_SUPPORT_OPENGL,
    f_PFD_GENERIC_ACCELERATED, f_PFD_GENERIC_FORMAT, f_PFD_NEED_PALETTE, f_PFD_NEED_SYSTEM_PALETTE,
    f_PFD_DOUBLEBUFFER, f_PFD_STEREO, f_PFD_SWAP_LAYER_BUFFERS
};

struct TPFDFlags {
    unsigned Bits = 0;
    static TPFDFlags Of(std::initializer_list<TPFDFlag> flags) {
        TPFDFlags f;
        for (TPFDFlag x : flags) f.Bits |= 1u << x;
        return f;
    }
    bool Has(TPFDFlag f) const { return Bits & (1u << f); }
    TPFDFlags With(TPFDFlag f) const { return TPFDFlags{Bits | (1u << f)}; }
    TPFDFlags Without(TPFDFlag f) const { return TPFDFlags{Bits & ~(1u << f)}; }
    bool operator==(const TPFDFlags&) const = default;
};

// Pixel-format descriptor flag values.
constexpr uint32_t PFD_DOUBLEBUFFER = 0x1, PFD_STEREO = 0x2, PFD_DRAW_TO_WINDOW = 0x4,
                   PFD_DRAW_TO_BITMAP = 0x8, PFD_SUPPORT_GDI = 0x10, PFD_SUPPORT_OPENGL = 0x20,
                   PFD_GENERIC_FORMAT = 0x40, PFD_NEED_PALETTE = 0x80, PFD_NEED_SYSTEM_PALETTE = 0x100,
                   PFD_SWAP_LAYER_BUFFERS = 0x800, PFD_GENERIC_ACCELERATED = 0x1000;

// Keeps exactly one of f_PFD_SUPPORT_GDI and f_PFD_DOUBLEBUFFER: the one just
// added wins; removing the one present puts the other in.
TPFDFlags NormalisePFDFlags(TPFDFlags previous, TPFDFlags requested);
// Descriptor flags of a flag set (double buffering when GDI is absent).
uint32_t DescriptorFlags(TPFDFlags flags);

// The pixel format asked for and, once the context exists, the one obtained.
struct TPixelFormatDescriptor {
    uint16_t nSize = 40;
    uint16_t nVersion = 1;
    uint32_t dwFlags = 0;
    uint8_t iPixelType = 0;
    uint8_t cColorBits = 0;
    uint8_t cRedBits = 0, cRedShift = 0, cGreenBits = 0, cGreenShift = 0, cBlueBits = 0, cBlueShift = 0;
    uint8_t cAlphaBits = 0, cAlphaShift = 0;
    uint8_t cAccumBits = 0;
    uint8_t cDepthBits = 0;
    uint8_t cStencilBits = 0;
    uint8_t cAuxBuffers = 0;
    uint8_t iLayerType = 0;  // main plane
};

struct TPaletteEntry {
    uint8_t Red = 0, Green = 0, Blue = 0, Flags = 0;
};
// The 2^colour-bits entries of a palette for a palette display; empty above
// 8 colour bits.
std::vector<TPaletteEntry> PaletteEntries(const TPixelFormatDescriptor& pfd);

// Whole-word test in a space-separated extension list; false for a null list.
bool ExtensionListContains(const char* list, const std::string& name);
// Frames per second of one frame that took the given seconds; 0 when no time passed.
int32_t FramesPerSecondOf(double seconds);

// Metrics of one outline glyph, in em units (the em height is 1.0).
struct TGlyphMetricsFloat {
    float gmfBlackBoxX = 0, gmfBlackBoxY = 0;
    float gmfptGlyphOriginX = 0, gmfptGlyphOriginY = 0;
    float gmfCellIncX = 0, gmfCellIncY = 0;
};

struct OpenGLAPFont3D {
    int32_t FirstGlyph = 0;
    int32_t NumGlyph = 0;
    uint32_t ListBase = 0;
    float Extrusion = 0;
    std::vector<TGlyphMetricsFloat> Metrics;
};

struct OpenGLAPFont2D {
    int32_t FirstGlyph = 0;
    int32_t NumGlyph = 0;
    uint32_t ListBase = 0;
};

// A glyph's outline in em units (y up) and its face cut into triangles
// (x, y pairs, three vertices per triangle).
struct TGlyphGeometry {
    std::vector<std::vector<QPointF>> Contours;
    std::vector<float> Triangles;
    TGlyphMetricsFloat Metrics;
};
// Outline and face of the glyph of a character code (Latin-1); curves are cut
// so that no chord strays more than max(deviation, 1) font design units.
TGlyphGeometry BuildGlyphGeometry(const QRawFont& font, unsigned code, float deviation);

// Text size in font units: widths of all but the last character by their
// cell increments, the last by its black box; depth the extrusion. A
// character outside the font gives 0, 0, 0; an empty text or a missing
// font or size leaves the size as it was.
void Get3DTextSizeOf(const OpenGLAPFont3D* font, const std::string& text, double* size);
// True when every character of a non-empty text lies inside the font.
bool TextInFontRange(int32_t first, int32_t count, const std::string& text);

class TOpenGLAPPanel : public QOpenGLWidget {
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;
    using TMouseEvent =
        std::function<void(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;
    using TMouseMoveEvent = std::function<void(QObject* sender, Qt::KeyboardModifiers shift, int x, int y)>;

    // Samples per pixel of the drawing surface (multisampling).
    static constexpr int Samples = 4;

    explicit TOpenGLAPPanel(QWidget* owner = nullptr);
    ~TOpenGLAPPanel() override;

    // Properties, as stored form descriptions spell them.
    TPFDPixelTypes PixelType() const { return pixelType_; }
    void SetPixelType(TPFDPixelTypes value);
    TPFDFlags PFDFlags() const { return pfdFlags_; }
    void SetPFDFlags(TPFDFlags value);
    uint8_t cColorBits = 32;
    uint8_t cDepthBits = 32;
    uint8_t cAccBits = 0;
    TOpenGLSwapBuffers GLSwapBuffers = TOpenGLSwapBuffers::Auto;
    int32_t PixelsPerInch = 96;
    TOpenGLPrintScale PrintScale = pglProportional;
    bool Font3D_Enabled = false;
    const QFont& Font3D_Type() const { return font3DType_; }
    void SetFont3D_Type(const QFont& font) { font3DType_ = font; }
    int32_t Font3D_FirstGylph = 32;
    int32_t Font3D_NumGylph = 96;
    float Font3D_MaxDeviation = 1.0f;
    float Font3D_Extrustion = 0.1f;
    TFont3DFormat Font3D_Format() const { return font3DFormat_; }
    void SetFont3D_Format(TFont3DFormat value);
    bool Font2D_Enabled = false;
    const QFont& Font2D_Type() const { return font2DType_; }
    void SetFont2D_Type(const QFont& font) { font2DType_ = font; }
    int32_t Font2D_FirstGylph = 32;
    int32_t Font2D_NumGylph = 96;
    bool Fps_Enabled = false;
    // Window styles of the panel's own window. A Qt child widget has no frame
    // or caption, so they are kept and applied without a visible change.
    bool Border() const { return border_; }
    void SetBorder(bool value);
    bool ToolWindow() const { return toolWindow_; }
    void SetToolWindow(bool value);
    bool AllowResize() const { return allowResize_; }
    void SetAllowResize(bool value);
    // The panel has no caption to be moved by, so this only keeps the value.
    bool AllowMoving = false;

    TNotifyEvent OnInit, OnPreInit, OnError, OnResize, OnPaint, OnClick, OnDblClick;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    std::string ErrorText;
    int32_t FramesPerSecond = 0;
    // The numeric pixel type and 3D font format handed to the stand-ins.
    uint8_t PixelTypeByte() const { return pixelTypeByte_; }
    int Font3DFormatNumber() const { return font3DFormatNumber_; }
    // The descriptor asked for (before creation) or obtained (after).
    const TPixelFormatDescriptor& PixelFormat() const { return pfd_; }
    TPixelFormatDescriptor RequestedPixelFormat() const;
    bool HasGLContext() const { return hasContext_; }
    bool DoubleBuffered() const { return doubleBuffered_; }
    bool HasPalette() const { return !palette_.empty(); }
    // Buffer swaps done so far (automatic after OnPaint, or SwapBuffers).
    int SwapCount() const { return swapCount_; }
    // Client size in device pixels, for the viewport and the camera.
    int PixelWidth() const;
    int PixelHeight() const;

    // Context.
    bool CreateGLContext();
    void DestroyGLContext();
    bool ConstructPalette(const TPixelFormatDescriptor& pfd);
    bool MakeOpenGLPanelCurrent();
    void MakeOpenGLPanelNotCurrent();
    void SwapBuffers();
    bool PanelShareLists(TOpenGLAPPanel* other);
    // Invalidates and paints at once (OnPaint runs before it returns).
    void Repaint();
    void Error();

    // Fonts.
    void Create3DFont();
    std::unique_ptr<OpenGLAPFont3D> Create3DFont(const QFont* font, int32_t first, int32_t count,
                                                 float deviation, float extrusion, int format);
    void Create2DFont();
    std::unique_ptr<OpenGLAPFont2D> Create2DFont(const QFont* font, int32_t first, int32_t count);
    // Deletes the display lists of a font made with the explicit forms.
    void Delete3DFontLists(OpenGLAPFont3D* font);
    void Delete2DFontLists(OpenGLAPFont2D* font);
    const OpenGLAPFont3D* Font3D() const { return font3D_.get(); }
    const OpenGLAPFont2D* Font2D() const { return font2D_.get(); }
    void Get3DTextSize(const std::string& text, double* size) const;
    void Get3DTextSize(const OpenGLAPFont3D* font, const std::string& text, double* size) const;
    void Draw3DText(const std::string& text);
    void Draw3DText(const OpenGLAPFont3D* font, const std::string& text);
    void Draw2DText(const std::string& text);
    void Draw2DText(const OpenGLAPFont2D* font, const std::string& text);

    bool QueryOpenGLExtention(const std::string& name);
    int32_t GetDisplayBPP() const;
    // Linux displays keep their depth: always false.
    bool SetDisplayBPP(int32_t bitsPerPixel);

    // Images and printing (Openglimages.cpp).
    static std::unique_ptr<OpenGLAPTexture> LoadBMPTexture(const std::string& fileName, bool alpha);
    static int32_t LoadTGA(const std::string& fileName, std::vector<uint8_t>* pixels, int* width, int* height,
                           int* bitsPerPixel);
    void PrinTOpenGLAPPanel();
    // Prints on the given printer; returns where the image went (all 0 when
    // nothing was printed).
    TPrintPlacement PrintOn(QPrinter& printer);
    void SaveOpenGLPanelToFile(const std::string& fileName);
    // Brings the panel forward, paints it and copies its image.
    QImage CaptureImage();

protected:
    bool event(QEvent* e) override;
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void CreateParams();
    void Fail(const std::string& prefix, const std::string& systemText = "");
    void ApplyStyles();
    std::unique_ptr<OpenGLAPFont3D> Build3DFont(const QFont& font, int32_t first, int32_t count, float deviation,
                                                float extrusion, int format);
    std::unique_ptr<OpenGLAPFont2D> Build2DFont(const QFont& font, int32_t first, int32_t count);
    void FreeFonts();

    TPFDPixelTypes pixelType_ = f_PFD_TYPE_RGBA;
    uint8_t pixelTypeByte_ = 0;
    TPFDFlags pfdFlags_;
    QFont font3DType_;
    QFont font2DType_;
    TFont3DFormat font3DFormat_ = f_WGL_FONT_POLYGONS;
    int font3DFormatNumber_ = 1;
    bool border_ = false, toolWindow_ = false, allowResize_ = false;
    bool windowCreated_ = false;
    bool hasContext_ = false;
    bool doubleBuffered_ = false;
    int swapCount_ = 0;
    int paintCount_ = 0;
    bool composeOnly_ = false;
    TPixelFormatDescriptor pfd_;
    std::vector<TPaletteEntry> palette_;
    std::unique_ptr<OpenGLAPFont3D> font3D_;
    std::unique_ptr<OpenGLAPFont2D> font2D_;
    QMetaObject::Connection contextGone_;
};
