#include "platform/gdi/Bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace gdi {

PixelStore::PixelStore(size_t count)
    : m_data(count ? static_cast<Pixel*>(std::calloc(count, sizeof(Pixel))) : nullptr),
      m_size(count) {
    if (count && !m_data) {
        throw std::bad_alloc();
    }
}

PixelStore::PixelStore(const PixelStore& other)
    : m_data(other.m_size ? static_cast<Pixel*>(std::malloc(other.m_size * sizeof(Pixel)))
                          : nullptr),
      m_size(other.m_size) {
    if (m_size && !m_data) {
        throw std::bad_alloc();
    }
    if (m_size) {
        std::memcpy(m_data.get(), other.m_data.get(), m_size * sizeof(Pixel));
    }
}

PixelStore& PixelStore::operator=(const PixelStore& other) {
    if (this != &other) {
        PixelStore copy(other);
        *this = std::move(copy);
    }
    return *this;
}

PixelStore::PixelStore(PixelStore&& other) noexcept
    : m_data(std::move(other.m_data)), m_size(other.m_size) {
    other.m_size = 0;
}

PixelStore& PixelStore::operator=(PixelStore&& other) noexcept {
    m_data = std::move(other.m_data);
    m_size = other.m_size;
    other.m_size = 0;
    return *this;
}

void PixelStore::Free::operator()(Pixel* p) const {
    std::free(p);
}

Bitmap::Bitmap(int width, int height, bool bottomUp)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), bottomUp_(bottomUp),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_)) {}

void Bitmap::Fill(Pixel p) {
    std::fill(pixels_.begin(), pixels_.end(), p);
}

} // namespace gdi
