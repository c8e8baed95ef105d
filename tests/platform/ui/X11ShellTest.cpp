// The desktop side of the X11 display against a private Xvfb and the tests' own tray host:
// the icon docks and hears its clicks, popup menus grab the pointer, the window manager's
// active window is reported, every new tray docks the icon once.
#include "platform/ui/x11/X11Shell.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/ShellApi.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Display.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

namespace {

using uitest::Recorder;
constexpr UINT kCallback = WM_USER + 100;

using Child = testsupport::ChildProcess;

// Pumps the calling thread's messages until the condition holds (at most `ms`).
bool PumpUntil(const std::function<bool()>& done, int ms = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        platform::PumpUntilIdle();
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class X11ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto program = testsupport::FindXvfb();
        if (!program || !server.Start(*program, "800x600x24")) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        name = server.Name();
        xdisplay.emplace(*name);
        ASSERT_TRUE(xdisplay->IsOpen());
        ASSERT_NE(xdisplay->Shell(), nullptr);
        test = XOpenDisplay(name->c_str());
        ASSERT_NE(test, nullptr);
        Recorder::Get().Clear();
        owner = uitest::CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    }
    void TearDown() override {
        if (owner) {
            DestroyWindow(owner);
        }
        if (test) {
            XCloseDisplay(test);
        }
        xdisplay.reset();
        host.Stop();
        server.Stop();
    }

    bool StartHost(Child& child, bool saveSet = true) {
        std::vector<std::string> argv = {BORVANTA_TRAY_HOST};
        if (!saveSet) {
            argv.push_back("--no-save-set");
        }
        if (!child.Start(argv, true, *name)) {
            return false;
        }
        auto ready = child.ReadLine();
        return ready && ready->rfind("ready", 0) == 0;
    }

    bool AddIcon() {
        NOTIFYICONDATAW data;
        data.cbSize = sizeof data;
        data.hWnd = owner;
        data.uID = 129;
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = kCallback;
        data.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(131));
        std::memcpy(data.szTip, u"Tip", 8);
        return Shell_NotifyIconW(NIM_ADD, &data);
    }

    // Where an X window is on the screen (its centre).
    POINT CentreOf(unsigned long window) {
        XWindowAttributes a{};
        XGetWindowAttributes(test, window, &a);
        int x = 0;
        int y = 0;
        ::Window child = 0;
        XTranslateCoordinates(test, window, DefaultRootWindow(test), a.width / 2, a.height / 2, &x,
                              &y, &child);
        return POINT{x, y};
    }

    void ClickAt(POINT p, unsigned button) {
        XTestFakeMotionEvent(test, -1, static_cast<int>(p.x), static_cast<int>(p.y), CurrentTime);
        XTestFakeButtonEvent(test, button, True, CurrentTime);
        XTestFakeButtonEvent(test, button, False, CurrentTime);
        XFlush(test);
    }

    testsupport::XvfbServer server;
    Child host;
    std::optional<std::string> name;
    std::optional<platform::X11Display> xdisplay;
    Display* test = nullptr;
    HWND owner = nullptr;
};

TEST_F(X11ShellTest, TheIconDocksWithTheTrayAndItsClicksReachTheOwner) {
    ASSERT_TRUE(StartHost(host));
    ASSERT_TRUE(AddIcon());
    const unsigned long icon = xdisplay->Shell()->IconWindowOf(owner, 129);
    ASSERT_NE(icon, 0ul);
    auto dock = host.ReadLine();
    ASSERT_TRUE(dock.has_value());
    EXPECT_EQ(*dock, "dock " + std::to_string(icon));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const POINT at = CentreOf(icon);
    ClickAt(at, 3);
    ASSERT_TRUE(PumpUntil([&] { return Recorder::Get().Of(owner, kCallback).size() >= 2; }));
    const auto callbacks = Recorder::Get().Of(owner, kCallback);
    EXPECT_EQ(callbacks[0].wParam, 129u);
    EXPECT_EQ(callbacks[0].lParam, static_cast<LPARAM>(WM_RBUTTONDOWN));
    EXPECT_EQ(callbacks[1].lParam, static_cast<LPARAM>(WM_RBUTTONUP));
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, at.x);
    EXPECT_EQ(cursor.y, at.y);
}

TEST_F(X11ShellTest, ClicksReachTheOwnerWhileAnotherThreadKeepsUsingTheConnection) {
    // The program asks the desktop things (the monitor, the active window's process) from its
    // own threads; a reply read there may carry the icon's click along into Xlib's queue. Each
    // click still arrives, none waits for the next event.
    ASSERT_TRUE(StartHost(host));
    ASSERT_TRUE(AddIcon());
    const unsigned long icon = xdisplay->Shell()->IconWindowOf(owner, 129);
    ASSERT_EQ(host.ReadLine(), "dock " + std::to_string(icon));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const POINT at = CentreOf(icon);
    size_t arrived = 0;
    for (int click = 1; click <= 40; ++click) {
        // The click on its way, and a question of another thread right after it; then quiet.
        ClickAt(at, 3);
        std::thread([&] { xdisplay->Shell()->PrimaryMonitorRect(); }).join();
        const bool heard = PumpUntil(
            [&] {
                return Recorder::Get().Of(owner, kCallback).size() >=
                       2 * static_cast<size_t>(click);
            },
            3000);
        arrived = Recorder::Get().Of(owner, kCallback).size();
        if (!heard) {
            break;
        }
    }
    EXPECT_EQ(arrived, 80u);
}

TEST_F(X11ShellTest, WithoutATrayTheIconWaitsAndEveryNewTrayDocksItOnce) {
    const UINT taskbarCreated = RegisterWindowMessageW(u"TaskbarCreated");
    ASSERT_TRUE(AddIcon()); // no tray yet: kept
    const unsigned long icon = xdisplay->Shell()->IconWindowOf(owner, 129);
    ASSERT_NE(icon, 0ul);
    ASSERT_TRUE(StartHost(host));
    EXPECT_EQ(host.ReadLine(), "dock " + std::to_string(icon));
    // The tray ends and gives the icon back; the next one gets it, once.
    host.Stop();
    Child second;
    ASSERT_TRUE(StartHost(second, false));
    EXPECT_EQ(second.ReadLine(), "dock " + std::to_string(icon));
    // That tray ends destroying the icon's window: a new one is made and docks with the next.
    second.Stop();
    unsigned long remade = 0;
    ASSERT_TRUE(PumpUntil([&] {
        remade = xdisplay->Shell()->IconWindowOf(owner, 129);
        return remade != icon && remade != 0;
    }));
    Child third;
    ASSERT_TRUE(StartHost(third));
    EXPECT_EQ(third.ReadLine(), "dock " + std::to_string(remade));
    // It answers a click; no tray was asked twice, and no program was told to add its icons
    // again.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ClickAt(CentreOf(remade), 3);
    EXPECT_TRUE(PumpUntil([&] { return Recorder::Get().Of(owner, kCallback).size() >= 2; }));
    EXPECT_EQ(third.ReadLine(300), std::nullopt);
    EXPECT_TRUE(Recorder::Get().Of(owner, taskbarCreated).empty());
}

TEST_F(X11ShellTest, UnderAWindowManagerATrayThatEndsLeavesNoIconOnTheScreen) {
    // The test's connection plays the window manager: maps of the root's children come to it.
    XSelectInput(test, DefaultRootWindow(test), SubstructureRedirectMask);
    XSync(test, False);
    ASSERT_TRUE(StartHost(host));
    ASSERT_TRUE(AddIcon());
    const unsigned long icon = xdisplay->Shell()->IconWindowOf(owner, 129);
    ASSERT_EQ(host.ReadLine(), "dock " + std::to_string(icon));
    // The tray ends and hands the icon back to the root window: no manager is asked to show
    // it there, and it is not seen.
    host.Stop();
    bool mapRequested = false;
    const auto mapState = [&] {
        XWindowAttributes a{};
        return XGetWindowAttributes(test, icon, &a) ? a.map_state : -1;
    };
    EXPECT_TRUE(PumpUntil([&] {
        while (XPending(test) > 0) {
            XEvent e;
            XNextEvent(test, &e);
            mapRequested = mapRequested || (e.type == MapRequest && e.xmaprequest.window == icon);
        }
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(test, icon, &root, &parent, &children, &count);
        if (children) {
            XFree(children);
        }
        return parent == root && mapState() == IsUnmapped;
    }));
    EXPECT_FALSE(mapRequested);
    // The next tray shows it.
    Child next;
    ASSERT_TRUE(StartHost(next));
    EXPECT_EQ(next.ReadLine(), "dock " + std::to_string(icon));
    EXPECT_TRUE(PumpUntil([&] { return mapState() == IsViewable; }));
    next.Stop();
}

TEST_F(X11ShellTest, AnOpenMenuGrabsThePointerSoClicksAnywhereReachIt) {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 10, u"First");
    AppendMenuW(menu, MF_STRING, 11, u"Second");
    auto clickItem = [&](int position) {
        return std::thread([this, position] {
            HWND open = nullptr;
            for (int i = 0; i < 300 && !open; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                open = platform::OpenMenuWindow();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            RECT r{};
            if (position >= 0 && platform::GetMenuItemScreenRect(open, position, &r)) {
                ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, 1);
            } else {
                ClickAt(POINT{5, 5}, 1); // outside the menu, on no window of ours
            }
        });
    };
    std::thread clicker = clickItem(1);
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 300, 200, 0, owner, nullptr), 11);
    clicker.join();
    clicker = clickItem(-1);
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 300, 200, 0, owner, nullptr), 0);
    clicker.join();
    DestroyMenu(menu);
}

TEST_F(X11ShellTest, TheWindowManagersActiveWindowIsReportedWithItsProcess) {
    std::vector<HWND> activated;
    std::mutex mutex;
    const int cookie = platform::AddActiveWindowListener([&](HWND h) {
        std::lock_guard lock(mutex);
        activated.push_back(h);
    });
    // Another program's window with its process id, made active as a window manager would.
    const ::Window other =
        XCreateSimpleWindow(test, DefaultRootWindow(test), 0, 0, 50, 50, 0, 0, 0);
    unsigned long pid = 4242;
    XChangeProperty(test, other, XInternAtom(test, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    const Atom active = XInternAtom(test, "_NET_ACTIVE_WINDOW", False);
    unsigned long value = other;
    XChangeProperty(test, DefaultRootWindow(test), active, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&value), 1);
    XFlush(test);
    ASSERT_TRUE(PumpUntil([&] {
        std::lock_guard lock(mutex);
        return !activated.empty();
    }));
    HWND hwnd = nullptr;
    {
        std::lock_guard lock(mutex);
        hwnd = activated.back();
    }
    EXPECT_EQ(platform::NativeWindowOfForeignHandle(hwnd), other);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    EXPECT_EQ(process, 4242u);
    EXPECT_TRUE(xdisplay->Shell()->ReportsActiveWindow());

    // One of our own windows active at the window manager is reported as itself.
    HWND mine = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 10, 10, 40, 40);
    xdisplay->Flush();
    ASSERT_TRUE(PumpUntil([&] { return xdisplay->XWindowOf(mine) != 0; }));
    value = xdisplay->XWindowOf(mine);
    XChangeProperty(test, DefaultRootWindow(test), active, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&value), 1);
    XFlush(test);
    EXPECT_TRUE(PumpUntil([&] {
        std::lock_guard lock(mutex);
        return activated.back() == mine;
    }));
    process = 0;
    GetWindowThreadProcessId(mine, &process);
    EXPECT_EQ(process, static_cast<DWORD>(getpid()));
    platform::RemoveActiveWindowListener(cookie);
    DestroyWindow(mine);
}

TEST_F(X11ShellTest, TransparentLayeredWindowsLetClicksThroughAndTheMonitorIsThePrimaryOutput) {
    HWND overlay = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 50, 50, 60, 40, nullptr, 0,
                                            WS_EX_LAYERED | WS_EX_TRANSPARENT);
    SetLayeredWindowAttributes(overlay, RGB(0, 255, 0), 200, LWA_COLORKEY | LWA_ALPHA);
    HWND plain = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 150, 50, 60, 40);
    ASSERT_TRUE(PumpUntil([&] {
        xdisplay->Flush();
        return xdisplay->XWindowOf(overlay) != 0 && xdisplay->XWindowOf(plain) != 0;
    }));
    auto inputRects = [&](unsigned long window) {
        int count = -1;
        int ordering = 0;
        XRectangle* rects = XShapeGetRectangles(test, window, ShapeInput, &count, &ordering);
        if (rects) {
            XFree(rects);
        }
        return count;
    };
    EXPECT_EQ(inputRects(xdisplay->XWindowOf(overlay)), 0);
    EXPECT_GT(inputRects(xdisplay->XWindowOf(plain)), 0);

    // A primary output that is not the whole screen.
    int major = 0;
    int minor = 0;
    if (!XRRQueryVersion(test, &major, &minor) || (major == 1 && minor < 5)) {
        GTEST_SKIP() << "no RandR monitors on this server";
    }
    XRRMonitorInfo* monitor = XRRAllocateMonitor(test, 0);
    monitor->name = XInternAtom(test, "TEST-1", False);
    monitor->primary = True;
    monitor->x = 100;
    monitor->y = 50;
    monitor->width = 400;
    monitor->height = 300;
    monitor->mwidth = 100;
    monitor->mheight = 75;
    XRRSetMonitor(test, DefaultRootWindow(test), monitor);
    XFree(monitor);
    XSync(test, False);
    MONITORINFO info;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
    EXPECT_EQ(info.rcMonitor, (RECT{100, 50, 500, 350}));
    DestroyWindow(overlay);
    DestroyWindow(plain);
}

} // namespace
