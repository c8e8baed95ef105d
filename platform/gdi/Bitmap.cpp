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

PixelStore::PixelStore(size_t count, Uncleared)
    : m_data(count ? static_cast<Pixel*>(std::malloc(count * sizeof(Pixel))) : nullptr),
      m_size(count) {
    if (count && !m_data) {
        throw std::bad_alloc();
    }
}

void PixelStore::Free::operator()(Pixel* p) const {
    std::free(p);
}

Bitmap::Bitmap(int width, int height, bool bottomUp)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), bottomUp_(bottomUp),
      store_(std::make_shared<PixelStore>(static_cast<size_t>(width_) *
                                          static_cast<size_t>(height_))) {
    top_ = bottomUp_ && height_ > 0 ? static_cast<std::ptrdiff_t>(height_ - 1) * width_ : 0;
    step_ = bottomUp_ ? -width_ : width_;
}

Bitmap::Bitmap(int width, int height, bool bottomUp, Uncleared)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), bottomUp_(bottomUp),
      store_(std::make_shared<PixelStore>(
          static_cast<size_t>(width_) * static_cast<size_t>(height_), PixelStore::Uncleared{})) {
    top_ = bottomUp_ && height_ > 0 ? static_cast<std::ptrdiff_t>(height_ - 1) * width_ : 0;
    step_ = bottomUp_ ? -width_ : width_;
}

namespace {

// What a moved-from bitmap holds: no pixels (it is 0 x 0).
const std::shared_ptr<PixelStore>& EmptyStore() {
    static const auto* empty = new std::shared_ptr<PixelStore>(std::make_shared<PixelStore>());
    return *empty;
}

} // namespace

Bitmap::Bitmap(Bitmap&& other) noexcept
    : width_(other.width_), height_(other.height_), bottomUp_(other.bottomUp_),
      store_(std::exchange(other.store_, EmptyStore())), top_(other.top_), step_(other.step_) {
    other.width_ = 0;
    other.height_ = 0;
    other.top_ = 0;
    other.step_ = 0;
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
    if (this != &other) {
        width_ = other.width_;
        height_ = other.height_;
        bottomUp_ = other.bottomUp_;
        store_ = std::move(other.store_);
        top_ = other.top_;
        step_ = other.step_;
        other.store_ = EmptyStore();
        other.width_ = 0;
        other.height_ = 0;
        other.top_ = 0;
        other.step_ = 0;
    }
    return *this;
}

std::unique_ptr<Bitmap> Bitmap::Section(const Bitmap& source, int x, int y, int width, int height) {
    if (x < 0 || y < 0 || width < 0 || height < 0 || x > source.width_ - width ||
        y > source.height_ - height) {
        return nullptr;
    }
    std::unique_ptr<Bitmap> section(new Bitmap());
    section->width_ = width;
    section->height_ = height;
    section->bottomUp_ = false;
    section->store_ = source.store_;
    section->top_ = source.RowIndex(y) + x;
    section->step_ = source.step_;
    return section;
}

bool Bitmap::PlainLayout() const {
    const auto w = static_cast<std::ptrdiff_t>(width_);
    const std::ptrdiff_t top = bottomUp_ && height_ > 0 ? (height_ - 1) * w : 0;
    return store_->size() == static_cast<size_t>(width_) * static_cast<size_t>(height_) &&
           top_ == top && (height_ <= 1 || step_ == (bottomUp_ ? -w : w));
}

void Bitmap::Detach(bool keepPixels) {
    const size_t count = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    auto store = keepPixels ? std::make_shared<PixelStore>(count, PixelStore::Uncleared{})
                            : std::make_shared<PixelStore>(count);
    const auto w = static_cast<std::ptrdiff_t>(width_);
    const std::ptrdiff_t top = bottomUp_ && height_ > 0 ? (height_ - 1) * w : 0;
    const std::ptrdiff_t step = bottomUp_ ? -w : w;
    if (keepPixels) {
        for (int y = 0; y < height_; ++y) {
            std::memcpy(store->data() + top + y * step, store_->data() + RowIndex(y),
                        static_cast<size_t>(width_) * sizeof(Pixel));
        }
    }
    store_ = std::move(store);
    top_ = top;
    step_ = step;
}

Pixel* Bitmap::Bits() {
    if (store_.use_count() > 1 || !PlainLayout()) {
        Detach(true);
    }
    return store_->data();
}

void Bitmap::Fill(Pixel p) {
    if (store_.use_count() > 1 || !PlainLayout()) {
        Detach(false); // every pixel is written below
    }
    std::fill(store_->data(), store_->data() + store_->size(), p);
}

} // namespace gdi
