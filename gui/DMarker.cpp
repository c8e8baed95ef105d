#include "gui/DMarker.h"

#include "gui/BitmapCut.h"
#include "gui/WidgetMessages.h"
#include "platform/framework/CPaintDC.h"

#include <algorithm>

CDMarker::CDMarker() {
    type = GUIITEM_DMARKER;
}

CDMarker::~CDMarker() {
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

BOOL CDMarker::Create(const RECT& place, int controlId, CWnd* owner) {
    m_controlId = controlId;
    m_rect = place;
    m_owner = owner;
    min = 0;
    max = 10;
    value = 0;
    enabled = 1;
    m_dragging = 0;
    return CWnd::Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, place, owner,
                        static_cast<UINT>(controlId));
}

void CDMarker::SetBitmaps(HBITMAP base, HBITMAP fill, int left, int top, int right, int bottom) {
    CutBitmapSection(m_base, m_hWnd, base, 0, 0, right - left, bottom - top);
    CutBitmapSection(m_fill, m_hWnd, fill, 0, 0, right - left, bottom - top);
}

int CDMarker::ValueFromPoint(POINT point) const {
    if (m_owner != nullptr) {
        MapWindowPoints(m_owner, &point, 1);
    }
    const int x = std::max<int>(point.x, m_rect.left);
    const int width = m_rect.right - m_rect.left;
    // A marker without width has no scale: it stands at its minimum.
    const int v = width > 0 ? min + (max - min) * (x - m_rect.left) / width : min;
    return std::clamp(v, std::min(min, max), std::max(min, max));
}

int CDMarker::FillWidth() const {
    if (max == min) {
        return 0;
    }
    const int width = m_rect.right - m_rect.left;
    return std::clamp(width * (value - min) / (max - min), 0, width);
}

void CDMarker::OnLButtonDown(UINT, CPoint point) {
    if (enabled != 0) {
        SetCapture();
        m_dragging = 1;
        m_press = point;
    }
    Default();
}

void CDMarker::OnMouseMove(UINT flags, CPoint point) {
    // Only a held button drags: a drag whose capture was taken away must not follow the mouse.
    if (m_dragging != 0 && (flags & MK_LBUTTON) != 0) {
        value = ValueFromPoint(point);
        Invalidate();
    }
    Default();
}

void CDMarker::OnLButtonUp(UINT, CPoint point) {
    m_dragging = 0;
    // A disabled marker keeps its value, whatever is released over it.
    if (enabled != 0) {
        value = ValueFromPoint(point);
        if (m_owner != nullptr) {
            m_owner->PostMessage(WM_MARKER_POSCHANGED, static_cast<WPARAM>(value),
                                 static_cast<LPARAM>(m_controlId));
        }
    }
    Default();
    ::ReleaseCapture();
    Invalidate();
}

void CDMarker::OnCaptureChanged(CWnd*) {
    if (m_dragging != 0) {
        // Released only while still held: the capture may have gone to the window that
        // just took it, which must keep it.
        if (::GetCapture() == m_hWnd) {
            ::ReleaseCapture();
        }
        Invalidate();
    }
    Default();
}

void CDMarker::OnKillFocus(CWnd*) {
    Default();
    m_dragging = 0;
    Invalidate();
}

void CDMarker::OnPaint() {
    CPaintDC dc(this);
    const int width = m_rect.right - m_rect.left;
    const int height = m_rect.bottom - m_rect.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    CBitmap canvas;
    canvas.CreateCompatibleBitmap(&dc, width, height);
    CBitmap* oldCanvas = memory.SelectObject(&canvas);
    CDC source;
    source.CreateCompatibleDC(&dc);
    if (m_base.GetSafeHandle() != nullptr) {
        CBitmap* old = source.SelectObject(&m_base);
        memory.BitBlt(0, 0, width, height, &source, 0, 0, SRCCOPY);
        source.SelectObject(old);
    }
    const int fill = FillWidth();
    if (m_fill.GetSafeHandle() != nullptr && fill > 0) {
        CBitmap* old = source.SelectObject(&m_fill);
        memory.BitBlt(0, 0, fill, height, &source, 0, 0, SRCCOPY);
        source.SelectObject(old);
    }
    dc.BitBlt(0, 0, width, height, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(oldCanvas);
}
