#pragma once
// A device context: the drawing state (selected objects, colours, origins, clip) and the
// bitmap it draws into. A memory DC draws into its selected bitmap; a surface DC draws into a
// window's backing bitmap at an origin, limited to the window's visible area.

#include "platform/gdi/GdiObjects.h"

#include <functional>

namespace gdi {

class DeviceContext : public GdiObject {
public:
    struct State {
        HGDIOBJ bitmap = nullptr;
        HGDIOBJ pen = nullptr;
        HGDIOBJ brush = nullptr;
        HGDIOBJ font = nullptr;
        COLORREF textColor = RGB(0, 0, 0);
        COLORREF bkColor = RGB(255, 255, 255);
        COLORREF dcBrushColor = RGB(255, 255, 255);
        COLORREF dcPenColor = RGB(0, 0, 0);
        int bkMode = OPAQUE;
        int mapMode = MM_TEXT;
        int stretchMode = BLACKONWHITE;
        POINT viewportOrg;
        POINT windowOrg;
        SIZE windowExt{1, 1};
        SIZE viewportExt{1, 1};
        POINT position;
        std::optional<Region> clip; // device units
    };

    // A memory DC with the default 1x1 bitmap selected.
    DeviceContext();
    // A DC on a surface: device (0, 0) is `origin` of the target; `clip` in target units.
    DeviceContext(Bitmap& target, POINT origin, std::optional<Region> clip);
    ~DeviceContext() override;

    bool IsSurface() const { return surface_ != nullptr; }
    State& Current() { return state_; }

    // The bitmap drawn into (the selected bitmap, or the surface).
    Bitmap* Target();
    // Device units to target units. Coordinates are kept within +-2^30 so that sums of
    // far-off coordinates and origins cannot overflow.
    POINT DeviceToTarget(POINT p) const {
        return {Clamp(static_cast<long long>(p.x) + origin_.x),
                Clamp(static_cast<long long>(p.y) + origin_.y)};
    }
    POINT LogicalToDevice(int x, int y) const {
        return {Clamp(static_cast<long long>(x) - state_.windowOrg.x + state_.viewportOrg.x),
                Clamp(static_cast<long long>(y) - state_.windowOrg.y + state_.viewportOrg.y)};
    }
    POINT DeviceToLogical(int x, int y) const {
        return {Clamp(static_cast<long long>(x) + state_.windowOrg.x - state_.viewportOrg.x),
                Clamp(static_cast<long long>(y) + state_.windowOrg.y - state_.viewportOrg.y)};
    }
    // Logical units to target units without any limit (for extents added later).
    struct Exact {
        long long x;
        long long y;
    };
    Exact LogicalToTargetExact(long long x, long long y) const {
        return {x - state_.windowOrg.x + state_.viewportOrg.x + origin_.x,
                y - state_.windowOrg.y + state_.viewportOrg.y + origin_.y};
    }
    static LONG Clamp(long long v) {
        constexpr long long limit = 1LL << 30;
        return static_cast<LONG>(v < -limit ? -limit : (v > limit ? limit : v));
    }
    RECT LogicalToTarget(const RECT& r) const;

    // The area drawing may touch, in target units.
    const Region& Visible();
    // Calls fn for every visible part (target units) of the rectangle (target units).
    void ForEachVisible(const RECT& target, const std::function<void(const RECT&)>& fn);
    void ClipChanged() { visibleValid_ = false; }

    // Selects a bitmap, pen, brush or font; the previous one of that kind, or null.
    HGDIOBJ Select(HGDIOBJ object);
    int Save();
    bool Restore(int level);

    PenObject* Pen();
    BrushObject* Brush();
    FontObject* Font();
    COLORREF PenColor();
    COLORREF BrushColor();

private:
    void SetSelected(HGDIOBJ& slot, HGDIOBJ object);
    void ReleaseState(State& s);
    void RetainState(State& s);

    State state_;
    std::vector<State> saved_;
    HGDIOBJ defaultBitmap_ = nullptr; // memory DCs: the 1x1 bitmap they start with
    Bitmap* surface_ = nullptr;
    POINT origin_;
    std::optional<Region> surfaceClip_;
    Region visible_;
    bool visibleValid_ = false;
    Bitmap* visibleFor_ = nullptr;
};

DeviceContext* FindDC(HDC dc);

// Stock objects (created on first use, never deleted).
HGDIOBJ StockObject(int index);

} // namespace gdi
