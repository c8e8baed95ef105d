// BMP reading, LoadImageW / CopyImage and the picture loader.

#include "platform/base/FileRead.h"
#include "platform/base/Path.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Picture.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>

namespace gdi {

namespace {

// Largest picture accepted: 8192 x 8192 pixels in all.
constexpr long long kMaxPixels = 8192LL * 8192LL;

class Reader {
public:
    explicit Reader(std::span<const BYTE> data) : data_(data) {}
    bool Has(size_t offset, size_t count) const {
        return offset <= data_.size() && count <= data_.size() - offset;
    }
    DWORD U32(size_t at) const {
        return static_cast<DWORD>(data_[at]) | (static_cast<DWORD>(data_[at + 1]) << 8) |
               (static_cast<DWORD>(data_[at + 2]) << 16) |
               (static_cast<DWORD>(data_[at + 3]) << 24);
    }
    WORD U16(size_t at) const { return static_cast<WORD>(data_[at] | (data_[at + 1] << 8)); }
    LONG I32(size_t at) const { return static_cast<LONG>(U32(at)); }
    const BYTE* At(size_t at) const { return data_.data() + at; }

private:
    std::span<const BYTE> data_;
};

// One channel of a bit-field pixel scaled to 8 bits.
struct Field {
    DWORD mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Field(DWORD m) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            bits = std::popcount(m >> shift);
            if (bits > 8) {
                shift += bits - 8; // keep the top 8 bits
                bits = 8;
            }
        }
    }
    Pixel Get(DWORD v) const {
        if (mask == 0) {
            return 0;
        }
        const DWORD raw = ((v & mask) >> shift) & ((1u << bits) - 1);
        // Scale to 0..255.
        return static_cast<Pixel>((raw * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1));
    }
};

} // namespace

std::optional<Bitmap> DecodeBmp(std::span<const BYTE> data) {
    const Reader r(data);
    if (!r.Has(0, 18) || data[0] != 'B' || data[1] != 'M') {
        return std::nullopt;
    }
    const DWORD offBits = r.U32(10);
    const DWORD headerSize = r.U32(14);
    const bool core = headerSize == 12;
    if (!core && headerSize < 40) {
        return std::nullopt;
    }
    if (!r.Has(14, headerSize)) {
        return std::nullopt;
    }
    LONG width = 0;
    LONG height = 0;
    WORD bits = 0;
    DWORD compression = BI_RGB;
    DWORD colorsUsed = 0;
    if (core) {
        width = r.U16(18);
        height = r.U16(20);
        bits = r.U16(24);
    } else {
        width = r.I32(18);
        height = r.I32(22);
        bits = r.U16(28);
        compression = r.U32(30);
        colorsUsed = r.U32(46);
    }
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        return std::nullopt;
    }
    const bool topDown = height < 0;
    const int rows = topDown ? -height : height;
    if (static_cast<long long>(width) * rows > kMaxPixels) {
        return std::nullopt;
    }

    // Colour masks for bit fields: in the header (version 4 and 5) or just after it.
    DWORD masks[4] = {0, 0, 0, 0};
    size_t paletteAt = 14 + headerSize;
    if (compression == BI_BITFIELDS) {
        if (bits != 16 && bits != 32) {
            return std::nullopt;
        }
        if (headerSize >= 52) {
            masks[0] = r.U32(54);
            masks[1] = r.U32(58);
            masks[2] = r.U32(62);
            if (headerSize >= 56) {
                masks[3] = r.U32(66);
            }
        } else {
            if (!r.Has(paletteAt, 12)) {
                return std::nullopt;
            }
            masks[0] = r.U32(paletteAt);
            masks[1] = r.U32(paletteAt + 4);
            masks[2] = r.U32(paletteAt + 8);
            paletteAt += 12;
        }
    } else if (compression != BI_RGB) {
        return std::nullopt; // run-length and embedded formats are not read
    }

    std::vector<Pixel> palette;
    if (bits == 1 || bits == 4 || bits == 8) {
        const DWORD maxColors = 1u << bits;
        const DWORD colors = (colorsUsed == 0 || colorsUsed > maxColors) ? maxColors : colorsUsed;
        const size_t entry = core ? 3 : 4;
        // A short palette is taken as far as the file holds it; missing entries are black.
        for (DWORD i = 0; i < colors; ++i) {
            const size_t at = paletteAt + i * entry;
            if (!r.Has(at, 3)) {
                break;
            }
            palette.push_back((static_cast<Pixel>(data[at + 2]) << 16) |
                              (static_cast<Pixel>(data[at + 1]) << 8) | data[at]);
        }
        palette.resize(maxColors, 0);
    } else if (bits == 16) {
        if (compression == BI_RGB) {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        }
    } else if (bits != 24 && bits != 32) {
        return std::nullopt;
    }

    const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    if (!r.Has(offBits, stride * static_cast<size_t>(rows))) {
        return std::nullopt; // truncated pixel data
    }
    const Field red(masks[0]);
    const Field green(masks[1]);
    const Field blue(masks[2]);
    const Field alpha(masks[3]);
    const bool fields = compression == BI_BITFIELDS || bits == 16;

    // Every pixel is written below: the storage is not cleared first.
    Bitmap out(width, rows, !topDown, Bitmap::Uncleared{});
    for (int fileRow = 0; fileRow < rows; ++fileRow) {
        const int y = topDown ? fileRow : rows - 1 - fileRow;
        const BYTE* src = r.At(offBits + static_cast<size_t>(fileRow) * stride);
        Pixel* dst = out.Row(y);
        if (bits == 24) {
            // The skin's pictures: a pixel is the low three bytes of a little-endian word read
            // at its first byte; the last pixel of a row is read byte by byte, since its word
            // could reach past the data.
            const size_t count = static_cast<size_t>(width);
            for (size_t x = 0; x + 1 < count; ++x) {
                std::uint32_t word = 0;
                std::memcpy(&word, src + 3 * x, sizeof word);
                if constexpr (std::endian::native == std::endian::big) {
                    word = __builtin_bswap32(word);
                }
                dst[x] = word & 0xFFFFFFu;
            }
            const size_t last = count - 1;
            dst[last] = (static_cast<Pixel>(src[3 * last + 2]) << 16) |
                        (static_cast<Pixel>(src[3 * last + 1]) << 8) | src[3 * last];
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const size_t ux = static_cast<size_t>(x);
            switch (bits) {
            case 1:
                dst[x] = palette[(src[ux / 8] >> (7 - ux % 8)) & 1];
                break;
            case 4:
                dst[x] = palette[(src[ux / 2] >> (ux % 2 == 0 ? 4 : 0)) & 0xF];
                break;
            case 8:
                dst[x] = palette[src[ux]];
                break;
            case 16: {
                const DWORD v = static_cast<DWORD>(src[2 * ux] | (src[2 * ux + 1] << 8));
                dst[x] =
                    (alpha.Get(v) << 24) | (red.Get(v) << 16) | (green.Get(v) << 8) | blue.Get(v);
                break;
            }
            case 24:
                dst[x] = (static_cast<Pixel>(src[3 * ux + 2]) << 16) |
                         (static_cast<Pixel>(src[3 * ux + 1]) << 8) | src[3 * ux];
                break;
            default: {
                const DWORD v = static_cast<DWORD>(src[4 * ux]) |
                                (static_cast<DWORD>(src[4 * ux + 1]) << 8) |
                                (static_cast<DWORD>(src[4 * ux + 2]) << 16) |
                                (static_cast<DWORD>(src[4 * ux + 3]) << 24);
                dst[x] = fields ? (alpha.Get(v) << 24) | (red.Get(v) << 16) | (green.Get(v) << 8) |
                                      blue.Get(v)
                                : v;
                break;
            }
            }
        }
    }
    return out;
}

HBITMAP LoadPictureFromMemory(const BYTE* data, size_t size) {
    if (data == nullptr || size == 0) {
        return nullptr;
    }
    std::optional<Bitmap> bitmap = DecodeBmp(std::span<const BYTE>(data, size));
    if (!bitmap) {
        return nullptr;
    }
    return HandleCast<HBITMAP>(AddObject(std::make_unique<BitmapObject>(std::move(*bitmap), true)));
}

} // namespace gdi

using namespace gdi;

HANDLE LoadImageW(HINSTANCE /*instance*/, LPCWSTR name, UINT type, int cx, int cy, UINT flags) {
    if (name == nullptr || (type != IMAGE_BITMAP && type != IMAGE_ICON) ||
        (flags & LR_LOADFROMFILE) == 0) {
        return nullptr;
    }
    // Nothing larger than the largest picture accepted is read into memory; a folder or
    // anything else that is not a readable file gives no bitmap.
    std::vector<BYTE> bytes;
    if (ReadWholeFile(ToNativePath(name), bytes, static_cast<size_t>(kMaxPixels) * 4 + 65536) !=
        FileReadResult::Ok) {
        return nullptr;
    }
    HBITMAP bitmap = LoadPictureFromMemory(bytes.data(), bytes.size());
    if (bitmap != nullptr && type == IMAGE_ICON && (flags & LR_DEFAULTSIZE) && cx == 0 && cy == 0) {
        cx = 32;
        cy = 32;
    }
    if (bitmap != nullptr && (cx > 0 || cy > 0)) {
        // A requested size stretches the picture (0 keeps that side's own size).
        return CopyImage(bitmap, IMAGE_BITMAP, cx, cy, LR_COPYDELETEORG | LR_CREATEDIBSECTION);
    }
    return bitmap;
}

HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags) {
    HBITMAP source = static_cast<HBITMAP>(image);
    BitmapObject* src = FindBitmap(source);
    if (src == nullptr || type != IMAGE_BITMAP || cx < 0 || cy < 0) {
        return nullptr;
    }
    const Bitmap& from = src->bitmap;
    const int w = cx == 0 ? from.Width() : cx;
    const int h = cy == 0 ? from.Height() : cy;
    if (static_cast<long long>(w) * h > kMaxPixels) {
        return nullptr;
    }
    Bitmap copy(w, h, from.BottomUp());
    for (int y = 0; y < h; ++y) {
        const Pixel* s = from.Row(static_cast<int>(static_cast<long long>(y) * from.Height() / h));
        Pixel* d = copy.Row(y);
        for (int x = 0; x < w; ++x) {
            d[x] = s[static_cast<long long>(x) * from.Width() / w];
        }
    }
    HBITMAP result = HandleCast<HBITMAP>(AddObject(
        std::make_unique<BitmapObject>(std::move(copy), (flags & LR_CREATEDIBSECTION) != 0)));
    if ((flags & LR_COPYDELETEORG) != 0) {
        DeleteObject(source);
    }
    return result;
}
