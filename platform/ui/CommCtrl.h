#pragma once
// Common controls beyond the built-in ones: the tooltip control and the animation control.
// InitCommonControls registers their window classes (the framework wrappers call it).
//
// The tooltip keeps its tools (owner window, id, rectangle, text) and an active flag. From the
// mouse messages relayed to it, it shows the tool's text in a small pop-up near the cursor
// after an initial delay: never activated, transparent to clicks, kept while the mouse stays
// on the tool, hidden when the mouse leaves it, on a press, when the owner's window is no
// longer active, when the tool goes, and after a time-out (ToolTipPopup.h). The animation
// control opens clips by name from the clips registered with AddAnimationClip (frames side by
// side in one bitmap, and a frame time), paints the current frame, steps the frames by a timer
// while it plays, answers ACM_ISPLAYING truly, obeys ACM_STOP and tells its parent ACN_STOP
// when a play ends.

#include "platform/ui/WinUser.h"

inline constexpr LPCWSTR TOOLTIPS_CLASSW = u"tooltips_class32";
inline constexpr LPCWSTR ANIMATE_CLASSW = u"SysAnimate32";

void InitCommonControls();

// ---- tooltip -------------------------------------------------------------------------------
inline constexpr UINT TTF_IDISHWND = 0x0001;
inline constexpr UINT TTF_SUBCLASS = 0x0010;

struct TOOLINFOW {
    UINT cbSize = sizeof(TOOLINFOW);
    UINT uFlags = 0;
    HWND hwnd = nullptr; // the window that holds the tool
    UINT_PTR uId = 0;    // the tool's id within that window
    RECT rect{};         // the tool's area in the window's client coordinates
    HINSTANCE hinst = nullptr;
    LPWSTR lpszText = nullptr;
    LPARAM lParam = 0;
};
using LPTOOLINFOW = TOOLINFOW*;

inline constexpr UINT TTM_ACTIVATE = WM_USER + 1;        // wParam: TRUE active, FALSE not
inline constexpr UINT TTM_RELAYEVENT = WM_USER + 7;      // lParam: MSG*
inline constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;   // the number of tools
inline constexpr UINT TTM_ADDTOOLW = WM_USER + 50;       // lParam: TOOLINFOW*; TRUE when added
inline constexpr UINT TTM_DELTOOLW = WM_USER + 51;       // lParam: TOOLINFOW* (hwnd, uId)
inline constexpr UINT TTM_GETTEXTW = WM_USER + 56;       // wParam: buffer size in characters
inline constexpr UINT TTM_UPDATETIPTEXTW = WM_USER + 57; // lParam: TOOLINFOW* (hwnd, uId, text)
inline constexpr UINT TTM_NEWTOOLRECTW = WM_USER + 52;   // lParam: TOOLINFOW* (hwnd, uId, rect)

namespace platform {
// Whether a tooltip window is active (TTM_ACTIVATE); false for any other window.
bool IsToolTipActive(HWND tooltip);
} // namespace platform

// ---- animation -----------------------------------------------------------------------------
inline constexpr UINT ACM_PLAY = WM_USER + 101; // wParam: repetitions; lParam: MAKELONG(from, to)
inline constexpr UINT ACM_STOP = WM_USER + 102;
inline constexpr UINT ACM_OPENW = WM_USER + 103; // lParam: clip name (null closes)
inline constexpr UINT ACM_ISPLAYING = WM_USER + 104;

// Sent (WM_COMMAND, notify code in the high word, lParam the control) when a play ends or
// is stopped.
inline constexpr WORD ACN_START = 1;
inline constexpr WORD ACN_STOP = 2;

// Makes a clip available to ACM_OPENW under that name: `frameCount` frames of equal width
// side by side in `frames` (copied), each shown for `frameMs`. The first form names a clip
// without frames, whose plays end at once.
void AddAnimationClip(LPCWSTR name);
void AddAnimationClip(LPCWSTR name, HBITMAP frames, int frameCount, UINT frameMs);
// Whether a clip of that name is registered.
bool HasAnimationClip(LPCWSTR name);
// Removes every registered clip.
void ClearAnimationClips();

namespace platform {
// How many plays an animation window was asked for since its clip was opened.
int AnimationPlayCount(HWND animation);
// The frame an animation window shows (-1 without a clip).
int AnimationFrame(HWND animation);
} // namespace platform
