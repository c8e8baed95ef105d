#pragma once
// The drop-down of a choice cell of the cell list: a popup with a list box of the choices and
// a vertical scroll state of its own. Keys move the current entry; Return, Escape, moves and
// clicks are told to the owning list by the registered WM_XCOMBOLIST_* messages.

#include "platform/framework/CListBox.h"
#include "platform/framework/CWnd.h"

class CXListCtrl;

class CXComboList : public CWnd {
public:
    static constexpr int kScrollBarWidth = 11;

    explicit CXComboList(CXListCtrl* ownerList);
    ~CXComboList() override;

    // Creates the popup at rect (screen coordinates).
    BOOL CreatePopup(const RECT& rect, CWnd* parentWnd);
    // Focuses the list; the first time also fits the height to whole entries, lays out the
    // list, sets the scroll range and shows the current entry.
    void ShowList();

    int OnCreate(LPCREATESTRUCTW cs) override;
    void OnDestroy() override;
    void OnKillFocus(CWnd* newWnd) override;
    void OnVScroll(UINT code, UINT pos, CWnd* scrollBar) override;
    // The wheel (from the entry list too, which leaves it to its parent) scrolls three
    // entries a notch, the scroll bar following.
    BOOL OnMouseWheel(UINT flags, short delta, CPoint point) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    // The drop-down's own scroll bar in the strip right of the list: arrows at both ends, the
    // thumb sized by page and range; clicks on the arrows scroll a line, beside the thumb a
    // page; the thumb is dragged with the mouse captured, the list following it.
    void OnPaint() override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnCaptureChanged(CWnd* wnd) override;

    // True while the thumb is held.
    bool IsDraggingThumb() const { return m_dragging; }

    // The parts of the scroll bar in client coordinates.
    struct ScrollParts {
        RECT up{};
        RECT down{};
        RECT thumb{};
    };
    ScrollParts GetScrollParts() const;

    CListBox list;
    CXListCtrl* owner = nullptr;
    int focusLosses = 0;
    bool shown = false;

private:
    void Tell(UINT message);
    void MoveTo(int index);
    int PageEntries() const;

    bool m_dragging = false;
    // Where in the thumb it was grabbed, so the thumb keeps its place under the mouse.
    int m_grabOffset = 0;
};
