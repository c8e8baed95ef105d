#pragma once
// The tray menu: an owner of one menu handle (destroyed with it, moved, never copied), and the
// menu as the program's resources hold it (IDR_TRAYMENU), made in code.

#include "platform/ui/Menu.h"
#include "platform/ui/WinUser.h"

#include <utility>

class CTrayMenu {
public:
    CTrayMenu() = default;
    explicit CTrayMenu(HMENU menu) : m_menu(menu) {}
    ~CTrayMenu() { Destroy(); }
    CTrayMenu(const CTrayMenu&) = delete;
    CTrayMenu& operator=(const CTrayMenu&) = delete;
    CTrayMenu(CTrayMenu&& other) noexcept : m_menu(other.Detach()) {}
    CTrayMenu& operator=(CTrayMenu&& other) noexcept {
        if (this != &other) {
            Destroy();
            m_menu = other.Detach();
        }
        return *this;
    }

    HMENU Get() const { return m_menu; }
    explicit operator bool() const { return m_menu != nullptr; }
    HMENU Detach() { return std::exchange(m_menu, nullptr); }
    void Destroy() {
        if (m_menu) {
            DestroyMenu(m_menu);
            m_menu = nullptr;
        }
    }
    // The popup at position 0 (the menu that is shown), or null.
    HMENU GetPopup() const { return m_menu ? GetSubMenu(m_menu, 0) : nullptr; }

private:
    HMENU m_menu = nullptr;
};

// Menu IDR_TRAYMENU: one popup "_POP_UP_" holding "Load Borvanta Configurator", "Profile1" to
// "Profile11" and "Close Tray Icon", without separators. Empty when a menu cannot be made.
CTrayMenu LoadTrayMenu();
