#pragma once
// Framework animation control over the "SysAnimate32" common control.

#include "platform/framework/CWnd.h"
#include "platform/ui/CommCtrl.h"

class CAnimateCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        InitCommonControls();
        return CWnd::Create(ANIMATE_CLASSW, nullptr, style, rect, parent, id);
    }
    // Opens the clip of that name; FALSE when there is none.
    BOOL Open(LPCWSTR name) {
        return static_cast<BOOL>(SendMessage(ACM_OPENW, 0, reinterpret_cast<LPARAM>(name)));
    }
    // Plays frames from..to (to = -1: the last frame) `repeat` times.
    BOOL Play(UINT from, UINT to, UINT repeat) {
        return static_cast<BOOL>(SendMessage(
            ACM_PLAY, repeat,
            static_cast<LPARAM>(MAKELONG(static_cast<WORD>(from), static_cast<WORD>(to)))));
    }
    BOOL Stop() { return static_cast<BOOL>(SendMessage(ACM_STOP)); }
};
