#include "ServiceTestSupport.h"

#include "platform/base/Registry.h"
#include "service/MouseControl.h"

#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace servicetest;
using Entry = EventLog::Entry;

namespace {

using Mouse = ServiceMouse;

} // namespace

TEST_F(ServiceTest, EventsReachTheAdvisingThreadAfterTheCallWithOneFlagEach) {
    Mouse m;
    EventLog log;
    auto* sink = new RecordingSink(log);
    const DWORD managerCookie = Advise(m.manager, DIID_IProfileManagerEvents2, sink);
    ASSERT_NE(managerCookie, 0u);
    DWORD profileCookie = 0;
    {
        // The tray's way: advise on the active profile, then release that object.
        auto active = m.Active();
        profileCookie = Advise(active, DIID_IProfileEvents, sink);
        ASSERT_NE(profileCookie, 0u);
    }
    auto active = m.Active();
    auto dpi = Feature<IDPI>(active);
    const DWORD dpiCookie = Advise(dpi, DIID_IDPIEvents, sink);
    ASSERT_NE(dpiCookie, 0u);
    EXPECT_NE(dpiCookie, profileCookie);
    EXPECT_GT(sink->refs, 1); // the service holds its own references

    // A write from a thread that never initialised COM.
    std::thread writer([&] { EXPECT_EQ(dpi->SetDpi(800, 800), S_OK); });
    writer.join();
    EXPECT_TRUE(log.entries.empty()); // nothing runs until this thread pumps
    ASSERT_TRUE(PumpUntil([&] { return log.entries.size() == 1; }));
    EXPECT_EQ(log.entries[0], (Entry{'d', 800, 800, 0}));
    EXPECT_EQ(log.entries[0].thread, GetCurrentThreadId());

    // The same value again is no change; a stage change moves the current value.
    ASSERT_EQ(dpi->SetDpi(800, 800), S_OK);
    ASSERT_EQ(dpi->SetActiveStage(4), S_OK);
    auto props = Feature<IProfileProperties>(active);
    const ProfileSwitchWrite writes[] = {{0x2, 1}, {0x4, 1}, {0x1, 1}, {0x1, 1}};
    for (const auto& w : writes) {
        ASSERT_EQ(props->SetProperty(PROFILE_PROP_SWITCHES, &w, 0, 4, 0), S_OK);
    }
    CComPtr<IProfile> added;
    ASSERT_EQ(m.manager->CreateProfile(&added), S_OK);
    ASSERT_EQ(m.manager->SetActiveProfile(added), S_OK);
    ASSERT_EQ(m.manager->DeleteProfile(active), S_OK);

    const std::vector<Entry> expected = {{'d', 800, 800, 0}, {'d', 3200, 3200, 0}, {'p', 0x1, 1, 0},
                                         {'m', 0x2, 0, 0},   {'p', 0x2, 1, 0},     {'m', 0x2, 0, 0},
                                         {'p', 0x4, 1, 0},   {'m', 0x2, 0, 0},     {'m', 0x2, 1, 0},
                                         {'m', 0x1, 1, 0},   {'m', 0x4, 0, 0}};
    ASSERT_TRUE(PumpUntil([&] { return log.entries.size() >= expected.size(); }));
    PumpFor(100);
    EXPECT_EQ(log.entries, expected);

    // Unadvised connections get nothing more; a cookie works once, on any object of the
    // same source.
    EXPECT_EQ(Unadvise(dpi, DIID_IDPIEvents, dpiCookie), S_OK);
    EXPECT_EQ(Unadvise(dpi, DIID_IDPIEvents, dpiCookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(Unadvise(m.manager, DIID_IProfileManagerEvents2, managerCookie), S_OK);
    EXPECT_EQ(Unadvise(active, DIID_IProfileEvents, profileCookie), S_OK);
    log.entries.clear();
    CComPtr<IProfile> another;
    ASSERT_EQ(m.manager->CreateProfile(&another), S_OK);
    PumpFor(150);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(sink->refs, 1);
    sink->Release();

    // Only the known event interface connects.
    CComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(m.manager.QueryInterface(&container), S_OK);
    CComPtr<IConnectionPoint> cp;
    EXPECT_EQ(container->FindConnectionPoint(DIID_IDPIEvents, &cp), CONNECT_E_NOCONNECTION);
}

TEST_F(ServiceTest, EventsCausedBeforeTheAdviseAreNotDelivered) {
    Mouse m;
    auto dpi = Feature<IDPI>(m.Active());
    ASSERT_EQ(dpi->SetDpi(400, 400), S_OK);
    EventLog log;
    auto* sink = new RecordingSink(log);
    const DWORD cookie = Advise(dpi, DIID_IDPIEvents, sink);
    PumpFor(200);
    EXPECT_TRUE(log.entries.empty());
    ASSERT_EQ(dpi->SetDpi(500, 500), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !log.entries.empty(); }));
    EXPECT_EQ(log.entries, (std::vector<Entry>{{'d', 500, 500, 0}}));
    EXPECT_EQ(Unadvise(dpi, DIID_IDPIEvents, cookie), S_OK);
    sink->Release();
}

TEST_F(ServiceTest, InjectedFaultsHitTheNextCallsOnly) {
    Mouse m;
    auto dpi = Feature<IDPI>(m.Active());
    service::MouseControl mouse;
    ASSERT_TRUE(mouse.IsOpen());

    ASSERT_EQ(mouse.InjectFault(service::Fault::AccessDenied, 2), S_OK);
    INT x = 7;
    INT y = 7;
    EXPECT_EQ(dpi->GetDpi(&x, &y), E_ACCESSDENIED);
    EXPECT_EQ(x, 7); // out values untouched
    EXPECT_EQ(dpi->SetDpi(900, 900), E_ACCESSDENIED);
    EXPECT_EQ(dpi->GetDpi(&x, &y), S_OK);
    EXPECT_EQ(x, 1600);

    ASSERT_EQ(mouse.InjectFault(service::Fault::WriteFailure, 1), S_OK);
    EXPECT_EQ(dpi->GetDpi(&x, &y), S_OK); // reads are not writes
    EXPECT_EQ(dpi->SetDpi(900, 900), E_FAIL);
    EXPECT_EQ(dpi->GetDpi(&x, &y), S_OK);
    EXPECT_EQ(x, 1600);
    EXPECT_EQ(dpi->SetDpi(900, 900), S_OK);

    ASSERT_EQ(mouse.InjectFault(service::Fault::NoDevice, 1), S_OK);
    IDevice* device = reinterpret_cast<IDevice*>(1);
    EXPECT_LT(m.service->GetDevice(0, &device), 0);
    EXPECT_EQ(device, nullptr);
    CComPtr<IDevice> again;
    EXPECT_EQ(m.service->GetDevice(0, &again), S_OK);
}

TEST_F(ServiceTest, UnpluggedMouseIsGoneAndComesBackAsANewDevice) {
    Mouse m;
    auto profile = m.Active();
    service::MouseControl mouse;
    ASSERT_EQ(mouse.SetPlugged(false), S_OK);
    CComPtr<IDevice> none;
    EXPECT_LT(m.service->GetDevice(0, &none), 0);
    DeviceInfo info{};
    info.productId = 77;
    info.text = reinterpret_cast<WCHAR*>(1);
    EXPECT_LT(m.device->GetInfo(&info), 0);
    EXPECT_EQ(info.text, nullptr); // no pointer the caller might free
    EXPECT_EQ(info.productId, 77);
    GUID g{};
    EXPECT_LT(profile->GetGuid(&g), 0);
    UINT count = 0;
    EXPECT_LT(m.manager->GetProfileCount(&count), 0);

    ASSERT_EQ(mouse.SetPlugged(true), S_OK);
    EXPECT_LT(profile->GetGuid(&g), 0); // objects of the old connection stay dead
    CComPtr<IDevice> fresh;
    ASSERT_EQ(m.service->GetDevice(0, &fresh), S_OK);
    auto manager = Feature<IProfileManager>(fresh);
    EXPECT_EQ(manager->GetProfileCount(&count), S_OK);
    EXPECT_EQ(count, 1u);

    std::string state;
    ASSERT_EQ(mouse.Describe(state), S_OK);
    EXPECT_NE(state.find("plugged in (generation 2)"), std::string::npos);
    EXPECT_NE(state.find("profile 1 (active): \"Profile 1\""), std::string::npos);

    // Names holding control characters (an escape sequence, a line break, a C1 control) are
    // shown escaped, never raw, and so are the backslash and the quote.
    CComPtr<IProfile> active;
    ASSERT_EQ(manager->GetActiveProfile(&active), S_OK);
    ASSERT_EQ(active->SetName(u"\x1B]0;owned\x07\x1B[2J\nred \"q\" \\ \x9B\u00e9"), S_OK);
    ASSERT_EQ(mouse.Describe(state), S_OK);
    EXPECT_EQ(state.find('\x1B'), std::string::npos);
    EXPECT_EQ(state.find('\x07'), std::string::npos);
    EXPECT_EQ(state.find("\xC2\x9B"), std::string::npos);
    EXPECT_NE(state.find("\"\\x1b]0;owned\\x07\\x1b[2J\\x0ared \\\"q\\\" \\\\ \\x9b\xC3\xA9\""),
              std::string::npos)
        << state;
}

TEST_F(ServiceTest, MouseButtonsChangeTheStateAndFireEvents) {
    Mouse m;
    CComPtr<IProfile> second;
    ASSERT_EQ(m.manager->CreateProfile(&second), S_OK);
    auto dpi = Feature<IDPI>(m.Active());
    EventLog log;
    auto* sink = new RecordingSink(log);
    const DWORD dpiCookie = Advise(dpi, DIID_IDPIEvents, sink);
    const DWORD managerCookie = Advise(m.manager, DIID_IProfileManagerEvents2, sink);

    service::MouseControl mouse;
    ASSERT_EQ(mouse.PressDpi(true), S_OK);  // stage 2 -> 3
    ASSERT_EQ(mouse.PressDpi(false), S_OK); // back to 2
    ASSERT_EQ(mouse.PressProfile(true), S_OK);
    ASSERT_EQ(mouse.PressProfile(true), S_OK); // wraps to the first
    ASSERT_TRUE(PumpUntil([&] { return log.entries.size() >= 4; }));
    EXPECT_EQ(log.entries,
              (std::vector<Entry>{
                  {'d', 2400, 2400, 0}, {'d', 1600, 1600, 0}, {'m', 0x1, 1, 0}, {'m', 0x1, 0, 0}}));
    Unadvise(dpi, DIID_IDPIEvents, dpiCookie);
    Unadvise(m.manager, DIID_IProfileManagerEvents2, managerCookie);
    sink->Release();
}

TEST_F(ServiceTest, ProfilesKeyMirrorsTheProfiles) {
    Mouse m;
    CRegKey store;
    ASSERT_EQ(store.Open(HKEY_LOCAL_MACHINE, PROFILE_STORE_KEY, KEY_ALL_ACCESS | KEY_WOW64_64KEY),
              ERROR_SUCCESS);
    auto subkeys = [&] {
        std::vector<std::u16string> out;
        for (DWORD i = 0;; ++i) {
            WCHAR name[64];
            DWORD chars = 64;
            if (RegEnumKeyExW(store, i, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            out.emplace_back(name);
        }
        return out;
    };
    auto active = m.Active();
    GUID first{};
    ASSERT_EQ(active->GetGuid(&first), S_OK);
    EXPECT_EQ(subkeys(), std::vector<std::u16string>{GuidToString(first)});

    // The tray's name watcher wakes when a profile is added (the asynchronous form takes its
    // snapshot before it returns, so the watch is in place before the change).
    HANDLE woke = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(woke, nullptr);
    CRegKey watched;
    ASSERT_EQ(watched.Open(HKEY_LOCAL_MACHINE, PROFILE_STORE_KEY), ERROR_SUCCESS);
    ASSERT_EQ(RegNotifyChangeKeyValue(watched, TRUE, REG_NOTIFY_CHANGE_NAME, woke, TRUE),
              ERROR_SUCCESS);
    CComPtr<IProfile> added;
    ASSERT_EQ(m.manager->CreateProfile(&added), S_OK);
    EXPECT_EQ(WaitForSingleObject(woke, 5000), WAIT_OBJECT_0);
    watched.Close();
    CloseHandle(woke);
    ASSERT_EQ(added->SetName(u"Racing"), S_OK);
    GUID second{};
    ASSERT_EQ(added->GetGuid(&second), S_OK);
    CRegKey key;
    ASSERT_EQ(key.Open(store, GuidToString(second).c_str()), ERROR_SUCCESS);
    WCHAR name[64];
    ULONG chars = 64;
    ASSERT_EQ(key.QueryStringValue(u"Name", name, &chars), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"Racing");
    key.Close();

    // Changes that leave the mirrored values alone do not touch the hive (the tray's value
    // watcher would wake for nothing).
    struct stat before {};
    ASSERT_EQ(::stat(RegistryHivePath().c_str(), &before), 0);
    ASSERT_EQ(added->SetName(u"Racing"), S_OK);
    ASSERT_EQ(Feature<IDPI>(added)->SetDpi(500, 500), S_OK);
    const ProfileSwitchWrite off{0x1, 0};
    ASSERT_EQ(Feature<IProfileProperties>(added)->SetProperty(PROFILE_PROP_SWITCHES, &off, 0, 4, 0),
              S_OK);
    struct stat after {};
    ASSERT_EQ(::stat(RegistryHivePath().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);

    ASSERT_EQ(m.manager->SetActiveProfile(added), S_OK);
    chars = 64;
    ASSERT_EQ(store.QueryStringValue(u"Active", name, &chars), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), GuidToString(second));
    ASSERT_EQ(m.manager->DeleteProfile(active), S_OK);
    EXPECT_EQ(subkeys(), std::vector<std::u16string>{GuidToString(second)});

    // Subkeys that name no profile go at the next change, a long name included.
    CRegKey stray;
    ASSERT_EQ(stray.Create(store, std::u16string(100, u'A').c_str()), ERROR_SUCCESS);
    ASSERT_EQ(stray.Create(store, u"Stray"), ERROR_SUCCESS);
    stray.Close();
    ASSERT_EQ(added->SetName(u"Racing 2"), S_OK);
    EXPECT_EQ(subkeys(), std::vector<std::u16string>{GuidToString(second)});
}

TEST_F(ServiceTest, AProgramWokenByTheProfilesKeyFindsTheNewState) {
    Mouse m;
    auto active = m.Active();
    GUID guid{};
    ASSERT_EQ(active->GetGuid(&guid), S_OK);
    // A second opening of the database, with its own connection, stands for another program
    // (the tray) that re-reads through the service when its watcher wakes.
    ::setenv("BORVANTA_SERVICE_DB", (m_dir / "." / "mouse.db").c_str(), 1);
    Mouse tray;
    CComPtr<IProfile> seen;
    ASSERT_EQ(tray.manager->GetProfileByGuid(guid, &seen), S_OK);

    // Holding the registry's lock stops the renaming call where it updates the key: by then
    // the new name must be committed, or a program woken by the key would read the old one.
    const std::string lockPath = RegistryHivePath().string() + ".lock";
    const int lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lockFd, 0);
    ASSERT_EQ(::flock(lockFd, LOCK_EX), 0);
    std::thread renamer([&] { EXPECT_EQ(active->SetName(u"Renamed"), S_OK); });
    bool committed = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!committed && std::chrono::steady_clock::now() < deadline) {
        committed = NameOf(seen) == u"Renamed";
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(committed);
    ::flock(lockFd, LOCK_UN);
    ::close(lockFd);
    renamer.join();

    CRegKey key;
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE,
                       (std::u16string(PROFILE_STORE_KEY) + u"\\" + GuidToString(guid)).c_str()),
              ERROR_SUCCESS);
    WCHAR name[64];
    ULONG chars = 64;
    ASSERT_EQ(key.QueryStringValue(u"Name", name, &chars), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"Renamed");
}

TEST_F(ServiceTest, AProfileConnectionEndsThroughTheProfileActiveLater) {
    // The tray advises on the profile active at one moment and unadvises on the one active
    // when it lets go; cookies are unique in the process, so that ends the connection.
    Mouse m;
    auto first = m.Active();
    EventLog log;
    auto* sink = new RecordingSink(log);
    const DWORD profileCookie = Advise(first, DIID_IProfileEvents, sink);
    ASSERT_NE(profileCookie, 0u);
    const DWORD managerCookie = Advise(m.manager, DIID_IProfileManagerEvents2, sink);
    ASSERT_NE(managerCookie, 0u);
    CComPtr<IProfile> second;
    ASSERT_EQ(m.manager->CreateProfile(&second), S_OK);
    ASSERT_EQ(m.manager->SetActiveProfile(second), S_OK);

    // A cookie of another event interface is not ended through a profile's point.
    EXPECT_EQ(Unadvise(second, DIID_IProfileEvents, managerCookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(Unadvise(second, DIID_IProfileEvents, profileCookie), S_OK);
    EXPECT_EQ(Unadvise(first, DIID_IProfileEvents, profileCookie), CONNECT_E_NOCONNECTION);

    // The first profile's switch change raises a profile event and then a manager event;
    // events arrive in order, so once the manager event is here the profile event would be.
    const ProfileSwitchWrite on{0x2, 1};
    ASSERT_EQ(Feature<IProfileProperties>(first)->SetProperty(PROFILE_PROP_SWITCHES, &on, 0, 4, 0),
              S_OK);
    ASSERT_TRUE(PumpUntil([&] {
        return !log.entries.empty() && log.entries.back() == Entry{'m', 0x2, 0, 0};
    }));
    for (const auto& e : log.entries) {
        EXPECT_NE(e.kind, 'p');
    }
    EXPECT_EQ(Unadvise(m.manager, DIID_IProfileManagerEvents2, managerCookie), S_OK);
    EXPECT_EQ(sink->refs, 1);
    sink->Release();
}
