#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MonitorTest, PrimaryMonitorCoversTheScreenAndFollowsItsSize) {
    platform::HeadlessDisplay display(800, 600);
    HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(MonitorFromPoint(POINT{799, 599}, MONITOR_DEFAULTTONULL), primary);
    EXPECT_EQ(MonitorFromPoint(POINT{800, 10}, MONITOR_DEFAULTTONULL), nullptr);
    EXPECT_EQ(MonitorFromPoint(POINT{-5, -5}, MONITOR_DEFAULTTONEAREST), primary);

    MONITORINFO info;
    ASSERT_TRUE(GetMonitorInfoW(primary, &info));
    EXPECT_EQ(info.rcMonitor.right, 800);
    EXPECT_EQ(info.rcMonitor.bottom, 600);
    EXPECT_EQ(info.dwFlags, MONITORINFOF_PRIMARY);

    info.cbSize = 4;
    EXPECT_FALSE(GetMonitorInfoW(primary, &info));
    MONITORINFO other;
    EXPECT_FALSE(GetMonitorInfoW(nullptr, &other));
    EXPECT_FALSE(GetMonitorInfoW(primary, nullptr));

    display.SetScreenSize(1280, 1024);
    ASSERT_TRUE(GetMonitorInfoW(primary, &other));
    EXPECT_EQ(other.rcMonitor.right, 1280);
    EXPECT_EQ(other.rcMonitor.bottom, 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(display.Composite().Width(), 1280);
}

std::vector<LPARAM> g_displayChanges;

LRESULT DisplayChangeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DISPLAYCHANGE) {
        EXPECT_EQ(wParam, 32u);
        g_displayChanges.push_back(lParam);
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST(MonitorTest, ResolutionChangeIsSentToEveryTopLevelWindow) {
    platform::HeadlessDisplay display(800, 600);
    g_displayChanges.clear();
    WNDCLASSW wc;
    wc.lpfnWndProc = DisplayChangeProc;
    wc.lpszClassName = u"MonitorTestWindow";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND shown = CreateWindowExW(0, u"MonitorTestWindow", u"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                 nullptr, nullptr, nullptr, nullptr);
    HWND hidden = CreateWindowExW(0, u"MonitorTestWindow", u"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
    HWND child = CreateWindowExW(0, u"MonitorTestWindow", u"", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5,
                                 shown, nullptr, nullptr, nullptr);
    ASSERT_TRUE(shown && hidden && child);

    display.SetScreenSize(1920, 1080);
    platform::PumpUntilIdle();
    ASSERT_EQ(g_displayChanges.size(), 2u); // the two top-level windows, not the child
    for (LPARAM size : g_displayChanges) {
        EXPECT_EQ(LOWORD(static_cast<DWORD>(size)), 1920);
        EXPECT_EQ(HIWORD(static_cast<DWORD>(size)), 1080);
    }
    DestroyWindow(shown);
    DestroyWindow(hidden);
    UnregisterClassW(u"MonitorTestWindow", nullptr);
}

} // namespace
