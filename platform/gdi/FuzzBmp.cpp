// Feeds arbitrary bytes to the BMP reader: it must reject or read them without touching
// anything outside the buffer.

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Picture.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (HBITMAP bitmap = gdi::LoadPictureFromMemory(data, size)) {
        BITMAP bm;
        GetObjectW(bitmap, sizeof(bm), &bm);
        DeleteObject(bitmap);
    }
    return 0;
}
