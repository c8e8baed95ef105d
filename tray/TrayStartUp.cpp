#include "tray/TrayStartUp.h"

#include "gui/WidgetMessages.h"

void RegisterTrayMessages() {
    RegisterWidgetMessages();
}
