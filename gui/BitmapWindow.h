#pragma once
// A framed box: a frame bitmap per state (normal, over, active) around an inner picture or a
// caption, with a tooltip and a key-capture mode. A click makes it take the keyboard focus;
// every released key is then posted to the parent (WM_ASSIGNKEY_KEY) as a virtual-key code
// with left and right modifier keys told apart. A second click gives the focus back.

#include "gui/GUIItem.h"
#include "platform/framework/CToolTipCtrl.h"
#include "platform/framework/CWnd.h"

class CFontItem;

class CBitmapWindow : public CWnd, public CGUIItem {
public:
    CBitmapWindow();
    ~CBitmapWindow() override;

    // Nothing at all without a content bitmap. With a normal frame: the insets become half
    // the difference of the frame's and the content's sizes (0 when not positive), the
    // content is copied whole and the frames are cut to (0, 0)-(right - left, bottom - top).
    // The mask's region, when it gives one, becomes the window region.
    void SetBitmaps(HBITMAP content, HBITMAP normal, HBITMAP over, HBITMAP activeFrame,
                    HBITMAP mask, int left, int top, int right, int bottom);
    // As the bitmap button's: translated, first backslash and its follower one blank.
    void SetToolTip(const WCHAR* text);

    // The code posted for a released key (flags: bits 0-7 scan code, bit 8 extended key).
    static UINT AssignedKeyCode(UINT key, UINT flags);
    void PostAssignedKey(UINT key, UINT flags);
    // The client rectangle less the insets.
    RECT InnerRect() const;

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
    void OnKeyUp(UINT key, UINT repeat, UINT flags) override;
    void OnSysKeyUp(UINT key, UINT repeat, UINT flags) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnKillFocus(CWnd* newWnd) override;
    void OnCaptureChanged(CWnd* wnd) override;

    CBitmap content; // the inner picture at its own size
    CBitmap normalFrame;
    CBitmap overFrame;
    CBitmap activeFrame;
    CString caption;
    int caps = 0;
    UINT textFormat = 0;
    CFontItem* font = nullptr; // the skin's; its GDI font goes with the window
    COLORREF textColor = 0;    // 0 draws as 0xFEFEFE
    BYTE active = 0;           // key-capture mode
    BYTE hover = 0;
    HWND previousFocus = nullptr; // had the focus when capture mode began
    int insetX = 0;
    int insetY = 0;
    CToolTipCtrl tooltip;
};
