#pragma once
// COM initialisation, object creation by class identifier, class registration and the task
// allocator.
//
// Classes live in this process: a library that serves a class registers its class factory
// with CoRegisterClassObject (the device service does so when it is linked in), and
// CoCreateInstance finds it by class identifier.

#include "platform/com/Unknwn.h"

#include <cstddef>

inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
inline constexpr DWORD COINIT_DISABLE_OLE1DDE = 0x4;

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
inline constexpr DWORD CLSCTX_ALL = 0x17;

inline constexpr DWORD REGCLS_MULTIPLEUSE = 1;

// Per-thread initialisation count. The first call on a thread answers S_OK, later ones
// S_FALSE; asking for another threading model than the first call answers
// RPC_E_CHANGED_MODE. Every successful call needs one CoUninitialize.
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();
// How many successful initialisations the calling thread holds (tests).
int CoGetInitializeCount();

// {00000001-0000-0000-C000-000000000046}
inline constexpr IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** out) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};
BORVANTA_INTERFACE_ID(IClassFactory, IID_IClassFactory);

// Registers a class factory (one reference is kept) for CoCreateInstance. The cookie
// identifies the registration for CoRevokeClassObject.
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD clsContext, DWORD flags,
                              DWORD* cookie);
HRESULT CoRevokeClassObject(DWORD cookie);

// Creates an object of a registered class. The class context must include an in-process
// server (every class here is one); aggregation is not offered. Failure sets *out to null:
// REGDB_E_CLASSNOTREG for an unknown class, E_NOINTERFACE when the object lacks riid.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid,
                         LPVOID* out);

// Task allocator: the memory that the service hands out and callers free. Blocks are counted
// so that tests can check that every block handed out was freed again.
LPVOID CoTaskMemAlloc(SIZE_T size);
LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size);
void CoTaskMemFree(LPVOID block);
// Number of task-allocator blocks currently allocated in this process.
long CoTaskMemOutstanding();
