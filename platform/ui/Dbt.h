#pragma once
// Device arrival and removal for windows: RegisterDeviceNotificationW with a device-interface
// filter, and WM_DEVICECHANGE. An announced arrival or removal (DeviceAnnouncement.h) of an
// interface of the filter's class is sent, on the window's own thread, as WM_DEVICECHANGE
// with wParam DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE and lParam a
// DEV_BROADCAST_DEVICEINTERFACE_W that holds the device's name (valid during the call); every
// top-level window is then posted WM_DEVICECHANGE with DBT_DEVNODES_CHANGED.

#include "platform/base/DeviceAnnouncement.h"
#include "platform/base/WinTypes.h"

inline constexpr WPARAM DBT_DEVNODES_CHANGED = 0x0007;
inline constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
inline constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;
inline constexpr DWORD DBT_DEVTYP_DEVICEINTERFACE = 0x00000005;

inline constexpr DWORD DEVICE_NOTIFY_WINDOW_HANDLE = 0x00000000;
inline constexpr DWORD DEVICE_NOTIFY_ALL_INTERFACE_CLASSES = 0x00000004;

struct DEV_BROADCAST_HDR {
    DWORD dbch_size = 0;
    DWORD dbch_devicetype = 0;
    DWORD dbch_reserved = 0;
};
using PDEV_BROADCAST_HDR = DEV_BROADCAST_HDR*;

struct DEV_BROADCAST_DEVICEINTERFACE_W {
    DWORD dbcc_size = 0;
    DWORD dbcc_devicetype = 0;
    DWORD dbcc_reserved = 0;
    GUID dbcc_classguid{};
    WCHAR dbcc_name[1] = {}; // the name runs on past the record, terminated
};
using PDEV_BROADCAST_DEVICEINTERFACE_W = DEV_BROADCAST_DEVICEINTERFACE_W*;
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32);

// recipient: the window (DEVICE_NOTIFY_WINDOW_HANDLE); filter: a
// DEV_BROADCAST_DEVICEINTERFACE_W of type DBT_DEVTYP_DEVICEINTERFACE whose class is watched
// (any class with DEVICE_NOTIFY_ALL_INTERFACE_CLASSES). Null for a bad window or filter.
HDEVNOTIFY RegisterDeviceNotificationW(HANDLE recipient, LPVOID filter, DWORD flags);
BOOL UnregisterDeviceNotification(HDEVNOTIFY handle);
