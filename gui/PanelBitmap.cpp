#include "gui/PanelBitmap.h"

#include "platform/gdi/Gdi.h"

CPanelBitmap::CPanelBitmap() {
    type = GUIITEM_PANELBITMAP;
}

CPanelBitmap::~CPanelBitmap() {
    DeleteBitmap();
}

void CPanelBitmap::AttachBitmap(HBITMAP bitmap) {
    DeleteBitmap();
    if (bitmap != nullptr && Attach(ToGdiObj(bitmap))) {
        m_copy = bitmap;
    }
}

void CPanelBitmap::DeleteBitmap() {
    if (m_hObject != nullptr) {
        DeleteObject();
    }
    m_copy = nullptr;
}

SIZE CPanelBitmap::GetSize() const {
    BITMAP info{};
    if (m_hObject == nullptr || GetBitmap(&info) == 0) {
        return {};
    }
    return SIZE{info.bmWidth, info.bmHeight};
}
