// A profile's two lights.

#include "service/ServiceObjects.h"

namespace service {

namespace {

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
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

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
        return NewLight(m_store, m_generation, m_guid, index, IID_ILight,
                        reinterpret_cast<void**>(out));
    }
};

} // namespace

HRESULT NewLightCollection(std::shared_ptr<Store> store, INT generation, const GUID& guid,
                           REFIID riid, void** out) {
    return HandOutNew<ILightCollection>(new CLightCollection(std::move(store), generation, guid),
                                        riid, out);
}

} // namespace service
