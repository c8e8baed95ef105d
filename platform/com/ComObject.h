#pragma once
// Thread-safe reference counting for objects that implement interfaces. An object derives
// from its interfaces and from ComObjectBase, and forwards AddRef/Release to InternalAddRef/
// InternalRelease. Live objects are counted so tests can check that every reference handed
// out was released again.

#include "platform/com/Unknwn.h"

#include <atomic>

class ComObjectBase {
public:
    ComObjectBase();
    virtual ~ComObjectBase();
    ComObjectBase(const ComObjectBase&) = delete;
    ComObjectBase& operator=(const ComObjectBase&) = delete;

    // Number of objects of this kind alive in the process.
    static long LiveObjects();

protected:
    ULONG InternalAddRef() { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }
    // Deletes the object when the count reaches 0.
    ULONG InternalRelease() {
        const ULONG left = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            delete this;
        }
        return left;
    }

private:
    std::atomic<ULONG> m_refs{1};
};

// Common QueryInterface answer for a matched interface: the pointer, with a new reference.
template <class T> HRESULT ComAnswer(T* itf, void** out) {
    *out = itf;
    itf->AddRef();
    return S_OK;
}
