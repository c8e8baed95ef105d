#include "UiTestSupport.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/RawInput.h"

#include <gtest/gtest.h>

namespace {

TEST(RawMouseTest, MouseReportsReachOnlyWindowsRegisteredForTheMouse) {
    HWND mouseWnd = uitest::CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    HWND keyboardWnd = uitest::CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    RAWINPUTDEVICE devices[2];
    devices[0] = RAWINPUTDEVICE{1, 2, RIDEV_INPUTSINK, mouseWnd};
    devices[1] = RAWINPUTDEVICE{1, 6, RIDEV_INPUTSINK | RIDEV_NOLEGACY, keyboardWnd};
    ASSERT_TRUE(RegisterRawInputDevices(devices, 2, sizeof(RAWINPUTDEVICE)));

    RAWMOUSE report;
    report.usButtonFlags = RI_MOUSE_RIGHT_BUTTON_UP;
    EXPECT_EQ(platform::DeliverRawMouse(report), 1);
    MSG msg{};
    EXPECT_FALSE(PeekMessageW(&msg, keyboardWnd, WM_INPUT, WM_INPUT, PM_REMOVE));
    ASSERT_TRUE(PeekMessageW(&msg, mouseWnd, WM_INPUT, WM_INPUT, PM_REMOVE));
    RAWINPUT read;
    UINT size = sizeof(read);
    ASSERT_EQ(GetRawInputData(reinterpret_cast<HRAWINPUT>(msg.lParam), RID_INPUT, &read, &size,
                              sizeof(RAWINPUTHEADER)),
              size);
    EXPECT_EQ(read.header.dwType, RIM_TYPEMOUSE);
    EXPECT_EQ(read.data.mouse.usButtonFlags, RI_MOUSE_RIGHT_BUTTON_UP);

    devices[0] = RAWINPUTDEVICE{1, 2, RIDEV_REMOVE, nullptr};
    devices[1] = RAWINPUTDEVICE{1, 6, RIDEV_REMOVE, nullptr};
    ASSERT_TRUE(RegisterRawInputDevices(devices, 2, sizeof(RAWINPUTDEVICE)));
    EXPECT_EQ(platform::DeliverRawMouse(report), 0);
    DestroyWindow(mouseWnd);
    DestroyWindow(keyboardWnd);
}

} // namespace
