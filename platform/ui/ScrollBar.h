#pragma once
// Scroll state of a window's own scroll bars (SB_VERT, SB_HORZ): a window that scrolls keeps
// its range, page and position here, and a separate scroll bar reads them.

#include "platform/base/WinTypes.h"

inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;

inline constexpr UINT SB_LINEUP = 0;
inline constexpr UINT SB_LINEDOWN = 1;
inline constexpr UINT SB_PAGEUP = 2;
inline constexpr UINT SB_PAGEDOWN = 3;
inline constexpr UINT SB_THUMBPOSITION = 4;
inline constexpr UINT SB_THUMBTRACK = 5;
inline constexpr UINT SB_TOP = 6;
inline constexpr UINT SB_BOTTOM = 7;
inline constexpr UINT SB_ENDSCROLL = 8;

inline constexpr UINT SIF_RANGE = 0x0001;
inline constexpr UINT SIF_PAGE = 0x0002;
inline constexpr UINT SIF_POS = 0x0004;
inline constexpr UINT SIF_TRACKPOS = 0x0010;
inline constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};
using LPSCROLLINFO = SCROLLINFO*;
using LPCSCROLLINFO = const SCROLLINFO*;

// Sets the members named by fMask; the page is kept within the range and the position within
// nMin..nMax - max(nPage - 1, 0). Returns the new position.
int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw);
// Fills the members named by fMask; FALSE for a bad window, a bad bar or no member asked for.
BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info);
int GetScrollPos(HWND hwnd, int bar);
