#pragma once
// The tray's on-screen display: two short-lived overlays on the primary monitor, above every
// other window, that never take the focus and let mouse clicks through.
//
// - "csl_osd" shows the profile that has just become active, in large green letters at the
//   bottom right of the screen, for 5 seconds.
// - "csl_osdslider" shows one or two vertical bar gauges with a new sensitivity, near the
//   bottom right corner, for 3 seconds.
//
// Both windows are layered: their key colour (pure green 0x00FF00) is transparent and the
// gauge window is drawn at a constant alpha of 200. A show posts WM_OSD_SHOW to the window,
// which shows it without activation and (re)starts its hide timer; the timer hides it and
// clears what it showed. Everything runs on the thread that created the windows.

#include "platform/base/WinTypes.h"
#include "platform/ui/WinUser.h"

// Posted to either window (wParam 0, lParam 0): show it and restart its hide timer.
inline constexpr UINT WM_OSD_SHOW = 0x40C;
inline constexpr UINT_PTR OSD_HIDE_TIMER = 101;
inline constexpr UINT OSD_TEXT_SHOW_MS = 5000;
inline constexpr UINT OSD_SLIDER_SHOW_MS = 3000;

inline constexpr LPCWSTR OSD_TEXT_CLASS = u"csl_osd";
inline constexpr LPCWSTR OSD_SLIDER_CLASS = u"csl_osdslider";

// The name text holds 254 characters and the terminator; a value text 4 and the terminator.
inline constexpr int OSD_NAME_TEXT_SIZE = 255;
inline constexpr int OSD_VALUE_TEXT_SIZE = 5;

inline constexpr int OSD_DEFAULT_MAX_LEVEL = 20;
// Upper bound of the number of segments a gauge can have (each is 12 pixels tall).
inline constexpr int OSD_MAX_LEVEL_LIMIT = 100;

// Colours.
inline constexpr COLORREF OSD_KEY_COLOR = RGB(0x00, 0xFF, 0x00);
inline constexpr COLORREF OSD_TEXT_COLOR = RGB(0x00, 0xFA, 0x00);
inline constexpr COLORREF OSD_BAR_COLOR = RGB(0x00, 0xC8, 0x00);
inline constexpr COLORREF OSD_GAUGE_INSIDE_COLOR = RGB(0x00, 0x00, 0x00);
inline constexpr COLORREF OSD_LABEL_COLOR = RGB(0x00, 0x32, 0x00);
inline constexpr BYTE OSD_SLIDER_ALPHA = 200;

// Gauge window layout: two columns of 57 pixels with 5 pixels between them.
inline constexpr int OSD_SLIDER_WIDTH = 119;
inline constexpr int OSD_COLUMN_WIDTH = 57;
inline constexpr int OSD_RIGHT_COLUMN_LEFT = 62;

// The display of one program. The windows and their state are process-wide (the window
// procedures share them), so only one COsdDisplay at a time owns them: a second one made
// while the first lives creates nothing and shows nothing.
class COsdDisplay {
public:
    // Records the instance for the window classes and clears the name text.
    explicit COsdDisplay(HINSTANCE instance);
    // Destroys the windows, unregisters their classes, frees the class brushes and ends the
    // COM initialisation that CreateOsdWindows made (only when it made one).
    ~COsdDisplay();
    COsdDisplay(const COsdDisplay&) = delete;
    COsdDisplay& operator=(const COsdDisplay&) = delete;

    // Number of segments of a gauge (20 unless set), held to 0..OSD_MAX_LEVEL_LIMIT. The
    // gauge window is sized for it when created, so a change after CreateOsdWindows is
    // ignored.
    void SetMaxLevel(int levels);
    int GetMaxLevel() const;

    // Initialises COM on this thread, registers both classes and creates both windows,
    // hidden. S_OK when both windows exist (also when they already did), else E_FAIL.
    HRESULT CreateOsdWindows();

    // The name display: copies name (cut to 254 characters, never inside a surrogate pair;
    // null counts as empty) and posts WM_OSD_SHOW to "csl_osd".
    void ShowProfileName(LPCWSTR name);
    // One gauge, the right column. The level is held to 0..maximum; a text of more than 4
    // characters is refused (nothing changes); null counts as empty.
    void ShowOsdSliderValue(int level, LPCWSTR text);
    // Two gauges: x in the left column, y in the right one. Refused when either text has more
    // than 4 characters.
    void ShowOsdSliderValues(int levelX, LPCWSTR textX, int levelY, LPCWSTR textY);

    bool OwnsWindows() const;
    // The name the name window shows (empty when it shows nothing).
    LPCWSTR GetNameText() const;
    HWND GetTextWindow() const;
    HWND GetSliderWindow() const;

private:
    bool m_owner = false;
    bool m_comInitialised = false;
};

// The window procedures of "csl_osd" and "csl_osdslider".
LRESULT OsdWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT OsdSliderWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Where each window goes on the primary monitor (left, top, width, height in a RECT whose
// right and bottom are the far edges): the name window spans the monitor's width less 10
// pixels, 50 pixels above its bottom edge; the gauge window 10 pixels from the right edge and
// (scale x 20) + 60 pixels above the bottom edge.
RECT PlaceOsdTextWindow();
RECT PlaceOsdSliderWindow();

// Draws one gauge into column c of the gauge window: a 2-pixel frame in the bar colour
// around black, `level` segments lit from the bottom up and the value text centred at the
// top.
void PaintOsdBar(int level, LPCWSTR text, const RECT& c, HDC dc);
