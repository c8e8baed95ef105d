#pragma once
// Framework application and thread objects. A program defines one global CWinApp-derived
// object; AfxWinMain runs its InitInstance and, when that returns TRUE, its message loop.

#include "platform/framework/CWnd.h"

class CWinThread {
public:
    CWinThread();
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // The message loop: runs until WM_QUIT, returns ExitInstance's result.
    virtual int Run();
    // Gives the windows of the message (innermost first) a look before dispatch.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Called when the queue is empty; return TRUE for more idle calls.
    virtual BOOL OnIdle(LONG count);
    BOOL PumpMessage();
    CWnd* GetMainWnd() const { return m_pMainWnd; }

    CWnd* m_pMainWnd = nullptr;
    DWORD m_nThreadID = 0;
    int m_exitCode = 0;
};

class CWinApp : public CWinThread {
public:
    explicit CWinApp(LPCWSTR appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitApplication();
    int ExitInstance() override;
    virtual void OnHelp();
    HICON LoadIcon(UINT id) const;
    HCURSOR LoadStandardCursor(LPCWSTR name) const;
    // Where the application keeps its settings; stored for the program to read.
    void SetRegistryKey(LPCWSTR key);

    HINSTANCE m_hInstance = nullptr;
    LPCWSTR m_pszAppName = nullptr;
    CString m_registryKey;
};

// The application object (the last constructed CWinApp), the calling thread's thread object
// (the application on the thread that runs it) and its main window.
CWinApp* AfxGetApp();
CWinThread* AfxGetThread();
CWnd* AfxGetMainWnd();

// Entry: InitApplication, InitInstance, then Run when InitInstance returns TRUE, else
// ExitInstance. Returns the exit code.
int AfxWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show);
