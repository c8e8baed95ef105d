#pragma once
// A 32-bit bitmap: the only pixel format of this layer. Pixels are 0xAARRGGBB words (bytes B,
// G, R, A in memory). Rows are stored top-down or bottom-up, as the DIB that made them asked;
// Row(y) always addresses the y-th row from the top.

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
    PixelStore(const PixelStore& other);
    PixelStore& operator=(const PixelStore& other);
    PixelStore(PixelStore&& other) noexcept;
    PixelStore& operator=(PixelStore&& other) noexcept;
    ~PixelStore() = default;

    Pixel* data() { return m_data.get(); }
    const Pixel* data() const { return m_data.get(); }
    size_t size() const { return m_size; }
    Pixel* begin() { return data(); }
    Pixel* end() { return data() + m_size; }

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

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool BottomUp() const { return bottomUp_; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    Pixel* Row(int y) { return pixels_.data() + StorageRow(y) * static_cast<size_t>(width_); }
    const Pixel* Row(int y) const {
        return pixels_.data() + StorageRow(y) * static_cast<size_t>(width_);
    }
    Pixel GetPixel(int x, int y) const { return Row(y)[x]; }
    void SetPixel(int x, int y, Pixel p) { Row(y)[x] = p; }
    // RGB of a pixel as a COLORREF (alpha dropped).
    COLORREF GetColor(int x, int y) const { return ColorRefFromPixel(GetPixel(x, y)); }

    // The storage as the DIB section's bits: rows of Width() pixels in storage order.
    Pixel* Bits() { return pixels_.data(); }
    const Pixel* Bits() const { return pixels_.data(); }
    size_t ByteSize() const { return pixels_.size() * sizeof(Pixel); }

    void Fill(Pixel p);

private:
    size_t StorageRow(int y) const { return static_cast<size_t>(bottomUp_ ? height_ - 1 - y : y); }

    int width_;
    int height_;
    bool bottomUp_;
    PixelStore pixels_;
};

} // namespace gdi
