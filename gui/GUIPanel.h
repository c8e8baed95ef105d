#pragma once
// The skinned window: a dialog that loads its skin file when its window is created, takes its
// size from the skin's BACKGROUND bitmap, its outline from the MASK bitmap and paints the
// background as its face; the skin's widgets are child windows on top.

#include "gui/GUIItem.h"
#include "gui/PanelBitmap.h"
#include "platform/base/CString.h"
#include "platform/framework/CDialog.h"

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
};

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
