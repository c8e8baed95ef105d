#include "platform/ui/ListBox.h"

#include "platform/base/WideChar.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/ScrollBar.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr LPCWSTR kStateProp = u"platform.listbox.state";

struct ListBoxState {
    std::vector<std::u16string> entries;
    int current = -1;
    int top = 0;
    HFONT font = nullptr;
};

ListBoxState* StateOf(HWND hwnd) {
    return static_cast<ListBoxState*>(GetPropW(hwnd, kStateProp));
}

int ItemHeight(const ListBoxState& s) {
    LOGFONTW font;
    if (s.font != nullptr && GetObjectW(s.font, sizeof(font), &font) != 0) {
        return std::max<int>(
            1, static_cast<int>(font.lfHeight < 0 ? -font.lfHeight : font.lfHeight) + 2);
    }
    return 16;
}

int Count(const ListBoxState& s) {
    return static_cast<int>(s.entries.size());
}

void SetTop(HWND hwnd, ListBoxState& s, int top) {
    s.top = std::clamp(top, 0, std::max(0, Count(s) - 1));
    InvalidateRect(hwnd, nullptr, TRUE);
}

void Paint(HWND hwnd, const ListBoxState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client{};
    GetClientRect(hwnd, &client);
    HBRUSH back = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(dc, &client, back);
    DeleteObject(back);
    HGDIOBJ oldFont = s.font ? SelectObject(dc, ToGdiObj(s.font)) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    const int h = ItemHeight(s);
    for (int i = s.top; i < Count(s); ++i) {
        RECT r{0, (i - s.top) * h, client.right, (i - s.top + 1) * h};
        if (r.top >= client.bottom) {
            break;
        }
        if (i == s.current) {
            HBRUSH mark = CreateSolidBrush(RGB(0, 0, 128));
            FillRect(dc, &r, mark);
            DeleteObject(mark);
        }
        SetTextColor(dc, i == s.current ? RGB(255, 255, 255) : RGB(0, 0, 0));
        r.left += 2;
        DrawTextW(dc, s.entries[static_cast<size_t>(i)].c_str(), -1, &r,
                  DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (oldFont != nullptr) {
        SelectObject(dc, oldFont);
    }
    EndPaint(hwnd, &ps);
}

bool StartsWith(const std::u16string& text, LPCWSTR prefix) {
    const size_t n = prefix != nullptr ? wcslen(prefix) : 0;
    return text.size() >= n && _wcsnicmp(text.c_str(), prefix, n) == 0;
}

LRESULT ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    ListBoxState* s = StateOf(hwnd);
    if (s == nullptr && msg != WM_NCCREATE) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    switch (msg) {
    case WM_NCCREATE:
        SetPropW(hwnd, kStateProp, new ListBoxState);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
        delete s;
        RemovePropW(hwnd, kStateProp);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_PAINT:
        Paint(hwnd, *s);
        return 0;
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd);
        const int y = GET_Y_LPARAM(lParam);
        const int hit = s->top + y / ItemHeight(*s);
        if (hit >= 0 && hit < Count(*s) && hit != s->current) {
            s->current = hit;
            InvalidateRect(hwnd, nullptr, TRUE);
            if (static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & LBS_NOTIFY) {
                SendMessageW(GetParent(hwnd), WM_COMMAND,
                             MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), LBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(hwnd));
            }
        }
        return 0;
    }
    case WM_VSCROLL: {
        RECT client{};
        GetClientRect(hwnd, &client);
        const int page = std::max(1, static_cast<int>(client.bottom) / ItemHeight(*s));
        switch (LOWORD(wParam)) {
        case SB_LINEUP:
            SetTop(hwnd, *s, s->top - 1);
            break;
        case SB_LINEDOWN:
            SetTop(hwnd, *s, s->top + 1);
            break;
        case SB_PAGEUP:
            SetTop(hwnd, *s, s->top - page);
            break;
        case SB_PAGEDOWN:
            SetTop(hwnd, *s, s->top + page);
            break;
        case SB_TOP:
            SetTop(hwnd, *s, 0);
            break;
        case SB_BOTTOM:
            SetTop(hwnd, *s, Count(*s) - page);
            break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            SetTop(hwnd, *s, static_cast<int>(HIWORD(wParam)));
            break;
        default:
            break;
        }
        return 0;
    }
    case LB_ADDSTRING:
        s->entries.emplace_back(lParam != 0 ? reinterpret_cast<LPCWSTR>(lParam) : u"");
        InvalidateRect(hwnd, nullptr, TRUE);
        return Count(*s) - 1;
    case LB_RESETCONTENT:
        s->entries.clear();
        s->current = -1;
        s->top = 0;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case LB_GETCOUNT:
        return Count(*s);
    case LB_SETCURSEL: {
        const auto index = static_cast<int>(static_cast<LONG_PTR>(wParam));
        if (index < -1 || index >= Count(*s)) {
            return LB_ERR;
        }
        s->current = index;
        InvalidateRect(hwnd, nullptr, TRUE);
        return index;
    }
    case LB_GETCURSEL:
        return s->current;
    case LB_GETTEXTLEN:
    case LB_GETTEXT: {
        const auto index = static_cast<LONG_PTR>(wParam);
        if (index < 0 || index >= Count(*s)) {
            return LB_ERR;
        }
        const std::u16string& text = s->entries[static_cast<size_t>(index)];
        if (msg == LB_GETTEXT && lParam != 0) {
            auto* out = reinterpret_cast<LPWSTR>(lParam);
            std::copy(text.begin(), text.end(), out);
            out[text.size()] = 0;
        }
        return static_cast<LRESULT>(text.size());
    }
    case LB_FINDSTRING: {
        // The first entry after the given one (wrapping) that starts with the text.
        const int n = Count(*s);
        const auto start = static_cast<int>(static_cast<LONG_PTR>(wParam));
        for (int step = 1; step <= n; ++step) {
            const int i = ((start < 0 ? -1 : start) + step + n) % n;
            if (StartsWith(s->entries[static_cast<size_t>(i)], reinterpret_cast<LPCWSTR>(lParam))) {
                return i;
            }
        }
        return LB_ERR;
    }
    case LB_GETTOPINDEX:
        return s->top;
    case LB_SETTOPINDEX:
        if (static_cast<LONG_PTR>(wParam) < 0 || static_cast<LONG_PTR>(wParam) >= Count(*s)) {
            return LB_ERR;
        }
        SetTop(hwnd, *s, static_cast<int>(wParam));
        return 0;
    case LB_GETITEMHEIGHT:
        return ItemHeight(*s);
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace

void InitListBoxControl() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSW wc;
        wc.lpfnWndProc = ListBoxProc;
        wc.lpszClassName = WC_LISTBOXW;
        RegisterClassW(&wc);
    });
}
