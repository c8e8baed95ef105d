#pragma once
// Framework device context: a wrapper of an HDC with the drawing calls as members. A CDC that
// created its DC (CreateCompatibleDC) or attached one deletes it when destroyed; window DCs
// (CPaintDC, CClientDC) derive from it in the window part of the framework.

#include "platform/base/CString.h"
#include "platform/framework/CGdiObject.h"

class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }

    BOOL Attach(HDC dc);
    HDC Detach();
    BOOL DeleteDC();
    // A memory DC; the argument may be null.
    BOOL CreateCompatibleDC(CDC* dc);
    // The wrapper attached to the DC, or a temporary one of this thread; temporaries live
    // until the thread's message loop goes idle (AfxDeleteTempMaps).
    static CDC* FromHandle(HDC dc);
    static void DeleteTempMap();
    // How many temporary wrappers this thread holds.
    static size_t GetTempMapCount();

    BOOL IsPrinting() const { return m_bPrinting; }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hAttribDC, index); }

    // Selection: each returns the previously selected object of that kind (null on failure).
    CGdiObject* SelectObject(CGdiObject* object);
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    int SelectObject(CRgn* region);
    HGDIOBJ SelectObject(HGDIOBJ object);
    CGdiObject* SelectStockObject(int index);
    CFont* GetCurrentFont() const;
    CBitmap* GetCurrentBitmap() const;
    CPen* GetCurrentPen() const;
    CBrush* GetCurrentBrush() const;

    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int savedLevel) { return ::RestoreDC(m_hDC, savedLevel); }

    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hAttribDC); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hAttribDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int GetBkMode() const { return ::GetBkMode(m_hAttribDC); }
    COLORREF SetDCBrushColor(COLORREF color) { return ::SetDCBrushColor(m_hDC, color); }
    COLORREF SetDCPenColor(COLORREF color) { return ::SetDCPenColor(m_hDC, color); }
    int SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }

    // Coordinates (pixel mapping only).
    int SetMapMode(int mode) { return ::SetMapMode(m_hDC, mode); }
    int GetMapMode() const { return ::GetMapMode(m_hAttribDC); }
    POINT SetViewportOrg(int x, int y);
    POINT SetViewportOrg(POINT p) { return SetViewportOrg(p.x, p.y); }
    POINT OffsetViewportOrg(int dx, int dy);
    POINT GetViewportOrg() const;
    POINT SetWindowOrg(int x, int y);
    POINT SetWindowOrg(POINT p) { return SetWindowOrg(p.x, p.y); }
    POINT GetWindowOrg() const;
    SIZE SetWindowExt(int cx, int cy);
    SIZE SetWindowExt(SIZE s) { return SetWindowExt(s.cx, s.cy); }
    SIZE GetWindowExt() const;
    SIZE SetViewportExt(int cx, int cy);
    SIZE SetViewportExt(SIZE s) { return SetViewportExt(s.cx, s.cy); }
    SIZE GetViewportExt() const;
    void LPtoDP(LPPOINT points, int count = 1) const { ::LPtoDP(m_hAttribDC, points, count); }
    void LPtoDP(LPRECT rect) const { LPtoDP(reinterpret_cast<LPPOINT>(rect), 2); }
    void DPtoLP(LPPOINT points, int count = 1) const { ::DPtoLP(m_hAttribDC, points, count); }
    void DPtoLP(LPRECT rect) const { DPtoLP(reinterpret_cast<LPPOINT>(rect), 2); }

    // Clipping.
    int GetClipBox(LPRECT rect) const { return ::GetClipBox(m_hDC, rect); }
    int SelectClipRgn(CRgn* region);
    int IntersectClipRect(int left, int top, int right, int bottom) {
        return ::IntersectClipRect(m_hDC, left, top, right, bottom);
    }
    int IntersectClipRect(LPCRECT r) {
        return IntersectClipRect(r->left, r->top, r->right, r->bottom);
    }
    int ExcludeClipRect(int left, int top, int right, int bottom) {
        return ::ExcludeClipRect(m_hDC, left, top, right, bottom);
    }
    int ExcludeClipRect(LPCRECT r) { return ExcludeClipRect(r->left, r->top, r->right, r->bottom); }

    // Blits.
    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop);
    BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                    int srcWidth, int srcHeight, DWORD rop);
    BOOL TransparentBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                        int srcWidth, int srcHeight, UINT transparent);
    BOOL AlphaBlend(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                    int srcWidth, int srcHeight, BLENDFUNCTION blend);

    // Filling and lines. FillSolidRect leaves the background colour set to the fill colour.
    void FillSolidRect(LPCRECT rect, COLORREF color);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    void FillRect(LPCRECT rect, CBrush* brush);
    void FrameRect(LPCRECT rect, CBrush* brush);
    BOOL FillRgn(CRgn* region, CBrush* brush);
    BOOL Rectangle(int left, int top, int right, int bottom) {
        return ::Rectangle(m_hDC, left, top, right, bottom);
    }
    BOOL Rectangle(LPCRECT r) { return Rectangle(r->left, r->top, r->right, r->bottom); }
    POINT MoveTo(int x, int y);
    POINT MoveTo(POINT p) { return MoveTo(p.x, p.y); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
    COLORREF SetPixel(int x, int y, COLORREF color) { return ::SetPixel(m_hDC, x, y, color); }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }

    // Text.
    BOOL TextOut(int x, int y, LPCWSTR text, int length) {
        return ::TextOutW(m_hDC, x, y, text, length);
    }
    BOOL TextOut(int x, int y, const CString& text);
    int DrawText(LPCWSTR text, int length, LPRECT rect, UINT format) {
        return ::DrawTextW(m_hDC, text, length, rect, format);
    }
    int DrawText(const CString& text, LPRECT rect, UINT format);
    SIZE GetTextExtent(LPCWSTR text, int length) const;
    SIZE GetTextExtent(const CString& text) const;
    BOOL GetTextMetrics(TEXTMETRICW* metrics) const {
        return ::GetTextMetricsW(m_hAttribDC, metrics);
    }

    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;
    BOOL m_bPrinting = FALSE;
};
