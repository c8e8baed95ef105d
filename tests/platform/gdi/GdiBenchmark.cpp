// Blit, blend and compositing speed at the programs' window size.

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"

#include <benchmark/benchmark.h>

namespace {

struct Dc {
    Dc(int w, int h) {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(nullptr, w, h);
        old = SelectObject(dc, bitmap);
        gdi::BitmapFromHandle(bitmap)->Fill(0x80402010u);
    }
    ~Dc() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    HDC dc;
    HBITMAP bitmap;
    HBITMAP old;
};

void BM_BitBlt640x480(benchmark::State& state) {
    Dc src(640, 480);
    Dc dst(640, 480);
    for (auto _ : state) {
        BitBlt(dst.dc, 0, 0, 640, 480, src.dc, 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_BitBlt640x480);

void BM_AlphaBlendConstant640x480(benchmark::State& state) {
    Dc src(640, 480);
    Dc dst(640, 480);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 50, 0};
    for (auto _ : state) {
        AlphaBlend(dst.dc, 0, 0, 640, 480, src.dc, 0, 0, 640, 480, blend);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_AlphaBlendConstant640x480);

void BM_AlphaBlendPerPixel640x480(benchmark::State& state) {
    Dc src(640, 480);
    Dc dst(640, 480);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    for (auto _ : state) {
        AlphaBlend(dst.dc, 0, 0, 640, 480, src.dc, 0, 0, 640, 480, blend);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_AlphaBlendPerPixel640x480);

void BM_ComposeWindowKeyed640x480(benchmark::State& state) {
    gdi::Bitmap screen(1024, 768);
    gdi::Bitmap window(640, 480);
    window.Fill(gdi::PixelFromColorRef(RGB(10, 20, 30)));
    for (int y = 0; y < 480; y += 2) {
        window.SetPixel(y, y, gdi::PixelFromColorRef(RGB(255, 0, 255)));
    }
    // A window region with a notch per row, like a skin mask.
    std::vector<RECT> rects;
    for (int y = 0; y < 480; ++y) {
        rects.push_back(RECT{y % 16, y, 640 - (y % 16), y + 1});
    }
    const gdi::Region region = gdi::Region::FromRects(rects);
    for (auto _ : state) {
        gdi::ComposeWindow(screen, window, POINT{100, 100}, &region, RGB(255, 0, 255), 255);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_ComposeWindowKeyed640x480);

void BM_ComposeWindowAlpha640x480(benchmark::State& state) {
    gdi::Bitmap screen(1024, 768);
    gdi::Bitmap window(640, 480);
    window.Fill(gdi::PixelFromColorRef(RGB(10, 20, 30)));
    for (auto _ : state) {
        gdi::ComposeWindow(screen, window, POINT{100, 100}, nullptr, RGB(0, 255, 0), 200);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_ComposeWindowAlpha640x480);

} // namespace
