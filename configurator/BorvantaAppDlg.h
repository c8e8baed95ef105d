#pragma once
// The configurator's main window: a skinned, shaped, layered dialog hosting five pages of
// skin items behind five tab buttons. It collects which sections of the configuration were
// changed in a pending-change mask and writes them to the mouse on Apply or OK, showing the
// writing popup until the device object has finished.

#include "gui/GUIPanel.h"

#include <functional>

class CBitmapBtn;
class CBorvantaWarningDlg;
class CTextItem;
class IMouseConfig;
class IMouseDevice;

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

// Skin items of the main skin.
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

class CBorvantaAppDlg : public CGUIPanel {
public:
    // Neither pointer is owned.
    CBorvantaAppDlg(IMouseDevice* device, IMouseConfig* config);
    ~CBorvantaAppDlg() override;

    static const char* GetRuntimeClassName() { return "CBorvantaAppDlg"; }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void BindItems() override;
    // F1 and the help button: the manual below the program folder. Returns FALSE.
    virtual BOOL OnHelpInfo();

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

    CBorvantaWarningDlg* writingPopup = nullptr;
    CString captionText;
    BYTE PendingChangeMask = 0;

    // Opens a document or web address (help, the maker's pages); tests replace it.
    std::function<void(const WCHAR* target)> openDocument;
    // Runs at the end of OnInitDialog (the application's test hook).
    std::function<void()> onInitialized;

private:
    BOOL InitDialogState();
    void ShowNoMouseAndClose();
    CGUIItem* FindCommandItem(HWND control) const;
    HICON m_icon = nullptr;
};
