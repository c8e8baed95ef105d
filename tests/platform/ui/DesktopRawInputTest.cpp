// Raw input from the headless display's keys and clicks: the same reports a real keyboard and
// mouse make, legacy key messages held back while the keyboard asks for none, and input of a
// program in the background only for the registrations that asked for it.

#include "UiTestSupport.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/RawInput.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/WindowManager.h"

#include <gtest/gtest.h>

#include <vector>

using platform::HeadlessDisplay;
using uitest::CreateTestWindow;
using uitest::Recorder;

namespace {

struct Delivered {
    WPARAM code;
    RAWINPUT input;
};

class DesktopRawInputTest : public ::testing::Test {
protected:
    void SetUp() override { Recorder::Get().Clear(); }
    void TearDown() override {
        Register(2, RIDEV_REMOVE, nullptr);
        Register(6, RIDEV_REMOVE, nullptr);
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
    static void Register(USHORT usage, DWORD flags, HWND target) {
        const RAWINPUTDEVICE device{1, usage, flags, target};
        ASSERT_TRUE(RegisterRawInputDevices(&device, 1, sizeof device));
    }
    // The reports the window got, read back as the recorder would.
    static std::vector<Delivered> ReportsOf(HWND hwnd) {
        std::vector<Delivered> reports;
        for (const uitest::Logged& l : Recorder::Get().Of(hwnd, WM_INPUT)) {
            Delivered d{GET_RAWINPUT_CODE_WPARAM(l.wParam), {}};
            UINT size = sizeof d.input;
            if (GetRawInputData(reinterpret_cast<HRAWINPUT>(l.lParam), RID_INPUT, &d.input, &size,
                                sizeof(RAWINPUTHEADER)) == size) {
                reports.push_back(d);
            }
        }
        return reports;
    }
    std::vector<HWND> m_windows;
    HeadlessDisplay m_display{400, 300};
};

} // namespace

TEST_F(DesktopRawInputTest, KeysAndClicksArriveAsRawReportsBeforeTheirMessages) {
    HWND w = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200));
    SetActiveWindow(w);
    SetFocus(w);
    Register(6, RIDEV_INPUTSINK | RIDEV_NOLEGACY, w);
    Register(2, RIDEV_INPUTSINK, w);

    m_display.PressKey(VK_RCONTROL);
    m_display.PressKey('A');
    m_display.Click(50, 50);
    m_display.Click(50, 50, platform::input::MouseButtonId::Right);

    const std::vector<Delivered> reports = ReportsOf(w);
    ASSERT_EQ(reports.size(), 8u);
    for (const Delivered& d : reports) {
        EXPECT_EQ(d.code, RIM_INPUT);
    }
    const RAWKEYBOARD& ctrlDown = reports[0].input.data.keyboard;
    EXPECT_EQ(reports[0].input.header.dwType, RIM_TYPEKEYBOARD);
    EXPECT_EQ(ctrlDown.MakeCode, 0x1D);
    EXPECT_EQ(ctrlDown.Flags, RI_KEY_MAKE | RI_KEY_E0);
    EXPECT_EQ(ctrlDown.VKey, VK_RCONTROL);
    EXPECT_EQ(reports[1].input.data.keyboard.Flags, RI_KEY_BREAK | RI_KEY_E0);
    EXPECT_EQ(reports[2].input.data.keyboard.MakeCode, 0x1E);
    EXPECT_EQ(reports[2].input.data.keyboard.Flags, RI_KEY_MAKE);
    EXPECT_EQ(reports[3].input.data.keyboard.Flags, RI_KEY_BREAK);
    EXPECT_EQ(reports[4].input.header.dwType, RIM_TYPEMOUSE);
    EXPECT_EQ(reports[4].input.data.mouse.usButtonFlags, RI_MOUSE_LEFT_BUTTON_DOWN);
    EXPECT_EQ(reports[5].input.data.mouse.usButtonFlags, RI_MOUSE_LEFT_BUTTON_UP);
    EXPECT_EQ(reports[6].input.data.mouse.usButtonFlags, RI_MOUSE_RIGHT_BUTTON_DOWN);
    EXPECT_EQ(reports[7].input.data.mouse.usButtonFlags, RI_MOUSE_RIGHT_BUTTON_UP);

    // The keyboard asked for no legacy messages for the window; the mouse's still come, after
    // the report. Another window of the program still gets its keys.
    EXPECT_TRUE(Recorder::Get().Of(w, WM_KEYDOWN).empty());
    EXPECT_TRUE(Recorder::Get().Of(w, WM_KEYUP).empty());
    const std::vector<UINT> order = Recorder::Get().MessagesOf(w, {WM_INPUT, WM_LBUTTONDOWN});
    ASSERT_GE(order.size(), 6u);
    EXPECT_EQ(order[4], static_cast<UINT>(WM_INPUT));
    EXPECT_EQ(order[5], static_cast<UINT>(WM_LBUTTONDOWN));
    HWND other = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 250, 0, 50, 50));
    SetFocus(other);
    m_display.PressKey('B');
    EXPECT_EQ(Recorder::Get().Of(other, WM_KEYDOWN).size(), 1u);
    SetFocus(w);

    // Once the keyboard is given back, keys make their messages again.
    Register(6, RIDEV_REMOVE, nullptr);
    EXPECT_FALSE(platform::KeyboardLegacyMessagesSuppressed(w));
    m_display.PressKey('B');
    EXPECT_EQ(Recorder::Get().Of(w, WM_KEYDOWN).size(), 1u);
}

TEST_F(DesktopRawInputTest, InputInTheBackgroundReachesOnlyTheSinks) {
    HWND sink = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100));
    HWND plain = Keep(CreateTestWindow(WS_POPUP | WS_VISIBLE, 200, 0, 100, 100));
    Register(6, RIDEV_INPUTSINK, sink);
    Register(2, 0, plain);
    SetActiveWindow(sink);

    // The program in the foreground: both get their reports as foreground input.
    m_display.PressKey('C');
    m_display.Click(250, 50);
    ASSERT_EQ(ReportsOf(sink).size(), 2u);
    ASSERT_EQ(ReportsOf(plain).size(), 2u);
    EXPECT_EQ(ReportsOf(plain)[0].code, RIM_INPUT);

    // Another program in the foreground: only the sink hears, told where the input went.
    Recorder::Get().Clear();
    platform::wm::DeactivateAll();
    ASSERT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_EQ(platform::DeliverDesktopRawKeyboard(platform::RawKeyboardReport('D', true)), 1);
    EXPECT_EQ(platform::DeliverDesktopRawMouse(platform::RawMouseButtonReport(1, true)), 0);
    platform::PumpUntilIdle();
    const std::vector<Delivered> background = ReportsOf(sink);
    ASSERT_EQ(background.size(), 1u);
    EXPECT_EQ(background[0].code, RIM_INPUTSINK);
    EXPECT_EQ(background[0].input.data.keyboard.MakeCode, 0x20);
    EXPECT_TRUE(ReportsOf(plain).empty());
}
