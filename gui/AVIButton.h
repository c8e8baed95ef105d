#pragma once
// A skinned button that shows a centred face bitmap and plays an animation clip, named by
// the skin, when double-clicked. The animation covers the face while it plays; when the play
// ends (ACN_STOP) it is hidden and the face shows again.

#include "gui/GUIItem.h"
#include "platform/framework/CAnimateCtrl.h"
#include "platform/framework/CButton.h"

class CAVIButton : public CButton, public CGUIItem {
public:
    CAVIButton();

    void SetVideo(const WCHAR* name) { videoName = name ? CString(name) : CString(); }
    void SetSound(const WCHAR* name) { soundName = name ? CString(name) : CString(); }

    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
    // ACN_STOP from the animation: the play is over, the face comes back.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommandReflect(WORD notifyCode) override;
    int OnCreate(LPCREATESTRUCTW cs) override;
    void OnShowWindow(BOOL show, UINT status) override;

    void OnClicked() {}
    void OnDoubleClicked();

    CAnimateCtrl animation;
    int reserved = 0;
    CString videoName;
    CString soundName; // kept with the item; nothing plays it
    CBitmap face;
    int playing = 0;
};
