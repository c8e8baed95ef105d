#pragma once
// Device arrival and removal as the system announces them to every program: a device
// interface of a class came or went, named by its device path (which holds the vendor and
// product ids, "\\?\HID#VID_xxxx&PID_xxxx#..."). Whoever plays the hardware (the virtual
// mouse) announces; the window layer delivers the announcements as WM_DEVICECHANGE to the
// windows registered for them (RegisterDeviceNotificationW).

#include "platform/base/Guid.h"

#include <functional>
#include <string>

// The device interface class of mice.
inline constexpr GUID GUID_DEVINTERFACE_MOUSE{
    0x378DE44C, 0x56EF, 0x11D1, {0xBC, 0x8C, 0x00, 0xA0, 0xC9, 0x14, 0x05, 0xDD}};

namespace platform {

struct DeviceAnnouncement {
    bool arrival = false; // else removal
    GUID interfaceClass{};
    std::u16string name;
};

// Hands an announcement to the listener (on the announcing thread); nothing without one.
void AnnounceDevice(const DeviceAnnouncement& announcement);

// The one listener of the process (the window layer installs it when a window first
// registers; null removes it).
using DeviceListener = std::function<void(const DeviceAnnouncement&)>;
void SetDeviceListener(DeviceListener listener);

// What announces in this process is started only once someone listens: the source's start
// runs when a listener is set (at once when one is set already). Null removes the source.
void SetDeviceAnnouncementSource(std::function<void()> start);

} // namespace platform
