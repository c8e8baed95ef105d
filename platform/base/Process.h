#pragma once
// Processes: starting programs and documents, process handles, the image file of a process,
// and the access-token calls the programs make before looking at other processes.
//
// Programs are named as the system names them ("Borvanta5600.exe"); here executables carry
// no ".exe", so a program name ending in ".exe" that does not exist as such is looked for
// without it. Documents and web addresses open with the desktop's opener (xdg-open) when
// there is one.

#include "platform/base/CString.h"
#include "platform/base/Handle.h"

#include <vector>

inline constexpr DWORD STILL_ACTIVE = 259;

inline constexpr DWORD PROCESS_TERMINATE = 0x0001;
inline constexpr DWORD PROCESS_VM_READ = 0x0010;
inline constexpr DWORD PROCESS_QUERY_INFORMATION = 0x0400;
inline constexpr DWORD PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;

struct STARTUPINFOW {
    DWORD cb = 0;
    DWORD dwFlags = 0;
    WORD wShowWindow = 0;
};
using LPSTARTUPINFOW = STARTUPINFOW*;

struct PROCESS_INFORMATION {
    HANDLE hProcess = nullptr;
    HANDLE hThread = nullptr;
    DWORD dwProcessId = 0;
    DWORD dwThreadId = 0;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// Starts a program. applicationName, when given, is the program's path; otherwise the first
// word of commandLine (quoted when it holds blanks) is. The rest of commandLine is split into
// arguments by the usual quoting rules; no shell sees it. currentDirectory null keeps ours.
// The child inherits this process's environment (environment must be null).
// Both handles must be closed; the process handle is signalled when the process ends.
BOOL CreateProcessW(LPCWSTR applicationName, WCHAR* commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes, LPSECURITY_ATTRIBUTES threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation);
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
// Ends the process at once; its exit code becomes exitCode.
BOOL TerminateProcess(HANDLE process, UINT exitCode);
HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId);
// The full path of the process's program file in backslash form. size: in, the buffer's
// length with the terminator; out, the length copied without it.
BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, WCHAR* buffer, DWORD* size);
DWORD GetCurrentProcessId();
// A pseudo handle that stands for the calling process; it needs no closing.
HANDLE GetCurrentProcess();

// Results of ShellExecuteW above 32 mean success.
inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_ACCESSDENIED = 5;
inline constexpr int SE_ERR_NOASSOC = 31;

inline constexpr ULONG SEE_MASK_NOCLOSEPROCESS = 0x00000040;

struct SHELLEXECUTEINFOW {
    DWORD cbSize = sizeof(SHELLEXECUTEINFOW);
    ULONG fMask = 0;
    HWND hwnd = nullptr;
    LPCWSTR lpVerb = nullptr;
    LPCWSTR lpFile = nullptr;
    LPCWSTR lpParameters = nullptr;
    LPCWSTR lpDirectory = nullptr;
    int nShow = 0;
    HINSTANCE hInstApp = nullptr; // the ShellExecuteW-style result
    HANDLE hProcess = nullptr;    // with SEE_MASK_NOCLOSEPROCESS, the started program (or null)
};

// Opens file with verb "open" (or no verb): a program (relative names resolve in directory,
// else the current folder, then the program folder, then PATH) is started with parameters as
// its arguments; a document or a web address goes to the desktop's opener. Returns a value
// above 32 on success, else SE_ERR_FNF, SE_ERR_ACCESSDENIED or SE_ERR_NOASSOC.
HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, int showCommand);
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);

// The file name a program of the given name has here: "Borvanta5600.exe" -> "Borvanta5600";
// other names are returned as they are.
CString ProgramImageName(LPCWSTR windowsName);
// Splits a command line into its words by the usual rules (blanks separate, double quotes
// group, backslashes escape only before a quote).
std::vector<CString> SplitCommandLine(LPCWSTR commandLine);

// ---- access tokens ---------------------------------------------------------------------------
// Every process here may already look at the processes it can see, so the debug privilege is
// granted as asked and changes nothing.

inline constexpr DWORD TOKEN_QUERY = 0x0008;
inline constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
inline constexpr DWORD SE_PRIVILEGE_ENABLED = 0x00000002;

struct LUID {
    DWORD LowPart = 0;
    LONG HighPart = 0;
};
struct LUID_AND_ATTRIBUTES {
    LUID Luid;
    DWORD Attributes = 0;
};
struct TOKEN_PRIVILEGES {
    DWORD PrivilegeCount = 0;
    LUID_AND_ATTRIBUTES Privileges[1];
};

BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token);
// Knows "SeDebugPrivilege"; FALSE with ERROR_NO_SUCH_PRIVILEGE for other names.
BOOL LookupPrivilegeValueW(LPCWSTR systemName, LPCWSTR name, LUID* luid);
// Succeeds and sets the last error to 0 (all privileges assigned).
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState,
                           DWORD bufferLength, TOKEN_PRIVILEGES* previousState,
                           DWORD* returnLength);
