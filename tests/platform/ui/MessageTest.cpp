#include "UiTestSupport.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using uitest::CreateTestWindow;
using uitest::Recorder;

namespace {

constexpr UINT WM_TEST_A = WM_USER + 1;
constexpr UINT WM_TEST_B = WM_USER + 2;
constexpr UINT WM_TEST_C = WM_USER + 3;

class MessageTest : public ::testing::Test {
protected:
    void SetUp() override { Recorder::Get().Clear(); }
    void TearDown() override {
        platform::PumpUntilIdle();
        Recorder::Get().Clear();
    }
};

} // namespace

TEST_F(MessageTest, SendIsImmediatePostIsQueuedInOrderAndSentWorkComesFirst) {
    HWND hwnd = CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    ASSERT_TRUE(hwnd);
    Recorder::Get().SetHandler(hwnd,
                               [](HWND, UINT msg, WPARAM w, LPARAM) -> std::optional<LRESULT> {
                                   if (msg == WM_TEST_A) {
                                       return static_cast<LRESULT>(w * 2);
                                   }
                                   return std::nullopt;
                               });
    EXPECT_TRUE(PostMessageW(hwnd, WM_TEST_B, 1, 0));
    EXPECT_TRUE(PostMessageW(hwnd, WM_TEST_C, 2, 0));
    EXPECT_EQ(SendMessageW(hwnd, WM_TEST_A, 21, 0), 42);
    // The send ran at once; the posts wait for the loop.
    EXPECT_EQ(Recorder::Get().MessagesOf(hwnd, {WM_TEST_A, WM_TEST_B, WM_TEST_C}),
              (std::vector<UINT>{WM_TEST_A}));
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TEST_B);
    DispatchMessageW(&msg);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_TEST_C, WM_TEST_C, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_TEST_C);
    platform::PumpUntilIdle();
    EXPECT_EQ(Recorder::Get().MessagesOf(hwnd, {WM_TEST_A, WM_TEST_B, WM_TEST_C}),
              (std::vector<UINT>{WM_TEST_A, WM_TEST_B, WM_TEST_C}));
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER, WM_APP, PM_REMOVE));
    DestroyWindow(hwnd);
}

TEST_F(MessageTest, PostedMessagesToADestroyedWindowAreDropped) {
    HWND hwnd = CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    HWND other = CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    PostMessageW(hwnd, WM_TEST_A, 0, 0);
    PostMessageW(other, WM_TEST_B, 0, 0);
    DestroyWindow(hwnd);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PostMessageW(hwnd, WM_TEST_A, 0, 0));
    EXPECT_EQ(SendMessageW(hwnd, WM_TEST_A, 0, 0), 0);
    platform::PumpUntilIdle();
    EXPECT_TRUE(Recorder::Get().Of(hwnd, WM_TEST_A).empty());
    EXPECT_EQ(Recorder::Get().Of(other, WM_TEST_B).size(), 1u);
    DestroyWindow(other);
}

TEST_F(MessageTest, DestroyOrderAndQuit) {
    HWND parent = CreateTestWindow(WS_POPUP, 0, 0, 50, 50);
    HWND child = CreateTestWindow(WS_CHILD, 0, 0, 10, 10, parent, 7);
    EXPECT_EQ(GetDlgItem(parent, 7), child);
    EXPECT_EQ(GetParent(child), parent);
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(child));
    std::vector<std::pair<HWND, UINT>> order;
    for (const auto& l : Recorder::Get().Log()) {
        if (l.msg == WM_DESTROY || l.msg == WM_NCDESTROY) {
            order.emplace_back(l.hwnd, l.msg);
        }
    }
    EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{{parent, WM_DESTROY},
                                                         {child, WM_DESTROY},
                                                         {child, WM_NCDESTROY},
                                                         {parent, WM_NCDESTROY}}));
    PostQuitMessage(3);
    PostThreadMessageW(GetCurrentThreadId(), WM_TEST_A, 0, 0);
    MSG msg;
    // Posted messages come before the quit.
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_TEST_A);
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(MessageTest, CrossThreadSendBlocksUntilTheOwnerHandlesItAndNestedSendsDoNotDeadlock) {
    HWND mine = CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    const DWORD mainThread = GetCurrentThreadId();
    std::atomic<DWORD> handledOnMain{0};
    Recorder::Get().SetHandler(mine,
                               [&](HWND, UINT msg, WPARAM w, LPARAM) -> std::optional<LRESULT> {
                                   if (msg == WM_TEST_B) {
                                       handledOnMain = GetCurrentThreadId();
                                       return static_cast<LRESULT>(w + 1);
                                   }
                                   return std::nullopt;
                               });

    std::atomic<HWND> theirs{nullptr};
    std::atomic<DWORD> workerThread{0};
    std::atomic<LRESULT> nestedResult{0};
    std::thread worker([&] {
        workerThread = GetCurrentThreadId();
        Recorder::Get().SetPendingHandler(
            [&](HWND, UINT msg, WPARAM w, LPARAM) -> std::optional<LRESULT> {
                if (msg == WM_TEST_A) {
                    // While the main thread waits in its send, it still handles ours.
                    nestedResult = SendMessageW(mine, WM_TEST_B, w, 0);
                    return static_cast<LRESULT>(GetCurrentThreadId());
                }
                if (msg == WM_TEST_C) {
                    PostQuitMessage(0);
                    return 0;
                }
                return std::nullopt;
            });
        HWND h = CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
        theirs = h;
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0)) {
            DispatchMessageW(&msg);
        }
        DestroyWindow(h);
    });
    while (!theirs) {
        std::this_thread::yield();
    }
    EXPECT_EQ(GetWindowThreadProcessId(theirs, nullptr), workerThread.load());
    const LRESULT result = SendMessageW(theirs, WM_TEST_A, 41, 0);
    EXPECT_EQ(static_cast<DWORD>(result), workerThread.load());
    EXPECT_EQ(nestedResult.load(), 42);
    EXPECT_EQ(handledOnMain.load(), mainThread);
    // SendNotifyMessage does not wait; the worker quits when it handles it.
    EXPECT_TRUE(SendNotifyMessageW(theirs, WM_TEST_C, 0, 0));
    worker.join();
    // The worker's window went with its thread: sends now fail fast instead of hanging.
    EXPECT_EQ(SendMessageW(theirs, WM_TEST_A, 0, 0), 0);
    DestroyWindow(mine);
}

TEST_F(MessageTest, TimersFireOnTheVirtualClockWithoutPilingUp) {
    platform::ScopedVirtualClock clock(10000);
    HWND hwnd = CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    EXPECT_EQ(SetTimer(hwnd, 5, 250, nullptr), 5u);
    EXPECT_EQ(SetTimer(hwnd, 6, 1000, nullptr), 6u);
    platform::PumpUntilIdle();
    EXPECT_TRUE(Recorder::Get().Of(hwnd, WM_TIMER).empty());
    clock.Advance(249);
    platform::PumpUntilIdle();
    EXPECT_TRUE(Recorder::Get().Of(hwnd, WM_TIMER).empty());
    clock.Advance(1);
    platform::PumpUntilIdle();
    auto timers = Recorder::Get().Of(hwnd, WM_TIMER);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].wParam, 5u);
    // A long stall gives one message per timer, not one per missed period.
    clock.Advance(5000);
    platform::PumpUntilIdle();
    timers = Recorder::Get().Of(hwnd, WM_TIMER);
    ASSERT_EQ(timers.size(), 3u);
    EXPECT_EQ(timers[1].wParam + timers[2].wParam, 11u);
    EXPECT_TRUE(KillTimer(hwnd, 5));
    EXPECT_FALSE(KillTimer(hwnd, 5));
    clock.Advance(1000);
    platform::PumpUntilIdle();
    timers = Recorder::Get().Of(hwnd, WM_TIMER);
    ASSERT_EQ(timers.size(), 4u);
    EXPECT_EQ(timers[3].wParam, 6u);
    // Timers die with their window.
    DestroyWindow(hwnd);
    clock.Advance(5000);
    EXPECT_EQ(platform::PumpUntilIdle(), 0);
    EXPECT_EQ(GetTickCount(), 10000u + 250 + 5000 + 1000 + 5000);
}

TEST_F(MessageTest, GetMessageWaitsForATimerOnTheRealClock) {
    HWND hwnd = CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    SetTimer(hwnd, 1, 20, nullptr);
    const DWORD start = GetTickCount();
    MSG msg;
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_GE(GetTickCount() - start, 15u);
    KillTimer(hwnd, 1);
    DestroyWindow(hwnd);
}

TEST_F(MessageTest, RegisteredMessagesAndWindowData) {
    const UINT a = RegisterWindowMessageW(u"PlatformTestMessage");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageW(u"PlatformTestMessage"), a);
    EXPECT_NE(RegisterWindowMessageW(u"PlatformTestMessage2"), a);
    HWND hwnd = CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 1234);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), 1234);
    EXPECT_TRUE(SetWindowTextW(hwnd, u"Hello"));
    WCHAR buffer[4];
    EXPECT_EQ(GetWindowTextW(hwnd, buffer, 4), 3);
    EXPECT_EQ(std::u16string(buffer), u"Hel");
    EXPECT_EQ(GetWindowTextLengthW(hwnd), 5);
    WCHAR cls[32];
    GetClassNameW(hwnd, cls, 32);
    EXPECT_EQ(std::u16string(cls), u"UiTestWindow");
    EXPECT_EQ(FindWindowW(u"uitestwindow", u"Hello"), hwnd);
    DestroyWindow(hwnd);
    EXPECT_EQ(FindWindowW(u"UiTestWindow", u"Hello"), nullptr);
}

TEST_F(MessageTest, ThreadCallbacksRunWhileTheTargetWaitsInItsOwnSend) {
    const DWORD mainThread = GetCurrentThreadId();
    EnsureMessageQueue();
    std::atomic<bool> callbackRan{false};
    std::atomic<DWORD> ranOn{0};
    std::atomic<HWND> theirs{nullptr};
    std::thread worker([&] {
        Recorder::Get().SetPendingHandler(
            [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
                if (msg == WM_TEST_A) {
                    // Like an event delivered to the advising thread: it must run even though
                    // that thread is blocked sending to us.
                    PostThreadCallback(mainThread, [&] {
                        ranOn = GetCurrentThreadId();
                        callbackRan = true;
                    });
                    while (!callbackRan) {
                        std::this_thread::yield();
                    }
                    return 1;
                }
                if (msg == WM_TEST_C) {
                    PostQuitMessage(0);
                }
                return std::nullopt;
            });
        HWND h = CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
        theirs = h;
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0)) {
            DispatchMessageW(&msg);
        }
        DestroyWindow(h);
    });
    while (!theirs) {
        std::this_thread::yield();
    }
    EXPECT_EQ(SendMessageW(theirs, WM_TEST_A, 0, 0), 1);
    EXPECT_TRUE(callbackRan);
    EXPECT_EQ(ranOn.load(), mainThread);
    PostMessageW(theirs, WM_TEST_C, 0, 0); // a real cross-thread post wakes its GetMessage
    worker.join();
}

TEST_F(MessageTest, WindowsOfAThreadThatEndedAreGone) {
    HWND left = nullptr;
    std::thread worker([&] {
        left = CreateTestWindow(WS_POPUP | WS_VISIBLE, 500, 500, 30, 30);
        SetTimer(left, 1, 100, nullptr);
        PostMessageW(left, WM_TEST_A, 0, 0);
    });
    worker.join();
    ASSERT_TRUE(left);
    EXPECT_FALSE(IsWindow(left));
    EXPECT_FALSE(PostMessageW(left, WM_TEST_A, 0, 0));
    EXPECT_EQ(platform::input::HitWindow(POINT{510, 510}), nullptr);
}

TEST_F(MessageTest, CursorAndIconTokensAndWindowIcons) {
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    EXPECT_TRUE(arrow);
    EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), arrow);
    EXPECT_NE(LoadCursorW(nullptr, IDC_HAND), arrow);
    EXPECT_EQ(LoadCursorW(nullptr, u"NoSuchCursor"), nullptr);
    HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(134));
    EXPECT_TRUE(icon);
    HWND hwnd = CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
    EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), 0);
    HCURSOR previous = SetCursor(arrow);
    EXPECT_EQ(GetCursor(), arrow);
    SetCursor(previous);
    DestroyWindow(hwnd);
}

TEST_F(MessageTest, WildPositionsAndSizesAreHeldInRange) {
    // Whatever a caller (a skin file) asks for, a position plus a size does not overflow and a
    // window is never wider than 32767 pixels nor turned inside out.
    HWND hwnd = CreateTestWindow(WS_POPUP, 2147483000, -2147483000, 2000, 2147483647);
    RECT r{};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, 32767);
    EXPECT_EQ(r.top, -32768);
    EXPECT_EQ(r.right - r.left, 2000);
    EXPECT_EQ(r.bottom - r.top, 32767);
    SetWindowPos(hwnd, nullptr, 2147483647, 10, 2147483647, -5, SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, 32767);
    EXPECT_EQ(r.right - r.left, 32767);
    EXPECT_EQ(r.bottom - r.top, 0);
    MoveWindow(hwnd, 2147483600, 0, 100, 10, FALSE);
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, 32767);
    EXPECT_EQ(r.right, 32867);
    DestroyWindow(hwnd);
}
