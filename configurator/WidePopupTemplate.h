#pragma once
// The dialog template that the predefined-command and preview popups share. The skin gives
// the real size and shape.

#include "platform/base/WinTypes.h"

inline constexpr UINT IDD_WIDE_POPUP = 136;

// Registers the template (a borderless popup without caption) when it is not registered yet.
void EnsureWidePopupTemplate();
