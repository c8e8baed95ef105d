// A macro: name, event block and export.

#include "platform/com/ObjBase.h"
#include "service/ServiceFiles.h"
#include "service/ServiceObjects.h"

#include <cstring>

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

} // namespace

HRESULT NewMacroObject(std::shared_ptr<Store> store, INT generation, const GUID& guid, REFIID riid,
                       void** out) {
    return HandOutNew<IMacro>(new CMacro(std::move(store), generation, guid), riid, out);
}

} // namespace service
