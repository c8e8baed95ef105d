// Framework menus, the window's system menu and message boxes.

#include "platform/framework/CMenu.h"

#include "platform/framework/CWinApp.h"
#include "platform/framework/CWnd.h"
#include "platform/ui/MessageBox.h"

#include <map>
#include <memory>

namespace {

// Temporary wrappers of the calling thread, kept while their menus live.
std::map<HMENU, std::unique_ptr<CMenu>>& Temporaries() {
    thread_local std::map<HMENU, std::unique_ptr<CMenu>> temporaries;
    return temporaries;
}

} // namespace

CMenu::~CMenu() {
    if (!m_temporary) {
        DestroyMenu();
    }
}

CMenu* CMenu::FromHandle(HMENU menu) {
    if (!menu) {
        return nullptr;
    }
    auto& temporaries = Temporaries();
    for (auto it = temporaries.begin(); it != temporaries.end();) {
        if (it->first != menu && !::IsMenu(it->first)) {
            it = temporaries.erase(it);
        } else {
            ++it;
        }
    }
    auto& slot = temporaries[menu];
    if (!slot) {
        slot = std::make_unique<CMenu>();
        slot->m_hMenu = menu;
        slot->m_temporary = true;
    }
    return slot.get();
}

BOOL CMenu::CreateMenu() {
    return Attach(::CreateMenu());
}

BOOL CMenu::CreatePopupMenu() {
    return Attach(::CreatePopupMenu());
}

BOOL CMenu::LoadMenu(UINT id) {
    return Attach(::LoadMenuW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(id))));
}

BOOL CMenu::DestroyMenu() {
    if (!m_hMenu) {
        return FALSE;
    }
    const BOOL done = ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
    return done;
}

BOOL CMenu::Attach(HMENU menu) {
    if (!menu || m_hMenu) {
        return FALSE;
    }
    m_hMenu = menu;
    return TRUE;
}

HMENU CMenu::Detach() {
    HMENU menu = m_hMenu;
    m_hMenu = nullptr;
    return menu;
}

int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const {
    const int length = ::GetMenuStringW(m_hMenu, item, nullptr, 0, flags);
    std::u16string buffer(static_cast<size_t>(length) + 1, u'\0');
    const int copied = ::GetMenuStringW(m_hMenu, item, buffer.data(), length + 1, flags);
    text = CString(buffer.c_str());
    return copied;
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* wnd, LPCRECT rect) {
    return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, wnd ? wnd->GetSafeHwnd() : nullptr, rect);
}

CMenu* CWnd::GetSystemMenu(BOOL revert) const {
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, revert));
}

int CWnd::MessageBox(LPCWSTR text, LPCWSTR caption, UINT type) {
    return ::MessageBoxW(m_hWnd, text, caption, type);
}

int AfxMessageBox(LPCWSTR text, UINT type, UINT) {
    CWnd* main = AfxGetMainWnd();
    HWND owner = main ? main->GetSafeHwnd() : nullptr;
    LPCWSTR caption = nullptr;
    if (CWinApp* app = AfxGetApp(); app && app->m_pszAppName) {
        caption = app->m_pszAppName;
    }
    return ::MessageBoxW(IsWindow(owner) ? owner : nullptr, text, caption, type);
}
