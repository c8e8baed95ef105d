#include "PopupTestSupport.h"
#include "configurator/BorvantaNameEntryPopup.h"
#include "configurator/BorvantaWarningDlg.h"
#include "gui/EditItem.h"
#include "gui/TextItem.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using popuptest::Script;

namespace {

// A 200 x 100 popup: heading across the top, OK at (20, 60) and Cancel at (120, 60), each
// 60 x 24, and (name entry) the edit at (20, 30).
const char* const kButtons =
    "<BUTTONLIST>"
    "<BUTTON name=\"BUTTON_POPUP_OK\" caption=\"$OK\"><RECT left=\"20\" top=\"60\" right=\"60\" "
    "bottom=\"24\"/></BUTTON>"
    "<BUTTON name=\"BUTTON_POPUP_CANCEL\" caption=\"$Cancel\"><RECT left=\"120\" top=\"60\" "
    "right=\"60\" bottom=\"24\"/></BUTTON>"
    "</BUTTONLIST>";
const char* const kHeading =
    "<TEXTLIST><TEXTITEM name=\"TEXT_WARNDLG_HEADING\" textkey=\"$Heading\">"
    "<RECT left=\"10\" top=\"8\" right=\"180\" bottom=\"20\"/></TEXTITEM>"
    "</TEXTLIST>";
const char* const kEdit =
    "<EDITCTRLLIST><EDITCTRL name=\"EDITCTRL_POPUP_NAMEENTRY\" max=\"64\"><RECT left=\"20\" "
    "top=\"30\" right=\"160\" bottom=\"20\"/></EDITCTRL></EDITCTRLLIST>";

std::string Panel(const std::string& lists) {
    return "<!DOCTYPE GUIPANEL>\n<GUIPANEL><BACKGROUND>face.bmp</BACKGROUND><MASK>mask.bmp"
           "</MASK>" +
           lists + "</GUIPANEL>";
}

CString WindowText(HWND hwnd) {
    WCHAR text[128]{};
    GetWindowTextW(hwnd, text, 128);
    return CString(text);
}

class PopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterPopupDialogTemplates();
        m_folder.Write("skins/face.bmp", popuptest::SolidBmp(200, 100, 0x203040));
        m_folder.Write("skins/mask.bmp", popuptest::SolidBmp(200, 100, 0x000000));
        m_folder.Write("xml/Warning.xml", Panel(std::string(kHeading) + kButtons));
        m_folder.Write("xml/NoHeading.xml", Panel(kButtons));
        // The heading's name on a button: no text item, so no heading.
        m_folder.Write("xml/ButtonHeading.xml",
                       Panel(std::string(kButtons) +
                             "<BUTTONLIST><BUTTON name=\"TEXT_WARNDLG_HEADING\"><RECT left=\"0\" "
                             "top=\"0\" right=\"10\" bottom=\"10\"/></BUTTON></BUTTONLIST>"));
        m_folder.Write("xml/Name.xml", Panel(std::string(kEdit) + kButtons));
        m_folder.Write("xml/NoEdit.xml", Panel(kButtons));
        ASSERT_TRUE(popuptest::ParseLanguage(m_table, u"Heading\r\nDelete the profile\r\n"
                                                      u"CreateProfile\r\nCreate Profile\r\n"));
        CurrentLangTable = &m_table;
        ASSERT_TRUE(m_owner.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                                     nullptr, nullptr));
        platform::PumpUntilIdle();
        WarmUp();
        SkinResourceCache::Clear();
        m_liveBefore = gdi::LiveObjectCount();
    }
    void TearDown() override {
        platform::PumpUntilIdle();
        SkinResourceCache::Clear(); // the skin's pictures stay in the cache until then
        EXPECT_EQ(gdi::LiveObjectCount(), m_liveBefore);
        m_owner.DestroyWindow();
        platform::PumpUntilIdle();
        CurrentLangTable = nullptr;
    }
    // The first popup of the process creates objects the platform keeps for later ones.
    void WarmUp() {
        static bool done = false;
        if (!done) {
            done = true;
            CBorvantaWarningDlg popup(&m_owner, u"Warning.xml");
            Script script({[](HWND dialog) { EndDialog(dialog, 0); }});
            popup.DoModal();
            platform::PumpUntilIdle();
        }
    }
    // Clicks the middle of a skin item's window.
    void ClickItem(CPopupBox& popup, int id) {
        CGUIItem* item = FindGUIItemById(popup.items, id);
        ASSERT_NE(item, nullptr);
        RECT r{};
        GetWindowRect(item->hwnd, &r);
        m_display.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void Type(const std::string& keys) {
        for (char key : keys) {
            m_display.PressKey(key >= 'a' && key <= 'z' ? key - 'a' + 'A' : key);
        }
    }
    // Enter, Escape, Alt+F4, the window menu's Close and Move, and WM_CLOSE.
    void TryToClose(HWND dialog) {
        m_display.PressKey(VK_RETURN);
        m_display.PressKey(VK_ESCAPE);
        m_display.KeyDown(VK_MENU);
        m_display.PressKey(VK_F4);
        m_display.KeyUp(VK_MENU);
        SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
        platform::PumpUntilIdle();
    }

    platform::ScopedVirtualClock m_clock;
    popuptest::ProgramFolder m_folder;
    popuptest::TestCreators m_creators;
    CLangTable m_table;
    platform::HeadlessDisplay m_display{400, 300};
    CWnd m_owner;
    std::size_t m_liveBefore = 0;
};

} // namespace

TEST_F(PopupTest, WarningAnswersOkOrCancelOnlyThroughItsItems) {
    bool openAfterKeys = false;
    RECT placed{};
    {
        CBorvantaWarningDlg popup(&m_owner, u"Warning.xml");
        EXPECT_EQ(popup.m_nIDTemplate, IDD_WARNING_POPUP);
        Script script({[&](HWND dialog) {
                           GetWindowRect(dialog, &placed);
                           TryToClose(dialog);
                           openAfterKeys = IsWindow(dialog) && IsWindowVisible(dialog);
                       },
                       [&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
        EXPECT_EQ(popup.DoModal(), IDOK);
        EXPECT_EQ(script.StepsRun(), 2u);
        EXPECT_TRUE(openAfterKeys);
        // The skin gives the size; the popup stands in the middle of its parent.
        EXPECT_EQ(placed, (RECT{100, 100, 300, 200}));
        ASSERT_NE(popup.heading, nullptr);
        EXPECT_EQ(popup.heading->GetText(), u"Delete the profile");
    }
    {
        CBorvantaWarningDlg popup(&m_owner, u"Warning.xml");
        Script script({[&](HWND) { ClickItem(popup, BUTTON_POPUP_CANCEL); }});
        EXPECT_EQ(popup.DoModal(), IDCANCEL);
        EXPECT_EQ(script.StepsRun(), 1u);
    }
    // Clicks beside the items and on the heading do nothing.
    {
        CBorvantaWarningDlg popup(&m_owner, u"Warning.xml");
        bool open = false;
        Script script({[&](HWND dialog) {
                           m_display.Click(105, 105);
                           ClickItem(popup, TEXT_WARNDLG_HEADING);
                           open = IsWindow(dialog);
                       },
                       [&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
        EXPECT_EQ(popup.DoModal(), IDOK);
        EXPECT_TRUE(open);
    }
}

TEST_F(PopupTest, WarningHeadingTakesTheExtraTextOrTheReplacement) {
    // Appended directly, without a blank, and as given: a name is neither translated nor
    // given a line break.
    const WCHAR* extra = u": $CreateProfile\\nx";
    {
        CBorvantaWarningDlg popup(&m_owner, u"Warning.xml", extra);
        CString shown;
        Script script({[&](HWND) {
            shown = popup.heading->GetText();
            ClickItem(popup, BUTTON_POPUP_OK);
        }});
        EXPECT_EQ(popup.DoModal(), IDOK);
        EXPECT_EQ(shown, u"Delete the profile: $CreateProfile\\nx");
    }
    {
        CBorvantaWarningDlg popup(&m_owner, u"Warning.xml", u"Gamer");
        CString shown;
        Script script({[&](HWND) { shown = popup.heading->GetText(); }});
        EXPECT_EQ(popup.DoModal(), -99);
        EXPECT_EQ(shown, u"Delete the profileGamer");
    }
    // The replacement wins over the heading and the extra text, and is translated.
    {
        CBorvantaWarningDlg popup(&m_owner, u"Warning.xml", u": Gamer");
        popup.SetText(u"$CreateProfile");
        CString shown;
        Script script({[&](HWND) { shown = popup.heading->GetText(); }});
        popup.DoModal();
        EXPECT_EQ(shown, u"Create Profile");
    }
    // Binding again does not append the extra text twice.
    {
        CBorvantaWarningDlg popup(&m_owner, u"Warning.xml", u"!");
        CString shown;
        Script script({[&](HWND) {
            popup.BindItems();
            shown = popup.heading->GetText();
        }});
        popup.DoModal();
        EXPECT_EQ(shown, u"Delete the profile!");
    }
}

TEST_F(PopupTest, WarningWithoutATextHeadingShowsNothingAndStillCloses) {
    for (const WCHAR* skin : {u"NoHeading.xml", u"ButtonHeading.xml"}) {
        CBorvantaWarningDlg popup(&m_owner, skin, u": Gamer");
        popup.SetText(u"$CreateProfile");
        Script script({[&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
        EXPECT_EQ(popup.DoModal(), IDOK);
        EXPECT_EQ(popup.heading, nullptr);
    }
}

TEST_F(PopupTest, PopupsWithoutOkAndCancelEndOnEscapeOrClosingUnlessHeldOpen) {
    m_folder.Write("xml/NoButtons.xml", Panel(kHeading));
    const std::vector<std::function<void(HWND)>> closers = {
        [&](HWND) { m_display.PressKey(VK_ESCAPE); },
        [&](HWND dialog) {
            SendMessageW(dialog, WM_CLOSE, 0, 0);
            platform::PumpUntilIdle();
        },
        [&](HWND dialog) {
            SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            platform::PumpUntilIdle();
        },
    };
    // A missing skin file (no items at all) and a skin with neither OK nor Cancel: a broken
    // skin never leaves a popup that nothing closes. Enter still does nothing.
    for (const WCHAR* skin : {u"NoSuchPopup.xml", u"NoButtons.xml"}) {
        for (const auto& close : closers) {
            CBorvantaWarningDlg popup(&m_owner, skin);
            bool openAfterEnter = false;
            Script script({[&](HWND dialog) {
                               m_display.PressKey(VK_RETURN);
                               openAfterEnter = IsWindow(dialog);
                           },
                           close});
            EXPECT_EQ(popup.DoModal(), IDCANCEL);
            EXPECT_TRUE(openAfterEnter);
        }
    }
    // The writing popup is held open by its owner until its write ends.
    CBorvantaWarningDlg writing(&m_owner, u"NoButtons.xml");
    writing.holdOpen = true;
    bool open = false;
    Script script({[&](HWND dialog) {
        TryToClose(dialog);
        open = IsWindow(dialog);
    }});
    EXPECT_EQ(writing.DoModal(), -99);
    EXPECT_TRUE(open);
}

TEST_F(PopupTest, WritingPopupOnTheHeapIsEndedByItsOwner) {
    auto popup = std::make_unique<CBorvantaWarningDlg>(&m_owner, u"Warning.xml");
    CBorvantaWarningDlg* shown = popup.get();
    Script script({[&](HWND) {}, [&](HWND) { shown->EndDialog(0); }});
    EXPECT_EQ(popup->DoModal(), 0);
    EXPECT_EQ(popup->GetSafeHwnd(), nullptr);
    popup.reset();
}

TEST_F(PopupTest, NameEntryHandsBackTheTypedNameOnOk) {
    CString name = u"untouched";
    CBorvantaNameEntryPopup popup(&m_owner, u"Name.xml", &name);
    EXPECT_EQ(popup.m_nIDTemplate, IDD_NAME_ENTRY_POPUP);
    bool focused = false;
    bool openAfterKeys = false;
    Script script({[&](HWND dialog) {
                       ASSERT_NE(popup.edit, nullptr);
                       focused = GetFocus() == popup.edit->m_hWnd;
                       Type("gamer 1");
                       TryToClose(dialog);
                       openAfterKeys = IsWindow(dialog);
                   },
                   [&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_TRUE(focused); // typing reaches the edit without a click
    EXPECT_TRUE(openAfterKeys);
    EXPECT_EQ(name, u"gamer 1");
}

TEST_F(PopupTest, NameEntryTakesTwentyCharactersAtMost) {
    CString name;
    CBorvantaNameEntryPopup popup(&m_owner, u"Name.xml", &name);
    UINT limit = 0;
    CString typed;
    Script script({[&](HWND) {
                       limit = popup.edit->GetLimitText();
                       Type("abcdefghijklmnopqrstuvwxy");
                       typed = WindowText(popup.edit->m_hWnd);
                   },
                   [&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_EQ(limit, 20u); // the popup's limit, not the skin's
    EXPECT_EQ(typed, u"abcdefghijklmnopqrst");
    EXPECT_EQ(name, u"abcdefghijklmnopqrst");
}

TEST_F(PopupTest, NameEntryEmptyCancelledOrWithoutEdit) {
    // OK on an empty edit answers IDOK with an empty name (callers take that as no name).
    {
        CString name = u"old";
        CBorvantaNameEntryPopup popup(&m_owner, u"Name.xml", &name);
        Script script({[&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
        EXPECT_EQ(popup.DoModal(), IDOK);
        EXPECT_TRUE(name.IsEmpty());
    }
    // Cancel leaves the caller's string as it was, whatever was typed.
    {
        CString name = u"old";
        CBorvantaNameEntryPopup popup(&m_owner, u"Name.xml", &name);
        Script script(
            {[&](HWND) { Type("new"); }, [&](HWND) { ClickItem(popup, BUTTON_POPUP_CANCEL); }});
        EXPECT_EQ(popup.DoModal(), IDCANCEL);
        EXPECT_EQ(name, u"old");
    }
    // A skin without the edit item gives an empty name.
    {
        CString name = u"old";
        CBorvantaNameEntryPopup popup(&m_owner, u"NoEdit.xml", &name);
        Script script({[&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
        EXPECT_EQ(popup.DoModal(), IDOK);
        EXPECT_EQ(popup.edit, nullptr);
        EXPECT_TRUE(name.IsEmpty());
    }
    // Without a result string, OK still ends the popup.
    {
        CBorvantaNameEntryPopup popup(&m_owner, u"Name.xml", nullptr);
        Script script({[&](HWND) { Type("x"); }, [&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
        EXPECT_EQ(popup.DoModal(), IDOK);
    }
}
