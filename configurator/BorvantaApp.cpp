#include "configurator/BorvantaApp.h"

#include "configurator/BorvantaAppDlg.h"
#include "configurator/PopupBox.h"
#include "configurator/StartUp.h"
#include "device/IMouseDevice.h"
#include "gui/ListPanel.h"
#include "gui/SkinFile.h"
#include "gui/WidgetMessages.h"
#include "model/BorvantaConfig.h"
#include "platform/base/Handle.h"
#include "platform/base/Mutex.h"
#include "platform/base/Path.h"
#include "platform/base/Process.h"
#include "platform/com/ObjBase.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/WinUser.h"

namespace {
constexpr DWORD kMutexWaitMs = 1000;
// The list popups of drop-down fields and list panel items use the warning popup's frame.
constexpr UINT kListPopupTemplate = 5;
} // namespace

CBorvantaApp::CBorvantaApp() : CWinApp(u"Borvanta5600") {
    startProgram = [](const WCHAR* file) {
        ShellExecuteW(nullptr, u"open", file, nullptr, nullptr, SW_SHOWNORMAL);
    };
}

CBorvantaApp::~CBorvantaApp() = default;

BOOL CBorvantaApp::RefuseStartForTheLockFolder() {
    // The user is told in the language the registry names: it is read here, without starting
    // anything.
    if (!keepProgramFolder) {
        InitProgramFolder();
    }
    LoadSkinFile(languageItems, u"Language.xml", nullptr);
    SelectLanguage(ReadProgramSettings([] {}).languageId);
    ReportLockFolderProblem();
    m_exitCode = 1;
    return FALSE;
}

BOOL CBorvantaApp::InitInstance() {
    m_exitCode = 0;
    RegisterSingleInstanceClass();

    // Two copies starting together check one after the other; a copy that cannot have the
    // mutex within a second ends without touching anything.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kSingleInstanceMutex);
    if (mutex == nullptr) {
        return RefuseStartForTheLockFolder();
    }
    if (WaitForSingleObject(mutex, kMutexWaitMs) == WAIT_TIMEOUT) {
        CloseHandle(mutex);
        return FALSE;
    }
    if (ActivateRunningInstance()) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return FALSE;
    }
    // A copy in another process: its window cannot be raised from here, so this copy ends.
    HANDLE running = CreateMutexW(nullptr, FALSE, kRunningInstanceMutex);
    if (running == nullptr) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return RefuseStartForTheLockFolder();
    }
    if (WaitForSingleObject(running, 0) == WAIT_TIMEOUT) {
        CloseHandle(running);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return FALSE;
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);

    InitCommonControls();
    // The widgets' named messages (the cell list's drop-down reports through them) are 0,
    // and dropped, until registered.
    RegisterWidgetMessages();
    RegisterPopupDialogTemplates();
    SetRegistryKey(u"Local AppWizard-Generated Applications");
    const HRESULT com = CoInitialize(nullptr);

    if (keepProgramFolder) {
        SetCurrentDirectoryW(ExeFolder);
    } else {
        InitProgramFolder();
    }

    config = new CBorvantaConfig();
    CreateMouseDevice(config, &device);

    LoadSkinFile(languageItems, u"Language.xml", nullptr);

    const ProgramSettings settings = ReadProgramSettings([this] {
        // Started on every start; the tray program keeps itself single. A missing tray
        // program changes nothing here.
        if (startProgram) {
            startProgram(u"BorvantaSysTray.exe");
        }
    });
    SelectLanguage(settings.languageId);

    CListPanel::DefaultTemplateId() = kListPopupTemplate;

    {
        CBorvantaAppDlg dialog(device, config);
        m_pMainWnd = &dialog;
        if (onMainWindow) {
            dialog.onInitialized = [this, &dialog] { onMainWindow(dialog); };
        }
        mainWindowResult = dialog.DoModal();
        m_pMainWnd = nullptr;
        // A main window that could not be made (its skin failed; the user was told) ends
        // the program with an error.
        if (!dialog.skinProblem.IsEmpty()) {
            m_exitCode = 1;
        }

        DestroyMouseDevice();
        device = nullptr;
        delete config;
        config = nullptr;
        if (SUCCEEDED(com)) {
            CoUninitialize();
        }
    }
    ReleaseMutex(running);
    CloseHandle(running);
    return FALSE;
}
