// The "Edit" control as a user meets it on the headless display: keys and text go through the
// input path and the message loop (TranslateMessage), time through the virtual clock, and
// what the field shows is read off the screen.

#include "UiTestSupport.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using platform::HeadlessDisplay;
using uitest::CreateTestWindow;
using uitest::Recorder;

namespace {

constexpr COLORREF kHighlight = RGB(0, 120, 215);
constexpr RECT kField{20, 20, 140, 44}; // the edit's place on the screen

class EditFieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder::Get().Clear();
        m_parent = CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 300, 100);
        m_font = CreateFontW(16, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
        platform::SetClipboardText(u"");
    }
    void TearDown() override {
        DestroyWindow(m_parent);
        DeleteObject(m_font);
        platform::PumpUntilIdle();
    }
    HWND MakeEdit(DWORD style = 0, const char16_t* text = u"") {
        HWND edit =
            CreateWindowExW(0, u"Edit", text, WS_CHILD | WS_VISIBLE | style, kField.left,
                            kField.top, kField.right - kField.left, kField.bottom - kField.top,
                            m_parent, nullptr, nullptr, nullptr);
        SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), TRUE);
        platform::PumpUntilIdle();
        return edit;
    }
    static std::u16string Text(HWND edit) {
        WCHAR buffer[256]{};
        GetWindowTextW(edit, buffer, 256);
        return buffer;
    }
    static std::pair<int, int> Selection(HWND edit) {
        const auto packed = static_cast<DWORD>(SendMessageW(edit, EM_GETSEL, 0, 0));
        return {LOWORD(packed), HIWORD(packed)};
    }
    void Type(const std::u16string& letters) {
        for (const char16_t c : letters) {
            if (c >= u'a' && c <= u'z') {
                m_display.PressKey(c - u'a' + 'A');
            } else if (c == u' ') {
                m_display.PressKey(VK_SPACE);
            } else {
                m_display.TypeText(std::u16string(1, c));
            }
        }
    }
    void Chord(int modifier, int vk) {
        m_display.KeyDown(modifier);
        m_display.PressKey(vk);
        m_display.KeyUp(modifier);
    }
    // The field's pixels on the screen.
    std::vector<COLORREF> FieldPixels() {
        std::vector<COLORREF> pixels;
        const gdi::Bitmap& screen = m_display.Composite();
        for (LONG y = kField.top; y < kField.bottom; ++y) {
            for (LONG x = kField.left; x < kField.right; ++x) {
                pixels.push_back(screen.GetColor(static_cast<int>(x), static_cast<int>(y)));
            }
        }
        return pixels;
    }
    // The columns of the field (from its left edge) that hold pixels of a colour (or, for
    // black, of dark ink).
    std::vector<int> ColumnsOf(COLORREF colour) {
        auto matches = [colour](COLORREF p) {
            if (colour == RGB(0, 0, 0)) {
                return GetRValue(p) + GetGValue(p) + GetBValue(p) < 300;
            }
            return p == colour;
        };
        const std::vector<COLORREF> pixels = FieldPixels();
        const int width = static_cast<int>(kField.right - kField.left);
        std::vector<int> columns;
        for (int x = 0; x < width; ++x) {
            for (size_t y = 0; y < pixels.size() / static_cast<size_t>(width); ++y) {
                if (matches(pixels[y * static_cast<size_t>(width) + static_cast<size_t>(x)])) {
                    columns.push_back(x);
                    break;
                }
            }
        }
        return columns;
    }
    // The caret's column in the field: what changes when the blink's half period passes.
    std::optional<int> CaretColumn(platform::ScopedVirtualClock& clock) {
        const std::vector<COLORREF> before = FieldPixels();
        clock.Advance(530);
        platform::PumpUntilIdle();
        const std::vector<COLORREF> after = FieldPixels();
        clock.Advance(530);
        platform::PumpUntilIdle();
        const int width = static_cast<int>(kField.right - kField.left);
        for (size_t i = 0; i < before.size(); ++i) {
            if (before[i] != after[i]) {
                return static_cast<int>(i % static_cast<size_t>(width));
            }
        }
        return std::nullopt;
    }

    HeadlessDisplay m_display{300, 100};
    HWND m_parent = nullptr;
    HFONT m_font = nullptr;
};

TEST_F(EditFieldTest, CaretKeysShiftSelectionAndDeletion) {
    HWND edit = MakeEdit();
    SetFocus(edit);
    Type(u"hello big world");
    EXPECT_EQ(Text(edit), u"hello big world");
    EXPECT_EQ(Selection(edit), std::make_pair(15, 15));
    // Shift with Home selects back to the start; Left puts the caret at the selection's start.
    Chord(VK_LSHIFT, VK_HOME);
    EXPECT_EQ(Selection(edit), std::make_pair(0, 15));
    m_display.PressKey(VK_LEFT);
    EXPECT_EQ(Selection(edit), std::make_pair(0, 0));
    // Ctrl+Right jumps by words, Shift+Right widens by characters.
    Chord(VK_LCONTROL, VK_RIGHT);
    EXPECT_EQ(Selection(edit), std::make_pair(6, 6));
    m_display.KeyDown(VK_LSHIFT);
    for (int i = 0; i < 4; ++i) {
        m_display.PressKey(VK_RIGHT);
    }
    m_display.KeyUp(VK_LSHIFT);
    EXPECT_EQ(Selection(edit), std::make_pair(6, 10));
    m_display.PressKey(VK_DELETE); // the selection goes
    EXPECT_EQ(Text(edit), u"hello world");
    // Shift+End from the middle, then Backspace removes the selection only.
    m_display.PressKey(VK_LEFT);
    Chord(VK_LSHIFT, VK_END);
    EXPECT_EQ(Selection(edit), std::make_pair(5, 11));
    m_display.PressKey(VK_BACK);
    EXPECT_EQ(Text(edit), u"hello");
    // Typing replaces a selection; Ctrl+A selects everything and types nothing.
    Chord(VK_LCONTROL, 'A');
    EXPECT_EQ(Text(edit), u"hello");
    EXPECT_EQ(Selection(edit), std::make_pair(0, 5));
    Type(u"x");
    EXPECT_EQ(Text(edit), u"x");
    // Delete at the end and Backspace at the start do nothing.
    m_display.PressKey(VK_DELETE);
    m_display.PressKey(VK_HOME);
    m_display.PressKey(VK_BACK);
    EXPECT_EQ(Text(edit), u"x");
}

TEST_F(EditFieldTest, ClipboardShortcutsAndTheLimitForPastedText) {
    HWND edit = MakeEdit();
    SendMessageW(edit, EM_SETLIMITTEXT, 8, 0);
    SetFocus(edit);
    Type(u"abc def");
    // Ctrl+Shift+Left selects the last word; Ctrl+C copies it, Ctrl+X cuts it.
    m_display.KeyDown(VK_LSHIFT);
    Chord(VK_LCONTROL, VK_LEFT);
    m_display.KeyUp(VK_LSHIFT);
    EXPECT_EQ(Selection(edit), std::make_pair(4, 7));
    Chord(VK_LCONTROL, 'C');
    EXPECT_EQ(platform::GetClipboardText(), std::optional<std::u16string>(u"def"));
    EXPECT_EQ(Text(edit), u"abc def");
    m_display.PressKey(VK_HOME);
    Chord(VK_LSHIFT, VK_RIGHT);
    Chord(VK_LCONTROL, 'X');
    EXPECT_EQ(Text(edit), u"bc def");
    EXPECT_EQ(platform::GetClipboardText(), std::optional<std::u16string>(u"a"));
    // Ctrl+V and Shift+Insert paste at the caret; the limit of eight cuts what does not fit,
    // and a pasted line ends at its line break.
    m_display.PressKey(VK_END);
    Chord(VK_LCONTROL, 'V');
    EXPECT_EQ(Text(edit), u"bc defa");
    platform::SetClipboardText(u"XYZ\r\nmore");
    Chord(VK_LSHIFT, VK_INSERT);
    EXPECT_EQ(Text(edit), u"bc defaX");
    Chord(VK_LCONTROL, 'A');
    Chord(VK_LSHIFT, VK_INSERT);
    EXPECT_EQ(Text(edit), u"XYZ");
    // Characters beyond the first plane are typed, pasted, cut and deleted whole: two code
    // units each, never one of them alone.
    platform::SetClipboardText(u"\U0001F600\U0001F600\U0001F600");
    Chord(VK_LCONTROL, 'V');
    EXPECT_EQ(Text(edit), u"XYZ\U0001F600\U0001F600");
    m_display.PressKey(VK_BACK);
    EXPECT_EQ(Text(edit), u"XYZ\U0001F600");
    m_display.TypeText(u"\U0001F601\U0001F602");
    EXPECT_EQ(Text(edit), u"XYZ\U0001F600\U0001F601");
    m_display.KeyDown(VK_LSHIFT);
    m_display.PressKey(VK_LEFT);
    m_display.KeyUp(VK_LSHIFT);
    EXPECT_EQ(Selection(edit), std::make_pair(5, 7));
    // A digits-only field takes digits from the clipboard and nothing else.
    HWND digits = MakeEdit(ES_NUMBER);
    SetFocus(digits);
    platform::SetClipboardText(u"12a");
    Chord(VK_LCONTROL, 'V');
    EXPECT_EQ(Text(digits), u"");
    platform::SetClipboardText(u"120");
    Chord(VK_LCONTROL, 'V');
    EXPECT_EQ(Text(digits), u"120");
}

TEST_F(EditFieldTest, CaretBlinksOnTheClockOnlyWhileFocusedAndStaysInSight) {
    platform::ScopedVirtualClock clock;
    HWND edit = MakeEdit();
    HWND other = MakeEdit();
    MoveWindow(other, 200, 20, 60, 24, TRUE);
    SetFocus(edit);
    platform::PumpUntilIdle();
    const std::optional<int> empty = CaretColumn(clock);
    ASSERT_TRUE(empty.has_value()) << "no caret in the focused field";
    EXPECT_LE(*empty, 2);
    Type(u"abc");
    const std::optional<int> afterThree = CaretColumn(clock);
    ASSERT_TRUE(afterThree.has_value());
    EXPECT_GT(*afterThree, *empty + 10);
    // A text wider than the field scrolls: the caret stays inside it at either end.
    Type(u"the quick brown fox jumps over");
    const std::optional<int> atEnd = CaretColumn(clock);
    ASSERT_TRUE(atEnd.has_value()) << "the caret left the field";
    EXPECT_GT(*atEnd, 100);
    EXPECT_LT(*atEnd, 120);
    m_display.PressKey(VK_HOME);
    const std::optional<int> atStart = CaretColumn(clock);
    ASSERT_TRUE(atStart.has_value());
    EXPECT_LE(*atStart, 2);
    // Without the focus there is no caret and no timer: nothing wakes the loop.
    SetFocus(other);
    platform::PumpUntilIdle();
    SetFocus(nullptr);
    platform::PumpUntilIdle();
    EXPECT_FALSE(CaretColumn(clock).has_value());
    clock.Advance(10000);
    EXPECT_EQ(platform::PumpUntilIdle(), 0);
}

TEST_F(EditFieldTest, SelectionIsDrawnWhileFocusedAndTextFollowsTheAlignment) {
    HWND edit = MakeEdit(0, u"Profile");
    SendMessageW(edit, EM_SETSEL, 0, -1);
    platform::PumpUntilIdle();
    EXPECT_TRUE(ColumnsOf(kHighlight).empty()) << "a selection shown without the focus";
    SetFocus(edit);
    platform::PumpUntilIdle();
    const std::vector<int> selected = ColumnsOf(kHighlight);
    ASSERT_FALSE(selected.empty()) << "the selection is not drawn";
    EXPECT_LE(selected.front(), 2);
    // A click places the caret: nothing is selected then.
    m_display.Click(static_cast<int>(kField.left) + 30, static_cast<int>(kField.top) + 10);
    EXPECT_TRUE(ColumnsOf(kHighlight).empty());
    const auto [start, end] = Selection(edit);
    EXPECT_EQ(start, end);
    EXPECT_GT(start, 0);
    EXPECT_LT(start, 7);
    DestroyWindow(edit);
    // Left, centred and right: where the text's dark pixels begin and end.
    const int width = static_cast<int>(kField.right - kField.left);
    for (const DWORD style : {ES_LEFT, ES_CENTER, ES_RIGHT}) {
        HWND aligned = MakeEdit(style, u"ab");
        const std::vector<int> ink = ColumnsOf(RGB(0, 0, 0));
        ASSERT_FALSE(ink.empty());
        const int middle = (ink.front() + ink.back()) / 2;
        if (style == ES_LEFT) {
            EXPECT_LT(ink.front(), 4);
        } else if (style == ES_CENTER) {
            EXPECT_NEAR(middle, width / 2, 3);
        } else {
            EXPECT_GT(ink.back(), width - 5);
        }
        DestroyWindow(aligned);
    }
}

TEST_F(EditFieldTest, KeysTypeTheDesktopsCharactersAndCtrlKeysTypeNone) {
    HWND edit = MakeEdit();
    SetFocus(edit);
    // A key whose character the desktop's layout decided, an input method's text, a character
    // beyond the first plane.
    m_display.PressKey('E', u"\u00EB");
    m_display.TypeText(u"\u0418\u0433\u0440\u0430");
    m_display.PressKey('Q', u"\U0001F600");
    EXPECT_EQ(Text(edit), u"\u00EB\u0418\u0433\u0440\u0430\U0001F600");
    // Keys handed over faster than the loop reads them: each key message is handled with the
    // keys as they were when it was made, so Ctrl+A selects even when Ctrl is up again by the
    // time the loop reads it, and the letter after it is typed as a letter.
    m_display.SetAutoPump(false);
    m_display.KeyDown(VK_LCONTROL);
    m_display.PressKey('A', u"a");
    m_display.KeyUp(VK_LCONTROL);
    m_display.PressKey('Z', u"z");
    m_display.SetAutoPump(true);
    platform::PumpUntilIdle();
    EXPECT_EQ(Text(edit), u"z");
}

} // namespace
