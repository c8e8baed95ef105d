#include "platform/framework/CDialog.h"

#include "platform/framework/CWinApp.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"

namespace {
void AttachDialogOnCreate(HWND hwnd, void* context) {
    static_cast<CWnd*>(context)->SubclassWindow(hwnd);
}
} // namespace

CDialog::CDialog() = default;

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() = default;

void CDialog::InitModalIndirect(const DialogTemplate* dialogTemplate, CWnd* parent) {
    m_lpDialogTemplate = dialogTemplate;
    m_pParentWnd = parent;
}

const DialogTemplate* CDialog::Template() const {
    return m_lpDialogTemplate ? m_lpDialogTemplate : FindDialogTemplate(m_nIDTemplate);
}

HWND CDialog::ParentHandle() const {
    if (m_pParentWnd) {
        return m_pParentWnd->m_hWnd;
    }
    // Without a parent, a dialog is owned by the application's main window (if not itself).
    CWnd* main = AfxGetMainWnd();
    return main && main != this ? main->m_hWnd : nullptr;
}

INT_PTR CDialog::DoModal() {
    const DialogTemplate* source = Template();
    if (!source || m_hWnd) {
        return -1;
    }
    DialogTemplate modal = *source;
    modal.style &= ~WS_VISIBLE;
    HWND parent = ParentHandle();
    HWND owner = parent ? GetAncestor(parent, GA_ROOT) : nullptr;
    m_modal = true;
    m_nModalResult = -1;
    platform::SetThreadCreateHook(&AttachDialogOnCreate, this);
    HWND hwnd = CreateDialogIndirectParamW(nullptr, &modal, parent, nullptr, 0);
    platform::SetThreadCreateHook(nullptr, nullptr);
    if (!hwnd) {
        m_modal = false;
        return -1;
    }
    // The windows of the message, up to the dialog, see it before the dialog manager.
    const std::function<bool(MSG&)> preTranslate = [hwnd](MSG& msg) {
        return WalkPreTranslateTree(hwnd, &msg) != FALSE;
    };
    const INT_PTR result = platform::RunModalDialog(hwnd, owner, preTranslate, true);
    m_modal = false;
    m_nModalResult = result;
    return result;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    m_nIDTemplate = templateId;
    m_pParentWnd = parent;
    return CreateIndirect(FindDialogTemplate(templateId), parent);
}

BOOL CDialog::CreateIndirect(const DialogTemplate* dialogTemplate, CWnd* parent) {
    if (!dialogTemplate || m_hWnd) {
        return FALSE;
    }
    m_pParentWnd = parent;
    m_modal = false;
    platform::SetThreadCreateHook(&AttachDialogOnCreate, this);
    HWND hwnd = CreateDialogIndirectParamW(nullptr, dialogTemplate, ParentHandle(), nullptr, 0);
    platform::SetThreadCreateHook(nullptr, nullptr);
    return hwnd ? TRUE : FALSE;
}

BOOL CDialog::OnInitDialog() {
    return TRUE;
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int result) {
    if (m_hWnd) {
        ::EndDialog(m_hWnd, result);
    }
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_INITDIALOG) {
        *result = OnInitDialog();
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, result);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (CWnd::OnCommand(wParam, lParam)) {
        return TRUE; // the control handled its own notification
    }
    if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    // A modal dialog's loop runs the dialog manager itself; a modeless one does it here.
    if (m_modal || !m_hWnd || !msg) {
        return FALSE;
    }
    if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)) {
        return FALSE;
    }
    return IsDialogMessageW(m_hWnd, msg);
}
