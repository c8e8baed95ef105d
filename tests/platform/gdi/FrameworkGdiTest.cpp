#include "platform/framework/CDC.h"
#include "platform/gdi/Surface.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameworkGdi, MemoryDcComposesOffScreenAndCopiesBack) {
    CDC screen;
    ASSERT_TRUE(screen.CreateCompatibleDC(nullptr));
    CBitmap target;
    ASSERT_TRUE(target.CreateCompatibleBitmap(&screen, 8, 8));
    CBitmap* original = screen.SelectObject(&target);
    ASSERT_NE(nullptr, original);

    // Off-screen: a second DC with its own bitmap, drawn with a window origin as a buffered
    // paint does, then copied back at the same place.
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(&screen));
    CBitmap buffer;
    ASSERT_TRUE(buffer.CreateCompatibleBitmap(&screen, 4, 4));
    CBitmap* previous = memory.SelectObject(&buffer);
    memory.SetWindowOrg(2, 2);
    memory.FillSolidRect(2, 2, 4, 4, RGB(9, 8, 7));
    EXPECT_EQ(RGB(9, 8, 7), memory.GetBkColor()); // FillSolidRect leaves the colour set
    CPen pen(PS_SOLID, 1, RGB(255, 0, 0));
    CPen* oldPen = memory.SelectObject(&pen);
    memory.MoveTo(2, 3);
    memory.LineTo(6, 3);
    memory.SelectObject(oldPen);
    RECT inside{2, 2, 6, 6};
    memory.LPtoDP(&inside);
    EXPECT_EQ((RECT{0, 0, 4, 4}), inside);
    screen.BitBlt(2, 2, 4, 4, &memory, 2, 2, SRCCOPY);

    gdi::Bitmap& pixels = *gdi::BitmapFromHandle(target);
    EXPECT_EQ(RGB(9, 8, 7), pixels.GetColor(2, 2));
    EXPECT_EQ(RGB(255, 0, 0), pixels.GetColor(5, 3));
    EXPECT_EQ(RGB(0, 0, 0), pixels.GetColor(6, 6));

    // The previously selected bitmap comes back as a wrapper of the same handle.
    EXPECT_EQ(static_cast<HBITMAP>(buffer), static_cast<HBITMAP>(*memory.SelectObject(previous)));
    EXPECT_EQ(&target, screen.SelectObject(original)); // an owned wrapper is found again
    BITMAP info;
    EXPECT_EQ(static_cast<int>(sizeof(BITMAP)), target.GetBitmap(&info));
    EXPECT_EQ(8, info.bmWidth);
}

TEST(FrameworkGdi, WrappersOwnTheirHandlesAndTemporariesDoNot) {
    HBRUSH raw = CreateSolidBrush(RGB(1, 2, 3));
    {
        CBrush* temp = CBrush::FromHandle(raw);
        ASSERT_NE(nullptr, temp);
        EXPECT_EQ(raw, static_cast<HBRUSH>(*temp));
        EXPECT_EQ(temp, CBrush::FromHandle(raw));
        CGdiObject::DeleteTempMap();
    }
    EXPECT_EQ(OBJ_BRUSH, GetObjectType(ToGdiObj(raw))); // a temporary left it alone
    {
        CBrush owner;
        EXPECT_TRUE(owner.Attach(raw));
        EXPECT_EQ(&owner, CGdiObject::FromHandle(ToGdiObj(raw)));
    }
    EXPECT_EQ(0u, GetObjectType(ToGdiObj(raw))); // the owner deleted it

    CFont font;
    ASSERT_TRUE(font.CreateFont(14, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0x20, u"Arial"));
    LOGFONTW lf;
    ASSERT_TRUE(font.GetLogFont(&lf) > 0);
    lf.lfWeight = FW_NORMAL;
    CFont copy;
    EXPECT_TRUE(copy.CreateFontIndirect(&lf));
    EXPECT_FALSE(copy.CreateFontIndirect(&lf)); // already holds a font

    // Wrappers pass as handles to the plain calls.
    CBitmap picture;
    picture.CreateBitmap(2, 2, 1, 32, nullptr);
    BITMAP info;
    EXPECT_EQ(static_cast<int>(sizeof(info)), GetObjectW(picture, sizeof(info), &info));
    EXPECT_TRUE(DeleteObject(picture));
    picture.Detach();

    CRgn a;
    CRgn b;
    a.CreateRectRgn(0, 0, 10, 10);
    b.CreateRectRgn(5, 0, 10, 10);
    EXPECT_EQ(SIMPLEREGION, a.CombineRgn(&a, &b, RGN_DIFF));
    EXPECT_TRUE(a.PtInRegion(4, 4));
    EXPECT_FALSE(a.PtInRegion(5, 4));

    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    EXPECT_EQ(&dc, CDC::FromHandle(dc.m_hDC));
    CDC* temp = CDC::FromHandle(reinterpret_cast<HDC>(raw)); // any handle gets a wrapper
    EXPECT_NE(&dc, temp);
    CDC::DeleteTempMap();
}

} // namespace
