// The built-in controls "Static" and "Button" ("Edit" is in EditControl.cpp).

#include "platform/gdi/Gdi.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/WindowManager.h"

#include <algorithm>

namespace platform::wm {

LRESULT StaticControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST: {
        // A static without SS_NOTIFY lets the mouse through to the window below it.
        const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
        return (style & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
        if (style & SS_NOTIFY) {
            const WORD code = msg == WM_LBUTTONDOWN ? STN_CLICKED : STN_DBLCLK;
            SendMessageW(GetParent(hwnd), WM_COMMAND,
                         MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                         reinterpret_cast<LPARAM>(hwnd));
        }
        return 0;
    }
    case WM_SETTEXT: {
        // The new text shows at once, as it does for a button.
        const LRESULT set = DefWindowProcW(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return set;
    }
    case WM_PAINT:
        return platform::PaintControl(hwnd, ODT_STATIC);
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

LRESULT ButtonControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    constexpr LPCWSTR kPressed = u"platform.button.pressed";
    constexpr LPCWSTR kChecked = u"platform.button.checked";
    switch (msg) {
    case WM_GETDLGCODE: {
        // Only real push buttons take Enter for themselves; owner-drawn ones do not.
        const DWORD type = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & BS_TYPEMASK;
        if (type == BS_DEFPUSHBUTTON) {
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        }
        if (type == BS_PUSHBUTTON) {
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        }
        return DLGC_BUTTON;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        // The press of a click; its release reports BN_CLICKED. Owner-drawn and notifying
        // buttons report the second press of a double-click as BN_DOUBLECLICKED instead, and
        // its release then reports nothing: a double-click is one click and one double-click
        // notice, never three.
        LONG_PTR pressed = 1;
        if (msg == WM_LBUTTONDBLCLK) {
            const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
            if ((style & BS_TYPEMASK) == BS_OWNERDRAW || (style & BS_NOTIFY)) {
                pressed = 2;
                SendMessageW(GetParent(hwnd), WM_COMMAND,
                             MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), BN_DOUBLECLICKED),
                             reinterpret_cast<LPARAM>(hwnd));
            }
        }
        SetPropW(hwnd, kPressed, reinterpret_cast<HANDLE>(pressed));
        SetCapture(hwnd);
        SetFocus(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    }
    case WM_LBUTTONUP: {
        const bool pressed = reinterpret_cast<LONG_PTR>(RemovePropW(hwnd, kPressed)) == 1;
        if (GetCapture() == hwnd) {
            ReleaseCapture();
        }
        InvalidateRect(hwnd, nullptr, FALSE);
        RECT client{};
        GetClientRect(hwnd, &client);
        const LONG x = GET_X_LPARAM(lParam);
        const LONG y = GET_Y_LPARAM(lParam);
        if (pressed && x >= 0 && y >= 0 && x < client.right && y < client.bottom) {
            const DWORD type = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & BS_TYPEMASK;
            if (type == BS_AUTOCHECKBOX) {
                SetPropW(hwnd, kChecked,
                         GetPropW(hwnd, kChecked) ? nullptr : reinterpret_cast<HANDLE>(1));
            }
            SendMessageW(GetParent(hwnd), WM_COMMAND,
                         MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), BN_CLICKED),
                         reinterpret_cast<LPARAM>(hwnd));
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (RemovePropW(hwnd, kPressed)) {
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_ENABLE:
        // The enabled and disabled looks differ: the new one is drawn at once.
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case BM_GETCHECK:
        return GetPropW(hwnd, kChecked) ? 1 : 0;
    case BM_SETCHECK:
        SetPropW(hwnd, kChecked, wParam ? reinterpret_cast<HANDLE>(1) : nullptr);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case BM_GETSTATE:
        return (GetPropW(hwnd, kPressed) ? 0x0004 : 0) | (GetPropW(hwnd, kChecked) ? 1 : 0) |
               (GetFocus() == hwnd ? 0x0008 : 0);
    case BM_CLICK:
        SendMessageW(GetParent(hwnd), WM_COMMAND,
                     MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), BN_CLICKED),
                     reinterpret_cast<LPARAM>(hwnd));
        return 0;
    case WM_SETTEXT: {
        const LRESULT set = DefWindowProcW(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return set;
    }
    case WM_PAINT:
        return platform::PaintControl(hwnd, ODT_BUTTON);
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace platform::wm
