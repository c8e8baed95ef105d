// Session notifications from the login manager: a private system bus with the tests' stand-in
// login manager; each change of this process's session reaches a registered window once.

#include "UiTestSupport.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WtsApi.h"
#include "tests/support/PrivateSystemBus.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using uitest::Recorder;

namespace {

// The session changes the window got so far, after pumping until there are `count` or 10 s
// have passed.
std::vector<WPARAM> Changes(HWND window, size_t count) {
    std::vector<WPARAM> codes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
        platform::PumpUntilIdle();
        codes.clear();
        for (const auto& m : Recorder::Get().Of(window, WM_WTSSESSION_CHANGE)) {
            codes.push_back(m.wParam);
            EXPECT_EQ(m.lParam, 7); // the session's number
        }
        if (codes.size() < count) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    } while (codes.size() < count && std::chrono::steady_clock::now() < deadline);
    return codes;
}

TEST(LoginSessionTest, LockSwitchAndLogOffOfThisSessionReachRegisteredWindows) {
    const auto daemon = testsupport::FindDbusDaemon();
    if (!daemon) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("borvanta-bus-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ::unsetenv("XDG_SESSION_ID"); // the session is asked for by this process
    testsupport::PrivateSystemBus bus;
    ASSERT_TRUE(bus.Start(*daemon, folder.string()));
    ASSERT_TRUE(bus.StartLoginManager(LOGIN1_STANDIN));

    Recorder::Get().Clear();
    HWND window = uitest::CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    ASSERT_TRUE(WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION));
    // Following once the session's state was read (after its signals were matched).
    ASSERT_TRUE(bus.WaitFor("read LockedHint"));

    ASSERT_TRUE(bus.Command("lock"));
    ASSERT_TRUE(bus.Command("locked-hint 1")); // the same lock, told again: not delivered
    ASSERT_TRUE(bus.Command("unlock"));
    ASSERT_TRUE(bus.Command("locked-hint 1")); // a locker that only sets the hint
    ASSERT_TRUE(bus.Command("locked-hint 0"));
    ASSERT_TRUE(bus.Command("active 0"));
    ASSERT_TRUE(bus.Command("active-invalidated 1"));
    ASSERT_TRUE(bus.Command("remove"));
    const std::vector<WPARAM> expected = {
        WTS_SESSION_LOCK,       WTS_SESSION_UNLOCK,  WTS_SESSION_LOCK,  WTS_SESSION_UNLOCK,
        WTS_CONSOLE_DISCONNECT, WTS_CONSOLE_CONNECT, WTS_SESSION_LOGOFF};
    EXPECT_EQ(Changes(window, expected.size()), expected);

    // Once unregistered nothing more arrives (and the watch has ended).
    EXPECT_TRUE(WTSUnRegisterSessionNotification(window));
    DestroyWindow(window);
    bus.Stop();
    std::filesystem::remove_all(folder);
}

} // namespace
