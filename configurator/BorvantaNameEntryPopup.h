#pragma once
// The configurator's name-entry popup: a skinned modal popup with one edit item
// (EDITCTRL_POPUP_NAMEENTRY) taking at most 20 characters. Its OK item hands the typed name
// to the caller's string and answers IDOK; its Cancel item answers IDCANCEL and leaves the
// string untouched. Enter and Escape leave it open.

#include "configurator/PopupBox.h"
#include "platform/base/CString.h"

class CEditItem;

class CBorvantaNameEntryPopup : public CPopupBox {
public:
    // The longest name the edit accepts.
    static constexpr int kMaxNameLength = 20;

    // skinFile names the skin in the program's "xml\" folder; result (not owned, may be null)
    // receives the name when the popup ends with OK.
    CBorvantaNameEntryPopup(CWnd* parentWnd, const WCHAR* skinFileName, CString* resultName);
    ~CBorvantaNameEntryPopup() override;

    static const char* GetRuntimeClassName() { return "CBorvantaNameEntryPopup"; }

    // BindItems, the standard initialisation, the popup centred over its parent, the focus to
    // the edit and its text limit. Returns FALSE: the focus is set.
    BOOL OnInitDialog() override;
    // The edit item, when the skin has it as an edit item.
    void BindItems() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // The edit's line (empty without an edit) into the result, then the dialog ends with IDOK.
    void OnOK() override;

    CString* result = nullptr;
    CEditItem* edit = nullptr;
};
