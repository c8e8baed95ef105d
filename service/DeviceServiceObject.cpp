// The service object: the list of devices (the one virtual mouse while it is plugged in).

#include "service/ServiceObjects.h"

namespace service {

namespace {

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
        return NewDevice(m_store, generation, IID_IDevice, reinterpret_cast<void**>(out));
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
    StoreOpenError why = StoreOpenError::None;
    auto store = Store::Get(&why);
    if (!store) {
        return StoreOpenResult(why);
    }
    auto* service = new CDeviceService(std::move(store));
    const HRESULT hr = service->QueryInterface(riid, out);
    service->Release();
    return hr;
}

} // namespace service
