// Raw input of the whole desktop on the X11 display, against a private Xvfb: keys and clicks
// injected with the XTest extension reach the windows registered for raw input as keyboard and
// mouse reports, a keyboard registered without legacy messages makes no key messages, and the
// key codes of the server turn into the scan codes of the keys.

#include "platform/ui/x11/X11RawInput.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/RawInput.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/WindowManager.h"
#include "platform/ui/x11/X11Display.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using uitest::Recorder;

class X11RawInputTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (const auto program = testsupport::FindXvfb()) {
            s_server = std::make_unique<testsupport::XvfbServer>();
            if (!s_server->Start(*program, "640x480x24")) {
                s_server.reset();
            }
        }
    }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override {
        if (!testsupport::FindXvfb()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_NE(s_server, nullptr) << "Xvfb did not start";
        m_display.emplace(s_server->Name());
        ASSERT_TRUE(m_display->IsOpen());
        m_x = XOpenDisplay(s_server->Name().c_str());
        ASSERT_NE(m_x, nullptr);
        int unused = 0;
        ASSERT_TRUE(XTestQueryExtension(m_x, &unused, &unused, &unused, &unused));
        Recorder::Get().Clear();
    }

    void TearDown() override {
        for (USHORT usage : {USHORT{2}, USHORT{6}}) {
            const RAWINPUTDEVICE remove{1, usage, RIDEV_REMOVE, nullptr};
            RegisterRawInputDevices(&remove, 1, sizeof remove);
        }
        if (m_window != nullptr) {
            DestroyWindow(m_window);
        }
        platform::PumpUntilIdle();
        m_display.reset();
        if (m_x != nullptr) {
            XCloseDisplay(m_x);
        }
    }

    HWND OpenWindow() {
        m_window = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 40, 40, 200, 100);
        platform::PumpUntilIdle();
        m_display->Flush();
        SetActiveWindow(m_window);
        SetFocus(m_window);
        return m_window;
    }

    // A real blocking message loop until done() holds or five seconds passed.
    static bool LoopUntil(const std::function<bool()>& done) {
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

    static std::vector<RAWINPUT> ReportsOf(HWND hwnd, std::vector<WPARAM>* codes = nullptr) {
        std::vector<RAWINPUT> reports;
        for (const uitest::Logged& l : Recorder::Get().Of(hwnd, WM_INPUT)) {
            RAWINPUT input;
            UINT size = sizeof input;
            if (GetRawInputData(reinterpret_cast<HRAWINPUT>(l.lParam), RID_INPUT, &input, &size,
                                sizeof(RAWINPUTHEADER)) == size) {
                reports.push_back(input);
                if (codes != nullptr) {
                    codes->push_back(GET_RAWINPUT_CODE_WPARAM(l.wParam));
                }
            }
        }
        return reports;
    }

    void FakeKey(KeySym keysym, bool down) {
        XTestFakeKeyEvent(m_x, XKeysymToKeycode(m_x, keysym), down ? True : False, 0);
    }

    static inline std::unique_ptr<testsupport::XvfbServer> s_server;
    std::optional<platform::X11Display> m_display;
    Display* m_x = nullptr;
    HWND m_window = nullptr;
};

TEST_F(X11RawInputTest, InjectedKeysAndClicksBecomeRawReports) {
    HWND hwnd = OpenWindow();
    const RAWINPUTDEVICE devices[2] = {{1, 6, RIDEV_INPUTSINK | RIDEV_NOLEGACY, hwnd},
                                       {1, 2, RIDEV_INPUTSINK, hwnd}};
    ASSERT_TRUE(RegisterRawInputDevices(devices, 2, sizeof(RAWINPUTDEVICE)));

    FakeKey(XK_a, true);
    FakeKey(XK_a, false);
    FakeKey(XK_Control_R, true);
    FakeKey(XK_Control_R, false);
    FakeKey(XK_KP_Enter, true);
    FakeKey(XK_KP_Enter, false);
    XTestFakeMotionEvent(m_x, 0, 100, 80, 0);
    XTestFakeButtonEvent(m_x, 3, True, 0);
    XTestFakeButtonEvent(m_x, 3, False, 0);
    XSync(m_x, False);
    ASSERT_TRUE(LoopUntil([&] {
        return ReportsOf(hwnd).size() >= 8 && !Recorder::Get().Of(hwnd, WM_RBUTTONUP).empty();
    }));

    std::vector<WPARAM> codes;
    const std::vector<RAWINPUT> reports = ReportsOf(hwnd, &codes);
    ASSERT_EQ(reports.size(), 8u);
    for (const WPARAM code : codes) {
        EXPECT_EQ(code, RIM_INPUT); // one of the program's windows is active
    }
    const RAWKEYBOARD& a = reports[0].data.keyboard;
    EXPECT_EQ(reports[0].header.dwType, RIM_TYPEKEYBOARD);
    EXPECT_EQ(a.MakeCode, 0x1E);
    EXPECT_EQ(a.VKey, 'A');
    EXPECT_EQ(a.Flags, RI_KEY_MAKE);
    EXPECT_EQ(reports[1].data.keyboard.Flags, RI_KEY_BREAK);
    const RAWKEYBOARD& ctrl = reports[2].data.keyboard;
    EXPECT_EQ(ctrl.MakeCode, 0x1D);
    EXPECT_EQ(ctrl.VKey, VK_RCONTROL);
    EXPECT_EQ(ctrl.Flags, RI_KEY_MAKE | RI_KEY_E0);
    const RAWKEYBOARD& enter = reports[4].data.keyboard;
    EXPECT_EQ(enter.MakeCode, 0x1C);
    EXPECT_EQ(enter.VKey, VK_RETURN);
    EXPECT_EQ(enter.Flags, RI_KEY_MAKE | RI_KEY_E0);
    EXPECT_EQ(reports[6].header.dwType, RIM_TYPEMOUSE);
    EXPECT_EQ(reports[6].data.mouse.usButtonFlags, RI_MOUSE_RIGHT_BUTTON_DOWN);
    EXPECT_EQ(reports[7].data.mouse.usButtonFlags, RI_MOUSE_RIGHT_BUTTON_UP);

    // The keyboard asked for raw input only; the right click still made its messages.
    EXPECT_TRUE(Recorder::Get().Of(hwnd, WM_KEYDOWN).empty());
    EXPECT_TRUE(Recorder::Get().Of(hwnd, WM_KEYUP).empty());
    EXPECT_EQ(Recorder::Get().Of(hwnd, WM_RBUTTONUP).size(), 1u);
}

TEST_F(X11RawInputTest, KeysTypedWhileAnotherProgramIsActiveReachOnlyTheSinks) {
    HWND hwnd = OpenWindow();
    const RAWINPUTDEVICE keyboard{1, 6, RIDEV_INPUTSINK, hwnd};
    ASSERT_TRUE(RegisterRawInputDevices(&keyboard, 1, sizeof keyboard));
    platform::wm::DeactivateAll();
    ASSERT_EQ(GetForegroundWindow(), nullptr);

    FakeKey(XK_b, true);
    FakeKey(XK_b, false);
    XSync(m_x, False);
    ASSERT_TRUE(LoopUntil([&] { return ReportsOf(hwnd).size() >= 2; }));
    std::vector<WPARAM> codes;
    const std::vector<RAWINPUT> reports = ReportsOf(hwnd, &codes);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].data.keyboard.MakeCode, 0x30);
    EXPECT_EQ(codes[0], RIM_INPUTSINK);
    EXPECT_EQ(codes[1], RIM_INPUTSINK);
}

} // namespace

TEST(X11RawInputCodes, KeyCodesAndButtonsTranslate) {
    using platform::x11::RawMouseFromXButton;
    using platform::x11::ScanCodeFromKeycode;
    EXPECT_EQ(ScanCodeFromKeycode(9), 0x01u);     // Escape
    EXPECT_EQ(ScanCodeFromKeycode(38), 0x1Eu);    // A
    EXPECT_EQ(ScanCodeFromKeycode(96), 0x58u);    // F12
    EXPECT_EQ(ScanCodeFromKeycode(105), 0xE01Du); // right Ctrl
    EXPECT_EQ(ScanCodeFromKeycode(111), 0xE048u); // Up
    EXPECT_EQ(ScanCodeFromKeycode(133), 0xE05Bu); // left Windows key
    EXPECT_EQ(ScanCodeFromKeycode(8), 0u);        // below the first key
    EXPECT_EQ(ScanCodeFromKeycode(255), 0u);      // unknown
    EXPECT_EQ(RawMouseFromXButton(1, true).usButtonFlags, RI_MOUSE_LEFT_BUTTON_DOWN);
    EXPECT_EQ(RawMouseFromXButton(2, false).usButtonFlags, RI_MOUSE_MIDDLE_BUTTON_UP);
    EXPECT_EQ(RawMouseFromXButton(3, true).usButtonFlags, RI_MOUSE_RIGHT_BUTTON_DOWN);
    EXPECT_EQ(RawMouseFromXButton(8, true).usButtonFlags, RI_MOUSE_BUTTON_4_DOWN);
    EXPECT_EQ(RawMouseFromXButton(9, false).usButtonFlags, RI_MOUSE_BUTTON_5_UP);
    const RAWMOUSE wheel = RawMouseFromXButton(5, true);
    EXPECT_EQ(wheel.usButtonFlags, RI_MOUSE_WHEEL);
    EXPECT_EQ(static_cast<SHORT>(wheel.usButtonData), -120);
    EXPECT_EQ(RawMouseFromXButton(5, false).usButtonFlags, 0);
    EXPECT_EQ(RawMouseFromXButton(6, true).usButtonFlags, 0);
}
