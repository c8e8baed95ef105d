#include "UiTestSupport.h"
#include "platform/ui/HeaderCtrl.h"
#include "platform/ui/ListView.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <optional>

#include <string>
#include <utility>
#include <vector>

namespace {

HWND CreateList(HWND parent, DWORD extraStyle, int height) {
    InitListViewControl();
    return CreateWindowExW(0, WC_LISTVIEWW, u"", WS_CHILD | WS_VISIBLE | LVS_REPORT | extraStyle, 0,
                           0, 100, height, parent, nullptr, nullptr, nullptr);
}

void AddColumn(HWND list, int at, const char16_t* title, int format, int width) {
    LVCOLUMNW column;
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<LPWSTR>(title);
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(at),
                 reinterpret_cast<LPARAM>(&column));
}

void AddRow(HWND list, int at) {
    LVITEMW item;
    item.mask = LVIF_TEXT;
    item.iItem = at;
    item.pszText = const_cast<LPWSTR>(u"x");
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

std::pair<int, int> Hit(HWND list, int x, int y) {
    LVHITTESTINFO info;
    info.pt = POINT{x, y};
    SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&info));
    return {info.iItem, info.iSubItem};
}

TEST(HeaderListViewTest, HeaderHoldsTheColumnsAndPushesTheRowsDown) {
    HWND parent = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    HWND list = CreateList(parent, 0, 80);
    AddColumn(list, 0, u"Name", LVCFMT_LEFT, 30);
    AddColumn(list, 1, u"Path", LVCFMT_CENTER, 50);
    auto* header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(GetParent(header), list);
    EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 2);
    WCHAR text[16]{};
    HDITEMW item;
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT | HDI_IMAGE;
    item.pszText = text;
    item.cchTextMax = 16;
    ASSERT_TRUE(SendMessageW(header, HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(std::u16string(text), u"Path");
    EXPECT_EQ(item.cxy, 50);
    EXPECT_EQ(item.fmt, HDF_CENTER);
    EXPECT_EQ(item.iImage, -1);
    item.mask = HDI_IMAGE;
    item.iImage = 1;
    SendMessageW(header, HDM_SETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    item.iImage = -1;
    SendMessageW(header, HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.iImage, 1);
    EXPECT_FALSE(SendMessageW(header, HDM_GETITEMW, 2, reinterpret_cast<LPARAM>(&item)));
    RECT headerRect{};
    ASSERT_TRUE(SendMessageW(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&headerRect)));
    EXPECT_EQ(headerRect.left, 30);
    EXPECT_EQ(headerRect.right, 80);

    // 15-pixel rows below the 20-pixel header: 4 rows per page in 80 pixels.
    for (int i = 0; i < 6; ++i) {
        AddRow(list, i);
    }
    EXPECT_EQ(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0), 4);
    RECT cell{};
    cell.top = 1;
    cell.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageW(list, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell)));
    EXPECT_EQ(cell.left, 30);
    EXPECT_EQ(cell.right, 80);
    EXPECT_EQ(cell.top, kHeaderHeight + 15);
    EXPECT_EQ(cell.bottom, kHeaderHeight + 30);
    cell.top = 2; // no third column
    EXPECT_FALSE(SendMessageW(list, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell)));

    EXPECT_EQ(Hit(list, 5, 5), std::make_pair(-1, 0));                   // on the header
    EXPECT_EQ(Hit(list, 5, kHeaderHeight + 1), std::make_pair(0, 0));    // first cell
    EXPECT_EQ(Hit(list, 31, kHeaderHeight + 16), std::make_pair(1, 1));  // second row, column 1
    EXPECT_EQ(Hit(list, 90, kHeaderHeight + 16), std::make_pair(-1, 0)); // right of the columns

    SendMessageW(list, LVM_ENSUREVISIBLE, 5, 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 2);
    SendMessageW(list, LVM_ENSUREVISIBLE, 0, 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 0);
    DestroyWindow(parent);
}

TEST(HeaderListViewTest, NoHeaderWhenAskedForNoneAndImagesSetTheRowHeight) {
    HWND parent = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    HWND list = CreateList(parent, LVS_NOCOLUMNHEADER, 90);
    AddColumn(list, 0, u"", LVCFMT_LEFT, 60);
    EXPECT_EQ(SendMessageW(list, LVM_GETHEADER, 0, 0), 0);
    HIMAGELIST images = ImageList_Create(18, 18, ILC_COLOR4, 10, 10);
    ASSERT_NE(images, nullptr);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    AddRow(list, 0);
    AddRow(list, 1);
    EXPECT_EQ(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0), 5);
    RECT row{};
    SendMessageW(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    EXPECT_EQ(row.top, 18);
    DestroyWindow(parent);
    EXPECT_TRUE(ImageList_Destroy(images));
    EXPECT_EQ(ImageList_Create(0, 18, ILC_COLOR4, 1, 1), nullptr);
}

TEST(HeaderListViewTest, CellsAreDrawnOneByOneWhenTheParentAsksAndClicksAreReported) {
    auto& recorder = uitest::Recorder::Get();
    recorder.Clear();
    HWND parent = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    std::vector<std::pair<DWORD_PTR, int>> cells;
    int clicks = 0;
    recorder.SetHandler(parent,
                        [&](HWND, UINT msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
                            if (msg != WM_NOTIFY) {
                                return std::nullopt;
                            }
                            const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
                            if (hdr->code == NM_CLICK) {
                                ++clicks;
                                return 0;
                            }
                            const auto* draw = reinterpret_cast<const NMLVCUSTOMDRAW*>(lParam);
                            if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
                                return CDRF_NOTIFYITEMDRAW;
                            }
                            if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
                                return CDRF_NOTIFYSUBITEMDRAW;
                            }
                            if (draw->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
                                cells.emplace_back(draw->nmcd.dwItemSpec, draw->iSubItem);
                                EXPECT_EQ(draw->nmcd.rc.left, draw->iSubItem == 0 ? 0 : 30);
                                return CDRF_SKIPDEFAULT;
                            }
                            return std::nullopt;
                        });
    HWND list = CreateList(parent, 0, 50);
    AddColumn(list, 0, u"A", LVCFMT_LEFT, 30);
    AddColumn(list, 1, u"B", LVCFMT_LEFT, 30);
    AddRow(list, 0);
    platform::PumpUntilIdle();
    EXPECT_EQ(cells, (std::vector<std::pair<DWORD_PTR, int>>{{0, 0}, {0, 1}}));
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, kHeaderHeight + 2));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);
    DestroyWindow(parent);
}

TEST(HeaderListViewTest, LabelEditingEndsWithEnterEscapeOrFocusLoss) {
    auto& recorder = uitest::Recorder::Get();
    recorder.Clear();
    HWND parent = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    std::vector<std::pair<UINT, std::u16string>> heard;
    bool refuse = false;
    bool take = true;
    HWND editSeen = nullptr;
    HWND list = nullptr;
    recorder.SetHandler(
        parent, [&](HWND, UINT msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
            if (msg != WM_NOTIFY) {
                return std::nullopt;
            }
            const auto* info = reinterpret_cast<const NMLVDISPINFOW*>(lParam);
            if (info->hdr.code == LVN_BEGINLABELEDITW) {
                editSeen = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0));
                heard.emplace_back(info->hdr.code, u"");
                return refuse ? 1 : 0;
            }
            if (info->hdr.code == LVN_ENDLABELEDITW) {
                heard.emplace_back(info->hdr.code,
                                   info->item.pszText ? info->item.pszText : u"<cancelled>");
                return take ? 1 : 0;
            }
            return std::nullopt;
        });
    list = CreateList(parent, LVS_EDITLABELS | LVS_NOCOLUMNHEADER, 60);
    AddColumn(list, 0, u"", LVCFMT_LEFT, 80);
    AddRow(list, 0);
    AddRow(list, 1);
    EXPECT_EQ(SendMessageW(list, LVM_EDITLABELW, 5, 0), 0); // no such row

    auto* edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_EDITLABELW, 1, 0));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(editSeen, edit); // the field exists when the parent hears of the start
    EXPECT_EQ(GetFocus(), edit);
    SetWindowTextW(edit, u"new");
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0), 0);
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[1], std::make_pair(LVN_ENDLABELEDITW, std::u16string(u"new")));
    WCHAR text[16]{};
    LVITEMW item;
    item.pszText = text;
    item.cchTextMax = 16;
    SendMessageW(list, LVM_GETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::u16string(text), u"new");

    edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_EDITLABELW, 0, 0));
    ASSERT_NE(edit, nullptr);
    SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(heard.back().second, u"<cancelled>");

    take = false; // the parent keeps the label itself
    edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_EDITLABELW, 0, 0));
    SetWindowTextW(edit, u"other");
    SetFocus(parent); // the field loses the focus: the text is committed
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(heard.back().second, u"other");
    SendMessageW(list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::u16string(text), u"x");

    refuse = true;
    const size_t before = heard.size();
    EXPECT_EQ(SendMessageW(list, LVM_EDITLABELW, 0, 0), 0);
    EXPECT_EQ(heard.size(), before + 1);
    EXPECT_EQ(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0), 0);

    refuse = false;
    ASSERT_NE(SendMessageW(list, LVM_EDITLABELW, 0, 0), 0);
    DestroyWindow(parent); // the list goes while a label is edited
}

} // namespace
