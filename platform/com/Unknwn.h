#pragma once
// HRESULT results and IUnknown, the base of every interface the device service hands out.

#include "platform/base/Guid.h"
#include "platform/base/WinTypes.h"

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

constexpr HRESULT MakeHResult(DWORD code) {
    return static_cast<HRESULT>(code);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154u);
inline constexpr HRESULT RPC_E_CHANGED_MODE = MakeHResult(0x80010106u);
inline constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHResult(0x80040200u);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHResult(0x80040202u);

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Objects are reference counted: AddRef and Release return the new count (for diagnostics
// only), the last Release destroys the object. QueryInterface answers S_OK with a new
// reference, or E_NOINTERFACE with *out set to null.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// Maps an interface type to its identifier, so that smart pointers and helpers can ask for
// an interface by type. Each interface header specialises it with BORVANTA_INTERFACE_ID.
template <class T> struct InterfaceId;

#define BORVANTA_INTERFACE_ID(Itf, iid)                                                            \
    template <> struct InterfaceId<Itf> { static constexpr const IID& value = iid; }

BORVANTA_INTERFACE_ID(IUnknown, IID_IUnknown);

template <class T> constexpr const IID& uuidof() {
    return InterfaceId<T>::value;
}
