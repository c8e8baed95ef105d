#include "gui/APMSlider.h"
#include "WidgetTestSupport.h"
#include "gui/BitmapItem.h"
#include "gui/WidgetMessages.h"
#include "platform/base/DebugOutput.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using widgettest::MakeBitmap;
using widgettest::MakeSolidBitmap;
using widgettest::RecordingOwner;

namespace {

constexpr COLORREF kKey = RGB(255, 255, 255);
constexpr COLORREF kTicker = RGB(255, 0, 0);
constexpr COLORREF kTickerOver = RGB(0, 0, 255);
constexpr COLORREF kTrack = RGB(200, 100, 0);
constexpr int kSliderId = 610;
constexpr int kFirstTickerId = 701;

// A 10 x 30 ticker whose top corner pixels have the key colour.
HBITMAP MakeTicker(COLORREF body) {
    return MakeBitmap(
        10, 30, [body](int x, int y) { return (y == 0 && (x == 0 || x == 9)) ? kKey : body; });
}

// The track blended with constant alpha 50 over a segment colour.
COLORREF Blended(COLORREF segment) {
    const auto mix = [](int track, int under) {
        return static_cast<BYTE>((track * 50 + under * 205 + 127) / 255);
    };
    return RGB(mix(GetRValue(kTrack), GetRValue(segment)),
               mix(GetGValue(kTrack), GetGValue(segment)),
               mix(GetBValue(kTrack), GetBValue(segment)));
}

COLORREF Grey(int level) {
    const auto byte = static_cast<BYTE>(level);
    return RGB(byte, byte, byte);
}

// Channels apart by at most one (rounding of the blend).
bool Near(COLORREF a, COLORREF b) {
    const auto close = [](int x, int y) { return x - y <= 1 && y - x <= 1; };
    return close(GetRValue(a), GetRValue(b)) && close(GetGValue(a), GetGValue(b)) &&
           close(GetBValue(a), GetBValue(b));
}

// A bitmap item that keeps the notifications it gets.
class RecordingHost : public CBitmapItem {
public:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message == WM_SLIDER_POSCHANGED || message == WM_APMSLIDER_CLICK) {
            received.push_back({message, wParam, lParam});
        }
        return CBitmapItem::OnWndMsg(message, wParam, lParam, result);
    }
    std::vector<widgettest::Notification> received;
};

// Panel (0, 0) 400 x 200; host bitmap item at (10, 20), 330 x 40; slider at (10, 5) of the
// host, 310 x 30, so the slider's client (x, y) is the screen's (x + 20, y + 25). Four tickers,
// 10 pixels wide: a ticker's centre runs from 5 to 305, 300 / 31 pixels a step.
class APMSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetDebugOutputHook([this](const WCHAR* text) { m_trace.emplace_back(text); });
        ASSERT_TRUE(m_panel.CreateAt(400, 200));
        m_hostPicture = MakeSolidBitmap(330, 40, kTrack);
        ASSERT_TRUE(m_host.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, RECT{10, 20, 340, 60},
                                  &m_panel, 900));
        m_host.SetBitmap(m_hostPicture, 10, 20, 340, 60);
        m_slider = MakeSlider(4);
        platform::PumpUntilIdle();
    }
    void TearDown() override {
        m_slider.reset();
        m_host.DestroyWindow();
        m_panel.DestroyWindow();
        DeleteObject(m_hostPicture);
        platform::SetDebugOutputHook({});
    }
    std::unique_ptr<CAPMSlider> MakeSlider(int count) {
        auto slider = std::make_unique<CAPMSlider>();
        slider->id = kSliderId;
        HBITMAP normal = MakeTicker(kTicker);
        HBITMAP over = MakeTicker(kTickerOver);
        EXPECT_TRUE(slider->Create(&m_host, m_host.bitmap, normal, over, 10, 5, 320, 35));
        DeleteObject(normal); // the slider keeps copies
        DeleteObject(over);
        for (int i = 0; i < count; ++i) {
            EXPECT_NE(slider->AddTicker(kFirstTickerId + i), nullptr);
        }
        slider->Init();
        slider->SetOwner(&m_panel);
        return slider;
    }
    CPHSlider& Ticker(int i) { return *m_slider->GetTicker(i); }
    std::vector<int> Positions() {
        std::vector<int> out;
        for (int i = 0; i < m_slider->GetTickerCount(); ++i) {
            out.push_back(Ticker(i).GetPos());
        }
        return out;
    }
    COLORREF At(int x, int y = 15) { return m_display.ScreenPixel(x + 20, y + 25); }
    // Drags ticker i by its centre to slider x.
    void DragTicker(int i, int x) {
        RECT r{};
        Ticker(i).GetWindowRect(&r);
        m_display.Drag(POINT{(r.left + r.right) / 2, 40}, POINT{x + 20, 40});
    }

    platform::HeadlessDisplay m_display{500, 300};
    RecordingOwner m_panel;
    RecordingHost m_host;
    HBITMAP m_hostPicture = nullptr;
    std::unique_ptr<CAPMSlider> m_slider;
    std::vector<std::u16string> m_trace;
};

} // namespace

TEST_F(APMSliderTest, DefaultStagesColoursAndCaps) {
    EXPECT_EQ(m_slider->type, GUIITEM_APMSLIDER);
    EXPECT_EQ(m_slider->GetDlgCtrlID(), kSliderId);
    EXPECT_EQ(Ticker(2).type, GUIITEM_PHSLIDER);
    EXPECT_EQ(Ticker(2).GetDlgCtrlID(), kFirstTickerId + 2);
    EXPECT_EQ(Ticker(2).hwnd, Ticker(2).m_hWnd);
    EXPECT_EQ(Ticker(2).parent, m_slider.get());
    EXPECT_EQ(Positions(), (std::vector<int>{7, 13, 19, 25})); // step 31 / 5 = 6
    EXPECT_EQ(m_slider->GetStageColors(),
              (std::vector<COLORREF>{Grey(0), Grey(49), Grey(98), Grey(147), Grey(196)}));
    EXPECT_EQ(Ticker(0).capMin, 1);
    EXPECT_EQ(Ticker(0).capMax, 13);
    EXPECT_EQ(Ticker(1).capMin, 7);
    EXPECT_EQ(Ticker(1).capMax, 19);
    EXPECT_EQ(Ticker(3).capMin, 19);
    EXPECT_EQ(Ticker(3).capMax, 32);

    // A second Init puts the tickers back even when earlier limits stand in the way.
    m_slider->RemoveTickerCapRanges();
    Ticker(0).SetPos(2);
    Ticker(1).SetPos(3);
    m_slider->SetTickerCapRanges();
    EXPECT_EQ(Ticker(0).capMax, 3);
    m_slider->Init();
    EXPECT_EQ(Positions(), (std::vector<int>{7, 13, 19, 25}));

    // More colour slots wrap their grey past 255.
    auto many = MakeSlider(9); // ten slots: increment 11 * 255 / 31 = 90
    EXPECT_EQ(many->GetStageColors()[2], Grey(180));
    EXPECT_EQ(many->GetStageColors()[3], Grey(270 & 0xFF));
    // One ticker may go anywhere.
    auto one = MakeSlider(1);
    EXPECT_EQ(one->GetTicker(0)->GetPos(), 16);
    EXPECT_EQ(one->GetTicker(0)->capMin, 1);
    EXPECT_EQ(one->GetTicker(0)->capMax, 32);
}

TEST_F(APMSliderTest, SegmentsArePaintedUnderTheBlendedTrack) {
    // Boundaries under the tickers' centres: ((p - 1) * 300 + 15) / 31 + 5.
    const std::vector<RECT> segments = m_slider->SegmentRects();
    ASSERT_EQ(segments.size(), 5u);
    const int bounds[] = {0, 63, 121, 179, 237, 310};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(segments[i].left, bounds[i]) << i;
        EXPECT_EQ(segments[i].right, bounds[i + 1]) << i;
        EXPECT_EQ(segments[i].top, 0);
        EXPECT_EQ(segments[i].bottom, 30);
    }
    EXPECT_TRUE(Near(At(30), Blended(Grey(0))));
    EXPECT_TRUE(Near(At(90), Blended(Grey(49))));
    EXPECT_TRUE(Near(At(150), Blended(Grey(98))));
    EXPECT_TRUE(Near(At(200), Blended(Grey(147))));
    EXPECT_TRUE(Near(At(300, 29), Blended(Grey(196))));
    // The tickers stand over their boundaries, shaped: the track shows through a cut corner.
    EXPECT_EQ(At(63, 10), kTicker);
    EXPECT_EQ(At(58, 10), kTicker);
    EXPECT_TRUE(Near(At(58, 0), Blended(Grey(0))));

    // A stage colour set by the owner shows at once.
    EXPECT_TRUE(m_slider->SetStageColor(2, RGB(0, 200, 0)));
    EXPECT_FALSE(m_slider->SetStageColor(5, RGB(0, 200, 0)));
    EXPECT_FALSE(m_slider->SetStageColor(-1, RGB(0, 200, 0)));
    platform::PumpUntilIdle();
    EXPECT_TRUE(Near(At(150), Blended(RGB(0, 200, 0))));
    m_slider->SetTrackAlpha(0);
    m_slider->Invalidate();
    platform::PumpUntilIdle();
    EXPECT_EQ(At(150), RGB(0, 200, 0));
}

TEST_F(APMSliderTest, EveryRepaintWritesItsTrace) {
    m_slider->SetStageColor(1, RGB(0x12, 0x34, 0x56));
    m_trace.clear();
    m_slider->Invalidate();
    platform::PumpUntilIdle();
    ASSERT_EQ(m_trace.size(), 14u); // five colours, four positions, five segments
    EXPECT_EQ(m_trace[0], u"CAPMSlider::OnPaint Color(0): 0x0\n");
    EXPECT_EQ(m_trace[1], u"CAPMSlider::OnPaint Color(1): 0x563412\n");
    EXPECT_EQ(m_trace[4], u"CAPMSlider::OnPaint Color(4): 0xc4c4c4\n");
    EXPECT_EQ(m_trace[5], u"CAPMSlider::OnPaint Pos(0): 0x7\n");
    EXPECT_EQ(m_trace[8], u"CAPMSlider::OnPaint Pos(3): 0x25\n");
    EXPECT_EQ(m_trace[9], u"CAPMSlider::OnPaint CurrentRect(0, 63): color(0x0)\n");
    EXPECT_EQ(m_trace[10], u"CAPMSlider::OnPaint CurrentRect(63, 121): color(0x563412)\n");
    EXPECT_EQ(m_trace[13], u"CAPMSlider::OnPaint CurrentRect(237, 310): color(0xc4c4c4)\n");

    // Nothing but the repaint writes: a slider left alone stays quiet.
    m_trace.clear();
    platform::PumpUntilIdle();
    EXPECT_TRUE(m_trace.empty());
}

TEST_F(APMSliderTest, TickersMeetButDoNotPassTheirNeighbours) {
    // Ticker 1 (13) dragged onto ticker 2's position 19 (centre 5 + 18 * 300 / 31 = 179).
    DragTicker(1, 179);
    EXPECT_EQ(Positions(), (std::vector<int>{7, 19, 19, 25}));
    EXPECT_EQ(Ticker(2).capMin, 19); // the neighbours' limits follow
    EXPECT_EQ(Ticker(0).capMax, 19);
    const auto relayed = m_panel.Of(WM_SLIDER_POSCHANGED);
    ASSERT_FALSE(relayed.empty());
    EXPECT_EQ(relayed.back(), (std::pair<WPARAM, LPARAM>{19, kFirstTickerId + 1}));
    EXPECT_EQ(m_host.received.size(), relayed.size()); // the host hears every one too
    // The segment the ticker left now has the colour of the one before it.
    EXPECT_TRUE(Near(At(130), Blended(Grey(49))));
    EXPECT_TRUE(Near(At(210), Blended(Grey(147))));

    // Past it is not allowed: the ticker stays on the neighbour's position.
    DragTicker(1, 260);
    EXPECT_EQ(Positions(), (std::vector<int>{7, 19, 19, 25}));
    RECT r{};
    Ticker(1).GetWindowRect(&r);
    EXPECT_EQ(r.left - 20, 174); // snapped back onto position 19

    // With crossing allowed the next move frees every ticker.
    m_slider->SetTickersMayCross(true);
    DragTicker(0, 100);
    EXPECT_EQ(Ticker(1).capMin, 1);
    EXPECT_EQ(Ticker(1).capMax, 32);
    DragTicker(1, 275); // (275 - 5 + 4) / (300 / 31) = 28.3: position 29
    EXPECT_EQ(Ticker(1).GetPos(), 29);
}

TEST_F(APMSliderTest, AMovedTickerRepaintsBetweenItsNeighbours) {
    // x(p) = (p - 1) * 310 / 31; the neighbours' windows are left out.
    const auto updated = [this](int index) {
        m_slider->ValidateRect(nullptr);
        m_slider->InvalidateSegment(index);
        RECT r{};
        return ::GetUpdateRect(m_slider->m_hWnd, &r, FALSE) ? r : RECT{-1, -1, -1, -1};
    };
    const auto same = [](RECT a, RECT b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    EXPECT_TRUE(same(updated(1), RECT{68, 0, 174, 30}));  // 60..180 less 58..68 and 174..184
    EXPECT_TRUE(same(updated(0), RECT{0, 0, 116, 30}));   // 0..120 less 116..126
    EXPECT_TRUE(same(updated(3), RECT{184, 0, 310, 30})); // 180..310 less 174..184
    EXPECT_TRUE(same(updated(4), RECT{-1, -1, -1, -1}));  // no such ticker

    // A notification repaints the segment of the ticker that stands at the notified place.
    m_slider->ValidateRect(nullptr);
    m_slider->SendMessage(WM_SLIDER_POSCHANGED, 13, kFirstTickerId + 1);
    RECT r{};
    ASSERT_TRUE(::GetUpdateRect(m_slider->m_hWnd, &r, FALSE));
    EXPECT_TRUE(same(r, RECT{68, 0, 174, 30}));
    m_slider->ValidateRect(nullptr);
    m_slider->SendMessage(WM_SLIDER_POSCHANGED, 14, kFirstTickerId + 1); // not where it stands
    EXPECT_FALSE(::GetUpdateRect(m_slider->m_hWnd, &r, FALSE));
    platform::PumpUntilIdle();
    EXPECT_EQ(m_panel.Of(WM_SLIDER_POSCHANGED).size(), 2u); // relayed all the same

    auto single = MakeSlider(1);
    single->ValidateRect(nullptr);
    single->InvalidateSegment(0);
    ASSERT_TRUE(::GetUpdateRect(single->m_hWnd, &r, FALSE));
    EXPECT_TRUE(same(r, RECT{0, 0, 310, 30}));
}

TEST_F(APMSliderTest, TrackClicksReportTheSegment) {
    m_display.Click(20 + 300, 40); // right of the last ticker
    m_display.Click(20 + 2, 40);   // left of the first
    m_display.Click(20 + 100, 40); // value 1 + 31 * 100 / 310 = 11: right of ticker 0 only
    // Just right of the first ticker's window: value 7, on the first ticker's position. The
    // slider stands 10 pixels into its host, which does not shift the value.
    m_display.Click(20 + 69, 40);
    const auto clicks = m_panel.Of(WM_APMSLIDER_CLICK);
    ASSERT_EQ(clicks.size(), 4u);
    EXPECT_EQ(clicks[0], (std::pair<WPARAM, LPARAM>{4, kSliderId}));
    EXPECT_EQ(clicks[1], (std::pair<WPARAM, LPARAM>{0, kSliderId}));
    EXPECT_EQ(clicks[2], (std::pair<WPARAM, LPARAM>{1, kSliderId}));
    EXPECT_EQ(clicks[3], (std::pair<WPARAM, LPARAM>{1, kSliderId}));
    EXPECT_EQ(m_host.received.size(), 4u);
    EXPECT_TRUE(m_panel.Of(WM_SLIDER_POSCHANGED).empty()); // a track click moves no ticker

    // Without an owner of its own the host, its parent, hears once.
    m_slider->SetOwner(nullptr);
    m_host.received.clear();
    m_display.Click(20 + 300, 40);
    ASSERT_EQ(m_host.received.size(), 1u);
    EXPECT_EQ(m_host.received[0].message, WM_APMSLIDER_CLICK);
    EXPECT_EQ(m_host.received[0].wParam, 4u);
}

TEST_F(APMSliderTest, WithoutTickersAndLeaks) {
    m_slider.reset();
    platform::PumpUntilIdle();
    const size_t before = gdi::LiveObjectCount();
    {
        CAPMSlider bare;
        bare.id = 9;
        EXPECT_EQ(bare.AddTicker(1), nullptr); // no window yet
        ASSERT_TRUE(bare.Create(&m_host, m_host.bitmap, nullptr, nullptr, 0, 36, 50, 40));
        EXPECT_TRUE(bare.Init());
        EXPECT_TRUE(bare.GetStageColors().empty());
        bare.SetOwner(&m_panel);
        bare.InvalidateSegment(0); // names no ticker
        bare.InvalidateSegment(-1);
        m_trace.clear();
        platform::PumpUntilIdle();
        EXPECT_TRUE(m_trace.empty()); // no colours, no tickers: nothing to write
        EXPECT_TRUE(Near(m_display.ScreenPixel(20 + 25, 20 + 38), Blended(RGB(0, 0, 0))));
        m_display.Click(20 + 25, 20 + 38);
        ASSERT_EQ(m_panel.Of(WM_APMSLIDER_CLICK).size(), 1u);
        EXPECT_EQ(m_panel.Of(WM_APMSLIDER_CLICK)[0], (std::pair<WPARAM, LPARAM>{0, 9}));

        auto other = MakeSlider(3);
        other->InvalidateSegment(7);
        platform::PumpUntilIdle();
    }
    platform::PumpUntilIdle();
    EXPECT_EQ(gdi::LiveObjectCount(), before);
}
