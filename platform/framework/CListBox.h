#pragma once
// Framework list box over "ListBox".

#include "platform/base/CString.h"
#include "platform/framework/CWnd.h"
#include "platform/ui/ListBox.h"

#include <vector>

class CListBox : public CWnd {
public:
    virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        InitListBoxControl();
        return CWnd::Create(WC_LISTBOXW, u"", style, rect, parent, id);
    }
    int AddString(LPCWSTR text) {
        return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    int SetCurSel(int index) {
        return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index)));
    }
    int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
    // The entry's text; empty outside the entries.
    CString GetText(int index) const {
        const auto length = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index));
        if (length < 0) {
            return CString();
        }
        std::vector<WCHAR> buffer(static_cast<size_t>(length) + 1);
        SendMessage(LB_GETTEXT, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(buffer.data()));
        return CString(buffer.data());
    }
    int FindString(int startAfter, LPCWSTR text) const {
        return static_cast<int>(SendMessage(LB_FINDSTRING, static_cast<WPARAM>(startAfter),
                                            reinterpret_cast<LPARAM>(text)));
    }
    int GetTopIndex() const { return static_cast<int>(SendMessage(LB_GETTOPINDEX)); }
    int SetTopIndex(int index) {
        return static_cast<int>(SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(index)));
    }
    int GetItemHeight(int = 0) const { return static_cast<int>(SendMessage(LB_GETITEMHEIGHT)); }
};
