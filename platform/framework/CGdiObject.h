#pragma once
// Framework wrappers of GDI objects. A wrapper owns the handle it created or attached and
// deletes it when destroyed; FromHandle gives a wrapper for any handle (the attached one, or
// a temporary that does not own the handle and lives until DeleteTempMap: the thread's
// message loop calls it when it goes idle, see AfxDeleteTempMaps).

#include "platform/gdi/Gdi.h"

class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    operator HGDIOBJ() const { return m_hObject; }
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

    // Takes ownership of the handle; fails when the wrapper already holds one.
    BOOL Attach(HGDIOBJ object);
    HGDIOBJ Detach();
    // Deletes the held object (FALSE when there is none or it cannot be deleted now).
    BOOL DeleteObject();
    int GetObject(int count, void* buffer) const;
    UINT GetObjectType() const;
    BOOL CreateStockObject(int index);

    static CGdiObject* FromHandle(HGDIOBJ object);
    // Frees this thread's temporary wrappers (their handles stay).
    static void DeleteTempMap();
    // How many temporary wrappers this thread holds.
    static size_t GetTempMapCount();

    HGDIOBJ m_hObject = nullptr;
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    BOOL CreatePen(int style, int width, COLORREF color);
    operator HPEN() const { return reinterpret_cast<HPEN>(m_hObject); }
    using CGdiObject::Attach;
    BOOL Attach(HPEN handle) { return CGdiObject::Attach(ToGdiObj(handle)); }
    static CPen* FromHandle(HPEN pen);
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    BOOL CreateSolidBrush(COLORREF color);
    operator HBRUSH() const { return reinterpret_cast<HBRUSH>(m_hObject); }
    using CGdiObject::Attach;
    BOOL Attach(HBRUSH handle) { return CGdiObject::Attach(ToGdiObj(handle)); }
    static CBrush* FromHandle(HBRUSH brush);
};

class CFont : public CGdiObject {
public:
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                    BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                    BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, LPCWSTR faceName);
    BOOL CreateFontIndirect(const LOGFONTW* font);
    int GetLogFont(LOGFONTW* font) const;
    operator HFONT() const { return reinterpret_cast<HFONT>(m_hObject); }
    using CGdiObject::Attach;
    BOOL Attach(HFONT handle) { return CGdiObject::Attach(ToGdiObj(handle)); }
    static CFont* FromHandle(HFONT font);
};

class CDC;

class CBitmap : public CGdiObject {
public:
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
    int GetBitmap(BITMAP* info) const;
    operator HBITMAP() const { return reinterpret_cast<HBITMAP>(m_hObject); }
    using CGdiObject::Attach;
    BOOL Attach(HBITMAP handle) { return CGdiObject::Attach(ToGdiObj(handle)); }
    static CBitmap* FromHandle(HBITMAP bitmap);
};

class CRgn : public CGdiObject {
public:
    BOOL CreateRectRgn(int left, int top, int right, int bottom);
    BOOL CreateRectRgnIndirect(LPCRECT rect);
    BOOL CreateFromData(const XFORM* transform, int count, const RGNDATA* data);
    void SetRectRgn(int left, int top, int right, int bottom);
    int CombineRgn(const CRgn* a, const CRgn* b, int mode);
    int CopyRgn(const CRgn* source);
    BOOL EqualRgn(const CRgn* other) const;
    int OffsetRgn(int dx, int dy);
    int GetRgnBox(LPRECT rect) const;
    BOOL PtInRegion(int x, int y) const;
    BOOL PtInRegion(POINT p) const { return PtInRegion(p.x, p.y); }
    BOOL RectInRegion(LPCRECT rect) const;
    int GetRegionData(RGNDATA* data, int count) const;
    operator HRGN() const { return reinterpret_cast<HRGN>(m_hObject); }
    using CGdiObject::Attach;
    BOOL Attach(HRGN handle) { return CGdiObject::Attach(ToGdiObj(handle)); }
    static CRgn* FromHandle(HRGN region);
};
