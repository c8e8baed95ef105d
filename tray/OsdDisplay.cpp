#include "tray/OsdDisplay.h"

#include "platform/base/WideChar.h"
#include "platform/com/ObjBase.h"
#include "platform/com/Unknwn.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>

namespace {

// What the windows show and what they draw with: one per program, shared by the window
// procedures and the show calls of the owning COsdDisplay.
struct OsdState {
    const COsdDisplay* owner = nullptr;
    HINSTANCE instance = nullptr;

    WCHAR nameText[OSD_NAME_TEXT_SIZE] = {};
    WCHAR rightText[OSD_VALUE_TEXT_SIZE] = {};
    WCHAR leftText[OSD_VALUE_TEXT_SIZE] = {};
    int rightLevel = 0;
    int leftLevel = 0;
    int mode = 0; // 0 nothing, 1 one gauge (right), 2 two gauges (left "X", right "Y")
    int maxLevel = OSD_DEFAULT_MAX_LEVEL;
    float scale = 96.0f / 72.0f;

    HWND textWindow = nullptr;
    HWND sliderWindow = nullptr;
    UINT_PTR textTimer = 0;
    UINT_PTR sliderTimer = 0;

    // The class background brushes, freed after the classes are unregistered.
    HBRUSH textClassBrush = nullptr;
    HBRUSH sliderClassBrush = nullptr;
    bool textClassRegistered = false;
    bool sliderClassRegistered = false;

    // Name window, made in its WM_CREATE.
    HBRUSH textKeyBrush = nullptr;
    HFONT nameFont = nullptr;
    int nameHeight = 0;

    // Gauge window, made in its WM_CREATE.
    HBRUSH sliderKeyBrush = nullptr;
    HBRUSH barBrush = nullptr;
    HBRUSH blackBrush = nullptr;
    HFONT valueFont = nullptr;
    HFONT labelFont = nullptr;
    int gaugeLevels = OSD_DEFAULT_MAX_LEVEL; // segments the window was sized for
    int textHeight = 0;                      // t
    int barHeight = 0;                       // m
    int sliderHeight = 0;                    // H
    RECT leftColumn{};
    RECT rightColumn{};
};

OsdState g_osd;

template <class H> void DeleteGdiHandle(H& handle) {
    if (handle) {
        DeleteObject(handle);
        handle = nullptr;
    }
}

float ScreenScale(HWND hwnd) {
    HDC dc = GetDC(hwnd);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) {
        ReleaseDC(hwnd, dc);
    }
    return static_cast<float>(dpi > 0 ? dpi : 96) / 72.0f;
}

int Scaled(float factor) {
    return static_cast<int>(g_osd.scale * factor);
}

RECT PrimaryMonitorRect() {
    MONITORINFO info;
    HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (monitor && GetMonitorInfoW(monitor, &info)) {
        return info.rcMonitor;
    }
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

HFONT CreateOsdFont(int height, LPCWSTR face) {
    return CreateFontW(height, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, face);
}

void MoveToPlace(HWND hwnd, const RECT& place, BOOL repaint) {
    MoveWindow(hwnd, place.left, place.top, place.right - place.left, place.bottom - place.top,
               repaint);
}

// Copies at most size - 1 characters of text (null = empty), never ending inside a surrogate
// pair, and terminates.
void CopyOsdText(WCHAR* target, int size, LPCWSTR text) {
    int length = 0;
    if (text) {
        while (length < size - 1 && text[length]) {
            ++length;
        }
        if (length == size - 1 && text[length] && length > 0 && text[length - 1] >= 0xD800 &&
            text[length - 1] <= 0xDBFF) {
            --length; // the low half did not fit: leave the high half out too
        }
        std::copy(text, text + length, target);
    }
    target[length] = 0;
}

bool FitsValueText(LPCWSTR text) {
    return !text || wcslen(text) < static_cast<size_t>(OSD_VALUE_TEXT_SIZE);
}

int HoldLevel(int level) {
    return std::clamp(level, 0, g_osd.gaugeLevels);
}

void HideOsdWindow(HWND hwnd, UINT_PTR& timer) {
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    ShowWindow(hwnd, SW_HIDE);
    if (timer) {
        KillTimer(hwnd, timer);
        timer = 0;
    }
}

HWND CreateOsdWindow(LPCWSTR className, WNDPROC proc, HBRUSH& classBrush, bool& registered) {
    if (!registered) {
        classBrush = CreateSolidBrush(OSD_KEY_COLOR);
        WNDCLASSW wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = proc;
        wc.hInstance = g_osd.instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = classBrush;
        wc.lpszClassName = className;
        registered = RegisterClassW(&wc) != 0;
        if (!registered) {
            DeleteGdiHandle(classBrush);
            return nullptr;
        }
    }
    HWND hwnd = CreateWindowExW(
        WS_EX_TOPMOST | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_NOACTIVATE,
        className, className, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, g_osd.instance, nullptr);
    if (hwnd) {
        ShowWindow(hwnd, SW_HIDE);
    }
    return hwnd;
}

void DestroyOsdWindow(HWND& hwnd, LPCWSTR className, HBRUSH& classBrush, bool& registered) {
    if (hwnd) {
        DestroyWindow(hwnd);
        hwnd = nullptr;
    }
    if (registered && UnregisterClassW(className, g_osd.instance)) {
        registered = false;
        DeleteGdiHandle(classBrush);
    }
}

// ---- name window ----------------------------------------------------------------------------

void OnTextCreate(HWND hwnd) {
    SetLayeredWindowAttributes(hwnd, OSD_KEY_COLOR, 0, LWA_COLORKEY);
    g_osd.textKeyBrush = CreateSolidBrush(OSD_KEY_COLOR);
    g_osd.scale = ScreenScale(hwnd);
    g_osd.nameHeight = Scaled(20.0f);
    g_osd.nameFont = CreateOsdFont(-g_osd.nameHeight, u"Arial");
    MoveToPlace(hwnd, PlaceOsdTextWindow(), FALSE);
}

void OnTextPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc) {
        return;
    }
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, g_osd.textKeyBrush);
    if (g_osd.nameText[0]) {
        HFONT old = SelectObject(dc, g_osd.nameFont);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, OSD_TEXT_COLOR);
        DrawTextW(dc, g_osd.nameText, -1, &client,
                  DT_SINGLELINE | DT_BOTTOM | DT_RIGHT | DT_NOPREFIX);
        SelectObject(dc, old);
    }
    EndPaint(hwnd, &ps);
}

// ---- gauge window ---------------------------------------------------------------------------

void OnSliderCreate(HWND hwnd) {
    SetLayeredWindowAttributes(hwnd, OSD_KEY_COLOR, OSD_SLIDER_ALPHA, LWA_COLORKEY | LWA_ALPHA);
    g_osd.sliderKeyBrush = CreateSolidBrush(OSD_KEY_COLOR);
    g_osd.scale = ScreenScale(hwnd);
    g_osd.gaugeLevels = g_osd.maxLevel;
    g_osd.barHeight = g_osd.gaugeLevels * 12;
    g_osd.textHeight = Scaled(10.0f);
    g_osd.valueFont = CreateOsdFont(-g_osd.textHeight, u"Courier New");
    g_osd.labelFont = CreateOsdFont(Scaled(-20.0f), u"Tahoma");
    g_osd.sliderHeight = g_osd.textHeight + g_osd.barHeight + 12;
    g_osd.leftColumn = RECT{0, 0, OSD_COLUMN_WIDTH, g_osd.sliderHeight};
    g_osd.rightColumn = RECT{OSD_RIGHT_COLUMN_LEFT, 0, OSD_SLIDER_WIDTH, g_osd.sliderHeight};
    g_osd.barBrush = CreateSolidBrush(OSD_BAR_COLOR);
    g_osd.blackBrush = CreateSolidBrush(OSD_GAUGE_INSIDE_COLOR);
    MoveToPlace(hwnd, PlaceOsdSliderWindow(), FALSE);
}

void OnSliderPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc) {
        return;
    }
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, g_osd.sliderKeyBrush);
    if (g_osd.mode == 1) {
        PaintOsdBar(g_osd.rightLevel, g_osd.rightText, g_osd.rightColumn, dc);
    } else if (g_osd.mode == 2) {
        PaintOsdBar(g_osd.rightLevel, g_osd.rightText, g_osd.rightColumn, dc);
        PaintOsdBar(g_osd.leftLevel, g_osd.leftText, g_osd.leftColumn, dc);
        HFONT old = SelectObject(dc, g_osd.labelFont);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, OSD_LABEL_COLOR);
        RECT left = g_osd.leftColumn;
        RECT right = g_osd.rightColumn;
        DrawTextW(dc, u"X", -1, &left, DT_SINGLELINE | DT_BOTTOM | DT_CENTER);
        DrawTextW(dc, u"Y", -1, &right, DT_SINGLELINE | DT_BOTTOM | DT_CENTER);
        SelectObject(dc, old);
    }
    EndPaint(hwnd, &ps);
}

} // namespace

// ---- placement and painting -------------------------------------------------------------------

RECT PlaceOsdTextWindow() {
    const RECT monitor = PrimaryMonitorRect();
    const int x = monitor.left;
    const int y = monitor.bottom - g_osd.nameHeight - 50;
    const int width = monitor.right - monitor.left - 10;
    return RECT{x, y, x + width, y + g_osd.nameHeight};
}

RECT PlaceOsdSliderWindow() {
    const RECT monitor = PrimaryMonitorRect();
    const int x = monitor.right - OSD_SLIDER_WIDTH - 10;
    const int y = monitor.bottom - Scaled(20.0f) - g_osd.sliderHeight - 60;
    return RECT{x, y, x + OSD_SLIDER_WIDTH, y + g_osd.sliderHeight};
}

void PaintOsdBar(int level, LPCWSTR text, const RECT& c, HDC dc) {
    FillRect(dc, &c, g_osd.barBrush);
    const RECT inside{c.left + 2, c.top + 2, c.right - 2, c.bottom - 2};
    FillRect(dc, &inside, g_osd.blackBrush);
    const int lit = HoldLevel(level);
    for (int k = 0; k < lit; ++k) {
        const int bottom = c.top + 6 + g_osd.textHeight + g_osd.barHeight - 12 * k;
        const RECT segment{c.left + 6, bottom - 10, c.left + 51, bottom};
        FillRect(dc, &segment, g_osd.barBrush);
    }
    if (text && text[0]) {
        HFONT old = SelectObject(dc, g_osd.valueFont);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, OSD_TEXT_COLOR);
        RECT area{c.left + 6, c.top + 6, c.left + 51,
                  c.top + 6 + g_osd.textHeight + g_osd.barHeight};
        DrawTextW(dc, text, -1, &area, DT_SINGLELINE | DT_CENTER | DT_NOPREFIX);
        SelectObject(dc, old);
    }
}

// ---- window procedures ------------------------------------------------------------------------

LRESULT OsdWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        OnTextCreate(hwnd);
        break;
    case WM_PAINT:
        OnTextPaint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_OSD_SHOW:
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        InvalidateRect(hwnd, nullptr, FALSE);
        g_osd.textTimer = SetTimer(hwnd, OSD_HIDE_TIMER, OSD_TEXT_SHOW_MS, nullptr);
        return 0;
    case WM_TIMER:
        if (wParam == OSD_HIDE_TIMER) {
            g_osd.nameText[0] = 0;
            HideOsdWindow(hwnd, g_osd.textTimer);
            return 0;
        }
        break;
    case WM_DISPLAYCHANGE:
        MoveToPlace(hwnd, PlaceOsdTextWindow(), TRUE);
        break;
    case WM_DESTROY:
        DeleteGdiHandle(g_osd.textKeyBrush);
        DeleteGdiHandle(g_osd.nameFont);
        g_osd.textTimer = 0;
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT OsdSliderWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        OnSliderCreate(hwnd);
        break;
    case WM_PAINT:
        OnSliderPaint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_OSD_SHOW:
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        InvalidateRect(hwnd, nullptr, FALSE);
        g_osd.sliderTimer = SetTimer(hwnd, OSD_HIDE_TIMER, OSD_SLIDER_SHOW_MS, nullptr);
        return 0;
    case WM_TIMER:
        if (wParam == OSD_HIDE_TIMER) {
            g_osd.mode = 0;
            HideOsdWindow(hwnd, g_osd.sliderTimer);
            return 0;
        }
        break;
    case WM_DISPLAYCHANGE:
        MoveToPlace(hwnd, PlaceOsdSliderWindow(), TRUE);
        break;
    case WM_DESTROY:
        DeleteGdiHandle(g_osd.barBrush);
        DeleteGdiHandle(g_osd.blackBrush);
        DeleteGdiHandle(g_osd.sliderKeyBrush);
        DeleteGdiHandle(g_osd.valueFont);
        DeleteGdiHandle(g_osd.labelFont);
        g_osd.sliderTimer = 0;
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// ---- COsdDisplay ------------------------------------------------------------------------------

COsdDisplay::COsdDisplay(HINSTANCE instance) {
    if (g_osd.owner) {
        return; // another display owns the windows
    }
    g_osd = OsdState{};
    g_osd.owner = this;
    g_osd.instance = instance;
    m_owner = true;
}

COsdDisplay::~COsdDisplay() {
    if (!m_owner) {
        return;
    }
    DestroyOsdWindow(g_osd.textWindow, OSD_TEXT_CLASS, g_osd.textClassBrush,
                     g_osd.textClassRegistered);
    DestroyOsdWindow(g_osd.sliderWindow, OSD_SLIDER_CLASS, g_osd.sliderClassBrush,
                     g_osd.sliderClassRegistered);
    if (m_comInitialised) {
        CoUninitialize();
    }
    // Anything a failed creation left behind (a window whose class would not unregister).
    DeleteGdiHandle(g_osd.textClassBrush);
    DeleteGdiHandle(g_osd.sliderClassBrush);
    g_osd = OsdState{};
}

void COsdDisplay::SetMaxLevel(int levels) {
    if (m_owner && !g_osd.sliderWindow) {
        g_osd.maxLevel = std::clamp(levels, 0, OSD_MAX_LEVEL_LIMIT);
    }
}

int COsdDisplay::GetMaxLevel() const {
    return m_owner ? g_osd.maxLevel : 0;
}

HRESULT COsdDisplay::CreateOsdWindows() {
    if (!m_owner) {
        return E_FAIL;
    }
    if (g_osd.textWindow && g_osd.sliderWindow) {
        return S_OK;
    }
    if (!m_comInitialised) {
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
            return E_FAIL;
        }
        m_comInitialised = true;
    }
    if (!g_osd.textWindow) {
        g_osd.textWindow = CreateOsdWindow(OSD_TEXT_CLASS, OsdWndProc, g_osd.textClassBrush,
                                           g_osd.textClassRegistered);
    }
    if (!g_osd.sliderWindow) {
        g_osd.sliderWindow = CreateOsdWindow(OSD_SLIDER_CLASS, OsdSliderWndProc,
                                             g_osd.sliderClassBrush, g_osd.sliderClassRegistered);
    }
    if (g_osd.textWindow) {
        g_osd.scale = ScreenScale(g_osd.textWindow);
    }
    return g_osd.textWindow && g_osd.sliderWindow ? S_OK : E_FAIL;
}

void COsdDisplay::ShowProfileName(LPCWSTR name) {
    if (!m_owner || !g_osd.textWindow) {
        return;
    }
    CopyOsdText(g_osd.nameText, OSD_NAME_TEXT_SIZE, name);
    PostMessageW(g_osd.textWindow, WM_OSD_SHOW, 0, 0);
}

void COsdDisplay::ShowOsdSliderValue(int level, LPCWSTR text) {
    if (!m_owner || !g_osd.sliderWindow || !FitsValueText(text)) {
        return;
    }
    g_osd.rightLevel = HoldLevel(level);
    CopyOsdText(g_osd.rightText, OSD_VALUE_TEXT_SIZE, text);
    g_osd.mode = 1;
    ShowWindow(g_osd.sliderWindow, SW_SHOWNOACTIVATE);
    RedrawWindow(g_osd.sliderWindow, nullptr, nullptr, RDW_UPDATENOW);
    PostMessageW(g_osd.sliderWindow, WM_OSD_SHOW, 0, 0);
}

void COsdDisplay::ShowOsdSliderValues(int levelX, LPCWSTR textX, int levelY, LPCWSTR textY) {
    if (!m_owner || !g_osd.sliderWindow || !FitsValueText(textX) || !FitsValueText(textY)) {
        return;
    }
    g_osd.rightLevel = HoldLevel(levelY);
    g_osd.leftLevel = HoldLevel(levelX);
    CopyOsdText(g_osd.rightText, OSD_VALUE_TEXT_SIZE, textY);
    CopyOsdText(g_osd.leftText, OSD_VALUE_TEXT_SIZE, textX);
    g_osd.mode = 2;
    PostMessageW(g_osd.sliderWindow, WM_OSD_SHOW, 0, 0);
}

bool COsdDisplay::OwnsWindows() const {
    return m_owner;
}

LPCWSTR COsdDisplay::GetNameText() const {
    return m_owner ? g_osd.nameText : u"";
}

HWND COsdDisplay::GetTextWindow() const {
    return m_owner ? g_osd.textWindow : nullptr;
}

HWND COsdDisplay::GetSliderWindow() const {
    return m_owner ? g_osd.sliderWindow : nullptr;
}
