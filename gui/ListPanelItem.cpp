#include "gui/ListPanelItem.h"

#include "gui/ListPanel.h"
#include "platform/framework/CWnd.h"

CListPanelItem::CListPanelItem(int listWidth, int listDefaultHeight)
    : width(listWidth), defaultHeight(listDefaultHeight) {
    type = GUIITEM_LISTPANELITEM;
}

CString CListPanelItem::GetEntryText(int index) const {
    if (index < 0 || index >= GetCount()) {
        return CString();
    }
    return entries[static_cast<size_t>(index)].text;
}

int CListPanelItem::FindCurrentEntry() const {
    if (currentText.IsEmpty()) {
        return -1;
    }
    for (int i = 0; i < GetCount(); ++i) {
        if (entries[static_cast<size_t>(i)].text == currentText) {
            return i;
        }
    }
    return -1;
}

bool CListPanelItem::SelectEntry(int index) {
    if (index < 0 || index >= GetCount()) {
        return false;
    }
    currentText = entries[static_cast<size_t>(index)].text;
    return true;
}

int CListPanelItem::ShowPopup(int height, CWnd* window, int x, int y) {
    POINT origin{0, 0};
    if (window != nullptr && window->m_hWnd != nullptr) {
        window->ClientToScreen(&origin);
    }
    const int panelHeight = height != 0 ? height : defaultHeight;
    const RECT screenRect{origin.x + x, origin.y + y, origin.x + x + width,
                          origin.y + y + panelHeight};
    return CListPanel::RunForItem(*this, parent, screenRect);
}
