#include "tray/TrayMenu.h"

#include "platform/base/CString.h"
#include "tray/TrayResources.h"

CTrayMenu LoadTrayMenu() {
    CTrayMenu bar(CreateMenu());
    HMENU popup = CreatePopupMenu();
    if (!bar || !popup) {
        if (popup) {
            DestroyMenu(popup);
        }
        return CTrayMenu();
    }
    bool ok = AppendMenuW(popup, MF_STRING, ID_LOAD_CONFIGURATOR, u"Load Borvanta Configurator");
    for (UINT id = ID_PROFILE_FIRST; ok && id <= ID_PROFILE_LAST; ++id) {
        CString text;
        text.Format(u"Profile%d", static_cast<int>(id - ID_PROFILE_FIRST + 1));
        ok = AppendMenuW(popup, MF_STRING, id, text.GetString());
    }
    ok = ok && AppendMenuW(popup, MF_STRING, ID_CLOSE_TRAY_ICON, u"Close Tray Icon");
    // The bar owns the popup from here on.
    if (!AppendMenuW(bar.Get(), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                     u"_POP_UP_")) {
        DestroyMenu(popup);
        return CTrayMenu();
    }
    return ok ? std::move(bar) : CTrayMenu();
}
