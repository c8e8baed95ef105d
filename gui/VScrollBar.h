#pragma once
// The skinned vertical scroll bar: a window beside its buddy (a list) that reads the buddy's
// vertical scroll state, draws itself from six skin pictures and turns clicks, held arrows and
// thumb drags into WM_VSCROLL messages posted to the buddy.

#include "platform/framework/CStatic.h"
#include "platform/gdi/Gdi.h"

// A bitmap owned by the bar, with its size; empty (null, 0 x 0) when its source was missing.
struct ScrollPicture {
    ScrollPicture() = default;
    ~ScrollPicture();
    ScrollPicture(const ScrollPicture&) = delete;
    ScrollPicture& operator=(const ScrollPicture&) = delete;

    // Replaces the picture by a copy of the whole of source (nothing when source is null).
    void CutFrom(HDC dc, HBITMAP source);
    void Release();

    HBITMAP bitmap = nullptr;
    int width = 0;
    int height = 0;
};

class CVScrollBar : public CStatic {
public:
    static constexpr UINT_PTR kRepeatTimer = 1;
    static constexpr UINT_PTR kDelayTimer = 2;
    static constexpr UINT kRepeatMs = 50;
    static constexpr UINT kDelayMs = 250;

    CVScrollBar(int barWidth, CWnd* buddyWnd);
    ~CVScrollBar() override;
    using CStatic::Create;

    // Cuts each picture whole into the bar's own bitmap and puts the thumb at the top of its
    // travel.
    void SetBitmaps(HBITMAP topCap, HBITMAP bottomCap, HBITMAP arrowUp, HBITMAP arrowDown,
                    HBITMAP spine, HBITMAP thumbPicture);
    // Brings the thumb in line with the buddy's scroll position and draws.
    void Update();

    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnPaint() override;
    void OnTimer(UINT_PTR id) override;

    // Geometry, in client coordinates.
    int TravelTop() const;
    int TravelBottom() const;
    int TravelLength() const;
    RECT UpArrowRect() const;
    RECT DownArrowRect() const;
    RECT ThumbRect() const;

    int thumbTop = 0;
    BYTE upPressed = 0;
    BYTE downPressed = 0;
    BYTE dragging = 0;
    ScrollPicture top;
    ScrollPicture bottom;
    ScrollPicture up;
    ScrollPicture down;
    ScrollPicture spin;
    ScrollPicture thumb;
    CWnd* buddy = nullptr;
    COLORREF backgroundColor = 0;
    COLORREF borderColor = 0xFFFFFF;
    int borderWidth = 1;
    int barWidth = 0;

private:
    int ClientHeight() const;
    void ClampThumb();
    void Post(UINT code);
    void Draw(CDC* dc);
    void DrawNow();

    bool m_hasPictures = false;
};
