// The single-key, predefined-command and preview popups on skins written by the test and on
// the ones our own skin ships.
#include "PopupTestSupport.h"
#include "configurator/PopupBoxSingleKeyEntry.h"
#include "configurator/PredefinedMacroPopup.h"
#include "gui/DropdownListItem.h"
#include "gui/EditItemSingleKeyInput.h"
#include "gui/LangTable.h"
#include "gui/ListPanel.h"
#include "gui/TextItem.h"
#include "gui/WidgetMessages.h"
#include "platform/ui/Clock.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <string>

using popuptest::Script;

namespace {

const char* const kOkCancel =
    "<BUTTONLIST>"
    "<BUTTON name=\"BUTTON_POPUP_OK\" caption=\"$OK\"><RECT left=\"20\" top=\"60\" right=\"60\" "
    "bottom=\"24\"/></BUTTON>"
    "<BUTTON name=\"BUTTON_POPUP_CANCEL\" caption=\"$Cancel\"><RECT left=\"120\" top=\"60\" "
    "right=\"60\" bottom=\"24\"/></BUTTON>"
    "</BUTTONLIST>";
const char* const kKeyEdit =
    "<EDITCTRLLIST><EDITCTRLSK name=\"EDITCTRL_POPUP_SINGLEKEYENTRY\"><RECT left=\"20\" "
    "top=\"30\" right=\"160\" bottom=\"20\"/></EDITCTRLSK></EDITCTRLLIST>";

// The two command lists at (20, 10) and (20, 40), 100 x 20 each, their add buttons beside
// them and Cancel below.
const char* const kCommandLists =
    "<COMBOLIST>"
    "<COMBO name=\"LIST_GLOBAL_BASIC_COMMANDS\"><CBOX><RECT left=\"20\" top=\"10\" "
    "right=\"100\" bottom=\"20\"/></CBOX><CLIST height=\"150\"/></COMBO>"
    "<COMBO name=\"LIST_GLOBAL_ADDITIONAL_COMMANDS\"><CBOX><RECT left=\"20\" top=\"40\" "
    "right=\"100\" bottom=\"20\"/></CBOX><CLIST height=\"150\"/></COMBO>"
    "</COMBOLIST>";
const char* const kAddButtons =
    "<BUTTONLIST>"
    "<BUTTON name=\"BUTTON_ADD_BASIC_MACRO_CMDS\"><RECT left=\"130\" top=\"10\" right=\"50\" "
    "bottom=\"20\"/></BUTTON>"
    "<BUTTON name=\"BUTTON_ADD_ADV_MACRO_CMDS\"><RECT left=\"130\" top=\"40\" right=\"50\" "
    "bottom=\"20\"/></BUTTON>"
    "</BUTTONLIST>";
const char* const kCancel =
    "<BUTTONLIST><BUTTON name=\"BUTTON_POPUP_CANCEL\"><RECT left=\"120\" top=\"70\" "
    "right=\"60\" bottom=\"24\"/></BUTTON></BUTTONLIST>";

// The list panels of the drop-downs run on this template.
constexpr UINT kListTemplate = 4711;
// Rows of a list panel in the default font, below its one-pixel border.
constexpr int kListRowHeight = 15;

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

class KeyPopupsTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterPopupDialogTemplates();
        DialogTemplate list;
        list.style = WS_POPUP | WS_VISIBLE;
        RegisterDialogTemplate(kListTemplate, list);
        CListPanel::DefaultTemplateId() = kListTemplate;
        m_folder.Write("skins/face.bmp", popuptest::SolidBmp(200, 100, 0x203040));
        m_folder.Write("skins/mask.bmp", popuptest::SolidBmp(200, 100, 0x000000));
        ASSERT_TRUE(m_owner.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                                     nullptr, nullptr));
        platform::PumpUntilIdle();
    }
    void TearDown() override {
        m_owner.DestroyWindow();
        platform::PumpUntilIdle();
    }
    void WriteSkin(const char* file, const std::string& lists) {
        m_folder.Write(std::string("xml/") + file, Panel(lists));
    }
    void ClickItem(CGUIPanel& popup, int id) {
        CGUIItem* item = FindGUIItemById(popup.items, id);
        ASSERT_NE(item, nullptr);
        RECT r{};
        GetWindowRect(item->hwnd, &r);
        m_display.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }

    // Steps that open a drop-down of the popup, and choose its entry (or cancel its list
    // with -1) once the list runs.
    std::vector<std::function<void(HWND)>> Choose(CDropdownListItem*& list, int entry,
                                                  int* shownEntries = nullptr) {
        return {[this, &list](HWND) {
                    ASSERT_NE(list, nullptr);
                    RECT r{};
                    GetWindowRect(list->m_hWnd, &r);
                    m_listTop = r.bottom;
                    m_display.Click(r.left + 10, (r.top + r.bottom) / 2);
                },
                [this, &list, entry, shownEntries](HWND listPanel) {
                    if (shownEntries != nullptr) {
                        *shownEntries = static_cast<int>(
                            SendMessageW(GetWindow(listPanel, GW_CHILD), LVM_GETITEMCOUNT, 0, 0));
                    }
                    if (entry < 0) {
                        EndDialog(listPanel, -1);
                        return;
                    }
                    RECT r{};
                    GetWindowRect(list->m_hWnd, &r);
                    m_display.Click(r.left + 10, m_listTop + 1 + kListRowHeight * entry + 5);
                },
                [this](HWND) {
                    m_clock.Advance(250);
                    platform::PumpUntilIdle();
                }};
    }

    platform::ScopedVirtualClock m_clock;
    popuptest::ProgramFolder m_folder;
    popuptest::TestCreators m_creators;
    platform::HeadlessDisplay m_display{400, 300};
    CWnd m_owner;
    int m_listTop = 0;
};

template <class T> void Append(std::vector<T>& to, std::vector<T> more) {
    to.insert(to.end(), more.begin(), more.end());
}

} // namespace

TEST_F(KeyPopupsTest, SingleKeyCapturesEnterAndEscapeAndClosesOnlyThroughItsItems) {
    WriteSkin("SingleKeyPopup.xml", std::string(kKeyEdit) + kOkCancel);
    SingleKeyResult result;
    result.keyName = u"old";
    CPopupBoxSingleKeyEntry popup(&m_owner, &result);
    EXPECT_EQ(popup.m_nIDTemplate, IDD_NAME_ENTRY_POPUP);
    bool focused = false;
    CString afterEnter;
    CString afterEscape;
    bool openAfterKeys = false;
    Script script({[&](HWND) {
                       ASSERT_NE(popup.edit, nullptr);
                       focused = GetFocus() == popup.edit->m_hWnd;
                       m_display.PressKey(VK_RETURN);
                       afterEnter = WindowText(popup.edit->m_hWnd);
                   },
                   [&](HWND dialog) {
                       m_display.PressKey(VK_ESCAPE);
                       afterEscape = WindowText(popup.edit->m_hWnd);
                       SendMessageW(dialog, WM_CLOSE, 0, 0);
                       platform::PumpUntilIdle();
                       openAfterKeys = IsWindow(dialog) && IsWindowVisible(dialog);
                   },
                   [&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_EQ(script.StepsRun(), 3u);
    EXPECT_TRUE(focused);
    EXPECT_EQ(afterEnter, u"Enter");
    EXPECT_EQ(afterEscape, u"Esc");
    EXPECT_TRUE(openAfterKeys);
    // The last key is the one handed back, with its codes as received.
    EXPECT_EQ(result.keyName, u"Esc");
    EXPECT_EQ(result.scanCode, 0x01);
    EXPECT_EQ(result.virtualKey, VK_ESCAPE);
    EXPECT_EQ(result.flags, 0);
}

TEST_F(KeyPopupsTest, SingleKeyHandsBackSideSpecificCodesAndFlags) {
    WriteSkin("SingleKeyPopup.xml", std::string(kKeyEdit) + kOkCancel);
    SingleKeyResult result;
    CPopupBoxSingleKeyEntry popup(&m_owner, &result);
    CString afterLetter;
    Script script({[&](HWND) {
                       m_display.PressKey('A');
                       afterLetter = WindowText(popup.edit->m_hWnd); // the name, not "a"
                       m_display.PressKey(VK_RCONTROL);
                   },
                   [&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_EQ(afterLetter, u"A");
    EXPECT_FALSE(result.keyName.IsEmpty());
    EXPECT_EQ(result.virtualKey, VK_RCONTROL);
    EXPECT_EQ(result.scanCode, 0x1D);
    EXPECT_EQ(result.flags & 0x01, 0x01); // extended
}

TEST_F(KeyPopupsTest, SingleKeyCancelledOrEmptyGivesNoKeyName) {
    WriteSkin("SingleKeyPopup.xml", std::string(kKeyEdit) + kOkCancel);
    {
        SingleKeyResult result;
        result.keyName = u"old";
        CPopupBoxSingleKeyEntry popup(&m_owner, &result);
        Script script({[&](HWND) { m_display.PressKey('B'); },
                       [&](HWND) { ClickItem(popup, BUTTON_POPUP_CANCEL); }});
        EXPECT_EQ(popup.DoModal(), IDCANCEL);
        EXPECT_TRUE(result.keyName.IsEmpty());
    }
    // OK before any key: IDOK with an empty name; the caller's codes stay as they were.
    {
        SingleKeyResult result{u"old", 0x1E, 0x41, 0};
        CPopupBoxSingleKeyEntry popup(&m_owner, &result);
        Script script({[&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
        EXPECT_EQ(popup.DoModal(), IDOK);
        EXPECT_TRUE(result.keyName.IsEmpty());
        EXPECT_EQ(result.scanCode, 0x1E);
    }
    // Without the key field OK still answers, with no key.
    WriteSkin("SingleKeyPopup.xml", kOkCancel);
    {
        SingleKeyResult result{u"old", 0, 0, 0};
        CPopupBoxSingleKeyEntry popup(&m_owner, &result);
        Script script({[&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
        EXPECT_EQ(popup.DoModal(), IDOK);
        EXPECT_EQ(popup.edit, nullptr);
        EXPECT_TRUE(result.keyName.IsEmpty());
    }
}

TEST_F(KeyPopupsTest, SingleKeyWithoutItsButtonsStillClosesOnEscapeOrClose) {
    WriteSkin("SingleKeyPopup.xml", kKeyEdit);
    for (const bool byEscape : {true, false}) {
        SingleKeyResult result;
        result.keyName = u"old";
        CPopupBoxSingleKeyEntry popup(&m_owner, &result);
        Script script({[&](HWND dialog) {
            if (byEscape) {
                // The key field takes the keyboard as raw input only: Escape reaches the
                // popup from another of its windows.
                SetFocus(dialog);
                m_display.PressKey(VK_ESCAPE);
            } else {
                SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
        }});
        EXPECT_EQ(popup.DoModal(), IDCANCEL);
        EXPECT_TRUE(result.keyName.IsEmpty());
    }
    // A missing skin file too.
    m_folder.Write("xml/SingleKeyPopup.xml", "");
    SingleKeyResult result;
    CPopupBoxSingleKeyEntry popup(&m_owner, &result);
    Script script({[&](HWND dialog) { SendMessageW(dialog, WM_CLOSE, 0, 0); }});
    EXPECT_EQ(popup.DoModal(), IDCANCEL);
}

TEST_F(KeyPopupsTest, CommandListsAreRefilledOnEveryOpeningAndAddTheChosenCommand) {
    WriteSkin("AdvancedMacroPopup.xml", std::string(kCommandLists) + kAddButtons + kCancel);
    CBorvantaPredefinedMacroPopup popup(&m_owner);
    EXPECT_EQ(popup.m_nIDTemplate, IDD_WIDE_POPUP);
    int firstShown = 0;
    int secondShown = 0;
    std::vector<std::function<void(HWND)>> steps;
    Append(steps, Choose(popup.basicList, 1, &firstShown));
    Append(steps, Choose(popup.basicList, 2, &secondShown)); // "$paste"
    steps.push_back([&](HWND) { ClickItem(popup, BUTTON_ADD_BASIC_MACRO_CMDS); });
    Script script(steps);
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_EQ(script.StepsRun(), steps.size());
    // Nine edit commands each time, not eighteen the second time.
    EXPECT_EQ(firstShown, 9);
    EXPECT_EQ(secondShown, 9);
    EXPECT_EQ(popup.basicList->GetCount(), 9);
    EXPECT_EQ(popup.basicChoice, 2);
    EXPECT_EQ(popup.chosenCommand, u"$paste");

    // The window commands, chosen and added through their own button.
    CBorvantaPredefinedMacroPopup windows(&m_owner);
    steps.clear();
    int shown = 0;
    Append(steps, Choose(windows.additionalList, 7, &shown)); // the last: "$zoomout"
    steps.push_back([&](HWND) { ClickItem(windows, BUTTON_ADD_ADV_MACRO_CMDS); });
    Script second(steps);
    EXPECT_EQ(windows.DoModal(), IDOK);
    EXPECT_EQ(shown, 8);
    EXPECT_EQ(windows.chosenCommand, u"$zoomout");
}

TEST_F(KeyPopupsTest, CommandAddedBeforeAnyChoiceTakesTheFirstEntryOrNothing) {
    WriteSkin("AdvancedMacroPopup.xml", std::string(kCommandLists) + kAddButtons + kCancel);
    // Never opened: the list is empty, so the command is empty.
    {
        CBorvantaPredefinedMacroPopup popup(&m_owner);
        Script script({[&](HWND) { ClickItem(popup, BUTTON_ADD_ADV_MACRO_CMDS); }});
        EXPECT_EQ(popup.DoModal(), IDOK);
        EXPECT_TRUE(popup.chosenCommand.IsEmpty());
    }
    // Opened and left without a choice: its first entry.
    {
        CBorvantaPredefinedMacroPopup popup(&m_owner);
        std::vector<std::function<void(HWND)>> steps = Choose(popup.additionalList, -1);
        steps.push_back([&](HWND) { ClickItem(popup, BUTTON_ADD_ADV_MACRO_CMDS); });
        Script script(steps);
        EXPECT_EQ(popup.DoModal(), IDOK);
        EXPECT_EQ(popup.chosenCommand, u"$swapwindows");
    }
}

TEST_F(KeyPopupsTest, CommandPopupCancelsOnlyThroughItsItemUnlessTheSkinLacksIt) {
    WriteSkin("AdvancedMacroPopup.xml", std::string(kCommandLists) + kAddButtons + kCancel);
    {
        CBorvantaPredefinedMacroPopup popup(&m_owner);
        bool open = false;
        Script script({[&](HWND dialog) {
                           m_display.PressKey(VK_RETURN);
                           m_display.PressKey(VK_ESCAPE);
                           SendMessageW(dialog, WM_CLOSE, 0, 0);
                           platform::PumpUntilIdle();
                           open = IsWindow(dialog) && IsWindowVisible(dialog);
                       },
                       [&](HWND) { ClickItem(popup, BUTTON_POPUP_CANCEL); }});
        EXPECT_EQ(popup.DoModal(), IDCANCEL);
        EXPECT_TRUE(open);
        EXPECT_TRUE(popup.chosenCommand.IsEmpty());
    }
    // Without Cancel (or without any item) Escape and closing end it.
    for (const std::string& lists : {std::string(kCommandLists) + kAddButtons, std::string()}) {
        WriteSkin("AdvancedMacroPopup.xml", lists);
        CBorvantaPredefinedMacroPopup byEscape(&m_owner);
        Script escape({[&](HWND) { m_display.PressKey(VK_ESCAPE); }});
        EXPECT_EQ(byEscape.DoModal(), IDCANCEL);
        CBorvantaPredefinedMacroPopup byClose(&m_owner);
        Script close({[&](HWND dialog) { SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }});
        EXPECT_EQ(byClose.DoModal(), IDCANCEL);
    }
}

#ifdef BORVANTA_PROGRAM_DIR

namespace {

// Our own skin's files, where the build lays them out, with the English texts.
class ShippedKeyPopups : public ::testing::Test {
protected:
    void SetUp() override {
        InitNameTables();
        RegisterPopupDialogTemplates();
        SetExeFolder(BORVANTA_PROGRAM_DIR);
        SkinResourceCache::Clear();
        ASSERT_TRUE(LoadSkinFile(m_languages, u"Language.xml", nullptr));
        ASSERT_EQ(LanguageTableMap.count(LANGUAGE_ID_ENGLISH), 1u);
        CurrentLangTable = LanguageTableMap[LANGUAGE_ID_ENGLISH];
        ASSERT_TRUE(m_owner.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600,
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
    void ClickItem(CGUIPanel& popup, int id) {
        CGUIItem* item = FindGUIItemById(popup.items, id);
        ASSERT_NE(item, nullptr);
        RECT r{};
        GetWindowRect(item->hwnd, &r);
        m_display.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    // The texts of the popup's text items: none may be a raw language key.
    static void ExpectTranslatedTexts(const CGUIPanel& popup) {
        for (int i = 0; i < popup.items.GetCount(); ++i) {
            const CGUIItem* item = popup.items.GetAt(i);
            if (item->type == GUIITEM_TEXTITEM) {
                const CString text = dynamic_cast<const CTextItem&>(*item).GetText();
                EXPECT_FALSE(!text.IsEmpty() && text.GetString()[0] == u'$')
                    << "item " << item->id << ": " << text.ToUtf8();
            }
        }
    }

    platform::ScopedVirtualClock m_clock;
    popuptest::TestCreators m_creators{true};
    CGUIItemList m_languages;
    platform::HeadlessDisplay m_display{800, 600};
    CWnd m_owner;
};

} // namespace

TEST_F(ShippedKeyPopups, SingleKeyPopupCapturesAKeyAndCloses) {
    SingleKeyResult result;
    CPopupBoxSingleKeyEntry popup(&m_owner, &result);
    SIZE size{};
    Script script({[&](HWND dialog) {
                       RECT window{};
                       GetWindowRect(dialog, &window);
                       size = SIZE{window.right - window.left, window.bottom - window.top};
                       ExpectTranslatedTexts(popup);
                       ASSERT_NE(popup.edit, nullptr);
                       m_display.PressKey(VK_F1);
                   },
                   [&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }});
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_GT(size.cx, 0);
    EXPECT_GT(size.cy, 0);
    EXPECT_EQ(result.keyName, u"F1");
    EXPECT_EQ(result.virtualKey, VK_F1);
}

TEST_F(ShippedKeyPopups, CommandPopupOffersTheTranslatedCommandsAndAddsOne) {
    CListPanel::DefaultTemplateId() = IDD_WARNING_POPUP;
    CBorvantaPredefinedMacroPopup popup(&m_owner);
    CString shownText;
    Script script({[&](HWND) {
                       ExpectTranslatedTexts(popup);
                       ASSERT_NE(popup.basicList, nullptr);
                       ASSERT_NE(popup.additionalList, nullptr);
                       ASSERT_NE(FindGUIItemById(popup.items, BUTTON_POPUP_CANCEL), nullptr);
                       // What the field shows for a command is its English text.
                       SendMessageW(popup.m_hWnd, WM_DROPDOWN_OPENING, 0,
                                    reinterpret_cast<LPARAM>(popup.basicList->m_hWnd));
                       popup.basicList->SetCurSel(1);
                       shownText = popup.basicList->DisplayText();
                       SendMessageW(popup.m_hWnd, WM_DROPDOWN_SELECT, 1,
                                    reinterpret_cast<LPARAM>(popup.basicList->m_hWnd));
                   },
                   [&](HWND) { ClickItem(popup, BUTTON_ADD_BASIC_MACRO_CMDS); }});
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_EQ(shownText, u"Copy");
    EXPECT_EQ(popup.chosenCommand, u"$copy");
}

#endif
