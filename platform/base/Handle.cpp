#include "platform/base/Handle.h"

#include <unordered_map>

namespace {

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> objects;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable; // handles may be used until exit
    return *table;
}

} // namespace

HANDLE MakeHandle(std::shared_ptr<KernelObject> object) {
    if (!object) {
        return nullptr;
    }
    HANDLE handle = object.get();
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.objects[handle] = std::move(object);
    return handle;
}

std::shared_ptr<KernelObject> GetKernelObject(HANDLE handle) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(handle);
    return it == table.objects.end() ? nullptr : it->second;
}

BOOL CloseHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> gone;
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(handle);
    if (it == table.objects.end()) {
        return FALSE;
    }
    gone = std::move(it->second);
    table.objects.erase(it);
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs) {
    auto object = GetKernelObject(handle);
    if (!object) {
        return WAIT_FAILED;
    }
    return object->Wait(timeoutMs) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

bool EventObject::Wait(DWORD timeoutMs) {
    std::unique_lock lock(m_mutex);
    auto ready = [this] { return m_signalled; };
    if (timeoutMs == INFINITE) {
        m_cv.wait(lock, ready);
    } else if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
        return false;
    }
    if (!m_manual) {
        m_signalled = false;
    }
    return true;
}

void EventObject::Set() {
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    if (m_manual) {
        m_cv.notify_all();
    } else {
        m_cv.notify_one();
    }
}

void EventObject::Reset() {
    std::lock_guard lock(m_mutex);
    m_signalled = false;
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name) {
    if (name && *name) {
        return nullptr;
    }
    return MakeHandle(std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE event) {
    auto e = std::dynamic_pointer_cast<EventObject>(GetKernelObject(event));
    if (!e) {
        return FALSE;
    }
    e->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    auto e = std::dynamic_pointer_cast<EventObject>(GetKernelObject(event));
    if (!e) {
        return FALSE;
    }
    e->Reset();
    return TRUE;
}
