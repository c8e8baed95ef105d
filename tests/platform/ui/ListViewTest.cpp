#include "platform/ui/ListView.h"
#include "UiTestSupport.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/ScrollBar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

HWND CreateList(HWND parent, int height) {
    InitListViewControl();
    return CreateWindowExW(0, WC_LISTVIEWW, u"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 80,
                           height, parent, nullptr, nullptr, nullptr);
}

int Insert(HWND list, int at, const char16_t* text, LPARAM data) {
    LVITEMW item;
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = at;
    item.pszText = const_cast<LPWSTR>(text);
    item.lParam = data;
    return static_cast<int>(
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

std::u16string Text(HWND list, int row) {
    WCHAR buffer[32]{};
    LVITEMW item;
    item.pszText = buffer;
    item.cchTextMax = 32;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

int Compare(LPARAM a, LPARAM b, LPARAM descending) {
    return descending ? static_cast<int>(b - a) : static_cast<int>(a - b);
}

TEST(ListViewTest, RowsSortByDataAndScrollByWholeRows) {
    HWND parent = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    HWND list = CreateList(parent, 45); // 15-pixel rows: 3 per page
    for (int i = 0; i < 8; ++i) {
        const std::u16string text(1, static_cast<char16_t>(u'a' + i));
        EXPECT_EQ(Insert(list, i, text.c_str(), i), i);
    }
    EXPECT_EQ(Insert(list, 99, u"z", 99), 8); // past the end: appended
    SendMessageW(list, LVM_SORTITEMS, 1, reinterpret_cast<LPARAM>(&Compare));
    EXPECT_EQ(Text(list, 0), u"z");
    EXPECT_EQ(Text(list, 8), u"a");

    SCROLLINFO info;
    info.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(list, SB_VERT, &info));
    EXPECT_EQ(info.nMax, 8);
    EXPECT_EQ(info.nPage, 3u);
    SendMessageW(list, LVM_SCROLL, 0, 2 * 15);
    EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 2);
    EXPECT_EQ(GetScrollPos(list, SB_VERT), 2);
    SendMessageW(list, WM_VSCROLL, SB_PAGEDOWN, 0);
    SendMessageW(list, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 6); // the last page
    RECT row{};
    ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 7, reinterpret_cast<LPARAM>(&row)));
    EXPECT_EQ(row.top, 15);
    // Rows scrolled out of view are no hit, even where their rectangle would lie.
    LVHITTESTINFO hit;
    hit.pt = POINT{5, 20};
    EXPECT_EQ(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 7);
    hit.pt = POINT{5, 50};
    EXPECT_EQ(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)), FALSE);
    DestroyWindow(parent);
}

TEST(ListViewTest, CustomDrawAsksTheParentPerVisibleRow) {
    auto& recorder = uitest::Recorder::Get();
    recorder.Clear();
    HWND parent = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    std::vector<DWORD_PTR> rows;
    recorder.SetHandler(parent,
                        [&](HWND, UINT msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
                            if (msg != WM_NOTIFY) {
                                return std::nullopt;
                            }
                            const auto* draw = reinterpret_cast<const NMLVCUSTOMDRAW*>(lParam);
                            if (draw->nmcd.hdr.code != NM_CUSTOMDRAW) {
                                return std::nullopt;
                            }
                            if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
                                return CDRF_NOTIFYITEMDRAW;
                            }
                            rows.push_back(draw->nmcd.dwItemSpec);
                            return CDRF_SKIPDEFAULT;
                        });
    HWND list = CreateList(parent, 30);
    for (int i = 0; i < 5; ++i) {
        Insert(list, i, u"row", i);
    }
    platform::PumpUntilIdle();
    EXPECT_EQ(rows, (std::vector<DWORD_PTR>{0, 1}));
    DestroyWindow(parent);
}

std::vector<WORD> g_dialogCommands;
std::vector<std::u16string> g_labelsEnded;

INT_PTR CommandLoggingDialog(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) {
        g_dialogCommands.push_back(LOWORD(wParam));
        return TRUE;
    }
    if (msg == WM_NOTIFY) {
        const auto* info = reinterpret_cast<const NMLVDISPINFOW*>(lParam);
        if (info->hdr.code == LVN_BEGINLABELEDITW) {
            // The owner puts its own text into the editor, as the macro list does.
            HWND edit =
                reinterpret_cast<HWND>(SendMessageW(info->hdr.hwndFrom, LVM_GETEDITCONTROL, 0, 0));
            SetFocus(edit);
            SetWindowTextW(edit, u"old");
        }
        if (info->hdr.code == LVN_ENDLABELEDITW) {
            g_labelsEnded.emplace_back(info->item.pszText ? info->item.pszText : u"<cancelled>");
        }
        return FALSE;
    }
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}

int Selected(HWND list) {
    return static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int Top(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
}

// Keys and the wheel as a user's arrive: through the display and the dialog's message loop.
TEST(ListViewTest, KeysAndWheelMoveThroughTheRowsAndTheLabelEditorKeepsEnterAndEscape) {
    platform::HeadlessDisplay display(300, 200);
    DialogTemplate t;
    t.style = WS_POPUP | WS_VISIBLE;
    t.cx = 100;
    t.cy = 100;
    HWND dialog = CreateDialogIndirectParamW(nullptr, &t, nullptr, CommandLoggingDialog, 0);
    ASSERT_NE(dialog, nullptr);
    InitListViewControl();
    HWND list =
        CreateWindowExW(0, WC_LISTVIEWW, u"",
                        WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_EDITLABELS | LVS_NOCOLUMNHEADER, 0,
                        0, 80, 45, dialog, nullptr, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 10; ++i) {
        Insert(list, i, u"x", i);
    }
    const platform::LoopFilter dialogLoop{dialog, nullptr};
    platform::ScopedLoopFilter loop(dialogLoop);
    g_dialogCommands.clear();
    g_labelsEnded.clear();
    SetFocus(list);

    display.PressKey(VK_END);
    EXPECT_EQ(Selected(list), 9);
    EXPECT_EQ(Top(list), 7); // the chosen row in sight: the last three rows
    display.PressKey(VK_HOME);
    EXPECT_EQ(Selected(list), 0);
    EXPECT_EQ(Top(list), 0);
    display.PressKey(VK_NEXT); // to the last row in view, then a page on
    EXPECT_EQ(Selected(list), 2);
    display.PressKey(VK_NEXT);
    EXPECT_EQ(Selected(list), 4);
    EXPECT_EQ(Top(list), 2);
    display.PressKey(VK_UP);
    display.PressKey(VK_UP);
    display.PressKey(VK_UP);
    EXPECT_EQ(Selected(list), 1);
    EXPECT_EQ(Top(list), 1);
    display.PressKey(VK_DOWN);
    EXPECT_EQ(Selected(list), 2);
    display.PressKey(VK_PRIOR);
    EXPECT_EQ(Selected(list), 1);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMSTATE, 1, LVIS_FOCUSED), LVIS_FOCUSED);
    // The wheel scrolls three rows a notch, held in range; the selection stays.
    display.Wheel(-1);
    EXPECT_EQ(Top(list), 4);
    display.Wheel(-5);
    EXPECT_EQ(Top(list), 7);
    display.Wheel(2);
    EXPECT_EQ(Top(list), 1);
    EXPECT_EQ(Selected(list), 1);
    EXPECT_TRUE(g_dialogCommands.empty());

    // The label shows selected, so typing replaces the owner's text; Enter commits an edited
    // label and Escape cancels one; the dialog hears neither.
    auto* edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_EDITLABELW, 1, 0));
    ASSERT_NE(edit, nullptr);
    display.TypeText(u"new");
    display.PressKey(VK_RETURN);
    EXPECT_FALSE(IsWindow(edit));
    edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_EDITLABELW, 2, 0));
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, u"gone");
    display.PressKey(VK_ESCAPE);
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(g_labelsEnded, (std::vector<std::u16string>{u"new", u"<cancelled>"}));
    EXPECT_TRUE(g_dialogCommands.empty());
    // Without an edit, Enter and Escape are the dialog's.
    display.PressKey(VK_RETURN);
    display.PressKey(VK_ESCAPE);
    EXPECT_EQ(g_dialogCommands, (std::vector<WORD>{IDOK, IDCANCEL}));
    DestroyWindow(dialog);
}

} // namespace

TEST(ListViewTest, ExtendedStyleAndOutlineColourAreKept) {
    HWND parent = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    HWND list = CreateList(parent, 45);
    EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0);
    EXPECT_EQ(SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                           static_cast<LPARAM>(LVS_EX_FULLROWSELECT | LVS_EX_FLATSB)),
              0);
    // Only the bits of the mask change; the answer is the earlier style.
    EXPECT_EQ(SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FLATSB | LVS_EX_DOUBLEBUFFER,
                           static_cast<LPARAM>(LVS_EX_DOUBLEBUFFER)),
              static_cast<LRESULT>(LVS_EX_FULLROWSELECT | LVS_EX_FLATSB));
    EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0),
              static_cast<LRESULT>(LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER));
    EXPECT_EQ(SendMessageW(list, LVM_SETOUTLINECOLOR, 0, RGB(1, 2, 3)), 0);
    EXPECT_EQ(SendMessageW(list, LVM_SETOUTLINECOLOR, 0, RGB(4, 5, 6)),
              static_cast<LRESULT>(RGB(1, 2, 3)));
    EXPECT_EQ(SendMessageW(list, LVM_GETOUTLINECOLOR, 0, 0), static_cast<LRESULT>(RGB(4, 5, 6)));
    DestroyWindow(parent);
}
