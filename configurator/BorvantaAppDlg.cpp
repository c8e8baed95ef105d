#include "configurator/BorvantaAppDlg.h"

#include "configurator/BorvantaWarningDlg.h"
#include "configurator/StartUp.h"
#include "device/IMouseDevice.h"
#include "gui/BitmapBtn.h"
#include "gui/BitmapItem.h"
#include "gui/DropdownColorButton.h"
#include "gui/DropdownListItem.h"
#include "gui/EditItem.h"
#include "gui/LangTable.h"
#include "gui/ListPanelItem.h"
#include "gui/MacroDisplayItem.h"
#include "gui/SkinFile.h"
#include "gui/SliderHMulti.h"
#include "gui/TextItem.h"
#include "gui/WidgetMessages.h"
#include "gui/XListCtrl.h"
#include "model/BorvantaConfig.h"
#include "model/IMouseConfig.h"
#include "platform/base/Path.h"
#include "platform/base/Process.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Module.h"
#include "platform/ui/WinUser.h"
#include "service/DeviceService.h"

namespace {

// The maker's pages for driver updates and add-ons.
constexpr const WCHAR* kUpdateAddress = u"https://www.tolvi.example/borvanta/drivers";
constexpr const WCHAR* kAddOnsAddress = u"https://www.tolvi.example/borvanta/addons";

using SetLayeredWindowAttributesFn = BOOL (*)(HWND, COLORREF, BYTE, DWORD);

// The item of that id when it also is of that kind; null otherwise.
template <class T> T* BindItem(const CGUIItemList& list, int id, int kind) {
    CGUIItem* item = FindGUIItemById(list, id);
    if (item == nullptr || item->type != kind) {
        return nullptr;
    }
    return dynamic_cast<T*>(item);
}

// The commands that act on the active profile (or on what the mouse reported): the window's
// own commands (tabs, help, exit, OK, Apply, Cancel, the web pages) do not need one.
bool NeedsActiveProfile(int id) {
    switch (id) {
    case BUTTON_HELP:
    case BUTTON_EXIT:
    case BUTTON_OK:
    case BUTTON_APPLY:
    case BUTTON_CANCEL:
    case BUTTON_UPDATE:
    case BUTTON_CHECKADDONS:
    case BUTTON_ASSIGNBUTTONS:
    case BUTTON_ADJUSTPERFORMANCE:
    case BUTTON_MANAGEPROFILES:
    case BUTTON_MANAGEMACROS:
    case BUTTON_LIGHTINGMAINTENANCE:
        return false;
    default:
        return true;
    }
}

} // namespace

CBorvantaAppDlg::CBorvantaAppDlg(IMouseDevice* mouseDevice, IMouseConfig* mouseConfig)
    : CGUIPanel(kSkinFile, IDD_BORVANTA_DIALOG, nullptr), config(mouseConfig), device(mouseDevice) {
    // Without its whole main skin (tabs, OK, Cancel) the window could not be used or closed:
    // it is not made, the user is told which file failed, and the program ends.
    skinProblemText = u"$SkinFileFailedMain";
    m_icon = LoadIconW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(IDR_MAINFRAME)));
    openDocument = [this](const WCHAR* target) {
        const auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(nullptr, u"OPEN", target, nullptr, nullptr, SW_SHOWNORMAL));
        if (result <= 32) {
            ReportOpenFailure(target, result);
        }
    };
}

CBorvantaAppDlg::~CBorvantaAppDlg() {
    // The sliders outlive nothing of this window: they stop reporting to it first.
    for (CSliderHMulti* slider : OwnedSliders()) {
        if (slider != nullptr) {
            slider->SetOwner(nullptr);
        }
    }
}

std::array<CSliderHMulti*, 5> CBorvantaAppDlg::OwnedSliders() const {
    return {dpiSlider, dpiSliderX, dpiSliderY, accelSlider, accelSliderDisabled};
}

BOOL CBorvantaAppDlg::OnInitDialog() {
    CGUIPanel::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));

    // Magenta pixels of the skin are see-through.
    FARPROC setLayered =
        GetProcAddress(GetModuleHandleW(u"USER32.DLL"), "SetLayeredWindowAttributes");
    SetWindowLongW(m_hWnd, GWL_EXSTYLE,
                   GetWindowLongW(m_hWnd, GWL_EXSTYLE) | static_cast<LONG>(WS_EX_LAYERED));
    if (setLayered != nullptr) {
        reinterpret_cast<SetLayeredWindowAttributesFn>(setLayered)(m_hWnd, RGB(0xFF, 0x00, 0xFF), 0,
                                                                   LWA_COLORKEY);
    }
    SetWindowText(u"Tolvi Borvanta 5600");

    // A page whose skin fails shows what it could make; the user is told which files failed
    // once the window shows.
    pageSkinProblems.clear();
    const std::pair<CGUIItemList*, const WCHAR*> pages[] = {
        {&assignPage, u"AssignButtons.xml"},
        {&performancePage, u"AdjustPerformance.xml"},
        {&profilesPage, u"ManageProfiles.xml"},
        {&macrosPage, u"ManageMacros.xml"},
        {&lightingPage, u"LightingMaintenance.xml"}};
    for (const auto& [page, file] : pages) {
        CString failed;
        LoadSkinFile(*page, file, this, failed);
        if (!failed.IsEmpty()) {
            pageSkinProblems.push_back(failed);
        }
    }
    if (!pageSkinProblems.empty()) {
        PostMessage(WM_REPORT_PAGE_SKINS);
    }

    BindItems();
    if (profileInfoText != nullptr) {
        captionText = profileInfoText->GetText();
    }
    // The sliders' position messages come to this window.
    for (CSliderHMulti* slider : OwnedSliders()) {
        if (slider != nullptr) {
            slider->SetOwner(this);
        }
    }

    const BOOL result = InitDialogState();
    if (onInitialized) {
        onInitialized();
    }
    return result;
}

BOOL CBorvantaAppDlg::InitDialogState() {
    ShowPage(PAGE_ASSIGN);
    ClearPendingChanges();
    // Without a mouse (or a profile of it) the window shows no page behind the notice that
    // follows: its fields would stand empty.
    if (device == nullptr || !device->IsDeviceFound()) {
        ShowPage(0);
        timerId = SetTimer(IDT_NO_DEVICE, kMainTimerMs, nullptr);
        return FALSE;
    }
    device->SyncDevice(config, SYNC_READ, SECTION_ALL);
    FillProfileList();
    if (config->GetActiveProfile() == nullptr) {
        config->SetActiveProfile(config->GetProfile(0));
    }
    if (config->GetActiveProfile() == nullptr) {
        ShowPage(0);
        timerId = SetTimer(IDT_NO_DEVICE, kMainTimerMs, nullptr);
        return FALSE;
    }
    MapButtonItems();
    InitPages();
    ClearPendingChanges();
    return TRUE;
}

void CBorvantaAppDlg::BindItems() {
    assignTab = BindItem<CBitmapBtn>(items, BUTTON_ASSIGNBUTTONS, GUIITEM_BITMAPBTN);
    performanceTab = BindItem<CBitmapBtn>(items, BUTTON_ADJUSTPERFORMANCE, GUIITEM_BITMAPBTN);
    profilesTab = BindItem<CBitmapBtn>(items, BUTTON_MANAGEPROFILES, GUIITEM_BITMAPBTN);
    macrosTab = BindItem<CBitmapBtn>(items, BUTTON_MANAGEMACROS, GUIITEM_BITMAPBTN);
    lightingTab = BindItem<CBitmapBtn>(items, BUTTON_LIGHTINGMAINTENANCE, GUIITEM_BITMAPBTN);
    okButton = BindItem<CBitmapBtn>(items, BUTTON_OK, GUIITEM_BITMAPBTN);
    cancelButton = BindItem<CBitmapBtn>(items, BUTTON_CANCEL, GUIITEM_BITMAPBTN);
    applyButton = BindItem<CBitmapBtn>(items, BUTTON_APPLY, GUIITEM_BITMAPBTN);
    profileInfoText = BindItem<CTextItem>(items, TEXT_PROFILEINFO, GUIITEM_TEXTITEM);
    profileNameText = BindItem<CTextItem>(items, TEXT_PROFILENAME, GUIITEM_TEXTITEM);

    const CGUIItemList& lp = lightingPage;
    scrollLedOn = BindItem<CBitmapBtn>(lp, SCROLL_LEDON, GUIITEM_BITMAPBTN);
    scrollLedOff = BindItem<CBitmapBtn>(lp, SCROLL_LEDOFF, GUIITEM_BITMAPBTN);
    glowLedOn = BindItem<CBitmapBtn>(lp, GLOW_LEDON, GUIITEM_BITMAPBTN);
    glowLedOff = BindItem<CBitmapBtn>(lp, GLOW_LEDOFF, GUIITEM_BITMAPBTN);
    scrollColor = BindItem<CDropdownColorButton>(lp, SCROLL_COLOR, GUIITEM_DROPDOWNCOLOR);
    logoColor = BindItem<CDropdownColorButton>(lp, LOGO_COLOR, GUIITEM_DROPDOWNCOLOR);
    firmwareVersionText = BindItem<CTextItem>(lp, TEXT_FIRMWAREVER, GUIITEM_TEXTITEM);
    driverVersionText = BindItem<CTextItem>(lp, TEXT_DRIVERVER, GUIITEM_TEXTITEM);

    const CGUIItemList& pp = performancePage;
    enableXYButton = BindItem<CBitmapBtn>(pp, BUTTON_ENABLEXY, GUIITEM_BITMAPBTN);
    enableXYText = BindItem<CTextItem>(pp, TEXT_ENABLEXY, GUIITEM_TEXTITEM);
    dpiSlider = BindItem<CSliderHMulti>(pp, SLIDER_DPI_MULTI, GUIITEM_SLIDERHMULTI);
    dpiSliderX = BindItem<CSliderHMulti>(pp, SLIDER_DPI_MULTI_X, GUIITEM_SLIDERHMULTI);
    dpiSliderY = BindItem<CSliderHMulti>(pp, SLIDER_DPI_MULTI_Y, GUIITEM_SLIDERHMULTI);
    dpiTrackXY = BindItem<CBitmapItem>(pp, BITMAP_SLSENSTRK_XY, GUIITEM_BITMAPITEM);
    dpiTrackX = BindItem<CBitmapItem>(pp, BITMAP_SLSENSTRK_X, GUIITEM_BITMAPITEM);
    dpiTrackY = BindItem<CBitmapItem>(pp, BITMAP_SLSENSTRK_Y, GUIITEM_BITMAPITEM);
    accelSlider = BindItem<CSliderHMulti>(pp, SLIDER_ID_ACCEL, GUIITEM_SLIDERHMULTI);
    accelSliderDisabled = BindItem<CSliderHMulti>(pp, SLIDER_ID_ACCELDISB, GUIITEM_SLIDERHMULTI);
    accelTrack = BindItem<CBitmapItem>(pp, BITMAP_SLACCLTRK, GUIITEM_BITMAPITEM);
    accelTrackDisabled = BindItem<CBitmapItem>(pp, BITMAP_SLACCLTRKDISB, GUIITEM_BITMAPITEM);
    enableAccelButton = BindItem<CBitmapBtn>(pp, BUTTON_ENABLEACCELERATION, GUIITEM_BITMAPBTN);
    dpiText1 = BindItem<CTextItem>(pp, TEXT_DPI1, GUIITEM_TEXTITEM);
    dpiText2 = BindItem<CTextItem>(pp, TEXT_DPI2, GUIITEM_TEXTITEM);
    dpiValueText1 = BindItem<CTextItem>(pp, TEXT_DPIVALUE1, GUIITEM_TEXTITEM);
    dpiValueText2 = BindItem<CTextItem>(pp, TEXT_DPIVALUE2, GUIITEM_TEXTITEM);
    sensWindow2 = BindItem<CBitmapItem>(pp, BITMAP_SENSWINDOW2, GUIITEM_BITMAPITEM);
    headingXText = BindItem<CTextItem>(pp, TEXT_HEADING_X, GUIITEM_TEXTITEM);
    headingYText = BindItem<CTextItem>(pp, TEXT_HEADING_Y, GUIITEM_TEXTITEM);
    rateButton1 = BindItem<CBitmapBtn>(pp, BUTTON_RATE1, GUIITEM_BITMAPBTN);
    rateButton2 = BindItem<CBitmapBtn>(pp, BUTTON_RATE2, GUIITEM_BITMAPBTN);
    rateButton3 = BindItem<CBitmapBtn>(pp, BUTTON_RATE3, GUIITEM_BITMAPBTN);
    dpiOsdButton = BindItem<CBitmapBtn>(pp, BUTTON_ENABLE_DPI_OSD, GUIITEM_BITMAPBTN);
    dpiOsdText = BindItem<CTextItem>(pp, TEXT_ENABLE_DPI_OSD, GUIITEM_TEXTITEM);

    const CGUIItemList& ap = assignPage;
    assignLeftClick = BindItem<CDropdownListItem>(ap, BUTTON_ASSNLEFTCLICK, GUIITEM_DROPDOWNLIST);
    assignRightClick = BindItem<CDropdownListItem>(ap, BUTTON_ASSNRIGHTCLICK, GUIITEM_DROPDOWNLIST);
    assignScrollButton =
        BindItem<CDropdownListItem>(ap, BUTTON_ASSNSCROLLBUTTON, GUIITEM_DROPDOWNLIST);
    assignLeftSideRear =
        BindItem<CDropdownListItem>(ap, BUTTON_ASSNLSIDEREAR, GUIITEM_DROPDOWNLIST);
    assignLeftSideFront =
        BindItem<CDropdownListItem>(ap, BUTTON_ASSNLSIDEFRONT, GUIITEM_DROPDOWNLIST);
    assignRightSideRear =
        BindItem<CDropdownListItem>(ap, BUTTON_ASSNRSIDEREAR, GUIITEM_DROPDOWNLIST);
    assignRightSideFront =
        BindItem<CDropdownListItem>(ap, BUTTON_ASSNRSIDEFRONT, GUIITEM_DROPDOWNLIST);
    assignCentreRear = BindItem<CDropdownListItem>(ap, BUTTON_ASSNCENTREREAR, GUIITEM_DROPDOWNLIST);
    assignCentreFront =
        BindItem<CDropdownListItem>(ap, BUTTON_ASSNCENTREFRONT, GUIITEM_DROPDOWNLIST);
    assignScrollUp = BindItem<CDropdownListItem>(ap, BUTTON_ASSNSCROLLUP, GUIITEM_DROPDOWNLIST);
    assignScrollDown = BindItem<CDropdownListItem>(ap, BUTTON_ASSNSCROLLDOWN, GUIITEM_DROPDOWNLIST);
    profileSubmenu =
        BindItem<CListPanelItem>(ap, LISTPANEL_ASSIGNSUBMENU_PR, GUIITEM_LISTPANELITEM);
    macroSubmenu = BindItem<CListPanelItem>(ap, LISTPANEL_ASSIGNSUBMENU_MA, GUIITEM_LISTPANELITEM);

    const CGUIItemList& mp = macrosPage;
    macroList = BindItem<CDropdownListItem>(mp, LIST_GLOBALMACROLIST, GUIITEM_DROPDOWNLIST);
    macroDisplay = BindItem<CMacroDisplayItem>(mp, MACRO_DISPLAY, GUIITEM_MACRODISPLAY);
    macroOptions = BindItem<CListPanelItem>(mp, LISTPANEL_MACROOPTIONS, GUIITEM_LISTPANELITEM);
    macroOptions2 = BindItem<CListPanelItem>(mp, LISTPANEL_MACROOPTIONS2, GUIITEM_LISTPANELITEM);
    ignoreDelayButton = BindItem<CBitmapBtn>(mp, BUTTON_IGNORE_DELAY, GUIITEM_BITMAPBTN);
    insertDefaultDelayButton =
        BindItem<CBitmapBtn>(mp, BUTTON_INSERTDEFAULT_DELAY, GUIITEM_BITMAPBTN);
    defaultDelayEdit = BindItem<CEditItem>(mp, EDITCTRL_DEFAULT_DELAY, GUIITEM_EDITITEM);
    macroCreateButton = BindItem<CBitmapBtn>(mp, BUTTON_MACRO_CREATE, GUIITEM_BITMAPBTN);
    macroImportButton = BindItem<CBitmapBtn>(mp, BUTTON_MACRO_IMPORT, GUIITEM_BITMAPBTN);
    macroExportButton = BindItem<CBitmapBtn>(mp, BUTTON_MACRO_EXPORT, GUIITEM_BITMAPBTN);
    macroDeleteButton = BindItem<CBitmapBtn>(mp, BUTTON_MACRO_DELETE, GUIITEM_BITMAPBTN);
    macroRecordButton = BindItem<CBitmapBtn>(mp, BUTTON_MACRO_RECORD, GUIITEM_BITMAPBTN);
    macroAdvancedButton = BindItem<CBitmapBtn>(mp, BUTTON_MACRO_ADVANCED, GUIITEM_BITMAPBTN);
    ignoreDelayText = BindItem<CTextItem>(mp, TEXT_IGNORE_DELAY, GUIITEM_TEXTITEM);
    insertDefaultDelayText = BindItem<CTextItem>(mp, TEXT_INSERTDEFAULT_DELAY, GUIITEM_TEXTITEM);

    const CGUIItemList& rp = profilesPage;
    profileList = BindItem<CXListCtrl>(rp, LIST_PROFILELIST, GUIITEM_XLISTCTRL);
    profileOptions = BindItem<CListPanelItem>(rp, LISTPANEL_PROFILEOPTIONS, GUIITEM_LISTPANELITEM);
    profileOsdButton = BindItem<CBitmapBtn>(rp, BUTTON_ENABLE_PROFILE_OSD, GUIITEM_BITMAPBTN);
    profileOsdText = BindItem<CTextItem>(rp, TEXT_ENABLE_PROFILE_OSD, GUIITEM_TEXTITEM);
}

void CBorvantaAppDlg::ShowPage(int bits) {
    CGUIItemList* page = nullptr;
    if ((bits & PAGE_ASSIGN) != 0) {
        page = &assignPage;
    } else if ((bits & PAGE_PERFORMANCE) != 0) {
        page = &performancePage;
    } else if ((bits & PAGE_PROFILES) != 0) {
        page = &profilesPage;
    } else if ((bits & PAGE_MACROS) != 0) {
        page = &macrosPage;
    } else if ((bits & PAGE_LIGHTING) != 0) {
        page = &lightingPage;
    }
    if (page == currentPage) {
        return;
    }
    ShowGUIItems(assignPage, (bits & PAGE_ASSIGN) != 0);
    ShowGUIItems(performancePage, (bits & PAGE_PERFORMANCE) != 0);
    ShowGUIItems(profilesPage, (bits & PAGE_PROFILES) != 0);
    ShowGUIItems(macrosPage, (bits & PAGE_MACROS) != 0);
    ShowGUIItems(lightingPage, (bits & PAGE_LIGHTING) != 0);

    auto check = [](CBitmapBtn* tab, bool checked) {
        if (tab != nullptr) {
            tab->SetCheck(checked ? 1 : 0);
        }
    };
    check(assignTab, (bits & 0x03) != 0);
    check(performanceTab, (bits & PAGE_PERFORMANCE) != 0);
    check(profilesTab, (bits & PAGE_PROFILES) != 0);
    check(macrosTab, (bits & PAGE_MACROS) != 0);
    check(lightingTab, (bits & PAGE_LIGHTING) != 0);

    currentPage = page;
    Invalidate(TRUE);
}

void CBorvantaAppDlg::MarkPending(BYTE sections) {
    PendingChangeMask = static_cast<BYTE>(PendingChangeMask | sections);
    // While a macro is recorded the page keeps Apply disabled; it comes back when recording
    // stops (EnableMacroControls).
    if (applyButton != nullptr && !IsRecording()) {
        applyButton->EnableWindow(TRUE);
    }
}

void CBorvantaAppDlg::ClearPendingChanges() {
    PendingChangeMask = 0;
    if (applyButton != nullptr) {
        applyButton->EnableWindow(FALSE);
    }
}

bool CBorvantaAppDlg::SaveToDevice() {
    if (device == nullptr || device->IsWriting() || PendingChangeMask == 0) {
        return false;
    }
    const BOOL started = device->SyncDevice(config, SYNC_WRITE, PendingChangeMask);

    // Shown until the write timer finds the device idle (at most one tick when the write
    // did not start).
    CBorvantaWarningDlg popup(this, u"WritingToVelmoraPopup.xml");
    popup.holdOpen = true; // ended by the write timer alone
    writingPopup = &popup;
    popup.DoModal();
    writingPopup = nullptr;

    if (!started) {
        ShowNoMouseAndClose();
        return false;
    }
    // A write that did not reach the mouse keeps its changes pending; the user is told.
    if (!device->IsWriting() && !device->GetLastWriteResult()) {
        CBorvantaWarningDlg failed(this, u"WriteFailedPopup.xml");
        failed.DoModal();
    }
    return true;
}

void CBorvantaAppDlg::InitPages() {
    FillMacroList();
    FillAssignmentLists();
    // The tabs and the polling-rate buttons are checked by this window alone.
    for (CBitmapBtn* button : {assignTab, performanceTab, profilesTab, macrosTab, lightingTab,
                               rateButton1, rateButton2, rateButton3}) {
        if (button != nullptr) {
            button->toggleOnClick = 0;
        }
    }
    UpdateLightingControls();
    InitSeparateXYView();
    UpdateOsdSwitches();
    InitMacroPage();
    InitPerformanceControls();
    ShowVersionTexts();
}

void CBorvantaAppDlg::UpdateControls() {
    UpdateAssignmentLists();
    UpdateLightingControls();
    UpdatePerformanceControls();
    UpdateOsdSwitches();
}

void CBorvantaAppDlg::UpdateOsdSwitches() {
    if (profileOsdButton != nullptr) {
        profileOsdButton->SetCheck(config->GetShowProfileOsd(nullptr) != 0 ? 1 : 0);
    }
    if (dpiOsdButton != nullptr) {
        dpiOsdButton->SetCheck(config->GetShowDpiOsd(nullptr) != 0 ? 1 : 0);
    }
}

bool CBorvantaAppDlg::IsRecording() const {
    return currentPage == &macrosPage && macroDisplay != nullptr && macroDisplay->recording;
}

void CBorvantaAppDlg::ShowNoMouseAndClose() {
    // A mouse whose stored state the service could not open is not a missing mouse, and
    // neither is one whose settings hold no profile: say what happened.
    const HRESULT why = device != nullptr ? device->GetServiceResult() : S_OK;
    const bool noProfiles = !IsServiceStateError(why) && device != nullptr &&
                            device->IsDeviceFound() && config->GetProfileCount() == 0;
    const bool stateError = IsServiceStateError(why) || noProfiles;
    CBorvantaWarningDlg noMouse(this, stateError ? u"MouseStatePopup.xml" : u"NoMousePopup.xml");
    if (noProfiles) {
        noMouse.SetText(u"$MouseStateNoProfiles");
        noMouse.SetMessage(u"$MouseStateNoProfilesMessage");
    } else if (why == SERVICE_E_STATE_DAMAGED) {
        noMouse.SetText(u"$MouseStateDamaged");
    } else if (why == SERVICE_E_STATE_READONLY) {
        noMouse.SetText(u"$MouseStateReadOnly");
    } else if (why == SERVICE_E_STATE_NEWER) {
        noMouse.SetText(u"$MouseStateNewer");
    } else if (why == SERVICE_E_STATE_BUSY) {
        // The file is sound: the message must not ask to repair it.
        noMouse.SetText(u"$MouseStateBusy");
        noMouse.SetMessage(u"$MouseStateBusyMessage");
    } else if (why == SERVICE_E_STATE_FULL) {
        noMouse.SetText(u"$MouseStateFull");
        noMouse.SetMessage(u"$MouseStateFullMessage");
    }
    noMouse.DoModal();
    PostMessage(WM_CLOSE);
}

void CBorvantaAppDlg::OnTimer(UINT_PTR id) {
    if (timerId == 0) {
        return;
    }
    if (id == IDT_NO_DEVICE) {
        KillTimer(id);
        ShowNoMouseAndClose();
        return;
    }
    if (id != IDT_WRITE_AND_CLOSE && id != IDT_WRITE_APPLY) {
        CGUIPanel::OnTimer(id);
        return;
    }
    if (device != nullptr && device->IsWriting()) {
        return; // the next tick looks again
    }
    if (writingPopup != nullptr && writingPopup->GetSafeHwnd() != nullptr) {
        writingPopup->EndDialog(0);
    }
    KillTimer(id);
    // A write that did not reach the mouse keeps the window open with its changes pending.
    if (id == IDT_WRITE_AND_CLOSE && (device == nullptr || device->GetLastWriteResult())) {
        PostMessage(WM_CLOSE);
    }
}

CGUIItem* CBorvantaAppDlg::FindCommandItem(HWND control) const {
    if (CGUIItem* item = FindGUIItemByHwnd(items, control)) {
        return item;
    }
    return currentPage != nullptr ? FindGUIItemByHwnd(*currentPage, control) : nullptr;
}

BOOL CBorvantaAppDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    CGUIItem* item = FindCommandItem(reinterpret_cast<HWND>(lParam));
    if (item == nullptr || (item->type != GUIITEM_BITMAPBTN && item->type != GUIITEM_TEXTITEM)) {
        return CGUIPanel::OnCommand(wParam, lParam);
    }
    if (IsRecording() && item->id != BUTTON_MACRO_RECORD) {
        return CGUIPanel::OnCommand(wParam, lParam);
    }
    // Before a profile is active (no mouse yet) only the window's own commands act.
    if (config->GetActiveProfile() == nullptr && NeedsActiveProfile(item->id)) {
        return CGUIPanel::OnCommand(wParam, lParam);
    }
    switch (item->id) {
    case BUTTON_HELP:
        OnHelpInfo();
        break;
    case BUTTON_EXIT:
    case BUTTON_CANCEL:
        PostMessage(WM_CLOSE);
        break;
    case BUTTON_OK:
        if (PendingChangeMask == 0) {
            PostMessage(WM_CLOSE);
        } else {
            timerId = SetTimer(IDT_WRITE_AND_CLOSE, kMainTimerMs, nullptr);
            SaveToDevice();
        }
        break;
    case BUTTON_APPLY:
        timerId = SetTimer(IDT_WRITE_APPLY, kMainTimerMs, nullptr);
        // Only a write that reached the mouse in full clears the pending sections.
        if (SaveToDevice() && device->GetLastWriteResult()) {
            ClearPendingChanges();
        }
        break;
    case BUTTON_RESET: {
        // The factory settings, only when the user confirms; they touch every section.
        CBorvantaWarningDlg confirm(this, u"RestorePopup.xml");
        if (confirm.DoModal() == IDOK) {
            if (auto* borvanta = dynamic_cast<CBorvantaConfig*>(config)) {
                borvanta->SetDefaults(nullptr);
            }
            UpdateControls();
            MarkPending(PENDING_ALL);
        }
        break;
    }
    case BUTTON_RATE1:
    case BUTTON_RATE2:
    case BUTTON_RATE3:
        OnPollingRate(item->id - BUTTON_RATE1);
        MarkPending(PENDING_POLLING_RATE);
        break;
    case SCROLL_LEDON:
    case SCROLL_LEDOFF:
        OnScrollLight(item->id == SCROLL_LEDON);
        MarkPending(PENDING_LIGHTING);
        break;
    case GLOW_LEDON:
    case GLOW_LEDOFF:
        OnLogoLight(item->id == GLOW_LEDON);
        MarkPending(PENDING_LIGHTING);
        break;
    case BUTTON_ENABLEXY:
        OnSeparateXY();
        MarkPending(PENDING_SENSITIVITY);
        break;
    case BUTTON_ENABLEACCELERATION:
        OnAccelerationSwitch();
        MarkPending(PENDING_ACCELERATION);
        break;
    case BUTTON_SENSITIVITY_STAGES:
        OnSensitivityStages();
        MarkPending(PENDING_SENSITIVITY);
        break;
    case BUTTON_ENABLE_DPI_OSD:
        OnDpiOsdSwitch();
        MarkPending(PENDING_PROFILES);
        break;
    case BUTTON_ENABLE_PROFILE_OSD:
        OnProfileOsdSwitch();
        MarkPending(PENDING_PROFILES);
        break;
    case BUTTON_NEWPROFILE:
    case BUTTON_IMPORTPROFILE:
    case BUTTON_EXPORTPROFILE:
    case BUTTON_SAVEPROFILE:
    case BUTTON_DELETEPROFILE:
        // These act only on the profiles page.
        if (currentPage == &profilesPage) {
            if (item->id == BUTTON_NEWPROFILE) {
                OnNewProfile();
            } else if (item->id == BUTTON_IMPORTPROFILE) {
                OnImportProfile();
            } else if (item->id == BUTTON_DELETEPROFILE) {
                OnDeleteProfile();
            } else {
                OnExportProfile();
            }
            if (item->id != BUTTON_EXPORTPROFILE && item->id != BUTTON_SAVEPROFILE) {
                MarkPending(PENDING_PROFILES);
            }
        }
        break;
    case BUTTON_MACRO_CREATE:
        OnMacroCreate();
        MarkPending(PENDING_MACROS);
        break;
    case BUTTON_MACRO_SAVE:
    case BUTTON_MACRO_EXPORT:
        OnMacroExport();
        break;
    case BUTTON_MACRO_IMPORT:
        OnMacroImport();
        MarkPending(PENDING_MACROS);
        break;
    case BUTTON_MACRO_DELETE:
        OnMacroDelete();
        MarkPending(PENDING_MACROS);
        break;
    case BUTTON_MACRO_RECORD:
        OnMacroRecord();
        MarkPending(PENDING_MACROS);
        break;
    case BUTTON_MACRO_ADVANCED:
        OnMacroAdvanced();
        MarkPending(PENDING_MACROS);
        break;
    case BUTTON_IGNORE_DELAY:
    case BUTTON_INSERTDEFAULT_DELAY:
        OnMacroDelayOption(item->id);
        break;
    case BUTTON_UPDATE:
        openDocument(kUpdateAddress);
        break;
    case BUTTON_CHECKADDONS:
        openDocument(kAddOnsAddress);
        break;
    case BUTTON_ASSIGNBUTTONS:
        ShowPage(PAGE_ASSIGN);
        break;
    case BUTTON_ADJUSTPERFORMANCE:
        ShowPage(PAGE_PERFORMANCE);
        OnPerformanceTab();
        break;
    case BUTTON_MANAGEPROFILES:
        ShowPage(PAGE_PROFILES);
        break;
    case BUTTON_MANAGEMACROS:
        ShowPage(PAGE_MACROS);
        NoticeUnreadMacros();
        break;
    case BUTTON_LIGHTINGMAINTENANCE:
        ShowPage(PAGE_LIGHTING);
        break;
    default:
        break;
    }
    return CGUIPanel::OnCommand(wParam, lParam);
}

void CBorvantaAppDlg::OnOK() {
    if (IsRecording()) {
        return;
    }
    timerId = SetTimer(IDT_WRITE_AND_CLOSE, kMainTimerMs, nullptr);
    const bool started = SaveToDevice();
    // A write that failed keeps the window open with its changes pending; a refused start
    // has already reported the missing mouse and asked the window to close.
    if (started && device->GetLastWriteResult() == FALSE) {
        return;
    }
    CGUIPanel::OnOK();
}

void CBorvantaAppDlg::OnCancel() {
    if (IsRecording()) {
        return;
    }
    CGUIPanel::OnCancel();
}

void CBorvantaAppDlg::ReportOpenFailure(const WCHAR* target, INT_PTR result) {
    CString text = TranslateText(u"$OpenFailed");
    text += u"\n";
    // A file is named as the user's system writes paths; a web address as it stands.
    const bool web = std::u16string_view(target).find(u"://") != std::u16string_view::npos;
    text += (web ? std::u16string(target) : ToNativePath(target).u16string()).c_str();
    text += u"\n\n";
    text += TranslateText(result == SE_ERR_FNF ? u"$OpenFileMissing" : u"$NoOpener");
    MessageBox(text.GetString(), u"Tolvi Borvanta 5600", MB_OK | MB_ICONWARNING);
}

BOOL CBorvantaAppDlg::OnHelpInfo() {
    if (IsRecording()) {
        return FALSE;
    }
    CString path;
    path.Format(u"%sManuals\\index.html", ExeFolder);
    openDocument(path.GetString());
    return FALSE;
}

BOOL CBorvantaAppDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    using Handler = LRESULT (CBorvantaAppDlg::*)(WPARAM, LPARAM);
    static const std::pair<UINT, Handler> kWidgetMessages[] = {
        {WM_SLIDER_POSCHANGED, &CBorvantaAppDlg::OnSliderChanged},
        {WM_DROPDOWN_SELECT, &CBorvantaAppDlg::OnAssignmentSelected},
        {WM_DROPDOWN_OPENING, &CBorvantaAppDlg::OnAssignmentListEvent},
        {WM_XLIST_EDITDONE, &CBorvantaAppDlg::OnProfileNameEdited},
        {WM_XLIST_TEXTCHANGED, &CBorvantaAppDlg::OnProfileProgramChanged},
        {WM_XLIST_CHECKCHANGED, &CBorvantaAppDlg::OnProfileAutoSwitchChanged},
        {WM_XLIST_COMMAND, &CBorvantaAppDlg::OnProfileListCommand},
        {WM_XLIST_ROWDBLCLK, &CBorvantaAppDlg::OnProfileSelected},
        {WM_MACRODISPLAY_CHANGED, &CBorvantaAppDlg::OnMacroEventsChanged},
        {WM_MACRODISPLAY_EDITEVENT, &CBorvantaAppDlg::OnMacroEventEdit},
        {WM_MACRODISPLAY_FULL, &CBorvantaAppDlg::OnMacroRecordDone},
        {WM_COLORPALETTE_SELECT, &CBorvantaAppDlg::OnColorChanged},
        {WM_COLORPALETTE_CANCEL, &CBorvantaAppDlg::OnColorCancelled},
    };
    if (message == WM_HELP) {
        *result = OnHelpInfo();
        return TRUE;
    }
    if (message == WM_REPORT_PAGE_SKINS) {
        if (!pageSkinProblems.empty()) {
            ReportSkinProblem(this, u"$SkinFileFailedPage", pageSkinProblems);
        }
        *result = 0;
        return TRUE;
    }
    // The macros page's own drop-down: the macro choice.
    if (message == WM_DROPDOWN_SELECT && macroList != nullptr &&
        reinterpret_cast<HWND>(lParam) == macroList->GetSafeHwnd()) {
        OnMacroChosen(static_cast<int>(wParam));
        Invalidate(TRUE);
        *result = 0;
        return TRUE;
    }
    for (const auto& [id, handler] : kWidgetMessages) {
        if (message == id) {
            *result = (this->*handler)(wParam, lParam);
            return TRUE;
        }
    }
    return CGUIPanel::OnWndMsg(message, wParam, lParam, result);
}

BOOL CBorvantaAppDlg::OnEraseBkgnd(CDC* /*dc*/) {
    return TRUE;
}

LRESULT CBorvantaAppDlg::OnNcHitTest(CPoint point) {
    const LRESULT hit = CGUIPanel::OnNcHitTest(point);
    return hit == HTCLIENT ? HTCAPTION : hit;
}

HCURSOR CBorvantaAppDlg::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(m_icon);
}
