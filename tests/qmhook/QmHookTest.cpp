#include "qmhook/QmHook.h"

#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/ShellBackend.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::pair<HWND, WPARAM>> g_posted;

LRESULT ReceiverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SHELLHOOK_ACTIVATE) {
        g_posted.emplace_back(hwnd, wParam);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeWindow(DWORD style) {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ReceiverProc;
        wc.lpszClassName = u"QmHookTestWindow";
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    return CreateWindowExW(0, u"QmHookTestWindow", u"", style, 0, 0, 50, 50, nullptr, nullptr,
                           nullptr, nullptr);
}

class QmHookTest : public ::testing::Test {
protected:
    void SetUp() override { g_posted.clear(); }
    void TearDown() override { UninstallShellHook(); }
    platform::HeadlessDisplay display;
};

TEST_F(QmHookTest, EveryActivationIsPostedWithTheActivatedWindowUntilUninstalled) {
    HWND receiver = MakeWindow(WS_POPUP);
    HWND game = MakeWindow(WS_POPUP | WS_VISIBLE);
    HWND editor = MakeWindow(WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(InstallShellHook(nullptr), 0);
    EXPECT_EQ(InstallShellHook(receiver), 1);
    SetActiveWindow(game);
    SetActiveWindow(editor);
    SetActiveWindow(game); // the same window again is reported again
    platform::PumpUntilIdle();
    ASSERT_EQ(g_posted.size(), 3u);
    EXPECT_EQ(g_posted[0], std::make_pair(receiver, reinterpret_cast<WPARAM>(game)));
    EXPECT_EQ(g_posted[1].second, reinterpret_cast<WPARAM>(editor));
    EXPECT_EQ(g_posted[2].second, reinterpret_cast<WPARAM>(game));

    EXPECT_EQ(UninstallShellHook(), 1);
    EXPECT_EQ(UninstallShellHook(), 0);
    SetActiveWindow(editor);
    platform::PumpUntilIdle();
    EXPECT_EQ(g_posted.size(), 3u);
    for (HWND h : {receiver, game, editor}) {
        DestroyWindow(h);
    }
}

TEST_F(QmHookTest, TheHookMovesToANewWindowAndStopsWhenItsWindowIsGone) {
    HWND first = MakeWindow(WS_POPUP);
    HWND second = MakeWindow(WS_POPUP);
    HWND other = MakeWindow(WS_POPUP | WS_VISIBLE);
    HWND another = MakeWindow(WS_POPUP | WS_VISIBLE);
    InstallShellHook(first);
    InstallShellHook(second);
    SetActiveWindow(other);
    platform::PumpUntilIdle();
    ASSERT_EQ(g_posted.size(), 1u);
    EXPECT_EQ(g_posted[0].first, second);

    DestroyWindow(second);
    int reported = 0;
    const int cookie = platform::AddActiveWindowListener([&](HWND) { ++reported; });
    SetActiveWindow(another);
    platform::PumpUntilIdle();
    EXPECT_EQ(reported, 1);             // activation still reported
    EXPECT_EQ(g_posted.size(), 1u);     // but not posted to the dead window
    EXPECT_EQ(UninstallShellHook(), 0); // it ended by itself
    platform::RemoveActiveWindowListener(cookie);
    for (HWND h : {first, other, another}) {
        DestroyWindow(h);
    }
}

} // namespace
