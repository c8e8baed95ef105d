// Filling, lines, pixels, blits and compositing.

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Surface.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace gdi {

namespace {

constexpr BYTE Channel(Pixel p, int shift) {
    return static_cast<BYTE>((p >> shift) & 0xFF);
}

// (a * b) / 255, rounded.
constexpr unsigned Mul255(unsigned a, unsigned b) {
    const unsigned t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// Every channel of a pixel times a / 255, rounded; two channels at a time in 16-bit lanes.
constexpr Pixel Scale(Pixel p, unsigned a) {
    Pixel rb = (p & 0x00FF00FFu) * a + 0x00800080u;
    rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    Pixel ag = ((p >> 8) & 0x00FF00FFu) * a + 0x00800080u;
    ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
    return rb | ag;
}

// Channel-wise sum, saturated at 255.
constexpr Pixel AddSaturated(Pixel x, Pixel y) {
    Pixel rb = (x & 0x00FF00FFu) + (y & 0x00FF00FFu);
    rb = (rb | (((rb >> 8) & 0x00010001u) * 0xFFu)) & 0x00FF00FFu;
    Pixel ag = ((x >> 8) & 0x00FF00FFu) + ((y >> 8) & 0x00FF00FFu);
    ag = (ag | (((ag >> 8) & 0x00010001u) * 0xFFu)) & 0x00FF00FFu;
    return rb | (ag << 8);
}

// Source over target: the source scaled by `scale`, the target by 255 - `cover`.
constexpr Pixel Over(Pixel s, Pixel d, unsigned scale, unsigned cover) {
    return AddSaturated(Scale(s, scale), Scale(d, 255u - cover));
}

void FillTarget(DeviceContext& dc, const RECT& target, Pixel color) {
    Bitmap* bm = dc.Target();
    if (bm == nullptr) {
        return;
    }
    dc.ForEachVisible(target, [&](const RECT& r) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            Pixel* row = bm->Row(y);
            std::fill(row + r.left, row + r.right, color);
        }
    });
}

RECT Ordered(int left, int top, int right, int bottom) {
    return RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
}

// A square pen stamp of the pen width at a device point, in target units. A wide pen covers
// the pen width to the right of and below the point, so that a frame drawn at
// (right - width, bottom - width) lies inside the rectangle.
void Stamp(DeviceContext& dc, POINT device, int width, Pixel color) {
    const POINT t = dc.DeviceToTarget(device);
    FillTarget(dc, RECT{t.x, t.y, t.x + width, t.y + width}, color);
}

// Bresenham from a to b in device units; the end point is left out for thin pens.
void DrawLine(DeviceContext& dc, POINT a, POINT b) {
    PenObject* pen = dc.Pen();
    if (pen == nullptr || pen->style == PS_NULL) {
        return;
    }
    const Pixel color = PixelFromColorRef(dc.PenColor());
    const int width = pen->width;
    if (width <= 1 && (a.x == b.x || a.y == b.y)) {
        // Straight lines in one fill.
        const POINT ta = dc.DeviceToTarget(a);
        const POINT tb = dc.DeviceToTarget(b);
        RECT r;
        if (a.y == b.y) {
            r = ta.x <= tb.x ? RECT{ta.x, ta.y, tb.x, ta.y + 1}
                             : RECT{tb.x + 1, ta.y, ta.x + 1, ta.y + 1};
        } else {
            r = ta.y <= tb.y ? RECT{ta.x, ta.y, ta.x + 1, tb.y}
                             : RECT{ta.x, tb.y + 1, ta.x + 1, ta.y + 1};
        }
        FillTarget(dc, r, color);
        return;
    }
    if (a.x == b.x || a.y == b.y) {
        // A straight wide line: its stamps make one rectangle, end point included.
        const POINT ta = dc.DeviceToTarget(a);
        const POINT tb = dc.DeviceToTarget(b);
        FillTarget(dc,
                   RECT{std::min(ta.x, tb.x), std::min(ta.y, tb.y), std::max(ta.x, tb.x) + width,
                        std::max(ta.y, tb.y) + width},
                   color);
        return;
    }
    const int dx = std::abs(b.x - a.x);
    const int dy = -std::abs(b.y - a.y);
    const int sx = a.x < b.x ? 1 : -1;
    const int sy = a.y < b.y ? 1 : -1;
    int err = dx + dy;
    POINT p = a;
    while (true) {
        const bool atEnd = p.x == b.x && p.y == b.y;
        if (atEnd && width <= 1) {
            break;
        }
        Stamp(dc, p, width, color);
        if (atEnd) {
            break;
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            p.x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            p.y += sy;
        }
    }
}

struct BlitSource {
    DeviceContext* dc = nullptr;
    Bitmap* bitmap = nullptr;
};

bool GetSource(HDC src, BlitSource& out) {
    out.dc = FindDC(src);
    if (out.dc == nullptr) {
        return false;
    }
    out.bitmap = out.dc->Target();
    return out.bitmap != nullptr;
}

// Maps every visible target pixel of the destination rectangle to a source pixel (nearest
// neighbour when the sizes differ) and calls fn(dstRow, x, srcPixel) row by row. Source
// pixels outside the source bitmap leave the target alone.
template <typename Fn>
bool Transfer(HDC dstDc, int x, int y, int cx, int cy, HDC srcDc, int x1, int y1, int cx1, int cy1,
              Fn&& fn) {
    DeviceContext* dst = FindDC(dstDc);
    BlitSource src;
    if (dst == nullptr || !GetSource(srcDc, src) || dst->Target() == nullptr) {
        return false;
    }
    if (cx == 0 || cy == 0 || cx1 == 0 || cy1 == 0) {
        return true;
    }
    if (cx < 0 || cy < 0 || cx1 < 0 || cy1 < 0) {
        return false; // mirrored blits are not drawn
    }
    Bitmap& out = *dst->Target();
    const Bitmap& in = *src.bitmap;
    const DeviceContext::Exact d0 = dst->LogicalToTargetExact(x, y);
    const DeviceContext::Exact s0 = src.dc->LogicalToTargetExact(x1, y1);
    const RECT target{DeviceContext::Clamp(d0.x), DeviceContext::Clamp(d0.y),
                      DeviceContext::Clamp(d0.x + cx), DeviceContext::Clamp(d0.y + cy)};

    // Copying within one bitmap: read from a snapshot so overlapping areas stay right.
    std::vector<Pixel> snapshot;
    const bool same = &out == &in;
    if (same) {
        // Top-down rows, whatever the bitmap's storage order.
        snapshot.reserve(in.ByteSize() / sizeof(Pixel));
        for (int sy = 0; sy < in.Height(); ++sy) {
            snapshot.insert(snapshot.end(), in.Row(sy), in.Row(sy) + in.Width());
        }
    }
    auto srcRow = [&](int sy) -> const Pixel* {
        if (!same) {
            return in.Row(sy);
        }
        return snapshot.data() + static_cast<size_t>(sy) * static_cast<size_t>(in.Width());
    };
    const bool stretch = cx != cx1 || cy != cy1;
    dst->ForEachVisible(target, [&](const RECT& r) {
        for (LONG ty = r.top; ty < r.bottom; ++ty) {
            const long long oy = ty - d0.y;
            const long long sy = s0.y + (stretch ? oy * cy1 / cy : oy);
            if (sy < 0 || sy >= in.Height()) {
                continue;
            }
            const Pixel* from = srcRow(static_cast<int>(sy));
            Pixel* to = out.Row(ty);
            if (!stretch) {
                // Same size: one offset for the row, limited to the source's columns.
                const long long offset = s0.x - d0.x;
                const long long first = std::max<long long>(r.left, -offset);
                const long long last = std::min<long long>(r.right, in.Width() - offset);
                for (long long tx = first; tx < last; ++tx) {
                    fn(to[tx], from[tx + offset]);
                }
                continue;
            }
            for (LONG tx = r.left; tx < r.right; ++tx) {
                const long long ox = tx - d0.x;
                const long long sx = s0.x + ox * cx1 / cx;
                if (sx < 0 || sx >= in.Width()) {
                    continue;
                }
                fn(to[tx], from[sx]);
            }
        }
    });
    return true;
}

template <typename Fn>
bool TransferSame(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, Fn&& fn) {
    return Transfer(dst, x, y, cx, cy, src, x1, y1, cx, cy, std::forward<Fn>(fn));
}

bool RopNeedsSource(DWORD rop) {
    return rop != BLACKNESS && rop != WHITENESS && rop != PATCOPY;
}

} // namespace

void ComposeWindow(Bitmap& screen, const Bitmap& window, POINT at, const Region* region,
                   std::optional<COLORREF> colorKey, BYTE alpha) {
    Region visible(RECT{at.x, at.y, at.x + window.Width(), at.y + window.Height()});
    if (region != nullptr) {
        Region moved = *region;
        moved.Offset(at.x, at.y);
        visible = Region::Combine(visible, moved, Region::Op::And);
    }
    visible = visible.Intersect(RECT{0, 0, screen.Width(), screen.Height()});
    // A key colour that no pixel can have (alpha bits set) when there is none.
    const Pixel key = colorKey ? PixelFromColorRef(*colorKey) : 0xFF000000u;
    const unsigned a = alpha;
    for (const RECT& r : visible.Rects()) {
        const size_t count = static_cast<size_t>(r.right - r.left);
        for (LONG y = r.top; y < r.bottom; ++y) {
            const Pixel* from = window.Row(y - at.y) + (r.left - at.x);
            Pixel* to = screen.Row(y) + r.left;
            if (a == 255) {
                for (size_t i = 0; i < count; ++i) {
                    if ((from[i] & 0xFFFFFFu) != key) {
                        to[i] = from[i] | 0xFF000000u;
                    }
                }
            } else {
                for (size_t i = 0; i < count; ++i) {
                    if ((from[i] & 0xFFFFFFu) != key) {
                        to[i] = Over(from[i], to[i], a, a) | 0xFF000000u;
                    }
                }
            }
        }
    }
}

} // namespace gdi

using namespace gdi;

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    DeviceContext* d = FindDC(dc);
    BrushObject* b = FindBrush(brush);
    if (d == nullptr || rect == nullptr || b == nullptr) {
        return 0;
    }
    if (!b->null) {
        const COLORREF c = b->dcBrush ? d->Current().dcBrushColor : b->color;
        FillTarget(*d, d->LogicalToTarget(*rect), PixelFromColorRef(c));
    }
    return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
    DeviceContext* d = FindDC(dc);
    BrushObject* b = FindBrush(brush);
    if (d == nullptr || rect == nullptr || b == nullptr) {
        return 0;
    }
    if (b->null) {
        return 1;
    }
    const RECT r = d->LogicalToTarget(*rect);
    if (r.left >= r.right || r.top >= r.bottom) {
        return 1;
    }
    const Pixel c = PixelFromColorRef(b->dcBrush ? d->Current().dcBrushColor : b->color);
    FillTarget(*d, RECT{r.left, r.top, r.right, r.top + 1}, c);
    FillTarget(*d, RECT{r.left, r.bottom - 1, r.right, r.bottom}, c);
    FillTarget(*d, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, c);
    FillTarget(*d, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, c);
    return 1;
}

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) {
    DeviceContext* d = FindDC(dc);
    RegionObject* r = FindRegion(region);
    BrushObject* b = FindBrush(brush);
    if (d == nullptr || r == nullptr || b == nullptr) {
        return FALSE;
    }
    if (b->null) {
        return TRUE;
    }
    const Pixel c = PixelFromColorRef(b->dcBrush ? d->Current().dcBrushColor : b->color);
    for (const RECT& rect : r->region.Rects()) {
        FillTarget(*d, d->LogicalToTarget(rect), c);
    }
    return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return FALSE;
    }
    const RECT r = d->LogicalToTarget(Ordered(left, top, right, bottom));
    PenObject* pen = d->Pen();
    const bool outline = pen != nullptr && pen->style != PS_NULL;
    BrushObject* brush = d->Brush();
    if (brush != nullptr && !brush->null) {
        const Pixel c = PixelFromColorRef(d->BrushColor());
        if (outline) {
            const int w = pen->width;
            FillTarget(*d, RECT{r.left + w, r.top + w, r.right - w, r.bottom - w}, c);
        } else {
            // Without an outline the shape is one pixel smaller on the right and bottom.
            FillTarget(*d, RECT{r.left, r.top, r.right - 1, r.bottom - 1}, c);
        }
    }
    if (outline) {
        const Pixel c = PixelFromColorRef(d->PenColor());
        const int w = std::min({pen->width, static_cast<int>((r.right - r.left + 1) / 2),
                                static_cast<int>((r.bottom - r.top + 1) / 2)});
        FillTarget(*d, RECT{r.left, r.top, r.right, r.top + w}, c);
        FillTarget(*d, RECT{r.left, r.bottom - w, r.right, r.bottom}, c);
        FillTarget(*d, RECT{r.left, r.top + w, r.left + w, r.bottom - w}, c);
        FillTarget(*d, RECT{r.right - w, r.top + w, r.right, r.bottom - w}, c);
    }
    return TRUE;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return FALSE;
    }
    if (previous != nullptr) {
        *previous = d->Current().position;
    }
    d->Current().position = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return FALSE;
    }
    const POINT from = d->Current().position;
    DrawLine(*d, d->LogicalToDevice(from.x, from.y), d->LogicalToDevice(x, y));
    d->Current().position = POINT{x, y};
    return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || d->Target() == nullptr) {
        return CLR_INVALID;
    }
    const POINT t = d->DeviceToTarget(d->LogicalToDevice(x, y));
    if (!d->Visible().Contains(t.x, t.y)) {
        return CLR_INVALID;
    }
    d->Target()->SetPixel(t.x, t.y, PixelFromColorRef(color));
    return color & 0xFFFFFF;
}

COLORREF GetPixel(HDC dc, int x, int y) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || d->Target() == nullptr) {
        return CLR_INVALID;
    }
    const POINT t = d->DeviceToTarget(d->LogicalToDevice(x, y));
    if (!d->Visible().Contains(t.x, t.y)) {
        return CLR_INVALID;
    }
    return d->Target()->GetColor(t.x, t.y);
}

BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, DWORD rop) {
    if (!RopNeedsSource(rop)) {
        DeviceContext* d = FindDC(dst);
        if (d == nullptr) {
            return FALSE;
        }
        Pixel c = rop == WHITENESS ? 0x00FFFFFFu : 0;
        if (rop == PATCOPY) {
            BrushObject* b = d->Brush();
            if (b == nullptr || b->null) {
                return TRUE;
            }
            c = PixelFromColorRef(d->BrushColor());
        }
        const DeviceContext::Exact a = d->LogicalToTargetExact(x, y);
        const DeviceContext::Exact b = d->LogicalToTargetExact(0LL + x + cx, 0LL + y + cy);
        FillTarget(*d,
                   RECT{DeviceContext::Clamp(std::min(a.x, b.x)),
                        DeviceContext::Clamp(std::min(a.y, b.y)),
                        DeviceContext::Clamp(std::max(a.x, b.x)),
                        DeviceContext::Clamp(std::max(a.y, b.y))},
                   c);
        return TRUE;
    }
    bool ok = false;
    switch (rop) {
    case SRCCOPY:
        if (DeviceContext* d = FindDC(dst); d != nullptr && cx > 0 && cy > 0) {
            // Row copies when nothing is stretched and the source is a different bitmap.
            BlitSource s;
            if (GetSource(src, s) && d->Target() != nullptr && d->Target() != s.bitmap) {
                Bitmap& out = *d->Target();
                const Bitmap& in = *s.bitmap;
                const DeviceContext::Exact d0 = d->LogicalToTargetExact(x, y);
                const DeviceContext::Exact s0 = s.dc->LogicalToTargetExact(x1, y1);
                // Only target pixels whose source lies inside the source bitmap.
                const auto clamp = [](long long v) { return DeviceContext::Clamp(v); };
                const RECT target{clamp(std::max(d0.x, d0.x - s0.x)),
                                  clamp(std::max(d0.y, d0.y - s0.y)),
                                  clamp(std::min(d0.x + cx, d0.x - s0.x + in.Width())),
                                  clamp(std::min(d0.y + cy, d0.y - s0.y + in.Height()))};
                d->ForEachVisible(target, [&](const RECT& r) {
                    for (LONG ty = r.top; ty < r.bottom; ++ty) {
                        const Pixel* from =
                            in.Row(static_cast<int>(ty - d0.y + s0.y)) + (r.left - d0.x + s0.x);
                        std::memcpy(out.Row(ty) + r.left, from,
                                    static_cast<size_t>(r.right - r.left) * sizeof(Pixel));
                    }
                });
                return TRUE;
            }
        }
        ok = TransferSame(dst, x, y, cx, cy, src, x1, y1, [](Pixel& d, Pixel s) { d = s; });
        break;
    case SRCAND:
        ok = TransferSame(dst, x, y, cx, cy, src, x1, y1, [](Pixel& d, Pixel s) { d &= s; });
        break;
    case SRCPAINT:
        ok = TransferSame(dst, x, y, cx, cy, src, x1, y1, [](Pixel& d, Pixel s) { d |= s; });
        break;
    case SRCINVERT:
        ok = TransferSame(dst, x, y, cx, cy, src, x1, y1, [](Pixel& d, Pixel s) { d ^= s; });
        break;
    default:
        return FALSE;
    }
    return ok ? TRUE : FALSE;
}

BOOL StretchBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, int cx1, int cy1,
                DWORD rop) {
    if (cx == cx1 && cy == cy1) {
        return BitBlt(dst, x, y, cx, cy, src, x1, y1, rop);
    }
    if (rop != SRCCOPY) {
        return FALSE;
    }
    return Transfer(dst, x, y, cx, cy, src, x1, y1, cx1, cy1, [](Pixel& d, Pixel s) { d = s; })
               ? TRUE
               : FALSE;
}

BOOL TransparentBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, int cx1,
                    int cy1, UINT transparent) {
    const Pixel key = PixelFromColorRef(transparent);
    return Transfer(dst, x, y, cx, cy, src, x1, y1, cx1, cy1,
                    [key](Pixel& d, Pixel s) {
                        if ((s & 0xFFFFFF) != key) {
                            d = s;
                        }
                    })
               ? TRUE
               : FALSE;
}

BOOL AlphaBlend(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, int cx1, int cy1,
                BLENDFUNCTION blend) {
    if (blend.BlendOp != AC_SRC_OVER) {
        return FALSE;
    }
    const unsigned constant = blend.SourceConstantAlpha;
    const bool perPixel = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
    return Transfer(dst, x, y, cx, cy, src, x1, y1, cx1, cy1,
                    [constant, perPixel](Pixel& d, Pixel s) {
                        // Source (premultiplied when per-pixel) scaled by the constant alpha;
                        // without per-pixel alpha the source counts as opaque.
                        if (perPixel) {
                            d = Over(s, d, constant, Mul255(Channel(s, 24), constant));
                        } else {
                            d = Over(s | 0xFF000000u, d, constant, constant);
                        }
                    })
               ? TRUE
               : FALSE;
}
