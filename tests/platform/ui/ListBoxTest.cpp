#include "platform/ui/ListBox.h"
#include "UiTestSupport.h"
#include "platform/ui/ScrollBar.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ListBoxTest, EntriesSelectionSearchScrollingAndClicks) {
    auto& recorder = uitest::Recorder::Get();
    recorder.Clear();
    HWND parent = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    InitListBoxControl();
    HWND box = CreateWindowExW(0, WC_LISTBOXW, u"", WS_CHILD | WS_VISIBLE | LBS_NOTIFY, 0, 0, 100,
                               48, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(12)),
                               nullptr, nullptr);
    for (const char16_t* text : {u"Apple", u"banana", u"Avocado", u"Cherry", u"apricot"}) {
        SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    EXPECT_EQ(SendMessageW(box, LB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageW(box, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(SendMessageW(box, LB_SETCURSEL, 7, 0), LB_ERR);
    EXPECT_EQ(SendMessageW(box, LB_SETCURSEL, 1, 0), 1);
    WCHAR text[16]{};
    EXPECT_EQ(SendMessageW(box, LB_GETTEXT, 3, reinterpret_cast<LPARAM>(text)), 6);
    EXPECT_EQ(std::u16string(text), u"Cherry");
    EXPECT_EQ(SendMessageW(box, LB_GETTEXTLEN, 9, 0), LB_ERR);
    // Searching starts after the given entry, ignores case and wraps.
    EXPECT_EQ(SendMessageW(box, LB_FINDSTRING, 0, reinterpret_cast<LPARAM>(u"a")), 2);
    EXPECT_EQ(SendMessageW(box, LB_FINDSTRING, 2, reinterpret_cast<LPARAM>(u"a")), 4);
    EXPECT_EQ(SendMessageW(box, LB_FINDSTRING, 4, reinterpret_cast<LPARAM>(u"a")), 0);
    EXPECT_EQ(
        SendMessageW(box, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"z")),
        LB_ERR);

    // 16-pixel entries: three show in 48 pixels.
    SendMessageW(box, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(SendMessageW(box, LB_GETTOPINDEX, 0, 0), 1);
    SendMessageW(box, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(SendMessageW(box, LB_GETTOPINDEX, 0, 0), 2);
    SendMessageW(box, WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(SendMessageW(box, LB_GETTOPINDEX, 0, 0), 0);

    SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 40)); // the third entry
    EXPECT_EQ(SendMessageW(box, LB_GETCURSEL, 0, 0), 2);
    const auto commands = recorder.Of(parent, WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(HIWORD(commands[0].wParam), LBN_SELCHANGE);
    EXPECT_EQ(LOWORD(commands[0].wParam), 12);
    DestroyWindow(parent);
}

} // namespace
