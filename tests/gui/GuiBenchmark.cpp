// Speed of cutting a window region from a full-window mask and of loading a panel skin.
#include "gui/BitmapRegion.h"
#include "gui/SkinFile.h"
#include "gui/SkinResourceCache.h"
#include "model/NameTables.h"
#include "platform/base/Path.h"
#include "platform/gdi/Gdi.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

// A mask the size of a large main window: rounded outline plus a cut-out strip every 64 rows,
// so that rows hold several runs.
HBITMAP MakeWindowMask(int width, int height) {
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int dx = x < 40 ? 40 - x : (x >= width - 40 ? x - (width - 41) : 0);
            const int dy = y < 40 ? 40 - y : (y >= height - 40 ? y - (height - 41) : 0);
            const bool outside = dx * dx + dy * dy > 40 * 40;
            const bool hole = (y % 64) < 8 && (x % 128) < 32;
            pixels[static_cast<size_t>(y * width + x)] = outside || hole ? 0xFFFFFFu : 0u;
        }
    }
    return CreateBitmap(width, height, 1, 32, pixels.data());
}

void BM_BitmapToRegionFullWindow(benchmark::State& state) {
    HBITMAP mask = MakeWindowMask(1024, 768);
    for (auto _ : state) {
        HRGN region = BitmapToRegion(mask);
        benchmark::DoNotOptimize(region);
        DeleteObject(region);
    }
    DeleteObject(mask);
}
BENCHMARK(BM_BitmapToRegionFullWindow)->Unit(benchmark::kMillisecond);

void BM_LoadSamplePanelSkin(benchmark::State& state) {
    InitNameTables();
    SetExeFolder(BORVANTA_PROGRAM_DIR);
    const bool cold = state.range(0) != 0;
    for (auto _ : state) {
        if (cold) {
            SkinResourceCache::Clear();
        }
        CGUIItemList list;
        const bool loaded = LoadSkinFile(list, u"SamplePanel.xml", nullptr);
        benchmark::DoNotOptimize(loaded);
    }
    SkinResourceCache::Clear();
}
BENCHMARK(BM_LoadSamplePanelSkin)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
