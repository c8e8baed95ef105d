#pragma once
// Kernel object handles: waitable objects behind HANDLE values, closed with CloseHandle.
// Events are here; other kinds (threads, mutexes) derive from KernelObject and register
// themselves with MakeHandle.

#include "platform/base/WinTypes.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Waits until the object is signalled (consuming the signal where the kind does so);
    // false on time-out. timeoutMs INFINITE waits for ever.
    virtual bool Wait(DWORD timeoutMs) = 0;
};

// Registers an object; the handle keeps it alive until CloseHandle.
HANDLE MakeHandle(std::shared_ptr<KernelObject> object);
// The object behind a handle, or null for a closed or unknown handle.
std::shared_ptr<KernelObject> GetKernelObject(HANDLE handle);
BOOL CloseHandle(HANDLE handle);
DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs);

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// An event: manual-reset events stay signalled until ResetEvent; auto-reset events release
// one waiter and reset. Names are not supported (null only).
class EventObject final : public KernelObject {
public:
    EventObject(bool manualReset, bool initialState)
        : m_manual(manualReset), m_signalled(initialState) {}
    bool Wait(DWORD timeoutMs) override;
    void Set();
    void Reset();

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    const bool m_manual;
    bool m_signalled;
};

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState,
                    LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
