#pragma once
// The stage colour slider: a horizontal slider whose tickers (CPHSlider thumbs) divide the
// track into coloured segments. Segment 0 lies left of the first ticker, segment i between
// tickers i - 1 and i, the last one right of the last ticker; each is filled with its own
// colour and the track picture is blended over the colours. Tickers keep their order (each may
// reach, not pass, its neighbours) unless crossing is allowed. A click on the track reports
// the segment hit (WM_APMSLIDER_CLICK); ticker moves are relayed (WM_SLIDER_POSCHANGED). Every
// repaint writes its colours, positions and segments to the debugger output.

#include "gui/GUIItem.h"
#include "gui/PHSlider.h"
#include "platform/framework/CGdiObject.h"
#include "platform/framework/CWnd.h"

#include <memory>
#include <vector>

class CAPMSlider : public CWnd, public CGUIItem {
public:
    // No tickers, no colours, range 1..32, track alpha 50, no crossing.
    CAPMSlider();
    ~CAPMSlider() override;

    // Creates the window on the host at the rectangle (host coordinates), control id = item
    // id; the track is the part of the track picture under that rectangle. The slider keeps
    // its own copies of the two ticker pictures (either may be null) for AddTicker.
    BOOL Create(CWnd* host, HBITMAP trackBitmap, HBITMAP tickerNormal, HBITMAP tickerOver, int left,
                int top, int right, int bottom);
    // Adds a ticker with that item id on the slider, drawn with copies of the ticker pictures,
    // and a colour slot (black) for the segment it opens. Its centre stands over the painted
    // segment boundary. Null when the slider has no window.
    CPHSlider* AddTicker(int tickerId);

    // min 1, max 32 for the slider and every ticker.
    void SetRange();
    // Default stages, then the cap ranges, then the default colours.
    BOOL Init();
    // With n tickers and step (max - min) / (n + 1): ticker i stands at min + (i + 1) * step.
    bool SetDefaultStages();
    // Grey levels growing by (slots + 1) * 255 / (max - min) per slot from 0, kept in a byte.
    void SetDefaultColors();
    // Every ticker may take the whole range.
    void RemoveTickerCapRanges();
    // Every ticker is kept between its neighbours' positions (meeting them is allowed).
    void SetTickerCapRanges();
    // Repaints the part of the track that the ticker's move changes (nothing for an index
    // that names no ticker).
    void InvalidateSegment(int tickerIndex);

    int GetTickerCount() const { return static_cast<int>(m_tickers.size()); }
    // Ticker i (0-based); null out of range.
    CPHSlider* GetTicker(int i) const;
    const std::vector<COLORREF>& GetStageColors() const { return m_stageColors; }
    // False when the slot does not exist.
    bool SetStageColor(int slot, COLORREF colour);
    void SetTickersMayCross(bool mayCross) { m_tickersMayCross = mayCross ? 1 : 0; }
    bool TickersMayCross() const { return m_tickersMayCross != 0; }
    void SetTrackAlpha(BYTE alpha) { m_trackAlpha = alpha; }
    int GetMin() const { return m_min; }
    int GetMax() const { return m_max; }
    CWnd* GetHost() const { return m_host; }
    // The segment rectangles as painted (client coordinates), one per colour slot in use.
    std::vector<RECT> SegmentRects() const;
    // The segment a click at client x falls in: the number of tickers, counted from the
    // first, whose position is at most the clicked value.
    int SegmentAt(int x) const;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnPaint() override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    BOOL OnEraseBkgnd(CDC*) override { return TRUE; }
    // A ticker moved: new neighbour limits, repaint its segment, relay the notification.
    LRESULT OnTickerMoved(WPARAM wParam, LPARAM lParam);

private:
    // Posts to the owner (the parent when none is set) and to the host, once when they are
    // one window.
    void Notify(UINT message, WPARAM wParam, LPARAM lParam);
    void ApplyCapRanges();
    // The colours and the ticker positions, written before every repaint.
    void TracePaint() const;
    // The colour of a slot; black for a slot the vector lacks.
    COLORREF SlotColour(size_t slot) const;

    std::vector<COLORREF> m_stageColors;
    std::vector<std::unique_ptr<CPHSlider>> m_tickers;
    CBitmap m_tickerNormal;
    CBitmap m_tickerOver;
    CBitmap m_track;
    RECT m_windowRect{};
    CWnd* m_host = nullptr;
    int m_trackAlpha = 50;
    int m_tickersMayCross = 0;
    int m_min = 1;
    int m_max = 32;
};
