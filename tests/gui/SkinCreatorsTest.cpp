// Skin files written into a temporary program folder and loaded into a host window on the
// headless display: the items the element creators make, their fields, and what they draw.
#include "gui/SkinCreators.h"
#include "ButtonTestSupport.h"
#include "SkinTestSupport.h"
#include "gui/AVIButton.h"
#include "gui/BitmapBtn.h"
#include "gui/BitmapItem.h"
#include "gui/BitmapWindow.h"
#include "gui/FontItem.h"
#include "gui/ProfileBtn.h"
#include "gui/SkinCreatorRules.h"
#include "gui/TextItem.h"
#include "gui/WidgetMessages.h"
#include "gui/xml/PugXmlParser.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using buttontest::CountPixels;
using buttontest::HostWindow;
using skintest::MakeBmp;
using skintest::ProgramFolder;

namespace {

using skintest::WindowRectIn;

constexpr COLORREF kDesktop = RGB(0, 0, 0);
// The colours of the generated state pictures, as 0x00RRGGBB for MakeBmp.
constexpr std::uint32_t kNormal = 0x102030;
constexpr std::uint32_t kOver = 0x405060;
constexpr std::uint32_t kDown = 0x708090;
constexpr std::uint32_t kDisabled = 0xA0B0C0;

COLORREF FromRgb(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof(info), &info) == 0) {
        return SIZE{0, 0};
    }
    return SIZE{info.bmWidth, info.bmHeight};
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, ToGdiObj(bitmap));
    const COLORREF colour = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return colour;
}

template <typename T> T* ItemAs(const CGUIItemList& list, int id) {
    return dynamic_cast<T*>(FindGUIItemById(list, id));
}

class SkinCreatorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.CreateAt(400, 300));
        // Solid panel-sized state pictures, and a panel-sized one whose pixel (x, y) is RGB(x, y,
        // 7).
        m_folder.Write("skins/n.bmp", MakeBmp(200, 100, [](int, int) { return kNormal; }));
        m_folder.Write("skins/o.bmp", MakeBmp(200, 100, [](int, int) { return kOver; }));
        m_folder.Write("skins/d.bmp", MakeBmp(200, 100, [](int, int) { return kDown; }));
        m_folder.Write("skins/ds.bmp", MakeBmp(200, 100, [](int, int) { return kDisabled; }));
        m_folder.Write("skins/xy.bmp", MakeBmp(200, 100, [](int x, int y) {
                           return static_cast<std::uint32_t>((x << 16) | (y << 8) | 7);
                       }));
        // A mask whose left column is white (cut away).
        m_folder.Write("skins/m.bmp",
                       MakeBmp(100, 40, [](int x, int) { return x == 0 ? 0xFFFFFFu : 0u; }));
    }
    void TearDown() override {
        CurrentLangTable = nullptr;
        m_host.DestroyWindow();
        platform::PumpUntilIdle();
    }

    // Writes an ITEMLIST skin and loads it into the host.
    void Load(CGUIItemList& list, const std::string& items) {
        m_folder.Write("xml/T.xml", "<ITEMLIST>" + items + "</ITEMLIST>");
        LoadSkinFile(list, u"T.xml", &m_host);
        platform::PumpUntilIdle();
    }

    // The live GDI objects once a skin like this one has been loaded and dropped, so that
    // objects made once for the process (stock objects, cached glyphs) are not counted.
    size_t SettledObjectCount(const std::string& items) {
        {
            CGUIItemList list;
            Load(list, items);
        }
        platform::PumpUntilIdle();
        SkinResourceCache::Clear();
        return gdi::LiveObjectCount();
    }

    static std::string StateChildren() {
        return "<SBMN fontclr='WHITE'>n.bmp</SBMN><SBMO fontclr='RED'>o.bmp</SBMO>"
               "<SBMD fontclr='BLUE'>d.bmp</SBMD><SBMDS>ds.bmp</SBMDS>";
    }

    platform::HeadlessDisplay m_display{400, 300, kDesktop};
    ProgramFolder m_folder;
    HostWindow m_host;
};

} // namespace

TEST(SkinCreatorRules, ValuesConvertLikeTheSkinReadsThem) {
    InitNameTables();
    EXPECT_EQ(SkinInteger(u" -12px"), -12);
    EXPECT_EQ(SkinInteger(u""), 0);
    EXPECT_EQ(SkinInteger(u"x1"), 0);
    EXPECT_EQ(SkinInteger(nullptr), 0);
    EXPECT_TRUE(SkinBoolean(u"2"));
    EXPECT_FALSE(SkinBoolean(u"true"));
    EXPECT_FALSE(SkinBoolean(u"yes"));
    EXPECT_EQ(SkinCaps(u"Upper"), 1);
    EXPECT_EQ(SkinCaps(u"L"), 2);
    EXPECT_EQ(SkinCaps(u"u"), 0); // compared case-sensitively
    EXPECT_EQ(SkinColour(u"white"), 0x00FFFFFF);
    EXPECT_EQ(SkinColour(u"PURPLISH"), -1);

    pug::CPugXmlParser parser;
    ASSERT_TRUE(parser.Parse(u"<R><A justify='Right'/><B justify='c'/><C/></R>"));
    pug::CPugXmlBranch root = parser.GetRoot().FindByName(u"R");
    EXPECT_EQ(ReadSkinJustify(root.FindByName(u"A")), SkinJustify::Right);
    EXPECT_EQ(ReadSkinJustify(root.FindByName(u"B")), SkinJustify::Left);
    EXPECT_EQ(ReadSkinJustify(root.FindByName(u"C")), SkinJustify::Left);

    EXPECT_EQ(SkinLabelTextFormat(SkinJustify::Centre, false, 0), 0x25u);
    EXPECT_EQ(SkinLabelTextFormat(SkinJustify::Right, true, 0), 0x12u);
    EXPECT_EQ(SkinLabelTextFormat(SkinJustify::Left, true, 0x99), 0x10u);
    EXPECT_EQ(SkinLabelTextFormat(SkinJustify::Left, false, 0x99), 0x99u);
}

TEST_F(SkinCreatorsTest, ButtonCutsItsStatesAndTakesItsSettings) {
    const std::string skin =
        "<BUTTONLIST>"
        "<BUTTON name='BUTTON_OK' ischeckbox='true' justify='C' multiline='2' "
        "caption='hello' caps='U' tooltip='Tip'><RECT left='5' top='5' right='80' "
        "bottom='24'/>" +
        StateChildren() +
        "</BUTTON>"
        "<BUTTON name='BUTTON_CANCEL' ischeckbox='1' justify='R' caps='U'>"
        "<RECT left='100' top='5' right='50' bottom='20'/><BMPSZ width='30' "
        "height='10'/>" +
        StateChildren() + "</BUTTON></BUTTONLIST>";
    const size_t objectsBefore = SettledObjectCount(skin);
    {
        CGUIItemList list;
        Load(list, skin);
        auto* ok = ItemAs<CBitmapBtn>(list, 8);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->type, GUIITEM_BITMAPBTN);
        EXPECT_EQ(ok->hwnd, ok->m_hWnd);
        EXPECT_EQ(ok->parent, &m_host);
        EXPECT_EQ(ok->GetDlgCtrlID(), 0);
        EXPECT_EQ(*ok->rect, (RECT{5, 5, 85, 29}));
        EXPECT_EQ(WindowRectIn(*ok, m_host), (RECT{5, 5, 85, 29}));
        EXPECT_EQ(ok->checkBoxMode, 0); // "true" is not a number
        EXPECT_EQ(ok->GetStyle() & (BS_CENTER | BS_MULTILINE | BS_VCENTER | 0xF),
                  BS_CENTER | BS_MULTILINE | BS_VCENTER | BS_OWNERDRAW);
        EXPECT_EQ(ok->textFormat, DT_CENTER | 0x12000u | 0x14u); // "2" is multi-line here
        EXPECT_EQ(ok->caption, CString(u"HELLO"));
        EXPECT_EQ(ok->textColors[BTN_STATE_NORMAL], RGB(255, 255, 255));
        EXPECT_EQ(ok->textColors[BTN_STATE_OVER], RGB(255, 0, 0));
        EXPECT_EQ(ok->textColors[BTN_STATE_DOWN], RGB(0, 0, 255));
        EXPECT_EQ(ok->textColors[BTN_STATE_DISABLED], 0u);
        const std::uint32_t expected[4] = {kNormal, kOver, kDown, kDisabled};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(BitmapSize(ok->bitmaps[i]), (SIZE{80, 24})) << i;
            EXPECT_EQ(PixelOf(ok->bitmaps[i], 79, 23), FromRgb(expected[i])) << i;
        }
        // The normal look is on the screen where the button stands, around its caption.
        EXPECT_GT(CountPixels(m_display, RECT{5, 5, 85, 29}, FromRgb(kNormal)), 80 * 24 / 2);

        auto* cancel = ItemAs<CBitmapBtn>(list, 10);
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->checkBoxMode, 1);
        EXPECT_EQ(cancel->textFormat, DT_RIGHT | 0x12000u | 0x34u);
        EXPECT_TRUE(cancel->caption.IsEmpty()); // caps alone gives no caption
        EXPECT_EQ(BitmapSize(cancel->bitmaps[BTN_STATE_NORMAL]), (SIZE{30, 10}));
    }
    platform::PumpUntilIdle();
    SkinResourceCache::Clear(); // the pictures the cache kept
    EXPECT_EQ(gdi::LiveObjectCount(), objectsBefore);
}

TEST_F(SkinCreatorsTest, ButtonWithoutItsPicturesIsNotMadeUnlessDynamic) {
    m_folder.Write("skins/o2.bmp", "not a picture");
    CGUIItemList list;
    Load(list, "<BUTTONLIST>"
               "<BUTTON name='BUTTON_OK'><RECT right='10' bottom='10'/>"
               "<SBMN>n.bmp</SBMN><SBMO>o2.bmp</SBMO><SBMD>d.bmp</SBMD><SBMDS>ds.bmp</SBMDS>"
               "</BUTTON>"
               "<BUTTON name='BUTTON_APPLY'><RECT right='10' bottom='10'/>" +
                   StateChildren() +
                   "<SBMM>missing.bmp</SBMM></BUTTON>"
                   "<BUTTON name='NO_SUCH_BUTTON'><RECT right='10' bottom='10'/>" +
                   StateChildren() +
                   "</BUTTON>"
                   "<BUTTON name='BUTTON_EXIT'><RECT right='10' bottom='10'/>" +
                   StateChildren() +
                   "<SBMM>m.bmp</SBMM></BUTTON>"
                   "<BUTTON name='BUTTON_CANCEL' dynamic='1'><RECT left='50' right='10' "
                   "bottom='10'/><SBMN fontclr='RED'>n.bmp</SBMN></BUTTON>"
                   "</BUTTONLIST>");
    EXPECT_EQ(FindGUIItemById(list, 8), nullptr); // the over picture loads nothing
    EXPECT_EQ(FindGUIItemById(list, 9), nullptr); // the mask loads nothing
    ASSERT_EQ(list.GetCount(), 2);
    auto* masked = ItemAs<CBitmapBtn>(list, 7);
    ASSERT_NE(masked, nullptr);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(masked->GetWindowRgn(region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 0, 5)); // the white column is cut away
    EXPECT_TRUE(PtInRegion(region, 1, 5));
    DeleteObject(region);
    auto* dynamicButton = ItemAs<CBitmapBtn>(list, 10);
    ASSERT_NE(dynamicButton, nullptr);
    EXPECT_EQ(dynamicButton->bitmaps[BTN_STATE_NORMAL].GetSafeHandle(), nullptr);
    EXPECT_EQ(dynamicButton->textColors[BTN_STATE_NORMAL], 0u);
}

TEST_F(SkinCreatorsTest, WindowIdPutsAButtonOnABitmapItemOnly) {
    CGUIItemList list;
    Load(list, "<BITMAPLIST><BITMAPITEM name='BITMAP_MIRUNE'><RECT left='10' top='10' "
               "right='150' bottom='60'/><SBMN>xy.bmp</SBMN></BITMAPITEM>"
               "<BITMAPWINDOW name='BITMAPWIN_ASSIGNKEY'><RECT left='200' right='40' "
               "bottom='20'/><SBMDS>n.bmp</SBMDS></BITMAPWINDOW></BITMAPLIST>"
               "<BUTTONLIST><BUTTON name='BUTTON_OK' windowid='BITMAP_MIRUNE'><RECT left='4' "
               "top='4' right='20' bottom='10'/>" +
                   StateChildren() +
                   "</BUTTON><BUTTON name='BUTTON_CANCEL' windowid='BITMAPWIN_ASSIGNKEY'><RECT "
                   "right='20' bottom='10'/>" +
                   StateChildren() +
                   "</BUTTON><BUTTON name='BUTTON_APPLY' windowid='NOTHING_KNOWN'><RECT "
                   "right='20' bottom='10'/>" +
                   StateChildren() + "</BUTTON></BUTTONLIST>");
    auto* host = ItemAs<CBitmapItem>(list, 218);
    ASSERT_NE(host, nullptr);
    auto* onBitmap = ItemAs<CBitmapBtn>(list, 8);
    ASSERT_NE(onBitmap, nullptr);
    EXPECT_EQ(onBitmap->GetParent(), host);
    EXPECT_EQ(onBitmap->parent, host);
    EXPECT_EQ(WindowRectIn(*onBitmap, *host), (RECT{4, 4, 24, 14}));
    for (int id : {10, 9}) {
        auto* onPanel = ItemAs<CBitmapBtn>(list, id);
        ASSERT_NE(onPanel, nullptr) << id;
        EXPECT_EQ(onPanel->GetParent(), &m_host) << id;
        EXPECT_EQ(onPanel->parent, &m_host) << id;
    }
}

TEST_F(SkinCreatorsTest, ProfileButtonCutsItsPlaceFromPanelSizedPictures) {
    CGUIItemList list;
    Load(list, "<BUTTONLIST>"
               "<PROFBUTTON name='BUTTON_PROFILE01' tooltip='Row'><RECT left='100' top='40' "
               "right='60' bottom='20'/><SBMN>xy.bmp</SBMN><SBMO>o.bmp</SBMO><SBMD>none.bmp</SBMD>"
               "<SBMDS>ds.bmp</SBMDS></PROFBUTTON>"
               "<PROFBUTTON name='BUTTON_PROFILE02'><RECT right='60' bottom='20'/>"
               "<SBMN>xy.bmp</SBMN><SBMO>o.bmp</SBMO><SBMD>d.bmp</SBMD><SBMDS>ds.bmp</SBMDS>"
               "</PROFBUTTON></BUTTONLIST>");
    ASSERT_EQ(list.GetCount(), 1); // only the first profile button of a file
    auto* row = ItemAs<CProfileBtn>(list, 50);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->type, GUIITEM_PROFILEBTN);
    EXPECT_EQ(row->hwnd, row->m_hWnd);
    EXPECT_EQ(WindowRectIn(*row, m_host), (RECT{100, 40, 160, 60}));
    EXPECT_EQ(BitmapSize(row->bitmaps[0]), (SIZE{60, 20}));
    EXPECT_EQ(PixelOf(row->bitmaps[0], 0, 0), RGB(100, 40, 7));
    EXPECT_EQ(PixelOf(row->bitmaps[0], 59, 19), RGB(159, 59, 7));
    EXPECT_EQ(PixelOf(row->bitmaps[1], 0, 0), FromRgb(kOver));
    EXPECT_EQ(row->bitmaps[2].GetSafeHandle(), nullptr); // its key loads nothing
    EXPECT_EQ(PixelOf(row->bitmaps[3], 0, 0), FromRgb(kDisabled));

    CGUIItemList incomplete;
    Load(incomplete, "<BUTTONLIST><PROFBUTTON name='BUTTON_PROFILE01'><RECT right='60' "
                     "bottom='20'/><SBMN>xy.bmp</SBMN><SBMO>o.bmp</SBMO><SBMD>d.bmp</SBMD>"
                     "</PROFBUTTON></BUTTONLIST>");
    EXPECT_TRUE(incomplete.IsEmpty());
}

TEST_F(SkinCreatorsTest, AviButtonKeepsItsClipNames) {
    CGUIItemList list;
    Load(list, "<BUTTONLIST><AVIBUTTON name='BUTTON_AVI'><RECT left='10' top='20' right='30' "
               "bottom='40'/><VIDEO> intro.avi </VIDEO></AVIBUTTON></BUTTONLIST>");
    auto* avi = ItemAs<CAVIButton>(list, 148);
    ASSERT_NE(avi, nullptr);
    EXPECT_EQ(avi->type, GUIITEM_AVIBUTTON);
    EXPECT_EQ(avi->videoName, CString(u"intro.avi"));
    EXPECT_TRUE(avi->soundName.IsEmpty());
    EXPECT_EQ(WindowRectIn(*avi, m_host), (RECT{10, 20, 40, 60}));
    EXPECT_EQ(avi->parent, &m_host);
}

TEST_F(SkinCreatorsTest, BitmapItemsShowTheirPictureAndKeepNoHandle) {
    CGUIItemList list;
    Load(list, "<BITMAPLIST>"
               "<BITMAPITEM name='BITMAP_MIRUNE'><RECT left='10' top='10' right='50' "
               "bottom='30'/><SBMN>xy.bmp</SBMN><SBMM>m.bmp</SBMM></BITMAPITEM>"
               "<BITMAPITEM name='BITMAP_VIEWPLAN'><RECT left='100' right='20' bottom='20'/>"
               "<SBMN>n.bmp</SBMN></BITMAPITEM>"
               "<BITMAPITEM name='BITMAP_VIEWSIDE'><RECT right='20' bottom='20'/>"
               "<SBMN>none.bmp</SBMN></BITMAPITEM>"
               "</BITMAPLIST>");
    ASSERT_EQ(list.GetCount(), 2); // a picture that loads nothing makes nothing
    auto* picture = ItemAs<CBitmapItem>(list, 218);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->type, GUIITEM_BITMAPITEM);
    EXPECT_EQ(picture->hwnd, GUIITEM_NO_WINDOW);
    EXPECT_EQ(FindGUIItemByHwnd(list, picture->m_hWnd), nullptr);
    EXPECT_EQ(picture->GetDlgCtrlID(), -1);
    EXPECT_EQ(picture->GetStyle() & WS_DISABLED, 0u);
    EXPECT_EQ(WindowRectIn(*picture, m_host), (RECT{10, 10, 60, 40}));
    EXPECT_EQ(BitmapSize(picture->bitmap), (SIZE{50, 30}));
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(picture->GetWindowRgn(region), ERROR);
    DeleteObject(region);
    // Drawn from the picture's own top left corner, not its place in the panel.
    EXPECT_EQ(m_display.ScreenPixel(11, 10), RGB(1, 0, 7));
    EXPECT_EQ(m_display.ScreenPixel(10, 10), kDesktop); // cut by the mask

    auto* plan = ItemAs<CBitmapItem>(list, 219);
    ASSERT_NE(plan, nullptr);
    EXPECT_NE(plan->GetStyle() & WS_DISABLED, 0u);
}

TEST_F(SkinCreatorsTest, BitmapWindowFramesFallBackToTheKeyBeforeThem) {
    m_folder.Write("skins/frame.bmp", MakeBmp(60, 30, [](int, int) { return kDown; }));
    CGUIItemList list;
    Load(list, "<FONTLIST><FONT name='FONT_ARIAL12' pitch='12'/></FONTLIST><BITMAPLIST>"
               "<BITMAPWINDOW name='BITMAPWIN_ASSIGNKEY' fontclr='RED' caps='L' multiline='2' "
               "justify='R' fontid='FONT_ARIAL12' tooltip='Press'><RECT left='20' top='30' "
               "right='60' bottom='30'/><SBMDS>n.bmp</SBMDS><SBMN>frame.bmp</SBMN>"
               "<SBMM>m.bmp</SBMM></BITMAPWINDOW>"
               "<BITMAPWINDOW name='BITMAP_MIRUNE' SBMM='' multiline='1'><RECT right='60' "
               "bottom='30'/><SBMDS>n.bmp</SBMDS><SBMM>m.bmp</SBMM></BITMAPWINDOW>"
               "<BITMAPWINDOW name='BITMAP_VIEWSIDE'><RECT right='60' bottom='30'/>"
               "<SBMN>n.bmp</SBMN></BITMAPWINDOW></BITMAPLIST>");
    ASSERT_EQ(list.GetCount(), 3); // the one without SBMDS makes nothing
    auto* box = dynamic_cast<CBitmapWindow*>(list.GetAt(1));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->type, GUIITEM_BITMAPWINDOW);
    EXPECT_EQ(box->hwnd, box->m_hWnd);
    EXPECT_EQ(box->GetDlgCtrlID(), -1);
    EXPECT_EQ(WindowRectIn(*box, m_host), (RECT{20, 30, 80, 60}));
    for (CBitmap* frame : {&box->normalFrame, &box->overFrame, &box->activeFrame}) {
        EXPECT_EQ(PixelOf(*frame, 0, 0), FromRgb(kDown));
    }
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(box->GetWindowRgn(region), ERROR); // an SBMM child without the attribute
    EXPECT_EQ(box->textColor, RGB(255, 0, 0));
    EXPECT_EQ(box->caps, 2);
    EXPECT_EQ(box->textFormat, DT_RIGHT | 0x24u); // "2" is single-line here
    auto* font = ItemAs<CFontItem>(list, 231);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(box->font, font);

    auto* masked = dynamic_cast<CBitmapWindow*>(list.GetAt(2));
    ASSERT_NE(masked, nullptr);
    EXPECT_NE(masked->GetWindowRgn(region), ERROR);
    EXPECT_EQ(masked->textFormat, DT_WORDBREAK);
    EXPECT_EQ(masked->font, nullptr);
    DeleteObject(region);
}

TEST_F(SkinCreatorsTest, TextItemsAreOwnerDrawnLabelsWithTheirFormatFontAndCheckBox) {
    CGUIItemList list;
    Load(list, "<FONTLIST><FONT name='FONT_ARIAL14' pitch='14' boldlevel='700'/></FONTLIST>"
               "<BUTTONLIST><BUTTON name='BUTTON_OK' ischeckbox='1'><RECT right='10' "
               "bottom='10'/>" +
                   StateChildren() +
                   "</BUTTON><BUTTON name='BUTTON_CANCEL'><RECT left='20' right='10' "
                   "bottom='10'/>" +
                   StateChildren() +
                   "</BUTTON></BUTTONLIST><TEXTLIST>"
                   "<TEXTITEM name='TEXT_LOGO' textkey='Right' justify='R' multiline='2' "
                   "fontid='FONT_ARIAL14' fontclr='WHITE' fontclrhi='RED' interactive='1' "
                   "checkboxid='BUTTON_OK'><RECT left='10' top='100' right='300' bottom='30'/>"
                   "</TEXTITEM>"
                   "<TEXTITEM name='TEXT_DPI1' textkey='x' justify='R' multiline='1' "
                   "fontclr='NOCOLOUR' fontid='BUTTON_OK' checkboxid='BUTTON_CANCEL'><RECT "
                   "right='20' bottom='20'/></TEXTITEM>"
                   "<TEXTITEM name='TEXT_DPI2' textkey='y' fontid='UNKNOWN_FONT'><RECT "
                   "right='20' bottom='20'/></TEXTITEM></TEXTLIST>");
    auto* label = ItemAs<CTextItem>(list, 280);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->type, GUIITEM_TEXTITEM);
    EXPECT_EQ(label->hwnd, label->m_hWnd);
    EXPECT_EQ(label->GetDlgCtrlID(), 280);
    EXPECT_EQ(label->GetStyle() & 0x1FF, SS_OWNERDRAW | SS_NOTIFY);
    EXPECT_EQ(label->textFormat, DT_RIGHT | 0x24u);
    EXPECT_EQ(label->textColor, RGB(255, 255, 255));
    EXPECT_EQ(label->hoverColor, RGB(255, 0, 0));
    EXPECT_EQ(label->checkBox, ItemAs<CBitmapBtn>(list, 8));
    auto* font = ItemAs<CFontItem>(list, 234);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(label->font, font);
    EXPECT_EQ(reinterpret_cast<HFONT>(label->SendMessage(WM_GETFONT)), static_cast<HFONT>(*font));
    // Right-aligned white text: all of it in the right half of the label.
    EXPECT_EQ(CountPixels(m_display, RECT{10, 100, 160, 130}, RGB(255, 255, 255)), 0);
    EXPECT_GT(CountPixels(m_display, RECT{160, 100, 310, 130}, RGB(255, 255, 255)), 0);

    auto* second = ItemAs<CTextItem>(list, FindSkinItemId(u"TEXT_DPI1"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetStyle() & 0x1FF, SS_OWNERDRAW);
    EXPECT_EQ(second->textFormat, DT_RIGHT | DT_WORDBREAK);
    EXPECT_EQ(second->textColor, 0u);
    EXPECT_EQ(second->checkBox, nullptr); // that button is not a check box
    EXPECT_EQ(second->font, nullptr);     // a known item that is no font

    auto* third = ItemAs<CTextItem>(list, FindSkinItemId(u"TEXT_DPI2"));
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->textFormat, 0u); // left, single-line: plain text output
    EXPECT_EQ(third->font, nullptr);
}

TEST_F(SkinCreatorsTest, FontsTakeTheirDescriptionAndTheLanguageChoosesTheFont) {
    CLangTable table;
    table.MapFont(231, 234);
    const WCHAR replacement[] = u"FONT_ARIAL16";
    CLangTable::AddOverride(&table, FindSkinItemId(u"TEXT_DPI1"), replacement, sizeof(replacement),
                            u"fontid");
    const RECT moved{50, 60, 70, 20};
    CLangTable::AddOverride(&table, FindSkinItemId(u"TEXT_DPI2"), &moved, sizeof(moved), u"RECT");
    CurrentLangTable = &table;

    CGUIItemList list;
    Load(list, "<FONTLIST><FONT name='FONT_ARIAL12' typeface='' pitch='0'/>"
               "<FONT name='FONT_ARIAL14' typeface='DejaVu Sans' pitch='14' boldlevel='700'/>"
               "<FONT name='FONT_ARIAL16' typeface='ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789'/>"
               "<FONT name='NOT_A_FONT_NAME'/></FONTLIST><TEXTLIST>"
               "<TEXTITEM name='TEXT_LOGO' fontid='FONT_ARIAL12'><RECT right='20' "
               "bottom='20'/></TEXTITEM>"
               "<TEXTITEM name='TEXT_DPI1' fontid='FONT_ARIAL12'><RECT right='20' "
               "bottom='20'/></TEXTITEM>"
               "<TEXTITEM name='TEXT_DPI2'><RECT left='1' top='2' right='3' bottom='4'/>"
               "</TEXTITEM></TEXTLIST>");
    auto* plain = ItemAs<CFontItem>(list, 231);
    auto* bold = ItemAs<CFontItem>(list, 234);
    auto* longName = ItemAs<CFontItem>(list, 236);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(bold, nullptr);
    ASSERT_NE(longName, nullptr);
    EXPECT_EQ(list.GetCount(), 6);
    EXPECT_EQ(plain->type, GUIITEM_FONTITEM);
    EXPECT_EQ(plain->hwnd, nullptr);
    EXPECT_EQ(plain->parent, &m_host);
    LOGFONTW description{};
    ASSERT_NE(plain->GetLogFont(&description), 0);
    EXPECT_EQ(description.lfFaceName[0], 0);
    EXPECT_EQ(description.lfHeight, 0);
    EXPECT_EQ(description.lfPitchAndFamily, FF_SWISS);
    ASSERT_NE(bold->GetLogFont(&description), 0);
    EXPECT_EQ(std::u16string(description.lfFaceName), u"DejaVu Sans");
    EXPECT_EQ(description.lfHeight, 14);
    EXPECT_EQ(description.lfWeight, 700);
    ASSERT_NE(longName->GetLogFont(&description), 0);
    EXPECT_EQ(std::u16string(description.lfFaceName), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");

    // The font map sends FONT_ARIAL12 to FONT_ARIAL14; an override names the font itself.
    EXPECT_EQ(ItemAs<CTextItem>(list, 280)->font, bold);
    EXPECT_EQ(ItemAs<CTextItem>(list, FindSkinItemId(u"TEXT_DPI1"))->font, longName);
    // The language's rectangle wins over the skin's.
    auto* moved_item = ItemAs<CTextItem>(list, FindSkinItemId(u"TEXT_DPI2"));
    ASSERT_NE(moved_item, nullptr);
    EXPECT_EQ(*moved_item->rect, (RECT{50, 60, 120, 80}));
    EXPECT_EQ(WindowRectIn(*moved_item, m_host), (RECT{50, 60, 120, 80}));
}

TEST_F(SkinCreatorsTest, LanguageOverridesCapsAndMultilineOfPresentAttributes) {
    CLangTable table;
    const int ok = FindSkinItemId(u"BUTTON_OK");
    const WCHAR lower[] = u"L";
    const WCHAR one[] = u"1";
    CLangTable::AddOverride(&table, ok, lower, sizeof(lower), u"caps");
    CLangTable::AddOverride(&table, ok, one, sizeof(one), u"multiline");
    CLangTable::AddOverride(&table, 280, one, sizeof(one), u"multiline");
    CurrentLangTable = &table;
    CGUIItemList list;
    Load(list, "<BUTTONLIST><BUTTON name='BUTTON_OK' caption='MiXed' caps='U'><RECT right='10' "
               "bottom='10'/>" +
                   StateChildren() +
                   "</BUTTON></BUTTONLIST><TEXTLIST><TEXTITEM name='TEXT_LOGO' justify='C' "
                   "multiline='0'><RECT right='10' bottom='10'/></TEXTITEM></TEXTLIST>");
    auto* button = ItemAs<CBitmapBtn>(list, ok);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->caption, CString(u"mixed"));
    EXPECT_EQ(button->textFormat & 0x30u, 0x10u); // multi-line by the language
    auto* label = ItemAs<CTextItem>(list, 280);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat, DT_CENTER | DT_WORDBREAK);
}

TEST_F(SkinCreatorsTest, WithoutAWindowNothingButFontsIsMade) {
    m_folder.Write("xml/T.xml",
                   "<ITEMLIST><FONTLIST><FONT name='FONT_ARIAL12'/></FONTLIST><BUTTONLIST>"
                   "<BUTTON name='BUTTON_OK'><RECT right='10' bottom='10'/>" +
                       StateChildren() +
                       "</BUTTON></BUTTONLIST><TEXTLIST><TEXTITEM name='TEXT_LOGO'><RECT/>"
                       "</TEXTITEM></TEXTLIST></ITEMLIST>");
    CGUIItemList list;
    LoadSkinFile(list, u"T.xml", nullptr);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAt(0)->type, GUIITEM_FONTITEM);
}

#ifdef BORVANTA_PROGRAM_DIR
TEST(ShippedSamplePanelItems, FontHeadingAndButtonAreMade) {
    InitNameTables();
    SetExeFolder(BORVANTA_PROGRAM_DIR);
    SkinResourceCache::Clear();
    platform::HeadlessDisplay display{400, 300, kDesktop};
    {
        HostWindow host;
        ASSERT_TRUE(host.CreateAt(320, 200));
        CGUIItemList list;
        ASSERT_TRUE(LoadSkinFile(list, u"SamplePanel.xml", &host));
        auto* font = ItemAs<CFontItem>(list, FindSkinItemId(u"FONT_ARIAL14B"));
        auto* heading = ItemAs<CTextItem>(list, FindSkinItemId(u"TEXT_WARNDLG_HEADING"));
        auto* ok = ItemAs<CBitmapBtn>(list, FindSkinItemId(u"BUTTON_POPUP_OK"));
        ASSERT_NE(font, nullptr);
        ASSERT_NE(heading, nullptr);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(heading->font, font);
        EXPECT_EQ(heading->textFormat, DT_CENTER | 0x24u);
        EXPECT_EQ(ok->font, font);
        EXPECT_EQ(*ok->rect, (RECT{120, 150, 200, 174}));
        EXPECT_EQ(ok->textColors[BTN_STATE_DISABLED], RGB(0x5F, 0x5F, 0x5F));
        for (const CBitmap& look : ok->bitmaps) {
            EXPECT_EQ(BitmapSize(look), (SIZE{80, 24}));
        }
        host.DestroyWindow();
        platform::PumpUntilIdle();
    }
    SkinResourceCache::Clear();
}
#endif

TEST_F(SkinCreatorsTest, MissingOrNegativeRectanglesMakeEmptyWidgets) {
    const std::string skin =
        "<BITMAPLIST><BITMAPITEM name='BITMAP_MIRUNE'><SBMN>n.bmp</SBMN></BITMAPITEM>"
        "<BITMAPWINDOW name='BITMAPWIN_ASSIGNKEY'><RECT left='5' right='-20' "
        "bottom='-3'/><SBMDS>n.bmp</SBMDS><SBMN>n.bmp</SBMN></BITMAPWINDOW>"
        "</BITMAPLIST><BUTTONLIST><BUTTON name='BUTTON_OK'>" +
        StateChildren() +
        "<BMPSZ width='-4' height='500'/></BUTTON><BUTTON name='BUTTON_CANCEL'>"
        "<RECT right='30' bottom='20'/><BMPSZ width='400' height='300'/>" +
        StateChildren() + "</BUTTON></BUTTONLIST>";
    const size_t objectsBefore = SettledObjectCount(skin);
    {
        CGUIItemList list;
        Load(list, skin);
        ASSERT_EQ(list.GetCount(), 4);
        auto* picture = ItemAs<CBitmapItem>(list, 218);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(*picture->rect, (RECT{0, 0, 0, 0}));
        EXPECT_EQ(picture->bitmap.GetSafeHandle(), nullptr);
        auto* ok = ItemAs<CBitmapBtn>(list, 8);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->bitmaps[BTN_STATE_NORMAL].GetSafeHandle(), nullptr);
        // A picture size beyond the state pictures copies what there is.
        auto* cancel = ItemAs<CBitmapBtn>(list, 10);
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(BitmapSize(cancel->bitmaps[BTN_STATE_NORMAL]), (SIZE{400, 300}));
        EXPECT_EQ(PixelOf(cancel->bitmaps[BTN_STATE_NORMAL], 199, 99), FromRgb(kNormal));
    }
    platform::PumpUntilIdle();
    SkinResourceCache::Clear();
    EXPECT_EQ(gdi::LiveObjectCount(), objectsBefore);
}

TEST_F(SkinCreatorsTest, ExtremeRectanglesAreHeldInRangeAlsoFromALanguageOverride) {
    // A language whose override moves the Cancel button to the far end of the range.
    m_folder.Write("lang/English.txt", skintest::Utf16File(u"English\r\n-\r\nOK\r\nOK\r\n"));
    CGUIItemList languages;
    Load(languages, "<LANGLIST><LANG name='LANGUAGE_DEFAULT' file='English.txt'>"
                    "<LANGOVERRIDE name='BUTTON_CANCEL'><RECT left='-2147483648' "
                    "top='2147483647' right='-2147483648' bottom='2147483647'/></LANGOVERRIDE>"
                    "</LANG></LANGLIST>");
    ASSERT_NE(LanguageTableMap.count(320), 0u);
    CurrentLangTable = LanguageTableMap[320];
    const std::string far = "<RECT left='10' top='-2147483648' right='2147483647' "
                            "bottom='-2147483648'/>";
    const std::string low = "<RECT left='-2147483648' top='-5' right='-2147483648' "
                            "bottom='2147483647'/>";
    CGUIItemList list;
    Load(list, "<BITMAPLIST><BITMAPITEM name='BITMAP_MIRUNE'>" + far +
                   "<SBMN>n.bmp</SBMN></BITMAPITEM></BITMAPLIST><BUTTONLIST>"
                   "<BUTTON name='BUTTON_OK'>" +
                   far + StateChildren() +
                   "</BUTTON><BUTTON name='BUTTON_CANCEL'><RECT left='1' top='1' right='5' "
                   "bottom='5'/>" +
                   StateChildren() +
                   "</BUTTON></BUTTONLIST><TEXTLIST><TEXTITEM name='TEXT_LOGO' text='x'>" + low +
                   "</TEXTITEM></TEXTLIST><SLIDERLIST><VSLIDER name='SLIDER_SENSITIVITY'>" + far +
                   "</VSLIDER></SLIDERLIST><DPISTAGELIST><DPISTAGEWINDOW "
                   "name='DPISTAGEWINDOW_01'>" +
                   low +
                   "<BITMAP><RECT left='2147483647' top='2147483647' right='9' bottom='9'/>"
                   "</BITMAP></DPISTAGEWINDOW></DPISTAGELIST><MACRODISPLAY name='MACRO_DISPLAY'>" +
                   far + "</MACRODISPLAY><COMBOLIST><COMBO name='BUTTON_SELECT'>" + low +
                   "</COMBO><LISTCTRL name='LIST_PROFILELIST'>" + far +
                   "</LISTCTRL></COMBOLIST><EDITCTRLLIST><EDITCTRL name='EDITCTRL_DEFAULT_DELAY'>" +
                   low + "</EDITCTRL></EDITCTRLLIST>");
    auto* ok = ItemAs<CBitmapBtn>(list, 8);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(*ok->rect, (RECT{10, INT_MIN, INT_MAX, INT_MIN}));
    auto* cancel = ItemAs<CBitmapBtn>(list, 10);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(*cancel->rect, (RECT{INT_MIN, INT_MAX, INT_MIN, INT_MAX}));
    auto* logo = FindGUIItemById(list, FindSkinItemId(u"TEXT_LOGO"));
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(*logo->rect, (RECT{INT_MIN, -5, INT_MIN, INT_MAX - 5}));
    // The bitmap item, both buttons, the text, the stage tile and the edit field were made
    // and painted without a fault (the others lack their pictures); the window still paints.
    EXPECT_GE(list.GetCount(), 6);
    m_host.Invalidate();
    platform::PumpUntilIdle();
    CurrentLangTable = nullptr;
}

TEST_F(SkinCreatorsTest, ASharedSkinFontOutlivesEveryWidgetThatUsesIt) {
    const std::string skin =
        "<FONTLIST><FONT name='FONT_ARIAL14' pitch='14' boldlevel='700'/></FONTLIST>"
        "<BITMAPLIST><BITMAPWINDOW name='BITMAP_VIEWSIDE' fontid='FONT_ARIAL14'><RECT "
        "left='0' top='200' right='40' bottom='20'/><SBMDS>n.bmp</SBMDS></BITMAPWINDOW>"
        "</BITMAPLIST><BUTTONLIST><BUTTON name='BUTTON_OK' fontid='FONT_ARIAL14' "
        "caption='OK'><RECT right='40' bottom='20'/>" +
        StateChildren() +
        "</BUTTON></BUTTONLIST><TEXTLIST><TEXTITEM name='TEXT_DPI1' textkey='x' "
        "fontid='FONT_ARIAL14'><RECT top='50' right='40' bottom='20'/></TEXTITEM>"
        "<TEXTITEM name='TEXT_DPI2' textkey='y' fontid='FONT_ARIAL14'><RECT top='80' "
        "right='40' bottom='20'/></TEXTITEM></TEXTLIST>";
    const size_t settled = SettledObjectCount(skin);
    {
        CGUIItemList list;
        Load(list, skin);
        auto* font = ItemAs<CFontItem>(list, 234);
        ASSERT_NE(font, nullptr);
        const HGDIOBJ handle = font->GetSafeHandle();
        ASSERT_NE(handle, nullptr);
        // One label goes: the other one still draws with the live skin font.
        list.DeleteLast();
        auto* label = ItemAs<CTextItem>(list, FindSkinItemId(u"TEXT_DPI1"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(label->SendMessage(WM_GETFONT)), handle);
        // Every widget goes: the font item still holds its font until the list frees it.
        while (list.GetCount() > 1) {
            list.DeleteLast();
        }
        EXPECT_EQ(font->GetSafeHandle(), handle);
        LOGFONTW info{};
        EXPECT_EQ(GetObjectW(handle, sizeof(info), &info), static_cast<int>(sizeof(info)));
        EXPECT_EQ(info.lfHeight, 14);
    }
    platform::PumpUntilIdle();
    SkinResourceCache::Clear();
    EXPECT_EQ(gdi::LiveObjectCount(), settled); // the list's font item freed it
}

TEST_F(SkinCreatorsTest, BitmapWindowStandsOnTheHostItsWindowIdNames) {
    CGUIItemList list;
    Load(list, "<BITMAPLIST><BITMAPITEM name='BITMAP_MIRUNE'><RECT left='100' top='50' "
               "right='150' bottom='80'/><SBMN>xy.bmp</SBMN></BITMAPITEM>"
               "<BITMAPWINDOW name='BITMAPWIN_ASSIGNKEY' windowid='BITMAP_MIRUNE'><RECT "
               "left='10' top='20' right='40' bottom='20'/><SBMDS>n.bmp</SBMDS></BITMAPWINDOW>"
               "<BITMAPWINDOW name='BITMAP_VIEWSIDE' windowid='FONT_ARIAL12'><RECT left='5' "
               "right='40' bottom='20'/><SBMDS>n.bmp</SBMDS></BITMAPWINDOW></BITMAPLIST>");
    ASSERT_EQ(list.GetCount(), 3);
    auto* host = ItemAs<CBitmapItem>(list, FindSkinItemId(u"BITMAP_MIRUNE"));
    auto* hosted = ItemAs<CBitmapWindow>(list, FindSkinItemId(u"BITMAPWIN_ASSIGNKEY"));
    auto* onPanel = ItemAs<CBitmapWindow>(list, FindSkinItemId(u"BITMAP_VIEWSIDE"));
    ASSERT_NE(host, nullptr);
    ASSERT_NE(hosted, nullptr);
    ASSERT_NE(onPanel, nullptr);
    EXPECT_EQ(::GetParent(hosted->m_hWnd), host->m_hWnd);
    EXPECT_EQ(hosted->parent, host);
    EXPECT_EQ(WindowRectIn(*hosted, m_host), (RECT{110, 70, 150, 90})); // in host coordinates
    // The key it captures still reaches the panel, through its host.
    m_display.Click(120, 80);
    m_display.PressKey('K');
    platform::PumpUntilIdle();
    const auto keys = m_host.Of(WM_ASSIGNKEY_KEY);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>('K'));
    EXPECT_EQ(keys[0].lParam, reinterpret_cast<LPARAM>(hosted->m_hWnd));
    // A windowid that names no bitmap item leaves the window on the panel.
    EXPECT_EQ(::GetParent(onPanel->m_hWnd), m_host.m_hWnd);
    EXPECT_EQ(onPanel->parent, &m_host);
}
