#include "configurator/WidePopupTemplate.h"

#include "platform/ui/DialogTemplate.h"

void EnsureWidePopupTemplate() {
    if (FindDialogTemplate(IDD_WIDE_POPUP) != nullptr) {
        return;
    }
    DialogTemplate popup;
    popup.style = WS_POPUP | DS_CENTER;
    popup.cx = 320;
    popup.cy = 200;
    RegisterDialogTemplate(IDD_WIDE_POPUP, popup);
}
