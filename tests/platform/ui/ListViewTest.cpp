#include "platform/ui/ListView.h"
#include "UiTestSupport.h"
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
