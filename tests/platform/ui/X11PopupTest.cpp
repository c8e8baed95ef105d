// Popups on the X11 display against a private Xvfb server without a window manager: what a
// popup covered is erased and painted again when the popup goes, and a popup holding the
// capture hears clicks on the desktop outside every window of ours.

#include "platform/gdi/Gdi.h"
#include "platform/ui/ListView.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Display.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

using testsupport::FindXvfb;
using testsupport::XvfbServer;
using uitest::Recorder;

constexpr COLORREF kPage = RGB(40, 60, 90);
constexpr COLORREF kListBack = RGB(10, 10, 10);
constexpr COLORREF kPopup = RGB(250, 250, 250);

class X11PopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto program = FindXvfb();
        if (!program) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(m_server.Start(*program, "640x480x24"));
        m_display.emplace(m_server.Name());
        ASSERT_TRUE(m_display->IsOpen());
        m_x = XOpenDisplay(m_server.Name().c_str());
        ASSERT_NE(m_x, nullptr);
        Recorder::Get().Clear();
    }
    void TearDown() override {
        for (HWND hwnd : m_windows) {
            DestroyWindow(hwnd);
        }
        platform::PumpUntilIdle();
        m_display.reset();
        if (m_x != nullptr) {
            XCloseDisplay(m_x);
        }
        m_server.Stop();
    }

    // A window whose paint fills its client area with one colour.
    HWND OpenFilled(DWORD style, const RECT& r, COLORREF colour, HWND owner = nullptr) {
        Recorder::Get().SetPendingHandler(
            [colour](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
                if (msg != WM_PAINT) {
                    return std::nullopt;
                }
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                RECT client{};
                GetClientRect(hwnd, &client);
                HBRUSH brush = CreateSolidBrush(colour);
                FillRect(dc, &client, brush);
                DeleteObject(brush);
                EndPaint(hwnd, &ps);
                return 0;
            });
        HWND hwnd = uitest::CreateTestWindow(style, r.left, r.top, r.right - r.left,
                                             r.bottom - r.top, owner);
        m_windows.push_back(hwnd);
        return hwnd;
    }

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

    std::vector<unsigned long> Pixels(const RECT& r) {
        m_display->Flush();
        std::vector<unsigned long> out;
        XImage* image = XGetImage(m_x, DefaultRootWindow(m_x), r.left, r.top,
                                  static_cast<unsigned>(r.right - r.left),
                                  static_cast<unsigned>(r.bottom - r.top), AllPlanes, ZPixmap);
        if (image == nullptr) {
            return out;
        }
        for (int y = 0; y < r.bottom - r.top; ++y) {
            for (int x = 0; x < r.right - r.left; ++x) {
                out.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
            }
        }
        XDestroyImage(image);
        return out;
    }

    void ClickX(int x, int y) {
        XTestFakeMotionEvent(m_x, -1, x, y, 0);
        XTestFakeButtonEvent(m_x, 1, True, 0);
        XTestFakeButtonEvent(m_x, 1, False, 0);
        XSync(m_x, False);
    }

    XvfbServer m_server;
    std::optional<platform::X11Display> m_display;
    Display* m_x = nullptr;
    std::vector<HWND> m_windows;
};

} // namespace

// A list of one row over a page: the list paints its background only when erased. A popup
// over it, then gone: the list area shows what it showed before, not the page below it.
TEST_F(X11PopupTest, WhatAPopupCoveredIsErasedAndPaintedAgain) {
    HWND page = OpenFilled(WS_POPUP | WS_VISIBLE, RECT{20, 20, 420, 320}, kPage);
    InitListViewControl();
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, u"",
                                WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER, 40, 40,
                                200, 150, page, nullptr, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    SendMessageW(list, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(kListBack));
    LVITEMW row;
    row.mask = LVIF_TEXT;
    row.pszText = const_cast<LPWSTR>(u"row");
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row));
    platform::PumpUntilIdle();
    RECT area{};
    GetWindowRect(list, &area);
    const std::vector<unsigned long> before = Pixels(area);
    ASSERT_FALSE(before.empty());

    HWND popup = OpenFilled(WS_POPUP | WS_VISIBLE, RECT{80, 80, 220, 200}, kPopup, page);
    ASSERT_TRUE(LoopUntil([&] { return Pixels(area) != before; })) << "the popup never showed";
    DestroyWindow(popup);
    std::vector<unsigned long> after;
    EXPECT_TRUE(LoopUntil([&] {
        after = Pixels(area);
        return after == before;
    })) << "the area the popup covered was not painted again as it was";
}

// A window of an owned popup that holds the capture hears a click on the desktop; once it let
// the capture go, the desktop's clicks are not ours any more.
TEST_F(X11PopupTest, APopupHoldingTheCaptureHearsClicksOnTheDesktop) {
    HWND owner = OpenFilled(WS_POPUP | WS_VISIBLE, RECT{20, 20, 220, 120}, kPage);
    HWND popup = OpenFilled(WS_POPUP | WS_VISIBLE, RECT{30, 130, 130, 180}, kPopup, owner);
    platform::PumpUntilIdle();
    m_display->Flush();
    SetCapture(popup);
    ClickX(500, 400); // the desktop
    ASSERT_TRUE(LoopUntil([&] { return !Recorder::Get().Of(popup, WM_LBUTTONUP).empty(); }));
    const auto downs = Recorder::Get().Of(popup, WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(static_cast<short>(LOWORD(static_cast<DWORD>(downs[0].lParam))), 500 - 30);
    EXPECT_EQ(static_cast<short>(HIWORD(static_cast<DWORD>(downs[0].lParam))), 400 - 130);

    ReleaseCapture();
    Recorder::Get().Clear();
    ClickX(500, 400);
    ClickX(60, 150); // on the popup itself: an ordinary click
    ASSERT_TRUE(LoopUntil([&] { return !Recorder::Get().Of(popup, WM_LBUTTONUP).empty(); }));
    EXPECT_EQ(Recorder::Get().Of(popup, WM_LBUTTONDOWN).size(), 1u);
}
