#include "platform/com/ObjBase.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

struct ThreadInit {
    int count = 0;
    DWORD model = 0;
};
thread_local ThreadInit t_init;

struct ClassEntry {
    CLSID clsid;
    IUnknown* factory;
    DWORD cookie;
};

struct ClassTable {
    std::mutex mutex;
    std::vector<ClassEntry> entries;
    DWORD nextCookie = 1;
};

ClassTable& Classes() {
    static ClassTable* table = new ClassTable; // lives until exit; factories are static objects
    return *table;
}

std::atomic<long> g_taskBlocks{0};

} // namespace

HRESULT CoInitializeEx(LPVOID /*reserved*/, DWORD coInit) {
    const DWORD model = coInit & COINIT_APARTMENTTHREADED;
    if (t_init.count > 0) {
        if (t_init.model != model) {
            return RPC_E_CHANGED_MODE;
        }
        ++t_init.count;
        return S_FALSE;
    }
    t_init.model = model;
    t_init.count = 1;
    return S_OK;
}

HRESULT CoInitialize(LPVOID reserved) {
    return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

void CoUninitialize() {
    if (t_init.count > 0) {
        --t_init.count;
    }
}

int CoGetInitializeCount() {
    return t_init.count;
}

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD /*clsContext*/,
                              DWORD /*flags*/, DWORD* cookie) {
    if (!factory || !cookie) {
        return E_INVALIDARG;
    }
    ClassTable& table = Classes();
    std::lock_guard lock(table.mutex);
    factory->AddRef();
    *cookie = table.nextCookie++;
    table.entries.push_back({clsid, factory, *cookie});
    return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) {
    IUnknown* factory = nullptr;
    {
        ClassTable& table = Classes();
        std::lock_guard lock(table.mutex);
        for (auto it = table.entries.begin(); it != table.entries.end(); ++it) {
            if (it->cookie == cookie) {
                factory = it->factory;
                table.entries.erase(it);
                break;
            }
        }
    }
    if (!factory) {
        return E_INVALIDARG;
    }
    factory->Release();
    return S_OK;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid,
                         LPVOID* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (outer) {
        return CLASS_E_NOAGGREGATION;
    }
    if ((clsContext & CLSCTX_INPROC_SERVER) == 0) {
        return REGDB_E_CLASSNOTREG;
    }
    IClassFactory* factory = nullptr;
    {
        ClassTable& table = Classes();
        std::lock_guard lock(table.mutex);
        // The newest registration of a class wins.
        for (auto it = table.entries.rbegin(); it != table.entries.rend(); ++it) {
            if (it->clsid == clsid) {
                void* f = nullptr;
                if (SUCCEEDED(it->factory->QueryInterface(IID_IClassFactory, &f))) {
                    factory = static_cast<IClassFactory*>(f);
                }
                break;
            }
        }
    }
    if (!factory) {
        return REGDB_E_CLASSNOTREG;
    }
    const HRESULT hr = factory->CreateInstance(nullptr, riid, out);
    factory->Release();
    if (FAILED(hr)) {
        *out = nullptr;
    }
    return hr;
}

namespace {
// Each block carries its size in front, so that realloc can copy it.
struct BlockHeader {
    SIZE_T size;
    SIZE_T pad; // keeps the user block 16-byte aligned
};
} // namespace

LPVOID CoTaskMemAlloc(SIZE_T size) {
    void* raw = std::malloc(sizeof(BlockHeader) + (size ? size : 1));
    if (!raw) {
        return nullptr;
    }
    static_cast<BlockHeader*>(raw)->size = size;
    g_taskBlocks.fetch_add(1, std::memory_order_relaxed);
    return static_cast<BlockHeader*>(raw) + 1;
}

LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size) {
    if (!block) {
        return CoTaskMemAlloc(size);
    }
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    void* raw = std::realloc(header, sizeof(BlockHeader) + (size ? size : 1));
    if (!raw) {
        return nullptr;
    }
    static_cast<BlockHeader*>(raw)->size = size;
    return static_cast<BlockHeader*>(raw) + 1;
}

void CoTaskMemFree(LPVOID block) {
    if (!block) {
        return;
    }
    g_taskBlocks.fetch_sub(1, std::memory_order_relaxed);
    std::free(static_cast<BlockHeader*>(block) - 1);
}

long CoTaskMemOutstanding() {
    return g_taskBlocks.load(std::memory_order_relaxed);
}
