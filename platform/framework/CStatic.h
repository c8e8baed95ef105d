#pragma once
// Framework static control over the "Static" control. Without SS_NOTIFY it lets the mouse
// through to the window below it.

#include "platform/framework/CWnd.h"

class CStatic : public CWnd {
public:
    virtual BOOL Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent,
                        UINT id = 0xFFFF) {
        return CWnd::Create(u"Static", text, style, rect, parent, id);
    }
};
