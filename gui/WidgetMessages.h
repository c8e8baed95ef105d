#pragma once
// The private messages the toolkit's widgets send or post to their owners (wParam and lParam
// as noted), and the messages the list control's drop-down list registers by name.

#include "platform/base/WinTypes.h"
#include "platform/ui/WinUser.h"

// wParam: new position or value; lParam: item id of the thumb or slider.
inline constexpr UINT WM_SLIDER_POSCHANGED = WM_USER + 70;
// wParam: new value; lParam: item id.
inline constexpr UINT WM_MARKER_POSCHANGED = WM_USER + 80;
// Palette to window and button: wParam colour, lParam 100 for a preview (the popup stays
// open), else a final choice. Button to owner: wParam the palette's lParam, lParam colour.
inline constexpr UINT WM_COLORPALETTE_SELECT = WM_USER + 220;
// wParam: colour; lParam: 0 from the palette, the button's item id from the button.
inline constexpr UINT WM_COLORPALETTE_CANCEL = WM_USER + 221;
// wParam: current colour; lParam: 0.
inline constexpr UINT WM_COLORPALETTE_CUSTOM = WM_USER + 222;
// wParam: colour; lParam: item id.
inline constexpr UINT WM_COLORBUTTON_CHANGED = WM_USER + 223;
// wParam: the list window; lParam: ListCtrlNotify {row id, column, text}.
inline constexpr UINT WM_XLIST_EDITDONE = WM_USER + 300;
// wParam: the list window; lParam: ListCtrlNotify {row, column, text}.
inline constexpr UINT WM_XLIST_TEXTCHANGED = WM_USER + 301;
// wParam: the list window; lParam: ListCtrlNotify {row id, column, check state}.
inline constexpr UINT WM_XLIST_CHECKCHANGED = WM_USER + 302;
// wParam: sub-choice (0 on focus loss); lParam: row id of the chosen row, -1 = cancel.
inline constexpr UINT WM_LISTPANEL_SELECT = WM_USER + 304;
// wParam: stage index; lParam: item id.
inline constexpr UINT WM_DPISTAGE_CLICKED = WM_USER + 500;
// wParam: ticker index; lParam: item id.
inline constexpr UINT WM_APMSLIDER_CLICK = WM_USER + 502;
// wParam: virtual-key code (left and right keys told apart); lParam: the sender's window.
inline constexpr UINT WM_ASSIGNKEY_KEY = WM_USER + 504;
// wParam: row id of the clicked row or -1; lParam: the list window.
inline constexpr UINT WM_XLIST_ROWCLICK = WM_USER + 508;
// wParam: the list window; lParam: ListCtrlNotify {row id, column}.
inline constexpr UINT WM_XLIST_ROWDBLCLK = WM_USER + 516;
// wParam: the list window; lParam: ListCtrlNotify {row, column, entry key}.
inline constexpr UINT WM_XLIST_COMMAND = WM_USER + 520;
// wParam: chosen index; lParam: the sender's window.
inline constexpr UINT WM_DROPDOWN_SELECT = WM_USER + 532;
// wParam: 0; lParam: the sender's window.
inline constexpr UINT WM_DROPDOWN_OPENING = WM_USER + 564;
// wParam: rows to scroll.
inline constexpr UINT WM_LIST_SCROLLROWS = WM_USER + 600;
// wParam: 0; lParam: item id.
inline constexpr UINT WM_MACRODISPLAY_CHANGED = WM_USER + 700;
inline constexpr UINT WM_MACRODISPLAY_EDITEVENT = WM_USER + 701;
inline constexpr UINT WM_MACRODISPLAY_FULL = WM_USER + 702;

// What the list control passes by pointer in lParam; valid only during the call. The third
// member depends on the message: a text or entry key, the check state, or nothing.
struct ListCtrlNotify {
    int row = -1;
    int column = -1;
    const WCHAR* text = nullptr;
    bool* checked = nullptr;
};

// The registered messages of the list control's drop-down list (wParam 0, lParam 0); 0 until
// RegisterWidgetMessages ran.
extern UINT WM_XCOMBOLIST_VK_RETURN;
extern UINT WM_XCOMBOLIST_VK_ESCAPE;
extern UINT WM_XCOMBOLIST_KEYDOWN;
extern UINT WM_XCOMBOLIST_LBUTTONUP;

// Registers the named messages (RegisterWindowMessageW); called at start-up. Repeated calls
// give the same values.
void RegisterWidgetMessages();
