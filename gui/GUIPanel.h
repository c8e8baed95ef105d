#pragma once
// The skinned window: a dialog that loads its skin file when its window is created, takes its
// size from the skin's BACKGROUND bitmap, its outline from the MASK bitmap and paints the
// background as its face; the skin's widgets are child windows on top.

#include "gui/GUIItem.h"
#include "gui/PanelBitmap.h"
#include "platform/base/CString.h"
#include "platform/framework/CDialog.h"

#include <vector>

class CGUIPanel : public CDialog {
public:
    // A skinned panel: skinFile names the skin in the program's "xml\" folder.
    CGUIPanel(const WCHAR* skinFile, UINT dialogTemplateId, CWnd* parentWnd);
    // A panel without skin, of the given rectangle.
    CGUIPanel(CWnd* parentWnd, const RECT& panelRect, UINT dialogTemplateId);
    // Deletes the skin's items.
    ~CGUIPanel() override;

    // Every concrete panel binds the items it handles here.
    virtual void BindItems() = 0;

    // A modal panel whose skin could not be read in full is not made (refuseBrokenSkin): the
    // user is told which file failed (ReportSkinProblem, the text of skinProblemText) and the
    // run answers IDCANCEL, so a popup nothing could close never shows.
    INT_PTR DoModal() override;
    int OnCreate(LPCREATESTRUCTW cs) override;
    void OnPaint() override;
    void OnDestroy() override;

    CWnd* parent = nullptr;
    CString skinFile;
    CPanelBitmap* background = nullptr;
    CPanelBitmap* mask = nullptr;
    // The window region made from the mask; the window owns it once set.
    HRGN region = nullptr;
    CGUIItemList items;
    // Given for a panel without skin; right and bottom become the background's size.
    RECT rect{};
    bool loaded = false;
    // The file of the skin that could not be read when the window was last made (the skin
    // file, its BACKGROUND or MASK, or a picture it names); empty when the skin loaded whole.
    CString skinProblem;
    // Whether a skin problem keeps the window from being made (see DoModal).
    bool refuseBrokenSkin = true;
    // The language key of the sentence the user is told before the file's path.
    const WCHAR* skinProblemText = u"$SkinFileFailedPopup";
};

// Tells the user, in a message box owned by owner (none: no owner), that files of the skin
// could not be read: the text of the language key (a plain English sentence when no language
// table has it), then each file's path on a line of its own.
void ReportSkinProblem(CWnd* owner, const WCHAR* textKey, const std::vector<CString>& files);

// The base of the skinned popups: binds its items when the dialog initialises.
class CPopupBox : public CGUIPanel {
public:
    CPopupBox(const WCHAR* skinFileName, UINT dialogTemplateId, CWnd* parentWnd)
        : CGUIPanel(skinFileName, dialogTemplateId, parentWnd) {}
    CPopupBox(CWnd* parentWnd, const RECT& panelRect, UINT dialogTemplateId)
        : CGUIPanel(parentWnd, panelRect, dialogTemplateId) {}
    ~CPopupBox() override = default;

    static const char* GetRuntimeClassName() { return "CPopupBox"; }

    // BindItems, then the dialog's own initialisation.
    BOOL OnInitDialog() override;
    void BindItems() override {}
};
