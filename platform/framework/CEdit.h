#pragma once
// Framework edit field over the "Edit" control: text typed while focused (WM_CHAR), ES_NUMBER
// accepting digits only, EN_CHANGE/EN_SETFOCUS/EN_KILLFOCUS to the parent.

#include "platform/framework/CWnd.h"

class CEdit : public CWnd {
public:
    virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        return CWnd::Create(u"Edit", u"", style, rect, parent, id);
    }
    // Longest text the field accepts (0: no limit).
    void SetLimitText(UINT max) { SendMessage(EM_SETLIMITTEXT, max); }
    void LimitText(int max = 0) { SetLimitText(static_cast<UINT>(max)); }
    UINT GetLimitText() const { return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT)); }
    void SetSel(int start, int end, BOOL = FALSE) {
        SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
    }
    void GetSel(int& start, int& end) const {
        const auto packed = static_cast<DWORD>(SendMessage(EM_GETSEL));
        start = LOWORD(packed);
        end = HIWORD(packed);
    }
    void SetReadOnly(BOOL readOnly = TRUE) {
        ModifyStyle(readOnly ? 0 : ES_READONLY, readOnly ? ES_READONLY : 0);
    }
};
