#pragma once
// What the window system builds on: DCs on window backing bitmaps, the objects behind
// bitmap and region handles, and compositing of top-level windows into a screen bitmap.

#include "platform/base/WinTypes.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Region.h"

#include <cstddef>
#include <optional>

namespace gdi {

// A DC drawing into `target`: device (0, 0) lands on `origin` of the target, and drawing is
// limited to `clip` (target units; nullopt = the whole target). Free it with DeleteDC; the
// target must outlive it.
HDC CreateSurfaceDC(Bitmap& target, POINT origin, std::optional<Region> clip);

// The objects behind handles; null for a handle that is not a live bitmap or region.
Bitmap* BitmapFromHandle(HBITMAP bitmap);
const Region* RegionFromHandle(HRGN region);
// A new bitmap (as CreateCompatibleBitmap makes) holding the rectangle (x, y, width, height)
// of source: it shares the source's pixels until either is drawn on, so cutting many parts of
// one picture costs no pixel copies. Where the rectangle leaves the source its pixels are 0.
// Null for a bad handle or a negative size.
HBITMAP CreateBitmapSection(HBITMAP source, int x, int y, int width, int height);
// A new region handle holding a copy of the region (GetWindowRgn and the like).
HRGN CreateRegionHandle(Region region);

// The number of live GDI objects and DCs, stock objects left out (they are made on first use and
// live for the process): tests compare it before and after some drawing to find handles that
// were never deleted.
size_t LiveObjectCount();

// Draws one top-level window's bitmap onto the screen bitmap with its top-left corner at `at`.
// region: the window region in window units (nullptr = the whole window); colorKey: pixels of
// that RGB are left out (LWA_COLORKEY); alpha: constant opacity (LWA_ALPHA; 255 = opaque).
// The screen's pixels keep alpha 255.
void ComposeWindow(Bitmap& screen, const Bitmap& window, POINT at, const Region* region,
                   std::optional<COLORREF> colorKey, BYTE alpha);

} // namespace gdi
