#pragma once
// What the benchmark programs' mains share.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

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

// Runs the benchmarks the command line selects.
inline void RunBenchmarks(int* argc, char** argv) {
    benchmark::Initialize(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
