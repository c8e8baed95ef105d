#pragma once
// IMouseDevice: the configurator's road to the mouse. Reads and writes the configuration by
// section mask, imports and exports profile and macro files through the device service, and
// reports whether a write is running. The declaration order below is the slot order of the
// interface and must not change.

#include "platform/base/CString.h"
#include "platform/base/CStringArray.h"
#include "platform/base/Guid.h"
#include "platform/base/WinTypes.h"
#include "platform/com/Unknwn.h"

class CMacro;
class IMouseConfig;
class IMouseProfile;

// Directions of SyncDevice.
inline constexpr int SYNC_WRITE = 0;
inline constexpr int SYNC_READ = 1;

// Section mask: the parts of the configuration one transfer reads or writes. Profile names,
// identifiers, programs and switching flags go with every transfer.
inline constexpr int SECTION_BUTTONS = 0x01;
inline constexpr int SECTION_LIGHTS = 0x02;
inline constexpr int SECTION_SENSITIVITY = 0x04;
inline constexpr int SECTION_MACROS = 0x08;
inline constexpr int SECTION_POLLING_RATE = 0x10;
inline constexpr int SECTION_ACCELERATION = 0x20;
inline constexpr int SECTION_ALL = 0x7F;

// The mouse model both programs look for among the service's devices.
inline constexpr WORD BORVANTA_PRODUCT_ID = 0x001E;

class IMouseDevice {
public:
    // 0: stores the product id (0 for null), connects and reads the device's versions, profile
    // list, stage limits, button layout and supported polling rates. True when all of it
    // succeeded.
    virtual BOOL Initialize(IMouseConfig* config, const WORD* productId) = 0;
    virtual BOOL ReservedDevice1(void* unused) = 0;       // 1: false
    virtual void Close() = 0;                             // 2
    virtual UINT GetSupportedRateCount() const = 0;       // 3
    virtual INT GetSupportedRate(UINT index) const = 0;   // 4: 0 outside the list
    virtual UINT GetMaxProfiles() const = 0;              // 5: 5
    virtual UINT GetDeviceProfileCount() = 0;             // 6
    virtual BOOL IsWriting() const = 0;                   // 7
    virtual BOOL WriteMacro(CMacro* macro) = 0;           // 8: inside an open connection
    virtual BOOL ReadMacro(GUID guid, CMacro* macro) = 0; // 9: inside an open connection
    virtual BOOL DeleteAllMacros() = 0;                   // 10: inside an open connection
    virtual BOOL ImportMacro(const CString& path, IMouseConfig* config) = 0;     // 11
    virtual BOOL ExportMacro(const CString& path, CMacro* macro) = 0;            // 12
    virtual BOOL HasMacro(CMacro* macro) = 0;                                    // 13
    virtual BOOL ImportProfile(const CString& path, IMouseConfig* config) = 0;   // 14
    virtual BOOL ExportProfile(const CString& path, IMouseProfile* profile) = 0; // 15
    virtual BOOL HasProfile(IMouseProfile* profile) = 0;                         // 16
    // 17: SYNC_READ reads the sections now; SYNC_WRITE starts the write thread and returns
    // at once (true when it started). While a write runs every call fails.
    virtual BOOL SyncDevice(IMouseConfig* config, int mode, int sections) = 0;
    virtual BOOL ReservedDevice18(void* unused1, void* unused2) = 0; // 18: false
    virtual BOOL IsDeviceFound() const = 0;                          // 19
    virtual BOOL GetVersionA(CString& out) = 0;                      // 20
    virtual BOOL GetVersionB(CString& out) = 0;                      // 21
    virtual WORD GetProductId() const = 0;                           // 22
    // 23: waits for a running write to finish first.
    virtual ~IMouseDevice() = default;
    // 24: once IsWriting is false again, whether the last write reached the device in full.
    // A false result means changes were not written (the caller keeps them pending). True
    // before the first write. A button naming a macro that has no events yet stays as the
    // device has it until the macro is recorded; that alone does not make a write fail.
    virtual BOOL GetLastWriteResult() const = 0;
    // 25: the result of creating the device service at the last connection (S_OK once it
    // was created). A SERVICE_E_STATE_* result tells that the mouse's stored state could not
    // be opened, and why, rather than that the mouse is missing.
    virtual HRESULT GetServiceResult() const = 0;
    // 26: the macros the last read of the macro list found on the mouse but could not read
    // (a damaged record), each by its name, or by its identifier when the name could not be
    // read either. They stay on the mouse as they are: no write deletes them. False when the
    // read could read every macro.
    virtual BOOL GetUnreadMacros(CStringArray& names) const = 0;

protected:
    IMouseDevice() = default;
    IMouseDevice(const IMouseDevice&) = default;
    IMouseDevice& operator=(const IMouseDevice&) = default;
};

// Creates the process's device object for product 0x001E, initialises it against the
// configuration, hands it to the configuration and fills the vocabulary tables. *device
// receives the object (also when initialisation failed). Returns Initialize's result.
BOOL CreateMouseDevice(IMouseConfig* config, IMouseDevice** device);
// Deletes the process's device object (waiting for a running write) and forgets it.
void DestroyMouseDevice();
// The process's device object, or null.
IMouseDevice* GetMouseDevice();
