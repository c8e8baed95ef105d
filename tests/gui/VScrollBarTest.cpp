#include "gui/VScrollBar.h"
#include "platform/framework/CWnd.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/ScrollBar.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr COLORREF kTop = RGB(255, 0, 0);
constexpr COLORREF kUp = RGB(0, 255, 0);
constexpr COLORREF kDown = RGB(0, 0, 255);
constexpr COLORREF kBottom = RGB(255, 255, 0);
constexpr COLORREF kSpine = RGB(0, 255, 255);
constexpr COLORREF kThumb = RGB(255, 0, 255);
constexpr COLORREF kBack = RGB(10, 20, 30);

HBITMAP SolidBitmap(int width, int height, COLORREF colour) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, ToGdiObj(bitmap));
    HBRUSH brush = CreateSolidBrush(colour);
    RECT r{0, 0, width, height};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// The list that scrolls: applies every line and page step to its own scroll position, as a
// list control does, and keeps the codes it got.
class Buddy : public CWnd {
public:
    void OnVScroll(UINT code, UINT, CWnd*) override {
        codes.push_back(code);
        SCROLLINFO info;
        info.fMask = SIF_ALL;
        ::GetScrollInfo(m_hWnd, SB_VERT, &info);
        const int page = static_cast<int>(info.nPage);
        const int delta = code == SB_LINEUP     ? -1
                          : code == SB_LINEDOWN ? 1
                          : code == SB_PAGEUP   ? -page
                          : code == SB_PAGEDOWN ? page
                                                : 0;
        info.fMask = SIF_POS;
        info.nPos += delta;
        ::SetScrollInfo(m_hWnd, SB_VERT, &info, TRUE);
    }
    void SetRange(int nMax, UINT page, int pos) {
        SCROLLINFO info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMax = nMax;
        info.nPage = page;
        info.nPos = pos;
        ::SetScrollInfo(m_hWnd, SB_VERT, &info, TRUE);
    }
    int Pos() const { return ::GetScrollPos(m_hWnd, SB_VERT); }
    std::vector<UINT> codes;
};

// A 10 x 100 bar at (20, 0) of a 60 x 120 window at the screen's origin: caps 4 high,
// arrows 8, thumb 10, so the thumb travels from 12 to 78 (66 pixels).
class VScrollBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_parent.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 60, 120,
                                      nullptr, nullptr));
        ASSERT_TRUE(m_buddy.CreateEx(0, nullptr, u"", WS_CHILD | WS_VISIBLE, 0, 0, 20, 100,
                                     m_parent.m_hWnd, nullptr));
        m_buddy.SetRange(99, 10, 0);
        platform::PumpUntilIdle();
        m_liveBefore = gdi::LiveObjectCount();
        m_bar = std::make_unique<CVScrollBar>(10, &m_buddy);
        ASSERT_TRUE(m_bar->Create(u"", WS_CHILD | WS_VISIBLE | SS_NOTIFY, RECT{20, 0, 30, 100},
                                  &m_parent, 0xFFFF));
        m_bar->backgroundColor = kBack;
        std::vector<HBITMAP> sources{SolidBitmap(10, 4, kTop),   SolidBitmap(10, 4, kBottom),
                                     SolidBitmap(10, 8, kUp),    SolidBitmap(10, 8, kDown),
                                     SolidBitmap(10, 2, kSpine), SolidBitmap(10, 10, kThumb)};
        m_bar->SetBitmaps(sources[0], sources[1], sources[2], sources[3], sources[4], sources[5]);
        for (HBITMAP b : sources) {
            DeleteObject(b); // the bar keeps its own copies
        }
        platform::PumpUntilIdle();
    }
    void TearDown() override {
        m_bar.reset();
        platform::PumpUntilIdle();
        EXPECT_EQ(gdi::LiveObjectCount(), m_liveBefore); // the bar's pictures went with it
        m_buddy.DestroyWindow();
        m_parent.DestroyWindow();
    }
    void Advance(std::uint64_t ms) {
        m_clock.Advance(ms);
        platform::PumpUntilIdle();
    }

    platform::ScopedVirtualClock m_clock;
    platform::HeadlessDisplay m_display{200, 150};
    std::size_t m_liveBefore = 0;
    CWnd m_parent;
    Buddy m_buddy;
    std::unique_ptr<CVScrollBar> m_bar;
};

TEST_F(VScrollBarTest, ThumbFollowsTheBuddysPosition) {
    EXPECT_EQ(m_bar->thumbTop, 12);
    EXPECT_EQ(m_bar->TravelLength(), 66);
    m_buddy.SetRange(99, 10, 89);
    m_bar->Update();
    EXPECT_EQ(m_bar->thumbTop, 78);
    m_buddy.SetRange(99, 10, 45); // 66 / 89 * 45 = 33.37
    m_bar->Update();
    EXPECT_EQ(m_bar->thumbTop, 45);
    // No range to scroll (page as large as the content): the thumb stays at the top.
    m_buddy.SetRange(10, 10, 1);
    m_bar->Update();
    EXPECT_EQ(m_bar->thumbTop, 12);
    m_buddy.SetRange(5, 10, 0);
    m_bar->Update();
    EXPECT_EQ(m_bar->thumbTop, 12);
}

TEST_F(VScrollBarTest, DrawsItsPiecesTopToBottom) {
    m_buddy.SetRange(99, 10, 45);
    m_bar->Update();
    m_parent.Invalidate();
    platform::PumpUntilIdle();
    EXPECT_EQ(m_display.ScreenPixel(25, 1), kTop);
    EXPECT_EQ(m_display.ScreenPixel(25, 6), kUp);
    EXPECT_EQ(m_display.ScreenPixel(25, 30), kSpine);
    EXPECT_EQ(m_display.ScreenPixel(25, 45), kThumb);
    EXPECT_EQ(m_display.ScreenPixel(25, 54), kThumb);
    EXPECT_EQ(m_display.ScreenPixel(25, 56), kSpine);
    EXPECT_EQ(m_display.ScreenPixel(25, 90), kDown);
    EXPECT_EQ(m_display.ScreenPixel(25, 97), kBottom);
}

TEST_F(VScrollBarTest, HeldDownArrowRepeatsAfterTheDelayAndOnceMoreOnRelease) {
    m_display.MoveMouse(25, 90);
    m_display.ButtonDown();
    Advance(249);
    EXPECT_TRUE(m_buddy.codes.empty());
    Advance(1); // the delay ends: repeats start
    EXPECT_TRUE(m_buddy.codes.empty());
    Advance(50);
    Advance(50);
    EXPECT_EQ(m_buddy.codes, (std::vector<UINT>{SB_LINEDOWN, SB_LINEDOWN}));
    m_display.ButtonUp();
    Advance(500); // the timers are gone
    EXPECT_EQ(m_buddy.codes, (std::vector<UINT>{SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN}));
    EXPECT_EQ(m_buddy.Pos(), 3);
    EXPECT_EQ(GetCapture(), m_buddy.m_hWnd);
}

TEST_F(VScrollBarTest, ClicksOnTheSpinePageAndArrowClicksStep) {
    m_display.Click(25, 60); // below the thumb
    EXPECT_EQ(m_buddy.codes, (std::vector<UINT>{SB_PAGEDOWN}));
    EXPECT_EQ(m_buddy.Pos(), 10);
    EXPECT_EQ(GetCapture(), m_buddy.m_hWnd);
    ReleaseCapture();
    m_bar->Update(); // thumb at 12 + trunc(66 / 89 * 10) = 19
    EXPECT_EQ(m_bar->thumbTop, 19);
    m_display.Click(25, 16); // above the thumb, below the up arrow
    EXPECT_EQ(m_buddy.codes.back(), SB_PAGEUP);
    ReleaseCapture();
    m_display.Click(25, 8); // up arrow
    EXPECT_EQ(m_buddy.codes.back(), SB_LINEUP);
    ReleaseCapture();
    m_bar->Update();
    m_display.Click(25, m_bar->thumbTop + 2); // on the thumb: nothing
    EXPECT_EQ(m_buddy.codes.size(), 3u);
    EXPECT_EQ(GetCapture(), m_buddy.m_hWnd);
}

TEST_F(VScrollBarTest, DraggingTheThumbScrollsLineByLine) {
    m_display.Drag(POINT{25, 17}, POINT{25, 50}, 4);
    // Thumb centred under the mouse at 50: top 45, 33 pixels down the travel of 66 for a range
    // of 89 rows: row 44. The release ends the drag without a page step and brings the thumb
    // in line with row 44.
    EXPECT_EQ(m_bar->thumbTop, 44);
    EXPECT_EQ(m_buddy.Pos(), 44);
    for (UINT code : m_buddy.codes) {
        EXPECT_TRUE(code == SB_LINEDOWN || code == SB_LINEUP);
    }
    ReleaseCapture();                               // the buddy took it after the release
    m_display.Drag(POINT{25, 49}, POINT{25, 0}, 3); // past the top
    EXPECT_EQ(m_bar->thumbTop, 12);
    EXPECT_EQ(m_buddy.Pos(), 0);
}

TEST_F(VScrollBarTest, ContentThatFitsCannotBeDragged) {
    m_buddy.SetRange(5, 10, 0);
    m_display.Drag(POINT{25, 17}, POINT{25, 70}, 4);
    EXPECT_TRUE(m_buddy.codes.empty());
    EXPECT_EQ(m_bar->thumbTop, 12);
}

} // namespace
