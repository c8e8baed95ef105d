#include "gui/MemDC.h"

CMemDC::CMemDC(CDC* target, const RECT* rect) : m_target(target), m_memory(false) {
    if (m_target == nullptr) {
        return;
    }
    m_memory = !m_target->IsPrinting();
    if (rect != nullptr) {
        m_rect = *rect;
    } else {
        m_target->GetClipBox(&m_rect);
    }
    if (m_memory) {
        CreateCompatibleDC(m_target);
        m_target->LPtoDP(&m_rect);
        m_bitmap.CreateCompatibleBitmap(m_target, m_rect.right - m_rect.left,
                                        m_rect.bottom - m_rect.top);
        m_oldBitmap = SelectObject(&m_bitmap);
        SetMapMode(m_target->GetMapMode());
        SetWindowExt(m_target->GetWindowExt());
        SetViewportExt(m_target->GetViewportExt());
        m_target->DPtoLP(&m_rect);
        SetWindowOrg(m_rect.left, m_rect.top);
    } else {
        m_bPrinting = m_target->m_bPrinting;
        m_hDC = m_target->m_hDC;
        m_hAttribDC = m_target->m_hAttribDC;
    }
    FillSolidRect(&m_rect, m_target->GetBkColor());
}

CMemDC::~CMemDC() {
    if (m_target == nullptr) {
        return;
    }
    if (m_memory) {
        m_target->BitBlt(m_rect.left, m_rect.top, m_rect.right - m_rect.left,
                         m_rect.bottom - m_rect.top, this, m_rect.left, m_rect.top, SRCCOPY);
        SelectObject(m_oldBitmap);
    } else {
        // The contexts are borrowed: they must not be deleted with this object.
        m_hDC = nullptr;
        m_hAttribDC = nullptr;
    }
}
