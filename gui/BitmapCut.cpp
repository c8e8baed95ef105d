#include "gui/BitmapCut.h"

#include "gui/SkinResourceCache.h"
#include "platform/ui/WinUser.h"

void CutBitmapSection(CBitmap& target, HWND window, HBITMAP source, int x, int y, int right,
                      int bottom) {
    if (source == nullptr || right <= x || bottom <= y) {
        return;
    }
    // Every bitmap here has the display's format: no window DC is needed to be compatible
    // with.
    static_cast<void>(window);
    HBITMAP bitmap = static_cast<HBITMAP>(target);
    target.Detach();
    CopyBitmapSection(bitmap, nullptr, source, x, y, right, bottom);
    target.Attach(bitmap);
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (bitmap == nullptr || GetObjectW(bitmap, static_cast<int>(sizeof(info)), &info) == 0) {
        return SIZE{0, 0};
    }
    return SIZE{info.bmWidth, info.bmHeight};
}
