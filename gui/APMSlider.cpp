#include "gui/APMSlider.h"

#include "gui/BitmapCut.h"
#include "gui/WidgetMessages.h"
#include "platform/base/CString.h"
#include "platform/base/DebugOutput.h"
#include "platform/framework/CPaintDC.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <utility>

namespace {

// A device-independent copy of a picture; null for none.
HBITMAP CopyPicture(HBITMAP source) {
    if (source == nullptr) {
        return nullptr;
    }
    return static_cast<HBITMAP>(CopyImage(source, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// One line of the repaint trace: a number and a value.
template <typename Value> void Trace(const WCHAR* format, int index, Value value) {
    CString line;
    line.Format(format, index, value);
    OutputDebugStringW(line.GetString());
}

} // namespace

CAPMSlider::CAPMSlider() {
    type = GUIITEM_APMSLIDER;
    SetRange();
    m_trackAlpha = 50;
    m_tickersMayCross = 0;
}

CAPMSlider::~CAPMSlider() {
    // The tickers are child windows of the slider: they go first.
    m_tickers.clear();
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

BOOL CAPMSlider::Create(CWnd* host, HBITMAP trackBitmap, HBITMAP tickerNormal, HBITMAP tickerOver,
                        int left, int top, int right, int bottom) {
    m_windowRect = RECT{left, top, right, bottom};
    m_host = host;
    if (!CWnd::Create(nullptr, u"", WS_CHILD | WS_VISIBLE, m_windowRect, host,
                      static_cast<UINT>(id))) {
        return FALSE;
    }
    CutBitmapSection(m_track, m_hWnd, trackBitmap, left, top, right, bottom);
    m_tickerNormal.DeleteObject();
    m_tickerOver.DeleteObject();
    if (HBITMAP copy = CopyPicture(tickerNormal)) {
        m_tickerNormal.Attach(copy);
    }
    if (HBITMAP copy = CopyPicture(tickerOver)) {
        m_tickerOver.Attach(copy);
    }
    return TRUE;
}

CPHSlider* CAPMSlider::AddTicker(int tickerId) {
    if (m_hWnd == nullptr) {
        return nullptr;
    }
    auto ticker = std::make_unique<CPHSlider>();
    ticker->id = tickerId;
    ticker->min = m_min;
    ticker->max = m_max;
    // Half a ticker is kept free at both ends, so that a ticker's centre stands where the
    // painting puts its segment boundary.
    const int half = BitmapSize(static_cast<HBITMAP>(m_tickerNormal)).cx / 2;
    ticker->leftOffset = half;
    ticker->rightOffset = half;
    CRect client;
    GetClientRect(client);
    if (!ticker->Create(CopyPicture(static_cast<HBITMAP>(m_tickerNormal)), this,
                        CopyPicture(static_cast<HBITMAP>(m_tickerOver)), TRUE, 0, 0, client.Width(),
                        client.Height())) {
        return nullptr;
    }
    ticker->SetCapRange(m_min, m_max);
    ticker->hwnd = ticker->m_hWnd;
    ticker->parent = this;
    m_tickers.push_back(std::move(ticker));
    m_stageColors.resize(m_tickers.size() + 1, RGB(0, 0, 0));
    return m_tickers.back().get();
}

CPHSlider* CAPMSlider::GetTicker(int i) const {
    return i >= 0 && i < GetTickerCount() ? m_tickers[static_cast<size_t>(i)].get() : nullptr;
}

bool CAPMSlider::SetStageColor(int slot, COLORREF colour) {
    if (slot < 0 || static_cast<size_t>(slot) >= m_stageColors.size()) {
        return false;
    }
    m_stageColors[static_cast<size_t>(slot)] = colour;
    if (m_hWnd != nullptr) {
        Invalidate(FALSE);
    }
    return true;
}

void CAPMSlider::SetRange() {
    m_min = 1;
    m_max = 32;
    for (const auto& ticker : m_tickers) {
        ticker->min = m_min;
        ticker->max = m_max;
        ticker->RecalcScale();
    }
}

BOOL CAPMSlider::Init() {
    const bool placed = SetDefaultStages();
    ApplyCapRanges();
    SetDefaultColors();
    return placed ? TRUE : FALSE;
}

bool CAPMSlider::SetDefaultStages() {
    const int n = GetTickerCount();
    const int step = (m_max - m_min) / (n + 1);
    // Limits left from earlier positions must not hold the tickers back from their places.
    RemoveTickerCapRanges();
    for (int i = 0; i < n; ++i) {
        m_tickers[static_cast<size_t>(i)]->SetPos(m_min + (i + 1) * step);
    }
    return true;
}

void CAPMSlider::SetDefaultColors() {
    const size_t slots = m_stageColors.size();
    if (slots == 0) {
        return;
    }
    const int range = m_max - m_min;
    const int increment =
        range > 0 ? static_cast<int>(slots + 1) * 255 / range : static_cast<int>(slots + 1) * 255;
    unsigned grey = 0;
    for (COLORREF& colour : m_stageColors) {
        colour = static_cast<COLORREF>((grey & 0xFFu) * 0x010101u);
        grey += static_cast<unsigned>(increment);
    }
    if (m_hWnd != nullptr) {
        Invalidate(FALSE);
    }
}

void CAPMSlider::RemoveTickerCapRanges() {
    for (const auto& ticker : m_tickers) {
        ticker->SetCapRange(m_min, m_max);
    }
}

void CAPMSlider::SetTickerCapRanges() {
    const size_t n = m_tickers.size();
    if (n == 1) {
        m_tickers[0]->SetCapRange(m_min, m_max);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        const int low = i == 0 ? m_min : m_tickers[i - 1]->GetPos();
        const int high = i + 1 == n ? m_max : m_tickers[i + 1]->GetPos();
        m_tickers[i]->SetCapRange(low, high);
    }
}

void CAPMSlider::ApplyCapRanges() {
    if (m_tickersMayCross != 0) {
        RemoveTickerCapRanges();
    } else {
        SetTickerCapRanges();
    }
}

void CAPMSlider::InvalidateSegment(int tickerIndex) {
    const int n = GetTickerCount();
    if (tickerIndex < 0 || tickerIndex >= n || m_hWnd == nullptr) {
        return;
    }
    CRect client;
    GetClientRect(client);
    const int width = client.Width();
    const int range = m_max - m_min;
    const auto xOf = [&](int position) {
        return range > 0 ? (position - m_min) * width / range : 0;
    };
    CRgn region;
    if (n < 2) {
        region.CreateRectRgnIndirect(client);
        InvalidateRgn(&region, FALSE);
        return;
    }
    const size_t i = static_cast<size_t>(tickerIndex);
    const int left = tickerIndex == 0 ? client.left : xOf(m_tickers[i - 1]->GetPos());
    const int right = tickerIndex == n - 1 ? client.right : xOf(m_tickers[i + 1]->GetPos());
    region.CreateRectRgn(left, client.top, right, client.bottom);
    const auto exclude = [&](const CPHSlider& neighbour) {
        CRect r;
        neighbour.GetWindowRect(r);
        ScreenToClient(r);
        CRgn cut;
        cut.CreateRectRgnIndirect(r);
        region.CombineRgn(&region, &cut, RGN_DIFF);
    };
    if (tickerIndex > 0) {
        exclude(*m_tickers[i - 1]);
    }
    if (tickerIndex < n - 1) {
        exclude(*m_tickers[i + 1]);
    }
    InvalidateRgn(&region, FALSE);
}

COLORREF CAPMSlider::SlotColour(size_t slot) const {
    // A colour vector shorter than the segments is the caller's slip: those segments are black
    // rather than read past the end.
    return slot < m_stageColors.size() ? m_stageColors[slot] : RGB(0, 0, 0);
}

std::vector<RECT> CAPMSlider::SegmentRects() const {
    std::vector<RECT> segments;
    if (m_hWnd == nullptr) {
        return segments;
    }
    CRect client;
    GetClientRect(client);
    const size_t n = m_tickers.size();
    if (n == 0) {
        segments.push_back(client);
        return segments;
    }
    CRect first;
    m_tickers[0]->GetWindowRect(first);
    const int g = first.Width();
    const int w = client.Width() - g;
    const int range = m_max - m_min;
    const auto px = [&](int position) {
        return range > 0 ? ((position - m_min) * w + range / 2) / range + client.left : client.left;
    };
    int left = client.left;
    for (size_t i = 0; i < n; ++i) {
        const int right = px(m_tickers[i]->GetPos()) + g / 2;
        segments.push_back(RECT{left, client.top, right, client.bottom});
        left = right;
    }
    segments.push_back(RECT{left, client.top, client.right, client.bottom});
    return segments;
}

void CAPMSlider::TracePaint() const {
    for (size_t i = 0; i < m_stageColors.size(); ++i) {
        Trace(u"CAPMSlider::OnPaint Color(%d): 0x%x\n", static_cast<int>(i), m_stageColors[i]);
    }
    for (size_t i = 0; i < m_tickers.size(); ++i) {
        Trace(u"CAPMSlider::OnPaint Pos(%d): 0x%d\n", static_cast<int>(i), m_tickers[i]->GetPos());
    }
}

void CAPMSlider::OnPaint() {
    CPaintDC dc(this);
    const std::vector<RECT> segments = SegmentRects();
    TracePaint();
    CRect client;
    GetClientRect(client);
    if (client.Width() <= 0 || client.Height() <= 0) {
        return;
    }
    CDC canvasDC;
    canvasDC.CreateCompatibleDC(&dc);
    CBitmap canvas;
    canvas.CreateCompatibleBitmap(&dc, client.Width(), client.Height());
    CBitmap* oldCanvas = canvasDC.SelectObject(&canvas);

    if (m_tickers.empty()) {
        canvasDC.FillSolidRect(client, SlotColour(0));
    } else {
        for (size_t i = 0; i < segments.size(); ++i) {
            const COLORREF colour = SlotColour(i);
            canvasDC.FillSolidRect(&segments[i], colour);
            CString line;
            line.Format(u"CAPMSlider::OnPaint CurrentRect(%d, %d): color(0x%x)\n",
                        static_cast<int>(segments[i].left), static_cast<int>(segments[i].right),
                        colour);
            OutputDebugStringW(line.GetString());
        }
    }

    if (m_track.GetSafeHandle() != nullptr) {
        const SIZE track = BitmapSize(static_cast<HBITMAP>(m_track));
        CDC trackDC;
        trackDC.CreateCompatibleDC(&dc);
        CBitmap* oldTrack = trackDC.SelectObject(&m_track);
        BLENDFUNCTION blend{};
        blend.BlendOp = AC_SRC_OVER;
        blend.SourceConstantAlpha = static_cast<BYTE>(std::clamp(m_trackAlpha, 0, 255));
        blend.AlphaFormat = 0;
        canvasDC.AlphaBlend(0, 0, client.Width(), client.Height(), &trackDC, 0, 0, track.cx,
                            track.cy, blend);
        trackDC.SelectObject(oldTrack);
    }

    dc.BitBlt(0, 0, client.Width(), client.Height(), &canvasDC, 0, 0, SRCCOPY);
    canvasDC.SelectObject(oldCanvas);
}

int CAPMSlider::SegmentAt(int x) const {
    if (m_tickers.empty()) {
        return 0;
    }
    // The click is measured in the host's coordinates, as the slider's rectangle is, so the
    // value does not depend on where the slider sits on its host.
    const int hostX = x + m_windowRect.left;
    const int span = m_windowRect.right - m_windowRect.left;
    if (span <= 0) {
        return 0;
    }
    const int value = m_min + (m_max - m_min) * (hostX - m_windowRect.left) / span;
    int index = 0;
    for (const auto& ticker : m_tickers) {
        if (ticker->GetPos() > value) {
            break;
        }
        ++index;
    }
    return index;
}

void CAPMSlider::OnLButtonUp(UINT, CPoint point) {
    Notify(WM_APMSLIDER_CLICK, static_cast<WPARAM>(SegmentAt(point.x)), static_cast<LPARAM>(id));
}

BOOL CAPMSlider::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_SLIDER_POSCHANGED) {
        *result = OnTickerMoved(wParam, lParam);
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, result);
}

LRESULT CAPMSlider::OnTickerMoved(WPARAM wParam, LPARAM lParam) {
    ApplyCapRanges();
    const int position = static_cast<int>(wParam);
    const int tickerId = static_cast<int>(lParam);
    for (int i = 0; i < GetTickerCount(); ++i) {
        const CPHSlider& ticker = *m_tickers[static_cast<size_t>(i)];
        if (ticker.id == tickerId && ticker.GetPos() == position) {
            InvalidateSegment(i);
            break;
        }
    }
    Notify(WM_SLIDER_POSCHANGED, wParam, lParam);
    return 0;
}

void CAPMSlider::Notify(UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* owner = GetOwner();
    HWND ownerHwnd = owner != nullptr ? owner->m_hWnd : nullptr;
    if (ownerHwnd != nullptr) {
        ::PostMessageW(ownerHwnd, message, wParam, lParam);
    }
    // Without an owner of its own the host is the parent: it hears of the event once.
    HWND hostHwnd = m_host != nullptr ? m_host->m_hWnd : nullptr;
    if (hostHwnd != nullptr && hostHwnd != ownerHwnd) {
        ::PostMessageW(hostHwnd, message, wParam, lParam);
    }
}
