#include "platform/gdi/Picture.h"

#include <png.h>

#include <vector>

namespace gdi {

bool SaveBitmapAsPng(const Bitmap& bitmap, const std::filesystem::path& file) {
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0) {
        return false;
    }
    const size_t w = static_cast<size_t>(bitmap.Width());
    std::vector<png_byte> rgb(w * static_cast<size_t>(bitmap.Height()) * 3);
    for (int y = 0; y < bitmap.Height(); ++y) {
        const Pixel* row = bitmap.Row(y);
        png_byte* out = rgb.data() + static_cast<size_t>(y) * w * 3;
        for (size_t x = 0; x < w; ++x) {
            out[3 * x] = static_cast<png_byte>((row[x] >> 16) & 0xFF);
            out[3 * x + 1] = static_cast<png_byte>((row[x] >> 8) & 0xFF);
            out[3 * x + 2] = static_cast<png_byte>(row[x] & 0xFF);
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(bitmap.Width());
    image.height = static_cast<png_uint_32>(bitmap.Height());
    image.format = PNG_FORMAT_RGB;
    const int ok = png_image_write_to_file(&image, file.c_str(), 0, rgb.data(),
                                           static_cast<png_int_32>(w * 3), nullptr);
    png_image_free(&image);
    return ok != 0;
}

} // namespace gdi
