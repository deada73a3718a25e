#include <QOpenGLContext>
#include <QPainterPath>
#include <QRawFont>
#include <GL/gl.h>
#include <string>
#include <vector>

#include "Holeviewfixture.h"

namespace {
bool ShowPanel(TOpenGLAPPanel& panel) {
    panel.show();
    return WaitFor([&] { return panel.windowHandle() && panel.windowHandle()->isExposed(); }, 5000);
}

// A panel that clears to one colour and draws a text large, black, at the
// left of the view (orthographic, one em = 60 pixels).
struct TextPanel {
    TOpenGLAPPanel panel;
    std::string text;
    TextPanel() {
        panel.Font3D_Enabled = true;
        panel.OnInit = [](QObject*) { glClearColor(1, 1, 1, 1); };
        panel.OnPaint = [this](QObject*) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(0, panel.width(), 0, panel.height(), -100, 100);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glTranslated(10, 30, 0);
            glScaled(60, 60, 60);
            glColor3f(0, 0, 0);
            panel.Draw3DText(text);
        };
        panel.resize(300, 120);
    }
    int DarkPixels() {
        const QImage img = panel.grabFramebuffer();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qGray(img.pixel(x, y)) < 100) ++n;
        return n;
    }
};
} // namespace

TEST(OpenGLPanel, EventsComeInOrderAndPaintOncePerRepaint) {
    TOpenGLAPPanel panel;
    std::vector<std::string> events;
    bool contextAtPreInit = true;
    panel.OnPreInit = [&](QObject*) {
        events.push_back("PreInit");
        contextAtPreInit = panel.HasGLContext();
    };
    panel.OnInit = [&](QObject* sender) {
        events.push_back("Init");
        EXPECT_EQ(sender, &panel);
        EXPECT_EQ(QOpenGLContext::currentContext(), panel.context());
    };
    panel.OnResize = [&](QObject*) { events.push_back("Resize"); };
    int paints = 0;
    panel.OnPaint = [&](QObject*) {
        events.push_back("Paint");
        ++paints;
    };
    panel.resize(160, 120);
    ASSERT_TRUE(ShowPanel(panel));
    ProcessEventsFor(100);
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[0], "PreInit");
    EXPECT_FALSE(contextAtPreInit);
    EXPECT_EQ(events[1], "Init");
    EXPECT_EQ(events[2], "Resize");
    EXPECT_EQ(std::count(events.begin(), events.end(), "PreInit"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "Init"), 1);
    EXPECT_EQ(panel.windowTitle(), "My OpenGL Panel");
    const int before = paints;
    panel.Repaint();
    EXPECT_EQ(paints, before + 1);
    panel.Repaint();
    panel.Repaint();
    EXPECT_EQ(paints, before + 3);
    // Automatic swap after each paint of a double-buffered panel.
    EXPECT_TRUE(panel.DoubleBuffered());
    EXPECT_EQ(panel.SwapCount(), paints);
    panel.GLSwapBuffers = TOpenGLSwapBuffers::Manual;
    const int swaps = panel.SwapCount();
    panel.Repaint();
    EXPECT_EQ(panel.SwapCount(), swaps);
    panel.SwapBuffers();
    EXPECT_EQ(panel.SwapCount(), swaps + 1);
}

TEST(OpenGLPanel, WithoutOnPaintNothingIsSwappedButTheRateIsTaken) {
    TOpenGLAPPanel panel;
    panel.Fps_Enabled = true;
    panel.resize(60, 60);
    ASSERT_TRUE(ShowPanel(panel));
    panel.Repaint();
    EXPECT_EQ(panel.SwapCount(), 0);
    EXPECT_GT(panel.FramesPerSecond, 0);
}

TEST(OpenGLPanel, PropertiesStartAsStored) {
    TOpenGLAPPanel panel;
    EXPECT_EQ(panel.PixelType(), f_PFD_TYPE_RGBA);
    EXPECT_EQ(panel.PFDFlags(), TPFDFlags::Of({f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_OPENGL, f_PFD_DOUBLEBUFFER}));
    EXPECT_EQ(panel.cColorBits, 32);
    EXPECT_EQ(panel.cDepthBits, 32);
    EXPECT_EQ(panel.cAccBits, 0);
    EXPECT_EQ(panel.PixelsPerInch, 96);
    EXPECT_EQ(panel.PrintScale, pglProportional);
    EXPECT_EQ(panel.Font3D_FirstGylph, 32);
    EXPECT_EQ(panel.Font3D_NumGylph, 96);
    EXPECT_EQ(panel.Font3D_Extrustion, 0.1f);
    EXPECT_EQ(panel.Font3D_Format(), f_WGL_FONT_POLYGONS);
    EXPECT_EQ(panel.Font3DFormatNumber(), 1);
    EXPECT_EQ(panel.Font3D_Type().family(), "Arial");
    EXPECT_EQ(panel.Font3D_Type().pixelSize(), 9);
    EXPECT_EQ(panel.FramesPerSecond, 0);
    panel.SetFont3D_Format(f_WGL_FONT_LINES);
    EXPECT_EQ(panel.Font3DFormatNumber(), 0);
    panel.SetPixelType(f_PFD_TYPE_COLORINDEX);
    EXPECT_EQ(panel.PixelTypeByte(), 1);
    EXPECT_EQ(panel.RequestedPixelFormat().dwFlags, PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER);
}

TEST(OpenGLPanel, GdiAndDoubleBufferingExcludeEachOther) {
    const auto db = TPFDFlags::Of({f_PFD_DRAW_TO_WINDOW, f_PFD_DOUBLEBUFFER});
    const auto gdi = TPFDFlags::Of({f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_GDI});
    EXPECT_EQ(NormalisePFDFlags(db, db.With(f_PFD_SUPPORT_GDI)), gdi);
    EXPECT_EQ(NormalisePFDFlags(gdi, gdi.With(f_PFD_DOUBLEBUFFER)), db);
    EXPECT_EQ(NormalisePFDFlags(db, db.Without(f_PFD_DOUBLEBUFFER)), gdi);
    EXPECT_EQ(NormalisePFDFlags(gdi, gdi.Without(f_PFD_SUPPORT_GDI)), db);
    EXPECT_EQ(DescriptorFlags(gdi), PFD_DRAW_TO_WINDOW | PFD_SUPPORT_GDI);
    EXPECT_EQ(DescriptorFlags(db), PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER);
    EXPECT_EQ(DescriptorFlags(TPFDFlags::Of({f_PFD_STEREO, f_PFD_NEED_PALETTE, f_PFD_GENERIC_ACCELERATED,
                                             f_PFD_SWAP_LAYER_BUFFERS, f_PFD_SUPPORT_GDI})),
              PFD_STEREO | PFD_NEED_PALETTE | PFD_GENERIC_ACCELERATED | PFD_SWAP_LAYER_BUFFERS | PFD_SUPPORT_GDI);
    TOpenGLAPPanel panel;
    panel.SetPFDFlags(panel.PFDFlags().With(f_PFD_SUPPORT_GDI));
    EXPECT_TRUE(panel.PFDFlags().Has(f_PFD_SUPPORT_GDI));
    EXPECT_FALSE(panel.PFDFlags().Has(f_PFD_DOUBLEBUFFER));
}

TEST(OpenGLPanel, SmallHelpers) {
    EXPECT_TRUE(ExtensionListContains("GL_ARB_a GL_EXT_bgra GL_EXT_bgra_x", "GL_EXT_bgra"));
    EXPECT_FALSE(ExtensionListContains("GL_EXT_bgra_x GL_ARB_a", "GL_EXT_bgra"));
    EXPECT_FALSE(ExtensionListContains("GL_EXT_bgra", "GL_EXT_bgr"));
    EXPECT_FALSE(ExtensionListContains(nullptr, "GL_EXT_bgra"));
    EXPECT_EQ(FramesPerSecondOf(0), 0);
    EXPECT_EQ(FramesPerSecondOf(-1), 0);
    EXPECT_EQ(FramesPerSecondOf(0.004), 250);
    EXPECT_EQ(FramesPerSecondOf(1e-12), INT32_MAX);

    TPixelFormatDescriptor pfd;
    pfd.cColorBits = 8;
    pfd.cRedBits = 3;
    pfd.cRedShift = 0;
    pfd.cGreenBits = 3;
    pfd.cGreenShift = 3;
    pfd.cBlueBits = 2;
    pfd.cBlueShift = 6;
    const auto entries = PaletteEntries(pfd);
    ASSERT_EQ(entries.size(), 256u);
    EXPECT_EQ(entries[0xFF].Red, 255);
    EXPECT_EQ(entries[0x05].Red, 5 * 255 / 7);
    EXPECT_EQ(entries[0x40].Blue, 85);
    pfd.cColorBits = 24;
    EXPECT_TRUE(PaletteEntries(pfd).empty());
}

TEST(OpenGLPanel, FailuresSetErrorTextAndFireOnError) {
    TOpenGLAPPanel panel;
    std::vector<std::string> errors;
    panel.OnError = [&](QObject*) { errors.push_back(panel.ErrorText); };
    TPixelFormatDescriptor deep;
    deep.cColorBits = 24;
    EXPECT_FALSE(panel.ConstructPalette(deep));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("CreatePalette:", 0), 0u);
    EXPECT_FALSE(panel.MakeOpenGLPanelCurrent());
    EXPECT_EQ(errors.back().rfind("wglMakeCurrent:", 0), 0u);

    // Colour-index pixels: no such format, the panel lives on without context.
    errors.clear();
    TOpenGLAPPanel indexed;
    indexed.OnError = [&](QObject*) { errors.push_back(indexed.ErrorText); };
    bool init = false;
    int paints = 0;
    indexed.OnInit = [&](QObject*) { init = true; };
    indexed.OnPaint = [&](QObject*) { ++paints; };
    indexed.SetPixelType(f_PFD_TYPE_COLORINDEX);
    indexed.resize(100, 100);
    ASSERT_TRUE(ShowPanel(indexed));
    ProcessEventsFor(50);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].rfind("ChoosePixelFormat:", 0), 0u);
    EXPECT_EQ(errors[1], "Open GL Context Create Failed");
    EXPECT_FALSE(init);
    EXPECT_FALSE(indexed.HasGLContext());
    indexed.Repaint();
    EXPECT_GT(paints, 0);
    EXPECT_FALSE(indexed.QueryOpenGLExtention("GL_ARB_multitexture"));
}

TEST(OpenGLPanel, ThreeDTextSizeFollowsTheGlyphMetrics) {
    TOpenGLAPPanel panel;
    panel.Font3D_Enabled = true;
    panel.resize(100, 100);
    ASSERT_TRUE(ShowPanel(panel));
    const OpenGLAPFont3D* font = panel.Font3D();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->FirstGlyph, 32);
    EXPECT_EQ(font->NumGlyph, 96);
    ASSERT_EQ(font->Metrics.size(), 96u);
    // The black box of "A" as the font itself gives it, in em units.
    QFont f("Arial");
    f.setPixelSize(256);
    const QRawFont raw = QRawFont::fromFont(f);
    const QRectF box = raw.pathForGlyph(raw.glyphIndexesForString("A").first()).boundingRect();
    double size[3] = {9, 9, 9};
    panel.Get3DTextSize("A", size);
    EXPECT_NEAR(size[0], box.width() / 256, 1e-5);
    EXPECT_NEAR(size[1], box.height() / 256, 1e-5);
    EXPECT_NEAR(size[2], 0.1, 1e-6);
    EXPECT_GT(size[0], 0.4);
    EXPECT_LT(size[1], 1.0);
    // Two characters: the first by its advance.
    const double advanceT = raw.advancesForGlyphIndexes(raw.glyphIndexesForString("T")).first().x() / 256;
    panel.Get3DTextSize("TA", size);
    EXPECT_NEAR(size[0], advanceT + box.width() / 256, 1e-5);
    // Outside the font: all zero; empty text: unchanged.
    panel.Get3DTextSize("A\xC3\xA9", size);
    EXPECT_EQ(size[0], 0);
    EXPECT_EQ(size[1], 0);
    EXPECT_EQ(size[2], 0);
    size[0] = 5;
    panel.Get3DTextSize("", size);
    EXPECT_EQ(size[0], 5);
    panel.Get3DTextSize("A", nullptr);
    Get3DTextSizeOf(nullptr, "A", size);
    EXPECT_EQ(size[0], 5);
}

TEST(OpenGLPanel, TextWithACharacterOutsideTheFontDrawsNothing) {
    TextPanel view;
    ASSERT_TRUE(ShowPanel(view.panel));
    view.text = "";
    EXPECT_EQ(view.DarkPixels(), 0);
    view.text = "Te";
    const int te = view.DarkPixels();
    EXPECT_GT(te, 200);
    view.text = "Te\xC3\xA9";
    EXPECT_EQ(view.DarkPixels(), 0);
    view.text = "Te\x7F";  // last code of the font still draws
    EXPECT_GE(view.DarkPixels(), te);
    // Line outlines draw too.
    view.panel.SetFont3D_Format(f_WGL_FONT_LINES);
    view.panel.makeCurrent();
    view.panel.Create3DFont();
    view.panel.doneCurrent();
    view.text = "Te";
    const int lines = view.DarkPixels();
    EXPECT_GT(lines, 50);
    EXPECT_LT(lines, te);
}

TEST(OpenGLPanel, TwoPanelsKeepTheirOwnContexts) {
    TOpenGLAPPanel red, blue;
    int redPaints = 0, bluePaints = 0;
    red.OnInit = [](QObject*) { glClearColor(1, 0, 0, 1); };
    blue.OnInit = [](QObject*) { glClearColor(0, 0, 1, 1); };
    red.OnPaint = [&](QObject*) {
        ++redPaints;
        glClear(GL_COLOR_BUFFER_BIT);
    };
    blue.OnPaint = [&](QObject*) {
        ++bluePaints;
        glClear(GL_COLOR_BUFFER_BIT);
    };
    red.resize(80, 80);
    blue.resize(80, 80);
    ASSERT_TRUE(ShowPanel(red));
    ASSERT_TRUE(ShowPanel(blue));
    for (int i = 0; i < 3; ++i) {
        red.Repaint();
        blue.Repaint();
    }
    EXPECT_TRUE(PixelIs(red.grabFramebuffer(), 40, 40, 255, 0, 0));
    EXPECT_TRUE(PixelIs(blue.grabFramebuffer(), 40, 40, 0, 0, 255));
    EXPECT_NE(red.context(), blue.context());
    // Making one current from outside a paint leaves the other's alone.
    ASSERT_TRUE(red.MakeOpenGLPanelCurrent());
    EXPECT_EQ(QOpenGLContext::currentContext(), red.context());
    red.MakeOpenGLPanelNotCurrent();
    EXPECT_TRUE(PixelIs(blue.grabFramebuffer(), 10, 70, 0, 0, 255));
}

TEST(OpenGLPanel, ExtensionsBitmapFontAndFrameRate) {
    TOpenGLAPPanel panel;
    panel.Font2D_Enabled = true;
    panel.Fps_Enabled = true;
    bool drew = false;
    panel.OnInit = [](QObject*) { glClearColor(1, 1, 1, 1); };
    panel.OnPaint = [&](QObject*) {
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, panel.width(), 0, panel.height(), -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor3f(0, 0, 0);
        glRasterPos2i(5, 20);
        panel.Draw2DText("Hello");
        drew = true;
    };
    panel.resize(120, 40);
    ASSERT_TRUE(ShowPanel(panel));
    ASSERT_NE(panel.Font2D(), nullptr);
    const QImage img = panel.grabFramebuffer();
    EXPECT_TRUE(drew);
    int dark = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 100) ++dark;
    EXPECT_GT(dark, 10);
    EXPECT_GT(panel.FramesPerSecond, 0);

    ASSERT_TRUE(panel.MakeOpenGLPanelCurrent());
    const std::string all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const std::string first = all.substr(0, all.find(' '));
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(panel.QueryOpenGLExtention(first));
    EXPECT_FALSE(panel.QueryOpenGLExtention(first.substr(0, first.size() - 1)));
    EXPECT_FALSE(panel.SetDisplayBPP(16));
    EXPECT_GT(panel.GetDisplayBPP(), 0);
}
