// The tray program on a private Xvfb with the tests' own system tray: its icon docks, a right
// click opens the menu and a profile chosen in it becomes the mouse's active profile, the
// mouse's sensitivity button shows the on-screen display, and a window of a program bound to
// a profile, made the active window, switches to that profile. Skipped without Xvfb.

#include "TrayTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/XvfbServer.h"

#include "platform/base/CString.h"
#include "service/MouseControl.h"
#include "tray/DeviceManager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace traytest;

namespace {

using Clock = std::chrono::steady_clock;

using testsupport::ChildProcess;
using testsupport::XvfbServer;

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

// A viewable top-level window whose name is name (searched through the whole tree).
bool ViewableNamed(Display* x, ::Window w, const char* name) {
    char* text = nullptr;
    if (XFetchName(x, w, &text) && text) {
        const bool same = std::strcmp(text, name) == 0;
        XFree(text);
        XWindowAttributes a{};
        if (same && XGetWindowAttributes(x, w, &a) && a.map_state == IsViewable) {
            return true;
        }
    }
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    bool found = false;
    if (XQueryTree(x, w, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            found = ViewableNamed(x, children[i], name);
        }
        if (children) {
            XFree(children);
        }
    }
    return found;
}

class TrayX11Test : public TrayTest {
protected:
    void SetUp() override {
        TrayTest::SetUp();
        const auto xvfb = testsupport::FindXvfb();
        if (!xvfb) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(m_xvfb.Start(*xvfb, "800x600x24")) << "Xvfb did not start";
        m_display = m_xvfb.Name();
        ::setenv("DISPLAY", m_display.c_str(), 1);
        ::setenv("BORVANTA_LOCK_DIR", (m_dir / "locks").c_str(), 1);
        ::unsetenv("BORVANTA_DISPLAY");
        m_x = XOpenDisplay(m_display.c_str());
        ASSERT_NE(m_x, nullptr);
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
    void Key(KeySym sym) {
        const KeyCode code = XKeysymToKeycode(m_x, sym);
        XTestFakeKeyEvent(m_x, code, True, 0);
        XTestFakeKeyEvent(m_x, code, False, 0);
        XSync(m_x, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    static CString ActiveName() {
        CComPtr<IDeviceService> service;
        CComPtr<IDevice> device;
        CComPtr<IProfileManager> manager;
        CComPtr<IProfile> active;
        CString name;
        WCHAR* text = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                                       reinterpret_cast<void**>(&service))) &&
            SUCCEEDED(service->GetDevice(0, &device)) &&
            SUCCEEDED(
                device->GetFeature(IID_IProfileManager, reinterpret_cast<void**>(&manager))) &&
            SUCCEEDED(manager->GetActiveProfile(&active)) && SUCCEEDED(active->GetName(&text))) {
            name = text;
            CoTaskMemFree(text);
        }
        return name;
    }

    XvfbServer m_xvfb;
    ChildProcess m_host;
    ChildProcess m_tray;
    std::string m_display;
    Display* m_x = nullptr;
};

TEST_F(TrayX11Test, IconDocksMenuSwitchesDisplayShowsAndAnActiveWindowSwitches) {
    // Two profiles; the second shows the sensitivity and is bound to this test program.
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const std::string image = std::strrchr(self, '/') + 1;
    {
        CDeviceManager devices;
        ASSERT_EQ(RunOtherProgram({"create", "Bravo"}), 0);
        const CString program(image.c_str());
        const WCHAR* text = program.GetString();
        ASSERT_TRUE(devices.SetProfileProgram(u"Bravo", &text));
        ASSERT_TRUE(devices.SetProfileSwitches(u"Bravo", 1, 1, 1));
        ASSERT_TRUE(devices.SetProfileSwitches(u"Profile 1", 0, 1, 0));
    }

    ASSERT_TRUE(m_host.Start({BORVANTA_TRAY_HOST}, true));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(m_tray.Start({BORVANTA_TRAY_PROGRAM}, false));

    // The icon docks.
    std::optional<std::string> dock;
    for (int i = 0; i < 20 && !dock; ++i) {
        auto line = m_host.ReadLine(1000);
        if (line && line->rfind("dock ", 0) == 0) {
            dock = line;
        }
    }
    ASSERT_TRUE(dock.has_value()) << "the icon did not dock";
    const ::Window icon = std::strtoul(dock->c_str() + 5, nullptr, 0);
    ASSERT_NE(icon, 0u);

    // A right click on it opens the menu; Home, Down, Down, Return chooses the second profile.
    ASSERT_TRUE(WaitFor([&] {
        XWindowAttributes a{};
        return XGetWindowAttributes(m_x, icon, &a) && a.map_state == IsViewable;
    }));
    int rx = 0;
    int ry = 0;
    ::Window child = 0;
    XTranslateCoordinates(m_x, icon, DefaultRootWindow(m_x), 12, 12, &rx, &ry, &child);
    XTestFakeMotionEvent(m_x, -1, rx, ry, 0);
    XTestFakeButtonEvent(m_x, 3, True, 0);
    XTestFakeButtonEvent(m_x, 3, False, 0);
    XSync(m_x, False);
    // The menu may open late on a loaded machine: the keys are given again until the choice
    // has reached the mouse (keys given before the menu opened reach no window).
    bool chosen = false;
    for (int attempt = 0; attempt < 8 && !chosen; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        Key(XK_Home);
        Key(XK_Down);
        Key(XK_Down);
        Key(XK_Return);
        chosen = WaitFor([] { return ActiveName().view() == u"Bravo"; }, 1500);
    }
    EXPECT_TRUE(chosen) << "active: " << ActiveName().ToUtf8();

    // The sensitivity button shows the gauge.
    service::MouseControl mouse;
    ASSERT_EQ(mouse.PressDpi(true), S_OK);
    EXPECT_TRUE(
        WaitFor([&] { return ViewableNamed(m_x, DefaultRootWindow(m_x), "csl_osdslider"); }));

    // Back to the first profile; then a window of this program becomes the active one.
    ASSERT_EQ(mouse.PressProfile(true), S_OK);
    ASSERT_TRUE(WaitFor([] { return ActiveName().view() == u"Profile 1"; }));
    const ::Window window =
        XCreateSimpleWindow(m_x, DefaultRootWindow(m_x), 10, 10, 50, 50, 0, 0, 0);
    long pid = getpid();
    XChangeProperty(m_x, window, XInternAtom(m_x, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    XMapWindow(m_x, window);
    ::Window active = window;
    XChangeProperty(m_x, DefaultRootWindow(m_x), XInternAtom(m_x, "_NET_ACTIVE_WINDOW", False),
                    XA_WINDOW, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&active), 1);
    XSync(m_x, False);
    EXPECT_TRUE(WaitFor([] { return ActiveName().view() == u"Bravo"; }))
        << "active: " << ActiveName().ToUtf8();
}

} // namespace
