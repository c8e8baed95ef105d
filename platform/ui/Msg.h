#pragma once
// The queued message record.

#include "platform/base/WinTypes.h"

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    POINT pt{};
    // The platform's own tag of a key message: it names the key state and the characters
    // recorded when the key went down or up (GetKeyState and TranslateMessage read them), 0
    // for every other message.
    DWORD lPrivate = 0;
};
using LPMSG = MSG*;
