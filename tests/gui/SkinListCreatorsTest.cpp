// Drop-down, colour drop-down, pop-up list and edit field skin elements written into a
// temporary program folder and loaded into a host window on the headless display.
#include "gui/SkinListCreators.h"
#include "ButtonTestSupport.h"
#include "SkinTestSupport.h"
#include "gui/DropdownColorButton.h"
#include "gui/DropdownListItem.h"
#include "gui/EditItem.h"
#include "gui/EditItemSingleKeyInput.h"
#include "gui/FontItem.h"
#include "gui/LangTable.h"
#include "gui/ListPanelItem.h"
#include "gui/MacroDisplayItem.h"
#include "gui/RawInputDevices.h"
#include "gui/XListCtrl.h"
#include "model/MacroEvent.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/RawInput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using buttontest::HostWindow;
using skintest::MakeBmp;
using skintest::ProgramFolder;

namespace {

using skintest::WindowRectIn;

constexpr COLORREF kDesktop = RGB(0, 0, 0);

template <typename T> T* ItemAs(const CGUIItemList& list, const WCHAR* name) {
    return dynamic_cast<T*>(FindGUIItemById(list, FindSkinItemId(name)));
}

// Whether the window is registered for the keyboard's raw reports.
bool RegisteredForKeyboard(HWND window) {
    UINT count = 0;
    GetRegisteredRawInputDevices(nullptr, &count, sizeof(RAWINPUTDEVICE));
    std::vector<RAWINPUTDEVICE> devices(count);
    if (count == 0 ||
        GetRegisteredRawInputDevices(devices.data(), &count, sizeof(RAWINPUTDEVICE)) != count) {
        return false;
    }
    for (const RAWINPUTDEVICE& device : devices) {
        if (device.usUsagePage == 1 && device.usUsage == 6 && device.hwndTarget == window) {
            return true;
        }
    }
    return false;
}

COLORREF Colour(const WCHAR* name) {
    return static_cast<COLORREF>(FindColourByName(name));
}

// A VSCROLL whose thumb is `thumbWidth` pixels wide, with every other picture.
std::string Scroll(const char* thumb) {
    return std::string("<VSCROLL><VSBMP_TMB>") + thumb +
           "</VSBMP_TMB><VSBMP_TOP>cap.bmp</VSBMP_TOP><VSBMP_BOT>cap.bmp</VSBMP_BOT>"
           "<VSBMP_AUP>cap.bmp</VSBMP_AUP><VSBMP_ADN>cap.bmp</VSBMP_ADN>"
           "<VSBMP_SPN>cap.bmp</VSBMP_SPN></VSCROLL>";
}

class SkinListCreatorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.CreateAt(400, 300));
        m_folder.Write("skins/thumb12.bmp", MakeBmp(12, 20, [](int, int) { return 0x808080u; }));
        m_folder.Write("skins/cap.bmp", MakeBmp(12, 12, [](int, int) { return 0x404040u; }));
    }
    void TearDown() override {
        CurrentLangTable = nullptr;
        m_host.DestroyWindow();
        platform::PumpUntilIdle();
    }

    void Load(CGUIItemList& list, const std::string& items) {
        m_folder.Write("xml/T.xml", "<ITEMLIST><FONTLIST><FONT name='FONT_ARIAL12' pitch='12'/>"
                                    "</FONTLIST>" +
                                        items + "</ITEMLIST>");
        LoadSkinFile(list, u"T.xml", &m_host);
        platform::PumpUntilIdle();
    }

    CFontItem* Font(const CGUIItemList& list) { return ItemAs<CFontItem>(list, u"FONT_ARIAL12"); }

    platform::HeadlessDisplay m_display{400, 300, kDesktop};
    ProgramFolder m_folder;
    HostWindow m_host;
};

} // namespace

TEST_F(SkinListCreatorsTest, CellListTakesItsColumnsHeaderAndLook) {
    const auto column = [](const char* name, const char* type, const char* width,
                           const char* heading) {
        return std::string("<LISTCOLUMN name='") + name + "' type='" + type + "' width='" + width +
               "'>" + heading + "</LISTCOLUMN>";
    };
    CGUIItemList list;
    Load(list, "<COMBOLIST>"
               "<LISTCTRL name='LIST_PROFILELIST' fontid='FONT_ARIAL12' fontclr='RED' "
               "fontclrhi='GREEN' backclr='BLUE' backclrhi='WHITE' bdrclr='MIDGREY' "
               "bdrwidth='12' sorted='1'><RECT left='10' top='20' right='300' bottom='150'/>"
               "<LISTHDR backclr='DARKGREY' fontclr='WHITE'/>" +
                   column("LCITEM_PROFILENAME", "EDIT", "180", " Name ") +
                   column("LCITEM_AUTOSWITCH", "checkbox", "40", "") +
                   "</LISTCTRL>"
                   // No LISTHDR: no header, and LISTHDR colours are not read.
                   "<LISTCTRL name='LIST_GLOBALMACROLIST'><RECT left='10' top='200' "
                   "right='200' bottom='60'/>" +
                   column("LCITEM_PROFILEID", "STATIC", "50", "Id") +
                   "</LISTCTRL>"
                   // One unreadable column (width 0, unknown type, unknown name) or none at
                   // all: nothing.
                   "<LISTCTRL name='LIST_GLOBAL_BASIC_COMMANDS'><RECT right='99' bottom='9'/>" +
                   column("LCITEM_PROFILEID", "STATIC", "50", "A") +
                   column("LCITEM_PROFILENAME", "STATIC", "0", "B") +
                   column("LCITEM_PROFILEEXE", "STATIC", "50", "C") +
                   "</LISTCTRL><LISTCTRL name='LIST_GLOBAL_ADDITIONAL_COMMANDS'>" +
                   column("LCITEM_PROFILEID", "SLIDER", "50", "A") +
                   "</LISTCTRL><LISTCTRL name='LISTPANEL_MACROOPTIONS'>" +
                   column("LCITEM_NOTHING", "STATIC", "50", "A") +
                   "</LISTCTRL><LISTCTRL name='LISTPANEL_MACROOPTIONS2'><LISTHDR/></LISTCTRL>"
                   "</COMBOLIST>");
    ASSERT_EQ(list.GetCount(), 3); // the font and two lists

    auto* cells = ItemAs<CXListCtrl>(list, u"LIST_PROFILELIST");
    ASSERT_NE(cells, nullptr);
    EXPECT_EQ(cells->type, GUIITEM_XLISTCTRL);
    EXPECT_EQ(cells->hwnd, cells->m_hWnd);
    EXPECT_EQ(cells->parent, &m_host);
    EXPECT_EQ(cells->GetDlgCtrlID(), FindSkinItemId(u"LIST_PROFILELIST"));
    EXPECT_TRUE(cells->sorted);
    EXPECT_FALSE(ItemAs<CXListCtrl>(list, u"LIST_GLOBALMACROLIST")->sorted);
    EXPECT_EQ(WindowRectIn(*cells, m_host), (RECT{10, 20, 310, 170}));
    EXPECT_EQ(cells->GetStyle() & (LVS_REPORT | LVS_SINGLESEL | LVS_NOCOLUMNHEADER),
              LVS_REPORT | LVS_SINGLESEL);
    EXPECT_EQ(cells->GetExtendedStyle(), 0x10120u);
    EXPECT_EQ(cells->fontItem, Font(list));
    EXPECT_EQ(reinterpret_cast<HFONT>(cells->SendMessage(WM_GETFONT)),
              static_cast<HFONT>(*Font(list)));
    EXPECT_EQ(cells->textColor, Colour(u"RED"));
    EXPECT_EQ(cells->selectedTextColor, Colour(u"GREEN"));
    EXPECT_EQ(cells->backgroundColor, Colour(u"BLUE"));
    EXPECT_EQ(cells->selectedBackgroundColor, Colour(u"WHITE"));
    // The border colour is the list's outline only.
    EXPECT_EQ(cells->GetOutlineColor(), Colour(u"MIDGREY"));
    EXPECT_EQ(cells->borderColor, CXListCtrl().borderColor);
    EXPECT_EQ(cells->header.backgroundColor, Colour(u"DARKGREY"));
    EXPECT_EQ(cells->header.textColor, Colour(u"WHITE"));
    ASSERT_EQ(cells->GetColumnCount(), 2);
    EXPECT_EQ(cells->ColumnIdAt(0), 1);
    EXPECT_EQ(cells->ColumnIdAt(1), 3);
    EXPECT_EQ(cells->GetColumn(3).type, CELL_CHECKBOX);
    LVCOLUMNW info;
    WCHAR heading[16]{};
    info.mask = LVCF_TEXT | LVCF_WIDTH;
    info.pszText = heading;
    info.cchTextMax = 16;
    ASSERT_TRUE(cells->CListCtrl::GetColumn(0, &info));
    EXPECT_EQ(std::u16string(heading), u"Name");
    EXPECT_EQ(info.cx, 180);

    auto* bare = ItemAs<CXListCtrl>(list, u"LIST_GLOBALMACROLIST");
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->GetStyle() & LVS_NOCOLUMNHEADER, LVS_NOCOLUMNHEADER);
    EXPECT_EQ(bare->GetColumnCount(), 1);
}

TEST_F(SkinListCreatorsTest, DropDownTakesItsFieldListLookAndEntries) {
    CGUIItemList list;
    Load(list, "<COMBOLIST>"
               "<COMBO name='LIST_GLOBALMACROLIST' fontclr='RED' fontclrhi='GREEN' backclr='BLUE' "
               "backclrhi='WHITE' bdrclr='RED' bdrwidth='9' disbbackclr='MIDGREY' "
               "disbbdrclr='DARKGREY' fontid='FONT_ARIAL12' sorted='1'>"
               "<CBOX><RECT left='20' top='30' right='100' bottom='20'/></CBOX>"
               "<CLIST height='120'/>" +
                   Scroll("thumb12.bmp") +
                   "<COMBOITEM> One </COMBOITEM><COMBOITEM>Two</COMBOITEM><COMBOITEM/></COMBO>"
                   // A border width of 12 and unknown colours leave the defaults; no list height.
                   "<COMBO name='LIST_PROFILELIST' bdrwidth='12' backclr='PINK' sorted='true'>"
                   "<CBOX><RECT left='20' top='80' right='100' bottom='20'/></CBOX><CLIST/></COMBO>"
                   // Without CLIST, without CBOX, or with an unknown name: nothing.
                   "<COMBO name='LIST_GLOBAL_BASIC_COMMANDS'><CBOX><RECT right='9' bottom='9'/>"
                   "</CBOX></COMBO>"
                   "<COMBO name='LIST_GLOBAL_ADDITIONAL_COMMANDS'><RECT right='9' bottom='9'/>"
                   "<CLIST height='9'/></COMBO>"
                   "<COMBO name='NO_SUCH_LIST'><CBOX/><CLIST/></COMBO>"
                   "</COMBOLIST>");
    ASSERT_EQ(list.GetCount(), 3); // the font and two drop-downs

    auto* drop = ItemAs<CDropdownListItem>(list, u"LIST_GLOBALMACROLIST");
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(drop->type, GUIITEM_DROPDOWNLIST);
    EXPECT_EQ(drop->hwnd, drop->m_hWnd);
    EXPECT_EQ(drop->parent, &m_host);
    EXPECT_EQ(drop->GetDlgCtrlID(), FindSkinItemId(u"LIST_GLOBALMACROLIST"));
    EXPECT_EQ(*drop->rect, (RECT{20, 30, 120, 50}));
    EXPECT_EQ(WindowRectIn(*drop, m_host), (RECT{20, 30, 120, 50}));
    EXPECT_EQ(drop->listRect, (RECT{20, 30, 120, 50}));
    EXPECT_EQ(drop->listHeight, 120);
    EXPECT_EQ(drop->textColor, Colour(u"RED"));
    EXPECT_EQ(drop->hoverTextColor, Colour(u"GREEN"));
    EXPECT_EQ(drop->backgroundColor, Colour(u"BLUE"));
    EXPECT_EQ(drop->hoverBackgroundColor, Colour(u"WHITE"));
    EXPECT_EQ(drop->borderColor, Colour(u"RED"));
    EXPECT_EQ(drop->borderWidth, 9);
    EXPECT_EQ(drop->disabledBackgroundColor, Colour(u"MIDGREY"));
    EXPECT_EQ(drop->disabledBorderColor, Colour(u"DARKGREY"));
    EXPECT_EQ(drop->font, Font(list));
    EXPECT_EQ(drop->sorted, 1);
    EXPECT_EQ(drop->scrollBarWidth, 12);
    EXPECT_NE(drop->scrollThumb, nullptr);
    EXPECT_NE(drop->scrollSpin, nullptr);
    ASSERT_EQ(drop->GetCount(), 3);
    EXPECT_EQ(drop->GetText(0), u"One");
    EXPECT_EQ(drop->GetText(1), u"Two");
    EXPECT_EQ(drop->GetText(2), u"");

    // What it draws: the skin's border around the skin's background.
    drop->Invalidate();
    platform::PumpUntilIdle();
    EXPECT_EQ(m_display.ScreenPixel(20, 40), Colour(u"RED"));
    EXPECT_EQ(m_display.ScreenPixel(28, 40), Colour(u"RED"));
    EXPECT_EQ(m_display.ScreenPixel(60, 40), Colour(u"BLUE"));

    auto* plain = ItemAs<CDropdownListItem>(list, u"LIST_PROFILELIST");
    ASSERT_NE(plain, nullptr);
    const CDropdownListItem defaults;
    EXPECT_EQ(plain->borderWidth, defaults.borderWidth);
    EXPECT_EQ(plain->backgroundColor, defaults.backgroundColor);
    EXPECT_EQ(plain->sorted, 0); // "true" is no integer
    EXPECT_EQ(plain->listHeight, 0);
    EXPECT_EQ(plain->font, nullptr);
    EXPECT_EQ(plain->scrollBarWidth, 0);
    EXPECT_EQ(plain->GetCount(), 0);
}

TEST_F(SkinListCreatorsTest, ColourDropDownTakesNoTextColoursEntriesOrScrollPictures) {
    CGUIItemList list;
    Load(list, "<COMBOLIST><COMBOCOLOR name='LOGO_COLOR' fontclr='RED' fontclrhi='GREEN' "
               "backclr='BLUE' bdrclr='WHITE' bdrwidth='3' disbbackclr='MIDGREY' sorted='1'>"
               "<CBOX><RECT left='200' top='10' right='60' bottom='22'/></CBOX>"
               "<CLIST height='90'/>" +
                   Scroll("thumb12.bmp") +
                   "<COMBOITEM>Ignored</COMBOITEM></COMBOCOLOR>"
                   "<COMBOCOLOR name='SCROLL_COLOR'><CBOX><RECT right='9' bottom='9'/></CBOX>"
                   "</COMBOCOLOR></COMBOLIST>");
    ASSERT_EQ(list.GetCount(), 2);
    auto* button = ItemAs<CDropdownColorButton>(list, u"LOGO_COLOR");
    ASSERT_NE(button, nullptr);
    const CDropdownColorButton defaults;
    EXPECT_EQ(button->type, GUIITEM_DROPDOWNCOLOR);
    EXPECT_EQ(button->hwnd, button->m_hWnd);
    EXPECT_EQ(button->parent, &m_host);
    EXPECT_EQ(button->GetDlgCtrlID(), FindSkinItemId(u"LOGO_COLOR"));
    EXPECT_EQ(WindowRectIn(*button, m_host), (RECT{200, 10, 260, 32}));
    EXPECT_EQ(button->listHeight, 90);
    EXPECT_EQ(button->textColor, defaults.textColor);
    EXPECT_EQ(button->hoverTextColor, defaults.hoverTextColor);
    EXPECT_EQ(button->backgroundColor, Colour(u"BLUE"));
    EXPECT_EQ(button->borderColor, Colour(u"WHITE"));
    EXPECT_EQ(button->borderWidth, 3);
    EXPECT_EQ(button->disabledBackgroundColor, Colour(u"MIDGREY"));
    EXPECT_EQ(button->sorted, 0);
    EXPECT_EQ(button->GetCount(), 0);
    EXPECT_EQ(button->scrollBarWidth, 12);
    EXPECT_EQ(button->scrollThumb, nullptr);
}

TEST_F(SkinListCreatorsTest, ListPanelIsAWindowlessListOfItsSize) {
    CGUIItemList list;
    Load(list, "<LISTPANELLIST>"
               "<LISTPANEL name='LISTPANEL_PROFILEOPTIONS' fontclr='RED' fontclrhi='GREEN' "
               "backclr='BLUE' backclrhi='WHITE' bdrclr='MIDGREY' bdrwidth='0' sorted='2' "
               "fontid='FONT_ARIAL12'><RECT left='5' top='6' right='150' bottom='200'/>" +
                   Scroll("thumb12.bmp") +
                   // Entries count wherever they stand, as long as LISTPANELITEMS exists.
                   "<LISTPANELITEM>First</LISTPANELITEM><LISTPANELITEMS>"
                   "<LISTPANELITEM> Second </LISTPANELITEM></LISTPANELITEMS></LISTPANEL>"
                   "<LISTPANEL name='LISTPANEL_MACROOPTIONS'><RECT right='80' bottom='40'/>"
                   "<LISTPANELITEM>Dropped</LISTPANELITEM>" +
                   Scroll("missing.bmp") + "</LISTPANEL></LISTPANELLIST>");
    ASSERT_EQ(list.GetCount(), 3);
    auto* panel = ItemAs<CListPanelItem>(list, u"LISTPANEL_PROFILEOPTIONS");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->type, GUIITEM_LISTPANELITEM);
    EXPECT_EQ(panel->hwnd, nullptr);
    EXPECT_EQ(FindGUIItemByHwnd(list, nullptr), nullptr);
    EXPECT_EQ(panel->parent, &m_host);
    EXPECT_EQ(panel->width, 150);
    EXPECT_EQ(panel->defaultHeight, 200);
    EXPECT_EQ(*panel->rect, (RECT{5, 6, 155, 206}));
    EXPECT_EQ(panel->textColor, Colour(u"RED"));
    EXPECT_EQ(panel->hoverTextColor, Colour(u"GREEN"));
    EXPECT_EQ(panel->backgroundColor, Colour(u"BLUE"));
    EXPECT_EQ(panel->hoverBackgroundColor, Colour(u"WHITE"));
    EXPECT_EQ(panel->borderColor, Colour(u"MIDGREY"));
    EXPECT_EQ(panel->borderWidth, 1); // 0 is outside 1 to 9
    EXPECT_EQ(panel->sorted, 1);
    EXPECT_EQ(panel->font, Font(list));
    EXPECT_EQ(panel->hasScrollBitmaps, 1);
    EXPECT_NE(panel->scrollThumb, nullptr);
    EXPECT_NE(panel->scrollArrowDown, nullptr);
    ASSERT_EQ(panel->GetCount(), 2);
    EXPECT_EQ(panel->GetEntryText(0), u"First");
    EXPECT_EQ(panel->GetEntryText(1), u"Second");

    auto* bare = ItemAs<CListPanelItem>(list, u"LISTPANEL_MACROOPTIONS");
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->GetCount(), 0); // no LISTPANELITEMS: its items are not read
    EXPECT_EQ(bare->hasScrollBitmaps, 0);
    EXPECT_EQ(bare->scrollTop, nullptr); // without a thumb nothing else is read
}

TEST_F(SkinListCreatorsTest, EditFieldsTakeTheirLookLimitAndKeyboard) {
    CLangTable table;
    const LONG moved[4] = {7, 8, 90, 21};
    CLangTable::AddOverride(&table, FindSkinItemId(u"EDITCTRL_POPUP_NAMEENTRY"), moved,
                            sizeof(moved), u"RECT");
    CLangTable::AddOverride(&table, FindSkinItemId(u"EDITCTRL_POPUP_SINGLEKEYENTRY"), moved,
                            sizeof(moved), u"RECT");
    CurrentLangTable = &table;
    CGUIItemList list;
    Load(list, "<EDITCTRLLIST>"
               "<EDITCTRL name='EDITCTRL_POPUP_NAMEENTRY' max='20' fontclr='RED' "
               "fontclrhi='GREEN' bdrclr='MIDGREY' bdrwidth='9' fontid='FONT_ARIAL12' "
               "backclr='BLUE' backclrhi='WHITE'><RECT left='20' top='30' right='160' "
               "bottom='20'/></EDITCTRL>"
               "<EDITCTRL name='EDITCTRL_DEFAULT_DELAY' max='-3'><RECT left='20' top='60' "
               "right='60' bottom='20'/></EDITCTRL>"
               "<EDITCTRL name='NOT_AN_EDIT'><RECT right='60' bottom='20'/></EDITCTRL>"
               "<EDITCTRLSK name='EDITCTRL_POPUP_SINGLEKEYENTRY' bdrwidth='10'><RECT "
               "left='200' top='30' right='100' bottom='20'/></EDITCTRLSK>"
               "</EDITCTRLLIST>");
    ASSERT_EQ(list.GetCount(), 4);

    auto* edit = ItemAs<CEditItem>(list, u"EDITCTRL_POPUP_NAMEENTRY");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->type, GUIITEM_EDITITEM);
    EXPECT_EQ(edit->parent, &m_host);
    EXPECT_EQ(edit->GetDlgCtrlID(), FindSkinItemId(u"EDITCTRL_POPUP_NAMEENTRY"));
    // The language's rectangle wins over the skin's.
    EXPECT_EQ(WindowRectIn(*edit, m_host), (RECT{7, 8, 97, 29}));
    EXPECT_EQ(edit->GetStyle() & ES_CENTER, 0u);
    EXPECT_EQ(edit->textColor, Colour(u"RED"));
    EXPECT_EQ(edit->hoverTextColor, Colour(u"GREEN"));
    EXPECT_EQ(edit->borderColor, Colour(u"MIDGREY"));
    EXPECT_EQ(edit->borderWidth, 9);
    EXPECT_EQ(edit->backgroundColor, Colour(u"BLUE"));
    EXPECT_EQ(edit->hoverBackgroundColor, Colour(u"WHITE"));
    ASSERT_NE(Font(list), nullptr);
    EXPECT_EQ(edit->fontItem, Font(list));
    EXPECT_EQ(reinterpret_cast<HFONT>(edit->SendMessage(WM_GETFONT)),
              static_cast<HFONT>(*Font(list)));
    // At most 20 characters are accepted.
    EXPECT_EQ(edit->GetLimitText(), 20u);
    for (int i = 0; i < 25; ++i) {
        edit->SendMessage(WM_CHAR, 'a');
    }
    EXPECT_EQ(edit->GetWindowTextLength(), 20);

    // A negative limit is the largest one.
    auto* delay = ItemAs<CEditItem>(list, u"EDITCTRL_DEFAULT_DELAY");
    ASSERT_NE(delay, nullptr);
    CEditItem fresh;
    ASSERT_TRUE(fresh.Create(WS_CHILD, RECT{0, 0, 10, 10}, &m_host, 1));
    fresh.LimitText(0);
    EXPECT_EQ(delay->GetLimitText(), fresh.GetLimitText());
    EXPECT_EQ(delay->fontItem, nullptr);

    auto* key = ItemAs<CEditItemSingleKeyInput>(list, u"EDITCTRL_POPUP_SINGLEKEYENTRY");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->type, GUIITEM_EDITSINGLEKEY);
    EXPECT_EQ(key->parent, &m_host);
    EXPECT_EQ(key->GetDlgCtrlID(), FindSkinItemId(u"EDITCTRL_POPUP_SINGLEKEYENTRY"));
    // The key field stands where the skin says, whatever the language says.
    EXPECT_EQ(WindowRectIn(*key, m_host), (RECT{200, 30, 300, 50}));
    EXPECT_EQ(key->GetStyle() & ES_CENTER, ES_CENTER);
    EXPECT_EQ(key->borderWidth, CEditItem().borderWidth);
    // It is registered for the keyboard's raw reports.
    EXPECT_TRUE(RegisteredForKeyboard(key->m_hWnd));
}

TEST_F(SkinListCreatorsTest, DroppedListItemsLeaveNoGdiObjects) {
    const std::string items =
        "<COMBOLIST><COMBO name='LIST_PROFILELIST' backclr='BLUE'><CBOX><RECT right='90' "
        "bottom='20'/></CBOX><CLIST height='50'/><COMBOITEM>A</COMBOITEM></COMBO>"
        "<COMBOCOLOR name='LOGO_COLOR'><CBOX><RECT top='30' right='60' bottom='20'/></CBOX>"
        "<CLIST/></COMBOCOLOR><LISTCTRL name='LIST_GLOBALMACROLIST'><RECT top='90' "
        "right='100' bottom='40'/><LISTHDR/><LISTCOLUMN name='LCITEM_PROFILEID' type='STATIC' "
        "width='50'>Id</LISTCOLUMN></LISTCTRL></COMBOLIST>"
        "<EDITCTRLLIST><EDITCTRL name='EDITCTRL_DEFAULT_DELAY' backclr='RED'><RECT top='60' "
        "right='60' bottom='20'/></EDITCTRL></EDITCTRLLIST>"
        "<MACRODISPLAY name='MACRO_DISPLAY'><RECT top='140' right='120' bottom='60'/>"
        "<MDBMP_KEYDN>cap.bmp</MDBMP_KEYDN><VSCROLL><VSBMP_TMB>thumb12.bmp</VSBMP_TMB>"
        "<VSBMP_SPN>cap.bmp</VSBMP_SPN></VSCROLL><LISTCOLUMN name='LCITEM_MCREVENT_ICON' "
        "type='ICON' width='30'/></MACRODISPLAY>";
    const auto settled = [&] {
        {
            CGUIItemList list;
            Load(list, items);
            EXPECT_EQ(list.GetCount(), 6);
        }
        platform::PumpUntilIdle();
        SkinResourceCache::Clear();
        return gdi::LiveObjectCount();
    };
    const size_t first = settled();
    EXPECT_EQ(settled(), first);
}

TEST_F(SkinListCreatorsTest, KeyFieldMadeAgainStillReceivesTheKeys) {
    const std::string items = "<EDITCTRLLIST><EDITCTRLSK name='EDITCTRL_POPUP_SINGLEKEYENTRY'>"
                              "<RECT right='100' bottom='20'/></EDITCTRLSK></EDITCTRLLIST>";
    for (int round = 0; round < 2; ++round) {
        CGUIItemList list;
        Load(list, items);
        auto* key = ItemAs<CEditItemSingleKeyInput>(list, u"EDITCTRL_POPUP_SINGLEKEYENTRY");
        ASSERT_NE(key, nullptr);
        EXPECT_TRUE(RegisteredForKeyboard(key->m_hWnd)) << "round " << round;
        EXPECT_TRUE(TheRawInputDevices().IsRegistered());
    }
    // The field that went took every registration with it.
    UINT count = 0;
    GetRegisteredRawInputDevices(nullptr, &count, sizeof(RAWINPUTDEVICE));
    EXPECT_EQ(count, 0u);
    TheRawInputDevices().Unregister();
}

TEST_F(SkinListCreatorsTest, MacroDisplayTakesItsPicturesBarAndColumns) {
    const auto solid = [](std::uint32_t rgb) {
        return MakeBmp(28, 18, [rgb](int, int) { return rgb; });
    };
    m_folder.Write("skins/kd.bmp", solid(0x100000));
    m_folder.Write("skins/ms.bmp", solid(0x200000));
    m_folder.Write("skins/clk.bmp", solid(0x300000));
    m_folder.Write("skins/thumb8.bmp", MakeBmp(8, 20, [](int, int) { return 0x808080u; }));
    CGUIItemList list;
    Load(list, "<MACRODISPLAY name='MACRO_DISPLAY' max='40' readonly='1' fontclr='RED' "
               "fontclrhi='GREEN' backclr='BLUE' backclrhi='WHITE' bdrclr='MIDGREY' "
               "bdrwidth='3' fontid='FONT_ARIAL12'><RECT left='10' top='10' right='200' "
               "bottom='100'/>"
               // No key-up picture: key-up rows take the key-down one.
               "<MDBMP_KEYDN>kd.bmp</MDBMP_KEYDN><MDBMP_MSE>ms.bmp</MDBMP_MSE>"
               "<MDBMP_CLK>clk.bmp</MDBMP_CLK>" +
                   Scroll("thumb12.bmp") +
                   "<LISTCOLUMN name='LCITEM_MCREVENT_ICON' type='ICON' width='30'/>"
                   "<LISTCOLUMN name='LCITEM_MCREVENT_DESCRIP' type='static' width='150' "
                   "justify='R'/></MACRODISPLAY>");
    ASSERT_EQ(list.GetCount(), 2);
    auto* display = ItemAs<CMacroDisplayItem>(list, u"MACRO_DISPLAY");
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->type, GUIITEM_MACRODISPLAY);
    EXPECT_EQ(display->parent, &m_host);
    EXPECT_EQ(display->GetDlgCtrlID(), FindSkinItemId(u"MACRO_DISPLAY"));
    EXPECT_EQ(display->maxEventCount, 40);
    EXPECT_TRUE(display->readOnly);
    EXPECT_EQ(display->textColor, Colour(u"RED"));
    EXPECT_EQ(display->selectedTextColor, Colour(u"GREEN"));
    EXPECT_EQ(display->backgroundColor, Colour(u"BLUE"));
    EXPECT_EQ(display->selectedBackgroundColor, Colour(u"WHITE"));
    EXPECT_EQ(display->borderColor, Colour(u"MIDGREY"));
    EXPECT_EQ(display->borderWidth, 3);
    EXPECT_EQ(display->fontItem, Font(list));
    EXPECT_EQ(*display->rect, (RECT{10, 10, 210, 110}));
    // The list leaves the bar's width at its right for the bar.
    EXPECT_EQ(WindowRectIn(*display, m_host), (RECT{10, 10, 198, 110}));
    const HWND bar = display->GetCompanionWindow();
    ASSERT_NE(bar, nullptr);
    RECT barRect{};
    GetWindowRect(bar, &barRect);
    m_host.ScreenToClient(&barRect);
    EXPECT_EQ(barRect, (RECT{198, 10, 210, 110}));
    EXPECT_NE(display->GetExtendedStyle() & LVS_EX_FULLROWSELECT, 0u);
    // The description column is narrowed by the border on both sides and right-aligned.
    EXPECT_EQ(display->GetColumn(5).format, LVCFMT_RIGHT);
    EXPECT_EQ(display->GetColumn(4).format, LVCFMT_LEFT);
    EXPECT_EQ(display->GetColumnWidth(display->GetColumn(5).index), 144);
    EXPECT_EQ(display->GetColumnWidth(display->GetColumn(4).index), 30);

    const std::vector<MacroEvent> macro{
        MacroEvent{MACRO_EVENT_KEY, 0x1E | (0x41 << 16), MACRO_KEY_PRESS},
        MacroEvent{MACRO_EVENT_KEY, 0x1E | (0x41 << 16), MACRO_KEY_RELEASE},
        MacroEvent{MACRO_EVENT_MOUSE_BUTTON, 1, 0xFFu}};
    display->readOnly = false;
    ASSERT_TRUE(display->SetEvents(&macro));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 100, 20);
    HGDIOBJ old = SelectObject(dc, ToGdiObj(canvas));
    const auto iconOf = [&](int row) {
        RECT cell{};
        EXPECT_TRUE(display->GetSubItemRect(row, display->GetColumn(4).index, LVIR_BOUNDS, cell));
        const RECT box{0, 0, cell.right - cell.left, cell.bottom - cell.top};
        display->DrawCell(dc, row, display->GetColumn(4).index, box);
        return GetPixel(dc, 5, 5);
    };
    EXPECT_EQ(iconOf(0), RGB(0x10, 0, 0));
    EXPECT_EQ(iconOf(1), RGB(0x10, 0, 0));
    EXPECT_EQ(iconOf(2), RGB(0x20, 0, 0));
    SelectObject(dc, old);
    DeleteObject(ToGdiObj(canvas));
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST_F(SkinListCreatorsTest, MacroDisplayWithoutUsableColumnsOrWideThumbs) {
    m_folder.Write("skins/thumb8.bmp", MakeBmp(8, 20, [](int, int) { return 0x808080u; }));
    {
        // An 8-pixel thumb gives no bar; no bdrwidth takes nothing off the description.
        CGUIItemList list;
        Load(list, "<MACRODISPLAY name='MACRO_DISPLAY_READONLY'><RECT right='100' bottom='50'/>" +
                       Scroll("thumb8.bmp") +
                       "<LISTCOLUMN name='LCITEM_MCREVENT_DESCRIP' type='STATIC' width='80'/>"
                       "</MACRODISPLAY>");
        auto* display = ItemAs<CMacroDisplayItem>(list, u"MACRO_DISPLAY_READONLY");
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(display->GetCompanionWindow(), nullptr);
        EXPECT_EQ(WindowRectIn(*display, m_host), (RECT{0, 0, 100, 50}));
        EXPECT_EQ(display->GetColumnWidth(0), 80);
        EXPECT_FALSE(display->readOnly);
        EXPECT_EQ(display->maxEventCount, 0);
    }
    const std::string cases[] = {
        // A description narrowed to nothing, an unknown column type, no columns at all.
        "<MACRODISPLAY name='MACRO_DISPLAY' bdrwidth='20'><RECT right='99' bottom='9'/>"
        "<LISTCOLUMN name='LCITEM_MCREVENT_ICON' type='ICON' width='30'/>"
        "<LISTCOLUMN name='LCITEM_MCREVENT_DESCRIP' type='STATIC' width='40'/></MACRODISPLAY>",
        "<MACRODISPLAY name='MACRO_DISPLAY'><RECT right='99' bottom='9'/>"
        "<LISTCOLUMN name='LCITEM_MCREVENT_ICON' type='CHECKBOX' width='30'/></MACRODISPLAY>",
        "<MACRODISPLAY name='MACRO_DISPLAY'><RECT right='99' bottom='9'/></MACRODISPLAY>",
    };
    for (const std::string& skin : cases) {
        CGUIItemList list;
        Load(list, skin);
        EXPECT_EQ(list.GetCount(), 1) << skin; // the font only
        EXPECT_EQ(m_host.GetWindow(GW_CHILD), nullptr) << skin;
    }
}
