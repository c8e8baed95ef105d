// A user's session on X11: the programs run on a private Xvfb against a private virtual mouse,
// started as ./scripts/run.sh starts them, and are driven only through X input (XTest) and
// observed only from outside (the X window tree, screen pixels, `mousectl show`). Every step
// leaves a screenshot in the build folder's session-shots/ folder; a passing run removes them.

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
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

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

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kProgramDir = BORVANTA_PROGRAM_DIR;
const fs::path kMousectl = BORVANTA_MOUSECTL;
const fs::path kShots = BORVANTA_SHOTS_DIR;
const fs::path kTrayHost = BORVANTA_TRAY_HOST;

// The configurator's main window: its skin puts it at the screen's top left corner with no
// window manager to move it; these are points inside its controls.
struct Spot {
    int x;
    int y;
};
// Names typed on the way, as mousectl prints them (UTF-8).
const std::string kRenamed = "\"B\xC3\xBCro\"";
const std::string kRussianName = "\"\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0\"";

constexpr Spot kTabButtons{75, 69};
constexpr Spot kTabPerformance{195, 69};
constexpr Spot kTabProfiles{318, 69};
constexpr Spot kTabLighting{562, 69};
constexpr Spot kApply{346, 387};
constexpr Spot kOk{486, 387};
constexpr Spot kPolling8ms{383, 293};
constexpr Spot kProfileNew{71, 309};
constexpr Spot kNameField{320, 217};
constexpr Spot kNamePopupOk{259, 268};
constexpr Spot kSecondProfileName{120, 182};
constexpr Spot kSecondProfileAuto{530, 182}; // its check box of automatic switching
constexpr Spot kTabMacros{440, 69};
constexpr Spot kMacroNew{544, 149};
constexpr Spot kMacroRecord{544, 293};
constexpr Spot kBackField{115, 301};        // the left field of the fourth button
constexpr Spot kBackListSingleKey{60, 459}; // its list's "Single Key"
constexpr Spot kForwardField{115, 263};     // the left field of the fifth button
constexpr Spot kForwardListMacro{50, 337};  // its list's "Macro"
constexpr Spot kFirstDelayRow{150, 195};    // the second row of the macro's event list
constexpr Spot kKeyPopupOk{259, 268};
constexpr Spot kScrollLightColour{460, 154};
constexpr Spot kPaletteGreen{503, 218};
constexpr Spot kLogoLightColour{430, 188};
constexpr Spot kStagesButton{524, 237};
constexpr Spot kStagesFewer{213, 293};
constexpr Spot kStagesOk{419, 336};

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

    pid_t Start(const fs::path& program) {
        const pid_t parent = getpid();
        const pid_t pid = fork();
        if (pid == 0) {
            setpgid(0, 0);
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) {
                _exit(127);
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

    // The tests' system tray, whose "dock <window>" lines are read here.
    bool StartTrayHost() {
        int fds[2];
        if (pipe(fds) != 0) {
            return false;
        }
        const pid_t parent = getpid();
        const pid_t pid = fork();
        if (pid == 0) {
            setpgid(0, 0);
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) {
                _exit(127);
            }
            dup2(fds[1], 1);
            close(fds[0]);
            close(fds[1]);
            execl(kTrayHost.c_str(), "x11_tray_host", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (pid < 0) {
            close(fds[0]);
            return false;
        }
        setpgid(pid, pid);
        m_children.push_back(pid);
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
        return WindowExists(w) && XGetWindowAttributes(m_x, w, &a) && a.map_state == IsViewable;
    }

    bool WindowExists(unsigned long xid) {
        XWindowAttributes a;
        XSync(m_x, False);
        XErrorHandler old = XSetErrorHandler([](Display*, XErrorEvent*) -> int {
            s_error = true;
            return 0;
        });
        s_error = false;
        const bool ok = XGetWindowAttributes(m_x, static_cast<Window>(xid), &a) != 0;
        XSync(m_x, False);
        XSetErrorHandler(old);
        return ok && !s_error;
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
    static inline bool s_error = false;
};

TEST_F(Session, ConfiguratorChangesReachTheMouse) {
    // A German keyboard: every name and path below is typed in its layout.
    ASSERT_TRUE(testsupport::SetKeyboardLayout(m_server.Name(), "de"));
    // As ./scripts/run.sh does: the installer's registry values, then the program.
    const fs::path configurator = kProgramDir / "Borvanta5600";
    ASSERT_EQ(std::system((configurator.string() + " --install-defaults").c_str()), 0);
    ASSERT_NE(MouseState().find("polling rate: 1 ms"), std::string::npos) << MouseState();
    // A system tray first, so that the tray companion the configurator starts can dock.
    ASSERT_TRUE(StartTrayHost());
    const pid_t app = Start(configurator);
    ASSERT_GT(app, 0);
    ASSERT_TRUE(WaitFor([&] { return FindWindow("Tolvi Borvanta 5600").has_value(); }, 60s))
        << "the configurator's window did not appear";
    const auto trayIcon = NextDock(30s);
    ASSERT_TRUE(trayIcon.has_value()) << "the tray companion's icon did not dock";
    std::this_thread::sleep_for(500ms);
    Shot("started");
    const unsigned long applyIdle = Pixel(kApply);

    // Performance: the polling rate.
    Click(kTabPerformance);
    Click(kPolling8ms);
    Shot("polling-8ms");
    EXPECT_NE(Pixel(kApply), applyIdle) << "Apply did not light up after a change";

    // Profiles: a new profile, then renamed in its row.
    Click(kTabProfiles);
    Click(kProfileNew);
    Shot("name-popup");
    Click(kNameField);
    Type("Work");
    Click(kNamePopupOk);
    Shot("profile-added");
    // The row's name, selected as its editor opens, is replaced by what is typed; Ctrl+A
    // selects it again after a Backspace.
    Click(kSecondProfileName, 2);
    Key(XK_BackSpace);
    Key(XK_a, true);
    std::this_thread::sleep_for(300ms);
    Type({XK_B, XK_udiaeresis, XK_r, XK_o});
    Shot("profile-renaming");
    Key(XK_Return);
    std::this_thread::sleep_for(300ms);
    Shot("profile-renamed");

    // The renamed profile is bound to this test program: the row menu's program choice opens the
    // chooser, whose name field takes the program's path; then its automatic switching.
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const fs::path program = self;
    const std::vector<Window> beforeMenu = ShownWindows();
    RightClick(kSecondProfileName);
    const std::optional<Window> rowMenu = NewWindow(beforeMenu, 10s);
    ASSERT_TRUE(rowMenu.has_value()) << "no row menu on a right click";
    Settle();
    Shot("row-menu");
    XWindowAttributes menuArea{};
    XGetWindowAttributes(m_x, *rowMenu, &menuArea);
    // The ninth of its ten entries assigns a program.
    Click(Spot{menuArea.x + menuArea.width / 2, menuArea.y + menuArea.height * 17 / 20});
    ASSERT_TRUE(WaitFor([&] { return !Viewable(*rowMenu); }, 10s)) << "the row menu stayed";
    const std::optional<Window> chooser = NewWindow(beforeMenu, 20s);
    ASSERT_TRUE(chooser.has_value()) << "no program chooser from the row menu";
    Settle();
    Shot("program-chooser");
    Type(program.string());
    Shot("program-typed");
    Key(XK_Return);
    ASSERT_TRUE(WaitFor([&] { return !Viewable(*chooser); }, 20s))
        << "the program chooser did not end on Return";
    Settle();
    Click(kSecondProfileAuto);
    Shot("program-bound");

    // Macros: five macros first, so that the one recorded next is the sixth, past the rows
    // the buttons page's macro sub-menu shows at once.
    Click(kTabMacros);
    for (int i = 1; i <= 5; ++i) {
        Click(kMacroNew);
        Click(kNameField);
        Type("m" + std::to_string(i));
        Click(kNamePopupOk);
    }
    // A new macro, recorded from two typed keys.
    Click(kMacroNew);
    Click(kNameField);
    Type("greet");
    Click(kNamePopupOk);
    Click(kMacroRecord);
    Type("hi");
    Click(kMacroRecord);
    Shot("macro-recorded");

    // Its first delay edited in place: the row, the row menu's third entry ("Edit"), a new
    // value and Enter, which stays in the field: the window neither writes nor closes.
    const auto delayRow = [this] { return Strip(kFirstDelayRow.y - 6, 12); };
    const std::vector<unsigned long> delayBefore = delayRow();
    Click(kFirstDelayRow);
    RightClick(kFirstDelayRow);
    Key(XK_Down);
    Key(XK_Down);
    Key(XK_Down);
    Key(XK_Return);
    Settle();
    for (int i = 0; i < 8; ++i) {
        Key(XK_BackSpace);
    }
    Type("2500");
    Key(XK_Return);
    Settle();
    Shot("delay-edited");
    ASSERT_TRUE(FindWindow("Tolvi Borvanta 5600").has_value())
        << "Enter in the delay field ended the configurator";
    EXPECT_NE(delayRow(), delayBefore) << "the delay row did not change";

    // Buttons: the fourth button becomes the key F5, the fifth the macro.
    Click(kTabButtons);
    Click(kBackField);
    Shot("assignment-list");
    Click(kBackListSingleKey);
    Shot("key-popup");
    Key(XK_F5);
    Click(kKeyPopupOk);
    Click(kForwardField);
    Click(kForwardListMacro);
    Shot("macro-submenu");
    // The recorded macro is the sixth: below the five rows shown, reached with End.
    Key(XK_End);
    Shot("macro-submenu-end");
    Key(XK_Return);
    Settle();
    Shot("assigned");

    // Lighting: the scroll wheel light turns green.
    Click(kTabLighting);
    Click(kScrollLightColour);
    Shot("palette");
    Click(kPaletteGreen);
    Shot("green");
    // The logo light takes a colour of its own: the palette's wide custom cell opens the
    // colour chooser on the light's colour (blue), whose red part becomes 192.
    const std::vector<Window> beforePalette = ShownWindows();
    Click(kLogoLightColour);
    const std::optional<Window> palette = NewWindow(beforePalette, 10s);
    ASSERT_TRUE(palette.has_value()) << "no palette for the logo light";
    Settle();
    XWindowAttributes paletteArea{};
    XGetWindowAttributes(m_x, *palette, &paletteArea);
    std::vector<Window> withPalette = beforePalette;
    withPalette.push_back(*palette);
    Click(Spot{paletteArea.x + paletteArea.width / 2, paletteArea.y + paletteArea.height - 12});
    const std::optional<Window> colourChooser = NewWindow(withPalette, 20s);
    ASSERT_TRUE(colourChooser.has_value()) << "no colour chooser from the custom cell";
    Settle();
    Shot("colour-chooser");
    Type("192");
    Shot("colour-typed");
    Key(XK_Return);
    ASSERT_TRUE(WaitFor([&] { return !Viewable(*colourChooser); }, 20s))
        << "the colour chooser did not end on Return";
    Settle();
    Shot("logo-colour");

    // Performance: the stages popup, one stage fewer.
    Click(kTabPerformance);
    Click(kStagesButton);
    Shot("stages-popup");
    Click(kStagesFewer);
    Click(kStagesOk);
    Shot("stages-set");

    // Two more profiles, their names typed in German (a dead key for the diaeresis) and, after
    // the layout changed while the configurator runs, in Russian.
    Click(kTabProfiles);
    Click(kProfileNew);
    Click(kNameField);
    Type({XK_Z, XK_o, XK_dead_diaeresis, XK_e, XK_space, XK_S, XK_t, XK_r, XK_a, XK_ssharp, XK_e});
    Shot("german-name");
    Click(kNamePopupOk);
    ASSERT_TRUE(testsupport::SetKeyboardLayout(m_server.Name(), "ru"));
    Click(kProfileNew);
    Click(kNameField);
    Type({XK_Cyrillic_I, XK_Cyrillic_ghe, XK_Cyrillic_er, XK_Cyrillic_a});
    Shot("russian-name");
    Click(kNamePopupOk);
    Shot("four-profiles");

    // Apply writes to the mouse.
    Click(kApply);
    Shot("applied");
    EXPECT_TRUE(WaitFor([&] {
        const std::string state = MouseState();
        return state.find("polling rate: 8 ms") != std::string::npos &&
               state.find(kRussianName) != std::string::npos;
    })) << MouseState();
    const std::string state = MouseState();
    EXPECT_NE(state.find("\"Profile 1\""), std::string::npos) << state;
    EXPECT_EQ(state.find("\"Work\""), std::string::npos) << state;
    EXPECT_NE(state.find("profile 3: \"Zo\xC3\xAB Stra\xC3\x9F"
                         "e\""),
              std::string::npos)
        << state;
    EXPECT_NE(state.find("profile 4 (active): " + kRussianName), std::string::npos) << state;
    // The renamed profile is the one edited: its section of the state, up to the next profile.
    const size_t office = state.find(kRenamed);
    ASSERT_NE(office, std::string::npos) << state;
    const std::string section = state.substr(office, state.find("\nprofile ", office) - office);
    EXPECT_NE(section.find("button 4: key scan 63 "), std::string::npos) << section; // F5
    const size_t macro = state.find("macro \"greet\" {");
    ASSERT_NE(macro, std::string::npos) << state;
    const size_t open = state.find('{', macro);
    const std::string macroId = state.substr(open, state.find('}', open) + 1 - open);
    EXPECT_NE(section.find("button 5: macro " + macroId), std::string::npos) << section << macroId;
    EXPECT_NE(section.find("scroll on #00FF00"), std::string::npos) << section;
    EXPECT_NE(section.find("logo on #C000FF"), std::string::npos) << section;
    EXPECT_NE(section.find("stage 3 of 800 1200 1800 4000\n"), std::string::npos) << section;
    // "hi" pressed and released: four key events at least, with delays between them.
    const int events = std::atoi(state.c_str() + state.find("}: ", macro) + 3);
    EXPECT_GE(events, 4) << state;
    EXPECT_NE(section.find("program: " + program.filename().string() + "; switches: auto 1"),
              std::string::npos)
        << section;

    // Once the writing popup has gone, Apply is idle again; then OK closes the configurator.
    EXPECT_TRUE(WaitFor([&] { return Pixel(kApply) == applyIdle; }))
        << "Apply stayed lit after the write";
    Click(kOk);
    EXPECT_TRUE(WaitFor([&] { return Exited(app); }, 30s)) << "OK did not end the configurator";
    Shot("closed");
    EXPECT_FALSE(FindWindow("Tolvi Borvanta 5600").has_value());

    // The tray companion stays. The mouse's stage button: the active profile shows the
    // sensitivity on screen, so a window appears for it.
    EXPECT_TRUE(WindowExists(*trayIcon)) << "the tray icon went with the configurator";
    const size_t before = ShownWindows().size();
    Run(kMousectl.string() + " dpi-up");
    EXPECT_TRUE(WaitFor([&] { return ShownWindows().size() > before; }, 10s))
        << "no on-screen display after the stage button";
    Shot("dpi-osd");
    EXPECT_NE(MouseState().find("stage 4 of"), std::string::npos) << MouseState();

    // The mouse's profile button: the tray menu, which marks the active profile, follows.
    const auto menuBefore = TrayMenuPixels(*trayIcon);
    ASSERT_TRUE(menuBefore.has_value()) << "no tray menu on a right click";
    Run(kMousectl.string() + " profile-up");
    EXPECT_TRUE(WaitFor([&] {
        return MouseState().find("(active): \"Profile 1\"") != std::string::npos;
    })) << MouseState();
    std::this_thread::sleep_for(1s);
    const auto menuAfter = TrayMenuPixels(*trayIcon);
    ASSERT_TRUE(menuAfter.has_value()) << "no tray menu after the profile button";
    EXPECT_NE(*menuBefore, *menuAfter) << "the tray menu did not follow the active profile";

    // A window of this test program becomes the active one, as a window manager marks it: the
    // tray makes the profile bound to the program active.
    const Window gameWindow =
        XCreateSimpleWindow(m_x, DefaultRootWindow(m_x), 900, 700, 60, 60, 0, 0, 0);
    long pid = getpid();
    XChangeProperty(m_x, gameWindow, XInternAtom(m_x, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    XMapWindow(m_x, gameWindow);
    Window activeWindow = gameWindow;
    XChangeProperty(m_x, DefaultRootWindow(m_x), XInternAtom(m_x, "_NET_ACTIVE_WINDOW", False),
                    XA_WINDOW, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&activeWindow),
                    1);
    XSync(m_x, False);
    EXPECT_TRUE(WaitFor([&] {
        return MouseState().find("(active): " + kRenamed) != std::string::npos;
    })) << MouseState();
    Shot("program-activated");

    // Unplugged and plugged in again while the tray runs: it keeps its icon and follows the
    // mouse again.
    Run(kMousectl.string() + " unplug");
    std::this_thread::sleep_for(2s);
    Run(kMousectl.string() + " plug");
    std::this_thread::sleep_for(3s);
    Shot("replugged");
    EXPECT_TRUE(WindowExists(*trayIcon)) << "the tray icon went after unplugging";
    EXPECT_NE(MouseState().find("plugged in"), std::string::npos);

    // The menu's last item, "Close Tray Icon", ends the tray: its icon goes.
    const auto menu = OpenTrayMenu(*trayIcon);
    ASSERT_TRUE(menu.has_value()) << "no tray menu after plugging in";
    XWindowAttributes a{};
    XGetWindowAttributes(m_x, *menu, &a);
    Click(Spot{a.x + a.width / 2, a.y + a.height - 12});
    EXPECT_TRUE(WaitFor([&] { return !WindowExists(*trayIcon); }, 20s))
        << "the tray icon stayed after Close Tray Icon";
    Shot("tray-closed");
}

} // namespace
