#include "platform/gdi/DeviceContext.h"

#include "platform/gdi/Surface.h"

#include <algorithm>
#include <utility>

namespace gdi {

namespace {

void Retain(HGDIOBJ h) {
    if (GdiObject* o = FindObject(h)) {
        ++o->selected;
    }
}

void Release(HGDIOBJ h) {
    if (GdiObject* o = FindObject(h)) {
        if (--o->selected == 0 && o->pendingDelete) {
            RemoveObject(h);
        }
    }
}

} // namespace

DeviceContext::DeviceContext() : GdiObject(OBJ_MEMDC) {
    // Each memory DC starts with a 1x1 bitmap of its own, so that drawing into a DC without a
    // selected picture touches nothing shared.
    auto own = std::make_unique<BitmapObject>(1, 1, false, false);
    own->stock = true; // DeleteObject leaves it alone; it goes with the DC
    defaultBitmap_ = AddObject(std::move(own));
    state_.bitmap = defaultBitmap_;
    state_.pen = StockObject(BLACK_PEN);
    state_.brush = StockObject(WHITE_BRUSH);
    state_.font = StockObject(SYSTEM_FONT);
    RetainState(state_);
}

DeviceContext::DeviceContext(Bitmap& target, POINT origin, std::optional<Region> clip)
    : GdiObject(OBJ_DC), surface_(&target), origin_(origin), surfaceClip_(std::move(clip)) {
    state_.pen = StockObject(BLACK_PEN);
    state_.brush = StockObject(WHITE_BRUSH);
    state_.font = StockObject(SYSTEM_FONT);
    RetainState(state_);
}

DeviceContext::~DeviceContext() {
    ReleaseState(state_);
    for (State& s : saved_) {
        ReleaseState(s);
    }
    if (defaultBitmap_ != nullptr) {
        GdiObject* own = FindObject(defaultBitmap_);
        if (own != nullptr && own->selected == 0) {
            RemoveObject(defaultBitmap_);
        }
    }
}

void DeviceContext::RetainState(State& s) {
    Retain(s.bitmap);
    Retain(s.pen);
    Retain(s.brush);
    Retain(s.font);
}

void DeviceContext::ReleaseState(State& s) {
    Release(s.bitmap);
    Release(s.pen);
    Release(s.brush);
    Release(s.font);
}

Bitmap* DeviceContext::Target() {
    if (surface_ != nullptr) {
        return surface_;
    }
    BitmapObject* b = FindAs<BitmapObject>(state_.bitmap, OBJ_BITMAP);
    return b == nullptr ? nullptr : &b->bitmap;
}

RECT DeviceContext::LogicalToTarget(const RECT& r) const {
    const Exact a = LogicalToTargetExact(r.left, r.top);
    const Exact b = LogicalToTargetExact(r.right, r.bottom);
    return RECT{Clamp(std::min(a.x, b.x)), Clamp(std::min(a.y, b.y)), Clamp(std::max(a.x, b.x)),
                Clamp(std::max(a.y, b.y))};
}

const Region& DeviceContext::Visible() {
    Bitmap* target = Target();
    if (visibleValid_ && visibleFor_ == target) {
        return visible_;
    }
    visibleFor_ = target;
    visibleValid_ = true;
    if (target == nullptr) {
        visible_ = Region();
        return visible_;
    }
    visible_ = Region(RECT{0, 0, target->Width(), target->Height()});
    if (surfaceClip_) {
        visible_ = Region::Combine(visible_, *surfaceClip_, Region::Op::And);
    }
    if (state_.clip) {
        Region clip = *state_.clip;
        clip.Offset(origin_.x, origin_.y);
        visible_ = Region::Combine(visible_, clip, Region::Op::And);
    }
    return visible_;
}

void DeviceContext::ForEachVisible(const RECT& r, const std::function<void(const RECT&)>& fn) {
    if (r.left >= r.right || r.top >= r.bottom) {
        return;
    }
    const Region& vis = Visible();
    for (const Region::Band& band : vis.Bands()) {
        if (band.bottom <= r.top) {
            continue;
        }
        if (band.top >= r.bottom) {
            break;
        }
        for (size_t i = 0; i + 1 < band.spans.size(); i += 2) {
            RECT part{std::max(r.left, band.spans[i]), std::max(r.top, band.top),
                      std::min(r.right, band.spans[i + 1]), std::min(r.bottom, band.bottom)};
            if (part.left < part.right && part.top < part.bottom) {
                fn(part);
            }
        }
    }
}

void DeviceContext::SetSelected(HGDIOBJ& slot, HGDIOBJ object) {
    Retain(object);
    Release(slot);
    slot = object;
}

HGDIOBJ DeviceContext::Select(HGDIOBJ object) {
    GdiObject* o = FindObject(object);
    if (o == nullptr || o->pendingDelete) {
        return nullptr;
    }
    HGDIOBJ previous = nullptr;
    switch (o->Type()) {
    case OBJ_BITMAP:
        if (IsSurface()) {
            return nullptr;
        }
        if (object != state_.bitmap && o->selected > 0 && !o->stock) {
            return nullptr; // a bitmap can be selected into one DC only
        }
        previous = state_.bitmap;
        SetSelected(state_.bitmap, object);
        // The visible area is the new bitmap's; a clip region stays as it was.
        ClipChanged();
        return previous;
    case OBJ_PEN:
        previous = state_.pen;
        SetSelected(state_.pen, object);
        return previous;
    case OBJ_BRUSH:
        previous = state_.brush;
        SetSelected(state_.brush, object);
        return previous;
    case OBJ_FONT:
        previous = state_.font;
        SetSelected(state_.font, object);
        return previous;
    default:
        return nullptr;
    }
}

int DeviceContext::Save() {
    saved_.push_back(state_);
    RetainState(saved_.back());
    return static_cast<int>(saved_.size());
}

bool DeviceContext::Restore(int level) {
    const int count = static_cast<int>(saved_.size());
    if (level < 0) {
        level = count + 1 + level;
    }
    if (level < 1 || level > count) {
        return false;
    }
    while (static_cast<int>(saved_.size()) > level) {
        ReleaseState(saved_.back());
        saved_.pop_back();
    }
    ReleaseState(state_);
    state_ = std::move(saved_.back());
    saved_.pop_back();
    ClipChanged();
    return true;
}

PenObject* DeviceContext::Pen() {
    return FindAs<PenObject>(state_.pen, OBJ_PEN);
}
BrushObject* DeviceContext::Brush() {
    return FindAs<BrushObject>(state_.brush, OBJ_BRUSH);
}
FontObject* DeviceContext::Font() {
    return FindAs<FontObject>(state_.font, OBJ_FONT);
}

COLORREF DeviceContext::PenColor() {
    PenObject* p = Pen();
    if (p == nullptr) {
        return 0;
    }
    return p->dcPen ? state_.dcPenColor : p->color;
}

COLORREF DeviceContext::BrushColor() {
    BrushObject* b = Brush();
    if (b == nullptr) {
        return 0;
    }
    return b->dcBrush ? state_.dcBrushColor : b->color;
}

DeviceContext* FindDC(HDC dc) {
    GdiObject* o = FindObject(reinterpret_cast<HGDIOBJ>(dc));
    if (o == nullptr || (o->Type() != OBJ_DC && o->Type() != OBJ_MEMDC)) {
        return nullptr;
    }
    return static_cast<DeviceContext*>(o);
}

HDC CreateSurfaceDC(Bitmap& target, POINT origin, std::optional<Region> clip) {
    return reinterpret_cast<HDC>(
        AddObject(std::make_unique<DeviceContext>(target, origin, std::move(clip))));
}

Bitmap* BitmapFromHandle(HBITMAP bitmap) {
    BitmapObject* b = FindBitmap(bitmap);
    return b == nullptr ? nullptr : &b->bitmap;
}

const Region* RegionFromHandle(HRGN region) {
    RegionObject* r = FindRegion(region);
    return r == nullptr ? nullptr : &r->region;
}

HRGN CreateRegionHandle(Region region) {
    return HandleCast<HRGN>(AddObject(std::make_unique<RegionObject>(std::move(region))));
}

} // namespace gdi

using namespace gdi;

HDC CreateCompatibleDC(HDC /*dc*/) {
    return reinterpret_cast<HDC>(AddObject(std::make_unique<DeviceContext>()));
}

BOOL DeleteDC(HDC dc) {
    if (FindDC(dc) == nullptr) {
        return FALSE;
    }
    RemoveObject(reinterpret_cast<HGDIOBJ>(dc));
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return nullptr;
    }
    if (GetObjectType(object) == OBJ_REGION) {
        const int result = SelectClipRgn(dc, HandleCast<HRGN>(object));
        return reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(result));
    }
    return d->Select(object);
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return nullptr;
    }
    switch (type) {
    case OBJ_BITMAP:
        return d->Current().bitmap;
    case OBJ_PEN:
        return d->Current().pen;
    case OBJ_BRUSH:
        return d->Current().brush;
    case OBJ_FONT:
        return d->Current().font;
    default:
        return nullptr;
    }
}

int SaveDC(HDC dc) {
    DeviceContext* d = FindDC(dc);
    return d == nullptr ? 0 : d->Save();
}

BOOL RestoreDC(HDC dc, int level) {
    DeviceContext* d = FindDC(dc);
    return (d != nullptr && d->Restore(level)) ? TRUE : FALSE;
}

int SetMapMode(HDC dc, int mode) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || mode != MM_TEXT) {
        return 0; // only the pixel mapping is drawn
    }
    const int previous = d->Current().mapMode;
    d->Current().mapMode = mode;
    return previous;
}

int GetMapMode(HDC dc) {
    DeviceContext* d = FindDC(dc);
    return d == nullptr ? 0 : d->Current().mapMode;
}

namespace {

BOOL SetPoint(HDC dc, POINT DeviceContext::State::*field, int x, int y, POINT* previous,
              bool offset) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return FALSE;
    }
    POINT& p = d->Current().*field;
    if (previous != nullptr) {
        *previous = p;
    }
    p = offset ? POINT{p.x + x, p.y + y} : POINT{x, y};
    return TRUE;
}

BOOL GetPoint(HDC dc, POINT DeviceContext::State::*field, POINT* out) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || out == nullptr) {
        return FALSE;
    }
    *out = d->Current().*field;
    return TRUE;
}

BOOL SetExtent(HDC dc, SIZE DeviceContext::State::*field, int x, int y, SIZE* previous) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return FALSE;
    }
    SIZE& s = d->Current().*field;
    if (previous != nullptr) {
        *previous = s;
    }
    // Extents only matter for scaled mapping modes, which this layer does not draw.
    if (d->Current().mapMode != MM_TEXT) {
        s = SIZE{x, y};
    }
    return TRUE;
}

BOOL GetExtent(HDC dc, SIZE DeviceContext::State::*field, SIZE* out) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || out == nullptr) {
        return FALSE;
    }
    *out = d->Current().*field;
    return TRUE;
}

} // namespace

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous) {
    return SetPoint(dc, &DeviceContext::State::viewportOrg, x, y, previous, false);
}
BOOL GetViewportOrgEx(HDC dc, POINT* origin) {
    return GetPoint(dc, &DeviceContext::State::viewportOrg, origin);
}
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* previous) {
    return SetPoint(dc, &DeviceContext::State::viewportOrg, dx, dy, previous, true);
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous) {
    return SetPoint(dc, &DeviceContext::State::windowOrg, x, y, previous, false);
}
BOOL GetWindowOrgEx(HDC dc, POINT* origin) {
    return GetPoint(dc, &DeviceContext::State::windowOrg, origin);
}
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* previous) {
    return SetExtent(dc, &DeviceContext::State::windowExt, x, y, previous);
}
BOOL GetWindowExtEx(HDC dc, SIZE* extent) {
    return GetExtent(dc, &DeviceContext::State::windowExt, extent);
}
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* previous) {
    return SetExtent(dc, &DeviceContext::State::viewportExt, x, y, previous);
}
BOOL GetViewportExtEx(HDC dc, SIZE* extent) {
    return GetExtent(dc, &DeviceContext::State::viewportExt, extent);
}

BOOL LPtoDP(HDC dc, POINT* points, int count) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || (points == nullptr && count > 0)) {
        return FALSE;
    }
    for (int i = 0; i < count; ++i) {
        points[i] = d->LogicalToDevice(points[i].x, points[i].y);
    }
    return TRUE;
}

BOOL DPtoLP(HDC dc, POINT* points, int count) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || (points == nullptr && count > 0)) {
        return FALSE;
    }
    for (int i = 0; i < count; ++i) {
        points[i] = d->DeviceToLogical(points[i].x, points[i].y);
    }
    return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
    DeviceContext* d = FindDC(dc);
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case TECHNOLOGY:
        return DT_RASDISPLAY;
    case HORZRES:
    case VERTRES: {
        Bitmap* t = d == nullptr ? nullptr : d->Target();
        if (t == nullptr) {
            return 0;
        }
        return index == HORZRES ? t->Width() : t->Height();
    }
    default:
        return 0;
    }
}

int SelectClipRgn(HDC dc, HRGN region) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return ERROR;
    }
    if (region == nullptr) {
        d->Current().clip.reset();
    } else {
        RegionObject* r = FindRegion(region);
        if (r == nullptr) {
            return ERROR;
        }
        d->Current().clip = r->region;
    }
    d->ClipChanged();
    const Region& vis = d->Visible();
    return vis.IsEmpty() ? NULLREGION : (vis.IsRectangular() ? SIMPLEREGION : COMPLEXREGION);
}

namespace {

int ChangeClip(HDC dc, int left, int top, int right, int bottom, Region::Op op) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return ERROR;
    }
    const POINT a = d->LogicalToDevice(left, top);
    const POINT b = d->LogicalToDevice(right, bottom);
    const Region rect(
        RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)});
    auto& clip = d->Current().clip;
    if (!clip) {
        // Without a clip region the whole device surface is the starting area.
        Bitmap* t = d->Target();
        const int w = t == nullptr ? 0 : t->Width();
        const int h = t == nullptr ? 0 : t->Height();
        // A surface DC's device (0, 0) may lie inside its target; a generous area covers it.
        clip = Region(d->IsSurface() ? RECT{-(1 << 20), -(1 << 20), 1 << 20, 1 << 20}
                                     : RECT{0, 0, w, h});
    }
    *clip = Region::Combine(*clip, rect, op);
    d->ClipChanged();
    const Region& vis = d->Visible();
    return vis.IsEmpty() ? NULLREGION : (vis.IsRectangular() ? SIMPLEREGION : COMPLEXREGION);
}

} // namespace

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    return ChangeClip(dc, left, top, right, bottom, Region::Op::And);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
    return ChangeClip(dc, left, top, right, bottom, Region::Op::Diff);
}

int GetClipBox(HDC dc, RECT* rect) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || rect == nullptr) {
        return ERROR;
    }
    const Region& vis = d->Visible();
    const RECT b = vis.Bounds();
    // Target units back to logical units.
    const POINT o = d->DeviceToTarget(POINT{0, 0});
    const POINT lt = d->DeviceToLogical(b.left - o.x, b.top - o.y);
    const POINT rb = d->DeviceToLogical(b.right - o.x, b.bottom - o.y);
    *rect = RECT{lt.x, lt.y, rb.x, rb.y};
    return vis.IsEmpty() ? NULLREGION : (vis.IsRectangular() ? SIMPLEREGION : COMPLEXREGION);
}

int GetClipRgn(HDC dc, HRGN region) {
    DeviceContext* d = FindDC(dc);
    RegionObject* r = FindRegion(region);
    if (d == nullptr || r == nullptr) {
        return -1;
    }
    if (!d->Current().clip) {
        return 0;
    }
    r->region = *d->Current().clip;
    return 1;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return CLR_INVALID;
    }
    return std::exchange(d->Current().textColor, color & 0xFFFFFF);
}

COLORREF GetTextColor(HDC dc) {
    DeviceContext* d = FindDC(dc);
    return d == nullptr ? CLR_INVALID : d->Current().textColor;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return CLR_INVALID;
    }
    return std::exchange(d->Current().bkColor, color & 0xFFFFFF);
}

COLORREF GetBkColor(HDC dc) {
    DeviceContext* d = FindDC(dc);
    return d == nullptr ? CLR_INVALID : d->Current().bkColor;
}

int SetBkMode(HDC dc, int mode) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) {
        return 0;
    }
    return std::exchange(d->Current().bkMode, mode);
}

int GetBkMode(HDC dc) {
    DeviceContext* d = FindDC(dc);
    return d == nullptr ? 0 : d->Current().bkMode;
}

COLORREF SetDCBrushColor(HDC dc, COLORREF color) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return CLR_INVALID;
    }
    return std::exchange(d->Current().dcBrushColor, color & 0xFFFFFF);
}

COLORREF SetDCPenColor(HDC dc, COLORREF color) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return CLR_INVALID;
    }
    return std::exchange(d->Current().dcPenColor, color & 0xFFFFFF);
}

int SetStretchBltMode(HDC dc, int mode) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || mode < BLACKONWHITE || mode > HALFTONE) {
        return 0;
    }
    return std::exchange(d->Current().stretchMode, mode);
}
