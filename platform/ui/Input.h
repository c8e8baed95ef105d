#pragma once
// Injection of screen-level mouse and keyboard input. Each event waits in the input queue of
// the thread that will handle it and is routed when that thread's loop comes to it (after the
// messages already posted): through hit testing (WM_NCHITTEST, window regions, disabled and
// transparent windows), capture, focus and double-click detection like real input, and posted
// to the target window.

#include "platform/base/WinTypes.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform::input {

enum class MouseButtonId { Left, Right, Middle };

void MouseMove(POINT screen);
void MouseButton(MouseButtonId button, bool down);
// Wheel delta in WHEEL_DELTA units (120 per notch), positive away from the user.
void Wheel(int delta);
// What a desktop tells of a key beyond its virtual key.
struct KeyDetail {
    // The key's scan code, 0xE000 added for the keys of the E0 prefix; 0: the built-in
    // layout's code of the virtual key.
    UINT scan = 0;
    // The characters the key types, as the desktop's keyboard layout and input method decided
    // (empty: none). Without it TranslateMessage asks the built-in layout.
    std::optional<std::u16string> text;
};

// vk may name a side (VK_LSHIFT, VK_RCONTROL, ...): the message carries the generic key with
// the side's scan code and extended bit. The key message records the key state after the
// change (what GetKeyState answers while it is handled) and the key's characters, which
// TranslateMessage turns into WM_CHAR (WM_SYSCHAR with Alt). Keys go as WM_SYSKEYDOWN and
// WM_SYSKEYUP while Alt is held without Ctrl (Ctrl with Alt is AltGr).
void Key(int vk, bool down, const KeyDetail& detail = {});
// Characters that come without a key of their own (an input method's committed text, what
// a dead key and the next key compose): a WM_CHAR for each UTF-16 code unit, in order, to the
// window with the keyboard focus.
void Text(std::u16string_view text);

// The window real input at a screen point goes to, and the hit-test code it answered.
HWND HitWindow(POINT screen, LRESULT* hitCode = nullptr);
// Key message lParam: repeat count (0-15), scan code (16-23), extended (24), previous state
// (30), transition (31). Key injection also sets bit 29 (context: Alt held) for keys pressed
// with Alt, which arrive as WM_SYSKEYDOWN/WM_SYSKEYUP.
LPARAM KeyLParam(UINT repeat, BYTE scan, bool extended, bool previouslyDown, bool up);

} // namespace platform::input
