#pragma once
// Helpers shared by the device object's source files (connection and files, reading,
// writing): service strings and blocks, features, identifiers and the bounds put on what the
// service reports.

#include "device/DeviceCodeTables.h"
#include "device/DeviceServiceApi.h"
#include "device/Mouse.h"
#include "model/IMouseConfig.h"
#include "model/IMouseProfile.h"
#include "model/Macro.h"
#include "platform/com/ComPtr.h"

#include <algorithm>

namespace mousesupport {

// What the service answers for an index past the end of a list (the system's "element not
// found" as an HRESULT).
inline constexpr HRESULT kListEnd = static_cast<HRESULT>(0x80070490u);

// Bounds on what the service may report, so that a misbehaving service can neither make an
// enumeration run for ever nor make the client allocate without limit.
inline constexpr UINT kMaxDevices = 64;
inline constexpr INT kMaxEnumeration = 1024;
inline constexpr INT kMaxButtons = 32;
inline constexpr INT kMaxStages = 10;
inline constexpr INT kMaxRates = 32;
inline constexpr DWORD kLastButtonBit = 0x400000;
inline constexpr DWORD kProgramBytes = 256;
inline constexpr DWORD kSettleMs = 500;

using ServiceString = TaskMemPtr<WCHAR>;

// The name of a profile or macro; null when the call failed or gave no string.
template <class P> ServiceString NameOf(const P& object) {
    WCHAR* text = nullptr;
    const HRESULT hr = object->GetName(&text);
    ServiceString owned(text);
    if (FAILED(hr)) {
        owned.reset();
    }
    return owned;
}

// The events the device takes of a macro (it holds at most DEVICE_MAX_MACRO_EVENTS).
inline INT DeviceEventCount(const CMacro& macro) {
    return static_cast<INT>(
        std::min<size_t>(macro.GetEvents().size(), static_cast<size_t>(DEVICE_MAX_MACRO_EVENTS)));
}

inline bool SameGuid(const GUID& a, const GUID& b) {
    return IsEqualGUID(a, b);
}

inline GUID GuidOf(const IMouseProfile* profile) {
    GUID guid{};
    profile->GetGuid(guid);
    return guid;
}

// A feature of the device or of one of its profiles; null when the source is null or the
// service does not give it.
template <class T, class Source> CComPtr<T> FeatureOf(Source* source) {
    CComPtr<T> feature;
    if (source) {
        void* out = nullptr;
        if (SUCCEEDED(source->GetFeature(uuidof<T>(), &out)) && out) {
            feature.Attach(static_cast<T*>(out));
        }
    }
    return feature;
}

// A stored macro's events in the configuration's form.
struct StoredEvents {
    bool read = false;      // the service gave a valid event block
    bool converted = false; // and its events were converted
    MacroEventList events;
};

inline StoredEvents ReadStoredEvents(const CDeviceCodeTables& tables, IMacro* device) {
    StoredEvents stored;
    BYTE* rawBlock = nullptr;
    const HRESULT hr = device->GetEvents(&rawBlock);
    const MacroEventBlock block(rawBlock);
    std::span<const MacroDeviceEvent> events;
    stored.read = SUCCEEDED(hr) && GetMacroEventBlockEvents(block.get(), events);
    stored.converted = stored.read && tables.ConvertMacroEventsFromDevice(events, stored.events);
    return stored;
}

// The stored macro or profile at an index of its manager's list, and by identifier.
inline HRESULT GetAt(IMacroManager* manager, UINT index, IMacro** out) {
    return manager->GetMacro(index, out);
}
inline HRESULT GetAt(IProfileManager* manager, UINT index, IProfile** out) {
    return manager->GetProfile(index, out);
}
inline HRESULT GetByGuid(IMacroManager* manager, const GUID& guid, IMacro** out) {
    return manager->GetMacroByGuid(guid, out);
}
inline HRESULT GetByGuid(IProfileManager* manager, const GUID& guid, IProfile** out) {
    return manager->GetProfileByGuid(guid, out);
}

// True when a complete listing of the manager's profiles (or macros) lacks the identifier:
// the device no longer holds it. A listing that fails on the way proves nothing.
template <class Object, class Manager> bool IsGoneFromDevice(Manager* manager, const GUID& guid) {
    for (INT index = 0; index < kMaxEnumeration; ++index) {
        CComPtr<Object> listed;
        const HRESULT hr = GetAt(manager, static_cast<UINT>(index), &listed);
        if (FAILED(hr) || !listed) {
            // The end of the list (past the last index) ends a complete listing; any other
            // failure leaves it unknown.
            return SUCCEEDED(hr) || hr == kListEnd;
        }
        GUID listedGuid{};
        if (FAILED(listed->GetGuid(&listedGuid))) {
            return false; // cannot tell
        }
        if (SameGuid(listedGuid, guid)) {
            return false;
        }
    }
    return false;
}

// Every button of every profile of the configuration that names `from` by identifier with
// kind `kind` names `to` instead.
void ReplaceAssignedGuid(IMouseConfig* config, INT kind, const GUID& from, const GUID& to);

} // namespace mousesupport

template <class T> CComPtr<T> CMouse::DeviceFeature() const {
    return mousesupport::FeatureOf<T>(m_device.Get());
}

template <class T> CComPtr<T> CMouse::ProfileFeature(IProfile* profile) {
    return mousesupport::FeatureOf<T>(profile);
}
