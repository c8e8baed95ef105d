#pragma once
// Process snapshots: the processes running when the snapshot was taken, walked one record at
// a time.

#include "platform/base/Handle.h"

inline constexpr DWORD TH32CS_SNAPPROCESS = 0x00000002;

// One process of a snapshot. dwSize must be set to the record's size (556) before the walk.
struct PROCESSENTRY32W {
    DWORD dwSize = 0;
    DWORD cntUsage = 0;
    DWORD th32ProcessID = 0;
    DWORD th32DefaultHeapID = 0;
    DWORD th32ModuleID = 0;
    DWORD cntThreads = 0;
    DWORD th32ParentProcessID = 0;
    LONG pcPriClassBase = 0;
    DWORD dwFlags = 0;
    WCHAR szExeFile[MAX_PATH] = {}; // the program's file name, without its folder
};
static_assert(sizeof(PROCESSENTRY32W) == 556);

// A snapshot of the running processes (flags must hold TH32CS_SNAPPROCESS; processId is
// ignored); INVALID_HANDLE_VALUE on failure. Close it with CloseHandle.
HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
// The first and the next process of the snapshot; FALSE with ERROR_NO_MORE_FILES at the end.
BOOL Process32FirstW(HANDLE snapshot, PROCESSENTRY32W* entry);
BOOL Process32NextW(HANDLE snapshot, PROCESSENTRY32W* entry);
