// The tray program on a private Xvfb as on a real desktop: its tray restarts, the pointer
// rests on its icon, a game runs under Wine's loader, the screen is locked (a private system
// bus with the tests' stand-in login manager) and the configurator already runs. Skipped
// without Xvfb (and the lock test without dbus-daemon).

#include "TrayTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PrivateSystemBus.h"
#include "tests/support/XvfbServer.h"

#include "platform/base/CString.h"
#include "platform/base/Registry.h"
#include "platform/base/WideChar.h"
#include "service/MouseControl.h"
#include "tray/DeviceManager.h"
#include "tray/ProcessHelpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace traytest;

namespace {

using Clock = std::chrono::steady_clock;
using testsupport::ChildProcess;

template <class Pred> bool WaitFor(Pred pred, int ms = 10000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < deadline) {
        if (pred()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return pred();
}

std::string TextProperty(Display* x, ::Window w, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(x, w, XInternAtom(x, name, False), 0, 256, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) == Success &&
        data) {
        if (format == 8) {
            value.assign(reinterpret_cast<const char*>(data), count);
        }
        XFree(data);
    }
    return value;
}

// The first viewable window of ours (its window class published) of that class, or of that
// name (WM_NAME) when byName; 0 when none.
::Window Viewable(Display* x, ::Window w, const char* wanted, bool byName = false) {
    std::string value;
    if (byName) {
        char* text = nullptr;
        if (XFetchName(x, w, &text) && text) {
            value = text;
            XFree(text);
        }
    } else {
        value = TextProperty(x, w, "_BORVANTA_WINDOW_CLASS");
    }
    XWindowAttributes a{};
    if (value == wanted && XGetWindowAttributes(x, w, &a) && a.map_state == IsViewable) {
        return w;
    }
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    ::Window found = 0;
    if (XQueryTree(x, w, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            found = Viewable(x, children[i], wanted, byName);
        }
        if (children) {
            XFree(children);
        }
    }
    return found;
}

class TrayDesktopTest : public TrayTest {
protected:
    void SetUp() override {
        TrayTest::SetUp();
        const auto xvfb = testsupport::FindXvfb();
        if (!xvfb) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(m_xvfb.Start(*xvfb, "800x600x24")) << "Xvfb did not start";
        ::setenv("DISPLAY", m_xvfb.Name().c_str(), 1);
        ::setenv("BORVANTA_LOCK_DIR", (m_dir / "locks").c_str(), 1);
        ::unsetenv("BORVANTA_DISPLAY");
        m_x = XOpenDisplay(m_xvfb.Name().c_str());
        ASSERT_NE(m_x, nullptr);
        // Windows of other programs come and go while the tree is searched.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    void TearDown() override {
        m_tray.Stop();
        m_host.Stop();
        if (m_x) {
            XCloseDisplay(m_x);
        }
        m_xvfb.Stop();
        TrayTest::TearDown();
    }

    // Starts the tests' tray (ready when it owns the selection).
    bool StartHost(bool saveSet = true) {
        std::vector<std::string> argv = {BORVANTA_TRAY_HOST};
        if (!saveSet) {
            argv.push_back("--no-save-set");
        }
        const auto ready = m_host.Start(argv) ? m_host.ReadLine() : std::nullopt;
        return ready && ready->rfind("ready ", 0) == 0;
    }
    // The window of the next dock request (0 after 20 s without one, or for a request that
    // names a missing window).
    ::Window NextDock() {
        const auto line = m_host.ReadLine(20000);
        return line && line->rfind("dock ", 0) == 0 ? std::strtoul(line->c_str() + 5, nullptr, 0)
                                                    : 0;
    }
    bool StartTray() { return m_tray.Start({BORVANTA_TRAY_PROGRAM}, false); }

    POINT CentreOf(::Window w) {
        int x = 0;
        int y = 0;
        ::Window child = 0;
        XTranslateCoordinates(m_x, w, DefaultRootWindow(m_x), 12, 12, &x, &y, &child);
        return POINT{x, y};
    }
    void MoveTo(POINT p) {
        XTestFakeMotionEvent(m_x, -1, static_cast<int>(p.x), static_cast<int>(p.y), 0);
        XSync(m_x, False);
    }
    void Click(unsigned button) {
        XTestFakeButtonEvent(m_x, button, True, 0);
        XTestFakeButtonEvent(m_x, button, False, 0);
        XSync(m_x, False);
    }
    void Key(KeySym sym) {
        const KeyCode code = XKeysymToKeycode(m_x, sym);
        XTestFakeKeyEvent(m_x, code, True, 0);
        XTestFakeKeyEvent(m_x, code, False, 0);
        XSync(m_x, False);
    }
    ::Window Root() { return DefaultRootWindow(m_x); }
    // A right click on the icon opens the tray menu; Escape closes it again.
    bool MenuOpensAndCloses(::Window icon) {
        if (!WaitFor([&] {
                XWindowAttributes a{};
                return XGetWindowAttributes(m_x, icon, &a) && a.map_state == IsViewable;
            })) {
            return false;
        }
        MoveTo(CentreOf(icon));
        Click(3);
        if (!WaitFor([&] { return Viewable(m_x, Root(), "#32768") != 0; })) {
            return false;
        }
        // Escape once the menu holds the keyboard.
        return WaitFor(
            [&] {
                Key(XK_Escape);
                return Viewable(m_x, Root(), "#32768") == 0;
            },
            5000);
    }
    static CString ActiveName() {
        CDeviceManager devices;
        CString name;
        devices.GetActiveProfileName(name);
        return name;
    }

    testsupport::XvfbServer m_xvfb;
    ChildProcess m_host;
    ChildProcess m_tray;
    Display* m_x = nullptr;
};

TEST_F(TrayDesktopTest, TheIconDocksOnceWithEachOfTenRestartedTraysAndAnswersThere) {
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(StartTray());
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE("tray " + std::to_string(round + 1));
        const ::Window icon = NextDock();
        ASSERT_NE(icon, 0u) << "no dock request for a window that exists";
        XWindowAttributes a{};
        EXPECT_TRUE(XGetWindowAttributes(m_x, icon, &a));
        EXPECT_TRUE(MenuOpensAndCloses(icon));
        // No second request, for that window or another.
        EXPECT_EQ(m_host.ReadLine(300), std::nullopt);
        // Killed: every other tray destroys its icons with it, the others give them back.
        m_host.Stop();
        ASSERT_TRUE(StartHost(round % 2 == 0 ? false : true));
    }
}

TEST_F(TrayDesktopTest, TheIconShowsItsTipKeepsTheTraysBackgroundAndIsNotNamedAsItsTip) {
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(StartTray());
    const ::Window icon = NextDock();
    ASSERT_NE(icon, 0u);
    char* name = nullptr;
    ASSERT_TRUE(XFetchName(m_x, icon, &name) && name);
    EXPECT_STRNE(name, "Tolvi Borvanta 5600"); // the configurator's title
    XFree(name);
    EXPECT_EQ(Viewable(m_x, Root(), "Tolvi Borvanta 5600", true), 0u);

    // The pointer rests on the icon: the tip comes near it.
    ASSERT_TRUE(WaitFor([&] {
        XWindowAttributes a{};
        return XGetWindowAttributes(m_x, icon, &a) && a.map_state == IsViewable;
    }));
    const POINT at = CentreOf(icon);
    MoveTo(POINT{at.x - 300, at.y - 300});
    MoveTo(at);
    ::Window tip = 0;
    ASSERT_TRUE(WaitFor([&] { return (tip = Viewable(m_x, Root(), "BorvantaTrayTip")) != 0; }))
        << "no tip";
    XWindowAttributes t{};
    ASSERT_TRUE(XGetWindowAttributes(m_x, tip, &t));
    EXPECT_LE(std::abs(t.y + t.height - (at.y - 12)), 8) << "the tip sits just above the icon";
    EXPECT_LE(std::abs(t.x + t.width / 2 - static_cast<int>(at.x)), t.width / 2 + 24);
    // Gone when the pointer leaves; back when it returns; gone at a press (the menu opens).
    MoveTo(POINT{at.x - 300, at.y - 300});
    EXPECT_TRUE(WaitFor([&] { return Viewable(m_x, Root(), "BorvantaTrayTip") == 0; }));
    MoveTo(at);
    EXPECT_TRUE(WaitFor([&] { return Viewable(m_x, Root(), "BorvantaTrayTip") != 0; }));
    Click(3);
    EXPECT_TRUE(WaitFor([&] { return Viewable(m_x, Root(), "#32768") != 0; }));
    EXPECT_EQ(Viewable(m_x, Root(), "BorvantaTrayTip"), 0u);
    Key(XK_Escape);
    ASSERT_TRUE(WaitFor([&] { return Viewable(m_x, Root(), "#32768") == 0; }));
    MoveTo(POINT{at.x - 300, at.y - 300});

    // A light window covers the icon and goes: the icon's transparent corner shows the tray's
    // background (0x404040) again, not what covered it.
    XSetWindowAttributes cover{};
    cover.override_redirect = True;
    cover.background_pixel = 0xD0D0D0;
    const ::Window over =
        XCreateWindow(m_x, Root(), at.x - 20, at.y - 20, 40, 40, 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWBackPixel, &cover);
    XMapRaised(m_x, over);
    XSync(m_x, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    XDestroyWindow(m_x, over);
    XSync(m_x, False);
    unsigned long corner = 0;
    EXPECT_TRUE(WaitFor(
        [&] {
            XImage* image = XGetImage(m_x, icon, 0, 0, 1, 1, AllPlanes, ZPixmap);
            if (!image) {
                return false;
            }
            corner = XGetPixel(image, 0, 0) & 0xFFFFFF;
            XDestroyImage(image);
            return corner == 0x404040;
        },
        3000))
        << std::hex << corner;
}

TEST_F(TrayDesktopTest, AGameUnderWinesLoaderSwitchesToTheProfileBoundToTheGame) {
    {
        CDeviceManager devices;
        ASSERT_EQ(RunOtherProgram({"create", "Bravo"}), 0);
        const CString program(u"Game.exe");
        const WCHAR* text = program.GetString();
        ASSERT_TRUE(devices.SetProfileProgram(u"Bravo", &text));
        ASSERT_TRUE(devices.SetProfileSwitches(u"Bravo", 1, 0, 0));
    }
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(StartTray());
    ASSERT_NE(NextDock(), 0u); // the tray runs and follows the active window
    ASSERT_EQ(ActiveName().view(), u"Profile 1");

    // The window's program is Wine's loader, run with the game's Windows path as first word.
    const std::filesystem::path loader = m_dir / "wine64-preloader";
    std::filesystem::copy_file(ACTIVE_WINDOW_HELPER, loader);
    std::filesystem::permissions(loader, std::filesystem::perms::owner_all);
    ChildProcess game;
    game.SetProgram(loader.string());
    ASSERT_TRUE(game.Start({"C:\\Games\\Tolvi\\Game.exe", "-windowed"}));
    const auto active = game.ReadLine();
    ASSERT_TRUE(active && active->rfind("active ", 0) == 0);
    EXPECT_TRUE(WaitFor([] { return ActiveName().view() == u"Bravo"; }))
        << "active: " << ActiveName().ToUtf8();
}

TEST_F(TrayDesktopTest, NoSensitivityDisplayWhileTheSessionIsLocked) {
    const auto daemon = testsupport::FindDbusDaemon();
    if (!daemon) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    {
        CDeviceManager devices;
        ASSERT_TRUE(devices.SetProfileSwitches(u"Profile 1", 0, 1, 0));
    }
    testsupport::PrivateSystemBus bus;
    ASSERT_TRUE(bus.Start(*daemon, m_dir));
    ASSERT_TRUE(bus.StartLoginManager(LOGIN1_STANDIN));
    ::unsetenv("XDG_SESSION_ID");
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(StartTray());
    ASSERT_NE(NextDock(), 0u);
    ASSERT_TRUE(bus.WaitFor("read LockedHint")); // the tray follows its session

    ASSERT_TRUE(bus.Command("lock"));
    // The lock reaches the tray on its way through the bus and its message loop.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    service::MouseControl mouse;
    ASSERT_EQ(mouse.PressDpi(true), S_OK);
    EXPECT_FALSE(WaitFor([&] { return Viewable(m_x, Root(), "csl_osdslider", true) != 0; }, 2000))
        << "the sensitivity display showed while the session was locked";

    ASSERT_TRUE(bus.Command("unlock"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_EQ(mouse.PressDpi(true), S_OK);
    EXPECT_TRUE(WaitFor([&] { return Viewable(m_x, Root(), "csl_osdslider", true) != 0; }))
        << "no sensitivity display after the unlock";
}

TEST_F(TrayDesktopTest, TheTrayEndsQuietlyWhenTheXServerEnds) {
    // Every connection's thread meets the loss together: the program ends once, with status 1,
    // and no sanitizer reports corrupted memory or a race (a report would end it with 86). It
    // ends at once, by design, without joining its threads: the thread sanitizer is not to
    // count those as leaked.
    const auto addOptions = [](const char* variable, const std::string& added) {
        const char* before = std::getenv(variable);
        const std::string saved = before ? before : "";
        ::setenv(variable, (saved + (saved.empty() ? "" : ":") + added).c_str(), 1);
        return before ? std::optional<std::string>(saved) : std::nullopt;
    };
    const auto restore = [](const char* variable, const std::optional<std::string>& saved) {
        if (saved) {
            ::setenv(variable, saved->c_str(), 1);
        } else {
            ::unsetenv(variable);
        }
    };
    const auto asan = addOptions("ASAN_OPTIONS", "exitcode=86");
    const auto tsan = addOptions("TSAN_OPTIONS", "exitcode=86:report_thread_leaks=0");
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(StartTray());
    restore("ASAN_OPTIONS", asan);
    restore("TSAN_OPTIONS", tsan);
    ASSERT_NE(NextDock(), 0u);
    XCloseDisplay(std::exchange(m_x, nullptr));
    m_xvfb.Stop();
    const auto status = m_tray.WaitForEnd(20000);
    ASSERT_TRUE(status.has_value()) << "the tray lives on without its X server";
    EXPECT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
    EXPECT_EQ(WEXITSTATUS(*status), 1);
}

TEST_F(TrayDesktopTest, ADoubleClickRaisesTheConfiguratorOfThisDesktopInsteadOfStartingOne) {
    // A configurator of this user on this display: a process of its name, and its window.
    const std::filesystem::path install = m_dir / "install";
    std::filesystem::create_directories(install);
    const std::filesystem::path configurator = install / "Borvanta5600";
    std::ofstream(configurator)
        << "#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\nexec sleep 60\n";
    std::filesystem::permissions(configurator, std::filesystem::perms::owner_all);
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, kProductKey, &key), ERROR_SUCCESS);
        const std::u16string folder = FromUtf8(install.string());
        RegSetValueExW(key, u"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(char16_t)));
        RegCloseKey(key);
    }
    const std::filesystem::path running = m_dir / "Borvanta5600";
    std::filesystem::copy_file("/bin/sleep", running);
    std::filesystem::permissions(running, std::filesystem::perms::owner_all);
    ChildProcess sleeper;
    ASSERT_TRUE(sleeper.Start({running.string(), "60"}, false));
    ASSERT_TRUE(WaitFor([] { return IsConfiguratorRunning(); }));
    const ::Window window = XCreateSimpleWindow(m_x, Root(), 10, 10, 100, 60, 0, 0, 0);
    const std::string cls = "SINGLE_INSTANCE_APP_BORVANTA";
    XChangeProperty(m_x, window, XInternAtom(m_x, "_BORVANTA_WINDOW_CLASS", False),
                    XInternAtom(m_x, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(cls.data()),
                    static_cast<int>(cls.size()));
    long pid = sleeper.Pid();
    XChangeProperty(m_x, window, XInternAtom(m_x, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    XMapWindow(m_x, window);
    XSync(m_x, False);

    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(StartTray());
    const ::Window icon = NextDock();
    ASSERT_NE(icon, 0u);
    ASSERT_TRUE(WaitFor([&] {
        XWindowAttributes a{};
        return XGetWindowAttributes(m_x, icon, &a) && a.map_state == IsViewable;
    }));
    MoveTo(CentreOf(icon));
    Click(1);
    Click(1);
    // The configurator's window is asked to come to the front; none is started.
    const Atom activate = XInternAtom(m_x, "_BORVANTA_ACTIVATE", False);
    bool raised = false;
    EXPECT_TRUE(WaitFor([&] {
        while (XPending(m_x) > 0) {
            XEvent e;
            XNextEvent(m_x, &e);
            raised = raised || (e.type == ClientMessage && e.xclient.window == window &&
                                static_cast<Atom>(e.xclient.message_type) == activate);
        }
        return raised;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(std::filesystem::exists(install / "started"));
}

} // namespace
