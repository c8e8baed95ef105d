#pragma once
// Framework menu: a C++ object over a menu handle. The object owns the menu it created,
// loaded or was attached to and destroys it with itself (Detach first to keep it). FromHandle
// gives a temporary wrapper that owns nothing.

#include "platform/base/CString.h"
#include "platform/framework/CObject.h"
#include "platform/ui/Menu.h"

class CWnd;

class CMenu : public CObject {
public:
    CMenu() = default;
    ~CMenu() override;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;
    operator HMENU() const { return m_hMenu; }
    HMENU GetSafeHmenu() const { return m_hMenu; }

    // A wrapper of the calling thread for a menu this code does not own (null for null);
    // valid while the menu lives.
    static CMenu* FromHandle(HMENU menu);

    BOOL CreateMenu();
    BOOL CreatePopupMenu();
    // From the menu template registered under id (RegisterMenuTemplate).
    BOOL LoadMenu(UINT id);
    BOOL DestroyMenu();
    BOOL Attach(HMENU menu);
    HMENU Detach();

    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) {
        return ::AppendMenuW(m_hMenu, flags, id, text);
    }
    BOOL InsertMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) {
        return ::InsertMenuW(m_hMenu, position, flags, id, text);
    }
    BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) {
        return ::ModifyMenuW(m_hMenu, position, flags, id, text);
    }
    BOOL DeleteMenu(UINT position, UINT flags) { return ::DeleteMenu(m_hMenu, position, flags); }
    BOOL RemoveMenu(UINT position, UINT flags) { return ::RemoveMenu(m_hMenu, position, flags); }
    UINT CheckMenuItem(UINT item, UINT check) {
        return static_cast<UINT>(::CheckMenuItem(m_hMenu, item, check));
    }
    UINT EnableMenuItem(UINT item, UINT enable) {
        return static_cast<UINT>(::EnableMenuItem(m_hMenu, item, enable));
    }
    BOOL SetDefaultItem(UINT item, BOOL byPosition = FALSE) {
        return ::SetMenuDefaultItem(m_hMenu, item, static_cast<UINT>(byPosition));
    }
    UINT GetDefaultItem(UINT flags, BOOL byPosition = FALSE) const {
        return ::GetMenuDefaultItem(m_hMenu, static_cast<UINT>(byPosition), flags);
    }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
    UINT GetMenuState(UINT item, UINT flags) const { return ::GetMenuState(m_hMenu, item, flags); }
    int GetMenuString(UINT item, LPWSTR buffer, int maxCount, UINT flags) const {
        return ::GetMenuStringW(m_hMenu, item, buffer, maxCount, flags);
    }
    int GetMenuString(UINT item, CString& text, UINT flags) const;
    CMenu* GetSubMenu(int position) const { return FromHandle(::GetSubMenu(m_hMenu, position)); }
    // Shows the menu for wnd (the command target); see TrackPopupMenu.
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* wnd, LPCRECT rect = nullptr);

private:
    bool m_temporary = false;
};

// The framework's message box: owned by the application's main window.
int AfxMessageBox(LPCWSTR text, UINT type = 0, UINT helpId = 0);
