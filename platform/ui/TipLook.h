#pragma once
// How the platform's tips look, the same for a window's tool tips and a tray icon's tip: a
// pale yellow box with a dark border and one line of text.

#include "platform/ui/WinUser.h"

#include <string>

namespace platform::tiplook {

// The size of a tip window that shows the text (its padding included).
SIZE TipSize(const std::u16string& text);

// Paints a tip window (between BeginPaint and EndPaint, which it calls): background, border
// and the text.
void PaintTip(HWND window, const std::u16string& text);

} // namespace platform::tiplook
