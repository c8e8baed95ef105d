#pragma once
// Framework tooltip control over the "tooltips_class32" common control.

#include "platform/framework/CWnd.h"
#include "platform/ui/CommCtrl.h"

class CToolTipCtrl : public CWnd {
public:
    // A pop-up window owned by `parent` (tooltips are never children).
    BOOL Create(CWnd* parent, DWORD style = 0) {
        InitCommonControls();
        return CreateEx(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, parent ? parent->m_hWnd : nullptr, nullptr);
    }
    void Activate(BOOL activate) { SendMessage(TTM_ACTIVATE, activate ? TRUE : FALSE); }
    // Adds tool `id` of `wnd` over `rect` (client coordinates; null: the client rectangle).
    BOOL AddTool(CWnd* wnd, LPCWSTR text, LPCRECT rect = nullptr, UINT_PTR id = 0) {
        TOOLINFOW info;
        FillInfo(info, wnd, id);
        if (rect) {
            info.rect = *rect;
        } else if (wnd) {
            wnd->GetClientRect(&info.rect);
        }
        info.lpszText = const_cast<LPWSTR>(text);
        return static_cast<BOOL>(SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
    }
    void UpdateTipText(LPCWSTR text, CWnd* wnd, UINT_PTR id = 0) {
        TOOLINFOW info;
        FillInfo(info, wnd, id);
        info.lpszText = const_cast<LPWSTR>(text);
        SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    }
    void GetText(CString& text, CWnd* wnd, UINT_PTR id = 0) const {
        WCHAR buffer[1024] = {};
        TOOLINFOW info;
        FillInfo(info, wnd, id);
        info.lpszText = buffer;
        SendMessage(TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&info));
        text = buffer;
    }
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
    void RelayEvent(LPMSG msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }

private:
    static void FillInfo(TOOLINFOW& info, CWnd* wnd, UINT_PTR id) {
        info.hwnd = wnd ? wnd->m_hWnd : nullptr;
        info.uId = id;
    }
};
