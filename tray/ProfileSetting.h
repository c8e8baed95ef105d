#pragma once
// The tray's record of one device profile: what per-application switching and the on-screen
// display need to know about it.

#include "platform/base/CArray.h"
#include "platform/base/CString.h"
#include "platform/base/Guid.h"

struct _Profile_Setting_ {
    CString name;
    // The program bound to the profile (PROFILE_PROP_PROGRAM), empty when none.
    CString program;
    // Each holds the masked switch bit (0x1, 0x2, 0x4), so non-zero means set.
    int autoSwitch = 0;
    int showDpiOsd = 0;
    int showProfileOsd = 0;
    // The profile's identifier; filled by CDeviceManager::GetProfileSetting only.
    GUID guid = GUID_NULL;
};

using CProfileSettingArray = CArray<_Profile_Setting_>;
