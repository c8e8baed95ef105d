#include "gui/GUIItem.h"

#include "gui/SkinResourceCache.h"

#include <algorithm>
#include <limits>
#include <utility>

LONG AddSkinExtent(LONG origin, LONG extent) {
    const long long sum = static_cast<long long>(origin) + extent;
    return static_cast<LONG>(std::clamp<long long>(sum, std::numeric_limits<LONG>::min(),
                                                   std::numeric_limits<LONG>::max()));
}

void CGUIItem::SetRect(int x, int y, int width, int height) {
    rect = std::make_unique<RECT>(RECT{x, y, AddSkinExtent(x, width), AddSkinExtent(y, height)});
}

CGUIItemList::~CGUIItemList() {
    DeleteGUIItems(*this);
}

void CGUIItemList::Add(std::unique_ptr<CGUIItem> item) {
    if (item != nullptr) {
        m_items.push_back(std::move(item));
    }
}

CGUIItem* CGUIItemList::GetAt(int i) const {
    if (i < 0 || static_cast<size_t>(i) >= m_items.size()) {
        return nullptr;
    }
    return m_items[static_cast<size_t>(i)].get();
}

void CGUIItemList::DeleteLast() {
    if (!m_items.empty()) {
        // The item leaves the list before it is destroyed, so that a look-up made while it
        // goes (a window message its destruction sends) never meets an empty slot.
        std::unique_ptr<CGUIItem> item = std::move(m_items.back());
        m_items.pop_back();
        item.reset();
    }
}

CGUIItem* FindGUIItemById(const CGUIItemList& list, int id) {
    for (int i = 0; i < list.GetCount(); ++i) {
        CGUIItem* item = list.GetAt(i);
        if (item->id == id) {
            return item;
        }
    }
    return nullptr;
}

CGUIItem* FindGUIItemByHwnd(const CGUIItemList& list, HWND hwnd) {
    if (hwnd == nullptr || hwnd == GUIITEM_NO_WINDOW) {
        return nullptr;
    }
    for (int i = 0; i < list.GetCount(); ++i) {
        CGUIItem* item = list.GetAt(i);
        if (item->hwnd == hwnd) {
            return item;
        }
    }
    return nullptr;
}

CGUIItem* FindBitmapItemById(int id, const CGUIItemList& list) {
    CGUIItem* item = FindGUIItemById(list, id);
    return item != nullptr && item->type == GUIITEM_BITMAPITEM ? item : nullptr;
}

HBITMAP LoadSkinBitmapByName(const WCHAR* key) {
    return SkinResourceCache::Find(key, SKINRES_BITMAP)->GetBitmap();
}

void DeleteGUIItems(CGUIItemList& list) {
    while (!list.IsEmpty()) {
        list.DeleteLast();
    }
}

void DestroyGUIItemList(CGUIItemList* list) {
    if (list != nullptr) {
        DeleteGUIItems(*list);
        delete list;
    }
}
