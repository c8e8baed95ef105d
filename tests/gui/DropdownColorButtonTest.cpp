#include "gui/DropdownColorButton.h"
#include "WidgetTestSupport.h"
#include "gui/FODropColorPaletteControl.h"
#include "gui/FODropColorPaletteWnd.h"
#include "gui/LangTable.h"
#include "gui/WidgetMessages.h"
#include "platform/framework/CColorDialog.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Clock.h"
#include "platform/ui/CommDlg.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

namespace {

using Control = CFODropColorPaletteControl;
constexpr COLORREF kBorder = RGB(0, 0, 200);
constexpr COLORREF kRed = RGB(255, 0, 0); // row 3, column 2: cell 17
constexpr COLORREF kOdd = RGB(1, 99, 7);  // none of the 48
constexpr COLORREF kPaletteGreen = RGB(0, 128, 0);
const RECT kLayout{0, 0, 200, 150};

COLORREF Cell(int k) {
    return Control::kDefaultColors[static_cast<size_t>(k)];
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(ColorPaletteControlTest, LayoutColoursAndKeyboardWalk) {
    Control control;
    control.Init(nullptr, kRed, kLayout);
    EXPECT_TRUE(SameRect(control.cells[1].rect, RECT{28, 4, 52, 23}));
    EXPECT_TRUE(SameRect(control.cells[3 * 8].rect, RECT{4, 62, 28, 82}));
    EXPECT_TRUE(SameRect(control.cells[47].rect, RECT{172, 102, 196, 121}));
    EXPECT_TRUE(SameRect(control.customCellRect, RECT{4, 121, 196, 146}));
    EXPECT_EQ(control.cells[23].color, RGB(255, 105, 180));
    EXPECT_EQ(control.cells[40].color, RGB(0, 0, 0));
    EXPECT_EQ(control.CurrentCellIndex(), 17);
    EXPECT_EQ(control.customText, u"$Custom"); // no language table: the key itself

    // Right from the last cell goes to the first; left from the first stays; up and down
    // wrap within the column.
    control.currentColor = Cell(47);
    control.OnKeyDown(VK_RIGHT);
    EXPECT_EQ(control.currentColor, Cell(0));
    control.OnKeyDown(VK_LEFT);
    EXPECT_EQ(control.currentColor, Cell(0));
    control.OnKeyDown(VK_UP);
    EXPECT_EQ(control.currentColor, Cell(40));
    control.OnKeyDown(VK_DOWN);
    EXPECT_EQ(control.currentColor, Cell(0));
    control.currentColor = Cell(8);
    control.OnKeyDown(VK_LEFT); // column 1 goes to column 8 of the row above
    EXPECT_EQ(control.currentColor, Cell(7));
    // From a colour that is none of the cells the walk starts at the first cell.
    control.currentColor = kOdd;
    control.OnKeyDown(VK_RIGHT);
    EXPECT_EQ(control.currentColor, Cell(1));
    control.OnKeyDown('A');
    EXPECT_EQ(control.currentColor, Cell(1));
}

TEST(ColorPaletteControlTest, CustomTextIsTranslatedWithItsFirstLineBreak) {
    const std::u16string text = u"T\r\n1\r\nCustom\r\nMore\\ncolours\\nhere\r\n";
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    CLangTable table;
    ASSERT_TRUE(CLangTable::Parse(bytes.size(), bytes.data(), &table));
    CLangTable* saved = CurrentLangTable;
    CurrentLangTable = &table;
    Control control;
    control.Init(nullptr, kRed, kLayout);
    EXPECT_EQ(control.customText, u"More\r\ncolours\\nhere");
    CurrentLangTable = saved;
}

TEST(ColorPaletteControlTest, PopupDropsBelowOrAboveAndAlignsRightAtTheWorkAreaEdge) {
    platform::HeadlessDisplay display{400, 300};
    EXPECT_TRUE(
        SameRect(CFOPopupColorPaletteWnd::PlaceBelow(WS_POPUP, RECT{20, 30, 80, 50}, 200, 150),
                 RECT{20, 50, 220, 200}));
    EXPECT_TRUE(
        SameRect(CFOPopupColorPaletteWnd::PlaceBelow(WS_POPUP, RECT{20, 200, 80, 220}, 200, 150),
                 RECT{20, 50, 220, 200}));
    EXPECT_TRUE(
        SameRect(CFOPopupColorPaletteWnd::PlaceBelow(WS_POPUP, RECT{300, 30, 380, 50}, 200, 150),
                 RECT{180, 50, 380, 200}));
}

TEST(ColorDialogTest, AnswersThroughTheChooserAndCancelsWithoutOne) {
    {
        CColorDialog dialog(kRed, CC_FULLOPEN);
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(dialog.GetColor(), kRed);
    }
    CHOOSECOLORW seen{};
    platform::SetColorChooser([&](CHOOSECOLORW& request) {
        seen = request;
        request.rgbResult = kOdd;
        return TRUE;
    });
    CColorDialog dialog(kRed, CC_FULLOPEN | CC_ANYCOLOR);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetColor(), kOdd);
    EXPECT_EQ(seen.rgbResult, kRed);
    EXPECT_EQ(seen.Flags & 0x102u, 0x102u);
    platform::SetColorChooser(nullptr);
}

// The owner covers the screen from its top left corner; the button lies at (20, 30) - (80, 50)
// and its palette at (20, 50) - (220, 200).
class DropdownColorButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_owner.CreateAt(400, 300));
        ASSERT_TRUE(m_button.Create(RECT{20, 30, 80, 50}, &m_owner, 55, 0));
        m_button.borderColor = kBorder;
        m_button.SetColor(kRed);
        platform::PumpUntilIdle();
        // Stock objects come to life at their first use and stay.
        GetStockObject(DEFAULT_GUI_FONT);
        GetStockObject(NULL_PEN);
        m_liveBefore = gdi::LiveObjectCount();
    }
    void TearDown() override {
        platform::SetColorChooser(nullptr);
        m_button.popup.reset();
        platform::PumpUntilIdle();
        EXPECT_EQ(gdi::LiveObjectCount(), m_liveBefore);
        m_button.DestroyWindow();
        m_owner.DestroyWindow();
    }
    void Open() {
        m_display.Click(30, 40);
        ASSERT_TRUE(m_button.popupOpen);
        ASSERT_NE(m_button.popup, nullptr);
        m_owner.received.clear();
    }
    POINT CellPoint(int k) const {
        const RECT& r = m_button.popup->control->cells[static_cast<size_t>(k)].rect;
        return POINT{20 + (r.left + r.right) / 2, 50 + (r.top + r.bottom) / 2};
    }
    Control& PaletteControl() { return *m_button.popup->control; }

    platform::ScopedVirtualClock m_clock;
    platform::HeadlessDisplay m_display{400, 300};
    widgettest::RecordingOwner m_owner;
    CDropdownColorButton m_button;
    std::size_t m_liveBefore = 0;
};

TEST_F(DropdownColorButtonTest, PaintsSwatchBorderAndArrow) {
    EXPECT_EQ(m_button.type, GUIITEM_DROPDOWNCOLOR);
    EXPECT_EQ(m_display.ScreenPixel(40, 40), kRed);
    EXPECT_EQ(m_display.ScreenPixel(20, 40), kBorder);
    EXPECT_EQ(m_display.ScreenPixel(79, 40), kBorder);
    // Arrow rows of 9 to 1 pixels from (46, 7) of the button.
    EXPECT_EQ(m_display.ScreenPixel(66, 37), RGB(255, 255, 255));
    EXPECT_EQ(m_display.ScreenPixel(74, 37), RGB(255, 255, 255));
    EXPECT_EQ(m_display.ScreenPixel(70, 41), RGB(255, 255, 255));
    EXPECT_NE(m_display.ScreenPixel(75, 37), RGB(255, 255, 255));
    EXPECT_NE(m_display.ScreenPixel(70, 42), RGB(255, 255, 255));

    m_button.disabledBackgroundColor = RGB(50, 50, 50);
    m_button.disabledBorderColor = RGB(90, 0, 0);
    m_button.disabled = 1;
    m_button.Invalidate();
    platform::PumpUntilIdle();
    EXPECT_EQ(m_display.ScreenPixel(40, 40), RGB(50, 50, 50));
    EXPECT_EQ(m_display.ScreenPixel(20, 40), RGB(90, 0, 0));
    // A disabled button does not open.
    m_display.Click(30, 40);
    EXPECT_FALSE(m_button.popupOpen);
    EXPECT_EQ(m_button.popup, nullptr);
}

TEST_F(DropdownColorButtonTest, PaletteFramesTheCellOrShowsTheOddColourInTheCustomCell) {
    Open();
    RECT window{};
    m_button.popup->GetWindowRect(&window);
    EXPECT_TRUE(SameRect(window, RECT{20, 50, 220, 200}));
    const RECT red = PaletteControl().cells[17].rect; // (28, 43) - (52, 62)
    const int midY = 50 + (red.top + red.bottom) / 2;
    EXPECT_EQ(m_display.ScreenPixel(20 + red.left + 2, midY), RGB(255, 255, 255));
    EXPECT_EQ(m_display.ScreenPixel(20 + red.left + 3, midY), RGB(255, 255, 255));
    EXPECT_EQ(m_display.ScreenPixel(20 + red.left + 5, midY), kRed);
    EXPECT_EQ(m_display.ScreenPixel(20 + red.left - 1, midY), RGB(0, 0, 0));
    EXPECT_EQ(m_display.ScreenPixel(20 + 190, 50 + 133), kPaletteGreen); // no swatch
    EXPECT_EQ(PaletteControl().customHitRect.right, 196);
    EXPECT_EQ(m_display.ScreenPixel(20, 100), RGB(0, 255, 0)); // the palette's border
    m_display.PressKey(VK_ESCAPE);
    EXPECT_FALSE(m_button.popupOpen);

    m_button.SetColor(kOdd);
    Open();
    EXPECT_EQ(m_display.ScreenPixel(20 + 190, 50 + 133), kOdd);
    EXPECT_EQ(PaletteControl().customHitRect.right, 196 - 25);
    const RECT first = PaletteControl().cells[0].rect;
    EXPECT_EQ(m_display.ScreenPixel(20 + first.left + 2, 50 + first.top + 5), Cell(0));
}

TEST_F(DropdownColorButtonTest, ArrowKeysPreviewEveryStepAndEscapeKeepsTheLastPreview) {
    Open();
    m_display.PressKey(VK_RIGHT); // cell 18
    m_display.PressKey(VK_UP);    // cell 10
    EXPECT_TRUE(m_button.popupOpen);
    EXPECT_TRUE(m_button.popup->IsWindowVisible());
    EXPECT_EQ(m_button.GetColor(), Cell(10));
    const auto previews = m_owner.Of(WM_COLORPALETTE_SELECT);
    ASSERT_EQ(previews.size(), 2u);
    EXPECT_EQ(previews[0].first, 100u);
    EXPECT_EQ(previews[0].second, static_cast<LPARAM>(Cell(18)));
    EXPECT_EQ(previews[1].second, static_cast<LPARAM>(Cell(10)));
    const auto changes = m_owner.Of(WM_COLORBUTTON_CHANGED);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1].first, static_cast<WPARAM>(Cell(10)));
    EXPECT_EQ(changes[1].second, 55);

    m_display.PressKey(VK_ESCAPE);
    platform::PumpUntilIdle();
    EXPECT_FALSE(m_button.popupOpen);
    EXPECT_EQ(m_button.popup, nullptr);
    EXPECT_EQ(m_button.GetColor(), Cell(10));
    const auto cancels = m_owner.Of(WM_COLORPALETTE_CANCEL);
    ASSERT_EQ(cancels.size(), 1u);
    EXPECT_EQ(cancels[0].first, static_cast<WPARAM>(Cell(10)));
    EXPECT_EQ(cancels[0].second, 55);
    EXPECT_EQ(m_owner.Of(WM_COLORPALETTE_SELECT).size(), 2u); // no choice after the cancel
}

TEST_F(DropdownColorButtonTest, DragReleasedOutsideStaysOpenAndAClickChooses) {
    Open();
    const POINT c0 = CellPoint(0);
    const POINT c1 = CellPoint(1);
    const POINT c9 = CellPoint(9);
    m_display.MoveMouse(c0.x, c0.y);
    m_display.ButtonDown();
    m_display.MoveMouse(c1.x, c1.y);
    m_display.MoveMouse(c9.x, c9.y);
    m_display.MoveMouse(300, 250); // outside the palette and its custom cell
    m_display.ButtonUp();
    EXPECT_TRUE(m_button.popupOpen);
    EXPECT_TRUE(m_button.popup->IsWindowVisible());
    EXPECT_EQ(PaletteControl().currentColor, Cell(9));
    EXPECT_EQ(m_button.GetColor(), kRed); // a mouse move is no preview
    EXPECT_TRUE(m_owner.Of(WM_COLORPALETTE_SELECT).empty());

    const POINT c2 = CellPoint(2);
    m_display.Click(c2.x, c2.y);
    platform::PumpUntilIdle();
    EXPECT_FALSE(m_button.popupOpen);
    EXPECT_EQ(m_button.GetColor(), Cell(2));
    const auto selects = m_owner.Of(WM_COLORPALETTE_SELECT);
    ASSERT_EQ(selects.size(), 1u); // one choice, however the palette closed
    EXPECT_EQ(selects[0].first, 0u);
    EXPECT_EQ(selects[0].second, static_cast<LPARAM>(Cell(2)));
    ASSERT_EQ(m_owner.Of(WM_COLORBUTTON_CHANGED).size(), 1u);
}

TEST_F(DropdownColorButtonTest, ClickingElsewhereChoosesTheColourThePaletteStandsOn) {
    Open();
    m_display.PressKey(VK_DOWN); // cell 25
    m_owner.received.clear();
    m_display.Click(300, 250); // on the owner
    platform::PumpUntilIdle();
    EXPECT_FALSE(m_button.popupOpen);
    EXPECT_EQ(m_button.GetColor(), Cell(25));
    const auto selects = m_owner.Of(WM_COLORPALETTE_SELECT);
    ASSERT_EQ(selects.size(), 1u);
    EXPECT_EQ(selects[0].first, 0u);
    EXPECT_EQ(selects[0].second, static_cast<LPARAM>(Cell(25)));
}

TEST_F(DropdownColorButtonTest, CustomCellAsksTheColourDialog) {
    CHOOSECOLORW seen{};
    BOOL answer = TRUE;
    platform::SetColorChooser([&](CHOOSECOLORW& request) {
        seen = request;
        request.rgbResult = kOdd;
        return answer;
    });
    Open();
    m_display.PressKey(VK_RIGHT); // stands on cell 18
    m_owner.received.clear();
    m_display.Click(120, 50 + 133); // the custom cell
    platform::PumpUntilIdle();
    EXPECT_EQ(seen.rgbResult, Cell(18));
    EXPECT_EQ(seen.Flags & 0x102u, 0x102u);
    EXPECT_EQ(seen.hwndOwner, m_button.m_hWnd);
    EXPECT_FALSE(m_button.popupOpen);
    EXPECT_EQ(m_button.popup, nullptr);
    EXPECT_EQ(m_button.GetColor(), kOdd);
    auto selects = m_owner.Of(WM_COLORPALETTE_SELECT);
    ASSERT_EQ(selects.size(), 1u);
    EXPECT_EQ(selects[0].second, static_cast<LPARAM>(kOdd));
    EXPECT_TRUE(m_owner.Of(WM_COLORPALETTE_CANCEL).empty());

    // Cancelled (reached by Tab this time): the colour the palette stood on stays.
    answer = FALSE;
    m_button.SetColor(kRed);
    Open();
    m_display.PressKey(VK_LEFT); // cell 16
    m_owner.received.clear();
    m_display.PressKey(VK_TAB);
    platform::PumpUntilIdle();
    EXPECT_FALSE(m_button.popupOpen);
    EXPECT_EQ(m_button.GetColor(), Cell(16));
    EXPECT_EQ(m_owner.Of(WM_COLORPALETTE_CANCEL).size(), 1u);
    EXPECT_TRUE(m_owner.Of(WM_COLORPALETTE_SELECT).empty());
}

TEST_F(DropdownColorButtonTest, ANewClickReplacesAnOpenPalette) {
    Open();
    const HWND first = m_button.popup->m_hWnd;
    m_button.SendMessage(WM_LBUTTONDOWN, 0, MAKELONG(5, 5));
    platform::PumpUntilIdle();
    EXPECT_TRUE(m_button.popupOpen);
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_TRUE(::IsWindow(m_button.popup->m_hWnd));
}

} // namespace
