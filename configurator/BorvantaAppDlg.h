#pragma once
// The configurator's main window: a skinned, shaped, layered dialog hosting five pages of
// skin items behind five tab buttons. It collects which sections of the configuration were
// changed in a pending-change mask and writes them to the mouse on Apply or OK, showing the
// writing popup until the device object has finished.

#include "gui/GUIPanel.h"

#include "model/ButtonAssignment.h"

#include <array>
#include <functional>
#include <map>
#include <vector>

class CBitmapBtn;
class CBitmapItem;
class CBorvantaWarningDlg;
class CDropdownColorButton;
class CDropdownListItem;
class CEditItem;
class CListPanelItem;
class CMacro;
class CMacroDisplayItem;
class CSliderHMulti;
class CTextItem;
class CXListCtrl;
class IMouseConfig;
class IMouseDevice;
class IMouseProfile;

// Sections of the pending-change mask (the sections of a device write).
inline constexpr BYTE PENDING_BUTTONS = 0x01;
inline constexpr BYTE PENDING_LIGHTING = 0x02;
inline constexpr BYTE PENDING_SENSITIVITY = 0x04;
inline constexpr BYTE PENDING_MACROS = 0x08;
inline constexpr BYTE PENDING_POLLING_RATE = 0x10;
inline constexpr BYTE PENDING_ACCELERATION = 0x20;
// Changes of the profile list touch buttons, lighting and sensitivity.
inline constexpr BYTE PENDING_PROFILES = 0x07;
// Restoring the factory settings touches everything.
inline constexpr BYTE PENDING_ALL = 0x7F;

// Pages, by the bits ShowPage takes.
inline constexpr int PAGE_ASSIGN = 0x01;
inline constexpr int PAGE_PERFORMANCE = 0x04;
inline constexpr int PAGE_PROFILES = 0x08;
inline constexpr int PAGE_MACROS = 0x10;
inline constexpr int PAGE_LIGHTING = 0x20;

// The main window's timers, each 500 ms.
inline constexpr UINT_PTR IDT_NO_DEVICE = 1;
inline constexpr UINT_PTR IDT_WRITE_AND_CLOSE = 2;
inline constexpr UINT_PTR IDT_WRITE_APPLY = 3;
inline constexpr UINT kMainTimerMs = 500;
// Posted to itself when page skins failed: the user is told once the window shows.
inline constexpr UINT WM_REPORT_PAGE_SKINS = WM_APP + 0x23;

// Skin items of the main skin and of the five pages (skin item ids).
inline constexpr int BUTTON_HELP = 6;
inline constexpr int BUTTON_EXIT = 7;
inline constexpr int BUTTON_OK = 8;
inline constexpr int BUTTON_APPLY = 9;
inline constexpr int BUTTON_CANCEL = 10;
inline constexpr int BUTTON_RESET = 97;
inline constexpr int BUTTON_UPDATE = 98;
inline constexpr int BUTTON_MACRO_RECORD = 161;
inline constexpr int BUTTON_ASSIGNBUTTONS = 210;
inline constexpr int BUTTON_ADJUSTPERFORMANCE = 211;
inline constexpr int BUTTON_MANAGEPROFILES = 212;
inline constexpr int BUTTON_MANAGEMACROS = 213;
inline constexpr int BUTTON_LIGHTINGMAINTENANCE = 214;
inline constexpr int TEXT_PROFILEINFO = 226;
inline constexpr int TEXT_PROFILENAME = 227;
inline constexpr int BUTTON_CHECKADDONS = 314;

// Button assignment page ("AssignButtons.xml").
inline constexpr int BUTTON_ASSNLEFTCLICK = 12;
inline constexpr int BUTTON_ASSNRIGHTCLICK = 13;
inline constexpr int BUTTON_ASSNSCROLLBUTTON = 14;
inline constexpr int BUTTON_ASSNSCROLLUP = 15;
inline constexpr int BUTTON_ASSNSCROLLDOWN = 16;
inline constexpr int BUTTON_ASSNRSIDEFRONT = 17;
inline constexpr int BUTTON_ASSNRSIDEREAR = 18;
inline constexpr int BUTTON_ASSNLSIDEFRONT = 19;
inline constexpr int BUTTON_ASSNLSIDEREAR = 20;
inline constexpr int BUTTON_ASSNCENTREFRONT = 21;
inline constexpr int BUTTON_ASSNCENTREREAR = 22;
inline constexpr int LISTPANEL_ASSIGNSUBMENU_PR = 366;
inline constexpr int LISTPANEL_ASSIGNSUBMENU_MA = 367;

// Performance page ("AdjustPerformance.xml").
inline constexpr int BUTTON_RATE1 = 38;
inline constexpr int BUTTON_RATE2 = 39;
inline constexpr int BUTTON_RATE3 = 40;
inline constexpr int BUTTON_ENABLEXY = 84;
inline constexpr int BUTTON_ENABLEACCELERATION = 86;
inline constexpr int BUTTON_SENSITIVITY_STAGES = 165;
inline constexpr int BUTTON_ENABLE_DPI_OSD = 167;
inline constexpr int SLIDER_DPI_MULTI = 171;
inline constexpr int SLIDER_DPI_MULTI_X = 172;
inline constexpr int SLIDER_DPI_MULTI_Y = 173;
inline constexpr int SLIDER_ID_ACCEL = 201;
inline constexpr int SLIDER_ID_ACCELDISB = 202;
inline constexpr int BITMAP_SLSENSTRK_X = 247;
inline constexpr int BITMAP_SLSENSTRK_Y = 248;
inline constexpr int BITMAP_SLSENSTRK_XY = 249;
inline constexpr int BITMAP_SLACCLTRK = 253;
inline constexpr int BITMAP_SLACCLTRKDISB = 254;
inline constexpr int TEXT_DPI1 = 263;
inline constexpr int TEXT_DPI2 = 264;
inline constexpr int TEXT_DPIVALUE1 = 265;
inline constexpr int TEXT_DPIVALUE2 = 266;
inline constexpr int TEXT_HEADING_X = 267;
inline constexpr int TEXT_HEADING_Y = 268;
inline constexpr int TEXT_ENABLEXY = 269;
inline constexpr int TEXT_ENABLE_DPI_OSD = 312;
inline constexpr int BITMAP_SENSWINDOW2 = 316;
// The thumbs of the performance page's sliders report as these.
inline constexpr int SLIDER_DPI_MULTI_STAGE1 = 183;
inline constexpr int SLIDER_DPI_MULTI_STAGE5 = 187;
inline constexpr int SLIDER_DPI_MULTI_X_STAGE1 = 188;
inline constexpr int SLIDER_DPI_MULTI_X_STAGE5 = 192;
inline constexpr int SLIDER_DPI_MULTI_Y_STAGE1 = 193;
inline constexpr int SLIDER_DPI_MULTI_Y_STAGE5 = 197;
inline constexpr int SLIDER_ACCEL_STAGE1 = 203;

// Profiles page ("ManageProfiles.xml").
inline constexpr int BUTTON_NEWPROFILE = 140;
inline constexpr int BUTTON_IMPORTPROFILE = 141;
inline constexpr int BUTTON_EXPORTPROFILE = 142;
inline constexpr int BUTTON_SAVEPROFILE = 143;
inline constexpr int BUTTON_DELETEPROFILE = 144;
inline constexpr int BUTTON_ENABLE_PROFILE_OSD = 166;
inline constexpr int TEXT_ENABLE_PROFILE_OSD = 311;
inline constexpr int LIST_PROFILELIST = 331;
inline constexpr int LISTPANEL_PROFILEOPTIONS = 363;

// Macros page ("ManageMacros.xml").
inline constexpr int BUTTON_MACRO_CREATE = 156;
inline constexpr int BUTTON_MACRO_SAVE = 157;
inline constexpr int BUTTON_MACRO_EXPORT = 158;
inline constexpr int BUTTON_MACRO_IMPORT = 159;
inline constexpr int BUTTON_MACRO_DELETE = 160;
inline constexpr int BUTTON_MACRO_ADVANCED = 162;
inline constexpr int BUTTON_IGNORE_DELAY = 163;
inline constexpr int BUTTON_INSERTDEFAULT_DELAY = 164;
inline constexpr int MACRO_DISPLAY = 208;
inline constexpr int TEXT_IGNORE_DELAY = 300;
inline constexpr int TEXT_INSERTDEFAULT_DELAY = 301;
inline constexpr int LIST_GLOBALMACROLIST = 332;
inline constexpr int EDITCTRL_DEFAULT_DELAY = 337;
inline constexpr int LISTPANEL_MACROOPTIONS = 364;
inline constexpr int LISTPANEL_MACROOPTIONS2 = 365;

// Lighting and maintenance page ("LightingMaintenance.xml").
inline constexpr int SCROLL_LEDON = 57;
inline constexpr int SCROLL_LEDOFF = 58;
inline constexpr int SCROLL_COLOR = 59;
inline constexpr int GLOW_LEDON = 60;
inline constexpr int GLOW_LEDOFF = 61;
inline constexpr int LOGO_COLOR = 62;
inline constexpr int TEXT_FIRMWAREVER = 281;
inline constexpr int TEXT_DRIVERVER = 282;

class CBorvantaAppDlg : public CGUIPanel {
public:
    // Neither pointer is owned.
    CBorvantaAppDlg(IMouseDevice* device, IMouseConfig* config);
    ~CBorvantaAppDlg() override;

    static const char* GetRuntimeClassName() { return "CBorvantaAppDlg"; }
    // The window's skin file.
    static constexpr const WCHAR* kSkinFile = u"MainPage.xml";

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void BindItems() override;
    // F1 and the help button: the manual below the program folder. Returns FALSE.
    virtual BOOL OnHelpInfo();
    // Tells the user in a message box that a document or web address could not be opened
    // and why (the ShellExecuteW result: a missing file, else no opener to hand it to).
    void ReportOpenFailure(const WCHAR* target, INT_PTR result);

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnTimer(UINT_PTR id) override;
    // A free spot of the window drags it.
    LRESULT OnNcHitTest(CPoint point) override;
    HCURSOR OnQueryDragIcon() override;

    // Shows the page of the lowest page bit that is set (none: no page).
    void ShowPage(int bits);
    // Adds sections to the pending mask and enables Apply.
    void MarkPending(BYTE sections);
    // Nothing pending, Apply disabled.
    void ClearPendingChanges();
    // Starts the write of the pending sections and shows the writing popup until it ends.
    // False when nothing was started.
    bool SaveToDevice();
    // Sets the controls of every page from the configuration.
    void UpdateControls();
    // True while the macro recorder runs.
    bool IsRecording() const;
    // Fills every page once (after the first read of the mouse).
    void InitPages();
    // The two on-screen display switches from the active profile.
    void UpdateOsdSwitches();

    // Widget notifications, one handler each; each returns 0.
    LRESULT OnSliderChanged(WPARAM wParam, LPARAM lParam);            // performance page
    LRESULT OnAssignmentSelected(WPARAM wParam, LPARAM lParam);       // assignment page
    LRESULT OnAssignmentListEvent(WPARAM wParam, LPARAM lParam);      // assignment page
    LRESULT OnProfileNameEdited(WPARAM wParam, LPARAM lParam);        // profiles page
    LRESULT OnProfileProgramChanged(WPARAM wParam, LPARAM lParam);    // profiles page
    LRESULT OnProfileAutoSwitchChanged(WPARAM wParam, LPARAM lParam); // profiles page
    LRESULT OnProfileListCommand(WPARAM wParam, LPARAM lParam);       // profiles page
    LRESULT OnProfileSelected(WPARAM wParam, LPARAM lParam);          // profiles page
    LRESULT OnMacroEventsChanged(WPARAM wParam, LPARAM lParam);       // macros page
    LRESULT OnMacroEventEdit(WPARAM wParam, LPARAM lParam);           // macros page
    LRESULT OnMacroRecordDone(WPARAM wParam, LPARAM lParam);          // macros page
    LRESULT OnColorChanged(WPARAM wParam, LPARAM lParam);             // lighting page
    LRESULT OnColorCancelled(WPARAM wParam, LPARAM lParam);           // lighting page

    // Page commands (OnCommand routes each button id here; the marks are added by OnCommand).
    // Assignment page (AssignPage.cpp).
    void MapButtonItems();
    void FillAssignmentLists();
    void UpdateAssignmentLists();
    // Refills the macro and profile sub-menus from the configuration.
    void RefreshAssignSubmenus();
    // Turns the drop-down's current entry into the button's assignment (owner: the parent of
    // the key popup).
    void ApplyAssignmentChoice(CDropdownListItem* dropdown, CWnd* owner, ButtonId button);
    // True when some button keeps the primary click; else the no-click popup and false.
    bool CheckClickAssigned();
    // Buttons of every profile that name the macro or profile get their factory assignment.
    void ResetAssignmentsOfMacro(CMacro* macro);
    void ResetAssignmentsOfProfile(IMouseProfile* profile);
    // Buttons of every profile whose assignment matches get their factory assignment.
    void ResetAssignmentsWhere(const std::function<bool(const ButtonAssignment&)>& matches);
    // Performance page (PerformancePage.cpp).
    void InitPerformanceControls();
    void UpdatePerformanceControls();
    // The configuration's sensitivity, acceleration and polling rate on the page's controls
    // (the slider ranges already set).
    void ShowPerformanceValues();
    void OnPollingRate(int choice);
    void OnSeparateXY();
    void OnAccelerationSwitch();
    void OnSensitivityStages();
    void OnDpiOsdSwitch();
    // The performance tab re-applies the X/Y and acceleration switches from their buttons.
    void OnPerformanceTab();
    // BUTTON_ENABLEXY from the configuration and the X/Y view.
    void InitSeparateXYView();
    // Separate X/Y on or off: stores it, and on the performance page shows the matching view
    // and moves the values between the one-value and the X/Y sliders when it changed.
    void SetSeparateXY(bool state);
    // Acceleration on or off: stores it, and on the performance page shows the matching
    // slider and track.
    void SetAccelerationEnabled(bool state);
    // Checks exactly the polling-rate button with that skin id.
    void SetPollingRateButtons(int clickedId);
    // The sensitivity values under the sliders.
    void UpdateDpiTexts();
    // The stages popup on the active profile's stages; OK stores them.
    void ShowDpiStagesPopup();
    // Captions (supported rate + the skin's unit) and checks of the polling-rate buttons.
    void ShowPollingRates();
    // The sensitivity step, 1 when the range has none.
    LONG DpiStep() const;
    void SetDpiSliderPositions(LONG dpi, LONG dpiX, LONG dpiY);
    // Profiles page (ProfilesPage.cpp).
    void FillProfileList();
    void OnNewProfile();
    void OnImportProfile();
    void OnExportProfile();
    void OnDeleteProfile();
    void OnProfileOsdSwitch();
    void ActivateProfile(IMouseProfile* profile);
    void ActivateFirstProfile();
    // "Profile:" and the active profile's name at the top of the window.
    void UpdateProfileCaption();
    void CreateProfile();
    void RenameProfile();
    // False when the copy stopped at the profile limit.
    bool CopyProfile(int rowId);
    void DeleteProfile();
    void ShowPreviewPopup();
    void ImportProfile();
    void ExportProfile();
    void RestoreProfile(int rowId);
    // The profile of the list's first selected row; null when none.
    IMouseProfile* GetSelectedProfile() const;
    // Macros page (MacrosPage.cpp).
    void FillMacroList();
    void InitMacroPage();
    void OnMacroCreate();
    void OnMacroExport();
    void OnMacroImport();
    void OnMacroDelete();
    void OnMacroRecord();
    void OnMacroAdvanced();
    void OnMacroDelayOption(int id);
    // The macro list's choice (WM_DROPDOWN_SELECT from LIST_GLOBALMACROLIST).
    void OnMacroChosen(int index);
    // The macro named by the macro list's current entry, or null.
    CMacro* SelectedMacro() const;
    void SetIgnoreDelay(bool state);
    void SetInsertDefaultDelay(bool state);
    // Everything but the record button while recording (false), and back (true).
    void EnableMacroControls(bool enable);
    // Puts every button that plays the macro back to its factory assignment, in every
    // profile; true when a button changed.
    bool ResetButtonsUsingMacro(const CMacro* macro);
    // The first time the macros page shows after a read that could not read some of the
    // mouse's macros: a notice naming them (they stay on the mouse as they are).
    void NoticeUnreadMacros();
    // Lighting and maintenance page (LightingPage.cpp).
    void UpdateLightingControls();
    void OnScrollLight(bool on);
    void OnLogoLight(bool on);
    void ShowVersionTexts();
    // Both colour buttons' colours into the configuration.
    void StoreLightColors();

    // The items of the page shown, null before the first ShowPage.
    const CGUIItemList* GetCurrentPage() const { return currentPage; }

    IMouseConfig* config = nullptr;
    IMouseDevice* device = nullptr;
    CGUIItemList assignPage;
    CGUIItemList performancePage;
    CGUIItemList profilesPage;
    CGUIItemList macrosPage;
    CGUIItemList lightingPage;
    CGUIItemList* currentPage = nullptr;
    UINT_PTR timerId = 0;

    CBitmapBtn* assignTab = nullptr;
    CBitmapBtn* performanceTab = nullptr;
    CBitmapBtn* profilesTab = nullptr;
    CBitmapBtn* macrosTab = nullptr;
    CBitmapBtn* lightingTab = nullptr;
    CBitmapBtn* okButton = nullptr;
    CBitmapBtn* cancelButton = nullptr;
    CBitmapBtn* applyButton = nullptr;
    CTextItem* profileInfoText = nullptr;
    CTextItem* profileNameText = nullptr;

    // Assignment page.
    std::map<ButtonId, CDropdownListItem*> buttonItems;
    CDropdownListItem* assignLeftClick = nullptr;
    CDropdownListItem* assignRightClick = nullptr;
    CDropdownListItem* assignScrollButton = nullptr;
    CDropdownListItem* assignLeftSideRear = nullptr;
    CDropdownListItem* assignLeftSideFront = nullptr;
    CDropdownListItem* assignRightSideRear = nullptr;
    CDropdownListItem* assignRightSideFront = nullptr;
    CDropdownListItem* assignCentreRear = nullptr;
    CDropdownListItem* assignCentreFront = nullptr;
    CDropdownListItem* assignScrollUp = nullptr;
    CDropdownListItem* assignScrollDown = nullptr;
    CListPanelItem* profileSubmenu = nullptr;
    CListPanelItem* macroSubmenu = nullptr;

    // Performance page.
    CBitmapBtn* enableXYButton = nullptr;
    CTextItem* enableXYText = nullptr;
    CSliderHMulti* dpiSlider = nullptr;
    CSliderHMulti* dpiSliderX = nullptr;
    CSliderHMulti* dpiSliderY = nullptr;
    CBitmapItem* dpiTrackXY = nullptr;
    CBitmapItem* dpiTrackX = nullptr;
    CBitmapItem* dpiTrackY = nullptr;
    CSliderHMulti* accelSlider = nullptr;
    CSliderHMulti* accelSliderDisabled = nullptr;
    CBitmapItem* accelTrack = nullptr;
    CBitmapItem* accelTrackDisabled = nullptr;
    CBitmapBtn* enableAccelButton = nullptr;
    CTextItem* dpiText1 = nullptr;
    CTextItem* dpiText2 = nullptr;
    CTextItem* dpiValueText1 = nullptr;
    CTextItem* dpiValueText2 = nullptr;
    CBitmapItem* sensWindow2 = nullptr;
    CTextItem* headingXText = nullptr;
    CTextItem* headingYText = nullptr;
    CBitmapBtn* rateButton1 = nullptr;
    CBitmapBtn* rateButton2 = nullptr;
    CBitmapBtn* rateButton3 = nullptr;
    CBitmapBtn* dpiOsdButton = nullptr;
    CTextItem* dpiOsdText = nullptr;

    // Profiles page.
    CXListCtrl* profileList = nullptr;
    CListPanelItem* profileOptions = nullptr;
    CBitmapBtn* profileOsdButton = nullptr;
    CTextItem* profileOsdText = nullptr;

    // Macros page.
    CDropdownListItem* macroList = nullptr;
    CMacroDisplayItem* macroDisplay = nullptr;
    CListPanelItem* macroOptions = nullptr;
    CListPanelItem* macroOptions2 = nullptr;
    CBitmapBtn* ignoreDelayButton = nullptr;
    CBitmapBtn* insertDefaultDelayButton = nullptr;
    CEditItem* defaultDelayEdit = nullptr;
    CBitmapBtn* macroCreateButton = nullptr;
    CBitmapBtn* macroImportButton = nullptr;
    CBitmapBtn* macroExportButton = nullptr;
    CBitmapBtn* macroDeleteButton = nullptr;
    CBitmapBtn* macroRecordButton = nullptr;
    CBitmapBtn* macroAdvancedButton = nullptr;
    CTextItem* ignoreDelayText = nullptr;
    CTextItem* insertDefaultDelayText = nullptr;

    // Lighting and maintenance page.
    CBitmapBtn* scrollLedOn = nullptr;
    CBitmapBtn* scrollLedOff = nullptr;
    CBitmapBtn* glowLedOn = nullptr;
    CBitmapBtn* glowLedOff = nullptr;
    CDropdownColorButton* scrollColor = nullptr;
    CDropdownColorButton* logoColor = nullptr;
    CTextItem* firmwareVersionText = nullptr;
    CTextItem* driverVersionText = nullptr;

    // The polling-rate buttons' own skin captions (the unit), kept at the first fill.
    CString rateSkinCaptions[3];
    bool rateCaptionsKept = false;
    // The notice of macros the read could not read was shown.
    bool unreadMacrosNoticed = false;
    // The light colours of the last choice, which a cancelled palette puts back.
    COLORREF scrollColorChosen = 0;
    COLORREF logoColorChosen = 0;

    CBorvantaWarningDlg* writingPopup = nullptr;
    CString captionText;
    // The files of the page skins that could not be read (each page shows what it could make).
    std::vector<CString> pageSkinProblems;
    BYTE PendingChangeMask = 0;

    // Opens a document or web address (help, the maker's pages), telling the user when it
    // cannot; tests replace it.
    std::function<void(const WCHAR* target)> openDocument;
    // Runs at the end of OnInitDialog (the application's test hook).
    std::function<void()> onInitialized;

private:
    // The five sliders whose position messages this window takes.
    std::array<CSliderHMulti*, 5> OwnedSliders() const;
    // Stores the assignment; the previous one comes back when no button keeps the click.
    void StoreAssignment(ButtonId button, const ButtonAssignment& assignment,
                         const ButtonAssignment& previous);
    // Renames through the configuration and keeps the buttons naming it; the renamed profile
    // or null.
    IMouseProfile* RenameKeepingAssignments(IMouseProfile* profile, const CString& newName);
    // A duplicate-name popup when some profile has exactly this name; true when shown.
    bool WarnDuplicateProfileName(const CString& name);
    // Asks for a profile name with the name popup of that skin file; true for a name that is
    // neither blank (the controls are refreshed) nor a profile's already (its popup is shown).
    bool AskNewProfileName(const WCHAR* popupSkin, CString& name);
    // Asks for a profile file; the full path, empty when cancelled or no name was given.
    CString AskProfileFile(bool open, IMouseProfile* profile);
    BOOL InitDialogState();
    void ShowNoMouseAndClose();
    CGUIItem* FindCommandItem(HWND control) const;
    HICON m_icon = nullptr;
};
