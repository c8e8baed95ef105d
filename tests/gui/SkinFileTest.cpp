#include "gui/SkinFile.h"
#include "SkinTestSupport.h"
#include "gui/PanelBitmap.h"
#include "gui/xml/PugXmlArray.h"
#include "gui/xml/PugXmlParser.h"
#include "platform/base/WideChar.h"
#include "platform/framework/CWnd.h"
#include "platform/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using skintest::MakeBmp;
using skintest::ProgramFolder;

namespace {

// An item made by the probe creators below: remembers its element name and rectangle.
class ProbeItem : public CGUIItem {
public:
    ProbeItem(std::u16string element, int itemId, int position)
        : elementName(std::move(element)), order(position) {
        id = itemId;
        type = GUIITEM_TEXTITEM;
    }
    std::u16string elementName;
    int order;
};

// Registers a probe creator for every item element during a test, restoring the real
// creators afterwards.
class ProbeCreators {
public:
    ProbeCreators() {
        for (const WCHAR* name :
             {u"FONT", u"BITMAPITEM", u"BITMAPWINDOW", u"BUTTON", u"PROFBUTTON", u"AVIBUTTON",
              u"VSLIDER", u"HSLIDERM", u"HSLIDERMAPM", u"DMARKER", u"TEXTITEM", u"DPISTAGEWINDOW",
              u"MACRODISPLAY", u"LISTCTRL", u"COMBO", u"COMBOCOLOR", u"LISTPANEL", u"EDITCTRL",
              u"EDITCTRLSK"}) {
            const std::u16string element = name;
            m_saved[element] = RegisterSkinElementCreator(
                name, [element](const SkinElementContext& context) -> std::unique_ptr<CGUIItem> {
                    const int id = ReadSkinItemId(context.element);
                    if (id == -1) {
                        return nullptr;
                    }
                    auto item = std::make_unique<ProbeItem>(element, id, context.position);
                    item->parent = context.parent;
                    if (!context.firstRect.IsEmpty()) {
                        const RECT rc = ReadSkinRect(context.firstRect, 0);
                        item->SetRect(rc.left, rc.top, rc.right, rc.bottom);
                    }
                    return item;
                });
        }
    }
    ~ProbeCreators() {
        for (auto& [name, creator] : m_saved) {
            RegisterSkinElementCreator(name.c_str(), std::move(creator));
        }
    }
    ProbeCreators(const ProbeCreators&) = delete;
    ProbeCreators& operator=(const ProbeCreators&) = delete;

private:
    std::map<std::u16string, SkinElementCreator> m_saved;
};

std::vector<std::u16string> Elements(const CGUIItemList& list) {
    std::vector<std::u16string> names;
    for (int i = 0; i < list.GetCount(); ++i) {
        if (auto* probe = dynamic_cast<ProbeItem*>(list.GetAt(i))) {
            names.push_back(probe->elementName + u":" + FromUtf8(std::to_string(probe->id)));
        } else {
            names.push_back(u"#" + FromUtf8(std::to_string(list.GetAt(i)->id)));
        }
    }
    return names;
}

void WritePanelBitmaps(const ProgramFolder& folder) {
    folder.Write("skins/bg.bmp",
                 MakeBmp(40, 30, [](int x, int) { return x < 20 ? 0x0000FFu : 0xFF0000u; }));
    folder.Write("skins/mask.bmp",
                 MakeBmp(40, 30, [](int x, int y) { return (x < 5 && y < 5) ? 0xFFFFFFu : 0u; }));
}

CWnd* FakeParent() {
    return reinterpret_cast<CWnd*>(static_cast<std::uintptr_t>(0x1000));
}

} // namespace

TEST(SkinFile, ReadingOrderFollowsTheListElements) {
    ProgramFolder folder;
    ProbeCreators probes;
    WritePanelBitmaps(folder);
    folder.Write("xml/Panel.xml", R"(<!DOCTYPE GUIPANEL>
<GUIPANEL>
  <BACKGROUND> bg.bmp </BACKGROUND><MASK>mask.bmp</MASK>
  <EDITCTRLLIST><EDITCTRLSK name="EDITCTRL_POPUP_SINGLEKEYENTRY"/><EDITCTRL name="EDITCTRL_DEFAULT_DELAY"/></EDITCTRLLIST>
  <BUTTONLIST>
    <AVIBUTTON name="BUTTON_AVI"/><AVIBUTTON name="BUTTON_AVI"/>
    <BUTTON name="BUTTON_OK"><RECT left="10" top="20" right="30" bottom="40"/></BUTTON>
    <BUTTON name="NOT_A_SKIN_ITEM"/>
    <GROUP><BUTTON name="button_cancel"/></GROUP>
    <PROFBUTTON name="BUTTON_PROFILE01"/><PROFBUTTON name="BUTTON_PROFILE02"/>
  </BUTTONLIST>
  <FONTLIST><FONT name="FONT_ARIAL12"/><FONT name="FONT_ARIAL14"/></FONTLIST>
  <MACRODISPLAY name="MACRO_DISPLAY"/>
  <DPISTAGELIST><DPISTAGEWINDOW name="DPISTAGEWINDOW_01"/><DPISTAGEWINDOW name="DPISTAGEWINDOW_02"/></DPISTAGELIST>
  <TEXTLIST><TEXTITEM name="TEXT_PROFILENAME"/></TEXTLIST>
  <BITMAPLIST><BITMAPWINDOW name="BITMAPWIN_ASSIGNKEY"/><BITMAPITEM name="BITMAP_MIRUNE"/></BITMAPLIST>
  <SLIDERLIST><DMARKER name="SLIDER_SCROLL"/><VSLIDER name="SLIDER_SENSITIVITY"/></SLIDERLIST>
  <LISTPANELLIST><LISTPANEL name="LISTPANEL_PROFILEOPTIONS"/></LISTPANELLIST>
  <COMBOLIST><COMBO name="BUTTON_SELECT"/><LISTCTRL name="LIST_PROFILELIST"/></COMBOLIST>
</GUIPANEL>
<ITEMLIST><TEXTLIST><TEXTITEM name="TEXT_LOGO"/></TEXTLIST></ITEMLIST>
)");
    CGUIItemList list;
    ASSERT_TRUE(LoadSkinFile(list, u"Panel.xml", FakeParent()));
    const std::vector<std::u16string> expected = {u"#0",
                                                  u"#1",
                                                  u"FONT:231",
                                                  u"FONT:234",
                                                  u"BITMAPITEM:218",
                                                  u"BITMAPWINDOW:330",
                                                  u"BUTTON:8",
                                                  u"BUTTON:10",
                                                  u"PROFBUTTON:50",
                                                  u"AVIBUTTON:148",
                                                  u"VSLIDER:205",
                                                  u"DMARKER:206",
                                                  u"TEXTITEM:227",
                                                  u"DPISTAGEWINDOW:338",
                                                  u"DPISTAGEWINDOW:339",
                                                  u"MACRODISPLAY:208",
                                                  u"LISTCTRL:331",
                                                  u"COMBO:124",
                                                  u"LISTPANEL:363",
                                                  u"EDITCTRL:337",
                                                  u"EDITCTRLSK:336"};
    EXPECT_EQ(Elements(list), expected);
    auto* ok = dynamic_cast<ProbeItem*>(FindGUIItemById(list, 8));
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(ok->rect, nullptr);
    EXPECT_EQ(*ok->rect, (RECT{10, 20, 40, 60}));
    EXPECT_EQ(ok->parent, FakeParent());
    EXPECT_EQ(dynamic_cast<ProbeItem*>(FindGUIItemById(list, 339))->order, 2);
    EXPECT_EQ(dynamic_cast<ProbeItem*>(FindGUIItemById(list, 8))->order, 0);

    auto* background = dynamic_cast<CPanelBitmap*>(list.GetAt(0));
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->type, GUIITEM_PANELBITMAP);
    EXPECT_EQ(background->parent, FakeParent());
    EXPECT_EQ(background->GetSize().cx, 40);
    EXPECT_EQ(background->GetSize().cy, 30);
    EXPECT_EQ(background->GetBitmapHandle(), background->GetBitmapCopy());
    // The panel holds its own copy, not the cached picture.
    EXPECT_NE(background->GetBitmapHandle(),
              SkinResourceCache::Find(u"bg.bmp", SKINRES_PICTURE)->GetBitmap());
    background->DeleteBitmap();
    EXPECT_EQ(background->GetBitmapHandle(), nullptr);
    EXPECT_EQ(background->GetBitmapCopy(), nullptr);
    background->DeleteBitmap(); // a second release does nothing
    // A handle made after the release survives the item: the panel bitmap never releases
    // its old handle a second time, whatever handle value comes next.
    HBITMAP later = CreateBitmap(2, 2, 1, 32, nullptr);
    DeleteGUIItems(list);
    BITMAP info{};
    EXPECT_NE(GetObjectW(later, sizeof(info), &info), 0);
    DeleteObject(later);
}

TEST(SkinFile, IncompleteFramesAndFiles) {
    ProgramFolder folder;
    ProbeCreators probes;
    WritePanelBitmaps(folder);
    CGUIItemList list;
    EXPECT_FALSE(LoadSkinFile(list, u"Missing.xml", nullptr));
    folder.Write("xml/NoMask.xml", "<GUIPANEL><BACKGROUND>bg.bmp</BACKGROUND><MASK>gone.bmp</MASK>"
                                   "<TEXTLIST><TEXTITEM name='TEXT_LOGO'/></TEXTLIST></GUIPANEL>");
    EXPECT_FALSE(LoadSkinFile(list, u"NoMask.xml", nullptr));
    EXPECT_EQ(Elements(list), (std::vector<std::u16string>{u"#0"})); // the background stays
    DeleteGUIItems(list);
    folder.Write("xml/NoBackground.xml",
                 "<GUIPANEL><MASK>mask.bmp</MASK><TEXTLIST><TEXTITEM name='TEXT_LOGO'/>"
                 "</TEXTLIST></GUIPANEL>");
    EXPECT_FALSE(LoadSkinFile(list, u"NoBackground.xml", nullptr));
    EXPECT_TRUE(list.IsEmpty());
    folder.Write("xml/Neither.xml",
                 "<SKIN><TEXTLIST><TEXTITEM name='TEXT_LOGO'/></TEXTLIST></SKIN>");
    EXPECT_FALSE(LoadSkinFile(list, u"Neither.xml", nullptr));
    folder.Write("xml/EmptyList.xml",
                 "<ITEMLIST><TEXTLIST><TEXTITEM name='nothing'/></TEXTLIST></ITEMLIST>");
    EXPECT_FALSE(LoadSkinFile(list, u"EmptyList.xml", nullptr));
    EXPECT_TRUE(list.IsEmpty());
    folder.Write("xml/Items.xml",
                 "<ITEMLIST><TEXTLIST><TEXTITEM name='TEXT_LOGO'/><texts><TEXTITEM "
                 "name='TEXT_DPI1'/></texts></TEXTLIST></ITEMLIST>");
    EXPECT_TRUE(LoadSkinFile(list, u"Items.xml", nullptr));
    EXPECT_EQ(Elements(list), (std::vector<std::u16string>{u"TEXTITEM:280", u"TEXTITEM:263"}));
    // Element names are case-sensitive: a lower-case list is not read.
    folder.Write("xml/Lower.xml",
                 "<ITEMLIST><textlist><TEXTITEM name='TEXT_LOGO'/></textlist></ITEMLIST>");
    EXPECT_FALSE(LoadSkinFile(list, u"Lower.xml", nullptr));
    EXPECT_EQ(list.GetCount(), 2);
}

TEST(SkinFile, FoldersEmptyKeysAndBrokenQuotesAreMissingFiles) {
    ProgramFolder folder;
    ProbeCreators probes;
    WritePanelBitmaps(folder);
    std::filesystem::create_directories(folder.Root() / "skins" / "folder.bmp");
    std::filesystem::create_directories(folder.Root() / "lang" / "folder.txt");
    std::filesystem::create_directories(folder.Root() / "xml" / "Folder.xml");
    const std::string items = "<TEXTLIST><TEXTITEM name='TEXT_LOGO'/></TEXTLIST></GUIPANEL>";
    CGUIItemList list;
    // A skin whose BACKGROUND or MASK names a folder, is empty, or is what an unterminated
    // quote leaves of it, makes no panel; nothing is thrown.
    const std::pair<const char*, std::string> skins[] = {
        {"xml/FolderBackground.xml",
         "<GUIPANEL><BACKGROUND>folder.bmp</BACKGROUND><MASK>mask.bmp</MASK>" + items},
        {"xml/EmptyBackground.xml",
         "<GUIPANEL><BACKGROUND></BACKGROUND><MASK>mask.bmp</MASK>" + items},
        {"xml/BlankBackground.xml",
         "<GUIPANEL><BACKGROUND>  </BACKGROUND><MASK>mask.bmp</MASK>" + items},
        {"xml/EmptyMask.xml", "<GUIPANEL><BACKGROUND>bg.bmp</BACKGROUND><MASK/>" + items},
        {"xml/BrokenQuote.xml",
         "<GUIPANEL><BACKGROUND>bg.bmp</BACKGROUND><MASK name='x>mask.bmp</MASK>" + items},
    };
    for (const auto& [file, text] : skins) {
        folder.Write(file, text);
        const CString name = FromUtf8(std::string(file).substr(4));
        EXPECT_NO_THROW(EXPECT_FALSE(LoadSkinFile(list, name, nullptr))) << file;
        for (int i = 0; i < list.GetCount(); ++i) {
            EXPECT_EQ(list.GetAt(i)->id, 0) << file; // at most the background was made
        }
        DeleteGUIItems(list);
    }
    // A skin file name that is a folder, or empty (the "xml" folder itself).
    EXPECT_NO_THROW(EXPECT_FALSE(LoadSkinFile(list, u"Folder.xml", nullptr)));
    EXPECT_NO_THROW(EXPECT_FALSE(LoadSkinFile(list, u"", nullptr)));
    EXPECT_TRUE(list.IsEmpty());
    // A language whose text file is a folder makes no table; the next language still loads.
    folder.Write("lang/English.txt", skintest::Utf16File(u"English\r\n-\r\nOK\r\nFine\r\n"));
    folder.Write("xml/Language.xml",
                 "<ITEMLIST><LANGLIST><LANG name='LANGUAGE_GERMAN' file='folder.txt'/>"
                 "<LANG name='LANGUAGE_ENGLISH' file=''/>"
                 "<LANG name='LANGUAGE_DEFAULT' file='English.txt'/></LANGLIST></ITEMLIST>");
    EXPECT_NO_THROW(EXPECT_TRUE(LoadSkinFile(list, u"Language.xml", nullptr)));
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAt(0)->id, FindSkinItemId(u"LANGUAGE_DEFAULT"));
    DeleteGUIItems(list);
    // A button state bitmap that names a folder is no bitmap.
    pug::CPugXmlParser parser;
    ASSERT_TRUE(parser.Parse(u"<BUTTON><SBMN>folder.bmp</SBMN><SBMO></SBMO></BUTTON>"));
    const pug::CPugXmlBranch button = parser.GetRoot().FindByName(u"BUTTON");
    EXPECT_EQ(LoadSkinStateBitmap(button, u"SBMN", 0, true, nullptr), nullptr);
    EXPECT_EQ(LoadSkinStateBitmap(button, u"SBMO", 0, true, nullptr), nullptr);
}

TEST(SkinFile, RectsSizesAndTexts) {
    pug::CPugXmlParser parser;
    ASSERT_TRUE(parser.Parse(u"<E><RECT left='10' top='20' right='30' bottom='40'/>"
                             u"<HALF left=' 7x'/><BMPSZ width='16' height='-2'/>"
                             u"<T>  key.bmp \r\n</T></E>"));
    pug::CPugXmlBranch root = parser.GetRoot();
    EXPECT_EQ(ReadSkinRect(root.FindByName(u"RECT"), 0), (RECT{10, 20, 30, 40}));
    EXPECT_EQ(ReadSkinRect(root.FindByName(u"RECT"), 1), (RECT{10, 20, 40, 60}));
    // Extreme values: the sums are held at the ends of the range.
    ASSERT_TRUE(parser.Parse(u"<E><RECT left='10' top='-2147483648' right='2147483647' "
                             u"bottom='-1'/></E>"));
    EXPECT_EQ(ReadSkinRect(parser.GetRoot().FindByName(u"RECT"), 1),
              (RECT{10, INT_MIN, INT_MAX, INT_MIN}));
    ASSERT_TRUE(parser.Parse(u"<E><RECT left='10' top='20' right='30' bottom='40'/>"
                             u"<HALF left=' 7x'/><BMPSZ width='16' height='-2'/>"
                             u"<T>  key.bmp \r\n</T></E>"));
    root = parser.GetRoot();
    pug::CPugXmlBranch half = root.FindByName(u"HALF");
    EXPECT_EQ(ReadSkinRect(half, 0), (RECT{7, 0, 0, 0}));
    EXPECT_EQ(half.GetAttributeCount(), 4); // reading adds the missing attributes
    EXPECT_EQ(ReadSkinSize(root.FindByName(u"BMPSZ")), (SIZE{16, -2}));
    EXPECT_EQ(ReadSkinText(root.FindByName(u"T")).str(), u"key.bmp");
    EXPECT_EQ(ReadSkinText(root.FindByName(u"RECT")).str(), u"");
    EXPECT_EQ(ReadSkinItemId(root.FindByName(u"E")), -1);
}

TEST(SkinFile, StateAndScrollBitmaps) {
    ProgramFolder folder;
    folder.Write("skins/n.bmp", MakeBmp(3, 3, [](int, int) { return 1u; }));
    folder.Write("skins/n_fr.bmp", MakeBmp(3, 3, [](int, int) { return 2u; }));
    folder.Write("skins/thumb.bmp", MakeBmp(12, 5, [](int, int) { return 3u; }));
    folder.Write("skins/up.bmp", MakeBmp(12, 4, [](int, int) { return 4u; }));
    pug::CPugXmlParser parser;
    ASSERT_TRUE(
        parser.Parse(u"<BUTTON name='BUTTON_OK'><SBMN fontclr='red'>n.bmp</SBMN>"
                     u"<SBMO fontclr='nocolour'>n.bmp</SBMO><SBMD>gone.bmp</SBMD>"
                     u"<VSCROLL><VSBMP_TMB>thumb.bmp</VSBMP_TMB><VSBMP_AUP>up.bmp</VSBMP_AUP>"
                     u"</VSCROLL><NOSCROLL><VSBMP_AUP>up.bmp</VSBMP_AUP></NOSCROLL></BUTTON>"));
    pug::CPugXmlBranch button = parser.GetRoot().FindByName(u"BUTTON");
    HBITMAP normal = SkinResourceCache::Find(u"n.bmp", SKINRES_PICTURE)->GetBitmap();
    ASSERT_NE(normal, nullptr);
    COLORREF colour = 7;
    EXPECT_EQ(LoadSkinStateBitmap(button, u"SBMN", 8, false, &colour), nullptr);
    EXPECT_EQ(colour, 7u);
    EXPECT_EQ(LoadSkinStateBitmap(button, u"SBMDS", 8, true, &colour), nullptr);
    EXPECT_EQ(LoadSkinStateBitmap(button, u"SBMN", 8, true, &colour), normal);
    EXPECT_EQ(colour, 0x000000FFu);
    EXPECT_EQ(LoadSkinStateBitmap(button, u"SBMO", 8, true, &colour), normal);
    EXPECT_EQ(colour, 0x000000FFu); // an unknown colour is not stored
    EXPECT_EQ(LoadSkinStateBitmap(button, u"SBMD", 8, true, nullptr), nullptr);

    CLangTable french;
    const WCHAR key[] = u"n_fr.bmp";
    CLangTable::AddOverride(&french, 8, key, sizeof(key), u"SBMN");
    CLangTable::AddOverride(&french, 8, u"gone.bmp", 18, u"SBMO");
    CurrentLangTable = &french;
    EXPECT_EQ(LoadSkinStateBitmap(button, u"SBMN", 8, true, nullptr),
              SkinResourceCache::Find(u"n_fr.bmp", SKINRES_PICTURE)->GetBitmap());
    EXPECT_EQ(LoadSkinStateBitmap(button, u"SBMO", 8, true, nullptr), normal);
    EXPECT_EQ(LoadSkinStateBitmap(button, u"SBMN", 9, true, nullptr), normal);
    CurrentLangTable = nullptr;

    HBITMAP parts[6] = {};
    for (HBITMAP& part : parts) {
        part = reinterpret_cast<HBITMAP>(static_cast<std::uintptr_t>(0x99));
    }
    EXPECT_EQ(LoadSkinScrollBitmaps(button.FindByName(u"NOSCROLL"), &parts[0], &parts[1], &parts[2],
                                    &parts[3], &parts[4], &parts[5]),
              0);
    EXPECT_EQ(parts[3], reinterpret_cast<HBITMAP>(static_cast<std::uintptr_t>(0x99)));
    EXPECT_EQ(LoadSkinScrollBitmaps(button.FindByName(u"VSCROLL"), &parts[0], &parts[1], &parts[2],
                                    &parts[3], &parts[4], &parts[5]),
              12);
    EXPECT_EQ(parts[0], SkinResourceCache::Find(u"thumb.bmp", SKINRES_PICTURE)->GetBitmap());
    EXPECT_EQ(parts[1], nullptr);
    EXPECT_EQ(parts[3], SkinResourceCache::Find(u"up.bmp", SKINRES_PICTURE)->GetBitmap());
}

namespace {

// A bitmap item with a window object, as the widget library makes them.
class WindowedBitmapItem : public CWnd, public CGUIItem {
public:
    explicit WindowedBitmapItem(int itemId) {
        id = itemId;
        type = GUIITEM_BITMAPITEM;
    }
};

} // namespace

TEST(SkinFile, ItemRectsFollowTheLanguageAndWindowIdsFindBitmapItems) {
    InitNameTables();
    pug::CPugXmlParser parser;
    ASSERT_TRUE(parser.Parse(u"<L><RECT left='5' top='5' right='80' bottom='24'/>"
                             u"<TEXTITEM name='TEXT_LOGO' windowid='BITMAP_MIRUNE'/>"
                             u"<TEXTITEM name='TEXT_DPI1' windowid='TEXT_LOGO'/>"
                             u"<TEXTITEM name='TEXT_DPI2' windowid='NO_SUCH_ITEM'/>"
                             u"<TEXTITEM name='TEXT_DPI2' windowid='BITMAP_VIEWPLAN'/>"
                             u"<TEXTITEM name='TEXT_DPI2'/></L>"));
    pug::CPugXmlBranch root = parser.GetRoot();
    pug::CPugXmlBranch rect = root.FindByName(u"RECT");
    EXPECT_EQ(ReadSkinItemRect(rect, 8), (RECT{5, 5, 80, 24}));
    CLangTable french;
    const LONG moved[4] = {1, 2, 3, 4};
    CLangTable::AddOverride(&french, 8, moved, sizeof(moved), u"rect");
    CurrentLangTable = &french;
    EXPECT_EQ(ReadSkinItemRect(rect, 8), (RECT{1, 2, 3, 4}));
    EXPECT_EQ(ReadSkinItemRect(rect, 9), (RECT{5, 5, 80, 24}));
    CurrentLangTable = nullptr;

    CGUIItemList list;
    auto bitmapItem = std::make_unique<WindowedBitmapItem>(218); // BITMAP_MIRUNE
    CWnd* bitmapWindow = bitmapItem.get();
    list.Add(std::move(bitmapItem));
    list.Add(std::make_unique<ProbeItem>(u"TEXTITEM", 280, 0)); // TEXT_LOGO, not a bitmap
    pug::CPugXmlBranchArray texts;
    root.FindAllByName(u"TEXTITEM", texts);
    SkinElementContext context;
    context.parent = FakeParent();
    context.items = &list;
    std::vector<CWnd*> parents;
    for (int i = 0; i < texts.GetCount(); ++i) {
        context.element = texts.GetBranch(i);
        parents.push_back(ResolveSkinParentWindow(context, u"windowid"));
    }
    EXPECT_EQ(parents, (std::vector<CWnd*>{bitmapWindow, FakeParent(), FakeParent(), FakeParent(),
                                           FakeParent()}));
}
