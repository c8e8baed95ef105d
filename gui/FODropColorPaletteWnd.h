#pragma once
// The colour palette's windows. CFODropColorPaletteWnd hosts the palette control: it paints
// it off-screen, feeds it the mouse and the keys, and relays the control's choices to its
// owner button (posted), hiding itself except for a keyboard preview. CFOPopupColorPaletteWnd
// is the drop-down form: placed below its button (above it, or right-aligned, where the work
// area ends), and clicking elsewhere chooses the colour it stands on.

#include "gui/FODropColorPaletteControl.h"
#include "platform/framework/CWnd.h"

#include <memory>

class CFODropColorPaletteWnd : public CWnd {
public:
    CFODropColorPaletteWnd() = default;
    ~CFODropColorPaletteWnd() override;

    // Creates the window at the rectangle (screen coordinates), owned by ownerWnd, and its
    // control standing on the colour; FALSE when the window cannot be made.
    BOOL Create(DWORD style, const RECT& windowRect, CWnd* ownerWnd, COLORREF colour);

    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnLButtonDblClk(UINT flags, CPoint point) override;
    void OnMButtonDown(UINT flags, CPoint point) override;
    void OnMButtonUp(UINT flags, CPoint point) override;
    void OnMButtonDblClk(UINT flags, CPoint point) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnPaint() override;
    void OnCancelMode() override;
    void OnKeyDown(UINT ch, UINT repeat, UINT flags) override;
    void OnSize(UINT type, int cx, int cy) override;
    UINT OnGetDlgCode() override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    std::unique_ptr<CFODropColorPaletteControl> control;
    CWnd* ownerButton = nullptr;
};

class CFOPopupColorPaletteWnd : public CFODropColorPaletteWnd {
public:
    // The window rectangle for a client of width x height under the style, below the button
    // (screen coordinates) within the work area.
    static RECT PlaceBelow(DWORD style, const RECT& buttonRect, int width, int height);

    // Creates the palette below the button and takes the focus; FALSE on failure.
    BOOL Create(DWORD style, const RECT& buttonRect, CWnd* parentWnd, COLORREF colour, int width,
                int height);

    void OnActivate(UINT state, CWnd* other, BOOL minimized) override;
};
