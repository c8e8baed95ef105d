#include "gui/SliderHMulti.h"
#include "WidgetTestSupport.h"
#include "gui/BitmapItem.h"
#include "gui/WidgetMessages.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

using widgettest::MakeBitmap;
using widgettest::RecordingOwner;

namespace {

constexpr COLORREF kKey = RGB(255, 255, 255);
constexpr COLORREF kThumb = RGB(255, 0, 0);
constexpr COLORREF kThumbOver = RGB(0, 0, 255);
constexpr int kSliderId = 600;
constexpr int kFirstThumbId = 501;

// The host's picture: a colour that tells every pixel's place.
COLORREF HostColour(int x, int y) {
    return RGB(static_cast<BYTE>(x & 0xFF), static_cast<BYTE>(0x40 + y), 0x10);
}

// A 10 x 30 thumb whose top-left and top-right corner pixels have the key colour.
HBITMAP MakeThumb(COLORREF body) {
    return MakeBitmap(
        10, 30, [body](int x, int y) { return (y == 0 && (x == 0 || x == 9)) ? kKey : body; });
}

// A bitmap item that keeps the slider notifications it gets.
class RecordingHost : public CBitmapItem {
public:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message == WM_SLIDER_POSCHANGED) {
            received.emplace_back(wParam, lParam);
        }
        return CBitmapItem::OnWndMsg(message, wParam, lParam, result);
    }
    std::vector<std::pair<WPARAM, LPARAM>> received;
};

// Panel (0, 0) 400 x 200; host bitmap item at (10, 20), 330 x 40; slider at (10, 5) of the
// host, 310 x 30, so the slider's client (x, y) is the screen's (x + 20, y + 25). Two thumbs.
class SliderHMultiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_panel.CreateAt(400, 200));
        m_hostPicture = MakeBitmap(330, 40, HostColour);
        ASSERT_TRUE(m_host.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, RECT{10, 20, 340, 60},
                                  &m_panel, 900));
        m_host.SetBitmap(m_hostPicture, 10, 20, 340, 60);
        m_slider = MakeSlider(2);
        platform::PumpUntilIdle();
    }
    void TearDown() override {
        m_slider.reset();
        m_host.DestroyWindow();
        m_panel.DestroyWindow();
        DeleteObject(m_hostPicture);
    }
    std::unique_ptr<CSliderHMulti> MakeSlider(int count) {
        auto slider = std::make_unique<CSliderHMulti>(
            std::make_unique<CPHSlider[]>(static_cast<size_t>(count)), count);
        slider->id = kSliderId;
        EXPECT_TRUE(slider->SetBitmaps(&m_host, MakeThumb(kThumb), 10, 5, 320, 35));
        slider->SetTrackBitmap(m_host.bitmap, 10, 5, 320, 35);
        for (int i = 0; i < count; ++i) {
            CPHSlider* thumb = slider->GetThumb(i);
            thumb->id = kFirstThumbId + i;
            EXPECT_TRUE(thumb->Create(MakeThumb(kThumb), slider.get(), MakeThumb(kThumbOver),
                                      thumb->id, 0, 0, 310, 30));
            thumb->SetPos(i + 3);
        }
        slider->SetOwner(&m_panel);
        return slider;
    }
    CPHSlider& Thumb(int i) { return *m_slider->GetThumb(i); }
    int ThumbLeft(int i) {
        RECT r{};
        Thumb(i).GetWindowRect(&r);
        return r.left - 20;
    }
    std::vector<std::pair<WPARAM, LPARAM>> Relayed() const {
        return m_panel.Of(WM_SLIDER_POSCHANGED);
    }
    COLORREF At(int x, int y) { return m_display.ScreenPixel(x + 20, y + 25); }

    platform::HeadlessDisplay m_display{500, 300};
    RecordingOwner m_panel;
    RecordingHost m_host;
    HBITMAP m_hostPicture = nullptr;
    std::unique_ptr<CSliderHMulti> m_slider;
};

} // namespace

TEST_F(SliderHMultiTest, PositionsAndPixels) {
    EXPECT_EQ(m_slider->type, GUIITEM_SLIDERHMULTI);
    EXPECT_EQ(Thumb(0).type, GUIITEM_PHSLIDER);
    EXPECT_EQ(m_slider->GetDlgCtrlID(), kSliderId);
    EXPECT_EQ(Thumb(1).GetDlgCtrlID(), kFirstThumbId + 1);
    EXPECT_EQ(m_slider->GetThumbWidth(), 10);
    EXPECT_EQ(m_slider->GetThumbHeight(), 30);
    EXPECT_FLOAT_EQ(Thumb(0).GetScale(), 10.0f); // 310 pixels for 31 steps
    EXPECT_EQ(Thumb(0).GetPos(), 3);
    EXPECT_EQ(Thumb(1).GetPos(), 4);
    EXPECT_EQ(ThumbLeft(1), 30 - 5);

    Thumb(0).SetPosFromPixel(14);
    EXPECT_EQ(Thumb(0).GetPos(), 2); // ceil((14 + 5) / 10)
    Thumb(0).SetPosFromPixel(0);
    EXPECT_EQ(Thumb(0).GetPos(), 1);
    EXPECT_EQ(ThumbLeft(0), -5);
    Thumb(0).SetPosFromPixel(310); // the track's right end reaches the last position
    EXPECT_EQ(Thumb(0).GetPos(), 32);
    Thumb(0).SetPosFromPixel(5000);
    EXPECT_EQ(Thumb(0).GetPos(), 32);
    Thumb(0).SetPos(40);
    EXPECT_EQ(Thumb(0).GetPos(), 32);
    EXPECT_EQ(ThumbLeft(0), 305); // the position-32 pixel, centred on the track's end

    // Offsets narrow the track once the range is set again.
    m_slider->SetOffsets(10, 20);
    m_slider->SetRange(1, 29); // 280 pixels for 28 steps
    EXPECT_FLOAT_EQ(Thumb(1).GetScale(), 10.0f);
    Thumb(1).SetPosFromPixel(10);
    EXPECT_EQ(Thumb(1).GetPos(), 1);
    Thumb(1).SetPosFromPixel(290);
    EXPECT_EQ(Thumb(1).GetPos(), 29);
    EXPECT_EQ(ThumbLeft(1), 10 + 280 - 5);
}

TEST_F(SliderHMultiTest, RangesAndCaps) {
    m_slider->SetRange(10, 3);
    EXPECT_EQ(m_slider->GetMin(), 3);
    EXPECT_EQ(m_slider->GetMax(), 10);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Thumb(i).capMin, 3);
        EXPECT_EQ(Thumb(i).capMax, 10);
        EXPECT_EQ(Thumb(i).GetPos(), 3 + i); // positions stay
    }
    Thumb(0).SetCapRange(0, 7); // held to the range
    EXPECT_EQ(Thumb(0).capMin, 3);
    EXPECT_EQ(Thumb(0).capMax, 7);
    Thumb(0).SetPos(9);
    EXPECT_EQ(Thumb(0).GetPos(), 7);

    // Positions count from the minimum: with 3..10 over 310 pixels (scale 310 / 7), 3 is the
    // track's start, 10 its end, and a drag to the end and back reaches both.
    m_slider->SetRange(3, 10);
    Thumb(1).SetPos(3);
    EXPECT_EQ(ThumbLeft(1), -5);
    Thumb(1).SetPos(10);
    EXPECT_EQ(ThumbLeft(1), 305);
    Thumb(1).SetPosFromPixel(0);
    EXPECT_EQ(Thumb(1).GetPos(), 3);
    Thumb(1).SetPosFromPixel(89); // two steps and a bit from the start: the nearest, 5
    EXPECT_EQ(Thumb(1).GetPos(), 5);
    EXPECT_EQ(ThumbLeft(1), 88 - 5);
    m_display.Drag(POINT{20 + 88, 40}, POINT{20 + 400, 40});
    EXPECT_EQ(Thumb(1).GetPos(), 10);
    m_display.Drag(POINT{20 + 305, 40}, POINT{0, 40});
    EXPECT_EQ(Thumb(1).GetPos(), 3);

    m_slider->SetRange(5, 5); // one position: no steps, no division by them
    Thumb(1).SetPosFromPixel(200);
    EXPECT_EQ(Thumb(1).GetPos(), 5);
}

TEST_F(SliderHMultiTest, DraggingPostsOnStepChangesAndAlwaysOnRelease) {
    m_display.SetAutoPump(true);
    // Thumb 0 stands at position 3: slider pixels 15..25, screen x 35..45.
    m_display.MoveMouse(40, 40);
    m_display.ButtonDown();
    m_display.MoveMouse(42, 40); // slider x 22: still position 3
    EXPECT_TRUE(Relayed().empty());
    EXPECT_EQ(Thumb(0).GetPos(), 3);
    m_display.ButtonUp();
    ASSERT_EQ(Relayed().size(), 1u);
    EXPECT_EQ(Relayed()[0], (std::pair<WPARAM, LPARAM>{3, kFirstThumbId}));
    EXPECT_EQ(ThumbLeft(0), 15); // snapped back to its step

    m_display.MoveMouse(40, 40);
    m_display.ButtonDown();
    m_display.MoveMouse(80, 40); // slider x 60: ceil(65 / 10) = 7
    EXPECT_EQ(Thumb(0).GetPos(), 7);
    EXPECT_EQ(ThumbLeft(0), 55);  // follows the mouse pixel by pixel
    m_display.MoveMouse(120, 40); // slider x 100: 11
    m_display.ButtonUp();
    const auto relayed = Relayed();
    ASSERT_EQ(relayed.size(), 4u);
    EXPECT_EQ(relayed[1].first, 7u);
    EXPECT_EQ(relayed[2].first, 11u);
    EXPECT_EQ(relayed[3], (std::pair<WPARAM, LPARAM>{11, kFirstThumbId}));
    EXPECT_EQ(ThumbLeft(0), 95);
    // The host hears of every change too.
    EXPECT_EQ(m_host.received.size(), 4u);
}

TEST_F(SliderHMultiTest, AThumbWhoseCaptureWasTakenFollowsNoBareMouse) {
    m_display.MoveMouse(40, 40);
    m_display.ButtonDown();
    EXPECT_EQ(Thumb(0).dragging, 1);
    m_panel.SetCapture(); // another window takes the mouse mid-drag
    m_display.ButtonUp(); // the release goes to that window
    ::ReleaseCapture();
    m_display.MoveMouse(38, 40);  // over the thumb, no button held
    m_display.MoveMouse(150, 40); // and on along the track
    EXPECT_EQ(ThumbLeft(0), 15);
    EXPECT_EQ(Thumb(0).GetPos(), 3);
    EXPECT_TRUE(Relayed().empty());
}

TEST_F(SliderHMultiTest, TrackClicksMoveTheFirstThumbOnlyWhenInteractive) {
    m_display.Click(20 + 200, 30); // slider x 200: ceil(205 / 10) = 21
    ASSERT_EQ(Relayed().size(), 1u);
    EXPECT_EQ(Relayed()[0], (std::pair<WPARAM, LPARAM>{21, kFirstThumbId}));
    EXPECT_EQ(Thumb(0).GetPos(), 21);
    EXPECT_EQ(Thumb(1).GetPos(), 4);

    m_slider->SetInteractive(FALSE);
    m_display.Click(20 + 100, 30);
    m_display.Drag(POINT{20 + 30, 40}, POINT{20 + 150, 40}); // thumb 1
    EXPECT_EQ(Relayed().size(), 1u);
    EXPECT_EQ(Thumb(0).GetPos(), 21);
    EXPECT_EQ(Thumb(1).GetPos(), 4);
    EXPECT_EQ(ThumbLeft(1), 25);

    // Without an owner of its own the host, its parent, hears once.
    m_slider->SetInteractive(TRUE);
    m_slider->SetOwner(nullptr);
    m_host.received.clear();
    m_display.Click(20 + 100, 30);
    ASSERT_EQ(m_host.received.size(), 1u);
    EXPECT_EQ(m_host.received[0].first, 11u);
}

TEST_F(SliderHMultiTest, TrackAndShapedThumbsArePainted) {
    // The track is the host's picture under the slider.
    EXPECT_EQ(At(100, 3), HostColour(110, 8));
    EXPECT_EQ(At(300, 29), HostColour(310, 34));
    // Thumb 0 at slider x 15..25: its body, and the track through its cut-away corner.
    EXPECT_EQ(At(20, 10), kThumb);
    EXPECT_EQ(At(15, 0), HostColour(25, 5));
    EXPECT_EQ(At(16, 0), kThumb);
    // Hovering shows the over picture; leaving brings the normal one back.
    m_display.MoveMouse(40, 40);
    EXPECT_EQ(Thumb(0).hover, 1);
    EXPECT_EQ(At(20, 10), kThumbOver);
    m_display.MoveMouse(300, 150);
    EXPECT_EQ(Thumb(0).hover, 0);
    EXPECT_EQ(At(20, 10), kThumb);

    // A slider that goes while the mouse is over a thumb takes no leave tracking with it.
    m_display.MoveMouse(40, 40);
    m_slider.reset();
    platform::PumpUntilIdle();
    m_slider = MakeSlider(2);
    platform::PumpUntilIdle();
    m_display.MoveMouse(300, 150);
    m_display.MoveMouse(50, 40); // thumb 1
    EXPECT_EQ(Thumb(1).hover, 1);
    m_display.MoveMouse(300, 150);
    EXPECT_EQ(Thumb(1).hover, 0);

    Thumb(0).SetToolTip(u"Stage one");
    EXPECT_EQ(Thumb(0).GetToolTip().GetToolCount(), 1);
}

TEST_F(SliderHMultiTest, SlidersWithoutThumbsAndLeaks) {
    const size_t before = gdi::LiveObjectCount();
    {
        CSliderHMulti empty(nullptr, 3);
        empty.id = 7;
        EXPECT_EQ(empty.GetThumbCount(), 0);
        EXPECT_EQ(empty.GetThumb(0), nullptr);
        ASSERT_TRUE(empty.SetBitmaps(&m_host, nullptr, 0, 36, 50, 40));
        platform::PumpUntilIdle();
        EXPECT_EQ(::WindowFromPoint(POINT{20, 58}), empty.m_hWnd);
        m_display.Click(20, 58); // a click on a slider without thumbs does nothing
        EXPECT_TRUE(Relayed().empty());

        auto second = MakeSlider(3);
        second->SetInteractive(FALSE);
        platform::PumpUntilIdle();
        EXPECT_EQ(second->GetThumb(2)->GetPos(), 5);
        EXPECT_EQ(second->GetThumb(3), nullptr);
    }
    platform::PumpUntilIdle();
    EXPECT_EQ(gdi::LiveObjectCount(), before);
}
