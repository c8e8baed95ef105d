// Posts, sends and thread callbacks across threads in tight loops for a bounded time: no
// wake-up may be lost between a loop finding nothing and starting to wait. A watchdog turns a
// lost wake-up into a failure (and wakes the sleeper so that the test can end) instead of a
// hang.

#include "platform/ui/ThreadQueue.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using platform::ThreadQueue;
using Clock = std::chrono::steady_clock;

namespace {

constexpr UINT WM_STRESS_PING = WM_USER + 40;
constexpr UINT WM_STRESS_SEND = WM_USER + 41;
constexpr UINT WM_STRESS_CALLBACK = WM_USER + 42;
constexpr UINT WM_STRESS_QUIT = WM_USER + 43;

constexpr auto kRunTime = std::chrono::milliseconds(1500);
// A message that is not handled this long after it was queued was lost.
constexpr auto kStallLimit = std::chrono::seconds(3);

std::atomic<WPARAM> g_lastPing{0};
std::atomic<DWORD> g_senderThread{0};
std::atomic<unsigned> g_callbacksRun{0};

LRESULT StressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_STRESS_PING:
        g_lastPing.store(wParam);
        return 0;
    case WM_STRESS_SEND:
        return static_cast<LRESULT>(wParam + 1);
    case WM_STRESS_CALLBACK:
        // The sender waits in its send; a callback to it must run there all the same.
        PostThreadCallback(g_senderThread.load(), [] { g_callbacksRun.fetch_add(1); });
        return static_cast<LRESULT>(wParam + 1);
    case WM_STRESS_QUIT:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// The receiving thread: one window and a plain GetMessage loop.
class Receiver {
public:
    Receiver() {
        m_thread = std::thread([this] {
            static const ATOM atom = [] {
                WNDCLASSW wc{};
                wc.lpfnWndProc = StressProc;
                wc.lpszClassName = u"CrossThreadStress";
                return RegisterClassW(&wc);
            }();
            (void)atom;
            HWND hwnd = CreateWindowExW(0, u"CrossThreadStress", u"", WS_POPUP, 0, 0, 1, 1, nullptr,
                                        nullptr, nullptr, nullptr);
            m_hwnd.store(hwnd);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0)) {
                DispatchMessageW(&msg);
            }
            DestroyWindow(hwnd);
        });
        while (m_hwnd.load() == nullptr) {
            std::this_thread::yield();
        }
    }
    ~Receiver() {
        PostMessageW(m_hwnd.load(), WM_STRESS_QUIT, 0, 0);
        m_thread.join();
    }
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;
    HWND Window() const { return m_hwnd.load(); }

private:
    std::thread m_thread;
    std::atomic<HWND> m_hwnd{nullptr};
};

// Counts progress; when there is none for kStallLimit it records a stall and keeps waking
// every queue, so a thread that slept through its wake-up gets going again.
class Watchdog {
public:
    Watchdog() {
        m_thread = std::thread([this] {
            auto last = m_progress.load();
            auto since = Clock::now();
            while (!m_stop.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                const auto now = m_progress.load();
                if (now != last) {
                    last = now;
                    since = Clock::now();
                } else if (Clock::now() - since > kStallLimit) {
                    m_stalled.store(true);
                    ThreadQueue::WakeAll();
                }
            }
        });
    }
    ~Watchdog() {
        m_stop.store(true);
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    void Progress() { m_progress.fetch_add(1); }
    bool Stalled() const { return m_stalled.load(); }

private:
    std::thread m_thread;
    std::atomic<unsigned long> m_progress{0};
    std::atomic<bool> m_stalled{false};
    std::atomic<bool> m_stop{false};
};

} // namespace

TEST(CrossThreadStress, PostsWakeAReceiverThatJustFoundNothing) {
    Receiver receiver;
    Watchdog watchdog;
    const auto end = Clock::now() + kRunTime;
    WPARAM sent = 0;
    while (Clock::now() < end && !watchdog.Stalled()) {
        ++sent;
        ASSERT_TRUE(PostMessageW(receiver.Window(), WM_STRESS_PING, sent, 0));
        // Ping-pong: the next post comes just as the receiver goes back to its queue.
        while (g_lastPing.load() != sent && !watchdog.Stalled()) {
            std::this_thread::yield();
        }
        watchdog.Progress();
    }
    EXPECT_FALSE(watchdog.Stalled()) << "a posted message was not noticed, after " << sent;
    EXPECT_GT(sent, 100u);
}

TEST(CrossThreadStress, SendsAndCallbacksWakeASenderThatJustFoundNothing) {
    EnsureMessageQueue();
    g_senderThread.store(GetCurrentThreadId());
    g_callbacksRun.store(0);
    Receiver receiver;
    Watchdog watchdog;
    const auto end = Clock::now() + kRunTime;
    unsigned sends = 0;
    while (Clock::now() < end && !watchdog.Stalled()) {
        // Plain sends: the sender waits for the completion; and sends during which the
        // receiver posts a callback to the waiting sender.
        const UINT msg = (sends % 2 == 0) ? WM_STRESS_SEND : WM_STRESS_CALLBACK;
        ASSERT_EQ(SendMessageW(receiver.Window(), msg, sends, 0), static_cast<LRESULT>(sends + 1));
        ++sends;
        watchdog.Progress();
    }
    EXPECT_FALSE(watchdog.Stalled()) << "a send's completion was not noticed, after " << sends;
    EXPECT_GT(sends, 100u);
    // Every callback ran on this thread, while it waited in a send or in the pumping below.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    EXPECT_EQ(g_callbacksRun.load(), sends / 2);
}
