// The device object against a fake service (registered over the virtual mouse's class), for
// what the virtual mouse never does: several devices, and counts, sizes and strings that do
// not fit what the client gave or expects.

#include "device/DeviceServiceApi.h"
#include "device/Mouse.h"
#include "model/BorvantaConfig.h"
#include "platform/base/Path.h"
#include "platform/com/ComObject.h"
#include "platform/ui/Clock.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::Invoke;
using ::testing::NiceMock;
using ::testing::Return;

// Reference counting and QueryInterface for mocks that live on the test's stack.
template <class Itf> class StackObject : public Itf {
public:
    StackObject() = default;
    StackObject(const StackObject&) = delete;
    StackObject& operator=(const StackObject&) = delete;
    virtual ~StackObject() = default;
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, uuidof<Itf>()) || IsEqualIID(riid, IID_IUnknown)) {
            *out = static_cast<Itf*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 0;
};

class MockDevice : public StackObject<IDevice> {
public:
    MOCK_METHOD(HRESULT, GetInfo, (DeviceInfo*), (override));
    MOCK_METHOD(HRESULT, GetFeature, (REFIID, void**), (override));
};

class MockService : public StackObject<IDeviceService> {
public:
    MOCK_METHOD(HRESULT, GetDevice, (UINT, IDevice**), (override));
};

class MockProfileManager : public StackObject<IProfileManager> {
public:
    MOCK_METHOD(HRESULT, GetProfile, (UINT, IProfile**), (override));
    MOCK_METHOD(HRESULT, GetProfileByGuid, (GUID, IProfile**), (override));
    MOCK_METHOD(HRESULT, SetActiveProfile, (IProfile*), (override));
    MOCK_METHOD(HRESULT, GetActiveProfile, (IProfile**), (override));
    MOCK_METHOD(HRESULT, CreateProfile, (IProfile**), (override));
    MOCK_METHOD(HRESULT, DeleteProfile, (IProfile*), (override));
    MOCK_METHOD(HRESULT, GetProfileCount, (UINT*), (override));
    MOCK_METHOD(HRESULT, ImportProfile, (LPCWSTR, IProfile**), (override));
};

class MockProfile : public StackObject<IProfile> {
public:
    MOCK_METHOD(HRESULT, GetFeature, (REFIID, void**), (override));
    MOCK_METHOD(HRESULT, GetGuid, (GUID*), (override));
    MOCK_METHOD(HRESULT, GetName, (WCHAR**), (override));
    MOCK_METHOD(HRESULT, SetName, (LPCWSTR), (override));
    MOCK_METHOD(HRESULT, IsActive, (BOOL*), (override));
    MOCK_METHOD(HRESULT, ExportToFile, (LPCWSTR), (override));
};

class MockButtons : public StackObject<IButtonAssignments> {
public:
    MOCK_METHOD(HRESULT, GetAssignments, (INT*, DeviceButtonAssignment*), (override));
    MOCK_METHOD(HRESULT, SetAssignments, (INT, const DeviceButtonAssignment*), (override));
    MOCK_METHOD(HRESULT, GetButtonInfo, (ButtonInfo*), (override));
};

class MockProperties : public StackObject<IProfileProperties> {
public:
    MOCK_METHOD(HRESULT, GetProperty, (DWORD, DWORD, void*, DWORD, DWORD*), (override));
    MOCK_METHOD(HRESULT, SetProperty, (DWORD, const void*, DWORD, DWORD, DWORD), (override));
};

class MockDpi : public StackObject<IDPI> {
public:
    MOCK_METHOD(HRESULT, GetDpi, (INT*, INT*), (override));
    MOCK_METHOD(HRESULT, SetDpi, (INT, INT), (override));
    MOCK_METHOD(HRESULT, GetStageLimits, (INT*, INT*), (override));
    MOCK_METHOD(HRESULT, GetActiveStage, (INT*), (override));
    MOCK_METHOD(HRESULT, SetActiveStage, (INT), (override));
    MOCK_METHOD(HRESULT, GetStages, (INT*, DeviceDpiStage**), (override));
    MOCK_METHOD(HRESULT, SetStages, (INT, const DeviceDpiStage*), (override));
    MOCK_METHOD(HRESULT, GetDpiRange, (INT*, INT*, INT*), (override));
};

class MockPollingRate : public StackObject<IPollingRate> {
public:
    MOCK_METHOD(HRESULT, Get, (INT*), (override));
    MOCK_METHOD(HRESULT, Set, (INT), (override));
    MOCK_METHOD(HRESULT, GetSupported, (INT*, INT**), (override));
};

class MockMacroManager : public StackObject<IMacroManager> {
public:
    MOCK_METHOD(HRESULT, GetMacro, (UINT, IMacro**), (override));
    MOCK_METHOD(HRESULT, GetMacroByGuid, (GUID, IMacro**), (override));
    MOCK_METHOD(HRESULT, CreateMacro, (IMacro**), (override));
    MOCK_METHOD(HRESULT, DeleteMacro, (IMacro*), (override));
    MOCK_METHOD(HRESULT, GetMacroCount, (UINT*), (override));
    MOCK_METHOD(HRESULT, ImportMacro, (LPCWSTR, IMacro**), (override));
};

class MockMacro : public StackObject<IMacro> {
public:
    MOCK_METHOD(HRESULT, GetGuid, (GUID*), (override));
    MOCK_METHOD(HRESULT, GetName, (WCHAR**), (override));
    MOCK_METHOD(HRESULT, SetName, (LPCWSTR), (override));
    MOCK_METHOD(HRESULT, ExportToFile, (LPCWSTR), (override));
    MOCK_METHOD(HRESULT, GetEvents, (BYTE**), (override));
    MOCK_METHOD(HRESULT, SetEvents, (const BYTE*), (override));
};

// Hands out the fake service to CoCreateInstance while registered.
class FakeFactory : public StackObject<IClassFactory> {
public:
    explicit FakeFactory(IDeviceService* service) : m_service(service) {
        CoRegisterClassObject(CLSID_DeviceService, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                              &m_cookie);
    }
    ~FakeFactory() { CoRevokeClassObject(m_cookie); }
    FakeFactory(const FakeFactory&) = delete;
    FakeFactory& operator=(const FakeFactory&) = delete;
    HRESULT CreateInstance(IUnknown*, REFIID riid, void** out) override {
        return m_service->QueryInterface(riid, out);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
    int created = 0;

private:
    IDeviceService* m_service;
    DWORD m_cookie = 0;
};

template <class T> HRESULT Hand(T* object, void** out) {
    object->AddRef();
    *out = object;
    return S_OK;
}

WCHAR* TaskString(const WCHAR* text) {
    const size_t bytes = (std::char_traits<WCHAR>::length(text) + 1) * sizeof(WCHAR);
    auto* copy = static_cast<WCHAR*>(CoTaskMemAlloc(bytes));
    std::memcpy(copy, text, bytes);
    return copy;
}

auto Info(INT productId, INT versionAMajor) {
    return [=](DeviceInfo* info) {
        info->productId = productId;
        info->versionAMajor = versionAMajor;
        info->versionAMinor = 1;
        info->text = TaskString(u"fake");
        return S_OK;
    };
}

constexpr GUID kProfileGuid{0xABCDEF01, 0x2345, 0x6789, {1, 1, 2, 3, 5, 8, 13, 21}};

class FakeServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetExeFolder(std::filesystem::temp_directory_path());
        m_blocks = CoTaskMemOutstanding();
    }
    void TearDown() override {
        EXPECT_EQ(CoTaskMemOutstanding(), m_blocks) << "task-allocator blocks left";
    }
    long m_blocks = 0;
};

TEST_F(FakeServiceTest, FirstDeviceWithTheProductIdIsUsed) {
    NiceMock<MockService> service;
    MockDevice other;
    MockDevice first;
    MockDevice second;
    FakeFactory factory(&service);
    EXPECT_CALL(service, GetDevice(_, _))
        .WillRepeatedly(Invoke([&](UINT index, IDevice** out) -> HRESULT {
            IDevice* devices[] = {&other, &first, &second};
            if (index >= 3) {
                *out = nullptr;
                return E_FAIL;
            }
            return Hand(devices[index], reinterpret_cast<void**>(out));
        }));
    EXPECT_CALL(other, GetInfo(_)).WillRepeatedly(Invoke(Info(0x1F, 9)));
    EXPECT_CALL(first, GetInfo(_)).WillRepeatedly(Invoke(Info(0x1E, 2)));
    EXPECT_CALL(second, GetInfo(_)).Times(0);
    EXPECT_CALL(first, GetFeature(_, _)).WillRepeatedly(Return(E_NOINTERFACE));

    CBorvantaConfig config;
    {
        CMouse mouse;
        const WORD id = BORVANTA_PRODUCT_ID;
        EXPECT_FALSE(mouse.Initialize(&config, &id)); // the fake has no features
        EXPECT_TRUE(mouse.IsDeviceFound());
        CString version;
        mouse.GetVersionA(version);
        EXPECT_EQ(version, CString(u"2.01")); // read from the first matching device
        EXPECT_FALSE(mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL));
    }
    // Every reference handed out was released again.
    EXPECT_EQ(service.refs, 0u);
    EXPECT_EQ(other.refs, 0u);
    EXPECT_EQ(first.refs, 0u);
}

TEST_F(FakeServiceTest, NoDeviceMeansNotFoundAndAFailedGetInfoIsSkipped) {
    NiceMock<MockService> service;
    MockDevice broken;
    FakeFactory factory(&service);
    EXPECT_CALL(service, GetDevice(0, _)).WillRepeatedly(Invoke([&](UINT, IDevice** out) {
        return Hand(&broken, reinterpret_cast<void**>(out));
    }));
    EXPECT_CALL(service, GetDevice(1, _)).WillRepeatedly(Return(E_FAIL));
    EXPECT_CALL(broken, GetInfo(_)).WillRepeatedly(Return(E_FAIL));
    CBorvantaConfig config;
    CMouse mouse;
    const WORD id = BORVANTA_PRODUCT_ID;
    EXPECT_FALSE(mouse.Initialize(&config, &id));
    EXPECT_FALSE(mouse.IsDeviceFound());
    EXPECT_FALSE(mouse.SyncDevice(&config, SYNC_WRITE, SECTION_ALL));
    EXPECT_FALSE(mouse.IsWriting());
    EXPECT_EQ(broken.refs, 0u);
}

// One device with one profile whose feature answers do not fit what the client gave.
class UntrustedCountsTest : public FakeServiceTest {
protected:
    void SetUp() override {
        FakeServiceTest::SetUp();
        ON_CALL(service, GetDevice(0, _)).WillByDefault(Invoke([&](UINT, IDevice** out) {
            return Hand(&device, reinterpret_cast<void**>(out));
        }));
        ON_CALL(service, GetDevice(1, _)).WillByDefault(Return(E_FAIL));
        ON_CALL(device, GetInfo(_)).WillByDefault(Invoke(Info(0x1E, 1)));
        ON_CALL(device, GetFeature(_, _))
            .WillByDefault(Invoke([&](REFIID riid, void** out) -> HRESULT {
                if (IsEqualIID(riid, IID_IProfileManager)) {
                    return Hand(&manager, out);
                }
                if (IsEqualIID(riid, IID_IPollingRate)) {
                    return Hand(&rate, out);
                }
                *out = nullptr;
                return E_NOINTERFACE;
            }));
        ON_CALL(manager, GetProfile(0, _)).WillByDefault(Invoke([&](UINT, IProfile** out) {
            return Hand(&profile, reinterpret_cast<void**>(out));
        }));
        ON_CALL(manager, GetProfile(1, _)).WillByDefault(Return(E_FAIL));
        ON_CALL(manager, GetActiveProfile(_)).WillByDefault(Invoke([&](IProfile** out) {
            return Hand(&profile, reinterpret_cast<void**>(out));
        }));
        ON_CALL(profile, GetName(_)).WillByDefault(Invoke([](WCHAR** out) {
            *out = TaskString(u"Profile");
            return S_OK;
        }));
        ON_CALL(profile, GetGuid(_)).WillByDefault(Invoke([](GUID* out) {
            *out = kProfileGuid;
            return S_OK;
        }));
        ON_CALL(profile, GetFeature(_, _))
            .WillByDefault(Invoke([&](REFIID riid, void** out) -> HRESULT {
                if (IsEqualIID(riid, IID_IButtonAssignments)) {
                    return Hand(&buttons, out);
                }
                if (IsEqualIID(riid, IID_IProfileProperties)) {
                    return Hand(&properties, out);
                }
                if (IsEqualIID(riid, IID_IDPI)) {
                    return Hand(&dpi, out);
                }
                *out = nullptr;
                return E_NOINTERFACE;
            }));
        ON_CALL(buttons, GetButtonInfo(_)).WillByDefault(Invoke([](ButtonInfo* info) {
            info->buttonCount = 1000; // more than the mask holds
            info->buttonMask = 0x7FF;
            return S_OK;
        }));
        ON_CALL(dpi, GetStageLimits(_, _)).WillByDefault(Invoke([](INT* low, INT* capacity) {
            *low = 1;
            *capacity = 5;
            return S_OK;
        }));
        ON_CALL(dpi, GetDpiRange(_, _, _)).WillByDefault(Invoke([](INT* low, INT* high, INT* step) {
            *low = 100;
            *high = 5600;
            *step = 100;
            return S_OK;
        }));
        ON_CALL(properties, GetProperty(_, _, _, _, _)).WillByDefault(Return(E_FAIL));
    }
    NiceMock<MockService> service;
    NiceMock<MockDevice> device;
    NiceMock<MockProfileManager> manager;
    NiceMock<MockProfile> profile;
    NiceMock<MockButtons> buttons;
    NiceMock<MockProperties> properties;
    NiceMock<MockDpi> dpi;
    NiceMock<MockPollingRate> rate;
    FakeFactory factory{&service};
};

TEST_F(UntrustedCountsTest, CountsAndSizesAreClampedToTheBuffers) {
    // Supported rates: a huge count is cut to what the client keeps; negative is refused.
    EXPECT_CALL(rate, GetSupported(_, _)).WillOnce(Invoke([](INT* count, INT** values) {
        *values = static_cast<INT*>(CoTaskMemAlloc(64 * sizeof(INT)));
        for (INT i = 0; i < 64; ++i) {
            (*values)[i] = i + 1;
        }
        *count = 1'000'000;
        return S_OK;
    }));
    // Assignments: the service claims more records than the buffer it was given.
    INT capacityGiven = 0;
    EXPECT_CALL(buttons, GetAssignments(_, _))
        .WillOnce(Invoke([&](INT* count, DeviceButtonAssignment* records) {
            capacityGiven = *count;
            for (INT i = 0; i < *count; ++i) {
                records[i] = {1, i + 1, ASSIGN_MOUSE, {}};
                records[i].data[0] = 11; // double-click
            }
            *count = 5000;
            return S_OK;
        }));
    // The program property: a size beyond the buffer and no terminator.
    EXPECT_CALL(properties, GetProperty(PROFILE_PROP_SWITCHES, _, _, _, _))
        .WillRepeatedly(Return(E_FAIL));
    EXPECT_CALL(properties, GetProperty(PROFILE_PROP_PROGRAM, _, _, _, _))
        .WillRepeatedly(Invoke([](DWORD, DWORD, void* buffer, DWORD, DWORD* size) {
            EXPECT_EQ(*size, 256u);
            std::memset(buffer, 'x', *size); // 0x7878 in every character
            *size = 100'000;
            return S_OK;
        }));

    CBorvantaConfig config;
    CMouse mouse;
    const WORD id = BORVANTA_PRODUCT_ID;
    mouse.Initialize(&config, &id);
    EXPECT_EQ(mouse.GetButtonBits().size(), 11u);
    EXPECT_EQ(mouse.GetSupportedRateCount(), 32u);
    EXPECT_EQ(mouse.GetSupportedRate(31), 32);
    ASSERT_EQ(config.GetProfileCount(), 1);

    EXPECT_TRUE(mouse.SyncDevice(&config, SYNC_READ, SECTION_BUTTONS));
    EXPECT_EQ(capacityGiven, 11);
    ButtonAssignment a;
    config.GetButtonAssignment(a, 3, config.GetProfile(0));
    EXPECT_EQ(a.kind, ASSIGNMENT_DOUBLE_CLICK);
    EXPECT_EQ(std::u16string_view(config.GetProfile(0)->GetExeName()).size(), 128u);
}

TEST_F(UntrustedCountsTest, NegativeCountsAndNullStringsAreFailures) {
    EXPECT_CALL(rate, GetSupported(_, _)).WillOnce(Invoke([](INT* count, INT** values) {
        *values = nullptr;
        *count = -5;
        return S_OK;
    }));
    ON_CALL(profile, GetName(_)).WillByDefault(Invoke([](WCHAR** out) {
        *out = nullptr; // success without a string
        return S_OK;
    }));
    ON_CALL(buttons, GetButtonInfo(_)).WillByDefault(Invoke([](ButtonInfo* info) {
        info->buttonCount = -3;
        info->buttonMask = 0x7FF;
        return S_OK;
    }));
    CBorvantaConfig config;
    CMouse mouse;
    const WORD id = BORVANTA_PRODUCT_ID;
    EXPECT_FALSE(mouse.Initialize(&config, &id));
    EXPECT_EQ(mouse.GetSupportedRateCount(), 0u);
    EXPECT_EQ(config.GetProfileCount(), 0); // a profile without a name is skipped
    EXPECT_TRUE(mouse.GetButtonBits().empty());
}

// A light that is its own colour interface, as the service's lights are.
class MockLight : public ILight, public ILightColor {
public:
    MockLight() = default;
    MockLight(const MockLight&) = delete;
    MockLight& operator=(const MockLight&) = delete;
    virtual ~MockLight() = default;
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_ILight) || IsEqualIID(riid, IID_IUnknown)) {
            *out = static_cast<ILight*>(this);
        } else if (IsEqualIID(riid, IID_ILightColor)) {
            *out = static_cast<ILightColor*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    MOCK_METHOD(HRESULT, TurnOn, (), (override));
    MOCK_METHOD(HRESULT, TurnOff, (), (override));
    MOCK_METHOD(HRESULT, IsOn, (BOOL*), (override));
    MOCK_METHOD(HRESULT, GetKind, (INT*), (override));
    MOCK_METHOD(HRESULT, SetColor, (COLORREF), (override));
    MOCK_METHOD(HRESULT, GetColor, (COLORREF*), (override));
    ULONG refs = 0;
};

class MockLightCollection : public StackObject<ILightCollection> {
public:
    MOCK_METHOD(HRESULT, GetItem, (UINT, ILight**), (override));
};

// Writes through the fake: one profile the configuration knows and that is active, every
// change accepted unless a test says otherwise, no device macros, and one scroll light.
class FakeWriteTest : public UntrustedCountsTest {
protected:
    void SetUp() override {
        UntrustedCountsTest::SetUp();
        ON_CALL(device, GetFeature(_, _))
            .WillByDefault(Invoke([&](REFIID riid, void** out) -> HRESULT {
                if (IsEqualIID(riid, IID_IProfileManager)) {
                    return Hand(&manager, out);
                }
                if (IsEqualIID(riid, IID_IMacroManager)) {
                    return Hand(&macros, out);
                }
                *out = nullptr;
                return E_NOINTERFACE;
            }));
        ON_CALL(profile, GetFeature(_, _))
            .WillByDefault(Invoke([&](REFIID riid, void** out) -> HRESULT {
                if (IsEqualIID(riid, IID_IButtonAssignments)) {
                    return Hand(&buttons, out);
                }
                if (IsEqualIID(riid, IID_IProfileProperties)) {
                    return Hand(&properties, out);
                }
                if (IsEqualIID(riid, IID_IDPI)) {
                    return Hand(&dpi, out);
                }
                if (IsEqualIID(riid, IID_ILightCollection)) {
                    return Hand(&lights, out);
                }
                *out = nullptr;
                return E_NOINTERFACE;
            }));
        ON_CALL(lights, GetItem(_, _)).WillByDefault(Invoke([&](UINT index, ILight** out) {
            if (index != 0) {
                *out = nullptr;
                return E_FAIL;
            }
            return Hand(static_cast<ILight*>(&scroll), reinterpret_cast<void**>(out));
        }));
        ON_CALL(scroll, GetKind(_)).WillByDefault(Invoke([](INT* kind) {
            *kind = LIGHT_KIND_SCROLL;
            return S_OK;
        }));
        ON_CALL(manager, GetProfileByGuid(_, _)).WillByDefault(Invoke([&](GUID, IProfile** out) {
            return Hand(&profile, reinterpret_cast<void**>(out));
        }));
        ON_CALL(properties, GetProperty(_, _, _, _, _))
            .WillByDefault(Invoke([](DWORD, DWORD, void*, DWORD, DWORD* size) {
                *size = 0;
                return S_OK;
            }));
        ON_CALL(macros, GetMacro(_, _)).WillByDefault(Return(E_FAIL));

        const WORD id = BORVANTA_PRODUCT_ID;
        mouse.Initialize(&config, &id);
        ASSERT_EQ(config.GetProfileCount(), 1);
        config.SetActiveProfile(config.GetProfile(0));
    }
    void TearDown() override {
        EXPECT_EQ(macros.refs, 0u);
        EXPECT_EQ(lights.refs, 0u);
        EXPECT_EQ(scroll.refs, 0u);
        UntrustedCountsTest::TearDown();
    }

    // Starts a write and waits for it; the last write's result.
    bool Write(int sections) {
        EXPECT_TRUE(mouse.SyncDevice(&config, SYNC_WRITE, sections));
        for (int i = 0; i < 20000 && mouse.IsWriting(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_FALSE(mouse.IsWriting());
        return mouse.GetLastWriteResult() != FALSE;
    }

    platform::ScopedVirtualClock clock;
    NiceMock<MockMacroManager> macros;
    NiceMock<MockLightCollection> lights;
    NiceMock<MockLight> scroll;
    CBorvantaConfig config;
    CMouse mouse;
};

TEST_F(FakeWriteTest, MacroTheDeviceCouldNotRemoveMakesTheWriteFail) {
    NiceMock<MockMacro> stray;
    // One device macro the configuration read and then dropped; its first removal fails.
    bool removed = false;
    ON_CALL(macros, GetMacro(_, _)).WillByDefault(Invoke([&](UINT index, IMacro** out) {
        if (index != 0 || removed) {
            *out = nullptr;
            return E_FAIL;
        }
        return Hand(&stray, reinterpret_cast<void**>(out));
    }));
    const GUID strayGuid{0x5EEDu, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    ON_CALL(stray, GetGuid(_)).WillByDefault(Invoke([&](GUID* out) {
        *out = strayGuid;
        return S_OK;
    }));
    ON_CALL(stray, GetName(_)).WillByDefault(Invoke([](WCHAR** out) {
        *out = TaskString(u"Stray");
        return S_OK;
    }));
    ON_CALL(stray, GetEvents(_)).WillByDefault(Invoke([](BYTE** out) {
        *out = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(MacroEventBlockHeader)));
        std::memset(*out, 0, sizeof(MacroEventBlockHeader));
        return S_OK;
    }));
    mouse.SyncDevice(&config, SYNC_READ, SECTION_MACROS);
    ASSERT_NE(config.FindMacroByGuid(strayGuid, nullptr), nullptr);
    config.DeleteMacro(config.FindMacroByGuid(strayGuid, nullptr), nullptr);
    EXPECT_CALL(macros, DeleteMacro(&stray)).WillOnce(Return(E_FAIL)).WillOnce(Invoke([&](IMacro*) {
        removed = true;
        return S_OK;
    }));
    EXPECT_FALSE(Write(0));
    EXPECT_TRUE(Write(0));
    EXPECT_EQ(stray.refs, 0u);
}

TEST_F(FakeWriteTest, LightChangesTheDeviceRefusedMakeTheWriteFail) {
    config.SetScrollLightOn(1, nullptr);
    config.SetScrollLightColor(RGB(10, 20, 30), nullptr);
    EXPECT_CALL(scroll, SetColor(RGB(10, 20, 30)))
        .WillOnce(Return(E_FAIL))
        .WillRepeatedly(Return(S_OK));
    EXPECT_CALL(scroll, TurnOn()).WillOnce(Return(S_OK)).WillOnce(Return(E_FAIL));
    EXPECT_FALSE(Write(SECTION_LIGHTS)); // the colour
    EXPECT_FALSE(Write(SECTION_LIGHTS)); // turning it on
    config.SetScrollLightOn(0, nullptr);
    EXPECT_CALL(scroll, TurnOff()).WillOnce(Return(S_OK));
    EXPECT_TRUE(Write(SECTION_LIGHTS));
}

TEST_F(FakeWriteTest, AnActiveStageTheDeviceRefusedMakesTheWriteFail) {
    config.SetActiveStage(2, nullptr);
    ON_CALL(dpi, GetActiveStage(_)).WillByDefault(Invoke([](INT* stage) {
        *stage = 4;
        return S_OK;
    }));
    EXPECT_CALL(dpi, SetActiveStage(2)).WillOnce(Return(E_FAIL)).WillOnce(Return(S_OK));
    EXPECT_FALSE(Write(SECTION_SENSITIVITY));
    EXPECT_TRUE(Write(SECTION_SENSITIVITY));
}

TEST_F(UntrustedCountsTest, ProfileImportWithoutAReadableNameIsUndoneOnTheDevice) {
    CBorvantaConfig config;
    CMouse mouse;
    const WORD id = BORVANTA_PRODUCT_ID;
    mouse.Initialize(&config, &id);
    ASSERT_EQ(config.GetProfileCount(), 1);

    NiceMock<MockProfile> imported;
    EXPECT_CALL(manager, ImportProfile(_, _)).WillOnce(Invoke([&](LPCWSTR, IProfile** out) {
        return Hand(&imported, reinterpret_cast<void**>(out));
    }));
    EXPECT_CALL(imported, GetName(_)).WillRepeatedly(Return(E_FAIL));
    // The device does not keep a profile the configuration never got.
    EXPECT_CALL(manager, DeleteProfile(&imported)).WillOnce(Return(S_OK));
    EXPECT_FALSE(mouse.ImportProfile(CString(u"/nowhere/profile.qmp"), &config));
    EXPECT_EQ(config.GetProfileCount(), 1);
    EXPECT_EQ(imported.refs, 0u);
}

} // namespace
