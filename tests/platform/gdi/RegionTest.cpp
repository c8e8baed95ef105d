#include "platform/gdi/Region.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using gdi::Region;

std::vector<BYTE> MakeRgnData(const std::vector<RECT>& rects) {
    std::vector<BYTE> bytes(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    RGNDATAHEADER h;
    h.nCount = static_cast<DWORD>(rects.size());
    h.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    h.rcBound = RECT{0, 0, 0, 0};
    std::memcpy(bytes.data(), &h, sizeof(h));
    if (!rects.empty()) {
        std::memcpy(bytes.data() + sizeof(h), rects.data(), rects.size() * sizeof(RECT));
    }
    return bytes;
}

HRGN FromRects(const std::vector<RECT>& rects) {
    std::vector<BYTE> bytes = MakeRgnData(rects);
    return ExtCreateRegion(nullptr, static_cast<DWORD>(bytes.size()),
                           reinterpret_cast<const RGNDATA*>(bytes.data()));
}

TEST(Region, CombineOperationsGiveTheExpectedPixels) {
    HRGN a = CreateRectRgn(0, 0, 10, 10);
    HRGN b = CreateRectRgn(5, 5, 15, 15);
    HRGN r = CreateRectRgn(0, 0, 0, 0);

    EXPECT_EQ(SIMPLEREGION, CombineRgn(r, a, b, RGN_AND));
    RECT box;
    GetRgnBox(r, &box);
    EXPECT_EQ((RECT{5, 5, 10, 10}), box);

    EXPECT_EQ(COMPLEXREGION, CombineRgn(r, a, b, RGN_OR));
    EXPECT_TRUE(PtInRegion(r, 0, 0));
    EXPECT_TRUE(PtInRegion(r, 14, 14));
    EXPECT_FALSE(PtInRegion(r, 14, 0));
    EXPECT_FALSE(PtInRegion(r, 15, 15)); // right and bottom edges are outside

    EXPECT_EQ(COMPLEXREGION, CombineRgn(r, a, b, RGN_XOR));
    EXPECT_FALSE(PtInRegion(r, 7, 7));
    EXPECT_TRUE(PtInRegion(r, 2, 2));
    EXPECT_TRUE(PtInRegion(r, 12, 12));

    EXPECT_EQ(COMPLEXREGION, CombineRgn(r, a, b, RGN_DIFF));
    EXPECT_FALSE(PtInRegion(r, 7, 7));
    EXPECT_TRUE(PtInRegion(r, 7, 2));
    EXPECT_FALSE(PtInRegion(r, 12, 12));

    // The destination may be a source; RGN_COPY ignores the second source.
    EXPECT_EQ(SIMPLEREGION, CombineRgn(a, b, nullptr, RGN_COPY));
    EXPECT_TRUE(EqualRgn(a, b));
    EXPECT_EQ(NULLREGION, CombineRgn(a, a, b, RGN_DIFF));
    EXPECT_EQ(ERROR, CombineRgn(a, a, b, 99));

    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(r);
}

TEST(Region, EqualityIsStructural) {
    // An L shape built two ways: one call with unit rows, and a union of two rectangles.
    std::vector<RECT> rows;
    for (int y = 0; y < 4; ++y) {
        rows.push_back(RECT{0, y, 2, y + 1});
        rows.push_back(RECT{2, y, 6, y + 1});
    }
    rows.push_back(RECT{0, 4, 2, 8});
    HRGN a = FromRects(rows);
    HRGN b = CreateRectRgn(0, 0, 2, 8);
    HRGN top = CreateRectRgn(1, 0, 6, 4);
    CombineRgn(b, b, top, RGN_OR);
    EXPECT_TRUE(EqualRgn(a, b));
    EXPECT_EQ(Region::FromRects(rows), *gdi::RegionFromHandle(b));
    // Two bands: (0..4: 0..6), (4..8: 0..2).
    EXPECT_EQ(2u, gdi::RegionFromHandle(a)->Bands().size());

    OffsetRgn(b, 1, 0);
    EXPECT_FALSE(EqualRgn(a, b));
    OffsetRgn(b, -1, 0);
    EXPECT_TRUE(EqualRgn(a, b));
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(top);
}

TEST(Region, RegionDataRoundTripAndBounds) {
    HRGN a = CreateRectRgn(10, 20, 30, 40);
    HRGN hole = CreateRectRgn(15, 25, 20, 30);
    CombineRgn(a, a, hole, RGN_DIFF);

    const DWORD size = GetRegionData(a, 0, nullptr);
    ASSERT_EQ(sizeof(RGNDATAHEADER) + 4 * sizeof(RECT), size);
    std::vector<BYTE> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    EXPECT_EQ(0u, GetRegionData(a, size - 1, data));
    EXPECT_EQ(size, GetRegionData(a, size, data));
    EXPECT_EQ(4u, data->rdh.nCount);
    EXPECT_EQ((RECT{10, 20, 30, 40}), data->rdh.rcBound);

    HRGN copy = ExtCreateRegion(nullptr, size, data);
    EXPECT_TRUE(EqualRgn(a, copy));

    // A count that claims more rectangles than the buffer holds is refused.
    data->rdh.nCount = 5;
    EXPECT_EQ(nullptr, ExtCreateRegion(nullptr, size, data));
    EXPECT_EQ(nullptr, ExtCreateRegion(nullptr, 4, data));

    RECT box;
    EXPECT_EQ(COMPLEXREGION, GetRgnBox(a, &box));
    EXPECT_EQ((RECT{10, 20, 30, 40}), box);
    RECT inHole{16, 26, 19, 29};
    RECT touching{16, 26, 25, 29};
    EXPECT_FALSE(RectInRegion(a, &inHole));
    EXPECT_TRUE(RectInRegion(a, &touching));
    for (HRGN h : {a, hole, copy}) {
        DeleteObject(h);
    }
}

TEST(Region, BatchedUnionEqualsOneBatch) {
    // A mask of 4500 one-pixel runs, combined in batches of 2000 as a window region is.
    std::vector<RECT> all;
    for (int y = 0; y < 90; ++y) {
        for (int i = 0; i < 50; ++i) {
            all.push_back(RECT{i * 3 + (y % 2), y, i * 3 + (y % 2) + 2, y + 1});
        }
    }
    HRGN result = nullptr;
    for (size_t start = 0; start < all.size(); start += 2000) {
        std::vector<RECT> batch(all.begin() + static_cast<long>(start),
                                all.begin() +
                                    static_cast<long>(std::min(all.size(), start + 2000)));
        HRGN part = FromRects(batch);
        if (result == nullptr) {
            result = part;
        } else {
            CombineRgn(result, result, part, RGN_OR);
            DeleteObject(part);
        }
    }
    HRGN single = FromRects(all);
    EXPECT_TRUE(EqualRgn(result, single));
    EXPECT_TRUE(PtInRegion(single, 1, 1));
    EXPECT_FALSE(PtInRegion(single, 0, 1));
    DeleteObject(result);
    DeleteObject(single);
}

TEST(Region, XorOfPixelsCutsAShape) {
    // The thumb shape: the whole window XOR every pixel of the background colour.
    HRGN shape = CreateRectRgn(0, 0, 4, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            if (x == 0 || y == 0) {
                HRGN pixel = CreateRectRgn(x, y, x + 1, y + 1);
                CombineRgn(shape, shape, pixel, RGN_XOR);
                DeleteObject(pixel);
            }
        }
    }
    HRGN expected = CreateRectRgn(1, 1, 4, 4);
    EXPECT_TRUE(EqualRgn(shape, expected));
    DeleteObject(shape);
    DeleteObject(expected);
}

TEST(Region, BadHandlesAreRefused) {
    HRGN r = CreateRectRgn(0, 0, 5, 5);
    DeleteObject(r);
    EXPECT_EQ(0u, GetObjectType(ToGdiObj(r)));
    EXPECT_FALSE(PtInRegion(r, 1, 1));
    EXPECT_EQ(ERROR, OffsetRgn(r, 1, 1));
    RECT box;
    EXPECT_EQ(ERROR, GetRgnBox(r, &box));
    EXPECT_FALSE(DeleteObject(r));
    // Inverted corners are put in order.
    HRGN inverted = CreateRectRgn(5, 5, 0, 0);
    EXPECT_TRUE(PtInRegion(inverted, 2, 2));
    DeleteObject(inverted);
}

} // namespace
