#pragma once
// The animation control's window procedure (class "SysAnimate32", registered by
// InitCommonControls). The clips and the calls on them are declared in CommCtrl.h.

#include "platform/ui/WinUser.h"

namespace platform::animation {

inline constexpr UINT_PTR kFrameTimer = 1;

LRESULT AnimateProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace platform::animation
