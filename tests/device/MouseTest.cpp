// The device object against the virtual mouse: connection rules, reading by section mask,
// the write thread and its result.

#include "DeviceTestSupport.h"

#include "model/ProfileNames.h"
#include "platform/base/Path.h"

#include <condition_variable>
#include <mutex>

namespace devicetest {
namespace {

class MouseTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        SetExeFolder(m_dir);
    }
};

// A clock whose sleeps block until the test opens the gate: holds the write thread in its
// settle pause, so the busy state can be looked at without racing.
class GateClock final : public platform::Clock {
public:
    std::uint64_t NowMs() override { return 0; }
    void SleepMs(DWORD) override {
        std::unique_lock lock(m_mutex);
        m_sleeping = true;
        m_cv.notify_all();
        m_cv.wait(lock, [&] { return m_open; });
    }
    bool IsVirtual() const override { return true; }
    void WaitUntilSleeping() {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [&] { return m_sleeping; });
    }
    void Open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_cv.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_sleeping = false;
    bool m_open = false;
};

TEST_F(MouseTest, InitializeReadsVersionsProfilesLayoutAndRates) {
    CBorvantaConfig config;
    CMouse mouse;
    const WORD id = BORVANTA_PRODUCT_ID;
    ASSERT_TRUE(mouse.Initialize(&config, &id));
    EXPECT_TRUE(mouse.IsDeviceFound());
    EXPECT_EQ(mouse.GetProductId(), 0x1E);
    CString a;
    CString b;
    EXPECT_TRUE(mouse.GetVersionA(a));
    EXPECT_TRUE(mouse.GetVersionB(b));
    EXPECT_EQ(b, CString(u"1.05"));
    EXPECT_EQ(a.GetLength(), 4);
    EXPECT_EQ(a.GetAt(1), u'.');

    ASSERT_EQ(config.GetProfileCount(), 1);
    EXPECT_FALSE(IsEqualGUID(GuidOf(config.GetProfile(0)), GUID_NULL));
    EXPECT_EQ(config.GetStageCapacity(config.GetProfile(0)), 5u);
    EXPECT_EQ(mouse.GetButtonBits().size(), 11u);
    EXPECT_EQ(mouse.GetDeviceProfileCount(), 1u);
    EXPECT_EQ(mouse.GetMaxProfiles(), 5u);

    ASSERT_EQ(mouse.GetSupportedRateCount(), 4u);
    EXPECT_EQ(mouse.GetSupportedRate(0), 4);
    EXPECT_EQ(mouse.GetSupportedRate(3), 8);
    EXPECT_EQ(mouse.GetSupportedRate(4), 0); // index equal to the count
    EXPECT_FALSE(mouse.ReservedDevice1(nullptr));
    EXPECT_FALSE(mouse.ReservedDevice18(nullptr, nullptr));

    mouse.Close();
    EXPECT_FALSE(mouse.IsDeviceFound());
    EXPECT_EQ(mouse.GetSupportedRateCount(), 0u);
    EXPECT_TRUE(mouse.GetButtonBits().empty());
}

TEST_F(MouseTest, NoProductIdOrNoMouseMeansNotFound) {
    CBorvantaConfig config;
    CMouse none;
    EXPECT_FALSE(none.Initialize(&config, nullptr));
    EXPECT_EQ(none.GetProductId(), 0);
    EXPECT_FALSE(none.SyncDevice(&config, SYNC_READ, SECTION_ALL));

    CMouse other;
    const WORD otherId = 0x1F;
    EXPECT_FALSE(other.Initialize(&config, &otherId));
    EXPECT_FALSE(other.IsDeviceFound());

    SetPlugged(false);
    CMouse mouse;
    const WORD id = BORVANTA_PRODUCT_ID;
    EXPECT_FALSE(mouse.Initialize(&config, &id));
    EXPECT_FALSE(mouse.IsDeviceFound());
    EXPECT_FALSE(mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL));
    EXPECT_EQ(mouse.GetDeviceProfileCount(), 0u);
    SetPlugged(true);
    EXPECT_FALSE(mouse.SyncDevice(&config, 2, SECTION_ALL)); // unknown mode
}

TEST_F(MouseTest, MousePluggedInAfterInitializeGetsItsTablesAndAReadThatReadsNothingFails) {
    // A macro with a mouse-button event, stored on the mouse by a device object of its own.
    {
        CBorvantaConfig config;
        CMouse writer;
        OpenAndRead(writer, config);
        CMacro* macro = config.CreateMacro(u"Clicks", nullptr);
        ASSERT_NE(macro, nullptr);
        macro->SetEvents({{MACRO_EVENT_MOUSE_BUTTON, 2, 0xFF},
                          {MACRO_EVENT_MOUSE_BUTTON, 2, MACRO_KEY_RELEASE}});
        ASSERT_TRUE(WriteAndWait(writer, config, SECTION_ALL));
    }
    SetPlugged(false);
    CBorvantaConfig config;
    CMouse mouse;
    const WORD id = BORVANTA_PRODUCT_ID;
    EXPECT_FALSE(mouse.Initialize(&config, &id));
    EXPECT_FALSE(mouse.GetCodeTables().IsBuilt());
    SetPlugged(true);
    // The configuration holds none of the mouse's profiles: the read read nothing of them.
    EXPECT_FALSE(mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL));
    EXPECT_TRUE(mouse.IsDeviceFound());
    EXPECT_TRUE(mouse.GetCodeTables().IsBuilt());
    // The macros came through the tables: the right button, pressed and released.
    ASSERT_EQ(config.GetMacroCount(), 1);
    const MacroEventList& events = config.GetMacro(0, nullptr)->GetEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, MACRO_EVENT_MOUSE_BUTTON);
    EXPECT_EQ(events[0].code, 2);
    EXPECT_EQ(events[1].code, 2);
    EXPECT_EQ(events[1].flags & 0xFF, MACRO_KEY_RELEASE);
    // Once the profile list is read, the same read succeeds.
    EXPECT_TRUE(mouse.Initialize(&config, &id));
    EXPECT_TRUE(mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL));
}

TEST_F(MouseTest, ReadAllFillsEverySection) {
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    IMouseProfile* profile = config.GetActiveProfile();
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(std::u16string_view(profile->GetName()), u"Profile 1");
    EXPECT_EQ(config.GetStageCount(profile), 5u);
    EXPECT_EQ(config.GetStageDpi(1, profile), 800);
    EXPECT_EQ(config.GetStageDpi(5, profile), 5600);
    EXPECT_EQ(config.GetActiveStage(profile), 2);
    EXPECT_EQ(config.GetDpi(profile), 1600);
    EXPECT_EQ(config.GetScrollLightColor(profile), RGB(255, 0, 0));
    EXPECT_EQ(config.GetLogoLightColor(profile), RGB(0, 128, 255));
    ButtonAssignment a;
    config.GetButtonAssignment(a, 1, profile);
    EXPECT_EQ(a.kind, ASSIGNMENT_CLICK);
    config.GetButtonAssignment(a, 3, profile);
    EXPECT_EQ(a.kind, ASSIGNMENT_UNIVERSAL_SCROLLING);
    config.GetButtonAssignment(a, 10, profile); // device button 8
    EXPECT_EQ(a.kind, ASSIGNMENT_SCROLL_UP);
    // A new mouse reads back as the configurator's factory assignments, button for button.
    for (ButtonId button = 1; button <= 11; ++button) {
        config.GetButtonAssignment(a, button, profile);
        EXPECT_EQ(a.kind, DefaultAssignmentMap.at(button).kind) << "button " << button;
    }
    EXPECT_EQ(config.GetPollingRate(nullptr), 2); // device value 1
    EXPECT_EQ(config.GetAcceleration(nullptr), 5u);

    // Mask 0 reads only names, identifiers, programs and switches.
    config.SetStageDpi(1, 1200, profile);
    config.SetPollingRate(0, nullptr);
    EXPECT_TRUE(mouse.SyncDevice(&config, SYNC_READ, 0));
    EXPECT_EQ(config.GetStageDpi(1, profile), 1200);
    EXPECT_EQ(config.GetPollingRate(nullptr), 0);
}

TEST_F(MouseTest, ReadSkipsUnknownProfilesAndSplitsSeparateStages) {
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    Direct direct;
    {
        auto dpi = Direct::Feature<IDPI>(direct.Profile(0));
        const DeviceDpiStage stages[] = {{1600, 800}, {2000, 2000}};
        ASSERT_EQ(dpi->SetStages(2, stages), S_OK);
        ASSERT_EQ(dpi->SetActiveStage(1), S_OK);
        auto rate = direct.Feature<IPollingRate>();
        ASSERT_EQ(rate->Set(4), S_OK);
        // A profile the configuration does not know, made active.
        auto manager = direct.Feature<IProfileManager>();
        CComPtr<IProfile> stranger;
        ASSERT_EQ(manager->CreateProfile(&stranger), S_OK);
        ASSERT_EQ(stranger->SetName(u"Stranger"), S_OK);
        ASSERT_EQ(manager->SetActiveProfile(stranger), S_OK);
    }
    IMouseProfile* known = config.GetProfile(0);
    ASSERT_TRUE(mouse.SyncDevice(&config, SYNC_READ, SECTION_SENSITIVITY | SECTION_POLLING_RATE));
    EXPECT_EQ(config.GetProfileCount(), 1);
    EXPECT_EQ(config.GetActiveProfile(), known); // the unknown active profile is skipped
    EXPECT_TRUE(config.GetStageSeparateXY(1, known));
    EXPECT_EQ(config.GetStageDpi(1, known), 800);
    EXPECT_EQ(config.GetStageDpiX(1, known), 1600);
    EXPECT_EQ(config.GetStageDpiY(1, known), 800);
    EXPECT_FALSE(config.GetStageSeparateXY(2, known));
    EXPECT_EQ(config.GetStageCount(known), 2u);
    EXPECT_EQ(config.GetPollingRate(nullptr), -1); // device value 4 has no choice
}

TEST_F(MouseTest, WriteRoundTripsEverySection) {
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    IMouseProfile* p = config.GetActiveProfile();
    config.SetStageCount(4, p);
    config.SetStageDpi(1, 400, p);
    config.SetStageSeparateXY(2, 1, p);
    config.SetStageDpiX(2, 2000, p);
    config.SetStageDpiY(2, 1000, p);
    config.SetActiveStage(3, p);
    config.SetDpi(2400, p);
    config.SetDpiX(2400, p);
    config.SetDpiY(2400, p);
    config.SetButtonAssignment(4, ButtonAssignment::SingleKey(0x1E, 'A', SINGLE_KEY_CTRL), p);
    config.SetButtonAssignment(2, ButtonAssignment::Of(ASSIGNMENT_DOUBLE_CLICK), p);
    config.SetScrollLightOn(0, p);
    config.SetScrollLightColor(RGB(9, 8, 7), p); // the colour of an unlit light is kept too
    config.SetLogoLightColor(RGB(1, 2, 3), p);
    config.SetExePath(p, u"C:\\Games\\game.exe");
    config.SetAutoSwitch(p, 1);
    config.SetShowDpiOsd(1, p);
    config.SetPollingRate(0, nullptr);
    config.SetAcceleration(7, nullptr);
    config.SetAccelerationEnabled(1, nullptr);
    CMacro* macro = config.CreateMacro(u"Combo", nullptr);
    ASSERT_NE(macro, nullptr);
    macro->SetEvents({{MACRO_EVENT_KEY, 0x1E, MACRO_KEY_PRESS},
                      {MACRO_EVENT_DELAY, 40, 0},
                      {MACRO_EVENT_KEY, 0x1E, MACRO_KEY_RELEASE}});
    config.SetButtonAssignment(5, ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, u"Combo"), p);

    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    EXPECT_FALSE(IsEqualGUID(macro->GetGuid(), GUID_NULL));

    CBorvantaConfig fresh;
    CMouse other;
    OpenAndRead(other, fresh);
    IMouseProfile* q = fresh.GetActiveProfile();
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(fresh.GetStageCount(q), 4u);
    EXPECT_EQ(fresh.GetStageDpi(1, q), 400);
    EXPECT_TRUE(fresh.GetStageSeparateXY(2, q));
    EXPECT_EQ(fresh.GetStageDpiX(2, q), 2000);
    EXPECT_EQ(fresh.GetStageDpiY(2, q), 1000);
    EXPECT_EQ(fresh.GetActiveStage(q), 3);
    EXPECT_EQ(fresh.GetDpi(q), 2400);
    ButtonAssignment a;
    fresh.GetButtonAssignment(a, 4, q);
    EXPECT_EQ(a.kind, ASSIGNMENT_SINGLE_KEY);
    EXPECT_EQ(a.GetScanCode(), 0x1E);
    EXPECT_EQ(a.GetKeyFlags(), SINGLE_KEY_CTRL);
    fresh.GetButtonAssignment(a, 2, q);
    EXPECT_EQ(a.kind, ASSIGNMENT_DOUBLE_CLICK);
    fresh.GetButtonAssignment(a, 5, q);
    EXPECT_EQ(a.kind, ASSIGNMENT_MACRO); // resolved by name on the way out
    EXPECT_EQ(a.GetGuid(), macro->GetGuid());
    // The configuration keeps the assignment by name.
    config.GetButtonAssignment(a, 5, p);
    EXPECT_EQ(a.kind, ASSIGNMENT_MACRO_NAME);
    EXPECT_FALSE(fresh.GetScrollLightOn(q));
    EXPECT_EQ(fresh.GetScrollLightColor(q), RGB(9, 8, 7));
    EXPECT_EQ(fresh.GetLogoLightColor(q), RGB(1, 2, 3));
    EXPECT_EQ(std::u16string_view(q->GetExeName()), u"game.exe");
    EXPECT_TRUE(fresh.GetAutoSwitch(q));
    EXPECT_TRUE(fresh.GetShowDpiOsd(q));
    EXPECT_EQ(fresh.GetPollingRate(nullptr), 0);
    EXPECT_EQ(fresh.GetAcceleration(nullptr), 7u);
    EXPECT_TRUE(fresh.GetAccelerationEnabled(nullptr));
    ASSERT_EQ(fresh.GetMacroCount(), 1);
    EXPECT_TRUE(fresh.GetMacro(0, nullptr)->IsSame(*macro));
}

TEST_F(MouseTest, BusyWriteRefusesEverythingAndTouchesNothing) {
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    GateClock gate;
    platform::SetClock(&gate);
    ASSERT_TRUE(mouse.SyncDevice(&config, SYNC_WRITE, SECTION_ALL));
    gate.WaitUntilSleeping();
    EXPECT_TRUE(mouse.IsWriting());

    const long objects = ComObjectBase::LiveObjects();
    CMacro macro(u"m", {{MACRO_EVENT_DELAY, 5, 0}});
    EXPECT_FALSE(mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL));
    EXPECT_FALSE(mouse.SyncDevice(&config, SYNC_WRITE, SECTION_ALL));
    EXPECT_EQ(mouse.GetDeviceProfileCount(), 0u);
    EXPECT_FALSE(mouse.HasProfile(config.GetProfile(0)));
    EXPECT_FALSE(mouse.ImportMacro(CString(u"/nonexistent.qmm"), &config));
    EXPECT_FALSE(mouse.WriteMacro(&macro));
    EXPECT_FALSE(mouse.DeleteAllMacros());
    const WORD id = BORVANTA_PRODUCT_ID;
    EXPECT_FALSE(mouse.Initialize(&config, &id));
    // No service object was made, and the write's connection is still there.
    EXPECT_EQ(ComObjectBase::LiveObjects(), objects);
    EXPECT_TRUE(mouse.IsWriting());
    EXPECT_TRUE(mouse.IsDeviceFound());

    gate.Open();
    WaitIdle(mouse);
    platform::SetClock(&m_clock.clock());
    EXPECT_TRUE(mouse.GetLastWriteResult());
    EXPECT_TRUE(mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL));
}

TEST_F(MouseTest, DestructorWaitsForTheWrite) {
    CBorvantaConfig config;
    GateClock gate;
    std::atomic<bool> opened{false};
    std::thread opener;
    {
        CMouse mouse;
        OpenAndRead(mouse, config);
        platform::SetClock(&gate);
        ASSERT_TRUE(mouse.SyncDevice(&config, SYNC_WRITE, SECTION_ALL));
        gate.WaitUntilSleeping();
        opener = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            opened = true;
            gate.Open();
        });
    }
    // The destructor returned only after the write had ended.
    EXPECT_TRUE(opened);
    opener.join();
    platform::SetClock(&m_clock.clock());
}

TEST_F(MouseTest, FailedWriteIsReportedAndUnpluggedMouseRefusesTheWrite) {
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    EXPECT_TRUE(mouse.GetLastWriteResult()); // nothing written yet
    config.SetPollingRate(1, nullptr);
    InjectFault(service::Fault::WriteFailure, 1000);
    EXPECT_FALSE(WriteAndWait(mouse, config, SECTION_POLLING_RATE));
    InjectFault(service::Fault::WriteFailure, 0);
    EXPECT_TRUE(WriteAndWait(mouse, config, SECTION_POLLING_RATE));

    // A device-wide section that failed stays failed when a later one succeeds: an
    // acceleration level the device refuses before a polling rate it takes, a polling choice
    // it has no value for before the macros.
    config.SetAccelerationRange(1, 50);
    config.SetAcceleration(40, nullptr);
    EXPECT_FALSE(WriteAndWait(mouse, config, SECTION_ACCELERATION | SECTION_POLLING_RATE));
    config.SetAcceleration(4, nullptr);
    config.SetPollingRate(3, nullptr);
    EXPECT_FALSE(WriteAndWait(mouse, config, SECTION_POLLING_RATE | SECTION_MACROS));
    config.SetPollingRate(1, nullptr);
    EXPECT_TRUE(WriteAndWait(mouse, config, SECTION_ACCELERATION | SECTION_POLLING_RATE));

    SetPlugged(false);
    EXPECT_FALSE(mouse.SyncDevice(&config, SYNC_WRITE, SECTION_ALL));
    EXPECT_FALSE(mouse.IsWriting());
    EXPECT_FALSE(mouse.IsDeviceFound());
    SetPlugged(true);
    EXPECT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
}

TEST_F(MouseTest, DeviceProfilesFollowTheConfiguration) {
    Direct direct;
    auto manager = direct.Feature<IProfileManager>();
    ASSERT_TRUE(manager);
    CComPtr<IProfile> second;
    CComPtr<IProfile> third;
    ASSERT_EQ(manager->CreateProfile(&second), S_OK);
    ASSERT_EQ(manager->CreateProfile(&third), S_OK);
    ASSERT_EQ(second->SetName(u"Second"), S_OK);
    ASSERT_EQ(third->SetName(u"Third"), S_OK);

    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    ASSERT_EQ(config.GetProfileCount(), 3);
    // The configuration keeps only the third; the device's active first profile goes too
    // (access denied, another profile made active, deleted once more).
    config.DeleteProfile(config.GetProfile(0));
    config.DeleteProfile(config.GetProfile(0));
    ASSERT_EQ(config.GetProfileCount(), 1);
    IMouseProfile* kept = config.GetProfile(0);
    config.SetActiveProfile(kept);
    // A new profile without an identifier gets its device twin.
    IMouseProfile* added = config.AddProfile(u"Added");
    ASSERT_NE(added, nullptr);
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    EXPECT_FALSE(IsEqualGUID(GuidOf(added), GUID_NULL));
    ASSERT_EQ(direct.ProfileCount(), 2u);
    EXPECT_EQ(Direct::NameOf(direct.Profile(0)), u"Third");
    EXPECT_EQ(Direct::NameOf(direct.Profile(1)), u"Added");
    EXPECT_EQ(direct.ActiveGuid(), GuidOf(kept));

    // Without an active profile everything is written and the result is false.
    config.SetActiveProfile(nullptr);
    config.SetStageDpi(1, 3000, kept);
    EXPECT_FALSE(WriteAndWait(mouse, config, SECTION_SENSITIVITY));
    CBorvantaConfig fresh;
    CMouse other;
    OpenAndRead(other, fresh);
    EXPECT_EQ(fresh.GetStageDpi(1, fresh.FindProfileByGuid(GuidOf(kept))), 3000);

    // A polling choice the device has no value for: nothing set, false.
    config.SetActiveProfile(kept);
    config.SetPollingRate(3, nullptr);
    EXPECT_FALSE(WriteAndWait(mouse, config, SECTION_POLLING_RATE));
}

TEST_F(MouseTest, DeletedActiveProfileGivesWayToTheFirst) {
    Direct direct;
    auto manager = direct.Feature<IProfileManager>();
    ASSERT_TRUE(manager);
    CComPtr<IProfile> second;
    ASSERT_EQ(manager->CreateProfile(&second), S_OK);
    ASSERT_EQ(second->SetName(u"Second"), S_OK);
    ASSERT_EQ(manager->SetActiveProfile(second), S_OK);

    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    ASSERT_EQ(config.GetProfileCount(), 2);
    IMouseProfile* first = config.GetProfile(0);
    ASSERT_EQ(config.GetActiveProfile(), config.GetProfile(1));
    // The configuration drops the device's active profile and makes the first one active.
    config.DeleteProfile(config.GetProfile(1));
    config.SetActiveProfile(first);
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    ASSERT_EQ(direct.ProfileCount(), 1u);
    EXPECT_EQ(Direct::NameOf(direct.Profile(0)), u"Profile 1");
    EXPECT_EQ(direct.ActiveGuid(), GuidOf(first));
}

TEST_F(MouseTest, AProfileTheDeviceKeptAgainstTheConfigurationIsAFailedWrite) {
    Direct direct;
    auto manager = direct.Feature<IProfileManager>();
    ASSERT_TRUE(manager);
    CComPtr<IProfile> second;
    ASSERT_EQ(manager->CreateProfile(&second), S_OK);
    ASSERT_EQ(second->SetName(u"Second"), S_OK);

    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    ASSERT_EQ(config.GetProfileCount(), 2);
    config.DeleteProfile(config.GetProfile(1));
    // The first change of the write, the removal of the dropped profile, fails.
    InjectFault(service::Fault::WriteFailure, 1);
    EXPECT_FALSE(WriteAndWait(mouse, config, 0));
    EXPECT_EQ(direct.ProfileCount(), 2u);
    ASSERT_TRUE(WriteAndWait(mouse, config, 0));
    EXPECT_EQ(direct.ProfileCount(), 1u);
}

TEST_F(MouseTest, AProfileAnotherProgramRemovedIsStoredAgainAndLaterWritesSucceed) {
    Direct direct;
    auto manager = direct.Feature<IProfileManager>();
    ASSERT_TRUE(manager);
    CComPtr<IProfile> second;
    ASSERT_EQ(manager->CreateProfile(&second), S_OK);
    ASSERT_EQ(second->SetName(u"Second"), S_OK);

    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    ASSERT_EQ(config.GetProfileCount(), 2);
    // Another program removes "Second" from the mouse.
    ASSERT_TRUE(SUCCEEDED(manager->DeleteProfile(second)));
    second.Release();
    ASSERT_EQ(direct.ProfileCount(), 1u);
    // This write stores it again, and so has nothing it could not do; nor has the next one.
    EXPECT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    EXPECT_TRUE(mouse.GetLastWriteResult());
    EXPECT_EQ(direct.ProfileCount(), 2u);
    EXPECT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    EXPECT_EQ(direct.ProfileCount(), 2u);
    EXPECT_EQ(config.GetProfileCount(), 2);
}

TEST_F(MouseTest, AConfigurationWithoutProfilesLeavesTheDeviceAlone) {
    Direct direct;
    auto manager = direct.Feature<IProfileManager>();
    ASSERT_TRUE(manager);
    CComPtr<IProfile> second;
    ASSERT_EQ(manager->CreateProfile(&second), S_OK);
    ASSERT_EQ(second->SetName(u"Second"), S_OK);
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    // A configuration that never read the mouse (its first read failed) has no profiles.
    CBorvantaConfig unread;
    EXPECT_FALSE(WriteAndWait(mouse, unread, SECTION_ALL));
    EXPECT_EQ(direct.ProfileCount(), 2u);
}

TEST_F(MouseTest, AProgramThatDidNotReachTheDeviceIsAFailedWrite) {
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    IMouseProfile* p = config.GetActiveProfile();
    config.SetExePath(p, u"C:\\Tools\\editor.exe");
    // The first two changes a write makes here are the profile's name and its program; the
    // switches after them go through.
    InjectFault(service::Fault::WriteFailure, 2);
    EXPECT_FALSE(WriteAndWait(mouse, config, 0));
    Direct direct;
    auto properties = Direct::Feature<IProfileProperties>(direct.Profile(0));
    WCHAR program[129] = {};
    DWORD size = 256;
    ASSERT_EQ(properties->GetProperty(PROFILE_PROP_PROGRAM, 0, program, 0, &size), S_OK);
    EXPECT_EQ(size, 0u);

    ASSERT_TRUE(WriteAndWait(mouse, config, 0));
    size = 256;
    ASSERT_EQ(properties->GetProperty(PROFILE_PROP_PROGRAM, 0, program, 0, &size), S_OK);
    EXPECT_EQ(std::u16string_view(program), u"editor.exe");
}

TEST_F(MouseTest, ButtonNamingANewProfileGetsItsDeviceTwinOnce) {
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    IMouseProfile* p = config.GetActiveProfile();
    // The target comes after the profile whose button names it, and has no identifier yet.
    IMouseProfile* target = config.AddProfile(u"Target");
    ASSERT_NE(target, nullptr);
    config.SetButtonAssignment(4, ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME, u"TARGET"),
                               p);
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_BUTTONS));
    const GUID guid = GuidOf(target);
    EXPECT_FALSE(IsEqualGUID(guid, GUID_NULL));
    Direct direct;
    ASSERT_EQ(direct.ProfileCount(), 2u);
    EXPECT_EQ(Direct::NameOf(direct.Profile(1)), u"Target");
    ButtonAssignment a;
    config.GetButtonAssignment(a, 4, p);
    EXPECT_EQ(a.kind, ASSIGNMENT_PROFILE_NAME); // the configuration keeps the name

    CBorvantaConfig fresh;
    CMouse other;
    OpenAndRead(other, fresh);
    fresh.GetButtonAssignment(a, 4, fresh.GetActiveProfile());
    EXPECT_EQ(a.kind, ASSIGNMENT_PROFILE);
    EXPECT_EQ(a.GetGuid(), guid);

    // A name no profile has cannot be written: a failed write.
    config.SetButtonAssignment(4, ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME, u"Nobody"),
                               p);
    EXPECT_FALSE(WriteAndWait(mouse, config, SECTION_BUTTONS));
}

TEST_F(MouseTest, ButtonNamingAnUnrecordedMacroIsNoWriteFailure) {
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    IMouseProfile* p = config.GetActiveProfile();
    ButtonAssignment before;
    config.GetButtonAssignment(before, 4, p);
    CMacro* later = config.CreateMacro(u"Later", nullptr);
    ASSERT_NE(later, nullptr);
    config.SetButtonAssignment(4, ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, u"Later"), p);
    config.SetButtonAssignment(2, ButtonAssignment::Of(ASSIGNMENT_DOUBLE_CLICK), p);
    config.SetStageDpi(1, 1200, p);
    // The empty macro cannot go up; everything else is written and the write succeeds.
    EXPECT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    EXPECT_EQ(Direct().MacroCount(), 0u);
    {
        CBorvantaConfig fresh;
        CMouse other;
        OpenAndRead(other, fresh);
        IMouseProfile* q = fresh.GetActiveProfile();
        ButtonAssignment a;
        fresh.GetButtonAssignment(a, 2, q);
        EXPECT_EQ(a.kind, ASSIGNMENT_DOUBLE_CLICK);
        fresh.GetButtonAssignment(a, 4, q);
        EXPECT_EQ(a, before); // the device keeps the button's previous function
        EXPECT_EQ(fresh.GetStageDpi(1, q), 1200);
    }

    // Once recorded, the macro goes up and the button points at it, also when only the
    // macros are written (recording marks the macros alone; the buttons went out before).
    later->SetEvents({{MACRO_EVENT_DELAY, 5, 0}});
    EXPECT_TRUE(WriteAndWait(mouse, config, SECTION_MACROS));
    EXPECT_FALSE(IsEqualGUID(later->GetGuid(), GUID_NULL));
    {
        CBorvantaConfig fresh;
        CMouse other;
        OpenAndRead(other, fresh);
        ButtonAssignment a;
        fresh.GetButtonAssignment(a, 4, fresh.GetActiveProfile());
        EXPECT_EQ(a.kind, ASSIGNMENT_MACRO);
        EXPECT_EQ(a.GetGuid(), later->GetGuid());
    }

    // A button naming a macro the configuration does not hold is still a failed write.
    config.SetButtonAssignment(4, ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, u"Gone"), p);
    EXPECT_FALSE(WriteAndWait(mouse, config, SECTION_BUTTONS));
}

TEST_F(MouseTest, MacrosAreUpdatedInPlaceAndEmptyOnesNeverCreated) {
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    IMouseProfile* p = config.GetActiveProfile();
    CMacro* macro = config.CreateMacro(u"Shared", nullptr);
    macro->SetEvents({{MACRO_EVENT_DELAY, 10, 0}});
    CMacro* empty = config.CreateMacro(u"Empty", nullptr);
    ASSERT_NE(empty, nullptr);
    // Two buttons name the same new macro: one upload, both point at it.
    config.SetButtonAssignment(4, ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, u"Shared"), p);
    config.SetButtonAssignment(5, ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, u"shared"), p);
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    const GUID guid = macro->GetGuid();
    EXPECT_FALSE(IsEqualGUID(guid, GUID_NULL));
    EXPECT_TRUE(IsEqualGUID(empty->GetGuid(), GUID_NULL));
    EXPECT_EQ(Direct().MacroCount(), 1u);

    // Changed events and a case-only rename are written to the same device macro.
    macro->SetName(u"SHARED");
    macro->SetEvents({{MACRO_EVENT_DELAY, 20, 0}, {MACRO_EVENT_MOUSE_BUTTON, 1, 255}});
    config.SetButtonAssignment(4, ButtonAssignment::WithGuid(ASSIGNMENT_MACRO, guid), p);
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    EXPECT_TRUE(IsEqualGUID(macro->GetGuid(), guid));
    Direct d;
    EXPECT_EQ(d.MacroCount(), 1u);
    CComPtr<IMacro> stored;
    ASSERT_EQ(d.Feature<IMacroManager>()->GetMacroByGuid(guid, &stored), S_OK);
    EXPECT_EQ(Direct::NameOf(stored), u"SHARED");

    CBorvantaConfig fresh;
    CMouse other;
    OpenAndRead(other, fresh);
    ASSERT_EQ(fresh.GetMacroCount(), 1);
    EXPECT_EQ(fresh.GetMacro(0, nullptr)->GetEvents(), macro->GetEvents());
    ButtonAssignment a;
    fresh.GetButtonAssignment(a, 4, fresh.GetActiveProfile());
    EXPECT_EQ(a.GetGuid(), guid);
    fresh.GetButtonAssignment(a, 5, fresh.GetActiveProfile());
    EXPECT_EQ(a.GetGuid(), guid);

    // A macro the configuration dropped leaves the device on the next write, whatever the
    // mask.
    config.DeleteMacro(macro, nullptr);
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_POLLING_RATE));
    EXPECT_EQ(Direct().MacroCount(), 0u);
}

TEST_F(MouseTest, ProgramAndSwitchesGoWithEveryWrite) {
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    IMouseProfile* p = config.GetActiveProfile();
    // Without a program a profile never switches automatically, whatever its flag says.
    config.SetAutoSwitch(p, 1);
    config.SetShowProfileOsd(1, p);
    ASSERT_TRUE(WriteAndWait(mouse, config, 0));
    Direct direct;
    auto properties = Direct::Feature<IProfileProperties>(direct.Profile(0));
    WORD switches = 0xFFFF;
    DWORD size = sizeof switches;
    ASSERT_EQ(properties->GetProperty(PROFILE_PROP_SWITCHES, 0, &switches, 0, &size), S_OK);
    EXPECT_EQ(switches, PROFILE_SWITCH_NAME_OSD);

    config.SetExePath(p, u"C:\\Tools\\editor.exe");
    ASSERT_TRUE(WriteAndWait(mouse, config, 0));
    size = sizeof switches;
    ASSERT_EQ(properties->GetProperty(PROFILE_PROP_SWITCHES, 0, &switches, 0, &size), S_OK);
    EXPECT_EQ(switches, PROFILE_SWITCH_AUTO | PROFILE_SWITCH_NAME_OSD);
    WCHAR program[129] = {};
    size = 256;
    ASSERT_EQ(properties->GetProperty(PROFILE_PROP_PROGRAM, 0, program, 0, &size), S_OK);
    EXPECT_EQ(std::u16string_view(program), u"editor.exe");

    // A program name longer than the mouse holds is not written cut: the write fails and the
    // mouse keeps the program it had. One that just fits goes through whole.
    const std::u16string tooLong = std::u16string(PROFILE_PROGRAM_MAX_CHARS - 3, u'a') + u".exe";
    EXPECT_FALSE(IsStorableProgramName(tooLong.c_str()));
    p->SetExeName(tooLong.c_str());
    EXPECT_FALSE(WriteAndWait(mouse, config, 0));
    size = 256;
    ASSERT_EQ(properties->GetProperty(PROFILE_PROP_PROGRAM, 0, program, 0, &size), S_OK);
    EXPECT_EQ(std::u16string_view(program), u"editor.exe");
    const std::u16string fits = std::u16string(PROFILE_PROGRAM_MAX_CHARS - 4, u'b') + u".exe";
    EXPECT_TRUE(IsStorableProgramName(fits.c_str()));
    p->SetExeName(fits.c_str());
    EXPECT_TRUE(WriteAndWait(mouse, config, 0));
    size = 256;
    ASSERT_EQ(properties->GetProperty(PROFILE_PROP_PROGRAM, 0, program, 0, &size), S_OK);
    EXPECT_EQ(std::u16string_view(program), fits);
    p->SetExePath(u"C:\\Tools\\editor.exe");

    // A device macro named like one the configuration has is read too, as its own macro:
    // macros are told apart by identifier.
    CMacro* mine = config.CreateMacro(u"Same", nullptr);
    mine->SetEvents({{MACRO_EVENT_DELAY, 1, 0}});
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_MACROS));
    CBorvantaConfig other;
    CMacro* local = other.CreateMacro(u"SAME", nullptr);
    CMouse reader;
    OpenAndRead(reader, other);
    ASSERT_EQ(other.GetMacroCount(), 2);
    EXPECT_TRUE(IsEqualGUID(local->GetGuid(), GUID_NULL));
    EXPECT_EQ(std::u16string_view(other.GetMacro(1, nullptr)->GetName()), u"Same");
    EXPECT_EQ(other.GetMacro(1, nullptr)->GetGuid(), mine->GetGuid());
}

TEST_F(MouseTest, ProcessDeviceObjectIsCreatedAndDestroyed) {
    CBorvantaConfig config;
    IMouseDevice* device = nullptr;
    EXPECT_TRUE(CreateMouseDevice(&config, &device));
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(GetMouseDevice(), device);
    EXPECT_EQ(config.GetDevice(), device);
    EXPECT_EQ(device->GetProductId(), 0x1E);
    EXPECT_EQ(config.GetProfileCount(), 1);
    ASSERT_TRUE(device->SyncDevice(&config, SYNC_WRITE, SECTION_ALL));
    DestroyMouseDevice(); // waits for the write
    EXPECT_EQ(GetMouseDevice(), nullptr);

    // A second creation replaces the first, which goes (after its write) instead of leaking.
    EXPECT_TRUE(CreateMouseDevice(&config, &device));
    ASSERT_TRUE(device->SyncDevice(&config, SYNC_WRITE, SECTION_ALL));
    IMouseDevice* again = nullptr;
    EXPECT_TRUE(CreateMouseDevice(&config, &again));
    EXPECT_EQ(GetMouseDevice(), again);
    EXPECT_EQ(config.GetDevice(), again);
    EXPECT_FALSE(again->IsWriting());
    DestroyMouseDevice();
}

TEST_F(MouseTest, MacroSlotsUseTheCallersConnectionOnly) {
    CMouse mouse;
    CMacro macro(u"m", {{MACRO_EVENT_DELAY, 5, 0}});
    // No connection is open outside an operation.
    EXPECT_FALSE(mouse.WriteMacro(&macro));
    EXPECT_FALSE(mouse.ReadMacro(GUID_NULL, &macro));
    EXPECT_FALSE(mouse.DeleteAllMacros());
}

} // namespace
} // namespace devicetest
