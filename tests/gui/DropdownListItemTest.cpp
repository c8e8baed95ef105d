#include "gui/DropdownListItem.h"
#include "ButtonTestSupport.h"
#include "SkinTestSupport.h"
#include "WidgetTestSupport.h"
#include "gui/LangTable.h"
#include "gui/ListPanel.h"
#include "gui/ListPanelItem.h"
#include "gui/WidgetMessages.h"
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

using skintest::Utf16Le;

constexpr UINT kTemplate = 9321;
constexpr COLORREF kBack = RGB(0, 0, 96);
constexpr COLORREF kBorder = RGB(0, 200, 0);
constexpr COLORREF kText = RGB(250, 250, 0);
constexpr COLORREF kDisabledBack = RGB(60, 60, 60);
constexpr COLORREF kDisabledBorder = RGB(120, 0, 0);

// Runs the steps one per idle turn of the innermost modal loop; once they are used up the
// innermost dialog ends with -99, so that a list that fails to end fails the test.
class Script {
public:
    explicit Script(std::vector<std::function<void(HWND)>> steps) : m_steps(std::move(steps)) {
        platform::SetModalIdleHook([this](HWND dialog) {
            ++turns;
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
    int turns = 0;

private:
    std::vector<std::function<void(HWND)>> m_steps;
    size_t m_next = 0;
};

// An owner that records its notifications and may refill the drop-down when it opens.
class Owner : public widgettest::RecordingOwner {
public:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message == WM_DROPDOWN_OPENING && onOpening) {
            onOpening();
        }
        return widgettest::RecordingOwner::OnWndMsg(message, wParam, lParam, result);
    }
    std::function<void()> onOpening;
};

// The owner covers the screen's top left corner, so its client coordinates are screen
// coordinates. The field lies at (20, 30) - (120, 50); its list drops to y = 50.
class DropdownListItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        DialogTemplate dialog;
        dialog.style = WS_POPUP | WS_VISIBLE;
        RegisterDialogTemplate(kTemplate, dialog);
        CListPanel::DefaultTemplateId() = kTemplate;
        ASSERT_TRUE(m_owner.CreateAt(300, 200));
        ASSERT_TRUE(m_drop.Create(RECT{20, 30, 120, 50}, &m_owner, 77, 46));
        m_drop.backgroundColor = kBack;
        m_drop.borderColor = kBorder;
        m_drop.textColor = kText;
        m_drop.disabledBackgroundColor = kDisabledBack;
        m_drop.disabledBorderColor = kDisabledBorder;
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
        m_drop.DestroyWindow();
        m_owner.DestroyWindow();
    }
    void Advance(std::uint64_t ms) {
        m_clock.Advance(ms);
        platform::PumpUntilIdle();
    }
    void Repaint() {
        m_drop.Invalidate();
        platform::PumpUntilIdle();
    }
    int TextPixels() { return buttontest::CountPixels(m_display, RECT{23, 31, 99, 49}, kText); }

    platform::ScopedVirtualClock m_clock;
    platform::HeadlessDisplay m_display{300, 200};
    Owner m_owner;
    CDropdownListItem m_drop;
    std::size_t m_liveBefore = 0;
};

TEST(DropdownListItemDataTest, EntriesCurrentSelectionAndFind) {
    CDropdownListItem drop;
    EXPECT_EQ(drop.type, GUIITEM_DROPDOWNLIST);
    EXPECT_EQ(drop.AddString(u""), 0);
    EXPECT_EQ(drop.AddString(u"Alpha"), 1);
    EXPECT_EQ(drop.AddString(u"Gamma"), 2);
    // An empty current text selects nothing, even with an entry whose text is empty.
    EXPECT_EQ(drop.GetCurSel(), -1);

    EXPECT_FALSE(drop.InsertString(-1, u"x"));
    EXPECT_FALSE(drop.InsertString(4, u"x"));
    EXPECT_TRUE(drop.InsertString(2, u"Beta"));
    EXPECT_TRUE(drop.InsertString(4, u"Delta")); // at the end
    EXPECT_EQ(drop.GetCount(), 5);
    EXPECT_EQ(drop.GetText(2), u"Beta");
    EXPECT_EQ(drop.GetText(4), u"Delta");
    EXPECT_EQ(drop.GetText(5), u"");
    EXPECT_EQ(drop.GetText(-1), u"");

    LVFINDINFOW find{};
    find.psz = u"Beta";
    EXPECT_EQ(drop.FindString(&find), -1); // without LVFI_STRING
    find.flags = LVFI_STRING;
    EXPECT_EQ(drop.FindString(&find), 2);
    find.psz = u"beta";
    EXPECT_EQ(drop.FindString(&find), -1); // exact case
    EXPECT_EQ(drop.FindString(nullptr), -1);

    // An index equal to the count changes nothing.
    EXPECT_EQ(drop.SetCurSel(5, u"sub"), 0);
    EXPECT_TRUE(drop.currentText.IsEmpty());
    EXPECT_EQ(drop.SetCurSel(3, u"Extra"), 1);
    EXPECT_EQ(drop.GetCurSel(), 3);
    CString sub;
    EXPECT_EQ(drop.GetCurSelAndSubText(sub), 3);
    EXPECT_EQ(sub, u"Extra");
    EXPECT_EQ(drop.DisplayText(), u"Gamma: Extra");
    // A choice without sub-text clears the previous one.
    EXPECT_EQ(drop.SetCurSel(1), 1);
    CString untouched = u"keep";
    EXPECT_EQ(drop.GetCurSelAndSubText(untouched), 1);
    EXPECT_EQ(untouched, u"keep");
    EXPECT_EQ(drop.DisplayText(), u"Alpha");

    // Refilling with the same texts keeps the selection; other texts lose it.
    drop.ResetContent();
    EXPECT_EQ(drop.GetCurSel(), -1);
    EXPECT_EQ(drop.currentText, u"Alpha");
    drop.AddString(u"Zeta");
    drop.AddString(u"Alpha");
    EXPECT_EQ(drop.GetCurSel(), 1);
}

TEST(DropdownListItemDataTest, ShownTextIsTranslatedButTheSubTextIsNot) {
    const auto bytes = Utf16Le(u"T\r\n1\r\nSpeed\r\nVelocity\r\nSlow\r\nGentle\r\n");
    CLangTable table;
    ASSERT_TRUE(CLangTable::Parse(bytes.size(), bytes.data(), &table));
    CLangTable* saved = CurrentLangTable;
    CurrentLangTable = &table;
    CDropdownListItem drop;
    drop.AddString(u"$Speed");
    drop.AddString(u"$Unknown");
    drop.SetCurSel(0, u"$Slow");
    EXPECT_EQ(drop.DisplayText(), u"Velocity: $Slow");
    drop.SetCurSel(1);
    EXPECT_EQ(drop.DisplayText(), u"$Unknown");
    CurrentLangTable = saved;
}

TEST_F(DropdownListItemTest, ClickRefillsOpensBelowTheFieldAndReportsTheChoice) {
    m_drop.AddString(u"stale");
    m_owner.onOpening = [this] {
        m_drop.ResetContent();
        m_drop.AddString(u"one");
        m_drop.AddString(u"two");
        m_drop.AddString(u"three");
    };
    RECT list{};
    int rows = 0;
    BYTE openWhileShown = 0;
    Script script({
        [&](HWND dialog) {
            GetWindowRect(dialog, &list);
            rows =
                static_cast<int>(SendMessageW(GetWindow(dialog, GW_CHILD), LVM_GETITEMCOUNT, 0, 0));
            openWhileShown = m_drop.open;
            m_display.Click(40, 50 + 1 + 15 + 5); // the second row
        },
        [&](HWND) { Advance(250); },
    });
    m_display.Click(30, 40);
    platform::PumpUntilIdle();

    EXPECT_EQ(list.left, 20);
    EXPECT_EQ(list.top, 50);
    EXPECT_EQ(list.right, 120);
    EXPECT_EQ(list.bottom, 96);
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(openWhileShown, 1);
    EXPECT_EQ(m_drop.open, 0);
    ASSERT_EQ(m_owner.Of(WM_DROPDOWN_OPENING).size(), 1u);
    EXPECT_EQ(m_owner.Of(WM_DROPDOWN_OPENING)[0].first, 0u);
    EXPECT_EQ(m_owner.Of(WM_DROPDOWN_OPENING)[0].second, reinterpret_cast<LPARAM>(m_drop.m_hWnd));
    ASSERT_EQ(m_owner.Of(WM_DROPDOWN_SELECT).size(), 1u);
    EXPECT_EQ(m_owner.Of(WM_DROPDOWN_SELECT)[0].first, 1u);
    EXPECT_EQ(m_owner.Of(WM_DROPDOWN_SELECT)[0].second, reinterpret_cast<LPARAM>(m_drop.m_hWnd));
    EXPECT_EQ(m_drop.currentText, u"two");
    EXPECT_EQ(m_drop.GetCurSel(), 1);
}

TEST_F(DropdownListItemTest, DisabledCancelledAndChangedListsApplyNothing) {
    m_drop.AddString(u"one");
    m_drop.AddString(u"two");
    m_drop.SetCurSel(0);

    {
        m_drop.disabled = 1;
        Script script({});
        m_display.Click(30, 40);
        platform::PumpUntilIdle();
        EXPECT_EQ(script.turns, 0); // no list ran
        EXPECT_TRUE(m_owner.received.empty());
        m_drop.disabled = 0;
    }
    {
        Script script({[](HWND dialog) { EndDialog(dialog, -1); }});
        m_display.Click(30, 40);
        platform::PumpUntilIdle();
        EXPECT_EQ(m_owner.Of(WM_DROPDOWN_OPENING).size(), 1u);
        EXPECT_TRUE(m_owner.Of(WM_DROPDOWN_SELECT).empty());
        EXPECT_EQ(m_drop.currentText, u"one");
    }
    {
        // The owner empties the list while it runs: the answer no longer names an entry.
        Script script({[this](HWND dialog) {
            m_drop.ResetContent();
            EndDialog(dialog, 1);
        }});
        m_display.Click(30, 40);
        platform::PumpUntilIdle();
        EXPECT_TRUE(m_owner.Of(WM_DROPDOWN_SELECT).empty());
        EXPECT_EQ(m_drop.currentText, u"one");
    }
}

TEST_F(DropdownListItemTest, SecondLevelChoiceShowsAsEntryColonSubText) {
    CListPanelItem sub(80, 60);
    sub.SetEntries({DropdownEntry{u"Fast", nullptr}, DropdownEntry{u"Slow", nullptr}});
    m_drop.AddString(u"plain");
    m_drop.AddString(u"Speed", &sub);
    m_drop.SetCurSel(0);

    {
        // No second-level choice: nothing applied, nothing sent.
        Script script({[](HWND dialog) { EndDialog(dialog, 1); }});
        m_display.Click(30, 40);
        platform::PumpUntilIdle();
        EXPECT_TRUE(m_owner.Of(WM_DROPDOWN_SELECT).empty());
        EXPECT_EQ(m_drop.currentText, u"plain");
    }
    Repaint();
    const int plainPixels = TextPixels();
    EXPECT_GT(plainPixels, 0);
    {
        sub.SelectEntry(1);
        Script script({[](HWND dialog) { EndDialog(dialog, 1); }});
        m_display.Click(30, 40);
        platform::PumpUntilIdle();
        ASSERT_EQ(m_owner.Of(WM_DROPDOWN_SELECT).size(), 1u);
        EXPECT_EQ(m_owner.Of(WM_DROPDOWN_SELECT)[0].first, 1u);
    }
    EXPECT_EQ(m_drop.currentText, u"Speed");
    CString subText;
    EXPECT_EQ(m_drop.GetCurSelAndSubText(subText), 1);
    EXPECT_EQ(subText, u"Slow");
    EXPECT_EQ(m_drop.DisplayText(), u"Speed: Slow");
    Repaint();
    EXPECT_GT(TextPixels(), plainPixels);
}

TEST_F(DropdownListItemTest, TextTooLongForTheFieldEndsWithAnEllipsis) {
    m_drop.AddString(u"Macro");
    m_drop.SetCurSel(0, u"a rather long macro name");
    Repaint();
    // The text area runs from x = 23 to 99, its line from y = 31 to 49. The rightmost column
    // with ink in the upper part of the line belongs to the last letter shown; after it come
    // only the dots, low on the line, before the arrow's square.
    auto inked = [this](int x, int top, int bottom) {
        for (int y = top; y < bottom; ++y) {
            if (m_display.ScreenPixel(x, y) != kBack) {
                return true;
            }
        }
        return false;
    };
    int lastLetter = 98;
    while (lastLetter > 23 && !inked(lastLetter, 31, 40)) {
        --lastLetter;
    }
    EXPECT_GT(lastLetter, 40);
    EXPECT_LT(lastLetter, 99 - 6) << "the letters run to the end of the field";
    int dots = 0;
    for (int x = lastLetter + 1; x < 99; ++x) {
        dots += inked(x, 40, 49) ? 1 : 0;
    }
    EXPECT_GE(dots, 3);
}

TEST_F(DropdownListItemTest, PaintsBorderArrowAndDisabledColours) {
    Repaint();
    // Border on the left, top, right and (closed) bottom edges; background inside.
    EXPECT_EQ(m_display.ScreenPixel(20, 40), kBorder);
    EXPECT_EQ(m_display.ScreenPixel(60, 30), kBorder);
    EXPECT_EQ(m_display.ScreenPixel(119, 40), kBorder);
    EXPECT_EQ(m_display.ScreenPixel(60, 49), kBorder);
    EXPECT_EQ(m_display.ScreenPixel(60, 40), kBack);
    // The arrow in the 20 x 20 square at the right end: rows of 9, 7, 5, 3, 1 from (105, 37).
    EXPECT_EQ(m_display.ScreenPixel(105, 37), kText);
    EXPECT_EQ(m_display.ScreenPixel(113, 37), kText);
    EXPECT_EQ(m_display.ScreenPixel(114, 37), kBack);
    EXPECT_EQ(m_display.ScreenPixel(104, 37), kBack);
    EXPECT_EQ(m_display.ScreenPixel(109, 41), kText);
    EXPECT_EQ(m_display.ScreenPixel(108, 41), kBack);
    EXPECT_EQ(m_display.ScreenPixel(110, 41), kBack);
    EXPECT_EQ(m_display.ScreenPixel(109, 42), kBack);

    // Open: the bottom edge stays open towards the list, except for the global macro list.
    m_drop.open = 1;
    Repaint();
    EXPECT_EQ(m_display.ScreenPixel(60, 49), kBack);
    EXPECT_EQ(m_display.ScreenPixel(119, 49), kBorder);
    m_drop.id = CDropdownListItem::kGlobalMacroListId;
    Repaint();
    EXPECT_EQ(m_display.ScreenPixel(60, 49), kBorder);
    m_drop.open = 0;

    m_drop.disabled = 1;
    Repaint();
    EXPECT_EQ(m_display.ScreenPixel(60, 40), kDisabledBack);
    EXPECT_EQ(m_display.ScreenPixel(20, 40), kDisabledBorder);
    EXPECT_EQ(m_display.ScreenPixel(105, 37), kText);
}

// The list-panel item's popup window lies at (40, 20) on the screen.
TEST_F(DropdownListItemTest, ListPanelItemPopupAtTheWindowPointWithTheDefaultHeight) {
    CWnd window;
    ASSERT_TRUE(window.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 40, 20, 200, 150, nullptr,
                                nullptr));
    CListPanelItem item(70, 45);
    item.parent = &m_owner;
    item.SetEntries({DropdownEntry{u"Cut", nullptr}, DropdownEntry{u"Copy", nullptr},
                     DropdownEntry{u"Paste", nullptr}});
    RECT shown{};
    HWND panelParent = nullptr;
    {
        Script script({
            [&](HWND dialog) {
                GetWindowRect(dialog, &shown);
                panelParent = GetParent(dialog);
                m_display.Click(shown.left + 10, shown.top + 1 + 2 * 15 + 5); // "Paste"
            },
            [&](HWND) { Advance(250); },
        });
        EXPECT_EQ(item.ShowPopup(0, &window, 10, 15), 2);
    }
    EXPECT_EQ(shown.left, 50);
    EXPECT_EQ(shown.top, 35);
    EXPECT_EQ(shown.right - shown.left, 70);
    EXPECT_EQ(shown.bottom - shown.top, 45);
    EXPECT_EQ(panelParent, m_owner.m_hWnd); // the item's parent, not the given window
    {
        Script script({
            [&](HWND dialog) {
                GetWindowRect(dialog, &shown);
                EndDialog(dialog, -1);
            },
        });
        EXPECT_EQ(item.ShowPopup(30, &window, 0, 0), -1);
    }
    EXPECT_EQ(shown.left, 40);
    EXPECT_EQ(shown.bottom - shown.top, 30);
    window.DestroyWindow();
}

} // namespace
