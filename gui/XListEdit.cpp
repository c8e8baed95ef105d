#include "gui/XListEdit.h"

#include "gui/FontItem.h"
#include "platform/framework/CDC.h"

int CXListEdit::OnCreate(LPCREATESTRUCTW cs) {
    if (CEdit::OnCreate(cs) == -1) {
        return -1;
    }
    backgroundBrush.DeleteObject();
    backgroundBrush.CreateSolidBrush(backgroundColor);
    Invalidate();
    if (fontItem != nullptr) {
        SetFont(fontItem, FALSE);
    }
    return 0;
}

HBRUSH CXListEdit::CtlColor(CDC* dc, UINT) {
    // The brush follows the colour the list copied in when this edit started.
    backgroundBrush.DeleteObject();
    backgroundBrush.CreateSolidBrush(backgroundColor);
    dc->SetTextColor(textColor);
    dc->SetBkColor(backgroundColor);
    ::SetDCPenColor(dc->GetSafeHdc(), borderColor);
    ::SetDCBrushColor(dc->GetSafeHdc(), borderColor);
    return backgroundBrush;
}
