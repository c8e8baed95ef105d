// Window pixels on the X server, through shared memory and (on a server without MIT-SHM)
// through the connection: a repaint sends only the rows it changed, and a window that was
// never shown has no X window until it is.

#include "platform/gdi/Gdi.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Display.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xdamage.h>

namespace {

using uitest::Recorder;

constexpr COLORREF kFace = RGB(200, 30, 40);
constexpr COLORREF kBand = RGB(10, 60, 240);

// Paints the whole client area in kFace, and rows [bandTop, bandBottom) in kBand.
struct Painter {
    int bandTop = 0;
    int bandBottom = 0;
    std::optional<LRESULT> operator()(HWND hwnd, UINT msg, WPARAM, LPARAM) const {
        if (msg != WM_PAINT) {
            return std::nullopt;
        }
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT all{0, 0, 200, 100};
        HBRUSH face = CreateSolidBrush(kFace);
        FillRect(dc, &all, face);
        DeleteObject(face);
        RECT band{0, bandTop, 200, bandBottom};
        HBRUSH blue = CreateSolidBrush(kBand);
        FillRect(dc, &band, blue);
        DeleteObject(blue);
        EndPaint(hwnd, &ps);
        return 0;
    }
};

class X11Pixels : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        const auto program = testsupport::FindXvfb();
        if (!program) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        const bool shared = GetParam();
        ASSERT_TRUE(m_server.Start(*program, "640x480x24", shared ? "" : "MIT-SHM"));
        m_display.emplace(m_server.Name());
        ASSERT_TRUE(m_display->IsOpen());
        m_x = XOpenDisplay(m_server.Name().c_str());
        ASSERT_NE(m_x, nullptr);
        ASSERT_EQ(XShmQueryExtension(m_x) == True, shared);
        int error = 0;
        ASSERT_TRUE(XDamageQueryExtension(m_x, &m_damageEvent, &error));
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

    // Pumps messages and pushes changes until done() holds or five seconds passed.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            platform::PumpUntilIdle();
            m_display->Flush();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        platform::PumpUntilIdle();
        m_display->Flush();
        return true;
    }

    // The rows [top, bottom) that the server drew into the X window since the damage object
    // was made.
    std::pair<int, int> DamagedRows(Damage damage) {
        XSync(m_x, False);
        int top = 1 << 20;
        int bottom = -1;
        while (XPending(m_x)) {
            XEvent e;
            XNextEvent(m_x, &e);
            if (e.type == m_damageEvent + XDamageNotify) {
                const XRectangle& r = reinterpret_cast<XDamageNotifyEvent*>(&e)->area;
                top = std::min<int>(top, r.y);
                bottom = std::max<int>(bottom, r.y + r.height);
            }
        }
        XDamageSubtract(m_x, damage, 0, 0);
        return {top, bottom};
    }

    testsupport::XvfbServer m_server;
    std::optional<platform::X11Display> m_display;
    Display* m_x = nullptr;
    int m_damageEvent = 0;
    std::vector<HWND> m_windows;
};

TEST_P(X11Pixels, RepaintsSendTheRowsTheyChangedAndHiddenWindowsWaitForTheirXWindow) {
    Recorder::Get().SetPendingHandler(Painter{});
    HWND main = uitest::CreateTestWindow(WS_POPUP, 40, 50, 200, 100);
    m_windows.push_back(main);
    // A popup made ahead of its use: hidden, it has no X window (nor does its owner, hidden).
    Recorder::Get().SetPendingHandler(Painter{0, 100});
    HWND popup = uitest::CreateTestWindow(WS_POPUP, 300, 50, 200, 100, main);
    m_windows.insert(m_windows.begin(), popup);
    platform::PumpUntilIdle();
    m_display->Flush();
    EXPECT_EQ(m_display->XWindowOf(main), 0u);
    EXPECT_EQ(m_display->XWindowOf(popup), 0u);

    ShowWindow(main, SW_SHOW);
    platform::PumpUntilIdle();
    m_display->Flush();
    const ::Window xid = m_display->XWindowOf(main);
    ASSERT_NE(xid, 0u);
    EXPECT_EQ(m_display->XWindowOf(popup), 0u);
    // The server's exposure of the newly mapped window repaints it once more.
    ASSERT_TRUE(PumpUntil([&] { return Recorder::Get().Of(main, WM_PAINT).size() >= 2; }));
    EXPECT_EQ(RootPixel(40 + 100, 50 + 50), kFace);

    // A band repainted: it shows, the rest stays, and only its rows were drawn again.
    const Damage damage = XDamageCreate(m_x, xid, XDamageReportRawRectangles);
    DamagedRows(damage);
    Recorder::Get().SetHandler(main, Painter{40, 52});
    RECT band{0, 40, 200, 52};
    InvalidateRect(main, &band, FALSE);
    platform::PumpUntilIdle();
    m_display->Flush();
    EXPECT_EQ(RootPixel(40 + 10, 50 + 45), kBand);
    EXPECT_EQ(RootPixel(40 + 190, 50 + 51), kBand);
    EXPECT_EQ(RootPixel(40 + 10, 50 + 39), kFace);
    EXPECT_EQ(RootPixel(40 + 10, 50 + 52), kFace);
    const auto [top, bottom] = DamagedRows(damage);
    EXPECT_EQ(top, 40);
    EXPECT_EQ(bottom, 52);

    // Painting the same pixels again sends nothing.
    InvalidateRect(main, nullptr, FALSE);
    platform::PumpUntilIdle();
    m_display->Flush();
    EXPECT_EQ(DamagedRows(damage).second, -1);
    XDamageDestroy(m_x, damage);

    // Shown, the popup gets its X window, transient for its owner's, with its pixels.
    ShowWindow(popup, SW_SHOWNOACTIVATE);
    platform::PumpUntilIdle();
    m_display->Flush();
    const ::Window popupXid = m_display->XWindowOf(popup);
    ASSERT_NE(popupXid, 0u);
    ::Window transientFor = 0;
    ASSERT_TRUE(XGetTransientForHint(m_x, popupXid, &transientFor));
    EXPECT_EQ(transientFor, xid);
    EXPECT_EQ(RootPixel(300 + 100, 50 + 50), kBand);
}

INSTANTIATE_TEST_SUITE_P(SharedMemoryAndConnection, X11Pixels, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? std::string("SharedMemory")
                                                : std::string("Connection");
                         });

} // namespace
