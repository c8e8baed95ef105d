#include "platform/ui/ScrollBar.h"

#include "platform/ui/WinUser.h"

#include <algorithm>

namespace {

// The state lives in window properties, so it goes with the window.
struct BarProps {
    LPCWSTR min;
    LPCWSTR max;
    LPCWSTR page;
    LPCWSTR pos;
    LPCWSTR track;
};

constexpr BarProps kBars[2] = {
    {u"platform.hscroll.min", u"platform.hscroll.max", u"platform.hscroll.page",
     u"platform.hscroll.pos", u"platform.hscroll.track"},
    {u"platform.vscroll.min", u"platform.vscroll.max", u"platform.vscroll.page",
     u"platform.vscroll.pos", u"platform.vscroll.track"},
};

LONG_PTR Read(HWND hwnd, LPCWSTR name) {
    return reinterpret_cast<LONG_PTR>(GetPropW(hwnd, name));
}

void Write(HWND hwnd, LPCWSTR name, LONG_PTR value) {
    SetPropW(hwnd, name, reinterpret_cast<HANDLE>(value));
}

} // namespace

int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL /*redraw*/) {
    if (!IsWindow(hwnd) || info == nullptr || (bar != SB_HORZ && bar != SB_VERT)) {
        return 0;
    }
    const BarProps& p = kBars[bar];
    LONG_PTR nMin = Read(hwnd, p.min);
    LONG_PTR nMax = Read(hwnd, p.max);
    LONG_PTR page = Read(hwnd, p.page);
    LONG_PTR pos = Read(hwnd, p.pos);
    if (info->fMask & SIF_RANGE) {
        nMin = info->nMin;
        nMax = std::max(info->nMax, info->nMin);
    }
    if (info->fMask & SIF_PAGE) {
        page = static_cast<LONG_PTR>(info->nPage);
    }
    page = std::clamp<LONG_PTR>(page, 0, nMax - nMin + 1);
    if (info->fMask & SIF_POS) {
        pos = info->nPos;
    }
    const LONG_PTR highest = nMax - std::max<LONG_PTR>(page - 1, 0);
    pos = std::clamp<LONG_PTR>(pos, nMin, std::max(nMin, highest));
    Write(hwnd, p.min, nMin);
    Write(hwnd, p.max, nMax);
    Write(hwnd, p.page, page);
    Write(hwnd, p.pos, pos);
    if (info->fMask & SIF_TRACKPOS) {
        Write(hwnd, p.track, info->nTrackPos);
    }
    return static_cast<int>(pos);
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
    if (!IsWindow(hwnd) || info == nullptr || (bar != SB_HORZ && bar != SB_VERT) ||
        (info->fMask & SIF_ALL) == 0) {
        return FALSE;
    }
    const BarProps& p = kBars[bar];
    if (info->fMask & SIF_RANGE) {
        info->nMin = static_cast<int>(Read(hwnd, p.min));
        info->nMax = static_cast<int>(Read(hwnd, p.max));
    }
    if (info->fMask & SIF_PAGE) {
        info->nPage = static_cast<UINT>(Read(hwnd, p.page));
    }
    if (info->fMask & SIF_POS) {
        info->nPos = static_cast<int>(Read(hwnd, p.pos));
    }
    if (info->fMask & SIF_TRACKPOS) {
        info->nTrackPos = static_cast<int>(Read(hwnd, p.track));
    }
    return TRUE;
}

int GetScrollPos(HWND hwnd, int bar) {
    SCROLLINFO info;
    info.fMask = SIF_POS;
    return GetScrollInfo(hwnd, bar, &info) ? info.nPos : 0;
}
