#include "platform/framework/CWinApp.h"

#include "platform/ui/MessageLoop.h"

#include <atomic>

namespace {
std::atomic<CWinApp*> g_app{nullptr};
std::atomic<DWORD> g_appThread{0};
} // namespace

CWinThread::CWinThread() = default;
CWinThread::~CWinThread() = default;

BOOL CWinThread::InitInstance() {
    return FALSE;
}

int CWinThread::ExitInstance() {
    return m_exitCode;
}

BOOL CWinThread::PreTranslateMessage(MSG* msg) {
    if (!msg) {
        return FALSE;
    }
    return WalkPreTranslateTree(nullptr, msg);
}

BOOL CWinThread::OnIdle(LONG) {
    AfxDeleteTempMaps();
    return FALSE;
}

BOOL CWinThread::PumpMessage() {
    MSG msg;
    if (!GetMessageW(&msg, nullptr, 0, 0)) {
        m_exitCode = static_cast<int>(msg.wParam);
        return FALSE;
    }
    platform::ProcessMessage(msg);
    return TRUE;
}

int CWinThread::Run() {
    m_nThreadID = GetCurrentThreadId();
    const std::function<bool(MSG&)> filter = [this](MSG& msg) {
        return PreTranslateMessage(&msg) != FALSE;
    };
    platform::ScopedLoopFilter scope(platform::LoopFilter{nullptr, &filter});
    for (;;) {
        MSG peek;
        LONG idleCount = 0;
        while (!PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE) && OnIdle(idleCount++)) {
        }
        if (!PumpMessage()) {
            break;
        }
    }
    return ExitInstance();
}

CWinApp::CWinApp(LPCWSTR appName) : m_pszAppName(appName) {
    g_app = this;
}

CWinApp::~CWinApp() {
    CWinApp* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

BOOL CWinApp::InitApplication() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return CWinThread::ExitInstance();
}

void CWinApp::OnHelp() {}

HICON CWinApp::LoadIcon(UINT id) const {
    return LoadIconW(m_hInstance, MAKEINTRESOURCEW(static_cast<WORD>(id)));
}

HCURSOR CWinApp::LoadStandardCursor(LPCWSTR name) const {
    return LoadCursorW(nullptr, name);
}

void CWinApp::SetRegistryKey(LPCWSTR key) {
    m_registryKey = key ? CString(key) : CString();
}

CWinApp* AfxGetApp() {
    return g_app.load();
}

CWinThread* AfxGetThread() {
    CWinApp* app = g_app.load();
    if (!app) {
        return nullptr;
    }
    const DWORD thread = g_appThread.load();
    return thread == 0 || thread == GetCurrentThreadId() ? app : nullptr;
}

CWnd* AfxGetMainWnd() {
    CWinThread* thread = AfxGetThread();
    return thread ? thread->m_pMainWnd : nullptr;
}

int AfxWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    CWinApp* app = AfxGetApp();
    if (!app) {
        return -1;
    }
    g_appThread = GetCurrentThreadId();
    app->m_hInstance = instance;
    app->m_nThreadID = GetCurrentThreadId();
    if (!app->InitApplication() || !app->InitInstance()) {
        const int code = app->ExitInstance();
        g_appThread = 0;
        return code;
    }
    const int code = app->Run();
    g_appThread = 0;
    return code;
}
