#pragma once
// The configurator's start-up pieces: the single-instance window class and mutex, the
// program's registry values, the program folder and the choice of the display language.

#include "platform/base/Registry.h"
#include "platform/base/WinTypes.h"

#include <filesystem>
#include <string>

// The class of the main window; a second copy finds the running one by it.
inline constexpr const WCHAR* kSingleInstanceClass = u"SINGLE_INSTANCE_APP_BORVANTA";
// Serialises the single-instance check of two copies starting together.
inline constexpr const WCHAR* kSingleInstanceMutex = u"CSingleInstanceApp{B98C6AA5-57C0}";
// Held by the copy whose main window runs, for as long as it runs: window look-ups do not
// reach other processes here, so a copy started from another process learns of the running
// one through this mutex (and ends without raising it).
inline constexpr const WCHAR* kRunningInstanceMutex = u"CSingleInstanceApp{B98C6AA5-57C0}.Running";
// Below HKEY_LOCAL_MACHINE: the installer's values "Language" and "InstallDir".
inline constexpr const WCHAR* kProgramRegistryKey = u"Software\\Tolvi\\Borvanta";
// The main window's dialog template and the program icon.
inline constexpr UINT IDD_BORVANTA_DIALOG = 102;
inline constexpr UINT IDR_MAINFRAME = 134;
// English, used when the registry names no known language.
inline constexpr LONG kDefaultLanguageId = 320;
// Registry strings are read into buffers of this many characters (terminator included).
inline constexpr DWORD kRegistryStringChars = 40;

// Registers the main window's class (dialog window procedure, arrow cursor, black
// background) and its dialog template. Registering again is harmless.
void RegisterSingleInstanceClass();

// When a main window of another copy exists: raises it (restores its last active popup when
// minimised, else brings that popup to the foreground) and returns TRUE. A copy in another
// process is found through the display (X11) and asked to do the same.
BOOL ActivateRunningInstance();

// Reads a string value into buffer (kRegistryStringChars characters); the value's type is
// not checked. Returns the registry status: a longer value fails and counts as missing.
LSTATUS ReadRegistryString(WCHAR* buffer, HKEY key, const WCHAR* valueName);

// Fills ExeFolder from the running program's path (drive and directory, trailing
// separator) and makes it the current folder.
void InitProgramFolder();

// What the registry tells the start-up: the language id, and whether the key could be had
// (only then is the install folder made current and the tray started).
struct ProgramSettings {
    bool keyOpened = false;
    LONG languageId = kDefaultLanguageId;
};

// Opens (or creates) the program's key, reads "Language" (unknown names give -1, an
// unreadable value English) and "InstallDir", which becomes the current folder without a
// trailing separator; startTray runs while the key is open.
template <class StartTray> ProgramSettings ReadProgramSettings(StartTray&& startTray);

// The current language table becomes the one of languageId, else English's; without either
// it stays as it was. Key descriptions use the current table's keyboard layout from then on.
void SelectLanguage(LONG languageId);

// Installs the standard dialogs the program uses: the file chooser (profile and macro files, a
// profile's program), the colour chooser (the palette's custom colour), and the text provider
// that makes them and the message boxes speak the language SelectLanguage makes current.
void InstallStandardDialogs();

// Why the folder cannot hold the lock files of named mutexes, in words for people (the
// system's own words where it gave some): it cannot be made, is no folder, or no file can be
// made in it, or a lock file made there cannot be locked. Empty when none of that is so.
std::string DescribeLockFolderProblem(const std::filesystem::path& folder);

// Tells the user that the program cannot start because its lock folder (LockFolder) cannot be
// used, and why: a line on standard error, and a message box where a display is open, in the
// language the registry names (English when no language table is there).
void ReportLockFolderProblem();

// Writes the installer's values when they are missing: "InstallDir" = installDir and
// "Language" = "English". Values already there are kept. Returns the registry status.
LSTATUS WriteInstallerDefaults(const WCHAR* installDir);

// ---- implementation of the template ------------------------------------------------------
HKEY OpenProgramKey();
void ApplyInstallDir(HKEY key);
LONG ReadLanguageId(HKEY key);

template <class StartTray> ProgramSettings ReadProgramSettings(StartTray&& startTray) {
    ProgramSettings settings;
    HKEY key = OpenProgramKey();
    if (key == nullptr) {
        return settings;
    }
    settings.keyOpened = true;
    settings.languageId = ReadLanguageId(key);
    ApplyInstallDir(key);
    startTray();
    RegCloseKey(key);
    return settings;
}
