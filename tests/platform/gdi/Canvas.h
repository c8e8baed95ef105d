#pragma once
// A memory DC with a 32-bit DIB section selected, for drawing tests.

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"

#include <gtest/gtest.h>

struct Canvas {
    Canvas(int width, int height, COLORREF fill = RGB(0, 0, 0), bool bottomUp = false) {
        BITMAPINFO info{};
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = bottomUp ? height : -height;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bitmap);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT all{0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    gdi::Bitmap& Pixels() { return *gdi::BitmapFromHandle(bitmap); }
    COLORREF At(int x, int y) { return Pixels().GetColor(x, y); }
    // Bounding box of the pixels that differ from `background`; empty when none.
    RECT Ink(COLORREF background) {
        RECT r{1 << 30, 1 << 30, -(1 << 30), -(1 << 30)};
        gdi::Bitmap& b = Pixels();
        for (int y = 0; y < b.Height(); ++y) {
            for (int x = 0; x < b.Width(); ++x) {
                if (b.GetColor(x, y) != background) {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x + 1);
                    r.bottom = std::max<LONG>(r.bottom, y + 1);
                }
            }
        }
        if (r.left > r.right) {
            return RECT{};
        }
        return r;
    }

    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    HBITMAP old = nullptr;
};
