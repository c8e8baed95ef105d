#include "gui/BitmapCut.h"

#include "gui/SkinResourceCache.h"
#include "platform/ui/WinUser.h"

void CutBitmapSection(CBitmap& target, HWND window, HBITMAP source, int x, int y, int right,
                      int bottom) {
    if (source == nullptr || right <= x || bottom <= y) {
        return;
    }
    HDC dc = ::GetDC(window);
    HBITMAP bitmap = static_cast<HBITMAP>(target);
    target.Detach();
    CopyBitmapSection(bitmap, dc, source, x, y, right, bottom);
    target.Attach(bitmap);
    ::ReleaseDC(window, dc);
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (bitmap == nullptr || GetObjectW(bitmap, static_cast<int>(sizeof(info)), &info) == 0) {
        return SIZE{0, 0};
    }
    return SIZE{info.bmWidth, info.bmHeight};
}
