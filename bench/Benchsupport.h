#pragma once
// What the benchmark programs' mains share.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

// A data folder of its own: CADDORA_HOME points at a new temp folder while the
// object lives; the folder is removed afterwards.
class BenchHome {
public:
    BenchHome() {
        std::string path = (std::filesystem::temp_directory_path() / "caddora-bench-XXXXXX").string();
        if (!::mkdtemp(path.data())) return;
        path_ = path;
        ::setenv("CADDORA_HOME", path_.c_str(), 1);
    }
    ~BenchHome() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    BenchHome(const BenchHome&) = delete;
    BenchHome& operator=(const BenchHome&) = delete;

    // False when the folder could not be made.
    bool Ok() const { return !path_.empty(); }

private:
    std::string path_;
};

// Qt draws offscreen when there is no display to draw on.
inline void OffscreenWithoutDisplay() {
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// Passes every run on to the reporter the command line chose and notes the
// runs that ended in an error (SkipWithError: a limit exceeded, a step that
// failed).
class BenchErrorWatch : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context& context) override { return shown_->ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.error_occurred) failed_.push_back(run.benchmark_name() + ": " + run.error_message);
        shown_->ReportRuns(runs);
    }
    void Finalize() override { shown_->Finalize(); }
    const std::vector<std::string>& Failed() const { return failed_; }

private:
    benchmark::BenchmarkReporter* shown_ = benchmark::CreateDefaultDisplayReporter();
    std::vector<std::string> failed_;
};

// Runs the benchmarks the command line selects. Returns the program's exit
// status: 1 when any of them ended in an error, else 0.
inline int RunBenchmarks(int* argc, char** argv) {
    benchmark::Initialize(argc, argv);
    BenchErrorWatch watch;
    benchmark::RunSpecifiedBenchmarks(&watch);
    benchmark::Shutdown();
    for (const std::string& failure : watch.Failed()) std::fprintf(stderr, "FAILED %s\n", failure.c_str());
    return watch.Failed().empty() ? 0 : 1;
}

// A figure with its upper limit: shown as a counter; over the limit the
// benchmark ends in an error that gives both (and fails its program).
inline void AtMost(benchmark::State& state, const char* counter, double value, double limit, const char* what) {
    state.counters[counter] = value;
    if (value <= limit) return;
    char text[256];
    std::snprintf(text, sizeof text, "%s: %s %.3f, over the limit %.3f", what, counter, value, limit);
    state.SkipWithError(text);
}

// Milliseconds that f() takes.
template <class F>
double Milliseconds(F&& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Two ways of doing the same work, timed in pairs taken in turns (a pair's
// two runs close together, so that the machine's load falls on both alike):
// the median of the pairs' ratios. A pair may hold several runs of each,
// interleaved: each side counts its least time, the one the machine's other
// work did not lengthen.
class PairedRatio {
public:
    // One pair: base() and other(), runs times each, the first of them
    // alternating.
    template <class Base, class Other>
    void Time(Base&& base, Other&& other, int runs = 1) {
        double b = 0, o = 0;
        for (int r = 0; r < runs; ++r) {
            double rb = 0, ro = 0;
            if (BaseFirst() == (r % 2 == 0)) {
                rb = Milliseconds(base);
                ro = Milliseconds(other);
            } else {
                ro = Milliseconds(other);
                rb = Milliseconds(base);
            }
            b = r == 0 ? rb : std::min(b, rb);
            o = r == 0 ? ro : std::min(o, ro);
        }
        Add(b, o);
    }
    // A pair timed by the caller, in the order BaseFirst() tells.
    bool BaseFirst() const { return ratios_.size() % 2 == 0; }
    void Add(double baseMs, double otherMs) {
        baseMs_.push_back(baseMs);
        otherMs_.push_back(otherMs);
        ratios_.push_back(baseMs > 0 ? otherMs / baseMs : 1.0);
    }
    // The median of other / base over the pairs.
    double Ratio() const { return Median(ratios_); }
    double BaseMs() const { return Median(baseMs_); }
    double OtherMs() const { return Median(otherMs_); }

    static double Median(std::vector<double> v) {
        if (v.empty()) return 0;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }

private:
    std::vector<double> ratios_, baseMs_, otherMs_;
};
