#include "rounds/Topenglappanel.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QScreen>
#include <QSurfaceFormat>
#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>

#include "rounds/Openglimages.h"

void SetCompatibilityDefaultFormat() {
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    QSurfaceFormat::setDefaultFormat(format);
}

TPFDFlags NormalisePFDFlags(TPFDFlags previous, TPFDFlags requested) {
    const bool gdi = requested.Has(f_PFD_SUPPORT_GDI);
    const bool db = requested.Has(f_PFD_DOUBLEBUFFER);
    if (gdi && db)  // the one that was not there before wins
        return previous.Has(f_PFD_DOUBLEBUFFER) ? requested.Without(f_PFD_DOUBLEBUFFER)
                                                : requested.Without(f_PFD_SUPPORT_GDI);
    if (!gdi && !db)
        return previous.Has(f_PFD_SUPPORT_GDI) ? requested.With(f_PFD_DOUBLEBUFFER)
                                               : requested.With(f_PFD_SUPPORT_GDI);
    return requested;
}

uint32_t DescriptorFlags(TPFDFlags f) {
    uint32_t d = 0;
    if (f.Has(f_PFD_DRAW_TO_WINDOW)) d |= PFD_DRAW_TO_WINDOW;
    if (f.Has(f_PFD_DRAW_TO_BITMAP)) d |= PFD_DRAW_TO_BITMAP;
    d |= f.Has(f_PFD_SUPPORT_GDI) ? PFD_SUPPORT_GDI : PFD_DOUBLEBUFFER;
    if (f.Has(f_PFD_SUPPORT_OPENGL)) d |= PFD_SUPPORT_OPENGL;
    if (f.Has(f_PFD_GENERIC_ACCELERATED)) d |= PFD_GENERIC_ACCELERATED;
    if (f.Has(f_PFD_GENERIC_FORMAT)) d |= PFD_GENERIC_FORMAT;
    if (f.Has(f_PFD_NEED_PALETTE)) d |= PFD_NEED_PALETTE;
    if (f.Has(f_PFD_NEED_SYSTEM_PALETTE)) d |= PFD_NEED_SYSTEM_PALETTE;
    if (f.Has(f_PFD_STEREO)) d |= PFD_STEREO;
    if (f.Has(f_PFD_SWAP_LAYER_BUFFERS)) d |= PFD_SWAP_LAYER_BUFFERS;
    return d;
}

std::vector<TPaletteEntry> PaletteEntries(const TPixelFormatDescriptor& pfd) {
    std::vector<TPaletteEntry> entries;
    if (pfd.cColorBits > 8) return entries;
    const int n = 1 << pfd.cColorBits;
    entries.resize(size_t(n));
    auto channel = [](int i, int shift, int bits) {
        if (bits <= 0 || bits > 8) return 0;
        const int max = (1 << bits) - 1;
        return ((i >> shift) & max) * 255 / max;
    };
    for (int i = 0; i < n; ++i) {
        entries[size_t(i)].Red = uint8_t(channel(i, pfd.cRedShift, pfd.cRedBits));
        entries[size_t(i)].Green = uint8_t(channel(i, pfd.cGreenShift, pfd.cGreenBits));
        entries[size_t(i)].Blue = uint8_t(channel(i, pfd.cBlueShift, pfd.cBlueBits));
    }
    return entries;
}

bool ExtensionListContains(const char* list, const std::string& name) {
    if (!list || name.empty()) return false;
    const char* p = list;
    while (*p) {
        while (*p == ' ') ++p;
        const char* start = p;
        while (*p && *p != ' ') ++p;
        if (size_t(p - start) == name.size() && std::memcmp(start, name.data(), name.size()) == 0) return true;
    }
    return false;
}

int32_t FramesPerSecondOf(double seconds) {
    if (!(seconds > 0)) return 0;
    const double fps = 1.0 / seconds;
    return fps >= double(INT32_MAX) ? INT32_MAX : int32_t(fps);
}

bool TextInFontRange(int32_t first, int32_t count, const std::string& text) {
    if (text.empty()) return false;
    for (unsigned char c : text) {
        const int64_t index = int64_t(c) - first;
        if (index < 0 || index > int64_t(count) - 1) return false;
    }
    return true;
}

void Get3DTextSizeOf(const OpenGLAPFont3D* font, const std::string& text, double* size) {
    if (!font || !size || text.empty()) return;
    size[0] = 0;
    size[1] = 0;
    size[2] = font->Extrusion;
    for (size_t i = 0; i < text.size(); ++i) {
        const int64_t index = int64_t(static_cast<unsigned char>(text[i])) - font->FirstGlyph;
        if (index < 0 || index > int64_t(font->NumGlyph) - 1 || index >= int64_t(font->Metrics.size())) {
            size[0] = size[1] = size[2] = 0;
            return;
        }
        const TGlyphMetricsFloat& m = font->Metrics[size_t(index)];
        if (i + 1 < text.size()) {
            size[0] += m.gmfCellIncX;
            size[1] += m.gmfCellIncY;
        } else {
            size[0] += m.gmfBlackBoxX;
            size[1] += m.gmfBlackBoxY;
        }
    }
}

// ---------------------------------------------------------------------------
// Glyph outlines

namespace {
void FlattenCubic(std::vector<QPointF>& out, QPointF p0, QPointF p1, QPointF p2, QPointF p3, double tol,
                  int depth) {
    const QPointF d = p3 - p0;
    const double len = std::hypot(d.x(), d.y());
    auto distance = [&](QPointF p) {
        if (len < 1e-12) return std::hypot(p.x() - p0.x(), p.y() - p0.y());
        return std::abs((p.x() - p0.x()) * d.y() - (p.y() - p0.y()) * d.x()) / len;
    };
    if (depth >= 12 || (distance(p1) <= tol && distance(p2) <= tol)) {
        out.push_back(p3);
        return;
    }
    const QPointF p01 = (p0 + p1) / 2, p12 = (p1 + p2) / 2, p23 = (p2 + p3) / 2;
    const QPointF p012 = (p01 + p12) / 2, p123 = (p12 + p23) / 2, mid = (p012 + p123) / 2;
    FlattenCubic(out, p0, p01, p012, mid, tol, depth + 1);
    FlattenCubic(out, mid, p123, p23, p3, tol, depth + 1);
}

struct TessCollect {
    std::vector<float>* out;
    std::deque<std::array<double, 3>> extra;
};
void TessBegin(GLenum, void*) {}
void TessEdgeFlag(GLboolean, void*) {}  // its presence makes the tessellator emit plain triangles
void TessVertex(void* vertex, void* data) {
    const auto* v = static_cast<const double*>(vertex);
    auto* c = static_cast<TessCollect*>(data);
    c->out->push_back(float(v[0]));
    c->out->push_back(float(v[1]));
}
void TessCombine(GLdouble coords[3], void*[4], GLfloat[4], void** outData, void* data) {
    auto* c = static_cast<TessCollect*>(data);
    c->extra.push_back({coords[0], coords[1], coords[2]});
    *outData = c->extra.back().data();
}
void TessError(GLenum, void*) {}

std::vector<float> Tessellate(const std::vector<std::vector<QPointF>>& contours) {
    std::vector<float> triangles;
    if (contours.empty()) return triangles;
    size_t total = 0;
    for (const auto& c : contours) total += c.size();
    std::vector<std::array<double, 3>> coords;
    coords.reserve(total);
    TessCollect collect{&triangles, {}};
    GLUtesselator* tess = gluNewTess();
    if (!tess) return triangles;
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(TessBegin));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<_GLUfuncptr>(TessEdgeFlag));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(TessVertex));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(TessCombine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(TessError));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0, 0, 1);
    gluTessBeginPolygon(tess, &collect);
    for (const auto& contour : contours) {
        gluTessBeginContour(tess);
        for (const QPointF& p : contour) {
            coords.push_back({p.x(), p.y(), 0.0});
            gluTessVertex(tess, coords.back().data(), coords.back().data());
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    // A broken outline can leave a partial triangle behind.
    triangles.resize(triangles.size() - triangles.size() % 6);
    return triangles;
}

// Calls one display list per character of the text; the caller has checked the range.
void CallGlyphLists(uint32_t listBase, int32_t firstGlyph, const std::string& text, bool keepFrontFace) {
    std::vector<GLuint> lists;
    lists.reserve(text.size());
    for (unsigned char c : text) lists.push_back(GLuint(int64_t(c) - firstGlyph));
    glPushAttrib(GL_LIST_BIT);
    GLint frontFace = GL_CCW;
    if (keepFrontFace) glGetIntegerv(GL_FRONT_FACE, &frontFace);
    glListBase(listBase);
    glCallLists(GLsizei(lists.size()), GL_UNSIGNED_INT, lists.data());
    if (keepFrontFace) glFrontFace(GLenum(frontFace));
    glPopAttrib();
}
} // namespace

TGlyphGeometry BuildGlyphGeometry(const QRawFont& font, unsigned code, float deviation) {
    TGlyphGeometry g;
    if (!font.isValid() || font.pixelSize() <= 0) return g;
    const QList<quint32> indexes = font.glyphIndexesForString(QString(QChar(char16_t(code))));
    const quint32 glyph = indexes.isEmpty() ? 0 : indexes.first();
    const double s = 1.0 / font.pixelSize();
    const double tol = std::max(1.0, double(deviation)) / std::max(1.0, double(font.unitsPerEm()));
    const QPainterPath path = font.pathForGlyph(glyph);
    std::vector<QPointF> current;
    auto flush = [&] {
        while (current.size() > 1 && current.back() == current.front()) current.pop_back();
        if (current.size() >= 3) g.Contours.push_back(current);
        current.clear();
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QPointF p(e.x * s, -e.y * s);
        if (e.isMoveTo()) {
            flush();
            current.push_back(p);
        } else if (e.isLineTo()) {
            current.push_back(p);
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1), end = path.elementAt(i + 2);
            const QPointF from = current.empty() ? p : current.back();
            if (current.empty()) current.push_back(from);
            FlattenCubic(current, from, p, QPointF(c2.x * s, -c2.y * s), QPointF(end.x * s, -end.y * s), tol, 0);
            i += 2;
        }
    }
    flush();
    g.Triangles = Tessellate(g.Contours);
    const QRectF box = path.boundingRect();
    if (!path.isEmpty()) {
        g.Metrics.gmfBlackBoxX = float(box.width() * s);
        g.Metrics.gmfBlackBoxY = float(box.height() * s);
        g.Metrics.gmfptGlyphOriginX = float(box.left() * s);
        g.Metrics.gmfptGlyphOriginY = float(-box.top() * s);
    }
    const QList<QPointF> advances = font.advancesForGlyphIndexes(QList<quint32>{glyph});
    if (!advances.isEmpty()) {
        g.Metrics.gmfCellIncX = float(advances.first().x() * s);
        g.Metrics.gmfCellIncY = float(-advances.first().y() * s);
    }
    return g;
}

// ---------------------------------------------------------------------------

TOpenGLAPPanel::TOpenGLAPPanel(QWidget* owner) : QOpenGLWidget(owner) {
    pfdFlags_ = TPFDFlags::Of({f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_OPENGL, f_PFD_DOUBLEBUFFER});
    QFont arial("Arial");
    arial.setPixelSize(9);
    font3DType_ = arial;
    font2DType_ = arial;
    pfd_ = RequestedPixelFormat();
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Smoothed edges: thin strokes of small text show as lighter pixels
    // instead of dropping out.
    QSurfaceFormat smooth = format();
    smooth.setSamples(Samples);
    setFormat(smooth);
    // The buffer keeps its content between compositions (see Repaint).
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
}

TOpenGLAPPanel::~TOpenGLAPPanel() {
    DestroyGLContext();
    if (contextGone_) disconnect(contextGone_);
}

void TOpenGLAPPanel::SetPixelType(TPFDPixelTypes value) {
    pixelType_ = value;
    pixelTypeByte_ = value == f_PFD_TYPE_COLORINDEX ? 1 : 0;
}

void TOpenGLAPPanel::SetPFDFlags(TPFDFlags value) { pfdFlags_ = NormalisePFDFlags(pfdFlags_, value); }

void TOpenGLAPPanel::SetFont3D_Format(TFont3DFormat value) {
    font3DFormat_ = value;
    font3DFormatNumber_ = value == f_WGL_FONT_LINES ? 0 : 1;
}

void TOpenGLAPPanel::SetBorder(bool value) { border_ = value; }
void TOpenGLAPPanel::SetToolWindow(bool value) { toolWindow_ = value; }
void TOpenGLAPPanel::SetAllowResize(bool value) { allowResize_ = value; }

void TOpenGLAPPanel::ApplyStyles() {
    SetToolWindow(toolWindow_);
    SetAllowResize(allowResize_);
    SetBorder(border_);
}

int TOpenGLAPPanel::PixelWidth() const { return int(std::lround(width() * devicePixelRatioF())); }
int TOpenGLAPPanel::PixelHeight() const { return int(std::lround(height() * devicePixelRatioF())); }

TPixelFormatDescriptor TOpenGLAPPanel::RequestedPixelFormat() const {
    TPixelFormatDescriptor d;
    d.dwFlags = DescriptorFlags(pfdFlags_);
    d.iPixelType = pixelTypeByte_;
    d.cColorBits = cColorBits;
    d.cAccumBits = cAccBits;
    d.cDepthBits = cDepthBits;
    d.cStencilBits = 8;
    return d;
}

void TOpenGLAPPanel::Fail(const std::string& prefix, const std::string& systemText) {
    ErrorText = prefix + systemText.substr(0, 255);
    Error();
}

void TOpenGLAPPanel::Error() {
    if (OnError) OnError(this);
}

void TOpenGLAPPanel::CreateParams() {
    if (windowCreated_) return;
    setWindowTitle("My OpenGL Panel");
    windowCreated_ = true;
    if (OnPreInit) OnPreInit(this);
}

bool TOpenGLAPPanel::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::Show:
    case QEvent::Resize:
    case QEvent::Paint:
    case QEvent::UpdateRequest:
        if (!windowCreated_ && isVisible()) CreateParams();
        break;
    default: break;
    }
    return QOpenGLWidget::event(e);
}

bool TOpenGLAPPanel::CreateGLContext() {
    pfd_ = RequestedPixelFormat();
    // Choosing a format: X visuals on Mesa are true colour only.
    if (pfd_.iPixelType == 1) {
        Fail("ChoosePixelFormat:", "The requested pixel format is not supported by the display.");
        return false;
    }
    QOpenGLContext* ctx = context();
    if (!ctx || !ctx->isValid()) {
        Fail("wglRenderingContext:", "The rendering context could not be created.");
        return false;
    }
    doubleBuffered_ = (pfd_.dwFlags & PFD_DOUBLEBUFFER) != 0;
    // The format obtained.
    const QSurfaceFormat f = ctx->format();
    TPixelFormatDescriptor got = pfd_;
    got.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | (doubleBuffered_ ? PFD_DOUBLEBUFFER : 0);
    got.cRedBits = uint8_t(std::max(0, f.redBufferSize()));
    got.cGreenBits = uint8_t(std::max(0, f.greenBufferSize()));
    got.cBlueBits = uint8_t(std::max(0, f.blueBufferSize()));
    got.cAlphaBits = uint8_t(std::max(0, f.alphaBufferSize()));
    got.cGreenShift = got.cRedBits;
    got.cBlueShift = uint8_t(got.cRedBits + got.cGreenBits);
    got.cColorBits = uint8_t(got.cRedBits + got.cGreenBits + got.cBlueBits);
    got.cDepthBits = uint8_t(std::max(0, f.depthBufferSize()));
    got.cStencilBits = uint8_t(std::max(0, f.stencilBufferSize()));
    got.cAccumBits = 0;
    pfd_ = got;
    if ((pfd_.dwFlags & PFD_NEED_PALETTE) && !ConstructPalette(pfd_)) return false;
    hasContext_ = true;
    return MakeOpenGLPanelCurrent();
}

bool TOpenGLAPPanel::ConstructPalette(const TPixelFormatDescriptor& pfd) {
    if (pfd.cColorBits > 8) {  // 2^bits entries would not fit any palette
        Fail("CreatePalette:", "The parameter is incorrect.");
        return false;
    }
    palette_ = PaletteEntries(pfd);
    // Selecting and realising a palette does nothing on a true-colour display.
    return true;
}

void TOpenGLAPPanel::FreeFonts() {
    if (font3D_) Delete3DFontLists(font3D_.get());
    if (font2D_) Delete2DFontLists(font2D_.get());
    font3D_.reset();
    font2D_.reset();
}

void TOpenGLAPPanel::DestroyGLContext() {
    if (hasContext_ && context()) {
        makeCurrent();
        FreeFonts();
        doneCurrent();
    } else {
        font3D_.reset();
        font2D_.reset();
    }
    hasContext_ = false;
    palette_.clear();
}

bool TOpenGLAPPanel::MakeOpenGLPanelCurrent() {
    QOpenGLContext* ctx = context();
    if (!hasContext_ || !ctx) {
        Fail("wglMakeCurrent:", "The panel has no rendering context.");
        return false;
    }
    if (QOpenGLContext::currentContext() == ctx) return true;
    makeCurrent();
    if (QOpenGLContext::currentContext() != ctx) {
        Fail("wglMakeCurrent:", "The rendering context could not be made current.");
        return false;
    }
    return true;
}

void TOpenGLAPPanel::MakeOpenGLPanelNotCurrent() {
    if (context() && QOpenGLContext::currentContext() == context()) doneCurrent();
}

void TOpenGLAPPanel::SwapBuffers() {
    if (!doubleBuffered_) return;
    // The widget's frame buffer is handed to the window once painting ends;
    // finishing the commands here is the swap.
    if (hasContext_ && QOpenGLContext::currentContext() == context()) glFlush();
    ++swapCount_;
}

bool TOpenGLAPPanel::PanelShareLists(TOpenGLAPPanel* other) {
    if (!other || !context() || !other->context()) return false;
    return QOpenGLContext::areSharing(context(), other->context());
}

void TOpenGLAPPanel::Repaint() {
    const int before = paintCount_;
    repaint();
    if (paintCount_ != before || !isVisible() || !hasContext_ || !context()) return;
    // The window is still presenting its previous frame and put the paint
    // off: draw into the panel's buffer now and let the next composition
    // show it without drawing again.
    makeCurrent();
    composeOnly_ = false;
    paintGL();
    composeOnly_ = true;
    update();
}

void TOpenGLAPPanel::initializeGL() {
    CreateParams();
    composeOnly_ = false;  // a new context comes with a new, empty buffer
    if (contextGone_) disconnect(contextGone_);
    contextGone_ = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this,
                           [this] { DestroyGLContext(); }, Qt::DirectConnection);
    if (!CreateGLContext()) {
        ErrorText = "Open GL Context Create Failed";
        Error();
        return;
    }
    if (Font3D_Enabled) Create3DFont();
    if (Font2D_Enabled) Create2DFont();
    ApplyStyles();
    if (OnInit) OnInit(this);
}

void TOpenGLAPPanel::resizeGL(int, int) {
    composeOnly_ = false;
    if (OnResize) OnResize(this);
}

void TOpenGLAPPanel::paintGL() {
    if (composeOnly_) {
        composeOnly_ = false;
        return;
    }
    ++paintCount_;
    const auto start = std::chrono::steady_clock::now();
    if (OnPaint) {
        OnPaint(this);
        if (GLSwapBuffers == TOpenGLSwapBuffers::Auto && doubleBuffered_) SwapBuffers();
    }
    if (Fps_Enabled)
        FramesPerSecond =
            FramesPerSecondOf(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

void TOpenGLAPPanel::mousePressEvent(QMouseEvent* e) {
    const double r = devicePixelRatioF();
    if (OnMouseDown)
        OnMouseDown(this, e->button(), e->modifiers(), int(e->position().x() * r), int(e->position().y() * r));
}

void TOpenGLAPPanel::mouseReleaseEvent(QMouseEvent* e) {
    const double r = devicePixelRatioF();
    if (OnMouseUp)
        OnMouseUp(this, e->button(), e->modifiers(), int(e->position().x() * r), int(e->position().y() * r));
    if (OnClick && rect().contains(e->position().toPoint())) OnClick(this);
}

void TOpenGLAPPanel::mouseMoveEvent(QMouseEvent* e) {
    const double r = devicePixelRatioF();
    if (OnMouseMove) OnMouseMove(this, e->modifiers(), int(e->position().x() * r), int(e->position().y() * r));
}

void TOpenGLAPPanel::mouseDoubleClickEvent(QMouseEvent*) {
    if (OnDblClick) OnDblClick(this);
}

// ---------------------------------------------------------------------------
// Fonts

void TOpenGLAPPanel::Create3DFont() {
    if (font3D_ && hasContext_ && MakeOpenGLPanelCurrent()) Delete3DFontLists(font3D_.get());
    font3D_.reset();
    font3D_ = Create3DFont(&font3DType_, Font3D_FirstGylph, Font3D_NumGylph, Font3D_MaxDeviation,
                           Font3D_Extrustion, font3DFormatNumber_);
}

std::unique_ptr<OpenGLAPFont3D> TOpenGLAPPanel::Create3DFont(const QFont* font, int32_t first, int32_t count,
                                                             float deviation, float extrusion, int format) {
    if (!font || count <= 0 || !hasContext_ || !MakeOpenGLPanelCurrent()) return nullptr;
    return Build3DFont(*font, first, count, deviation, extrusion, format);
}

std::unique_ptr<OpenGLAPFont3D> TOpenGLAPPanel::Build3DFont(const QFont& font, int32_t first, int32_t count,
                                                            float deviation, float extrusion, int format) {
    const GLuint base = glGenLists(count);
    if (base == 0) return nullptr;
    auto record = std::make_unique<OpenGLAPFont3D>();
    record->FirstGlyph = first;
    record->NumGlyph = count;
    record->ListBase = base;
    record->Extrusion = extrusion;
    record->Metrics.resize(size_t(count));
    QFont big(font);
    big.setPixelSize(256);
    const QRawFont raw = QRawFont::fromFont(big);
    for (int32_t i = 0; i < count; ++i) {
        const int64_t code = int64_t(first) + i;
        TGlyphGeometry g;
        if (code >= 0 && code <= 255) g = BuildGlyphGeometry(raw, unsigned(code), deviation);
        record->Metrics[size_t(i)] = g.Metrics;
        glNewList(base + GLuint(i), GL_COMPILE);
        if (format == 0) {
            for (const auto& contour : g.Contours) {
                glBegin(GL_LINE_LOOP);
                for (const QPointF& p : contour) glVertex3f(float(p.x()), float(p.y()), 0.0f);
                glEnd();
            }
        } else {
            glBegin(GL_TRIANGLES);
            glNormal3f(0, 0, 1);
            for (size_t k = 0; k + 1 < g.Triangles.size(); k += 2)
                glVertex3f(g.Triangles[k], g.Triangles[k + 1], 0.0f);
            glEnd();
            if (extrusion != 0.0f) {
                glBegin(GL_TRIANGLES);
                glNormal3f(0, 0, -1);
                for (size_t t = 0; t + 5 < g.Triangles.size(); t += 6)
                    for (int v = 2; v >= 0; --v)
                        glVertex3f(g.Triangles[t + 2 * size_t(v)], g.Triangles[t + 2 * size_t(v) + 1], -extrusion);
                glEnd();
                for (const auto& contour : g.Contours) {
                    glBegin(GL_QUAD_STRIP);
                    for (size_t k = 0; k <= contour.size(); ++k) {
                        const QPointF& p = contour[k % contour.size()];
                        const QPointF& q = contour[(k + 1) % contour.size()];
                        glNormal3f(float(q.y() - p.y()), float(p.x() - q.x()), 0.0f);
                        glVertex3f(float(p.x()), float(p.y()), 0.0f);
                        glVertex3f(float(p.x()), float(p.y()), -extrusion);
                    }
                    glEnd();
                }
            }
        }
        glTranslatef(g.Metrics.gmfCellIncX, g.Metrics.gmfCellIncY, 0.0f);
        glEndList();
    }
    return record;
}

void TOpenGLAPPanel::Create2DFont() {
    if (font2D_ && hasContext_ && MakeOpenGLPanelCurrent()) Delete2DFontLists(font2D_.get());
    font2D_.reset();
    font2D_ = Create2DFont(&font2DType_, Font2D_FirstGylph, Font2D_NumGylph);
}

std::unique_ptr<OpenGLAPFont2D> TOpenGLAPPanel::Create2DFont(const QFont* font, int32_t first, int32_t count) {
    if (!font || count <= 0 || !hasContext_ || !MakeOpenGLPanelCurrent()) return nullptr;
    return Build2DFont(*font, first, count);
}

std::unique_ptr<OpenGLAPFont2D> TOpenGLAPPanel::Build2DFont(const QFont& font, int32_t first, int32_t count) {
    const GLuint base = glGenLists(count);
    if (base == 0) return nullptr;
    auto record = std::make_unique<OpenGLAPFont2D>();
    record->FirstGlyph = first;
    record->NumGlyph = count;
    record->ListBase = base;
    QFont f(font);
    f.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics fm(f);
    const int h = std::max(1, fm.height());
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int32_t i = 0; i < count; ++i) {
        const int64_t code = int64_t(first) + i;
        const QString ch = code >= 32 && code <= 255 ? QString(QChar(char16_t(code))) : QString();
        const int advance = ch.isEmpty() ? 0 : fm.horizontalAdvance(ch);
        const int w = std::max(1, advance);
        QImage img(w, h, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        if (!ch.isEmpty()) {
            QPainter p(&img);
            p.setFont(f);
            p.setPen(Qt::black);
            p.drawText(0, fm.ascent(), ch);
        }
        const int rowBytes = (w + 7) / 8;
        std::vector<GLubyte> bits(size_t(rowBytes) * size_t(h), 0);
        for (int y = 0; y < h; ++y)  // bottom row first
            for (int x = 0; x < w; ++x)
                if (qAlpha(img.pixel(x, h - 1 - y)) > 127) bits[size_t(y * rowBytes + x / 8)] |= GLubyte(0x80 >> (x % 8));
        glNewList(base + GLuint(i), GL_COMPILE);
        glBitmap(w, h, 0.0f, float(fm.descent()), float(advance), 0.0f, bits.data());
        glEndList();
    }
    glPopClientAttrib();
    return record;
}

void TOpenGLAPPanel::Delete3DFontLists(OpenGLAPFont3D* font) {
    if (!font || font->ListBase == 0 || !hasContext_ || QOpenGLContext::currentContext() != context()) return;
    glDeleteLists(font->ListBase, font->NumGlyph);
    font->ListBase = 0;
}

void TOpenGLAPPanel::Delete2DFontLists(OpenGLAPFont2D* font) {
    if (!font || font->ListBase == 0 || !hasContext_ || QOpenGLContext::currentContext() != context()) return;
    glDeleteLists(font->ListBase, font->NumGlyph);
    font->ListBase = 0;
}

void TOpenGLAPPanel::Get3DTextSize(const std::string& text, double* size) const {
    Get3DTextSizeOf(font3D_.get(), text, size);
}

void TOpenGLAPPanel::Get3DTextSize(const OpenGLAPFont3D* font, const std::string& text, double* size) const {
    Get3DTextSizeOf(font, text, size);
}

void TOpenGLAPPanel::Draw3DText(const std::string& text) { Draw3DText(font3D_.get(), text); }

void TOpenGLAPPanel::Draw3DText(const OpenGLAPFont3D* font, const std::string& text) {
    if (!font || font->ListBase == 0 || !TextInFontRange(font->FirstGlyph, font->NumGlyph, text)) return;
    if (!hasContext_ || QOpenGLContext::currentContext() != context()) return;
    CallGlyphLists(font->ListBase, font->FirstGlyph, text, true);
}

void TOpenGLAPPanel::Draw2DText(const std::string& text) { Draw2DText(font2D_.get(), text); }

void TOpenGLAPPanel::Draw2DText(const OpenGLAPFont2D* font, const std::string& text) {
    if (!font || font->ListBase == 0 || !TextInFontRange(font->FirstGlyph, font->NumGlyph, text)) return;
    if (!hasContext_ || QOpenGLContext::currentContext() != context()) return;
    CallGlyphLists(font->ListBase, font->FirstGlyph, text, false);
}

bool TOpenGLAPPanel::QueryOpenGLExtention(const std::string& name) {
    if (!hasContext_ || !MakeOpenGLPanelCurrent()) return false;
    return ExtensionListContains(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), name);
}

int32_t TOpenGLAPPanel::GetDisplayBPP() const {
    const QScreen* s = screen();
    return s ? s->depth() : 0;
}

bool TOpenGLAPPanel::SetDisplayBPP(int32_t) { return false; }
