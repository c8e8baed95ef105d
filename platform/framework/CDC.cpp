#include "platform/framework/CDC.h"

#include <memory>
#include <unordered_map>

namespace {

std::unordered_map<HDC, CDC*>& Permanent() {
    thread_local std::unordered_map<HDC, CDC*> map;
    return map;
}

struct TempMap {
    std::unordered_map<HDC, std::unique_ptr<CDC>> objects;
    void Clear() {
        for (auto& [handle, dc] : objects) {
            dc->m_hDC = nullptr; // a temporary never deletes its DC
            dc->m_hAttribDC = nullptr;
        }
        objects.clear();
    }
    ~TempMap() { Clear(); }
};

TempMap& Temporary() {
    thread_local TempMap map;
    return map;
}

HDC Handle(CDC* dc) {
    return dc == nullptr ? nullptr : dc->m_hDC;
}

} // namespace

CDC::~CDC() {
    if (m_hDC != nullptr) {
        ::DeleteDC(Detach());
    }
}

BOOL CDC::Attach(HDC dc) {
    if (dc == nullptr || m_hDC != nullptr) {
        return FALSE;
    }
    m_hDC = dc;
    m_hAttribDC = dc;
    Permanent()[dc] = this;
    return TRUE;
}

HDC CDC::Detach() {
    HDC dc = m_hDC;
    if (dc != nullptr) {
        auto& map = Permanent();
        if (auto it = map.find(dc); it != map.end() && it->second == this) {
            map.erase(it);
        }
    }
    m_hDC = nullptr;
    m_hAttribDC = nullptr;
    return dc;
}

BOOL CDC::DeleteDC() {
    if (m_hDC == nullptr) {
        return FALSE;
    }
    return ::DeleteDC(Detach());
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
    return Attach(::CreateCompatibleDC(Handle(dc)));
}

CDC* CDC::FromHandle(HDC dc) {
    if (dc == nullptr) {
        return nullptr;
    }
    if (auto it = Permanent().find(dc); it != Permanent().end()) {
        return it->second;
    }
    auto& slot = Temporary().objects[dc];
    if (!slot) {
        slot = std::make_unique<CDC>();
        slot->m_hDC = dc;
        slot->m_hAttribDC = dc;
    }
    return slot.get();
}

void CDC::DeleteTempMap() {
    Temporary().Clear();
}

size_t CDC::GetTempMapCount() {
    return Temporary().objects.size();
}

CGdiObject* CDC::SelectObject(CGdiObject* object) {
    if (object == nullptr) {
        return nullptr;
    }
    return CGdiObject::FromHandle(::SelectObject(m_hDC, object->m_hObject));
}

CPen* CDC::SelectObject(CPen* pen) {
    return static_cast<CPen*>(SelectObject(static_cast<CGdiObject*>(pen)));
}
CBrush* CDC::SelectObject(CBrush* brush) {
    return static_cast<CBrush*>(SelectObject(static_cast<CGdiObject*>(brush)));
}
CFont* CDC::SelectObject(CFont* font) {
    return static_cast<CFont*>(SelectObject(static_cast<CGdiObject*>(font)));
}
CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    return static_cast<CBitmap*>(SelectObject(static_cast<CGdiObject*>(bitmap)));
}
int CDC::SelectObject(CRgn* region) {
    return SelectClipRgn(region);
}
HGDIOBJ CDC::SelectObject(HGDIOBJ object) {
    return ::SelectObject(m_hDC, object);
}

CGdiObject* CDC::SelectStockObject(int index) {
    HGDIOBJ stock = ::GetStockObject(index);
    if (stock == nullptr) {
        return nullptr;
    }
    return CGdiObject::FromHandle(::SelectObject(m_hDC, stock));
}

CFont* CDC::GetCurrentFont() const {
    return static_cast<CFont*>(CGdiObject::FromHandle(::GetCurrentObject(m_hDC, OBJ_FONT)));
}
CBitmap* CDC::GetCurrentBitmap() const {
    return static_cast<CBitmap*>(CGdiObject::FromHandle(::GetCurrentObject(m_hDC, OBJ_BITMAP)));
}
CPen* CDC::GetCurrentPen() const {
    return static_cast<CPen*>(CGdiObject::FromHandle(::GetCurrentObject(m_hDC, OBJ_PEN)));
}
CBrush* CDC::GetCurrentBrush() const {
    return static_cast<CBrush*>(CGdiObject::FromHandle(::GetCurrentObject(m_hDC, OBJ_BRUSH)));
}

POINT CDC::SetViewportOrg(int x, int y) {
    POINT previous{};
    ::SetViewportOrgEx(m_hDC, x, y, &previous);
    return previous;
}
POINT CDC::OffsetViewportOrg(int dx, int dy) {
    POINT previous{};
    ::OffsetViewportOrgEx(m_hDC, dx, dy, &previous);
    return previous;
}
POINT CDC::GetViewportOrg() const {
    POINT p{};
    ::GetViewportOrgEx(m_hAttribDC, &p);
    return p;
}
POINT CDC::SetWindowOrg(int x, int y) {
    POINT previous{};
    ::SetWindowOrgEx(m_hDC, x, y, &previous);
    return previous;
}
POINT CDC::GetWindowOrg() const {
    POINT p{};
    ::GetWindowOrgEx(m_hAttribDC, &p);
    return p;
}
SIZE CDC::SetWindowExt(int cx, int cy) {
    SIZE previous{};
    ::SetWindowExtEx(m_hDC, cx, cy, &previous);
    return previous;
}
SIZE CDC::GetWindowExt() const {
    SIZE s{};
    ::GetWindowExtEx(m_hAttribDC, &s);
    return s;
}
SIZE CDC::SetViewportExt(int cx, int cy) {
    SIZE previous{};
    ::SetViewportExtEx(m_hDC, cx, cy, &previous);
    return previous;
}
SIZE CDC::GetViewportExt() const {
    SIZE s{};
    ::GetViewportExtEx(m_hAttribDC, &s);
    return s;
}

int CDC::SelectClipRgn(CRgn* region) {
    return ::SelectClipRgn(m_hDC, region == nullptr ? nullptr : static_cast<HRGN>(*region));
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop) {
    return ::BitBlt(m_hDC, x, y, width, height, Handle(source), xSrc, ySrc, rop);
}
BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                     int srcWidth, int srcHeight, DWORD rop) {
    return ::StretchBlt(m_hDC, x, y, width, height, Handle(source), xSrc, ySrc, srcWidth, srcHeight,
                        rop);
}
BOOL CDC::TransparentBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                         int srcWidth, int srcHeight, UINT transparent) {
    return ::TransparentBlt(m_hDC, x, y, width, height, Handle(source), xSrc, ySrc, srcWidth,
                            srcHeight, transparent);
}
BOOL CDC::AlphaBlend(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                     int srcWidth, int srcHeight, BLENDFUNCTION blend) {
    return ::AlphaBlend(m_hDC, x, y, width, height, Handle(source), xSrc, ySrc, srcWidth, srcHeight,
                        blend);
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
    if (rect == nullptr) {
        return;
    }
    ::SetBkColor(m_hDC, color);
    HBRUSH brush = ::CreateSolidBrush(color);
    ::FillRect(m_hDC, rect, brush);
    ::DeleteObject(brush);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
    const RECT r{x, y, x + cx, y + cy};
    FillSolidRect(&r, color);
}

void CDC::FillRect(LPCRECT rect, CBrush* brush) {
    if (brush != nullptr) {
        ::FillRect(m_hDC, rect, *brush);
    }
}

void CDC::FrameRect(LPCRECT rect, CBrush* brush) {
    if (brush != nullptr) {
        ::FrameRect(m_hDC, rect, *brush);
    }
}

BOOL CDC::FillRgn(CRgn* region, CBrush* brush) {
    if (region == nullptr || brush == nullptr) {
        return FALSE;
    }
    return ::FillRgn(m_hDC, *region, *brush);
}

POINT CDC::MoveTo(int x, int y) {
    POINT previous{};
    ::MoveToEx(m_hDC, x, y, &previous);
    return previous;
}

BOOL CDC::TextOut(int x, int y, const CString& text) {
    return ::TextOutW(m_hDC, x, y, text.GetString(), text.GetLength());
}

int CDC::DrawText(const CString& text, LPRECT rect, UINT format) {
    return ::DrawTextW(m_hDC, text.GetString(), text.GetLength(), rect, format);
}

SIZE CDC::GetTextExtent(LPCWSTR text, int length) const {
    SIZE s{};
    ::GetTextExtentPoint32W(m_hAttribDC, text, length, &s);
    return s;
}

SIZE CDC::GetTextExtent(const CString& text) const {
    return GetTextExtent(text.GetString(), text.GetLength());
}
