// The polling rate of the mouse.

#include "platform/com/ObjBase.h"
#include "service/ServiceObjects.h"

#include <algorithm>

namespace service {

namespace {

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
        const HRESULT hr = CheckedRead([&](Transaction& tx) -> HRESULT {
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
        return CheckedWrite([&](Transaction& tx) -> HRESULT {
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

} // namespace

HRESULT NewPollingRate(std::shared_ptr<Store> store, INT generation, REFIID riid, void** out) {
    return HandOutNew<IPollingRate>(new CPollingRate(std::move(store), generation), riid, out);
}

} // namespace service
