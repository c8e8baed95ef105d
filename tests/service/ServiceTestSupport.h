#pragma once
// Shared helpers of the service tests: a private database and registry per test, the
// service's entry points, and sinks that record events.

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ObjBase.h"
#include "platform/ui/Clock.h"
#include "platform/ui/ThreadQueue.h"
#include "service/DeviceService.h"
#include "tests/support/ServiceSandboxTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace servicetest {

// Every test gets its own database and registry hive (see ServiceSandboxTest).
class ServiceTest : public testsupport::ServiceSandboxTest {
protected:
    ServiceTest() : ServiceSandboxTest("borvanta-svc-") {}
};

inline CComPtr<IDeviceService> CreateService() {
    CComPtr<IDeviceService> service;
    EXPECT_EQ(CoCreateInstance(CLSID_DeviceService, nullptr, 0x17, IID_IDeviceService,
                               reinterpret_cast<void**>(&service)),
              S_OK);
    return service;
}

inline CComPtr<IDevice> FirstDevice(IDeviceService* service) {
    CComPtr<IDevice> device;
    EXPECT_EQ(service->GetDevice(0, &device), S_OK);
    return device;
}

template <class T> CComPtr<T> Feature(IDevice* device) {
    CComPtr<T> out;
    EXPECT_EQ(device->GetFeature(uuidof<T>(), reinterpret_cast<void**>(&out)), S_OK);
    return out;
}

template <class T> CComPtr<T> Feature(IProfile* profile) {
    CComPtr<T> out;
    EXPECT_EQ(profile->GetFeature(uuidof<T>(), reinterpret_cast<void**>(&out)), S_OK);
    return out;
}

// The virtual mouse as the tests reach it: the service, its device and the profile manager.
struct ServiceMouse {
    CComPtr<IDeviceService> service = CreateService();
    CComPtr<IDevice> device = FirstDevice(service);
    CComPtr<IProfileManager> manager = Feature<IProfileManager>(device);
    CComPtr<IProfile> Active() {
        CComPtr<IProfile> p;
        EXPECT_EQ(manager->GetActiveProfile(&p), S_OK);
        return p;
    }
};

inline std::u16string NameOf(IProfile* p) {
    WCHAR* name = nullptr;
    if (FAILED(p->GetName(&name))) {
        return u"<failed>";
    }
    std::u16string s(name);
    CoTaskMemFree(name);
    return s;
}

// Runs the calling thread's queued callbacks until pred holds (at most five seconds).
template <class Pred> bool PumpUntil(Pred pred, int ms = 5000) {
    auto queue = platform::ThreadQueue::Current();
    for (int waited = 0; waited < ms; waited += 10) {
        const std::uint64_t wakeups = queue->WakeCount();
        queue->RunIncoming();
        if (pred()) {
            return true;
        }
        queue->Wait(platform::GetClock().NowMs() + 10, wakeups);
    }
    queue->RunIncoming();
    return pred();
}

// Pumps for a while, for checks that nothing (more) arrives.
inline void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

struct EventLog {
    struct Entry {
        char kind; // 'd' dpi, 'p' profile, 'm' manager
        int a;
        int b;
        DWORD thread;
        friend bool operator==(const Entry& x, const Entry& y) {
            return x.kind == y.kind && x.a == y.a && x.b == y.b;
        }
    };
    std::vector<Entry> entries;
};

// One sink for all three event interfaces.
class RecordingSink final : public _IDPIEvents,
                            public _IProfileEvents,
                            public _IProfileManagerEvents2 {
public:
    explicit RecordingSink(EventLog& log) : m_log(log) {}
    virtual ~RecordingSink() = default;
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == DIID_IDPIEvents) {
            *out = static_cast<_IDPIEvents*>(this);
        } else if (riid == DIID_IProfileEvents) {
            *out = static_cast<_IProfileEvents*>(this);
        } else if (riid == DIID_IProfileManagerEvents2) {
            *out = static_cast<_IProfileManagerEvents2*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        ++refs;
        return S_OK;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override {
        const int left = --refs;
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }
    HRESULT OnDpiChanged(INT x, INT y) override {
        m_log.entries.push_back({'d', x, y, GetCurrentThreadId()});
        return S_OK;
    }
    HRESULT OnProfileEvent(INT flags, INT value, INT, INT, INT) override {
        m_log.entries.push_back({'p', flags, value, GetCurrentThreadId()});
        return S_OK;
    }
    HRESULT OnProfileManagerEvent(INT flags, INT index, INT, INT, INT) override {
        m_log.entries.push_back({'m', flags, index, GetCurrentThreadId()});
        return S_OK;
    }
    int refs = 1;

private:
    EventLog& m_log;
};

// Advises sink on source's connection point for iid; returns the cookie (0 on failure).
inline DWORD Advise(IUnknown* source, REFIID iid, IUnknown* sink) {
    CComPtr<IConnectionPointContainer> container;
    if (FAILED(source->QueryInterface(IID_IConnectionPointContainer,
                                      reinterpret_cast<void**>(&container)))) {
        return 0;
    }
    CComPtr<IConnectionPoint> cp;
    if (FAILED(container->FindConnectionPoint(iid, &cp))) {
        return 0;
    }
    DWORD cookie = 0;
    return SUCCEEDED(cp->Advise(sink, &cookie)) ? cookie : 0;
}

inline DWORD Advise(IUnknown* source, REFIID iid, RecordingSink* sink) {
    return Advise(source, iid, static_cast<_IDPIEvents*>(sink));
}

inline HRESULT Unadvise(IUnknown* source, REFIID iid, DWORD cookie) {
    CComPtr<IConnectionPointContainer> container;
    HRESULT hr =
        source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    if (FAILED(hr)) {
        return hr;
    }
    CComPtr<IConnectionPoint> cp;
    hr = container->FindConnectionPoint(iid, &cp);
    return FAILED(hr) ? hr : cp->Unadvise(cookie);
}

} // namespace servicetest
