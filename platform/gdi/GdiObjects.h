#pragma once
// The objects behind GDI handles and the process-wide handle table. Handles are numbers that
// are never reused, so a stale handle is refused rather than reaching a new object.

#include "platform/base/WinTypes.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Region.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace gdi {

class FontInstance;

class GdiObject {
public:
    explicit GdiObject(DWORD type) : type_(type) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    DWORD Type() const { return type_; }
    bool stock = false;
    // Selections by device contexts (saved states included); stock objects are shared by the
    // DCs of every thread.
    std::atomic<int> selected{0};
    std::atomic<bool> pendingDelete{false}; // deleted while selected: goes when released

private:
    DWORD type_;
};

class BitmapObject : public GdiObject {
public:
    BitmapObject(int width, int height, bool bottomUp, bool dibSection)
        : GdiObject(OBJ_BITMAP), bitmap(width, height, bottomUp), dib(dibSection) {}
    BitmapObject(Bitmap&& b, bool dibSection)
        : GdiObject(OBJ_BITMAP), bitmap(std::move(b)), dib(dibSection) {}
    Bitmap bitmap;
    bool dib;
};

class PenObject : public GdiObject {
public:
    PenObject(int s, int w, COLORREF c) : GdiObject(OBJ_PEN), style(s), width(w), color(c) {}
    int style;
    int width;
    COLORREF color;
    bool dcPen = false; // DC_PEN: takes the DC's pen colour
};

class BrushObject : public GdiObject {
public:
    BrushObject(bool isNull, COLORREF c) : GdiObject(OBJ_BRUSH), null(isNull), color(c) {}
    bool null;
    COLORREF color;
    bool dcBrush = false; // DC_BRUSH: takes the DC's brush colour
};

class FontObject : public GdiObject {
public:
    explicit FontObject(const LOGFONTW& lf) : GdiObject(OBJ_FONT), logfont(lf) {}
    LOGFONTW logfont;
    // Resolved on first use.
    std::shared_ptr<FontInstance> instance;
};

class RegionObject : public GdiObject {
public:
    explicit RegionObject(Region r) : GdiObject(OBJ_REGION), region(std::move(r)) {}
    Region region;
};

// Handle table.
HGDIOBJ AddObject(std::unique_ptr<GdiObject> object);
GdiObject* FindObject(HGDIOBJ handle);
template <typename T> T* FindAs(HGDIOBJ handle, DWORD type) {
    GdiObject* o = FindObject(handle);
    return (o != nullptr && o->Type() == type) ? static_cast<T*>(o) : nullptr;
}
inline BitmapObject* FindBitmap(HBITMAP h) {
    return FindAs<BitmapObject>(ToGdiObj(h), OBJ_BITMAP);
}
inline PenObject* FindPen(HPEN h) {
    return FindAs<PenObject>(ToGdiObj(h), OBJ_PEN);
}
inline BrushObject* FindBrush(HBRUSH h) {
    return FindAs<BrushObject>(ToGdiObj(h), OBJ_BRUSH);
}
inline FontObject* FindFont(HFONT h) {
    return FindAs<FontObject>(ToGdiObj(h), OBJ_FONT);
}
inline RegionObject* FindRegion(HRGN h) {
    return FindAs<RegionObject>(ToGdiObj(h), OBJ_REGION);
}
// Removes and destroys an object (no checks).
void RemoveObject(HGDIOBJ handle);

template <typename H> H HandleCast(HGDIOBJ h) {
    return reinterpret_cast<H>(h);
}

// The font a DC draws with when its selected font cannot be resolved.
std::shared_ptr<FontInstance> ResolveFont(FontObject& font);

} // namespace gdi
