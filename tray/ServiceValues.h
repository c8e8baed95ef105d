#pragma once
// Reading the values the device service hands the tray. Nothing it gives is trusted: strings
// are read no further than the longest the service keeps, sizes are held to the buffer, and
// task-allocator strings are freed here.

#include "platform/base/CString.h"
#include "service/DeviceService.h"
#include "tray/ProfileSetting.h"

// The program property's buffer: 256 bytes.
inline constexpr DWORD kProgramBytes = 256;
inline constexpr size_t kProgramChars = kProgramBytes / sizeof(WCHAR);

// Takes a string the service handed out (hr and text from the call): frees it and copies at
// most DEVICE_MAX_NAME characters into out. False when the call failed or gave no string.
bool TakeServiceText(HRESULT hr, WCHAR* text, CString& out);
// The bound program into program (empty when the profile has none). True when the call
// succeeded.
bool ReadProgram(IProfileProperties* props, CString& program);
// The three switch bits into out (masked; all 0 when the profile has no switch value). True
// when the call succeeded.
bool ReadSwitches(IProfileProperties* props, _Profile_Setting_& out);
