#include "gui/BitmapBtn.h"
#include "ButtonTestSupport.h"
#include "SkinTestSupport.h"
#include "gui/AVIButton.h"
#include "gui/FontItem.h"
#include "gui/LangTable.h"
#include "gui/ProfileBtn.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Clock.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using buttontest::CountOtherPixels;
using buttontest::CountPixels;
using buttontest::HostWindow;
using buttontest::MakeBitmap;
using buttontest::MakeSolidBitmap;

namespace {

using skintest::Utf16Le;

constexpr COLORREF kNormal = RGB(200, 0, 0);
constexpr COLORREF kOver = RGB(0, 200, 0);
constexpr COLORREF kDown = RGB(0, 0, 200);
constexpr COLORREF kDisabled = RGB(90, 90, 90);
constexpr RECT kButtonArea{10, 10, 90, 40}; // 80 x 30 in the host

// Counts its paints.
class CountingBtn : public CBitmapBtn {
public:
    void DrawItem(LPDRAWITEMSTRUCT drawItem) override {
        ++paints;
        CBitmapBtn::DrawItem(drawItem);
    }
    int paints = 0;
};

class BitmapBtnTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_liveBefore = gdi::LiveObjectCount();
        ASSERT_TRUE(m_host.CreateAt(200, 100));
        m_sources[0] = MakeSolidBitmap(100, 40, kNormal);
        m_sources[1] = MakeSolidBitmap(100, 40, kOver);
        m_sources[2] = MakeSolidBitmap(100, 40, kDown);
        m_sources[3] = MakeSolidBitmap(100, 40, kDisabled);
    }
    void TearDown() override {
        CurrentLangTable = m_savedTable;
        m_host.DestroyWindow();
        platform::PumpUntilIdle();
        for (HBITMAP b : m_sources) {
            DeleteObject(b);
        }
    }

    std::unique_ptr<CountingBtn> MakeButton(bool checkBox) {
        auto button = std::make_unique<CountingBtn>();
        EXPECT_TRUE(button->Create(
            u"", WS_CHILD | WS_VISIBLE | BS_MULTILINE | BS_VCENTER | BS_OWNERDRAW | BS_CENTER,
            kButtonArea, &m_host, 0));
        button->LoadBitmaps(m_sources[0], m_sources[1], m_sources[2], m_sources[3], 0, 0, 80, 30);
        button->checkBoxMode = checkBox ? 1 : 0;
        button->textFormat = DT_CENTER | 0x12000 | 0x34;
        platform::PumpUntilIdle();
        return button;
    }

    COLORREF Face() { return m_display.ScreenPixel(12, 12); }

    platform::HeadlessDisplay m_display{300, 200, RGB(0, 0, 0)};
    HostWindow m_host;
    HBITMAP m_sources[4] = {};
    size_t m_liveBefore = 0;
    CLangTable* m_savedTable = CurrentLangTable;
};

} // namespace

TEST_F(BitmapBtnTest, PushButtonLooksFollowHoverPressAndDisable) {
    auto button = MakeButton(false);
    EXPECT_EQ(button->type, GUIITEM_BITMAPBTN);
    EXPECT_EQ(button->GetStyle() & (WS_TABSTOP | WS_BORDER), 0u);
    EXPECT_EQ(Face(), kNormal);

    m_display.MoveMouse(20, 20);
    EXPECT_TRUE(button->hover);
    EXPECT_EQ(::GetCapture(), button->m_hWnd);
    EXPECT_EQ(Face(), kOver);

    m_display.MoveMouse(150, 80); // out of the button
    EXPECT_FALSE(button->hover);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(Face(), kNormal);

    // A click on a push button is the system button's: BN_CLICKED with the button's window.
    m_display.Click(20, 20);
    const auto commands = m_host.Of(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, MAKEWPARAM(0, BN_CLICKED));
    EXPECT_EQ(commands[0].lParam, reinterpret_cast<LPARAM>(button->m_hWnd));

    EXPECT_EQ(button->ChooseBitmap(ODS_SELECTED), BTN_STATE_DOWN);
    button->hover = 0;
    EXPECT_EQ(button->ChooseBitmap(ODS_DISABLED), BTN_STATE_DISABLED);
    button->EnableWindow(FALSE);
    platform::PumpUntilIdle();
    EXPECT_EQ(Face(), kDisabled);
}

TEST_F(BitmapBtnTest, CheckBoxTogglesOnPressAndNotifies) {
    auto button = MakeButton(true);
    m_display.Click(20, 20);
    EXPECT_EQ(button->checked, 1);
    EXPECT_EQ(Face(), kDown);
    ASSERT_EQ(m_host.Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(m_host.Of(WM_COMMAND)[0].lParam, reinterpret_cast<LPARAM>(button->m_hWnd));
    m_display.Click(20, 20); // a double-click: the second press toggles as well
    EXPECT_EQ(button->checked, 0);
    EXPECT_EQ(m_host.Of(WM_COMMAND).size(), 2u);

    // The owner decides: presses notify but leave the look until SetCheck.
    button->toggleOnClick = 0;
    m_display.Click(20, 20);
    m_display.Click(20, 20);
    EXPECT_EQ(m_host.Of(WM_COMMAND).size(), 4u);
    EXPECT_EQ(button->checked, 0);
    m_display.MoveMouse(150, 80);
    EXPECT_EQ(Face(), kNormal);
    button->SetCheck(1);
    platform::PumpUntilIdle();
    EXPECT_EQ(Face(), kDown);

    // Setting the current state again paints nothing.
    const int paints = button->paints;
    button->SetCheck(1);
    platform::PumpUntilIdle();
    EXPECT_EQ(button->paints, paints);
    button->SetCheck(0);
    platform::PumpUntilIdle();
    EXPECT_GT(button->paints, paints);
}

TEST_F(BitmapBtnTest, DisabledCheckBoxKeepsItsBitmapButTakesTheDisabledColour) {
    auto button = MakeButton(true);
    button->textColors[BTN_STATE_NORMAL] = RGB(255, 255, 0);
    button->textColors[BTN_STATE_DISABLED] = RGB(0, 255, 255);
    EXPECT_EQ(button->ChooseBitmap(ODS_DISABLED), BTN_STATE_NORMAL);
    EXPECT_EQ(button->ChooseTextColor(ODS_DISABLED), RGB(0, 255, 255));
    button->SetCheck(1);
    EXPECT_EQ(button->ChooseBitmap(ODS_DISABLED), BTN_STATE_DOWN);

    button->SetCheck(0);
    button->SetCaption(u"MMMM", 0);
    button->EnableWindow(FALSE);
    platform::PumpUntilIdle();
    EXPECT_EQ(Face(), kNormal);
    EXPECT_GT(CountPixels(m_display, kButtonArea, RGB(0, 255, 255)), 10);
    EXPECT_EQ(CountPixels(m_display, kButtonArea, kDisabled), 0);
}

TEST_F(BitmapBtnTest, CaptionColourZeroDrawsNearWhiteAndSkinFontIsUsed) {
    auto button = MakeButton(false);
    button->SetCaption(u"HHHH", 0);
    button->Invalidate();
    platform::PumpUntilIdle();
    const int fallbackPixels = CountPixels(m_display, kButtonArea, RGB(0xFE, 0xFE, 0xFE));
    EXPECT_GT(fallbackPixels, 10);
    EXPECT_EQ(CountPixels(m_display, kButtonArea, RGB(0, 0, 0)), 0);

    // A skin font of another size draws another amount of text; the font is shared, so it
    // outlives the button.
    CFontItem font;
    ASSERT_TRUE(font.CreateFont(26, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0x20, u"Arial"));
    button->font = &font;
    button->Invalidate();
    platform::PumpUntilIdle();
    EXPECT_GT(CountPixels(m_display, kButtonArea, RGB(0xFE, 0xFE, 0xFE)), fallbackPixels);
    const HGDIOBJ handle = font.GetSafeHandle();
    button.reset();
    EXPECT_EQ(font.GetSafeHandle(), handle);
    LOGFONTW info{};
    EXPECT_EQ(GetObjectW(handle, sizeof(info), &info), static_cast<int>(sizeof(info)));
}

TEST_F(BitmapBtnTest, CaptionIsTranslatedCaseChangedAndBreaksOnce) {
    CLangTable table;
    const auto bytes = Utf16Le(u"T\r\n1\r\nSave\r\nsave\\nnow\\nplease\r\n");
    ASSERT_TRUE(CLangTable::Parse(bytes.size(), bytes.data(), &table));
    CurrentLangTable = &table;

    auto button = MakeButton(false);
    button->SetCaption(u"$Save", 1);
    EXPECT_EQ(button->caption, CString(u"SAVE\r\nNOW\\NPLEASE"));
    button->SetCaption(u"plain\\ntext\\n", 2);
    EXPECT_EQ(button->caption, CString(u"plain\r\ntext\\n"));
    button->SetCaption(u"$Unknown", 2);
    EXPECT_EQ(button->caption, CString(u"$unknown"));

    // Two lines: text in the upper and the lower half of the button.
    button->SetCaption(u"HH\\nHH", 0);
    button->Invalidate();
    platform::PumpUntilIdle();
    const RECT upper{10, 10, 90, 25};
    const RECT lower{10, 25, 90, 40};
    EXPECT_GT(CountPixels(m_display, upper, RGB(0xFE, 0xFE, 0xFE)), 5);
    EXPECT_GT(CountPixels(m_display, lower, RGB(0xFE, 0xFE, 0xFE)), 5);
}

TEST_F(BitmapBtnTest, ToolTipShowsBackslashSequenceAsOneBlank) {
    auto button = MakeButton(false);
    button->SetToolTip(nullptr);
    EXPECT_EQ(button->tooltip.GetSafeHwnd(), nullptr);

    button->SetToolTip(u"first\\nsecond\\nthird");
    ASSERT_NE(button->tooltip.GetSafeHwnd(), nullptr);
    EXPECT_EQ(button->tooltip.GetToolCount(), 1);
    EXPECT_TRUE(platform::IsToolTipActive(button->tooltip));
    CString text;
    button->tooltip.GetText(text, button.get(), 1);
    EXPECT_EQ(text, CString(u"first second\\nthird"));

    button->SetToolTip(u"ends with\\");
    EXPECT_EQ(button->tooltip.GetToolCount(), 1);
    button->tooltip.GetText(text, button.get(), 1);
    EXPECT_EQ(text, CString(u"ends with "));
}

TEST_F(BitmapBtnTest, MaskShapesTheButtonAndNothingLeaks) {
    {
        auto button = MakeButton(false);
        // The mask cuts away everything right of x = 40.
        HBITMAP mask = MakeBitmap(
            80, 30, [](int x, int) { return x < 40 ? RGB(0, 0, 0) : RGB(255, 255, 255); });
        button->SetMaskRegion(mask, m_sources[0], m_sources[1], m_sources[2], m_sources[3], 0, 0,
                              80, 30);
        DeleteObject(mask);
        button->SetCaption(u"Go", 0);
        button->SetToolTip(u"tip");
        button->Invalidate();
        platform::PumpUntilIdle();
        EXPECT_EQ(m_display.ScreenPixel(20, 12), kNormal);
        EXPECT_EQ(::WindowFromPoint(POINT{20, 12}), button->m_hWnd);
        EXPECT_EQ(::WindowFromPoint(POINT{70, 12}), m_host.m_hWnd); // cut away
        m_display.MoveMouse(20, 20);
        m_display.MoveMouse(150, 80);
    }
    platform::PumpUntilIdle();
    for (HBITMAP& b : m_sources) {
        DeleteObject(b);
        b = nullptr;
    }
    m_host.DestroyWindow();
    platform::PumpUntilIdle();
    EXPECT_EQ(gdi::LiveObjectCount(), m_liveBefore);
}

TEST_F(BitmapBtnTest, KillFocusClearsHover) {
    auto button = MakeButton(false);
    m_display.MoveMouse(20, 20);
    ASSERT_TRUE(button->hover);
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, nullptr, u"", WS_CHILD | WS_VISIBLE, 150, 50, 10, 10,
                               m_host.m_hWnd, nullptr));
    button->SetFocus();
    other.SetFocus();
    platform::PumpUntilIdle();
    EXPECT_FALSE(button->hover);
}

TEST_F(BitmapBtnTest, AWindowThatTakesTheCaptureFromAHoveredButtonKeepsIt) {
    auto button = MakeButton(false);
    CProfileBtn profile;
    ASSERT_TRUE(profile.Create(u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{100, 10, 180, 40},
                               &m_host, 0));
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, nullptr, u"", WS_CHILD | WS_VISIBLE, 150, 60, 10, 10,
                               m_host.m_hWnd, nullptr));
    for (CWnd* hovered : {static_cast<CWnd*>(button.get()), static_cast<CWnd*>(&profile)}) {
        RECT r{};
        hovered->GetWindowRect(&r);
        m_display.MoveMouse(r.left + 5, r.top + 5);
        ASSERT_EQ(::GetCapture(), hovered->m_hWnd);
        other.SetCapture(); // a drag or a popup takes the mouse
        platform::PumpUntilIdle();
        EXPECT_EQ(::GetCapture(), other.m_hWnd);
        ::ReleaseCapture();
        m_display.MoveMouse(195, 95);
    }
}

// ---- profile button --------------------------------------------------------------------------

TEST_F(BitmapBtnTest, ProfileButtonDrawsColumnsOnlyWithAFirstColumn) {
    CProfileBtn button;
    ASSERT_TRUE(
        button.Create(u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{0, 0, 300, 30}, &m_host, 0));
    EXPECT_EQ(button.type, GUIITEM_PROFILEBTN);
    EXPECT_EQ(button.hover, 0); // owner-drawn, not a default push button
    button.LoadBitmaps(m_sources[0], m_sources[1], m_sources[2], m_sources[3], 0, 0, 100, 30);
    button.columns[1] = u"second";
    button.columns[2] = u"third";
    platform::PumpUntilIdle();
    EXPECT_EQ(CountOtherPixels(m_display, RECT{0, 0, 100, 30}, kNormal), 0);

    button.columns[0] = u"1";
    button.Invalidate();
    platform::PumpUntilIdle();
    constexpr COLORREF kText = CProfileBtn::kTextColor;
    EXPECT_GT(CountPixels(m_display, RECT{5, 0, 55, 30}, kText), 3);   // column 1
    EXPECT_GT(CountPixels(m_display, RECT{60, 0, 100, 30}, kText), 3); // column 2 (on face)
    EXPECT_EQ(CountPixels(m_display, RECT{0, 0, 5, 30}, kText), 0);    // left margin

    const RECT client{0, 0, 300, 30};
    EXPECT_EQ(CProfileBtn::ColumnRect(0, client, 16), (RECT{5, 7, 55, 30}));
    EXPECT_EQ(CProfileBtn::ColumnRect(1, client, 16), (RECT{60, 7, 160, 30}));
    EXPECT_EQ(CProfileBtn::ColumnRect(3, client, 16), (RECT{270, 7, 370, 30}));
}

TEST_F(BitmapBtnTest, ProfileButtonCheckBoxTogglesOnRelease) {
    CProfileBtn button;
    ASSERT_TRUE(
        button.Create(u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{0, 0, 100, 30}, &m_host, 0));
    button.LoadBitmaps(m_sources[0], m_sources[1], m_sources[2], m_sources[3], 0, 0, 100, 30);
    button.checkBoxMode = 1;
    m_display.MoveMouse(20, 10);
    EXPECT_EQ(m_display.ScreenPixel(2, 2), kNormal); // no over look in check-box mode
    m_display.ButtonDown();
    EXPECT_EQ(button.checked, 0);
    m_display.ButtonUp();
    EXPECT_EQ(button.checked, 1);
    EXPECT_EQ(m_display.ScreenPixel(2, 2), kDown);
    ASSERT_EQ(m_host.Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(m_host.Of(WM_COMMAND)[0].lParam, reinterpret_cast<LPARAM>(button.m_hWnd));

    button.SetToolTip(u"a\\nb");
    CString text;
    button.tooltip.GetText(text, &button, 1);
    EXPECT_EQ(text, CString(u"a\\nb")); // as given

    CProfileBtn preset;
    ASSERT_TRUE(preset.Create(u"", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, RECT{0, 40, 50, 60},
                              &m_host, 0));
    EXPECT_EQ(preset.hover, 1);
}

// ---- animation button ------------------------------------------------------------------------

TEST_F(BitmapBtnTest, AviButtonShowsShiftedFaceAndPlaysOnlyAClipThatExists) {
    CAVIButton button;
    ASSERT_TRUE(
        button.Create(u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{0, 0, 20, 10}, &m_host, 0));
    EXPECT_EQ(button.type, GUIITEM_AVIBUTTON);
    // Face 60 x 40 whose pixel (x, y) is RGB(x, y, 7): the button shows it from (10, 10).
    button.face.Attach(MakeBitmap(
        60, 40, [](int x, int y) { return RGB(static_cast<BYTE>(x), static_cast<BYTE>(y), 7); }));
    button.SetVideo(u"spin");
    button.SetSound(u"whirr");
    button.Invalidate();
    platform::PumpUntilIdle();
    EXPECT_EQ(m_display.ScreenPixel(0, 0), RGB(10, 10, 7));
    EXPECT_EQ(m_display.ScreenPixel(19, 9), RGB(29, 19, 7));

    m_display.DoubleClick(5, 5);
    EXPECT_EQ(button.playing, 0); // no such clip: the face stays
    EXPECT_EQ(button.animation.GetSafeHwnd(), nullptr);
    EXPECT_TRUE(m_host.Of(WM_COMMAND).empty()); // clicks are the button's own
    EXPECT_EQ(m_display.ScreenPixel(0, 0), RGB(10, 10, 7));

    // A clip without frames: its play is over at once and the face stays.
    AddAnimationClip(u"spin");
    m_display.DoubleClick(5, 5);
    ASSERT_NE(button.animation.GetSafeHwnd(), nullptr);
    EXPECT_EQ(platform::AnimationPlayCount(button.animation), 1);
    EXPECT_EQ(button.playing, 0);
    EXPECT_EQ(m_display.ScreenPixel(5, 5), RGB(15, 15, 7));
    RECT area{};
    button.animation.GetWindowRect(&area);
    EXPECT_EQ(area, (RECT{1, 1, 21, 11}));

    // Three frames of 20 x 10, red, green, blue, 40 ms each: painted by the timer, "is
    // playing" while they run, then the face again.
    platform::ScopedVirtualClock clock;
    HBITMAP strip = MakeBitmap(60, 10, [](int x, int) {
        return x < 20 ? RGB(255, 0, 0) : x < 40 ? RGB(0, 255, 0) : RGB(0, 0, 255);
    });
    AddAnimationClip(u"spin", strip, 3, 40);
    DeleteObject(strip); // the clip keeps its own copy
    button.animation.Open(u"spin");
    m_display.DoubleClick(5, 5);
    EXPECT_EQ(button.playing, 1);
    EXPECT_TRUE(button.animation.SendMessage(ACM_ISPLAYING));
    EXPECT_EQ(m_display.ScreenPixel(5, 5), RGB(255, 0, 0));
    clock.Advance(40);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_display.ScreenPixel(5, 5), RGB(0, 255, 0));
    clock.Advance(40);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_display.ScreenPixel(5, 5), RGB(0, 0, 255));
    clock.Advance(40);
    platform::PumpUntilIdle();
    EXPECT_FALSE(button.animation.SendMessage(ACM_ISPLAYING));
    EXPECT_EQ(button.playing, 0);
    EXPECT_EQ(m_display.ScreenPixel(5, 5), RGB(15, 15, 7)); // the face, not black

    // Stop is obeyed: the frames stop where they are and the face comes back.
    m_display.DoubleClick(5, 5);
    clock.Advance(40);
    platform::PumpUntilIdle();
    EXPECT_EQ(platform::AnimationFrame(button.animation), 1);
    button.animation.Stop();
    platform::PumpUntilIdle();
    clock.Advance(200);
    platform::PumpUntilIdle();
    EXPECT_EQ(platform::AnimationFrame(button.animation), 1);
    EXPECT_EQ(button.playing, 0);
    EXPECT_EQ(m_display.ScreenPixel(5, 5), RGB(15, 15, 7));
    button.DestroyWindow();
    ClearAnimationClips();
}

TEST_F(BitmapBtnTest, ToolTipPopsUpAfterTheDelayAndGoesOnLeavingAPressOrTheTimeOut) {
    platform::ScopedVirtualClock clock;
    const std::function<bool(MSG&)> preTranslate = [](MSG& msg) {
        return WalkPreTranslateTree(nullptr, &msg) != FALSE;
    };
    platform::ScopedLoopFilter loop(platform::LoopFilter{nullptr, &preTranslate});
    auto button = MakeButton(false);
    button->SetToolTip(u"Apply the changes");
    m_host.SetActiveWindow();
    platform::PumpUntilIdle();
    const HWND tip = button->tooltip.GetSafeHwnd();
    ASSERT_NE(tip, nullptr);
    const auto advance = [&](std::uint64_t ms) {
        clock.Advance(ms);
        platform::PumpUntilIdle();
    };

    m_display.MoveMouse(50, 25);
    advance(400);
    EXPECT_FALSE(IsWindowVisible(tip)); // not before the initial delay
    advance(150);
    ASSERT_TRUE(IsWindowVisible(tip));
    RECT at{};
    GetWindowRect(tip, &at);
    EXPECT_GE(at.top, 25); // below the cursor, on the screen
    EXPECT_LE(at.bottom, 200);
    EXPECT_EQ(GetActiveWindow(), m_host.m_hWnd); // never activated
    EXPECT_EQ(m_display.ScreenPixel(at.left + 1, at.bottom - 2), RGB(0xFF, 0xFF, 0xE1));
    m_display.MoveMouse(52, 26); // moving on the tool keeps it
    advance(200);
    EXPECT_TRUE(IsWindowVisible(tip));

    // A press hides it, and it stays hidden while the mouse stays on the button.
    m_display.ButtonDown();
    m_display.ButtonUp();
    advance(1000);
    EXPECT_FALSE(IsWindowVisible(tip));

    // Leaving the button hides it; coming back shows it again after the delay.
    m_display.MoveMouse(150, 80);
    advance(200);
    m_display.MoveMouse(40, 20);
    advance(600);
    EXPECT_TRUE(IsWindowVisible(tip));
    m_display.MoveMouse(150, 80);
    advance(200);
    EXPECT_FALSE(IsWindowVisible(tip));

    // Shown again, it goes after the time-out.
    m_display.MoveMouse(40, 20);
    advance(600);
    EXPECT_TRUE(IsWindowVisible(tip));
    advance(5100);
    EXPECT_FALSE(IsWindowVisible(tip));

    // The tool going hides it too.
    m_display.MoveMouse(150, 80);
    advance(200);
    m_display.MoveMouse(40, 20);
    advance(600);
    ASSERT_TRUE(IsWindowVisible(tip));
    TOOLINFOW info;
    info.hwnd = button->m_hWnd;
    info.uId = 1;
    ::SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_FALSE(IsWindowVisible(tip));
}
