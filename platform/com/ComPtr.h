#pragma once
// CComPtr: holds one reference to an interface and releases it when it goes.

#include "platform/com/Unknwn.h"

#include <memory>
#include <utility>

template <class T> class CComPtr {
public:
    CComPtr() = default;
    CComPtr(std::nullptr_t) {}
    // Takes a new reference on p.
    CComPtr(T* p) : p_(p) {
        if (p_) {
            p_->AddRef();
        }
    }
    CComPtr(const CComPtr& other) : CComPtr(other.p_) {}
    CComPtr(CComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~CComPtr() { Release(); }

    CComPtr& operator=(const CComPtr& other) {
        if (this != std::addressof(other)) {
            CComPtr copy(other);
            std::swap(p_, copy.p_);
        }
        return *this;
    }
    CComPtr& operator=(CComPtr&& other) noexcept {
        if (this != std::addressof(other)) {
            Release();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    CComPtr& operator=(T* p) {
        CComPtr copy(p);
        std::swap(p_, copy.p_);
        return *this;
    }

    // Releases the reference held and forgets the pointer.
    void Release() {
        if (T* p = std::exchange(p_, nullptr)) {
            p->Release();
        }
    }
    // Takes over a reference the caller owns, without AddRef.
    void Attach(T* p) {
        Release();
        p_ = p;
    }
    // Gives the reference to the caller.
    T* Detach() { return std::exchange(p_, nullptr); }

    T* Get() const { return p_; }
    operator T*() const { return p_; }
    T* operator->() const { return p_; }
    // Address for an out parameter; the pointer must be empty.
    T** operator&() { return &p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Queries the held object for another interface.
    template <class Q> HRESULT QueryInterface(Q** out) const {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (!p_) {
            return E_POINTER;
        }
        return p_->QueryInterface(uuidof<Q>(), reinterpret_cast<void**>(out));
    }
    // Copies the pointer into an out parameter with a new reference.
    HRESULT CopyTo(T** out) const {
        if (!out) {
            return E_POINTER;
        }
        *out = p_;
        if (p_) {
            p_->AddRef();
        }
        return S_OK;
    }

private:
    T* p_ = nullptr;
};
