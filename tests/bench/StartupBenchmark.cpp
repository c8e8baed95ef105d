// Start-up cost of the configurator on a private Xvfb, beside a floor measured in the same run.
//
// Each program is started afresh several times; the time runs from just before the process is
// created until the X server has drawn the program's first whole window (seen from outside
// through the damage extension on the root window: the first damage that spans the mapped
// window). Resident memory is read from /proc at that moment. The floor is a bare Xlib program
// that opens a window of the configurator's size and puts one software-drawn frame on it.
//
// The tray companion, when the program folder holds it, is timed from its start until the
// tests' system tray (x11_tray_host) reports its icon docked; then its resident memory and,
// left alone for a while, its wake-ups (context switches of all its threads) per idle minute.
//
// Each figure is printed beside its goal (times as ratios to the floor of the same run, so that
// a busy machine slows both alike), followed by whether every goal was met; the exit code is 0
// either way (the goals are for people to read, not for a build to fail on).
//
//   bench_startup [--runs N] [--idle-seconds N]
#include "tests/support/XvfbServer.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Sample {
    double ms = 0;
    long rssKb = 0;
    int width = 0;
    int height = 0;
};

long ResidentKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return 0;
}

pid_t Spawn(const std::vector<std::string>& args, const std::string& display) {
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0); // its own group, so that whatever it starts ends with it
        setenv("DISPLAY", display.c_str(), 1);
        std::vector<char*> argv;
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid > 0) {
        setpgid(pid, pid);
    }
    return pid;
}

void EndGroup(pid_t pid) {
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

class Observer {
public:
    bool Open(const std::string& display) {
        m_dpy = XOpenDisplay(display.c_str());
        if (!m_dpy) {
            return false;
        }
        int error = 0;
        if (!XDamageQueryExtension(m_dpy, &m_damageEvent, &error)) {
            return false;
        }
        m_root = DefaultRootWindow(m_dpy);
        XSelectInput(m_dpy, m_root, SubstructureNotifyMask);
        m_damage = XDamageCreate(m_dpy, m_root, XDamageReportRawRectangles);
        XSync(m_dpy, False);
        return true;
    }
    ~Observer() {
        if (m_dpy) {
            XCloseDisplay(m_dpy);
        }
    }

    void Drain() {
        XSync(m_dpy, False);
        while (XPending(m_dpy)) {
            XEvent e;
            XNextEvent(m_dpy, &e);
        }
    }

    // Waits for the first mapped top-level window of at least 100x100 to be drawn whole.
    std::optional<Sample> WaitFirstFrame(pid_t pid, Clock::time_point start, int timeoutMs) {
        const auto deadline = start + std::chrono::milliseconds(timeoutMs);
        Window target = 0;
        int tx = 0, ty = 0, tw = 0, th = 0;
        int minX = 0, minY = 0, maxX = 0, maxY = 0;
        bool any = false;
        while (Clock::now() < deadline) {
            if (!XPending(m_dpy)) {
                pollfd p{ConnectionNumber(m_dpy), POLLIN, 0};
                poll(&p, 1, 5);
                if (waitpid(pid, nullptr, WNOHANG) == pid) {
                    return std::nullopt;
                }
                continue;
            }
            XEvent e;
            XNextEvent(m_dpy, &e);
            if (std::getenv("BENCH_TRACE")) {
                std::fprintf(stderr, "event %d window %lx\n", e.type, e.xany.window);
            }
            if (e.type == MapNotify && !target) {
                XWindowAttributes a;
                if (XGetWindowAttributes(m_dpy, e.xmap.window, &a) && a.width >= 100 &&
                    a.height >= 100) {
                    target = e.xmap.window;
                    tx = a.x, ty = a.y, tw = a.width, th = a.height;
                }
            } else if (e.type == m_damageEvent + XDamageNotify && target) {
                const auto* d = reinterpret_cast<XDamageNotifyEvent*>(&e);
                const XRectangle& r = d->area;
                if (std::getenv("BENCH_TRACE")) {
                    std::fprintf(stderr, "damage %d,%d %dx%d more %d target %d,%d %dx%d\n", r.x,
                                 r.y, r.width, r.height, d->more, tx, ty, tw, th);
                }
                const int x0 = std::max<int>(r.x, tx), y0 = std::max<int>(r.y, ty);
                const int x1 = std::min<int>(r.x + r.width, tx + tw);
                const int y1 = std::min<int>(r.y + r.height, ty + th);
                if (x0 < x1 && y0 < y1) {
                    minX = any ? std::min(minX, x0) : x0;
                    minY = any ? std::min(minY, y0) : y0;
                    maxX = any ? std::max(maxX, x1) : x1;
                    maxY = any ? std::max(maxY, y1) : y1;
                    any = true;
                }
                if (!d->more && any) {
                    // A shaped window's frame arrives as several rectangles, and a large image
                    // in several bands: together they span the window once it was put whole.
                    if (minX <= tx + 2 && minY <= ty + 2 && maxX >= tx + tw - 2 &&
                        maxY >= ty + th - 2) {
                        Sample s;
                        s.ms =
                            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                        s.rssKb = ResidentKb(pid);
                        s.width = tw;
                        s.height = th;
                        return s;
                    }
                }
            }
        }
        return std::nullopt;
    }

private:
    Display* m_dpy = nullptr;
    Window m_root = 0;
    Damage m_damage = 0;
    int m_damageEvent = 0;
};

std::optional<Sample> Measure(Observer& observer, const std::vector<std::string>& args,
                              const std::string& display) {
    observer.Drain();
    const auto start = Clock::now();
    const pid_t pid = Spawn(args, display);
    if (pid <= 0) {
        return std::nullopt;
    }
    auto sample = observer.WaitFirstFrame(pid, start, 20000);
    EndGroup(pid);
    return sample;
}

// Voluntary and involuntary context switches of every thread of a process.
long ContextSwitches(pid_t pid) {
    long total = 0;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) {
        return 0;
    }
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        std::ifstream in(tasks + "/" + entry->d_name + "/status");
        std::string line;
        while (std::getline(in, line)) {
            if (line.find("ctxt_switches:") != std::string::npos) {
                total += std::atol(line.c_str() + line.find(':') + 1);
            }
        }
    }
    closedir(dir);
    return total;
}

// A tray host whose standard output is read here; it is started once and docks every icon.
struct TrayHost {
    pid_t pid = -1;
    int out = -1;
};

std::optional<TrayHost> StartTrayHost(const std::string& program, const std::string& display) {
    int fds[2];
    if (pipe(fds) != 0) {
        return std::nullopt;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        setenv("DISPLAY", display.c_str(), 1);
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        execl(program.c_str(), "x11_tray_host", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return std::nullopt;
    }
    setpgid(pid, pid);
    return TrayHost{pid, fds[0]};
}

// Waits for the next "dock" line of the host.
bool WaitDock(const TrayHost& host, int timeoutMs) {
    std::string line;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        pollfd p{host.out, POLLIN, 0};
        if (poll(&p, 1, 5) <= 0) {
            continue;
        }
        char c = 0;
        if (read(host.out, &c, 1) != 1) {
            return false;
        }
        if (c == '\n') {
            if (line.rfind("dock ", 0) == 0) {
                return true;
            }
            line.clear();
        } else {
            line += c;
        }
    }
    return false;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The goals: start-up time as a multiple of the floor, resident memory at that moment.
constexpr double kConfiguratorTimeGoal = 3.0;
constexpr double kConfiguratorMemoryGoalMb = 16.0;
constexpr double kTrayTimeGoal = 2.0;
constexpr double kTrayMemoryGoalMb = 8.0;
constexpr double kTrayWakeupsGoal = 0.0;

struct Goals {
    int met = 0;
    int missed = 0;
    // " (goal <= 3.0x: met)" and counts it.
    std::string Check(double value, double goal, const char* unit) {
        const bool ok = value <= goal;
        ++(ok ? met : missed);
        char text[64];
        std::snprintf(text, sizeof text, " (goal <= %.1f%s: %s)", goal, unit,
                      ok ? "met" : "MISSED");
        return text;
    }
};

void Report(const char* name, const std::vector<Sample>& samples, double floorMs,
            Goals* goals = nullptr, double timeGoal = 0, double memoryGoalMb = 0) {
    std::vector<double> ms, rss;
    for (const auto& s : samples) {
        ms.push_back(s.ms);
        rss.push_back(static_cast<double>(s.rssKb) / 1024.0);
    }
    std::printf("%-22s first frame %7.1f ms (min %6.1f)", name, Median(ms),
                *std::min_element(ms.begin(), ms.end()));
    if (floorMs > 0) {
        std::printf("  = %4.1fx floor", Median(ms) / floorMs);
        if (goals) {
            std::printf("%s", goals->Check(Median(ms) / floorMs, timeGoal, "x").c_str());
        }
    }
    std::printf("  resident %5.1f MB", Median(rss));
    if (goals) {
        std::printf("%s", goals->Check(Median(rss), memoryGoalMb, " MB").c_str());
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    int runs = 7;
    int idleSeconds = 60;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--idle-seconds") == 0 && i + 1 < argc) {
            idleSeconds = std::max(1, std::atoi(argv[++i]));
        }
    }
    const auto xvfb = testsupport::FindXvfb();
    testsupport::XvfbServer server;
    if (!xvfb || !server.Start(*xvfb, "1280x1024x24")) {
        std::fprintf(stderr, "bench_startup: no Xvfb could be started\n");
        return 1;
    }
    Observer observer;
    if (!observer.Open(server.Name())) {
        std::fprintf(stderr, "bench_startup: the X server has no damage extension\n");
        return 1;
    }

    // A private virtual mouse, registry and lock folder; the mouse exists before the first run.
    char folder[] = "/tmp/bench_startup.XXXXXX";
    if (!mkdtemp(folder)) {
        return 1;
    }
    const std::string dir = folder;
    setenv("BORVANTA_SERVICE_DB", (dir + "/mouse.db").c_str(), 1);
    setenv("BORVANTA_REGISTRY", (dir + "/registry.txt").c_str(), 1);
    setenv("BORVANTA_LOCK_DIR", (dir + "/locks").c_str(), 1);
    const std::string mousectl = BORVANTA_MOUSECTL;
    const std::string configurator = std::string(BORVANTA_PROGRAM_DIR) + "/Borvanta5600";
    if (std::system((mousectl + " show >/dev/null").c_str()) != 0) {
        std::fprintf(stderr, "bench_startup: mousectl failed\n");
        return 1;
    }

    // Warm the page cache and learn the window's size.
    auto first = Measure(observer, {configurator}, server.Name());
    if (!first) {
        std::fprintf(stderr, "bench_startup: the configurator showed no window\n");
        return 1;
    }
    const std::string floorProgram = BORVANTA_FLOOR_WINDOW;
    std::vector<Sample> floorSamples, appSamples;
    for (int i = 0; i < runs; ++i) {
        if (auto s =
                Measure(observer,
                        {floorProgram, std::to_string(first->width), std::to_string(first->height)},
                        server.Name())) {
            floorSamples.push_back(*s);
        }
        if (auto s = Measure(observer, {configurator}, server.Name())) {
            appSamples.push_back(*s);
        }
    }
    // The tray: start to icon docked, resident memory, then the idle wake-ups.
    const std::string tray = std::string(BORVANTA_PROGRAM_DIR) + "/BorvantaSysTray";
    std::vector<double> dockMs, trayRss;
    double wakeupsPerMinute = -1;
    std::optional<TrayHost> host;
    if (access(tray.c_str(), X_OK) == 0) {
        host = StartTrayHost(BORVANTA_TRAY_HOST, server.Name());
    }
    if (host) {
        for (int i = 0; i < runs; ++i) {
            const auto start = Clock::now();
            const pid_t pid = Spawn({tray}, server.Name());
            if (pid > 0 && WaitDock(*host, 20000)) {
                dockMs.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                trayRss.push_back(static_cast<double>(ResidentKb(pid)) / 1024.0);
                if (i + 1 == runs) {
                    // Settled first, then left alone.
                    std::this_thread::sleep_for(std::chrono::seconds(2));
                    const long before = ContextSwitches(pid);
                    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
                    const long after = ContextSwitches(pid);
                    wakeupsPerMinute = static_cast<double>(after - before) * 60.0 / idleSeconds;
                }
            }
            if (pid > 0) {
                EndGroup(pid);
            }
        }
        EndGroup(host->pid);
        close(host->out);
    }
    std::filesystem::remove_all(dir);
    if (floorSamples.empty() || appSamples.empty()) {
        std::fprintf(stderr, "bench_startup: no frame seen\n");
        return 1;
    }
    std::printf("start to first whole frame on Xvfb, %d runs each, window %dx%d (median)\n", runs,
                first->width, first->height);
    std::vector<double> floorMs;
    for (const auto& s : floorSamples) {
        floorMs.push_back(s.ms);
    }
    Goals goals;
    Report("floor (bare Xlib)", floorSamples, 0);
    Report("Borvanta5600", appSamples, Median(floorMs), &goals, kConfiguratorTimeGoal,
           kConfiguratorMemoryGoalMb);
    if (dockMs.empty()) {
        std::printf("BorvantaSysTray         not measured (no program or no dock)\n");
        ++goals.missed;
    } else {
        const double ratio = Median(dockMs) / Median(floorMs);
        const std::string timeGoal = goals.Check(ratio, kTrayTimeGoal, "x");
        const std::string memoryGoal = goals.Check(Median(trayRss), kTrayMemoryGoalMb, " MB");
        const std::string wakeupGoal = goals.Check(wakeupsPerMinute, kTrayWakeupsGoal, "");
        std::printf("BorvantaSysTray        icon docked %7.1f ms (min %6.1f)  = %4.1fx floor%s  "
                    "resident %5.1f MB%s  wake-ups %.0f per idle minute (%d s)%s\n",
                    Median(dockMs), *std::min_element(dockMs.begin(), dockMs.end()), ratio,
                    timeGoal.c_str(), Median(trayRss), memoryGoal.c_str(), wakeupsPerMinute,
                    idleSeconds, wakeupGoal.c_str());
    }
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) > 0) {
        std::printf("load average %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    }
    std::printf("goals: %d met, %d missed%s\n", goals.met, goals.missed,
                goals.missed == 0 ? " (all met)" : "");
    return 0;
}
