#pragma once
// One step of a macro: a key, a mouse button or a delay. The record is exchanged with the
// device client and the macro event list as it stands, so its layout is fixed at 12 bytes.

#include "platform/base/WinTypes.h"

#include <cstdint>
#include <vector>

enum MacroEventType : std::int32_t {
    MACRO_EVENT_KEY = 0,
    MACRO_EVENT_MOUSE_BUTTON = 1,
    MACRO_EVENT_DELAY = 2,
};

// Low byte of a key event's flags.
inline constexpr DWORD MACRO_KEY_PRESS = 0xFF;
inline constexpr DWORD MACRO_KEY_RELEASE = 0x01;
// Extended-key bit of a key event's flags.
inline constexpr DWORD MACRO_KEY_EXTENDED = 0x100;
// Low byte of a mouse-button event's flags that means "release"; anything else is a press.
inline constexpr DWORD MACRO_BUTTON_RELEASE = 0x01;

struct MacroEvent {
    // MACRO_EVENT_KEY, MACRO_EVENT_MOUSE_BUTTON or MACRO_EVENT_DELAY.
    std::int32_t type = MACRO_EVENT_KEY;
    // Key: scan code in the low 16 bits, virtual-key code in the high 16 bits. Mouse button:
    // the button number (1 left, 2 right, 3 wheel, 4 and up the side buttons). Delay: ms.
    std::int32_t code = 0;
    // Key: low byte MACRO_KEY_PRESS or MACRO_KEY_RELEASE, plus MACRO_KEY_EXTENDED. Mouse
    // button: low byte MACRO_BUTTON_RELEASE for a release.
    std::uint32_t flags = 0;

    friend bool operator==(const MacroEvent&, const MacroEvent&) = default;
};
static_assert(sizeof(MacroEvent) == 12, "a macro event is 12 bytes");
static_assert(alignof(MacroEvent) == 4, "a macro event is packed on 4-byte boundaries");

// Key event code from a scan code and a virtual-key code.
constexpr std::int32_t MakeKeyEventCode(WORD scanCode, WORD virtualKey) {
    return static_cast<std::int32_t>(static_cast<DWORD>(scanCode) |
                                     (static_cast<DWORD>(virtualKey) << 16));
}
constexpr WORD KeyEventScanCode(const MacroEvent& e) {
    return static_cast<WORD>(static_cast<DWORD>(e.code) & 0xFFFF);
}
constexpr WORD KeyEventVirtualKey(const MacroEvent& e) {
    return static_cast<WORD>((static_cast<DWORD>(e.code) >> 16) & 0xFFFF);
}

// The steps of a macro in playing order. Two lists are equal when they have the same length
// and equal events at every place (std::vector's own equality).
using MacroEventList = std::vector<MacroEvent>;
