#pragma once
// The profile preview popup: shows one profile read-only, a line per button (what the button
// does and, for a key, macro or profile, which one) and the profile's sensitivity stages in
// stage tiles that cannot be clicked. Its one button closes it; DoModal answers IDCANCEL.

#include "configurator/WidePopupTemplate.h"
#include "gui/GUIPanel.h"
#include "model/DpiStage.h"
#include "platform/base/CStringArray.h"
#include "platform/framework/CGdiObject.h"

#include <memory>
#include <vector>

class CDPIStageWindow;
class IMouseConfig;
class IMouseProfile;

// Skin items of the popup: the eleven button lines, the five stage tiles and the close button.
inline constexpr int TEXT_PREVIEW_01 = 350; // .. TEXT_PREVIEW_11 = 360
inline constexpr int BUTTON_POPUP_PREVIEW_OK = 362;

class CPreviewPopup : public CGUIPanel {
public:
    static constexpr int kLineCount = 11;
    static constexpr int kStageWindowCount = 5;

    // profile and config are not owned; either may be null (then nothing is shown of it).
    CPreviewPopup(CWnd* parentWnd, IMouseProfile* previewProfile, IMouseConfig* mouseConfig);
    ~CPreviewPopup() override;

    static const char* GetRuntimeClassName() { return "CPreviewPopup"; }

    // The black brush, then the skinned panel's creation.
    int OnCreate(LPCREATESTRUCTW cs) override;
    // Every child control that asks for its background gets the black brush.
    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;
    // The close item runs OnCancel; other commands do nothing, except that a popup whose skin
    // lacks its close item ends with IDCANCEL on Escape or closing.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // The line of one button: the translated text of its assignment's kind, then ": " and
    // the key, macro or profile it names when that can be found.
    CString AssignmentLine(LONG button) const;

    CStringArray lines;
    std::unique_ptr<CBrush> backgroundBrush;
    IMouseProfile* profile = nullptr;
    IMouseConfig* config = nullptr;
};

// The popup the profiles page shows: "PreviewPopup.xml" on template 136.
class CBorvantaPreviewPopup : public CPreviewPopup {
public:
    CBorvantaPreviewPopup(CWnd* parentWnd, IMouseProfile* previewProfile, IMouseConfig* mouseConfig)
        : CPreviewPopup(parentWnd, previewProfile, mouseConfig) {}
    ~CBorvantaPreviewPopup() override;

    static const char* GetRuntimeClassName() { return "CBorvantaPreviewPopup"; }

    // BindItems, the lines into the eleven text items, then the standard initialisation; the
    // popup is centred over its parent.
    BOOL OnInitDialog() override;
    // The lines of the eleven buttons, and the stages into the stage tiles (not clickable;
    // the stages not in use are disabled, none is selected).
    void BindItems() override;

    // One entry per stage slot of the profile, as the tiles show them.
    std::vector<DpiStageEntry> stages;
    CDPIStageWindow* stageWindows[kStageWindowCount] = {};
};
