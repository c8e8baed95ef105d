#include "WidgetTestSupport.h"
#include "gui/DMarker.h"
#include "gui/VertSlider.h"
#include "gui/WidgetMessages.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <memory>

using widgettest::MakeBitmap;
using widgettest::MakeSolidBitmap;
using widgettest::RecordingOwner;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr int kSliderId = 77;
constexpr int kMarkerId = 88;

// The thumb's top in the owner's (= screen) coordinates.
int TopOf(const CWnd& wnd) {
    RECT r{};
    wnd.GetWindowRect(&r);
    return r.top;
}

class VertSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_owner.CreateAt(200, 260));
        // A 20 x 40 thumb, red, on the track (50, 20)-(70, 220).
        m_picture = MakeSolidBitmap(20, 40, kRed);
        ASSERT_TRUE(m_slider.Create(kSliderId, &m_owner, m_picture, 50, 20, 70, 220));
        m_slider.SetBitmap(m_picture, 50, 20, 70, 220);
        platform::PumpUntilIdle();
    }
    void TearDown() override {
        m_slider.DestroyWindow();
        m_owner.DestroyWindow();
        DeleteObject(m_picture);
    }
    // Drags the thumb from its middle by dy and releases it; the value posted.
    int DragBy(int dy) {
        const int top = TopOf(m_slider);
        m_owner.received.clear();
        m_display.Drag(POINT{60, top + 10}, POINT{60, top + 10 + dy}, 5);
        const auto posted = m_owner.Of(WM_SLIDER_POSCHANGED);
        EXPECT_EQ(posted.size(), 1u);
        if (posted.empty()) {
            return -1;
        }
        EXPECT_EQ(posted.back().second, static_cast<LPARAM>(kSliderId));
        return static_cast<int>(posted.back().first);
    }

    platform::HeadlessDisplay m_display{300, 300};
    RecordingOwner m_owner;
    CVertSlider m_slider;
    HBITMAP m_picture = nullptr;
};

} // namespace

TEST_F(VertSliderTest, DropsReportPercentFromTopAndStayOnTheTrack) {
    EXPECT_EQ(m_slider.type, GUIITEM_VERTSLIDER);
    EXPECT_EQ(m_slider.GetDlgCtrlID(), kSliderId);
    RECT window{};
    m_slider.GetWindowRect(&window);
    // The thumb's size from the start, where the value 0 stands: the track's bottom. A click
    // on the track above it is no click on the slider.
    EXPECT_EQ(window, (RECT{50, 180, 70, 220}));
    EXPECT_EQ(m_display.ScreenPixel(55, 185), kRed);
    m_display.Click(60, 50);
    EXPECT_TRUE(m_owner.Of(WM_SLIDER_POSCHANGED).empty());
    EXPECT_FALSE(m_slider.IsDragging());

    EXPECT_EQ(DragBy(-300), 100); // pushed past the top: held at the track's top
    EXPECT_EQ(TopOf(m_slider), 20);
    m_slider.GetWindowRect(&window);
    EXPECT_EQ(window, (RECT{50, 20, 70, 60})); // thumb-sized, at the track's left

    EXPECT_EQ(DragBy(400), 0); // past the bottom: the lowest position
    EXPECT_EQ(TopOf(m_slider), 180);
    EXPECT_EQ(m_slider.GetValue(), 0);

    EXPECT_EQ(DragBy(-80), 50); // top 100: 100 - (100 - 20) * 100 / (220 - 40 - 20)
    EXPECT_EQ(TopOf(m_slider), 100);
    EXPECT_FALSE(m_slider.IsDragging());

    // The thumb picture is painted where the thumb stands.
    EXPECT_EQ(m_display.ScreenPixel(55, 105), kRed);
    EXPECT_EQ(m_display.ScreenPixel(69, 139), kRed);
}

TEST_F(VertSliderTest, CapsHoldTheReportedValue) {
    m_slider.upperCap = 80;
    m_slider.lowerCap = 20;
    EXPECT_EQ(DragBy(-300), 80);
    EXPECT_EQ(DragBy(300), 20);
    EXPECT_EQ(DragBy(-70), 44); // top 110, inside the caps: 100 - 90 * 100 / 160
}

TEST_F(VertSliderTest, ADragWhoseCaptureWasTakenNoLongerFollowsTheMouse) {
    m_display.MoveMouse(60, 200);
    m_display.ButtonDown();
    EXPECT_TRUE(m_slider.IsDragging());
    m_owner.SetCapture(); // another window takes the mouse
    m_display.ButtonUp();
    ::ReleaseCapture();
    platform::PumpUntilIdle();
    const int top = TopOf(m_slider);
    m_display.MoveMouse(60, 100); // no button held
    EXPECT_EQ(TopOf(m_slider), top);
}

TEST(VertSlider, ThumbAsTallAsItsTrackReportsTheTopAndLeaksNothing) {
    platform::HeadlessDisplay display{200, 200};
    RecordingOwner owner;
    ASSERT_TRUE(owner.CreateAt(100, 100));
    HBITMAP picture = MakeSolidBitmap(10, 50, kBlue);
    const size_t before = gdi::LiveObjectCount();
    {
        CVertSlider slider;
        ASSERT_TRUE(slider.Create(5, &owner, picture, 10, 10, 20, 60));
        slider.SetBitmap(picture, 10, 10, 20, 60);
        display.Drag(POINT{15, 20}, POINT{15, 50});
        ASSERT_EQ(owner.Of(WM_SLIDER_POSCHANGED).size(), 1u);
        EXPECT_EQ(owner.Of(WM_SLIDER_POSCHANGED)[0].first, 100u);
        EXPECT_EQ(display.ScreenPixel(12, 30), kBlue);
    }
    platform::PumpUntilIdle();
    EXPECT_EQ(gdi::LiveObjectCount(), before);
    DeleteObject(picture);
    owner.DestroyWindow();
}

namespace {

class DMarkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_owner.CreateAt(200, 200));
        m_base = MakeSolidBitmap(100, 20, kBlue);
        m_fill = MakeBitmap(120, 30, [](int x, int) { return x < 100 ? kGreen : kRed; });
        ASSERT_TRUE(m_marker.Create(RECT{10, 100, 110, 120}, kMarkerId, &m_owner));
        m_marker.SetBitmaps(m_base, m_fill, 10, 100, 110, 120);
        platform::PumpUntilIdle();
    }
    void TearDown() override {
        m_marker.DestroyWindow();
        m_owner.DestroyWindow();
        DeleteObject(m_base);
        DeleteObject(m_fill);
    }
    std::vector<std::pair<WPARAM, LPARAM>> Posted() const {
        return m_owner.Of(WM_MARKER_POSCHANGED);
    }

    platform::HeadlessDisplay m_display{300, 300};
    RecordingOwner m_owner;
    CDMarker m_marker;
    HBITMAP m_base = nullptr;
    HBITMAP m_fill = nullptr;
};

} // namespace

TEST_F(DMarkerTest, ClicksAndReleasesSetTheValue) {
    EXPECT_EQ(m_marker.type, GUIITEM_DMARKER);
    EXPECT_EQ(m_marker.GetDlgCtrlID(), kMarkerId);
    EXPECT_TRUE(m_marker.GetStyle() & WS_TABSTOP);

    m_display.Click(10 + 75, 110); // three quarters of 0..10
    ASSERT_EQ(Posted().size(), 1u);
    EXPECT_EQ(Posted()[0], (std::pair<WPARAM, LPARAM>{7, kMarkerId}));
    EXPECT_EQ(m_marker.value, 7);

    m_display.Drag(POINT{50, 110}, POINT{180, 110}); // released right of the marker: max
    EXPECT_EQ(Posted().back().first, 10u);
    m_display.Drag(POINT{50, 110}, POINT{0, 110}); // left of it: min
    EXPECT_EQ(Posted().back().first, 0u);

    m_marker.min = 100;
    m_marker.max = 200;
    m_display.Click(10 + 33, 110);
    EXPECT_EQ(Posted().back().first, 133u);
    EXPECT_EQ(Posted().size(), 4u);
}

TEST_F(DMarkerTest, DraggingShowsTheValueAndReportsOnlyTheRelease) {
    m_display.MoveMouse(20, 110);
    m_display.ButtonDown();
    EXPECT_TRUE(m_marker.IsDragging());
    m_display.MoveMouse(60, 110);
    EXPECT_EQ(m_marker.value, 5);
    EXPECT_EQ(m_display.ScreenPixel(10 + 49, 110), kGreen); // fill up to 50 pixels
    EXPECT_EQ(m_display.ScreenPixel(10 + 50, 110), kBlue);
    EXPECT_TRUE(Posted().empty());
    m_display.MoveMouse(95, 110);
    m_display.ButtonUp();
    EXPECT_FALSE(m_marker.IsDragging());
    ASSERT_EQ(Posted().size(), 1u);
    EXPECT_EQ(Posted()[0].first, 8u);
    EXPECT_EQ(m_display.ScreenPixel(10 + 79, 110), kGreen);
    EXPECT_EQ(m_display.ScreenPixel(10 + 80, 110), kBlue);
}

TEST_F(DMarkerTest, DisabledOrInterruptedMarkersKeepTheirValue) {
    m_marker.enabled = 0;
    m_marker.value = 3;
    m_display.Click(90, 110);
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(m_marker.value, 3);
    EXPECT_FALSE(m_marker.IsDragging());

    // A drag whose capture is taken away keeps showing its value but follows no bare mouse.
    m_marker.enabled = 1;
    m_display.MoveMouse(30, 110);
    m_display.ButtonDown();
    EXPECT_EQ(::GetCapture(), m_marker.m_hWnd);
    m_owner.SetCapture(); // the marker lets go of the mouse but stays in its drag
    EXPECT_TRUE(m_marker.IsDragging());
    EXPECT_EQ(::GetCapture(), m_owner.m_hWnd); // the new holder keeps it
    m_display.MoveMouse(150, 150);
    m_display.ButtonUp(); // released over the owner
    m_display.MoveMouse(100, 110);
    EXPECT_EQ(m_marker.value, 3);
    EXPECT_TRUE(Posted().empty());
}

TEST(DMarker, DegenerateRangesAndSizesAreSafe) {
    platform::HeadlessDisplay display{200, 200};
    RecordingOwner owner;
    ASSERT_TRUE(owner.CreateAt(100, 100));
    const size_t before = gdi::LiveObjectCount();
    {
        CDMarker marker;
        ASSERT_TRUE(marker.Create(RECT{10, 10, 60, 20}, 4, &owner));
        HBITMAP base = MakeSolidBitmap(50, 10, kBlue);
        marker.SetBitmaps(base, nullptr, 10, 10, 60, 20); // no fill picture: base only
        DeleteObject(base);
        marker.min = 5;
        marker.max = 5;
        marker.value = 5;
        EXPECT_EQ(marker.FillWidth(), 0);
        marker.Invalidate();
        display.Click(40, 15);
        EXPECT_EQ(marker.value, 5);
        EXPECT_EQ(display.ScreenPixel(40, 15), kBlue);

        CDMarker flat; // no width at all: every point stands for the minimum
        ASSERT_TRUE(flat.Create(RECT{10, 30, 10, 40}, 6, &owner));
        EXPECT_EQ(flat.ValueFromPoint(POINT{0, 0}), 0);
        flat.value = 10;
        EXPECT_EQ(flat.FillWidth(), 0);
    }
    platform::PumpUntilIdle();
    EXPECT_EQ(gdi::LiveObjectCount(), before);
    owner.DestroyWindow();
}
