#pragma once
// Off-screen drawing against flicker: draws into a memory bitmap the size of the target
// rectangle and copies it to the target in one blit when it goes.

#include "platform/framework/CDC.h"
#include "platform/framework/CGdiObject.h"

class CMemDC : public CDC {
public:
    // rect: the target area in logical units; null takes the target's clip box. For a
    // printer the target's own contexts are used directly.
    explicit CMemDC(CDC* target, const RECT* rect = nullptr);
    ~CMemDC() override;
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    CMemDC* operator->() { return this; }
    operator CMemDC*() { return this; }
    const RECT& GetRect() const { return m_rect; }
    bool IsMemory() const { return m_memory; }

private:
    CBitmap m_bitmap;
    CBitmap* m_oldBitmap = nullptr;
    CDC* m_target;
    RECT m_rect{};
    bool m_memory;
};
