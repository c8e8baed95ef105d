// The profile object and its features: properties, sensitivity, buttons and lights.

#include "platform/com/ObjBase.h"
#include "service/ServiceFiles.h"
#include "service/ServiceObjects.h"

#include <algorithm>
#include <cstring>

namespace service {

namespace {

constexpr HRESULT E_MORE_DATA = MakeHResult(0x800700EAu);

#define SERVICE_IUNKNOWN                                                                           \
    ULONG AddRef() override {                                                                      \
        return InternalAddRef();                                                                   \
    }                                                                                              \
    ULONG Release() override {                                                                     \
        return InternalRelease();                                                                  \
    }

// ---- IProfile ------------------------------------------------------------------------------

class CProfile final : public IProfile,
                       public IProfileEx,
                       public IConnectionPointContainer,
                       public ComObjectBase,
                       private ProfileBound {
public:
    CProfile(std::shared_ptr<Store> store, INT generation, const GUID& guid)
        : ProfileBound(std::move(store), generation, guid),
          m_cp(static_cast<IProfile*>(this), DIID_IProfileEvents, EventKind::Profile, guid) {}

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IProfile) {
            return ComAnswer(static_cast<IProfile*>(this), out);
        }
        if (riid == IID_IProfileEx) {
            return ComAnswer(static_cast<IProfileEx*>(this), out);
        }
        if (riid == IID_IConnectionPointContainer) {
            return ComAnswer(static_cast<IConnectionPointContainer*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SERVICE_IUNKNOWN

    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        return m_cp.Find(*m_store, iid, out);
    }

    HRESULT GetFeature(REFIID id, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        const HRESULT hr = Inspect([](const ProfileState&) { return S_OK; });
        if (FAILED(hr)) {
            return hr;
        }
        if (id == IID_IProfileEx) {
            return QueryInterface(id, out);
        }
        return NewProfileFeature(m_store, m_generation, m_guid, id, out);
    }

    HRESULT GetGuid(GUID* guid) override {
        if (!guid) {
            return E_POINTER;
        }
        const HRESULT hr = Inspect([](const ProfileState&) { return S_OK; });
        if (SUCCEEDED(hr)) {
            *guid = m_guid;
        }
        return hr;
    }

    HRESULT GetName(WCHAR** name) override {
        if (!name) {
            return E_POINTER;
        }
        *name = nullptr;
        std::u16string text;
        const HRESULT hr = Inspect([&](const ProfileState& p) {
            text = p.name;
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        *name = AllocString(text);
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT SetName(LPCWSTR name) override {
        if (!name) {
            return E_POINTER;
        }
        const std::u16string text(name);
        if (!IsValidName(text)) {
            return E_INVALIDARG;
        }
        return Modify([&](Transaction& tx, ProfileState& p) -> HRESULT {
            if (p.name != text) {
                p.name = text;
                tx.AddEvent(EventKind::Manager, GUID_NULL, PROFILE_MANAGER_EVENT_CHANGED,
                            ProfileIndex(tx, m_guid));
                tx.MarkProfilesChanged();
            }
            return S_OK;
        });
    }

    HRESULT IsActive(BOOL* active) override {
        if (!active) {
            return E_POINTER;
        }
        BOOL result = FALSE;
        const HRESULT hr = m_store->Read([&](Transaction& tx) -> HRESULT {
            ProfileState p;
            if (const HRESULT l = Load(tx, p); FAILED(l)) {
                return l;
            }
            result = tx.Device().active == m_guid ? TRUE : FALSE;
            return S_OK;
        });
        if (SUCCEEDED(hr)) {
            *active = result;
        }
        return hr;
    }

    HRESULT GetIndex(UINT* index) override {
        if (!index) {
            return E_POINTER;
        }
        INT i = -1;
        const HRESULT hr = m_store->Read([&](Transaction& tx) -> HRESULT {
            ProfileState p;
            if (const HRESULT l = Load(tx, p); FAILED(l)) {
                return l;
            }
            i = ProfileIndex(tx, m_guid);
            return S_OK;
        });
        if (SUCCEEDED(hr)) {
            *index = static_cast<UINT>(i);
        }
        return hr;
    }

    HRESULT ExportToFile(LPCWSTR path) override {
        if (!path) {
            return E_POINTER;
        }
        ProfileState copy;
        const HRESULT hr = Inspect([&](const ProfileState& p) {
            copy = p;
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        return WriteProfileFile(path, copy);
    }

private:
    LazyConnectionPoint m_cp;
};

// ---- IProfileProperties --------------------------------------------------------------------

class CProfileProperties final : public IProfileProperties,
                                 public ComObjectBase,
                                 private ProfileBound {
public:
    using ProfileBound::ProfileBound;
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IProfileProperties) {
            return ComAnswer(static_cast<IProfileProperties*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SERVICE_IUNKNOWN

    HRESULT GetProperty(DWORD id, DWORD, void* buffer, DWORD, DWORD* size) override {
        if (!size) {
            return E_POINTER;
        }
        if (id != PROFILE_PROP_PROGRAM && id != PROFILE_PROP_SWITCHES) {
            return E_INVALIDARG;
        }
        ProfileState copy;
        const HRESULT hr = Inspect([&](const ProfileState& p) {
            copy = p;
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        if (id == PROFILE_PROP_PROGRAM) {
            if (copy.program.empty()) {
                *size = 0;
                return S_OK;
            }
            const DWORD needed = static_cast<DWORD>((copy.program.size() + 1) * sizeof(WCHAR));
            if (*size < needed) {
                return E_MORE_DATA;
            }
            if (!buffer) {
                return E_POINTER;
            }
            std::memcpy(buffer, copy.program.c_str(), needed);
            *size = needed;
            return S_OK;
        }
        if (*size < sizeof(WORD)) {
            return E_MORE_DATA;
        }
        if (!buffer) {
            return E_POINTER;
        }
        std::memcpy(buffer, &copy.switches, sizeof(WORD));
        *size = sizeof(WORD);
        return S_OK;
    }

    HRESULT SetProperty(DWORD id, const void* buffer, DWORD, DWORD size, DWORD) override {
        if (!buffer) {
            return E_POINTER;
        }
        if (id == PROFILE_PROP_PROGRAM) {
            std::u16string program(size / sizeof(WCHAR), u'\0');
            std::memcpy(program.data(), buffer, program.size() * sizeof(WCHAR));
            program.resize(std::min(program.size(), program.find(u'\0')));
            if (program.size() > DEVICE_MAX_PROGRAM) {
                return E_INVALIDARG;
            }
            return Modify([&](Transaction& tx, ProfileState& p) -> HRESULT {
                if (p.program != program) {
                    p.program = program;
                    tx.AddEvent(EventKind::Manager, GUID_NULL, PROFILE_MANAGER_EVENT_CHANGED,
                                ProfileIndex(tx, m_guid));
                    tx.MarkProfilesChanged();
                }
                return S_OK;
            });
        }
        if (id != PROFILE_PROP_SWITCHES) {
            return E_INVALIDARG;
        }
        if (size < sizeof(ProfileSwitchWrite)) {
            return E_INVALIDARG;
        }
        ProfileSwitchWrite w{};
        std::memcpy(&w, buffer, sizeof w);
        constexpr WORD kAll =
            PROFILE_SWITCH_AUTO | PROFILE_SWITCH_DPI_OSD | PROFILE_SWITCH_NAME_OSD;
        if (w.mask == 0 || (w.mask & ~kAll) != 0) {
            return E_INVALIDARG;
        }
        return Modify([&](Transaction& tx, ProfileState& p) -> HRESULT {
            const WORD before = p.switches;
            p.switches = static_cast<WORD>(w.value ? (before | w.mask) : (before & ~w.mask));
            // One profile event per changed switch; the event's flag order differs from the
            // property's bit order.
            static constexpr struct {
                WORD bit;
                INT flag;
            } kMap[] = {{PROFILE_SWITCH_DPI_OSD, PROFILE_EVENT_DPI_OSD},
                        {PROFILE_SWITCH_NAME_OSD, PROFILE_EVENT_NAME_OSD},
                        {PROFILE_SWITCH_AUTO, PROFILE_EVENT_AUTO}};
            bool changed = false;
            for (const auto& m : kMap) {
                if ((before ^ p.switches) & m.bit) {
                    tx.AddEvent(EventKind::Profile, m_guid, m.flag, (p.switches & m.bit) ? 1 : 0);
                    changed = true;
                }
            }
            if (changed) {
                tx.AddEvent(EventKind::Manager, GUID_NULL, PROFILE_MANAGER_EVENT_CHANGED,
                            ProfileIndex(tx, m_guid));
                tx.MarkProfilesChanged();
            }
            return S_OK;
        });
    }
};

// ---- IDPI ----------------------------------------------------------------------------------

class CDPI final : public IDPI,
                   public IConnectionPointContainer,
                   public ComObjectBase,
                   private ProfileBound {
public:
    CDPI(std::shared_ptr<Store> store, INT generation, const GUID& guid)
        : ProfileBound(std::move(store), generation, guid),
          m_cp(static_cast<IDPI*>(this), DIID_IDPIEvents, EventKind::Dpi, guid) {}

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IDPI) {
            return ComAnswer(static_cast<IDPI*>(this), out);
        }
        if (riid == IID_IConnectionPointContainer) {
            return ComAnswer(static_cast<IConnectionPointContainer*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SERVICE_IUNKNOWN

    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        return m_cp.Find(*m_store, iid, out);
    }

    HRESULT GetDpi(INT* x, INT* y) override {
        if (!x || !y) {
            return E_POINTER;
        }
        INT rx = 0;
        INT ry = 0;
        const HRESULT hr = Inspect([&](const ProfileState& p) {
            rx = p.dpiX;
            ry = p.dpiY;
            return S_OK;
        });
        if (SUCCEEDED(hr)) {
            *x = rx;
            *y = ry;
        }
        return hr;
    }

    HRESULT SetDpi(INT x, INT y) override {
        const auto cx = CheckDpi(x);
        const auto cy = CheckDpi(y);
        if (!cx || !cy) {
            return E_INVALIDARG;
        }
        return Modify([&](Transaction& tx, ProfileState& p) -> HRESULT {
            SetCurrent(tx, p, *cx, *cy);
            return S_OK;
        });
    }

    HRESULT GetStageLimits(INT* minStages, INT* capacity) override {
        if (!minStages || !capacity) {
            return E_POINTER;
        }
        const HRESULT hr = Inspect([](const ProfileState&) { return S_OK; });
        if (SUCCEEDED(hr)) {
            *minStages = 1;
            *capacity = DEVICE_STAGE_CAPACITY;
        }
        return hr;
    }

    HRESULT GetActiveStage(INT* stage) override {
        if (!stage) {
            return E_POINTER;
        }
        INT s = 0;
        const HRESULT hr = Inspect([&](const ProfileState& p) {
            s = p.activeStage;
            return S_OK;
        });
        if (SUCCEEDED(hr)) {
            *stage = s;
        }
        return hr;
    }

    HRESULT SetActiveStage(INT stage) override {
        return Modify([&](Transaction& tx, ProfileState& p) -> HRESULT {
            if (stage < 1 || stage > static_cast<INT>(p.stages.size())) {
                return E_INVALIDARG;
            }
            p.activeStage = stage;
            const DeviceDpiStage& s = p.stages[static_cast<size_t>(stage - 1)];
            SetCurrent(tx, p, s.x, s.y);
            return S_OK;
        });
    }

    HRESULT GetStages(INT* count, DeviceDpiStage** stages) override {
        if (!stages) {
            return E_POINTER;
        }
        *stages = nullptr;
        if (!count) {
            return E_POINTER;
        }
        std::vector<DeviceDpiStage> copy;
        const HRESULT hr = Inspect([&](const ProfileState& p) {
            copy = p.stages;
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        auto* array = static_cast<DeviceDpiStage*>(
            CoTaskMemAlloc(std::max<size_t>(copy.size(), 1) * sizeof(DeviceDpiStage)));
        if (!array) {
            return E_OUTOFMEMORY;
        }
        std::copy(copy.begin(), copy.end(), array);
        *stages = array;
        *count = static_cast<INT>(copy.size());
        return S_OK;
    }

    HRESULT SetStages(INT count, const DeviceDpiStage* stages) override {
        if (!stages) {
            return E_POINTER;
        }
        if (count < 1 || count > DEVICE_STAGE_CAPACITY) {
            return E_INVALIDARG;
        }
        std::vector<DeviceDpiStage> checked;
        for (INT i = 0; i < count; ++i) {
            const auto x = CheckDpi(stages[i].x);
            const auto y = CheckDpi(stages[i].y);
            if (!x || !y) {
                return E_INVALIDARG;
            }
            checked.push_back({*x, *y});
        }
        return Modify([&](Transaction&, ProfileState& p) -> HRESULT {
            p.stages = checked;
            p.activeStage = std::min(std::max(p.activeStage, 1), count);
            return S_OK;
        });
    }

    HRESULT GetDpiRange(INT* minimum, INT* maximum, INT* step) override {
        if (!minimum || !maximum || !step) {
            return E_POINTER;
        }
        const HRESULT hr = Inspect([](const ProfileState&) { return S_OK; });
        if (SUCCEEDED(hr)) {
            *minimum = DEVICE_DPI_MIN;
            *maximum = DEVICE_DPI_MAX;
            *step = DEVICE_DPI_STEP;
        }
        return hr;
    }

private:
    void SetCurrent(Transaction& tx, ProfileState& p, INT x, INT y) {
        if (p.dpiX != x || p.dpiY != y) {
            p.dpiX = x;
            p.dpiY = y;
            tx.AddEvent(EventKind::Dpi, m_guid, x, y);
        }
    }
    LazyConnectionPoint m_cp;
};

// ---- IButtonAssignments --------------------------------------------------------------------

class CButtonAssignments final : public IButtonAssignments,
                                 public ComObjectBase,
                                 private ProfileBound {
public:
    using ProfileBound::ProfileBound;
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IButtonAssignments) {
            return ComAnswer(static_cast<IButtonAssignments*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SERVICE_IUNKNOWN

    HRESULT GetAssignments(INT* count, DeviceButtonAssignment* records) override {
        if (!count) {
            return E_POINTER;
        }
        if (*count < 0) {
            return E_INVALIDARG;
        }
        if (*count > 0 && !records) {
            return E_POINTER;
        }
        const INT capacity = *count;
        INT written = 0;
        const HRESULT hr = Inspect([&](const ProfileState& p) {
            written = std::min(capacity, static_cast<INT>(p.buttons.size()));
            std::copy(p.buttons.begin(), p.buttons.begin() + written, records);
            return S_OK;
        });
        if (SUCCEEDED(hr)) {
            *count = written;
        }
        return hr;
    }

    HRESULT SetAssignments(INT count, const DeviceButtonAssignment* records) override {
        if (count < 0) {
            return E_INVALIDARG;
        }
        if (count > 0 && !records) {
            return E_POINTER;
        }
        for (INT i = 0; i < count; ++i) {
            if (!IsValidAssignment(records[i])) {
                return E_INVALIDARG;
            }
        }
        return Modify([&](Transaction& tx, ProfileState& p) -> HRESULT {
            const auto macros = tx.MacroGuids();
            const auto profiles = tx.ProfileGuids();
            for (INT i = 0; i < count; ++i) {
                const auto m = MacroReference(records[i]);
                const auto r = ProfileReference(records[i]);
                if ((m && std::find(macros.begin(), macros.end(), *m) == macros.end()) ||
                    (r && std::find(profiles.begin(), profiles.end(), *r) == profiles.end())) {
                    return E_INVALIDARG; // the device cannot run what it does not hold
                }
            }
            for (INT i = 0; i < count; ++i) {
                p.buttons[static_cast<size_t>(records[i].button - 1)] = records[i];
            }
            return S_OK;
        });
    }

    HRESULT GetButtonInfo(ButtonInfo* info) override {
        if (!info) {
            return E_POINTER;
        }
        const HRESULT hr = Inspect([](const ProfileState&) { return S_OK; });
        if (SUCCEEDED(hr)) {
            *info = {DEVICE_BUTTON_COUNT, 0, DEVICE_BUTTON_MASK};
        }
        return hr;
    }
};

// ---- ILightCollection, ILight ----------------------------------------------------------------

class CLight final : public ILight, public ILightColor, public ComObjectBase, private ProfileBound {
public:
    CLight(std::shared_ptr<Store> store, INT generation, const GUID& guid, size_t index)
        : ProfileBound(std::move(store), generation, guid), m_index(index) {}
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_ILight) {
            return ComAnswer(static_cast<ILight*>(this), out);
        }
        if (riid == IID_ILightColor) {
            return ComAnswer(static_cast<ILightColor*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SERVICE_IUNKNOWN

    HRESULT TurnOn() override { return SetOn(true); }
    HRESULT TurnOff() override { return SetOn(false); }
    HRESULT IsOn(BOOL* on) override {
        if (!on) {
            return E_POINTER;
        }
        bool value = false;
        const HRESULT hr = Inspect([&](const ProfileState& p) {
            value = p.lights[m_index].on;
            return S_OK;
        });
        if (SUCCEEDED(hr)) {
            *on = value ? TRUE : FALSE;
        }
        return hr;
    }
    HRESULT GetKind(INT* kind) override {
        if (!kind) {
            return E_POINTER;
        }
        const HRESULT hr = Inspect([](const ProfileState&) { return S_OK; });
        if (SUCCEEDED(hr)) {
            *kind = m_index == 0 ? LIGHT_KIND_SCROLL : LIGHT_KIND_LOGO;
        }
        return hr;
    }
    HRESULT SetColor(COLORREF color) override {
        if (color & 0xFF000000u) {
            return E_INVALIDARG;
        }
        return Modify([&](Transaction&, ProfileState& p) -> HRESULT {
            p.lights[m_index].color = color;
            return S_OK;
        });
    }
    HRESULT GetColor(COLORREF* color) override {
        if (!color) {
            return E_POINTER;
        }
        COLORREF value = 0;
        const HRESULT hr = Inspect([&](const ProfileState& p) {
            value = p.lights[m_index].color;
            return S_OK;
        });
        if (SUCCEEDED(hr)) {
            *color = value;
        }
        return hr;
    }

private:
    HRESULT SetOn(bool on) {
        return Modify([&](Transaction&, ProfileState& p) -> HRESULT {
            p.lights[m_index].on = on;
            return S_OK;
        });
    }
    size_t m_index;
};

class CLightCollection final : public ILightCollection, public ComObjectBase, private ProfileBound {
public:
    using ProfileBound::ProfileBound;
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_ILightCollection) {
            return ComAnswer(static_cast<ILightCollection*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SERVICE_IUNKNOWN

    HRESULT GetItem(UINT index, ILight** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        const HRESULT hr = Inspect([](const ProfileState&) { return S_OK; });
        if (FAILED(hr)) {
            return hr;
        }
        if (index >= 2) {
            return E_NOT_FOUND;
        }
        *out = new CLight(m_store, m_generation, m_guid, index);
        return S_OK;
    }
};

#undef SERVICE_IUNKNOWN

} // namespace

HRESULT NewProfileObject(std::shared_ptr<Store> store, INT generation, const GUID& guid,
                         REFIID riid, void** out) {
    auto* p = new CProfile(std::move(store), generation, guid);
    const HRESULT hr = p->QueryInterface(riid, out);
    static_cast<IProfile*>(p)->Release();
    return hr;
}

HRESULT NewProfileFeature(std::shared_ptr<Store> store, INT generation, const GUID& guid, REFIID id,
                          void** out) {
    IUnknown* object = nullptr;
    if (id == IID_IProfileProperties) {
        object = static_cast<IProfileProperties*>(new CProfileProperties(store, generation, guid));
    } else if (id == IID_IDPI) {
        object = static_cast<IDPI*>(new CDPI(store, generation, guid));
    } else if (id == IID_IButtonAssignments) {
        object = static_cast<IButtonAssignments*>(new CButtonAssignments(store, generation, guid));
    } else if (id == IID_ILightCollection) {
        object = static_cast<ILightCollection*>(new CLightCollection(store, generation, guid));
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    const HRESULT hr = object->QueryInterface(id, out);
    object->Release();
    return hr;
}

} // namespace service
