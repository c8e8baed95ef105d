#pragma once
// A child window showing one bitmap cut from the skin. Besides decoration it hosts other
// widgets (the skin's `windowid` and `trackid` name it) and passes their WM_COMMAND
// notifications on to its own parent, the panel, by post.

#include "gui/GUIItem.h"
#include "platform/framework/CWnd.h"

class CBitmapItem : public CWnd, public CGUIItem {
public:
    CBitmapItem();

    // Cuts (0, 0)-(right - left, bottom - top) of the bitmap into the item's own; a null
    // bitmap leaves the item as it is.
    void SetBitmap(HBITMAP source, int left, int top, int right, int bottom);
    // The mask's region (every pixel but pure white) becomes the window region when the mask
    // gives one; then SetBitmap.
    void SetRegion(HBITMAP mask, HBITMAP source, int left, int top, int right, int bottom);

    // Posts the notification to the parent, then handles it as any window does.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // A key that a hosted bitmap window posts (WM_ASSIGNKEY_KEY) goes on to the parent, as
    // its WM_COMMAND notifications do.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnPaint() override;

    CBitmap bitmap;
};
