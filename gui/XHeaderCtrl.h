#pragma once
// The cell list's header: headings painted by the control itself (header image at the left,
// item bitmap at the right, translated text between) that the user cannot resize.

#include "platform/framework/CHeaderCtrl.h"

#include <array>
#include <vector>

// Extra per-item data kept beside the header's own items.
struct _HDITEMEX {
    int nStyle = 0;
    int nWidth = 0;
    int iMinWidth = -1;
    int iMaxWidth = -1;
};

class CXHeaderCtrl : public CHeaderCtrl {
public:
    static constexpr DWORD kSubclassStyle = 0x800;

    CXHeaderCtrl() = default;
    ~CXHeaderCtrl() override = default;

    void PreSubclassWindow() override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnPaint() override;
    // Draws every item in display order into dc.
    void DrawItems(HDC dc);

    // The size of the header images (the image list's icon size).
    void SetImageSize(int cx, int cy);

    // Kept in step with the header's items.
    std::vector<_HDITEMEX> extra;
    int imageWidth = 13;
    int imageHeight = 13;
    // Pictures for header images 0 (unchecked mark) and 1 (checked mark); null draws none.
    std::array<HBITMAP, 2> images{};
    COLORREF textColor = 0xFFFFFF;
    COLORREF backgroundColor = 0;
    COLORREF borderColor = 0xFFFFFF;
    HFONT font = nullptr;
};
