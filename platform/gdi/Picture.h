#pragma once
// Pictures from bytes and files, and PNG files of bitmaps.

#include "platform/base/WinTypes.h"
#include "platform/gdi/Bitmap.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>

namespace gdi {

// Reads a BMP image (file header included): 1, 4, 8, 16, 24 and 32 bits per pixel, BI_RGB
// and BI_BITFIELDS, bottom-up and top-down. Anything malformed or truncated gives nullopt;
// no byte outside `data` is read. The bitmap keeps the file's row order.
std::optional<Bitmap> DecodeBmp(std::span<const BYTE> data);

// The picture loader of the skin resource cache: a new bitmap handle from a picture held in
// memory (BMP), or null.
HBITMAP LoadPictureFromMemory(const BYTE* data, size_t size);

// Writes the bitmap as an opaque RGB PNG file; false on failure.
bool SaveBitmapAsPng(const Bitmap& bitmap, const std::filesystem::path& file);

} // namespace gdi
