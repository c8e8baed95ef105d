// Pointer acceleration: on or off, and its level.

#include "service/ServiceObjects.h"

namespace service {

namespace {

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
        return CheckedWrite([&](Transaction& tx) -> HRESULT {
            DeviceSettings d = tx.Device();
            f(d);
            tx.SaveDevice(d);
            return S_OK;
        });
    }
    HRESULT Look(DeviceSettings& out) {
        return CheckedRead([&](Transaction& tx) -> HRESULT {
            out = tx.Device();
            return S_OK;
        });
    }
};

} // namespace

HRESULT NewAcceleration(std::shared_ptr<Store> store, INT generation, REFIID riid, void** out) {
    return HandOutNew<IAcceleration>(new CAcceleration(std::move(store), generation), riid, out);
}

} // namespace service
