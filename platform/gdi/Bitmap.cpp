#include "platform/gdi/Bitmap.h"

#include <algorithm>

namespace gdi {

Bitmap::Bitmap(int width, int height, bool bottomUp)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), bottomUp_(bottomUp),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0) {}

void Bitmap::Fill(Pixel p) {
    std::fill(pixels_.begin(), pixels_.end(), p);
}

} // namespace gdi
