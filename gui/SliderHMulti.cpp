#include "gui/SliderHMulti.h"

#include "gui/BitmapCut.h"
#include "gui/WidgetMessages.h"
#include "platform/framework/CPaintDC.h"

#include <algorithm>
#include <utility>

CSliderHMulti::CSliderHMulti(std::unique_ptr<CPHSlider[]> thumbs, int thumbCount)
    : m_thumbs(std::move(thumbs)), m_thumbCount(m_thumbs ? std::max(thumbCount, 0) : 0) {
    type = GUIITEM_SLIDERHMULTI;
    SetRange(32, 1);
}

CSliderHMulti::~CSliderHMulti() {
    // The thumbs' windows go with the slider's; the thumb objects follow with the array.
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

CPHSlider* CSliderHMulti::GetThumb(int i) const {
    return i >= 0 && i < m_thumbCount ? &m_thumbs[static_cast<size_t>(i)] : nullptr;
}

BOOL CSliderHMulti::SetBitmaps(CWnd* host, HBITMAP sizingBitmap, int left, int top, int right,
                               int bottom) {
    const SIZE size = BitmapSize(sizingBitmap);
    m_thumbWidth = size.cx;
    m_thumbHeight = size.cy;
    if (sizingBitmap != nullptr) {
        DeleteObject(sizingBitmap);
    }
    m_host = host;
    m_windowRect = RECT{left, top, right, bottom};
    return CWnd::Create(nullptr, u"", WS_CHILD | WS_VISIBLE, m_windowRect, host,
                        static_cast<UINT>(id));
}

void CSliderHMulti::SetTrackBitmap(HBITMAP hostBitmap, int left, int top, int right, int bottom) {
    CutBitmapSection(m_track, m_hWnd, hostBitmap, left, top, right, bottom);
}

void CSliderHMulti::SetRange(int a, int b) {
    m_min = std::min(a, b);
    m_max = std::max(a, b);
    for (int i = 0; i < m_thumbCount; ++i) {
        CPHSlider& thumb = m_thumbs[static_cast<size_t>(i)];
        thumb.min = m_min;
        thumb.max = m_max;
        thumb.RecalcScale();
        thumb.SetCapRange(m_min, m_max);
    }
}

void CSliderHMulti::SetLeftOffset(int n) {
    m_leftOffset = n;
    for (int i = 0; i < m_thumbCount; ++i) {
        m_thumbs[static_cast<size_t>(i)].leftOffset = n;
    }
}

void CSliderHMulti::SetOffsets(int left, int right) {
    m_leftOffset = left;
    m_rightOffset = right;
    for (int i = 0; i < m_thumbCount; ++i) {
        m_thumbs[static_cast<size_t>(i)].leftOffset = left;
        m_thumbs[static_cast<size_t>(i)].rightOffset = right;
    }
}

void CSliderHMulti::SetInteractive(BOOL flag) {
    m_interactive = flag ? 1 : 0;
    for (int i = 0; i < m_thumbCount; ++i) {
        m_thumbs[static_cast<size_t>(i)].enabled = flag ? 1 : 0;
    }
}

BOOL CSliderHMulti::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_SLIDER_POSCHANGED) {
        *result = OnSliderPosChanged(wParam, lParam);
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, result);
}

LRESULT CSliderHMulti::OnSliderPosChanged(WPARAM wParam, LPARAM lParam) {
    CWnd* owner = GetOwner();
    HWND ownerHwnd = owner != nullptr ? owner->m_hWnd : nullptr;
    if (ownerHwnd != nullptr) {
        ::PostMessageW(ownerHwnd, WM_SLIDER_POSCHANGED, wParam, lParam);
    }
    // Without an owner of its own the host is the owner: it hears of the change once.
    HWND hostHwnd = m_host != nullptr ? m_host->m_hWnd : nullptr;
    if (hostHwnd != nullptr && hostHwnd != ownerHwnd) {
        ::PostMessageW(hostHwnd, WM_SLIDER_POSCHANGED, wParam, lParam);
    }
    return 0;
}

void CSliderHMulti::OnLButtonUp(UINT, CPoint point) {
    Default();
    if (m_interactive == 0 || m_thumbCount == 0) {
        return;
    }
    CPHSlider& first = m_thumbs[0];
    first.SetPosFromPixel(point.x);
    PostMessage(WM_SLIDER_POSCHANGED, static_cast<WPARAM>(first.GetPos()),
                static_cast<LPARAM>(first.id));
}

void CSliderHMulti::OnPaint() {
    CPaintDC dc(this);
    if (m_track.GetSafeHandle() == nullptr) {
        return;
    }
    CRect client;
    GetClientRect(client);
    CDC source;
    source.CreateCompatibleDC(&dc);
    CBitmap* old = source.SelectObject(&m_track);
    dc.BitBlt(0, 0, client.Width(), client.Height(), &source, 0, 0, SRCCOPY);
    source.SelectObject(old);
}
