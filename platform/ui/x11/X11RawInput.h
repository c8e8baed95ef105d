#pragma once
// Raw input of the whole desktop from the X Input extension: the raw key and button events of
// the master devices, selected on the root window, become raw-input keyboard and mouse
// reports (scan code with the E0 prefix, virtual key, press or release; button transitions)
// for the windows registered through RegisterRawInputDevices.

#include "platform/ui/RawInput.h"

#include <optional>

// Xlib's types by their tags, so that this header can come before Xlib's macros.
struct _XDisplay;
union _XEvent;

namespace platform::x11 {

// One raw report made from an X event.
struct RawReport {
    bool keyboard = false;
    RAWKEYBOARD key;
    RAWMOUSE mouse;
};

class X11RawInput {
public:
    // Selects the raw events on the root window; false when the server has no XInput 2.
    bool Open(_XDisplay* dpy, unsigned long root);
    bool IsOpen() const { return m_opcode >= 0; }

    // The report of a raw event of ours (null for every other event, and for keys and
    // buttons that make none). Reads the event's data, so the caller holds the X lock and
    // calls it before the next event is read.
    std::optional<RawReport> Translate(_XDisplay* dpy, _XEvent& event) const;

    // Hands the report to the registered windows (any thread).
    static void Deliver(const RawReport& report);

private:
    int m_opcode = -1;
};

// The scan code of an X key code on a server with the evdev key codes (key code - 8), with
// 0xE000 added for the keys of the E0 prefix; 0 when the code is not known.
unsigned ScanCodeFromKeycode(unsigned keycode);
// The X key code of a scan code (0xE000 added for the E0 keys); 0 when none.
unsigned KeycodeFromScanCode(unsigned scan);
// The raw mouse report of an X button press or release (1 left, 2 middle, 3 right, 4 and 5
// the wheel, 8 and 9 the side buttons); no flags for other buttons.
RAWMOUSE RawMouseFromXButton(unsigned button, bool press);

} // namespace platform::x11
