#pragma once
// The macro event list: one row per macro event (key, mouse button, delay), recorded from raw
// keyboard and mouse input while the owner has recording on, with measured, fixed or no
// delays between events, and edited through a row menu. Every change is told to the parent
// (WM_MACRODISPLAY_CHANGED, _EDITEVENT, _FULL with the item id in lParam).

#include "gui/GUIItem.h"
#include "model/KeyInfo.h"
#include "model/MacroEvent.h"
#include "platform/framework/CGdiObject.h"
#include "platform/framework/CListCtrl.h"
#include "platform/ui/RawInput.h"

#include <map>
#include <memory>
#include <vector>

class CFontItem;
class CListPanelItem;
class CVScrollBar;

// Column ids of the list (the list-column vocabulary).
inline constexpr int LCITEM_MCREVENT_ICON = 4;
inline constexpr int LCITEM_MCREVENT_DESCRIP = 5;

// Item data of a row: its kind.
enum MacroRowKind : int {
    MACROROW_KEYDOWN = 0,
    MACROROW_KEYUP = 1,
    MACROROW_DELAY = 2,
    MACROROW_MOUSE = 4,
};

struct MacroColumn {
    int type = -1;  // 0 icon, 1 text
    int index = -1; // list column
    int format = 0; // 0 left, 1 right, 2 centre
};

class CMacroDisplayItem : public CListCtrl, public CGUIItem {
public:
    static constexpr int kMaxColumns = 2;
    static constexpr DWORD kMaxDelay = 0xFFFFFF;
    static constexpr UINT kScrollBarId = 0xFFFF;
    // Digits a delay can be typed with, in milliseconds.
    static constexpr WPARAM kDelayDigits = 7;

    CMacroDisplayItem(int maxEvents, bool isReadOnly);
    ~CMacroDisplayItem() override;

    // Creates the list in rect (less the bar's width at the right) and the bar beside it;
    // takes ownership of the bar. The bar's creation result, or the list's without a bar.
    BOOL SetScrollBar(CVScrollBar* bar, const RECT& area, CWnd* parentWnd, UINT controlId);
    // Copies the six row pictures (key down, key up, delay, delay selected, mouse, mouse
    // selected); null ones are skipped.
    void SetBitmaps(HBITMAP keyDown, HBITMAP keyUp, HBITMAP delay, HBITMAP delaySelected,
                    HBITMAP mouse, HBITMAP mouseSelected);
    bool AddColumn(int columnId, int columnType, int format, int width);
    MacroColumn GetColumn(int columnId) const;

    // Flips recording; on stop, presses left without their release at the end are dropped.
    bool ToggleRecording();
    void ClearEvents();
    bool SetEvents(const std::vector<MacroEvent>* newEvents);
    bool ReplaceEvent(int index, MacroEvent event);
    bool IsFull() const;

    bool AddEventRow(MacroEvent event, bool redraw, int index);
    bool AddKeyEventRow(MacroEvent event, bool redraw, int index);
    bool AddMouseEventRow(MacroEvent event, bool redraw, int index);
    bool AddDelayEventRow(MacroEvent event, bool redraw, int index);
    void SelectRow(int row);
    void ShowContextMenu(const CString& command);
    // In-place editing of the selected delay row's milliseconds.
    void EditSelectedRow();
    void OnBeginLabelEdit();
    // Ends the in-place edit of a delay: the typed delay is taken, unless the edit was
    // cancelled (Escape), which keeps the old one and tells nobody.
    void OnEndLabelEdit(bool cancelled = false);
    // The text a row shows for the event.
    static CString EventText(const MacroEvent& event);
    // The picture key of a row kind (selected: the highlighted delay and mouse pictures).
    static int ImageKey(int rowKind, bool selected);

    // Raw input handling (WM_INPUT).
    void OnRawInput(HRAWINPUT input);
    void OnScrollRows(int rows);
    void DrawCell(HDC dc, int row, int column, RECT box);

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnNotifyReflect(NMHDR* header, LRESULT* result) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    BOOL OnMouseWheel(UINT flags, short delta, CPoint point) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    HWND GetCompanionWindow() const override;

    std::map<int, MacroColumn> columns;
    CFontItem* fontItem = nullptr;
    COLORREF textColor = 0xFFFFFF;
    COLORREF selectedTextColor = 0;
    COLORREF backgroundColor = 0;
    COLORREF selectedBackgroundColor = 0xFFFFFF;
    COLORREF borderColor = 0xFFFFFF;
    int borderWidth = 1;
    int rowStep = 16;
    CListPanelItem* keyRowMenu = nullptr;
    CListPanelItem* mouseRowMenu = nullptr;
    KeyInfo keyScratch;
    int lastMouseButton = 0;
    BYTE lastMouseDirection = 0;
    std::vector<MacroEvent> events;
    int maxEventCount = 0;
    bool hoverCapture = false;
    bool recording = false;
    bool readOnly = false;
    bool ignoreDelays = false;
    bool fixedDelays = false;
    DWORD lastTick = 0;
    int fixedDelay = 50;
    bool labelEditing = false;
    CWnd* excludedWindow = nullptr;

private:
    bool InsertRow(const MacroEvent& event, int kind, bool redraw, int& index);
    void AddDelayEvent();
    void RecordEvent(const MacroEvent& event);
    void NotifyParent(UINT message);
    void UpdateScrollBar();
    // Drops the presses (and delays) at the end whose release was not recorded.
    void DropUnreleasedEnd();
    bool ExcludedWindowBusy() const;

    size_t m_recordedFrom = 0; // events before the recording began
    std::map<int, std::unique_ptr<CBitmap>> m_images;
    HIMAGELIST m_imageList = nullptr;
    std::unique_ptr<CVScrollBar> m_scrollBar;
};
