#pragma once
// A horizontal gauge: a base bitmap covered from the left by a fill bitmap in proportion to its
// value. The user sets the value by clicking or dragging along it; the release reports it to
// the owner with WM_MARKER_POSCHANGED.

#include "gui/GUIItem.h"
#include "platform/framework/CGdiObject.h"
#include "platform/framework/CWnd.h"

class CDMarker : public CWnd, public CGUIItem {
public:
    CDMarker();
    ~CDMarker() override;

    // place: the marker's place in the owner's client coordinates. Resets the range to 0..10,
    // the value to 0 and enables the marker.
    BOOL Create(const RECT& place, int controlId, CWnd* owner);
    // Takes the base and fill pictures, each cut to the rectangle's size from its top left
    // corner.
    void SetBitmaps(HBITMAP base, HBITMAP fill, int left, int top, int right, int bottom);

    // The value a point of the marker's client area stands for, held to [min, max].
    int ValueFromPoint(POINT point) const;
    // The width of the fill for the current value.
    int FillWidth() const;
    bool IsDragging() const { return m_dragging != 0; }

    // Plain fields the owner sets (invalidate afterwards).
    int min = 0;
    int max = 10;
    int value = 0;
    int enabled = 1;

protected:
    void OnPaint() override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    // A quick second press is a press like any other.
    void OnLButtonDblClk(UINT flags, CPoint point) override { OnLButtonDown(flags, point); }
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnCaptureChanged(CWnd* wnd) override;
    void OnKillFocus(CWnd* newWnd) override;

private:
    int m_controlId = -1;
    CBitmap m_base;
    CBitmap m_fill;
    int m_dragging = 0;
    RECT m_rect{};
    POINT m_press{};
    CWnd* m_owner = nullptr;
};
