#pragma once
// A 32-bit bitmap: the only pixel format of this layer. Pixels are 0xAARRGGBB words (bytes B,
// G, R, A in memory). Rows are stored top-down or bottom-up, as the DIB that made them asked;
// Row(y) always addresses the y-th row from the top.
//
// Pixels are shared, not copied, between a bitmap and its copies and sections (a rectangle of
// another bitmap, see Section): the first write through any of them (a non-const Row, Bits,
// SetPixel or Fill) gives that one pixels of its own, so sharing never shows in what is drawn.
// Readers use the const accessors, which never copy.

#include "platform/base/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace gdi {

using Pixel = std::uint32_t;

constexpr Pixel PixelFromColorRef(COLORREF c, BYTE alpha = 0) {
    return (static_cast<Pixel>(alpha) << 24) | (static_cast<Pixel>(GetRValue(c)) << 16) |
           (static_cast<Pixel>(GetGValue(c)) << 8) | GetBValue(c);
}
constexpr COLORREF ColorRefFromPixel(Pixel p) {
    return RGB(static_cast<BYTE>((p >> 16) & 0xFF), static_cast<BYTE>((p >> 8) & 0xFF),
               static_cast<BYTE>(p & 0xFF));
}

// Pixel storage taken already zeroed from the allocator: a large block comes as fresh pages
// that the system hands out cleared, so a new bitmap costs neither a clearing pass nor
// resident memory until it is drawn on.
class PixelStore {
public:
    PixelStore() = default;
    explicit PixelStore(size_t count);
    // Storage that is about to be written whole: not cleared first.
    struct Uncleared {};
    PixelStore(size_t count, Uncleared);
    PixelStore(const PixelStore& other) = delete;
    PixelStore& operator=(const PixelStore& other) = delete;
    ~PixelStore() = default;

    Pixel* data() { return m_data.get(); }
    const Pixel* data() const { return m_data.get(); }
    size_t size() const { return m_size; }

private:
    struct Free {
        void operator()(Pixel* p) const;
    };
    std::unique_ptr<Pixel[], Free> m_data;
    size_t m_size = 0;
};

class Bitmap {
public:
    // A bitmap of the given size, every pixel 0; width and height below 0 count as 0.
    Bitmap(int width, int height, bool bottomUp = false);
    // A bitmap whose every pixel the caller writes at once: its storage is not cleared.
    struct Uncleared {};
    Bitmap(int width, int height, bool bottomUp, Uncleared);
    // Copies share the pixels until one of them is written.
    Bitmap(const Bitmap& other) = default;
    Bitmap& operator=(const Bitmap& other) = default;
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;
    ~Bitmap() = default;

    // The rectangle (x, y, width, height) of source as a top-down bitmap of its own that shares
    // the source's pixels; the rectangle must lie inside the source (else nullptr).
    static std::unique_ptr<Bitmap> Section(const Bitmap& source, int x, int y, int width,
                                           int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool BottomUp() const { return bottomUp_; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    Pixel* Row(int y) {
        Own();
        return store_->data() + RowIndex(y);
    }
    const Pixel* Row(int y) const { return store_->data() + RowIndex(y); }
    Pixel GetPixel(int x, int y) const { return Row(y)[x]; }
    void SetPixel(int x, int y, Pixel p) { Row(y)[x] = p; }
    // RGB of a pixel as a COLORREF (alpha dropped).
    COLORREF GetColor(int x, int y) const { return ColorRefFromPixel(GetPixel(x, y)); }

    // The storage as the DIB section's bits: rows of Width() pixels in storage order (a
    // section gets storage of its own laid out so first).
    Pixel* Bits();
    // The storage when it is laid out as Bits() gives it, without copying; else null.
    const Pixel* PlainBits() const { return PlainLayout() ? store_->data() : nullptr; }
    size_t ByteSize() const {
        return static_cast<size_t>(width_) * static_cast<size_t>(height_) * sizeof(Pixel);
    }

    // True when the two bitmaps read the same pixel storage (a copy or section not yet
    // written).
    bool SharesPixelsWith(const Bitmap& other) const { return store_ == other.store_; }

    void Fill(Pixel p);

private:
    Bitmap() = default;
    std::ptrdiff_t RowIndex(int y) const { return top_ + static_cast<std::ptrdiff_t>(y) * step_; }
    // Pixels of its own before a write: a copy when the storage is shared.
    void Own() {
        if (store_.use_count() > 1) {
            Detach(true);
        }
    }
    // Gives the bitmap storage of its own in the plain layout (keeping the pixels or not).
    void Detach(bool keepPixels);
    bool PlainLayout() const;

    int width_ = 0;
    int height_ = 0;
    bool bottomUp_ = false;
    std::shared_ptr<PixelStore> store_;
    std::ptrdiff_t top_ = 0;  // index of the top row's first pixel in the storage
    std::ptrdiff_t step_ = 0; // from one row to the next one down (negative: bottom-up)
};

} // namespace gdi
