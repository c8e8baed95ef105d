#pragma once
// Device contexts of a window for the length of a scope: CPaintDC (BeginPaint/EndPaint, in
// WM_PAINT handlers), CClientDC (the client area) and CWindowDC (the whole window).

#include "platform/framework/CWnd.h"

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) {
        Attach(::BeginPaint(m_hWnd, &m_ps));
    }
    ~CPaintDC() override {
        Detach();
        ::EndPaint(m_hWnd, &m_ps);
    }
    HWND m_hWnd;
    PAINTSTRUCT m_ps;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) { Attach(::GetDC(m_hWnd)); }
    ~CClientDC() override { ::ReleaseDC(m_hWnd, Detach()); }
    HWND m_hWnd;
};

class CWindowDC : public CDC {
public:
    explicit CWindowDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) {
        Attach(::GetWindowDC(m_hWnd));
    }
    ~CWindowDC() override { ::ReleaseDC(m_hWnd, Detach()); }
    HWND m_hWnd;
};
