#pragma once
// The tray program's application object: one copy per user (the mutex "BorvantaSysTray"),
// the hidden main dialog created modeless, then the framework's message loop until the
// dialog is gone.

#include "platform/framework/CWinApp.h"

class CBorvantaSysTrayApp : public CWinApp {
public:
    CBorvantaSysTrayApp();
    ~CBorvantaSysTrayApp() override;

    // FALSE (the program ends) for a second copy or when the dialog cannot be created.
    BOOL InitInstance() override;
    int ExitInstance() override;
    void OnHelp() override;

    // The single-instance guard, open for the program's life.
    HANDLE mutex = nullptr;
};
