#pragma once
// The skinned push button, tab and check box: an owner-drawn button that paints one of four
// state bitmaps cut from the skin (normal, over, down, disabled), optionally clipped to a
// shaped window region, with an optional caption in a skin font and per-state colour, a
// tooltip, a hover look tracked by mouse capture, and a check-box mode in which a press
// toggles the checked state and notifies the parent.

#include "gui/GUIItem.h"
#include "platform/framework/CButton.h"
#include "platform/framework/CToolTipCtrl.h"

#include <functional>

class CFontItem;

// The four looks of a skinned button.
enum SkinButtonState : int {
    BTN_STATE_NORMAL = 0,
    BTN_STATE_OVER = 1,
    BTN_STATE_DOWN = 2,
    BTN_STATE_DISABLED = 3,
};

class CBitmapBtn : public CButton, public CGUIItem {
public:
    CBitmapBtn();
    ~CBitmapBtn() override;

    using CButton::Create;
    BOOL Create(LPCWSTR caption, DWORD style, const RECT& rect, CWnd* parentWnd, UINT id) override;

    // Cuts (left, top)-(right, bottom) of each source bitmap into the button's own four
    // bitmaps, then removes WS_BORDER and WS_TABSTOP. A missing source leaves that look empty.
    void LoadBitmaps(HBITMAP normal, HBITMAP over, HBITMAP down, HBITMAP disabled, int left,
                     int top, int right, int bottom);
    // The mask's region (every pixel but pure white) becomes the window region when the mask
    // gives one; then LoadBitmaps.
    void SetMaskRegion(HBITMAP mask, HBITMAP normal, HBITMAP over, HBITMAP down, HBITMAP disabled,
                       int left, int top, int right, int bottom);
    // Translated tooltip; null does nothing.
    void SetToolTip(const WCHAR* text);
    // Translated caption with case change (1 upper, 2 lower); the first "\n" becomes a line
    // break. Does not repaint.
    void SetCaption(const WCHAR* text, int caps);
    // Stores a different checked state and repaints; an equal state does nothing.
    void SetCheck(int state);

    // The look DrawItem paints for an owner-draw item state, and the caption colour.
    SkinButtonState ChooseBitmap(UINT itemState) const;
    COLORREF ChooseTextColor(UINT itemState) const;

    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnKillFocus(CWnd* newWnd) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnCaptureChanged(CWnd* wnd) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonDblClk(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;

    CToolTipCtrl tooltip;
    int checked = 0;
    int checkBoxMode = 0;
    BYTE hover = 0;
    BYTE cursorInside = 0;
    CBitmap bitmaps[4];          // indexed by SkinButtonState
    COLORREF textColors[4] = {}; // normal, over, down, disabled; 0 draws as 0xFEFEFE
    BYTE toggleOnClick = 1;
    CString caption;
    CFontItem* font = nullptr; // the skin's; its GDI font goes with the button
    UINT textFormat = 0;

private:
    void NotifyClicked();
};

// Shared by the skinned buttons and other widgets: activates the owner window (else the
// parent) of `wnd` when it is not the active window.
void ActivateOwnerWindow(CWnd* wnd);
// Sends WM_COMMAND (control id, BN_CLICKED) with `sender` as lParam to the parent of `wnd`.
void SendClickedToParent(CWnd* wnd, HWND sender);
// Hover tracking by mouse capture for a skinned widget, on a mouse move to point (client
// coordinates of wnd) with the given key flags. While a window is active and the widget
// does not hold the capture, the move begins the hover: show(true), then the widget takes
// the capture. A move over another window ends it: show(false) when hovering, and the
// capture goes unless the left button is down. A drag that did not begin in the hover
// changes nothing.
void TrackSkinHover(CWnd* wnd, UINT flags, CPoint point, bool hovering,
                    const std::function<void(bool)>& show);
// Paints a skinned button's face (nothing where it has none) over client into dc. With
// drawText, the face is first copied into an off-screen bitmap where drawText draws the
// caption transparently in textColor and font (null: the fallback font), and that bitmap is
// then copied to dc at once.
void DrawSkinFace(CDC* dc, const RECT& client, CBitmap& face, COLORREF textColor, CFont* font,
                  const std::function<void(CDC&)>& drawText);
// Cuts (left, top)-(right, bottom) of source into target with a DC of window.
void CutSkinBitmap(CBitmap& target, CWnd* window, HBITMAP source, int left, int top, int right,
                   int bottom);
