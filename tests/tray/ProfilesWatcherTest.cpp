// The watchers of the profile store: changes of names and of values reach the window as
// their two messages, also those made before the window was handed over; nothing is sent
// after Stop; without the store nothing starts.

#include "TrayTestSupport.h"

#include "platform/base/CString.h"
#include "platform/base/Registry.h"
#include "platform/ui/WinUser.h"
#include "tray/ProfilesWatcher.h"
#include "tray/TrayResources.h"

#include <algorithm>
#include <vector>

using namespace traytest;

namespace {

std::vector<UINT> g_received;

LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PROFILES_NAMES_CHANGED || msg == WM_PROFILES_VALUES_CHANGED) {
        g_received.push_back(msg);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class ProfilesWatcherTest : public TrayTest {
protected:
    void SetUp() override {
        TrayTest::SetUp();
        g_received.clear();
        WNDCLASSW wc;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = u"ProfilesWatcherTestWindow";
        RegisterClassW(&wc);
        m_window = CreateWindowExW(0, u"ProfilesWatcherTestWindow", u"", WS_POPUP, 0, 0, 10, 10,
                                   nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_window, nullptr);
    }
    void TearDown() override {
        DestroyWindow(m_window);
        UnregisterClassW(u"ProfilesWatcherTestWindow", nullptr);
        TrayTest::TearDown();
    }

    static HKEY Store() {
        WCHAR path[260];
        BuildProfileStorePath(path);
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, path, &key), ERROR_SUCCESS);
        return key;
    }
    static void SetValue(HKEY key, const WCHAR* name, DWORD value) {
        ASSERT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                 sizeof value),
                  ERROR_SUCCESS);
    }
    static size_t Count(UINT msg) {
        return static_cast<size_t>(std::count(g_received.begin(), g_received.end(), msg));
    }
    // Handles every message already queued.
    static void DispatchQueued() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
    // Runs the window's messages until pred holds.
    template <class Pred> static bool PumpMessagesUntil(Pred pred, int ms = 5000) {
        return PumpUntil(
            [&] {
                MSG msg;
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    DispatchMessageW(&msg);
                }
                return pred();
            },
            ms);
    }

    HWND m_window = nullptr;
};

TEST_F(ProfilesWatcherTest, PathNamesTheServicesStore) {
    WCHAR path[260];
    BuildProfileStorePath(path);
    EXPECT_EQ(CString(path), CString(PROFILE_STORE_KEY));
}

TEST_F(ProfilesWatcherTest, WithoutTheStoreNothingStarts) {
    CProfilesWatcher watcher;
    EXPECT_FALSE(watcher.Start());
    EXPECT_FALSE(watcher.IsRunning());
    watcher.Stop(); // harmless
}

TEST_F(ProfilesWatcherTest, ChangesReachTheWindowAlsoThoseBeforeItWasHandedOver) {
    HKEY store = Store();
    CProfilesWatcher watcher;
    ASSERT_TRUE(watcher.Start());
    EXPECT_TRUE(watcher.Start()); // once
    EXPECT_TRUE(watcher.IsRunning());

    // Before the window exists: a profile added (a name) and a value set. Neither is lost.
    HKEY profile = nullptr;
    ASSERT_EQ(RegCreateKeyW(store, u"{00000000-0000-0000-0000-000000000001}", &profile),
              ERROR_SUCCESS);
    SetValue(profile, u"Switches", 1);
    PumpFor(200);
    EXPECT_TRUE(g_received.empty());
    watcher.SetWindow(m_window);
    ASSERT_TRUE(PumpMessagesUntil([] {
        return Count(WM_PROFILES_NAMES_CHANGED) >= 1 && Count(WM_PROFILES_VALUES_CHANGED) >= 1;
    }));

    // With the window: each kind of change arrives as its own message.
    g_received.clear();
    SetValue(profile, u"Switches", 3);
    ASSERT_TRUE(PumpMessagesUntil([] { return Count(WM_PROFILES_VALUES_CHANGED) >= 1; }));
    EXPECT_EQ(Count(WM_PROFILES_NAMES_CHANGED), 0u);
    ASSERT_EQ(RegDeleteKeyW(store, u"{00000000-0000-0000-0000-000000000001}"), ERROR_SUCCESS);
    ASSERT_TRUE(PumpMessagesUntil([] { return Count(WM_PROFILES_NAMES_CHANGED) >= 1; }));

    // Stopped: the threads are gone and nothing more is sent. What they sent before they
    // ended (a change may be told twice, by each watcher) is already queued: it is handled
    // first, so that only what comes after the stop is looked at.
    watcher.Stop();
    EXPECT_FALSE(watcher.IsRunning());
    DispatchQueued();
    g_received.clear();
    SetValue(store, u"Active", 7);
    PumpMessagesUntil([] { return false; }, 300);
    EXPECT_TRUE(g_received.empty());
    RegCloseKey(profile);
    RegCloseKey(store);
}

} // namespace
