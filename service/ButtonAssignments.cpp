// A profile's eleven button records.

#include "service/ServiceObjects.h"

#include <algorithm>

namespace service {

namespace {

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
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

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

} // namespace

HRESULT NewButtonAssignments(std::shared_ptr<Store> store, INT generation, const GUID& guid,
                             REFIID riid, void** out) {
    return HandOutNew<IButtonAssignments>(
        new CButtonAssignments(std::move(store), generation, guid), riid, out);
}

} // namespace service
