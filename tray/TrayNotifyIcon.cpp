#include "tray/TrayNotifyIcon.h"

#include "tray/TrayResources.h"

#include <cstring>

namespace {

constexpr const WCHAR* kHelperClass = u"CTrayNotifyIconHelper";
constexpr const WCHAR* kHelperTitle = u"CTrayNotifyIcon Helper Window";

// Registered by a static initializer, as the program starts.
const UINT g_taskbarCreated = RegisterWindowMessageW(u"TaskbarCreated");

// The published sizes of the icon data's four generations, by shell level.
constexpr DWORD kIconDataSizes[4] = {152, 936, 952, 956};

bool IsHighSurrogate(WCHAR c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

} // namespace

UINT TaskbarCreatedMessage() {
    return g_taskbarCreated;
}

void CopyTipText(WCHAR* field, size_t size, LPCWSTR tip) {
    if (size == 0) {
        return;
    }
    size_t length = 0;
    if (tip) {
        while (length < size - 1 && tip[length]) {
            ++length;
        }
        // Cut before a pair whose second half does not fit.
        if (length == size - 1 && tip[length] && length > 0 && IsHighSurrogate(tip[length - 1])) {
            --length;
        }
        std::memcpy(field, tip, length * sizeof(WCHAR));
    }
    std::memset(field + length, 0, (size - length) * sizeof(WCHAR));
}

CTrayNotifyIcon::CTrayNotifyIcon() {
    // There is only one generation of the notification area here, the newest.
    m_shellLevel = 3;
    m_iconData = NOTIFYICONDATAW();
    m_iconData.cbSize = kIconDataSizes[m_shellLevel];
}

CTrayNotifyIcon::~CTrayNotifyIcon() {
    Remove();
    if (m_helper) {
        SendMessageW(m_helper, WM_CLOSE, 0, 0);
        if (IsWindow(m_helper)) {
            DestroyWindow(m_helper);
        }
        m_helper = nullptr;
    }
    m_menu.Destroy();
}

BOOL CTrayNotifyIcon::Create(HWND owner, LPCWSTR tip, HICON icon) {
    m_menu = LoadTrayMenu();
    HMENU popup = m_menu.GetPopup();
    if (!popup) {
        m_menu.Destroy();
        return FALSE;
    }
    SetMenuDefaultItem(popup, m_defaultItem, m_defaultByPosition ? 1u : 0u);

    WNDCLASSW wc;
    wc.lpfnWndProc = &CTrayNotifyIcon::HelperWindowProc;
    wc.lpszClassName = kHelperClass;
    RegisterClassW(&wc); // again for a second icon: harmless
    m_helper = CreateWindowExW(0, kHelperClass, kHelperTitle, WS_OVERLAPPEDWINDOW, 0, 0, 0, 0,
                               nullptr, nullptr, nullptr, this);
    if (!m_helper) {
        return FALSE;
    }

    m_owner = owner;
    m_iconData.hWnd = owner;
    m_iconData.uID = IDR_TRAYMENU;
    m_iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_iconData.uCallbackMessage = WM_TRAYNOTIFY;
    m_iconData.hIcon = icon;
    CopyTipText(m_iconData.szTip, std::size(m_iconData.szTip), tip);

    m_added = Shell_NotifyIconW(NIM_ADD, &m_iconData) != FALSE;
    if (m_added && m_shellLevel > 0) {
        m_iconData.uVersion = NOTIFYICON_VERSION;
        Shell_NotifyIconW(NIM_SETVERSION, &m_iconData);
    }
    return m_added ? TRUE : FALSE;
}

void CTrayNotifyIcon::Remove() {
    if (!m_added) {
        return;
    }
    NOTIFYICONDATAW data = m_iconData;
    data.uFlags = 0;
    Shell_NotifyIconW(NIM_DELETE, &data);
    m_added = false;
}

void CTrayNotifyIcon::AddAgain() {
    Remove();
    m_iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_added = Shell_NotifyIconW(NIM_ADD, &m_iconData) != FALSE;
}

HMENU CTrayNotifyIcon::GetPopupMenu() const {
    return m_menu.GetPopup();
}

void CTrayNotifyIcon::SetMenu(CTrayMenu menu, UINT defaultCommand) {
    m_menu = std::move(menu);
    m_defaultItem = defaultCommand;
    m_defaultByPosition = FALSE;
    if (HMENU popup = m_menu.GetPopup()) {
        SetMenuDefaultItem(popup, m_defaultItem, m_defaultByPosition ? 1u : 0u);
    }
}

int CTrayNotifyIcon::OnTrayNotification(UINT iconId, UINT mouseMessage, int x, int y) {
    if (iconId != IDR_TRAYMENU) {
        return 0;
    }
    if (mouseMessage == WM_RBUTTONUP) {
        HMENU popup = m_menu.GetPopup();
        // The chosen command may end the owner, and this icon with it: only locals after
        // the menu.
        HWND owner = m_owner;
        if (popup && owner) {
            SetForegroundWindow(owner);
            TrackPopupMenu(popup, TPM_LEFTBUTTON, x, y, 0, owner, nullptr);
            // So that the menu closes when the user clicks elsewhere next time.
            PostMessageW(owner, WM_NULL, 0, 0);
        }
    }
    return 1;
}

BOOL CTrayNotifyIcon::ProcessWindowMessage(HWND, UINT msg, WPARAM, LPARAM, LRESULT* result) {
    if (msg == g_taskbarCreated && g_taskbarCreated != 0) {
        AddAgain();
        *result = 0;
        return TRUE;
    }
    return FALSE;
}

LRESULT CTrayNotifyIcon::HelperWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<CTrayNotifyIcon*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (self && self->m_helper == hwnd) {
            self->m_helper = nullptr;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    LRESULT result = 0;
    if (self && self->ProcessWindowMessage(hwnd, msg, wParam, lParam, &result)) {
        return result;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}
