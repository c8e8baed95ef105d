// Runs the popups on the skin files our own skin ships, where the build lays them out: every
// file the configurator names loads, shows a translated heading, and can be closed by its
// items (or, for the writing popup, by its owner).
#include "PopupTestSupport.h"
#include "configurator/BorvantaNameEntryPopup.h"
#include "configurator/BorvantaWarningDlg.h"
#include "gui/EditItem.h"
#include "gui/LangTable.h"
#include "gui/TextItem.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifdef BORVANTA_PROGRAM_DIR

using popuptest::Script;

namespace {

class ShippedPopups : public ::testing::Test {
protected:
    void SetUp() override {
        InitNameTables();
        RegisterPopupDialogTemplates();
        SetExeFolder(BORVANTA_PROGRAM_DIR);
        SkinResourceCache::Clear();
        ASSERT_TRUE(LoadSkinFile(m_languages, u"Language.xml", nullptr));
        ASSERT_EQ(LanguageTableMap.count(320), 1u);
        CurrentLangTable = LanguageTableMap[320]; // English
        ASSERT_TRUE(m_owner.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480,
                                     nullptr, nullptr));
        platform::PumpUntilIdle();
    }
    void TearDown() override {
        m_owner.DestroyWindow();
        platform::PumpUntilIdle();
        CurrentLangTable = nullptr;
        LanguageTableMap.clear();
        SkinResourceCache::Clear();
    }
    void ClickItem(CPopupBox& popup, int id) {
        CGUIItem* item = FindGUIItemById(popup.items, id);
        ASSERT_NE(item, nullptr);
        RECT r{};
        GetWindowRect(item->hwnd, &r);
        m_display.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }

    platform::ScopedVirtualClock m_clock;
    // The skin's own creators where they are registered, stand-ins for the others.
    popuptest::TestCreators m_creators{true};
    CGUIItemList m_languages;
    platform::HeadlessDisplay m_display{640, 480};
    CWnd m_owner;
};

} // namespace

TEST_F(ShippedPopups, EveryWarningSkinShowsItsHeadingAndCloses) {
    const WCHAR* const files[] = {
        u"NoMousePopup.xml",
        u"MouseStatePopup.xml",
        u"RestorePopup.xml",
        u"ProfileLimitReachedPopup.xml",
        u"DuplicateProfileWarningPopup.xml",
        u"ExportProfileWarningPopup.xml",
        u"ImporttProfileWarningPopup.xml",
        u"DisallowDeletePopup.xml",
        u"ConfirmDeletePopup.xml",
        u"NoClickPopup.xml",
        u"DuplicateMacroWarningPopup.xml",
        u"DefaultDelayWarningPopup.xml",
        u"ExportMacroWarningPopup.xml",
        u"ConfirmDeleteMacroPopup.xml",
        u"WritingToVelmoraPopup.xml",
        u"SelectApplicationWarningPopup.xml",
        u"WriteFailedPopup.xml",
    };
    for (const WCHAR* file : files) {
        SCOPED_TRACE(ToUtf8(file));
        CBorvantaWarningDlg popup(&m_owner, file, u": Gamer");
        CString heading;
        SIZE size{};
        bool hasOk = false;
        bool hasCancel = false;
        Script script({[&](HWND dialog) {
            RECT window{};
            GetWindowRect(dialog, &window);
            size = SIZE{window.right - window.left, window.bottom - window.top};
            if (popup.heading != nullptr) {
                heading = popup.heading->GetText();
            }
            hasOk = FindGUIItemById(popup.items, BUTTON_POPUP_OK) != nullptr;
            hasCancel = FindGUIItemById(popup.items, BUTTON_POPUP_CANCEL) != nullptr;
            if (hasOk) {
                ClickItem(popup, BUTTON_POPUP_OK);
            } else {
                popup.EndDialog(0); // the writing popup: its owner ends it
            }
        }});
        const INT_PTR result = popup.DoModal();
        EXPECT_GT(size.cx, 0);
        EXPECT_GT(size.cy, 0);
        // Translated by the English table, with the extra text after it.
        EXPECT_FALSE(heading.IsEmpty());
        EXPECT_NE(heading.GetString()[0], u'$');
        EXPECT_TRUE(heading.str().ends_with(u": Gamer")) << heading.ToUtf8();
        const bool writing = std::u16string(file) == u"WritingToVelmoraPopup.xml";
        EXPECT_EQ(hasOk, !writing);
        EXPECT_EQ(result, writing ? 0 : IDOK);
        // Questions can be declined; notices only acknowledged.
        const bool question = std::u16string(file) == u"RestorePopup.xml" ||
                              std::u16string(file) == u"ConfirmDeletePopup.xml" ||
                              std::u16string(file) == u"ConfirmDeleteMacroPopup.xml";
        EXPECT_EQ(hasCancel, question);
    }
}

TEST_F(ShippedPopups, EveryNameSkinTakesANameOfTwentyCharacters) {
    for (const WCHAR* file :
         {u"ProfileNamePopup.xml", u"ProfileRenamePopup.xml", u"MacroNamePopup.xml"}) {
        SCOPED_TRACE(ToUtf8(file));
        CString name;
        CBorvantaNameEntryPopup popup(&m_owner, file, &name);
        CString heading;
        Script script({[&](HWND) {
                           auto* text = dynamic_cast<CTextItem*>(
                               FindGUIItemById(popup.items, TEXT_WARNDLG_HEADING));
                           if (text != nullptr) {
                               heading = text->GetText();
                           }
                           for (int i = 0; i < 22; ++i) {
                               m_display.PressKey('A' + i);
                           }
                       },
                       [&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
        EXPECT_EQ(popup.DoModal(), IDOK);
        EXPECT_NE(popup.edit, nullptr);
        EXPECT_FALSE(heading.IsEmpty());
        EXPECT_NE(heading.GetString()[0], u'$');
        EXPECT_EQ(name, u"abcdefghijklmnopqrst");
    }
}

#endif
