#pragma once
// The configurator's warning, confirmation and notice popup: a skinned modal popup whose
// message is the heading text of its skin (TEXT_WARNDLG_HEADING), optionally followed by an
// extra text of the caller (such as ": " and a profile name) or replaced by a text the caller
// sets. Only the skin's OK and Cancel items close it: DoModal answers IDOK or IDCANCEL.

#include "configurator/PopupBox.h"
#include "platform/base/CString.h"

class CTextItem;

class CBorvantaWarningDlg : public CPopupBox {
public:
    // skinFile names the skin in the program's "xml\" folder; extraText (not copied: it must
    // outlive DoModal) is appended to the heading, or null.
    CBorvantaWarningDlg(CWnd* parentWnd, const WCHAR* skinFileName,
                        const WCHAR* extraText = nullptr);
    ~CBorvantaWarningDlg() override;

    static const char* GetRuntimeClassName() { return "CBorvantaWarningDlg"; }

    // A text (or "$" language key) shown instead of the heading and the extra text; set it
    // before DoModal.
    void SetText(const CString& replacement) { text = replacement; }
    // A text (or "$" language key) shown instead of the skin's message (TEXT_WARNDLG_MESSAGE);
    // set it before DoModal.
    void SetMessage(const CString& replacement) { message = replacement; }

    // Standard initialisation, BindItems, the replacement text, then the popup is centred over
    // its parent. Returns the standard result.
    BOOL OnInitDialog() override;
    // The heading item, when the skin has it as a text item, with the extra text appended.
    void BindItems() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // System commands (close or move from the window menu, Alt+F4) do nothing, except that
    // closing ends a popup whose skin has neither OK nor Cancel (unless held open).
    void OnSysCommand(UINT id, LPARAM lParam) override;

    // Set by the owner of a popup without items that it ends itself (the writing popup):
    // Escape and closing leave it open even though its skin has nothing that closes it.
    bool holdOpen = false;

    CTextItem* heading = nullptr;
    CString text;
    CString message;
    const WCHAR* extra = nullptr;

private:
    // The extra text is appended once, however often the items are bound.
    bool m_extraAppended = false;
};
