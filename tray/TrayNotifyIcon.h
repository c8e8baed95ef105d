#pragma once
// The tray program's icon in the notification area: adds and removes it, owns its context
// menu (the one menu of the icon: each new menu replaces and destroys the one before), shows
// that menu, and adds the icon again when the notification area is made anew (a new tray
// host: the registered message "TaskbarCreated" reaches the icon's helper window).
//
// The icon's callback messages (WM_TRAYNOTIFY) go to the owner window, not to the helper.

#include "platform/base/CString.h"
#include "platform/ui/ShellApi.h"
#include "platform/ui/WinUser.h"
#include "tray/TrayMenu.h"

// The message number of "TaskbarCreated", registered when the program starts.
UINT TaskbarCreatedMessage();

// Copies tip into the icon data's tip field: at most size - 1 characters and the
// terminator, never ending between the two halves of a surrogate pair.
void CopyTipText(WCHAR* field, size_t size, LPCWSTR tip);

class CTrayNotifyIcon {
public:
    // Chooses the shell level and zeroes the icon data.
    CTrayNotifyIcon();
    // Removes the icon when it is in the notification area, closes the helper window and
    // destroys the menu.
    virtual ~CTrayNotifyIcon();
    CTrayNotifyIcon(const CTrayNotifyIcon&) = delete;
    CTrayNotifyIcon& operator=(const CTrayNotifyIcon&) = delete;

    // Loads the tray menu, creates the helper window and adds the icon for owner (which
    // receives WM_TRAYNOTIFY and the menu's commands). FALSE when the menu, the helper window
    // or the icon could not be made.
    BOOL Create(HWND owner, LPCWSTR tip, HICON icon);
    // Removes the icon from the notification area now (the close routine, before the owner
    // window goes); nothing happens when it is not there.
    void Remove();
    // Shows the menu for a right-button release of icon IDR_TRAYMENU at (x, y); returns 1,
    // or 0 for another icon id.
    virtual int OnTrayNotification(UINT iconId, UINT mouseMessage, int x, int y);

    // Takes menu as the icon's menu (destroying the one before) and makes defaultCommand its
    // bold default item.
    void SetMenu(CTrayMenu menu, UINT defaultCommand);
    HMENU GetMenu() const { return m_menu.Get(); }
    // The menu that is shown: the first submenu.
    HMENU GetPopupMenu() const;

    bool IsAdded() const { return m_added; }
    HWND GetHelperWindow() const { return m_helper; }
    int GetShellLevel() const { return m_shellLevel; }
    const NOTIFYICONDATAW& GetIconData() const { return m_iconData; }

protected:
    // The helper window's messages; TRUE when handled (result in *result).
    virtual BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                      LRESULT* result);

private:
    static LRESULT HelperWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // The icon again after the notification area was made anew.
    void AddAgain();

    HWND m_helper = nullptr;
    NOTIFYICONDATAW m_iconData;
    bool m_added = false;
    HWND m_owner = nullptr;
    CTrayMenu m_menu;
    UINT m_defaultItem = 0;
    BOOL m_defaultByPosition = TRUE;
    int m_shellLevel = 0;
};
