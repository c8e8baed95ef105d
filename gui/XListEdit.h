#pragma once
// The cell list's in-place editor: an edit field in the list's colours and skin font.

#include "platform/framework/CEdit.h"
#include "platform/framework/CGdiObject.h"

class CFontItem;

class CXListEdit : public CEdit {
public:
    CXListEdit() = default;
    ~CXListEdit() override = default;

    int OnCreate(LPCREATESTRUCTW cs) override;
    HBRUSH CtlColor(CDC* dc, UINT ctlColor) override;

    CFontItem* fontItem = nullptr;
    COLORREF textColor = 0xFFFFFF;
    COLORREF selectedTextColor = 0;
    COLORREF backgroundColor = 0;
    COLORREF selectedBackgroundColor = 0xFFFFFF;
    COLORREF borderColor = 0xFFFFFF;
    int borderWidth = 1;
    CBrush backgroundBrush;
};
