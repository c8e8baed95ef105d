#include "tools/skingen/ScrollBarPictures.h"

#include <cstdlib>

namespace skingen {

namespace {

constexpr Colour kListBack{0x0B, 0x0B, 0x0B}; // the lists' BLACK2
constexpr Colour kBorder{0x5F, 0x5F, 0x5F};   // their MIDGREY
constexpr Colour kGroove{0x1A, 0x1A, 0x1A};
constexpr int kArrowHeight = 12;
constexpr int kThumbHeight = 24;
constexpr int kCapHeight = 2;

} // namespace

Image ScrollBarThumb() {
    Image image(kScrollBarWidth, kThumbHeight);
    image.Fill([](int x, int y) {
        if (!InsideRounded(x - 1, y, kScrollBarWidth - 2, kThumbHeight, 3)) {
            return kGroove;
        }
        if (!InsideRounded(x - 2, y - 1, kScrollBarWidth - 4, kThumbHeight - 2, 2)) {
            return Mix(kBorder, kWhite, 0.35);
        }
        // Three grip lines across the middle.
        const int middle = kThumbHeight / 2;
        if ((y == middle - 3 || y == middle || y == middle + 3) && x >= 4 && x < 8) {
            return Mix(kBorder, kListBack, 0.5);
        }
        return kBorder;
    });
    return image;
}

Image ScrollBarCap(bool top) {
    Image image(kScrollBarWidth, kCapHeight);
    image.Fill(
        [top](int, int y) { return (top ? y == 0 : y == kCapHeight - 1) ? kBorder : kListBack; });
    return image;
}

Image ScrollBarArrow(bool up) {
    Image image(kScrollBarWidth, kArrowHeight);
    image.Fill([up](int x, int y) {
        if (x == 0 || x == kScrollBarWidth - 1 || y == 0 || y == kArrowHeight - 1) {
            return kBorder;
        }
        // A triangle four rows high, pointing up or down, in the middle of the square.
        const int row = up ? y - 4 : kArrowHeight - 1 - 4 - y;
        const int half = std::abs(2 * x + 1 - kScrollBarWidth) / 2;
        if (row >= 0 && row < 4 && half <= row) {
            return Mix(kBorder, kWhite, 0.6);
        }
        return kListBack;
    });
    return image;
}

Image ScrollBarSpine() {
    Image image(kScrollBarWidth, 1);
    image.Fill([](int x, int) {
        if (x == 0 || x == kScrollBarWidth - 1) {
            return kBorder;
        }
        return kGroove;
    });
    return image;
}

} // namespace skingen
