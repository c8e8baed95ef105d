// The on-screen display on the headless display: where the windows are, what they show (name
// text, gauge segments, frame, value texts, labels), the colour key and alpha, hiding after
// the time-out on the virtual clock, restarted time-outs, resolution changes and clean-up.

#include "tray/OsdDisplay.h"
#include "platform/com/ObjBase.h"
#include "platform/com/Unknwn.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr COLORREF kDesktop = RGB(0, 0, 255);
constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;

// What a gauge-window pixel of colour c looks like on the blue desktop at alpha 200.
COLORREF Blended(COLORREF c) {
    auto mix = [](int window, int desktop) {
        return static_cast<BYTE>((window * 200 + desktop * 55 + 127) / 255);
    };
    return RGB(mix(GetRValue(c), GetRValue(kDesktop)), mix(GetGValue(c), GetGValue(kDesktop)),
               mix(GetBValue(c), GetBValue(kDesktop)));
}

bool Near(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= 1 &&
           std::abs(GetGValue(a) - GetGValue(b)) <= 1 && std::abs(GetBValue(a) - GetBValue(b)) <= 1;
}

int g_appClicks = 0;

LRESULT AppProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONDOWN) {
        ++g_appClicks;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

RECT WindowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

class OsdDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_gdiObjects = gdi::LiveObjectCount();
        m_osd = std::make_unique<COsdDisplay>(nullptr);
        m_osd->SetMaxLevel(20);
        ASSERT_EQ(m_osd->CreateOsdWindows(), S_OK);
        platform::PumpUntilIdle();
        m_text = m_osd->GetTextWindow();
        m_slider = m_osd->GetSliderWindow();
        ASSERT_TRUE(m_text && m_slider);
    }
    void TearDown() override {
        m_osd.reset();
        platform::PumpUntilIdle();
        EXPECT_EQ(gdi::LiveObjectCount(), m_gdiObjects) << "GDI handles left behind";
    }

    void Pump() {
        platform::PumpUntilIdle();
        m_shot.reset();
    }
    void Advance(std::uint64_t ms) {
        m_clock.Advance(ms);
        Pump();
    }
    // Screen pixel at a point of the gauge window (one capture per state of the screen).
    COLORREF Gauge(int x, int y) {
        if (!m_shot) {
            m_shot = std::make_unique<gdi::Bitmap>(m_display.CaptureWindow(m_slider));
        }
        return m_shot->Contains(x, y) ? m_shot->GetColor(x, y) : CLR_INVALID;
    }
    // Centre of segment k (0 = bottom) of the column starting at x = left.
    COLORREF Segment(int left, int k) {
        const int bottom = 6 + 13 + 240 - 12 * k;
        return Gauge(left + 28, bottom - 5);
    }
    // Largest green channel within a rectangle of the gauge window.
    int MaxGreen(RECT area) {
        int best = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                best = std::max(best, static_cast<int>(GetGValue(Gauge(x, y))));
            }
        }
        return best;
    }

    platform::ScopedVirtualClock m_clock;
    platform::HeadlessDisplay m_display{kScreenW, kScreenH, kDesktop};
    std::size_t m_gdiObjects = 0;
    std::unique_ptr<COsdDisplay> m_osd;
    std::unique_ptr<gdi::Bitmap> m_shot;
    HWND m_text = nullptr;
    HWND m_slider = nullptr;
};

TEST_F(OsdDisplayTest, WindowsAreHiddenLayeredOverlaysInTheirPlaces) {
    EXPECT_EQ(FindWindowW(OSD_TEXT_CLASS, OSD_TEXT_CLASS), m_text);
    EXPECT_EQ(FindWindowW(OSD_SLIDER_CLASS, OSD_SLIDER_CLASS), m_slider);
    for (HWND hwnd : {m_text, m_slider}) {
        EXPECT_FALSE(IsWindowVisible(hwnd));
        const DWORD ex = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE));
        const DWORD wanted =
            WS_EX_TOPMOST | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_NOACTIVATE;
        EXPECT_EQ(ex & wanted, wanted);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & WS_POPUP, WS_POPUP);
    }
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(m_text, &key, &alpha, &flags));
    EXPECT_EQ(key, OSD_KEY_COLOR);
    EXPECT_EQ(flags, LWA_COLORKEY);
    ASSERT_TRUE(GetLayeredWindowAttributes(m_slider, &key, &alpha, &flags));
    EXPECT_EQ(key, OSD_KEY_COLOR);
    EXPECT_EQ(alpha, 200);
    EXPECT_EQ(flags, LWA_COLORKEY | LWA_ALPHA);

    // At 96 pixels per inch: name 26 pixels high, 50 above the bottom, 10 short of the right
    // edge; gauge 119 x 265 at 129 from the right edge and 351 above the bottom.
    const RECT text = WindowRect(m_text);
    EXPECT_EQ(text.left, 0);
    EXPECT_EQ(text.right, kScreenW - 10);
    EXPECT_EQ(text.bottom, kScreenH - 50);
    EXPECT_EQ(text.bottom - text.top, 26);
    const RECT slider = WindowRect(m_slider);
    EXPECT_EQ(slider.left, kScreenW - 129);
    EXPECT_EQ(slider.right - slider.left, 119);
    EXPECT_EQ(slider.bottom - slider.top, 265);
    EXPECT_EQ(slider.top, kScreenH - 351);
    EXPECT_EQ(PlaceOsdSliderWindow().top, slider.top);
    EXPECT_EQ(PlaceOsdTextWindow().right, text.right);

    // A second display while this one lives owns nothing and makes nothing.
    COsdDisplay second(nullptr);
    EXPECT_FALSE(second.OwnsWindows());
    EXPECT_EQ(second.CreateOsdWindows(), E_FAIL);
    second.ShowProfileName(u"Other");
    Pump();
    EXPECT_FALSE(IsWindowVisible(m_text));
}

TEST_F(OsdDisplayTest, NameShowsBottomRightWithoutFocusAndHidesAfterFiveSeconds) {
    WNDCLASSW wc;
    wc.lpfnWndProc = AppProc;
    wc.lpszClassName = u"OsdTestApp";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND app = CreateWindowExW(0, u"OsdTestApp", u"", WS_POPUP | WS_VISIBLE, 0, 0, kScreenW,
                               kScreenH, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(app);
    SetActiveWindow(app);
    Pump();
    const COLORREF appColour = m_display.ScreenPixel(5, 5);

    m_osd->ShowProfileName(u"Gaming");
    Pump();
    EXPECT_TRUE(IsWindowVisible(m_text));
    EXPECT_EQ(GetActiveWindow(), app);
    EXPECT_EQ(std::u16string(m_osd->GetNameText()), u"Gaming");

    // The text's pixels: bright green, ending at the window's bottom right; the key colour
    // around it lets the window below show through.
    const RECT r = WindowRect(m_text);
    int right = -1;
    int bottom = -1;
    int left = kScreenW;
    int top = kScreenH;
    bool textColour = false;
    const gdi::Bitmap& screen = m_display.Composite();
    for (int y = r.top - 5; y < r.bottom + 5; ++y) {
        for (int x = 0; x < kScreenW; ++x) {
            const COLORREF c = screen.GetColor(x, y);
            ASSERT_NE(c, OSD_KEY_COLOR);
            if (c != appColour) {
                ASSERT_EQ(GetRValue(c), 0);
                ASSERT_EQ(GetBValue(c), 0);
                right = std::max(right, x);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
                top = std::min(top, y);
                textColour = textColour || c == OSD_TEXT_COLOR;
            }
        }
    }
    EXPECT_TRUE(textColour);
    EXPECT_LE(right, kScreenW - 11);
    EXPECT_GE(right, kScreenW - 16);
    EXPECT_LE(bottom, kScreenH - 51);
    EXPECT_GE(bottom, kScreenH - 58);
    EXPECT_GT(left, kScreenW / 2); // right-aligned, a short name
    EXPECT_GE(top, r.top);
    EXPECT_GE(bottom - top, 16); // bold Arial of 26 pixels: "G" and "g" span more than 16 rows

    // Clicks pass through the overlay to the window below.
    g_appClicks = 0;
    m_display.Click(right - 3, bottom - 5);
    EXPECT_EQ(g_appClicks, 1);
    EXPECT_EQ(GetActiveWindow(), app);

    Advance(4999);
    EXPECT_TRUE(IsWindowVisible(m_text));
    Advance(1);
    EXPECT_FALSE(IsWindowVisible(m_text));
    EXPECT_EQ(std::u16string(m_osd->GetNameText()), u"");
    EXPECT_EQ(m_display.ScreenPixel(right - 3, bottom - 5), appColour);

    DestroyWindow(app);
    UnregisterClassW(u"OsdTestApp", nullptr);
}

TEST_F(OsdDisplayTest, RepeatedShowsRestartTheTimeOut) {
    m_osd->ShowOsdSliderValue(5, u"1600");
    Pump();
    Advance(1000);
    m_osd->ShowOsdSliderValue(6, u"1800");
    Pump();
    Advance(2999);
    EXPECT_TRUE(IsWindowVisible(m_slider));
    Advance(1);
    EXPECT_FALSE(IsWindowVisible(m_slider));

    m_osd->ShowProfileName(u"One");
    Pump();
    Advance(3000);
    m_osd->ShowProfileName(u"Two");
    Pump();
    EXPECT_EQ(std::u16string(m_osd->GetNameText()), u"Two");
    Advance(4999);
    EXPECT_TRUE(IsWindowVisible(m_text));
    Advance(1);
    EXPECT_FALSE(IsWindowVisible(m_text));

    // Shown again after hiding: a fresh count of 3 seconds, with the new content.
    m_osd->ShowOsdSliderValues(2, u"800", 5, u"1600");
    Pump();
    EXPECT_TRUE(IsWindowVisible(m_slider));
    EXPECT_TRUE(Near(Segment(0, 1), Blended(OSD_BAR_COLOR)));
    Advance(3000);
    EXPECT_FALSE(IsWindowVisible(m_slider));
}

TEST_F(OsdDisplayTest, OneGaugeDrawsTheRightColumnOnly) {
    m_osd->ShowOsdSliderValue(6, u"1800");
    Pump();
    ASSERT_TRUE(IsWindowVisible(m_slider));
    const COLORREF bar = Blended(OSD_BAR_COLOR);
    const COLORREF black = Blended(OSD_GAUGE_INSIDE_COLOR);
    const int c = OSD_RIGHT_COLUMN_LEFT;

    // Frame: 2 pixels of bar colour around black; the key colour (left column, gap) shows the
    // desktop.
    EXPECT_TRUE(Near(Gauge(c, 100), bar));
    EXPECT_TRUE(Near(Gauge(c + 1, 100), bar));
    EXPECT_TRUE(Near(Gauge(c + 2, 100), black));
    EXPECT_TRUE(Near(Gauge(118, 100), bar));
    EXPECT_TRUE(Near(Gauge(c + 30, 0), bar));
    EXPECT_TRUE(Near(Gauge(c + 30, 264), bar));
    EXPECT_TRUE(Near(Gauge(c + 3, 3), black));
    EXPECT_EQ(Gauge(59, 100), kDesktop);
    EXPECT_EQ(Gauge(28, 200), kDesktop);

    // Six lit segments 45 x 10, 12 apart, from the bottom up.
    for (int k = 0; k < 20; ++k) {
        EXPECT_TRUE(Near(Segment(c, k), k < 6 ? bar : black)) << "segment " << k;
    }
    const int bottom0 = 6 + 13 + 240;
    EXPECT_TRUE(Near(Gauge(c + 6, bottom0 - 1), bar));
    EXPECT_TRUE(Near(Gauge(c + 50, bottom0 - 10), bar));
    EXPECT_TRUE(Near(Gauge(c + 5, bottom0 - 5), black));
    EXPECT_TRUE(Near(Gauge(c + 51, bottom0 - 5), black));
    EXPECT_TRUE(Near(Gauge(c + 28, bottom0), black));
    EXPECT_TRUE(Near(Gauge(c + 28, bottom0 - 11), black));

    // The value text in bright green at the top; no label over the lower segments.
    EXPECT_GT(MaxGreen(RECT{c + 6, 6, c + 51, 6 + 14}), GetGValue(bar) + 20);
    EXPECT_EQ(MaxGreen(RECT{c + 6, 6 + 16, c + 51, 6 + 24}), GetGValue(black));
    for (int x = c + 6; x < c + 51; ++x) {
        ASSERT_TRUE(Near(Gauge(x, bottom0 - 5), bar)) << x;
    }
}

TEST_F(OsdDisplayTest, LevelsAreHeldToTheGauge) {
    const COLORREF bar = Blended(OSD_BAR_COLOR);
    const COLORREF black = Blended(OSD_GAUGE_INSIDE_COLOR);
    const int c = OSD_RIGHT_COLUMN_LEFT;

    // Level 0: a framed, empty gauge with its text.
    m_osd->ShowOsdSliderValue(0, u"100");
    Pump();
    EXPECT_TRUE(Near(Gauge(c, 100), bar));
    for (int k = 0; k < 20; ++k) {
        EXPECT_TRUE(Near(Segment(c, k), black)) << k;
    }
    EXPECT_GT(MaxGreen(RECT{c + 6, 6, c + 51, 6 + 14}), GetGValue(bar) + 20);

    // Above the maximum: every one of the 20 segments, and nothing above the top one.
    m_osd->ShowOsdSliderValue(25, u"9999");
    Pump();
    for (int k = 0; k < 20; ++k) {
        EXPECT_TRUE(Near(Segment(c, k), bar)) << k;
    }
    EXPECT_TRUE(Near(Gauge(c + 28, 6 + 13 + 240 - 12 * 20 - 1), black));

    // Below 0 counts as 0; an empty text draws no text.
    m_osd->ShowOsdSliderValue(-3, u"");
    Pump();
    EXPECT_TRUE(Near(Segment(c, 0), black));
    EXPECT_EQ(MaxGreen(RECT{c + 6, 6, c + 51, 6 + 14}), GetGValue(black));
}

TEST_F(OsdDisplayTest, TwoGaugesWithLabels) {
    m_osd->ShowOsdSliderValues(2, u"800", 5, u"1600");
    Pump();
    const COLORREF bar = Blended(OSD_BAR_COLOR);
    const COLORREF black = Blended(OSD_GAUGE_INSIDE_COLOR);
    const int right = OSD_RIGHT_COLUMN_LEFT;
    EXPECT_TRUE(Near(Gauge(0, 100), bar));
    EXPECT_TRUE(Near(Gauge(56, 100), bar));
    EXPECT_EQ(Gauge(59, 100), kDesktop);
    for (int k = 2; k < 20; ++k) {
        EXPECT_TRUE(Near(Segment(0, k), black)) << k;
    }
    for (int k = 5; k < 20; ++k) {
        EXPECT_TRUE(Near(Segment(right, k), black)) << k;
    }
    EXPECT_TRUE(Near(Segment(0, 1), bar));
    EXPECT_TRUE(Near(Segment(right, 4), bar));
    EXPECT_GT(MaxGreen(RECT{6, 6, 51, 6 + 14}), GetGValue(bar) + 20);
    EXPECT_GT(MaxGreen(RECT{right + 6, 6, right + 51, 6 + 14}), GetGValue(bar) + 20);

    // "X" and "Y" in dark green over the lower segments of each column.
    const COLORREF label = Blended(OSD_LABEL_COLOR);
    for (int left : {0, right}) {
        int labelPixels = 0;
        for (int y = 265 - 26; y < 265 - 6; ++y) {
            for (int x = left + 6; x < left + 51; ++x) {
                labelPixels += Near(Gauge(x, y), label) ? 1 : 0;
            }
        }
        EXPECT_GT(labelPixels, 10) << left;
    }
}

TEST_F(OsdDisplayTest, OverlongTextsAreRefusedAndLongNamesCut) {
    m_osd->ShowOsdSliderValue(5, u"12345");
    Pump();
    EXPECT_FALSE(IsWindowVisible(m_slider));
    m_osd->ShowOsdSliderValues(2, u"800", 5, u"16000");
    Pump();
    EXPECT_FALSE(IsWindowVisible(m_slider));
    m_osd->ShowOsdSliderValues(2, u"80000", 5, u"1600");
    Pump();
    EXPECT_FALSE(IsWindowVisible(m_slider));
    m_osd->ShowOsdSliderValue(5, nullptr);
    Pump();
    EXPECT_TRUE(IsWindowVisible(m_slider));

    std::u16string longName(300, u'a');
    m_osd->ShowProfileName(longName.c_str());
    Pump();
    EXPECT_EQ(std::u16string(m_osd->GetNameText()), std::u16string(254, u'a'));
    // A surrogate pair across the cut is left out whole.
    std::u16string pair(253, u'b');
    pair += u"\U0001F600tail";
    m_osd->ShowProfileName(pair.c_str());
    EXPECT_EQ(std::u16string(m_osd->GetNameText()), std::u16string(253, u'b'));
    // Exactly 254 characters fit.
    std::u16string fits(252, u'c');
    fits += u"\U0001F600";
    m_osd->ShowProfileName(fits.c_str());
    EXPECT_EQ(std::u16string(m_osd->GetNameText()), fits);
    m_osd->ShowProfileName(nullptr);
    EXPECT_EQ(std::u16string(m_osd->GetNameText()), u"");
    Pump();
}

TEST_F(OsdDisplayTest, AResolutionChangeMovesBothWindows) {
    m_display.SetScreenSize(1280, 1024);
    Pump();
    const RECT text = WindowRect(m_text);
    EXPECT_EQ(text.right, 1270);
    EXPECT_EQ(text.bottom, 1024 - 50);
    const RECT slider = WindowRect(m_slider);
    EXPECT_EQ(slider.left, 1280 - 129);
    EXPECT_EQ(slider.top, 1024 - 351);
    EXPECT_EQ(slider.bottom - slider.top, 265);

    m_osd->ShowOsdSliderValue(20, u"5600");
    Pump();
    EXPECT_TRUE(Near(m_display.ScreenPixel(1280 - 129 + OSD_RIGHT_COLUMN_LEFT + 28,
                                           1024 - 351 + 6 + 13 + 240 - 5),
                     Blended(OSD_BAR_COLOR)));
}

TEST(OsdDisplayLifetimeTest, MaximumLevelSizesTheGaugeAndEverythingIsUndone) {
    platform::ScopedVirtualClock clock;
    platform::HeadlessDisplay display(800, 600, kDesktop);
    const std::size_t before = gdi::LiveObjectCount();
    {
        COsdDisplay osd(nullptr);
        osd.SetMaxLevel(10);
        EXPECT_EQ(osd.GetMaxLevel(), 10);
        ASSERT_EQ(osd.CreateOsdWindows(), S_OK);
        EXPECT_EQ(osd.CreateOsdWindows(), S_OK); // already there
        osd.SetMaxLevel(15);                     // too late: the gauge is sized
        EXPECT_EQ(osd.GetMaxLevel(), 10);
        const RECT r = WindowRect(osd.GetSliderWindow());
        EXPECT_EQ(r.bottom - r.top, 13 + 120 + 12);
        osd.ShowOsdSliderValue(12, u"12");
        osd.ShowProfileName(u"Name");
        platform::PumpUntilIdle();
        EXPECT_TRUE(IsWindowVisible(osd.GetSliderWindow()));
    }
    platform::PumpUntilIdle();
    EXPECT_EQ(FindWindowW(OSD_TEXT_CLASS, nullptr), nullptr);
    EXPECT_EQ(FindWindowW(OSD_SLIDER_CLASS, nullptr), nullptr);
    WNDCLASSW wc;
    EXPECT_FALSE(GetClassInfoW(nullptr, OSD_TEXT_CLASS, &wc));
    EXPECT_FALSE(GetClassInfoW(nullptr, OSD_SLIDER_CLASS, &wc));
    EXPECT_EQ(gdi::LiveObjectCount(), before);

    // The limits of the maximum level, and a new display after the old one is gone.
    COsdDisplay again(nullptr);
    EXPECT_TRUE(again.OwnsWindows());
    again.SetMaxLevel(-4);
    EXPECT_EQ(again.GetMaxLevel(), 0);
    again.SetMaxLevel(100000);
    EXPECT_EQ(again.GetMaxLevel(), OSD_MAX_LEVEL_LIMIT);
    again.SetMaxLevel(20);
    EXPECT_EQ(again.CreateOsdWindows(), S_OK);
    // Nothing shows before the windows exist or after a refused show.
    COsdDisplay idle(nullptr);
    idle.ShowOsdSliderValue(3, u"1");
}

} // namespace

namespace {

TEST(OsdDisplayLifetimeTest, ComInitialisationIsBalanced) {
    platform::ScopedVirtualClock clock;
    platform::HeadlessDisplay display(800, 600, kDesktop);
    const int before = CoGetInitializeCount();
    ASSERT_EQ(before, 0) << "the test thread starts without COM";
    {
        COsdDisplay osd(nullptr);
        ASSERT_EQ(osd.CreateOsdWindows(), S_OK);
        EXPECT_EQ(osd.CreateOsdWindows(), S_OK);
        EXPECT_EQ(CoGetInitializeCount(), before + 1);
    }
    EXPECT_EQ(CoGetInitializeCount(), before);

    // A thread already in the multithreaded model cannot take the display: no windows, and
    // the destructor does not end an initialisation it never made.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    const int held = CoGetInitializeCount();
    {
        COsdDisplay osd(nullptr);
        EXPECT_EQ(osd.CreateOsdWindows(), E_FAIL);
        EXPECT_EQ(osd.GetTextWindow(), nullptr);
        osd.ShowProfileName(u"Nothing");
        osd.ShowOsdSliderValue(3, u"300");
        EXPECT_EQ(FindWindowW(OSD_TEXT_CLASS, nullptr), nullptr);
    }
    EXPECT_EQ(CoGetInitializeCount(), held);
    CoUninitialize();
    EXPECT_EQ(CoGetInitializeCount(), before);
}

} // namespace
