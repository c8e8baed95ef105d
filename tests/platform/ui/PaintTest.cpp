#include "UiTestSupport.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/Module.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

#include <cstdlib>

using platform::HeadlessDisplay;
using uitest::CreateTestWindow;
using uitest::Recorder;

namespace {

constexpr COLORREF kDesktop = RGB(0, 0, 200);

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override { Recorder::Get().Clear(); }
    void TearDown() override {
        for (HWND h : m_windows) {
            DestroyWindow(h);
        }
        platform::PumpUntilIdle();
        Recorder::Get().Clear();
    }
    HWND Keep(HWND h) {
        m_windows.push_back(h);
        return h;
    }
    std::vector<HWND> m_windows;
    HeadlessDisplay m_display{320, 240, kDesktop};
};

// A handler that paints the client area with one colour.
uitest::Handler FillWith(COLORREF color, std::vector<RECT>* painted = nullptr) {
    return [color, painted](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg != WM_PAINT) {
            return std::nullopt;
        }
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        if (painted) {
            painted->push_back(ps.rcPaint);
        }
        HBRUSH brush = CreateSolidBrush(color);
        RECT client{};
        GetClientRect(h, &client);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(h, &ps);
        return 0;
    };
}

bool Near(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= 1 &&
           std::abs(GetGValue(a) - GetGValue(b)) <= 1 && std::abs(GetBValue(a) - GetBValue(b)) <= 1;
}

} // namespace

TEST_F(PaintTest, InvalidationGivesOnePaintAndBeginPaintValidates) {
    std::vector<RECT> painted;
    Recorder::Get().SetPendingHandler(FillWith(RGB(255, 0, 0), &painted));
    HWND w = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 10, 10, 100, 80));
    EXPECT_TRUE(GetUpdateRect(w, nullptr, FALSE));
    platform::PumpUntilIdle();
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(painted[0], (RECT{0, 0, 100, 80}));
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));
    // The erase came first, inside BeginPaint.
    auto order = Recorder::Get().MessagesOf(w, {WM_PAINT, WM_ERASEBKGND});
    EXPECT_EQ(order, (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    // Two invalidations before the loop runs give one paint of their union.
    RECT a{0, 0, 10, 10};
    RECT b{20, 20, 30, 30};
    InvalidateRect(w, &a, FALSE);
    InvalidateRect(w, &b, FALSE);
    platform::PumpUntilIdle();
    ASSERT_EQ(painted.size(), 2u);
    EXPECT_EQ(painted[1], (RECT{0, 0, 30, 30}));
    // A window procedure that ignores WM_PAINT is not asked forever.
    Recorder::Get().SetHandler(w, [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return msg == WM_PAINT ? std::optional<LRESULT>(0) : std::nullopt;
    });
    InvalidateRect(w, nullptr, TRUE);
    EXPECT_EQ(platform::PumpUntilIdle(), 1);
    // UpdateWindow paints at once; ValidateRect cancels a pending paint.
    Recorder::Get().SetHandler(w, FillWith(RGB(0, 255, 0), &painted));
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(painted.size(), 3u);
    InvalidateRect(w, nullptr, FALSE);
    ValidateRect(w, nullptr);
    EXPECT_EQ(platform::PumpUntilIdle(), 0);
    EXPECT_EQ(m_display.ScreenPixel(15, 15), RGB(0, 255, 0));
    EXPECT_EQ(m_display.ScreenPixel(5, 5), kDesktop);
}

TEST_F(PaintTest, ChildrenAreClippedOnlyWithClipChildren) {
    for (DWORD clip : {0u, static_cast<DWORD>(WS_CLIPCHILDREN)}) {
        Recorder::Get().Clear();
        Recorder::Get().SetPendingHandler(FillWith(RGB(255, 255, 255)));
        HWND parent = CreateTestWindow(WS_POPUP | WS_VISIBLE | clip, 0, 0, 100, 100);
        Recorder::Get().SetPendingHandler(FillWith(RGB(255, 0, 0)));
        HWND child = CreateTestWindow(WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, parent, 1);
        platform::PumpUntilIdle();
        EXPECT_EQ(m_display.ScreenPixel(15, 15), RGB(255, 0, 0));
        const size_t childPaints = Recorder::Get().Of(child, WM_PAINT).size();
        // The parent repaints; only a parent without WS_CLIPCHILDREN paints over its child,
        // so only then is the child repainted after it.
        InvalidateRect(parent, nullptr, TRUE);
        platform::PumpUntilIdle();
        EXPECT_EQ(Recorder::Get().Of(child, WM_PAINT).size(), childPaints + (clip ? 0u : 1u));
        EXPECT_EQ(m_display.ScreenPixel(15, 15), RGB(255, 0, 0));
        EXPECT_EQ(m_display.ScreenPixel(50, 50), RGB(255, 255, 255));
        // Drawing through GetDC also honours the clipping.
        HDC dc = GetDC(parent);
        RECT all{0, 0, 100, 100};
        FillRect(dc, &all, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(parent, dc);
        EXPECT_EQ(m_display.ScreenPixel(15, 15), clip ? RGB(255, 0, 0) : RGB(0, 0, 0));
        DestroyWindow(parent);
        platform::PumpUntilIdle();
    }
}

TEST_F(PaintTest, ClipSiblingsKeepsTheUpperSiblingIntact) {
    Recorder::Get().SetPendingHandler(FillWith(RGB(255, 255, 255)));
    HWND parent = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100, 100));
    Recorder::Get().SetPendingHandler(FillWith(RGB(0, 255, 0)));
    HWND upper =
        CreateTestWindow(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 10, 10, 30, 30, parent, 1);
    Recorder::Get().SetPendingHandler(FillWith(RGB(255, 0, 0)));
    HWND lower =
        CreateTestWindow(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 20, 20, 30, 30, parent, 2);
    platform::PumpUntilIdle();
    InvalidateRect(lower, nullptr, TRUE);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_display.ScreenPixel(25, 25), RGB(0, 255, 0)); // overlap: upper wins
    EXPECT_EQ(m_display.ScreenPixel(45, 45), RGB(255, 0, 0));
    (void)upper;
}

TEST_F(PaintTest, LayeredWindowWithColourKeyAlphaAndRegionComposites) {
    Recorder::Get().SetPendingHandler(
        [](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (msg != WM_PAINT) {
                return std::nullopt;
            }
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            RECT left{0, 0, 50, 100};
            RECT right{50, 0, 100, 100};
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            HBRUSH key = CreateSolidBrush(RGB(255, 0, 255));
            FillRect(dc, &left, red);
            FillRect(dc, &right, key);
            DeleteObject(red);
            DeleteObject(key);
            EndPaint(h, &ps);
            return 0;
        });
    HWND w = Keep(
        CreateTestWindow(WS_POPUP | WS_VISIBLE, 100, 100, 100, 100, nullptr, 0, WS_EX_LAYERED));
    platform::PumpUntilIdle();
    EXPECT_EQ(m_display.ScreenPixel(110, 110), RGB(255, 0, 0));
    EXPECT_EQ(m_display.ScreenPixel(160, 110), RGB(255, 0, 255));
    ASSERT_TRUE(SetLayeredWindowAttributes(w, RGB(255, 0, 255), 0, LWA_COLORKEY));
    EXPECT_EQ(m_display.ScreenPixel(110, 110), RGB(255, 0, 0));
    EXPECT_EQ(m_display.ScreenPixel(160, 110), kDesktop); // keyed out
    ASSERT_TRUE(SetLayeredWindowAttributes(w, RGB(255, 0, 255), 128, LWA_COLORKEY | LWA_ALPHA));
    const COLORREF blended = m_display.ScreenPixel(110, 110);
    EXPECT_TRUE(Near(blended, RGB(128, 0, 100))) << std::hex << blended;
    EXPECT_EQ(m_display.ScreenPixel(160, 110), kDesktop);
    // The window region cuts the rest.
    SetWindowRgn(w, CreateRectRgn(0, 0, 20, 20), TRUE);
    platform::PumpUntilIdle();
    EXPECT_TRUE(Near(m_display.ScreenPixel(110, 110), RGB(128, 0, 100)));
    EXPECT_EQ(m_display.ScreenPixel(130, 130), kDesktop);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
    EXPECT_EQ(key, RGB(255, 0, 255));
    EXPECT_EQ(alpha, 128);
    EXPECT_EQ(flags, LWA_COLORKEY | LWA_ALPHA);
    // Not layered: refused.
    HWND plain = Keep(CreateTestWindow(WS_POPUP, 0, 0, 10, 10));
    EXPECT_FALSE(SetLayeredWindowAttributes(plain, 0, 0, LWA_ALPHA));
    // Hidden windows leave the screen.
    ShowWindow(w, SW_HIDE);
    EXPECT_EQ(m_display.ScreenPixel(110, 110), kDesktop);
}

TEST_F(PaintTest, OwnerDrawnButtonsAskTheirParentAndColourQueriesPickTheBrush) {
    std::vector<DRAWITEMSTRUCT> draws;
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    Recorder::Get().SetPendingHandler(
        [&](HWND, UINT msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
            if (msg == WM_DRAWITEM) {
                draws.push_back(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
                return TRUE;
            }
            if (msg == WM_CTLCOLORSTATIC) {
                return reinterpret_cast<LRESULT>(green);
            }
            return std::nullopt;
        });
    HWND parent = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100));
    HWND button = CreateWindowExW(0, u"Button", u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 40,
                                  20, parent, reinterpret_cast<HMENU>(9), nullptr, nullptr);
    HWND label = CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE, 0, 50, 40, 20, parent,
                                 reinterpret_cast<HMENU>(10), nullptr, nullptr);
    platform::PumpUntilIdle();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].CtlType, ODT_BUTTON);
    EXPECT_EQ(draws[0].CtlID, 9u);
    EXPECT_EQ(draws[0].hwndItem, button);
    EXPECT_EQ(draws[0].itemState & ODS_SELECTED, 0u);
    EXPECT_EQ(m_display.ScreenPixel(5, 55), RGB(0, 255, 0));
    m_display.MoveMouse(5, 5);
    m_display.ButtonDown();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[1].itemState & ODS_SELECTED, ODS_SELECTED);
    m_display.ButtonUp();
    auto commands = Recorder::Get().Of(parent, WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, MAKEWPARAM(9, BN_CLICKED));
    DestroyWindow(parent);
    m_windows.clear();
    DeleteObject(green);
    (void)label;
}

TEST_F(PaintTest, AButtonRedrawsAtOnceWhenEnabledOrDisabled) {
    std::vector<UINT> states;
    Recorder::Get().SetPendingHandler(
        [&](HWND, UINT msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
            if (msg == WM_DRAWITEM) {
                states.push_back(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->itemState);
                return TRUE;
            }
            return std::nullopt;
        });
    HWND parent = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100));
    HWND button =
        CreateWindowExW(0, u"Button", u"", WS_CHILD | WS_VISIBLE | WS_DISABLED | BS_OWNERDRAW, 0, 0,
                        40, 20, parent, reinterpret_cast<HMENU>(9), nullptr, nullptr);
    platform::PumpUntilIdle();
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0] & ODS_DISABLED, ODS_DISABLED);
    // No pointer comes near it: enabling alone draws the enabled look.
    EnableWindow(button, TRUE);
    platform::PumpUntilIdle();
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[1] & ODS_DISABLED, 0u);
    EnableWindow(button, FALSE);
    platform::PumpUntilIdle();
    ASSERT_EQ(states.size(), 3u);
    EXPECT_EQ(states[2] & ODS_DISABLED, ODS_DISABLED);
    // The same state again changes nothing and draws nothing.
    EnableWindow(button, FALSE);
    platform::PumpUntilIdle();
    EXPECT_EQ(states.size(), 3u);
    DestroyWindow(parent);
    m_windows.clear();
}

TEST_F(PaintTest, ScreenshotsAreWritten) {
    Recorder::Get().SetPendingHandler(FillWith(RGB(10, 20, 30)));
    HWND w = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 5, 5, 20, 10));
    platform::PumpUntilIdle();
    const auto dir = std::filesystem::temp_directory_path() / "platform_ui_paint_test";
    std::filesystem::create_directories(dir);
    EXPECT_TRUE(m_display.SaveScreenshot(dir / "screen.png"));
    EXPECT_TRUE(m_display.SaveWindowScreenshot(w, dir / "window.png"));
    EXPECT_GT(std::filesystem::file_size(dir / "screen.png"), 0u);
    gdi::Bitmap shot = m_display.CaptureWindow(w);
    EXPECT_EQ(shot.Width(), 20);
    EXPECT_EQ(shot.GetColor(0, 0), RGB(10, 20, 30));
    std::filesystem::remove_all(dir);
}

TEST_F(PaintTest, RedrawWindowAndInvalidateRgn) {
    std::vector<RECT> painted;
    Recorder::Get().SetPendingHandler(FillWith(RGB(1, 2, 3), &painted));
    HWND w = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100, 100));
    std::vector<RECT> childPainted;
    Recorder::Get().SetPendingHandler(FillWith(RGB(4, 5, 6), &childPainted));
    HWND child = CreateTestWindow(WS_CHILD | WS_VISIBLE, 50, 50, 20, 20, w, 1);
    platform::PumpUntilIdle();
    painted.clear();
    childPainted.clear();
    HRGN region = CreateRectRgn(5, 5, 15, 25);
    InvalidateRgn(w, region, FALSE);
    DeleteObject(region);
    platform::PumpUntilIdle();
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(painted[0], (RECT{5, 5, 15, 25}));
    // RDW_UPDATENOW paints before returning; RDW_ALLCHILDREN reaches clipped children too.
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_EQ(painted.size(), 2u);
    EXPECT_EQ(childPainted.size(), 1u);
    EXPECT_EQ(platform::PumpUntilIdle(), 0);
    (void)child;
}

TEST_F(PaintTest, LayeredAttributesCanBeLookedUpByName) {
    HMODULE user32 = GetModuleHandleW(u"USER32.DLL");
    ASSERT_TRUE(user32);
    EXPECT_EQ(GetModuleHandleW(u"user32"), user32);
    EXPECT_EQ(GetModuleHandleW(u"gdi32.dll"), nullptr);
    EXPECT_EQ(GetProcAddress(user32, "NoSuchFunction"), nullptr);
    using SetLayered = BOOL (*)(HWND, COLORREF, BYTE, DWORD);
    auto set = reinterpret_cast<SetLayered>(GetProcAddress(user32, "SetLayeredWindowAttributes"));
    ASSERT_TRUE(set);
    HWND w = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, 0, WS_EX_LAYERED));
    EXPECT_TRUE(set(w, RGB(255, 0, 255), 0, LWA_COLORKEY));
    DWORD flags = 0;
    GetLayeredWindowAttributes(w, nullptr, nullptr, &flags);
    EXPECT_EQ(flags, LWA_COLORKEY);
}

TEST_F(PaintTest, TheScreenDcMeasuresButDrawsNothing) {
    HDC screen = GetDC(nullptr);
    ASSERT_TRUE(screen);
    SIZE extent{};
    EXPECT_TRUE(GetTextExtentPoint32W(screen, u"Hello", 5, &extent));
    EXPECT_GT(extent.cx, 0);
    RECT all{0, 0, 320, 240};
    FillRect(screen, &all, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(m_display.ScreenPixel(10, 10), kDesktop);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}
