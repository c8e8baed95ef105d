// The mouse as a device: its information record, identity and device-wide features.

#include "service/ServiceObjects.h"

namespace service {

namespace {

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
        // A failure leaves the numbers alone and the text pointer null.
        const HRESULT hr = m_store->Read([&](Transaction& tx) { return CheckDevice(tx); });
        if (FAILED(hr)) {
            info->text = nullptr;
            return hr;
        }
        WCHAR* text = AllocString(u"Borvanta 5600 (virtual mouse)");
        if (!text) {
            info->text = nullptr;
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
        if (id == IID_IProfileManager) {
            return NewProfileManager(m_store, m_generation, id, out);
        }
        if (id == IID_IPollingRate) {
            return NewPollingRate(m_store, m_generation, id, out);
        }
        if (id == IID_IAcceleration) {
            return NewAcceleration(m_store, m_generation, id, out);
        }
        if (id == IID_IMacroManager) {
            return NewMacroManager(m_store, m_generation, id, out);
        }
        return E_NOINTERFACE;
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

} // namespace

HRESULT NewDevice(std::shared_ptr<Store> store, INT generation, REFIID riid, void** out) {
    return HandOutNew<IDevice>(new CDevice(std::move(store), generation), riid, out);
}

} // namespace service
