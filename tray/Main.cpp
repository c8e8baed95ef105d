// The tray program BorvantaSysTray: the tray icon, its menu and the on-screen display on the
// desktop's display (X11 when $DISPLAY is set, else the in-memory display). It reads no
// command line.

#include "gui/LangTable.h"
#include "gui/WidgetMessages.h"
#include "platform/ui/x11/X11Display.h"
#include "tray/BorvantaSysTrayApp.h"

#include <memory>

namespace {
CBorvantaSysTrayApp theApp;
} // namespace

int main() {
    // The widgets' notification messages are numbered before any window exists.
    RegisterWidgetMessages();
    // The message boxes' buttons and captions speak the language the start-up selects.
    InstallLanguageTextProvider();
    std::unique_ptr<platform::DisplayBackend> display = platform::CreateDesktopDisplay(1024, 768);
    return AfxWinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
}
