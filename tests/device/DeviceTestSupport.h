#pragma once
// Shared helpers of the device client tests: a private virtual mouse (database and registry
// hive in a temporary folder) per test, a direct line to the service for checking what the
// client wrote, and the physical side of the mouse (unplugging, faults).

#include "device/DeviceServiceApi.h"
#include "device/Mouse.h"
#include "model/BorvantaConfig.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/ui/Clock.h"
#include "service/MouseControl.h"
#include "tests/support/ServiceSandboxTest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

namespace devicetest {

class DeviceTest : public testsupport::ServiceSandboxTest {
protected:
    DeviceTest() : ServiceSandboxTest("borvanta-dev-") {}

    std::u16string PathIn(const char* name) const { return (m_dir / name).u16string(); }

    // Initialises a device object against a configuration and reads everything.
    static void OpenAndRead(CMouse& mouse, CBorvantaConfig& config) {
        const WORD id = BORVANTA_PRODUCT_ID;
        ASSERT_TRUE(mouse.Initialize(&config, &id));
        ASSERT_TRUE(mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL));
    }

    // Starts a write and waits for it (the settle pause runs on the virtual clock).
    static bool WriteAndWait(CMouse& mouse, IMouseConfig& config, int sections) {
        if (!mouse.SyncDevice(&config, SYNC_WRITE, sections)) {
            return false;
        }
        WaitIdle(mouse);
        return mouse.GetLastWriteResult() != FALSE;
    }

    static void WaitIdle(const CMouse& mouse) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (mouse.IsWriting() && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(mouse.IsWriting());
    }

    platform::ScopedVirtualClock m_clock;
};

// A direct connection to the virtual mouse, to look at what the client wrote.
struct Direct {
    Direct() {
        CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                         reinterpret_cast<void**>(&service));
        if (service) {
            service->GetDevice(0, &device);
        }
    }
    template <class T> CComPtr<T> Feature() {
        CComPtr<T> out;
        if (device) {
            device->GetFeature(uuidof<T>(), reinterpret_cast<void**>(&out));
        }
        return out;
    }
    template <class T> static CComPtr<T> Feature(IProfile* profile) {
        CComPtr<T> out;
        profile->GetFeature(uuidof<T>(), reinterpret_cast<void**>(&out));
        return out;
    }
    CComPtr<IProfile> Profile(UINT index) {
        CComPtr<IProfile> out;
        if (auto manager = Feature<IProfileManager>()) {
            manager->GetProfile(index, &out);
        }
        return out;
    }
    UINT ProfileCount() {
        UINT count = 0;
        if (auto manager = Feature<IProfileManager>()) {
            manager->GetProfileCount(&count);
        }
        return count;
    }
    UINT MacroCount() {
        UINT count = 0;
        if (auto manager = Feature<IMacroManager>()) {
            manager->GetMacroCount(&count);
        }
        return count;
    }
    GUID ActiveGuid() {
        GUID guid{};
        CComPtr<IProfile> active;
        if (auto manager = Feature<IProfileManager>();
            manager && SUCCEEDED(manager->GetActiveProfile(&active))) {
            active->GetGuid(&guid);
        }
        return guid;
    }
    static std::u16string NameOf(IProfile* profile) {
        WCHAR* name = nullptr;
        if (FAILED(profile->GetName(&name))) {
            return u"<failed>";
        }
        std::u16string s(name);
        CoTaskMemFree(name);
        return s;
    }
    static std::u16string NameOf(IMacro* macro) {
        WCHAR* name = nullptr;
        if (FAILED(macro->GetName(&name))) {
            return u"<failed>";
        }
        std::u16string s(name);
        CoTaskMemFree(name);
        return s;
    }
    static GUID GuidOf(IProfile* profile) {
        GUID guid{};
        profile->GetGuid(&guid);
        return guid;
    }

    CComPtr<IDeviceService> service;
    CComPtr<IDevice> device;
};

inline GUID GuidOf(const IMouseProfile* profile) {
    GUID guid{};
    profile->GetGuid(guid);
    return guid;
}

// The physical side of the mouse: what the command line does to it.
inline void InjectFault(service::Fault fault, INT count) {
    service::MouseControl control;
    ASSERT_TRUE(control.IsOpen());
    ASSERT_EQ(control.InjectFault(fault, count), S_OK);
}

inline void SetPlugged(bool plugged) {
    service::MouseControl control;
    ASSERT_TRUE(control.IsOpen());
    ASSERT_EQ(control.SetPlugged(plugged), S_OK);
}

} // namespace devicetest
