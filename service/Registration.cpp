// The service's class: its identifier and the class factory registered for CoCreateInstance.
// Code that names CLSID_DeviceService links this file in, and with it the registration.

#include "platform/com/ComObject.h"
#include "platform/com/ObjBase.h"
#include "service/ServiceObjects.h"

const CLSID CLSID_DeviceService{
    0x41393DA8, 0xD7A7, 0x49F1, {0x97, 0xEE, 0xA3, 0x12, 0x9E, 0xD9, 0xFD, 0x9C}};

namespace service {
namespace {

class CDeviceServiceFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // A static object: counting is not needed.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        return CreateDeviceService(riid, out);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
    virtual ~CDeviceServiceFactory() = default;
};

struct Registrar {
    Registrar() {
        static CDeviceServiceFactory factory;
        DWORD cookie = 0;
        CoRegisterClassObject(CLSID_DeviceService, &factory, CLSCTX_INPROC_SERVER,
                              REGCLS_MULTIPLEUSE, &cookie);
    }
};

const Registrar g_registrar;

} // namespace
} // namespace service
