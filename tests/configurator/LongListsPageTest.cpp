// Long lists and in-place edits on the headless display, driven as a user drives them: the
// macros page's drop-down and event list and the buttons page's macro sub-menu reach their
// last entries by keys, the wheel and clicks; an in-place edit keeps Enter and Escape from the
// window; a cancelled sub-menu changes nothing.

#include "PageTestSupport.h"
#include "gui/ListPanel.h"
#include "gui/ListPanelItem.h"
#include "gui/ListPanelList.h"
#include "gui/MacroDisplayItem.h"
#include "gui/XListCtrl.h"
#include "gui/XListEdit.h"
#include "model/Macro.h"
#include "platform/ui/CommDlg.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using apptest::Driver;
using pagetest::PageTest;

constexpr ButtonId kForwardButton = 5;

std::u16string MacroName(int i) {
    const std::string name = "m" + std::to_string(i);
    return std::u16string(name.begin(), name.end());
}

class LongListsPageTest : public PageTest {
protected:
    // The list panel a modal step got, or null.
    static CListPanel* Panel(HWND dialog) {
        return dynamic_cast<CListPanel*>(CWnd::FromHandlePermanent(dialog));
    }
    // The screen centre of a list panel's row that shows the entry at that position.
    static POINT RowCentre(CListPanel& panel, int entry) {
        for (int row = 0; row < panel.list->GetItemCount(); ++row) {
            if (panel.list->RowId(row) == entry) {
                RECT r{};
                panel.list->GetItemRect(row, &r, LVIR_BOUNDS);
                POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
                panel.list->ClientToScreen(&centre);
                return centre;
            }
        }
        ADD_FAILURE() << "no row for entry " << entry;
        return POINT{};
    }
    // A click handled by the modal loop once the step is over (it opens a nested list).
    void ClickLater(POINT at) {
        m_display.SetAutoPump(false);
        m_display.Click(at.x, at.y);
        m_display.SetAutoPump(true);
    }
    static int EntryIndex(CDropdownListItem* field, const char16_t* text) {
        for (int i = 0; i < field->GetCount(); ++i) {
            if (field->GetText(i) == text) {
                return i;
            }
        }
        return -1;
    }
    // Creates the macros m1..mN (the last one with many key events) and writes them to the
    // mouse, as Apply does.
    std::vector<Driver::Step> MacrosOnTheMouse(int count) {
        return pagetest::Steps(
            {{OnMain([count](CBorvantaAppDlg& d) {
                 for (int i = 1; i <= count; ++i) {
                     CMacro* macro = d.config->CreateMacro(MacroName(i).c_str(), nullptr);
                     ASSERT_NE(macro, nullptr);
                     MacroEventList events;
                     for (int k = 0; k < (i == count ? 30 : 1); ++k) {
                         events.push_back({MACRO_EVENT_KEY, 0x1E | (0x41 << 16),
                                           k % 2 == 0 ? MACRO_KEY_PRESS : MACRO_KEY_RELEASE});
                     }
                     macro->SetEvents(events);
                 }
                 d.FillMacroList();
                 d.MarkPending(PENDING_MACROS);
             })},
             ApplyAndWait()});
    }

    // The macro on the given button, by the name the mouse gives it after the write.
    static std::u16string MacroOnButton(ButtonId button) {
        CBorvantaConfig mouse;
        ReadMouse(mouse);
        ButtonAssignment assignment;
        mouse.GetButtonAssignment(assignment, button, nullptr);
        if (assignment.kind != ASSIGNMENT_MACRO) {
            return u"<kind " + std::u16string(1, static_cast<char16_t>(u'0' + assignment.kind)) +
                   u">";
        }
        const CMacro* macro = mouse.FindMacroByGuid(assignment.GetGuid(), nullptr);
        return macro != nullptr ? std::u16string(macro->GetName()) : u"<none>";
    }

    // The last macro is chosen on the macros page (through its drop-down, by keys or by the
    // wheel and a click), its long event list is walked with End, it is exported, and it is
    // put on the fifth button through the macro sub-menu; the mouse holds it after Apply.
    void ReachTheLastMacro(int count, bool byWheel) {
        const std::filesystem::path exported = m_dir / "last.qmm";
        platform::SetFileChooser([&](const OPENFILENAMEW&, std::u16string& path) {
            path = exported.u16string();
            return TRUE;
        });
        const std::u16string last = MacroName(count);
        bool macroListHadABar = false;
        bool subListHadABar = false;
        int topAfterEnd = -1;
        int topAfterHome = -1;
        int selectedAfterEnd = -1;
        Run(pagetest::Steps(
            {MacrosOnTheMouse(count),
             {OnMain([&](CBorvantaAppDlg& d) {
                  Click(d.macrosTab);
                  apptest::ClickItem(m_display, d.macroList->GetSafeHwnd());
              }),
              OnPopup([&](HWND dialog) {
                  CListPanel* panel = Panel(dialog);
                  ASSERT_NE(panel, nullptr);
                  macroListHadABar = panel->list->scrollBar != nullptr;
                  if (byWheel) {
                      PointAt(RowCentre(*panel, panel->list->RowId(panel->list->GetTopIndex())));
                      m_display.Wheel(-count);
                      const POINT at = RowCentre(*panel, count - 1);
                      m_display.Click(at.x, at.y);
                  } else {
                      m_display.PressKey(VK_HOME);
                      m_display.PressKey(VK_END);
                      m_display.PressKey(VK_RETURN);
                  }
              }),
              WaitMain(
                  [&](CBorvantaAppDlg& d) { return d.macroList->currentText == last.c_str(); }),
              OnMain([&](CBorvantaAppDlg& d) {
                  // The long event list: a row in view clicked, then Home and End walk it.
                  CMacroDisplayItem* list = d.macroDisplay;
                  RECT shown{};
                  list->GetItemRect(list->GetTopIndex(), &shown, LVIR_BOUNDS);
                  POINT at{shown.left + 40, (shown.top + shown.bottom) / 2};
                  list->ClientToScreen(&at);
                  PointAt(at);
                  m_display.Click(at.x, at.y);
                  m_display.PressKey(VK_HOME);
                  topAfterHome = list->GetTopIndex();
                  m_display.PressKey(VK_END);
                  selectedAfterEnd = list->GetNextItem(-1, LVNI_SELECTED);
                  topAfterEnd = list->GetTopIndex();
                  Click(d.macroExportButton);
                  Click(d.assignTab);
                  apptest::ClickItem(m_display, d.buttonItems.at(kForwardButton)->GetSafeHwnd());
              }),
              OnPopup([&](HWND dialog) {
                  CListPanel* panel = Panel(dialog);
                  ASSERT_NE(panel, nullptr);
                  ClickLater(RowCentre(
                      *panel, EntryIndex(main->buttonItems.at(kForwardButton), u"$macro")));
              }),
              OnPopup([&](HWND dialog) { // the sub-menu, five rows high
                  CListPanel* panel = Panel(dialog);
                  ASSERT_NE(panel, nullptr);
                  subListHadABar = panel->list->scrollBar != nullptr;
                  m_display.PressKey(VK_END);
                  m_display.PressKey(VK_RETURN);
              }),
              WaitMain([&](CBorvantaAppDlg& d) {
                  return d.buttonItems.at(kForwardButton)->currentSubText == last.c_str();
              })},
             ApplyAndWait(),
             {Cancel()}}));
        EXPECT_EQ(stepsDone, 13u);
        EXPECT_TRUE(macroListHadABar);
        EXPECT_TRUE(subListHadABar);
        EXPECT_EQ(selectedAfterEnd, 29);
        EXPECT_EQ(topAfterHome, 0);
        EXPECT_GT(topAfterEnd, 0);
        EXPECT_TRUE(std::filesystem::exists(exported));
        EXPECT_EQ(MacroOnButton(kForwardButton), last);
    }
};

TEST_F(LongListsPageTest, ThirteenMacrosAreReachedByKeys) {
    ReachTheLastMacro(13, false);
}

TEST_F(LongListsPageTest, SixtyMacrosAreReachedByTheWheel) {
    ReachTheLastMacro(60, true);
}

TEST_F(LongListsPageTest, EscapeOnASubMenuLeavesTheButtonAsItWas) {
    ButtonAssignment before;
    ButtonAssignment after;
    Run(pagetest::Steps(
        {MacrosOnTheMouse(2),
         {OnMain([&](CBorvantaAppDlg& d) {
              // A macro once chosen for one button through the sub-menu...
              d.RefreshAssignSubmenus();
              ASSERT_TRUE(d.macroSubmenu->SelectEntry(1));
              d.ClearPendingChanges();
              d.config->GetButtonAssignment(before, kForwardButton, nullptr);
              Click(d.assignTab);
              apptest::ClickItem(m_display, d.buttonItems.at(kForwardButton)->GetSafeHwnd());
          }),
          OnPopup([&](HWND dialog) {
              CListPanel* panel = Panel(dialog);
              ASSERT_NE(panel, nullptr);
              ClickLater(
                  RowCentre(*panel, EntryIndex(main->buttonItems.at(kForwardButton), u"$macro")));
          }),
          // ...is not put on this one when its sub-menu is left with Escape.
          OnPopup([&](HWND) { m_display.PressKey(VK_ESCAPE); }),
          WaitMain([](CBorvantaAppDlg&) { return true; }), OnMain([&](CBorvantaAppDlg& d) {
              m_clock.Advance(600);
              platform::PumpUntilIdle();
              d.config->GetButtonAssignment(after, kForwardButton, nullptr);
              EXPECT_EQ(d.PendingChangeMask, 0);
              EXPECT_FALSE(d.applyButton->IsWindowEnabled());
              EXPECT_EQ(d.buttonItems.at(kForwardButton)->currentSubText, u"");
          }),
          Cancel()}}));
    EXPECT_EQ(stepsDone, 9u);
    EXPECT_EQ(after.kind, before.kind);
    EXPECT_EQ(after.kind, ASSIGNMENT_FORWARD);
}

// Enter and Escape in an in-place editor end the edit; the window neither takes them as OK
// nor as Cancel.
TEST_F(LongListsPageTest, InPlaceEditsKeepEnterAndEscapeFromTheWindow) {
    std::vector<int> delays;
    CString renamed;
    CString kept;
    HWND editor = nullptr;
    Run(pagetest::Steps(
        {MacrosOnTheMouse(1),
         {OnMain([&](CBorvantaAppDlg& d) {
              CMacro* macro = d.config->GetMacro(0, nullptr);
              macro->SetEvents({{MACRO_EVENT_KEY, 0x1E | (0x41 << 16), MACRO_KEY_PRESS},
                                {MACRO_EVENT_DELAY, 40, 40},
                                {MACRO_EVENT_KEY, 0x1E | (0x41 << 16), MACRO_KEY_RELEASE}});
              Click(d.macrosTab);
              d.macroList->SetCurSel(0);
              d.OnMacroChosen(0);
              d.ClearPendingChanges();
              // The delay row, chosen and opened with the row menu's "Edit" (its third entry).
              RECT row{};
              d.macroDisplay->GetItemRect(1, &row, LVIR_BOUNDS);
              POINT at{row.left + 60, (row.top + row.bottom) / 2};
              d.macroDisplay->ClientToScreen(&at);
              PointAt(at);
              m_display.Click(at.x, at.y);
              m_display.SetAutoPump(false);
              m_display.Click(at.x, at.y, platform::input::MouseButtonId::Right);
              m_display.SetAutoPump(true);
          }),
          OnPopup([&](HWND) {
              m_display.PressKey(VK_DOWN);
              m_display.PressKey(VK_DOWN);
              m_display.PressKey(VK_DOWN);
              m_display.PressKey(VK_RETURN);
          }),
          WaitMain([&](CBorvantaAppDlg& d) {
              editor = reinterpret_cast<HWND>(d.macroDisplay->SendMessage(LVM_GETEDITCONTROL));
              return editor != nullptr;
          }),
          OnMain([&](CBorvantaAppDlg& d) {
              SetWindowTextW(editor, u"1500");
              m_display.PressKey(VK_RETURN);
              delays.push_back(d.SelectedMacro()->GetEvents()[1].code);
              EXPECT_EQ(d.PendingChangeMask & PENDING_MACROS, PENDING_MACROS);
              // Again, and Escape: the typed delay is dropped.
              d.ClearPendingChanges();
              d.macroDisplay->EditSelectedRow();
              editor = reinterpret_cast<HWND>(d.macroDisplay->SendMessage(LVM_GETEDITCONTROL));
              ASSERT_NE(editor, nullptr);
              SetWindowTextW(editor, u"9");
              m_display.PressKey(VK_ESCAPE);
              delays.push_back(d.SelectedMacro()->GetEvents()[1].code);
              EXPECT_EQ(d.PendingChangeMask, 0);

              // A profile's name in the profiles list, edited in place by a double click.
              Click(d.profilesTab);
              CXListCtrl* list = d.profileList;
              RECT cell{};
              list->GetSubItemRect(0, 1, LVIR_BOUNDS, cell);
              POINT name{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
              list->ClientToScreen(&name);
              PointAt(name);
              m_display.DoubleClick(name.x, name.y);
              ASSERT_TRUE(list->IsEditing());
              list->GetEditor()->SetWindowText(u"Renamed");
              m_display.PressKey(VK_RETURN);
              renamed = d.config->GetProfile(0)->GetName();
              m_clock.Advance(1000);
              m_display.DoubleClick(name.x, name.y);
              ASSERT_TRUE(list->IsEditing());
              list->GetEditor()->SetWindowText(u"Dropped");
              m_display.PressKey(VK_ESCAPE);
              kept = d.config->GetProfile(0)->GetName();
          }),
          // The window is still there: neither key reached it as OK or Cancel.
          WaitMain([](CBorvantaAppDlg& d) { return d.IsWindowVisible() != FALSE; }), Cancel()}}));
    EXPECT_EQ(stepsDone, 9u);
    EXPECT_EQ(delays, (std::vector<int>{1500, 1500}));
    EXPECT_EQ(renamed, u"Renamed");
    EXPECT_EQ(kept, u"Renamed");
}

} // namespace
