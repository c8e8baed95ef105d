#pragma once
// The list-view control's own state and the helpers its parts share (ListView.cpp: the
// window procedure, rows, painting; ListViewInput.cpp: keys, the wheel and label editing).
// Internal to platform_ui.

#include "platform/ui/ListView.h"

#include <string>
#include <vector>

namespace platform::listview {

struct Row {
    std::vector<std::u16string> texts; // one per column, the first is the item's own
    LPARAM data = 0;
    UINT state = 0;
};

struct Column {
    int width = 0;
    int format = LVCFMT_LEFT;
    std::u16string title;
};

struct ListState {
    std::vector<Row> rows;
    std::vector<Column> columns;
    int top = 0; // first visible row
    HFONT font = nullptr;
    COLORREF textColour = 0;
    COLORREF backColour = RGB(255, 255, 255);
    COLORREF outlineColour = 0;
    DWORD extendedStyle = 0;
    HWND header = nullptr;       // the column headings, null with LVS_NOCOLUMNHEADER
    HIMAGELIST images = nullptr; // small images: only their height matters here
    HWND edit = nullptr;         // the label editor while a label is edited
    int editRow = -1;
    bool ending = false;
    int wheelRest = 0; // wheel delta not yet turned into whole rows
};

ListState* StateOf(HWND hwnd);
int RowHeight(const ListState& s);
int RowsPerPage(HWND hwnd, const ListState& s);
int Count(const ListState& s);
// Scrolls so that the row comes first (held in range), repainting when the view moved.
void ScrollTo(HWND hwnd, ListState& s, int top);
RECT RowRect(HWND hwnd, const ListState& s, int index);
void SetText(Row& row, int column, LPCWSTR text);
bool Valid(const ListState& s, WPARAM index);

// Label editing (LVM_EDITLABELW, LVM_CANCELEDITLABEL).
HWND BeginLabelEdit(HWND hwnd, ListState& s, WPARAM index);
void EndLabelEdit(HWND hwnd, ListState& s, bool commit);
// Up, Down, Page Up, Page Down, Home and End move the selection (single) and bring the new
// row into view; false for other keys.
bool MoveByKey(HWND hwnd, ListState& s, WPARAM vk);
// Scrolls by the wheel: three rows per notch, partial notches adding up.
void ScrollByWheel(HWND hwnd, ListState& s, int delta);

} // namespace platform::listview
