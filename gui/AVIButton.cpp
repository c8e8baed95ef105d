#include "gui/AVIButton.h"

CAVIButton::CAVIButton() {
    type = GUIITEM_AVIBUTTON;
}

void CAVIButton::DrawItem(LPDRAWITEMSTRUCT drawItem) {
    if (playing || face.GetSafeHandle() == nullptr) {
        return;
    }
    BITMAP info{};
    face.GetBitmap(&info);
    RECT client{};
    GetClientRect(&client);
    CDC* dc = CDC::FromHandle(drawItem->hDC);
    CDC faceDC;
    faceDC.CreateCompatibleDC(dc);
    CBitmap* old = faceDC.SelectObject(&face);
    // The face is centred on the button, its window shifted 10 left and 5 up.
    const int sourceX = info.bmWidth / 2 - client.right / 2 - 10;
    const int sourceY = info.bmHeight / 2 - client.bottom / 2 - 5;
    dc->BitBlt(0, 0, client.right, client.bottom, &faceDC, sourceX, sourceY, SRCCOPY);
    faceDC.SelectObject(old);
}

BOOL CAVIButton::OnCommandReflect(WORD notifyCode) {
    if (notifyCode == BN_CLICKED) {
        OnClicked();
        return TRUE;
    }
    if (notifyCode == BN_DOUBLECLICKED) {
        OnDoubleClicked();
        return TRUE;
    }
    return CButton::OnCommandReflect(notifyCode);
}

int CAVIButton::OnCreate(LPCREATESTRUCTW cs) {
    return CButton::OnCreate(cs) == -1 ? -1 : 0;
}

void CAVIButton::OnShowWindow(BOOL, UINT) {}

BOOL CAVIButton::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (animation.GetSafeHwnd() != nullptr &&
        reinterpret_cast<HWND>(lParam) == animation.GetSafeHwnd()) {
        if (HIWORD(wParam) == ACN_STOP) {
            playing = 0;
            animation.ShowWindow(SW_HIDE);
            Invalidate();
        }
        return TRUE;
    }
    return CButton::OnCommand(wParam, lParam);
}

void CAVIButton::OnDoubleClicked() {
    if (animation.GetSafeHwnd() != nullptr && !playing) {
        // Played before: the animation comes back over the face.
        playing = 1;
        animation.ShowWindow(SW_SHOW);
    }
    if (animation.GetSafeHwnd() == nullptr) {
        RECT client{};
        GetClientRect(&client);
        const RECT area{client.left + 1, client.top + 1, client.right + 1, client.bottom + 1};
        if (!animation.Create(WS_CHILD | WS_VISIBLE, area, this, 0)) {
            return;
        }
        if (!animation.Open(videoName.GetString())) {
            // No such clip: the face stays, and a later double-click tries again.
            animation.DestroyWindow();
            return;
        }
        playing = 1;
        Invalidate();
    }
    animation.Play(0, static_cast<UINT>(-1), 1);
}
