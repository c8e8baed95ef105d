// The tray's device manager against the virtual mouse: listing and reading profiles,
// activating by name, writing programs and switches, no mouse, unplugging and faults.

#include "TrayTestSupport.h"

#include "platform/base/WideChar.h"
#include "service/MouseControl.h"
#include "tray/DeviceManager.h"

#include <thread>

using namespace traytest;

namespace {

// The test's own view of the mouse, through the service directly.
struct Mouse {
    Mouse() {
        EXPECT_EQ(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                                   reinterpret_cast<void**>(&service)),
                  S_OK);
        EXPECT_EQ(service->GetDevice(0, &device), S_OK);
        EXPECT_EQ(device->GetFeature(IID_IProfileManager, reinterpret_cast<void**>(&manager)),
                  S_OK);
    }
    CComPtr<IProfile> Active() {
        CComPtr<IProfile> p;
        EXPECT_EQ(manager->GetActiveProfile(&p), S_OK);
        return p;
    }
    CComPtr<IProfile> Add(const WCHAR* name) {
        CComPtr<IProfile> p;
        EXPECT_EQ(manager->CreateProfile(&p), S_OK);
        EXPECT_EQ(p->SetName(name), S_OK);
        return p;
    }
    static CComPtr<IProfileProperties> Props(IProfile* p) {
        CComPtr<IProfileProperties> props;
        EXPECT_EQ(p->GetFeature(IID_IProfileProperties, reinterpret_cast<void**>(&props)), S_OK);
        return props;
    }
    static void Setup(IProfile* p, const WCHAR* program, WORD switches) {
        auto props = Props(p);
        WCHAR buffer[128] = {};
        wcscpy_s(buffer, program);
        EXPECT_EQ(props->SetProperty(PROFILE_PROP_PROGRAM, buffer, 0, sizeof buffer, 0), S_OK);
        for (WORD bit : {PROFILE_SWITCH_AUTO, PROFILE_SWITCH_DPI_OSD, PROFILE_SWITCH_NAME_OSD}) {
            const ProfileSwitchWrite w{bit, static_cast<WORD>((switches & bit) ? 1 : 0)};
            EXPECT_EQ(props->SetProperty(PROFILE_PROP_SWITCHES, &w, 0, sizeof w, 0), S_OK);
        }
    }
    static GUID GuidOf(IProfile* p) {
        GUID g{};
        EXPECT_EQ(p->GetGuid(&g), S_OK);
        return g;
    }
    GUID ActiveGuid() { return GuidOf(Active()); }

    CComPtr<IDeviceService> service;
    CComPtr<IDevice> device;
    CComPtr<IProfileManager> manager;
};

// Alpha (active; game.exe; auto + name), alpha (other.exe; dpi), Alpha again (dup.exe; all),
// Plain (nothing).
struct FourProfiles {
    explicit FourProfiles(Mouse& m) {
        first = m.Active();
        EXPECT_EQ(first->SetName(u"Alpha"), S_OK);
        Mouse::Setup(first, u"game.exe", PROFILE_SWITCH_AUTO | PROFILE_SWITCH_NAME_OSD);
        lower = m.Add(u"alpha");
        Mouse::Setup(lower, u"other.exe", PROFILE_SWITCH_DPI_OSD);
        twin = m.Add(u"Alpha");
        Mouse::Setup(twin, u"dup.exe", 0x7);
        plain = m.Add(u"Plain");
        Mouse::Setup(plain, u"", 0);
    }
    CComPtr<IProfile> first, lower, twin, plain;
};

} // namespace

TEST(ProfileSettingArray, OutOfRangeReadsGiveAnEmptyRecordAndWritesDoNothing) {
    CProfileSettingArray profiles;
    _Profile_Setting_ record;
    record.name = u"One";
    record.autoSwitch = 1;
    EXPECT_EQ(profiles.Add(record), 0);
    EXPECT_EQ(profiles.GetAt(0).name.view(), u"One");
    EXPECT_TRUE(profiles.GetAt(1).name.IsEmpty());
    EXPECT_EQ(profiles[-1].autoSwitch, 0);
    EXPECT_TRUE(IsEqualGUID(profiles[5].guid, GUID_NULL));
    profiles.SetAt(3, record);
    profiles.RemoveAt(7);
    EXPECT_EQ(profiles.GetSize(), 1);
    profiles.ElementAt(0).program = u"x.exe";
    EXPECT_EQ(profiles[0].program.view(), u"x.exe");
}

TEST_F(TrayTest, ListsEveryProfileWithItsProgramAndSwitchesInDeviceOrder) {
    Mouse m;
    FourProfiles p(m);
    CDeviceManager devices;
    ASSERT_TRUE(devices.IsConnected());
    EXPECT_EQ(devices.GetProductId(), 0x1E);

    CProfileSettingArray profiles;
    profiles.Add(_Profile_Setting_{});
    ASSERT_TRUE(devices.LoadProfiles(profiles));
    ASSERT_EQ(profiles.GetSize(), 4);
    EXPECT_EQ(profiles[0].name.view(), u"Alpha");
    EXPECT_EQ(profiles[0].program.view(), u"game.exe");
    EXPECT_EQ(profiles[0].autoSwitch, 0x1);
    EXPECT_EQ(profiles[0].showDpiOsd, 0);
    EXPECT_EQ(profiles[0].showProfileOsd, 0x4);
    EXPECT_EQ(profiles[1].name.view(), u"alpha");
    EXPECT_EQ(profiles[1].showDpiOsd, 0x2);
    EXPECT_EQ(profiles[2].program.view(), u"dup.exe");
    EXPECT_EQ(profiles[3].name.view(), u"Plain");
    EXPECT_TRUE(profiles[3].program.IsEmpty());
    EXPECT_EQ(profiles[3].autoSwitch + profiles[3].showDpiOsd + profiles[3].showProfileOsd, 0);
    for (const auto& record : profiles) {
        EXPECT_TRUE(IsEqualGUID(record.guid, GUID_NULL)); // only GetProfileSetting fills it
    }

    CStringArray names;
    names.Add(u"stale");
    ASSERT_TRUE(devices.GetProfileNames(names));
    ASSERT_EQ(names.GetSize(), 4);
    EXPECT_EQ(names[0].view(), u"Alpha");
    EXPECT_EQ(names[1].view(), u"alpha");
    EXPECT_EQ(names[2].view(), u"Alpha");
    EXPECT_EQ(names[3].view(), u"Plain");

    // The first of two profiles named alike; names that differ in case are different names.
    _Profile_Setting_ record;
    ASSERT_TRUE(devices.GetProfileSetting(u"Alpha", record));
    EXPECT_TRUE(IsEqualGUID(record.guid, Mouse::GuidOf(p.first)));
    EXPECT_EQ(record.program.view(), u"game.exe");
    EXPECT_EQ(record.autoSwitch, 0x1);
    ASSERT_TRUE(devices.GetProfileSetting(u"alpha", record));
    EXPECT_TRUE(IsEqualGUID(record.guid, Mouse::GuidOf(p.lower)));
    EXPECT_EQ(record.program.view(), u"other.exe");
    EXPECT_EQ(record.autoSwitch, 0);
    // Reading a profile without program into a used record leaves nothing of the old one.
    ASSERT_TRUE(devices.GetProfileSetting(u"Plain", record));
    EXPECT_EQ(record.name.view(), u"Plain");
    EXPECT_TRUE(record.program.IsEmpty());
    EXPECT_EQ(record.showDpiOsd, 0);
    EXPECT_FALSE(devices.GetProfileSetting(u"ALPHA", record));
    EXPECT_FALSE(devices.GetProfileSetting(u"", record));
}

TEST_F(TrayTest, ActivatesTheFirstProfileOfANameAndCachesTheActiveProfile) {
    Mouse m;
    FourProfiles p(m);
    CDeviceManager devices;

    CString name;
    ASSERT_TRUE(devices.GetActiveProfileName(name));
    EXPECT_EQ(name.view(), u"Alpha");
    ASSERT_TRUE(devices.ActivateProfile(u"alpha"));
    EXPECT_TRUE(IsEqualGUID(m.ActiveGuid(), Mouse::GuidOf(p.lower)));
    ASSERT_TRUE(devices.GetActiveProfileName(name));
    EXPECT_EQ(name.view(), u"alpha");
    ASSERT_TRUE(devices.ActivateProfile(u"Alpha"));
    EXPECT_TRUE(IsEqualGUID(m.ActiveGuid(), Mouse::GuidOf(p.first)));
    EXPECT_FALSE(devices.ActivateProfile(u"ALPHA"));
    EXPECT_FALSE(devices.ActivateProfile(u"Missing"));
    EXPECT_TRUE(IsEqualGUID(m.ActiveGuid(), Mouse::GuidOf(p.first)));

    // The active profile's position through IProfileEx.
    void* raw = reinterpret_cast<void*>(1);
    ASSERT_TRUE(devices.QueryActiveProfile(&raw));
    CComPtr<IProfileEx> ex;
    ex.Attach(static_cast<IProfileEx*>(raw));
    UINT index = 99;
    ASSERT_EQ(ex->GetIndex(&index), S_OK);
    EXPECT_EQ(index, 0u);
    EXPECT_FALSE(devices.QueryActiveProfile(nullptr));

    // Another program's switch is not seen until the cache is dropped (as the dialog does on
    // the active-profile event).
    ASSERT_EQ(m.manager->SetActiveProfile(p.plain), S_OK);
    ASSERT_TRUE(devices.GetActiveProfileName(name));
    EXPECT_EQ(name.view(), u"Alpha");
    EXPECT_TRUE(devices.SetActiveProfileObject(nullptr));
    ASSERT_TRUE(devices.GetActiveProfileName(name));
    EXPECT_EQ(name.view(), u"Plain");
    EXPECT_TRUE(devices.SetActiveProfileObject(p.twin));
    ASSERT_TRUE(devices.GetActiveProfileName(name));
    EXPECT_EQ(name.view(), u"Alpha");

    CComPtr<IProfile> found;
    ASSERT_TRUE(devices.GetProfileByGuid(Mouse::GuidOf(p.lower), &found));
    EXPECT_TRUE(IsEqualGUID(Mouse::GuidOf(found), Mouse::GuidOf(p.lower)));
    found.Release();
    EXPECT_FALSE(devices.GetProfileByGuid(GUID_NULL, &found));
    EXPECT_FALSE(devices.GetProfileByGuid(Mouse::GuidOf(p.lower), nullptr));
    const GUID unknown{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_FALSE(devices.GetProfileByGuid(unknown, &found));
    EXPECT_EQ(found.Get(), nullptr);
}

TEST_F(TrayTest, WritesProgramsAndSwitchesOfTheFirstProfileOfAName) {
    Mouse m;
    FourProfiles p(m);
    CDeviceManager devices;
    _Profile_Setting_ record;

    // A program longer than the device keeps is cut to 127 characters.
    std::u16string longName(200, u'x');
    longName += u".exe";
    const WCHAR* program = longName.c_str();
    ASSERT_TRUE(devices.SetProfileProgram(u"Alpha", &program));
    ASSERT_TRUE(devices.GetProfileSetting(u"Alpha", record));
    EXPECT_EQ(record.program.view(), std::u16string(127, u'x'));
    ASSERT_TRUE(devices.GetProfileSetting(u"alpha", record));
    EXPECT_EQ(record.program.view(), u"other.exe"); // another name, untouched
    const WCHAR* none = nullptr;
    ASSERT_TRUE(devices.SetProfileProgram(u"Alpha", &none));
    ASSERT_TRUE(devices.GetProfileSetting(u"Alpha", record));
    EXPECT_TRUE(record.program.IsEmpty());
    EXPECT_FALSE(devices.SetProfileProgram(u"Alpha", nullptr));
    EXPECT_FALSE(devices.SetProfileProgram(u"Nobody", &program));

    // Any non-zero value sets a switch (0x10000 is not read as its low 16 bits, 0).
    ASSERT_TRUE(devices.SetProfileSwitches(u"Plain", 0x10000, 2, 0));
    ASSERT_TRUE(devices.GetProfileSetting(u"Plain", record));
    EXPECT_EQ(record.autoSwitch, 0x1);
    EXPECT_EQ(record.showDpiOsd, 0x2);
    EXPECT_EQ(record.showProfileOsd, 0);
    ASSERT_TRUE(devices.SetProfileAutoSwitch(u"Plain", 0));
    ASSERT_TRUE(devices.GetProfileSetting(u"Plain", record));
    EXPECT_EQ(record.autoSwitch, 0);
    EXPECT_EQ(record.showDpiOsd, 0x2);
    EXPECT_FALSE(devices.SetProfileAutoSwitch(u"plain", 1));

    // A failed write stops the switches that follow it.
    service::MouseControl mouse;
    ASSERT_EQ(mouse.InjectFault(service::Fault::WriteFailure, 1), S_OK);
    EXPECT_FALSE(devices.SetProfileSwitches(u"Plain", 1, 0, 1));
    ASSERT_TRUE(devices.GetProfileSetting(u"Plain", record));
    EXPECT_EQ(record.autoSwitch, 0);
    EXPECT_EQ(record.showDpiOsd, 0x2);
    EXPECT_EQ(record.showProfileOsd, 0);
}

TEST_F(TrayTest, WithoutAMouseEveryProfileOperationFails) {
    {
        Mouse m; // makes the database
    }
    service::MouseControl mouse;
    ASSERT_EQ(mouse.SetPlugged(false), S_OK);
    CDeviceManager devices;
    EXPECT_FALSE(devices.IsConnected());
    EXPECT_EQ(devices.GetProductId(), 0x1E); // the service was there
    CProfileSettingArray profiles;
    profiles.Add(_Profile_Setting_{});
    EXPECT_FALSE(devices.LoadProfiles(profiles));
    EXPECT_EQ(profiles.GetSize(), 0);
    CStringArray names;
    EXPECT_FALSE(devices.GetProfileNames(names));
    _Profile_Setting_ record;
    EXPECT_FALSE(devices.GetProfileSetting(u"Profile 1", record));
    void* raw = nullptr;
    EXPECT_FALSE(devices.QueryActiveProfile(&raw));
    CString name;
    EXPECT_FALSE(devices.GetActiveProfileName(name));
    EXPECT_TRUE(devices.SetActiveProfileObject(nullptr));
    EXPECT_FALSE(devices.ActivateProfile(u"Profile 1"));
    RecordingHandler handler;
    EXPECT_EQ(devices.ConnectDpiEvents(&handler), nullptr);
    EXPECT_EQ(devices.ConnectProfileEvents(&handler), nullptr);
    EXPECT_FALSE(devices.SetProfileAutoSwitch(u"Profile 1", 1));
    EXPECT_FALSE(devices.SetProfileSwitches(u"Profile 1", 1, 1, 1));

    // A mouse plugged in after the start is found by the next profile operation.
    ASSERT_EQ(mouse.SetPlugged(true), S_OK);
    EXPECT_FALSE(devices.IsConnected());
    EXPECT_TRUE(devices.GetProfileNames(names));
    EXPECT_TRUE(devices.IsConnected());
    EXPECT_EQ(names.GetSize(), 1);
    auto dpi = devices.ConnectDpiEvents(&handler);
    EXPECT_NE(dpi, nullptr);
    dpi.reset();
    CDeviceManager later;
    EXPECT_TRUE(later.IsConnected());

    // A device list the service cannot give at the start counts as no mouse.
    ASSERT_EQ(mouse.InjectFault(service::Fault::NoDevice, 1), S_OK);
    CDeviceManager faulted;
    EXPECT_FALSE(faulted.IsConnected());
}

TEST_F(TrayTest, TheChosenMouseIsFoundAgainAfterItWasUnpluggedAndPluggedIn) {
    Mouse m;
    m.Add(u"Second");
    CDeviceManager devices;
    CString name;
    ASSERT_TRUE(devices.GetActiveProfileName(name));

    service::MouseControl mouse;
    ASSERT_EQ(mouse.SetPlugged(false), S_OK);
    CStringArray names;
    EXPECT_FALSE(devices.GetProfileNames(names));
    EXPECT_FALSE(devices.ActivateProfile(u"Second"));
    EXPECT_FALSE(devices.GetActiveProfileName(name)); // the cached profile is gone too
    EXPECT_TRUE(devices.IsConnected());               // the mouse stays chosen

    ASSERT_EQ(mouse.SetPlugged(true), S_OK);
    // The profile cached before the mouse went away is asked for again.
    void* raw = nullptr;
    ASSERT_TRUE(devices.QueryActiveProfile(&raw));
    static_cast<IProfileEx*>(raw)->Release();
    ASSERT_TRUE(devices.GetActiveProfileName(name));
    EXPECT_EQ(name.view(), u"Profile 1");
    ASSERT_TRUE(devices.GetProfileNames(names));
    EXPECT_EQ(names.GetSize(), 2);
    ASSERT_TRUE(devices.ActivateProfile(u"Second"));
    ASSERT_TRUE(devices.GetActiveProfileName(name));
    EXPECT_EQ(name.view(), u"Second");

    // Gone and back between two calls: the cached profile no longer answers and is asked for
    // again, first through IProfileEx, then by name.
    for (bool queryFirst : {true, false}) {
        ASSERT_EQ(mouse.SetPlugged(false), S_OK);
        ASSERT_EQ(mouse.SetPlugged(true), S_OK);
        if (queryFirst) {
            ASSERT_TRUE(devices.QueryActiveProfile(&raw));
            CComPtr<IProfileEx> ex;
            ex.Attach(static_cast<IProfileEx*>(raw));
            UINT index = 0;
            ASSERT_EQ(ex->GetIndex(&index), S_OK);
            EXPECT_EQ(index, 1u);
        }
        ASSERT_TRUE(devices.GetActiveProfileName(name));
        EXPECT_EQ(name.view(), u"Second");
    }
}

TEST_F(TrayTest, RefusedCallsLeaveTheActiveProfileAsItWas) {
    Mouse m;
    m.Add(u"Second");
    CDeviceManager devices;
    service::MouseControl mouse;
    ASSERT_EQ(mouse.InjectFault(service::Fault::AccessDenied, 1000), S_OK);
    EXPECT_FALSE(devices.ActivateProfile(u"Second"));
    CString name;
    EXPECT_FALSE(devices.GetActiveProfileName(name));
    ASSERT_EQ(mouse.InjectFault(service::Fault::AccessDenied, 0), S_OK);
    ASSERT_TRUE(devices.GetActiveProfileName(name));
    EXPECT_EQ(name.view(), u"Profile 1");

    ASSERT_EQ(mouse.InjectFault(service::Fault::WriteFailure, 1), S_OK);
    EXPECT_FALSE(devices.ActivateProfile(u"Second"));
    ASSERT_TRUE(devices.GetActiveProfileName(name));
    EXPECT_EQ(name.view(), u"Profile 1");
    ASSERT_TRUE(devices.ActivateProfile(u"Second"));
}

TEST_F(TrayTest, ComIsInitialisedForTheManagersLifeAndUndoneOnlyWhenItWasDone) {
    { Mouse m; }
    const int before = CoGetInitializeCount();
    {
        CDeviceManager devices;
        EXPECT_EQ(CoGetInitializeCount(), before + 1);
    }
    EXPECT_EQ(CoGetInitializeCount(), before);

    // A thread of the other threading model: the manager's own initialisation is refused, so
    // it must not take the thread's away either.
    std::thread other([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        {
            CDeviceManager devices;
            EXPECT_TRUE(devices.IsConnected());
        }
        EXPECT_EQ(CoGetInitializeCount(), 1);
        CoUninitialize();
    });
    other.join();
}
