// Icons: files registered for resource ids, their pixels, and the token icons of ids without a
// file.

#include "platform/ui/Icon.h"

#include "platform/gdi/GdiObjects.h"
#include "platform/ui/WinUser.h"

#include <map>
#include <mutex>

namespace {

std::mutex& Mutex() {
    static std::mutex m;
    return m;
}
std::map<UINT, std::u16string>& Files() {
    static std::map<UINT, std::u16string> files;
    return files;
}

// Pseudo handles of icon ids without a file (the same id gives the same handle).
HICON TokenIcon(LPCWSTR name) {
    return reinterpret_cast<HICON>(0x70000000u + 2u * 0x10000u +
                                   reinterpret_cast<std::uintptr_t>(name));
}

} // namespace

void platform::RegisterIconFile(UINT id, std::u16string path) {
    std::lock_guard lock(Mutex());
    if (path.empty()) {
        Files().erase(id);
    } else {
        Files()[id] = std::move(path);
    }
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    if (!name || !IS_INTRESOURCE(name)) {
        return nullptr;
    }
    std::u16string file;
    {
        std::lock_guard lock(Mutex());
        auto it = Files().find(static_cast<UINT>(reinterpret_cast<std::uintptr_t>(name)));
        if (it != Files().end()) {
            file = it->second;
        }
    }
    if (!file.empty()) {
        if (HANDLE icon = LoadImageW(instance, file.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE)) {
            return static_cast<HICON>(icon);
        }
    }
    return TokenIcon(name);
}

BOOL DestroyIcon(HICON icon) {
    if (!icon) {
        return FALSE;
    }
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(icon);
    if (gdi::FindBitmap(bitmap)) {
        return DeleteObject(bitmap);
    }
    return TRUE; // a token icon: nothing to free
}

bool platform::GetIconImage(HICON icon, gdi::Bitmap& out) {
    gdi::BitmapObject* object = gdi::FindBitmap(reinterpret_cast<HBITMAP>(icon));
    if (!object) {
        return false;
    }
    const gdi::Bitmap& b = object->bitmap;
    bool hasAlpha = false;
    for (int y = 0; y < b.Height() && !hasAlpha; ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            if ((b.GetPixel(x, y) >> 24) != 0) {
                hasAlpha = true;
                break;
            }
        }
    }
    out = gdi::Bitmap(b.Width(), b.Height());
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            gdi::Pixel p = b.GetPixel(x, y);
            if (!hasAlpha) {
                p = (p & 0xFFFFFF) == 0xFF00FF ? 0 : (p | 0xFF000000u);
            }
            out.SetPixel(x, y, p);
        }
    }
    return true;
}
