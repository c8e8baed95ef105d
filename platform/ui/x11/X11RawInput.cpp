#include "platform/ui/x11/X11RawInput.h"

#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Keys.h"

// Xlib last: its macros must not meet the window layer's headers.
#include <X11/Xlib.h>

#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>

namespace platform::x11 {

namespace {

// The keys whose evdev code differs from their scan code: the E0-prefixed ones.
struct ExtendedKey {
    unsigned evdev;
    unsigned scan;
};
constexpr ExtendedKey kExtendedKeys[] = {
    {96, 0xE01C},  // keypad Enter
    {97, 0xE01D},  // right Ctrl
    {98, 0xE035},  // keypad slash
    {99, 0xE037},  // Print Screen
    {100, 0xE038}, // right Alt
    {102, 0xE047}, // Home
    {103, 0xE048}, // Up
    {104, 0xE049}, // Page Up
    {105, 0xE04B}, // Left
    {106, 0xE04D}, // Right
    {107, 0xE04F}, // End
    {108, 0xE050}, // Down
    {109, 0xE051}, // Page Down
    {110, 0xE052}, // Insert
    {111, 0xE053}, // Delete
    {125, 0xE05B}, // left Windows key
    {126, 0xE05C}, // right Windows key
    {127, 0xE05D}, // Menu
};

constexpr unsigned kEvdevOffset = 8;
// Evdev codes 1 (Escape) to 88 (F12) are the scan codes themselves.
constexpr unsigned kLastPlainEvdev = 88;

} // namespace

unsigned ScanCodeFromKeycode(unsigned keycode) {
    if (keycode <= kEvdevOffset) {
        return 0;
    }
    const unsigned evdev = keycode - kEvdevOffset;
    if (evdev <= kLastPlainEvdev) {
        return evdev;
    }
    for (const ExtendedKey& key : kExtendedKeys) {
        if (key.evdev == evdev) {
            return key.scan;
        }
    }
    return 0;
}

unsigned KeycodeFromScanCode(unsigned scan) {
    if ((scan & 0xFF00) == 0 && scan >= 1 && scan <= kLastPlainEvdev) {
        return scan + kEvdevOffset;
    }
    for (const ExtendedKey& key : kExtendedKeys) {
        if (key.scan == scan) {
            return key.evdev + kEvdevOffset;
        }
    }
    return 0;
}

RAWMOUSE RawMouseFromXButton(unsigned button, bool press) {
    switch (button) {
    case 1:
        return RawMouseButtonReport(1, press);
    case 2:
        return RawMouseButtonReport(3, press);
    case 3:
        return RawMouseButtonReport(2, press);
    case 4:
    case 5: {
        RAWMOUSE wheel;
        if (press) {
            wheel.usButtonFlags = RI_MOUSE_WHEEL;
            wheel.usButtonData = static_cast<USHORT>(static_cast<SHORT>(button == 4 ? 120 : -120));
        }
        return wheel;
    }
    case 8:
        return RawMouseButtonReport(4, press);
    case 9:
        return RawMouseButtonReport(5, press);
    default:
        return RAWMOUSE{};
    }
}

bool X11RawInput::Open(_XDisplay* dpy, unsigned long root) {
    int opcode = 0;
    int event = 0;
    int error = 0;
    if (!XQueryExtension(dpy, "XInputExtension", &opcode, &event, &error)) {
        return false;
    }
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(dpy, &major, &minor) != Success || major < 2) {
        return false;
    }
    unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(mask, XI_RawKeyPress);
    XISetMask(mask, XI_RawKeyRelease);
    XISetMask(mask, XI_RawButtonPress);
    XISetMask(mask, XI_RawButtonRelease);
    // The master devices: one report per key or click, whichever keyboard or mouse made it.
    XIEventMask events{XIAllMasterDevices, static_cast<int>(sizeof mask), mask};
    if (XISelectEvents(dpy, root, &events, 1) != Success) {
        return false;
    }
    m_opcode = opcode;
    return true;
}

std::optional<RawReport> X11RawInput::Translate(_XDisplay* dpy, _XEvent& event) const {
    if (m_opcode < 0 || event.type != GenericEvent || event.xcookie.extension != m_opcode) {
        return std::nullopt;
    }
    XGenericEventCookie* cookie = &event.xcookie;
    const int type = cookie->evtype;
    if (type != XI_RawKeyPress && type != XI_RawKeyRelease && type != XI_RawButtonPress &&
        type != XI_RawButtonRelease) {
        return std::nullopt;
    }
    if (!XGetEventData(dpy, cookie)) {
        return std::nullopt;
    }
    const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
    const auto detail = static_cast<unsigned>(raw->detail);
    XFreeEventData(dpy, cookie);

    RawReport report;
    if (type == XI_RawButtonPress || type == XI_RawButtonRelease) {
        report.mouse = RawMouseFromXButton(detail, type == XI_RawButtonPress);
        if (report.mouse.usButtonFlags == 0) {
            return std::nullopt;
        }
        return report;
    }
    const bool press = type == XI_RawKeyPress;
    // The keyboard group of the moment: the layout the key types in.
    XkbStateRec state{};
    XkbGetState(dpy, XkbUseCoreKbd, &state);
    const int vk = VirtualKeyFromKeycode(dpy, detail, state.group);
    unsigned scan = ScanCodeFromKeycode(detail);
    if (scan == 0 && vk != 0) {
        scan = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC_EX);
    }
    if (vk == 0 || scan == 0) {
        return std::nullopt;
    }
    report.keyboard = true;
    report.key.MakeCode = static_cast<USHORT>(scan & 0xFF);
    report.key.Flags = static_cast<USHORT>((press ? RI_KEY_MAKE : RI_KEY_BREAK) |
                                           ((scan & 0xFF00) == 0xE000 ? RI_KEY_E0 : 0));
    report.key.VKey = static_cast<USHORT>(vk);
    report.key.Message = press ? WM_KEYDOWN : WM_KEYUP;
    return report;
}

void X11RawInput::Deliver(const RawReport& report) {
    if (report.keyboard) {
        DeliverDesktopRawKeyboard(report.key);
    } else {
        DeliverDesktopRawMouse(report.mouse);
    }
}

} // namespace platform::x11
