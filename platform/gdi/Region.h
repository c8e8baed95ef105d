#pragma once
// A region as a list of horizontal bands. Each band covers the rows [top, bottom) and holds
// sorted, disjoint, non-touching x spans [left, right). Bands are sorted, never empty, and two
// touching bands with the same spans are merged, so two regions covering the same pixels are
// equal member for member.

#include "platform/base/WinTypes.h"

#include <vector>

namespace gdi {

class Region {
public:
    struct Band {
        LONG top = 0;
        LONG bottom = 0;
        std::vector<LONG> spans; // left0, right0, left1, right1, ...
        friend bool operator==(const Band&, const Band&) = default;
    };

    enum class Op { And, Or, Xor, Diff };

    Region() = default;
    explicit Region(const RECT& rect);
    // The union of any rectangles (empty and inverted ones are ignored).
    static Region FromRects(const std::vector<RECT>& rects);

    bool IsEmpty() const { return bands_.empty(); }
    // The smallest rectangle holding the region; all zero when empty.
    RECT Bounds() const;
    bool Contains(LONG x, LONG y) const;
    // True when any pixel of the rectangle lies in the region.
    bool Intersects(const RECT& rect) const;
    void Offset(LONG dx, LONG dy);
    // The region as rectangles, band by band from the top, spans left to right.
    std::vector<RECT> Rects() const;
    const std::vector<Band>& Bands() const { return bands_; }
    // True when the region is exactly one rectangle (or empty).
    bool IsRectangular() const;

    static Region Combine(const Region& a, const Region& b, Op op);
    Region Intersect(const RECT& rect) const { return Combine(*this, Region(rect), Op::And); }

    friend bool operator==(const Region&, const Region&) = default;

private:
    void AppendBand(LONG top, LONG bottom, std::vector<LONG>&& spans);

    std::vector<Band> bands_;
};

} // namespace gdi
