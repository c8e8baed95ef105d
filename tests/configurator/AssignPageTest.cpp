#include "PageTestSupport.h"
#include "configurator/PopupBoxSingleKeyEntry.h"
#include "gui/BitmapBtn.h"
#include "gui/ListPanelItem.h"
#include "model/Macro.h"
#include "model/MouseConfig.h"

#include <gtest/gtest.h>

namespace {

using apptest::Driver;
using pagetest::PageTest;

class AssignPageTest : public PageTest {
protected:
    ButtonAssignment Assignment(CBorvantaAppDlg& d, ButtonId button) {
        ButtonAssignment out;
        d.config->GetButtonAssignment(out, button, nullptr);
        return out;
    }
    // Opens a button's field as the user clicks it.
    Driver::Step OpenField(ButtonId button) {
        return OnMain([this, button](CBorvantaAppDlg& d) {
            field = d.buttonItems.at(button);
            apptest::ClickItem(m_display, field->GetSafeHwnd());
        });
    }
    CDropdownListItem* field = nullptr;
};

TEST_F(AssignPageTest, ChoicesBecomeAssignmentsAndReachTheMouseThroughApply) {
    size_t wheelEntries = 0;
    size_t leftEntries = 0;
    std::vector<CString> macroChoices;
    Run({OnMain([&](CBorvantaAppDlg& d) {
             ASSERT_EQ(d.buttonItems.size(), 11u);
             leftEntries = static_cast<size_t>(d.buttonItems.at(1)->GetCount());
             wheelEntries = static_cast<size_t>(d.buttonItems.at(11)->GetCount());
             EXPECT_EQ(d.buttonItems.at(1)->currentText, u"$click");
             EXPECT_EQ(d.buttonItems.at(11)->currentText, u"$scrolldown");
         }),
         OpenField(2), PickEntry(this, &field, u"$Double-Click"), OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(Assignment(d, 2).kind, ASSIGNMENT_DOUBLE_CLICK);
             EXPECT_EQ(d.PendingChangeMask, PENDING_BUTTONS);
             EXPECT_EQ(field->currentText, u"$Double-Click");
             // A macro made now, not yet on the mouse: the sub-menu shows it when the field
             // opens, and the button names it by name.
             ASSERT_NE(d.config->CreateMacro(u"Zoom", nullptr), nullptr);
             d.config->GetMacro(0, nullptr)->GetEvents().push_back(MacroEvent{});
         }),
         OpenField(4), OnPopup([&](HWND dialog) {
             for (const DropdownEntry& entry : main->macroSubmenu->entries) {
                 macroChoices.push_back(entry.text);
             }
             main->macroSubmenu->SelectEntry(0);
             int index = -1;
             for (int i = 0; i < field->GetCount(); ++i) {
                 if (field->GetText(i) == u"$macro") {
                     index = i;
                 }
             }
             EndDialog(dialog, index);
         }),
         OnMain([&](CBorvantaAppDlg& d) {
             const ButtonAssignment byName = Assignment(d, 4);
             EXPECT_EQ(byName.kind, ASSIGNMENT_MACRO_NAME);
             EXPECT_EQ(byName.GetName(), u"Zoom");
             EXPECT_EQ(field->currentSubText, u"Zoom");
             EXPECT_EQ(field->DisplayText(), u"Macro: Zoom");
             apptest::ClickItem(m_display, d.applyButton->GetSafeHwnd());
         }),
         WaitMain([](CBorvantaAppDlg& d) {
             return d.timerId == IDT_WRITE_APPLY && !d.device->IsWriting();
         }),
         OnMain([&](CBorvantaAppDlg& d) {
             // After the write the macro has its identifier and the button names it by that.
             d.UpdateAssignmentLists();
             EXPECT_EQ(field->currentSubText, u"Zoom");
             PostMessageW(d.GetSafeHwnd(), WM_CLOSE, 0, 0);
         })});
    EXPECT_EQ(stepsDone, 9u);
    EXPECT_EQ(leftEntries, 15u);
    EXPECT_EQ(wheelEntries, 6u);
    EXPECT_EQ(macroChoices, std::vector<CString>{CString(u"Zoom")});

    CBorvantaConfig mouse;
    ReadMouse(mouse);
    ButtonAssignment two;
    ButtonAssignment four;
    mouse.GetButtonAssignment(two, 2, nullptr);
    mouse.GetButtonAssignment(four, 4, nullptr);
    EXPECT_EQ(two.kind, ASSIGNMENT_DOUBLE_CLICK);
    ASSERT_EQ(four.kind, ASSIGNMENT_MACRO);
    CMacro* macro = mouse.FindMacroByGuid(four.GetGuid(), nullptr);
    ASSERT_NE(macro, nullptr);
    EXPECT_EQ(CString(macro->GetName()), u"Zoom");
}

TEST_F(AssignPageTest, TheLastClickStaysAndTheKeyPopupTakesOrCancelsAKey) {
    int noClick = 0;
    ButtonAssignment keyed;
    Run({// The only click button to the menu: refused, back to the click.
         OpenField(1), PickEntry(this, &field, u"$menu"),
         Answer(u"NoClickPopup.xml", IDOK, &noClick), OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(Assignment(d, 1).kind, ASSIGNMENT_CLICK);
             EXPECT_EQ(field->currentText, u"$click");
             // A refused choice still counts as an edit of the buttons.
             EXPECT_EQ(d.PendingChangeMask, PENDING_BUTTONS);
         }),
         // A single key on the only click button: refused before the key popup shows.
         OpenField(1), PickEntry(this, &field, u"$SingleKey"),
         Answer(u"NoClickPopup.xml", IDOK, &noClick),
         OnMain([&](CBorvantaAppDlg& d) { EXPECT_EQ(Assignment(d, 1).kind, ASSIGNMENT_CLICK); }),
         // A key for button 5: the user presses A in the popup and clicks OK.
         OpenField(5), PickEntry(this, &field, u"$SingleKey"), OnPopup([&](HWND dialog) {
             EXPECT_NE(dynamic_cast<CPopupBoxSingleKeyEntry*>(CWnd::FromHandle(dialog)), nullptr);
             m_display.PressKey('A');
             ClickPopupItem(m_display, dialog, BUTTON_POPUP_OK);
         }),
         OnMain([&](CBorvantaAppDlg& d) {
             keyed = Assignment(d, 5);
             EXPECT_EQ(field->currentSubText, u"A");
         }),
         // Again, but cancelled: the key stays.
         OpenField(5), PickEntry(this, &field, u"$SingleKey"),
         OnPopup([&](HWND dialog) { ClickPopupItem(m_display, dialog, BUTTON_POPUP_CANCEL); }),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(Assignment(d, 5), keyed);
             EXPECT_EQ(field->currentSubText, u"A");
             PostMessageW(d.GetSafeHwnd(), WM_CLOSE, 0, 0);
         })});
    EXPECT_EQ(stepsDone, 16u);
    EXPECT_EQ(noClick, 2);
    EXPECT_EQ(keyed.kind, ASSIGNMENT_SINGLE_KEY);
    EXPECT_NE(keyed.GetScanCode(), 0);
    EXPECT_EQ(keyed.GetVirtualKey(), 'A');
}

TEST_F(AssignPageTest, ANeverSetButtonShowsAnEmptyFieldAndResetsFollowDeletes) {
    Run({OnMain([&](CBorvantaAppDlg& d) {
        IMouseProfile* active = d.config->GetActiveProfile();
        // A second profile, named by button 6 of the active one (by name, as it has no
        // identifier yet), and one whose name differs only in case.
        IMouseProfile* game = d.config->AddProfile(u"Game");
        IMouseProfile* other = d.config->AddProfile(u"GAME");
        d.config->SetActiveProfile(active);
        d.FillProfileList();
        d.RefreshAssignSubmenus();
        // The field as the drop-down leaves it when the user picks "GAME" in the sub-menu.
        CDropdownListItem* six = d.buttonItems.at(6);
        for (int i = 0; i < six->GetCount(); ++i) {
            if (six->GetText(i) == u"$profile") {
                six->SetCurSel(i, u"GAME");
            }
        }
        d.ApplyAssignmentChoice(six, &d, 6);
        ButtonAssignment stored;
        d.config->GetButtonAssignment(stored, 6, nullptr);
        EXPECT_EQ(stored.kind, ASSIGNMENT_PROFILE_NAME);
        EXPECT_EQ(stored.GetName(), u"GAME");
        EXPECT_EQ(six->currentSubText, u"GAME");
        // Deleting "Game" leaves the button naming "GAME" alone; deleting "GAME" resets it.
        d.ResetAssignmentsOfProfile(game);
        d.config->GetButtonAssignment(stored, 6, nullptr);
        EXPECT_EQ(stored.kind, ASSIGNMENT_PROFILE_NAME);
        d.ResetAssignmentsOfProfile(other);
        d.config->GetButtonAssignment(stored, 6, nullptr);
        EXPECT_EQ(stored, GetDefaultAssignment(6));

        // A profile whose buttons were never set (the plain configuration's profile) shows
        // empty fields, not the texts of the profile shown before.
        auto* plain = dynamic_cast<CMouseConfig*>(d.config);
        ASSERT_NE(plain, nullptr);
        IMouseProfile* bare = plain->CMouseConfig::AddProfile(u"Bare");
        ASSERT_NE(bare, nullptr);
        EXPECT_FALSE(d.buttonItems.at(7)->currentText.IsEmpty());
        d.config->SetActiveProfile(bare);
        d.UpdateAssignmentLists();
        ButtonAssignment none;
        d.config->GetButtonAssignment(none, 7, nullptr);
        EXPECT_EQ(none.kind, ASSIGNMENT_NONE);
        EXPECT_TRUE(d.buttonItems.at(7)->currentText.IsEmpty());
        EXPECT_EQ(d.buttonItems.at(7)->DisplayText(), u"");
        d.config->SetActiveProfile(active);
        PostMessageW(d.GetSafeHwnd(), WM_CLOSE, 0, 0);
    })});
    EXPECT_EQ(stepsDone, 1u);
}

} // namespace
