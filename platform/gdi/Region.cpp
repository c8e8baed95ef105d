#include "platform/gdi/Region.h"

#include <algorithm>
#include <limits>

namespace gdi {

namespace {

bool Apply(Region::Op op, bool a, bool b) {
    switch (op) {
    case Region::Op::And:
        return a && b;
    case Region::Op::Or:
        return a || b;
    case Region::Op::Xor:
        return a != b;
    case Region::Op::Diff:
        return a && !b;
    }
    return false;
}

// Combines two span lists (sorted, disjoint) with the operation.
std::vector<LONG> CombineSpans(const std::vector<LONG>& a, const std::vector<LONG>& b,
                               Region::Op op) {
    std::vector<LONG> out;
    size_t ia = 0;
    size_t ib = 0;
    bool inA = false;
    bool inB = false;
    bool inOut = false;
    while (ia < a.size() || ib < b.size()) {
        LONG x = std::numeric_limits<LONG>::max();
        if (ia < a.size()) {
            x = a[ia];
        }
        if (ib < b.size()) {
            x = std::min(x, b[ib]);
        }
        if (ia < a.size() && a[ia] == x) {
            inA = !inA;
            ++ia;
        }
        if (ib < b.size() && b[ib] == x) {
            inB = !inB;
            ++ib;
        }
        const bool now = Apply(op, inA, inB);
        if (now != inOut) {
            if (!now && !out.empty() && out.back() == x) {
                out.pop_back(); // empty span
            } else {
                out.push_back(x);
            }
            inOut = now;
        }
    }
    return out;
}

const std::vector<LONG>* SpansAt(const std::vector<Region::Band>& bands, size_t& index, LONG y) {
    while (index < bands.size() && bands[index].bottom <= y) {
        ++index;
    }
    if (index < bands.size() && bands[index].top <= y) {
        return &bands[index].spans;
    }
    return nullptr;
}

} // namespace

Region::Region(const RECT& rect) {
    if (rect.left < rect.right && rect.top < rect.bottom) {
        bands_.push_back(Band{rect.top, rect.bottom, {rect.left, rect.right}});
    }
}

void Region::AppendBand(LONG top, LONG bottom, std::vector<LONG>&& spans) {
    if (spans.empty() || top >= bottom) {
        return;
    }
    if (!bands_.empty() && bands_.back().bottom == top && bands_.back().spans == spans) {
        bands_.back().bottom = bottom;
        return;
    }
    bands_.push_back(Band{top, bottom, std::move(spans)});
}

Region Region::FromRects(const std::vector<RECT>& input) {
    std::vector<RECT> rects;
    rects.reserve(input.size());
    std::vector<LONG> ys;
    for (const RECT& r : input) {
        if (r.left < r.right && r.top < r.bottom) {
            rects.push_back(r);
            ys.push_back(r.top);
            ys.push_back(r.bottom);
        }
    }
    std::sort(rects.begin(), rects.end(),
              [](const RECT& a, const RECT& b) { return a.top < b.top; });
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    Region result;
    std::vector<RECT> active;
    size_t next = 0;
    std::vector<std::pair<LONG, LONG>> runs;
    for (size_t i = 0; i + 1 < ys.size(); ++i) {
        const LONG y0 = ys[i];
        const LONG y1 = ys[i + 1];
        std::erase_if(active, [y0](const RECT& r) { return r.bottom <= y0; });
        while (next < rects.size() && rects[next].top <= y0) {
            active.push_back(rects[next++]);
        }
        runs.clear();
        for (const RECT& r : active) {
            runs.emplace_back(r.left, r.right);
        }
        std::sort(runs.begin(), runs.end());
        std::vector<LONG> spans;
        for (const auto& [l, r] : runs) {
            if (!spans.empty() && l <= spans.back()) {
                spans.back() = std::max(spans.back(), r);
            } else {
                spans.push_back(l);
                spans.push_back(r);
            }
        }
        result.AppendBand(y0, y1, std::move(spans));
    }
    return result;
}

RECT Region::Bounds() const {
    if (bands_.empty()) {
        return RECT{};
    }
    RECT r{std::numeric_limits<LONG>::max(), bands_.front().top, std::numeric_limits<LONG>::min(),
           bands_.back().bottom};
    for (const Band& b : bands_) {
        r.left = std::min(r.left, b.spans.front());
        r.right = std::max(r.right, b.spans.back());
    }
    return r;
}

bool Region::Contains(LONG x, LONG y) const {
    auto it = std::upper_bound(bands_.begin(), bands_.end(), y,
                               [](LONG v, const Band& b) { return v < b.bottom; });
    if (it == bands_.end() || it->top > y) {
        return false;
    }
    const auto& s = it->spans;
    // The number of edges at or left of x is odd inside a span.
    const auto edges = std::upper_bound(s.begin(), s.end(), x) - s.begin();
    return (edges % 2) == 1;
}

bool Region::Intersects(const RECT& rect) const {
    return !Combine(*this, Region(rect), Op::And).IsEmpty();
}

void Region::Offset(LONG dx, LONG dy) {
    for (Band& b : bands_) {
        b.top += dy;
        b.bottom += dy;
        for (LONG& x : b.spans) {
            x += dx;
        }
    }
}

std::vector<RECT> Region::Rects() const {
    std::vector<RECT> out;
    for (const Band& b : bands_) {
        for (size_t i = 0; i + 1 < b.spans.size(); i += 2) {
            out.push_back(RECT{b.spans[i], b.top, b.spans[i + 1], b.bottom});
        }
    }
    return out;
}

bool Region::IsRectangular() const {
    return bands_.empty() || (bands_.size() == 1 && bands_.front().spans.size() == 2);
}

Region Region::Combine(const Region& a, const Region& b, Op op) {
    std::vector<LONG> ys;
    ys.reserve(2 * (a.bands_.size() + b.bands_.size()));
    for (const Band& band : a.bands_) {
        ys.push_back(band.top);
        ys.push_back(band.bottom);
    }
    for (const Band& band : b.bands_) {
        ys.push_back(band.top);
        ys.push_back(band.bottom);
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    static const std::vector<LONG> none;
    Region result;
    size_t ia = 0;
    size_t ib = 0;
    for (size_t i = 0; i + 1 < ys.size(); ++i) {
        const std::vector<LONG>* sa = SpansAt(a.bands_, ia, ys[i]);
        const std::vector<LONG>* sb = SpansAt(b.bands_, ib, ys[i]);
        if (sa == nullptr && sb == nullptr) {
            continue;
        }
        result.AppendBand(ys[i], ys[i + 1],
                          CombineSpans(sa != nullptr ? *sa : none, sb != nullptr ? *sb : none, op));
    }
    return result;
}

} // namespace gdi
