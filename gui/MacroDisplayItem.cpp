#include "gui/MacroDisplayItem.h"

#include "gui/BitmapBtn.h"
#include "gui/BitmapCut.h"
#include "gui/FontItem.h"
#include "gui/LangTable.h"
#include "gui/ListPanelItem.h"
#include "gui/RawInputDevices.h"
#include "gui/VScrollBar.h"
#include "gui/WidgetMessages.h"
#include "platform/base/WideChar.h"
#include "platform/framework/CDC.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Clock.h"
#include "platform/ui/ScrollBar.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

void FillColour(HDC dc, const RECT& box, COLORREF colour) {
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(dc, &box, brush);
    ::DeleteObject(brush);
}

bool IsRowNavigationKey(WPARAM vk) {
    return vk == VK_UP || vk == VK_DOWN || vk == VK_PRIOR || vk == VK_NEXT || vk == VK_HOME ||
           vk == VK_END;
}

int RowKindOf(const MacroEvent& event) {
    switch (event.type) {
    case MACRO_EVENT_KEY:
        return (event.flags & 0xFF) == MACRO_KEY_RELEASE ? MACROROW_KEYUP : MACROROW_KEYDOWN;
    case MACRO_EVENT_MOUSE_BUTTON:
        return MACROROW_MOUSE;
    default:
        return MACROROW_DELAY;
    }
}

constexpr const char16_t* kButtonKeys[] = {u"<null>",   u"$LeftButton", u"$RightButton",
                                           u"$Wheel",   u"$Button4",    u"$Button5",
                                           u"$Button6", u"$Button7"};

} // namespace

CMacroDisplayItem::CMacroDisplayItem(int maxEvents, bool isReadOnly)
    : maxEventCount(maxEvents), readOnly(isReadOnly) {
    type = GUIITEM_MACRODISPLAY;
    FillRawMouseButtonTable();
}

CMacroDisplayItem::~CMacroDisplayItem() {
    if (recording) {
        TheRawInputDevices().Unregister();
    }
    if (m_scrollBar && m_scrollBar->GetSafeHwnd() != nullptr) {
        m_scrollBar->DestroyWindow();
    }
    m_scrollBar.reset();
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
    if (m_imageList != nullptr) {
        ImageList_Destroy(m_imageList);
    }
}

BOOL CMacroDisplayItem::SetScrollBar(CVScrollBar* bar, const RECT& area, CWnd* parentWnd,
                                     UINT controlId) {
    m_scrollBar.reset(bar);
    const int barWidth = bar != nullptr ? bar->barWidth : 0;
    RECT listRect = area;
    listRect.right -= barWidth;
    const BOOL created = Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL |
                                    LVS_EDITLABELS | LVS_NOCOLUMNHEADER,
                                listRect, parentWnd, controlId);
    if (!created) {
        return FALSE;
    }
    hwnd = m_hWnd;
    parent = parentWnd;
    m_imageList = ImageList_Create(28, 18, ILC_COLOR4, 10, 10);
    SetImageList(m_imageList, LVSIL_SMALL);
    SetTextColor(textColor);
    LOGFONTW logFont{};
    CFont* font = fontItem != nullptr ? static_cast<CFont*>(fontItem) : GetFont();
    rowStep = font != nullptr && font->GetLogFont(&logFont) != 0 && logFont.lfHeight > 0
                  ? static_cast<int>(logFont.lfHeight) + 1
                  : 16;
    BOOL result = created;
    if (bar != nullptr) {
        const RECT barRect{listRect.right, area.top, area.right, area.bottom};
        result = bar->Create(u"", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_NOTIFY, barRect, parentWnd,
                             kScrollBarId);
        bar->backgroundColor = backgroundColor;
        bar->borderColor = borderColor;
        bar->borderWidth = borderWidth;
    }
    Invalidate();
    return result;
}

HWND CMacroDisplayItem::GetCompanionWindow() const {
    return m_scrollBar ? m_scrollBar->GetSafeHwnd() : nullptr;
}

void CMacroDisplayItem::SetBitmaps(HBITMAP keyDown, HBITMAP keyUp, HBITMAP delay,
                                   HBITMAP delaySelected, HBITMAP mouse, HBITMAP mouseSelected) {
    const HBITMAP sources[] = {keyDown, keyUp, delay, delaySelected, mouse, mouseSelected};
    for (int key = 0; key < 6; ++key) {
        HBITMAP source = sources[key];
        if (source == nullptr) {
            continue;
        }
        const SIZE size = BitmapSize(source);
        auto copy = std::make_unique<CBitmap>();
        CutBitmapSection(*copy, m_hWnd, source, 0, 0, size.cx, size.cy);
        m_images[key] = std::move(copy);
    }
}

bool CMacroDisplayItem::AddColumn(int columnId, int columnType, int format, int width) {
    if (columnId == -1 || columnType == -1 || columns.count(columnId) != 0 ||
        static_cast<int>(columns.size()) >= kMaxColumns) {
        return false;
    }
    const int index = static_cast<int>(columns.size());
    columns[columnId] = MacroColumn{columnType, index, format};
    InsertColumn(index, u"", format, width);
    return true;
}

MacroColumn CMacroDisplayItem::GetColumn(int columnId) const {
    const auto it = columns.find(columnId);
    return it == columns.end() ? MacroColumn{} : it->second;
}

bool CMacroDisplayItem::ToggleRecording() {
    recording = !recording;
    CRawInputDevices& devices = TheRawInputDevices();
    if (recording) {
        m_recordedFrom = events.size();
        devices.AddUsage(6);
        devices.AddUsage(2);
        devices.Register(m_hWnd);
    } else {
        devices.Unregister();
        DropUnreleasedEnd();
    }
    return recording;
}

void CMacroDisplayItem::DropUnreleasedEnd() {
    // A recording ends with the click that stops it (its press can arrive before the pointer
    // is seen over the stop button, its release after recording stopped) or with keys still
    // held: a press at the end has no release, and played back it would hold its key or
    // button down. Such presses go, with the delays behind and between them (only events of
    // this recording).
    bool dropped = false;
    while (events.size() > m_recordedFrom) {
        const MacroEvent& last = events.back();
        const bool press =
            (last.type == MACRO_EVENT_KEY && (last.flags & 0xFF) != MACRO_KEY_RELEASE) ||
            (last.type == MACRO_EVENT_MOUSE_BUTTON && (last.flags & 0xFF) != MACRO_BUTTON_RELEASE);
        if (last.type != MACRO_EVENT_DELAY && !press) {
            break;
        }
        events.pop_back();
        DeleteItem(static_cast<int>(events.size()));
        dropped = true;
    }
    if (dropped) {
        UpdateScrollBar();
        Invalidate();
    }
}

void CMacroDisplayItem::ClearEvents() {
    events.clear();
    DeleteAllItems();
}

bool CMacroDisplayItem::SetEvents(const std::vector<MacroEvent>* newEvents) {
    if (newEvents == nullptr || recording) {
        return false;
    }
    const std::vector<MacroEvent> copy = *newEvents; // the caller may pass our own vector
    ClearEvents();
    for (const MacroEvent& event : copy) {
        AddEventRow(event, false, -1);
    }
    Invalidate();
    return GetItemCount() > 0;
}

bool CMacroDisplayItem::ReplaceEvent(int index, MacroEvent event) {
    if (index < 0 || index >= static_cast<int>(events.size())) {
        // An index equal to the count names no event: nothing to replace.
        return false;
    }
    if (!DeleteItem(index)) {
        return false;
    }
    events.erase(events.begin() + index);
    const bool added = AddEventRow(event, true, index);
    NotifyParent(WM_MACRODISPLAY_CHANGED);
    Invalidate();
    return added;
}

bool CMacroDisplayItem::IsFull() const {
    return static_cast<int>(events.size()) >= maxEventCount;
}

bool CMacroDisplayItem::AddEventRow(MacroEvent event, bool redraw, int index) {
    switch (event.type) {
    case MACRO_EVENT_KEY:
        return AddKeyEventRow(event, redraw, index);
    case MACRO_EVENT_MOUSE_BUTTON:
        return AddMouseEventRow(event, redraw, index);
    case MACRO_EVENT_DELAY:
        return AddDelayEventRow(event, redraw, index);
    default:
        return false;
    }
}

bool CMacroDisplayItem::InsertRow(const MacroEvent& event, int kind, bool redraw, int& index) {
    if (index < 0 || index > GetItemCount()) {
        index = GetItemCount();
    }
    LVITEMW item;
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<LPWSTR>(u"");
    item.lParam = kind;
    const auto at =
        static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0) {
        return false;
    }
    index = at;
    const MacroColumn text = GetColumn(LCITEM_MCREVENT_DESCRIP);
    if (text.index >= 0) {
        SetItemText(index, text.index, EventText(event).GetString());
    }
    EnsureVisible(index);
    UpdateScrollBar();
    const auto slot = std::min<size_t>(static_cast<size_t>(index), events.size());
    events.insert(events.begin() + static_cast<std::ptrdiff_t>(slot), event);
    if (redraw) {
        Invalidate(FALSE);
    }
    return true;
}

bool CMacroDisplayItem::AddKeyEventRow(MacroEvent event, bool redraw, int index) {
    if (event.type != MACRO_EVENT_KEY || !InsertRow(event, RowKindOf(event), redraw, index)) {
        return false;
    }
    if (IsFull() && recording) {
        NotifyParent(WM_MACRODISPLAY_FULL);
    }
    return true;
}

bool CMacroDisplayItem::AddMouseEventRow(MacroEvent event, bool redraw, int index) {
    if (event.type != MACRO_EVENT_MOUSE_BUTTON ||
        !InsertRow(event, MACROROW_MOUSE, redraw, index)) {
        return false;
    }
    if (IsFull() && recording) {
        NotifyParent(WM_MACRODISPLAY_FULL);
    }
    return true;
}

bool CMacroDisplayItem::AddDelayEventRow(MacroEvent event, bool redraw, int index) {
    return event.type == MACRO_EVENT_DELAY && InsertRow(event, MACROROW_DELAY, redraw, index);
}

CString CMacroDisplayItem::EventText(const MacroEvent& event) {
    CString text;
    switch (event.type) {
    case MACRO_EVENT_KEY: {
        const auto code = static_cast<std::uint32_t>(event.code);
        GetKeyDisplayName(static_cast<WORD>(code >> 16), text, static_cast<WORD>(code & 0xFFFF),
                          (event.flags & MACRO_KEY_EXTENDED) != 0);
        break;
    }
    case MACRO_EVENT_MOUSE_BUTTON: {
        const int button = event.code >= 0 && event.code < 8 ? event.code : 0;
        CString composed;
        composed.Format(u"%s%s", kButtonKeys[button],
                        (event.flags & 0xFF) == MACRO_BUTTON_RELEASE ? u"Up" : u"Down");
        text = TranslateText(composed.GetString());
        break;
    }
    case MACRO_EVENT_DELAY: {
        const float seconds = static_cast<float>(event.code) / 1000.0f;
        text.Format(u"%.3f %s", static_cast<double>(seconds), u"sec delay");
        break;
    }
    default:
        break;
    }
    return text;
}

int CMacroDisplayItem::ImageKey(int rowKind, bool selected) {
    switch (rowKind) {
    case MACROROW_DELAY:
        return selected ? 3 : 2;
    case MACROROW_MOUSE:
        return selected ? 5 : 4;
    default:
        return rowKind;
    }
}

void CMacroDisplayItem::SelectRow(int row) {
    if (row >= 0) {
        SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        return;
    }
    const int selected = GetNextItem(-1, LVNI_SELECTED);
    if (selected >= 0) {
        SetItemState(selected, 0, LVIS_SELECTED | LVIS_FOCUSED);
    }
}

void CMacroDisplayItem::NotifyParent(UINT message) {
    HWND parentWnd = m_hWnd != nullptr ? ::GetParent(m_hWnd) : nullptr;
    if (parentWnd != nullptr) {
        ::SendMessageW(parentWnd, message, 0, static_cast<LPARAM>(id));
    }
}

void CMacroDisplayItem::UpdateScrollBar() {
    if (m_scrollBar && m_scrollBar->GetSafeHwnd() != nullptr) {
        m_scrollBar->Update();
    }
}

void CMacroDisplayItem::ShowContextMenu(const CString& command) {
    const int selected = GetNextItem(-1, LVNI_SELECTED);
    if (_wcsicmp(command.GetString(), u"$InsertDelay") == 0) {
        int at = selected + 1; // row 0 when none is selected
        const MacroEvent delay{MACRO_EVENT_DELAY, fixedDelay,
                               static_cast<std::uint32_t>(fixedDelay)};
        if (AddDelayEventRow(delay, true, at)) {
            SelectRow(-1);
            SelectRow(at);
            NotifyParent(WM_MACRODISPLAY_CHANGED);
        }
        return;
    }
    if (selected < 0 || selected >= static_cast<int>(events.size())) {
        return; // the other commands need a row
    }
    if (_wcsicmp(command.GetString(), u"$Delete") == 0) {
        const bool hasNext = selected + 1 < GetItemCount();
        SelectRow(-1);
        DeleteItem(selected);
        events.erase(events.begin() + selected);
        if (hasNext) {
            SelectRow(selected); // the row after the deleted one moved up into its place
        }
        Invalidate();
        UpdateScrollBar();
        NotifyParent(WM_MACRODISPLAY_CHANGED);
    } else if (_wcsicmp(command.GetString(), u"$Edit") == 0) {
        const std::int32_t kind = events[static_cast<size_t>(selected)].type;
        if (kind == MACRO_EVENT_KEY) {
            NotifyParent(WM_MACRODISPLAY_EDITEVENT);
        } else if (kind == MACRO_EVENT_DELAY) {
            EditSelectedRow();
        }
    }
}

void CMacroDisplayItem::EditSelectedRow() {
    const int row = GetNextItem(-1, LVNI_SELECTED);
    if (row >= 0) {
        SendMessage(LVM_EDITLABELW, static_cast<WPARAM>(row));
    }
}

void CMacroDisplayItem::OnBeginLabelEdit() {
    const int row = GetNextItem(-1, LVNI_SELECTED);
    const MacroColumn text = GetColumn(LCITEM_MCREVENT_DESCRIP);
    if (row < 0) {
        return;
    }
    // The row shows seconds with three decimals; rounding gives back the exact milliseconds
    // (truncating would turn 1.001 into 1000).
    const std::string shown = ToUtf8(GetItemText(row, text.index).GetString());
    const double seconds = std::strtod(shown.c_str(), nullptr);
    const auto ms = static_cast<long>(std::lround(seconds * 1000.0));
    SetItemText(row, text.index, u"");
    HWND edit = reinterpret_cast<HWND>(SendMessage(LVM_GETEDITCONTROL));
    if (edit == nullptr) {
        return;
    }
    labelEditing = true;
    ::SetFocus(edit);
    ::SetWindowLongW(edit, GWL_STYLE,
                     ::GetWindowLongW(edit, GWL_STYLE) | static_cast<LONG>(ES_NUMBER));
    CString value;
    value.Format(u"%d", static_cast<int>(ms));
    ::SetWindowTextW(edit, value.GetString());
    ::SendMessageW(edit, EM_SETLIMITTEXT, kDelayDigits, 0);
}

void CMacroDisplayItem::OnEndLabelEdit(bool cancelled) {
    labelEditing = false;
    const int row = GetNextItem(-1, LVNI_SELECTED);
    if (row < 0 || row >= static_cast<int>(events.size())) {
        return;
    }
    SetFocus();
    HWND edit = reinterpret_cast<HWND>(SendMessage(LVM_GETEDITCONTROL));
    WCHAR typed[16]{};
    if (edit != nullptr) {
        ::GetWindowTextW(edit, typed, 16);
    }
    MacroEvent& event = events[static_cast<size_t>(row)];
    if (cancelled) {
        SetItemText(row, GetColumn(LCITEM_MCREVENT_DESCRIP).index, EventText(event).GetString());
        Invalidate();
        return;
    }
    int ms = _wtoi(typed);
    if (ms == 0) {
        ms = event.code; // nothing (or 0) typed: the old delay stays
    }
    const MacroEvent changed{event.type, ms, event.flags};
    event = changed;
    SetItemText(row, GetColumn(LCITEM_MCREVENT_DESCRIP).index, EventText(changed).GetString());
    Invalidate();
    NotifyParent(WM_MACRODISPLAY_CHANGED);
}

bool CMacroDisplayItem::ExcludedWindowBusy() const {
    if (excludedWindow == nullptr) {
        return false;
    }
    if (::GetCapture() != nullptr && ::GetCapture() == excludedWindow->GetSafeHwnd()) {
        return true;
    }
    const auto* button = dynamic_cast<const CBitmapBtn*>(excludedWindow);
    if (button != nullptr && button->hover != 0) {
        return true;
    }
    // The pointer is over it now, although the button has not seen it come yet: a click right
    // after a jump of the pointer (the raw report comes before the button's mouse messages).
    POINT pointer{};
    ::GetCursorPos(&pointer);
    const HWND under = ::WindowFromPoint(pointer);
    const HWND excluded = excludedWindow->GetSafeHwnd();
    return under != nullptr && excluded != nullptr &&
           (under == excluded || ::IsChild(excluded, under));
}

void CMacroDisplayItem::AddDelayEvent() {
    const DWORD now = GetTickCount();
    if (events.empty()) {
        lastTick = now;
        return;
    }
    if (ignoreDelays) {
        return;
    }
    DWORD delay = 0;
    if (fixedDelays) {
        delay = static_cast<DWORD>(std::max(fixedDelay, 0));
    } else {
        delay = std::min<DWORD>(now - lastTick, kMaxDelay);
        lastTick = now;
    }
    AddDelayEventRow(MacroEvent{MACRO_EVENT_DELAY, static_cast<std::int32_t>(delay), delay}, true,
                     -1);
}

void CMacroDisplayItem::RecordEvent(const MacroEvent& event) {
    if (!recording) {
        return;
    }
    AddDelayEvent();
    AddEventRow(event, true, -1);
}

void CMacroDisplayItem::OnRawInput(HRAWINPUT input) {
    UINT size = 0;
    if (GetRawInputData(input, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER)) != 0 ||
        size < sizeof(RAWINPUT)) {
        return;
    }
    std::vector<BYTE> buffer(size);
    if (GetRawInputData(input, RID_INPUT, buffer.data(), &size, sizeof(RAWINPUTHEADER)) != size) {
        return;
    }
    RAWINPUT report;
    std::copy_n(buffer.data(), sizeof(RAWINPUT), reinterpret_cast<BYTE*>(&report));
    if (report.header.dwType == RIM_TYPEMOUSE) {
        const RawMouseButton transition = LookupRawMouseButton(report.data.mouse.usButtonFlags);
        if (transition.button == 0) {
            return;
        }
        lastMouseButton = transition.button;
        lastMouseDirection = transition.direction;
        if (!IsFull() && !ExcludedWindowBusy()) {
            RecordEvent(MacroEvent{MACRO_EVENT_MOUSE_BUTTON, transition.button,
                                   static_cast<std::uint32_t>(transition.direction)});
        }
    } else if (report.header.dwType == RIM_TYPEKEYBOARD) {
        const RAWKEYBOARD& keyboard = report.data.keyboard;
        if ((keyboard.Flags & RI_KEY_BREAK) == 0 && !events.empty()) {
            const MacroEvent& last = events.back();
            // Only a key follows itself: a mouse button held (its number in the code, 0xFF
            // in the flags) is no key repeating.
            if (last.type == MACRO_EVENT_KEY &&
                (static_cast<std::uint32_t>(last.code) & 0xFFFF) == keyboard.MakeCode &&
                (last.flags & 0xFF) == MACRO_KEY_PRESS) {
                return; // the held key repeating
            }
        }
        if (KeyInfoFromStored(keyScratch, &keyboard) && !IsFull()) {
            const auto code = static_cast<std::uint32_t>(keyScratch.scanCode) |
                              (static_cast<std::uint32_t>(keyScratch.virtualKey) << 16);
            const auto flags = static_cast<std::uint32_t>(keyScratch.direction) |
                               (static_cast<std::uint32_t>(keyScratch.flags) << 8);
            RecordEvent(MacroEvent{MACRO_EVENT_KEY, static_cast<std::int32_t>(code), flags});
        }
    }
    UpdateScrollBar();
}

void CMacroDisplayItem::OnScrollRows(int rows) {
    // The list scrolls whole rows: a step shorter than the rows (the font's height against
    // the pictures' 18 pixels) would round one row down to none, so the rows' own height is
    // used when it is larger.
    int step = rowStep;
    RECT first{};
    if (GetItemCount() > 0 && GetItemRect(0, &first, LVIR_BOUNDS)) {
        step = std::max<int>(step, first.bottom - first.top);
    }
    Scroll(CSize(0, rows * step));
    Invalidate();
    UpdateScrollBar();
}

void CMacroDisplayItem::OnMouseMove(UINT flags, CPoint point) {
    CListCtrl::OnMouseMove(flags, point);
    const bool leftDown = (flags & MK_LBUTTON) != 0;
    if (leftDown && !hoverCapture) {
        return;
    }
    if (::GetCapture() != m_hWnd) {
        if (::GetActiveWindow() != nullptr && ::GetParent(m_hWnd) != nullptr) {
            ::SetCapture(m_hWnd);
            hoverCapture = true;
        }
        return;
    }
    POINT screen = point;
    ::ClientToScreen(m_hWnd, &screen);
    if (::WindowFromPoint(screen) != m_hWnd) {
        hoverCapture = false;
        if (!leftDown) {
            ::ReleaseCapture();
        }
    }
}

BOOL CMacroDisplayItem::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_INPUT) {
        // The raw input of the whole desktop reaches the list also while another program is
        // in the foreground; what the user types there is not recorded.
        if (GET_RAWINPUT_CODE_WPARAM(wParam) == RIM_INPUT) {
            OnRawInput(reinterpret_cast<HRAWINPUT>(lParam));
        }
        *result = 0;
        return TRUE;
    }
    if (message == WM_NCCALCSIZE) {
        // No scroll bars of the list's own: the skinned bar beside it does the scrolling.
        ModifyStyle(WS_HSCROLL | WS_VSCROLL, 0);
        *result = 0;
        return TRUE;
    }
    if (message == WM_LIST_SCROLLROWS) {
        OnScrollRows(static_cast<int>(static_cast<LONG_PTR>(wParam)));
        *result = 0;
        return TRUE;
    }
    return CListCtrl::OnWndMsg(message, wParam, lParam, result);
}

BOOL CMacroDisplayItem::OnMouseWheel(UINT, short delta, CPoint) {
    UpdateScrollBar();
    const int steps = (delta < 0 ? -delta : delta) / 120;
    const WPARAM code = delta > 0 ? SB_LINEUP : SB_LINEDOWN;
    for (int i = 0; i < steps; ++i) {
        PostMessage(WM_VSCROLL, code, 0);
    }
    return TRUE;
}

BOOL CMacroDisplayItem::OnEraseBkgnd(CDC* dc) {
    RECT client{};
    GetClientRect(&client);
    FillColour(dc->GetSafeHdc(), client, backgroundColor);
    UpdateScrollBar();
    return TRUE;
}

void CMacroDisplayItem::OnLButtonDown(UINT flags, CPoint point) {
    const int row = HitTest(point);
    if (row >= 0 && row < static_cast<int>(events.size()) &&
        (GetItemState(row, LVIS_FOCUSED) & LVIS_FOCUSED) != 0 &&
        events[static_cast<size_t>(row)].type != MACRO_EVENT_DELAY) {
        return; // no in-place editing of key and mouse rows
    }
    CListCtrl::OnLButtonDown(flags, point);
}

void CMacroDisplayItem::OnRButtonDown(UINT, CPoint point) {
    if (keyRowMenu == nullptr || recording || labelEditing) {
        return;
    }
    LVHITTESTINFO info;
    info.pt = point;
    const int row = SubItemHitTest(&info);
    if (row < 0 || row >= static_cast<int>(events.size())) {
        return;
    }
    SelectRow(-1);
    SelectRow(row);
    SetFocus();
    CListPanelItem* menu = events[static_cast<size_t>(row)].type == MACRO_EVENT_MOUSE_BUTTON
                               ? mouseRowMenu
                               : keyRowMenu;
    if (menu == nullptr) {
        return;
    }
    const int chosen = menu->ShowPopup(0, this, point.x, point.y);
    ShowContextMenu(chosen >= 0 && chosen < menu->GetCount()
                        ? menu->entries[static_cast<size_t>(chosen)].text
                        : CString());
}

BOOL CMacroDisplayItem::PreTranslateMessage(MSG* msg) {
    if (labelEditing || msg == nullptr) {
        return CListCtrl::PreTranslateMessage(msg);
    }
    if (msg->message == WM_KEYDOWN && msg->hwnd == m_hWnd && !recording &&
        IsRowNavigationKey(msg->wParam)) {
        return FALSE; // the list moves through its rows
    }
    if (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) {
        return KeyInfoFromMessage(keyScratch, msg) ? TRUE : FALSE;
    }
    return FALSE;
}

BOOL CMacroDisplayItem::OnNotifyReflect(NMHDR* hdr, LRESULT* result) {
    if (hdr->code == LVN_BEGINLABELEDITW) {
        OnBeginLabelEdit();
        *result = 0;
        return TRUE;
    }
    if (hdr->code == LVN_ENDLABELEDITW) {
        OnEndLabelEdit(reinterpret_cast<const NMLVDISPINFOW*>(hdr)->item.pszText == nullptr);
        *result = 0; // the row text is set here, not by the list
        return TRUE;
    }
    if (hdr->code != NM_CUSTOMDRAW) {
        return FALSE;
    }
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        if (m_scrollBar) {
            RECT client{};
            GetClientRect(&client);
            FillColour(draw->nmcd.hdc, client, backgroundColor);
            const RECT line{client.right - borderWidth, client.top, client.right, client.bottom};
            FillColour(draw->nmcd.hdc, line, borderColor);
        }
        *result = CDRF_NOTIFYITEMDRAW;
        return TRUE;
    case CDDS_ITEMPREPAINT:
        *result = CDRF_NOTIFYSUBITEMDRAW;
        return TRUE;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        DrawCell(draw->nmcd.hdc, static_cast<int>(draw->nmcd.dwItemSpec), draw->iSubItem,
                 draw->nmcd.rc);
        *result = CDRF_SKIPDEFAULT;
        return TRUE;
    default:
        *result = CDRF_DODEFAULT;
        return TRUE;
    }
}

void CMacroDisplayItem::DrawCell(HDC dc, int row, int column, RECT box) {
    FillColour(dc, box, backgroundColor);
    if (row < 0 || row >= GetItemCount()) {
        return;
    }
    const bool selected = row == GetNextItem(-1, LVNI_SELECTED);
    if (column == GetColumn(LCITEM_MCREVENT_ICON).index) {
        const int key = ImageKey(static_cast<int>(GetItemData(row)), selected);
        const auto it = m_images.find(key);
        if (it != m_images.end() && it->second->GetSafeHandle() != nullptr) {
            HDC memory = ::CreateCompatibleDC(dc);
            HGDIOBJ old = ::SelectObject(memory, it->second->GetSafeHandle());
            ::BitBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, memory, 0,
                     0, SRCCOPY);
            ::SelectObject(memory, old);
            ::DeleteDC(memory);
        }
        return;
    }
    const MacroColumn text = GetColumn(LCITEM_MCREVENT_DESCRIP);
    if (column != text.index) {
        return;
    }
    const bool highlighted = selected && !recording;
    if (highlighted) {
        FillColour(dc, box, selectedBackgroundColor);
    }
    CFont bold;
    LOGFONTW logFont{};
    if (fontItem != nullptr && fontItem->GetLogFont(&logFont) != 0) {
        logFont.lfWeight = 700;
        bold.CreateFontIndirect(&logFont);
    }
    HGDIOBJ oldFont =
        bold.GetSafeHandle() != nullptr ? ::SelectObject(dc, bold.GetSafeHandle()) : nullptr;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, highlighted ? selectedTextColor : textColor);
    const UINT align = text.format == 2 ? DT_CENTER : text.format == 1 ? DT_RIGHT : DT_LEFT;
    const CString shown = GetItemText(row, column);
    ::DrawTextW(dc, shown.GetString(), -1, &box,
                align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (oldFont != nullptr) {
        ::SelectObject(dc, oldFont);
    }
}
