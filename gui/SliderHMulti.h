#pragma once
// A horizontal slider with one or more thumbs (CPHSlider) over a track picture: a child window
// on a host bitmap item that shows the host's picture under itself as its track, relays its
// thumbs' WM_SLIDER_POSCHANGED to its owner and its host, and, when interactive, moves its
// first thumb to a clicked point of the track.

#include "gui/GUIItem.h"
#include "gui/PHSlider.h"
#include "platform/framework/CGdiObject.h"
#include "platform/framework/CWnd.h"

#include <memory>

class CSliderHMulti : public CWnd, public CGUIItem {
public:
    // Owns the thumbs; the range starts as 1..32.
    CSliderHMulti(std::unique_ptr<CPHSlider[]> thumbs, int thumbCount);
    ~CSliderHMulti() override;

    // Takes ownership of the sizing bitmap (a thumb picture): keeps its size and deletes it.
    // Creates the window on the host at the rectangle (host coordinates), control id = item id.
    BOOL SetBitmaps(CWnd* host, HBITMAP sizingBitmap, int left, int top, int right, int bottom);
    // The track: that part (host coordinates) of the host's picture, what lies under the slider.
    void SetTrackBitmap(HBITMAP hostBitmap, int left, int top, int right, int bottom);
    // min = the smaller, max = the larger; every thumb takes the range and recomputes its scale
    // and caps. The thumbs stay where they are.
    void SetRange(int a, int b);
    // Offsets for the slider and every thumb; the next SetRange recomputes the scales.
    void SetLeftOffset(int n);
    void SetOffsets(int left, int right);
    // The slider's flag and every thumb's enabled flag.
    void SetInteractive(BOOL flag);

    int GetThumbCount() const { return m_thumbCount; }
    // Thumb i (0-based); null out of range.
    CPHSlider* GetThumb(int i) const;
    int GetMin() const { return m_min; }
    int GetMax() const { return m_max; }
    BYTE IsInteractive() const { return m_interactive; }
    int GetThumbWidth() const { return m_thumbWidth; }
    int GetThumbHeight() const { return m_thumbHeight; }
    CWnd* GetHost() const { return m_host; }

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnPaint() override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    BOOL OnEraseBkgnd(CDC*) override { return TRUE; }
    // Passes a thumb's notification on to the owner and the host.
    LRESULT OnSliderPosChanged(WPARAM wParam, LPARAM lParam);

private:
    BYTE m_interactive = 1;
    CBitmap m_track;
    int m_thumbWidth = 0;
    int m_thumbHeight = 0;
    int m_leftOffset = 0;
    int m_rightOffset = 0;
    RECT m_windowRect{};
    CWnd* m_host = nullptr;
    std::unique_ptr<CPHSlider[]> m_thumbs;
    int m_thumbCount = 0;
    int m_min = 1;
    int m_max = 32;
};
