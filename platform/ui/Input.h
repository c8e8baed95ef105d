#pragma once
// Injection of screen-level mouse and keyboard input. Each event waits in the input queue of
// the thread that will handle it and is routed when that thread's loop comes to it (after the
// messages already posted): through hit testing (WM_NCHITTEST, window regions, disabled and
// transparent windows), capture, focus and double-click detection like real input, and posted
// to the target window.

#include "platform/base/WinTypes.h"

namespace platform::input {

enum class MouseButtonId { Left, Right, Middle };

void MouseMove(POINT screen);
void MouseButton(MouseButtonId button, bool down);
// Wheel delta in WHEEL_DELTA units (120 per notch), positive away from the user.
void Wheel(int delta);
// vk may name a side (VK_LSHIFT, VK_RCONTROL, ...): the message carries the generic key with
// the side's scan code and extended bit.
void Key(int vk, bool down);

// The window real input at a screen point goes to, and the hit-test code it answered.
HWND HitWindow(POINT screen, LRESULT* hitCode = nullptr);
// Key message lParam: repeat count (0-15), scan code (16-23), extended (24), previous state
// (30), transition (31). Key injection also sets bit 29 (context: Alt held) for keys pressed
// with Alt, which arrive as WM_SYSKEYDOWN/WM_SYSKEYUP.
LPARAM KeyLParam(UINT repeat, BYTE scan, bool extended, bool previouslyDown, bool up);

} // namespace platform::input
