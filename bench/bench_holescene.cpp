// The hole view's drawing and navigation on Mesa's software renderer: one
// frame of a busy hole, a synchronous repaint, one navigation move, the
// stray-point pass on many points and the first showing of the view.
#include <benchmark/benchmark.h>

#include "Benchsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <GL/gl.h>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "rounds/Holescene.h"
#include "rounds/Topenglappanel.h"

namespace {
// A hole of 30 entries: two tees, green, pin, hazards, 22 shots and putts.
std::vector<MarkPointType> BusyHole() {
    std::vector<MarkPointType> p;
    auto add = [&](double x, double y, const std::string& text, int32_t colour = 0) {
        MarkPointType m;
        m.X = x;
        m.Y = y;
        m.Text = text;
        m.Color = colour;
        p.push_back(m);
    };
    add(24.0, 60.0, "Tee Yellow", 0x00FFFF);
    add(24.0001, 60.0, " Tee Red", 0x0000FF);
    add(24.0004, 60.0045, "Green");
    add(24.0005, 60.0046, "Pin");
    add(24.001, 60.002, "Bunker left");
    add(23.9995, 60.003, "Water");
    add(24.0008, 60.0035, "Lay up");
    add(24.0002, 60.0015, "Rough");
    for (int i = 0; i < 20; ++i)
        add(24.0 + 0.00002 * i, 60.0 + 0.0002 * (i + 1), "Shot " + std::to_string(i + 1));
    add(24.0005, 60.0045, "");
    add(24.0005, 60.00455, "2 Putt(s)");
    return p;
}

struct View {
    std::unique_ptr<TOpenGLAPPanel> panel = std::make_unique<TOpenGLAPPanel>();
    THoleScene scene;
    std::vector<MarkPointType> points = BusyHole();
    bool painted = false;

    View(int w, int h) {
        panel->Font3D_Enabled = true;
        panel->Font2D_Enabled = true;
        panel->OnInit = [this](QObject*) { scene.InitGL(50176); };
        panel->OnResize = [this](QObject*) { scene.ResizeGL(panel->PixelWidth(), panel->PixelHeight()); };
        panel->OnPaint = [this](QObject*) {
            scene.PaintGuarded(panel.get(), points.data());
            painted = true;
        };
        panel->resize(w, h);
        scene.LoadHole(points.data(), int(points.size()), w, h);
    }
    bool Show() {
        panel->show();
        QElapsedTimer t;
        t.start();
        while (!(painted && panel->HasGLContext()) && t.elapsed() < 5000) QCoreApplication::processEvents();
        return painted;
    }
};
} // namespace

static void BM_FrameBusyHole1280x1024(benchmark::State& state) {
    View v(1280, 1024);
    if (!v.Show()) return state.SkipWithError("no OpenGL panel");
    v.panel->makeCurrent();
    GLint samples = 0;  // smoothing: samples per pixel of the surface drawn into
    glGetIntegerv(GL_SAMPLES, &samples);
    state.counters["samples"] = samples;
    for (auto _ : state) {
        v.scene.PaintGL(v.panel.get(), v.points.data());
        glFinish();
    }
    v.panel->doneCurrent();
}
BENCHMARK(BM_FrameBusyHole1280x1024)->Unit(benchmark::kMillisecond);

static void BM_SynchronousRepaint318x281(benchmark::State& state) {
    View v(318, 281);
    if (!v.Show()) return state.SkipWithError("no OpenGL panel");
    for (auto _ : state) {
        v.panel->Repaint();
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SynchronousRepaint318x281)->Unit(benchmark::kMillisecond);

static void BM_NavigationMove318x281(benchmark::State& state) {
    View v(318, 281);
    if (!v.Show()) return state.SkipWithError("no OpenGL panel");
    v.scene.MouseDown(Qt::LeftButton, 150, 140);
    int step = 0;
    for (auto _ : state) {
        const int x = 150 + ((step++ % 2) ? 0 : 20);
        v.scene.MouseMove(x, 140, 318, 281);  // two ScreenToWorld and UpdateCamera
        v.panel->Repaint();
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NavigationMove318x281)->Unit(benchmark::kMillisecond);

static void BM_SetPoints1000(benchmark::State& state) {
    std::vector<MarkPointType> points(1000);
    for (int i = 0; i < 1000; ++i) {
        points[size_t(i)].X = 24.0 + 0.000004 * (i % 37);
        points[size_t(i)].Y = 60.0 + 0.000004 * i;
        points[size_t(i)].Text = "Shot " + std::to_string(i + 1);
    }
    THoleScene scene;
    for (auto _ : state) {
        double minX, maxX, minY, maxY;
        benchmark::DoNotOptimize(scene.SetPoints(points.data(), 1000, minX, maxX, minY, maxY));
    }
}
BENCHMARK(BM_SetPoints1000)->Unit(benchmark::kMillisecond);

static void BM_FirstShowingOfTheHoleView(benchmark::State& state) {
    for (auto _ : state) {
        View v(318, 281);  // context, both fonts, hole 1 loaded, first paint
        if (!v.Show()) return state.SkipWithError("no OpenGL panel");
        state.PauseTiming();
        v.panel.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstShowingOfTheHoleView)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

int main(int argc, char** argv) {
    SetCompatibilityDefaultFormat();
    OffscreenWithoutDisplay();
    QApplication app(argc, argv);
    return RunBenchmarks(&argc, argv);
}
