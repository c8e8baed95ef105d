// The single-key, predefined-command and preview popups on skins written by the test and on
// the ones our own skin ships.
#include "PopupTestSupport.h"
#include "configurator/PopupBoxSingleKeyEntry.h"
#include "configurator/PredefinedMacroPopup.h"
#include "configurator/PreviewPopup.h"
#include "gui/DPIStageWindow.h"
#include "gui/DropdownListItem.h"
#include "gui/EditItemSingleKeyInput.h"
#include "gui/LangTable.h"
#include "gui/ListPanel.h"
#include "gui/TextItem.h"
#include "gui/WidgetMessages.h"
#include "model/BorvantaConfig.h"
#include "model/Macro.h"
#include "model/MouseProfile.h"
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

namespace {

// The eleven lines in one column, 20 pixels apart, five stage tiles below and the close button.
std::string PreviewSkin(bool withClose) {
    std::string lists = "<TEXTLIST>";
    for (int i = 1; i <= 11; ++i) {
        lists += "<TEXTITEM name=\"TEXT_PREVIEW_" + std::string(i < 10 ? "0" : "") +
                 std::to_string(i) + "\"><RECT left=\"0\" top=\"" + std::to_string(i * 20) +
                 "\" right=\"100\" bottom=\"20\"/></TEXTITEM>";
    }
    lists += "</TEXTLIST><DPISTAGELIST>";
    for (int i = 1; i <= 5; ++i) {
        lists += "<DPISTAGEWINDOW name=\"DPISTAGEWINDOW_0" + std::to_string(i) +
                 "\"><RECT left=\"" + std::to_string(100 + i * 40) +
                 "\" top=\"0\" right=\"36\" bottom=\"40\"/>"
                 "<TEXTAREA name=\"HEADING\" textkey=\"S" +
                 std::to_string(i) +
                 "\"><RECT right=\"36\" bottom=\"10\"/></TEXTAREA>"
                 "</DPISTAGEWINDOW>";
    }
    lists += "</DPISTAGELIST>";
    if (withClose) {
        lists += "<BUTTONLIST><BUTTON name=\"BUTTON_POPUP_PREVIEW_OK\"><RECT left=\"140\" "
                 "top=\"60\" right=\"50\" bottom=\"24\"/></BUTTON></BUTTONLIST>";
    }
    return lists;
}

GUID TestGuid(unsigned char seed) {
    GUID guid{};
    guid.Data1 = seed;
    guid.Data4[7] = seed;
    return guid;
}

class PreviewPopupTest : public KeyPopupsTest {
protected:
    void SetUp() override {
        KeyPopupsTest::SetUp();
        ASSERT_TRUE(popuptest::ParseLanguage(m_table, u"click\r\nLeft Click\r\n"
                                                      u"SingleKey\r\nKey\r\n"
                                                      u"macro\r\nMacro\r\n"));
        CurrentLangTable = &m_table;
        m_profile = m_config.AddProfile(u"Shown");
        ASSERT_NE(m_profile, nullptr);
        m_other = m_config.AddProfile(u"Gaming");
        m_other->SetGuid(TestGuid(7));
        CMacro* macro = m_config.CreateMacro(u"Burst", nullptr);
        ASSERT_NE(macro, nullptr);
        macro->SetGuid(TestGuid(9));
    }
    void TearDown() override {
        CurrentLangTable = nullptr;
        KeyPopupsTest::TearDown();
    }
    // Runs the popup and reads the lines and tiles while it shows.
    void Show(const char* skin = nullptr) {
        WriteSkin("PreviewPopup.xml", skin != nullptr ? std::string(skin) : PreviewSkin(true));
        CBorvantaPreviewPopup popup(&m_owner, m_profile, &m_config);
        Script script({[&](HWND) {
                           for (int i = 0; i < 11; ++i) {
                               auto* text = dynamic_cast<CTextItem*>(
                                   FindGUIItemById(popup.items, TEXT_PREVIEW_01 + i));
                               m_shown[i] = text != nullptr ? text->GetText() : u"<none>";
                           }
                           for (int i = 0; i < 5; ++i) {
                               CDPIStageWindow* tile = popup.stageWindows[i];
                               ASSERT_NE(tile, nullptr);
                               // A click on a tile selects nothing.
                               RECT r{};
                               GetWindowRect(tile->m_hWnd, &r);
                               m_display.Click(r.left + 5, r.top + 5);
                               m_enabled[i] = IsWindowEnabled(tile->m_hWnd) != FALSE;
                               m_selected[i] = tile->selected != 0;
                               m_values[i] = tile->value;
                           }
                       },
                       [&](HWND) { ClickItem(popup, BUTTON_POPUP_PREVIEW_OK); }});
        m_result = popup.DoModal();
        m_steps = script.StepsRun();
    }

    CLangTable m_table;
    CBorvantaConfig m_config;
    IMouseProfile* m_profile = nullptr;
    IMouseProfile* m_other = nullptr;
    CString m_shown[11];
    bool m_enabled[5] = {};
    bool m_selected[5] = {};
    int m_values[5] = {};
    INT_PTR m_result = 0;
    size_t m_steps = 0;
};

} // namespace

TEST_F(PreviewPopupTest, LinesNameTheKeyMacroOrProfileOfEachButton) {
    m_profile->SetButtonAssignment(1, ButtonAssignment::Of(ASSIGNMENT_CLICK));
    m_profile->SetButtonAssignment(2, ButtonAssignment::SingleKey(0x1E, 0x41, 0));
    m_profile->SetButtonAssignment(3, ButtonAssignment::WithGuid(ASSIGNMENT_MACRO, TestGuid(9)));
    // A macro that no longer exists, by name and by identifier: only the kind's text.
    m_profile->SetButtonAssignment(4, ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, u"Gone"));
    m_profile->SetButtonAssignment(5, ButtonAssignment::WithGuid(ASSIGNMENT_MACRO, TestGuid(1)));
    m_profile->SetButtonAssignment(6,
                                   ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME, u"gaming"));
    m_profile->SetButtonAssignment(7, ButtonAssignment::WithGuid(ASSIGNMENT_PROFILE, TestGuid(7)));
    // A key without a scan code has no name to show.
    m_profile->SetButtonAssignment(8, ButtonAssignment::SingleKey(0, 0x41, 0));
    m_profile->SetButtonAssignment(9, ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, u"BURST"));
    Show();
    EXPECT_EQ(m_result, IDCANCEL); // its button closes it as a cancel
    EXPECT_EQ(m_steps, 2u);
    EXPECT_EQ(m_shown[0], u"Left Click");
    EXPECT_EQ(m_shown[1], u"Key: A");
    EXPECT_EQ(m_shown[2], u"Macro: Burst");
    EXPECT_EQ(m_shown[3], u"Macro");
    EXPECT_EQ(m_shown[4], u"Macro");
    // Untranslated kinds keep their key; the profile's own name, not the one stored.
    EXPECT_EQ(m_shown[5], u"$profile: Gaming");
    EXPECT_EQ(m_shown[6], u"$profile: Gaming");
    EXPECT_EQ(m_shown[7], u"Key");
    EXPECT_EQ(m_shown[8], u"Macro: Burst");
    // Names that differ only in letter case: a button naming one shows that very one (the
    // one of exactly that name first, as the write resolves it).
    m_config.AddProfile(u"GAMING");
    m_config.AddStoredMacro(u"BURST", TestGuid(10));
    CMouseProfile naming(u"Naming");
    naming.SetButtonAssignment(6, ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME, u"GAMING"));
    naming.SetButtonAssignment(7, ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME, u"Gaming"));
    naming.SetButtonAssignment(9, ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, u"BURST"));
    CBorvantaPreviewPopup exact(&m_owner, &naming, &m_config);
    EXPECT_EQ(exact.AssignmentLine(6), u"$profile: GAMING");
    EXPECT_EQ(exact.AssignmentLine(7), u"$profile: Gaming");
    EXPECT_EQ(exact.AssignmentLine(9), u"Macro: BURST");
    // Buttons that were never set: an empty line.
    CMouseProfile unset(u"Unset");
    CBorvantaPreviewPopup bare(&m_owner, &unset, &m_config);
    const CString line = bare.AssignmentLine(10);
    EXPECT_NE(line.GetString(), nullptr);
    EXPECT_TRUE(line.IsEmpty()) << line.ToUtf8();
}

TEST_F(PreviewPopupTest, StagesInUseAreShownTheOthersDisabledNoneSelectedNoneClickable) {
    m_profile->SetStageCapacity(5);
    m_profile->SetStageCount(3);
    for (LONG stage = 1; stage <= 5; ++stage) {
        m_profile->SetStageDpi(stage, 400 * stage);
    }
    m_profile->SetActiveStage(2);
    Show();
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(m_enabled[i], i < 3);
        EXPECT_FALSE(m_selected[i]);
    }
    EXPECT_EQ(m_values[0], 400);
    EXPECT_EQ(m_values[4], 2000);
}

TEST_F(PreviewPopupTest, ClosesOnlyThroughItsButtonUnlessTheSkinLacksIt) {
    WriteSkin("PreviewPopup.xml", PreviewSkin(true));
    {
        CBorvantaPreviewPopup popup(&m_owner, m_profile, &m_config);
        bool open = false;
        Script script({[&](HWND dialog) {
                           m_display.PressKey(VK_RETURN);
                           m_display.PressKey(VK_ESCAPE);
                           SendMessageW(dialog, WM_CLOSE, 0, 0);
                           platform::PumpUntilIdle();
                           open = IsWindow(dialog) && IsWindowVisible(dialog);
                       },
                       [&](HWND) { ClickItem(popup, BUTTON_POPUP_PREVIEW_OK); }});
        EXPECT_EQ(popup.DoModal(), IDCANCEL);
        EXPECT_TRUE(open);
        EXPECT_EQ(script.StepsRun(), 2u);
    }
    // Without its button, or without a profile and configuration, Escape still ends it.
    WriteSkin("PreviewPopup.xml", PreviewSkin(false));
    CBorvantaPreviewPopup popup(&m_owner, nullptr, nullptr);
    Script script({[&](HWND) { m_display.PressKey(VK_ESCAPE); }});
    EXPECT_EQ(popup.DoModal(), IDCANCEL);
    EXPECT_EQ(script.StepsRun(), 1u);
    EXPECT_EQ(popup.lines.GetSize(), 0);
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

TEST_F(ShippedKeyPopups, PreviewPopupShowsElevenTranslatedLinesAndFiveTiles) {
    CBorvantaConfig config;
    IMouseProfile* profile = config.AddProfile(u"Profile 1");
    ASSERT_NE(profile, nullptr);
    for (LONG button = BUTTON_FIRST; button <= BUTTON_LAST; ++button) {
        profile->SetButtonAssignment(button, GetDefaultAssignment(button));
    }
    CBorvantaPreviewPopup popup(&m_owner, profile, &config);
    int lines = 0;
    int tiles = 0;
    Script script({[&](HWND) {
                       ExpectTranslatedTexts(popup);
                       for (int i = 0; i < 11; ++i) {
                           auto* text = dynamic_cast<CTextItem*>(
                               FindGUIItemById(popup.items, TEXT_PREVIEW_01 + i));
                           lines += text != nullptr && !text->GetText().IsEmpty() ? 1 : 0;
                       }
                       for (CDPIStageWindow* tile : popup.stageWindows) {
                           tiles += tile != nullptr ? 1 : 0;
                       }
                   },
                   [&](HWND) { ClickItem(popup, BUTTON_POPUP_PREVIEW_OK); }});
    EXPECT_EQ(popup.DoModal(), IDCANCEL);
    EXPECT_EQ(lines, 11);
    EXPECT_EQ(tiles, 5);
}

#endif
