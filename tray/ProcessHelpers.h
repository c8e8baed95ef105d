#pragma once
// Operating-system helpers of the tray program: the product's registry settings, whether the
// configurator runs, starting it from its installation folder, and the program file behind a
// process (for per-program profile switching). They keep no state.

#include "platform/base/CString.h"
#include "platform/base/WinTypes.h"

// The product key under HKEY_LOCAL_MACHINE.
inline constexpr const WCHAR* kProductKey = u"Software\\Tolvi\\Borvanta";
// The configurator's program file.
inline constexpr const WCHAR* kConfiguratorImage = u"Borvanta5600.exe";
// The window class of the configurator's main window.
inline constexpr const WCHAR* kConfiguratorWindowClass = u"SINGLE_INSTANCE_APP_BORVANTA";

// The "Language" value of the product key; false (out unchanged) when it cannot be read.
bool ReadLanguageSetting(CString& out);
// Starts the configurator by its full path in the folder named by "InstallDir", which
// becomes the current folder; false when the value is missing, the folder cannot be made
// current or the program could not be started.
bool LaunchConfigurator();
// True when a configurator of this user runs on this display: a process whose program file is
// the configurator's (name compared exactly). Another user's, or one shown on another
// display, does not count.
bool IsConfiguratorRunning();
// Brings the running configurator's main window to the front (restored when minimised), as a
// second start of the configurator does; false when no window of it was found.
bool RaiseConfigurator();
// What the menu's "Load Borvanta Configurator" and a double click do: raise the configurator
// of this user and display where it runs, else start it.
void OpenConfigurator();
// Asks for the debug privilege; true when it was granted.
bool EnableDebugPrivilege();
// The file name (without folder) of the process's program; out stays as it was when the
// process cannot be opened, and is empty when its program cannot be read.
void GetProcessImageName(DWORD processId, CString& out);

// The tray program's process manager: one global object with nothing but its lifetime.
class CPcManager {
public:
    CPcManager() = default;
    CPcManager(const CPcManager&) = delete;
    CPcManager& operator=(const CPcManager&) = delete;
    virtual ~CPcManager() = default;
};

extern CPcManager thePcManager;
