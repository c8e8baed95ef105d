#include "gui/PanelBitmap.h"

#include "platform/gdi/Gdi.h"

CPanelBitmap::CPanelBitmap() {
    type = GUIITEM_PANELBITMAP;
}

CPanelBitmap::~CPanelBitmap() {
    DeleteBitmap();
}

void CPanelBitmap::Attach(HBITMAP bitmap) {
    DeleteBitmap();
    m_bitmap = bitmap;
    m_copy = bitmap;
}

void CPanelBitmap::DeleteBitmap() {
    if (m_bitmap != nullptr) {
        DeleteObject(m_bitmap);
    }
    m_bitmap = nullptr;
    m_copy = nullptr;
}

SIZE CPanelBitmap::GetSize() const {
    BITMAP info{};
    if (m_bitmap == nullptr || GetObjectW(m_bitmap, sizeof(info), &info) == 0) {
        return {};
    }
    return SIZE{info.bmWidth, info.bmHeight};
}
