#pragma once
// The tip of a notification-area icon. Desktop trays on X11 show no tips for the icons they
// hold, so the program shows its own: a small topmost window with the icon's tip text, near
// the icon.
//
//   pointer on the icon --(the tooltip's initial delay, 500 ms)--> shown near the icon
//   shown or waiting --(the pointer leaves the icon, the icon is deleted)--> hidden
//   shown or waiting --(a button pressed on the icon, a menu opened)--> hidden, and it stays
//                     hidden until the pointer has left the icon
//
// The desktop backend reports the pointer (from any thread); the tip window belongs to the
// thread of the icon's window, where the timer runs. One tip at a time.

#include "platform/ui/WinUser.h"

namespace platform::traytip {

inline constexpr UINT kInitialDelayMs = 500;

// The pointer is on the icon (hwnd, id), whose place on the screen is rect.
void PointerOver(HWND hwnd, UINT id, RECT rect);
// The pointer left the icon.
void PointerLeft(HWND hwnd, UINT id);
// A button was pressed on the icon.
void Pressed(HWND hwnd, UINT id);
// A popup menu opened.
void MenuOpened();
// The icon is gone.
void IconDeleted(HWND hwnd, UINT id);

// The tip window while one exists (null otherwise), for tests.
HWND TipWindow();

} // namespace platform::traytip
