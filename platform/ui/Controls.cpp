// The built-in controls: "Static", "Button" and "Edit".

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
    case WM_PAINT:
        return platform::PaintControl(hwnd, ODT_BUTTON);
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

LRESULT EditControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    constexpr LPCWSTR kSelStart = u"platform.edit.selstart";
    constexpr LPCWSTR kSelEnd = u"platform.edit.selend";
    constexpr LPCWSTR kLimit = u"platform.edit.limit";
    switch (msg) {
    case EM_SETSEL:
        SetPropW(hwnd, kSelStart, reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(wParam)));
        SetPropW(hwnd, kSelEnd, reinterpret_cast<HANDLE>(lParam));
        return 0;
    case EM_GETSEL: {
        const auto start = reinterpret_cast<LONG_PTR>(GetPropW(hwnd, kSelStart));
        auto end = reinterpret_cast<LONG_PTR>(GetPropW(hwnd, kSelEnd));
        if (end < 0) {
            end = GetWindowTextLengthW(hwnd);
        }
        return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(start), static_cast<WORD>(end)));
    }
    case EM_SETLIMITTEXT:
        SetPropW(hwnd, kLimit, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(wParam)));
        return 0;
    case EM_GETLIMITTEXT: {
        const auto limit = reinterpret_cast<UINT_PTR>(GetPropW(hwnd, kLimit));
        return limit ? static_cast<LRESULT>(limit) : 30000;
    }
    case EM_SCROLLCARET:
        return 0; // the whole single line is always shown
    case EM_LINELENGTH:
    case EM_GETLINE: {
        // The field holds one line: its length, or a copy of it into the caller's buffer,
        // whose first WORD gives its room in characters; no terminating NUL is added.
        std::u16string text;
        {
            Lock lock(S().mutex);
            if (Window* w = Get(hwnd)) {
                text = w->text;
            }
        }
        if (msg == EM_LINELENGTH) {
            return static_cast<LRESULT>(text.size());
        }
        auto* buffer = reinterpret_cast<WCHAR*>(lParam);
        if (wParam != 0 || buffer == nullptr) {
            return 0;
        }
        const size_t room = static_cast<WORD>(buffer[0]);
        const size_t copied = std::min(room, text.size());
        std::copy_n(text.begin(), copied, buffer);
        return static_cast<LRESULT>(copied);
    }
    case EM_REPLACESEL: {
        // Replaces the selection by the given text (cut to the text limit) and puts the caret
        // after it.
        std::u16string text;
        {
            Lock lock(S().mutex);
            if (Window* w = Get(hwnd)) {
                text = w->text;
            }
        }
        const auto* insert = reinterpret_cast<LPCWSTR>(lParam);
        std::u16string added = insert ? std::u16string(insert) : std::u16string();
        auto start = static_cast<size_t>(
            std::max<LONG_PTR>(reinterpret_cast<LONG_PTR>(GetPropW(hwnd, kSelStart)), 0));
        auto selEnd = reinterpret_cast<LONG_PTR>(GetPropW(hwnd, kSelEnd));
        auto end = selEnd < 0 ? text.size() : static_cast<size_t>(selEnd);
        end = std::min(end, text.size());
        start = std::min(start, end);
        const auto limit = reinterpret_cast<UINT_PTR>(GetPropW(hwnd, kLimit));
        const size_t kept = text.size() - (end - start);
        if (limit && kept + added.size() > limit) {
            added.resize(limit > kept ? limit - kept : 0);
        }
        text.replace(start, end - start, added);
        const auto caret = static_cast<LONG_PTR>(start + added.size());
        SetPropW(hwnd, kSelStart, reinterpret_cast<HANDLE>(caret));
        SetPropW(hwnd, kSelEnd, reinterpret_cast<HANDLE>(caret));
        DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        InvalidateRect(hwnd, nullptr, TRUE);
        SendMessageW(GetParent(hwnd), WM_COMMAND,
                     MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), EN_CHANGE),
                     reinterpret_cast<LPARAM>(hwnd));
        return 0;
    }
    case WM_KEYDOWN: {
        // Delete removes the selection, or with none the character after the caret.
        const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
        if (wParam != static_cast<WPARAM>(VK_DELETE) || (style & ES_READONLY)) {
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        }
        const LONG_PTR length = GetWindowTextLengthW(hwnd);
        const LONG_PTR start =
            std::clamp<LONG_PTR>(reinterpret_cast<LONG_PTR>(GetPropW(hwnd, kSelStart)), 0, length);
        LONG_PTR end = reinterpret_cast<LONG_PTR>(GetPropW(hwnd, kSelEnd));
        end = end < 0 ? length : std::clamp<LONG_PTR>(end, start, length);
        if (start == end) {
            if (end >= length) {
                return 0;
            }
            SetPropW(hwnd, kSelEnd, reinterpret_cast<HANDLE>(end + 1));
        }
        return EditControlProc(hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(u""));
    }
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        SendMessageW(GetParent(hwnd), WM_COMMAND,
                     MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)),
                                msg == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS),
                     reinterpret_cast<LPARAM>(hwnd));
        return 0;
    case WM_CHAR: {
        const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
        if (style & ES_READONLY) {
            return 0;
        }
        std::u16string text;
        {
            Lock lock(S().mutex);
            if (Window* w = Get(hwnd)) {
                text = w->text;
            }
        }
        const auto ch = static_cast<WCHAR>(wParam);
        // A selection of the whole text (EM_SETSEL 0, -1) is replaced by what is typed.
        const auto selStart = reinterpret_cast<LONG_PTR>(GetPropW(hwnd, kSelStart));
        const auto selEnd = reinterpret_cast<LONG_PTR>(GetPropW(hwnd, kSelEnd));
        const bool replaceAll = selStart == 0 &&
                                (selEnd < 0 || static_cast<size_t>(selEnd) >= text.size()) &&
                                selEnd != 0;
        if (ch == 8) {
            if (replaceAll) {
                text.clear();
            } else if (!text.empty()) {
                text.pop_back();
            } else {
                return 0;
            }
        } else if (ch >= 32) {
            if ((style & ES_NUMBER) && (ch < u'0' || ch > u'9')) {
                return 0;
            }
            if (replaceAll) {
                text.clear();
            }
            const auto limit = reinterpret_cast<UINT_PTR>(GetPropW(hwnd, kLimit));
            if (limit && text.size() >= limit) {
                return 0; // full: the character is refused
            }
            text.push_back(ch);
        } else {
            return 0;
        }
        SetPropW(hwnd, kSelStart, reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(text.size())));
        SetPropW(hwnd, kSelEnd, reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(text.size())));
        DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        InvalidateRect(hwnd, nullptr, TRUE);
        SendMessageW(GetParent(hwnd), WM_COMMAND,
                     MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), EN_CHANGE),
                     reinterpret_cast<LPARAM>(hwnd));
        return 0;
    }
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_PAINT:
        return platform::PaintControl(hwnd, 0);
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace platform::wm
