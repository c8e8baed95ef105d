#include "platform/framework/CGdiObject.h"

#include "platform/framework/CDC.h"

#include <memory>
#include <unordered_map>

namespace {

// Wrappers that own their handles, by handle (this thread's).
std::unordered_map<HGDIOBJ, CGdiObject*>& Permanent() {
    thread_local std::unordered_map<HGDIOBJ, CGdiObject*> map;
    return map;
}

struct TempMap {
    std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> objects;
    void Clear() {
        for (auto& [handle, object] : objects) {
            object->m_hObject = nullptr; // a temporary never deletes its handle
        }
        objects.clear();
    }
    ~TempMap() { Clear(); }
};

TempMap& Temporary() {
    thread_local TempMap map;
    return map;
}

std::unique_ptr<CGdiObject> MakeWrapper(HGDIOBJ object) {
    switch (::GetObjectType(object)) {
    case OBJ_PEN:
        return std::make_unique<CPen>();
    case OBJ_BRUSH:
        return std::make_unique<CBrush>();
    case OBJ_FONT:
        return std::make_unique<CFont>();
    case OBJ_BITMAP:
        return std::make_unique<CBitmap>();
    case OBJ_REGION:
        return std::make_unique<CRgn>();
    default:
        return std::make_unique<CGdiObject>();
    }
}

} // namespace

CGdiObject::~CGdiObject() {
    DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
    if (object == nullptr || m_hObject != nullptr) {
        return FALSE;
    }
    m_hObject = object;
    Permanent()[object] = this;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ h = m_hObject;
    if (h != nullptr) {
        auto& map = Permanent();
        if (auto it = map.find(h); it != map.end() && it->second == this) {
            map.erase(it);
        }
    }
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr) {
        return FALSE;
    }
    return ::DeleteObject(Detach());
}

int CGdiObject::GetObject(int count, void* buffer) const {
    return ::GetObjectW(m_hObject, count, buffer);
}

UINT CGdiObject::GetObjectType() const {
    return ::GetObjectType(m_hObject);
}

BOOL CGdiObject::CreateStockObject(int index) {
    return Attach(::GetStockObject(index));
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ object) {
    if (object == nullptr) {
        return nullptr;
    }
    if (auto it = Permanent().find(object); it != Permanent().end()) {
        return it->second;
    }
    auto& temps = Temporary().objects;
    auto& slot = temps[object];
    if (!slot) {
        slot = MakeWrapper(object);
        slot->m_hObject = object; // not registered as owned
    }
    return slot.get();
}

void CGdiObject::DeleteTempMap() {
    Temporary().Clear();
}

size_t CGdiObject::GetTempMapCount() {
    return Temporary().objects.size();
}

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
    return Attach(ToGdiObj(::CreatePen(style, width, color)));
}
CPen* CPen::FromHandle(HPEN pen) {
    return static_cast<CPen*>(CGdiObject::FromHandle(ToGdiObj(pen)));
}

BOOL CBrush::CreateSolidBrush(COLORREF color) {
    return Attach(ToGdiObj(::CreateSolidBrush(color)));
}
CBrush* CBrush::FromHandle(HBRUSH brush) {
    return static_cast<CBrush*>(CGdiObject::FromHandle(ToGdiObj(brush)));
}

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight,
                       BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                       BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, LPCWSTR faceName) {
    return Attach(ToGdiObj(::CreateFontW(height, width, escapement, orientation, weight, italic,
                                         underline, strikeOut, charSet, outPrecision, clipPrecision,
                                         quality, pitchAndFamily, faceName)));
}
BOOL CFont::CreateFontIndirect(const LOGFONTW* font) {
    return Attach(ToGdiObj(::CreateFontIndirectW(font)));
}
int CFont::GetLogFont(LOGFONTW* font) const {
    return ::GetObjectW(m_hObject, sizeof(LOGFONTW), font);
}
CFont* CFont::FromHandle(HFONT font) {
    return static_cast<CFont*>(CGdiObject::FromHandle(ToGdiObj(font)));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
    return Attach(
        ToGdiObj(::CreateCompatibleBitmap(dc == nullptr ? nullptr : dc->m_hDC, width, height)));
}
BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel,
                           const void* bits) {
    return Attach(ToGdiObj(::CreateBitmap(width, height, planes, bitsPerPixel, bits)));
}
int CBitmap::GetBitmap(BITMAP* info) const {
    return ::GetObjectW(m_hObject, sizeof(BITMAP), info);
}
CBitmap* CBitmap::FromHandle(HBITMAP bitmap) {
    return static_cast<CBitmap*>(CGdiObject::FromHandle(ToGdiObj(bitmap)));
}

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom) {
    return Attach(ToGdiObj(::CreateRectRgn(left, top, right, bottom)));
}
BOOL CRgn::CreateRectRgnIndirect(LPCRECT rect) {
    return Attach(ToGdiObj(::CreateRectRgnIndirect(rect)));
}
BOOL CRgn::CreateFromData(const XFORM* transform, int count, const RGNDATA* data) {
    if (count < 0) {
        return FALSE;
    }
    return Attach(ToGdiObj(::ExtCreateRegion(transform, static_cast<DWORD>(count), data)));
}
void CRgn::SetRectRgn(int left, int top, int right, int bottom) {
    ::SetRectRgn(*this, left, top, right, bottom);
}
int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode) {
    return ::CombineRgn(*this, a == nullptr ? nullptr : static_cast<HRGN>(*a),
                        b == nullptr ? nullptr : static_cast<HRGN>(*b), mode);
}
int CRgn::CopyRgn(const CRgn* source) {
    return CombineRgn(source, nullptr, RGN_COPY);
}
BOOL CRgn::EqualRgn(const CRgn* other) const {
    return other != nullptr && ::EqualRgn(*this, *other);
}
int CRgn::OffsetRgn(int dx, int dy) {
    return ::OffsetRgn(*this, dx, dy);
}
int CRgn::GetRgnBox(LPRECT rect) const {
    return ::GetRgnBox(*this, rect);
}
BOOL CRgn::PtInRegion(int x, int y) const {
    return ::PtInRegion(*this, x, y);
}
BOOL CRgn::RectInRegion(LPCRECT rect) const {
    return ::RectInRegion(*this, rect);
}
int CRgn::GetRegionData(RGNDATA* data, int count) const {
    if (count < 0) {
        return 0;
    }
    return static_cast<int>(::GetRegionData(*this, static_cast<DWORD>(count), data));
}
CRgn* CRgn::FromHandle(HRGN region) {
    return static_cast<CRgn*>(CGdiObject::FromHandle(ToGdiObj(region)));
}
