// A profile's bound program and switching flags.

#include "service/ServiceObjects.h"

#include <algorithm>
#include <cstring>

namespace service {

namespace {

class CProfileProperties final : public IProfileProperties,
                                 public ComObjectBase,
                                 private ProfileBound {
public:
    using ProfileBound::ProfileBound;
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IProfileProperties) {
            return ComAnswer(static_cast<IProfileProperties*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

    HRESULT GetProperty(DWORD id, DWORD, void* buffer, DWORD, DWORD* size) override {
        if (!size) {
            return E_POINTER;
        }
        if (id != PROFILE_PROP_PROGRAM && id != PROFILE_PROP_SWITCHES) {
            return E_INVALIDARG;
        }
        ProfileState copy;
        const HRESULT hr = Snapshot(copy);
        if (FAILED(hr)) {
            return hr;
        }
        if (id == PROFILE_PROP_PROGRAM) {
            if (copy.program.empty()) {
                *size = 0;
                return S_OK;
            }
            const DWORD needed = static_cast<DWORD>((copy.program.size() + 1) * sizeof(WCHAR));
            if (*size < needed) {
                return E_MORE_DATA;
            }
            if (!buffer) {
                return E_POINTER;
            }
            std::memcpy(buffer, copy.program.c_str(), needed);
            *size = needed;
            return S_OK;
        }
        if (*size < sizeof(WORD)) {
            return E_MORE_DATA;
        }
        if (!buffer) {
            return E_POINTER;
        }
        std::memcpy(buffer, &copy.switches, sizeof(WORD));
        *size = sizeof(WORD);
        return S_OK;
    }

    HRESULT SetProperty(DWORD id, const void* buffer, DWORD, DWORD size, DWORD) override {
        if (!buffer) {
            return E_POINTER;
        }
        if (id == PROFILE_PROP_PROGRAM) {
            std::u16string program(size / sizeof(WCHAR), u'\0');
            std::memcpy(program.data(), buffer, program.size() * sizeof(WCHAR));
            program.resize(std::min(program.size(), program.find(u'\0')));
            if (program.size() > DEVICE_MAX_PROGRAM) {
                return E_INVALIDARG;
            }
            return Modify([&](Transaction& tx, ProfileState& p) -> HRESULT {
                if (p.program != program) {
                    p.program = program;
                    tx.ProfileListChanged(PROFILE_MANAGER_EVENT_CHANGED, ProfileIndex(tx, m_guid));
                }
                return S_OK;
            });
        }
        if (id != PROFILE_PROP_SWITCHES) {
            return E_INVALIDARG;
        }
        if (size < sizeof(ProfileSwitchWrite)) {
            return E_INVALIDARG;
        }
        ProfileSwitchWrite w{};
        std::memcpy(&w, buffer, sizeof w);
        constexpr WORD kAll =
            PROFILE_SWITCH_AUTO | PROFILE_SWITCH_DPI_OSD | PROFILE_SWITCH_NAME_OSD;
        if (w.mask == 0 || (w.mask & ~kAll) != 0) {
            return E_INVALIDARG;
        }
        return Modify([&](Transaction& tx, ProfileState& p) -> HRESULT {
            const WORD before = p.switches;
            p.switches = static_cast<WORD>(w.value ? (before | w.mask) : (before & ~w.mask));
            // One profile event per changed switch; the event's flag order differs from the
            // property's bit order.
            static constexpr struct {
                WORD bit;
                INT flag;
            } kMap[] = {{PROFILE_SWITCH_DPI_OSD, PROFILE_EVENT_DPI_OSD},
                        {PROFILE_SWITCH_NAME_OSD, PROFILE_EVENT_NAME_OSD},
                        {PROFILE_SWITCH_AUTO, PROFILE_EVENT_AUTO}};
            bool changed = false;
            for (const auto& m : kMap) {
                if ((before ^ p.switches) & m.bit) {
                    tx.AddEvent(EventKind::Profile, m_guid, m.flag, (p.switches & m.bit) ? 1 : 0);
                    changed = true;
                }
            }
            if (changed) {
                tx.ProfileListChanged(PROFILE_MANAGER_EVENT_CHANGED, ProfileIndex(tx, m_guid));
            }
            return S_OK;
        });
    }
};

} // namespace

HRESULT NewProfileProperties(std::shared_ptr<Store> store, INT generation, const GUID& guid,
                             REFIID riid, void** out) {
    return HandOutNew<IProfileProperties>(
        new CProfileProperties(std::move(store), generation, guid), riid, out);
}

} // namespace service
