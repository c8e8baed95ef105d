#include "gui/TextItem.h"
#include "ButtonTestSupport.h"
#include "SkinTestSupport.h"
#include "gui/BitmapBtn.h"
#include "gui/FontItem.h"
#include "gui/LangTable.h"
#include "platform/framework/CPaintDC.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <memory>

using buttontest::CountOtherPixels;
using buttontest::CountPixels;
using buttontest::HostWindow;
using buttontest::MakeSolidBitmap;

namespace {

using skintest::Utf16Le;

constexpr COLORREF kPanel = RGB(0, 0, 80);
constexpr COLORREF kNearWhite = RGB(0xFE, 0xFE, 0xFE);

// A host that paints its whole client area in the panel colour, as a skinned panel paints
// its background bitmap.
class PanelHost : public HostWindow {
public:
    void OnPaint() override {
        CPaintDC dc(this);
        RECT client{};
        GetClientRect(&client);
        dc.FillSolidRect(&client, kPanel);
    }
};

class TextItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.CreateAt(300, 120));
        const auto bytes = Utf16Le(u"T\r\n1\r\nTitle\r\nMixed Case\\nNext\\nLast\r\n");
        ASSERT_TRUE(CLangTable::Parse(bytes.size(), bytes.data(), &m_table));
        CurrentLangTable = &m_table;
    }
    void TearDown() override {
        CurrentLangTable = m_savedTable;
        m_host.DestroyWindow();
        platform::PumpUntilIdle();
    }

    // A text item at (x, y, width, height) of the host, as the skin element creator makes it.
    std::unique_ptr<CTextItem> MakeItem(const WCHAR* text, RECT area, bool interactive,
                                        UINT format = 0) {
        auto item = std::make_unique<CTextItem>(text, 0);
        item->SetRect(area.left, area.top, area.right - area.left, area.bottom - area.top);
        const DWORD style = WS_CHILD | WS_VISIBLE | SS_OWNERDRAW | (interactive ? SS_NOTIFY : 0);
        EXPECT_TRUE(item->Create(u"", style, area, &m_host));
        item->textFormat = format;
        platform::PumpUntilIdle();
        return item;
    }

    platform::HeadlessDisplay m_display{400, 200, RGB(0, 0, 0)};
    PanelHost m_host;
    CLangTable m_table;
    CLangTable* m_savedTable = CurrentLangTable;
};

} // namespace

TEST_F(TextItemTest, TextIsTranslatedOnlyForKnownKeysAndBreaksOnce) {
    CTextItem known(u"$Title", 1);
    EXPECT_EQ(known.type, GUIITEM_TEXTITEM);
    EXPECT_EQ(known.GetText(), CString(u"MIXED CASE\r\nNEXT\\NLAST"));
    CTextItem lower(u"$Title", 2);
    EXPECT_EQ(lower.GetText(), CString(u"mixed case\r\nnext\\nlast"));
    CTextItem unknown(u"$Nothing Known", 1);
    EXPECT_EQ(unknown.GetText(), CString(u"$Nothing Known")); // as typed, case too
    CTextItem plain(u"one\\ntwo\\nthree", 2);
    EXPECT_EQ(plain.GetText(), CString(u"one\r\ntwo\\nthree"));
    CTextItem none(nullptr, 0);
    EXPECT_TRUE(none.GetText().IsEmpty());

    // SetText translates but never changes the case.
    known.SetText(u"$Title");
    EXPECT_EQ(known.GetText(), CString(u"Mixed Case\r\nNext\\nLast"));
}

TEST_F(TextItemTest, PlainLeftTextStartsFiveRightTwoDownAndMultilineWraps) {
    auto single = MakeItem(u"HHHH HHHH HHHH", RECT{20, 10, 80, 60}, false);
    // Nothing left of x = 25 or above y = 12; the transparent text leaves the panel around.
    EXPECT_EQ(CountOtherPixels(m_display, RECT{20, 10, 25, 60}, kPanel), 0);
    EXPECT_EQ(CountOtherPixels(m_display, RECT{20, 10, 80, 12}, kPanel), 0);
    EXPECT_GT(CountPixels(m_display, RECT{25, 12, 80, 30}, kNearWhite), 10);
    // One line only: nothing in the lower part of the item.
    EXPECT_EQ(CountOtherPixels(m_display, RECT{20, 32, 80, 60}, kPanel), 0);
    single.reset();

    auto wrapped = MakeItem(u"HHHH HHHH HHHH", RECT{120, 10, 180, 60}, false, DT_WORDBREAK);
    m_host.Invalidate();
    platform::PumpUntilIdle();
    EXPECT_GT(CountPixels(m_display, RECT{120, 10, 180, 26}, kNearWhite), 10);
    EXPECT_GT(CountPixels(m_display, RECT{120, 26, 180, 60}, kNearWhite), 10); // wrapped
    EXPECT_EQ(CountOtherPixels(m_display, RECT{180, 10, 260, 60}, kPanel), 0); // inside its width

    // A right-justified single line ends at the item's right edge.
    auto right = MakeItem(u"HH", RECT{200, 70, 280, 100}, false, DT_RIGHT | 0x24);
    EXPECT_GT(CountPixels(m_display, RECT{260, 70, 280, 100}, kNearWhite), 5);
    EXPECT_EQ(CountOtherPixels(m_display, RECT{200, 70, 240, 100}, kPanel), 0);
}

TEST_F(TextItemTest, ColoursHoverAndSetTextRepaintThePanelBeneath) {
    auto item = MakeItem(u"HHHH", RECT{20, 10, 120, 40}, true);
    item->hoverColor = 0;
    EXPECT_EQ(item->CurrentTextColor(), kNearWhite);
    m_display.MoveMouse(40, 20);
    EXPECT_TRUE(item->hover);
    EXPECT_EQ(item->CurrentTextColor(), kNearWhite); // hover colour 0 keeps the text colour
    // A window that takes the capture from the hovered label keeps it.
    m_host.SetCapture();
    EXPECT_EQ(::GetCapture(), m_host.m_hWnd);
    ::ReleaseCapture();
    m_display.MoveMouse(41, 20);

    item->textColor = RGB(255, 255, 0);
    item->hoverColor = RGB(0, 255, 0);
    item->RedrawParentArea();
    EXPECT_GT(CountPixels(m_display, RECT{20, 10, 120, 40}, RGB(0, 255, 0)), 10);
    m_display.MoveMouse(250, 100);
    EXPECT_FALSE(item->hover);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_GT(CountPixels(m_display, RECT{20, 10, 120, 40}, RGB(255, 255, 0)), 10);
    EXPECT_EQ(CountPixels(m_display, RECT{20, 10, 120, 40}, RGB(0, 255, 0)), 0);

    // A shorter text: the panel shows again where the old text was.
    item->SetText(u"H");
    EXPECT_EQ(CountPixels(m_display, RECT{45, 10, 120, 40}, RGB(255, 255, 0)), 0);
    EXPECT_GT(CountPixels(m_display, RECT{20, 10, 45, 40}, RGB(255, 255, 0)), 3);
}

TEST_F(TextItemTest, LabelOfACheckBoxTogglesItAndNotifiesWithTheBoxWindow) {
    HBITMAP face = MakeSolidBitmap(20, 20, RGB(100, 0, 0));
    CBitmapBtn box;
    ASSERT_TRUE(
        box.Create(u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{0, 60, 20, 80}, &m_host, 0));
    box.LoadBitmaps(face, face, face, face, 0, 0, 20, 20);
    box.checkBoxMode = 1;
    auto label = MakeItem(u"Check me", RECT{30, 60, 130, 80}, true);
    label->checkBox = &box;

    auto boxClicks = [&] {
        int n = 0;
        for (const auto& r : m_host.Of(WM_COMMAND)) {
            n += r.lParam == reinterpret_cast<LPARAM>(box.m_hWnd) ? 1 : 0;
        }
        return n;
    };
    m_display.Click(50, 70);
    EXPECT_EQ(box.checked, 1);
    EXPECT_EQ(boxClicks(), 1);

    box.toggleOnClick = 0;
    m_display.MoveMouse(250, 100);
    m_display.Click(50, 70);
    EXPECT_EQ(box.checked, 1); // the owner decides
    EXPECT_EQ(boxClicks(), 2);

    // A label without a box does nothing on release; a non-interactive label lets the mouse
    // through to the panel.
    label->checkBox = nullptr;
    m_display.MoveMouse(250, 100);
    m_display.Click(50, 70);
    EXPECT_EQ(boxClicks(), 2);
    auto still = MakeItem(u"Still", RECT{150, 60, 250, 80}, false);
    m_display.MoveMouse(170, 70);
    EXPECT_EQ(still->hover, 0);
    EXPECT_NE(::GetCapture(), still->m_hWnd);
    DeleteObject(face);
}

TEST_F(TextItemTest, SkinFontIsUsedAndOutlivesTheItem) {
    const size_t before = gdi::LiveObjectCount();
    {
        auto item = MakeItem(u"HHHH", RECT{20, 10, 200, 60}, false);
        const int fallback = CountPixels(m_display, RECT{20, 10, 200, 60}, kNearWhite);
        auto font = std::make_unique<CFontItem>();
        ASSERT_TRUE(font->CreateFont(30, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0x20, u"Arial"));
        item->SetFontItem(font.get());
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(item->SendMessage(WM_GETFONT)), font->GetSafeHandle());
        item->RedrawParentArea();
        EXPECT_GT(CountPixels(m_display, RECT{20, 10, 200, 60}, kNearWhite), fallback);
        const HGDIOBJ handle = font->GetSafeHandle();
        item.reset();
        EXPECT_EQ(font->GetSafeHandle(), handle); // shared: its item frees it
    }
    platform::PumpUntilIdle();
    EXPECT_EQ(gdi::LiveObjectCount(), before);
}
