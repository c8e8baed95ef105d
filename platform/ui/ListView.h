#pragma once
// The list-view control ("SysListView32") in report view: rows of texts in columns, item
// data, single selection, sorting by item data, vertical scrolling by rows (its SB_VERT
// scroll state), and custom draw through NM_CUSTOMDRAW to the parent, per row and, when asked,
// per cell. Unless LVS_NOCOLUMNHEADER is given, a header control (HeaderCtrl.h) shows the
// column headings above the rows, made when first asked for (LVM_GETHEADER) or when the first
// column goes in.

#include "platform/ui/HeaderCtrl.h"
#include "platform/ui/WinUser.h"

inline constexpr LPCWSTR WC_LISTVIEWW = u"SysListView32";

inline constexpr DWORD LVS_REPORT = 0x0001;
inline constexpr DWORD LVS_SINGLESEL = 0x0004;
inline constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
inline constexpr DWORD LVS_EDITLABELS = 0x0200;
inline constexpr DWORD LVS_OWNERDRAWFIXED = 0x0400;
inline constexpr DWORD LVS_NOSCROLL = 0x2000;
inline constexpr DWORD LVS_NOCOLUMNHEADER = 0x4000;

inline constexpr UINT LVM_FIRST = 0x1000;
inline constexpr UINT LVM_SETBKCOLOR = LVM_FIRST + 1;
inline constexpr UINT LVM_SETIMAGELIST = LVM_FIRST + 3;
inline constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
inline constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;
inline constexpr UINT LVM_DELETEITEM = LVM_FIRST + 8;
inline constexpr UINT LVM_DELETEALLITEMS = LVM_FIRST + 9;
inline constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;
inline constexpr UINT LVM_GETITEMRECT = LVM_FIRST + 14;
inline constexpr UINT LVM_HITTEST = LVM_FIRST + 18;
inline constexpr UINT LVM_ENSUREVISIBLE = LVM_FIRST + 19;
inline constexpr UINT LVM_SCROLL = LVM_FIRST + 20;
inline constexpr UINT LVM_REDRAWITEMS = LVM_FIRST + 21;
inline constexpr UINT LVM_GETCOLUMNWIDTH = LVM_FIRST + 29;
inline constexpr UINT LVM_SETCOLUMNWIDTH = LVM_FIRST + 30;
inline constexpr UINT LVM_GETHEADER = LVM_FIRST + 31;
inline constexpr UINT LVM_SETTEXTCOLOR = LVM_FIRST + 36;
// Extended list styles (wParam: the bits to change, 0 for all; lParam: their new values; the
// answer is the earlier style). They are kept and reported; the display draws the same.
inline constexpr UINT LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54;
inline constexpr UINT LVM_GETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 55;
// The colour of the list's outline (lParam); the answer is the earlier colour.
inline constexpr UINT LVM_GETOUTLINECOLOR = LVM_FIRST + 176;
inline constexpr UINT LVM_SETOUTLINECOLOR = LVM_FIRST + 177;
inline constexpr DWORD LVS_EX_FULLROWSELECT = 0x00000020;
inline constexpr DWORD LVS_EX_FLATSB = 0x00000100;
inline constexpr DWORD LVS_EX_DOUBLEBUFFER = 0x00010000;
inline constexpr UINT LVM_GETTOPINDEX = LVM_FIRST + 39;
inline constexpr UINT LVM_GETCOUNTPERPAGE = LVM_FIRST + 40;
inline constexpr UINT LVM_GETITEMSTATE = LVM_FIRST + 44;
inline constexpr UINT LVM_SORTITEMS = LVM_FIRST + 48;
inline constexpr UINT LVM_GETSUBITEMRECT = LVM_FIRST + 56;
inline constexpr UINT LVM_SUBITEMHITTEST = LVM_FIRST + 57;
inline constexpr UINT LVM_GETITEMW = LVM_FIRST + 75;
inline constexpr UINT LVM_SETITEMW = LVM_FIRST + 76;
inline constexpr UINT LVM_INSERTITEMW = LVM_FIRST + 77;
inline constexpr UINT LVM_GETCOLUMNW = LVM_FIRST + 95;
inline constexpr UINT LVM_INSERTCOLUMNW = LVM_FIRST + 97;
inline constexpr UINT LVM_GETITEMTEXTW = LVM_FIRST + 115;
// Label editing: an edit field over the row; Enter or the field losing the focus ends it with
// the text, Escape (or LVM_CANCELEDITLABEL) without. The parent hears LVN_BEGINLABELEDITW
// (nonzero refuses) once the field exists and LVN_ENDLABELEDITW (pszText null when cancelled;
// nonzero takes the text as the row's label) while the field still exists.
inline constexpr UINT LVM_EDITLABELW = LVM_FIRST + 118;
inline constexpr UINT LVM_GETEDITCONTROL = LVM_FIRST + 24;
inline constexpr UINT LVM_CANCELEDITLABEL = LVM_FIRST + 179;
inline constexpr UINT LVN_FIRST = static_cast<UINT>(-100);
inline constexpr UINT LVN_BEGINLABELEDITW = LVN_FIRST - 75;
inline constexpr UINT LVN_ENDLABELEDITW = LVN_FIRST - 76;
inline constexpr UINT LVM_SETITEMTEXTW = LVM_FIRST + 116;

inline constexpr UINT LVIF_TEXT = 0x0001;
inline constexpr UINT LVIF_STATE = 0x0008;
inline constexpr UINT LVIF_PARAM = 0x0004;
inline constexpr UINT LVIS_FOCUSED = 0x0001;
inline constexpr UINT LVIS_SELECTED = 0x0002;
inline constexpr UINT LVNI_ALL = 0x0000;
inline constexpr UINT LVNI_SELECTED = 0x0002;
inline constexpr int LVIR_BOUNDS = 0;
inline constexpr int LVIR_LABEL = 2;
inline constexpr int LVCFMT_RIGHT = 1;
inline constexpr int LVCFMT_CENTER = 2;
inline constexpr int LVCFMT_JUSTIFYMASK = 3;
inline constexpr int LVSIL_SMALL = 1;
inline constexpr int LVCFMT_LEFT = 0;
inline constexpr UINT LVCF_FMT = 0x0001;
inline constexpr UINT LVCF_WIDTH = 0x0002;
inline constexpr UINT LVCF_TEXT = 0x0004;
inline constexpr UINT LVHT_NOWHERE = 0x0001;
inline constexpr UINT LVHT_ONITEM = 0x000E;

struct LVITEMW {
    UINT mask = 0;
    int iItem = 0;
    int iSubItem = 0;
    UINT state = 0;
    UINT stateMask = 0;
    LPWSTR pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    LPARAM lParam = 0;
};
using LVITEM = LVITEMW;

struct LVCOLUMNW {
    UINT mask = 0;
    int fmt = 0;
    int cx = 0;
    LPWSTR pszText = nullptr;
    int cchTextMax = 0;
    int iSubItem = 0;
};
using LVCOLUMN = LVCOLUMNW;

struct LVHITTESTINFO {
    POINT pt{};
    UINT flags = 0;
    int iItem = -1;
    int iSubItem = 0;
};

struct NMLVDISPINFOW {
    NMHDR hdr;
    LVITEMW item;
};

// What a search for an item looks for; with LVFI_STRING, the item whose text equals psz.
inline constexpr UINT LVFI_STRING = 0x0002;
struct LVFINDINFOW {
    UINT flags = 0;
    LPCWSTR psz = nullptr;
    LPARAM lParam = 0;
    POINT pt{};
    UINT vkDirection = 0;
};
using LVFINDINFO = LVFINDINFOW;

// Compares the item data of two rows; the third argument is the caller's.
using PFNLVCOMPARE = int (*)(LPARAM, LPARAM, LPARAM);

// Custom draw (WM_NOTIFY with code NM_CUSTOMDRAW to the parent).
inline constexpr UINT NM_CUSTOMDRAW = static_cast<UINT>(-12);
// Sent (as a bare NMHDR) to the parent after a left click has been handled.
inline constexpr UINT NM_CLICK = static_cast<UINT>(-2);
inline constexpr DWORD CDDS_PREPAINT = 0x00000001;
inline constexpr DWORD CDDS_POSTPAINT = 0x00000002;
inline constexpr DWORD CDDS_ITEM = 0x00010000;
inline constexpr DWORD CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
inline constexpr DWORD CDDS_SUBITEM = 0x00020000;
inline constexpr LRESULT CDRF_DODEFAULT = 0x00000000;
inline constexpr LRESULT CDRF_SKIPDEFAULT = 0x00000004;
inline constexpr LRESULT CDRF_NOTIFYITEMDRAW = 0x00000020;
// From an item pre-paint: one CDDS_ITEMPREPAINT | CDDS_SUBITEM notification per column.
inline constexpr LRESULT CDRF_NOTIFYSUBITEMDRAW = 0x00000020;
inline constexpr UINT CDIS_SELECTED = 0x0001;
inline constexpr UINT CDIS_FOCUS = 0x0010;

struct NMCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage = 0;
    HDC hdc = nullptr;
    RECT rc{};
    DWORD_PTR dwItemSpec = 0;
    UINT uItemState = 0;
    LPARAM lItemlParam = 0;
};
using LPNMCUSTOMDRAW = NMCUSTOMDRAW*;

struct NMLVCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    COLORREF clrText = 0;
    COLORREF clrTextBk = 0;
    int iSubItem = 0;
};
using LPNMLVCUSTOMDRAW = NMLVCUSTOMDRAW*;

// Image lists: here only a size, which sets the row height of a list that shows them (a row
// is at least as high as its small images).
struct ImageListData;
using HIMAGELIST = ImageListData*;
inline constexpr UINT ILC_COLOR4 = 0x0004;
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);

// Registers the list-view class (once).
void InitListViewControl();

// Flat scroll bars: the controls here draw no native scroll bars, so these only answer.
inline constexpr UINT SB_BOTH = 3;
inline constexpr UINT ESB_DISABLE_BOTH = 0x0003;
BOOL InitializeFlatSB(HWND hwnd);
BOOL FlatSB_EnableScrollBar(HWND hwnd, int bar, UINT arrows);
