// A profile: identity, name, features and export.

#include "service/ServiceFiles.h"
#include "service/ServiceObjects.h"

namespace service {

namespace {

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
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

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

    HRESULT GetGuid(GUID* guid) override { return GuidOut(guid); }

    HRESULT GetName(WCHAR** name) override { return NameOut(name); }

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
                tx.ProfileListChanged(PROFILE_MANAGER_EVENT_CHANGED, ProfileIndex(tx, m_guid));
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
        const HRESULT hr = Snapshot(copy);
        if (FAILED(hr)) {
            return hr;
        }
        return WriteProfileFile(path, copy);
    }

private:
    LazyConnectionPoint m_cp;
};

} // namespace

HRESULT NewProfileObject(std::shared_ptr<Store> store, INT generation, const GUID& guid,
                         REFIID riid, void** out) {
    return HandOutNew<IProfile>(new CProfile(std::move(store), generation, guid), riid, out);
}

} // namespace service
