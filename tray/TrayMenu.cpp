#include "tray/TrayMenu.h"

#include "platform/base/CString.h"
#include "tray/TrayResources.h"

#include <string>
#include <vector>

namespace {

// Menu resource IDR_TRAYMENU, registered once.
void RegisterTrayMenu() {
    static const bool registered = [] {
        std::vector<MenuTemplateItem> items;
        items.emplace_back(u"Load Borvanta Configurator", ID_LOAD_CONFIGURATOR);
        for (UINT id = ID_PROFILE_FIRST; id <= ID_PROFILE_LAST; ++id) {
            CString text;
            text.Format(u"Profile%d", static_cast<int>(id - ID_PROFILE_FIRST + 1));
            items.emplace_back(std::u16string(text.view()), id);
        }
        items.emplace_back(u"Close Tray Icon", ID_CLOSE_TRAY_ICON);
        RegisterMenuTemplate(IDR_TRAYMENU, {MenuTemplateItem(u"_POP_UP_", std::move(items))});
        return true;
    }();
    (void)registered;
}

} // namespace

CTrayMenu LoadTrayMenu() {
    RegisterTrayMenu();
    CTrayMenu menu(LoadMenuW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(IDR_TRAYMENU))));
    if (!menu.GetPopup()) {
        return CTrayMenu();
    }
    return menu;
}
