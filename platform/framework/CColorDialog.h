#pragma once
// Framework colour dialog over ChooseColorW: DoModal answers IDOK or IDCANCEL; GetColor is the
// chosen colour after OK and the initial colour otherwise.

#include "platform/framework/CWnd.h"
#include "platform/ui/CommDlg.h"

class CColorDialog {
public:
    explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parentWnd = nullptr)
        : m_parent(parentWnd) {
        m_cc.rgbResult = initial;
        m_cc.Flags = flags | CC_RGBINIT;
        m_cc.lpCustColors = m_customColors;
    }
    CColorDialog(const CColorDialog&) = delete;
    CColorDialog& operator=(const CColorDialog&) = delete;

    INT_PTR DoModal() {
        m_cc.hwndOwner = m_parent != nullptr ? m_parent->GetSafeHwnd() : nullptr;
        return ChooseColorW(&m_cc) ? IDOK : IDCANCEL;
    }
    COLORREF GetColor() const { return m_cc.rgbResult; }

    CHOOSECOLORW m_cc;

private:
    CWnd* m_parent;
    COLORREF m_customColors[16] = {};
};
