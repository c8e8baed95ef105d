#include "gui/BitmapItem.h"
#include "ButtonTestSupport.h"
#include "gui/BitmapBtn.h"
#include "gui/BitmapWindow.h"
#include "gui/WidgetMessages.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

using buttontest::CountPixels;
using buttontest::HostWindow;
using buttontest::MakeBitmap;
using buttontest::MakeSolidBitmap;
using buttontest::Received;

namespace {

constexpr COLORREF kFrame = RGB(200, 0, 0);
constexpr COLORREF kOverFrame = RGB(0, 200, 0);
constexpr COLORREF kActiveFrame = RGB(0, 0, 200);
constexpr COLORREF kContent = RGB(200, 200, 0);

// Notes how many notifications its parent had when a hosted widget's command arrived.
class RecordingBitmapItem : public CBitmapItem {
public:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        parentHadAtCommand = static_cast<int>(host->received.size());
        ++commands;
        return CBitmapItem::OnCommand(wParam, lParam);
    }
    HostWindow* host = nullptr;
    int parentHadAtCommand = -1;
    int commands = 0;
};

class BitmapItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_liveBefore = gdi::LiveObjectCount();
        ASSERT_TRUE(m_host.CreateAt(300, 150));
    }
    void TearDown() override {
        m_host.DestroyWindow();
        platform::PumpUntilIdle();
    }

    // A 60 x 40 bitmap window at (20, 20) with 60 x 40 frames around a 40 x 20 content.
    void MakeWindow(CBitmapWindow& window) {
        ASSERT_TRUE(
            window.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, RECT{20, 20, 80, 60}, &m_host, 0));
        HBITMAP content = MakeSolidBitmap(40, 20, kContent);
        HBITMAP normal = MakeSolidBitmap(60, 40, kFrame);
        HBITMAP over = MakeSolidBitmap(60, 40, kOverFrame);
        HBITMAP activeFrame = MakeSolidBitmap(60, 40, kActiveFrame);
        window.SetBitmaps(content, normal, over, activeFrame, nullptr, 20, 20, 80, 60);
        for (HBITMAP b : {content, normal, over, activeFrame}) {
            DeleteObject(b);
        }
        platform::PumpUntilIdle();
    }

    std::vector<Received> Keys() const { return m_host.Of(WM_ASSIGNKEY_KEY); }

    platform::HeadlessDisplay m_display{400, 200, RGB(0, 0, 0)};
    HostWindow m_host;
    size_t m_liveBefore = 0;
};

} // namespace

TEST_F(BitmapItemTest, BitmapItemShowsItsCutAndPassesHostedCommandsOnByPost) {
    RecordingBitmapItem item;
    item.host = &m_host;
    EXPECT_EQ(item.type, GUIITEM_BITMAPITEM);
    ASSERT_TRUE(
        item.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, RECT{10, 10, 110, 60}, &m_host, 0));
    // The cut starts at the picture's corner whatever the item's position.
    HBITMAP picture = MakeBitmap(
        200, 100, [](int x, int y) { return RGB(static_cast<BYTE>(x), static_cast<BYTE>(y), 9); });
    item.SetBitmap(nullptr, 10, 10, 110, 60); // nothing to cut: stays empty
    EXPECT_EQ(item.bitmap.GetSafeHandle(), nullptr);
    item.SetBitmap(picture, 10, 10, 110, 60);
    DeleteObject(picture);
    BITMAP info{};
    item.bitmap.GetBitmap(&info);
    EXPECT_EQ(info.bmWidth, 100);
    EXPECT_EQ(info.bmHeight, 50);
    item.Invalidate();
    platform::PumpUntilIdle();
    EXPECT_EQ(m_display.ScreenPixel(10, 10), RGB(0, 0, 9));
    EXPECT_EQ(m_display.ScreenPixel(109, 59), RGB(99, 49, 9));

    // A button created on the item: the item handles the click, then the panel gets it.
    CBitmapBtn button;
    ASSERT_TRUE(
        button.Create(u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{5, 5, 25, 25}, &item, 0));
    m_display.Click(20, 20);
    EXPECT_EQ(item.commands, 1);
    EXPECT_EQ(item.parentHadAtCommand, 0);
    const auto commands = m_host.Of(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, MAKEWPARAM(0, BN_CLICKED));
    EXPECT_EQ(commands[0].lParam, reinterpret_cast<LPARAM>(button.m_hWnd));
}

TEST_F(BitmapItemTest, BitmapItemRegionComesFromItsMask) {
    CBitmapItem item;
    ASSERT_TRUE(item.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, RECT{0, 0, 40, 40}, &m_host, 0));
    HBITMAP mask =
        MakeBitmap(40, 40, [](int x, int) { return x < 20 ? RGB(0, 0, 0) : RGB(255, 255, 255); });
    HBITMAP face = MakeSolidBitmap(40, 40, kContent);
    item.SetRegion(mask, face, 0, 0, 40, 40);
    DeleteObject(mask);
    DeleteObject(face);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_display.ScreenPixel(5, 5), kContent);
    EXPECT_EQ(::WindowFromPoint(POINT{30, 5}), m_host.m_hWnd);
}

TEST_F(BitmapItemTest, KeysAreReportedOnReleaseWithSidesToldApart) {
    EXPECT_EQ(CBitmapWindow::AssignedKeyCode(VK_SHIFT, 0x36), 161u);
    EXPECT_EQ(CBitmapWindow::AssignedKeyCode(VK_SHIFT, 0x2A), 160u);
    EXPECT_EQ(CBitmapWindow::AssignedKeyCode(VK_SHIFT, 0x00), 16u);
    EXPECT_EQ(CBitmapWindow::AssignedKeyCode(VK_RETURN, 0x11C), 108u); // keypad Enter
    EXPECT_EQ(CBitmapWindow::AssignedKeyCode(VK_RETURN, 0x1C), 13u);
    EXPECT_EQ(CBitmapWindow::AssignedKeyCode(VK_CONTROL, 0x11D), 163u);
    EXPECT_EQ(CBitmapWindow::AssignedKeyCode(VK_CONTROL, 0x1D), 162u);
    EXPECT_EQ(CBitmapWindow::AssignedKeyCode(VK_MENU, 0x138), 165u);
    EXPECT_EQ(CBitmapWindow::AssignedKeyCode(VK_MENU, 0x38), 164u);
    EXPECT_EQ(CBitmapWindow::AssignedKeyCode('A', 0x1E), static_cast<UINT>('A'));

    CBitmapWindow window;
    EXPECT_EQ(window.type, GUIITEM_BITMAPWINDOW);
    MakeWindow(window);
    m_display.Click(30, 30);
    EXPECT_EQ(window.active, 1);
    EXPECT_EQ(::GetFocus(), window.m_hWnd);

    m_display.KeyDown(VK_RSHIFT);
    EXPECT_TRUE(Keys().empty()); // a press is swallowed
    m_display.KeyUp(VK_RSHIFT);
    m_display.PressKey(VK_LSHIFT);
    m_display.PressKey(VK_RCONTROL);
    m_display.PressKey('Q');
    const auto keys = Keys();
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].wParam, 161u);
    EXPECT_EQ(keys[1].wParam, 160u);
    EXPECT_EQ(keys[2].wParam, 163u);
    EXPECT_EQ(keys[3].wParam, static_cast<WPARAM>('Q'));
    EXPECT_EQ(keys[0].lParam, reinterpret_cast<LPARAM>(window.m_hWnd));
    EXPECT_EQ(window.active, 1); // still capturing

    m_display.PressKey(VK_LMENU); // Alt arrives as a system key
    ASSERT_EQ(Keys().size(), 5u);
    EXPECT_EQ(Keys()[4].wParam, 164u);
}

TEST_F(BitmapItemTest, SecondClickGivesTheFocusBackAndLosingItEndsCapture) {
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, nullptr, u"", WS_CHILD | WS_VISIBLE, 200, 100, 20, 20,
                               m_host.m_hWnd, nullptr));
    other.SetFocus();
    CBitmapWindow window;
    MakeWindow(window);

    m_display.Click(30, 30);
    EXPECT_EQ(window.active, 1);
    EXPECT_EQ(window.previousFocus, other.m_hWnd);
    EXPECT_EQ(m_display.ScreenPixel(22, 22), kActiveFrame);
    m_display.MoveMouse(250, 20); // away, so the second press is no double-click
    m_display.Click(30, 30);
    EXPECT_EQ(window.active, 0);
    EXPECT_EQ(::GetFocus(), other.m_hWnd);
    EXPECT_EQ(window.previousFocus, nullptr);

    m_display.MoveMouse(250, 20);
    m_display.Click(30, 30);
    ASSERT_EQ(window.active, 1);
    other.SetFocus(); // focus taken away
    platform::PumpUntilIdle();
    EXPECT_EQ(window.active, 0);
    EXPECT_EQ(window.hover, 0);
    EXPECT_EQ(window.previousFocus, nullptr);

    // A window that takes the capture from the hovered box keeps it.
    ::ReleaseCapture();
    m_display.MoveMouse(250, 20);
    m_display.MoveMouse(31, 30);
    ASSERT_EQ(window.hover, 1);
    ASSERT_EQ(::GetCapture(), window.m_hWnd);
    other.SetCapture();
    EXPECT_EQ(::GetCapture(), other.m_hWnd);
    ::ReleaseCapture();

    // The window that had the focus went: a second click just ends capture mode.
    m_display.Click(30, 30);
    ASSERT_EQ(window.active, 1);
    other.DestroyWindow();
    m_display.MoveMouse(250, 20);
    m_display.Click(30, 30);
    EXPECT_EQ(window.active, 0);
}

TEST_F(BitmapItemTest, FramesByStateAroundTheContentOrCaption) {
    CBitmapWindow window;
    MakeWindow(window);
    EXPECT_EQ(window.insetX, 10);
    EXPECT_EQ(window.insetY, 10);
    EXPECT_EQ(window.InnerRect(), (RECT{10, 10, 50, 30}));
    EXPECT_EQ(m_display.ScreenPixel(22, 22), kFrame);
    EXPECT_EQ(m_display.ScreenPixel(35, 35), kContent);
    EXPECT_EQ(m_display.ScreenPixel(69, 49), kContent);
    EXPECT_EQ(m_display.ScreenPixel(71, 51), kFrame);

    m_display.MoveMouse(30, 30);
    EXPECT_EQ(window.hover, 1);
    EXPECT_EQ(m_display.ScreenPixel(22, 22), kOverFrame);
    m_display.MoveMouse(250, 20);
    EXPECT_EQ(window.hover, 0);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(m_display.ScreenPixel(22, 22), kFrame);

    // A caption replaces the content: black inner area with the text in it.
    window.caption = u"HH";
    window.textFormat = DT_CENTER | DT_SINGLELINE | DT_VCENTER;
    window.Invalidate();
    platform::PumpUntilIdle();
    const RECT inner{30, 30, 70, 50};
    EXPECT_EQ(CountPixels(m_display, inner, kContent), 0);
    EXPECT_GT(CountPixels(m_display, inner, RGB(0xFE, 0xFE, 0xFE)), 5);
    EXPECT_GT(CountPixels(m_display, inner, RGB(0, 0, 0)), 100);
    EXPECT_EQ(m_display.ScreenPixel(22, 22), kFrame);

    window.SetToolTip(u"Press\\na key");
    CString tip;
    window.tooltip.GetText(tip, &window, 1);
    EXPECT_EQ(tip, CString(u"Press a key"));
}

TEST_F(BitmapItemTest, MissingContentCutsNothingAndFullSizeContentHasNoInsets) {
    HBITMAP frame = MakeSolidBitmap(60, 40, kFrame);
    HBITMAP big = MakeSolidBitmap(60, 40, kContent);
    HBITMAP mask = MakeSolidBitmap(60, 40, RGB(0, 0, 0));
    {
        CBitmapWindow empty;
        ASSERT_TRUE(
            empty.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, RECT{0, 0, 60, 40}, &m_host, 0));
        empty.SetBitmaps(nullptr, frame, frame, frame, mask, 0, 0, 60, 40);
        EXPECT_EQ(empty.normalFrame.GetSafeHandle(), nullptr);
        EXPECT_EQ(empty.content.GetSafeHandle(), nullptr);
        HRGN probe = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(empty.GetWindowRgn(probe), ERROR);
        DeleteObject(probe);
        platform::PumpUntilIdle(); // paints a black box without failing

        CBitmapWindow full;
        ASSERT_TRUE(
            full.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, RECT{100, 0, 160, 40}, &m_host, 0));
        full.SetBitmaps(big, frame, nullptr, nullptr, nullptr, 100, 0, 160, 40);
        EXPECT_EQ(full.insetX, 0);
        EXPECT_EQ(full.insetY, 0);
        EXPECT_EQ(full.InnerRect(), (RECT{0, 0, 60, 40}));
        platform::PumpUntilIdle();
        EXPECT_EQ(m_display.ScreenPixel(100, 0), kContent);
        EXPECT_EQ(m_display.ScreenPixel(159, 39), kContent);
        full.active = 1; // no active frame: the normal one shows
        full.caption = u"x";
        full.Invalidate();
        platform::PumpUntilIdle();
    }
    for (HBITMAP b : {frame, big, mask}) {
        DeleteObject(b);
    }
    m_host.DestroyWindow();
    platform::PumpUntilIdle();
    EXPECT_EQ(gdi::LiveObjectCount(), m_liveBefore);
}
