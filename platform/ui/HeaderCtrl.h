#pragma once
// The header control ("SysHeader32"): the row of column headings above a report list. Items
// have a text, a width, a format, an image index and item data; they sit left to right in
// insertion order and cannot be resized by the user here.

#include "platform/ui/WinUser.h"

inline constexpr LPCWSTR WC_HEADERW = u"SysHeader32";

inline constexpr UINT HDM_FIRST = 0x1200;
inline constexpr UINT HDM_GETITEMCOUNT = HDM_FIRST + 0;
inline constexpr UINT HDM_DELETEITEM = HDM_FIRST + 2;
inline constexpr UINT HDM_GETITEMRECT = HDM_FIRST + 7;
inline constexpr UINT HDM_INSERTITEMW = HDM_FIRST + 10;
inline constexpr UINT HDM_GETITEMW = HDM_FIRST + 11;
inline constexpr UINT HDM_SETITEMW = HDM_FIRST + 12;

inline constexpr UINT HDI_WIDTH = 0x0001;
inline constexpr UINT HDI_TEXT = 0x0002;
inline constexpr UINT HDI_FORMAT = 0x0004;
inline constexpr UINT HDI_LPARAM = 0x0008;
inline constexpr UINT HDI_BITMAP = 0x0010; // hbm: the item's bitmap (not owned)
inline constexpr UINT HDI_IMAGE = 0x0020;

inline constexpr int HDF_LEFT = 0x0000;
inline constexpr int HDF_RIGHT = 0x0001;
inline constexpr int HDF_CENTER = 0x0002;
inline constexpr int HDF_JUSTIFYMASK = 0x0003;
inline constexpr int HDF_IMAGE = 0x0800;
inline constexpr int HDF_BITMAP = 0x2000;

// Notifications a header sends to its parent (WM_NOTIFY); tracking starts before a resize.
inline constexpr UINT HDN_FIRST = static_cast<UINT>(-300);
inline constexpr UINT HDN_BEGINTRACKA = HDN_FIRST - 6;
inline constexpr UINT HDN_BEGINTRACKW = HDN_FIRST - 26;

// The header's height in pixels.
inline constexpr int kHeaderHeight = 20;

struct HDITEMW {
    UINT mask = 0;
    int cxy = 0;
    LPWSTR pszText = nullptr;
    int cchTextMax = 0;
    int fmt = 0;
    LPARAM lParam = 0;
    int iImage = -1;
    HBITMAP hbm = nullptr;
};
using HDITEM = HDITEMW;

// Registers the header class (once).
void InitHeaderControl();
