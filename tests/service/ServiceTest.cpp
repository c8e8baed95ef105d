#include "ServiceTestSupport.h"
#include "service/Store.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>

using namespace servicetest;

namespace {

using Mouse = ServiceMouse;

CComPtr<IProfile> Active(IProfileManager* m) {
    CComPtr<IProfile> p;
    EXPECT_EQ(m->GetActiveProfile(&p), S_OK);
    return p;
}

} // namespace

TEST_F(ServiceTest, DeviceIsFoundByProductIdAndListEndsWithAFailure) {
    auto service = CreateService();
    ASSERT_TRUE(service);
    CComPtr<IDevice> device;
    ASSERT_EQ(service->GetDevice(0, &device), S_OK);
    IDevice* second = reinterpret_cast<IDevice*>(1);
    EXPECT_LT(service->GetDevice(1, &second), 0);
    EXPECT_EQ(second, nullptr);

    DeviceInfo info{};
    ASSERT_EQ(device->GetInfo(&info), S_OK);
    EXPECT_EQ(info.productId, 0x001E);
    EXPECT_EQ(info.versionAMajor, 2);
    EXPECT_EQ(info.versionAMinor, 10);
    EXPECT_EQ(info.versionBMajor, 1);
    ASSERT_NE(info.text, nullptr);
    CoTaskMemFree(info.text);

    CComPtr<IDeviceIdentity> identity;
    ASSERT_EQ(device.QueryInterface(&identity), S_OK);
    INT first = 0;
    INT product = 0;
    ASSERT_EQ(identity->GetIds(&first, &product), S_OK);
    EXPECT_EQ(product, 30);

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(device->GetFeature(IID_IDPI, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    for (const IID* iid :
         {&IID_IProfileManager, &IID_IMacroManager, &IID_IPollingRate, &IID_IAcceleration}) {
        CComPtr<IUnknown> f;
        EXPECT_EQ(device->GetFeature(*iid, reinterpret_cast<void**>(&f)), S_OK);
    }
}

TEST_F(ServiceTest, ProfilesAreCreatedUpToFiveAndTheActiveOneCannotBeDeleted) {
    Mouse m;
    UINT count = 0;
    ASSERT_EQ(m.manager->GetProfileCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    std::vector<CComPtr<IProfile>> created;
    for (int i = 0; i < 4; ++i) {
        CComPtr<IProfile> p;
        ASSERT_EQ(m.manager->CreateProfile(&p), S_OK);
        created.push_back(p);
    }
    IProfile* sixth = reinterpret_cast<IProfile*>(1);
    EXPECT_LT(m.manager->CreateProfile(&sixth), 0);
    EXPECT_EQ(sixth, nullptr);

    // Enumeration by index ends with a failure; names are distinct by default.
    std::vector<std::u16string> names;
    for (UINT i = 0;; ++i) {
        CComPtr<IProfile> p;
        if (FAILED(m.manager->GetProfile(i, &p))) {
            EXPECT_EQ(p.Get(), nullptr);
            break;
        }
        names.push_back(NameOf(p));
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Profile 1", u"Profile 2", u"Profile 3",
                                                  u"Profile 4", u"Profile 5"}));

    // The active profile answers access denied; after activating another it can go.
    auto active = Active(m.manager);
    EXPECT_EQ(m.manager->DeleteProfile(active), static_cast<HRESULT>(0x80070005));
    ASSERT_EQ(m.manager->SetActiveProfile(created[0]), S_OK);
    BOOL isActive = TRUE;
    EXPECT_EQ(active->IsActive(&isActive), S_OK);
    EXPECT_FALSE(isActive);
    ASSERT_EQ(m.manager->DeleteProfile(active), S_OK);

    // The deleted profile's object fails every call and never touches another profile.
    GUID g{};
    EXPECT_LT(active->GetGuid(&g), 0);
    EXPECT_EQ(g, GUID_NULL);
    WCHAR* name = reinterpret_cast<WCHAR*>(1);
    EXPECT_LT(active->GetName(&name), 0);
    EXPECT_EQ(name, nullptr);
    EXPECT_LT(active->SetName(u"Ghost"), 0);
    void* feature = reinterpret_cast<void*>(1);
    EXPECT_LT(active->GetFeature(IID_IDPI, &feature), 0);
    EXPECT_EQ(feature, nullptr);
    EXPECT_LT(m.manager->DeleteProfile(active), 0);
    EXPECT_LT(m.manager->SetActiveProfile(active), 0);
    ASSERT_EQ(m.manager->GetProfileCount(&count), S_OK);
    EXPECT_EQ(count, 4u);

    // By GUID; the null and unknown GUIDs fail.
    GUID id{};
    ASSERT_EQ(created[2]->GetGuid(&id), S_OK);
    CComPtr<IProfile> byGuid;
    ASSERT_EQ(m.manager->GetProfileByGuid(id, &byGuid), S_OK);
    EXPECT_EQ(NameOf(byGuid), NameOf(created[2]));
    CComPtr<IProfile> none;
    EXPECT_LT(m.manager->GetProfileByGuid(GUID_NULL, &none), 0);
    EXPECT_EQ(none.Get(), nullptr);

    // Names: UTF-16 kept as given; case matters to nobody here.
    ASSERT_EQ(byGuid->SetName(u"Jeu \u00e9t\u00e9"), S_OK);
    EXPECT_EQ(NameOf(created[2]), u"Jeu \u00e9t\u00e9");
    EXPECT_EQ(byGuid->SetName(nullptr), E_POINTER);
    EXPECT_EQ(byGuid->SetName(std::u16string(300, u'x').c_str()), E_INVALIDARG);

    CComPtr<IProfileEx> ex;
    ASSERT_EQ(created[2].QueryInterface(&ex), S_OK);
    UINT index = 9;
    EXPECT_EQ(ex->GetIndex(&index), S_OK);
    EXPECT_EQ(index, 2u);
}

TEST_F(ServiceTest, ProgramAndSwitchPropertiesAsTheCallersReadThem) {
    Mouse m;
    auto profile = Active(m.manager);
    auto props = Feature<IProfileProperties>(profile);

    BYTE buffer[256];
    DWORD size = 256;
    ASSERT_EQ(props->GetProperty(PROFILE_PROP_PROGRAM, 0, buffer, 0, &size), S_OK);
    EXPECT_EQ(size, 0u); // no program

    WCHAR program[128] = {};
    std::memcpy(program, u"game.exe", 18);
    ASSERT_EQ(props->SetProperty(PROFILE_PROP_PROGRAM, program, 0, 256, 0), S_OK);
    size = 256;
    ASSERT_EQ(props->GetProperty(PROFILE_PROP_PROGRAM, 0, buffer, 0, &size), S_OK);
    EXPECT_EQ(size, 18u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const WCHAR*>(buffer)), u"game.exe");

    // Too small a buffer fails and leaves the size alone; an over-long program is refused.
    size = 4;
    EXPECT_LT(props->GetProperty(PROFILE_PROP_PROGRAM, 0, buffer, 0, &size), 0);
    EXPECT_EQ(size, 4u);
    std::u16string tooLong(128, u'a');
    EXPECT_EQ(props->SetProperty(PROFILE_PROP_PROGRAM, tooLong.c_str(), 0,
                                 static_cast<DWORD>((tooLong.size() + 1) * 2), 0),
              E_INVALIDARG);

    // Switches: written bit by bit as {mask, value}, read as one word.
    const ProfileSwitchWrite writes[] = {{0x1, 1}, {0x2, 0}, {0x4, 1}};
    for (const auto& w : writes) {
        ASSERT_EQ(props->SetProperty(PROFILE_PROP_SWITCHES, &w, 0, 4, 0), S_OK);
    }
    WORD switches = 0;
    size = 2;
    ASSERT_EQ(props->GetProperty(PROFILE_PROP_SWITCHES, 0, &switches, 0, &size), S_OK);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(switches, 0x5);
    const ProfileSwitchWrite bad{0x8, 1};
    EXPECT_EQ(props->SetProperty(PROFILE_PROP_SWITCHES, &bad, 0, 4, 0), E_INVALIDARG);
    EXPECT_EQ(props->SetProperty(0x12345, &bad, 0, 4, 0), E_INVALIDARG);

    // Writing 256 zero bytes removes the program.
    BYTE zeros[256] = {};
    ASSERT_EQ(props->SetProperty(PROFILE_PROP_PROGRAM, zeros, 0, 256, 0), S_OK);
    size = 256;
    ASSERT_EQ(props->GetProperty(PROFILE_PROP_PROGRAM, 0, buffer, 0, &size), S_OK);
    EXPECT_EQ(size, 0u);
}

TEST_F(ServiceTest, SensitivityStagesLimitsAndCurrentValue) {
    Mouse m;
    auto dpi = Feature<IDPI>(Active(m.manager));
    INT a = 0;
    INT capacity = 0;
    ASSERT_EQ(dpi->GetStageLimits(&a, &capacity), S_OK);
    EXPECT_EQ(capacity, 5);
    INT lo = 0;
    INT hi = 0;
    INT step = 0;
    ASSERT_EQ(dpi->GetDpiRange(&lo, &hi, &step), S_OK);
    EXPECT_EQ(lo, 100);
    EXPECT_EQ(hi, 5600);
    EXPECT_EQ(step, 100);

    const DeviceDpiStage stages[3] = {{400, 400}, {1600, 800}, {3200, 3200}};
    ASSERT_EQ(dpi->SetStages(3, stages), S_OK);
    INT count = 0;
    DeviceDpiStage* read = nullptr;
    ASSERT_EQ(dpi->GetStages(&count, &read), S_OK);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(read[1].x, 1600);
    EXPECT_EQ(read[1].y, 800);
    CoTaskMemFree(read);

    ASSERT_EQ(dpi->SetActiveStage(2), S_OK);
    INT stage = 0;
    ASSERT_EQ(dpi->GetActiveStage(&stage), S_OK);
    EXPECT_EQ(stage, 2);
    INT x = 0;
    INT y = 0;
    ASSERT_EQ(dpi->GetDpi(&x, &y), S_OK);
    EXPECT_EQ(x, 1600);
    EXPECT_EQ(y, 800);
    ASSERT_EQ(dpi->SetDpi(1800, 1800), S_OK);
    ASSERT_EQ(dpi->GetDpi(&x, &y), S_OK);
    EXPECT_EQ(x, 1800);

    // Refused values change nothing and leave out values untouched.
    EXPECT_EQ(dpi->SetActiveStage(4), E_INVALIDARG);
    EXPECT_EQ(dpi->SetDpi(50, 50), E_INVALIDARG);
    const DeviceDpiStage tooMany[6] = {};
    EXPECT_EQ(dpi->SetStages(6, tooMany), E_INVALIDARG);
    const DeviceDpiStage outOfRange[1] = {{9000, 9000}};
    EXPECT_EQ(dpi->SetStages(1, outOfRange), E_INVALIDARG);
    count = 77;
    ASSERT_EQ(dpi->GetStages(&count, &read), S_OK);
    EXPECT_EQ(count, 3);
    CoTaskMemFree(read);
}

TEST_F(ServiceTest, ButtonRecordsFollowTheirMacrosAndProfiles) {
    Mouse m;
    auto profile = Active(m.manager);
    auto buttons = Feature<IButtonAssignments>(profile);
    ButtonInfo info{};
    ASSERT_EQ(buttons->GetButtonInfo(&info), S_OK);
    EXPECT_EQ(info.buttonCount, 11);
    EXPECT_EQ(info.buttonMask, 0x7FF);

    // Factory functions as the configurator's factory settings have them (by device button
    // number): click, menu, universal scrolling, backward, forward, off, off, scroll up,
    // scroll down, stage up, stage down.
    DeviceButtonAssignment records[11] = {};
    INT count = 11;
    ASSERT_EQ(buttons->GetAssignments(&count, records), S_OK);
    ASSERT_EQ(count, 11);
    const INT factory[11] = {1, 2, 3, 5, 4, 0, 0, 6, 7, 9, 10};
    for (INT i = 0; i < 11; ++i) {
        INT code = -1;
        std::memcpy(&code, records[i].data, 4);
        EXPECT_EQ(records[i].header, 1);
        EXPECT_EQ(records[i].button, i + 1);
        EXPECT_EQ(records[i].type, ASSIGN_MOUSE) << "button " << i + 1;
        EXPECT_EQ(code, factory[i]) << "button " << i + 1;
    }

    auto macros = Feature<IMacroManager>(m.device);
    CComPtr<IMacro> macro;
    ASSERT_EQ(macros->CreateMacro(&macro), S_OK);
    GUID macroId{};
    ASSERT_EQ(macro->GetGuid(&macroId), S_OK);
    CComPtr<IProfile> other;
    ASSERT_EQ(m.manager->CreateProfile(&other), S_OK);
    GUID otherId{};
    ASSERT_EQ(other->GetGuid(&otherId), S_OK);

    DeviceButtonAssignment set[2] = {};
    set[0] = {1, 4, ASSIGN_MACRO, {}};
    std::memcpy(set[0].data, &macroId, 16);
    set[1] = {1, 5, ASSIGN_PROFILE, {}};
    const INT three = 3;
    std::memcpy(set[1].data, &three, 4);
    std::memcpy(set[1].data + 4, &otherId, 16);
    ASSERT_EQ(buttons->SetAssignments(2, set), S_OK);
    count = 11;
    ASSERT_EQ(buttons->GetAssignments(&count, records), S_OK);
    EXPECT_EQ(records[3].type, ASSIGN_MACRO);
    EXPECT_EQ(records[4].type, ASSIGN_PROFILE);

    // A record naming a macro the device does not hold is refused, nothing changes.
    DeviceButtonAssignment dangling = set[0];
    dangling.button = 6;
    const GUID unknown{1, 2, 3, {4}};
    std::memcpy(dangling.data, &unknown, 16);
    EXPECT_EQ(buttons->SetAssignments(1, &dangling), E_INVALIDARG);
    DeviceButtonAssignment badButton = set[0];
    badButton.button = 0;
    EXPECT_EQ(buttons->SetAssignments(1, &badButton), E_INVALIDARG);

    // Deleting the macro and the profile resets the records that pointed at them.
    ASSERT_EQ(macros->DeleteMacro(macro), S_OK);
    ASSERT_EQ(m.manager->DeleteProfile(other), S_OK);
    count = 11;
    ASSERT_EQ(buttons->GetAssignments(&count, records), S_OK);
    for (size_t i : {3u, 4u}) {
        INT code = -1;
        std::memcpy(&code, records[i].data, 4);
        EXPECT_EQ(records[i].type, ASSIGN_MOUSE);
        EXPECT_EQ(code, factory[i]);
    }

    // A smaller buffer gets only as many records as it holds.
    count = 2;
    ASSERT_EQ(buttons->GetAssignments(&count, records), S_OK);
    EXPECT_EQ(count, 2);
}

TEST_F(ServiceTest, LightsPollingRateAndAcceleration) {
    Mouse m;
    auto lights = Feature<ILightCollection>(Active(m.manager));
    std::vector<INT> kinds;
    for (UINT i = 0;; ++i) {
        CComPtr<ILight> light;
        if (FAILED(lights->GetItem(i, &light))) {
            break;
        }
        INT kind = 0;
        ASSERT_EQ(light->GetKind(&kind), S_OK);
        kinds.push_back(kind);
        CComPtr<ILightColor> color;
        ASSERT_EQ(light.QueryInterface(&color), S_OK);
        ASSERT_EQ(light->TurnOff(), S_OK);
        ASSERT_EQ(color->SetColor(RGB(1, 2, static_cast<BYTE>(i))), S_OK);
        BOOL on = TRUE;
        ASSERT_EQ(light->IsOn(&on), S_OK);
        EXPECT_FALSE(on);
        COLORREF c = 0;
        ASSERT_EQ(color->GetColor(&c), S_OK);
        EXPECT_EQ(c, RGB(1, 2, static_cast<BYTE>(i)));
        EXPECT_EQ(color->SetColor(0xFF000000u), E_INVALIDARG);
    }
    EXPECT_EQ(kinds, (std::vector<INT>{1, 4}));

    auto rate = Feature<IPollingRate>(m.device);
    INT count = 0;
    INT* values = nullptr;
    ASSERT_EQ(rate->GetSupported(&count, &values), S_OK);
    ASSERT_EQ(count, 4);
    EXPECT_EQ(values[0], 4);
    EXPECT_EQ(values[3], 8);
    CoTaskMemFree(values);
    ASSERT_EQ(rate->Set(2), S_OK);
    INT value = 0;
    ASSERT_EQ(rate->Get(&value), S_OK);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(rate->Set(3), E_INVALIDARG);

    auto accel = Feature<IAcceleration>(m.device);
    ASSERT_EQ(accel->SetLevel(7), S_OK);
    ASSERT_EQ(accel->Enable(), S_OK);
    INT level = 0;
    BOOL enabled = FALSE;
    ASSERT_EQ(accel->GetLevel(&level), S_OK);
    ASSERT_EQ(accel->IsEnabled(&enabled), S_OK);
    EXPECT_EQ(level, 7);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(accel->SetLevel(11), E_INVALIDARG);
    ASSERT_EQ(accel->Disable(), S_OK);
    ASSERT_EQ(accel->IsEnabled(&enabled), S_OK);
    EXPECT_FALSE(enabled);
}

TEST_F(ServiceTest, MacrosKeepTheirEventBlocks) {
    Mouse m;
    auto macros = Feature<IMacroManager>(m.device);
    CComPtr<IMacro> macro;
    ASSERT_EQ(macros->CreateMacro(&macro), S_OK);
    ASSERT_EQ(macro->SetName(u"Combo"), S_OK);

    std::vector<BYTE> block(MacroEventBlockSize(3), 0);
    const MacroEventBlockHeader header{0, 3};
    std::memcpy(block.data(), &header, sizeof header);
    const MacroDeviceEvent events[3] = {{DEVICE_MACRO_EVENT_KEY, {30, 0, 0, 0}},
                                        {DEVICE_MACRO_EVENT_DELAY, {50, 0, 0, 0}},
                                        {DEVICE_MACRO_EVENT_MOUSE, {0x20, 0, 0, 0}}};
    std::memcpy(block.data() + 8, events, sizeof events);
    ASSERT_EQ(macro->SetEvents(block.data()), S_OK);

    CComPtr<IMacro> again;
    ASSERT_EQ(macros->GetMacro(0, &again), S_OK);
    // The mouse event reads back with its button number (3 for code 0x20) beside the code.
    std::vector<BYTE> expected = block;
    expected[8 + 2 * 8 + 4 + 2] = 3;
    BYTE* read = nullptr;
    ASSERT_EQ(again->GetEvents(&read), S_OK);
    EXPECT_EQ(std::memcmp(read, expected.data(), expected.size()), 0);
    CoTaskMemFree(read);
    WCHAR* name = nullptr;
    ASSERT_EQ(again->GetName(&name), S_OK);
    EXPECT_EQ(std::u16string(name), u"Combo");
    CoTaskMemFree(name);

    // Hostile blocks are refused.
    MacroEventBlockHeader negative{0, -1};
    EXPECT_EQ(macro->SetEvents(reinterpret_cast<const BYTE*>(&negative)), E_INVALIDARG);
    std::vector<BYTE> badKind(MacroEventBlockSize(1), 0);
    const MacroEventBlockHeader one{0, 1};
    std::memcpy(badKind.data(), &one, 8);
    badKind[8] = 9;
    EXPECT_EQ(macro->SetEvents(badKind.data()), E_INVALIDARG);

    ASSERT_EQ(macros->DeleteMacro(macro), S_OK);
    EXPECT_LT(again->GetEvents(&read), 0);
    EXPECT_EQ(read, nullptr);
    UINT count = 9;
    ASSERT_EQ(macros->GetMacroCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    IMacro* none = reinterpret_cast<IMacro*>(1);
    EXPECT_LT(macros->GetMacro(0, &none), 0);
    EXPECT_EQ(none, nullptr);
}

TEST_F(ServiceTest, AnUnusableDatabaseGivesNoServiceAndIsLeftAlone) {
    ::setenv("BORVANTA_SERVICE_DB", "/proc/no-such-folder/mouse.db", 1);
    IDeviceService* service = reinterpret_cast<IDeviceService*>(1);
    EXPECT_LT(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                               reinterpret_cast<void**>(&service)),
              0);
    EXPECT_EQ(service, nullptr);

    const auto garbage = m_dir / "garbage.db";
    {
        std::FILE* f = std::fopen(garbage.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        const char text[] = "this is not a database, and it is somebody's file";
        std::fwrite(text, 1, sizeof text, f);
        std::fclose(f);
    }
    ::setenv("BORVANTA_SERVICE_DB", garbage.c_str(), 1);
    service = reinterpret_cast<IDeviceService*>(1);
    EXPECT_LT(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                               reinterpret_cast<void**>(&service)),
              0);
    EXPECT_EQ(service, nullptr);
    EXPECT_EQ(std::filesystem::file_size(garbage), 50u);
}

TEST_F(ServiceTest, ADatabaseOfANewerServiceIsNotTouched) {
    {
        auto service = CreateService(); // creates the database
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((m_dir / "mouse.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version=7", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    IDeviceService* service = reinterpret_cast<IDeviceService*>(1);
    EXPECT_LT(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                               reinterpret_cast<void**>(&service)),
              0);
    EXPECT_EQ(service, nullptr);
}

TEST_F(ServiceTest, ThreadsShareOneServiceSafely) {
    Mouse m;
    auto macros = Feature<IMacroManager>(m.device);
    auto dpi = Feature<IDPI>(Active(m.manager));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 5; ++i) {
                CComPtr<IMacro> macro;
                EXPECT_EQ(macros->CreateMacro(&macro), S_OK);
                EXPECT_EQ(dpi->SetDpi(100 * (t + 1), 100 * (i + 1)), S_OK);
                INT x = 0;
                INT y = 0;
                EXPECT_EQ(dpi->GetDpi(&x, &y), S_OK);
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    UINT count = 0;
    ASSERT_EQ(macros->GetMacroCount(&count), S_OK);
    EXPECT_EQ(count, 20u);
}

TEST_F(ServiceTest, AStateThatCannotBeOpenedIsReportedApartAndLeftAsItIs) {
    const std::filesystem::path db = std::getenv("BORVANTA_SERVICE_DB");
    auto bytesOf = [&db] {
        std::ifstream in(db, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    auto create = [] {
        CComPtr<IDeviceService> service;
        return CoCreateInstance(CLSID_DeviceService, nullptr, 0x17, IID_IDeviceService,
                                reinterpret_cast<void**>(&service));
    };
    // Not a database at all.
    const std::string garbage(5000, 'x');
    std::ofstream(db, std::ios::binary) << garbage;
    EXPECT_EQ(create(), SERVICE_E_STATE_DAMAGED);
    service::StoreOpenError why{};
    EXPECT_EQ(service::Store::Get(&why), nullptr);
    EXPECT_EQ(why, service::StoreOpenError::Damaged);
    EXPECT_EQ(bytesOf(), garbage);
    // A database of ours cut short.
    std::filesystem::remove(db);
    { ServiceMouse m; }
    std::string whole = bytesOf();
    ASSERT_GT(whole.size(), 8192u);
    const std::string cut = whole.substr(0, 6000);
    std::ofstream(db, std::ios::binary | std::ios::trunc) << cut;
    EXPECT_EQ(create(), SERVICE_E_STATE_DAMAGED);
    EXPECT_EQ(bytesOf(), cut);
    // A database written by a newer version (its user version, big-endian at offset 60).
    std::ofstream(db, std::ios::binary | std::ios::trunc) << whole;
    std::string newer = whole;
    newer[63] = 7;
    std::ofstream(db, std::ios::binary | std::ios::trunc) << newer;
    EXPECT_EQ(create(), SERVICE_E_STATE_NEWER);
    EXPECT_EQ(service::Store::Get(&why), nullptr);
    EXPECT_EQ(why, service::StoreOpenError::Newer);
    EXPECT_EQ(bytesOf(), newer);
    // A read-only file (only where permissions hold: not for the superuser).
    std::ofstream(db, std::ios::binary | std::ios::trunc) << whole;
    if (::geteuid() != 0) {
        std::filesystem::permissions(db, std::filesystem::perms::owner_read);
        EXPECT_EQ(create(), SERVICE_E_STATE_READONLY);
        EXPECT_EQ(bytesOf(), whole);
        std::filesystem::permissions(db, std::filesystem::perms::owner_all);
    }
    // And whole again, it opens.
    EXPECT_EQ(create(), S_OK);
}

TEST_F(ServiceTest, ADatabaseHeldLockedOrOnAFullDiskIsToldApartFromADamagedOne) {
    const std::filesystem::path db = std::getenv("BORVANTA_SERVICE_DB");
    { ServiceMouse m; }
    auto create = [] {
        CComPtr<IDeviceService> service;
        return CoCreateInstance(CLSID_DeviceService, nullptr, 0x17, IID_IDeviceService,
                                reinterpret_cast<void**>(&service));
    };
    // Another program holds the whole file locked for longer than a writer waits.
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder,
                           "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                           "UPDATE device SET polling = polling;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(create(), SERVICE_E_STATE_BUSY);
    service::StoreOpenError why{};
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(create(), S_OK);
    EXPECT_NE(service::Store::Get(&why), nullptr);

    // A write or a file that finds no room: also as the system tells it through a failed
    // file operation.
    using service::StoreOpenError;
    EXPECT_EQ(service::StoreOpenErrorOf(SQLITE_FULL, 0), StoreOpenError::Full);
    EXPECT_EQ(service::StoreOpenErrorOf(SQLITE_IOERR, ENOSPC), StoreOpenError::Full);
    EXPECT_EQ(service::StoreOpenErrorOf(SQLITE_CANTOPEN, EDQUOT), StoreOpenError::Full);
    EXPECT_EQ(service::StoreOpenErrorOf(SQLITE_IOERR, EIO), StoreOpenError::Unavailable);
    EXPECT_EQ(service::StoreOpenErrorOf(SQLITE_BUSY, ENOSPC), StoreOpenError::Busy);
    EXPECT_EQ(service::StoreOpenErrorOf(SQLITE_LOCKED, 0), StoreOpenError::Busy);
    EXPECT_EQ(service::StoreOpenErrorOf(SQLITE_NOTADB, 0), StoreOpenError::Damaged);
    EXPECT_EQ(service::StoreOpenResult(StoreOpenError::Full), SERVICE_E_STATE_FULL);
    EXPECT_EQ(service::StoreOpenResult(StoreOpenError::Busy), SERVICE_E_STATE_BUSY);
    EXPECT_TRUE(IsServiceStateError(SERVICE_E_STATE_FULL));
}
