#include "gui/GUIPanel.h"

#include "gui/BitmapRegion.h"
#include "gui/SkinFile.h"
#include "platform/framework/CPaintDC.h"
#include "platform/gdi/Gdi.h"

namespace {

// The item with that id when it is a panel bitmap.
CPanelBitmap* FindPanelBitmap(const CGUIItemList& items, int id) {
    CGUIItem* item = FindGUIItemById(items, id);
    if (item == nullptr || item->type != GUIITEM_PANELBITMAP) {
        return nullptr;
    }
    return dynamic_cast<CPanelBitmap*>(item);
}

} // namespace

CGUIPanel::CGUIPanel(const WCHAR* skinFileName, UINT dialogTemplateId, CWnd* parentWnd)
    : CDialog(dialogTemplateId, parentWnd), parent(parentWnd),
      skinFile(skinFileName == nullptr ? u"" : skinFileName) {}

CGUIPanel::CGUIPanel(CWnd* parentWnd, const RECT& panelRect, UINT dialogTemplateId)
    : CDialog(dialogTemplateId, parentWnd), parent(parentWnd), rect(panelRect) {}

CGUIPanel::~CGUIPanel() {
    background = nullptr;
    mask = nullptr;
    DeleteGUIItems(items);
}

int CGUIPanel::OnCreate(LPCREATESTRUCTW cs) {
    if (!skinFile.IsEmpty()) {
        // A window made again on the same object loads its skin afresh: the items of the
        // earlier window go first, or the list would hold the skin twice.
        background = nullptr;
        mask = nullptr;
        DeleteGUIItems(items);
        LoadSkinFile(items, skinFile, this);
        background = FindPanelBitmap(items, 0);
        if (background != nullptr) {
            const SIZE size = background->GetSize();
            rect.right = size.cx;
            rect.bottom = size.cy;
            MoveWindow(0, 0, size.cx, size.cy, TRUE);
        }
        mask = FindPanelBitmap(items, 1);
        if (mask != nullptr) {
            region = BitmapToRegion(mask->GetBitmapHandle());
            if (region != nullptr && SetWindowRgn(region, TRUE) == 0) {
                DeleteObject(region);
                region = nullptr;
            }
        }
    } else {
        MoveWindow(0, 0, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
    loaded = true;
    return CDialog::OnCreate(cs);
}

void CGUIPanel::OnPaint() {
    CPaintDC dc(this);
    if (!loaded || background == nullptr || background->GetBitmapCopy() == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(&client);
    CDC memory;
    if (!memory.CreateCompatibleDC(&dc)) {
        return;
    }
    HGDIOBJ old = ::SelectObject(memory.GetSafeHdc(), ToGdiObj(background->GetBitmapCopy()));
    dc.BitBlt(0, 0, client.right - client.left, client.bottom - client.top, &memory, 0, 0, SRCCOPY);
    ::SelectObject(memory.GetSafeHdc(), old);
}

void CGUIPanel::OnDestroy() {
    CDialog::OnDestroy();
    // The bitmaps go with the window; the items stay in the list until the destructor, and
    // their handles are cleared so that nothing releases them twice.
    if (background != nullptr) {
        background->DeleteBitmap();
    }
    if (mask != nullptr) {
        mask->DeleteBitmap();
    }
    region = nullptr; // the window freed it
    loaded = false;
}

BOOL CPopupBox::OnInitDialog() {
    BindItems();
    return CGUIPanel::OnInitDialog();
}
