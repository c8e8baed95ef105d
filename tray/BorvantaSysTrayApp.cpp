#include "tray/BorvantaSysTrayApp.h"

#include "platform/base/Mutex.h"
#include "platform/base/WinError.h"
#include "platform/ui/CommCtrl.h"
#include "tray/BorvantaSysTrayDlg.h"
#include "tray/TrayResources.h"

CBorvantaSysTrayApp::CBorvantaSysTrayApp() : CWinApp(u"BorvantaSysTray") {}

CBorvantaSysTrayApp::~CBorvantaSysTrayApp() {
    if (mutex) {
        CloseHandle(mutex);
    }
}

BOOL CBorvantaSysTrayApp::InitInstance() {
    mutex = CreateMutexW(nullptr, FALSE, kTrayMutexName);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        mutex = nullptr;
        return FALSE; // another copy runs: this one ends at once
    }
    InitCommonControls();
    CWinApp::InitInstance();
    SetRegistryKey(u"Local AppWizard-Generated Applications");

    auto* dialog = new CBorvantaSysTrayDlg();
    m_pMainWnd = dialog;
    if (!dialog->Create(IDD_BORVANTASYSTRAY_DIALOG)) {
        m_pMainWnd = nullptr;
        delete dialog;
        return FALSE;
    }
    return TRUE;
}

int CBorvantaSysTrayApp::ExitInstance() {
    // Still set only when the window never came or outlived the loop.
    if (m_pMainWnd) {
        CWnd* main = m_pMainWnd;
        m_pMainWnd = nullptr;
        delete main;
    }
    return CWinApp::ExitInstance();
}

void CBorvantaSysTrayApp::OnHelp() {
    CWinApp::OnHelp();
}
