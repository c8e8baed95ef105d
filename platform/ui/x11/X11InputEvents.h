#pragma once
// The X server's pointer, wheel and key events on their way into the input path, and the
// pointer grab that lets a popup holding the mouse capture see clicks anywhere on the screen.

#include "platform/base/WinTypes.h"

union _XEvent;

namespace platform::x11 {

struct KeyEventInput;

// Hands a pointer, wheel or key event (screen coordinates) to the input path of the thread:
// moves, presses and releases as at a real mouse, a wheel click as one notch, a key as `key`
// says what it means (its virtual key and characters; null: the key is not handed on). Other
// events are ignored.
void RouteInputEvent(DWORD thread, const _XEvent& e, const KeyEventInput* key);
// True for the events RouteInputEvent takes.
bool IsInputEvent(const _XEvent& e);

// Whether a capture held by this window keeps the pointer at the X server: the window
// belongs to an owned popup without a caption (a list panel, a drop-down, a colour palette),
// other than a popup menu, whose own grab the desktop shell makes.
bool WantsPointerGrab(HWND capture);

} // namespace platform::x11
