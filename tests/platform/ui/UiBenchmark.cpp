// Compositing a 640x480 layered window onto the headless screen.

#include "platform/gdi/Gdi.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"

#include <benchmark/benchmark.h>

namespace {

LRESULT PaintStripes(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_PAINT) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    for (int x = 0; x < 640; x += 16) {
        RECT stripe{x, 0, x + 8, 480};
        HBRUSH brush = CreateSolidBrush((x / 16) % 3 == 0 ? RGB(255, 0, 255) : RGB(200, 80, 20));
        FillRect(dc, &stripe, brush);
        DeleteObject(brush);
    }
    EndPaint(hwnd, &ps);
    return 0;
}

// flags: bit 0 colour key, bit 1 constant alpha, bit 2 rounded-corner window region.
void BM_CompositeLayered640x480(benchmark::State& state) {
    const auto flags = static_cast<int>(state.range(0));
    platform::HeadlessDisplay display(800, 600);
    static const bool registered = [] {
        WNDCLASSW wc;
        wc.lpfnWndProc = PaintStripes;
        wc.lpszClassName = u"BenchLayered";
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    HWND hwnd = CreateWindowExW(WS_EX_LAYERED, u"BenchLayered", u"", WS_POPUP | WS_VISIBLE, 80, 60,
                                640, 480, nullptr, nullptr, nullptr, nullptr);
    DWORD lwa = 0;
    if (flags & 1) {
        lwa |= LWA_COLORKEY;
    }
    if (flags & 2) {
        lwa |= LWA_ALPHA;
    }
    SetLayeredWindowAttributes(hwnd, RGB(255, 0, 255), 180, lwa);
    if (flags & 4) {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        for (int y = 0; y < 480; ++y) {
            const int inset = y < 32 ? 32 - y : (y >= 448 ? y - 447 : 0);
            HRGN row = CreateRectRgn(inset, y, 640 - inset, y + 1);
            CombineRgn(region, region, row, RGN_OR);
            DeleteObject(row);
        }
        SetWindowRgn(hwnd, region, TRUE);
    }
    platform::PumpUntilIdle();
    for (auto _ : state) {
        benchmark::DoNotOptimize(display.Composite().Row(300)[400]);
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
    DestroyWindow(hwnd);
}
BENCHMARK(BM_CompositeLayered640x480)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Arg(7)
    ->Unit(benchmark::kMicrosecond);

} // namespace
