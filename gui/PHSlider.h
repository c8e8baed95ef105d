#pragma once
// One thumb of a multi-thumb horizontal slider: a small shaped child window of its slider that
// the user drags along the track. It converts between pixels and integer positions counted
// from 1, keeps to its cap range, and posts WM_SLIDER_POSCHANGED (position, item id) to the
// slider that owns it.

#include "gui/GUIItem.h"
#include "platform/framework/CGdiObject.h"
#include "platform/framework/CToolTipCtrl.h"
#include "platform/framework/CWnd.h"

class CPHSlider : public CWnd, public CGUIItem {
public:
    CPHSlider();
    ~CPHSlider() override;

    // Takes ownership of both bitmaps (either may be null). The track rectangle is in the
    // owning slider's client coordinates. The window is created at (0, 0) with the normal
    // bitmap's size, with the item id as control id; a non-zero shape cuts the window to the
    // thumb's outline.
    BOOL Create(HBITMAP normal, CWnd* owningSlider, HBITMAP over, int shape, int left, int top,
                int right, int bottom);
    // Recomputes the scale and the pixel limits from the range, offsets, track and thumb width.
    void RecalcScale();
    // Stores the position held to the cap range and places the thumb at its pixel.
    void SetPos(int position);
    // The position nearest to x (slider client coordinates), then SetPos.
    void SetPosFromPixel(int x);
    // The positions this thumb may take, each held to [min, max]. The position stays.
    void SetCapRange(int low, int high);
    // Tooltip text through the language table.
    void SetToolTip(const WCHAR* text);
    // Cuts the window to the normal bitmap less the pixels of its top-left pixel's colour.
    void MakeRegion();

    int GetPos() const { return position; }
    float GetScale() const { return scale; }
    // The left edge of the thumb window for a position.
    int PixelOfPos(int pos) const;
    const CToolTipCtrl& GetToolTip() const { return m_toolTip; }

    BOOL PreTranslateMessage(MSG* msg) override;

    // Derived by RecalcScale.
    int stepCount = 32;
    int trackStart = 0;
    float scale = 0.0f;
    int thumbLeftLimit = 0;
    int thumbRightLimit = 0;
    int pixelMin = 0;
    int pixelMax = 0;

    int position = 0;
    int leftOffset = 0;
    int rightOffset = 0;
    int min = 1;
    int max = 32;
    int capMin = 1;
    int capMax = 32;
    int thumbWidth = 0;
    int thumbHeight = 0;
    int dragging = 0;
    int hover = 0;
    RECT track{};
    int enabled = 0;

protected:
    void OnLButtonDown(UINT flags, CPoint point) override;
    // A quick second press is a press like any other.
    void OnLButtonDblClk(UINT flags, CPoint point) override { OnLButtonDown(flags, point); }
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnMouseLeave() override;
    void OnDestroy() override;
    void OnKillFocus(CWnd* newWnd) override;
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC*) override { return TRUE; }

private:
    // Follows the mouse at (x, y) of the thumb's client area.
    void OnDrag(int x, int y);
    // The position whose step the pixel a (left offset removed, half a step added) falls in.
    int PositionFromPixel(float a) const;
    void PostPosition();

    CToolTipCtrl m_toolTip;
    CBitmap m_normal;
    CBitmap m_over;
    POINT m_press{};
    CWnd* m_owner = nullptr;
};
