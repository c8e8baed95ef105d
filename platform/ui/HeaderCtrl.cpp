#include "platform/ui/HeaderCtrl.h"

#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr LPCWSTR kStateProp = u"platform.header.state";

struct Item {
    std::u16string text;
    int width = 0;
    int format = HDF_LEFT;
    LPARAM data = 0;
    int image = -1;
    HBITMAP bitmap = nullptr;
};

struct HeaderState {
    std::vector<Item> items;
    HFONT font = nullptr;
};

HeaderState* StateOf(HWND hwnd) {
    return static_cast<HeaderState*>(GetPropW(hwnd, kStateProp));
}

bool Valid(const HeaderState& s, WPARAM index) {
    return static_cast<LONG_PTR>(index) >= 0 && static_cast<size_t>(index) < s.items.size();
}

RECT ItemRect(HWND hwnd, const HeaderState& s, size_t index) {
    RECT client{};
    GetClientRect(hwnd, &client);
    int left = 0;
    for (size_t i = 0; i < index; ++i) {
        left += s.items[i].width;
    }
    return RECT{left, 0, left + s.items[index].width, client.bottom};
}

void Apply(Item& item, const HDITEMW& from) {
    if (from.mask & HDI_TEXT) {
        item.text = from.pszText ? std::u16string(from.pszText) : std::u16string();
    }
    if (from.mask & HDI_WIDTH) {
        item.width = std::max(0, from.cxy);
    }
    if (from.mask & HDI_FORMAT) {
        item.format = from.fmt;
    }
    if (from.mask & HDI_LPARAM) {
        item.data = from.lParam;
    }
    if (from.mask & HDI_IMAGE) {
        item.image = from.iImage;
    }
    if (from.mask & HDI_BITMAP) {
        item.bitmap = from.hbm;
    }
}

// Plain grey headings; lists that want another look paint the header themselves.
void Paint(HWND hwnd, const HeaderState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client{};
    GetClientRect(hwnd, &client);
    HBRUSH brush = CreateSolidBrush(RGB(212, 208, 200));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    HGDIOBJ oldFont = s.font ? SelectObject(dc, ToGdiObj(s.font)) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0);
    for (size_t i = 0; i < s.items.size(); ++i) {
        RECT r = ItemRect(hwnd, s, i);
        r.left += 4;
        const int justify = s.items[i].format & HDF_JUSTIFYMASK;
        const UINT align = justify == HDF_RIGHT    ? DT_RIGHT
                           : justify == HDF_CENTER ? DT_CENTER
                                                   : DT_LEFT;
        DrawTextW(dc, s.items[i].text.c_str(), -1, &r,
                  align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (oldFont != nullptr) {
        SelectObject(dc, oldFont);
    }
    EndPaint(hwnd, &ps);
}

LRESULT HeaderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    HeaderState* s = StateOf(hwnd);
    if (s == nullptr && msg != WM_NCCREATE) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    switch (msg) {
    case WM_NCCREATE:
        SetPropW(hwnd, kStateProp, new HeaderState);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
        delete s;
        RemovePropW(hwnd, kStateProp);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        if (lParam) {
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_PAINT:
        Paint(hwnd, *s);
        return 0;
    case HDM_GETITEMCOUNT:
        return static_cast<LRESULT>(s->items.size());
    case HDM_INSERTITEMW: {
        const auto* from = reinterpret_cast<const HDITEMW*>(lParam);
        if (from == nullptr) {
            return -1;
        }
        Item item;
        Apply(item, *from);
        const auto at = std::clamp<LONG_PTR>(static_cast<LONG_PTR>(wParam), 0,
                                             static_cast<LONG_PTR>(s->items.size()));
        s->items.insert(s->items.begin() + at, std::move(item));
        InvalidateRect(hwnd, nullptr, TRUE);
        return at;
    }
    case HDM_DELETEITEM:
        if (!Valid(*s, wParam)) {
            return FALSE;
        }
        s->items.erase(s->items.begin() + static_cast<LONG_PTR>(wParam));
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case HDM_GETITEMW:
    case HDM_SETITEMW: {
        auto* item = reinterpret_cast<HDITEMW*>(lParam);
        if (item == nullptr || !Valid(*s, wParam)) {
            return FALSE;
        }
        Item& own = s->items[wParam];
        if (msg == HDM_SETITEMW) {
            Apply(own, *item);
            InvalidateRect(hwnd, nullptr, TRUE);
            return TRUE;
        }
        if ((item->mask & HDI_TEXT) && item->pszText != nullptr && item->cchTextMax > 0) {
            const size_t n = std::min(own.text.size(), static_cast<size_t>(item->cchTextMax - 1));
            std::copy_n(own.text.begin(), n, item->pszText);
            item->pszText[n] = 0;
        }
        if (item->mask & HDI_WIDTH) {
            item->cxy = own.width;
        }
        if (item->mask & HDI_FORMAT) {
            item->fmt = own.format;
        }
        if (item->mask & HDI_LPARAM) {
            item->lParam = own.data;
        }
        if (item->mask & HDI_IMAGE) {
            item->iImage = own.image;
        }
        if (item->mask & HDI_BITMAP) {
            item->hbm = own.bitmap;
        }
        return TRUE;
    }
    case HDM_GETITEMRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (rect == nullptr || !Valid(*s, wParam)) {
            return FALSE;
        }
        *rect = ItemRect(hwnd, *s, wParam);
        return TRUE;
    }
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace

void InitHeaderControl() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSW wc;
        wc.lpfnWndProc = HeaderProc;
        wc.lpszClassName = WC_HEADERW;
        RegisterClassW(&wc);
    });
}
