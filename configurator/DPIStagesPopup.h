#pragma once
// The sensitivity stages popup: a skinned modal popup in which the user edits the stages of
// the current profile - how many are in use, which one is active, and each one's sensitivity,
// one value for both axes or separate X and Y values. The caller fills a DpiStageSet and hands
// it over by pointer; the popup edits a working copy and writes it back into the caller's set
// only when it closes with OK, so Cancel leaves the caller's set exactly as it was.

#include "configurator/PopupBox.h"
#include "model/DpiStage.h"
#include "platform/framework/CGdiObject.h"

#include <memory>

class CBitmapBtn;
class CBitmapItem;
class CDPIStageWindow;
class CSliderHMulti;
class CTextItem;

// Skin items of the popup.
inline constexpr int DPISTAGEWINDOW_01 = 338; // .. DPISTAGEWINDOW_05 = 342
inline constexpr int BITMAP_STAGECOUNT_DISPLAY = 343;
inline constexpr int BUTTON_DPISTAGES_DEC = 344;
inline constexpr int BUTTON_DPISTAGES_INC = 345;
inline constexpr int BUTTON_DPISTAGES_OK = 346;
inline constexpr int BUTTON_DPISTAGES_CANCEL = 348;
inline constexpr int TEXT_NUMSTAGES = 349;
inline constexpr int BUTTON_ENABLEXY_POPUP = 85;
inline constexpr int BITMAP_SLSENSTRK_X_POPUP = 250;
inline constexpr int BITMAP_SLSENSTRK_Y_POPUP = 251;
inline constexpr int BITMAP_SLSENSTRK_XY_POPUP = 252;
inline constexpr int SLIDER_DPI_MULTI_POPUP = 174;
inline constexpr int SLIDER_DPI_MULTI_X_POPUP = 175;
inline constexpr int SLIDER_DPI_MULTI_Y_POPUP = 176;
// The ids the sliders' thumbs report with.
inline constexpr int SLIDER_DPI_MULTI_STAGE1_POPUP = 177;
inline constexpr int SLIDER_DPI_MULTI_STAGE1_X_POPUP = 178;
inline constexpr int SLIDER_DPI_MULTI_STAGE1_Y_POPUP = 179;

// The popup's dialog template; the skin gives the real size and shape.
inline constexpr UINT IDD_DPI_STAGES_POPUP = 135;
// Registers the template: a borderless popup without caption.
void RegisterDPIStagesPopupTemplate();

class CDPIStagesPopup : public CGUIPanel {
public:
    static constexpr int kStageWindowCount = 5;

    CDPIStagesPopup(const WCHAR* skinFileName, UINT dialogTemplateId, CWnd* parentWnd);
    ~CDPIStagesPopup() override;

    static const char* GetRuntimeClassName() { return "CDPIStagesPopup"; }

    // Runs the popup on a working copy of *stageSet. IDOK (the OK item) writes the copy back
    // into *stageSet; IDCANCEL (the Cancel item) leaves it untouched. Without a set the popup
    // is not shown and -1 is returned, as for a popup that cannot be created.
    INT_PTR DoModal() override;

    int OnCreate(LPCREATESTRUCTW cs) override;
    // Binds the items, shows the stage count, fills the controls from the set, then the
    // standard initialisation; the popup is centred over its parent.
    BOOL OnInitDialog() override;
    void BindItems() override;
    // Only the skin's buttons and texts act; Enter, Escape and WM_CLOSE (no skin item) are
    // ignored, so the popup closes only through its OK and Cancel items.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Every child control that asks for its background gets the black brush.
    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;

    // A stage tile was clicked (lParam: its item id): the others lose the selection and the
    // clicked stage becomes the active one.
    LRESULT OnStageWindowClicked(WPARAM wParam, LPARAM lParam);
    // A thumb moved (wParam: position, lParam: thumb id): the active stage takes position x
    // step, held to the range.
    LRESULT OnSliderPosChanged(WPARAM wParam, LPARAM lParam);

    void InitControls();
    void ApplySeparateXY(bool separate);
    void UpdateStageWindows(bool repaint);
    void SyncFromStageWindows();

    // The set being edited while the popup runs.
    const DpiStageSet& GetWorkingSet() const { return m_work; }

    CDPIStageWindow* stageWindows[kStageWindowCount] = {};
    CTextItem* stageCountText = nullptr;
    CBitmapBtn* separateXYButton = nullptr;
    CBitmapItem* trackXY = nullptr;
    CBitmapItem* trackX = nullptr;
    CBitmapItem* trackY = nullptr;
    CSliderHMulti* slider = nullptr;
    CSliderHMulti* sliderX = nullptr;
    CSliderHMulti* sliderY = nullptr;
    std::unique_ptr<CBrush> backgroundBrush;
    // The caller's set (not owned); set before DoModal.
    DpiStageSet* stageSet = nullptr;

private:
    // Brings the working copy into a shape the popup can edit: a stage count of 1 up to the
    // number of entries, one active stage within the count (selected alone), enabled flags
    // that follow the count.
    void NormaliseWorkingSet();
    DpiStageEntry* ActiveEntry();
    // The step used for the sliders; a step below 1 counts as 1.
    LONG Step() const;
    LONG ClampToRange(long long value) const;
    void SetSliderPositions();
    void ShowStageCount();
    void ChangeStageCount(LONG delta);

    DpiStageSet m_work;
};

// The popup the main window shows: "DPIStagesPopup.xml" on dialog template 135.
class CBorvantaDPIStagesPopup : public CDPIStagesPopup {
public:
    // Registers the dialog template when the program has not done so yet.
    explicit CBorvantaDPIStagesPopup(CWnd* parentWnd, DpiStageSet* set = nullptr);
    ~CBorvantaDPIStagesPopup() override;

    static const char* GetRuntimeClassName() { return "CBorvantaDPIStagesPopup"; }
};
