#pragma once
// The device service: the interfaces through which the configurator, the tray companion and
// the command line reach the mouse, and the records they exchange.
//
// Rules every caller may rely on:
// - Every operation answers an HRESULT; every failure is negative (there is no positive
//   "not found" or "end of list": enumerations stop at the first failure). A failing call
//   sets its out pointers to null and leaves its other out values untouched.
// - Strings, arrays and blocks handed out are task-allocator memory (CoTaskMemFree).
//   Strings are UTF-16 with a terminator.
// - Objects may be called from any thread. Events are posted to the message loop of the
//   thread that advised the sink, after the causing call has returned, in order.
// - Connection cookies are unique in the process: a connection may be ended through any
//   object's connection point for the same event interface (the tray advises on the profile
//   active at one moment and unadvises on the one active later).
// - An object whose entity is gone (deleted profile or macro, unplugged mouse) fails every
//   call and never acts on another entity.
//
// The service is created with CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL,
// IID_IDeviceService, ...). Its state lives in a database shared by every process of the
// user (BORVANTA_SERVICE_DB names another file, for tests).

#include "platform/base/Guid.h"
#include "platform/base/WinTypes.h"
#include "platform/com/OCIdl.h"
#include "platform/com/Unknwn.h"

#include <cstddef>

// ---- results of creating the service ------------------------------------------------------

// What creating the service answers when the mouse's stored state cannot be opened. The file
// is left exactly as it was found.
inline constexpr HRESULT SERVICE_E_STATE_DAMAGED = MakeHResult(0x80040301u);     // unreadable
inline constexpr HRESULT SERVICE_E_STATE_READONLY = MakeHResult(0x80040302u);    // not writable
inline constexpr HRESULT SERVICE_E_STATE_NEWER = MakeHResult(0x80040303u);       // newer format
inline constexpr HRESULT SERVICE_E_STATE_UNAVAILABLE = MakeHResult(0x80040304u); // other failure
inline constexpr HRESULT SERVICE_E_STATE_BUSY = MakeHResult(0x80040305u); // locked by another
inline constexpr HRESULT SERVICE_E_STATE_FULL = MakeHResult(0x80040306u); // the disk is full

// True for the six results above.
constexpr bool IsServiceStateError(HRESULT hr) {
    return hr == SERVICE_E_STATE_DAMAGED || hr == SERVICE_E_STATE_READONLY ||
           hr == SERVICE_E_STATE_NEWER || hr == SERVICE_E_STATE_UNAVAILABLE ||
           hr == SERVICE_E_STATE_BUSY || hr == SERVICE_E_STATE_FULL;
}

// ---- identifiers -------------------------------------------------------------------------

// Referencing the class identifier links the service in and registers its class.
extern const CLSID CLSID_DeviceService;

inline constexpr IID IID_IDeviceService{
    0x9BC5A922, 0x9D3B, 0x4734, {0xAB, 0x60, 0xB6, 0x62, 0xE3, 0x44, 0x06, 0xF6}};
inline constexpr IID IID_IDevice{
    0xD941A65B, 0xD3BC, 0x493D, {0x85, 0x12, 0xCD, 0x86, 0xE2, 0x96, 0x6A, 0x6F}};
inline constexpr IID IID_IDeviceIdentity{
    0x97F3362B, 0xA427, 0x4239, {0xAA, 0x0B, 0x5C, 0xB2, 0xAD, 0x2D, 0xAF, 0x15}};
inline constexpr IID IID_IProfileManager{
    0xE8803D2D, 0xFDF3, 0x4A0B, {0x9E, 0x8D, 0x24, 0x12, 0x86, 0x57, 0x1D, 0xE1}};
inline constexpr IID IID_IProfile{
    0xC4B1FA7A, 0x43F5, 0x489F, {0xA9, 0xF1, 0xAA, 0xED, 0x32, 0xDF, 0x4A, 0x89}};
inline constexpr IID IID_IProfileEx{
    0xA1DD980B, 0x9E14, 0x477B, {0x94, 0x5D, 0x5B, 0x7C, 0x7B, 0x81, 0x0A, 0x71}};
inline constexpr IID IID_IProfileProperties{
    0xFC0DC9A2, 0x2B2A, 0x48E3, {0x98, 0x72, 0x97, 0xE0, 0xEA, 0xF3, 0xA9, 0x35}};
inline constexpr IID IID_IDPI{
    0x26787924, 0xD65F, 0x446F, {0x8D, 0xD2, 0xC8, 0x6D, 0xC5, 0x5D, 0xEA, 0x42}};
inline constexpr IID IID_IButtonAssignments{
    0x5D1F3023, 0x8E2C, 0x4C3C, {0x99, 0x3B, 0xCF, 0x12, 0xCD, 0x9C, 0x30, 0x83}};
inline constexpr IID IID_ILightCollection{
    0xC4D3804C, 0xC682, 0x48D3, {0xBA, 0x6B, 0x23, 0xEE, 0x84, 0x40, 0x77, 0x14}};
inline constexpr IID IID_ILight{
    0xD99BF598, 0x0557, 0x44B0, {0x8F, 0x39, 0xD3, 0x26, 0x63, 0xEB, 0xEB, 0x26}};
inline constexpr IID IID_ILightColor{
    0x728B13F0, 0xC379, 0x44D5, {0x83, 0x43, 0x41, 0xAE, 0x9C, 0xE0, 0x8A, 0x73}};
inline constexpr IID IID_IPollingRate{
    0x3A3B6EBA, 0xF310, 0x4BE4, {0x80, 0x9C, 0x7A, 0x5E, 0xF6, 0xB3, 0x30, 0x39}};
inline constexpr IID IID_IAcceleration{
    0xE5DA3238, 0xE4EF, 0x4C07, {0xB3, 0x3F, 0x8A, 0x69, 0x2C, 0xDC, 0x19, 0x6E}};
inline constexpr IID IID_IMacroManager{
    0xF766B1F5, 0x6202, 0x4039, {0x80, 0x20, 0x52, 0xCC, 0x2F, 0xB0, 0x9C, 0x1B}};
inline constexpr IID IID_IMacro{
    0x4A9D3661, 0x3476, 0x425C, {0x80, 0xA9, 0x52, 0x5E, 0x0E, 0x8B, 0x34, 0x44}};
// Event interfaces (connection points).
inline constexpr IID DIID_IDPIEvents{
    0x59266BDE, 0x06E6, 0x4DA8, {0x98, 0x88, 0x2E, 0x86, 0xD1, 0xEF, 0x41, 0xDE}};
inline constexpr IID DIID_IProfileEvents{
    0x0C83BF72, 0xF18E, 0x45A4, {0x8D, 0x04, 0x91, 0x94, 0x24, 0x5A, 0x4D, 0x42}};
inline constexpr IID DIID_IProfileManagerEvents2{
    0x4FBF3A57, 0xAD16, 0x4491, {0xA1, 0x26, 0x4E, 0x4F, 0xCE, 0x5B, 0xF6, 0xDC}};

// The service's profile store in the registry (under HKEY_LOCAL_MACHINE): one subkey per
// profile, named by the profile's GUID, with the values "Name", "Program" and "Switches";
// the store's value "Active" names the active profile's GUID.
inline constexpr GUID PROFILE_STORE_GUID{
    0xFDE41C0E, 0xD1D4, 0x4C63, {0x8C, 0xAE, 0x2E, 0x76, 0x13, 0xC1, 0x6F, 0xA4}};
inline constexpr WCHAR PROFILE_STORE_KEY[] =
    u"SOFTWARE\\TOLVI\\0.01\\{FDE41C0E-D1D4-4C63-8CAE-2E7613C16FA4}\\PROFILES";

// ---- the virtual mouse ------------------------------------------------------------------

inline constexpr INT DEVICE_PRODUCT_ID = 0x001E;
inline constexpr INT DEVICE_VENDOR_ID = 0x2F3A; // the first value of IDeviceIdentity::GetIds
// The device path of the mouse's interface, as device arrival and removal name it (it holds
// "VID_2F3A" and "PID_001E").
inline constexpr WCHAR DEVICE_INTERFACE_NAME[] =
    u"\\\\?\\HID#VID_2F3A&PID_001E#7&2b1f0e5&0&0000#{378de44c-56ef-11d1-bc8c-00a0c91405dd}";
inline constexpr UINT DEVICE_MAX_PROFILES = 5;
inline constexpr UINT DEVICE_MAX_MACROS = 60;
inline constexpr INT DEVICE_MAX_MACRO_EVENTS = 1024;
inline constexpr INT DEVICE_STAGE_CAPACITY = 5;
inline constexpr INT DEVICE_DPI_MIN = 100;
inline constexpr INT DEVICE_DPI_MAX = 5600;
inline constexpr INT DEVICE_DPI_STEP = 100;
inline constexpr INT DEVICE_BUTTON_COUNT = 11;
inline constexpr INT DEVICE_BUTTON_MASK = 0x7FF;
inline constexpr INT DEVICE_ACCEL_MIN = 1;
inline constexpr INT DEVICE_ACCEL_MAX = 10;
inline constexpr size_t DEVICE_MAX_NAME = 255;    // characters of a profile or macro name
inline constexpr size_t DEVICE_MAX_PROGRAM = 127; // characters of a bound program

// ---- records -----------------------------------------------------------------------------

// IDevice::GetInfo. text is task-allocator memory, freed by the caller after success.
struct DeviceInfo {
    INT firstValue;
    INT productId;
    INT versionBMajor;
    INT versionBMinor;
    INT versionAMajor;
    INT versionAMinor;
    WCHAR* text;
};
static_assert(offsetof(DeviceInfo, text) == 24);

// IButtonAssignments::GetButtonInfo.
struct ButtonInfo {
    INT buttonCount;
    INT reserved;
    INT buttonMask; // one bit per present button
};
static_assert(sizeof(ButtonInfo) == 12);

// IDPI::GetStages / SetStages.
struct DeviceDpiStage {
    INT x;
    INT y;
};
static_assert(sizeof(DeviceDpiStage) == 8);

// IButtonAssignments records: header word 1, device button number 1 to 11, type 1 to 6 and
// 20 bytes of data by type (see the service's documentation in README and the record tests).
enum : INT {
    ASSIGN_MOUSE = 1,   // int32 function code at 12
    ASSIGN_MACRO = 2,   // macro GUID at 12
    ASSIGN_PROFILE = 3, // int32 sub-type at 12 (1 down, 2 up, 3 by GUID at 16)
    ASSIGN_STAGE = 4,   // int32 3 at 12, int32 stage index at 16
    ASSIGN_KEY = 5,     // uint16 scan code at 12, uint32 modifiers at 14
    ASSIGN_ADVANCED = 6,
};
struct DeviceButtonAssignment {
    INT header;
    INT button;
    INT type;
    BYTE data[20];
};
static_assert(sizeof(DeviceButtonAssignment) == 32);

// Macro event blocks (IMacro::GetEvents / SetEvents): {int32 0, int32 count}, count events of
// 8 bytes, then 8 zero bytes.
enum : INT {
    DEVICE_MACRO_EVENT_MOUSE = 1, // uint16 button code, uint16 button number
    DEVICE_MACRO_EVENT_KEY = 2,   // uint16 scan code, uint16 flags (0x1 released, 0x2 extended)
    DEVICE_MACRO_EVENT_DELAY = 3, // int32 milliseconds
};
struct MacroDeviceEvent {
    INT kind;
    BYTE data[4];
};
static_assert(sizeof(MacroDeviceEvent) == 8);
struct MacroEventBlockHeader {
    INT reserved;
    INT count;
};
constexpr size_t MacroEventBlockSize(INT count) {
    return static_cast<size_t>(count) * sizeof(MacroDeviceEvent) + 16;
}

// IProfileProperties identifiers.
inline constexpr DWORD PROFILE_PROP_SWITCHES = 0x80000003; // read: WORD; write: {mask, value}
inline constexpr DWORD PROFILE_PROP_PROGRAM = 0x80000005;  // UTF-16, terminated, 256 bytes
inline constexpr WORD PROFILE_SWITCH_AUTO = 0x1;
inline constexpr WORD PROFILE_SWITCH_DPI_OSD = 0x2;
inline constexpr WORD PROFILE_SWITCH_NAME_OSD = 0x4;
struct ProfileSwitchWrite {
    WORD mask;
    WORD value; // 0 or 1
};

// Light kinds (ILight::GetKind).
inline constexpr INT LIGHT_KIND_SCROLL = 1;
inline constexpr INT LIGHT_KIND_LOGO = 4;

// Event flags. Manager events carry one bit each; profile events one per changed switch.
inline constexpr INT PROFILE_MANAGER_EVENT_ACTIVE = 0x1;
inline constexpr INT PROFILE_MANAGER_EVENT_CHANGED = 0x2; // added, or name/program/switches
inline constexpr INT PROFILE_MANAGER_EVENT_REMOVED = 0x4;
inline constexpr INT PROFILE_EVENT_DPI_OSD = 0x1;
inline constexpr INT PROFILE_EVENT_NAME_OSD = 0x2;
inline constexpr INT PROFILE_EVENT_AUTO = 0x4;

// ---- interfaces --------------------------------------------------------------------------

struct IDevice;
struct IProfile;
struct IMacro;
struct ILight;

struct IDeviceService : IUnknown {
    // Devices by index from 0; fails past the last one (and while the mouse is unplugged).
    virtual HRESULT GetDevice(UINT index, IDevice** out) = 0;

protected:
    ~IDeviceService() = default;
};

struct IDevice : IUnknown {
    virtual HRESULT GetInfo(DeviceInfo* info) = 0;
    // IID_IProfileManager, IID_IMacroManager, IID_IPollingRate, IID_IAcceleration.
    virtual HRESULT GetFeature(REFIID id, void** out) = 0;

protected:
    ~IDevice() = default;
};

// Queried on a device.
struct IDeviceIdentity : IUnknown {
    virtual HRESULT GetIds(INT* firstValue, INT* productId) = 0;

protected:
    ~IDeviceIdentity() = default;
};

// Also an IConnectionPointContainer for DIID_IProfileManagerEvents2.
struct IProfileManager : IUnknown {
    virtual HRESULT GetProfile(UINT index, IProfile** out) = 0;
    virtual HRESULT GetProfileByGuid(GUID guid, IProfile** out) = 0;
    virtual HRESULT SetActiveProfile(IProfile* profile) = 0;
    virtual HRESULT GetActiveProfile(IProfile** out) = 0;
    // Fails when the device holds its maximum of profiles.
    virtual HRESULT CreateProfile(IProfile** out) = 0;
    // E_ACCESSDENIED while the profile is the active one.
    virtual HRESULT DeleteProfile(IProfile* profile) = 0;
    virtual HRESULT GetProfileCount(UINT* count) = 0;
    virtual HRESULT ImportProfile(LPCWSTR path, IProfile** out) = 0;

protected:
    ~IProfileManager() = default;
};

// Also an IConnectionPointContainer for DIID_IProfileEvents.
struct IProfile : IUnknown {
    // IID_IProfileProperties, IID_IDPI, IID_IButtonAssignments, IID_ILightCollection,
    // IID_IProfileEx.
    virtual HRESULT GetFeature(REFIID id, void** out) = 0;
    virtual HRESULT GetGuid(GUID* guid) = 0;
    virtual HRESULT GetName(WCHAR** name) = 0;
    virtual HRESULT SetName(LPCWSTR name) = 0;
    // S_OK and TRUE when this is the active profile.
    virtual HRESULT IsActive(BOOL* active) = 0;
    virtual HRESULT ExportToFile(LPCWSTR path) = 0;

protected:
    ~IProfile() = default;
};

struct IProfileEx : IUnknown {
    // Position of the profile in the device's list, from 0.
    virtual HRESULT GetIndex(UINT* index) = 0;

protected:
    ~IProfileEx() = default;
};

struct IProfileProperties : IUnknown {
    // size: in the buffer's capacity in bytes, out the bytes written (0 = no value).
    virtual HRESULT GetProperty(DWORD id, DWORD reserved, void* buffer, DWORD reserved2,
                                DWORD* size) = 0;
    virtual HRESULT SetProperty(DWORD id, const void* buffer, DWORD reserved, DWORD size,
                                DWORD reserved2) = 0;

protected:
    ~IProfileProperties() = default;
};

// Also an IConnectionPointContainer for DIID_IDPIEvents. Stages are numbered from 1.
struct IDPI : IUnknown {
    virtual HRESULT GetDpi(INT* x, INT* y) = 0;
    virtual HRESULT SetDpi(INT x, INT y) = 0;
    // First the fewest stages, second the stage capacity.
    virtual HRESULT GetStageLimits(INT* minStages, INT* capacity) = 0;
    virtual HRESULT GetActiveStage(INT* stage) = 0;
    virtual HRESULT SetActiveStage(INT stage) = 0;
    virtual HRESULT GetStages(INT* count, DeviceDpiStage** stages) = 0;
    virtual HRESULT SetStages(INT count, const DeviceDpiStage* stages) = 0;
    virtual HRESULT GetDpiRange(INT* minimum, INT* maximum, INT* step) = 0;

protected:
    ~IDPI() = default;
};

struct IButtonAssignments : IUnknown {
    // count: in the buffer's capacity in records, out the records written.
    virtual HRESULT GetAssignments(INT* count, DeviceButtonAssignment* records) = 0;
    virtual HRESULT SetAssignments(INT count, const DeviceButtonAssignment* records) = 0;
    virtual HRESULT GetButtonInfo(ButtonInfo* info) = 0;

protected:
    ~IButtonAssignments() = default;
};

struct ILightCollection : IUnknown {
    virtual HRESULT GetItem(UINT index, ILight** out) = 0;

protected:
    ~ILightCollection() = default;
};

struct ILight : IUnknown {
    virtual HRESULT TurnOn() = 0;
    virtual HRESULT TurnOff() = 0;
    virtual HRESULT IsOn(BOOL* on) = 0;
    virtual HRESULT GetKind(INT* kind) = 0;

protected:
    ~ILight() = default;
};

// Queried on a light.
struct ILightColor : IUnknown {
    virtual HRESULT SetColor(COLORREF color) = 0;
    virtual HRESULT GetColor(COLORREF* color) = 0;

protected:
    ~ILightColor() = default;
};

struct IPollingRate : IUnknown {
    virtual HRESULT Get(INT* value) = 0;
    virtual HRESULT Set(INT value) = 0;
    // values: task-allocator array of count entries.
    virtual HRESULT GetSupported(INT* count, INT** values) = 0;

protected:
    ~IPollingRate() = default;
};

struct IAcceleration : IUnknown {
    virtual HRESULT Enable() = 0;
    virtual HRESULT Disable() = 0;
    virtual HRESULT IsEnabled(BOOL* enabled) = 0;
    virtual HRESULT SetLevel(INT level) = 0;
    virtual HRESULT GetLevel(INT* level) = 0;

protected:
    ~IAcceleration() = default;
};

struct IMacroManager : IUnknown {
    virtual HRESULT GetMacro(UINT index, IMacro** out) = 0;
    virtual HRESULT GetMacroByGuid(GUID guid, IMacro** out) = 0;
    virtual HRESULT CreateMacro(IMacro** out) = 0;
    virtual HRESULT DeleteMacro(IMacro* macro) = 0;
    virtual HRESULT GetMacroCount(UINT* count) = 0;
    virtual HRESULT ImportMacro(LPCWSTR path, IMacro** out) = 0;

protected:
    ~IMacroManager() = default;
};

struct IMacro : IUnknown {
    virtual HRESULT GetGuid(GUID* guid) = 0;
    virtual HRESULT GetName(WCHAR** name) = 0;
    virtual HRESULT SetName(LPCWSTR name) = 0;
    virtual HRESULT ExportToFile(LPCWSTR path) = 0;
    // block: task-allocator block of MacroEventBlockSize(count) bytes.
    virtual HRESULT GetEvents(BYTE** block) = 0;
    virtual HRESULT SetEvents(const BYTE* block) = 0;

protected:
    ~IMacro() = default;
};

// ---- events (implemented by the caller's sinks) -----------------------------------------

struct _IDPIEvents : IUnknown {
    virtual HRESULT OnDpiChanged(INT x, INT y) = 0;

protected:
    ~_IDPIEvents() = default;
};

struct _IProfileEvents : IUnknown {
    // flags: PROFILE_EVENT_*; value: the switch's new value.
    virtual HRESULT OnProfileEvent(INT flags, INT value, INT a, INT b, INT c) = 0;

protected:
    ~_IProfileEvents() = default;
};

struct _IProfileManagerEvents2 : IUnknown {
    // flags: one PROFILE_MANAGER_EVENT_* bit; index: the profile's position (or -1).
    virtual HRESULT OnProfileManagerEvent(INT flags, INT index, INT a, INT b, INT c) = 0;

protected:
    ~_IProfileManagerEvents2() = default;
};

BORVANTA_INTERFACE_ID(IDeviceService, IID_IDeviceService);
BORVANTA_INTERFACE_ID(IDevice, IID_IDevice);
BORVANTA_INTERFACE_ID(IDeviceIdentity, IID_IDeviceIdentity);
BORVANTA_INTERFACE_ID(IProfileManager, IID_IProfileManager);
BORVANTA_INTERFACE_ID(IProfile, IID_IProfile);
BORVANTA_INTERFACE_ID(IProfileEx, IID_IProfileEx);
BORVANTA_INTERFACE_ID(IProfileProperties, IID_IProfileProperties);
BORVANTA_INTERFACE_ID(IDPI, IID_IDPI);
BORVANTA_INTERFACE_ID(IButtonAssignments, IID_IButtonAssignments);
BORVANTA_INTERFACE_ID(ILightCollection, IID_ILightCollection);
BORVANTA_INTERFACE_ID(ILight, IID_ILight);
BORVANTA_INTERFACE_ID(ILightColor, IID_ILightColor);
BORVANTA_INTERFACE_ID(IPollingRate, IID_IPollingRate);
BORVANTA_INTERFACE_ID(IAcceleration, IID_IAcceleration);
BORVANTA_INTERFACE_ID(IMacroManager, IID_IMacroManager);
BORVANTA_INTERFACE_ID(IMacro, IID_IMacro);
BORVANTA_INTERFACE_ID(_IDPIEvents, DIID_IDPIEvents);
BORVANTA_INTERFACE_ID(_IProfileEvents, DIID_IProfileEvents);
BORVANTA_INTERFACE_ID(_IProfileManagerEvents2, DIID_IProfileManagerEvents2);
