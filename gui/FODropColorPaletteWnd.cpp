#include "gui/FODropColorPaletteWnd.h"

#include "gui/WidgetMessages.h"
#include "platform/framework/CPaintDC.h"
#include "platform/gdi/Gdi.h"

namespace {

constexpr LPCWSTR kClassName = u"BorvantaColorPalette";

bool RegisterPaletteClass() {
    static const bool registered = [] {
        WNDCLASSW wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassW(&wc) != 0;
    }();
    return registered;
}

} // namespace

CFODropColorPaletteWnd::~CFODropColorPaletteWnd() {
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
    control.reset();
}

BOOL CFODropColorPaletteWnd::Create(DWORD style, const RECT& windowRect, CWnd* ownerWnd,
                                    COLORREF colour) {
    if (!RegisterPaletteClass()) {
        return FALSE;
    }
    if (!CreateEx(0, kClassName, u"CFODropColorPaletteWnd", style, windowRect.left, windowRect.top,
                  windowRect.right - windowRect.left, windowRect.bottom - windowRect.top,
                  ownerWnd != nullptr ? ownerWnd->m_hWnd : nullptr, nullptr)) {
        return FALSE;
    }
    ownerButton = ownerWnd;
    control = std::make_unique<CFODropColorPaletteControl>();
    RECT client{};
    GetClientRect(&client);
    control->Init(this, colour, client);
    UpdateWindow();
    return TRUE;
}

BOOL CFODropColorPaletteWnd::OnEraseBkgnd(CDC*) {
    return TRUE;
}

void CFODropColorPaletteWnd::OnLButtonDblClk(UINT, CPoint) {
    SetFocus();
    Default();
}

void CFODropColorPaletteWnd::OnMButtonDown(UINT, CPoint) {
    SetFocus();
    Default();
}

void CFODropColorPaletteWnd::OnMButtonUp(UINT, CPoint) {
    SetFocus();
    Default();
}

void CFODropColorPaletteWnd::OnMButtonDblClk(UINT, CPoint) {
    SetFocus();
    Default();
}

void CFODropColorPaletteWnd::OnLButtonDown(UINT, CPoint point) {
    if (control != nullptr) {
        control->OnLButtonDown(point.x, point.y);
    }
}

void CFODropColorPaletteWnd::OnLButtonUp(UINT, CPoint point) {
    if (control != nullptr) {
        control->OnLButtonUp(point.x, point.y);
    }
}

void CFODropColorPaletteWnd::OnMouseMove(UINT, CPoint point) {
    if (control != nullptr) {
        control->OnMouseMove(point.x, point.y);
    }
}

void CFODropColorPaletteWnd::OnPaint() {
    CPaintDC dc(this);
    if (control == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(&client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    CDC memDC;
    memDC.CreateCompatibleDC(&dc);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&dc, width, height);
    CBitmap* old = memDC.SelectObject(&bitmap);
    control->Paint(&memDC);
    dc.BitBlt(0, 0, width, height, &memDC, 0, 0, SRCCOPY);
    memDC.SelectObject(old);
}

void CFODropColorPaletteWnd::OnCancelMode() {
    CWnd::OnCancelMode();
    if (control != nullptr) {
        control->OnCancelMode();
    }
}

void CFODropColorPaletteWnd::OnKeyDown(UINT ch, UINT repeat, UINT flags) {
    if (control != nullptr) {
        control->OnKeyDown(ch);
    }
    CWnd::OnKeyDown(ch, repeat, flags);
}

void CFODropColorPaletteWnd::OnSize(UINT type, int cx, int cy) {
    CWnd::OnSize(type, cx, cy);
    if (control != nullptr) {
        GetClientRect(&control->layoutRect);
        control->UpdateLayout();
    }
}

UINT CFODropColorPaletteWnd::OnGetDlgCode() {
    return static_cast<UINT>(DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS);
}

BOOL CFODropColorPaletteWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_SYSCOLORCHANGE) {
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
        *result = 0;
        return TRUE;
    }
    if (message == WM_COLORPALETTE_SELECT || message == WM_COLORPALETTE_CANCEL ||
        message == WM_COLORPALETTE_CUSTOM) {
        if (ownerButton != nullptr && ownerButton->m_hWnd != nullptr) {
            ownerButton->PostMessage(message, wParam, lParam);
        }
        if (!(message == WM_COLORPALETTE_SELECT &&
              lParam == CFODropColorPaletteControl::kPreview)) {
            ShowWindow(SW_HIDE);
        }
        *result = 0;
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, result);
}

RECT CFOPopupColorPaletteWnd::PlaceBelow(DWORD style, const RECT& buttonRect, int width,
                                         int height) {
    RECT window{0, 0, width, height};
    AdjustWindowRectEx(&window, style, FALSE, 0);
    const int windowWidth = window.right - window.left;
    const int windowHeight = window.bottom - window.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int top = buttonRect.bottom;
    if (top + windowHeight >= work.bottom) {
        top = buttonRect.top - windowHeight;
    }
    int left = buttonRect.left;
    if (left + windowWidth >= work.right) {
        left = buttonRect.right - windowWidth;
    }
    return RECT{left, top, left + windowWidth, top + windowHeight};
}

BOOL CFOPopupColorPaletteWnd::Create(DWORD style, const RECT& buttonRect, CWnd* parentWnd,
                                     COLORREF colour, int width, int height) {
    const RECT placed = PlaceBelow(style, buttonRect, width, height);
    if (!CFODropColorPaletteWnd::Create(style, placed, parentWnd, colour)) {
        return FALSE;
    }
    SetFocus();
    return TRUE;
}

void CFOPopupColorPaletteWnd::OnActivate(UINT state, CWnd* other, BOOL minimized) {
    CWnd::OnActivate(state, other, minimized);
    // A palette already hidden has given its answer; a hidden one that loses the activation
    // must not answer twice.
    if (state == WA_INACTIVE && control != nullptr && IsWindowVisible()) {
        control->NotifySelect(control->currentColor, 0);
    }
}
