#include "gui/PHSlider.h"

#include "gui/BitmapCut.h"
#include "gui/SkinText.h"
#include "gui/WidgetMessages.h"
#include "platform/framework/CPaintDC.h"

#include <algorithm>
#include <cmath>

namespace {

// Shared by all thumbs: the thumb that asked for WM_MOUSELEAVE and has not had it yet (null:
// none). Kept as the window rather than a flag so that a thumb destroyed before its leave
// message came does not leave every later thumb without leave tracking.
HWND leaveTrackingWindow = nullptr;

} // namespace

CPHSlider::CPHSlider() {
    type = GUIITEM_PHSLIDER;
}

CPHSlider::~CPHSlider() {
    if (m_toolTip.m_hWnd != nullptr) {
        m_toolTip.DestroyWindow();
    }
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

BOOL CPHSlider::Create(HBITMAP normal, CWnd* owningSlider, HBITMAP over, int shape, int left,
                       int top, int right, int bottom) {
    track = RECT{left, top, right, bottom};
    m_owner = owningSlider;
    m_normal.DeleteObject();
    m_over.DeleteObject();
    if (normal != nullptr) {
        m_normal.Attach(normal);
    }
    if (over != nullptr) {
        m_over.Attach(over);
    }
    enabled = 1;
    dragging = 0;
    const SIZE size = BitmapSize(normal);
    thumbWidth = size.cx;
    thumbHeight = size.cy;
    if (!CWnd::Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                      RECT{0, 0, thumbWidth, thumbHeight}, owningSlider, static_cast<UINT>(id))) {
        return FALSE;
    }
    ModifyStyleEx(0, WS_EX_TRANSPARENT);
    if (shape != 0) {
        MakeRegion();
    }
    RecalcScale();
    return TRUE;
}

void CPHSlider::RecalcScale() {
    stepCount = max - min + 1;
    trackStart = track.left + leftOffset;
    pixelMin = trackStart;
    pixelMax = track.right - rightOffset;
    // A range of one position has no steps: every pixel stands for it.
    scale = max > min ? static_cast<float>(pixelMax - trackStart) / static_cast<float>(max - min)
                      : 0.0f;
    const int halfWidth = thumbWidth / 2;
    thumbLeftLimit = trackStart - halfWidth;
    thumbRightLimit = pixelMax - halfWidth;
}

// Positions count from the range's minimum: the minimum stands at the track's start, whatever
// it is (counted from 1, a range that starts elsewhere would put every thumb off its place).
int CPHSlider::PixelOfPos(int pos) const {
    return static_cast<int>(scale * static_cast<float>(pos - min)) + thumbLeftLimit;
}

void CPHSlider::SetPos(int pos) {
    position = std::max(capMin, std::min(pos, capMax));
    if (m_hWnd == nullptr) {
        return;
    }
    MoveWindow(PixelOfPos(position), track.top, thumbWidth, thumbHeight, TRUE);
    Invalidate();
}

int CPHSlider::PositionFromPixel(float a) const {
    if (scale <= 0.0f) {
        return min;
    }
    // Steps from the minimum, held well inside int before the conversion; SetPos and the
    // callers clamp further.
    const float steps = std::clamp(std::ceil(a / scale), 0.0f, static_cast<float>(max - min + 2));
    return min - 1 + static_cast<int>(steps);
}

void CPHSlider::SetPosFromPixel(int x) {
    // The pixel is held to the track itself, so both ends of the range can be reached.
    x = std::max(pixelMin, std::min(x, pixelMax));
    const float a = static_cast<float>(x - leftOffset) + std::trunc(scale / 2.0f);
    SetPos(PositionFromPixel(a));
}

void CPHSlider::SetCapRange(int low, int high) {
    capMin = std::max(min, std::min(low, max));
    capMax = std::max(min, std::min(high, max));
}

void CPHSlider::SetToolTip(const WCHAR* text) {
    if (text == nullptr || m_hWnd == nullptr) {
        return;
    }
    SetSkinToolTip(m_toolTip, this, LookupSkinText(text));
}

void CPHSlider::MakeRegion() {
    if (m_normal.GetSafeHandle() == nullptr || m_hWnd == nullptr || thumbWidth <= 0 ||
        thumbHeight <= 0) {
        return;
    }
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap* old = dc.SelectObject(&m_normal);
    const COLORREF key = dc.GetPixel(0, 0);
    CRgn region;
    region.CreateRectRgn(0, 0, thumbWidth, thumbHeight);
    for (int y = 0; y < thumbHeight; ++y) {
        for (int x = 0; x < thumbWidth; ++x) {
            if (dc.GetPixel(x, y) == key) {
                CRgn pixel;
                pixel.CreateRectRgn(x, y, x + 1, y + 1);
                region.CombineRgn(&region, &pixel, RGN_XOR);
            }
        }
    }
    dc.SelectObject(old);
    // The window owns the region from here on.
    HRGN handle = static_cast<HRGN>(region);
    if (SetWindowRgn(handle, TRUE) != 0) {
        region.Detach();
    }
}

BOOL CPHSlider::PreTranslateMessage(MSG* msg) {
    EnsureSkinToolTip(m_toolTip, this);
    if (m_toolTip.m_hWnd != nullptr) {
        m_toolTip.RelayEvent(msg);
    }
    return CWnd::PreTranslateMessage(msg);
}

void CPHSlider::PostPosition() {
    if (m_owner != nullptr && m_owner->m_hWnd != nullptr) {
        m_owner->PostMessage(WM_SLIDER_POSCHANGED, static_cast<WPARAM>(position),
                             static_cast<LPARAM>(id));
    }
}

void CPHSlider::OnLButtonDown(UINT, CPoint point) {
    if (enabled != 0) {
        SetCapture();
        dragging = 1;
        m_press = point;
        Invalidate();
    }
    Default();
}

void CPHSlider::OnMouseMove(UINT flags, CPoint point) {
    if (enabled == 0) {
        Default();
        return;
    }
    if (leaveTrackingWindow == nullptr || !::IsWindow(leaveTrackingWindow)) {
        TRACKMOUSEEVENT tme;
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = m_hWnd;
        ::TrackMouseEvent(&tme);
        leaveTrackingWindow = m_hWnd;
    }
    hover = 1;
    // Only a held button drags: a drag whose capture was taken away must not follow the mouse.
    if (dragging != 0 && (flags & MK_LBUTTON) != 0) {
        OnDrag(point.x, point.y);
    }
    Default();
    Invalidate();
}

void CPHSlider::OnDrag(int x, int y) {
    POINT p{x, y};
    if (m_owner != nullptr) {
        MapWindowPoints(m_owner, &p, 1);
    }
    const int px = std::max(pixelMin, std::min(static_cast<int>(p.x), pixelMax));
    MoveWindow(px - thumbWidth / 2, 0, thumbWidth, thumbHeight, TRUE);
    const float a = static_cast<float>(px - leftOffset) + std::trunc(scale / 2.0f);
    const int before = position;
    position = std::max(capMin, std::min(PositionFromPixel(a), capMax));
    if (position != before) {
        PostPosition();
    }
}

void CPHSlider::OnLButtonUp(UINT, CPoint point) {
    if (enabled == 0) {
        Default();
        return;
    }
    dragging = 0;
    ::ReleaseCapture();
    POINT p = point;
    if (m_owner != nullptr) {
        MapWindowPoints(m_owner, &p, 1);
    }
    SetPosFromPixel(std::max(pixelMin, std::min(static_cast<int>(p.x), pixelMax)));
    PostPosition();
    dragging = 0;
    hover = 0;
    Invalidate();
    Default();
}

void CPHSlider::OnDestroy() {
    if (leaveTrackingWindow == m_hWnd) {
        leaveTrackingWindow = nullptr;
    }
    Default();
}

void CPHSlider::OnMouseLeave() {
    leaveTrackingWindow = nullptr;
    hover = 0;
    Invalidate();
}

void CPHSlider::OnKillFocus(CWnd*) {
    Default();
    hover = 0;
    Invalidate();
}

void CPHSlider::OnPaint() {
    CPaintDC dc(this);
    const CBitmap* shown = &m_normal;
    if ((dragging != 0 || hover != 0) && m_over.GetSafeHandle() != nullptr) {
        shown = &m_over;
    }
    if (shown->GetSafeHandle() == nullptr || thumbWidth <= 0 || thumbHeight <= 0) {
        return;
    }
    CDC canvasDC;
    canvasDC.CreateCompatibleDC(&dc);
    CBitmap canvas;
    canvas.CreateCompatibleBitmap(&dc, thumbWidth, thumbHeight);
    CBitmap* oldCanvas = canvasDC.SelectObject(&canvas);
    CDC source;
    source.CreateCompatibleDC(&dc);
    HGDIOBJ old = source.SelectObject(shown->GetSafeHandle());
    canvasDC.BitBlt(0, 0, thumbWidth, thumbHeight, &source, 0, 0, SRCCOPY);
    source.SelectObject(old);
    dc.BitBlt(0, 0, thumbWidth, thumbHeight, &canvasDC, 0, 0, SRCCOPY);
    canvasDC.SelectObject(oldCanvas);
}
