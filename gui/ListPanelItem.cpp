#include "gui/ListPanelItem.h"

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
