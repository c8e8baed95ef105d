#pragma once
// The list box control ("ListBox"): one column of texts, one current entry, scrolled by whole
// entries through its top index (WM_VSCROLL moves it). A click makes the entry under the
// cursor current; with LBS_NOTIFY the parent hears LBN_SELCHANGE by WM_COMMAND.

#include "platform/ui/WinUser.h"

inline constexpr LPCWSTR WC_LISTBOXW = u"ListBox";

inline constexpr DWORD LBS_NOTIFY = 0x0001;
inline constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;

inline constexpr UINT LB_ADDSTRING = 0x0180;
inline constexpr UINT LB_RESETCONTENT = 0x0184;
inline constexpr UINT LB_SETCURSEL = 0x0186;
inline constexpr UINT LB_GETCURSEL = 0x0188;
inline constexpr UINT LB_GETTEXT = 0x0189;
inline constexpr UINT LB_GETTEXTLEN = 0x018A;
inline constexpr UINT LB_GETCOUNT = 0x018B;
inline constexpr UINT LB_GETTOPINDEX = 0x018E;
inline constexpr UINT LB_FINDSTRING = 0x018F;
inline constexpr UINT LB_SETTOPINDEX = 0x0197;
inline constexpr UINT LB_GETITEMHEIGHT = 0x01A1;
inline constexpr LRESULT LB_ERR = -1;
inline constexpr WORD LBN_SELCHANGE = 1;

// Registers the list box class (once).
void InitListBoxControl();
