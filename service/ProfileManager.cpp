// The profile manager: the list of profiles, the active one, creation, deletion and import.

#include "service/ServiceFiles.h"
#include "service/ServiceObjects.h"

#include <set>

namespace service {

namespace {

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
        const HRESULT hr = CheckedRead(
            [&](Transaction& tx) -> HRESULT { return GuidAt(tx.ProfileGuids(), index, guid); });
        return FAILED(hr) ? hr : Make(guid, out);
    }

    HRESULT GetProfileByGuid(GUID guid, IProfile** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        const HRESULT hr = CheckedRead(
            [&](Transaction& tx) -> HRESULT { return tx.Profile(guid) ? S_OK : E_NOT_FOUND; });
        return FAILED(hr) ? hr : Make(guid, out);
    }

    HRESULT SetActiveProfile(IProfile* profile) override {
        if (!profile) {
            return E_POINTER;
        }
        GUID guid{};
        if (const HRESULT hr = profile->GetGuid(&guid); FAILED(hr)) {
            return hr;
        }
        return CheckedWrite([&](Transaction& tx) -> HRESULT {
            const INT index = ProfileIndex(tx, guid);
            if (index < 0) {
                return E_NOT_FOUND;
            }
            DeviceSettings d = tx.Device();
            if (d.active != guid) {
                d.active = guid;
                tx.SaveDevice(d);
                tx.ProfileListChanged(PROFILE_MANAGER_EVENT_ACTIVE, index);
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
        const HRESULT hr = CheckedRead([&](Transaction& tx) -> HRESULT {
            guid = tx.Device().active;
            return tx.Profile(guid) ? S_OK : E_NOT_FOUND;
        });
        return FAILED(hr) ? hr : Make(guid, out);
    }

    HRESULT CreateProfile(IProfile** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        GUID guid{};
        const HRESULT hr = CheckedWrite([&](Transaction& tx) -> HRESULT {
            const auto guids = tx.ProfileGuids();
            if (guids.size() >= DEVICE_MAX_PROFILES) {
                return E_FULL;
            }
            std::set<std::u16string> names;
            for (const auto& g : guids) {
                names.insert(tx.Profile(g)->name);
            }
            ProfileState p = DefaultProfile(FirstFreeName(u"Profile ", names));
            guid = p.guid;
            tx.SaveProfile(p);
            tx.ProfileListChanged(PROFILE_MANAGER_EVENT_CHANGED, static_cast<INT>(guids.size()));
            return S_OK;
        });
        return FAILED(hr) ? hr : Make(guid, out);
    }

    HRESULT DeleteProfile(IProfile* profile) override {
        if (!profile) {
            return E_POINTER;
        }
        GUID guid{};
        if (const HRESULT hr = profile->GetGuid(&guid); FAILED(hr)) {
            return hr;
        }
        return CheckedWrite([&](Transaction& tx) -> HRESULT {
            const INT index = ProfileIndex(tx, guid);
            if (index < 0) {
                return E_NOT_FOUND;
            }
            if (tx.Device().active == guid) {
                return E_ACCESSDENIED;
            }
            tx.DeleteProfile(guid);
            ResetDanglingAssignments(tx);
            tx.ProfileListChanged(PROFILE_MANAGER_EVENT_REMOVED, index);
            return S_OK;
        });
    }

    HRESULT GetProfileCount(UINT* count) override {
        if (!count) {
            return E_POINTER;
        }
        UINT n = 0;
        const HRESULT hr = CheckedRead([&](Transaction& tx) -> HRESULT {
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
        const HRESULT hr = CheckedWrite([&](Transaction& tx) -> HRESULT {
            const auto guids = tx.ProfileGuids();
            if (guids.size() >= DEVICE_MAX_PROFILES) {
                return E_FULL;
            }
            tx.SaveProfile(p);
            ResetDanglingAssignments(tx); // references to macros or profiles not here
            tx.ProfileListChanged(PROFILE_MANAGER_EVENT_CHANGED, static_cast<INT>(guids.size()));
            return S_OK;
        });
        return FAILED(hr) ? hr : Make(p.guid, out);
    }

private:
    HRESULT Make(const GUID& guid, IProfile** out) {
        return NewProfileObject(m_store, m_generation, guid, IID_IProfile,
                                reinterpret_cast<void**>(out));
    }
    LazyConnectionPoint m_cp;
};

} // namespace

HRESULT NewProfileManager(std::shared_ptr<Store> store, INT generation, REFIID riid, void** out) {
    return HandOutNew<IProfileManager>(new CProfileManager(std::move(store), generation), riid,
                                       out);
}

} // namespace service
