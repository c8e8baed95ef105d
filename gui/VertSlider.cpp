#include "gui/VertSlider.h"

#include "gui/BitmapCut.h"
#include "gui/WidgetMessages.h"
#include "platform/framework/CPaintDC.h"

#include <algorithm>

CVertSlider::CVertSlider() {
    type = GUIITEM_VERTSLIDER;
}

CVertSlider::~CVertSlider() {
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

BOOL CVertSlider::Create(int controlId, CWnd* owner, HBITMAP sizingBitmap, int left, int top,
                         int right, int bottom) {
    m_controlId = controlId;
    m_track = RECT{left, top, right, bottom};
    m_owner = owner;
    const SIZE size = BitmapSize(sizingBitmap);
    m_thumbWidth = size.cx;
    m_thumbHeight = size.cy;
    // The window is the thumb, from the start: over the whole track it would take every
    // click on the track and show black below the picture. It stands where its value (0)
    // puts it, at the track's bottom (the top when the thumb is as tall as the track).
    const int thumbTop = std::max<int>(m_track.top, m_track.bottom - m_thumbHeight);
    const RECT thumb{m_track.left, thumbTop, m_track.left + m_thumbWidth, thumbTop + m_thumbHeight};
    return CWnd::Create(nullptr, u"", WS_CHILD | WS_VISIBLE, thumb, owner,
                        static_cast<UINT>(controlId));
}

void CVertSlider::SetBitmap(HBITMAP bitmap, int left, int top, int right, int bottom) {
    // The picture is the thumb: it is kept whole, but never larger than the rectangle.
    const SIZE size = BitmapSize(bitmap);
    CutBitmapSection(m_thumb, m_hWnd, bitmap, 0, 0, std::min<int>(size.cx, right - left),
                     std::min<int>(size.cy, bottom - top));
}

int CVertSlider::WindowTopInOwner() const {
    RECT window{};
    GetWindowRect(&window);
    POINT topLeft{window.left, window.top};
    if (m_owner != nullptr) {
        m_owner->ScreenToClient(&topLeft);
    }
    return topLeft.y;
}

void CVertSlider::OnLButtonDown(UINT, CPoint point) {
    m_press = point;
    m_dragging = 1;
    SetCapture();
    Default();
}

void CVertSlider::OnMouseMove(UINT flags, CPoint point) {
    // Only a held button drags: a drag whose capture was taken away must not follow the mouse.
    if (m_dragging != 0 && (flags & MK_LBUTTON) != 0) {
        const int dy = point.y - m_press.y;
        // The window always takes the thumb's size, so the thumb's height keeps it on the track.
        const int lowest = m_track.bottom - m_thumbHeight;
        const int top = std::max<int>(m_track.top, std::min(WindowTopInOwner() + dy, lowest));
        MoveWindow(m_track.left, top, m_thumbWidth, m_thumbHeight);
    }
    Default();
}

void CVertSlider::OnLButtonUp(UINT, CPoint point) {
    m_press = point;
    m_dragging = 0;
    ::ReleaseCapture();
    const int travel = m_track.bottom - m_thumbHeight - m_track.top;
    // A thumb as tall as its track cannot move: it stands at the top.
    int a = travel > 0 ? (WindowTopInOwner() - m_track.top) * 100 / travel : 0;
    if (a < 0 || a > 100) {
        a = 100;
    }
    int value = 100 - a;
    if (upperCap != 0 || lowerCap != 0) {
        value = std::max(std::min(value, upperCap), lowerCap);
    }
    m_value = value;
    if (m_owner != nullptr) {
        m_owner->PostMessage(WM_SLIDER_POSCHANGED, static_cast<WPARAM>(m_value),
                             static_cast<LPARAM>(m_controlId));
    }
    Default();
}

void CVertSlider::OnPaint() {
    CPaintDC dc(this);
    if (m_thumb.GetSafeHandle() == nullptr) {
        return;
    }
    CRect client;
    GetClientRect(client);
    CDC source;
    source.CreateCompatibleDC(&dc);
    CBitmap* old = source.SelectObject(&m_thumb);
    dc.BitBlt(0, 0, client.Width(), client.Height(), &source, 0, 0, SRCCOPY);
    source.SelectObject(old);
}
