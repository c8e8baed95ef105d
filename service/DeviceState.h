#pragma once
// The virtual mouse's state as the service keeps it: device-wide settings, profiles and
// macros, with their factory defaults and the checks every change must pass.

#include "service/DeviceService.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace service {

// Failures beyond the common results.
inline constexpr HRESULT E_NOT_CONNECTED = MakeHResult(0x8007048Fu); // unplugged / no device
inline constexpr HRESULT E_NOT_FOUND = MakeHResult(0x80070490u);     // entity gone, index past end
inline constexpr HRESULT E_FULL = MakeHResult(0x80070070u);          // no room for another one
inline constexpr HRESULT E_BAD_FILE = MakeHResult(0x8007000Du);      // file refused
inline constexpr HRESULT E_MORE_DATA = MakeHResult(0x800700EAu);     // buffer too small

struct LightState {
    bool on = true;
    COLORREF color = 0;
};

struct ProfileState {
    GUID guid{};
    std::u16string name;
    std::u16string program; // empty: no program
    WORD switches = 0;
    INT dpiX = 1600;
    INT dpiY = 1600;
    INT activeStage = 2; // from 1
    std::vector<DeviceDpiStage> stages;
    std::array<DeviceButtonAssignment, DEVICE_BUTTON_COUNT> buttons{}; // by device number - 1
    std::array<LightState, 2> lights{};                                // scroll, logo
};

struct MacroState {
    GUID guid{};
    std::u16string name;
    std::vector<MacroDeviceEvent> events;
};

struct DeviceSettings {
    bool plugged = true;
    INT generation = 1;
    GUID active{};
    INT pollingRate = 1;
    bool accelEnabled = false;
    INT accelLevel = 5;
};

// Supported polling-rate values (milliseconds between reports). The three that the
// configurator offers (8, 2 and 1) come last, in the order its rate buttons show them from
// the last value backwards; 4 is supported but offered by no button.
inline constexpr std::array<INT, 4> kSupportedRates{4, 1, 2, 8};

GUID NewGuid();
DeviceButtonAssignment DefaultAssignment(INT deviceButton);
ProfileState DefaultProfile(std::u16string name);
// Stage value snapped to the step and checked against the range; nothing when out of range.
std::optional<INT> CheckDpi(INT value);
bool IsValidName(std::u16string_view name);
// Structural check of a button record (references are checked by the caller).
bool IsValidAssignment(const DeviceButtonAssignment& record);
bool IsValidMacroEvent(const MacroDeviceEvent& event);
// A mouse-button event carries the button number beside its code (uploads leave it 0), so
// that a macro reads back with the button it was recorded with.
void NormalizeMacroEvent(MacroDeviceEvent& event);
// The GUID a record refers to (macro or profile), if any.
std::optional<GUID> MacroReference(const DeviceButtonAssignment& record);
std::optional<GUID> ProfileReference(const DeviceButtonAssignment& record);

} // namespace service
