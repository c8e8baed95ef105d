#pragma once
// The service's COM objects. Each holds the process's store and names its entity (the mouse
// by plug generation, a profile or macro by GUID); every call checks in its transaction that
// the entity still exists, so an object never acts on another entity.

#include "platform/com/ComObject.h"
#include "platform/com/ConnectionPoint.h"
#include "service/Store.h"

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace service {

// Copies text into a new task-allocator string.
WCHAR* AllocString(const std::u16string& text);

// Creates the IDeviceService object (the class factory's work).
HRESULT CreateDeviceService(REFIID riid, void** out);

// Common state of every object: the store and the plug generation it was made in.
class DeviceBound {
public:
    DeviceBound(std::shared_ptr<Store> store, INT generation)
        : m_store(std::move(store)), m_generation(generation) {}

protected:
    // Fails while the mouse is unplugged or after it was plugged in again.
    HRESULT CheckDevice(Transaction& tx) const;
    // Runs body in a read (write) transaction once CheckDevice has passed in it.
    HRESULT CheckedRead(const Store::Body& body) const;
    HRESULT CheckedWrite(const Store::Body& body) const;
    std::shared_ptr<Store> m_store;
    INT m_generation;
};

// The stored profile or macro under guid: false when there is none.
bool FetchStored(Transaction& tx, const GUID& guid, ProfileState& out);
bool FetchStored(Transaction& tx, const GUID& guid, MacroState& out);
void SaveStored(Transaction& tx, const ProfileState& state);
void SaveStored(Transaction& tx, const MacroState& state);

// Objects that stand for one stored profile or macro (State is its kind).
template <class State> class StoredBound : public DeviceBound {
public:
    StoredBound(std::shared_ptr<Store> store, INT generation, const GUID& guid)
        : DeviceBound(std::move(store), generation), m_guid(guid) {}

protected:
    HRESULT Load(Transaction& tx, State& out) const {
        if (const HRESULT hr = CheckDevice(tx); FAILED(hr)) {
            return hr;
        }
        return FetchStored(tx, m_guid, out) ? S_OK : E_NOT_FOUND;
    }
    // Loads the state, lets change edit it and saves it when change succeeded.
    HRESULT Modify(const std::function<HRESULT(Transaction&, State&)>& change) {
        return m_store->Write([&](Transaction& tx) -> HRESULT {
            State state;
            if (const HRESULT hr = Load(tx, state); FAILED(hr)) {
                return hr;
            }
            const HRESULT hr = change(tx, state);
            if (SUCCEEDED(hr)) {
                SaveStored(tx, state);
            }
            return hr;
        });
    }
    HRESULT Inspect(const std::function<HRESULT(const State&)>& look) {
        return m_store->Read([&](Transaction& tx) -> HRESULT {
            State state;
            if (const HRESULT hr = Load(tx, state); FAILED(hr)) {
                return hr;
            }
            return look(state);
        });
    }
    // A copy of the stored state.
    HRESULT Snapshot(State& out) {
        return Inspect([&](const State& state) {
            out = state;
            return S_OK;
        });
    }
    // The identifier, while the entity exists.
    HRESULT GuidOut(GUID* guid) {
        if (!guid) {
            return E_POINTER;
        }
        const HRESULT hr = Inspect([](const State&) { return S_OK; });
        if (SUCCEEDED(hr)) {
            *guid = m_guid;
        }
        return hr;
    }
    // The name in a new task-allocator string.
    HRESULT NameOut(WCHAR** name) {
        if (!name) {
            return E_POINTER;
        }
        *name = nullptr;
        std::u16string text;
        const HRESULT hr = Inspect([&](const State& state) {
            text = state.name;
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        *name = AllocString(text);
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    GUID m_guid;
};

// Objects that stand for one profile.
class ProfileBound : public StoredBound<ProfileState> {
public:
    ProfileBound(std::shared_ptr<Store> store, INT generation, const GUID& guid)
        : StoredBound(std::move(store), generation, guid) {}
};

// Lazily made connection point over the store's list for one source.
class LazyConnectionPoint {
public:
    LazyConnectionPoint(IUnknown* owner, const IID& iid, EventKind kind, const GUID& source)
        : m_owner(owner), m_iid(iid), m_kind(kind), m_source(source) {}
    HRESULT Find(Store& store, REFIID iid, IConnectionPoint** out);

private:
    IUnknown* m_owner;
    IID m_iid;
    EventKind m_kind;
    GUID m_source;
    std::mutex m_mutex;
    std::unique_ptr<CConnectionPoint> m_cp;
};

// Hands a newly made object out as riid; it is destroyed again when riid is not one of its
// interfaces. Primary is the interface its reference count is reached through.
template <class Primary, class Object> HRESULT HandOutNew(Object* object, REFIID riid, void** out) {
    const HRESULT hr = object->QueryInterface(riid, out);
    static_cast<Primary*>(object)->Release();
    return hr;
}

// Factories of the objects, each kept in its own source file.
HRESULT NewDevice(std::shared_ptr<Store> store, INT generation, REFIID riid, void** out);
HRESULT NewProfileManager(std::shared_ptr<Store> store, INT generation, REFIID riid, void** out);
HRESULT NewPollingRate(std::shared_ptr<Store> store, INT generation, REFIID riid, void** out);
HRESULT NewAcceleration(std::shared_ptr<Store> store, INT generation, REFIID riid, void** out);
HRESULT NewMacroManager(std::shared_ptr<Store> store, INT generation, REFIID riid, void** out);
HRESULT NewProfileObject(std::shared_ptr<Store> store, INT generation, const GUID& guid,
                         REFIID riid, void** out);
// IID_IProfileProperties, IID_IDPI, IID_IButtonAssignments or IID_ILightCollection.
HRESULT NewProfileFeature(std::shared_ptr<Store> store, INT generation, const GUID& guid,
                          REFIID riid, void** out);
HRESULT NewProfileProperties(std::shared_ptr<Store> store, INT generation, const GUID& guid,
                             REFIID riid, void** out);
HRESULT NewDpi(std::shared_ptr<Store> store, INT generation, const GUID& guid, REFIID riid,
               void** out);
HRESULT NewButtonAssignments(std::shared_ptr<Store> store, INT generation, const GUID& guid,
                             REFIID riid, void** out);
HRESULT NewLightCollection(std::shared_ptr<Store> store, INT generation, const GUID& guid,
                           REFIID riid, void** out);
HRESULT NewLight(std::shared_ptr<Store> store, INT generation, const GUID& guid, size_t index,
                 REFIID riid, void** out);
HRESULT NewMacroObject(std::shared_ptr<Store> store, INT generation, const GUID& guid, REFIID riid,
                       void** out);

// Resets button records that point at a macro or profile that no longer exists.
void ResetDanglingAssignments(Transaction& tx);
// Position of a profile in the device's list, or -1.
INT ProfileIndex(Transaction& tx, const GUID& guid);
// The GUID at index in a list, or E_NOT_FOUND past its end.
HRESULT GuidAt(const std::vector<GUID>& guids, UINT index, GUID& out);
// prefix followed by the smallest number from 1 up that makes a name not yet taken.
std::u16string FirstFreeName(const std::u16string& prefix, const std::set<std::u16string>& taken);

} // namespace service
