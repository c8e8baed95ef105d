#include "service/ServiceObjects.h"

#include "platform/base/WideChar.h"
#include "platform/com/ObjBase.h"
#include "service/ServiceFiles.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace service {

HRESULT DeviceBound::CheckDevice(Transaction& tx) const {
    const DeviceSettings d = tx.Device();
    return d.plugged && d.generation == m_generation ? S_OK : E_NOT_CONNECTED;
}

HRESULT ProfileBound::Load(Transaction& tx, ProfileState& out) const {
    if (const HRESULT hr = CheckDevice(tx); FAILED(hr)) {
        return hr;
    }
    auto p = tx.Profile(m_guid);
    if (!p) {
        return E_NOT_FOUND;
    }
    out = std::move(*p);
    return S_OK;
}

HRESULT ProfileBound::Modify(const std::function<HRESULT(Transaction&, ProfileState&)>& change) {
    return m_store->Write([&](Transaction& tx) -> HRESULT {
        ProfileState p;
        if (const HRESULT hr = Load(tx, p); FAILED(hr)) {
            return hr;
        }
        const HRESULT hr = change(tx, p);
        if (SUCCEEDED(hr)) {
            tx.SaveProfile(p);
        }
        return hr;
    });
}

HRESULT ProfileBound::Inspect(const std::function<HRESULT(const ProfileState&)>& look) {
    return m_store->Read([&](Transaction& tx) -> HRESULT {
        ProfileState p;
        if (const HRESULT hr = Load(tx, p); FAILED(hr)) {
            return hr;
        }
        return look(p);
    });
}

HRESULT LazyConnectionPoint::Find(Store& store, REFIID iid, IConnectionPoint** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (iid != m_iid) {
        return CONNECT_E_NOCONNECTION;
    }
    std::lock_guard lock(m_mutex);
    if (!m_cp) {
        Store* s = &store;
        m_cp =
            std::make_unique<CConnectionPoint>(m_owner, m_iid, store.Connections(m_kind, m_source),
                                               [s] { return s->CurrentEventSeq(); });
    }
    *out = m_cp.get();
    m_cp->AddRef();
    return S_OK;
}

WCHAR* AllocString(const std::u16string& text) {
    auto* s = static_cast<WCHAR*>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
    if (s) {
        std::memcpy(s, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    }
    return s;
}

void ResetDanglingAssignments(Transaction& tx) {
    const auto profiles = tx.ProfileGuids();
    const auto macros = tx.MacroGuids();
    const std::set<GUID> profileSet(profiles.begin(), profiles.end());
    const std::set<GUID> macroSet(macros.begin(), macros.end());
    for (const GUID& g : profiles) {
        auto p = tx.Profile(g);
        if (!p) {
            continue;
        }
        bool changed = false;
        for (auto& record : p->buttons) {
            const auto m = MacroReference(record);
            const auto r = ProfileReference(record);
            if ((m && !macroSet.count(*m)) || (r && !profileSet.count(*r))) {
                record = DefaultAssignment(record.button);
                changed = true;
            }
        }
        if (changed) {
            tx.SaveProfile(*p);
        }
    }
}

INT ProfileIndex(Transaction& tx, const GUID& guid) {
    const auto guids = tx.ProfileGuids();
    auto it = std::find(guids.begin(), guids.end(), guid);
    return it == guids.end() ? -1 : static_cast<INT>(it - guids.begin());
}

namespace {

// ---- IProfileManager ---------------------------------------------------------------------

class CProfileManager final : public IProfileManager,
                              public IConnectionPointContainer,
                              public ComObjectBase,
                              private DeviceBound {
public:
    CProfileManager(std::shared_ptr<Store> store, INT generation)
        : DeviceBound(std::move(store), generation),
          m_cp(static_cast<IProfileManager*>(this), DIID_IProfileManagerEvents2, EventKind::Manager,
               GUID_NULL) {}

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IProfileManager) {
            return ComAnswer(static_cast<IProfileManager*>(this), out);
        }
        if (riid == IID_IConnectionPointContainer) {
            return ComAnswer(static_cast<IConnectionPointContainer*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        return m_cp.Find(*m_store, iid, out);
    }

    HRESULT GetProfile(UINT index, IProfile** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        GUID guid{};
        const HRESULT hr = m_store->Read([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            const auto guids = tx.ProfileGuids();
            if (index >= guids.size()) {
                return E_NOT_FOUND;
            }
            guid = guids[index];
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        return NewProfileObject(m_store, m_generation, guid, IID_IProfile,
                                reinterpret_cast<void**>(out));
    }

    HRESULT GetProfileByGuid(GUID guid, IProfile** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        const HRESULT hr = m_store->Read([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            return tx.Profile(guid) ? S_OK : E_NOT_FOUND;
        });
        if (FAILED(hr)) {
            return hr;
        }
        return NewProfileObject(m_store, m_generation, guid, IID_IProfile,
                                reinterpret_cast<void**>(out));
    }

    HRESULT SetActiveProfile(IProfile* profile) override {
        if (!profile) {
            return E_POINTER;
        }
        GUID guid{};
        if (const HRESULT hr = profile->GetGuid(&guid); FAILED(hr)) {
            return hr;
        }
        return m_store->Write([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            const INT index = ProfileIndex(tx, guid);
            if (index < 0) {
                return E_NOT_FOUND;
            }
            DeviceSettings d = tx.Device();
            if (d.active != guid) {
                d.active = guid;
                tx.SaveDevice(d);
                tx.AddEvent(EventKind::Manager, GUID_NULL, PROFILE_MANAGER_EVENT_ACTIVE, index);
                tx.MarkProfilesChanged();
            }
            return S_OK;
        });
    }

    HRESULT GetActiveProfile(IProfile** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        GUID guid{};
        const HRESULT hr = m_store->Read([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            guid = tx.Device().active;
            return tx.Profile(guid) ? S_OK : E_NOT_FOUND;
        });
        if (FAILED(hr)) {
            return hr;
        }
        return NewProfileObject(m_store, m_generation, guid, IID_IProfile,
                                reinterpret_cast<void**>(out));
    }

    HRESULT CreateProfile(IProfile** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        GUID guid{};
        const HRESULT hr = m_store->Write([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            const auto guids = tx.ProfileGuids();
            if (guids.size() >= DEVICE_MAX_PROFILES) {
                return E_FULL;
            }
            std::set<std::u16string> names;
            for (const auto& g : guids) {
                names.insert(tx.Profile(g)->name);
            }
            std::u16string name;
            for (int n = 1;; ++n) {
                name = u"Profile " + Widen(std::to_string(n));
                if (!names.count(name)) {
                    break;
                }
            }
            ProfileState p = DefaultProfile(name);
            guid = p.guid;
            tx.SaveProfile(p);
            tx.AddEvent(EventKind::Manager, GUID_NULL, PROFILE_MANAGER_EVENT_CHANGED,
                        static_cast<INT>(guids.size()));
            tx.MarkProfilesChanged();
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        return NewProfileObject(m_store, m_generation, guid, IID_IProfile,
                                reinterpret_cast<void**>(out));
    }

    HRESULT DeleteProfile(IProfile* profile) override {
        if (!profile) {
            return E_POINTER;
        }
        GUID guid{};
        if (const HRESULT hr = profile->GetGuid(&guid); FAILED(hr)) {
            return hr;
        }
        return m_store->Write([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            const INT index = ProfileIndex(tx, guid);
            if (index < 0) {
                return E_NOT_FOUND;
            }
            if (tx.Device().active == guid) {
                return E_ACCESSDENIED;
            }
            tx.DeleteProfile(guid);
            ResetDanglingAssignments(tx);
            tx.AddEvent(EventKind::Manager, GUID_NULL, PROFILE_MANAGER_EVENT_REMOVED, index);
            tx.MarkProfilesChanged();
            return S_OK;
        });
    }

    HRESULT GetProfileCount(UINT* count) override {
        if (!count) {
            return E_POINTER;
        }
        UINT n = 0;
        const HRESULT hr = m_store->Read([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            n = static_cast<UINT>(tx.ProfileGuids().size());
            return S_OK;
        });
        if (SUCCEEDED(hr)) {
            *count = n;
        }
        return hr;
    }

    HRESULT ImportProfile(LPCWSTR path, IProfile** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (!path) {
            return E_POINTER;
        }
        ProfileState p;
        if (const HRESULT hr = ReadProfileFile(path, p); FAILED(hr)) {
            return hr;
        }
        p.guid = NewGuid();
        const HRESULT hr = m_store->Write([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            const auto guids = tx.ProfileGuids();
            if (guids.size() >= DEVICE_MAX_PROFILES) {
                return E_FULL;
            }
            tx.SaveProfile(p);
            ResetDanglingAssignments(tx); // references to macros or profiles not here
            tx.AddEvent(EventKind::Manager, GUID_NULL, PROFILE_MANAGER_EVENT_CHANGED,
                        static_cast<INT>(guids.size()));
            tx.MarkProfilesChanged();
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        return NewProfileObject(m_store, m_generation, p.guid, IID_IProfile,
                                reinterpret_cast<void**>(out));
    }

private:
    LazyConnectionPoint m_cp;
};

// ---- IPollingRate, IAcceleration -------------------------------------------------------------

class CPollingRate final : public IPollingRate, public ComObjectBase, private DeviceBound {
public:
    using DeviceBound::DeviceBound;
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IPollingRate) {
            return ComAnswer(static_cast<IPollingRate*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

    HRESULT Get(INT* value) override {
        if (!value) {
            return E_POINTER;
        }
        INT v = 0;
        const HRESULT hr = m_store->Read([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            v = tx.Device().pollingRate;
            return S_OK;
        });
        if (SUCCEEDED(hr)) {
            *value = v;
        }
        return hr;
    }
    HRESULT Set(INT value) override {
        if (std::find(kSupportedRates.begin(), kSupportedRates.end(), value) ==
            kSupportedRates.end()) {
            return E_INVALIDARG;
        }
        return m_store->Write([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            DeviceSettings d = tx.Device();
            d.pollingRate = value;
            tx.SaveDevice(d);
            return S_OK;
        });
    }
    HRESULT GetSupported(INT* count, INT** values) override {
        if (!values) {
            return E_POINTER;
        }
        *values = nullptr;
        if (!count) {
            return E_POINTER;
        }
        const HRESULT hr = m_store->Read([&](Transaction& tx) { return CheckDevice(tx); });
        if (FAILED(hr)) {
            return hr;
        }
        auto* array = static_cast<INT*>(CoTaskMemAlloc(sizeof(INT) * kSupportedRates.size()));
        if (!array) {
            return E_OUTOFMEMORY;
        }
        std::copy(kSupportedRates.begin(), kSupportedRates.end(), array);
        *values = array;
        *count = static_cast<INT>(kSupportedRates.size());
        return S_OK;
    }
};

class CAcceleration final : public IAcceleration, public ComObjectBase, private DeviceBound {
public:
    using DeviceBound::DeviceBound;
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IAcceleration) {
            return ComAnswer(static_cast<IAcceleration*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

    HRESULT Enable() override {
        return Change([](DeviceSettings& d) { d.accelEnabled = true; });
    }
    HRESULT Disable() override {
        return Change([](DeviceSettings& d) { d.accelEnabled = false; });
    }
    HRESULT IsEnabled(BOOL* enabled) override {
        if (!enabled) {
            return E_POINTER;
        }
        DeviceSettings d;
        const HRESULT hr = Look(d);
        if (SUCCEEDED(hr)) {
            *enabled = d.accelEnabled ? TRUE : FALSE;
        }
        return hr;
    }
    HRESULT SetLevel(INT level) override {
        if (level < DEVICE_ACCEL_MIN || level > DEVICE_ACCEL_MAX) {
            return E_INVALIDARG;
        }
        return Change([level](DeviceSettings& d) { d.accelLevel = level; });
    }
    HRESULT GetLevel(INT* level) override {
        if (!level) {
            return E_POINTER;
        }
        DeviceSettings d;
        const HRESULT hr = Look(d);
        if (SUCCEEDED(hr)) {
            *level = d.accelLevel;
        }
        return hr;
    }

private:
    HRESULT Change(const std::function<void(DeviceSettings&)>& f) {
        return m_store->Write([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            DeviceSettings d = tx.Device();
            f(d);
            tx.SaveDevice(d);
            return S_OK;
        });
    }
    HRESULT Look(DeviceSettings& out) {
        return m_store->Read([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            out = tx.Device();
            return S_OK;
        });
    }
};

// ---- IDevice, IDeviceService ---------------------------------------------------------------

class CDevice final : public IDevice,
                      public IDeviceIdentity,
                      public ComObjectBase,
                      private DeviceBound {
public:
    using DeviceBound::DeviceBound;
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IDevice) {
            return ComAnswer(static_cast<IDevice*>(this), out);
        }
        if (riid == IID_IDeviceIdentity) {
            return ComAnswer(static_cast<IDeviceIdentity*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

    HRESULT GetInfo(DeviceInfo* info) override {
        if (!info) {
            return E_POINTER;
        }
        const HRESULT hr = m_store->Read([&](Transaction& tx) { return CheckDevice(tx); });
        if (FAILED(hr)) {
            return hr;
        }
        WCHAR* text = AllocString(u"Borvanta 5600 (virtual mouse)");
        if (!text) {
            return E_OUTOFMEMORY;
        }
        info->firstValue = DEVICE_VENDOR_ID;
        info->productId = DEVICE_PRODUCT_ID;
        info->versionBMajor = 1;
        info->versionBMinor = 5;
        info->versionAMajor = 2;
        info->versionAMinor = 10;
        info->text = text;
        return S_OK;
    }

    HRESULT GetFeature(REFIID id, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        const HRESULT hr = m_store->Read([&](Transaction& tx) { return CheckDevice(tx); });
        if (FAILED(hr)) {
            return hr;
        }
        IUnknown* object = nullptr;
        if (id == IID_IProfileManager) {
            object = static_cast<IProfileManager*>(new CProfileManager(m_store, m_generation));
        } else if (id == IID_IPollingRate) {
            object = static_cast<IPollingRate*>(new CPollingRate(m_store, m_generation));
        } else if (id == IID_IAcceleration) {
            object = static_cast<IAcceleration*>(new CAcceleration(m_store, m_generation));
        } else if (id == IID_IMacroManager) {
            return NewMacroManager(m_store, m_generation, id, out);
        } else {
            return E_NOINTERFACE;
        }
        const HRESULT q = object->QueryInterface(id, out);
        object->Release();
        return q;
    }

    HRESULT GetIds(INT* firstValue, INT* productId) override {
        if (!firstValue || !productId) {
            return E_POINTER;
        }
        const HRESULT hr = m_store->Read([&](Transaction& tx) { return CheckDevice(tx); });
        if (SUCCEEDED(hr)) {
            *firstValue = DEVICE_VENDOR_ID;
            *productId = DEVICE_PRODUCT_ID;
        }
        return hr;
    }
};

class CDeviceService final : public IDeviceService, public ComObjectBase {
public:
    explicit CDeviceService(std::shared_ptr<Store> store) : m_store(std::move(store)) {}
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IDeviceService) {
            return ComAnswer(static_cast<IDeviceService*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

    HRESULT GetDevice(UINT index, IDevice** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        INT generation = 0;
        const HRESULT hr = m_store->Read([&](Transaction& tx) -> HRESULT {
            const DeviceSettings d = tx.Device();
            if (!d.plugged || index != 0) {
                return E_NOT_FOUND;
            }
            generation = d.generation;
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        *out = new CDevice(m_store, generation);
        return S_OK;
    }

private:
    std::shared_ptr<Store> m_store;
};

} // namespace

HRESULT CreateDeviceService(REFIID riid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    auto store = Store::Get();
    if (!store) {
        return E_FAIL;
    }
    auto* service = new CDeviceService(std::move(store));
    const HRESULT hr = service->QueryInterface(riid, out);
    service->Release();
    return hr;
}

} // namespace service
