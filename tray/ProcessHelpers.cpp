#include "tray/ProcessHelpers.h"

#include "platform/base/Path.h"
#include "platform/base/Process.h"
#include "platform/base/ProcessProgram.h"
#include "platform/base/Registry.h"
#include "platform/base/ToolHelp.h"
#include "platform/base/WideChar.h"
#include "platform/base/WinError.h"
#include "platform/ui/Display.h"
#include "platform/ui/WinUser.h"

#include <memory>

CPcManager thePcManager;

namespace {

// Room for a setting: 260 characters, read with a byte size of 510 so that the text always
// keeps a terminator.
constexpr DWORD kSettingChars = 260;
constexpr DWORD kSettingBytes = 510;

// Reads a text value of the product key (created when missing) into buffer, which it leaves
// terminated. False when the key or the value cannot be read.
bool ReadProductSetting(LPCWSTR valueName, WCHAR (&buffer)[kSettingChars]) {
    std::fill(std::begin(buffer), std::end(buffer), u'\0');
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_READ, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = kSettingBytes;
    const LSTATUS status =
        RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return false;
    }
    // The text ends where the value's bytes end (the value need not hold a terminator).
    buffer[std::min<DWORD>(size / DWORD{sizeof(WCHAR)}, kSettingChars - 1)] = 0;
    return true;
}

struct HandleCloser {
    void operator()(void* handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

} // namespace

bool ReadLanguageSetting(CString& out) {
    WCHAR buffer[kSettingChars];
    if (!ReadProductSetting(u"Language", buffer)) {
        return false;
    }
    out = buffer;
    return true;
}

bool LaunchConfigurator() {
    WCHAR folder[kSettingChars];
    if (!ReadProductSetting(u"InstallDir", folder)) {
        return false;
    }
    const size_t length = wcslen(folder);
    if (length > 0 && folder[length - 1] == u'\\') {
        folder[length - 1] = 0;
    }
    // The configurator runs in its install folder. A folder that cannot be made current
    // starts nothing (a relative name would otherwise resolve in whatever folder was current
    // before), and the program is named by its full path in that folder.
    if (folder[0] == 0 || !SetCurrentDirectoryW(folder)) {
        return false;
    }
    CString program = folder;
    program += u"\\";
    program += kConfiguratorImage;
    HINSTANCE result =
        ShellExecuteW(nullptr, u"open", program.GetString(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<ULONG_PTR>(result) > 32;
}

bool IsConfiguratorRunning() {
    EnableDebugPrivilege();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE || snapshot == nullptr) {
        return false;
    }
    UniqueHandle closer(snapshot);
    // Program files here carry no ".exe": compare with the configurator's name as it is here,
    // exactly (a name differing in case is another program).
    const CString image = ProgramImageName(kConfiguratorImage);
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (wcscmp(entry.szExeFile, image.GetString()) == 0 &&
            platform::IsProcessOfThisDesktop(entry.th32ProcessID)) {
            return true;
        }
    }
    return false;
}

bool RaiseConfigurator() {
    // A window of this process first (none here, but the look-up costs nothing); then one
    // that another process shows on this display, asked to come to the front.
    if (HWND running = FindWindowW(kConfiguratorWindowClass, nullptr)) {
        HWND popup = GetLastActivePopup(running);
        BringWindowToTop(running);
        if (IsIconic(popup)) {
            ShowWindow(popup, SW_RESTORE);
        } else {
            SetForegroundWindow(popup);
        }
        return true;
    }
    platform::DisplayBackend* display = platform::GetDisplayBackend();
    return display != nullptr && display->ActivateOtherProcessWindow(kConfiguratorWindowClass);
}

void OpenConfigurator() {
    if (IsConfiguratorRunning()) {
        RaiseConfigurator();
    } else {
        LaunchConfigurator();
    }
}

bool EnableDebugPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) {
        return false;
    }
    UniqueHandle closer(token);
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    if (!LookupPrivilegeValueW(nullptr, u"SeDebugPrivilege", &privileges.Privileges[0].Luid)) {
        return false;
    }
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
    return GetLastError() == ERROR_SUCCESS;
}

void GetProcessImageName(DWORD processId, CString& out) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) {
        return;
    }
    WCHAR name[520] = {};
    {
        UniqueHandle closer(process);
        DWORD size = 520;
        if (!QueryFullProcessImageNameW(process, 0, name, &size)) {
            name[0] = 0;
        }
    }
    PathStripPathW(name);
    out = name;
}
