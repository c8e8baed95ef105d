// The configurator program Borvanta5600.
//
//   Borvanta5600                       the configurator on the X display named by $DISPLAY
//                                      (headless only with BORVANTA_DISPLAY=headless);
//                                      without a usable display it says why and ends with 1
//   Borvanta5600 --install-defaults    writes the installer's registry values that are
//                                      missing (InstallDir = this program's folder,
//                                      Language = English) and ends
//   Borvanta5600 --screenshot FILE [--seconds N]
//                                      runs headless for N seconds (default 3), saves the
//                                      screen as a PNG file (the first page), then one file
//                                      per other page (FILE's name + "-performance" and so
//                                      on), and closes the window
//
// Any other argument is ignored (with a note on standard error): the program takes no
// options of its own, and a stray argument from a launcher must not keep it from starting.

#include "configurator/BorvantaApp.h"
#include "configurator/BorvantaAppDlg.h"
#include "configurator/StartUp.h"
#include "device/DeviceServiceApi.h"
#include "gui/SkinFile.h"
#include "platform/base/Path.h"
#include "platform/base/Process.h"
#include "platform/base/WinError.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/DesktopDisplay.h"
#include "platform/ui/x11/X11Display.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace {

CBorvantaApp theApp;

// The device service opened on a helper thread while the display is being opened: the
// start-up's own connection, made a moment later, finds the service's database open (the
// service keeps one per process while anyone holds it). Held until the main window has read
// the mouse through its own connection.
class ServiceWarmUp {
public:
    ServiceWarmUp()
        : m_thread([this] {
              IDeviceService* service = nullptr;
              if (SUCCEEDED(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL,
                                             IID_IDeviceService,
                                             reinterpret_cast<void**>(&service)))) {
                  m_service = service;
              }
          }) {}
    ~ServiceWarmUp() { Release(); }
    ServiceWarmUp(const ServiceWarmUp&) = delete;
    ServiceWarmUp& operator=(const ServiceWarmUp&) = delete;

    void Release() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_service != nullptr) {
            m_service->Release();
            m_service = nullptr;
        }
    }

private:
    IDeviceService* m_service = nullptr; // before the thread that sets it
    std::thread m_thread;
};

int Usage() {
    std::fprintf(stderr, "usage: Borvanta5600 [--install-defaults | --screenshot FILE "
                         "[--seconds N]]\n");
    return 2;
}

int InstallDefaults() {
    InitExeFolder();
    const LSTATUS status = WriteInstallerDefaults(ExeFolder);
    if (status != ERROR_SUCCESS) {
        std::fprintf(stderr, "Borvanta5600: cannot write the registry values (%ld)\n",
                     static_cast<long>(status));
        return 1;
    }
    return 0;
}

// Headless run: after the given time the screen is saved and every dialog is ended, the
// innermost first (a popup, then the main window).
int Screenshot(const std::filesystem::path& file, DWORD seconds) {
    platform::HeadlessDisplay display(1024, 768);
    const DWORD start = GetTickCount();
    bool saved = false;
    CBorvantaAppDlg* mainWindow = nullptr;
    theApp.onMainWindow = [&](CBorvantaAppDlg& dialog) { mainWindow = &dialog; };
    // A run for pictures starts no tray companion: it would stay on the in-memory display,
    // unseen and of no use, after this run ends.
    theApp.startProgram = nullptr;
    platform::SetModalIdleHook([&](HWND dialog) {
        // Wakes the loop again while nothing else happens.
        SetTimer(dialog, 0x7F00, 100, nullptr);
        if (GetTickCount() - start < seconds * 1000) {
            return;
        }
        if (!saved) {
            saved = display.SaveScreenshot(file);
            if (!saved) {
                std::fprintf(stderr, "Borvanta5600: cannot write %s\n", file.c_str());
            }
            // The other pages, each shown by its tab as a click would.
            if (saved && mainWindow != nullptr && dialog == mainWindow->GetSafeHwnd()) {
                const std::pair<int, const char*> tabs[] = {
                    {BUTTON_ADJUSTPERFORMANCE, "-performance"},
                    {BUTTON_MANAGEPROFILES, "-profiles"},
                    {BUTTON_MANAGEMACROS, "-macros"},
                    {BUTTON_LIGHTINGMAINTENANCE, "-lighting"}};
                for (const auto& [id, suffix] : tabs) {
                    const CGUIItem* tab = FindGUIItemById(mainWindow->items, id);
                    if (tab == nullptr) {
                        continue;
                    }
                    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                                 reinterpret_cast<LPARAM>(tab->hwnd));
                    platform::PumpUntilIdle();
                    std::filesystem::path page = file;
                    page.replace_filename(file.stem().string() + suffix +
                                          file.extension().string());
                    if (display.SaveScreenshot(page)) {
                        std::printf("Saved the configurator's screen to %s\n", page.c_str());
                    }
                }
            }
        }
        EndDialog(dialog, IDCANCEL);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    const int result = AfxWinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
    platform::SetModalIdleHook(nullptr);
    if (saved) {
        std::printf("Saved the configurator's screen to %s\n", file.c_str());
    }
    return saved ? result : 1;
}

} // namespace

int main(int argc, char** argv) {
    // The file and colour dialogs ask our choosers, which, like the message boxes' buttons,
    // speak the language the start-up selects.
    InstallStandardDialogs();
    std::filesystem::path screenshot;
    DWORD seconds = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--install-defaults") == 0) {
            return InstallDefaults();
        }
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            // Made absolute now: the start-up changes the current folder.
            screenshot = std::filesystem::absolute(argv[++i]);
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else if (std::strcmp(argv[i], "--screenshot") == 0 ||
                   std::strcmp(argv[i], "--seconds") == 0) {
            return Usage(); // a known option without its value
        } else {
            std::fprintf(stderr, "Borvanta5600: ignoring the unknown argument \"%s\"\n", argv[i]);
        }
    }
    if (!screenshot.empty()) {
        return Screenshot(screenshot, seconds);
    }
    std::optional<ServiceWarmUp> warmUp;
    if (platform::WantX11Display()) {
        warmUp.emplace();
        theApp.onMainWindow = [&warmUp](CBorvantaAppDlg&) { warmUp->Release(); };
        // The main window's largest pictures are read while the display opens, too.
        InitExeFolder();
        LoadSkinPicturesAhead(CBorvantaAppDlg::kSkinFile);
    }
    // The tray companion is started from a helper thread: starting a program waits until the
    // system has loaded it, which the window need not wait for. It starts in the folder that is
    // current now, as it would have.
    std::thread trayStarter;
    theApp.startProgram = [&trayStarter](const WCHAR* file) {
        WCHAR folder[MAX_PATH]{};
        GetCurrentDirectoryW(MAX_PATH, folder);
        trayStarter =
            std::thread([program = std::u16string(file), current = std::u16string(folder)] {
                ShellExecuteW(nullptr, u"open", program.c_str(), nullptr, current.c_str(),
                              SW_SHOWNORMAL);
            });
    };
    // Checked before the start-up takes the single-instance guard: a copy that cannot show
    // itself ends at once and leaves the next start free.
    std::string error;
    std::unique_ptr<platform::DisplayBackend> display =
        platform::OpenDesktopDisplay(&error, 1024, 768);
    if (display == nullptr) {
        std::fprintf(stderr, "Borvanta5600: %s\n", error.c_str());
        DropSkinPicturesAhead();
        return 1;
    }
    const int result = AfxWinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
    theApp.onMainWindow = nullptr;
    if (trayStarter.joinable()) {
        trayStarter.join();
    }
    theApp.startProgram = nullptr;
    DropSkinPicturesAhead(); // a start that ended before its window took nothing
    return result;
}
