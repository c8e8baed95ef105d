#include "tray/ServiceValues.h"

#include "platform/base/WideChar.h"
#include "platform/com/ObjBase.h"

#include <algorithm>

// A string the service handed out: freed here, and read no further than the longest name the
// service keeps. False when the call failed or gave no string.
bool TakeServiceText(HRESULT hr, WCHAR* text, CString& out) {
    if (FAILED(hr) || !text) {
        if (text && FAILED(hr)) {
            CoTaskMemFree(text);
        }
        return false;
    }
    out = CString(text, static_cast<int>(wcsnlen(text, DEVICE_MAX_NAME)));
    CoTaskMemFree(text);
    return true;
}

// The bound program: true when the call succeeded; empty when the profile has none.
bool ReadProgram(IProfileProperties* props, CString& program) {
    WCHAR buffer[kProgramChars + 1] = {};
    DWORD size = kProgramBytes;
    program.Empty();
    if (FAILED(props->GetProperty(PROFILE_PROP_PROGRAM, 0, buffer, 0, &size))) {
        return false;
    }
    // The size comes from the service: never past the buffer, never past the longest
    // program, and the text ends at its terminator.
    const size_t chars =
        std::min<size_t>({size / sizeof(WCHAR), kProgramChars, DEVICE_MAX_PROGRAM});
    program = CString(buffer, static_cast<int>(wcsnlen(buffer, chars)));
    return true;
}

// The three switch bits (masked), all 0 when the profile has no switch value: true when the
// call succeeded.
bool ReadSwitches(IProfileProperties* props, _Profile_Setting_& out) {
    WORD switches = 0;
    DWORD size = sizeof switches;
    out.autoSwitch = 0;
    out.showDpiOsd = 0;
    out.showProfileOsd = 0;
    if (FAILED(props->GetProperty(PROFILE_PROP_SWITCHES, 0, &switches, 0, &size))) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    if (size < sizeof switches) {
        switches &= 0xFF;
    }
    out.autoSwitch = switches & PROFILE_SWITCH_AUTO;
    out.showDpiOsd = switches & PROFILE_SWITCH_DPI_OSD;
    out.showProfileOsd = switches & PROFILE_SWITCH_NAME_OSD;
    return true;
}
