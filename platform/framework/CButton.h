#pragma once
// Framework push button, check box and owner-drawn button over the "Button" control. An
// owner-drawn button (BS_OWNERDRAW) draws itself in DrawItem, reflected from its parent.

#include "platform/framework/CWnd.h"

class CButton : public CWnd {
public:
    virtual BOOL Create(LPCWSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        return CWnd::Create(u"Button", caption, style, rect, parent, id);
    }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
    UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
    UINT GetButtonStyle() const { return GetStyle() & 0xFFFF; }
    void SetButtonStyle(UINT style, BOOL redraw = TRUE) {
        ModifyStyle(0xFFFF, style);
        if (redraw) {
            Invalidate();
        }
    }
};
