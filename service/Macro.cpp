// A macro: name, event block and export.

#include "platform/com/ObjBase.h"
#include "service/ServiceFiles.h"
#include "service/ServiceObjects.h"

#include <cstring>

namespace service {

namespace {

class CMacro final : public IMacro, public ComObjectBase, private StoredBound<MacroState> {
public:
    using StoredBound::StoredBound;
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

    // The identifier and the name are read without the events, so a macro whose event
    // list is damaged can still be told apart and named (only its events fail).
    HRESULT GetGuid(GUID* guid) override {
        if (!guid) {
            return E_POINTER;
        }
        const HRESULT hr = CheckedRead(
            [&](Transaction& tx) -> HRESULT { return tx.HasMacro(m_guid) ? S_OK : E_NOT_FOUND; });
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
        const HRESULT hr = CheckedRead([&](Transaction& tx) -> HRESULT {
            auto stored = tx.MacroName(m_guid);
            if (!stored) {
                return E_NOT_FOUND;
            }
            text = std::move(*stored);
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
        return Modify([&](Transaction&, MacroState& m) {
            m.name = text;
            return S_OK;
        });
    }
    HRESULT ExportToFile(LPCWSTR path) override {
        if (!path) {
            return E_POINTER;
        }
        MacroState copy;
        const HRESULT hr = Snapshot(copy);
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
        return Modify([&](Transaction&, MacroState& m) {
            m.events = events;
            return S_OK;
        });
    }
};

} // namespace

HRESULT NewMacroObject(std::shared_ptr<Store> store, INT generation, const GUID& guid, REFIID riid,
                       void** out) {
    return HandOutNew<IMacro>(new CMacro(std::move(store), generation, guid), riid, out);
}

} // namespace service
