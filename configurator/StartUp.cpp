#include "configurator/StartUp.h"

#include "gui/LangTable.h"
#include "model/NameTables.h"
#include "platform/base/Mutex.h"
#include "platform/base/Path.h"
#include "platform/base/WideChar.h"
#include "platform/base/WinError.h"
#include "platform/framework/ColorChooserDialog.h"
#include "platform/framework/FileChooserDialog.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinUser.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW.
constexpr UINT kClassStyle = 0x2808;
// The window extra bytes of a dialog.
constexpr int kDialogWindowExtra = 30;
} // namespace

void RegisterSingleInstanceClass() {
    WNDCLASSW wc;
    wc.style = kClassStyle;
    wc.lpfnWndProc = &DefDlgProcW;
    wc.cbWndExtra = kDialogWindowExtra;
    wc.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(IDR_MAINFRAME)));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetStockBrush(BLACK_BRUSH);
    wc.lpszClassName = kSingleInstanceClass;
    RegisterClassW(&wc);

    // The main window: a layered application popup of 320 x 201 dialog units without
    // caption; its skin gives the real size and outline.
    DialogTemplate main;
    main.exStyle = WS_EX_APPWINDOW | WS_EX_LAYERED;
    main.style = WS_POPUP | DS_SETFONT | DS_FIXEDSYS;
    main.cx = 320;
    main.cy = 201;
    main.className = kSingleInstanceClass;
    RegisterDialogTemplate(IDD_BORVANTA_DIALOG, main);
}

BOOL ActivateRunningInstance() {
    HWND running = FindWindowW(kSingleInstanceClass, nullptr);
    if (running == nullptr) {
        // Window look-ups see this process only: a copy in another process showing on the
        // same display is asked to raise, restore and activate its window itself.
        platform::DisplayBackend* display = platform::GetDisplayBackend();
        return display != nullptr && display->ActivateOtherProcessWindow(kSingleInstanceClass)
                   ? TRUE
                   : FALSE;
    }
    HWND popup = GetLastActivePopup(running);
    BringWindowToTop(running);
    if (IsIconic(popup)) {
        ShowWindow(popup, SW_RESTORE);
    } else {
        SetForegroundWindow(popup);
    }
    return TRUE;
}

LSTATUS ReadRegistryString(WCHAR* buffer, HKEY key, const WCHAR* valueName) {
    DWORD size = kRegistryStringChars * static_cast<DWORD>(sizeof(WCHAR));
    const LSTATUS status =
        RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer), &size);
    // A value read in full is terminated, also when it was stored without its terminator.
    if (status == ERROR_SUCCESS) {
        const DWORD chars = size / static_cast<DWORD>(sizeof(WCHAR));
        buffer[chars < kRegistryStringChars ? chars : kRegistryStringChars - 1] = 0;
    } else {
        buffer[0] = 0;
    }
    return status;
}

void InitProgramFolder() {
    WCHAR module[MAX_PATH]{};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    WCHAR drive[3]{};
    WCHAR dir[256]{};
    WCHAR name[256]{};
    WCHAR ext[256]{};
    _wsplitpath_s(module, drive, 3, dir, 256, name, 256, ext, 256);
    WCHAR folder[MAX_PATH]{};
    _wmakepath_s(folder, MAX_PATH, drive, dir, nullptr, nullptr);
    wcscpy_s(ExeFolder, MAX_PATH, folder);
    SetCurrentDirectoryW(ExeFolder);
}

HKEY OpenProgramKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProgramRegistryKey, 0, KEY_ALL_ACCESS, &key) ==
        ERROR_SUCCESS) {
        return key;
    }
    key = nullptr;
    if (RegCreateKeyW(HKEY_LOCAL_MACHINE, kProgramRegistryKey, &key) == ERROR_SUCCESS) {
        return key;
    }
    return nullptr;
}

LONG ReadLanguageId(HKEY key) {
    WCHAR language[kRegistryStringChars]{};
    if (ReadRegistryString(language, key, u"Language") != ERROR_SUCCESS) {
        return kDefaultLanguageId;
    }
    return FindLanguageId(language);
}

void ApplyInstallDir(HKEY key) {
    WCHAR installDir[kRegistryStringChars]{};
    if (ReadRegistryString(installDir, key, u"InstallDir") != ERROR_SUCCESS) {
        return;
    }
    const size_t length = wcslen(installDir);
    if (length > 0 && installDir[length - 1] == u'\\') {
        installDir[length - 1] = 0;
    }
    // An empty folder cannot be made current: the program folder stays current.
    SetCurrentDirectoryW(installDir);
}

std::string DescribeLockFolderProblem(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        return "it cannot be made (" + ec.message() + ")";
    }
    if (!fs::is_directory(folder, ec)) {
        return "it is not a folder";
    }
    std::string probe = (folder / ".borvanta-probe-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        return "no file can be made in it (" + std::string(std::strerror(errno)) + ")";
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_len = 1;
    const bool locked = ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
    const int lockError = errno;
    ::close(fd);
    ::unlink(probe.c_str());
    if (!locked) {
        return "its files cannot be locked (" + std::string(std::strerror(lockError)) + ")";
    }
    return {};
}

void ReportLockFolderProblem() {
    const std::filesystem::path folder = LockFolder();
    std::string why = DescribeLockFolderProblem(folder);
    if (why.empty()) {
        why = "its lock files cannot be opened";
    }
    std::fprintf(stderr, "Borvanta5600: the lock folder \"%s\" cannot be used: %s\n",
                 folder.c_str(), why.c_str());
    if (platform::GetDisplayBackend() == nullptr) {
        return;
    }
    CString text;
    if (!CLangTable::Lookup(CurrentLangTable, text, u"$LockFolderFailed")) {
        text = u"The configurator cannot start: the folder of its lock files cannot be used.";
    }
    CString caption;
    if (!CLangTable::Lookup(CurrentLangTable, caption, u"$ProblemCaption")) {
        caption = u"Tolvi Borvanta 5600";
    }
    text += u"\n\n";
    text += CString(FromUtf8(folder.string()).c_str());
    text += u"\n";
    text += CString(FromUtf8(why).c_str());
    MessageBoxW(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

void SelectLanguage(LONG languageId) {
    // Key descriptions tell modifiers in the keyboard layout of the table chosen here.
    UseLanguageKeyboardLayout();
    auto found = LanguageTableMap.find(languageId);
    if (found == LanguageTableMap.end() || found->second == nullptr) {
        found = LanguageTableMap.find(kDefaultLanguageId);
    }
    if (found != LanguageTableMap.end() && found->second != nullptr) {
        CurrentLangTable = found->second;
    }
}

void InstallStandardDialogs() {
    CFileChooserDialog::Install();
    CColorChooserDialog::Install();
    InstallLanguageTextProvider();
}

LSTATUS WriteInstallerDefaults(const WCHAR* installDir) {
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyW(HKEY_LOCAL_MACHINE, kProgramRegistryKey, &key);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    auto writeMissing = [key](const WCHAR* name, const WCHAR* value) {
        DWORD size = 0;
        if (RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
            return static_cast<LSTATUS>(ERROR_SUCCESS);
        }
        return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                              static_cast<DWORD>((wcslen(value) + 1) * sizeof(WCHAR)));
    };
    LSTATUS result = writeMissing(u"InstallDir", installDir);
    if (result == ERROR_SUCCESS) {
        result = writeMissing(u"Language", u"English");
    }
    RegCloseKey(key);
    return result;
}
