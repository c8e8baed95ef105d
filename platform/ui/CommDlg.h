#pragma once
// The colour common dialog. This display has no colour picker of its own: ChooseColorW asks
// the installed chooser (a test answers through platform::SetColorChooser) and, without
// one, ends as if the user had cancelled, leaving rgbResult as it was.

#include "platform/base/WinTypes.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

inline constexpr DWORD CC_RGBINIT = 0x00000001;
inline constexpr DWORD CC_FULLOPEN = 0x00000002;
inline constexpr DWORD CC_ANYCOLOR = 0x00000100;

struct CHOOSECOLORW {
    DWORD lStructSize = sizeof(CHOOSECOLORW);
    HWND hwndOwner = nullptr;
    HWND hInstance = nullptr;
    COLORREF rgbResult = 0;           // the initial colour in, the chosen colour out
    COLORREF* lpCustColors = nullptr; // 16 custom colours kept by the caller
    DWORD Flags = 0;
    LPARAM lCustData = 0;
};

namespace platform {

// Answers a colour dialog: TRUE with rgbResult set for OK, FALSE for Cancel.
using ColorChooser = std::function<BOOL(CHOOSECOLORW& request)>;

inline ColorChooser& InstalledColorChooser() {
    static ColorChooser chooser;
    return chooser;
}

// Installs the chooser that answers ChooseColorW (nullptr removes it).
inline void SetColorChooser(ColorChooser chooser) {
    InstalledColorChooser() = std::move(chooser);
}

} // namespace platform

// Runs the colour dialog; TRUE when a colour was chosen (in rgbResult).
inline BOOL ChooseColorW(CHOOSECOLORW* request) {
    if (request == nullptr) {
        return FALSE;
    }
    const platform::ColorChooser& chooser = platform::InstalledColorChooser();
    if (!chooser) {
        return FALSE;
    }
    CHOOSECOLORW answer = *request;
    if (!chooser(answer)) {
        return FALSE;
    }
    request->rgbResult = answer.rgbResult;
    return TRUE;
}

// The file-open and file-save common dialogs, answered like the colour dialog: they ask the
// installed file chooser (platform::SetFileChooser) for a full path and, without one, end as
// if the user had cancelled. A path longer than the caller's buffer fails. Programs install
// the framework's CFileChooserDialog, which works on every display.
inline constexpr DWORD OFN_READONLY = 0x00000001;
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
inline constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr DWORD OFN_EXPLORER = 0x00080000;
// This platform's own: list only files that can be programs (runnable files, Windows programs
// and scripts: platform/base/ProcessProgram.h).
inline constexpr DWORD OFN_EXECUTABLEONLY = 0x40000000;

struct OPENFILENAMEW {
    DWORD lStructSize = sizeof(OPENFILENAMEW);
    HWND hwndOwner = nullptr;
    LPCWSTR lpstrFilter = nullptr; // pairs of description and pattern, each 0-terminated
    LPWSTR lpstrFile = nullptr;    // the initial name in, the chosen full path out
    DWORD nMaxFile = 0;            // room in lpstrFile, terminator included
    DWORD Flags = 0;
    WORD nFileOffset = 0;    // out: where the name starts in lpstrFile
    WORD nFileExtension = 0; // out: where the extension starts (after the dot), 0 for none
    LPCWSTR lpstrDefExt = nullptr;
    LPCWSTR lpstrInitialDir = nullptr; // the folder shown first (backslash form), or none
    // This platform's own: set by GetSaveFileNameW, so one chooser serves both dialogs.
    BOOL saveDialog = FALSE;
};

namespace platform {

// Answers a file dialog: TRUE with the chosen full path for OK, FALSE for Cancel.
using FileChooser = std::function<BOOL(const OPENFILENAMEW& request, std::u16string& path)>;

inline FileChooser& InstalledFileChooser() {
    static FileChooser chooser;
    return chooser;
}

// Installs the chooser that answers GetOpenFileNameW (nullptr removes it).
inline void SetFileChooser(FileChooser chooser) {
    InstalledFileChooser() = std::move(chooser);
}

} // namespace platform

// Runs the chooser and fills the request's path and offsets.
inline BOOL RunFileChooser(OPENFILENAMEW* request) {
    if (request == nullptr || request->lpstrFile == nullptr || request->nMaxFile == 0) {
        return FALSE;
    }
    const platform::FileChooser& chooser = platform::InstalledFileChooser();
    std::u16string path;
    if (!chooser || !chooser(*request, path) || path.empty() || path.size() >= request->nMaxFile ||
        path.size() > 0xFFFF) {
        return FALSE;
    }
    std::copy(path.begin(), path.end(), request->lpstrFile);
    request->lpstrFile[path.size()] = 0;
    const size_t slash = path.find_last_of(u"\\/");
    const size_t nameStart = slash == std::u16string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of(u'.');
    request->nFileOffset = static_cast<WORD>(nameStart);
    request->nFileExtension =
        dot != std::u16string::npos && dot >= nameStart ? static_cast<WORD>(dot + 1) : 0;
    return TRUE;
}

// The file-open dialog: TRUE with the chosen full path in lpstrFile.
inline BOOL GetOpenFileNameW(OPENFILENAMEW* request) {
    if (request != nullptr) {
        request->saveDialog = FALSE;
    }
    return RunFileChooser(request);
}

// The file-save dialog, answered by the same chooser (the request says it saves).
inline BOOL GetSaveFileNameW(OPENFILENAMEW* request) {
    if (request != nullptr) {
        request->saveDialog = TRUE;
    }
    return RunFileChooser(request);
}
