#pragma once
// The session test's fixture: a private Xvfb, the programs of the program folder started as
// ./scripts/run.sh starts them, XTest input, and what is seen from outside (the X window tree,
// screen pixels, `mousectl show`, the tests' tray host and the tray companion's process).

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Picture.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// Xlib after the other headers: its macros must not meet them.
#include "tests/support/XKeyboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace sessiontest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kProgramDir = BORVANTA_PROGRAM_DIR;
const fs::path kMousectl = BORVANTA_MOUSECTL;
const fs::path kShots = BORVANTA_SHOTS_DIR;
const fs::path kTrayHost = BORVANTA_TRAY_HOST;

// A point on the screen.
struct Spot {
    int x;
    int y;
};

// Xlib errors of the requests made while it lives are noted instead of ending the program (a
// window may go between the question which windows there are and the question about one).
class ErrorTrap {
public:
    explicit ErrorTrap(Display* x) : m_x(x) {
        XSync(m_x, False);
        s_failed = false;
        m_old = XSetErrorHandler([](Display*, XErrorEvent*) -> int {
            s_failed = true;
            return 0;
        });
    }
    ~ErrorTrap() {
        XSync(m_x, False);
        XSetErrorHandler(m_old);
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    bool Failed() {
        XSync(m_x, False);
        return s_failed;
    }

private:
    Display* m_x;
    XErrorHandler m_old = nullptr;
    static inline bool s_failed = false;
};

class Session : public ::testing::Test {
protected:
    void SetUp() override {
        const auto xvfb = testsupport::FindXvfb();
        if (!xvfb) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(m_server.Start(*xvfb, "1280x1024x24"));
        m_x = XOpenDisplay(m_server.Name().c_str());
        ASSERT_NE(m_x, nullptr);
        int ignored = 0;
        ASSERT_TRUE(XTestQueryExtension(m_x, &ignored, &ignored, &ignored, &ignored));
        // The programs' orphans become this test's children: the tray companion outlives the
        // configurator that starts it, and how it ends can then be told (TrayFate).
        prctl(PR_SET_CHILD_SUBREAPER, 1);

        char folder[] = "/tmp/borvanta-session.XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_dir = folder;
        setenv("DISPLAY", m_server.Name().c_str(), 1);
        setenv("BORVANTA_SERVICE_DB", (m_dir / "mouse.db").c_str(), 1);
        setenv("BORVANTA_REGISTRY", (m_dir / "registry.txt").c_str(), 1);
        setenv("BORVANTA_LOCK_DIR", (m_dir / "locks").c_str(), 1);
        setenv("XDG_DATA_HOME", (m_dir / "data").c_str(), 1);
        unsetenv("BORVANTA_DISPLAY");
        fs::remove_all(kShots);
        fs::create_directories(kShots);
    }

    void TearDown() override {
        for (pid_t pid : m_children) {
            kill(-pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (m_trayPid > 0 && ParentOf(m_trayPid) == getpid()) {
            kill(m_trayPid, SIGKILL);
            waitpid(m_trayPid, nullptr, 0);
        }
        if (m_trayOut >= 0) {
            close(m_trayOut);
        }
        if (m_x) {
            XCloseDisplay(m_x);
        }
        m_server.Stop();
        if (!m_dir.empty()) {
            fs::remove_all(m_dir);
        }
        if (!HasFailure() && !std::getenv("BORVANTA_KEEP_SHOTS")) {
            fs::remove_all(kShots);
        }
    }

    // Runs a program to its end; its standard output.
    static std::string Run(const std::string& command) {
        std::string out;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            std::array<char, 4096> buffer{};
            size_t n = 0;
            while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
                out.append(buffer.data(), n);
            }
            pclose(pipe);
        }
        return out;
    }

    std::string MouseState() { return Run(kMousectl.string() + " show"); }

    // Starts a program in a process group of its own that ends with the test program;
    // outFd, when not negative, becomes its standard output.
    pid_t Spawn(const fs::path& program, int outFd = -1) {
        const pid_t parent = getpid();
        const pid_t pid = fork();
        if (pid == 0) {
            setpgid(0, 0);
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) {
                _exit(127);
            }
            if (outFd >= 0) {
                dup2(outFd, 1);
                close(outFd);
            }
            execl(program.c_str(), program.filename().c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid > 0) {
            setpgid(pid, pid);
            m_children.push_back(pid);
        }
        return pid;
    }

    pid_t Start(const fs::path& program) { return Spawn(program); }

    // The tests' system tray, whose "dock <window>" lines are read here.
    bool StartTrayHost() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            return false;
        }
        const pid_t pid = Spawn(kTrayHost, fds[1]);
        close(fds[1]);
        if (pid < 0) {
            close(fds[0]);
            return false;
        }
        m_trayOut = fds[0];
        return true;
    }

    // The next icon window the tray host docked, waiting at most the limit.
    std::optional<unsigned long> NextDock(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::string line;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_trayOut, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) {
                continue;
            }
            char c = 0;
            if (read(m_trayOut, &c, 1) != 1) {
                return std::nullopt;
            }
            if (c != '\n') {
                line += c;
                continue;
            }
            if (line.rfind("dock ", 0) == 0) {
                return std::stoul(line.substr(5));
            }
            line.clear();
        }
        return std::nullopt;
    }

    // Top-level windows shown on the screen now.
    std::vector<Window> ShownWindows() {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        std::vector<Window> shown;
        ErrorTrap trap(m_x);
        if (XQueryTree(m_x, DefaultRootWindow(m_x), &root, &parent, &children, &count)) {
            for (unsigned i = 0; i < count; ++i) {
                XWindowAttributes a;
                if (XGetWindowAttributes(m_x, children[i], &a) && a.map_state == IsViewable) {
                    shown.push_back(children[i]);
                }
            }
            if (children) {
                XFree(children);
            }
        }
        return shown;
    }

    // The screen centre of a window.
    Spot CentreOf(unsigned long xid) {
        ErrorTrap trap(m_x);
        XWindowAttributes a{};
        XGetWindowAttributes(m_x, static_cast<Window>(xid), &a);
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(m_x, static_cast<Window>(xid), DefaultRootWindow(m_x), a.width / 2,
                              a.height / 2, &x, &y, &child);
        return Spot{x, y};
    }

    void RightClick(Spot at) {
        XTestFakeMotionEvent(m_x, 0, at.x, at.y, 0);
        XTestFakeButtonEvent(m_x, 3, True, 0);
        XTestFakeButtonEvent(m_x, 3, False, 0);
        XSync(m_x, False);
        Settle();
    }

    // The tray menu as shown: the pixels of the one new window a right click on the icon shows,
    // which Escape closes again.
    std::optional<std::vector<unsigned long>> TrayMenuPixels(unsigned long icon) {
        const std::vector<Window> before = ShownWindows();
        const std::optional<Window> menu = OpenTrayMenu(icon);
        if (!menu) {
            return std::nullopt;
        }
        XWindowAttributes a{};
        XGetWindowAttributes(m_x, *menu, &a);
        std::vector<unsigned long> pixels;
        if (XImage* image = XGetImage(m_x, *menu, 0, 0, static_cast<unsigned>(a.width),
                                      static_cast<unsigned>(a.height), AllPlanes, ZPixmap)) {
            for (int y = 0; y < a.height; ++y) {
                for (int x = 0; x < a.width; ++x) {
                    pixels.push_back(XGetPixel(image, x, y));
                }
            }
            XDestroyImage(image);
        }
        Key(XK_Escape);
        WaitFor([&] { return ShownWindows().size() <= before.size(); }, 5s);
        Settle();
        return pixels;
    }

    // Right-clicks the tray icon; the menu window it shows.
    std::optional<Window> OpenTrayMenu(unsigned long icon) {
        const std::vector<Window> before = ShownWindows();
        RightClick(CentreOf(icon));
        const std::optional<Window> menu = NewWindow(before, 10s);
        if (!menu) {
            return std::nullopt;
        }
        Settle();
        Shot("tray-menu");
        return menu;
    }

    // A window shown now that was not among those shown before, waiting at most the limit.
    std::optional<Window> NewWindow(const std::vector<Window>& before,
                                    std::chrono::milliseconds limit) {
        std::optional<Window> shown;
        WaitFor(
            [&] {
                for (Window w : ShownWindows()) {
                    if (std::find(before.begin(), before.end(), w) == before.end()) {
                        shown = w;
                        return true;
                    }
                }
                return false;
            },
            limit);
        return shown;
    }

    bool Viewable(Window w) {
        XWindowAttributes a{};
        ErrorTrap trap(m_x);
        return XGetWindowAttributes(m_x, w, &a) && !trap.Failed() && a.map_state == IsViewable;
    }

    bool WindowExists(unsigned long xid) {
        XWindowAttributes a;
        ErrorTrap trap(m_x);
        return XGetWindowAttributes(m_x, static_cast<Window>(xid), &a) != 0 && !trap.Failed();
    }

    // The parent process of pid (0 when it is gone).
    static pid_t ParentOf(pid_t pid) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const size_t end = text.rfind(')');
        if (end == std::string::npos) {
            return 0;
        }
        char state = 0;
        int parent = 0;
        return std::sscanf(text.c_str() + end + 1, " %c %d", &state, &parent) == 2 ? parent : 0;
    }

    // The program the configurator started (the tray companion), while the configurator runs.
    pid_t ChildOf(pid_t parent) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator("/proc", ec)) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") == std::string::npos &&
                ParentOf(std::stoi(name)) == parent) {
                return std::stoi(name);
            }
        }
        return 0;
    }

    // What became of the tray companion, and what the tray host reported after the first
    // dock: said when its icon is missing.
    std::string TrayFate() {
        std::string fate;
        int status = 0;
        if (m_trayPid <= 0) {
            fate = "the tray companion was not found";
        } else if (waitpid(m_trayPid, &status, WNOHANG) == m_trayPid) {
            m_trayPid = 0;
            fate =
                WIFSIGNALED(status)
                    ? "the tray companion was killed by signal " + std::to_string(WTERMSIG(status))
                    : "the tray companion ended with " + std::to_string(WEXITSTATUS(status));
        } else {
            // Running still, or ended while the configurator ran (which collected it).
            fate = ParentOf(m_trayPid) != 0 ? "the tray companion runs"
                                            : "the tray companion ended before the configurator";
        }
        std::string host;
        char c = 0;
        for (pollfd p{m_trayOut, POLLIN, 0}; poll(&p, 1, 0) > 0 && read(m_trayOut, &c, 1) == 1;) {
            host += c;
        }
        return fate + (host.empty() ? "" : "; the tray host said since: " + host);
    }

    bool Exited(pid_t pid) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) != pid) {
            return false;
        }
        std::erase(m_children, pid);
        return true;
    }

    static bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (done()) {
                return true;
            }
            std::this_thread::sleep_for(50ms);
        }
        return done();
    }

    // A top-level window of the given title, found in the X window tree.
    std::optional<Window> FindWindow(const std::string& title) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        std::optional<Window> found;
        ErrorTrap trap(m_x);
        if (!XQueryTree(m_x, DefaultRootWindow(m_x), &root, &parent, &children, &count)) {
            return found;
        }
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes a;
            if (!XGetWindowAttributes(m_x, children[i], &a) || a.map_state != IsViewable) {
                continue;
            }
            XTextProperty name;
            if (XGetWMName(m_x, children[i], &name) && name.value) {
                if (title == reinterpret_cast<const char*>(name.value)) {
                    found = children[i];
                }
                XFree(name.value);
            }
        }
        if (children) {
            XFree(children);
        }
        return found;
    }

    // Moves the pointer along the way a hand would, through points in between.
    void Glide(Spot to) {
        Window root = 0, child = 0;
        int x = 0, y = 0, wx = 0, wy = 0;
        unsigned mask = 0;
        XQueryPointer(m_x, DefaultRootWindow(m_x), &root, &child, &x, &y, &wx, &wy, &mask);
        for (int i = 1; i <= 8; ++i) {
            XTestFakeMotionEvent(m_x, 0, x + (to.x - x) * i / 8, y + (to.y - y) * i / 8, 0);
            XSync(m_x, False);
            std::this_thread::sleep_for(25ms);
        }
    }

    void Click(Spot at, int count = 1) {
        XTestFakeMotionEvent(m_x, 0, at.x, at.y, 0);
        for (int i = 0; i < count; ++i) {
            XTestFakeButtonEvent(m_x, 1, True, 0);
            XTestFakeButtonEvent(m_x, 1, False, 0);
            XSync(m_x, False);
            std::this_thread::sleep_for(60ms);
        }
        XSync(m_x, False);
        Settle();
    }

    // The pixels of the screen's top left part, where the programs' windows open.
    std::vector<char> Area() {
        XImage* image = XGetImage(m_x, DefaultRootWindow(m_x), 0, 0, 720, 620, AllPlanes, ZPixmap);
        std::vector<char> bytes;
        if (image) {
            bytes.assign(image->data,
                         image->data + static_cast<size_t>(image->bytes_per_line) * 620u);
            XDestroyImage(image);
        }
        return bytes;
    }

    // Waits until the screen has stopped changing (a slow build takes its time to answer).
    void Settle() {
        std::vector<char> last = Area();
        int still = 0;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (still < 3 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(120ms);
            std::vector<char> now = Area();
            still = now == last ? still + 1 : 0;
            last = std::move(now);
        }
    }

    // The key that types sym in the server's layout (with Shift or AltGr as its level needs,
    // and Ctrl when asked), each key event some milliseconds after the last, as a typist (or
    // xdotool) sends them.
    void Key(KeySym sym, bool control = false) {
        EXPECT_TRUE(testsupport::PressKeysym(m_x, sym, control, 15)) << XKeysymToString(sym);
        std::this_thread::sleep_for(40ms);
    }

    void Type(std::initializer_list<KeySym> keys) {
        for (const KeySym key : keys) {
            Key(key);
        }
        std::this_thread::sleep_for(200ms);
    }

    // ASCII text, each character by its key in the server's layout.
    void Type(const std::string& text) {
        for (const char c : text) {
            switch (c) {
            case '/':
                Key(XK_slash);
                break;
            case '.':
                Key(XK_period);
                break;
            case '-':
                Key(XK_minus);
                break;
            case '_':
                Key(XK_underscore);
                break;
            default:
                Key(XStringToKeysym(std::string(1, c).c_str()));
                break;
            }
        }
        std::this_thread::sleep_for(200ms);
    }

    // The screen as it is now, saved under the step's name.
    void Shot(const std::string& step) {
        const int width = DisplayWidth(m_x, DefaultScreen(m_x));
        const int height = DisplayHeight(m_x, DefaultScreen(m_x));
        XImage* image = XGetImage(m_x, DefaultRootWindow(m_x), 0, 0, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        if (!image) {
            return;
        }
        gdi::Bitmap bitmap(width, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                bitmap.SetPixel(x, y, static_cast<gdi::Pixel>(XGetPixel(image, x, y) & 0xFFFFFF));
            }
        }
        XDestroyImage(image);
        char name[16];
        std::snprintf(name, sizeof name, "%02d-", ++m_step);
        gdi::SaveBitmapAsPng(bitmap, kShots / (name + step + ".png"));
    }

    // The pixels of a strip of the screen's top left part: rows y .. y + height.
    std::vector<unsigned long> Strip(int y, int height) {
        std::vector<unsigned long> pixels;
        XImage* image = XGetImage(m_x, DefaultRootWindow(m_x), 32, y, 420,
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        if (!image) {
            return pixels;
        }
        for (int row = 0; row < height; ++row) {
            for (int x = 0; x < 420; ++x) {
                pixels.push_back(XGetPixel(image, x, row) & 0xFFFFFF);
            }
        }
        XDestroyImage(image);
        return pixels;
    }

    // The colour of one screen pixel as 0xRRGGBB.
    unsigned long Pixel(Spot at) {
        XImage* image =
            XGetImage(m_x, DefaultRootWindow(m_x), at.x, at.y, 1, 1, AllPlanes, ZPixmap);
        if (!image) {
            return 0;
        }
        const unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return p;
    }

    testsupport::XvfbServer m_server;
    Display* m_x = nullptr;
    fs::path m_dir;
    std::vector<pid_t> m_children;
    int m_step = 0;
    int m_trayOut = -1;
    pid_t m_trayPid = 0;
};

} // namespace sessiontest
