#include "gui/BitmapRegion.h"

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr size_t kRectsPerBatch = 2000;
constexpr size_t kGrowBy = 100;

// Rectangles waiting to be turned into a region, with their bounds.
class RectBatch {
public:
    RectBatch() { Reset(); }

    void Add(LONG x0, LONG y, LONG x1) {
        if (m_rects.size() == m_rects.capacity()) {
            m_rects.reserve(m_rects.size() + kGrowBy);
        }
        m_rects.push_back(RECT{x0, y, x1, y + 1});
        m_bounds.left = std::min(m_bounds.left, x0);
        m_bounds.top = std::min(m_bounds.top, y);
        m_bounds.right = std::max(m_bounds.right, x1);
        m_bounds.bottom = std::max(m_bounds.bottom, y + 1);
    }

    size_t Count() const { return m_rects.size(); }

    // ORs the held rectangles into result (the first batch becomes the result) and starts
    // again empty. False when a region could not be made.
    bool FlushInto(HRGN& result) {
        std::vector<std::byte> data(sizeof(RGNDATAHEADER) + m_rects.size() * sizeof(RECT));
        RGNDATAHEADER header;
        header.dwSize = sizeof(RGNDATAHEADER);
        header.iType = RDH_RECTANGLES;
        header.nCount = static_cast<DWORD>(m_rects.size());
        header.nRgnSize = static_cast<DWORD>(m_rects.size() * sizeof(RECT));
        header.rcBound = m_rects.empty() ? RECT{} : m_bounds;
        std::memcpy(data.data(), &header, sizeof(header));
        if (!m_rects.empty()) {
            std::memcpy(data.data() + sizeof(header), m_rects.data(),
                        m_rects.size() * sizeof(RECT));
        }
        HRGN batch = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                     reinterpret_cast<const RGNDATA*>(data.data()));
        Reset();
        if (batch == nullptr) {
            return false;
        }
        if (result == nullptr) {
            result = batch;
        } else {
            CombineRgn(result, result, batch, RGN_OR);
            DeleteObject(batch);
        }
        return true;
    }

private:
    void Reset() {
        m_rects.clear();
        m_rects.reserve(kGrowBy);
        m_bounds = RECT{std::numeric_limits<LONG>::max(), std::numeric_limits<LONG>::max(), 0, 0};
    }

    std::vector<RECT> m_rects;
    RECT m_bounds;
};

bool IsPureWhite(std::uint32_t pixel) {
    return (pixel & 0x00FFFFFFu) == 0x00FFFFFFu;
}

} // namespace

HRGN BitmapToRegion(HBITMAP bitmap) {
    return BitmapToRegionInBatches(bitmap, kRectsPerBatch);
}

HRGN BitmapToRegionInBatches(HBITMAP bitmap, size_t batchSize) {
    if (bitmap == nullptr) {
        return nullptr;
    }
    batchSize = std::max<size_t>(batchSize, 1);
    // The mask's own pixels are read (a picture the skin shares, never written here): no
    // 32-bit copy of it is made first, as every bitmap already holds 32-bit pixels.
    const gdi::Bitmap* mask = gdi::BitmapFromHandle(bitmap);
    if (mask == nullptr || mask->Width() <= 0 || mask->Height() <= 0) {
        return nullptr; // (no 32-bit section of no pixels could be made)
    }
    BITMAP info{};
    info.bmWidth = mask->Width();
    info.bmHeight = mask->Height();
    RectBatch batch;
    HRGN result = nullptr;
    bool failed = false;
    for (LONG y = 0; y < info.bmHeight && !failed; ++y) {
        const std::uint32_t* row = mask->Row(static_cast<int>(y));
        LONG x = 0;
        while (x < info.bmWidth) {
            while (x < info.bmWidth && IsPureWhite(row[x])) {
                ++x;
            }
            const LONG start = x;
            while (x < info.bmWidth && !IsPureWhite(row[x])) {
                ++x;
            }
            if (x > start) {
                batch.Add(start, y, x);
                if (batch.Count() >= batchSize && !batch.FlushInto(result)) {
                    failed = true;
                    break;
                }
            }
        }
    }
    if (!failed && (batch.Count() > 0 || result == nullptr)) {
        failed = !batch.FlushInto(result);
    }
    if (failed && result != nullptr) {
        DeleteObject(result);
        result = nullptr;
    }
    return result;
}
