#include "gui/EditItem.h"
#include "gui/EditItemSingleKeyInput.h"
#include "gui/FontItem.h"
#include "platform/framework/CWnd.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/RawInput.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

constexpr COLORREF kBack = RGB(0, 40, 80);

class Owner : public CWnd {
public:
    void OnContextMenu(CWnd*, CPoint) override { ++contextMenus; }
    int contextMenus = 0;
};

CString TextOf(CWnd& wnd) {
    CString text;
    wnd.GetWindowText(text);
    return text;
}

// The edit sits at (10, 10) in a 200 x 60 owner at the screen's origin; messages go through
// the framework's pre-translation as in the application's loop.
class EditItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_owner.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 60, nullptr,
                                     nullptr));
        platform::PumpUntilIdle();
        m_liveBefore = gdi::LiveObjectCount();
    }
    void TearDown() override {
        platform::PumpUntilIdle();
        EXPECT_EQ(gdi::LiveObjectCount(), m_liveBefore);
        m_owner.DestroyWindow();
    }
    template <class Edit> void CreateEdit(Edit& edit, DWORD style = ES_LEFT) {
        edit.backgroundColor = kBack;
        ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | style, RECT{10, 10, 110, 30}, &m_owner, 5));
        edit.SetFocus();
        platform::PumpUntilIdle();
    }

    platform::HeadlessDisplay m_display{300, 100};
    std::function<bool(MSG&)> m_preTranslate = [](MSG& msg) {
        return WalkPreTranslateTree(nullptr, &msg) != FALSE;
    };
    platform::ScopedLoopFilter m_filter{platform::LoopFilter{nullptr, &m_preTranslate}};
    Owner m_owner;
    std::size_t m_liveBefore = 0;
};

TEST_F(EditItemTest, NumericOnlyRefusesLettersAndKeepsDelete) {
    CEditItem edit;
    CreateEdit(edit);
    EXPECT_EQ(edit.type, GUIITEM_EDITITEM);
    EXPECT_EQ(edit.hwnd, edit.m_hWnd);
    m_display.PressKey('A');
    EXPECT_EQ(TextOf(edit), u"a"); // an ordinary field takes letters
    edit.SetWindowText(u"");
    edit.numericOnly = 1;
    m_display.PressKey('1');
    m_display.PressKey('A');
    m_display.PressKey('2');
    EXPECT_EQ(TextOf(edit), u"12");
    edit.SetSel(0, 1);
    m_display.PressKey(VK_DELETE);
    EXPECT_EQ(TextOf(edit), u"2");
    // The filter: navigation and editing keys and digits pass, everything else is swallowed.
    EXPECT_TRUE(CEditItem::IsNumericKey(0x60));
    EXPECT_TRUE(CEditItem::IsNumericKey(VK_LEFT));
    EXPECT_FALSE(CEditItem::IsNumericKey(VK_TAB));
    EXPECT_FALSE(CEditItem::IsNumericKey(VK_RETURN));
    EXPECT_FALSE(CEditItem::IsNumericKey(0x24)); // Home
    EXPECT_FALSE(CEditItem::IsNumericChar('-'));
    MSG menu{edit.m_hWnd, WM_CONTEXTMENU, 0, 0, 0, {}};
    EXPECT_TRUE(edit.PreTranslateMessage(&menu));
}

TEST_F(EditItemTest, DrawsInTheSkinColoursWithItsFont) {
    CFontItem font;
    ASSERT_TRUE(font.CreateFont(14, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial"));
    {
        CEditItem edit;
        edit.fontItem = &font;
        edit.textColor = RGB(1, 2, 3);
        edit.borderColor = RGB(9, 8, 7);
        CreateEdit(edit);
        EXPECT_EQ(reinterpret_cast<HFONT>(edit.SendMessage(WM_GETFONT)), static_cast<HFONT>(font));
        m_owner.Invalidate();
        platform::PumpUntilIdle();
        EXPECT_EQ(m_display.ScreenPixel(100, 25), kBack);

        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        EXPECT_EQ(edit.CtlColor(&dc, 1 /* edit */), static_cast<HBRUSH>(edit.backgroundBrush));
        EXPECT_EQ(dc.GetTextColor(), RGB(1, 2, 3));
        EXPECT_EQ(dc.GetBkColor(), kBack);
    }
    font.DeleteObject();
}

TEST_F(EditItemTest, RightClicksOpenNoMenu) {
    CEditItem skinned;
    CreateEdit(skinned);
    m_display.Click(20, 20, platform::input::MouseButtonId::Right);
    EXPECT_EQ(m_owner.contextMenus, 0);
    skinned.DestroyWindow();
    // A plain edit field asks its owner for one.
    CEdit plain;
    ASSERT_TRUE(plain.Create(WS_CHILD | WS_VISIBLE, RECT{10, 10, 110, 30}, &m_owner, 6));
    m_display.Click(20, 20, platform::input::MouseButtonId::Right);
    EXPECT_EQ(m_owner.contextMenus, 1);
}

TEST_F(EditItemTest, KeyFieldShowsTheNameOfEachKeyPressed) {
    auto field = std::make_unique<CEditItemSingleKeyInput>();
    CreateEdit(*field, ES_CENTER);
    EXPECT_EQ(field->type, GUIITEM_EDITSINGLEKEY);
    RAWINPUTDEVICE devices[2] = {{1, 6, 0, field->m_hWnd}, {1, 2, 0, field->m_hWnd}};
    ASSERT_TRUE(RegisterRawInputDevices(devices, 2, sizeof(RAWINPUTDEVICE)));

    CString rightShift;
    GetKeyDisplayName(VK_RSHIFT, rightShift, 0x36, false);
    ASSERT_FALSE(rightShift.IsEmpty());
    m_display.PressKey(VK_RSHIFT);
    EXPECT_EQ(TextOf(*field), rightShift);
    EXPECT_EQ(field->currentKey.virtualKey, VK_RSHIFT);

    // A letter: its name replaces the text, the character itself never gets in.
    m_display.KeyDown('A');
    EXPECT_EQ(TextOf(*field), u"A");
    m_display.KeyUp('A');
    EXPECT_EQ(TextOf(*field), u"A");
    // The field is centred: the name's light ink sits in its middle.
    RECT box{};
    ::GetWindowRect(field->m_hWnd, &box);
    const gdi::Bitmap& screen = m_display.Composite();
    int first = -1;
    int last = -1;
    for (int x = static_cast<int>(box.left); x < static_cast<int>(box.right); ++x) {
        for (int y = static_cast<int>(box.top); y < static_cast<int>(box.bottom); ++y) {
            const COLORREF p = screen.GetColor(x, y);
            if (GetRValue(p) + GetGValue(p) + GetBValue(p) > 450) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
    }
    ASSERT_GE(first, 0) << "no name drawn";
    EXPECT_NEAR((first + last) / 2, (box.left + box.right) / 2, 4);

    // Space going down is swallowed as a key message; its name arrives through the raw
    // report the same key makes.
    CString space;
    GetKeyDisplayName(VK_SPACE, space, 0x39, false);
    m_display.KeyDown(VK_SPACE);
    EXPECT_EQ(TextOf(*field), space);
    m_display.KeyUp(VK_SPACE);
    EXPECT_EQ(TextOf(*field), space);
    field->SetWindowText(u"");
    RAWKEYBOARD report;
    report.MakeCode = 0x39;
    report.VKey = VK_SPACE;
    EXPECT_EQ(platform::DeliverRawKeyboard(report), 1);
    platform::PumpUntilIdle();
    EXPECT_EQ(TextOf(*field), space);

    // Pause is no usable key: the text stays.
    report.MakeCode = 0x45;
    report.VKey = 0x13;
    platform::DeliverRawKeyboard(report);
    platform::PumpUntilIdle();
    EXPECT_EQ(TextOf(*field), space);
    // A report that cannot be read changes nothing either.
    field->SendMessage(WM_INPUT, 0, 12345);
    EXPECT_EQ(TextOf(*field), space);

    field.reset(); // drops every registration of the program
    UINT count = 5;
    GetRegisteredRawInputDevices(nullptr, &count, sizeof(RAWINPUTDEVICE));
    EXPECT_EQ(count, 0u);
}

} // namespace
