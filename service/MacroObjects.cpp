// The macro manager and the macro object.

#include "platform/base/WideChar.h"
#include "platform/com/ObjBase.h"
#include "service/ServiceFiles.h"
#include "service/ServiceObjects.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace service {

namespace {

class CMacro final : public IMacro, public ComObjectBase, private DeviceBound {
public:
    CMacro(std::shared_ptr<Store> store, INT generation, const GUID& guid)
        : DeviceBound(std::move(store), generation), m_guid(guid) {}
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IMacro) {
            return ComAnswer(static_cast<IMacro*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

    HRESULT GetGuid(GUID* guid) override {
        if (!guid) {
            return E_POINTER;
        }
        const HRESULT hr = Inspect([](const MacroState&) { return S_OK; });
        if (SUCCEEDED(hr)) {
            *guid = m_guid;
        }
        return hr;
    }
    HRESULT GetName(WCHAR** name) override {
        if (!name) {
            return E_POINTER;
        }
        *name = nullptr;
        std::u16string text;
        const HRESULT hr = Inspect([&](const MacroState& m) {
            text = m.name;
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        *name = AllocString(text);
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT SetName(LPCWSTR name) override {
        if (!name) {
            return E_POINTER;
        }
        const std::u16string text(name);
        if (!IsValidName(text)) {
            return E_INVALIDARG;
        }
        return Modify([&](MacroState& m) {
            m.name = text;
            return S_OK;
        });
    }
    HRESULT ExportToFile(LPCWSTR path) override {
        if (!path) {
            return E_POINTER;
        }
        MacroState copy;
        const HRESULT hr = Inspect([&](const MacroState& m) {
            copy = m;
            return S_OK;
        });
        return FAILED(hr) ? hr : WriteMacroFile(path, copy);
    }
    HRESULT GetEvents(BYTE** block) override {
        if (!block) {
            return E_POINTER;
        }
        *block = nullptr;
        std::vector<MacroDeviceEvent> events;
        const HRESULT hr = Inspect([&](const MacroState& m) {
            events = m.events;
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        const INT count = static_cast<INT>(events.size());
        const size_t size = MacroEventBlockSize(count);
        auto* out = static_cast<BYTE*>(CoTaskMemAlloc(size));
        if (!out) {
            return E_OUTOFMEMORY;
        }
        std::memset(out, 0, size);
        const MacroEventBlockHeader header{0, count};
        std::memcpy(out, &header, sizeof header);
        if (count) {
            std::memcpy(out + sizeof header, events.data(),
                        events.size() * sizeof(MacroDeviceEvent));
        }
        *block = out;
        return S_OK;
    }
    HRESULT SetEvents(const BYTE* block) override {
        if (!block) {
            return E_POINTER;
        }
        MacroEventBlockHeader header{};
        std::memcpy(&header, block, sizeof header);
        if (header.count < 0 || header.count > DEVICE_MAX_MACRO_EVENTS) {
            return E_INVALIDARG;
        }
        std::vector<MacroDeviceEvent> events(static_cast<size_t>(header.count));
        if (header.count) {
            std::memcpy(events.data(), block + sizeof header,
                        events.size() * sizeof(MacroDeviceEvent));
        }
        for (auto& e : events) {
            if (!IsValidMacroEvent(e)) {
                return E_INVALIDARG;
            }
            NormalizeMacroEvent(e);
        }
        return Modify([&](MacroState& m) {
            m.events = events;
            return S_OK;
        });
    }

private:
    HRESULT Load(Transaction& tx, MacroState& out) {
        if (const HRESULT hr = CheckDevice(tx); FAILED(hr)) {
            return hr;
        }
        auto m = tx.Macro(m_guid);
        if (!m) {
            return E_NOT_FOUND;
        }
        out = std::move(*m);
        return S_OK;
    }
    HRESULT Inspect(const std::function<HRESULT(const MacroState&)>& look) {
        return m_store->Read([&](Transaction& tx) -> HRESULT {
            MacroState m;
            if (const HRESULT hr = Load(tx, m); FAILED(hr)) {
                return hr;
            }
            return look(m);
        });
    }
    HRESULT Modify(const std::function<HRESULT(MacroState&)>& change) {
        return m_store->Write([&](Transaction& tx) -> HRESULT {
            MacroState m;
            if (const HRESULT hr = Load(tx, m); FAILED(hr)) {
                return hr;
            }
            const HRESULT hr = change(m);
            if (SUCCEEDED(hr)) {
                tx.SaveMacro(m);
            }
            return hr;
        });
    }
    GUID m_guid;
};

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
        const HRESULT hr = m_store->Read([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            const auto guids = tx.MacroGuids();
            if (index >= guids.size()) {
                return E_NOT_FOUND;
            }
            guid = guids[index];
            return S_OK;
        });
        return FAILED(hr) ? hr : Make(guid, out);
    }
    HRESULT GetMacroByGuid(GUID guid, IMacro** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        const HRESULT hr = m_store->Read([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            return tx.Macro(guid) ? S_OK : E_NOT_FOUND;
        });
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
        return m_store->Write([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            if (!tx.Macro(guid)) {
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
        const HRESULT hr = m_store->Read([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
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
        return m_store->Write([&](Transaction& tx) -> HRESULT {
            if (const HRESULT c = CheckDevice(tx); FAILED(c)) {
                return c;
            }
            const auto guids = tx.MacroGuids();
            if (guids.size() >= DEVICE_MAX_MACROS) {
                return E_FULL;
            }
            if (defaultName) {
                std::set<std::u16string> names;
                for (const auto& g : guids) {
                    names.insert(tx.Macro(g)->name);
                }
                for (int n = 1;; ++n) {
                    m.name = u"Macro " + Widen(std::to_string(n));
                    if (!names.count(m.name)) {
                        break;
                    }
                }
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
    auto* m = new CMacroManager(std::move(store), generation);
    const HRESULT hr = m->QueryInterface(riid, out);
    m->Release();
    return hr;
}

HRESULT NewMacroObject(std::shared_ptr<Store> store, INT generation, const GUID& guid, REFIID riid,
                       void** out) {
    auto* m = new CMacro(std::move(store), generation, guid);
    const HRESULT hr = m->QueryInterface(riid, out);
    m->Release();
    return hr;
}

} // namespace service
