#pragma once
// The colour common dialog. This display has no colour picker of its own: ChooseColorW asks
// the installed chooser (a test answers through platform::SetColorChooser) and, without
// one, ends as if the user had cancelled, leaving rgbResult as it was.

#include "platform/base/WinTypes.h"

#include <functional>
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
