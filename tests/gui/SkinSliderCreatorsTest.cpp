// Slider, marker and stage-tile skin elements written into a temporary program folder and
// loaded into a host window on the headless display.
#include "gui/SkinSliderCreators.h"
#include "ButtonTestSupport.h"
#include "SkinTestSupport.h"
#include "gui/APMSlider.h"
#include "gui/BitmapItem.h"
#include "gui/DMarker.h"
#include "gui/DPIStageWindow.h"
#include "gui/FontItem.h"
#include "gui/SliderHMulti.h"
#include "gui/VertSlider.h"
#include "gui/WidgetMessages.h"
#include "platform/base/DebugOutput.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <string>

using buttontest::HostWindow;
using skintest::MakeBmp;
using skintest::ProgramFolder;

namespace {

using skintest::WindowRectIn;

constexpr COLORREF kDesktop = RGB(0, 0, 0);
constexpr std::uint32_t kThumb = 0xC00000;
constexpr std::uint32_t kThumbOver = 0x0000C0;
constexpr std::uint32_t kBase = 0x204060;
constexpr std::uint32_t kFill = 0x60A020;

COLORREF FromRgb(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// The track picture: pixel (x, y) is RGB(x, y, 9).
COLORREF TrackColour(int x, int y) {
    return RGB(static_cast<BYTE>(x), static_cast<BYTE>(y), 9);
}

template <typename T> T* ItemAs(const CGUIItemList& list, const WCHAR* name) {
    return dynamic_cast<T*>(FindGUIItemById(list, FindSkinItemId(name)));
}

std::string Stages(int count, const std::string& extra = "") {
    std::string out = "<STAGES>";
    for (int i = 1; i <= count; ++i) {
        out += "<STAGE" + extra + "> SLIDER_DPI_MULTI_STAGE" + std::to_string(i) + " </STAGE>";
    }
    return out + "</STAGES>";
}

class SkinSliderCreatorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.CreateAt(400, 300));
        m_folder.Write("skins/track.bmp", MakeBmp(250, 60, [](int x, int y) {
                           return static_cast<std::uint32_t>((x << 16) | (y << 8) | 9);
                       }));
        // 10 x 20 thumbs whose top-left pixel is the key colour (cut away).
        const auto thumb = [](std::uint32_t body) {
            return MakeBmp(10, 20,
                           [body](int x, int y) { return x == 0 && y == 0 ? 0xFFFFFFu : body; });
        };
        m_folder.Write("skins/thumb.bmp", thumb(kThumb));
        m_folder.Write("skins/thumbo.bmp", thumb(kThumbOver));
        m_folder.Write("skins/base.bmp", MakeBmp(100, 20, [](int, int) { return kBase; }));
        m_folder.Write("skins/fill.bmp", MakeBmp(100, 20, [](int, int) { return kFill; }));
        m_folder.Write("skins/v.bmp", MakeBmp(16, 12, [](int, int) { return kThumb; }));
    }
    void TearDown() override {
        CurrentLangTable = nullptr;
        m_host.DestroyWindow();
        platform::PumpUntilIdle();
    }

    void Load(CGUIItemList& list, const std::string& items) {
        m_folder.Write("xml/T.xml", "<ITEMLIST>" + items + "</ITEMLIST>");
        LoadSkinFile(list, u"T.xml", &m_host);
        platform::PumpUntilIdle();
    }

    // A bitmap item of the track picture at (20, 30), 250 x 60, that hosts the sliders.
    static std::string TrackItem(const char* name = "BITMAP_SLSENSTRK_XY") {
        return std::string("<BITMAPLIST><BITMAPITEM name='") + name +
               "'><RECT left='20' top='30' right='250' bottom='60'/><SBMN>track.bmp</SBMN>"
               "</BITMAPITEM></BITMAPLIST>";
    }

    platform::HeadlessDisplay m_display{400, 300, kDesktop};
    ProgramFolder m_folder;
    HostWindow m_host;
};

} // namespace

TEST_F(SkinSliderCreatorsTest, VerticalSliderAndMarker) {
    CGUIItemList list;
    Load(list, "<SLIDERLIST>"
               "<VSLIDER name='SLIDER_ID_SENSX' file='v.bmp'><RECT left='300' top='20' "
               "right='16' bottom='100'/></VSLIDER>"
               "<VSLIDER name='SLIDER_ID_SENSY' file=' v.bmp'><RECT right='16' "
               "bottom='100'/></VSLIDER>" // the key is used as written: no picture
               "<VSLIDER name='NO_SUCH_ITEM' file='v.bmp'><RECT right='16' bottom='100'/>"
               "</VSLIDER>"
               "<DMARKER name='SLIDER_ID_SPEED'><RECT left='10' top='200' right='100' "
               "bottom='20'/><SBMN> base.bmp </SBMN><MARK>fill.bmp</MARK></DMARKER>"
               "<DMARKER name='SLIDER_SCROLL'><RECT left='150' top='200' right='100' "
               "bottom='20'/><MARK>fill.bmp</MARK></DMARKER>"
               "</SLIDERLIST>");
    ASSERT_EQ(list.GetCount(), 3);

    auto* slider = ItemAs<CVertSlider>(list, u"SLIDER_ID_SENSX");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->type, GUIITEM_VERTSLIDER);
    EXPECT_EQ(slider->hwnd, slider->m_hWnd);
    EXPECT_EQ(slider->parent, &m_host);
    EXPECT_EQ(slider->GetDlgCtrlID(), FindSkinItemId(u"SLIDER_ID_SENSX"));
    EXPECT_EQ(*slider->rect, (RECT{300, 20, 316, 120}));
    EXPECT_EQ(slider->GetTrackRect(), (RECT{300, 20, 316, 120}));
    EXPECT_EQ(slider->GetThumbWidth(), 16);
    EXPECT_EQ(slider->GetThumbHeight(), 12);
    EXPECT_EQ(ItemAs<CVertSlider>(list, u"SLIDER_ID_SENSY"), nullptr);

    auto* marker = ItemAs<CDMarker>(list, u"SLIDER_ID_SPEED");
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->type, GUIITEM_DMARKER);
    EXPECT_EQ(marker->hwnd, marker->m_hWnd);
    EXPECT_EQ(marker->parent, &m_host);
    EXPECT_EQ(marker->GetDlgCtrlID(), FindSkinItemId(u"SLIDER_ID_SPEED"));
    EXPECT_EQ(WindowRectIn(*marker, m_host), (RECT{10, 200, 110, 220}));
    EXPECT_EQ(m_display.ScreenPixel(50, 210), FromRgb(kBase));
    marker->value = 10;
    marker->Invalidate();
    platform::PumpUntilIdle();
    EXPECT_EQ(m_display.ScreenPixel(50, 210), FromRgb(kFill));
    m_display.Click(10 + 75, 210); // three quarters: 7
    ASSERT_EQ(m_host.Of(WM_MARKER_POSCHANGED).size(), 1u);
    EXPECT_EQ(m_host.Of(WM_MARKER_POSCHANGED)[0].wParam, 7u);

    // A MARK without an SBMN gives the marker neither picture.
    auto* bare = ItemAs<CDMarker>(list, u"SLIDER_SCROLL");
    ASSERT_NE(bare, nullptr);
    bare->value = 10;
    bare->Invalidate();
    platform::PumpUntilIdle();
    EXPECT_NE(m_display.ScreenPixel(200, 210), FromRgb(kFill));
}

TEST_F(SkinSliderCreatorsTest, MultiThumbSliderOnItsTrack) {
    CGUIItemList list;
    Load(list, TrackItem() +
                   "<SLIDERLIST><HSLIDERM name='SLIDER_DPI_MULTI' trackid='BITMAP_SLSENSTRK_XY' "
                   "offset='7'><RECT left='10' top='20' right='200' bottom='20'/>"
                   "<SBMN>thumb.bmp</SBMN><SBMO>thumbo.bmp</SBMO>" +
                   Stages(7, " tooltip='Stage'") + "</HSLIDERM></SLIDERLIST>");
    auto* track = ItemAs<CBitmapItem>(list, u"BITMAP_SLSENSTRK_XY");
    auto* slider = ItemAs<CSliderHMulti>(list, u"SLIDER_DPI_MULTI");
    ASSERT_NE(track, nullptr);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->type, GUIITEM_SLIDERHMULTI);
    EXPECT_EQ(slider->hwnd, slider->m_hWnd);
    EXPECT_EQ(slider->parent, track);
    EXPECT_EQ(slider->GetParent(), track);
    EXPECT_EQ(slider->GetHost(), track);
    EXPECT_EQ(slider->GetDlgCtrlID(), FindSkinItemId(u"SLIDER_DPI_MULTI"));
    EXPECT_EQ(WindowRectIn(*slider, *track), (RECT{10, 20, 210, 40}));
    EXPECT_EQ(slider->GetThumbWidth(), 10);
    EXPECT_EQ(slider->GetThumbHeight(), 20);

    // Seven stages give five thumbs, from the first five, at positions 3 to 7.
    ASSERT_EQ(slider->GetThumbCount(), 5);
    for (int i = 0; i < 5; ++i) {
        CPHSlider* thumb = slider->GetThumb(i);
        const std::u16string name =
            u"SLIDER_DPI_MULTI_STAGE" + std::u16string(1, static_cast<char16_t>(u'1' + i));
        EXPECT_EQ(thumb->id, FindSkinItemId(name.c_str())) << i;
        EXPECT_EQ(thumb->GetDlgCtrlID(), thumb->id);
        EXPECT_EQ(thumb->type, GUIITEM_PHSLIDER);
        EXPECT_EQ(thumb->hwnd, thumb->m_hWnd);
        EXPECT_EQ(thumb->parent, slider);
        EXPECT_EQ(thumb->GetPos(), i + 3);
        EXPECT_EQ(thumb->leftOffset, 7);
        EXPECT_EQ(thumb->track, (RECT{0, 0, 200, 20}));
        EXPECT_EQ(thumb->GetToolTip().GetToolCount(), 1);
    }
    EXPECT_EQ(FindGUIItemById(list, slider->GetThumb(0)->id), nullptr); // not in the list
    CString tip;
    slider->GetThumb(0)->GetToolTip().GetText(tip, slider->GetThumb(0), 1);
    EXPECT_EQ(tip, CString(u"Stage"));
    EXPECT_TRUE(slider->IsInteractive());

    // The track is the track item's picture under the slider; the thumbs are shaped and drawn
    // with the normal picture, the hover one while the mouse is over them.
    const POINT origin{20 + 10, 30 + 20}; // the slider's client origin on the screen
    EXPECT_EQ(m_display.ScreenPixel(origin.x + 150, origin.y + 5), TrackColour(160, 25));
    RECT thumb{};
    slider->GetThumb(4)->GetWindowRect(&thumb);
    EXPECT_EQ(m_display.ScreenPixel(thumb.left + 5, thumb.top + 10), FromRgb(kThumb));
    EXPECT_NE(m_display.ScreenPixel(thumb.left, thumb.top), RGB(255, 255, 255));
    m_display.MoveMouse(thumb.left + 5, thumb.top + 10);
    EXPECT_EQ(m_display.ScreenPixel(thumb.left + 5, thumb.top + 10), FromRgb(kThumbOver));
}

TEST_F(SkinSliderCreatorsTest, MultiThumbSliderSettingsAndFailures) {
    CLangTable table;
    const WCHAR none[] = u"0";
    const WCHAR other[] = u"Other tip";
    CLangTable::AddOverride(&table, FindSkinItemId(u"SLIDER_DPI_MULTI_X"), none, sizeof(none),
                            u"tooltip");
    CLangTable::AddOverride(&table, FindSkinItemId(u"SLIDER_DPI_MULTI_Y"), other, sizeof(other),
                            u"tooltip");
    CurrentLangTable = &table;
    CGUIItemList list;
    Load(list, TrackItem() +
                   "<TEXTLIST><TEXTITEM name='TEXT_LOGO'><RECT right='5' bottom='5'/>"
                   "</TEXTITEM></TEXTLIST><SLIDERLIST>"
                   // Not interactive, offsets only in pairs, a stage of no known name; no
                   // SBMN, so the SBMO gives no hover picture either.
                   "<HSLIDERM name='SLIDER_DPI_MULTI' trackid='BITMAP_SLSENSTRK_XY' "
                   "interactive='0' loffset='4'><RECT right='100' bottom='20'/>"
                   "<SBMO>thumbo.bmp</SBMO><STAGES><STAGE>NOT_AN_ITEM</STAGE></STAGES>"
                   "</HSLIDERM>"
                   "<HSLIDERM name='SLIDER_DPI_MULTI_X' trackid='BITMAP_SLSENSTRK_XY' "
                   "loffset='4' roffset='6'><RECT top='25' right='100' bottom='20'/>"
                   "<SBMN>thumb.bmp</SBMN>" +
                   Stages(2, " tooltip='Mine'") +
                   "</HSLIDERM>"
                   "<HSLIDERM name='SLIDER_DPI_MULTI_Y' trackid='BITMAP_SLSENSTRK_XY'>"
                   "<RECT top='40' right='100' bottom='20'/><SBMN>thumb.bmp</SBMN>"
                   "<STAGES><STAGE tooltip='Mine'>SLIDER_DPI_MULTI_STAGE1</STAGE>"
                   "<STAGE>SLIDER_DPI_MULTI_STAGE2</STAGE></STAGES></HSLIDERM>"
                   // Each of these makes nothing.
                   "<HSLIDERM name='SLIDER_DPI_MULTI_POPUP' trackid='NO_SUCH_ITEM'><RECT right='9' "
                   "bottom='9'/>" +
                   Stages(1) +
                   "</HSLIDERM>"
                   "<HSLIDERM name='SLIDER_DPI_MULTI_X_POPUP' trackid='TEXT_LOGO'><RECT right='9' "
                   "bottom='9'/>" +
                   Stages(1) +
                   "</HSLIDERM>"
                   "<HSLIDERM name='SLIDER_DPI_MULTI_Y_POPUP' trackid='BITMAP_SLSENSTRK_XY'>"
                   "<RECT right='9' bottom='9'/><STAGES/></HSLIDERM>"
                   "<HSLIDERM name='SLIDER_DPI_MULTI_STAGE1_POPUP' trackid='BITMAP_SLSENSTRK_XY'>"
                   "<RECT right='9' bottom='9'/><STAGE>SLIDER_DPI_MULTI_STAGE1</STAGE></HSLIDERM>"
                   "</SLIDERLIST>");
    // TEXTLIST is read after SLIDERLIST: a trackid naming a label finds nothing either way.
    EXPECT_EQ(list.GetCount(), 5);

    auto* plain = ItemAs<CSliderHMulti>(list, u"SLIDER_DPI_MULTI");
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->IsInteractive());
    ASSERT_EQ(plain->GetThumbCount(), 1);
    EXPECT_EQ(plain->GetThumb(0)->id, -1);
    EXPECT_EQ(plain->GetThumb(0)->enabled, 0);
    EXPECT_EQ(plain->GetThumb(0)->leftOffset, 0); // loffset without roffset
    EXPECT_EQ(plain->GetThumb(0)->thumbWidth, 0); // no SBMN: no pictures at all
    EXPECT_EQ(plain->GetThumbWidth(), 0);
    EXPECT_EQ(plain->GetThumb(0)->GetToolTip().GetToolCount(), 0);

    auto* silenced = ItemAs<CSliderHMulti>(list, u"SLIDER_DPI_MULTI_X");
    ASSERT_NE(silenced, nullptr);
    EXPECT_EQ(silenced->GetThumb(1)->leftOffset, 4);
    EXPECT_EQ(silenced->GetThumb(1)->rightOffset, 6);
    for (int i = 0; i < 2; ++i) { // the language's "0": no tooltips
        EXPECT_EQ(silenced->GetThumb(i)->GetToolTip().GetToolCount(), 0) << i;
    }
    auto* renamed = ItemAs<CSliderHMulti>(list, u"SLIDER_DPI_MULTI_Y");
    ASSERT_NE(renamed, nullptr);
    CString tip;
    renamed->GetThumb(0)->GetToolTip().GetText(tip, renamed->GetThumb(0), 1);
    EXPECT_EQ(tip, CString(u"Other tip"));
    // Only a stage that carries a tooltip gets one, whatever the language says.
    EXPECT_EQ(renamed->GetThumb(1)->GetToolTip().GetToolCount(), 0);
}

TEST_F(SkinSliderCreatorsTest, StageColourSliderWithTickers) {
    std::vector<std::u16string> trace;
    platform::SetDebugOutputHook([&](const WCHAR* text) { trace.emplace_back(text); });
    CGUIItemList list;
    Load(list, TrackItem("BITMAP_APM_SLIDER") +
                   "<SLIDERLIST><HSLIDERMAPM name='SLIDER_APM_MULTI' "
                   "trackid='BITMAP_APM_SLIDER'><RECT left='10' top='20' right='200' "
                   "bottom='20'/><SBMN>thumb.bmp</SBMN><SBMO>thumbo.bmp</SBMO><STAGES>"
                   "<STAGE>SLIDER_APM_MULTI_STAGE1</STAGE><STAGE>SLIDER_APM_MULTI_STAGE2</STAGE>"
                   "</STAGES></HSLIDERMAPM>"
                   "<HSLIDERMAPM name='SLIDER_DPI_MULTI' trackid='BITMAP_APM_SLIDER'>"
                   "<RECT top='45' right='50' bottom='10'/></HSLIDERMAPM>"
                   "<HSLIDERMAPM name='SLIDER_DPI_MULTI_X' trackid='NO_SUCH_ITEM'>"
                   "<RECT right='50' bottom='10'/></HSLIDERMAPM>"
                   "</SLIDERLIST>");
    platform::SetDebugOutputHook({});
    EXPECT_EQ(list.GetCount(), 3);
    auto* track = ItemAs<CBitmapItem>(list, u"BITMAP_APM_SLIDER");
    auto* slider = ItemAs<CAPMSlider>(list, u"SLIDER_APM_MULTI");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->type, GUIITEM_APMSLIDER);
    EXPECT_EQ(slider->hwnd, slider->m_hWnd);
    EXPECT_EQ(slider->parent, track);
    EXPECT_EQ(slider->GetParent(), track);
    EXPECT_EQ(slider->GetDlgCtrlID(), FindSkinItemId(u"SLIDER_APM_MULTI"));
    EXPECT_EQ(WindowRectIn(*slider, *track), (RECT{10, 20, 210, 40}));
    // Two tickers placed and coloured by default: step 31 / 3 = 10, grey step 4 * 255 / 31.
    ASSERT_EQ(slider->GetTickerCount(), 2);
    EXPECT_EQ(slider->GetTicker(0)->id, FindSkinItemId(u"SLIDER_APM_MULTI_STAGE1"));
    EXPECT_EQ(slider->GetTicker(1)->id, FindSkinItemId(u"SLIDER_APM_MULTI_STAGE2"));
    EXPECT_EQ(slider->GetTicker(0)->GetPos(), 11);
    EXPECT_EQ(slider->GetTicker(1)->GetPos(), 21);
    EXPECT_EQ(slider->GetTicker(0)->capMax, 21);
    EXPECT_EQ(slider->GetStageColors(),
              (std::vector<COLORREF>{RGB(0, 0, 0), RGB(32, 32, 32), RGB(64, 64, 64)}));
    EXPECT_EQ(slider->GetTicker(0)->thumbWidth, 10);
    // It was painted, and said so.
    EXPECT_NE(std::find(trace.begin(), trace.end(), u"CAPMSlider::OnPaint Pos(1): 0x21\n"),
              trace.end());

    auto* bare = ItemAs<CAPMSlider>(list, u"SLIDER_DPI_MULTI");
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->GetTickerCount(), 0);
    bare->SetOwner(&m_host); // as the page does
    m_display.Click(20 + 25, 30 + 50);
    ASSERT_EQ(m_host.Of(WM_APMSLIDER_CLICK).size(), 1u);
    EXPECT_EQ(m_host.Of(WM_APMSLIDER_CLICK)[0].wParam, 0u);
}

TEST_F(SkinSliderCreatorsTest, StageTilesTakeTheirPositionRecordsAndFont) {
    CLangTable table;
    const RECT moved{1, 2, 3, 4};
    CLangTable::AddOverride(&table, FindSkinItemId(u"DPISTAGEWINDOW_01"), &moved, sizeof(moved),
                            u"RECT");
    CurrentLangTable = &table;
    m_folder.Write("skins/frame.bmp", MakeBmp(60, 40, [](int, int) { return kBase; }));
    CGUIItemList list;
    Load(list, "<FONTLIST><FONT name='FONT_ARIAL12' typeface='' pitch='12'/></FONTLIST>"
               "<DPISTAGELIST>"
               "<DPISTAGEWINDOW name='DPISTAGEWINDOW_01' fontid='FONT_ARIAL12'>"
               "<RECT left='100' top='50' right='60' bottom='40'/>"
               "<BITMAP name='DPIFRAME'><BMP> frame.bmp </BMP><RECT left='10' top='5' "
               "right='20' bottom='8'/></BITMAP>"
               "<TEXTAREA name='HEADING' textkey='Stage 1'><RECT left='2' top='3' right='40' "
               "bottom='10'/></TEXTAREA>"
               "<TEXTAREA textkey='ignored'><RECT right='1' bottom='1'/></TEXTAREA>"
               "</DPISTAGEWINDOW>"
               "<DPISTAGEWINDOW name='DPISTAGEWINDOW_02' fontid='NOT_A_FONT'>"
               "<RECT left='200' top='50' right='60' bottom='40'/></DPISTAGEWINDOW>"
               "<DPISTAGEWINDOW name='NOT_AN_ITEM'><RECT right='60' bottom='40'/>"
               "</DPISTAGEWINDOW>"
               "</DPISTAGELIST>");
    EXPECT_EQ(list.GetCount(), 3);
    auto* font = ItemAs<CFontItem>(list, u"FONT_ARIAL12");
    auto* first = ItemAs<CDPIStageWindow>(list, u"DPISTAGEWINDOW_01");
    auto* second = ItemAs<CDPIStageWindow>(list, u"DPISTAGEWINDOW_02");
    ASSERT_NE(font, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->GetStageIndex(), 1);
    EXPECT_EQ(second->GetStageIndex(), 2);
    EXPECT_EQ(first->type, GUIITEM_DPISTAGEWINDOW);
    EXPECT_EQ(first->hwnd, first->m_hWnd);
    EXPECT_EQ(first->parent, &m_host);
    EXPECT_EQ(first->GetDlgCtrlID(), -1); // the id field was filled in after the window
    // No language override for the tile's rectangle.
    EXPECT_EQ(WindowRectIn(*first, m_host), (RECT{100, 50, 160, 90}));
    EXPECT_EQ(*first->rect, (RECT{100, 50, 160, 90}));
    // Records: (left, top) and width and height relative to the tile.
    EXPECT_EQ(first->GetFrameRect(), (RECT{10, 5, 30, 13}));
    EXPECT_EQ(first->GetAreaText(CDPIStageWindow::AREA_HEADING), CString(u"Stage 1"));
    EXPECT_EQ(first->GetAreaRect(CDPIStageWindow::AREA_HEADING), (RECT{2, 3, 42, 13}));
    EXPECT_EQ(first->font, static_cast<HFONT>(*font));
    EXPECT_EQ(second->font, nullptr);

    // The tile tells the panel which stage was clicked, under its item id.
    first->ready = 1;
    m_display.Click(120, 60);
    const auto clicked = m_host.Of(WM_DPISTAGE_CLICKED);
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0].wParam, 1u);
    EXPECT_EQ(clicked[0].lParam, FindSkinItemId(u"DPISTAGEWINDOW_01"));
}

TEST_F(SkinSliderCreatorsTest, EverythingGoesWithTheList) {
    const std::string skin =
        TrackItem() +
        "<SLIDERLIST><VSLIDER name='SLIDER_ID_SENSX' file='v.bmp'><RECT right='16' "
        "bottom='100'/></VSLIDER>"
        "<HSLIDERM name='SLIDER_DPI_MULTI' trackid='BITMAP_SLSENSTRK_XY'><RECT right='200' "
        "bottom='20'/><SBMN>thumb.bmp</SBMN><SBMO>thumbo.bmp</SBMO>" +
        Stages(3, " tooltip='t'") +
        "</HSLIDERM><HSLIDERMAPM name='SLIDER_APM_MULTI' trackid='BITMAP_SLSENSTRK_XY'>"
        "<RECT top='30' right='200' bottom='20'/><SBMN>thumb.bmp</SBMN><SBMO>thumbo.bmp</SBMO>" +
        Stages(2) +
        "</HSLIDERMAPM><DMARKER name='SLIDER_ID_SPEED'><RECT top='200' right='100' "
        "bottom='20'/><SBMN>base.bmp</SBMN><MARK>fill.bmp</MARK></DMARKER></SLIDERLIST>"
        "<DPISTAGELIST><DPISTAGEWINDOW name='DPISTAGEWINDOW_01'><RECT left='300' right='60' "
        "bottom='40'/><BITMAP name='DPIWIN'><BMP>base.bmp</BMP><BMPMASK>fill.bmp</BMPMASK>"
        "<RECT right='20' bottom='10'/></BITMAP></DPISTAGEWINDOW></DPISTAGELIST>";
    const auto loadAndDrop = [&] {
        CGUIItemList list;
        Load(list, skin);
        EXPECT_EQ(list.GetCount(), 6);
    };
    loadAndDrop(); // objects made once for the process are made now
    platform::PumpUntilIdle();
    SkinResourceCache::Clear();
    const size_t before = gdi::LiveObjectCount();
    loadAndDrop();
    platform::PumpUntilIdle();
    SkinResourceCache::Clear();
    EXPECT_EQ(gdi::LiveObjectCount(), before);
}
