#include "service/ServiceObjects.h"

#include "platform/base/WideChar.h"
#include "platform/com/ObjBase.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace service {

HRESULT DeviceBound::CheckDevice(Transaction& tx) const {
    const DeviceSettings d = tx.Device();
    return d.plugged && d.generation == m_generation ? S_OK : E_NOT_CONNECTED;
}

HRESULT DeviceBound::CheckedRead(const Store::Body& body) const {
    return m_store->Read([&](Transaction& tx) -> HRESULT {
        if (const HRESULT hr = CheckDevice(tx); FAILED(hr)) {
            return hr;
        }
        return body(tx);
    });
}

HRESULT DeviceBound::CheckedWrite(const Store::Body& body) const {
    return m_store->Write([&](Transaction& tx) -> HRESULT {
        if (const HRESULT hr = CheckDevice(tx); FAILED(hr)) {
            return hr;
        }
        return body(tx);
    });
}

bool FetchStored(Transaction& tx, const GUID& guid, ProfileState& out) {
    auto p = tx.Profile(guid);
    if (!p) {
        return false;
    }
    out = std::move(*p);
    return true;
}

bool FetchStored(Transaction& tx, const GUID& guid, MacroState& out) {
    auto m = tx.Macro(guid);
    if (!m) {
        return false;
    }
    out = std::move(*m);
    return true;
}

void SaveStored(Transaction& tx, const ProfileState& state) {
    tx.SaveProfile(state);
}

void SaveStored(Transaction& tx, const MacroState& state) {
    tx.SaveMacro(state);
}

HRESULT LazyConnectionPoint::Find(Store& store, REFIID iid, IConnectionPoint** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (iid != m_iid) {
        return CONNECT_E_NOCONNECTION;
    }
    std::lock_guard lock(m_mutex);
    if (!m_cp) {
        // A cookie given for one profile may be ended through another profile's point: the
        // tray advises on the profile active at one moment and unadvises on the one active
        // later.
        Store* s = &store;
        const EventKind kind = m_kind;
        m_cp = std::make_unique<CConnectionPoint>(
            m_owner, m_iid, store.Connections(m_kind, m_source),
            [s] { return s->CurrentEventSeq(); },
            [s, kind](DWORD cookie) { return s->Unadvise(kind, cookie); });
    }
    *out = m_cp.get();
    m_cp->AddRef();
    return S_OK;
}

WCHAR* AllocString(const std::u16string& text) {
    auto* s = static_cast<WCHAR*>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
    if (s) {
        std::memcpy(s, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    }
    return s;
}

void ResetDanglingAssignments(Transaction& tx) {
    const auto profiles = tx.ProfileGuids();
    const auto macros = tx.MacroGuids();
    const std::set<GUID> profileSet(profiles.begin(), profiles.end());
    const std::set<GUID> macroSet(macros.begin(), macros.end());
    for (const GUID& g : profiles) {
        auto p = tx.Profile(g);
        if (!p) {
            continue;
        }
        bool changed = false;
        for (auto& record : p->buttons) {
            const auto m = MacroReference(record);
            const auto r = ProfileReference(record);
            if ((m && !macroSet.count(*m)) || (r && !profileSet.count(*r))) {
                record = DefaultAssignment(record.button);
                changed = true;
            }
        }
        if (changed) {
            tx.SaveProfile(*p);
        }
    }
}

INT ProfileIndex(Transaction& tx, const GUID& guid) {
    const auto guids = tx.ProfileGuids();
    auto it = std::find(guids.begin(), guids.end(), guid);
    return it == guids.end() ? -1 : static_cast<INT>(it - guids.begin());
}

HRESULT GuidAt(const std::vector<GUID>& guids, UINT index, GUID& out) {
    if (index >= guids.size()) {
        return E_NOT_FOUND;
    }
    out = guids[index];
    return S_OK;
}

std::u16string FirstFreeName(const std::u16string& prefix, const std::set<std::u16string>& taken) {
    for (int n = 1;; ++n) {
        std::u16string name = prefix + Widen(std::to_string(n));
        if (!taken.count(name)) {
            return name;
        }
    }
}

HRESULT NewProfileFeature(std::shared_ptr<Store> store, INT generation, const GUID& guid, REFIID id,
                          void** out) {
    if (id == IID_IProfileProperties) {
        return NewProfileProperties(std::move(store), generation, guid, id, out);
    }
    if (id == IID_IDPI) {
        return NewDpi(std::move(store), generation, guid, id, out);
    }
    if (id == IID_IButtonAssignments) {
        return NewButtonAssignments(std::move(store), generation, guid, id, out);
    }
    if (id == IID_ILightCollection) {
        return NewLightCollection(std::move(store), generation, guid, id, out);
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

} // namespace service
