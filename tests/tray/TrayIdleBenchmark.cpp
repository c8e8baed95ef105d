// The tray program's cost while nothing happens: it is started on the in-memory display
// against a private mouse, left alone, and measured from outside: resident memory, and
// wake-ups (context switches of all its threads) per idle minute.

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A field of a /proc status file ("VmRSS:", "voluntary_ctxt_switches:"...), 0 when missing.
long StatusField(const fs::path& status, const std::string& name) {
    std::ifstream in(status);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(name, 0) == 0) {
            return std::strtol(line.c_str() + name.size(), nullptr, 10);
        }
    }
    return 0;
}

// Context switches of every thread of the process.
long Wakeups(pid_t pid) {
    long total = 0;
    std::error_code ec;
    for (const auto& task :
         fs::directory_iterator(fs::path("/proc") / std::to_string(pid) / "task", ec)) {
        total += StatusField(task.path() / "status", "voluntary_ctxt_switches:");
        total += StatusField(task.path() / "status", "nonvoluntary_ctxt_switches:");
    }
    return total;
}

void BM_TrayIdle(benchmark::State& state) {
    const fs::path dir =
        fs::temp_directory_path() / ("borvanta-tray-idle-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    setenv("BORVANTA_SERVICE_DB", (dir / "mouse.db").c_str(), 1);
    setenv("BORVANTA_REGISTRY", (dir / "registry.txt").c_str(), 1);
    setenv("BORVANTA_LOCK_DIR", (dir / "locks").c_str(), 1);
    setenv("BORVANTA_DISPLAY", "headless", 1);
    char program[] = BORVANTA_TRAY_PROGRAM;
    char* argv[] = {program, nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
        state.SkipWithError("the tray program does not start");
        return;
    }
    // Start-up done, the service's first events handled.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const int seconds = static_cast<int>(state.range(0));
    long wakeups = 0;
    for (auto _ : state) {
        const long before = Wakeups(pid);
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        wakeups = Wakeups(pid) - before;
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const fs::path status = fs::path("/proc") / std::to_string(pid) / "status";
    state.counters["rss_kB"] = static_cast<double>(StatusField(status, "VmRSS:"));
    state.counters["wakeups_per_min"] = static_cast<double>(wakeups) * 60.0 / seconds;
    kill(pid, SIGTERM);
    int exitStatus = 0;
    waitpid(pid, &exitStatus, 0);
    fs::remove_all(dir);
}

BENCHMARK(BM_TrayIdle)->Arg(20)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
