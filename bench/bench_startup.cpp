// Start-up time: the real program, started on an empty data folder, until
// its main window has painted for the first time (it quits right then); also
// while another program holds the data folder alone.
#include <benchmark/benchmark.h>

#include "Benchsupport.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/Datafolder.h"
#include "platform/Otherprogram.h"

extern char** environ;

namespace {
std::string ProgramPath() {
    for (const char* candidate : {"/../caddora", "/caddora"}) {
        const std::string path = ProgramFolder() + candidate;
        if (access(path.c_str(), X_OK) == 0) return path;
    }
    return "";
}

// Runs the program with the data folder; returns its exit status.
int RunOnce(const std::string& program, const std::string& home) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("CADDORA_HOME=", 0) == 0) continue;
        env.push_back(entry);
    }
    env.push_back("CADDORA_HOME=" + home);
    env.push_back("CADDORA_EXIT_AFTER_FIRST_PAINT=1");
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        env.push_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char*> envp;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts the program on a fresh data folder, each time; with heldAlone
// while another program holds that folder alone (as while it cleans up at
// its start): the program goes on without waiting for it.
void Startups(benchmark::State& state, bool heldAlone) {
    const std::string program = ProgramPath();
    if (program.empty()) {
        state.SkipWithError("caddora executable not found beside the benchmark");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        char tmpl[] = "/tmp/caddora-bench-XXXXXX";
        const std::string home = mkdtemp(tmpl);
        std::optional<OtherProgram> other;
        if (heldAlone && !other.emplace(home + "/caddora.lock", true).Holding())
            state.SkipWithError("no other program holds the folder");
        state.ResumeTiming();
        const int status = RunOnce(program, home);
        state.PauseTiming();
        other.reset();
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
        if (status != 0) state.SkipWithError("caddora did not start cleanly");
        state.ResumeTiming();
    }
}
} // namespace

static void BM_StartupToFirstPaint(benchmark::State& state) { Startups(state, false); }
BENCHMARK(BM_StartupToFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

static void BM_StartupWhileAnotherHoldsTheFolderAlone(benchmark::State& state) { Startups(state, true); }
BENCHMARK(BM_StartupWhileAnotherHoldsTheFolderAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

int main(int argc, char** argv) { return RunBenchmarks(&argc, argv); }
