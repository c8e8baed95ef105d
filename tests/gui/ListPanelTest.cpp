#include "gui/ListPanel.h"
#include "gui/ListPanelItem.h"
#include "gui/ListPanelList.h"
#include "gui/WidgetMessages.h"
#include "platform/framework/CWnd.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Clock.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

constexpr UINT kTemplate = 9320;
constexpr COLORREF kBack = RGB(0, 0, 64);
constexpr COLORREF kHoverBack = RGB(200, 200, 0);
constexpr COLORREF kBorder = RGB(0, 200, 0);

DropdownEntryList Entries(std::initializer_list<const char16_t*> texts) {
    DropdownEntryList list;
    for (const char16_t* t : texts) {
        list.push_back(DropdownEntry{CString(t), nullptr});
    }
    return list;
}

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

// Runs the steps one per idle turn of whatever modal loop is innermost; once they are used up
// the innermost dialog is ended with -99, so that a panel that fails to end fails the test
// instead of hanging it.
class Script {
public:
    explicit Script(std::vector<std::function<void(HWND)>> steps) : m_steps(std::move(steps)) {
        platform::SetModalIdleHook([this](HWND dialog) {
            if (m_next < m_steps.size()) {
                m_steps[m_next++](dialog);
            } else {
                EndDialog(dialog, -99);
            }
        });
    }
    ~Script() { platform::SetModalIdleHook(nullptr); }
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

private:
    std::vector<std::function<void(HWND)>> m_steps;
    size_t m_next = 0;
};

// The panel sits at (50, 50) on the screen, 100 wide; rows are 15 pixels (no font), the list
// starts one border width in, so row r covers screen y 50 + 15r .. 65 + 15r.
class ListPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        DialogTemplate dialog;
        dialog.style = WS_POPUP | WS_VISIBLE;
        RegisterDialogTemplate(kTemplate, dialog);
        CListPanel::DefaultTemplateId() = kTemplate; // second-level lists use it
        ASSERT_TRUE(m_owner.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200,
                                     nullptr, nullptr));
        platform::PumpUntilIdle();
        WarmUp();
        m_liveBefore = gdi::LiveObjectCount();
    }
    // The first dialog of the process creates objects the platform keeps for later ones.
    void WarmUp() {
        static bool done = false;
        if (!done) {
            done = true;
            CListPanel panel(&m_owner, kTemplate, false, nullptr, RECT{0, 0, 10, 10});
            Script script({[](HWND dialog) { EndDialog(dialog, 0); }});
            panel.DoModal();
            platform::PumpUntilIdle();
        }
    }
    void TearDown() override {
        platform::PumpUntilIdle();
        EXPECT_EQ(gdi::LiveObjectCount(), m_liveBefore);
        m_owner.DestroyWindow();
    }
    void Look(CListPanel& panel) {
        panel.backgroundColor = kBack;
        panel.hoverBackgroundColor = kHoverBack;
        panel.borderColor = kBorder;
    }
    void Advance(std::uint64_t ms) {
        m_clock.Advance(ms);
        platform::PumpUntilIdle();
    }

    platform::ScopedVirtualClock m_clock;
    platform::HeadlessDisplay m_display{300, 200};
    CWnd m_owner;
    std::size_t m_liveBefore = 0;
};

TEST_F(ListPanelTest, SortedRowsAnswerWithThePositionInTheGivenList) {
    const DropdownEntryList entries = Entries({u"Beta", u"alpha", u"Gamma"});
    CListPanel panel(&m_owner, kTemplate, true, &entries, RECT{50, 50, 150, 96});
    Look(panel);
    std::vector<CString> shown;
    bool openAfter249 = false;
    Script script({
        [&](HWND) {
            for (int row = 0; row < panel.list->GetItemCount(); ++row) {
                shown.push_back(panel.list->GetItemText(row, 0));
            }
            // The frame in the border colour, the rows on the background.
            EXPECT_EQ(m_display.ScreenPixel(50, 70), kBorder);
            EXPECT_EQ(m_display.ScreenPixel(149, 70), kBorder);
            EXPECT_EQ(m_display.ScreenPixel(140, 58), kBack);
        },
        [&](HWND) {
            m_display.MoveMouse(60, 55); // over alpha
            EXPECT_EQ(panel.list->hoverRow, 0);
            EXPECT_EQ(m_display.ScreenPixel(140, 58), kHoverBack);
            EXPECT_EQ(m_display.ScreenPixel(140, 73), kBack);
            m_display.MoveMouse(250, 150); // off every row: no highlight
            EXPECT_EQ(panel.list->hoverRow, -1);
            EXPECT_EQ(m_display.ScreenPixel(140, 58), kBack);
            m_display.MoveMouse(60, 55);
        },
        [&](HWND) { m_display.Click(60, 55); },
        [&](HWND) {
            Advance(249);
            openAfter249 = panel.m_hWnd != nullptr && panel.list != nullptr;
        },
        [&](HWND) { Advance(1); },
    });
    EXPECT_EQ(panel.DoModal(), 1);
    EXPECT_EQ(shown, (std::vector<CString>{u"alpha", u"Beta", u"Gamma"}));
    EXPECT_TRUE(openAfter249);
}

TEST_F(ListPanelTest, ClicksOutsideCancelAfterTheDelay) {
    const DropdownEntryList entries = Entries({u"one", u"two"});
    {
        CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 81});
        Script script({[&](HWND) { m_display.Click(250, 150); }, [&](HWND) { Advance(250); }});
        EXPECT_EQ(panel.DoModal(), -1);
    }
    {
        // A right click cancels when the mouse stays off the rows...
        CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 81});
        Script script(
            {[&](HWND) { m_display.Click(250, 150, platform::input::MouseButtonId::Right); },
             [&](HWND) { Advance(250); }});
        EXPECT_EQ(panel.DoModal(), -1);
    }
    {
        // ...and chooses the row under the mouse when the timer fires.
        CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 81});
        Script script(
            {[&](HWND) { m_display.Click(250, 150, platform::input::MouseButtonId::Right); },
             [&](HWND) { m_display.MoveMouse(60, 70); }, [&](HWND) { Advance(250); }});
        EXPECT_EQ(panel.DoModal(), 1);
    }
}

TEST_F(ListPanelTest, EmptyListEndsOnTheFirstClickAndSelectMinusOneCancels) {
    const DropdownEntryList none;
    {
        CListPanel panel(&m_owner, kTemplate, false, &none, RECT{50, 50, 150, 80});
        Script script({[&](HWND) { m_display.Click(250, 150); }});
        EXPECT_EQ(panel.DoModal(), -1);
    }
    const DropdownEntryList entries = Entries({u"one"});
    CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 80});
    Script script({[&](HWND dialog) {
        PostMessageW(dialog, WM_LISTPANEL_SELECT, 0, -1);
        platform::PumpUntilIdle();
    }});
    EXPECT_EQ(panel.DoModal(), -1);
}

TEST_F(ListPanelTest, WheelScrollsRowsWithAndWithoutAScrollBar) {
    const DropdownEntryList entries =
        Entries({u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9"});
    HBITMAP thumb = SolidBitmap(10, 10, RGB(255, 0, 255));
    HBITMAP cap = SolidBitmap(10, 2, RGB(255, 0, 0));
    HBITMAP arrow = SolidBitmap(10, 6, RGB(0, 255, 0));
    HBITMAP spin = SolidBitmap(10, 1, RGB(0, 255, 255));
    int topWithBar = -1;
    int topWithout = -1;
    {
        CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 160, 126});
        panel.scrollBarWidth = 10;
        panel.scrollThumb = thumb;
        panel.scrollTop = cap;
        panel.scrollBottom = cap;
        panel.scrollArrowUp = arrow;
        panel.scrollArrowDown = arrow;
        panel.scrollSpin = spin;
        Script script({[&](HWND) {
                           ASSERT_NE(panel.list->scrollBar, nullptr);
                           m_display.MoveMouse(60, 55);
                           m_display.Wheel(-2);
                           topWithBar = panel.list->GetTopIndex();
                       },
                       [&](HWND dialog) { EndDialog(dialog, 7); }});
        EXPECT_EQ(panel.DoModal(), 7);
    }
    {
        CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 160, 126});
        Script script({[&](HWND) {
                           EXPECT_EQ(panel.list->scrollBar, nullptr);
                           m_display.MoveMouse(60, 55);
                           m_display.Wheel(-2);
                           topWithout = panel.list->GetTopIndex();
                       },
                       [&](HWND dialog) { EndDialog(dialog, 7); }});
        EXPECT_EQ(panel.DoModal(), 7);
    }
    EXPECT_EQ(topWithBar, 2); // one row a notch through the bar
    EXPECT_EQ(topWithout, 5); // the list's own scrolling: three rows a notch, to the last page
    for (HBITMAP b : {thumb, cap, arrow, spin}) {
        DeleteObject(b);
    }
}

TEST_F(ListPanelTest, ScrollStripClicksReachTheScrollBarAndScrollRowsMessagesScroll) {
    const DropdownEntryList entries =
        Entries({u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9"});
    HBITMAP thumb = SolidBitmap(10, 10, RGB(255, 0, 255));
    HBITMAP cap = SolidBitmap(10, 2, RGB(255, 0, 0));
    HBITMAP arrow = SolidBitmap(10, 6, RGB(0, 255, 0));
    HBITMAP spin = SolidBitmap(10, 1, RGB(0, 255, 255));
    std::vector<int> tops;
    bool listHasCapture = false;
    {
        // 110 wide at (50, 50): the list covers 51..149, the bar 149..159, 75 pixels high.
        CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 160, 126});
        panel.scrollBarWidth = 10;
        panel.scrollThumb = thumb;
        panel.scrollTop = cap;
        panel.scrollBottom = cap;
        panel.scrollArrowUp = arrow;
        panel.scrollArrowDown = arrow;
        panel.scrollSpin = spin;
        Script script({[&](HWND) {
                           m_display.Click(154, 50 + 75 - 2 - 3); // the down arrow
                           tops.push_back(panel.list->GetTopIndex());
                           listHasCapture = GetCapture() == panel.list->m_hWnd;
                           panel.list->SendMessage(WM_LIST_SCROLLROWS, 3);
                           tops.push_back(panel.list->GetTopIndex());
                           m_display.PressKey(VK_RIGHT); // swallowed: nothing happens
                       },
                       [&](HWND dialog) { EndDialog(dialog, 7); }});
        EXPECT_EQ(panel.DoModal(), 7);
    }
    EXPECT_EQ(tops, (std::vector<int>{1, 4}));
    EXPECT_TRUE(listHasCapture);
    for (HBITMAP b : {thumb, cap, arrow, spin}) {
        DeleteObject(b);
    }
}

TEST_F(ListPanelTest, ClickBelowTheListChoosesNoRowScrolledOutOfView) {
    // Five of ten rows show; row 5 would lie at 125..140 on the screen, below the panel.
    const DropdownEntryList entries =
        Entries({u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9"});
    CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 126});
    Script script({[&](HWND) { m_display.Click(60, 130); }, [&](HWND) { Advance(250); }});
    EXPECT_EQ(panel.DoModal(), -1);
}

TEST_F(ListPanelTest, LosingTheFocusCancels) {
    const DropdownEntryList entries = Entries({u"one", u"two"});
    CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 81});
    Script script({[&](HWND) { m_display.MoveMouse(60, 55); },
                   [&](HWND dialog) {
                       ::SetFocus(dialog); // the focus leaves the list
                       platform::PumpUntilIdle();
                   }});
    EXPECT_EQ(panel.DoModal(), -1);
}

TEST_F(ListPanelTest, SecondLevelListOpensBesideTheRowFiveRowsHigh) {
    CListPanelItem set(80, 100);
    set.SetEntries(Entries({u"s0", u"s1", u"s2", u"s3", u"s4", u"s5", u"s6", u"s7"}));
    DropdownEntryList entries = Entries({u"plain", u"more"});
    entries[1].subList = &set;
    CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 81});
    RECT inner{};
    int subChoiceBeforeClose = -5;
    Script script({
        [&](HWND) {
            m_display.MoveMouse(60, 70); // over "more"
            m_display.ButtonDown();      // opens the second-level list (nested loop)
        },
        [&](HWND dialog) { // the second-level panel
            GetWindowRect(dialog, &inner);
            m_display.ButtonUp();
            m_display.Click(inner.left + 10, inner.top + 2 * 15 + 5); // its third entry
        },
        [&](HWND) { Advance(250); }, // ends the second level
        [&](HWND) { subChoiceBeforeClose = panel.list->subChoice; },
        [&](HWND) { Advance(250); },
    });
    EXPECT_EQ(panel.DoModal(), 1);
    // Beside the row's right edge (the list starts at 51; its one column is the list's 98
    // pixels less the border width), at the row's top, 5 rows and the frame's bottom edge
    // high.
    EXPECT_EQ(inner.left, 148);
    EXPECT_EQ(inner.top, 65);
    EXPECT_EQ(inner.right - inner.left, 80);
    EXPECT_EQ(inner.bottom - inner.top, 76);
    EXPECT_EQ(subChoiceBeforeClose, 2);
    EXPECT_EQ(set.currentText, u"s2");

    // Escape on the second-level list chooses nothing at all, although that list still has
    // the entry chosen the last time.
    CListPanel again(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 81});
    Script escape({[&](HWND) {
                       m_display.MoveMouse(60, 70);
                       m_display.ButtonDown();
                   },
                   [&](HWND) {
                       m_display.ButtonUp();
                       m_display.PressKey(VK_ESCAPE);
                   },
                   [&](HWND) { Advance(250); }});
    EXPECT_EQ(again.DoModal(), -1);
    EXPECT_EQ(set.currentText, u"s2");
}

TEST(ListPanelItemTest, EntriesAndCurrentEntry) {
    CListPanelItem item(50, 60);
    EXPECT_EQ(item.type, GUIITEM_LISTPANELITEM);
    item.SetEntries(Entries({u"", u"a", u"b"}));
    EXPECT_EQ(item.FindCurrentEntry(), -1); // empty current text, even with an empty entry
    EXPECT_FALSE(item.SelectEntry(3));
    EXPECT_TRUE(item.SelectEntry(2));
    EXPECT_EQ(item.FindCurrentEntry(), 2);
    EXPECT_EQ(item.GetEntryText(-1), u"");
}

} // namespace

TEST_F(ListPanelTest, EscapeAndClosingChooseNothingAndEnterTakesTheHighlightedRow) {
    const DropdownEntryList entries = Entries({u"one", u"two", u"three"});
    {
        CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 96});
        Script script({[&](HWND) { m_display.MoveMouse(60, 70); },
                       [&](HWND) { m_display.PressKey(VK_ESCAPE); }});
        EXPECT_EQ(panel.DoModal(), -1);
    }
    {
        CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 96});
        Script script({[&](HWND dialog) {
            SendMessageW(dialog, WM_CLOSE, 0, 0);
            platform::PumpUntilIdle();
        }});
        EXPECT_EQ(panel.DoModal(), -1);
    }
    {
        // Enter takes the row under the mouse after the close delay...
        CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 96});
        Script script({[&](HWND) { m_display.MoveMouse(60, 70); },
                       [&](HWND) { m_display.PressKey(VK_RETURN); }, [&](HWND) { Advance(250); }});
        EXPECT_EQ(panel.DoModal(), 1);
    }
    {
        // ...and leaves the panel open with no row highlighted; the script then ends it.
        CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 96});
        Script script({[&](HWND) { m_display.MoveMouse(250, 150); },
                       [&](HWND) { m_display.PressKey(VK_RETURN); }, [&](HWND) { Advance(250); }});
        EXPECT_EQ(panel.DoModal(), -99);
    }
}

// Ten rows, five in view (rows of 15 pixels from screen y 50).
TEST_F(ListPanelTest, KeysAndTheWheelReachEveryRowAndTheCurrentEntryOpensInSight) {
    const DropdownEntryList entries =
        Entries({u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9"});
    {
        CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 126});
        Look(panel);
        panel.currentEntry = 8;
        std::vector<int> tops;
        std::vector<int> hovers;
        const auto note = [&] {
            tops.push_back(panel.list->GetTopIndex());
            hovers.push_back(panel.list->hoverRow);
        };
        Script script({[&](HWND) {
                           note();
                           // The chosen row is drawn highlighted where it shows: the fifth.
                           EXPECT_EQ(m_display.ScreenPixel(140, 50 + 4 * 15 + 8), kHoverBack);
                           m_display.PressKey(VK_HOME);
                           note();
                           m_display.PressKey(VK_END);
                           note();
                           m_display.PressKey(VK_UP);
                           note();
                           m_display.PressKey(VK_PRIOR);
                           note();
                           m_display.PressKey(VK_RIGHT); // swallowed
                           note();
                           m_display.PressKey(VK_RETURN);
                       },
                       [&](HWND) { Advance(250); }});
        EXPECT_EQ(panel.DoModal(), 5);
        EXPECT_EQ(tops, (std::vector<int>{4, 0, 5, 5, 5, 5}));
        EXPECT_EQ(hovers, (std::vector<int>{8, 0, 9, 8, 5, 5}));
    }
    {
        // The rows move under a resting pointer: a click takes the row under it now.
        CListPanel panel(&m_owner, kTemplate, false, &entries, RECT{50, 50, 150, 126});
        int hoverAfterWheel = -2;
        Script script({[&](HWND) {
                           m_display.MoveMouse(60, 55);
                           m_display.Wheel(-1);
                           hoverAfterWheel = panel.list->hoverRow;
                           m_display.ButtonDown();
                           m_display.ButtonUp();
                       },
                       [&](HWND) { Advance(250); }});
        EXPECT_EQ(panel.DoModal(), 3);
        EXPECT_EQ(hoverAfterWheel, 3);
    }
}
