// The tray's event connections against the virtual mouse: events from another program and
// from the mouse's buttons reach the handler on the thread that connected, with the meanings
// the tray reads; deleting a connection stops them; unplugging and faults.

#include "TrayTestSupport.h"

#include "service/MouseControl.h"
#include "tray/DeviceManager.h"

#include <algorithm>
#include <thread>

using namespace traytest;

namespace {

struct Mouse {
    Mouse() {
        EXPECT_EQ(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                                   reinterpret_cast<void**>(&service)),
                  S_OK);
        EXPECT_EQ(service->GetDevice(0, &device), S_OK);
        EXPECT_EQ(device->GetFeature(IID_IProfileManager, reinterpret_cast<void**>(&manager)),
                  S_OK);
    }
    CComPtr<IProfile> Add(const WCHAR* name) {
        CComPtr<IProfile> p;
        EXPECT_EQ(manager->CreateProfile(&p), S_OK);
        EXPECT_EQ(p->SetName(name), S_OK);
        return p;
    }
    CComPtr<IDeviceService> service;
    CComPtr<IDevice> device;
    CComPtr<IProfileManager> manager;
};

bool AllOnThisThread(const RecordingHandler& h) {
    const DWORD me = GetCurrentThreadId();
    return std::all_of(h.threads.begin(), h.threads.end(), [me](DWORD t) { return t == me; });
}

} // namespace

TEST_F(TrayTest, SensitivityChangesReachTheHandlerOnTheConnectingThread) {
    Mouse m;
    CDeviceManager devices;
    RecordingHandler handler;
    auto dpi = devices.ConnectDpiEvents(&handler);
    ASSERT_NE(dpi, nullptr);
    EXPECT_TRUE(dpi->IsAdvised());
    EXPECT_EQ(dpi->GetDpiMinimum(), DEVICE_DPI_MIN);
    EXPECT_EQ(dpi->GetDpiMaximum(), DEVICE_DPI_MAX);
    EXPECT_EQ(dpi->GetDpiStep(), DEVICE_DPI_STEP);
    EXPECT_EQ(dpi->ScaleToLevel(1800, 20), 6u);
    EXPECT_EQ(dpi->ScaleToLevel(800, 20), 2u);
    EXPECT_EQ(dpi->ScaleToLevel(1600, 20), 5u);
    EXPECT_EQ(dpi->ScaleToLevel(999999, 20), 20u);
    EXPECT_EQ(dpi->ScaleToLevel(-5, 20), 0u);

    // Another program sets the sensitivity.
    ASSERT_EQ(RunOtherProgram({"dpi", "800", "1600"}), 0);
    ASSERT_TRUE(PumpUntil([&] { return !handler.events.empty(); }));
    EXPECT_EQ(handler.events, (std::vector<Event>{{'d', 800, 1600}}));

    // The stage button, pressed on another thread: nothing runs until this thread pumps.
    std::thread press([] {
        service::MouseControl mouse;
        EXPECT_EQ(mouse.PressDpi(true), S_OK);
    });
    press.join();
    EXPECT_EQ(handler.events.size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return handler.events.size() == 2; }));
    EXPECT_EQ(handler.events[1], (Event{'d', 2400, 2400}));
    EXPECT_TRUE(AllOnThisThread(handler));

    // A deleted connection reports nothing more.
    dpi.reset();
    ASSERT_EQ(RunOtherProgram({"dpi", "900", "900"}), 0);
    service::MouseControl mouse;
    ASSERT_EQ(mouse.PressDpi(false), S_OK);
    PumpFor(200);
    EXPECT_EQ(handler.events.size(), 2u);
}

TEST_F(TrayTest, ProfileEventsCarryTheMeaningsTheTrayReads) {
    Mouse m;
    auto second = m.Add(u"Second");
    CDeviceManager devices;
    RecordingHandler handler;
    auto profiles = devices.ConnectProfileEvents(&handler);
    ASSERT_NE(profiles, nullptr);
    EXPECT_TRUE(profiles->IsManagerAdvised());
    EXPECT_TRUE(profiles->IsProfileAdvised());

    // Switches of the active profile, written by another program: the profile event names
    // the switch (0x1 sensitivity display, 0x2 name display, 0x4 auto-switch) and its value,
    // and the manager reports a changed profile (0x2) at its position.
    ASSERT_EQ(RunOtherProgram({"switch", "2", "1"}), 0);
    ASSERT_EQ(RunOtherProgram({"switch", "4", "1"}), 0);
    ASSERT_EQ(RunOtherProgram({"switch", "1", "1"}), 0);
    ASSERT_EQ(RunOtherProgram({"switch", "1", "0"}), 0);
    // The profile button makes the next profile active (0x1).
    service::MouseControl mouse;
    ASSERT_EQ(mouse.PressProfile(true), S_OK);
    const std::vector<Event> expected = {{'p', 0x1, 1}, {'m', 0x2, 0}, {'p', 0x2, 1},
                                         {'m', 0x2, 0}, {'p', 0x4, 1}, {'m', 0x2, 0},
                                         {'p', 0x4, 0}, {'m', 0x2, 0}, {'m', 0x1, 1}};
    ASSERT_TRUE(PumpUntil([&] { return handler.events.size() >= expected.size(); }));
    EXPECT_EQ(handler.events, expected);

    // The profile sink stays with the profile that was active when it was made: a switch of
    // the profile active now only shows as a changed profile.
    handler.events.clear();
    ASSERT_EQ(RunOtherProgram({"switch", "2", "1"}), 0);
    ASSERT_TRUE(PumpUntil([&] { return !handler.events.empty(); }));
    PumpFor(100);
    EXPECT_EQ(handler.events, (std::vector<Event>{{'m', 0x2, 1}}));

    // Profiles added and removed change the list (0x2, 0x4).
    handler.events.clear();
    ASSERT_EQ(RunOtherProgram({"create", "Third"}), 0);
    ASSERT_TRUE(PumpUntil([&] { return !handler.events.empty(); }));
    EXPECT_EQ(handler.events[0], (Event{'m', 0x2, 2}));
    CComPtr<IProfile> third;
    ASSERT_EQ(m.manager->GetProfile(2, &third), S_OK);
    ASSERT_EQ(m.manager->DeleteProfile(third), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return handler.events.back() == Event{'m', 0x4, 2}; }));
    for (const auto& e : handler.events) {
        EXPECT_EQ(e.kind, 'm'); // nothing raises the dialog's own active-profile call
    }
    EXPECT_TRUE(AllOnThisThread(handler));
}

TEST_F(TrayTest, TheProfileSinkIsStoppedThroughTheProfileActiveLater) {
    Mouse m;
    m.Add(u"Second");
    CDeviceManager devices;
    RecordingHandler handler;
    auto profiles = devices.ConnectProfileEvents(&handler);
    ASSERT_NE(profiles, nullptr);
    ASSERT_TRUE(devices.ActivateProfile(u"Second"));

    // As the dialog does on an active-profile change: the active profile's IProfileEx.
    void* raw = nullptr;
    ASSERT_TRUE(devices.QueryActiveProfile(&raw));
    CComPtr<IProfileEx> active;
    active.Attach(static_cast<IProfileEx*>(raw));
    CComPtr<IConnectionPoint> point;
    ASSERT_TRUE(profiles->UnadviseProfile(active, &point));
    EXPECT_NE(point.Get(), nullptr);
    EXPECT_FALSE(profiles->IsProfileAdvised());
    EXPECT_FALSE(profiles->UnadviseProfile(active));

    // The first profile's switches no longer reach the profile sink.
    ASSERT_TRUE(devices.SetProfileSwitches(u"Profile 1", 1, 1, 1));
    ASSERT_TRUE(PumpUntil([&] { return handler.events.size() >= 4; }));
    PumpFor(100);
    for (const auto& e : handler.events) {
        EXPECT_EQ(e.kind, 'm');
    }

    // Advised again on the profile active now; one sink connection at a time.
    handler.events.clear();
    ASSERT_TRUE(profiles->AdviseProfile(active));
    EXPECT_FALSE(profiles->AdviseProfile(active));
    ASSERT_TRUE(devices.SetProfileAutoSwitch(u"Second", 1));
    ASSERT_TRUE(PumpUntil([&] { return handler.events.size() >= 2; }));
    EXPECT_EQ(handler.events[0], (Event{'p', 0x4, 1}));
    // Deleting the connection ends both sinks (TearDown checks that nothing stays behind).
    profiles.reset();
    handler.events.clear();
    ASSERT_TRUE(devices.SetProfileAutoSwitch(u"Second", 0));
    PumpFor(200);
    EXPECT_TRUE(handler.events.empty());
}

TEST_F(TrayTest, TheProfileSinkMovesToTheProfileThatBecameActive) {
    Mouse m;
    m.Add(u"Second");
    CDeviceManager devices;
    RecordingHandler handler;
    auto profiles = devices.ConnectProfileEvents(&handler);
    ASSERT_NE(profiles, nullptr);
    EXPECT_FALSE(profiles->MoveProfileSink(nullptr));
    EXPECT_TRUE(profiles->IsProfileAdvised());

    ASSERT_TRUE(devices.ActivateProfile(u"Second"));
    void* raw = nullptr;
    ASSERT_TRUE(devices.QueryActiveProfile(&raw));
    CComPtr<IProfileEx> active;
    active.Attach(static_cast<IProfileEx*>(raw));
    ASSERT_TRUE(profiles->MoveProfileSink(active));
    EXPECT_TRUE(profiles->IsProfileAdvised());

    // The first profile's switches reach only the manager sink; the second's the profile sink.
    ASSERT_TRUE(PumpUntil([&] { return !handler.events.empty(); })); // the activation
    handler.events.clear();
    ASSERT_TRUE(devices.SetProfileAutoSwitch(u"Profile 1", 1));
    ASSERT_TRUE(devices.SetProfileAutoSwitch(u"Second", 1));
    const std::vector<Event> expected = {{'m', 0x2, 0}, {'p', 0x4, 1}, {'m', 0x2, 1}};
    ASSERT_TRUE(PumpUntil([&] { return handler.events.size() >= expected.size(); }));
    PumpFor(100);
    EXPECT_EQ(handler.events, expected);

    // Moving to the profile it listens to already keeps one connection.
    ASSERT_TRUE(profiles->MoveProfileSink(active));
    handler.events.clear();
    ASSERT_TRUE(devices.SetProfileAutoSwitch(u"Second", 0));
    ASSERT_TRUE(PumpUntil([&] { return handler.events.size() >= 2; }));
    PumpFor(100);
    EXPECT_EQ(handler.events, (std::vector<Event>{{'p', 0x4, 0}, {'m', 0x2, 1}}));
}

TEST_F(TrayTest, ConnectionsFailWhileTheMouseIsAwayAndConnectAgainWhenItIsBack) {
    Mouse m;
    CDeviceManager devices;
    RecordingHandler handler;
    const long objectsBefore = ComObjectBase::LiveObjects();
    auto dpi = devices.ConnectDpiEvents(&handler);
    auto profiles = devices.ConnectProfileEvents(&handler);
    ASSERT_NE(dpi, nullptr);
    ASSERT_NE(profiles, nullptr);

    service::MouseControl mouse;
    ASSERT_EQ(mouse.SetPlugged(false), S_OK);
    // The dialog disconnects on removal: the connections to the vanished mouse end, and the
    // service keeps none of the sinks.
    dpi.reset();
    profiles.reset();
    EXPECT_EQ(ComObjectBase::LiveObjects(), objectsBefore);
    EXPECT_EQ(devices.ConnectDpiEvents(&handler), nullptr);
    EXPECT_EQ(devices.ConnectProfileEvents(&handler), nullptr);
    PumpFor(50);

    // Arrival connects again, to the mouse as it is now.
    ASSERT_EQ(mouse.SetPlugged(true), S_OK);
    dpi = devices.ConnectDpiEvents(&handler);
    profiles = devices.ConnectProfileEvents(&handler);
    ASSERT_NE(dpi, nullptr);
    ASSERT_NE(profiles, nullptr);
    handler.events.clear();
    ASSERT_EQ(RunOtherProgram({"dpi", "700", "700"}), 0);
    ASSERT_EQ(mouse.PressProfile(true), S_OK); // one profile: it stays the active one
    ASSERT_EQ(RunOtherProgram({"switch", "4", "1"}), 0);
    ASSERT_TRUE(PumpUntil([&] {
        return std::find(handler.events.begin(), handler.events.end(), Event{'p', 0x2, 1}) !=
               handler.events.end();
    }));
    PumpFor(100);
    // Each change once: nothing of the connections from before the removal still reports.
    EXPECT_EQ(handler.events, (std::vector<Event>{{'d', 700, 700}, {'p', 0x2, 1}, {'m', 0x2, 0}}));
    EXPECT_TRUE(AllOnThisThread(handler));
}

TEST_F(TrayTest, ARefusingServiceGivesNoConnection) {
    Mouse m;
    CDeviceManager devices;
    RecordingHandler handler;
    service::MouseControl mouse;
    ASSERT_EQ(mouse.InjectFault(service::Fault::AccessDenied, 1000), S_OK);
    EXPECT_EQ(devices.ConnectDpiEvents(&handler), nullptr);
    EXPECT_EQ(devices.ConnectProfileEvents(&handler), nullptr);
    ASSERT_EQ(mouse.InjectFault(service::Fault::AccessDenied, 0), S_OK);
    // One refused call is got over: the mouse is asked for again.
    ASSERT_EQ(mouse.InjectFault(service::Fault::AccessDenied, 1), S_OK);
    auto dpi = devices.ConnectDpiEvents(&handler);
    EXPECT_NE(dpi, nullptr);
}
