// One light of a profile: on or off, its kind and colour.

#include "service/ServiceObjects.h"

namespace service {

namespace {

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
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

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

} // namespace

HRESULT NewLight(std::shared_ptr<Store> store, INT generation, const GUID& guid, size_t index,
                 REFIID riid, void** out) {
    return HandOutNew<ILight>(new CLight(std::move(store), generation, guid, index), riid, out);
}

} // namespace service
