#pragma once
// Turns a mask bitmap into a window region: every pixel that is not pure white (0xFFFFFF)
// belongs to the window.

#include "platform/base/WinTypes.h"

#include <cstddef>

// The region of the non-white pixels of bitmap, or null for a null bitmap or when the
// bitmap cannot be read. The caller owns the region.
HRGN BitmapToRegion(HBITMAP bitmap);
// The same, combining the row runs into the region in batches of at most batchSize
// rectangles (BitmapToRegion uses 2000).
HRGN BitmapToRegionInBatches(HBITMAP bitmap, size_t batchSize);
