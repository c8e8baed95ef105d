#pragma once
// The configurator's application object: all of the program's work happens in InitInstance,
// which makes sure only one copy runs, prepares the program folder, the configuration and the
// device object, the language, starts the tray companion, runs the main window modally and
// tears everything down again.

#include "gui/GUIItem.h"
#include "platform/framework/CWinApp.h"

#include <functional>

class CBorvantaConfig;
class CBorvantaAppDlg;
class IMouseDevice;

class CBorvantaApp : public CWinApp {
public:
    CBorvantaApp();
    ~CBorvantaApp() override;

    // Always FALSE: the program ends when the main window's modal run returns.
    BOOL InitInstance() override;

    IMouseDevice* device = nullptr;
    CBorvantaConfig* config = nullptr;
    // The language tables made from "Language.xml".
    CGUIItemList languageItems;

    // Tests and tools: keep ExeFolder as it was set instead of the running program's folder.
    bool keepProgramFolder = false;
    // Starts a program the way the shell would (the tray companion); tests replace it.
    std::function<void(const WCHAR* file)> startProgram;
    // Runs while the main window exists (before its modal run), so tests can drive it.
    std::function<void(CBorvantaAppDlg& dialog)> onMainWindow;
    // The modal result of the last main window run (-1 when it was not run).
    INT_PTR mainWindowResult = -1;

private:
    // The lock folder cannot hold the single-instance guard: the user is told why, the exit
    // code becomes 1; returns FALSE.
    BOOL RefuseStartForTheLockFolder();
};
