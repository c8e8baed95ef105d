#pragma once
// Framework dialog: created from a dialog template (DialogTemplate.h, by id or directly),
// modal (DoModal runs a nested message loop until EndDialog) or modeless (Create). The order
// of creation is WM_CREATE (OnCreate), the template's controls, then WM_INITDIALOG
// (OnInitDialog). Enter and Escape reach OnOK and OnCancel through IDOK and IDCANCEL.

#include "platform/framework/CWnd.h"
#include "platform/ui/DialogTemplate.h"

class CDialog : public CWnd {
public:
    CDialog();
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; returns the EndDialog result, or -1 when it could not be
    // created (unknown template, creation refused).
    virtual INT_PTR DoModal();
    // Creates the dialog modeless.
    virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
    BOOL CreateIndirect(const DialogTemplate* dialogTemplate, CWnd* parent = nullptr);
    // Uses a template of its own instead of a registered one.
    void InitModalIndirect(const DialogTemplate* dialogTemplate, CWnd* parent = nullptr);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int result);

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;

    UINT m_nIDHelp = 0;
    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

protected:
    const DialogTemplate* Template() const;
    HWND ParentHandle() const;

    const DialogTemplate* m_lpDialogTemplate = nullptr;
    bool m_modal = false;
    INT_PTR m_nModalResult = -1;
};
