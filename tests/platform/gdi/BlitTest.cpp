#include "Canvas.h"

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"

#include <gtest/gtest.h>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A 4x4 picture with a distinct colour per pixel.
COLORREF Pattern(int x, int y) {
    return RGB(static_cast<BYTE>(x * 60), static_cast<BYTE>(y * 60), 7);
}

void Paint(Canvas& c, int w, int h) {
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            SetPixel(c.dc, x, y, Pattern(x, y));
        }
    }
}

TEST(Blit, BottomUpAndTopDownSourcesCopyTheSamePicture) {
    Canvas topDown(4, 4, kBlack, false);
    Canvas bottomUp(4, 4, kBlack, true);
    Paint(topDown, 4, 4);
    Paint(bottomUp, 4, 4);
    // Row 0 of a bottom-up section is the last row in memory.
    EXPECT_EQ(gdi::PixelFromColorRef(Pattern(0, 0)) & 0xFFFFFF,
              bottomUp.Pixels().Bits()[12] & 0xFFFFFF);

    Canvas a(8, 8);
    Canvas b(8, 8);
    EXPECT_TRUE(BitBlt(a.dc, 2, 3, 4, 4, topDown.dc, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(b.dc, 2, 3, 4, 4, bottomUp.dc, 0, 0, SRCCOPY));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(Pattern(x, y), a.At(x + 2, y + 3));
            EXPECT_EQ(Pattern(x, y), b.At(x + 2, y + 3));
        }
    }
    EXPECT_EQ(kBlack, a.At(1, 3));
    EXPECT_EQ(kBlack, a.At(6, 3));

    // Only the part of the source inside its bitmap is copied.
    Canvas c(8, 8, kWhite);
    EXPECT_TRUE(BitBlt(c.dc, 0, 0, 8, 8, topDown.dc, 2, 2, SRCCOPY));
    EXPECT_EQ(Pattern(2, 2), c.At(0, 0));
    EXPECT_EQ(Pattern(3, 3), c.At(1, 1));
    EXPECT_EQ(kWhite, c.At(2, 2));
}

TEST(Blit, ClippingAndOriginsLimitAndMoveTheCopy) {
    Canvas src(10, 10, kRed);
    Canvas dst(10, 10, kBlack);
    EXPECT_EQ(SIMPLEREGION, IntersectClipRect(dst.dc, 2, 2, 8, 8));
    EXPECT_EQ(COMPLEXREGION, ExcludeClipRect(dst.dc, 4, 4, 6, 6));
    BitBlt(dst.dc, 0, 0, 10, 10, src.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(kBlack, dst.At(1, 1));
    EXPECT_EQ(kRed, dst.At(2, 2));
    EXPECT_EQ(kRed, dst.At(7, 7));
    EXPECT_EQ(kBlack, dst.At(8, 8));
    EXPECT_EQ(kBlack, dst.At(5, 5));
    RECT box;
    GetClipBox(dst.dc, &box);
    EXPECT_EQ((RECT{2, 2, 8, 8}), box);

    // A clip region is in device units; null removes it.
    HRGN rgn = CreateRectRgn(0, 0, 1, 1);
    SelectClipRgn(dst.dc, rgn);
    SetPixel(dst.dc, 9, 9, kGreen);
    EXPECT_EQ(kBlack, dst.At(9, 9));
    SelectClipRgn(dst.dc, nullptr);
    SetPixel(dst.dc, 9, 9, kGreen);
    EXPECT_EQ(kGreen, dst.At(9, 9));
    DeleteObject(rgn);

    // Logical (x, y) lands at x - window origin + viewport origin.
    Canvas moved(10, 10, kBlack);
    SetViewportOrgEx(moved.dc, 5, 5, nullptr);
    SetWindowOrgEx(moved.dc, 2, 0, nullptr);
    RECT r{2, 0, 3, 1};
    HBRUSH blue = CreateSolidBrush(kBlue);
    FillRect(moved.dc, &r, blue);
    EXPECT_EQ(kBlue, moved.At(5, 5));
    POINT p{2, 0};
    LPtoDP(moved.dc, &p, 1);
    EXPECT_EQ((POINT{5, 5}), p);
    DPtoLP(moved.dc, &p, 1);
    EXPECT_EQ((POINT{2, 0}), p);
    DeleteObject(blue);

    // SaveDC / RestoreDC bring back the clip and the origins.
    Canvas saved(4, 4, kBlack);
    const int level = SaveDC(saved.dc);
    IntersectClipRect(saved.dc, 0, 0, 1, 1);
    SetViewportOrgEx(saved.dc, 1, 1, nullptr);
    EXPECT_TRUE(RestoreDC(saved.dc, level));
    SetPixel(saved.dc, 3, 3, kRed);
    EXPECT_EQ(kRed, saved.At(3, 3));
    EXPECT_FALSE(RestoreDC(saved.dc, 1)); // nothing saved any more

    // A clip region outlives the bitmap it was set on.
    IntersectClipRect(saved.dc, 0, 0, 1, 1);
    HBITMAP other = CreateCompatibleBitmap(saved.dc, 4, 4);
    HBITMAP first = SelectObject(saved.dc, other);
    SetPixel(saved.dc, 2, 2, kRed);
    EXPECT_EQ(kBlack, gdi::BitmapFromHandle(other)->GetColor(2, 2));
    SetPixel(saved.dc, 0, 0, kRed);
    EXPECT_EQ(kRed, gdi::BitmapFromHandle(other)->GetColor(0, 0));
    SelectObject(saved.dc, first);
    DeleteObject(other);
}

TEST(Blit, StretchTransparentAndOverlap) {
    Canvas src(2, 2);
    SetPixel(src.dc, 0, 0, kRed);
    SetPixel(src.dc, 1, 0, kGreen);
    SetPixel(src.dc, 0, 1, kBlue);
    SetPixel(src.dc, 1, 1, kWhite);
    Canvas dst(4, 4);
    EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(kRed, dst.At(1, 1));
    EXPECT_EQ(kGreen, dst.At(2, 1));
    EXPECT_EQ(kBlue, dst.At(1, 2));
    EXPECT_EQ(kWhite, dst.At(3, 3));

    // White is the key: those pixels keep the target's colour.
    Canvas keyed(4, 4, kBlack);
    EXPECT_TRUE(TransparentBlt(keyed.dc, 0, 0, 2, 2, src.dc, 0, 0, 2, 2, kWhite));
    EXPECT_EQ(kRed, keyed.At(0, 0));
    EXPECT_EQ(kBlack, keyed.At(1, 1));

    // Copying inside one bitmap with overlap reads the original pixels.
    Canvas row(5, 1);
    for (int x = 0; x < 5; ++x) {
        SetPixel(row.dc, x, 0, RGB(static_cast<BYTE>(x * 10), 0, 0));
    }
    BitBlt(row.dc, 1, 0, 4, 1, row.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(RGB(0, 0, 0), row.At(1, 0));
    EXPECT_EQ(RGB(30, 0, 0), row.At(4, 0));
}

TEST(Blit, FarCoordinatesAreClippedSafely) {
    constexpr int kMax = 0x7FFFFFFF;
    constexpr int kMin = -kMax - 1;
    Canvas src(4, 4, kRed);
    Canvas dst(4, 4, kBlack);
    EXPECT_TRUE(BitBlt(dst.dc, kMin, kMin, kMax, kMax, src.dc, kMax, kMax, SRCCOPY));
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, kMax, kMax, src.dc, kMin, 0, SRCCOPY));
    EXPECT_TRUE(StretchBlt(dst.dc, kMin, 0, kMax, 4, src.dc, 0, 0, 4, 4, SRCCOPY));
    EXPECT_EQ(kBlack, dst.At(0, 0));
    SetViewportOrgEx(dst.dc, kMax, kMax, nullptr);
    SetWindowOrgEx(dst.dc, kMin, kMin, nullptr);
    RECT huge{kMin, kMin, kMax, kMax};
    HBRUSH green = CreateSolidBrush(kGreen);
    FillRect(dst.dc, &huge, green);
    MoveToEx(dst.dc, kMin, kMin, nullptr);
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 4, 4, nullptr, 0, 0, BLACKNESS));
    DeleteObject(green);
    // Bad handles fail without touching anything.
    EXPECT_FALSE(BitBlt(nullptr, 0, 0, 1, 1, src.dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 0x12345678));
}

TEST(Blit, AlphaBlendConstantAndPerPixel) {
    Canvas dst(2, 1, RGB(0, 0, 200));
    Canvas src(2, 1, RGB(200, 100, 0));
    BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
    EXPECT_TRUE(AlphaBlend(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, 2, 1, half));
    EXPECT_EQ(RGB(100, 50, 100), dst.At(0, 0));

    // Premultiplied per-pixel alpha: pixel 0 fully opaque, pixel 1 half covered.
    Canvas back(2, 1, RGB(0, 0, 200));
    Canvas pre(2, 1);
    gdi::Bitmap& p = pre.Pixels();
    p.SetPixel(0, 0, 0xFF00FF00u); // opaque green
    p.SetPixel(1, 0, 0x80800000u); // red at alpha 128, premultiplied
    BLENDFUNCTION perPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_TRUE(AlphaBlend(back.dc, 0, 0, 2, 1, pre.dc, 0, 0, 2, 1, perPixel));
    EXPECT_EQ(RGB(0, 255, 0), back.At(0, 0));
    EXPECT_EQ(RGB(128, 0, 100), back.At(1, 0));

    BLENDFUNCTION bad{1, 0, 255, 0};
    EXPECT_FALSE(AlphaBlend(back.dc, 0, 0, 1, 1, pre.dc, 0, 0, 1, 1, bad));
}

TEST(Draw, LinesRectanglesAndFrames) {
    Canvas c(10, 10, kBlack);
    HPEN pen = CreatePen(PS_SOLID, 1, kWhite);
    HPEN oldPen = SelectObject(c.dc, pen);
    MoveToEx(c.dc, 1, 1, nullptr);
    LineTo(c.dc, 5, 1);
    EXPECT_EQ(kWhite, c.At(1, 1));
    EXPECT_EQ(kWhite, c.At(4, 1));
    EXPECT_EQ(kBlack, c.At(5, 1)); // the end point is left out
    LineTo(c.dc, 5, 5);
    EXPECT_EQ(kWhite, c.At(5, 1));
    EXPECT_EQ(kBlack, c.At(5, 5));
    LineTo(c.dc, 1, 1); // a diagonal, end point left out
    EXPECT_EQ(kWhite, c.At(3, 3));
    EXPECT_EQ(kWhite, c.At(2, 2));

    // A wide pen covers its width right of and below the line, so a border drawn at
    // (right - width, bottom - width) frames the area exactly.
    Canvas border(8, 6, kBlack);
    HPEN wide = CreatePen(PS_SOLID, 2, kGreen);
    HPEN before = SelectObject(border.dc, wide);
    MoveToEx(border.dc, 0, 4, nullptr);
    LineTo(border.dc, 0, 0);
    LineTo(border.dc, 6, 0);
    LineTo(border.dc, 6, 4);
    LineTo(border.dc, 0, 4);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool edge = x < 2 || x >= 6 || y < 2 || y >= 4;
            EXPECT_EQ(edge ? kGreen : kBlack, border.At(x, y)) << x << "," << y;
        }
    }
    SelectObject(border.dc, before);
    DeleteObject(wide);

    // Rectangle: pen outline, brush inside.
    Canvas r(10, 10, kBlack);
    HBRUSH red = CreateSolidBrush(kRed);
    SelectObject(r.dc, pen);
    HBRUSH oldBrush = SelectObject(r.dc, red);
    Rectangle(r.dc, 2, 2, 7, 7);
    EXPECT_EQ(kWhite, r.At(2, 2));
    EXPECT_EQ(kWhite, r.At(6, 6));
    EXPECT_EQ(kRed, r.At(3, 3));
    EXPECT_EQ(kBlack, r.At(7, 7));
    // With the null pen the filled area ends one pixel short on the right and bottom.
    SelectObject(r.dc, GetStockObject(NULL_PEN));
    Rectangle(r.dc, 0, 0, 2, 2);
    EXPECT_EQ(kRed, r.At(0, 0));
    EXPECT_EQ(kBlack, r.At(1, 1));

    RECT frame{0, 0, 10, 10};
    FrameRect(r.dc, &frame, red);
    EXPECT_EQ(kRed, r.At(9, 5));
    EXPECT_EQ(kBlack, r.At(8, 5));

    // An object deleted while selected stays usable until the DC lets it go.
    EXPECT_TRUE(DeleteObject(red));
    RECT one{5, 5, 6, 6};
    EXPECT_EQ(1, FillRect(r.dc, &one, red));
    EXPECT_EQ(kRed, r.At(5, 5));
    EXPECT_EQ(0u, GetObjectType(ToGdiObj(red)));
    EXPECT_EQ(red, SelectObject(r.dc, oldBrush)); // SelectObject returns the previous one
    EXPECT_FALSE(DeleteObject(red));              // gone now
    SelectObject(c.dc, oldPen);
    SelectObject(r.dc, oldPen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_EQ(CLR_INVALID, GetPixel(c.dc, 10, 0));
}

TEST(Objects, BitmapsAndFontsDescribeThemselves) {
    HBITMAP bm = CreateCompatibleBitmap(nullptr, 7, 3);
    BITMAP info;
    ASSERT_EQ(static_cast<int>(sizeof(BITMAP)), GetObjectW(bm, sizeof(info), &info));
    EXPECT_EQ(7, info.bmWidth);
    EXPECT_EQ(3, info.bmHeight);
    EXPECT_EQ(32, info.bmBitsPixel);
    EXPECT_EQ(0, GetObjectW(bm, 4, &info)); // too small a buffer
    EXPECT_EQ(OBJ_BITMAP, GetObjectType(ToGdiObj(bm)));

    // A bitmap lives in one memory DC at a time.
    HDC a = CreateCompatibleDC(nullptr);
    HDC b = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(a, ToGdiObj(bm));
    EXPECT_NE(nullptr, previous);
    EXPECT_EQ(nullptr, SelectObject(b, ToGdiObj(bm)));
    SelectObject(a, previous);
    EXPECT_NE(nullptr, SelectObject(b, ToGdiObj(bm)));
    DeleteDC(a);
    DeleteDC(b); // the bitmap is released with the DC
    EXPECT_TRUE(DeleteObject(bm));

    HFONT font = CreateFontW(14, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0x20, u"Arial");
    LOGFONTW lf;
    ASSERT_EQ(static_cast<int>(sizeof(LOGFONTW)), GetObjectW(font, sizeof(lf), &lf));
    EXPECT_EQ(14, lf.lfHeight);
    EXPECT_EQ(700, lf.lfWeight);
    EXPECT_EQ(u'A', lf.lfFaceName[0]);
    EXPECT_TRUE(DeleteObject(font));

    // Stock objects survive DeleteObject.
    HGDIOBJ stock = GetStockObject(BLACK_BRUSH);
    EXPECT_TRUE(DeleteObject(stock));
    EXPECT_EQ(OBJ_BRUSH, GetObjectType(stock));
}

TEST(Objects, DeletingEverythingLeavesNoHandles) {
    DeleteDC(CreateCompatibleDC(nullptr)); // stock objects are made once, on first use
    const size_t before = gdi::LiveObjectCount();
    {
        Canvas c(4, 4, kRed);
        HDC other = CreateCompatibleDC(c.dc);
        HPEN pen = CreatePen(PS_SOLID, 1, kBlue);
        SelectObject(other, pen);
        SaveDC(other);
        DeleteObject(pen); // goes with the DC
        HRGN rgn = CreateRectRgn(0, 0, 1, 1);
        SelectClipRgn(c.dc, rgn);
        DeleteObject(rgn);
        DeleteDC(other);
    }
    EXPECT_EQ(before, gdi::LiveObjectCount());
}

TEST(Surface, WindowDcDrawsAtItsOriginInsideItsClip) {
    gdi::Bitmap backing(20, 20);
    // A child window at (5, 5) whose visible part is (5, 5)-(10, 10) of the backing bitmap.
    HDC dc = gdi::CreateSurfaceDC(backing, POINT{5, 5}, gdi::Region(RECT{5, 5, 10, 10}));
    HBRUSH red = CreateSolidBrush(kRed);
    RECT all{0, 0, 20, 20};
    FillRect(dc, &all, red);
    EXPECT_EQ(kRed, backing.GetColor(5, 5));
    EXPECT_EQ(kRed, backing.GetColor(9, 9));
    EXPECT_EQ(kBlack, backing.GetColor(4, 4));
    EXPECT_EQ(kBlack, backing.GetColor(10, 10));
    RECT box;
    GetClipBox(dc, &box);
    EXPECT_EQ((RECT{0, 0, 5, 5}), box);
    // A clip rectangle of the DC is in its own units.
    IntersectClipRect(dc, 0, 0, 1, 1);
    HBRUSH green = CreateSolidBrush(kGreen);
    FillRect(dc, &all, green);
    EXPECT_EQ(kGreen, backing.GetColor(5, 5));
    EXPECT_EQ(kRed, backing.GetColor(6, 6));
    DeleteDC(dc);
    DeleteObject(red);
    DeleteObject(green);
}

TEST(Surface, ComposeWindowHonoursKeyAlphaAndRegion) {
    gdi::Bitmap screen(10, 10);
    screen.Fill(gdi::PixelFromColorRef(RGB(0, 0, 100), 255));
    gdi::Bitmap window(4, 4);
    window.Fill(gdi::PixelFromColorRef(RGB(200, 0, 0)));
    window.SetPixel(0, 0, gdi::PixelFromColorRef(RGB(255, 0, 255))); // key colour
    const gdi::Region region = gdi::Region::Combine(
        gdi::Region(RECT{0, 0, 4, 4}), gdi::Region(RECT{3, 3, 4, 4}), gdi::Region::Op::Diff);
    gdi::ComposeWindow(screen, window, POINT{2, 2}, &region, RGB(255, 0, 255), 255);
    EXPECT_EQ(RGB(0, 0, 100), screen.GetColor(2, 2)); // keyed out
    EXPECT_EQ(RGB(200, 0, 0), screen.GetColor(3, 2));
    EXPECT_EQ(RGB(0, 0, 100), screen.GetColor(5, 5)); // outside the window region
    EXPECT_EQ(0xFFu, screen.GetPixel(3, 2) >> 24);

    gdi::ComposeWindow(screen, window, POINT{8, 8}, nullptr, std::nullopt, 128);
    EXPECT_EQ(RGB(100, 0, 50), screen.GetColor(9, 9)); // half over, clipped at the edge
}

} // namespace
