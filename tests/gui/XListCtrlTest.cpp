#include "gui/XListCtrl.h"
#include "WidgetTestSupport.h"
#include "gui/ListPanel.h"
#include "gui/ListPanelItem.h"
#include "gui/WidgetMessages.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Clock.h"
#include "platform/ui/CommDlg.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/ScrollBar.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kBack = RGB(0, 0, 90);
constexpr COLORREF kText = RGB(250, 250, 0);
constexpr COLORREF kSelBack = RGB(0, 160, 0);
constexpr UINT kMenuTemplate = 9331;

// Column ids as the profile list uses them; the check column is id 3.
constexpr int kIdCol = 0;
constexpr int kNameCol = 1;
constexpr int kExeCol = 2;
constexpr int kAutoCol = 3;

// What one notification carried, copied while the record was valid.
struct Heard {
    UINT message;
    int row;
    int column;
    std::u16string text;
    std::optional<bool> checked;
};

class Owner : public widgettest::RecordingOwner {
public:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message == WM_XLIST_EDITDONE || message == WM_XLIST_TEXTCHANGED ||
            message == WM_XLIST_CHECKCHANGED || message == WM_XLIST_ROWDBLCLK ||
            message == WM_XLIST_COMMAND) {
            const auto* n = reinterpret_cast<const ListCtrlNotify*>(lParam);
            Heard h{message, n->row, n->column, n->text ? n->text : u"", std::nullopt};
            if (n->checked != nullptr) {
                h.checked = *n->checked;
            }
            heard.push_back(h);
        }
        return widgettest::RecordingOwner::OnWndMsg(message, wParam, lParam, result);
    }
    std::vector<Heard> heard;
};

// The list at (0, 0) of the owner: header 20 pixels, rows 18 pixels high (the image list),
// columns 0-30, 30-110, 110-170, 170-200.
class XListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_owner.CreateAt(300, 200));
        ASSERT_TRUE(m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL,
                                  RECT{0, 0, 220, 150}, &m_owner, 5));
        m_list.backgroundColor = kBack;
        m_list.textColor = kText;
        m_list.selectedBackgroundColor = kSelBack;
        ASSERT_EQ(m_list.AddColumn(kIdCol, CELL_STATIC, u"Id", 30), 0);
        ASSERT_EQ(m_list.AddColumn(kNameCol, CELL_EDIT, u"Name", 80), 1);
        ASSERT_EQ(m_list.AddColumn(kExeCol, CELL_FILEDIALOG, u"Program", 60), 2);
        ASSERT_EQ(m_list.AddColumn(kAutoCol, CELL_CHECKBOX, u"Auto", 30), 3);
        for (int i = 0; i < 3; ++i) {
            const int row = m_list.InsertItem(i);
            ASSERT_EQ(row, i);
            ASSERT_TRUE(m_list.SetRowId(row, 100 + i));
            (*m_list.GetCells(row))[3].check = 0;
        }
        m_list.SetItemText(kNameCol, u"alpha", 100);
        m_list.SetItemText(kNameCol, u"Beta", 101);
        m_list.SetItemText(kNameCol, u"gamma", 102);
        platform::PumpUntilIdle();
    }
    static LPARAM At(int x, int y) {
        return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
    }
    static int RowY(int row) { return kHeaderHeight + row * 18 + 9; }
    void Click(int x, int y) { m_list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(x, y)); }
    void Key(UINT vk) {
        MSG msg{};
        msg.hwnd = m_list.GetEditor()->GetSafeHwnd();
        msg.message = WM_KEYDOWN;
        msg.wParam = vk;
        m_swallowed = m_list.PreTranslateMessage(&msg) != FALSE;
    }

    Owner m_owner;
    CXListCtrl m_list;
    bool m_swallowed = false;
};

TEST_F(XListCtrlTest, ColumnsAreRefusedWhenInvalidDuplicateOrBeyondTen) {
    EXPECT_EQ(m_list.AddColumn(-1, CELL_STATIC, u"", 10), -1);
    EXPECT_EQ(m_list.AddColumn(20, -1, u"", 10), -1);
    EXPECT_EQ(m_list.AddColumn(kNameCol, CELL_STATIC, u"", 10), -1);
    for (int id = 10; id < 16; ++id) {
        EXPECT_EQ(m_list.AddColumn(id, CELL_STATIC, u"", 1), id - 6);
    }
    EXPECT_EQ(m_list.GetColumnCount(), 10);
    EXPECT_EQ(m_list.AddColumn(16, CELL_STATIC, u"", 1), -1); // the eleventh
    EXPECT_EQ(m_list.GetColumn(16).type, -1);
    EXPECT_EQ(m_list.GetColumn(16).index, -1);
    EXPECT_EQ(m_list.GetColumn(kAutoCol).type, CELL_CHECKBOX);
    EXPECT_EQ(m_list.GetColumn(kAutoCol).index, 3);
    EXPECT_EQ(m_list.ColumnIdAt(1), kNameCol);
}

TEST_F(XListCtrlTest, CellsAreFoundByRowIdAndColumnIdAndSortIgnoringCase) {
    EXPECT_EQ(m_list.GetCellText(101, kNameCol), CString(u"Beta"));
    EXPECT_EQ(m_list.GetItemText(1, 1), CString(u"Beta")); // the list's own text follows
    EXPECT_EQ(m_list.GetCellText(999, kNameCol), CString());
    EXPECT_EQ(m_list.GetCellText(101, 42), CString());
    EXPECT_EQ(m_list.SetItemText(kNameCol, u"x", 999), 0);
    EXPECT_EQ(m_list.SetItemText(42, u"x", 101), 0);
    EXPECT_EQ(m_list.FindRow(102), 2);
    EXPECT_EQ(m_list.FindRow(7), -1);
    RECT row{};
    m_list.GetItemRect(2, &row, LVIR_BOUNDS); // 18-pixel rows below the header
    EXPECT_EQ(row.top, kHeaderHeight + 36);
    EXPECT_EQ(row.bottom, kHeaderHeight + 54);
    EXPECT_EQ(m_list.GetSelectedRow(), -1);

    m_list.SetItemText(kNameCol, u"BETA", 100);
    m_list.SetItemText(kNameCol, u"alpha", 101);
    m_list.SortByColumn(1);
    EXPECT_EQ(m_list.FindRow(101), 0);
    EXPECT_EQ(m_list.FindRow(100), 1);

    EXPECT_TRUE(m_list.DeleteItem(0));
    EXPECT_FALSE(m_list.DeleteItem(5));
    EXPECT_EQ(m_list.FindRow(101), -1);
    m_list.DeleteAllItems(); // the rows' cells are freed (the sanitizer checks)
    EXPECT_EQ(m_list.GetItemCount(), 0);
    EXPECT_EQ(m_list.GetCells(0), nullptr);
}

TEST_F(XListCtrlTest, ASortedListKeepsItsRowsInTheOrderOfTheFirstColumn) {
    m_list.SetItemText(kIdCol, u"zeta", 100);
    m_list.SetItemText(kIdCol, u"Eta", 101);
    EXPECT_EQ(m_list.FindRow(100), 0); // not sorted: the rows stay where they were put
    m_list.sorted = true;
    m_list.SetItemText(kIdCol, u"delta", 102);
    EXPECT_EQ(m_list.FindRow(102), 0);
    EXPECT_EQ(m_list.FindRow(101), 1);
    EXPECT_EQ(m_list.FindRow(100), 2);
    m_list.SetItemText(kIdCol, u"Alpha", 100);
    EXPECT_EQ(m_list.FindRow(100), 0);
    EXPECT_EQ(m_list.GetCellText(100, kNameCol), CString(u"alpha")); // whole rows move
    m_list.SetItemText(kNameCol, u"aaa", 102);                       // another column: no re-sort
    EXPECT_EQ(m_list.FindRow(102), 1);
}

TEST_F(XListCtrlTest, CheckBoxClicksFlipTheCheckAndTheHeaderMarkFollows) {
    m_list.SetHeaderCheck(3, 0); // the column shows a mark
    m_list.SetCheck(100, 1);
    m_list.SetCheck(101, 1);
    EXPECT_EQ(m_list.GetHeaderCheck(3), 0);
    EXPECT_EQ(m_list.CountCheckedRows(3), 2);

    Click(178, RowY(2)); // inside the column, outside the box around its centre
    EXPECT_EQ(m_list.GetCheck(102, kAutoCol), 0);
    EXPECT_TRUE(m_owner.heard.empty());

    Click(185, RowY(2)); // the last unchecked row
    EXPECT_EQ(m_list.GetCheck(102, kAutoCol), 1);
    ASSERT_EQ(m_owner.heard.size(), 1u);
    EXPECT_EQ(m_owner.heard[0].message, WM_XLIST_CHECKCHANGED);
    EXPECT_EQ(m_owner.heard[0].row, 102);
    EXPECT_EQ(m_owner.heard[0].column, 3);
    EXPECT_EQ(m_owner.heard[0].checked, std::optional<bool>(true));
    EXPECT_EQ(m_list.GetHeaderCheck(3), 1);
    EXPECT_EQ(m_list.GetSelectedRow(), 102);

    Click(185, RowY(0));
    EXPECT_EQ(m_list.GetHeaderCheck(3), 0);
    EXPECT_EQ(m_owner.heard.back().checked, std::optional<bool>(false));

    // A disabled row takes no clicks, but the click on it is still reported.
    (*m_list.GetCells(1))[0].enabled = 0;
    m_owner.heard.clear();
    Click(185, RowY(1));
    EXPECT_EQ(m_list.GetCheck(101, kAutoCol), 1);
    EXPECT_TRUE(m_owner.heard.empty());

    const auto clicks = m_owner.Of(WM_XLIST_ROWCLICK);
    ASSERT_EQ(clicks.size(), 4u);
    EXPECT_EQ(static_cast<int>(clicks[0].first), 102);
    EXPECT_EQ(static_cast<int>(clicks[3].first), 101);
    Click(100, 140); // below the rows
    EXPECT_EQ(static_cast<int>(m_owner.Of(WM_XLIST_ROWCLICK).back().first), -1);
}

TEST_F(XListCtrlTest, InPlaceEditCommitsChangedTextsOnlyAndEscapeCancels) {
    EXPECT_FALSE(m_list.StartEdit(7, kNameCol));
    EXPECT_FALSE(m_list.StartEdit(0, 42));
    ASSERT_TRUE(m_list.StartEdit(0, kNameCol));
    CXListEdit* editor = m_list.GetEditor();
    ASSERT_NE(editor->GetSafeHwnd(), nullptr);
    EXPECT_TRUE(editor->IsWindowVisible());
    EXPECT_EQ(editor->GetLimitText(), 20u);
    EXPECT_EQ(editor->backgroundColor, kBack);
    CString text;
    editor->GetWindowText(text);
    EXPECT_EQ(text, CString(u"alpha"));

    Key(VK_RETURN); // unchanged: nothing is sent
    EXPECT_TRUE(m_swallowed);
    EXPECT_FALSE(m_list.IsEditing());
    EXPECT_FALSE(editor->IsWindowVisible());
    EXPECT_TRUE(m_owner.heard.empty());

    ASSERT_TRUE(m_list.StartEdit(0, kNameCol));
    editor->SetWindowText(u"changed");
    Key(VK_ESCAPE);
    EXPECT_TRUE(m_swallowed);
    EXPECT_EQ(m_list.GetCellText(100, kNameCol), CString(u"alpha"));
    EXPECT_TRUE(m_owner.heard.empty());

    ASSERT_TRUE(m_list.StartEdit(1, kNameCol));
    editor->SetWindowText(u"Bravo");
    EXPECT_TRUE(m_list.StartEdit(1, kNameCol)); // the same cell: the edit goes on
    EXPECT_TRUE(m_owner.heard.empty());
    EXPECT_TRUE(m_list.StartEdit(2, kNameCol)); // another cell commits the first
    ASSERT_EQ(m_owner.heard.size(), 1u);
    EXPECT_EQ(m_owner.heard[0].message, WM_XLIST_EDITDONE);
    EXPECT_EQ(m_owner.heard[0].row, 101);
    EXPECT_EQ(m_owner.heard[0].column, 1);
    EXPECT_EQ(m_owner.heard[0].text, u"Bravo");
    EXPECT_EQ(m_list.GetCellText(101, kNameCol), CString(u"Bravo"));
    EXPECT_TRUE(m_list.IsEditing());

    // A click on the list commits the running edit.
    editor->SetWindowText(u"Golf");
    Click(50, RowY(0));
    EXPECT_FALSE(m_list.IsEditing());
    EXPECT_EQ(m_list.GetCellText(102, kNameCol), CString(u"Golf"));
    EXPECT_EQ(m_owner.heard.size(), 2u);

    // Space is swallowed outside an edit; other keys are not.
    Key(VK_SPACE);
    EXPECT_TRUE(m_swallowed);
    Key(VK_RETURN);
    EXPECT_FALSE(m_swallowed);
}

TEST_F(XListCtrlTest, DoubleClicksEditTextCellsAndReportStaticCells) {
    m_list.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, At(50, RowY(1)));
    EXPECT_TRUE(m_list.IsEditing());
    m_list.EndEdit(false);
    m_list.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, At(10, RowY(2)));
    EXPECT_FALSE(m_list.IsEditing());
    ASSERT_EQ(m_owner.heard.size(), 1u);
    EXPECT_EQ(m_owner.heard[0].message, WM_XLIST_ROWDBLCLK);
    EXPECT_EQ(m_owner.heard[0].row, 102);
    EXPECT_EQ(m_owner.heard[0].column, 0);

    // A program cell asks for a program: the cell shows its name, the owner hears the path.
    m_list.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, At(120, RowY(0))); // cancelled
    EXPECT_EQ(m_owner.heard.size(), 1u);
    platform::SetFileChooser([](const OPENFILENAMEW&, std::u16string& path) {
        path = u"C:\\Games\\Arena\\arena.exe";
        return TRUE;
    });
    m_list.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, At(120, RowY(0)));
    platform::SetFileChooser(nullptr);
    EXPECT_EQ(m_list.GetCellText(100, kExeCol), CString(u"arena.exe"));
    ASSERT_EQ(m_owner.heard.size(), 2u);
    EXPECT_EQ(m_owner.heard[1].message, WM_XLIST_TEXTCHANGED);
    EXPECT_EQ(m_owner.heard[1].row, 100);
    EXPECT_EQ(m_owner.heard[1].column, 2);
    EXPECT_EQ(m_owner.heard[1].text, u"C:\\Games\\Arena\\arena.exe");
}

TEST_F(XListCtrlTest, CellsAreDrawnInTheSkinColoursWithTheSelectedRowHighlighted) {
    m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    (*m_list.GetCells(1))[1].bold = 1;
    const size_t liveBefore = gdi::LiveObjectCount();
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = widgettest::MakeSolidBitmap(220, 150, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, ToGdiObj(bitmap));
    RECT cell{};
    ASSERT_TRUE(m_list.GetSubItemRect(0, 1, LVIR_BOUNDS, cell));
    m_list.DrawCell(dc, 0, 1, cell);
    RECT selected{};
    m_list.GetSubItemRect(1, 1, LVIR_BOUNDS, selected);
    m_list.DrawCell(dc, 1, 1, selected);
    // Background in the corners, text colour somewhere in the cell from 8 pixels on.
    EXPECT_EQ(GetPixel(dc, cell.left + 1, cell.top), kBack);
    EXPECT_EQ(GetPixel(dc, selected.left + 1, selected.top), kSelBack);
    int textPixels = 0;
    for (int y = cell.top; y < cell.bottom; ++y) {
        for (int x = cell.left; x < cell.right; ++x) {
            textPixels += GetPixel(dc, x, y) == kText ? 1 : 0;
            EXPECT_FALSE(x < cell.left + 8 && GetPixel(dc, x, y) == kText);
        }
    }
    EXPECT_GT(textPixels, 0);
    // A progress cell: frame and a bar of the percentage.
    (*m_list.GetCells(2))[2].progressCell = 1;
    (*m_list.GetCells(2))[2].progress = 50;
    RECT bar{};
    m_list.GetSubItemRect(2, 2, LVIR_BOUNDS, bar);
    m_list.DrawCell(dc, 2, 2, bar);
    EXPECT_EQ(GetPixel(dc, bar.left + 3, bar.top + 3), kSelBack);
    EXPECT_EQ(GetPixel(dc, bar.right - 3, bar.top + 3), kBack);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(gdi::LiveObjectCount(), liveBefore);
}

TEST_F(XListCtrlTest, ToolTipsShowCutTextsOfEditAndProgramCellsOnly) {
    const CString longText(u"a very long profile name that does not fit");
    m_list.SetItemText(kNameCol, longText.GetString(), 100);
    m_list.SetItemText(kExeCol, u"a_much_longer_program_name_than_fits.exe", 100);
    m_list.SetItemText(kIdCol, u"an identifier text far too wide", 100);
    RECT cell{};
    const int nameTool = m_list.ToolHitTest(CPoint(50, RowY(0)), &cell);
    EXPECT_EQ(nameTool, ((0 << 10) | 1) + 1);
    EXPECT_EQ(cell.left, 30);
    EXPECT_EQ(m_list.ToolTipText(nameTool), longText);
    EXPECT_EQ(m_list.ToolTipText(m_list.ToolHitTest(CPoint(120, RowY(0)), nullptr)),
              CString(u"a_much_longer_program_name_than_fits.exe"));
    EXPECT_EQ(m_list.ToolTipText(m_list.ToolHitTest(CPoint(10, RowY(0)), nullptr)), CString());
    EXPECT_EQ(m_list.ToolTipText(m_list.ToolHitTest(CPoint(50, RowY(1)), nullptr)),
              CString()); // "Beta" fits
    EXPECT_EQ(m_list.ToolHitTest(CPoint(50, 140), nullptr), -1);
    const std::u16string huge(200, u'W');
    m_list.SetItemText(kNameCol, huge.c_str(), 101);
    EXPECT_EQ(m_list.ToolTipText(m_list.ToolHitTest(CPoint(50, RowY(1)), nullptr)).GetLength(), 80);
}

TEST_F(XListCtrlTest, ChoiceCellsOpenADropDownWhoseEntryKeysAndReturnChoose) {
    RegisterWidgetMessages();
    platform::ScopedVirtualClock clock;
    CStringArray choices;
    for (const char16_t* text : {u"Low", u"", u"Medium", u"High", u"Maximum"}) {
        choices.Add(CString(text));
    }
    ListCellInfo& cell = (*m_list.GetCells(1))[2];
    cell.choice = 1;
    cell.choices = &choices;
    cell.defaultChoice = 2;
    m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list.GetCellText(101, kExeCol), CString(u"Medium")); // the default choice
    EXPECT_EQ(m_list.GetComboList(), nullptr);

    Click(120, RowY(1)); // left of the arrow square: nothing opens
    EXPECT_FALSE(m_list.IsComboOpen());
    Click(165, RowY(1)); // the arrow square (18 pixels at the right of 110-170)
    EXPECT_TRUE(m_list.IsComboOpen());
    EXPECT_EQ(cell.open, 1);
    platform::PumpUntilIdle(); // drawing the open cell makes the drop-down
    CXComboList* combo = m_list.GetComboList();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->list.GetCount(), 4);  // the empty choice is left out
    EXPECT_EQ(combo->list.GetCurSel(), 1); // "Medium"

    const auto key = [&](UINT vk) {
        MSG msg{};
        msg.hwnd = combo->list.GetSafeHwnd();
        msg.message = WM_KEYDOWN;
        msg.wParam = vk;
        return combo->PreTranslateMessage(&msg) != FALSE;
    };
    EXPECT_TRUE(key(VK_DOWN));
    EXPECT_EQ(combo->list.GetCurSel(), 2);
    clock.Advance(60);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list.GetCellText(101, kExeCol), CString(u"High")); // follows, stays open
    EXPECT_EQ(m_list.GetComboList(), combo);
    EXPECT_TRUE(key(VK_END));
    EXPECT_TRUE(key(VK_DOWN)); // clamped at the last entry
    EXPECT_EQ(combo->list.GetCurSel(), 3);
    EXPECT_TRUE(key('L')); // the next entry starting with L, wrapping
    EXPECT_EQ(combo->list.GetCurSel(), 0);
    EXPECT_TRUE(key(VK_RETURN));
    clock.Advance(60);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list.GetCellText(101, kExeCol), CString(u"Low"));
    EXPECT_EQ(m_list.GetComboList(), nullptr); // closed
    EXPECT_EQ(cell.open, 0);
    EXPECT_FALSE(m_list.IsComboOpen());

    // Opened again, the drop-down closes once the cursor is outside it.
    Click(165, RowY(1));
    platform::PumpUntilIdle();
    ASSERT_NE(m_list.GetComboList(), nullptr);
    SetCursorPos(290, 190);
    clock.Advance(110);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list.GetComboList(), nullptr);
    EXPECT_EQ(cell.open, 0);
    EXPECT_EQ(m_list.GetCellText(101, kExeCol), CString(u"Low")); // nothing taken

    // Escape closes it and ends the choice without taking the selected entry.
    Click(165, RowY(1));
    platform::PumpUntilIdle();
    combo = m_list.GetComboList();
    ASSERT_NE(combo, nullptr);
    combo->list.SetCurSel(3);
    EXPECT_TRUE(key(VK_ESCAPE));
    clock.Advance(60);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list.GetComboList(), nullptr);
    EXPECT_EQ(cell.open, 0);
    EXPECT_FALSE(m_list.IsComboOpen());
    EXPECT_EQ(m_list.GetCellText(101, kExeCol), CString(u"Low"));
    cell.choices = nullptr;
}

// Answers the next modal list with the given entry (-1: closed without a choice).
class MenuAnswer {
public:
    explicit MenuAnswer(int entry) {
        platform::SetModalIdleHook([entry](HWND dialog) { EndDialog(dialog, entry); });
    }
    ~MenuAnswer() { platform::SetModalIdleHook(nullptr); }
    MenuAnswer(const MenuAnswer&) = delete;
    MenuAnswer& operator=(const MenuAnswer&) = delete;
};

TEST_F(XListCtrlTest, RowMenuUnassignsTheProgramAndPassesOtherEntriesOn) {
    DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_VISIBLE;
    RegisterDialogTemplate(kMenuTemplate, dialog);
    CListPanel::DefaultTemplateId() = kMenuTemplate;
    CListPanelItem menu(100, 60);
    menu.parent = &m_owner;
    menu.SetEntries({{u"$AssignApplication", nullptr},
                     {u"$UnassignApplication", nullptr},
                     {u"$Delete", nullptr}});
    m_list.rowMenu = &menu;
    m_list.SetItemText(kExeCol, u"game.exe", 101);
    m_list.SetCheck(101, 1);
    {
        MenuAnswer answer(1);
        m_list.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(50, RowY(1)));
        platform::PumpUntilIdle();
    }
    EXPECT_EQ(m_list.GetCellText(101, kExeCol), CString());
    EXPECT_EQ(m_list.GetCheck(101, kAutoCol), 0);
    ASSERT_EQ(m_owner.heard.size(), 2u);
    EXPECT_EQ(m_owner.heard[0].message, WM_XLIST_TEXTCHANGED);
    EXPECT_EQ(m_owner.heard[0].column, 2);
    EXPECT_EQ(m_owner.heard[0].text, u"");
    EXPECT_EQ(m_owner.heard[1].message, WM_XLIST_CHECKCHANGED);
    EXPECT_EQ(m_owner.heard[1].column, 3);
    EXPECT_EQ(m_owner.heard[1].checked, std::optional<bool>(false));
    {
        MenuAnswer answer(2);
        m_list.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(50, RowY(2)));
        platform::PumpUntilIdle();
    }
    ASSERT_EQ(m_owner.heard.size(), 3u);
    EXPECT_EQ(m_owner.heard[2].message, WM_XLIST_COMMAND);
    EXPECT_EQ(m_owner.heard[2].row, 102);
    EXPECT_EQ(m_owner.heard[2].text, u"$Delete");
    {
        MenuAnswer answer(-1); // closed without a choice: an empty command
        m_list.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(50, RowY(2)));
        platform::PumpUntilIdle();
    }
    ASSERT_EQ(m_owner.heard.size(), 4u);
    EXPECT_EQ(m_owner.heard[3].text, u"");
    m_list.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(50, 140)); // no row: no menu
    EXPECT_EQ(m_owner.heard.size(), 4u);
    m_list.rowMenu = nullptr;
}

} // namespace

TEST_F(XListCtrlTest, CutOffCellTextsPopUpInTheCellTip) {
    platform::HeadlessDisplay display{300, 200};
    platform::ScopedVirtualClock clock;
    const std::function<bool(MSG&)> preTranslate = [](MSG& msg) {
        return WalkPreTranslateTree(nullptr, &msg) != FALSE;
    };
    platform::ScopedLoopFilter loop(platform::LoopFilter{nullptr, &preTranslate});
    const CString longText(u"a very long profile name that does not fit");
    m_list.SetItemText(kNameCol, longText.GetString(), 100);
    m_owner.SetActiveWindow();
    const auto advance = [&](std::uint64_t ms) {
        clock.Advance(ms);
        platform::PumpUntilIdle();
    };
    display.MoveMouse(50, RowY(0));
    advance(600);
    const HWND tip = m_list.cellTip.GetSafeHwnd();
    ASSERT_NE(tip, nullptr);
    ASSERT_TRUE(IsWindowVisible(tip));
    CString shown;
    m_list.cellTip.GetText(shown, &m_list, ((0 << 10) | 1) + 1);
    EXPECT_EQ(shown, longText);
    // A cell whose text fits ("Beta") has no tip: the shown one goes.
    display.MoveMouse(50, RowY(1));
    advance(600);
    EXPECT_FALSE(IsWindowVisible(tip));
    EXPECT_EQ(m_list.cellTip.GetToolCount(), 0);
}

TEST_F(XListCtrlTest, AnInPlaceEditShowsTheNameSelectedAndTypingReplacesIt) {
    platform::HeadlessDisplay display{300, 200, RGB(0, 0, 0)};
    const std::function<bool(MSG&)> preTranslate = [](MSG& msg) {
        return WalkPreTranslateTree(nullptr, &msg) != FALSE;
    };
    platform::ScopedLoopFilter loop(platform::LoopFilter{nullptr, &preTranslate});
    m_owner.SetActiveWindow();
    POINT at{50, RowY(1)};
    m_list.ClientToScreen(&at);
    display.DoubleClick(static_cast<int>(at.x), static_cast<int>(at.y));
    ASSERT_TRUE(m_list.IsEditing());
    // The whole name shows selected, in the desktop's highlight colour.
    RECT box{};
    ::GetWindowRect(m_list.GetEditor()->GetSafeHwnd(), &box);
    const gdi::Bitmap& screen = display.Composite();
    int highlighted = 0;
    for (LONG y = box.top; y < box.bottom; ++y) {
        for (LONG x = box.left; x < box.right; ++x) {
            highlighted += screen.GetColor(static_cast<int>(x), static_cast<int>(y)) ==
                                   RGB(0, 120, 215)
                               ? 1
                               : 0;
        }
    }
    EXPECT_GT(highlighted, 40);
    display.PressKey('Z');
    display.PressKey(VK_RETURN);
    EXPECT_FALSE(m_list.IsEditing());
    EXPECT_EQ(m_list.GetCellText(101, kNameCol), CString(u"z"));
}

TEST_F(XListCtrlTest, HeaderItemsDrawTheirOwnBitmapAtTheRight) {
    const COLORREF mark = RGB(250, 0, 250);
    HDC screen = GetDC(nullptr);
    HBITMAP picture = CreateCompatibleBitmap(screen, 10, 10);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 220, 20);
    ReleaseDC(nullptr, screen);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, ToGdiObj(picture));
    RECT all{0, 0, 10, 10};
    HBRUSH brush = CreateSolidBrush(mark);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, ToGdiObj(canvas));

    HDITEMW item;
    item.mask = HDI_BITMAP | HDI_FORMAT;
    item.fmt = HDF_BITMAP;
    item.hbm = picture;
    m_list.header.SetItem(1, &item); // "Name", 30..110
    m_list.header.DrawItems(dc);
    EXPECT_EQ(GetPixel(dc, 110 - 2 - 5, 10), mark); // at the right, centred
    EXPECT_NE(GetPixel(dc, 30 + 10, 10), mark);
    EXPECT_NE(GetPixel(dc, 170 - 2 - 5, 10), mark); // other items have none

    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(canvas);
    DeleteObject(picture);
}

TEST_F(XListCtrlTest, ChoiceDropDownHasItsOwnScrollBar) {
    platform::HeadlessDisplay display{300, 200, RGB(0, 0, 0)};
    CXComboList combo(&m_list);
    ASSERT_TRUE(combo.CreatePopup(RECT{100, 50, 200, 100}, &m_list));
    for (const char16_t* text : {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9"}) {
        combo.list.AddString(text);
    }
    combo.list.SetCurSel(0);
    combo.ShowList();
    platform::PumpUntilIdle();
    const CXComboList::ScrollParts parts = combo.GetScrollParts();
    RECT client{};
    combo.GetClientRect(&client);
    EXPECT_EQ(parts.up.right, client.right - 1); // the 11-pixel strip at the right
    EXPECT_EQ(parts.up.right - parts.up.left, CXComboList::kScrollBarWidth);
    EXPECT_LT(parts.thumb.bottom - parts.thumb.top, parts.down.top - parts.up.bottom);
    POINT thumb{(parts.thumb.left + parts.thumb.right) / 2, parts.thumb.top + 1};
    combo.ClientToScreen(&thumb);
    EXPECT_EQ(display.ScreenPixel(thumb.x, thumb.y), kText); // drawn in the list's colours

    // A click below the thumb scrolls a page, one on the up arrow a line back.
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    GetScrollInfo(combo.m_hWnd, SB_VERT, &info);
    const int page = static_cast<int>(info.nPage);
    ASSERT_GE(page, 1);
    combo.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(parts.up.left + 5, parts.down.top - 1));
    GetScrollInfo(combo.m_hWnd, SB_VERT, &info);
    EXPECT_EQ(info.nPos, page);
    EXPECT_GT(combo.GetScrollParts().thumb.top, parts.thumb.top);
    combo.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(parts.up.left + 5, parts.up.top + 2));
    GetScrollInfo(combo.m_hWnd, SB_VERT, &info);
    EXPECT_EQ(info.nPos, page - 1);
    // The wheel (given to the focused entry list) scrolls three entries a notch, held in range.
    display.Wheel(1);
    GetScrollInfo(combo.m_hWnd, SB_VERT, &info);
    EXPECT_EQ(info.nPos, std::max(page - 4, 0));
    display.Wheel(-5);
    GetScrollInfo(combo.m_hWnd, SB_VERT, &info);
    EXPECT_EQ(info.nPos, info.nMax - static_cast<int>(info.nPage) + 1); // the last page
    combo.DestroyWindow();
}

TEST_F(XListCtrlTest, ChoiceDropDownThumbIsDraggedAndTheListFollows) {
    platform::HeadlessDisplay display{300, 200, RGB(0, 0, 0)};
    CXComboList combo(&m_list);
    ASSERT_TRUE(combo.CreatePopup(RECT{100, 20, 200, 140}, &m_list));
    for (int i = 0; i < 40; ++i) {
        combo.list.AddString(std::u16string(1, static_cast<char16_t>(u'A' + i % 26)).c_str());
    }
    combo.list.SetCurSel(0);
    combo.ShowList();
    platform::PumpUntilIdle();
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    GetScrollInfo(combo.m_hWnd, SB_VERT, &info);
    const int span = 40 - static_cast<int>(info.nPage);
    ASSERT_GT(span, 1);
    const CXComboList::ScrollParts start = combo.GetScrollParts();
    const int x = static_cast<int>(start.thumb.left) + 5;
    const int grabY = static_cast<int>(start.thumb.top) + 2;
    const int travel = static_cast<int>(start.down.top - start.up.bottom) -
                       static_cast<int>(start.thumb.bottom - start.thumb.top);
    ASSERT_GT(travel, 0);
    const auto move = [&](int y) { combo.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(x, y)); };
    const auto position = [&] {
        GetScrollInfo(combo.m_hWnd, SB_VERT, &info);
        return info.nPos;
    };

    combo.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(x, grabY));
    EXPECT_TRUE(combo.IsDraggingThumb());
    EXPECT_EQ(GetCapture(), combo.m_hWnd);
    EXPECT_EQ(position(), 0); // a press on the thumb scrolls nothing

    // Half the travel down: the list's top row is half the span down.
    move(grabY + travel / 2);
    EXPECT_NEAR(position(), span / 2, 1);
    EXPECT_EQ(combo.list.GetTopIndex(), position());
    // Far below the bar: the last page, the thumb at the bottom of its track.
    move(grabY + 1000);
    EXPECT_EQ(position(), span);
    EXPECT_EQ(combo.list.GetTopIndex(), span);
    EXPECT_EQ(combo.GetScrollParts().thumb.bottom, start.down.top);
    // Far above: back at the top.
    move(-500);
    EXPECT_EQ(position(), 0);
    EXPECT_EQ(combo.list.GetTopIndex(), 0);
    EXPECT_EQ(combo.GetScrollParts().thumb.top, start.up.bottom);

    move(grabY + travel / 4);
    const int dropped = position();
    EXPECT_GT(dropped, 0);
    combo.SendMessage(WM_LBUTTONUP, 0, At(x, grabY + travel / 4));
    EXPECT_FALSE(combo.IsDraggingThumb());
    EXPECT_NE(GetCapture(), combo.m_hWnd);
    move(grabY + 1000); // after the release the thumb stays where it was let go
    EXPECT_EQ(position(), dropped);
    EXPECT_EQ(combo.list.GetTopIndex(), dropped);
    combo.DestroyWindow();
}

TEST_F(XListCtrlTest, ChoiceStaysOpenWhileItsThumbIsDraggedOutsideTheDropDown) {
    RegisterWidgetMessages();
    platform::ScopedVirtualClock clock;
    CStringArray choices;
    for (int i = 0; i < 30; ++i) {
        choices.Add(CString(std::u16string(1, static_cast<char16_t>(u'A' + i % 26)).c_str()));
    }
    ListCellInfo& cell = (*m_list.GetCells(1))[2];
    cell.choice = 1;
    cell.choices = &choices;
    m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    platform::PumpUntilIdle();
    Click(165, RowY(1));
    platform::PumpUntilIdle();
    CXComboList* combo = m_list.GetComboList();
    ASSERT_NE(combo, nullptr);
    const RECT thumb = combo->GetScrollParts().thumb;
    combo->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON,
                       At((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2));
    ASSERT_TRUE(combo->IsDraggingThumb());
    SetCursorPos(290, 190);
    clock.Advance(110);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list.GetComboList(), combo); // held: still open
    EXPECT_TRUE(m_list.IsComboOpen());
    combo->SendMessage(WM_LBUTTONUP, 0, At(0, 0));
    clock.Advance(110);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list.GetComboList(), nullptr); // released outside: the choice ends
    EXPECT_EQ(cell.open, 0);
    cell.choices = nullptr;
}

TEST_F(XListCtrlTest, AClickElsewhereInTheListEndsAnOpenChoice) {
    RegisterWidgetMessages();
    platform::ScopedVirtualClock clock;
    CStringArray choices;
    for (const char16_t* text : {u"Low", u"Medium", u"High"}) {
        choices.Add(CString(text));
    }
    ListCellInfo& cell = (*m_list.GetCells(1))[2];
    cell.choice = 1;
    cell.choices = &choices;
    m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    platform::PumpUntilIdle();

    // Another row: the drop-down goes and the choice ends, taking nothing.
    Click(165, RowY(1));
    platform::PumpUntilIdle();
    ASSERT_NE(m_list.GetComboList(), nullptr);
    m_list.GetComboList()->list.SetCurSel(2);
    Click(50, RowY(0));
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list.GetComboList(), nullptr);
    EXPECT_FALSE(m_list.IsComboOpen());
    EXPECT_EQ(cell.open, 0);
    // Selected again later, the row does not bring the drop-down back by itself.
    m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list.GetComboList(), nullptr);
    EXPECT_EQ(m_list.GetCellText(101, kExeCol), CString(u"Low"));

    // The text part of the open cell itself ends it too; its arrow opens it again.
    Click(165, RowY(1));
    platform::PumpUntilIdle();
    ASSERT_NE(m_list.GetComboList(), nullptr);
    Click(120, RowY(1));
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list.GetComboList(), nullptr);
    EXPECT_FALSE(m_list.IsComboOpen());
    Click(165, RowY(1));
    platform::PumpUntilIdle();
    EXPECT_NE(m_list.GetComboList(), nullptr);
    EXPECT_TRUE(m_list.IsComboOpen());
    cell.choices = nullptr;
}

TEST_F(XListCtrlTest, ChoiceDropDownKeysBringTheEntryIntoViewAndTheThumbFollows) {
    platform::HeadlessDisplay display{300, 200, RGB(0, 0, 0)};
    CXComboList combo(&m_list);
    ASSERT_TRUE(combo.CreatePopup(RECT{100, 20, 200, 140}, &m_list));
    for (int i = 0; i < 40; ++i) {
        combo.list.AddString(std::u16string(1, static_cast<char16_t>(u'A' + i % 26)).c_str());
    }
    combo.list.SetCurSel(0);
    combo.ShowList();
    platform::PumpUntilIdle();
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    GetScrollInfo(combo.m_hWnd, SB_VERT, &info);
    const int page = static_cast<int>(info.nPage);
    ASSERT_GT(page, 1);
    ASSERT_LT(page, 40);
    const CXComboList::ScrollParts start = combo.GetScrollParts();
    const auto key = [&](UINT vk) {
        MSG msg{};
        msg.hwnd = combo.list.GetSafeHwnd();
        msg.message = WM_KEYDOWN;
        msg.wParam = vk;
        combo.PreTranslateMessage(&msg);
    };
    const auto shows = [&](int entry) {
        const int top = combo.list.GetTopIndex();
        return entry >= top && entry < top + page;
    };

    for (int i = 0; i < page - 1; ++i) {
        key(VK_DOWN);
    }
    EXPECT_EQ(combo.list.GetTopIndex(), 0); // still on the first page: nothing scrolls
    key(VK_DOWN);
    EXPECT_EQ(combo.list.GetCurSel(), page);
    EXPECT_TRUE(shows(page));
    EXPECT_EQ(combo.list.GetTopIndex(), 1);
    key(VK_END);
    EXPECT_TRUE(shows(39));
    EXPECT_EQ(combo.GetScrollParts().thumb.bottom, start.down.top); // the thumb at the bottom
    key(VK_HOME);
    EXPECT_EQ(combo.list.GetTopIndex(), 0);
    EXPECT_EQ(combo.GetScrollParts().thumb.top, start.up.bottom);
    key(VK_NEXT);
    key(VK_NEXT);
    EXPECT_TRUE(shows(combo.list.GetCurSel()));
    combo.DestroyWindow();
}

TEST_F(XListCtrlTest, OpeningAnotherChoiceCellEndsTheOpenOne) {
    RegisterWidgetMessages();
    platform::ScopedVirtualClock clock;
    CStringArray choices;
    for (const char16_t* text : {u"Low", u"Medium", u"High"}) {
        choices.Add(CString(text));
    }
    ListCellInfo& name = (*m_list.GetCells(1))[1];    // 30..110
    ListCellInfo& program = (*m_list.GetCells(1))[2]; // 110..170
    for (ListCellInfo* cell : {&name, &program}) {
        cell->choice = 1;
        cell->choices = &choices;
    }
    m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    platform::PumpUntilIdle();
    Click(165, RowY(1));
    platform::PumpUntilIdle();
    ASSERT_NE(m_list.GetComboList(), nullptr);
    Click(105, RowY(1)); // the arrow square of the other choice cell
    platform::PumpUntilIdle();
    EXPECT_EQ(program.open, 0);
    EXPECT_EQ(name.open, 1);
    CXComboList* combo = m_list.GetComboList();
    ASSERT_NE(combo, nullptr);
    RECT popup{};
    combo->GetWindowRect(&popup);
    POINT cellLeft{30, 0};
    m_list.ClientToScreen(&cellLeft);
    EXPECT_EQ(popup.left, cellLeft.x); // the drop-down of the cell just opened
    name.choices = nullptr;
    program.choices = nullptr;
}
