#pragma once
// The tray program's hidden main dialog: it keeps the connection to the device service and
// its event connections, switches the active profile when a program that a profile names
// comes to the foreground, shows the on-screen display on sensitivity and profile changes,
// runs the tray icon and its menu, and follows the mouse's arrival and removal, the user's
// session and the service's profile store.
//
// Created modeless and never shown. It deletes itself when its window is gone.
//
// After every change of the active profile (by the menu, by a program coming to the front,
// by the mouse's buttons or by another program) the sensitivity connection and the profile
// sink move to the profile active now, so the display keeps following the mouse.
//
// Closing, by the menu's "Close Tray Icon" or by WM_CLOSE, runs one routine (CloseTray).

#include "gui/GUIItem.h"
#include "platform/base/CStringArray.h"
#include "platform/framework/CDialog.h"
#include "tray/DeviceManager.h"
#include "tray/EventHandlers.h"
#include "tray/OsdDisplay.h"
#include "tray/ProfileSetting.h"
#include "tray/ProfilesWatcher.h"
#include "tray/TrayNotifyIcon.h"

#include <memory>
#include <vector>

class CBorvantaSysTrayDlg : public CDialog, public IDpiEventHandler, public IProfileEventHandler {
public:
    explicit CBorvantaSysTrayDlg(CWnd* parent = nullptr);
    ~CBorvantaSysTrayDlg() override;

    BOOL OnInitDialog() override;

    // ---- the message map ---------------------------------------------------------------
    void OnSysCommand(UINT id, LPARAM lParam) override;
    void OnPaint() override;
    HCURSOR OnQueryDragIcon() override;
    BOOL OnDeviceChange(UINT event, DWORD_PTR data);
    void OnSessionChange(UINT code, UINT sessionId);
    LRESULT OnTrayNotify(WPARAM iconId, LPARAM mouseMessage);
    LRESULT OnShellHookActivate(WPARAM window, LPARAM);
    LRESULT OnProfilesChanged(WPARAM, LPARAM);
    LRESULT OnProfileValuesChanged(WPARAM, LPARAM);
    void OnCloseTrayIcon();
    void OnLoadConfigurator();
    // Profile items 1 to 11 (commands 32771 to 32781): SelectProfile with index 0 to 10.
    void OnProfile(UINT command);
    void OnTimer(UINT_PTR id) override;
    void OnClose() override;

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // ---- the event handlers (on the dialog's thread) -------------------------------------
    void OnDpiChanged(int x, int y) override;
    void OnActiveProfileChanged() override;
    void OnProfileManagerEvent(int flags, int a, int b, int c, int d) override;
    void OnProfileEvent(int flags, int value, int a, int b, int c) override;

    // ---- own operations ----------------------------------------------------------------
    // Activates profile names[index]; on success the current profile becomes that profile's
    // record and its name is shown when its name display is on.
    void SelectProfile(int index);
    void ShowProfileOsd(const CString& name);
    void RegisterDeviceArrival();
    void ConnectEvents();
    void DisconnectEvents();
    void LoadLanguage();
    void GetModuleFolder();
    void BuildTrayMenu(CStringArray& names);
    // The sensitivity connection and the profile sink follow the profile active now.
    void FollowActiveProfile();
    // The one closing routine: the shell hook removed, timers killed, the display deleted,
    // events disconnected, notifications unregistered, watchers stopped and joined, the icon
    // removed, then one DestroyWindow; nothing of the dialog is touched after it.
    void CloseTray();

    // ---- state, for the program and its tests ------------------------------------------
    CDeviceManager& GetDeviceManager() { return m_deviceManager; }
    CTrayNotifyIcon& GetTrayIcon() { return m_trayIcon; }
    const CProfileSettingArray& GetProfiles() const { return m_profiles; }
    const _Profile_Setting_& GetCurrentProfile() const { return m_currentProfile; }
    const CStringArray& GetProfileNames() const { return m_profileNames; }
    COsdDisplay* GetOsd() const { return m_pOsd.get(); }
    bool IsConnected() const { return m_bConnected; }
    CDpiEventConnection* GetDpiConnection() const { return m_pDpiConnection.get(); }
    CProfileEventConnection* GetProfileConnection() const { return m_pProfileConnection.get(); }
    const CProfilesWatcher& GetWatcher() const { return m_watcher; }
    bool IsMenuGuardSet() const { return m_bRightClickGuard; }
    UINT_PTR GetSingleClickTimer() const { return m_singleClickTimer; }
    POINT GetLastCursorPos() const { return m_lastCursorPos; }
    HDEVNOTIFY GetDeviceNotification() const { return m_hDeviceNotify; }
    LPCWSTR GetTipText() const { return m_tip.GetString(); }

protected:
    void PostNcDestroy() override;

private:
    // The active profile's name and record into the current profile (an empty record when the
    // name cannot be read).
    void ReadCurrentProfile();
    // The active profile (into active) and its GUID; GUID_NULL when it cannot be had.
    GUID ActiveProfileGuid(CComPtr<IProfileEx>& active);

    CProfilesWatcher m_watcher;
    HICON m_hIcon = nullptr;
    HICON m_hTrayIcon = nullptr;
    CTrayNotifyIcon m_trayIcon;
    CStringArray m_profileNames;
    std::vector<GUID> m_profileGuids; // the identifier of each of m_profileNames
    CProfileSettingArray m_profiles;
    _Profile_Setting_ m_currentProfile;
    std::unique_ptr<COsdDisplay> m_pOsd;
    POINT m_lastCursorPos{0, 0};
    UINT_PTR m_singleClickTimer = 0;
    CDeviceManager m_deviceManager;
    HDEVNOTIFY m_hDeviceNotify = nullptr;
    std::unique_ptr<CDpiEventConnection> m_pDpiConnection;
    std::unique_ptr<CProfileEventConnection> m_pProfileConnection;
    bool m_bConnected = false;
    GUID m_followedProfile = GUID_NULL; // the profile the connections listen to
    bool m_bRightClickGuard = false;
    CGUIItemList m_languageItems;
    CString m_tip;
    bool m_closing = false;
    bool m_shellHookInstalled = false;
    bool m_sessionRegistered = false;
    bool m_comInitialized = false;
};
