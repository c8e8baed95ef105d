#include "UiTestSupport.h"
#include "platform/base/Process.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Dbt.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/Icon.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/ShellApi.h"
#include "platform/ui/WtsApi.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

using platform::HeadlessDisplay;
using uitest::Recorder;

namespace {

constexpr UINT kCallback = WM_USER + 100;

NOTIFYICONDATAW IconData(HWND hwnd, UINT id, const std::u16string& tip) {
    NOTIFYICONDATAW data;
    data.cbSize = NOTIFYICONDATAW_V3_SIZE + 4;
    data.hWnd = hwnd;
    data.uID = id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kCallback;
    data.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(131));
    std::memcpy(data.szTip, tip.c_str(), std::min<size_t>(tip.size(), 128) * sizeof(WCHAR));
    return data;
}

std::vector<LPARAM> Callbacks(HWND hwnd) {
    std::vector<LPARAM> out;
    for (const auto& m : Recorder::Get().Of(hwnd, kCallback)) {
        out.push_back(m.lParam);
    }
    return out;
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder::Get().Clear();
        owner = uitest::CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    }
    void TearDown() override {
        platform::SetModalIdleHook(nullptr);
        for (const auto& icon : platform::GetTrayIcons()) {
            NOTIFYICONDATAW data;
            data.cbSize = sizeof data;
            data.hWnd = icon.hwnd;
            data.uID = icon.id;
            Shell_NotifyIconW(NIM_DELETE, &data);
        }
        DestroyWindow(owner);
    }
    HeadlessDisplay display{800, 600};
    HWND owner = nullptr;
};

TEST_F(ShellTest, IconsAreAddedModifiedAndDeletedOncePerWindowAndId) {
    NOTIFYICONDATAW data = IconData(owner, 129, u"Tip");
    EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data)); // already there
    data.uVersion = NOTIFYICON_VERSION;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_SETVERSION, &data));
    auto icons = platform::GetTrayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].tip, u"Tip");
    EXPECT_EQ(icons[0].callbackMessage, kCallback);
    EXPECT_EQ(icons[0].version, NOTIFYICON_VERSION);

    NOTIFYICONDATAW change = IconData(owner, 129, u"New tip");
    change.uFlags = NIF_TIP;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &change));
    EXPECT_EQ(platform::GetTrayIcons()[0].tip, u"New tip");
    EXPECT_EQ(platform::GetTrayIcons()[0].callbackMessage, kCallback); // not in the flags

    NOTIFYICONDATAW other = IconData(owner, 130, u"");
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &other));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &other));
    NOTIFYICONDATAW tooSmall = IconData(owner, 131, u"");
    tooSmall.cbSize = 100;
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &tooSmall));
    NOTIFYICONDATAW noWindow = IconData(nullptr, 1, u"");
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &noWindow));

    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    EXPECT_TRUE(platform::GetTrayIcons().empty());
}

TEST_F(ShellTest, ATipThatFillsItsFieldIsCutNeverInsideASurrogatePair) {
    // 126 letters, then a pair: the field keeps 127 characters, which would split the pair.
    std::u16string tip(126, u'a');
    tip += u"\U0001F600";
    tip += u"bbbb";
    NOTIFYICONDATAW data = IconData(owner, 1, tip);
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    EXPECT_EQ(platform::GetTrayIcons()[0].tip, std::u16string(126, u'a'));
    // A first-generation record has a 64-character field.
    NOTIFYICONDATAW old = IconData(owner, 2, std::u16string(100, u'c'));
    old.cbSize = NOTIFYICONDATAW_V1_SIZE;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &old));
    EXPECT_EQ(platform::GetTrayIcons()[1].tip, std::u16string(63, u'c'));
}

TEST_F(ShellTest, ClicksOnTheIconArriveAsCallbacksWithTheCursorOnTheIcon) {
    NOTIFYICONDATAW data = IconData(owner, 129, u"Tip");
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    RECT r{};
    ASSERT_TRUE(platform::GetTrayIconRect(owner, 129, &r));
    EXPECT_EQ(r.right, 800 - 4);
    EXPECT_EQ(r.bottom, 600 - 4);

    ASSERT_TRUE(platform::ClickTrayIcon(owner, 129, platform::TrayClick::Right));
    platform::PumpUntilIdle();
    EXPECT_EQ(Callbacks(owner), (std::vector<LPARAM>{WM_RBUTTONDOWN, WM_RBUTTONUP}));
    EXPECT_EQ(Recorder::Get().Of(owner, kCallback)[0].wParam, 129u);
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, (r.left + r.right) / 2);
    EXPECT_EQ(cursor.y, (r.top + r.bottom) / 2);

    Recorder::Get().Clear();
    ASSERT_TRUE(platform::ClickTrayIcon(owner, 129, platform::TrayClick::Double));
    platform::PumpUntilIdle();
    EXPECT_EQ(Callbacks(owner),
              (std::vector<LPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));

    // Version 4 packs the message and the id into lParam.
    data.uVersion = NOTIFYICON_VERSION_4;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_SETVERSION, &data));
    Recorder::Get().Clear();
    platform::ClickTrayIcon(owner, 129, platform::TrayClick::Left);
    platform::PumpUntilIdle();
    ASSERT_EQ(Callbacks(owner).size(), 2u);
    EXPECT_EQ(LOWORD(static_cast<DWORD_PTR>(Callbacks(owner)[0])), WM_LBUTTONDOWN);
    EXPECT_EQ(HIWORD(static_cast<DWORD_PTR>(Callbacks(owner)[0])), 129u);
    EXPECT_FALSE(platform::ClickTrayIcon(owner, 5, platform::TrayClick::Left));
}

TEST_F(ShellTest, ANewTaskbarLosesTheIconsAndTellsEveryTopLevelWindow) {
    const UINT taskbarCreated = RegisterWindowMessageW(u"TaskbarCreated");
    HWND hidden = uitest::CreateTestWindow(WS_OVERLAPPEDWINDOW, 0, 0, 10, 10);
    NOTIFYICONDATAW data = IconData(owner, 129, u"Tip");
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    platform::RecreateTaskbar();
    platform::PumpUntilIdle();
    EXPECT_TRUE(platform::GetTrayIcons().empty());
    EXPECT_EQ(Recorder::Get().Of(owner, taskbarCreated).size(), 1u);
    EXPECT_EQ(Recorder::Get().Of(hidden, taskbarCreated).size(), 1u);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data)); // added again
    DestroyWindow(hidden);
    // The icon of a window that is gone goes with it.
    HWND gone = uitest::CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    NOTIFYICONDATAW goneData = IconData(gone, 7, u"");
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &goneData));
    DestroyWindow(gone);
    EXPECT_EQ(platform::GetTrayIcons().size(), 1u);
}

TEST_F(ShellTest, IconFilesGiveIconsWithTransparentKeyPixels) {
    // A 2 x 1 24-bit BMP: one magenta pixel (keyed out), one red pixel.
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("shelltest-icon-" + std::to_string(getpid()) + ".bmp");
    {
        const unsigned char bmp[] = {
            'B', 'M', 62,   0,    0,    0,    0,    0,    0, 0, 54, 0, 0, 0, // file header
            40,  0,   0,    0,    2,    0,    0,    0,    1, 0, 0,  0, 1, 0,
            24,  0,   0,    0,    0,    0,    8,    0,    0, 0, // info
            0,   0,   0,    0,    0,    0,    0,    0,    0, 0, 0,  0, 0, 0,
            0,   0,   0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0, 0}; // BGR magenta, BGR red, padding
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bmp), sizeof bmp);
    }
    platform::RegisterIconFile(131, file.u16string());
    HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(131));
    gdi::Bitmap pixels(0, 0);
    ASSERT_TRUE(platform::GetIconImage(icon, pixels));
    ASSERT_EQ(pixels.Width(), 2);
    EXPECT_EQ(pixels.GetPixel(0, 0) >> 24, 0u);
    EXPECT_EQ(pixels.GetPixel(1, 0), 0xFFFF0000u);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(platform::GetIconImage(icon, pixels));
    HANDLE sized =
        LoadImageW(nullptr, file.u16string().c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE);
    ASSERT_TRUE(platform::GetIconImage(static_cast<HICON>(sized), pixels));
    EXPECT_EQ(pixels.Width(), 16);
    DestroyIcon(static_cast<HICON>(sized));
    // Without a file the id gives a token icon without pixels.
    platform::RegisterIconFile(131, u"");
    HICON token = LoadIconW(nullptr, MAKEINTRESOURCEW(131));
    EXPECT_NE(token, nullptr);
    EXPECT_FALSE(platform::GetIconImage(token, pixels));
    std::filesystem::remove(file);
}

TEST_F(ShellTest, MessageBoxShowsItsButtonsAndAnswersTheChosenOne) {
    // The modal loop asks the hook again whenever it is idle (no sleeping on a virtual clock).
    platform::ScopedVirtualClock clock;
    std::u16string title;
    std::vector<int> buttons;
    platform::SetModalIdleHook([&](HWND box) {
        WCHAR text[64] = {};
        GetWindowTextW(box, text, 64);
        title = text;
        for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
            if (GetDlgItem(box, id)) {
                buttons.push_back(id);
            }
        }
        EXPECT_NE(GetDlgItem(box, platform::kMessageBoxTextId), nullptr);
        EXPECT_FALSE(IsWindowEnabled(owner)); // modal for its owner
        RECT r{};
        GetWindowRect(GetDlgItem(box, IDNO), &r);
        display.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    });
    EXPECT_EQ(MessageBoxW(owner, u"Failed to create borvanta tray icon", u"Tray",
                          MB_YESNO | MB_ICONERROR),
              IDNO);
    EXPECT_EQ(title, u"Tray");
    EXPECT_EQ(buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_TRUE(IsWindowEnabled(owner));

    // Escape answers OK in a box with only OK, Cancel where there is one, nothing in yes/no.
    int presses = 0;
    platform::SetModalIdleHook([&](HWND box) {
        ++presses;
        if (presses > 1) {
            EndDialog(box, 99); // the test's way out
            return;
        }
        display.PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(MessageBoxW(nullptr, u"text", nullptr, MB_OK), IDOK);
    presses = 0;
    EXPECT_EQ(MessageBoxW(nullptr, u"text", nullptr, MB_OKCANCEL), IDCANCEL);
    presses = 0;
    EXPECT_EQ(MessageBoxW(nullptr, u"text", nullptr, MB_YESNO), 99);
    // Return takes the default button.
    platform::SetModalIdleHook([&](HWND) { display.PressKey(VK_RETURN); });
    EXPECT_EQ(MessageBoxW(nullptr, u"text", nullptr, MB_YESNO | MB_DEFBUTTON2), IDNO);
}

TEST_F(ShellTest, DeviceAnnouncementsReachRegisteredWindowsAsDeviceChange) {
    std::vector<std::pair<WPARAM, std::u16string>> seen;
    Recorder::Get().SetHandler(
        owner, [&](HWND, UINT msg, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
            if (msg == WM_DEVICECHANGE &&
                (w == DBT_DEVICEARRIVAL || w == DBT_DEVICEREMOVECOMPLETE)) {
                const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(l);
                EXPECT_EQ(record->dbcc_devicetype, DBT_DEVTYP_DEVICEINTERFACE);
                EXPECT_EQ(record->dbcc_classguid, GUID_DEVINTERFACE_MOUSE);
                seen.emplace_back(w, std::u16string(record->dbcc_name));
                return TRUE;
            }
            return std::nullopt;
        });
    HWND other = uitest::CreateTestWindow(WS_POPUP, 0, 0, 10, 10);
    DEV_BROADCAST_DEVICEINTERFACE_W filter;
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = GUID_DEVINTERFACE_MOUSE;
    HDEVNOTIFY handle = RegisterDeviceNotificationW(owner, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    ASSERT_NE(handle, nullptr);
    DEV_BROADCAST_HDR wrongType;
    wrongType.dbch_size = sizeof wrongType;
    wrongType.dbch_devicetype = 2;
    EXPECT_EQ(RegisterDeviceNotificationW(owner, &wrongType, 0), nullptr);

    platform::AnnounceDevice({true, GUID_DEVINTERFACE_MOUSE, u"\\\\?\\HID#VID_2F3A&PID_001E#x"});
    platform::AnnounceDevice({false, GUID{1, 2, 3, {}}, u"keyboard"}); // another class
    platform::AnnounceDevice({false, GUID_DEVINTERFACE_MOUSE, u"\\\\?\\HID#VID_2F3A&PID_001E#x"});
    platform::PumpUntilIdle();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, DBT_DEVICEARRIVAL);
    EXPECT_EQ(seen[0].second, u"\\\\?\\HID#VID_2F3A&PID_001E#x");
    EXPECT_EQ(seen[1].first, DBT_DEVICEREMOVECOMPLETE);
    // Every top-level window hears that the device tree changed.
    size_t nodesChanged = 0;
    for (const auto& m : Recorder::Get().Of(other, WM_DEVICECHANGE)) {
        nodesChanged += m.wParam == DBT_DEVNODES_CHANGED ? 1u : 0u;
    }
    EXPECT_EQ(nodesChanged, 3u);

    EXPECT_TRUE(UnregisterDeviceNotification(handle));
    EXPECT_FALSE(UnregisterDeviceNotification(handle));
    platform::AnnounceDevice({true, GUID_DEVINTERFACE_MOUSE, u"x"});
    platform::PumpUntilIdle();
    EXPECT_EQ(seen.size(), 2u);
    DestroyWindow(other);
}

TEST_F(ShellTest, SessionChangesGoToRegisteredWindowsOnly) {
    EXPECT_FALSE(WTSRegisterSessionNotification(nullptr, NOTIFY_FOR_THIS_SESSION));
    EXPECT_TRUE(WTSRegisterSessionNotification(owner, NOTIFY_FOR_THIS_SESSION));
    EXPECT_EQ(platform::DeliverSessionChange(WTS_SESSION_LOCK), 1);
    platform::PumpUntilIdle();
    auto changes = Recorder::Get().Of(owner, WM_WTSSESSION_CHANGE);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].wParam, WTS_SESSION_LOCK);
    EXPECT_TRUE(WTSUnRegisterSessionNotification(owner));
    EXPECT_FALSE(WTSUnRegisterSessionNotification(owner));
    EXPECT_EQ(platform::DeliverSessionChange(WTS_SESSION_UNLOCK), 0);
}

TEST_F(ShellTest, OurWindowsBelongToThisProcess) {
    DWORD process = 0;
    EXPECT_EQ(GetWindowThreadProcessId(owner, &process), GetCurrentThreadId());
    EXPECT_EQ(process, GetCurrentProcessId());
    // Another program's window is unknown without a desktop.
    process = 7;
    EXPECT_EQ(GetWindowThreadProcessId(platform::ForeignWindowHandle(0x1234), &process), 0u);
    EXPECT_EQ(process, 0u);
    EXPECT_EQ(platform::NativeWindowOfForeignHandle(platform::ForeignWindowHandle(0x1234)),
              0x1234ul);
    EXPECT_FALSE(IsWindow(platform::ForeignWindowHandle(0x1234)));
}

} // namespace
