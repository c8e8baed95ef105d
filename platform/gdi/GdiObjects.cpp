#include "platform/gdi/GdiObjects.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/FontEngine.h"
#include "platform/gdi/Surface.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

namespace gdi {

namespace {

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::unique_ptr<GdiObject>> objects;
    std::uintptr_t next = 0x10000;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable; // lives to the end of the process
    return *table;
}

std::uintptr_t Key(HGDIOBJ h) {
    return reinterpret_cast<std::uintptr_t>(h);
}

} // namespace

HGDIOBJ AddObject(std::unique_ptr<GdiObject> object) {
    HandleTable& t = Table();
    std::lock_guard lock(t.mutex);
    const std::uintptr_t key = t.next;
    t.next += 4;
    t.objects.emplace(key, std::move(object));
    return reinterpret_cast<HGDIOBJ>(key);
}

GdiObject* FindObject(HGDIOBJ handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    HandleTable& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(Key(handle));
    return it == t.objects.end() ? nullptr : it->second.get();
}

size_t LiveObjectCount() {
    HandleTable& t = Table();
    std::lock_guard lock(t.mutex);
    // Stock objects are made on first use and live for the process: they are no leak.
    return static_cast<size_t>(
        std::count_if(t.objects.begin(), t.objects.end(),
                      [](const auto& entry) { return !entry.second->stock; }));
}

void RemoveObject(HGDIOBJ handle) {
    std::unique_ptr<GdiObject> doomed;
    {
        HandleTable& t = Table();
        std::lock_guard lock(t.mutex);
        auto it = t.objects.find(Key(handle));
        if (it == t.objects.end()) {
            return;
        }
        doomed = std::move(it->second);
        t.objects.erase(it);
    }
    // Destroyed outside the lock: a DC's destructor releases the objects it holds.
}

HGDIOBJ StockObject(int index) {
    static std::mutex mutex;
    static std::array<HGDIOBJ, 20> stock{};
    if (index < 0 || static_cast<size_t>(index) >= stock.size()) {
        return nullptr;
    }
    std::lock_guard lock(mutex);
    HGDIOBJ& slot = stock[static_cast<size_t>(index)];
    if (slot != nullptr) {
        return slot;
    }
    std::unique_ptr<GdiObject> o;
    auto brush = [](bool isNull, COLORREF c) { return std::make_unique<BrushObject>(isNull, c); };
    auto font = [](LONG height, LONG weight, const char16_t* face) {
        LOGFONTW lf;
        lf.lfHeight = height;
        lf.lfWeight = weight;
        lf.lfPitchAndFamily = FF_SWISS;
        for (size_t i = 0; face[i] != 0 && i + 1 < LF_FACESIZE; ++i) {
            lf.lfFaceName[i] = face[i];
        }
        return std::make_unique<FontObject>(lf);
    };
    switch (index) {
    case WHITE_BRUSH:
        o = brush(false, RGB(255, 255, 255));
        break;
    case LTGRAY_BRUSH:
        o = brush(false, RGB(192, 192, 192));
        break;
    case GRAY_BRUSH:
        o = brush(false, RGB(128, 128, 128));
        break;
    case DKGRAY_BRUSH:
        o = brush(false, RGB(64, 64, 64));
        break;
    case BLACK_BRUSH:
        o = brush(false, RGB(0, 0, 0));
        break;
    case NULL_BRUSH:
        o = brush(true, 0);
        break;
    case WHITE_PEN:
        o = std::make_unique<PenObject>(PS_SOLID, 1, RGB(255, 255, 255));
        break;
    case BLACK_PEN:
        o = std::make_unique<PenObject>(PS_SOLID, 1, RGB(0, 0, 0));
        break;
    case NULL_PEN:
        o = std::make_unique<PenObject>(PS_NULL, 1, 0);
        break;
    case SYSTEM_FONT:
        o = font(16, FW_BOLD, u"System");
        break;
    case ANSI_VAR_FONT:
        o = font(-11, FW_NORMAL, u"MS Sans Serif");
        break;
    case DEFAULT_GUI_FONT:
        o = font(-11, FW_NORMAL, u"MS Shell Dlg");
        break;
    case DC_BRUSH: {
        auto b = brush(false, RGB(255, 255, 255));
        b->dcBrush = true;
        o = std::move(b);
        break;
    }
    case DC_PEN: {
        auto p = std::make_unique<PenObject>(PS_SOLID, 1, RGB(0, 0, 0));
        p->dcPen = true;
        o = std::move(p);
        break;
    }
    default:
        return nullptr;
    }
    o->stock = true;
    slot = AddObject(std::move(o));
    return slot;
}

} // namespace gdi

using namespace gdi;

HGDIOBJ GetStockObject(int index) {
    return StockObject(index);
}

DWORD GetObjectType(HGDIOBJ object) {
    GdiObject* o = FindObject(object);
    return (o == nullptr || o->pendingDelete) ? 0 : o->Type();
}

BOOL DeleteObject(HGDIOBJ object) {
    GdiObject* o = FindObject(object);
    if (o == nullptr || o->Type() == OBJ_DC || o->Type() == OBJ_MEMDC) {
        return FALSE;
    }
    if (o->stock) {
        return TRUE;
    }
    if (o->selected > 0) {
        // Still selected into a device context: the handle goes when the DC lets it go.
        o->pendingDelete = true;
        return TRUE;
    }
    RemoveObject(object);
    return TRUE;
}

int GetObjectW(HGDIOBJ object, int size, void* buffer) {
    GdiObject* o = FindObject(object);
    if (o == nullptr || size < 0) {
        return 0;
    }
    auto give = [&](const auto& value) -> int {
        const int needed = static_cast<int>(sizeof(value));
        if (buffer == nullptr) {
            return needed;
        }
        if (size < needed) {
            return 0;
        }
        std::memcpy(buffer, &value, sizeof(value));
        return needed;
    };
    switch (o->Type()) {
    case OBJ_BITMAP: {
        auto* b = static_cast<BitmapObject*>(o);
        BITMAP bm;
        bm.bmWidth = b->bitmap.Width();
        bm.bmHeight = b->bitmap.Height();
        bm.bmWidthBytes = b->bitmap.Width() * 4;
        bm.bmPlanes = 1;
        bm.bmBitsPixel = 32;
        // Asking for the size must not copy a picture whose pixels its sections share: the
        // storage is given as it is (pixels are written through the drawing calls).
        bm.bmBits = b->dib ? const_cast<Pixel*>(b->bitmap.PlainBits()) : nullptr;
        return give(bm);
    }
    case OBJ_FONT:
        return give(static_cast<FontObject*>(o)->logfont);
    case OBJ_PEN: {
        auto* p = static_cast<PenObject*>(o);
        LOGPEN lp;
        lp.lopnStyle = static_cast<UINT>(p->style);
        lp.lopnWidth = POINT{p->width, 0};
        lp.lopnColor = p->color;
        return give(lp);
    }
    case OBJ_BRUSH: {
        auto* b = static_cast<BrushObject*>(o);
        LOGBRUSH lb;
        lb.lbStyle = b->null ? BS_NULL : BS_SOLID;
        lb.lbColor = b->color;
        return give(lb);
    }
    default:
        return 0;
    }
}

HPEN CreatePen(int style, int width, COLORREF color) {
    if (style != PS_SOLID && style != PS_NULL) {
        style = PS_SOLID; // dashes are drawn solid
    }
    return HandleCast<HPEN>(
        AddObject(std::make_unique<PenObject>(style, width < 1 ? 1 : width, color)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return HandleCast<HBRUSH>(AddObject(std::make_unique<BrushObject>(false, color & 0xFFFFFF)));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    if (width < 0 || height < 0 || planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32)) {
        return nullptr;
    }
    if (static_cast<long long>(width) * height > (1LL << 26)) {
        return nullptr;
    }
    auto o = std::make_unique<BitmapObject>(width, height, false, false);
    if (bits != nullptr && bitsPerPixel == 32) {
        std::memcpy(o->bitmap.Bits(), bits, o->bitmap.ByteSize());
    }
    return HandleCast<HBITMAP>(AddObject(std::move(o)));
}

HBITMAP CreateCompatibleBitmap(HDC /*dc*/, int width, int height) {
    return CreateBitmap(width, height, 1, 32, nullptr);
}

HBITMAP gdi::CreateBitmapSection(HBITMAP source, int x, int y, int width, int height) {
    BitmapObject* src = FindBitmap(source);
    if (src == nullptr || width < 0 || height < 0) {
        return nullptr;
    }
    if (auto section = Bitmap::Section(src->bitmap, x, y, width, height)) {
        return HandleCast<HBITMAP>(
            AddObject(std::make_unique<BitmapObject>(std::move(*section), false)));
    }
    // Partly outside the source: a bitmap of its own, 0 where the source has no pixels.
    HBITMAP copy = CreateBitmap(width, height, 1, 32, nullptr);
    BitmapObject* to = FindBitmap(copy);
    if (to == nullptr) {
        return nullptr;
    }
    const Bitmap& from = src->bitmap;
    const int left = std::max(x, 0);
    const int right = std::min(x + width, from.Width());
    for (int row = std::max(y, 0); row < std::min(y + height, from.Height()) && left < right;
         ++row) {
        std::memcpy(to->bitmap.Row(row - y) + (left - x), from.Row(row) + left,
                    static_cast<size_t>(right - left) * sizeof(Pixel));
    }
    return copy;
}

HBITMAP CreateDIBSection(HDC /*dc*/, const BITMAPINFO* info, UINT /*usage*/, void** bits,
                         HANDLE /*section*/, DWORD /*offset*/) {
    if (bits != nullptr) {
        *bits = nullptr;
    }
    if (info == nullptr) {
        return nullptr;
    }
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount != 32 || (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) ||
        h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) {
        return nullptr;
    }
    const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    if (static_cast<long long>(h.biWidth) * height > (1LL << 26)) {
        return nullptr;
    }
    auto o = std::make_unique<BitmapObject>(h.biWidth, height, h.biHeight > 0, true);
    void* data = o->bitmap.Bits();
    HBITMAP result = HandleCast<HBITMAP>(AddObject(std::move(o)));
    if (bits != nullptr) {
        *bits = data;
    }
    return result;
}

// --- Regions -------------------------------------------------------------------------------

namespace {

HRGN NewRegion(Region r) {
    return HandleCast<HRGN>(AddObject(std::make_unique<RegionObject>(std::move(r))));
}

int Complexity(const Region& r) {
    if (r.IsEmpty()) {
        return NULLREGION;
    }
    return r.IsRectangular() ? SIMPLEREGION : COMPLEXREGION;
}

RECT Normalised(int left, int top, int right, int bottom) {
    return RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
}

} // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    return NewRegion(Region(Normalised(left, top, right, bottom)));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
    if (rect == nullptr) {
        return nullptr;
    }
    return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN ExtCreateRegion(const XFORM* transform, DWORD count, const RGNDATA* data) {
    if (transform != nullptr || data == nullptr || count < sizeof(RGNDATAHEADER)) {
        return nullptr;
    }
    const RGNDATAHEADER& h = data->rdh;
    if (h.iType != RDH_RECTANGLES || h.dwSize < sizeof(RGNDATAHEADER) || h.dwSize > count) {
        return nullptr;
    }
    const size_t available = (count - h.dwSize) / sizeof(RECT);
    if (h.nCount > available) {
        return nullptr; // the rectangles would lie beyond the given bytes
    }
    std::vector<RECT> rects(h.nCount);
    if (h.nCount > 0) {
        std::memcpy(rects.data(), reinterpret_cast<const char*>(data) + h.dwSize,
                    h.nCount * sizeof(RECT));
    }
    return NewRegion(Region::FromRects(rects));
}

int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode) {
    RegionObject* d = FindRegion(dst);
    RegionObject* a = FindRegion(src1);
    if (d == nullptr || a == nullptr) {
        return ERROR;
    }
    if (mode == RGN_COPY) {
        d->region = a->region;
        return Complexity(d->region);
    }
    RegionObject* b = FindRegion(src2);
    if (b == nullptr) {
        return ERROR;
    }
    Region::Op op;
    switch (mode) {
    case RGN_AND:
        op = Region::Op::And;
        break;
    case RGN_OR:
        op = Region::Op::Or;
        break;
    case RGN_XOR:
        op = Region::Op::Xor;
        break;
    case RGN_DIFF:
        op = Region::Op::Diff;
        break;
    default:
        return ERROR;
    }
    d->region = Region::Combine(a->region, b->region, op);
    return Complexity(d->region);
}

BOOL PtInRegion(HRGN region, int x, int y) {
    RegionObject* r = FindRegion(region);
    return (r != nullptr && r->region.Contains(x, y)) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
    RegionObject* r = FindRegion(region);
    if (r == nullptr || rect == nullptr) {
        return FALSE;
    }
    return r->region.Intersects(Normalised(rect->left, rect->top, rect->right, rect->bottom))
               ? TRUE
               : FALSE;
}

int OffsetRgn(HRGN region, int dx, int dy) {
    RegionObject* r = FindRegion(region);
    if (r == nullptr) {
        return ERROR;
    }
    r->region.Offset(dx, dy);
    return Complexity(r->region);
}

BOOL EqualRgn(HRGN a, HRGN b) {
    RegionObject* ra = FindRegion(a);
    RegionObject* rb = FindRegion(b);
    return (ra != nullptr && rb != nullptr && ra->region == rb->region) ? TRUE : FALSE;
}

int GetRgnBox(HRGN region, RECT* rect) {
    RegionObject* r = FindRegion(region);
    if (r == nullptr || rect == nullptr) {
        return ERROR;
    }
    *rect = r->region.Bounds();
    return Complexity(r->region);
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
    RegionObject* r = FindRegion(region);
    if (r == nullptr) {
        return FALSE;
    }
    r->region = Region(Normalised(left, top, right, bottom));
    return TRUE;
}

DWORD GetRegionData(HRGN region, DWORD count, RGNDATA* data) {
    RegionObject* r = FindRegion(region);
    if (r == nullptr) {
        return 0;
    }
    const std::vector<RECT> rects = r->region.Rects();
    const DWORD needed = static_cast<DWORD>(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    if (data == nullptr) {
        return needed;
    }
    if (count < needed) {
        return 0; // too small a buffer: nothing written
    }
    RGNDATAHEADER h;
    h.nCount = static_cast<DWORD>(rects.size());
    h.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    h.rcBound = r->region.Bounds();
    std::memcpy(static_cast<void*>(data), &h, sizeof(h));
    if (!rects.empty()) {
        std::memcpy(reinterpret_cast<char*>(data) + sizeof(h), rects.data(),
                    rects.size() * sizeof(RECT));
    }
    return count;
}
