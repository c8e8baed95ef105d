#pragma once
// A vertical slider whose window is itself the thumb: the user drags it up and down inside a
// track rectangle of its owner, and on release it reports a percentage (100 at the top, 0 at
// the bottom) to the owner with WM_SLIDER_POSCHANGED.

#include "gui/GUIItem.h"
#include "platform/framework/CGdiObject.h"
#include "platform/framework/CWnd.h"

class CVertSlider : public CWnd, public CGUIItem {
public:
    CVertSlider();
    ~CVertSlider() override;

    // Keeps the id, the track rectangle (owner's client coordinates), the owner and the
    // sizing bitmap's size, and creates the window over the track on the owner.
    BOOL Create(int controlId, CWnd* owner, HBITMAP sizingBitmap, int left, int top, int right,
                int bottom);
    // Takes the thumb picture from the bitmap's top left corner, cut to the rectangle's size
    // when the picture is larger.
    void SetBitmap(HBITMAP bitmap, int left, int top, int right, int bottom);

    // The value 0..100 reported on the last release.
    int GetValue() const { return m_value; }
    bool IsDragging() const { return m_dragging != 0; }
    const RECT& GetTrackRect() const { return m_track; }
    int GetThumbWidth() const { return m_thumbWidth; }
    int GetThumbHeight() const { return m_thumbHeight; }

    // Both 0: no cap; else the reported value is held to [lowerCap, upperCap].
    int upperCap = 0;
    int lowerCap = 0;

protected:
    void OnPaint() override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    // A quick second press is a press like any other.
    void OnLButtonDblClk(UINT flags, CPoint point) override { OnLButtonDown(flags, point); }
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;

private:
    // The window's top in the owner's client coordinates.
    int WindowTopInOwner() const;

    int m_controlId = -1;
    int m_value = 0;
    BYTE m_dragging = 0;
    CBitmap m_thumb;
    int m_thumbWidth = 0;
    int m_thumbHeight = 0;
    RECT m_track{};
    POINT m_press{};
    CWnd* m_owner = nullptr;
};
