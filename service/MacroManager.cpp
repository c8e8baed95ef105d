// The macro manager: the list of macros, creation, deletion and import.

#include "service/ServiceFiles.h"
#include "service/ServiceObjects.h"

#include <set>

namespace service {

namespace {

class CMacroManager final : public IMacroManager, public ComObjectBase, private DeviceBound {
public:
    using DeviceBound::DeviceBound;
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IMacroManager) {
            return ComAnswer(static_cast<IMacroManager*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

    HRESULT GetMacro(UINT index, IMacro** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        GUID guid{};
        const HRESULT hr = CheckedRead(
            [&](Transaction& tx) -> HRESULT { return GuidAt(tx.MacroGuids(), index, guid); });
        return FAILED(hr) ? hr : Make(guid, out);
    }
    HRESULT GetMacroByGuid(GUID guid, IMacro** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        const HRESULT hr = CheckedRead(
            [&](Transaction& tx) -> HRESULT { return tx.HasMacro(guid) ? S_OK : E_NOT_FOUND; });
        return FAILED(hr) ? hr : Make(guid, out);
    }
    HRESULT CreateMacro(IMacro** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        MacroState m;
        m.guid = NewGuid();
        const HRESULT hr = Add(m, true);
        return FAILED(hr) ? hr : Make(m.guid, out);
    }
    HRESULT DeleteMacro(IMacro* macro) override {
        if (!macro) {
            return E_POINTER;
        }
        GUID guid{};
        if (const HRESULT hr = macro->GetGuid(&guid); FAILED(hr)) {
            return hr;
        }
        return CheckedWrite([&](Transaction& tx) -> HRESULT {
            if (!tx.HasMacro(guid)) {
                return E_NOT_FOUND;
            }
            tx.DeleteMacro(guid);
            ResetDanglingAssignments(tx);
            return S_OK;
        });
    }
    HRESULT GetMacroCount(UINT* count) override {
        if (!count) {
            return E_POINTER;
        }
        UINT n = 0;
        const HRESULT hr = CheckedRead([&](Transaction& tx) -> HRESULT {
            n = static_cast<UINT>(tx.MacroGuids().size());
            return S_OK;
        });
        if (SUCCEEDED(hr)) {
            *count = n;
        }
        return hr;
    }
    HRESULT ImportMacro(LPCWSTR path, IMacro** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (!path) {
            return E_POINTER;
        }
        MacroState m;
        if (const HRESULT hr = ReadMacroFile(path, m); FAILED(hr)) {
            return hr;
        }
        m.guid = NewGuid();
        for (auto& e : m.events) {
            NormalizeMacroEvent(e);
        }
        const HRESULT hr = Add(m, false);
        return FAILED(hr) ? hr : Make(m.guid, out);
    }

private:
    HRESULT Add(MacroState& m, bool defaultName) {
        return CheckedWrite([&](Transaction& tx) -> HRESULT {
            const auto guids = tx.MacroGuids();
            if (guids.size() >= DEVICE_MAX_MACROS) {
                return E_FULL;
            }
            if (defaultName) {
                // Only the names are read: a macro whose events are damaged takes its name
                // but stops no other macro from being made.
                std::set<std::u16string> names;
                for (const auto& g : guids) {
                    if (auto name = tx.MacroName(g)) {
                        names.insert(std::move(*name));
                    }
                }
                m.name = FirstFreeName(u"Macro ", names);
            }
            tx.SaveMacro(m);
            return S_OK;
        });
    }
    HRESULT Make(const GUID& guid, IMacro** out) {
        return NewMacroObject(m_store, m_generation, guid, IID_IMacro,
                              reinterpret_cast<void**>(out));
    }
};

} // namespace

HRESULT NewMacroManager(std::shared_ptr<Store> store, INT generation, REFIID riid, void** out) {
    return HandOutNew<IMacroManager>(new CMacroManager(std::move(store), generation), riid, out);
}

} // namespace service
