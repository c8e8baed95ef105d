#include "tray/BorvantaSysTrayDlg.h"

#include "gui/LangTable.h"
#include "gui/SkinFile.h"
#include "model/NameTables.h"
#include "platform/base/Path.h"
#include "platform/com/ObjBase.h"
#include "platform/framework/CWinApp.h"
#include "platform/ui/Dbt.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WtsApi.h"
#include "qmhook/QmHook.h"
#include "tray/AboutDlg.h"
#include "tray/ProcessHelpers.h"
#include "tray/TrayIcons.h"
#include "tray/TrayResources.h"

#include <algorithm>
#include <cstddef>

namespace {

// The languages "Language" may name (letter case ignored); any other name is English's.
struct LanguageName {
    const WCHAR* name;
    LONG id;
};
constexpr LanguageName kLanguages[] = {
    {u"ChineseSimplified", 321}, {u"ChineseTraditional", 322},
    {u"English", 320},           {u"French", 323},
    {u"FrenchCanadian", 324},    {u"German", 325},
    {u"Japanese", 328},          {u"Korean", 326},
    {u"Russian", 327},
};
constexpr LONG kLanguageDefault = 320;

constexpr const WCHAR* kDefaultTip = u"Tolvi Borvanta 5600";

// Menu texts show "&" as it is written in a profile name.
CString MenuText(const CString& name) {
    CString text;
    for (int i = 0; i < name.GetLength(); ++i) {
        text += name[i];
        if (name[i] == u'&') {
            text += u'&';
        }
    }
    return text;
}

// The device name of a device-interface record, read no further than the record reaches.
CString DeviceNameOf(const DEV_BROADCAST_DEVICEINTERFACE_W* record) {
    CString name;
    const size_t offset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (record->dbcc_size <= offset) {
        return name;
    }
    const size_t chars = (record->dbcc_size - offset) / sizeof(WCHAR);
    for (size_t i = 0; i < chars && record->dbcc_name[i]; ++i) {
        name += record->dbcc_name[i];
    }
    return name;
}

} // namespace

CBorvantaSysTrayDlg::CBorvantaSysTrayDlg(CWnd* parent)
    : CDialog(IDD_BORVANTASYSTRAY_DIALOG, parent) {
    RegisterTrayDialogTemplates();
    // The icons are image files of the skin: the program folder is known first.
    GetModuleFolder();
    m_hIcon = LoadTrayIcon(IDR_MAINFRAME);
    m_hTrayIcon = LoadTrayIcon(IDI_TRAYICON);
    // The store's watchers are armed before the profiles are read, so that no change made
    // from here on is missed. Without the rights to the store there are none: profile changes
    // then arrive through the service's events only.
    m_watcher.Start();
    m_deviceManager.LoadProfiles(m_profiles);
    m_comInitialized = SUCCEEDED(CoInitialize(nullptr));
}

CBorvantaSysTrayDlg::~CBorvantaSysTrayDlg() {
    // Normally stopped by CloseTray already; a dialog destroyed otherwise stops them here,
    // before anything they could talk to goes.
    m_watcher.Stop();
    DisconnectEvents();
    m_pOsd.reset();
    if (m_comInitialized) {
        CoUninitialize();
    }
    DestroyTrayIcon(m_hTrayIcon);
    DestroyTrayIcon(m_hIcon);
}

BOOL CBorvantaSysTrayDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // From now on the watchers talk to this window; what they saw before comes now.
    m_watcher.SetWindow(m_hWnd);

    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        const CString about = TrayString(IDS_ABOUTBOX);
        if (!about.IsEmpty()) {
            AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about.GetString());
        }
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    GetModuleFolder();
    LoadLanguage();

    m_tip = kDefaultTip;
    if (CurrentLangTable) {
        CString text;
        if (CLangTable::Lookup(CurrentLangTable, text, u"$TolviBorvantaConfig")) {
            m_tip = text;
        }
    }

    if (!m_trayIcon.Create(m_hWnd, m_tip.GetString(), m_hTrayIcon)) {
        MessageBoxW(m_hWnd, u"Failed to create borvanta tray icon", nullptr, MB_ICONERROR);
        return -1;
    }

    m_pOsd = std::make_unique<COsdDisplay>(AfxGetApp() ? AfxGetApp()->m_hInstance : nullptr);
    m_pOsd->SetMaxLevel(OSD_DEFAULT_MAX_LEVEL);
    if (FAILED(m_pOsd->CreateOsdWindows())) {
        m_pOsd.reset();
    }

    InstallShellHook(m_hWnd);
    m_shellHookInstalled = true;
    RegisterDeviceArrival();
    m_sessionRegistered = WTSRegisterSessionNotification(m_hWnd, NOTIFY_FOR_THIS_SESSION) != FALSE;
    ConnectEvents();
    return TRUE;
}

// ---- the message map -----------------------------------------------------------------------

BOOL CBorvantaSysTrayDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case WM_DEVICECHANGE:
        *result = OnDeviceChange(static_cast<UINT>(wParam), static_cast<DWORD_PTR>(lParam));
        return TRUE;
    case WM_WTSSESSION_CHANGE:
        OnSessionChange(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
        *result = 0;
        return TRUE;
    case WM_TRAYNOTIFY:
        *result = OnTrayNotify(wParam, lParam);
        return TRUE;
    case WM_SHELLHOOK_ACTIVATE:
        *result = OnShellHookActivate(wParam, lParam);
        return TRUE;
    case WM_PROFILES_NAMES_CHANGED:
        *result = OnProfilesChanged(wParam, lParam);
        return TRUE;
    case WM_PROFILES_VALUES_CHANGED:
        *result = OnProfileValuesChanged(wParam, lParam);
        return TRUE;
    default:
        return CDialog::OnWndMsg(message, wParam, lParam, result);
    }
}

BOOL CBorvantaSysTrayDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(static_cast<DWORD>(wParam));
    if (id == ID_CLOSE_TRAY_ICON) {
        OnCloseTrayIcon(); // the dialog is gone afterwards
        return TRUE;
    }
    if (id == ID_LOAD_CONFIGURATOR) {
        OnLoadConfigurator();
        return TRUE;
    }
    if (id >= ID_PROFILE_FIRST && id <= ID_PROFILE_LAST) {
        OnProfile(id);
        return TRUE;
    }
    if (id == IDOK || id == IDCANCEL) {
        return TRUE; // the hidden dialog closes only through CloseTray
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CBorvantaSysTrayDlg::OnSysCommand(UINT id, LPARAM lParam) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    CDialog::OnSysCommand(id, lParam);
}

void CBorvantaSysTrayDlg::OnPaint() {
    // The dialog is never shown; window icons are not drawn here, so a minimised one paints
    // as any other.
    CDialog::OnPaint();
}

HCURSOR CBorvantaSysTrayDlg::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(m_hIcon);
}

BOOL CBorvantaSysTrayDlg::OnDeviceChange(UINT event, DWORD_PTR data) {
    if (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE) {
        const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
        if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
            return TRUE;
        }
        CString name = DeviceNameOf(reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(data));
        name.MakeUpper();
        CString vendor;
        vendor.Format(u"VID_%04X", static_cast<unsigned>(DEVICE_VENDOR_ID));
        if (name.Find(u"PID_001E") < 0 || name.Find(vendor.GetString()) < 0) {
            return TRUE;
        }
        if (event == DBT_DEVICEARRIVAL) {
            ConnectEvents();
            // The mouse may be a new one (or the first): its profiles as they are now.
            m_deviceManager.LoadProfiles(m_profiles);
            ReadCurrentProfile();
        } else {
            DisconnectEvents();
        }
    } else if (event == DBT_DEVNODES_CHANGED) {
        if (!m_deviceManager.IsConnected()) {
            DisconnectEvents();
        }
    }
    return TRUE;
}

void CBorvantaSysTrayDlg::OnSessionChange(UINT code, UINT) {
    switch (code) {
    case WTS_CONSOLE_CONNECT:
    case WTS_SESSION_LOGON:
    case WTS_SESSION_UNLOCK:
        ConnectEvents();
        break;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_SESSION_LOGOFF:
    case WTS_SESSION_LOCK:
        DisconnectEvents();
        break;
    default:
        break;
    }
}

LRESULT CBorvantaSysTrayDlg::OnShellHookActivate(WPARAM window, LPARAM) {
    CString image;
    DWORD processId = 0;
    HWND activated = reinterpret_cast<HWND>(window);
    if (activated && GetWindowThreadProcessId(activated, &processId) != 0 && processId != 0) {
        GetProcessImageName(processId, image);
    }
    // A window whose program cannot be named switches to nothing.
    if (image.IsEmpty()) {
        return 0;
    }
    for (int i = 0; i < m_profiles.GetSize(); ++i) {
        const _Profile_Setting_& profile = m_profiles[i];
        if (profile.program.view() != image.view() || !profile.autoSwitch) {
            continue;
        }
        const CString name = profile.name;
        const bool showName = profile.showProfileOsd != 0;
        m_deviceManager.ActivateProfile(name);
        if (showName && m_pOsd) {
            ShowProfileOsd(name);
        }
        FollowActiveProfile();
        break;
    }
    return 0;
}

LRESULT CBorvantaSysTrayDlg::OnProfilesChanged(WPARAM, LPARAM) {
    m_deviceManager.LoadProfiles(m_profiles);
    return 0;
}

LRESULT CBorvantaSysTrayDlg::OnProfileValuesChanged(WPARAM, LPARAM) {
    // The active profile may have changed in another process: not the one cached here.
    m_deviceManager.SetActiveProfileObject(nullptr);
    ReadCurrentProfile();
    // Programs and switches live in the values too.
    m_deviceManager.LoadProfiles(m_profiles);
    FollowActiveProfile();
    return 0;
}

void CBorvantaSysTrayDlg::OnCloseTrayIcon() {
    CloseTray();
}

void CBorvantaSysTrayDlg::OnClose() {
    CloseTray();
}

void CBorvantaSysTrayDlg::OnLoadConfigurator() {
    OpenConfigurator(); // raised where it runs already
}

void CBorvantaSysTrayDlg::OnProfile(UINT command) {
    SelectProfile(static_cast<int>(command - ID_PROFILE_FIRST));
}

// ---- events --------------------------------------------------------------------------------

void CBorvantaSysTrayDlg::OnDpiChanged(int x, int y) {
    if (m_currentProfile.name.IsEmpty()) {
        ReadCurrentProfile();
    }
    if (!m_pOsd || !m_currentProfile.showDpiOsd) {
        return;
    }
    const UINT levels = static_cast<UINT>(m_pOsd->GetMaxLevel());
    auto level = [&](int value) {
        return m_pDpiConnection ? static_cast<int>(m_pDpiConnection->ScaleToLevel(value, levels))
                                : 0;
    };
    CString textX;
    textX.Format(u"%d", x);
    if (x == y) {
        if (textX.GetLength() <= 4) {
            m_pOsd->ShowOsdSliderValue(level(x), textX.GetString());
        }
        return;
    }
    CString textY;
    textY.Format(u"%d", y);
    if (textX.GetLength() <= 4 && textY.GetLength() <= 4) {
        m_pOsd->ShowOsdSliderValues(level(x), textX.GetString(), level(y), textY.GetString());
    }
}

void CBorvantaSysTrayDlg::OnActiveProfileChanged() {
    CString name;
    if (!m_deviceManager.GetActiveProfileName(name)) {
        return;
    }
    _Profile_Setting_ record;
    m_deviceManager.GetProfileSetting(name, record);
    if (record.showProfileOsd) {
        ShowProfileOsd(name);
    }
    m_currentProfile = record;
    FollowActiveProfile();
}

void CBorvantaSysTrayDlg::OnProfileManagerEvent(int flags, int, int, int, int) {
    if (flags & 0x1) {
        m_deviceManager.SetActiveProfileObject(nullptr);
        CString name;
        _Profile_Setting_ record;
        if (m_deviceManager.GetActiveProfileName(name)) {
            m_deviceManager.GetProfileSetting(name, record);
            if (record.showProfileOsd) {
                ShowProfileOsd(name);
            }
        }
        m_currentProfile = record;
        FollowActiveProfile();
    } else if (flags & (0x2 | 0x4)) {
        m_deviceManager.LoadProfiles(m_profiles);
    }
}

void CBorvantaSysTrayDlg::OnProfileEvent(int flags, int value, int, int, int) {
    if (flags & 0x1) {
        m_currentProfile.showDpiOsd = value;
    } else if (flags & 0x4) {
        m_currentProfile.autoSwitch = value;
    } else if (flags & 0x2) {
        m_currentProfile.showProfileOsd = value;
    }
}

// ---- own operations ------------------------------------------------------------------------

void CBorvantaSysTrayDlg::ReadCurrentProfile() {
    CString name;
    _Profile_Setting_ record;
    if (m_deviceManager.GetActiveProfileName(name)) {
        m_deviceManager.GetProfileSetting(name, record);
    }
    m_currentProfile = record;
}

void CBorvantaSysTrayDlg::SelectProfile(int index) {
    if (index < 0 || index >= m_profileNames.GetSize()) {
        return;
    }
    // The item acts on the profile it was made from, by identifier: two profiles may share a
    // name. The chosen profile's own record and switches come with it.
    const CString name = m_profileNames[index];
    _Profile_Setting_ record;
    if (static_cast<size_t>(index) >= m_profileGuids.size() ||
        !m_deviceManager.ActivateProfile(m_profileGuids[static_cast<size_t>(index)], record)) {
        return;
    }
    if (record.showProfileOsd) {
        ShowProfileOsd(name);
    }
    m_currentProfile = record;
    FollowActiveProfile();
}

void CBorvantaSysTrayDlg::ShowProfileOsd(const CString& name) {
    if (m_pOsd) {
        m_pOsd->ShowProfileName(name.GetString());
    }
}

void CBorvantaSysTrayDlg::RegisterDeviceArrival() {
    if (m_hDeviceNotify) {
        return;
    }
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_reserved = 0;
    filter.dbcc_classguid = GUID_DEVINTERFACE_MOUSE;
    m_hDeviceNotify = RegisterDeviceNotificationW(m_hWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void CBorvantaSysTrayDlg::ConnectEvents() {
    if (m_bConnected) {
        return;
    }
    if (!m_pDpiConnection) {
        m_pDpiConnection = m_deviceManager.ConnectDpiEvents(this);
    }
    if (!m_pProfileConnection) {
        m_pProfileConnection = m_deviceManager.ConnectProfileEvents(this);
    }
    if (m_pDpiConnection && m_pProfileConnection) {
        m_bConnected = true;
        // Both were made on the profile active now.
        CComPtr<IProfileEx> active;
        m_followedProfile = ActiveProfileGuid(active);
        return;
    }
    m_pDpiConnection.reset();
    m_pProfileConnection.reset();
}

void CBorvantaSysTrayDlg::DisconnectEvents() {
    if (!m_bConnected) {
        return;
    }
    m_pDpiConnection.reset();
    m_pProfileConnection.reset();
    m_bConnected = false;
    m_followedProfile = GUID_NULL;
}

GUID CBorvantaSysTrayDlg::ActiveProfileGuid(CComPtr<IProfileEx>& active) {
    GUID guid = GUID_NULL;
    void* raw = nullptr;
    if (!m_deviceManager.QueryActiveProfile(&raw)) {
        return guid;
    }
    active.Attach(static_cast<IProfileEx*>(raw));
    CComPtr<IProfile> profile;
    if (SUCCEEDED(active->QueryInterface(IID_IProfile, reinterpret_cast<void**>(&profile))) &&
        profile && FAILED(profile->GetGuid(&guid))) {
        guid = GUID_NULL;
    }
    return guid;
}

void CBorvantaSysTrayDlg::FollowActiveProfile() {
    if (!m_bConnected) {
        return;
    }
    CComPtr<IProfileEx> active;
    const GUID guid = ActiveProfileGuid(active);
    // Already on it: the connections stay (making them anew could miss an event on the way).
    if (m_pDpiConnection && !IsEqualGUID(guid, GUID_NULL) && IsEqualGUID(guid, m_followedProfile)) {
        return;
    }
    // The sensitivity events of the profile active now, and the profile sink on it too.
    m_pDpiConnection.reset();
    m_pDpiConnection = m_deviceManager.ConnectDpiEvents(this);
    if (m_pProfileConnection && active) {
        m_pProfileConnection->MoveProfileSink(active.Get());
    }
    m_followedProfile = guid;
}

void CBorvantaSysTrayDlg::LoadLanguage() {
    InitNameTables();
    LoadSkinFile(m_languageItems, u"Language.xml", nullptr);
    LONG id = kLanguageDefault;
    CString setting;
    if (ReadLanguageSetting(setting)) {
        for (const LanguageName& language : kLanguages) {
            if (setting.CompareNoCase(language.name) == 0) {
                id = language.id;
                break;
            }
        }
    }
    auto found = LanguageTableMap.find(id);
    if (found != LanguageTableMap.end() && found->second) {
        CurrentLangTable = found->second;
    }
}

void CBorvantaSysTrayDlg::GetModuleFolder() {
    // Filled once, from the program's own file (a test may have chosen it already).
    if (ExeFolder[0] == 0) {
        InitExeFolder();
    }
}

void CBorvantaSysTrayDlg::BuildTrayMenu(CStringArray& names) {
    CString active;
    m_deviceManager.GetActiveProfileName(active);
    // The names read with their identifiers: the active profile is checked by identifier, so
    // of two profiles of one name only the active one is.
    const bool byGuid =
        &names == &m_profileNames && m_profileGuids.size() == static_cast<size_t>(names.GetSize());
    CComPtr<IProfileEx> activeProfile;
    const GUID activeGuid = byGuid ? ActiveProfileGuid(activeProfile) : GUID_NULL;

    CTrayMenu menu = LoadTrayMenu();
    HMENU popup = menu.GetPopup();
    if (!popup) {
        return; // the icon keeps the menu it had
    }
    if (CurrentLangTable) {
        CString text;
        if (CLangTable::Lookup(CurrentLangTable, text, u"$LoadBorvantaConfigurator")) {
            ModifyMenuW(popup, ID_LOAD_CONFIGURATOR, MF_BYCOMMAND | MF_STRING, ID_LOAD_CONFIGURATOR,
                        text.GetString());
        }
        if (CLangTable::Lookup(CurrentLangTable, text, u"$CloseTrayIcon")) {
            ModifyMenuW(popup, ID_CLOSE_TRAY_ICON, MF_BYCOMMAND | MF_STRING, ID_CLOSE_TRAY_ICON,
                        text.GetString());
        }
    }
    const int count = static_cast<int>(std::min<INT_PTR>(names.GetSize(), kMaxMenuProfiles));
    if (count >= 1) {
        InsertMenuW(popup, ID_PROFILE_FIRST, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
        for (int i = 0; i < count; ++i) {
            const UINT id = ID_PROFILE_FIRST + static_cast<UINT>(i);
            const bool isActive = byGuid ? m_profileGuids[static_cast<size_t>(i)] == activeGuid
                                         : names[i].view() == active.view();
            const UINT check = isActive ? MF_CHECKED : MF_UNCHECKED;
            ModifyMenuW(popup, id, MF_BYCOMMAND | MF_STRING | check, id,
                        MenuText(names[i]).GetString());
        }
        if (count < kMaxMenuProfiles) {
            InsertMenuW(popup, ID_PROFILE_FIRST + static_cast<UINT>(count),
                        MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
        }
    }
    for (UINT id = ID_PROFILE_FIRST + static_cast<UINT>(count); id <= ID_PROFILE_LAST; ++id) {
        DeleteMenu(popup, id, MF_BYCOMMAND);
    }
    m_trayIcon.SetMenu(std::move(menu), ID_LOAD_CONFIGURATOR);
}

void CBorvantaSysTrayDlg::CloseTray() {
    if (m_closing) {
        return;
    }
    m_closing = true;
    if (m_shellHookInstalled) {
        UninstallShellHook();
        m_shellHookInstalled = false;
    }
    KillTimer(kSingleClickTimer);
    KillTimer(kMenuGuardTimer);
    m_singleClickTimer = 0;
    m_bRightClickGuard = false;
    m_pOsd.reset();
    DisconnectEvents();
    if (m_sessionRegistered) {
        WTSUnRegisterSessionNotification(m_hWnd);
        m_sessionRegistered = false;
    }
    if (m_hDeviceNotify && UnregisterDeviceNotification(m_hDeviceNotify)) {
        m_hDeviceNotify = nullptr;
    }
    m_watcher.Stop();
    m_trayIcon.Remove();
    // The last step: the dialog deletes itself as its window goes.
    DestroyWindow();
}

void CBorvantaSysTrayDlg::PostNcDestroy() {
    CDialog::PostNcDestroy();
    delete this;
}

// ---- the tray icon's clicks ----------------------------------------------------------------

LRESULT CBorvantaSysTrayDlg::OnTrayNotify(WPARAM iconId, LPARAM mouseMessage) {
    const UINT message = static_cast<UINT>(mouseMessage);
    switch (message) {
    case WM_LBUTTONDBLCLK:
        KillTimer(kSingleClickTimer);
        m_singleClickTimer = 0;
        OpenConfigurator(); // raised where it runs already
        return 0;           // never the menu
    case WM_RBUTTONUP:
        if (!m_bRightClickGuard) {
            m_bRightClickGuard = true;
            SetTimer(kMenuGuardTimer, kMenuGuardMs);
            GetCursorPos(&m_lastCursorPos);
            m_deviceManager.GetProfileNames(m_profileNames, m_profileGuids);
            BuildTrayMenu(m_profileNames);
        }
        break;
    case WM_LBUTTONDOWN:
        GetCursorPos(&m_lastCursorPos);
        m_singleClickTimer = SetTimer(kSingleClickTimer, GetDoubleClickTime());
        break;
    default:
        break;
    }
    // The menu (for a right-button release) may end the dialog: nothing is touched after it.
    m_trayIcon.OnTrayNotification(static_cast<UINT>(iconId), message, m_lastCursorPos.x,
                                  m_lastCursorPos.y);
    return 0;
}

void CBorvantaSysTrayDlg::OnTimer(UINT_PTR id) {
    if (id == kSingleClickTimer && id == m_singleClickTimer && !m_bRightClickGuard) {
        // A single click: the menu, once the double-click time has passed, at the press.
        m_bRightClickGuard = true;
        SetTimer(kMenuGuardTimer, kMenuGuardMs);
        KillTimer(kSingleClickTimer);
        m_singleClickTimer = 0;
        m_deviceManager.GetProfileNames(m_profileNames, m_profileGuids);
        BuildTrayMenu(m_profileNames);
        m_trayIcon.OnTrayNotification(IDR_TRAYMENU, WM_RBUTTONUP, m_lastCursorPos.x,
                                      m_lastCursorPos.y);
        return; // the menu may have ended the dialog
    }
    if (id == kMenuGuardTimer) {
        m_bRightClickGuard = false;
        KillTimer(kMenuGuardTimer);
    }
    CDialog::OnTimer(id);
}
