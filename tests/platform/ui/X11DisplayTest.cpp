// The X11 display against a private Xvfb server: pixels, shape, opacity, geometry, and real
// input coming back through the message loop.

#include "platform/ui/x11/X11Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Keys.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

namespace {

using uitest::Recorder;

constexpr COLORREF kFace = RGB(200, 30, 40);
constexpr COLORREF kPicture = RGB(20, 180, 90);
constexpr COLORREF kKey = RGB(255, 0, 255);

using testsupport::FindXvfb;
using testsupport::XvfbServer;

class X11DisplayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const auto program = FindXvfb();
        if (!program) {
            return;
        }
        s_server = new XvfbServer;
        if (!s_server->Start(*program, "640x480x24")) {
            delete s_server;
            s_server = nullptr;
        }
    }
    static void TearDownTestSuite() {
        if (s_server) {
            s_server->Stop();
            delete s_server;
            s_server = nullptr;
        }
    }

    void SetUp() override {
        if (!FindXvfb()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_NE(s_server, nullptr) << "Xvfb did not start";
        m_display.emplace(s_server->Name());
        ASSERT_TRUE(m_display->IsOpen());
        m_x = XOpenDisplay(s_server->Name().c_str());
        ASSERT_NE(m_x, nullptr);
        Recorder::Get().Clear();
    }

    void TearDown() override {
        for (HWND hwnd : m_windows) {
            DestroyWindow(hwnd);
        }
        platform::PumpUntilIdle();
        m_display.reset();
        if (m_x) {
            XCloseDisplay(m_x);
        }
    }

    // A layered popup painted red with a green picture copied in from a memory bitmap and a
    // colour-keyed hole; its region leaves out the right 50 pixels.
    HWND OpenShapedWindow(int x, int y) {
        Recorder::Get().SetPendingHandler(
            [](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
                if (msg == WM_CLOSE) {
                    return 0; // stays open
                }
                if (msg != WM_PAINT) {
                    return std::nullopt;
                }
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                RECT all{0, 0, 200, 100};
                HBRUSH face = CreateSolidBrush(kFace);
                FillRect(dc, &all, face);
                DeleteObject(face);

                HDC memory = CreateCompatibleDC(dc);
                HBITMAP picture = CreateCompatibleBitmap(dc, 40, 30);
                HBITMAP old = SelectObject(memory, picture);
                RECT pictureRect{0, 0, 40, 30};
                HBRUSH green = CreateSolidBrush(kPicture);
                FillRect(memory, &pictureRect, green);
                DeleteObject(green);
                BitBlt(dc, 100, 10, 40, 30, memory, 0, 0, SRCCOPY);
                SelectObject(memory, old);
                DeleteObject(picture);
                DeleteDC(memory);

                RECT hole{10, 10, 30, 30};
                HBRUSH key = CreateSolidBrush(kKey);
                FillRect(dc, &hole, key);
                DeleteObject(key);
                EndPaint(hwnd, &ps);
                return 0;
            });
        HWND hwnd = uitest::CreateTestWindow(WS_POPUP, x, y, 200, 100, nullptr, 0, WS_EX_LAYERED);
        m_windows.push_back(hwnd);
        SetLayeredWindowAttributes(hwnd, kKey, 0, LWA_COLORKEY);
        SetWindowRgn(hwnd, CreateRectRgn(0, 0, 150, 100), TRUE);
        ShowWindow(hwnd, SW_SHOW);
        platform::PumpUntilIdle();
        m_display->Flush();
        return hwnd;
    }

    // The window manager's note of a window's state.
    void SetWmState(::Window xid, long value) {
        const Atom wmState = XInternAtom(m_x, "WM_STATE", False);
        long state[2] = {value, 0};
        XChangeProperty(m_x, xid, wmState, wmState, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(state), 2);
    }
    // What a window manager does to iconify a window: note the state, unmap it.
    void Iconify(::Window xid) {
        SetWmState(xid, IconicState);
        XUnmapWindow(m_x, xid);
        XSync(m_x, False);
    }
    // Sends the window manager's close request; the test windows stay open. Once the window
    // got WM_CLOSE, every X event before it has been handled.
    void CloseRequest(HWND hwnd, ::Window xid) {
        const size_t before = Recorder::Get().Of(hwnd, WM_CLOSE).size();
        XEvent close{};
        close.xclient.type = ClientMessage;
        close.xclient.window = xid;
        close.xclient.message_type = XInternAtom(m_x, "WM_PROTOCOLS", False);
        close.xclient.format = 32;
        close.xclient.data.l[0] = static_cast<long>(XInternAtom(m_x, "WM_DELETE_WINDOW", False));
        XSendEvent(m_x, xid, False, NoEventMask, &close);
        XSync(m_x, False);
        ASSERT_TRUE(LoopUntil([&] { return Recorder::Get().Of(hwnd, WM_CLOSE).size() > before; }));
    }

    COLORREF RootPixel(int x, int y) {
        XImage* image = XGetImage(m_x, DefaultRootWindow(m_x), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) {
            return 0xFFFFFFFF;
        }
        const unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return RGB(static_cast<BYTE>((p >> 16) & 0xFF), static_cast<BYTE>((p >> 8) & 0xFF),
                   static_cast<BYTE>(p & 0xFF));
    }

    // Runs a real blocking message loop until done() holds or five seconds passed. Work that
    // posts no message (a window moved, activated) is seen at the next tick of a thread timer.
    bool LoopUntil(const std::function<bool()>& done) {
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        MSG msg{};
        bool ok = false;
        while (!(ok = done()) && std::chrono::steady_clock::now() < deadline) {
            if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        KillTimer(nullptr, timer);
        return ok;
    }

    static inline XvfbServer* s_server = nullptr;
    std::optional<platform::X11Display> m_display;
    Display* m_x = nullptr;
    std::vector<HWND> m_windows;
};

int ClientX(LPARAM l) {
    return static_cast<short>(LOWORD(static_cast<DWORD>(l)));
}
int ClientY(LPARAM l) {
    return static_cast<short>(HIWORD(static_cast<DWORD>(l)));
}

bool ShapeContains(Display* x, ::Window xid, int px, int py) {
    int count = 0;
    int ordering = 0;
    XRectangle* rects = XShapeGetRectangles(x, xid, ShapeBounding, &count, &ordering);
    bool found = false;
    for (int i = 0; i < count; ++i) {
        if (px >= rects[i].x && py >= rects[i].y && px < rects[i].x + rects[i].width &&
            py < rects[i].y + rects[i].height) {
            found = true;
        }
    }
    if (rects) {
        XFree(rects);
    }
    return found;
}

TEST_F(X11DisplayTest, ShowsPixelsThroughRegionAndColourKey) {
    HWND hwnd = OpenShapedWindow(50, 60);
    const ::Window xid = m_display->XWindowOf(hwnd);
    ASSERT_NE(xid, 0u);

    EXPECT_EQ(RootPixel(50 + 60, 60 + 70), kFace);
    EXPECT_EQ(RootPixel(50 + 110, 60 + 20), kPicture);
    // The keyed hole and the part outside the region show the (black) root.
    EXPECT_EQ(RootPixel(50 + 20, 60 + 20), RGB(0, 0, 0));
    EXPECT_EQ(RootPixel(50 + 170, 60 + 50), RGB(0, 0, 0));

    EXPECT_EQ(platform::ScreenSize().cx, 640);
    EXPECT_EQ(platform::ScreenSize().cy, 480);

    // Rows alike share a band: above the hole, beside it (two pieces), below it.
    int count = 0;
    int ordering = 0;
    XRectangle* rects = XShapeGetRectangles(m_x, xid, ShapeBounding, &count, &ordering);
    EXPECT_EQ(count, 4);
    XFree(rects);
    EXPECT_TRUE(ShapeContains(m_x, xid, 5, 5));
    EXPECT_TRUE(ShapeContains(m_x, xid, 149, 99));
    EXPECT_FALSE(ShapeContains(m_x, xid, 20, 20));  // colour key
    EXPECT_FALSE(ShapeContains(m_x, xid, 150, 50)); // outside the region
    EXPECT_FALSE(ShapeContains(m_x, xid, 199, 0));

    // Repainting in another colour reaches the screen; a region removed widens the shape.
    Recorder::Get().SetHandler(hwnd,
                               [](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
                                   if (msg != WM_PAINT) {
                                       return std::nullopt;
                                   }
                                   PAINTSTRUCT ps;
                                   HDC dc = BeginPaint(h, &ps);
                                   RECT all{0, 0, 200, 100};
                                   HBRUSH brush = CreateSolidBrush(RGB(10, 20, 250));
                                   FillRect(dc, &all, brush);
                                   DeleteObject(brush);
                                   EndPaint(h, &ps);
                                   return 0;
                               });
    SetWindowRgn(hwnd, nullptr, TRUE);
    platform::PumpUntilIdle();
    m_display->Flush();
    EXPECT_EQ(RootPixel(50 + 20, 60 + 20), RGB(10, 20, 250));
    EXPECT_EQ(RootPixel(50 + 170, 60 + 50), RGB(10, 20, 250));
    EXPECT_TRUE(ShapeContains(m_x, xid, 170, 50));
}

TEST_F(X11DisplayTest, MovesHidesAndSetsOpacity) {
    HWND hwnd = OpenShapedWindow(10, 10);
    const ::Window xid = m_display->XWindowOf(hwnd);
    ASSERT_NE(xid, 0u);

    SetWindowPos(hwnd, nullptr, 300, 200, 120, 80, SWP_NOZORDER | SWP_NOACTIVATE);
    platform::PumpUntilIdle();
    m_display->Flush();
    XWindowAttributes attrs{};
    ASSERT_TRUE(XGetWindowAttributes(m_x, xid, &attrs));
    EXPECT_EQ(attrs.x, 300);
    EXPECT_EQ(attrs.y, 200);
    EXPECT_EQ(attrs.width, 120);
    EXPECT_EQ(attrs.height, 80);
    EXPECT_EQ(attrs.map_state, IsViewable);
    EXPECT_EQ(RootPixel(300 + 60, 200 + 70), kFace);
    EXPECT_EQ(RootPixel(20, 20), RGB(0, 0, 0)); // the old place is uncovered

    SetLayeredWindowAttributes(hwnd, kKey, 128, LWA_COLORKEY | LWA_ALPHA);
    m_display->Flush();
    const Atom opacity = XInternAtom(m_x, "_NET_WM_WINDOW_OPACITY", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(m_x, xid, opacity, 0, 1, False, XA_CARDINAL, &type, &format,
                                 &count, &after, &data),
              Success);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(*reinterpret_cast<unsigned long*>(data) & 0xFFFFFFFFul, 0x80808080ul);
    XFree(data);

    ShowWindow(hwnd, SW_HIDE);
    platform::PumpUntilIdle();
    m_display->Flush();
    ASSERT_TRUE(XGetWindowAttributes(m_x, xid, &attrs));
    EXPECT_EQ(attrs.map_state, IsUnmapped);

    DestroyWindow(hwnd);
    m_windows.clear();
    m_display->Flush();
    EXPECT_EQ(m_display->XWindowOf(hwnd), 0u);
}

TEST_F(X11DisplayTest, RealClicksAndKeysReachTheWindowThroughGetMessage) {
    HWND hwnd = OpenShapedWindow(50, 60);
    int tests = 0;
    ASSERT_TRUE(XTestQueryExtension(m_x, &tests, &tests, &tests, &tests));

    // A click outside the shape goes past the window; one inside arrives in client
    // coordinates.
    XTestFakeMotionEvent(m_x, 0, 50 + 170, 60 + 50, 0);
    XTestFakeButtonEvent(m_x, 1, True, 0);
    XTestFakeButtonEvent(m_x, 1, False, 0);
    XTestFakeMotionEvent(m_x, 0, 50 + 70, 60 + 45, 0);
    XTestFakeButtonEvent(m_x, 1, True, 0);
    XTestFakeButtonEvent(m_x, 1, False, 0);
    XSync(m_x, False);
    ASSERT_TRUE(LoopUntil([&] { return !Recorder::Get().Of(hwnd, WM_LBUTTONUP).empty(); }));
    const auto downs = Recorder::Get().Of(hwnd, WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(ClientX(downs[0].lParam), 70);
    EXPECT_EQ(ClientY(downs[0].lParam), 45);
    const auto ups = Recorder::Get().Of(hwnd, WM_LBUTTONUP);
    EXPECT_EQ(ClientX(ups[0].lParam), 70);
    EXPECT_EQ(ClientY(ups[0].lParam), 45);
    EXPECT_EQ(GetActiveWindow(), hwnd);

    // Keys go to the focus window as virtual keys.
    SetFocus(hwnd);
    const KeyCode a = XKeysymToKeycode(m_x, XK_a);
    XTestFakeKeyEvent(m_x, a, True, 0);
    XTestFakeKeyEvent(m_x, a, False, 0);
    XSync(m_x, False);
    ASSERT_TRUE(LoopUntil([&] { return !Recorder::Get().Of(hwnd, WM_KEYUP).empty(); }));
    const auto keys = Recorder::Get().Of(hwnd, WM_KEYDOWN);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>('A'));

    // The window manager's close request becomes WM_CLOSE.
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = m_display->XWindowOf(hwnd);
    close.xclient.message_type = XInternAtom(m_x, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(m_x, "WM_DELETE_WINDOW", False));
    Recorder::Get().SetHandler(hwnd, [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_CLOSE) {
            return 0; // keep the window
        }
        return std::nullopt;
    });
    XSendEvent(m_x, close.xclient.window, False, NoEventMask, &close);
    XSync(m_x, False);
    ASSERT_TRUE(LoopUntil([&] { return !Recorder::Get().Of(hwnd, WM_CLOSE).empty(); }));
}

TEST_F(X11DisplayTest, OwningThreadPushesChangesFromItsMessageLoop) {
    HWND hwnd = OpenShapedWindow(50, 60);
    const ::Window xid = m_display->XWindowOf(hwnd);

    // Without Flush: the change reaches the server through the message loop.
    SetWindowPos(hwnd, nullptr, 240, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(LoopUntil([&] { return RootPixel(240 + 60, 160 + 70) == kFace; }));

    // An exposure makes the window repaint.
    const size_t paints = Recorder::Get().Of(hwnd, WM_PAINT).size();
    XClearArea(m_x, xid, 0, 0, 0, 0, True);
    XSync(m_x, False);
    EXPECT_TRUE(LoopUntil([&] { return Recorder::Get().Of(hwnd, WM_PAINT).size() > paints; }));

    // A window manager's move (synthetic configure event in root coordinates) moves the
    // window.
    XEvent moved{};
    moved.xconfigure.type = ConfigureNotify;
    moved.xconfigure.event = xid;
    moved.xconfigure.window = xid;
    moved.xconfigure.x = 100;
    moved.xconfigure.y = 120;
    moved.xconfigure.width = 200;
    moved.xconfigure.height = 100;
    XSendEvent(m_x, xid, False, StructureNotifyMask, &moved);
    XSync(m_x, False);
    RECT r{};
    EXPECT_TRUE(
        LoopUntil([&] { return GetWindowRect(hwnd, &r) && r.left == 100 && r.top == 120; }));
}

TEST_F(X11DisplayTest, PopupsBypassTheWindowManagerAndFocusActivates) {
    HWND main = OpenShapedWindow(20, 20);
    HWND popup = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 300, 300, 60, 40, main);
    m_windows.insert(m_windows.begin(), popup);
    platform::PumpUntilIdle();
    m_display->Flush();
    XWindowAttributes attrs{};
    ASSERT_TRUE(XGetWindowAttributes(m_x, m_display->XWindowOf(main), &attrs));
    EXPECT_FALSE(attrs.override_redirect);
    ASSERT_TRUE(XGetWindowAttributes(m_x, m_display->XWindowOf(popup), &attrs));
    EXPECT_TRUE(attrs.override_redirect);
    ::Window transientFor = 0;
    ASSERT_TRUE(XGetTransientForHint(m_x, m_display->XWindowOf(popup), &transientFor));
    EXPECT_EQ(transientFor, m_display->XWindowOf(main));

    HWND other =
        uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 400, 20, 80, 60, nullptr, 0, WS_EX_TOPMOST);
    m_windows.insert(m_windows.begin(), other);
    platform::PumpUntilIdle();
    m_display->Flush();
    // A topmost window asks the window manager to keep it above the others.
    const Atom state = XInternAtom(m_x, "_NET_WM_STATE", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(m_x, m_display->XWindowOf(other), state, 0, 4, False, XA_ATOM,
                                 &type, &format, &count, &after, &data),
              Success);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(reinterpret_cast<Atom*>(data)[0], XInternAtom(m_x, "_NET_WM_STATE_ABOVE", False));
    XFree(data);

    SetActiveWindow(main);
    ASSERT_EQ(GetActiveWindow(), main);
    // Focus following the pointer does not activate the window the pointer is in.
    XTestFakeMotionEvent(m_x, 0, 420, 40, 0);
    XSync(m_x, False);
    ASSERT_TRUE(LoopUntil([&] { return !Recorder::Get().Of(other, WM_MOUSEMOVE).empty(); }));
    XSetInputFocus(m_x, None, RevertToNone, CurrentTime);
    XSetInputFocus(m_x, PointerRoot, RevertToPointerRoot, CurrentTime);
    XTestFakeMotionEvent(m_x, 0, 430, 50, 0);
    XSync(m_x, False);
    ASSERT_TRUE(LoopUntil([&] { return Recorder::Get().Of(other, WM_MOUSEMOVE).size() > 1; }));
    EXPECT_EQ(GetActiveWindow(), main);

    XSetInputFocus(m_x, m_display->XWindowOf(other), RevertToParent, CurrentTime);
    XSync(m_x, False);
    EXPECT_TRUE(LoopUntil([&] { return GetActiveWindow() == other; }));
}

TEST_F(X11DisplayTest, StackingUnderAFramingWindowManagerNamesOnlySiblings) {
    HWND main = OpenShapedWindow(20, 20);
    HWND other =
        uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 400, 20, 80, 60, nullptr, 0, WS_EX_TOPMOST);
    m_windows.insert(m_windows.begin(), other);
    platform::PumpUntilIdle();
    m_display->Flush();
    // The test plays a window manager that puts each window it manages into a frame.
    std::vector<::Window> frames;
    for (HWND managed : {main, other}) {
        frames.push_back(XCreateSimpleWindow(m_x, DefaultRootWindow(m_x), 0, 0, 300, 200, 0, 0, 0));
        XMapWindow(m_x, frames.back());
        XReparentWindow(m_x, m_display->XWindowOf(managed), frames.back(), 0, 0);
    }
    XSync(m_x, False);

    // A popup of the main window comes between the two managed windows; the X server's
    // complaints are written to standard error, read here.
    std::fflush(stderr);
    const int saved = dup(2);
    FILE* captured = std::tmpfile();
    ASSERT_NE(captured, nullptr);
    dup2(fileno(captured), 2);
    HWND popup = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 300, 300, 60, 40, main);
    m_windows.insert(m_windows.begin(), popup);
    platform::PumpUntilIdle();
    m_display->Flush();
    SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    platform::PumpUntilIdle();
    m_display->Flush();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::rewind(captured);
    std::string errors;
    for (int c = 0; (c = std::fgetc(captured)) != EOF;) {
        errors.push_back(static_cast<char>(c));
    }
    std::fclose(captured);
    EXPECT_EQ(errors, "");
    XWindowAttributes attrs{};
    ASSERT_TRUE(XGetWindowAttributes(m_x, m_display->XWindowOf(popup), &attrs));
    EXPECT_EQ(attrs.map_state, IsViewable);
    // The frames go as a window manager's do: their windows back on the root first.
    for (HWND managed : {main, other}) {
        XReparentWindow(m_x, m_display->XWindowOf(managed), DefaultRootWindow(m_x), 0, 0);
    }
    for (const ::Window frame : frames) {
        XDestroyWindow(m_x, frame);
    }
    XSync(m_x, False);
}

TEST_F(X11DisplayTest, FocusGoingToAnotherProgramDeactivates) {
    HWND hwnd = OpenShapedWindow(50, 60);
    const ::Window xid = m_display->XWindowOf(hwnd);
    XSetInputFocus(m_x, xid, RevertToParent, CurrentTime);
    XSync(m_x, False);
    ASSERT_TRUE(LoopUntil([&] { return GetActiveWindow() == hwnd; }));
    SetFocus(hwnd);
    ASSERT_EQ(GetFocus(), hwnd);

    // Another program's window takes the focus.
    const ::Window foreign =
        XCreateSimpleWindow(m_x, DefaultRootWindow(m_x), 400, 300, 50, 50, 0, 0, 0);
    XMapWindow(m_x, foreign);
    XSync(m_x, False);
    XSetInputFocus(m_x, foreign, RevertToParent, CurrentTime);
    XSync(m_x, False);
    ASSERT_TRUE(LoopUntil([&] { return GetActiveWindow() == nullptr; }));
    EXPECT_EQ(GetFocus(), nullptr);
    const auto activations = Recorder::Get().Of(hwnd, WM_ACTIVATE);
    ASSERT_FALSE(activations.empty());
    EXPECT_EQ(LOWORD(static_cast<DWORD>(activations.back().wParam)), WA_INACTIVE);

    // Back to ours: active again, with its focus.
    XSetInputFocus(m_x, xid, RevertToParent, CurrentTime);
    XSync(m_x, False);
    EXPECT_TRUE(LoopUntil([&] { return GetActiveWindow() == hwnd; }));
    EXPECT_EQ(GetFocus(), hwnd);
    XDestroyWindow(m_x, foreign);
}

TEST_F(X11DisplayTest, ScreenSizeFollowsTheRootWindow) {
    HWND hwnd = OpenShapedWindow(10, 10);
    EXPECT_EQ(platform::ScreenSize().cx, 640);
    XEvent resized{};
    resized.xconfigure.type = ConfigureNotify;
    resized.xconfigure.event = DefaultRootWindow(m_x);
    resized.xconfigure.window = DefaultRootWindow(m_x);
    resized.xconfigure.width = 800;
    resized.xconfigure.height = 600;
    XSendEvent(m_x, DefaultRootWindow(m_x), False, StructureNotifyMask, &resized);
    XSync(m_x, False);
    EXPECT_TRUE(LoopUntil([&] { return !Recorder::Get().Of(hwnd, WM_DISPLAYCHANGE).empty(); }));
    EXPECT_EQ(platform::ScreenSize().cx, 800);
    EXPECT_EQ(platform::ScreenSize().cy, 600);
    const auto changes = Recorder::Get().Of(hwnd, WM_DISPLAYCHANGE);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(LOWORD(static_cast<DWORD>(changes[0].lParam)), 800);
    EXPECT_EQ(HIWORD(static_cast<DWORD>(changes[0].lParam)), 600);
}

TEST_F(X11DisplayTest, MinimizingGoesThroughTheWindowManager) {
    HWND hwnd = OpenShapedWindow(50, 60);
    const ::Window xid = m_display->XWindowOf(hwnd);
    const ::Window root = DefaultRootWindow(m_x);
    // The test plays the window manager.
    XSelectInput(m_x, root, SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(m_x, False);

    ShowWindow(hwnd, SW_MINIMIZE);
    platform::PumpUntilIdle();
    m_display->Flush();
    const Atom changeState = XInternAtom(m_x, "WM_CHANGE_STATE", False);
    bool asked = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!asked && std::chrono::steady_clock::now() < deadline) {
        while (!asked && XPending(m_x) > 0) {
            XEvent e;
            XNextEvent(m_x, &e);
            asked = e.type == ClientMessage && e.xclient.window == xid &&
                    e.xclient.message_type == changeState && e.xclient.data.l[0] == IconicState;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(asked);
    Iconify(xid);

    // Restored from the task bar: the window manager maps it again.
    SetWmState(xid, NormalState);
    XMapWindow(m_x, xid);
    XSync(m_x, False);
    EXPECT_TRUE(LoopUntil([&] { return !IsIconic(hwnd); }));
    EXPECT_TRUE(LoopUntil([&] { return RootPixel(50 + 60, 60 + 70) == kFace; }));

    // Unmapped by the window manager without iconifying it (as when it takes the window into
    // its frame): still shown.
    XUnmapWindow(m_x, xid);
    XSync(m_x, False);
    CloseRequest(hwnd, xid);
    EXPECT_FALSE(IsIconic(hwnd));
    XMapWindow(m_x, xid);
    XSync(m_x, False);
    m_display->Flush();
    EXPECT_TRUE(LoopUntil([&] { return RootPixel(50 + 60, 60 + 70) == kFace; }));
    EXPECT_FALSE(IsIconic(hwnd));

    // Minimized by the window manager itself.
    Iconify(xid);
    EXPECT_TRUE(LoopUntil([&] { return IsIconic(hwnd) != FALSE; }));

    XSelectInput(m_x, root, NoEventMask);
    XSync(m_x, False);
}

TEST_F(X11DisplayTest, PointerLeavingTheShapeEndsHoverTracking) {
    HWND hwnd = OpenShapedWindow(50, 60);
    XTestFakeMotionEvent(m_x, 0, 50 + 60, 60 + 50, 0);
    XSync(m_x, False);
    ASSERT_TRUE(LoopUntil([&] { return !Recorder::Get().Of(hwnd, WM_MOUSEMOVE).empty(); }));
    TRACKMOUSEEVENT tme{};
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = hwnd;
    ASSERT_TRUE(TrackMouseEvent(&tme));
    // Past the window region: the X window no longer holds the pointer.
    XTestFakeMotionEvent(m_x, 0, 50 + 170, 60 + 50, 0);
    XSync(m_x, False);
    EXPECT_TRUE(LoopUntil([&] { return !Recorder::Get().Of(hwnd, WM_MOUSELEAVE).empty(); }));
}

// Two children that capture the mouse while hovered, as the skinned buttons do: a click fired
// right after a jump from one to the other (xdotool's way) reaches the one under the pointer.
TEST_F(X11DisplayTest, AClickRightAfterAJumpReachesTheWindowUnderThePointer) {
    HWND top = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 50, 200, 300, 100);
    m_windows.push_back(top);
    auto hover = [](HWND h, UINT msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (msg == WM_MOUSEMOVE) {
            RECT client{};
            GetClientRect(h, &client);
            const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (GetCapture() != h) {
                SetCapture(h);
            } else if (at.x < 0 || at.y < 0 || at.x >= client.right || at.y >= client.bottom) {
                ReleaseCapture();
            }
        }
        return std::nullopt;
    };
    HWND a = uitest::CreateTestWindow(WS_CHILD | WS_VISIBLE, 10, 10, 100, 60, top, 1);
    HWND b = uitest::CreateTestWindow(WS_CHILD | WS_VISIBLE, 150, 10, 100, 60, top, 2);
    ShowWindow(top, SW_SHOW);
    platform::PumpUntilIdle();
    m_display->Flush();
    for (int round = 0; round < 5; ++round) {
        Recorder::Get().Clear(); // the log and the handlers
        Recorder::Get().SetHandler(a, hover);
        Recorder::Get().SetHandler(b, hover);
        XTestFakeMotionEvent(m_x, 0, 50 + 40, 200 + 30, 0);
        XSync(m_x, False);
        ASSERT_TRUE(LoopUntil([&] { return GetCapture() == a; })) << "round " << round;
        // A new spot each round, so that no two presses make a double-click.
        XTestFakeMotionEvent(m_x, 0, 50 + 150 + 10 + round * 10, 200 + 30, 0);
        XTestFakeButtonEvent(m_x, 1, True, 0);
        XTestFakeButtonEvent(m_x, 1, False, 0);
        XSync(m_x, False);
        ASSERT_TRUE(LoopUntil([&] {
            return !Recorder::Get().Of(b, WM_LBUTTONUP).empty() ||
                   !Recorder::Get().Of(a, WM_LBUTTONUP).empty();
        })) << "round "
            << round;
        EXPECT_TRUE(Recorder::Get().Of(a, WM_LBUTTONDOWN).empty()) << "round " << round;
        const auto downs = Recorder::Get().Of(b, WM_LBUTTONDOWN);
        ASSERT_EQ(downs.size(), 1u) << "round " << round;
        EXPECT_EQ(ClientX(downs[0].lParam), 10 + round * 10);
        EXPECT_EQ(ClientY(downs[0].lParam), 20);
        ReleaseCapture();
    }
}

TEST_F(X11DisplayTest, WindowsOfAnotherThreadArePushedByThatThread) {
    std::atomic<HWND> window{nullptr};
    std::thread ui([&] {
        Recorder::Get().SetPendingHandler(
            [](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
                if (msg == WM_PAINT) {
                    PAINTSTRUCT ps;
                    HDC dc = BeginPaint(hwnd, &ps);
                    RECT all{0, 0, 80, 60};
                    HBRUSH brush = CreateSolidBrush(kPicture);
                    FillRect(dc, &all, brush);
                    DeleteObject(brush);
                    EndPaint(hwnd, &ps);
                    return 0;
                }
                if (msg == WM_DESTROY) {
                    PostQuitMessage(0);
                }
                return std::nullopt;
            });
        HWND hwnd = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 500, 400, 80, 60);
        window = hwnd;
        MSG msg{};
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            DispatchMessageW(&msg);
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (RootPixel(520, 420) != kPicture && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(RootPixel(520, 420), kPicture);
    while (!window.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // Closing it from here: the close runs on its thread, which then ends its loop.
    PostMessageW(window.load(), WM_CLOSE, 0, 0);
    ui.join();
    EXPECT_FALSE(IsWindow(window.load()));
}

TEST(X11Keys, KeysymsBecomeVirtualKeys) {
    using platform::x11::VirtualKeyFromKeysym;
    EXPECT_EQ(VirtualKeyFromKeysym(XK_a), 'A');
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Z), 'Z');
    EXPECT_EQ(VirtualKeyFromKeysym(XK_7), '7');
    EXPECT_EQ(VirtualKeyFromKeysym(XK_F1), VK_F1);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_F4), VK_F4);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_F12), 0x7B);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_3), 0x63);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Home), VK_HOME);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Shift_R), VK_RSHIFT);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Control_L), VK_LCONTROL);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Alt_R), VK_RMENU);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Return), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Escape), VK_ESCAPE);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_space), VK_SPACE);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Page_Down), VK_NEXT);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Delete), VK_DELETE);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_minus), 0xBD);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_VoidSymbol), 0);
}

TEST(X11Choice, DisplayAndOverrideVariablesChooseTheBackend) {
    const char* oldDisplay = std::getenv("DISPLAY");
    const char* oldChoice = std::getenv("BORVANTA_DISPLAY");
    const std::string savedDisplay = oldDisplay ? oldDisplay : "";
    const std::string savedChoice = oldChoice ? oldChoice : "";

    unsetenv("DISPLAY");
    unsetenv("BORVANTA_DISPLAY");
    EXPECT_FALSE(platform::WantX11Display());
    {
        auto display = platform::CreateDesktopDisplay(320, 200);
        EXPECT_NE(dynamic_cast<platform::HeadlessDisplay*>(display.get()), nullptr);
        EXPECT_EQ(platform::ScreenSize().cx, 320);
    }
    setenv("DISPLAY", ":99", 1);
    EXPECT_TRUE(platform::WantX11Display());
    setenv("BORVANTA_DISPLAY", "headless", 1);
    EXPECT_FALSE(platform::WantX11Display());

    if (oldDisplay) {
        setenv("DISPLAY", savedDisplay.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
    if (oldChoice) {
        setenv("BORVANTA_DISPLAY", savedChoice.c_str(), 1);
    } else {
        unsetenv("BORVANTA_DISPLAY");
    }
}

} // namespace

namespace {

// Reads a window's UTF-8 text property through a raw connection.
std::string TextProperty(Display* dpy, ::Window xid, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(dpy, xid, XInternAtom(dpy, name, False), 0, 64, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        value.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return value;
}

} // namespace

TEST_F(X11DisplayTest, AnotherProcessAsksAMinimisedWindowToTheFront) {
    HWND hwnd = OpenShapedWindow(50, 60);
    const ::Window xid = m_display->XWindowOf(hwnd);
    ASSERT_NE(xid, 0u);
    // Its class is on the X window for other processes to find it by.
    EXPECT_EQ(TextProperty(m_x, xid, "_BORVANTA_WINDOW_CLASS"), "UiTestWindow");
    ShowWindow(hwnd, SW_MINIMIZE);
    platform::PumpUntilIdle();
    m_display->Flush();
    ASSERT_TRUE(IsIconic(hwnd));

    // The request another copy sends, here from a raw connection.
    XEvent ask{};
    ask.xclient.type = ClientMessage;
    ask.xclient.window = xid;
    ask.xclient.message_type = XInternAtom(m_x, "_BORVANTA_ACTIVATE", False);
    ask.xclient.format = 32;
    XSendEvent(m_x, xid, False, NoEventMask, &ask);
    XSync(m_x, False);
    EXPECT_TRUE(LoopUntil([&] { return !IsIconic(hwnd); }));
    EXPECT_EQ(GetForegroundWindow(), hwnd);
    // Shown again and given the X focus (no window manager runs on this server).
    EXPECT_TRUE(LoopUntil([&] {
        XWindowAttributes attrs{};
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(m_x, &focus, &revert);
        return XGetWindowAttributes(m_x, xid, &attrs) && attrs.map_state == IsViewable &&
               focus == xid;
    }));
}

TEST_F(X11DisplayTest, WindowsOfAnotherProcessAreFoundByClassAndAsked) {
    HWND own = OpenShapedWindow(50, 60);
    ASSERT_NE(own, nullptr);
    // This process's own windows are not another process's.
    EXPECT_FALSE(m_display->ActivateOtherProcessWindow(u"UiTestWindow"));
    EXPECT_FALSE(m_display->ActivateOtherProcessWindow(u"NoSuchClass"));

    // A window of another program, marked as ours are, inside a window manager's frame.
    const ::Window root = DefaultRootWindow(m_x);
    const ::Window frame = XCreateSimpleWindow(m_x, root, 0, 0, 50, 50, 0, 0, 0);
    const ::Window other = XCreateSimpleWindow(m_x, frame, 0, 0, 40, 40, 0, 0, 0);
    const std::string name = "SINGLE_INSTANCE_APP_BORVANTA";
    XChangeProperty(m_x, other, XInternAtom(m_x, "_BORVANTA_WINDOW_CLASS", False),
                    XInternAtom(m_x, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()),
                    static_cast<int>(name.size()));
    long pid = static_cast<long>(getpid()) + 100000;
    XChangeProperty(m_x, other, XInternAtom(m_x, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    XSync(m_x, False);

    ASSERT_TRUE(m_display->ActivateOtherProcessWindow(u"SINGLE_INSTANCE_APP_BORVANTA"));
    // The request reaches the client that made the window.
    bool asked = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!asked && std::chrono::steady_clock::now() < deadline) {
        while (XPending(m_x) > 0) {
            XEvent e;
            XNextEvent(m_x, &e);
            asked = asked || (e.type == ClientMessage && e.xclient.window == other &&
                              static_cast<Atom>(e.xclient.message_type) ==
                                  XInternAtom(m_x, "_BORVANTA_ACTIVATE", False));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(asked);
    XDestroyWindow(m_x, frame);
    XSync(m_x, False);
}

TEST_F(X11DisplayTest, ToolTipsPopUpOverTheDesktopAndGoWhenThePointerLeaves) {
    InitCommonControls();
    HWND tip = nullptr;
    Recorder::Get().SetPendingHandler(
        [&tip](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
            if (tip != nullptr && msg == WM_MOUSEMOVE) {
                MSG relayed{hwnd, msg, wParam, lParam, 0, {}};
                SendMessageW(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
            }
            return std::nullopt;
        });
    HWND owner = uitest::CreateTestWindow(WS_POPUP, 100, 100, 200, 100);
    m_windows.push_back(owner);
    ShowWindow(owner, SW_SHOW);
    SetActiveWindow(owner);
    tip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP, 0, 0, 10, 10, owner, nullptr,
                          nullptr, nullptr);
    ASSERT_NE(tip, nullptr);
    m_windows.insert(m_windows.begin(), tip);
    WCHAR text[] = u"Tool tip text";
    TOOLINFOW info;
    info.hwnd = owner;
    info.uId = 1;
    info.rect = RECT{0, 0, 200, 100};
    info.lpszText = text;
    ASSERT_TRUE(SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
    platform::PumpUntilIdle();
    m_display->Flush();

    XTestFakeMotionEvent(m_x, 0, 150, 130, 0);
    XSync(m_x, False);
    ASSERT_TRUE(LoopUntil([&] { return IsWindowVisible(tip) != FALSE; }));
    m_display->Flush();
    RECT at{};
    GetWindowRect(tip, &at);
    EXPECT_TRUE(
        LoopUntil([&] { return RootPixel(at.left + 2, at.bottom - 2) == RGB(0xFF, 0xFF, 0xE1); }));
    const ::Window xtip = m_display->XWindowOf(tip);
    ASSERT_NE(xtip, 0u);
    XWindowAttributes attrs{};
    ASSERT_TRUE(XGetWindowAttributes(m_x, xtip, &attrs));
    EXPECT_EQ(attrs.map_state, IsViewable);
    EXPECT_TRUE(attrs.override_redirect); // no window manager frame, never focused
    EXPECT_EQ(GetActiveWindow(), owner);

    XTestFakeMotionEvent(m_x, 0, 400, 400, 0); // off the owner
    XSync(m_x, False);
    EXPECT_TRUE(LoopUntil([&] { return IsWindowVisible(tip) == FALSE; }));
    EXPECT_TRUE(LoopUntil([&] {
        m_display->Flush();
        return XGetWindowAttributes(m_x, xtip, &attrs) && attrs.map_state != IsViewable;
    }));
}
