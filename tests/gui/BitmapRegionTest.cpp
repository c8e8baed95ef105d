#include "gui/BitmapRegion.h"
#include "gui/MemDC.h"
#include "platform/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace {

// A 32-bit bitmap whose pixel (x, y) is colour(x, y) (0x00RRGGBB).
HBITMAP MakeBitmap(int width, int height, const std::function<std::uint32_t(int, int)>& colour) {
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<size_t>(y * width + x)] = colour(x, y);
        }
    }
    return CreateBitmap(width, height, 1, 32, pixels.data());
}

RECT Box(HRGN region) {
    RECT box{};
    GetRgnBox(region, &box);
    return box;
}

} // namespace

TEST(BitmapRegion, OnlyPureWhiteIsCutAway) {
    EXPECT_EQ(BitmapToRegion(nullptr), nullptr);

    HBITMAP white = MakeBitmap(8, 8, [](int, int) { return 0xFFFFFFu; });
    HRGN none = BitmapToRegion(white);
    ASSERT_NE(none, nullptr);
    RECT box{};
    EXPECT_EQ(GetRgnBox(none, &box), NULLREGION);

    HBITMAP dot = MakeBitmap(8, 8, [](int x, int y) { return x == 3 && y == 5 ? 0u : 0xFFFFFFu; });
    HRGN one = BitmapToRegion(dot);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(Box(one), (RECT{3, 5, 4, 6}));
    HRGN expected = CreateRectRgn(3, 5, 4, 6);
    EXPECT_TRUE(EqualRgn(one, expected));

    // Almost white belongs to the window.
    HBITMAP nearWhite =
        MakeBitmap(6, 2, [](int x, int y) { return x == 4 && y == 1 ? 0xFFFFFEu : 0xFFFFFFu; });
    HRGN near = BitmapToRegion(nearWhite);
    EXPECT_EQ(Box(near), (RECT{4, 1, 5, 2}));
    EXPECT_TRUE(PtInRegion(near, 4, 1));
    EXPECT_FALSE(PtInRegion(near, 3, 1));

    for (HGDIOBJ object : {ToGdiObj(white), ToGdiObj(none), ToGdiObj(dot), ToGdiObj(one),
                           ToGdiObj(expected), ToGdiObj(nearWhite), ToGdiObj(near)}) {
        DeleteObject(object);
    }
}

TEST(BitmapRegion, BatchesGiveTheSameRegion) {
    // 90 rows of 50 one-pixel runs: 4500 runs, combined in batches of 2000, 2000 and 500.
    HBITMAP stripes =
        MakeBitmap(100, 90, [](int x, int y) { return (x + y) % 2 == 0 ? 0x000000u : 0xFFFFFFu; });
    HRGN batched = BitmapToRegion(stripes);
    HRGN single = BitmapToRegionInBatches(stripes, 100000);
    HRGN tiny = BitmapToRegionInBatches(stripes, 7);
    ASSERT_NE(batched, nullptr);
    ASSERT_NE(single, nullptr);
    EXPECT_TRUE(EqualRgn(batched, single));
    EXPECT_TRUE(EqualRgn(tiny, single));
    EXPECT_EQ(Box(batched), (RECT{0, 0, 100, 90}));
    EXPECT_TRUE(PtInRegion(batched, 0, 0));
    EXPECT_FALSE(PtInRegion(batched, 1, 0));
    EXPECT_TRUE(PtInRegion(batched, 1, 89));
    for (HGDIOBJ object :
         {ToGdiObj(stripes), ToGdiObj(batched), ToGdiObj(single), ToGdiObj(tiny)}) {
        DeleteObject(object);
    }
}

TEST(MemDC, DrawsOffScreenAndCopiesOnceAtTheEnd) {
    HBITMAP target = MakeBitmap(20, 10, [](int, int) { return 0x0000FFu; });
    CDC screen;
    ASSERT_TRUE(screen.CreateCompatibleDC(nullptr));
    HGDIOBJ old = SelectObject(screen.GetSafeHdc(), ToGdiObj(target));
    screen.SetBkColor(RGB(0, 255, 0));
    const RECT area{5, 2, 15, 8};
    {
        CMemDC memory(&screen, &area);
        EXPECT_TRUE(memory.IsMemory());
        EXPECT_NE(memory.GetSafeHdc(), screen.GetSafeHdc());
        memory->FillSolidRect(6, 3, 2, 2, RGB(255, 0, 0));
        // Nothing reached the target yet.
        EXPECT_EQ(screen.GetPixel(6, 3), RGB(0, 0, 255));
    }
    EXPECT_EQ(screen.GetPixel(6, 3), RGB(255, 0, 0));  // drawn in logical coordinates
    EXPECT_EQ(screen.GetPixel(10, 6), RGB(0, 255, 0)); // background colour fill
    EXPECT_EQ(screen.GetPixel(4, 2), RGB(0, 0, 255));  // outside the rectangle
    EXPECT_EQ(screen.GetPixel(15, 8), RGB(0, 0, 255));
    {
        CMemDC whole(&screen); // the clip box: the whole bitmap
        EXPECT_EQ(whole.GetRect(), (RECT{0, 0, 20, 10}));
    }
    EXPECT_EQ(screen.GetPixel(0, 0), RGB(0, 255, 0));
    SelectObject(screen.GetSafeHdc(), old);
    DeleteObject(target);
}
