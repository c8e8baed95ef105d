#include "PageTestSupport.h"
#include "gui/BitmapBtn.h"
#include "gui/TextItem.h"
#include "gui/WidgetMessages.h"
#include "gui/XListCtrl.h"
#include "model/ProfileNames.h"
#include "platform/base/Path.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

namespace {

using apptest::Driver;
using pagetest::PageTest;

class ProfilesPageTest : public PageTest {
protected:
    // A notification of the profile list, sent as the list sends it.
    static void Notify(CBorvantaAppDlg& d, UINT message, int rowId, const WCHAR* text,
                       bool* checked = nullptr) {
        ListCtrlNotify notify;
        notify.row = rowId;
        notify.column = 0;
        notify.text = text;
        notify.checked = checked;
        SendMessageW(d.GetSafeHwnd(), message, reinterpret_cast<WPARAM>(d.profileList->m_hWnd),
                     reinterpret_cast<LPARAM>(&notify));
    }
    // The same, posted: for notifications whose handling opens a popup, so that the popup
    // runs in the window's own loop (the record lives in the test).
    void PostNotify(CBorvantaAppDlg& d, UINT message, int rowId, const WCHAR* text) {
        ListCtrlNotify& notify = posted.emplace_back();
        notify.row = rowId;
        notify.column = 0;
        notify.text = text;
        PostMessageW(d.GetSafeHwnd(), message, reinterpret_cast<WPARAM>(d.profileList->m_hWnd),
                     reinterpret_cast<LPARAM>(&notify));
    }
    // A click on a button of the profiles page, as the button reports it.
    static void PostPageCommand(CBorvantaAppDlg& d, int id) {
        const CGUIItem* item = FindGUIItemById(d.profilesPage, id);
        ASSERT_NE(item, nullptr) << id;
        PostMessageW(d.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                     reinterpret_cast<LPARAM>(item->hwnd));
    }
    std::deque<ListCtrlNotify> posted;
    bool checkedOn = true;
    static void Select(CBorvantaAppDlg& d, int rowId) {
        const int row = d.profileList->FindRow(rowId);
        ASSERT_GE(row, 0);
        for (int i = 0; i < d.profileList->GetItemCount(); ++i) {
            d.profileList->SetItemState(i, 0, LVIS_SELECTED | LVIS_FOCUSED);
        }
        d.profileList->SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED,
                                    LVIS_SELECTED | LVIS_FOCUSED);
    }
    static CString Name(CBorvantaAppDlg& d, int index) {
        IMouseProfile* profile = d.config->GetProfile(index);
        return profile != nullptr ? CString(profile->GetName()) : CString(u"<none>");
    }
    // Types the name into the name popup and clicks its OK.
    Driver::Step EnterName(const WCHAR* name) {
        return OnPopup([this, name](HWND dialog) {
            auto* panel = dynamic_cast<CGUIPanel*>(CWnd::FromHandle(dialog));
            ASSERT_NE(panel, nullptr);
            const CGUIItem* edit = FindGUIItemById(panel->items, EDITCTRL_POPUP_NAMEENTRY);
            ASSERT_NE(edit, nullptr);
            SetWindowTextW(edit->hwnd, name);
            ClickPopupItem(m_display, dialog, BUTTON_POPUP_OK);
        });
    }
};

using apptest::PostItemCommand;

TEST_F(ProfilesPageTest, CreateCopyRenameAndDeleteKeepNamesAndAssignmentsRight) {
    int duplicates = 0;
    int limits = 0;
    int refused = 0;
    Run({OnMain([](CBorvantaAppDlg& d) { PostItemCommand(d, BUTTON_MANAGEPROFILES); }),
         WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.profilesPage; }),
         OnMain([](CBorvantaAppDlg& d) {
             ASSERT_EQ(d.config->GetProfileCount(), 1);
             // The caption keeps its one colon, also a full-width one.
             EXPECT_EQ(d.profileInfoText->GetText(), u"Profile: ");
             const CString english = d.captionText;
             d.captionText = u"\u914D\u7F6E\u6587\u4EF6\uFF1A";
             d.UpdateProfileCaption();
             EXPECT_EQ(d.profileInfoText->GetText(), u"\u914D\u7F6E\u6587\u4EF6\uFF1A ");
             d.captionText = english;
             d.UpdateProfileCaption();
             PostPageCommand(d, BUTTON_NEWPROFILE);
         }),
         EnterName(u"Gaming"), OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.config->GetProfileCount(), 2);
             EXPECT_EQ(CString(d.config->GetActiveProfile()->GetName()), u"Gaming");
             EXPECT_EQ(d.profileNameText->GetText(), u"Gaming");
             EXPECT_EQ(d.profileList->GetItemCount(), 2);
             EXPECT_EQ(d.profileList->GetCellText(1, 0), u"02");
             EXPECT_EQ(d.PendingChangeMask, PENDING_PROFILES);
             // Copying Gaming while Gaming00 exists makes Gaming01.
             d.config->AddProfile(u"Gaming00");
             d.FillProfileList();
             Notify(d, WM_XLIST_COMMAND, 1, u"$Copy");
             EXPECT_EQ(Name(d, 3), u"Gaming01");
             EXPECT_EQ(d.config->GetActiveProfile(), d.config->GetProfile(3));
             // The first profile names Gaming01 by name (it has no identifier yet).
             d.config->GetProfile(0)->SetButtonAssignment(
                 4, ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME, u"Gaming01"));
             // A blank name in place is refused and the cell shows the name again.
             d.profileList->SetItemText(1, u"  ", 3);
             Notify(d, WM_XLIST_EDITDONE, 3, u"  ");
             EXPECT_EQ(Name(d, 3), u"Gaming01");
             EXPECT_EQ(d.profileList->GetCellText(3, 1), u"Gaming01");
             // A name differing only in case is another name; the button follows it.
             Notify(d, WM_XLIST_EDITDONE, 3, u"gaming01");
             EXPECT_EQ(Name(d, 3), u"gaming01");
             ButtonAssignment named;
             d.config->GetProfile(0)->GetButtonAssignment(named, 4);
             EXPECT_EQ(named.kind, ASSIGNMENT_PROFILE_NAME);
             EXPECT_EQ(named.GetName(), u"gaming01");
             // An exact duplicate shows the duplicate popup.
             PostNotify(d, WM_XLIST_EDITDONE, 3, u"Gaming");
         }),
         Answer(u"DuplicateProfileWarningPopup.xml", IDOK, &duplicates),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(Name(d, 3), u"gaming01");
             EXPECT_EQ(d.profileList->GetCellText(3, 1), u"gaming01");
             // The fifth profile, then the limit.
             d.config->AddProfile(u"Fifth");
             d.FillProfileList();
             d.ClearPendingChanges();
             PostNotify(d, WM_XLIST_COMMAND, 0, u"$Copy");
         }),
         Answer(u"ProfileLimitReachedPopup.xml", IDOK, &limits), OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.PendingChangeMask, 0); // a copy stopped at the limit marks nothing
             PostNotify(d, WM_XLIST_COMMAND, 0, u"$New");
         }),
         Answer(u"ProfileLimitReachedPopup.xml", IDOK, &limits), OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.PendingChangeMask, PENDING_PROFILES);
             // The first profile cannot be deleted.
             Select(d, 0);
             PostPageCommand(d, BUTTON_DELETEPROFILE);
         }),
         Answer(u"DisallowDeletePopup.xml", IDOK, &refused), OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.config->GetProfileCount(), 5);
             // A new profile without an identifier can be deleted; the button naming it
             // gets its factory assignment back. The row menu acts on its own row, whatever
             // row was selected.
             PostNotify(d, WM_XLIST_COMMAND, 3, u"$Delete");
         }),
         Answer(u"ConfirmDeletePopup.xml", IDOK), OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.config->GetProfileCount(), 4);
             EXPECT_EQ(Name(d, 3), u"Fifth");
             ButtonAssignment reset;
             d.config->GetProfile(0)->GetButtonAssignment(reset, 4);
             EXPECT_EQ(reset, GetDefaultAssignment(4));
             EXPECT_EQ(d.profileList->GetItemCount(), 4);
             PostItemCommand(d, BUTTON_APPLY);
         }),
         WaitMain([](CBorvantaAppDlg& d) {
             return d.timerId == IDT_WRITE_APPLY && !d.device->IsWriting();
         }),
         OnMain([](CBorvantaAppDlg& d) { PostMessageW(d.GetSafeHwnd(), WM_CLOSE, 0, 0); })});
    EXPECT_EQ(stepsDone, 17u);
    EXPECT_EQ(duplicates, 1);
    EXPECT_EQ(limits, 2);
    EXPECT_EQ(refused, 1);

    CBorvantaConfig mouse;
    ReadMouse(mouse);
    ASSERT_EQ(mouse.GetProfileCount(), 4);
    EXPECT_EQ(CString(mouse.GetProfile(1)->GetName()), u"Gaming");
    EXPECT_EQ(CString(mouse.GetProfile(3)->GetName()), u"Fifth");
}

TEST_F(ProfilesPageTest, AutoSwitchNeedsAProgramNamedByItsBareFileName) {
    platform::SetFileChooser([](const OPENFILENAMEW& request, std::u16string& path) {
        EXPECT_NE(request.Flags & OFN_EXECUTABLEONLY, 0u);
        path = u"/usr/local/games/spacegame";
        return TRUE;
    });
    int warnings = 0;
    Run({OnMain([](CBorvantaAppDlg& d) { PostItemCommand(d, BUTTON_MANAGEPROFILES); }),
         WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.profilesPage; }),
         OnMain([this](CBorvantaAppDlg& d) {
             d.profileList->SetCheck(0, 1);
             ListCtrlNotify& notify = posted.emplace_back();
             notify.row = 0;
             notify.column = 3;
             notify.checked = &checkedOn;
             PostMessageW(d.GetSafeHwnd(), WM_XLIST_CHECKCHANGED,
                          reinterpret_cast<WPARAM>(d.profileList->m_hWnd),
                          reinterpret_cast<LPARAM>(&notify));
         }),
         Answer(u"SelectApplicationWarningPopup.xml", IDOK, &warnings),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.config->GetAutoSwitch(d.config->GetProfile(0)), 0);
             EXPECT_EQ(d.profileList->GetCheck(0, CXListCtrl::kCheckColumnId), 0);
             EXPECT_EQ(d.PendingChangeMask, 0);
             // The row menu assigns a program (right click on the first row).
             RECT cell{};
             d.profileList->GetItemRect(0, &cell, LVIR_BOUNDS);
             POINT at{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
             ClientToScreen(d.profileList->m_hWnd, &at);
             m_display.SetAutoPump(false);
             m_display.Click(at.x, at.y, platform::input::MouseButtonId::Right);
             m_display.SetAutoPump(true);
         }),
         OnPopup([](HWND dialog) {
             // The row menu: "$AssignApplication".
             EndDialog(dialog, 8);
         }),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(CString(d.config->GetProfile(0)->GetExeName()), u"spacegame");
             EXPECT_EQ(d.profileList->GetCellText(0, CXListCtrl::kProgramColumnId), u"spacegame");
             bool on = true;
             Notify(d, WM_XLIST_CHECKCHANGED, 0, nullptr, &on);
             EXPECT_EQ(d.config->GetAutoSwitch(d.config->GetProfile(0)), 1);
             EXPECT_EQ(d.PendingChangeMask, PENDING_PROFILES);
             PostItemCommand(d, BUTTON_APPLY);
         }),
         WaitMain([](CBorvantaAppDlg& d) {
             return d.timerId == IDT_WRITE_APPLY && !d.device->IsWriting();
         }),
         OnMain([](CBorvantaAppDlg& d) { PostMessageW(d.GetSafeHwnd(), WM_CLOSE, 0, 0); })});
    EXPECT_EQ(stepsDone, 9u);
    EXPECT_EQ(warnings, 1);
    CBorvantaConfig mouse;
    ReadMouse(mouse);
    EXPECT_EQ(CString(mouse.GetProfile(0)->GetExeName()), u"spacegame");
    EXPECT_EQ(mouse.GetAutoSwitch(mouse.GetProfile(0)), 1);
}

TEST_F(ProfilesPageTest, ProgramNamesTheMouseCannotHoldAndNamesWithLineBreaksAreRefusedWhereTyped) {
    const std::u16string longName = u"/opt/" + std::u16string(PROFILE_PROGRAM_MAX_CHARS + 1, u'g');
    const std::u16string fitting = u"/opt/" + std::u16string(PROFILE_PROGRAM_MAX_CHARS, u'f');
    int notices = 0;
    Run({OnMain([](CBorvantaAppDlg& d) { PostItemCommand(d, BUTTON_MANAGEPROFILES); }),
         WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.profilesPage; }),
         OnMain([&](CBorvantaAppDlg& d) {
             Notify(d, WM_XLIST_TEXTCHANGED, 0, u"/usr/games/chess");
             d.ClearPendingChanges();
             PostNotify(d, WM_XLIST_TEXTCHANGED, 0, longName.c_str());
         }),
         Answer(u"ProgramNameTooLongPopup.xml", IDOK, &notices), OnMain([&](CBorvantaAppDlg& d) {
             // The profile keeps its program, the cell shows it, and nothing is pending.
             EXPECT_EQ(CString(d.config->GetProfile(0)->GetExeName()), u"chess");
             EXPECT_EQ(d.profileList->GetCellText(0, CXListCtrl::kProgramColumnId), u"chess");
             EXPECT_EQ(d.PendingChangeMask, 0);
             // A name of exactly the length the mouse holds is taken.
             Notify(d, WM_XLIST_TEXTCHANGED, 0, fitting.c_str());
             EXPECT_EQ(CString(d.config->GetProfile(0)->GetExeName()).GetLength(),
                       static_cast<int>(PROFILE_PROGRAM_MAX_CHARS));
             EXPECT_EQ(d.PendingChangeMask, PENDING_PROFILES);
             // A typed name with a line break is no name: the profile keeps its own.
             Notify(d, WM_XLIST_EDITDONE, 0, u"Two\nLines");
             EXPECT_EQ(CString(d.config->GetProfile(0)->GetName()), u"Profile 1");
             PostMessageW(d.GetSafeHwnd(), WM_CLOSE, 0, 0);
         })});
    EXPECT_EQ(stepsDone, 5u);
    EXPECT_EQ(notices, 1);
}

TEST_F(ProfilesPageTest, ExportAndImportGoThroughTheFileDialogAndRefuseBadFiles) {
    namespace fs = std::filesystem;
    std::u16string answer;
    std::vector<BOOL> saves;
    platform::SetFileChooser([&](const OPENFILENAMEW& request, std::u16string& path) {
        saves.push_back(request.saveDialog);
        path = answer;
        return TRUE;
    });
    const fs::path folder = m_dir / "files";
    fs::create_directories(folder);
    const fs::path broken = folder / "broken.qmp";
    std::ofstream(broken) << "not a profile at all\n";
    int failures = 0;
    Run({OnMain([](CBorvantaAppDlg& d) { PostItemCommand(d, BUTTON_MANAGEPROFILES); }),
         WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.profilesPage; }),
         OnMain([&](CBorvantaAppDlg& d) {
             // Only the extension: nothing is written.
             answer = FromNativePath(folder / ".qmp").GetString();
             d.ExportProfile();
             EXPECT_FALSE(fs::exists(folder / ".qmp"));
             // A name without extension gets it.
             answer = FromNativePath(folder / "mine").GetString();
             d.ExportProfile();
             EXPECT_TRUE(fs::exists(folder / "mine.qmp"));
             // A damaged file: a notice, nothing added.
             answer = FromNativePath(broken).GetString();
             PostPageCommand(d, BUTTON_IMPORTPROFILE);
         }),
         Answer(u"ProfileFileFailedPopup.xml", IDOK, &failures), OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.config->GetProfileCount(), 1);
             answer = FromNativePath(folder / "mine.qmp").GetString();
             PostPageCommand(d, BUTTON_IMPORTPROFILE);
         }),
         WaitMain([](CBorvantaAppDlg& d) { return d.config->GetProfileCount() == 2; }),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.profileList->GetItemCount(), 2);
             // Its name was taken: it is named as a copy would be.
             EXPECT_EQ(Name(d, 1), Name(d, 0) + u"00");
             PostMessageW(d.GetSafeHwnd(), WM_CLOSE, 0, 0);
         })});
    EXPECT_EQ(stepsDone, 7u);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(saves, (std::vector<BOOL>{TRUE, TRUE, FALSE, FALSE}));
    // The imported profile is on the mouse already.
    CBorvantaConfig mouse;
    ReadMouse(mouse);
    EXPECT_EQ(mouse.GetProfileCount(), 2);
}

TEST_F(ProfilesPageTest, TheNameDisplaySwitchIsOneSettingForEveryProfile) {
    std::vector<BYTE> shown;
    int before = -1;
    Run({OnMain([](CBorvantaAppDlg& d) {
             d.config->AddProfile(u"Second");
             d.FillProfileList();
             PostItemCommand(d, BUTTON_MANAGEPROFILES);
         }),
         WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.profilesPage; }),
         OnMain([&](CBorvantaAppDlg& d) {
             before = d.profileOsdButton->checked;
             // A click on the label works the switch.
             apptest::ClickItem(m_display, d.profileOsdText->GetSafeHwnd());
         }),
         WaitMain([](CBorvantaAppDlg& d) { return d.PendingChangeMask == PENDING_PROFILES; }),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_NE(d.profileOsdButton->checked, before);
             for (INT i = 0; i < d.config->GetProfileCount(); ++i) {
                 shown.push_back(d.config->GetShowProfileOsd(d.config->GetProfile(i)));
             }
             shown.push_back(static_cast<BYTE>(d.profileOsdButton->checked));
             PostMessageW(d.GetSafeHwnd(), WM_CLOSE, 0, 0);
         })});
    EXPECT_EQ(stepsDone, 5u);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], shown[2]);
    EXPECT_EQ(shown[1], shown[2]);
}

} // namespace
