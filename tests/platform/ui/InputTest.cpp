#include "UiTestSupport.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

using platform::HeadlessDisplay;
using uitest::CreateTestWindow;
using uitest::Recorder;

namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override { Recorder::Get().Clear(); }
    void TearDown() override {
        for (HWND h : m_windows) {
            DestroyWindow(h);
        }
        ReleaseCapture();
        platform::PumpUntilIdle();
        Recorder::Get().Clear();
    }
    HWND Keep(HWND h) {
        m_windows.push_back(h);
        return h;
    }
    std::vector<HWND> m_windows;
    HeadlessDisplay m_display{400, 300};
};

POINT ClientPoint(const uitest::Logged& l) {
    return POINT{GET_X_LPARAM(l.lParam), GET_Y_LPARAM(l.lParam)};
}

} // namespace

TEST_F(InputTest, ClicksGoToTheTopmostWindowInsideItsRegionAndBelowOtherwise) {
    HWND below = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200));
    HWND shaped = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 50, 50, 100, 100));
    // Only the top-left quarter of the shaped window is part of it.
    SetWindowRgn(shaped, CreateRectRgn(0, 0, 50, 50), TRUE);
    platform::PumpUntilIdle();
    m_display.Click(60, 70);
    auto downs = Recorder::Get().Of(shaped, WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(ClientPoint(downs[0]), (POINT{10, 20}));
    m_display.Click(120, 120); // inside the shaped window's rectangle, outside its region
    downs = Recorder::Get().Of(below, WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(ClientPoint(downs[0]), (POINT{120, 120}));
    EXPECT_EQ(Recorder::Get().Of(shaped, WM_LBUTTONDOWN).size(), 1u);
    EXPECT_EQ(Recorder::Get().Of(below, WM_LBUTTONUP).size(), 1u);
    // The region can be read back, and a region that excludes everything hides all input.
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(shaped, copy), ERROR);
    RECT box{};
    GetRgnBox(copy, &box);
    EXPECT_EQ(box, (RECT{0, 0, 50, 50}));
    DeleteObject(copy);
    EXPECT_EQ(platform::input::HitWindow(POINT{500, 500}), nullptr);
}

TEST_F(InputTest, StaticsWithoutNotifyAndDisabledChildrenPassTheMouseToTheWindowBelow) {
    HWND top = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200));
    HWND plain = CreateWindowExW(0, u"Static", u"label", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, top,
                                 reinterpret_cast<HMENU>(1), nullptr, nullptr);
    HWND notify = CreateWindowExW(0, u"Static", u"link", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 10, 40,
                                  50, 20, top, reinterpret_cast<HMENU>(2), nullptr, nullptr);
    HWND disabled = CreateTestWindow(WS_CHILD | WS_VISIBLE | WS_DISABLED, 10, 70, 50, 20, top, 3);
    platform::PumpUntilIdle();
    LRESULT code = 0;
    EXPECT_EQ(platform::input::HitWindow(POINT{15, 15}, &code), top);
    EXPECT_EQ(code, HTCLIENT);
    EXPECT_EQ(platform::input::HitWindow(POINT{15, 45}), notify);
    EXPECT_EQ(platform::input::HitWindow(POINT{15, 75}), top);
    m_display.Click(15, 45);
    auto commands = Recorder::Get().Of(top, WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, MAKEWPARAM(2, STN_CLICKED));
    m_display.Click(15, 75);
    auto downs = Recorder::Get().Of(top, WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(ClientPoint(downs[0]), (POINT{15, 75}));
    EXPECT_TRUE(Recorder::Get().Of(disabled, WM_LBUTTONDOWN).empty());
    (void)plain;
}

TEST_F(InputTest, CaptureGetsTheMouseEverywhereAndIsToldWhenItLosesIt) {
    HWND a = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100));
    HWND b = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 200, 0, 100, 100));
    Recorder::Get().SetHandler(a, [](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_LBUTTONDOWN) {
            SetCapture(h);
        } else if (msg == WM_LBUTTONUP) {
            ReleaseCapture();
        }
        return std::nullopt;
    });
    m_display.MoveMouse(50, 50);
    m_display.ButtonDown();
    EXPECT_EQ(GetCapture(), a);
    m_display.MoveMouse(250, 50); // over b, but a holds the capture
    auto moves = Recorder::Get().Of(a, WM_MOUSEMOVE);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(ClientPoint(moves.back()), (POINT{250, 50}));
    EXPECT_EQ(moves.back().wParam & MK_LBUTTON, MK_LBUTTON);
    EXPECT_TRUE(Recorder::Get().Of(b, WM_MOUSEMOVE).empty());
    m_display.ButtonUp();
    EXPECT_EQ(Recorder::Get().Of(a, WM_LBUTTONUP).size(), 1u);
    EXPECT_TRUE(Recorder::Get().Of(b, WM_LBUTTONUP).empty());
    auto changed = Recorder::Get().Of(a, WM_CAPTURECHANGED);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].lParam, 0);
    EXPECT_EQ(GetCapture(), nullptr);
    // Taking the capture away tells the old holder who has it now.
    SetCapture(a);
    SetCapture(b);
    changed = Recorder::Get().Of(a, WM_CAPTURECHANGED);
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[1].lParam, reinterpret_cast<LPARAM>(b));
    // Destroying the holder frees the capture.
    DestroyWindow(b);
    EXPECT_EQ(GetCapture(), nullptr);
}

// A window that captures the mouse while hovered, as the skinned buttons do, and lets it go
// when a move reports the pointer outside.
std::optional<LRESULT> HoverCapture(HWND h, UINT msg, WPARAM, LPARAM lParam) {
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
}

TEST_F(InputTest, APressAfterAJumpGoesToTheWindowUnderThePointerNotToTheHoverCapture) {
    HWND a = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100));
    HWND b = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 200, 0, 100, 100));
    Recorder::Get().SetHandler(a, HoverCapture);
    Recorder::Get().SetHandler(b, HoverCapture);
    m_display.MoveMouse(50, 50);
    ASSERT_EQ(GetCapture(), a);
    // The jump and the click arrive before the queue is read, as a synthetic click's do.
    m_display.SetAutoPump(false);
    m_display.MoveMouse(250, 50);
    m_display.ButtonDown();
    m_display.ButtonUp();
    m_display.SetAutoPump(true);
    platform::PumpUntilIdle();
    EXPECT_TRUE(Recorder::Get().Of(a, WM_LBUTTONDOWN).empty());
    ASSERT_EQ(Recorder::Get().Of(b, WM_LBUTTONDOWN).size(), 1u);
    EXPECT_EQ(ClientPoint(Recorder::Get().Of(b, WM_LBUTTONDOWN)[0]), (POINT{50, 50}));
    EXPECT_EQ(Recorder::Get().Of(b, WM_LBUTTONUP).size(), 1u);

    // A real drag keeps its capture: with the button held, the press of another button still
    // goes to the holder.
    Recorder::Get().Clear(); // the log and the handlers
    Recorder::Get().SetHandler(a, [](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_LBUTTONDOWN) {
            SetCapture(h);
        }
        return std::nullopt;
    });
    ReleaseCapture();
    m_display.MoveMouse(50, 50);
    m_display.ButtonDown();
    ASSERT_EQ(GetCapture(), a);
    m_display.SetAutoPump(false);
    m_display.MoveMouse(250, 50);
    m_display.ButtonDown(platform::input::MouseButtonId::Right);
    m_display.SetAutoPump(true);
    platform::PumpUntilIdle();
    EXPECT_EQ(Recorder::Get().Of(a, WM_RBUTTONDOWN).size(), 1u);
    EXPECT_TRUE(Recorder::Get().Of(b, WM_RBUTTONDOWN).empty());
    m_display.ButtonUp(platform::input::MouseButtonId::Right);
    m_display.ButtonUp();
    ReleaseCapture();

    // A fast drag: the press, a jump far away and the release all arrive before the window
    // has handled the press (and taken the capture). Input is routed when the loop comes to
    // it, so the moves and the release still reach the window that took the capture.
    Recorder::Get().Clear();
    Recorder::Get().SetHandler(a, [](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_LBUTTONDOWN) {
            SetCapture(h);
        } else if (msg == WM_LBUTTONUP) {
            ReleaseCapture();
        }
        return std::nullopt;
    });
    m_display.MoveMouse(50, 50);
    m_display.SetAutoPump(false);
    m_display.ButtonDown();
    m_display.MoveMouse(350, 250);
    m_display.ButtonUp();
    m_display.SetAutoPump(true);
    platform::PumpUntilIdle();
    ASSERT_EQ(Recorder::Get().Of(a, WM_LBUTTONUP).size(), 1u);
    EXPECT_EQ(ClientPoint(Recorder::Get().Of(a, WM_LBUTTONUP)[0]), (POINT{350, 250}));
    EXPECT_EQ(ClientPoint(Recorder::Get().Of(a, WM_MOUSEMOVE).back()), (POINT{350, 250}));
    EXPECT_TRUE(Recorder::Get().Of(b, WM_LBUTTONUP).empty());
    EXPECT_TRUE(Recorder::Get().Of(b, WM_MOUSEMOVE).empty());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(InputTest, LeaveAndHoverTracking) {
    platform::ScopedVirtualClock clock;
    HWND a = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100));
    Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 200, 0, 100, 100));
    Recorder::Get().SetHandler(a, [](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_MOUSEMOVE) {
            TRACKMOUSEEVENT tme;
            tme.dwFlags = TME_LEAVE | TME_HOVER;
            tme.hwndTrack = h;
            tme.dwHoverTime = 300;
            TrackMouseEvent(&tme);
        }
        return std::nullopt;
    });
    m_display.MoveMouse(10, 10);
    clock.Advance(299);
    platform::PumpUntilIdle();
    EXPECT_TRUE(Recorder::Get().Of(a, WM_MOUSEHOVER).empty());
    clock.Advance(1);
    platform::PumpUntilIdle();
    auto hovers = Recorder::Get().Of(a, WM_MOUSEHOVER);
    ASSERT_EQ(hovers.size(), 1u);
    EXPECT_EQ(ClientPoint(hovers[0]), (POINT{10, 10}));
    m_display.MoveMouse(20, 20); // still inside: no leave
    EXPECT_TRUE(Recorder::Get().Of(a, WM_MOUSELEAVE).empty());
    m_display.MoveMouse(250, 20);
    EXPECT_EQ(Recorder::Get().Of(a, WM_MOUSELEAVE).size(), 1u);
    m_display.MoveMouse(260, 20); // tracking ended with the leave
    EXPECT_EQ(Recorder::Get().Of(a, WM_MOUSELEAVE).size(), 1u);
    // Asking for a leave while the mouse is elsewhere reports it at once.
    TRACKMOUSEEVENT tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = a;
    TrackMouseEvent(&tme);
    platform::PumpUntilIdle();
    EXPECT_EQ(Recorder::Get().Of(a, WM_MOUSELEAVE).size(), 2u);
}

TEST_F(InputTest, DoubleClicksNeedTheClassStyleAndTheDoubleClickTime) {
    platform::ScopedVirtualClock clock;
    HWND a = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100));
    m_display.Click(10, 10);
    clock.Advance(100);
    m_display.Click(11, 10);
    EXPECT_EQ(Recorder::Get().Of(a, WM_LBUTTONDBLCLK).size(), 1u);
    clock.Advance(GetDoubleClickTime() + 1);
    m_display.Click(11, 10);
    EXPECT_EQ(Recorder::Get().Of(a, WM_LBUTTONDBLCLK).size(), 1u);
    EXPECT_EQ(Recorder::Get().Of(a, WM_LBUTTONDOWN).size(), 2u);
}

TEST_F(InputTest, KeysGoToTheFocusWithTheirLParamBits) {
    HWND top = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100));
    HWND child = CreateTestWindow(WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top, 1);
    EXPECT_EQ(GetActiveWindow(), top);
    SetFocus(child);
    EXPECT_EQ(GetFocus(), child);
    auto setFocus = Recorder::Get().Of(child, WM_SETFOCUS);
    ASSERT_EQ(setFocus.size(), 1u);
    m_display.KeyDown('A');
    m_display.KeyDown('A'); // auto-repeat
    m_display.KeyUp('A');
    m_display.KeyDown(VK_RCONTROL);
    m_display.KeyUp(VK_RCONTROL);
    auto downs = Recorder::Get().Of(child, WM_KEYDOWN);
    auto ups = Recorder::Get().Of(child, WM_KEYUP);
    ASSERT_EQ(downs.size(), 3u);
    ASSERT_EQ(ups.size(), 2u);
    auto bits = [](LPARAM lp) { return static_cast<DWORD>(lp); };
    EXPECT_EQ(downs[0].wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(bits(downs[0].lParam), 0x001E0001u); // repeat 1, scan 0x1E
    EXPECT_EQ(bits(downs[1].lParam), 0x401E0001u); // previously down
    EXPECT_EQ(bits(ups[0].lParam), 0xC01E0001u);   // previously down, released
    EXPECT_EQ(downs[2].wParam, static_cast<WPARAM>(VK_CONTROL));
    EXPECT_EQ(bits(downs[2].lParam), 0x011D0001u); // extended bit for the right control key
    EXPECT_EQ(bits(ups[1].lParam), 0xC11D0001u);
    EXPECT_EQ(GetKeyState(VK_CONTROL) & 0x8000, 0);
    // With Alt held, keys come as system keys with the context bit.
    m_display.KeyDown(VK_LMENU);
    m_display.PressKey('F');
    m_display.KeyUp(VK_LMENU);
    auto sys = Recorder::Get().Of(child, WM_SYSKEYDOWN);
    ASSERT_EQ(sys.size(), 2u);
    EXPECT_EQ(sys[0].wParam, static_cast<WPARAM>(VK_MENU));
    EXPECT_EQ(sys[1].wParam, static_cast<WPARAM>('F'));
    EXPECT_EQ(bits(sys[1].lParam), 0x20210001u); // context bit 29, scan 0x21
    EXPECT_EQ(Recorder::Get().Of(child, WM_KEYDOWN).size(), 3u);
    // The character message is produced by TranslateMessage in the loop.
    auto chars = Recorder::Get().Of(child, WM_CHAR);
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>('a'));
    // Punctuation keys give their characters, the shifted ones with Shift held.
    m_display.PressKey(0xBF); // the slash key
    m_display.KeyDown(VK_LSHIFT);
    m_display.PressKey(0xBD); // the minus key
    m_display.KeyUp(VK_LSHIFT);
    chars = Recorder::Get().Of(child, WM_CHAR);
    ASSERT_EQ(chars.size(), 4u);
    EXPECT_EQ(chars[2].wParam, static_cast<WPARAM>('/'));
    EXPECT_EQ(chars[3].wParam, static_cast<WPARAM>('_'));
    // Moving the focus tells both windows.
    SetFocus(top);
    auto kill = Recorder::Get().Of(child, WM_KILLFOCUS);
    ASSERT_EQ(kill.size(), 1u);
    EXPECT_EQ(kill[0].wParam, reinterpret_cast<WPARAM>(top));
}

TEST_F(InputTest, WheelGoesToTheFocusAndChildrenPassItToTheirParent) {
    HWND top = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100));
    HWND child = CreateTestWindow(WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top, 1);
    SetFocus(child);
    m_display.MoveMouse(50, 60);
    m_display.Wheel(-2);
    auto wheel = Recorder::Get().Of(top, WM_MOUSEWHEEL);
    ASSERT_EQ(wheel.size(), 1u);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[0].wParam), -240);
    EXPECT_EQ(ClientPoint(wheel[0]), (POINT{50, 60})); // screen coordinates
    EXPECT_EQ(Recorder::Get().Of(child, WM_MOUSEWHEEL).size(), 1u);
}

TEST_F(InputTest, GeometryConversions) {
    HWND top = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE | WS_BORDER, 100, 50, 200, 100));
    HWND child = CreateTestWindow(WS_CHILD | WS_VISIBLE, 10, 20, 30, 40, top, 1);
    RECT r{};
    GetClientRect(top, &r);
    EXPECT_EQ(r, (RECT{0, 0, 198, 98}));
    GetWindowRect(child, &r);
    EXPECT_EQ(r, (RECT{111, 71, 141, 111}));
    POINT p{5, 5};
    ClientToScreen(child, &p);
    EXPECT_EQ(p, (POINT{116, 76}));
    ScreenToClient(top, &p);
    EXPECT_EQ(p, (POINT{15, 25}));
    MoveWindow(child, 0, 0, 10, 10, TRUE);
    GetWindowRect(child, &r);
    EXPECT_EQ(r, (RECT{101, 51, 111, 61}));
    auto sizes = Recorder::Get().Of(child, WM_SIZE);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[1].lParam, MAKELPARAM(10, 10));
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{5, 5}), child);
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{50, 50}), top);
    ShowWindow(child, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(child));
    EXPECT_EQ(ChildWindowFromPointEx(top, POINT{5, 5}, CWP_SKIPINVISIBLE), top);
}

TEST_F(InputTest, AWindowAnsweringCaptionIsDraggedByAnyFreeSpot) {
    HWND top = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 100, 100, 200, 100));
    HWND child = CreateTestWindow(WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, top, 1);
    Recorder::Get().SetHandler(top,
                               [](HWND h, UINT msg, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
                                   if (msg == WM_NCHITTEST) {
                                       const LRESULT hit = DefWindowProcW(h, msg, w, l);
                                       return hit == HTCLIENT ? HTCAPTION : hit;
                                   }
                                   return std::nullopt;
                               });
    m_display.Drag(POINT{150, 150}, POINT{200, 180});
    RECT r{};
    GetWindowRect(top, &r);
    EXPECT_EQ(r, (RECT{150, 130, 350, 230}));
    EXPECT_TRUE(Recorder::Get().Of(top, WM_LBUTTONDOWN).empty());
    EXPECT_EQ(Recorder::Get().Of(top, WM_NCLBUTTONDOWN).size(), 1u);
    // After the release the mouse moves freely again; the child still gets its clicks.
    m_display.MoveMouse(300, 300);
    GetWindowRect(top, &r);
    EXPECT_EQ(r.left, 150);
    m_display.Click(155, 135);
    EXPECT_EQ(Recorder::Get().Of(child, WM_LBUTTONDOWN).size(), 1u);
}
