#include "tray/TrayIcons.h"

#include "platform/base/Path.h"
#include "platform/ui/Icon.h"
#include "platform/ui/StringTable.h"
#include "tray/TrayResources.h"

HICON LoadTrayIcon(UINT id) {
    const WCHAR* file = nullptr;
    if (id == IDI_TRAYICON) {
        file = u"TrayIcon.bmp";
    } else if (id == IDR_MAINFRAME) {
        file = u"AppIcon.bmp";
    } else {
        return nullptr;
    }
    // The icon resource is the skin's image file (magenta is transparent).
    const CString path = CString(ExeFolder) + u"skins\\" + file;
    platform::RegisterIconFile(id, std::u16string(path.view()));
    return LoadIconW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(id)));
}

void DestroyTrayIcon(HICON& icon) {
    if (icon) {
        DestroyIcon(icon);
        icon = nullptr;
    }
}

CString TrayString(UINT id) {
    // The program's string table.
    static const bool registered = [] {
        RegisterStringResource(IDS_ABOUTBOX, u"&About BorvantaSysTray...");
        return true;
    }();
    (void)registered;
    WCHAR text[256] = {};
    if (LoadStringW(nullptr, id, text, 256) <= 0) {
        return CString();
    }
    return CString(text);
}
