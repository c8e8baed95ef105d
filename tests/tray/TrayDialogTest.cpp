// The tray program's hidden dialog on the headless display against the virtual mouse: start-
// up, the tray menu's build, the profile commands, per-program switching, the on-screen
// display following the active profile, device and session changes, the store's watchers,
// the icon's clicks and timers, and the one closing routine.

#include "TrayTestSupport.h"

#include "platform/base/Mutex.h"
#include "platform/base/Path.h"
#include "platform/base/Process.h"
#include "platform/base/Registry.h"
#include "platform/ui/Dbt.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/ShellApi.h"
#include "platform/ui/WtsApi.h"
#include "qmhook/QmHook.h"
#include "service/MouseControl.h"
#include "tray/BorvantaSysTrayApp.h"
#include "tray/BorvantaSysTrayDlg.h"
#include "tray/ProcessHelpers.h"
#include "tray/TrayNotifyIcon.h"
#include "tray/TrayResources.h"

#include <cstring>
#include <vector>

using namespace traytest;

namespace {

class TrayDialogTest : public TrayTest {
protected:
    void SetUp() override {
        TrayTest::SetUp();
        SetExeFolder(BORVANTA_PROGRAM_DIR);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, kProductKey, &key), ERROR_SUCCESS);
        const std::u16string english = u"English";
        RegSetValueExW(key, u"Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(english.c_str()),
                       static_cast<DWORD>((english.size() + 1) * sizeof(char16_t)));
        RegCloseKey(key);
        Mouse(); // the database and its profile store
    }
    void TearDown() override {
        Close();
        platform::SetModalIdleHook(nullptr);
        TrayTest::TearDown();
    }

    // The mouse as another program sees it.
    struct MouseHandle {
        MouseHandle() {
            CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                             reinterpret_cast<void**>(&service));
            if (service) {
                service->GetDevice(0, &device);
            }
            if (device) {
                device->GetFeature(IID_IProfileManager, reinterpret_cast<void**>(&manager));
            }
        }
        CComPtr<IProfile> At(UINT index) {
            CComPtr<IProfile> p;
            manager->GetProfile(index, &p);
            return p;
        }
        CString ActiveName() {
            CComPtr<IProfile> p;
            WCHAR* text = nullptr;
            CString name;
            if (SUCCEEDED(manager->GetActiveProfile(&p)) && SUCCEEDED(p->GetName(&text))) {
                name = text;
                CoTaskMemFree(text);
            }
            return name;
        }
        CComPtr<IDeviceService> service;
        CComPtr<IDevice> device;
        CComPtr<IProfileManager> manager;
    };
    static MouseHandle Mouse() { return MouseHandle(); }

    // Profiles named as given (the first renames the mouse's own profile).
    static void MakeProfiles(const std::vector<const WCHAR*>& names) {
        MouseHandle m;
        for (size_t i = 0; i < names.size(); ++i) {
            CComPtr<IProfile> p;
            if (i == 0) {
                p = m.At(0);
            } else {
                ASSERT_EQ(m.manager->CreateProfile(&p), S_OK);
            }
            ASSERT_EQ(p->SetName(names[i]), S_OK);
        }
    }

    void Open() {
        m_dialog = new CBorvantaSysTrayDlg();
        ASSERT_TRUE(m_dialog->Create(IDD_BORVANTASYSTRAY_DIALOG));
        m_hwnd = m_dialog->GetSafeHwnd();
        platform::PumpUntilIdle();
    }
    void Close() {
        if (m_hwnd && IsWindow(m_hwnd)) {
            SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
        }
        m_hwnd = nullptr;
        m_dialog = nullptr;
    }
    // Runs the thread's messages and the service's events until pred holds.
    template <class Pred> static bool Run(Pred pred, int ms = 5000) {
        return PumpUntil(
            [&] {
                platform::PumpUntilIdle();
                return pred();
            },
            ms);
    }
    // A device-interface record of the mouse (or of another device).
    static std::vector<BYTE> DeviceRecord(const std::u16string& name) {
        std::vector<BYTE> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) +
                                (name.size() + 1) * sizeof(WCHAR));
        auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
        record->dbcc_size = static_cast<DWORD>(bytes.size());
        record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        record->dbcc_classguid = GUID_DEVINTERFACE_MOUSE;
        std::memcpy(record->dbcc_name, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
        return bytes;
    }
    bool SliderShown() const {
        return m_dialog->GetOsd() && IsWindowVisible(m_dialog->GetOsd()->GetSliderWindow());
    }
    // The popup's items as "id", "-" for a separator, "*id" checked, "!id" default.
    static std::vector<std::u16string> Items(HMENU popup) {
        std::vector<std::u16string> out;
        const UINT def = GetMenuDefaultItem(popup, FALSE, 0);
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            const UINT state = GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION);
            if (state & MF_SEPARATOR) {
                out.push_back(u"-");
                continue;
            }
            WCHAR text[64] = {};
            GetMenuStringW(popup, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            std::u16string item = (state & MF_CHECKED) ? u"*" : u"";
            if (GetMenuItemID(popup, i) == def) {
                item += u"!";
            }
            out.push_back(item + text);
        }
        return out;
    }

    platform::HeadlessDisplay m_display{1024, 768};
    CBorvantaSysTrayDlg* m_dialog = nullptr;
    HWND m_hwnd = nullptr;
};

TEST_F(TrayDialogTest, StartsHiddenWithItsIconDisplayHookAndConnections) {
    MakeProfiles({u"Alpha", u"Bravo"});
    Open();
    EXPECT_FALSE(IsWindowVisible(m_hwnd));
    const auto icons = platform::GetTrayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].hwnd, m_hwnd);
    EXPECT_EQ(icons[0].id, IDR_TRAYMENU);
    EXPECT_EQ(icons[0].callbackMessage, WM_TRAYNOTIFY);
    EXPECT_EQ(icons[0].tip, u"Tolvi Borvanta 5600");
    EXPECT_NE(m_dialog->GetOsd(), nullptr);
    EXPECT_TRUE(m_dialog->IsConnected());
    EXPECT_TRUE(m_dialog->GetWatcher().IsRunning());
    EXPECT_NE(m_dialog->GetDeviceNotification(), nullptr);
    ASSERT_EQ(m_dialog->GetProfiles().GetSize(), 2);
    EXPECT_EQ(m_dialog->GetProfiles()[1].name.view(), u"Bravo");
    // The window menu ends with a separator and the About item.
    HMENU system = GetSystemMenu(m_hwnd, FALSE);
    ASSERT_NE(system, nullptr);
    const int last = GetMenuItemCount(system) - 1;
    ASSERT_GE(last, 1);
    EXPECT_EQ(GetMenuItemID(system, last), IDM_ABOUTBOX);
    EXPECT_NE(GetMenuState(system, static_cast<UINT>(last - 1), MF_BYPOSITION) & MF_SEPARATOR, 0u);
    WCHAR text[64] = {};
    GetMenuStringW(system, IDM_ABOUTBOX, text, 64, MF_BYCOMMAND);
    EXPECT_EQ(std::u16string(text), u"&About BorvantaSysTray...");
}

TEST_F(TrayDialogTest, SecondCopyEndsAtOnce) {
    HANDLE running = CreateMutexW(nullptr, FALSE, kTrayMutexName);
    ASSERT_NE(running, nullptr);
    CBorvantaSysTrayApp app;
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_TRUE(platform::GetTrayIcons().empty());
    CloseHandle(running);
}

TEST_F(TrayDialogTest, MenuListsTheProfilesBetweenSeparatorsWithTheActiveOneChecked) {
    MakeProfiles({u"Alpha", u"Bravo", u"Charlie", u"Delta", u"R&D"});
    MouseHandle m;
    ASSERT_EQ(m.manager->SetActiveProfile(m.At(2)), S_OK);
    Open();
    CStringArray names;
    ASSERT_TRUE(m_dialog->GetDeviceManager().GetProfileNames(names));
    m_dialog->BuildTrayMenu(names);
    HMENU popup = m_dialog->GetTrayIcon().GetPopupMenu();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(Items(popup), (std::vector<std::u16string>{u"!Load Borvanta Configurator", u"-",
                                                         u"Alpha", u"Bravo", u"*Charlie", u"Delta",
                                                         u"R&&D", u"-", u"Close Tray Icon"}));
    EXPECT_EQ(GetMenuItemID(popup, 2), ID_PROFILE_FIRST);
    EXPECT_EQ(GetMenuItemID(popup, 6), ID_PROFILE_FIRST + 4);

    // Eleven and more: the first eleven, no separator after the last.
    CStringArray many;
    for (int i = 0; i < 13; ++i) {
        CString n;
        n.Format(u"P%d", i + 1);
        many.Add(n);
    }
    m_dialog->BuildTrayMenu(many);
    popup = m_dialog->GetTrayIcon().GetPopupMenu();
    ASSERT_EQ(GetMenuItemCount(popup), 14);
    EXPECT_EQ(GetMenuItemID(popup, 12), ID_PROFILE_LAST);
    EXPECT_EQ(GetMenuItemID(popup, 13), ID_CLOSE_TRAY_ICON);

    // None: the two commands alone.
    CStringArray none;
    m_dialog->BuildTrayMenu(none);
    EXPECT_EQ(Items(m_dialog->GetTrayIcon().GetPopupMenu()),
              (std::vector<std::u16string>{u"!Load Borvanta Configurator", u"Close Tray Icon"}));
}

TEST_F(TrayDialogTest, ProfileItemsSwitchWithTheChosenProfilesOwnRecord) {
    MakeProfiles({u"Alpha", u"Bravo", u"Charlie"});
    Open();
    ASSERT_TRUE(m_dialog->GetDeviceManager().SetProfileSwitches(u"Charlie", 0, 1, 1));
    ASSERT_TRUE(m_dialog->GetDeviceManager().SetProfileSwitches(u"Alpha", 0, 0, 0));
    // The menu shown (and closed at once) fills the names the items index into.
    platform::SetModalIdleHook([](HWND) { EndMenu(); });
    SendMessageW(m_hwnd, WM_TRAYNOTIFY, IDR_TRAYMENU, WM_RBUTTONUP);
    platform::SetModalIdleHook(nullptr);
    ASSERT_EQ(m_dialog->GetProfileNames().GetSize(), 3);
    EXPECT_TRUE(m_dialog->IsMenuGuardSet());

    SendMessageW(m_hwnd, WM_COMMAND, ID_PROFILE_FIRST + 2, 0);
    EXPECT_EQ(Mouse().ActiveName().view(), u"Charlie");
    EXPECT_EQ(m_dialog->GetCurrentProfile().name.view(), u"Charlie");
    EXPECT_NE(m_dialog->GetCurrentProfile().showDpiOsd, 0);
    EXPECT_EQ(CString(m_dialog->GetOsd()->GetNameText()).view(), u"Charlie");

    // Items past the profiles do nothing.
    SendMessageW(m_hwnd, WM_COMMAND, ID_PROFILE_FIRST + 6, 0);
    SendMessageW(m_hwnd, WM_COMMAND, ID_PROFILE_LAST, 0);
    EXPECT_EQ(Mouse().ActiveName().view(), u"Charlie");
    SendMessageW(m_hwnd, WM_COMMAND, ID_PROFILE_FIRST, 0);
    EXPECT_EQ(Mouse().ActiveName().view(), u"Alpha");
    EXPECT_EQ(m_dialog->GetCurrentProfile().showDpiOsd, 0);
}

TEST_F(TrayDialogTest, AProfileItemActsOnTheProfileItWasMadeFromWhenNamesRepeat) {
    MakeProfiles({u"Twin", u"Twin"});
    MouseHandle m;
    GUID second{};
    ASSERT_EQ(m.At(1)->GetGuid(&second), S_OK);
    // Only the second "Twin" shows its name on screen.
    CComPtr<IProfileProperties> properties;
    ASSERT_EQ(m.At(1)->GetFeature(IID_IProfileProperties, reinterpret_cast<void**>(&properties)),
              S_OK);
    const ProfileSwitchWrite nameOn{PROFILE_SWITCH_NAME_OSD, 1};
    ASSERT_EQ(properties->SetProperty(PROFILE_PROP_SWITCHES, &nameOn, 0, sizeof nameOn, 0), S_OK);
    Open();
    platform::SetModalIdleHook([](HWND) { EndMenu(); });
    SendMessageW(m_hwnd, WM_TRAYNOTIFY, IDR_TRAYMENU, WM_RBUTTONUP);
    platform::SetModalIdleHook(nullptr);
    ASSERT_EQ(m_dialog->GetProfileNames().GetSize(), 2);

    // Only the active one of the two is checked.
    HMENU popup = m_dialog->GetTrayIcon().GetPopupMenu();
    EXPECT_EQ(Items(popup),
              (std::vector<std::u16string>{u"!Load Borvanta Configurator", u"-", u"*Twin", u"Twin",
                                           u"-", u"Close Tray Icon"}));

    SendMessageW(m_hwnd, WM_COMMAND, ID_PROFILE_FIRST + 1, 0);
    CComPtr<IProfile> active;
    ASSERT_EQ(m.manager->GetActiveProfile(&active), S_OK);
    GUID activeGuid{};
    ASSERT_EQ(active->GetGuid(&activeGuid), S_OK);
    EXPECT_EQ(activeGuid, second);
    EXPECT_EQ(m_dialog->GetCurrentProfile().guid, second);
    EXPECT_NE(m_dialog->GetCurrentProfile().showProfileOsd, 0);
    EXPECT_EQ(CString(m_dialog->GetOsd()->GetNameText()).view(), u"Twin");
}

TEST_F(TrayDialogTest, TheDisplayFollowsTheActiveProfileAfterEverySwitch) {
    MakeProfiles({u"Alpha", u"Bravo"});
    Open();
    ASSERT_TRUE(m_dialog->GetDeviceManager().SetProfileSwitches(u"Alpha", 0, 1, 0));
    ASSERT_TRUE(m_dialog->GetDeviceManager().SetProfileSwitches(u"Bravo", 0, 1, 1));
    service::MouseControl mouse;
    for (const char16_t* expected : {u"Bravo", u"Alpha", u"Bravo"}) {
        ASSERT_EQ(mouse.PressProfile(true), S_OK);
        ASSERT_TRUE(Run([&] { return m_dialog->GetCurrentProfile().name.view() == expected; }));
        ShowWindow(m_dialog->GetOsd()->GetSliderWindow(), SW_HIDE);
        ASSERT_EQ(mouse.PressDpi(true), S_OK);
        EXPECT_TRUE(Run([&] { return SliderShown(); }))
            << "after switching to " << CString(expected).ToUtf8();
    }
    // The profile sink follows too: the new profile's switch reaches the current record.
    ASSERT_TRUE(m_dialog->GetDeviceManager().SetProfileSwitches(u"Bravo", 0, 0, 1));
    EXPECT_TRUE(Run([&] { return m_dialog->GetCurrentProfile().showDpiOsd == 0; }));
}

TEST_F(TrayDialogTest, AnActivatedWindowSwitchesToTheProfileBoundToItsProgram) {
    MakeProfiles({u"Alpha", u"Bravo", u"Charlie"});
    CString image;
    GetProcessImageName(GetCurrentProcessId(), image);
    ASSERT_FALSE(image.IsEmpty());
    {
        CDeviceManager devices;
        const WCHAR* program = image.GetString();
        ASSERT_TRUE(devices.SetProfileProgram(u"Bravo", &program));
        ASSERT_TRUE(devices.SetProfileSwitches(u"Bravo", 0, 0, 1)); // bound, but no auto-switch
        ASSERT_TRUE(devices.SetProfileProgram(u"Charlie", &program));
        ASSERT_TRUE(devices.SetProfileSwitches(u"Charlie", 1, 0, 1));
        CString upper = image;
        upper.MakeUpper();
        const WCHAR* other = upper.GetString();
        ASSERT_TRUE(devices.SetProfileProgram(u"Alpha", &other));
        ASSERT_TRUE(devices.SetProfileAutoSwitch(u"Alpha", 1));
    }
    Open();
    ASSERT_TRUE(Run([&] { return m_dialog->GetProfiles().GetSize() == 3; }));
    // A window of this program: the first bound profile with auto-switch on.
    SendMessageW(m_hwnd, WM_SHELLHOOK_ACTIVATE, reinterpret_cast<WPARAM>(m_hwnd), 0);
    EXPECT_EQ(Mouse().ActiveName().view(), u"Charlie");
    EXPECT_EQ(CString(m_dialog->GetOsd()->GetNameText()).view(), u"Charlie");
    // No window (no program): nothing changes.
    ASSERT_TRUE(m_dialog->GetDeviceManager().ActivateProfile(u"Bravo"));
    SendMessageW(m_hwnd, WM_SHELLHOOK_ACTIVATE, 0, 0);
    EXPECT_EQ(Mouse().ActiveName().view(), u"Bravo");
    // The same window again activates again.
    SendMessageW(m_hwnd, WM_SHELLHOOK_ACTIVATE, reinterpret_cast<WPARAM>(m_hwnd), 0);
    EXPECT_EQ(Mouse().ActiveName().view(), u"Charlie");
}

TEST_F(TrayDialogTest, TheValuesHandlerReadsTheActiveProfileAnew) {
    MakeProfiles({u"Alpha", u"Bravo"});
    Open();
    CString name;
    ASSERT_TRUE(m_dialog->GetDeviceManager().GetActiveProfileName(name)); // cached
    MouseHandle m;
    ASSERT_EQ(m.manager->SetActiveProfile(m.At(1)), S_OK);
    SendMessageW(m_hwnd, WM_PROFILES_VALUES_CHANGED, 0, 0);
    EXPECT_EQ(m_dialog->GetCurrentProfile().name.view(), u"Bravo");
}

TEST_F(TrayDialogTest, RemovalArrivalAndSessionChangesDisconnectAndConnect) {
    Open();
    ASSERT_TRUE(m_dialog->IsConnected());
    auto other = DeviceRecord(u"\\\\?\\HID#VID_046D&PID_001E#1");
    SendMessageW(m_hwnd, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                 reinterpret_cast<LPARAM>(other.data()));
    EXPECT_TRUE(m_dialog->IsConnected()); // another maker's device
    CString ours;
    ours.Format(u"\\\\?\\hid#vid_%04x&pid_001e#7&1", static_cast<unsigned>(DEVICE_VENDOR_ID));
    auto mouse = DeviceRecord(std::u16string(ours.view()));
    EXPECT_EQ(SendMessageW(m_hwnd, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                           reinterpret_cast<LPARAM>(mouse.data())),
              TRUE);
    EXPECT_FALSE(m_dialog->IsConnected());
    // A record cut short names nothing.
    auto cut = mouse;
    reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(cut.data())->dbcc_size = 20;
    SendMessageW(m_hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(cut.data()));
    EXPECT_FALSE(m_dialog->IsConnected());
    SendMessageW(m_hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                 reinterpret_cast<LPARAM>(mouse.data()));
    EXPECT_TRUE(m_dialog->IsConnected());

    // Locked: no display of sensitivity changes; unlocked: again.
    ASSERT_TRUE(m_dialog->GetDeviceManager().SetProfileSwitches(u"Profile 1", 0, 1, 0));
    SendMessageW(m_hwnd, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1);
    EXPECT_FALSE(m_dialog->IsConnected());
    service::MouseControl control;
    ASSERT_EQ(control.PressDpi(true), S_OK);
    PumpFor(300);
    platform::PumpUntilIdle();
    EXPECT_FALSE(SliderShown());
    SendMessageW(m_hwnd, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 1);
    EXPECT_TRUE(m_dialog->IsConnected());
    ASSERT_EQ(control.PressDpi(true), S_OK);
    EXPECT_TRUE(Run([&] { return SliderShown(); }));
}

TEST_F(TrayDialogTest, AMousePluggedInAfterTheStartIsFound) {
    service::MouseControl control;
    ASSERT_EQ(control.SetPlugged(false), S_OK);
    Open();
    EXPECT_FALSE(m_dialog->IsConnected());
    ASSERT_EQ(control.SetPlugged(true), S_OK);
    CString ours;
    ours.Format(u"\\\\?\\HID#VID_%04X&PID_001E#1", static_cast<unsigned>(DEVICE_VENDOR_ID));
    auto mouse = DeviceRecord(std::u16string(ours.view()));
    SendMessageW(m_hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                 reinterpret_cast<LPARAM>(mouse.data()));
    EXPECT_TRUE(m_dialog->IsConnected());
    EXPECT_EQ(m_dialog->GetProfiles().GetSize(), 1);
}

TEST_F(TrayDialogTest, ALeftClickArmsTheSingleClickTimerAndADoubleClickEndsIt) {
    Open();
    SendMessageW(m_hwnd, WM_TRAYNOTIFY, IDR_TRAYMENU, WM_LBUTTONDOWN);
    EXPECT_EQ(m_dialog->GetSingleClickTimer(), kSingleClickTimer);
    // A double click ends the timer and never opens the menu (no configurator is installed
    // here: nothing starts).
    SendMessageW(m_hwnd, WM_TRAYNOTIFY, IDR_TRAYMENU, WM_LBUTTONDBLCLK);
    EXPECT_EQ(m_dialog->GetSingleClickTimer(), 0u);
    EXPECT_FALSE(m_dialog->IsMenuGuardSet());

    // The single click's tick shows the menu and sets the guard; 702 clears it.
    SendMessageW(m_hwnd, WM_TRAYNOTIFY, IDR_TRAYMENU, WM_LBUTTONDOWN);
    platform::SetModalIdleHook([](HWND) { EndMenu(); });
    SendMessageW(m_hwnd, WM_TIMER, kSingleClickTimer, 0);
    platform::SetModalIdleHook(nullptr);
    EXPECT_TRUE(m_dialog->IsMenuGuardSet());
    EXPECT_EQ(m_dialog->GetSingleClickTimer(), 0u);
    SendMessageW(m_hwnd, WM_TIMER, kMenuGuardTimer, 0);
    EXPECT_FALSE(m_dialog->IsMenuGuardSet());
}

TEST_F(TrayDialogTest, ANewTrayHostGetsTheIconAgain) {
    Open();
    platform::RecreateTaskbar();
    EXPECT_TRUE(platform::GetTrayIcons().empty());
    platform::PumpUntilIdle();
    ASSERT_EQ(platform::GetTrayIcons().size(), 1u);
    EXPECT_TRUE(m_dialog->GetTrayIcon().IsAdded());
}

TEST_F(TrayDialogTest, ClosingByTheMenuOrByWmCloseRunsOneRoutine) {
    for (bool byMenu : {true, false}) {
        Open();
        HWND helper = m_dialog->GetTrayIcon().GetHelperWindow();
        ASSERT_TRUE(IsWindow(helper));
        ASSERT_NE(FindWindowW(OSD_TEXT_CLASS, nullptr), nullptr);
        if (byMenu) {
            SendMessageW(m_hwnd, WM_COMMAND, ID_CLOSE_TRAY_ICON, 0);
        } else {
            SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
        }
        EXPECT_FALSE(IsWindow(m_hwnd));
        EXPECT_FALSE(IsWindow(helper));
        EXPECT_TRUE(platform::GetTrayIcons().empty());
        EXPECT_EQ(FindWindowW(OSD_TEXT_CLASS, nullptr), nullptr);
        EXPECT_EQ(UninstallShellHook(), 0); // already removed
        m_hwnd = nullptr;
        platform::PumpUntilIdle();
    }
}

TEST(TrayTip, ALongTipIsCutNeverInsideASurrogatePair) {
    WCHAR field[128];
    std::u16string tip(200, u'a');
    CopyTipText(field, 128, tip.c_str());
    EXPECT_EQ(std::u16string(field), std::u16string(127, u'a'));
    // A pair at characters 126 and 127: the high half alone does not stay.
    tip = std::u16string(126, u'b') + u"\U0001F5B1" + u"cc";
    CopyTipText(field, 128, tip.c_str());
    EXPECT_EQ(std::u16string(field), std::u16string(126, u'b'));
    // A pair that fits whole stays whole.
    tip = std::u16string(125, u'b') + u"\U0001F5B1";
    CopyTipText(field, 128, tip.c_str());
    EXPECT_EQ(std::u16string(field), tip);
    CopyTipText(field, 128, nullptr);
    EXPECT_EQ(field[0], 0);
}

} // namespace
