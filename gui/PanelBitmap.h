#pragma once
// The BACKGROUND and MASK bitmaps of a panel skin: a bitmap object of the panel's own, made
// from the cached picture, that is also a skin item (type 0).

#include "gui/GUIItem.h"
#include "platform/framework/CGdiObject.h"

class CPanelBitmap : public CBitmap, public CGUIItem {
public:
    CPanelBitmap();
    ~CPanelBitmap() override;

    // Takes ownership of bitmap, releasing the one held before.
    void AttachBitmap(HBITMAP bitmap);
    HBITMAP GetBitmapHandle() const { return static_cast<HBITMAP>(*this); }
    // The second copy of the handle that the panel paints from; null once released.
    HBITMAP GetBitmapCopy() const { return m_copy; }
    // Releases the bitmap now (the panel does this when its window goes). Both copies of the
    // handle are cleared, so the destructor never releases it a second time.
    void DeleteBitmap();
    // Width and height of the bitmap; 0, 0 without one.
    SIZE GetSize() const;

private:
    HBITMAP m_copy = nullptr;
};
