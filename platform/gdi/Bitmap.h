#pragma once
// A 32-bit bitmap: the only pixel format of this layer. Pixels are 0xAARRGGBB words (bytes B,
// G, R, A in memory). Rows are stored top-down or bottom-up, as the DIB that made them asked;
// Row(y) always addresses the y-th row from the top.

#include "platform/base/WinTypes.h"

#include <cstdint>
#include <vector>

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
    std::vector<Pixel> pixels_;
};

} // namespace gdi
