#include "gui/GUIItem.h"
#include "gui/LangTable.h"
#include "platform/framework/CWnd.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// An item that records when it is deleted.
class ProbeItem : public CGUIItem {
public:
    ProbeItem(int itemId, int itemType, HWND window, std::vector<int>* deleted)
        : m_deleted(deleted) {
        id = itemId;
        type = itemType;
        hwnd = window;
    }
    ~ProbeItem() override {
        if (m_deleted != nullptr) {
            m_deleted->push_back(id);
        }
    }

private:
    std::vector<int>* m_deleted;
};

HWND FakeWindow(LONG_PTR value) {
    return reinterpret_cast<HWND>(value);
}

} // namespace

TEST(GUIItem, SetRectTakesWidthAndHeight) {
    ProbeItem item(8, GUIITEM_BITMAPBTN, GUIITEM_NO_WINDOW, nullptr);
    EXPECT_EQ(item.rect, nullptr);
    item.SetRect(10, 20, 30, 40);
    ASSERT_NE(item.rect, nullptr);
    EXPECT_EQ(*item.rect, (RECT{10, 20, 40, 60}));
    EXPECT_EQ(item.parent, nullptr);
}

TEST(GUIItem, SearchesTakeTheFirstMatch) {
    CGUIItemList list;
    EXPECT_EQ(FindGUIItemById(list, 8), nullptr);
    EXPECT_EQ(FindGUIItemByHwnd(list, FakeWindow(0x10)), nullptr);
    auto table = std::make_unique<CLangTable>(); // a window handle of 0
    table->id = 320;
    list.Add(std::move(table));
    list.Add(std::make_unique<ProbeItem>(228, GUIITEM_FONTITEM, nullptr, nullptr));
    list.Add(std::make_unique<ProbeItem>(218, GUIITEM_BITMAPITEM, GUIITEM_NO_WINDOW, nullptr));
    list.Add(std::make_unique<ProbeItem>(8, GUIITEM_BITMAPBTN, FakeWindow(0x10), nullptr));
    list.Add(std::make_unique<ProbeItem>(8, GUIITEM_BITMAPITEM, FakeWindow(0x20), nullptr));
    list.Add(std::make_unique<ProbeItem>(219, GUIITEM_BITMAPITEM, FakeWindow(0x30), nullptr));
    list.Add(nullptr);
    EXPECT_EQ(list.GetCount(), 6);
    EXPECT_EQ(FindGUIItemById(list, 8), list.GetAt(3));
    EXPECT_EQ(FindGUIItemByHwnd(list, FakeWindow(0x20)), list.GetAt(4));
    // Handle 0 and the "no window" value belong to no sender.
    EXPECT_EQ(FindGUIItemByHwnd(list, nullptr), nullptr);
    EXPECT_EQ(FindGUIItemByHwnd(list, GUIITEM_NO_WINDOW), nullptr);
    // The first item with id 8 is a button, so there is no bitmap item 8.
    EXPECT_EQ(FindBitmapItemById(8, list), nullptr);
    EXPECT_EQ(FindBitmapItemById(219, list), list.GetAt(5));
    EXPECT_EQ(FindBitmapItemById(228, list), nullptr);
    EXPECT_EQ(list.GetAt(6), nullptr);
    EXPECT_EQ(list.GetAt(-1), nullptr);
}

TEST(GUIItem, DeleteRemovesLastFirst) {
    std::vector<int> deleted;
    auto* list = new CGUIItemList;
    for (int id : {1, 2, 3}) {
        list->Add(std::make_unique<ProbeItem>(id, GUIITEM_TEXTITEM, nullptr, &deleted));
    }
    DeleteGUIItems(*list);
    EXPECT_TRUE(list->IsEmpty());
    EXPECT_EQ(deleted, (std::vector<int>{3, 2, 1}));
    DeleteGUIItems(*list);
    EXPECT_EQ(deleted.size(), 3u);
    list->Add(std::make_unique<ProbeItem>(4, GUIITEM_TEXTITEM, nullptr, &deleted));
    list->Add(std::make_unique<ProbeItem>(5, GUIITEM_TEXTITEM, nullptr, &deleted));
    DestroyGUIItemList(list);
    EXPECT_EQ(deleted, (std::vector<int>{3, 2, 1, 5, 4}));
    DestroyGUIItemList(nullptr);
    {
        CGUIItemList scoped;
        scoped.Add(std::make_unique<ProbeItem>(6, GUIITEM_TEXTITEM, nullptr, &deleted));
        scoped.Add(std::make_unique<ProbeItem>(7, GUIITEM_TEXTITEM, nullptr, &deleted));
    }
    EXPECT_EQ(deleted, (std::vector<int>{3, 2, 1, 5, 4, 7, 6}));
}

namespace {

LRESULT PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND CreatePlainWindow(HWND parent) {
    static const bool registered = [] {
        WNDCLASSW wc;
        wc.lpfnWndProc = PlainProc;
        wc.lpszClassName = u"GuiItemTestWindow";
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    return CreateWindowExW(0, u"GuiItemTestWindow", u"",
                           (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE, 0, 0, 10, 10, parent,
                           nullptr, nullptr, nullptr);
}

class ProbeMacroDisplay : public ProbeItem {
public:
    ProbeMacroDisplay(HWND window, HWND scrollBar)
        : ProbeItem(208, GUIITEM_MACRODISPLAY, window, nullptr), m_scrollBar(scrollBar) {}
    HWND GetCompanionWindow() const override { return m_scrollBar; }

private:
    HWND m_scrollBar;
};

} // namespace

TEST(GUIItem, ShowItemsHidesWindowsButLeavesTheOthers) {
    HWND panel = CreatePlainWindow(nullptr);
    ASSERT_NE(panel, nullptr);
    auto child = [panel] { return CreatePlainWindow(panel); };
    const HWND button = child(), slider = child(), track = child(), display = child(),
               scroll = child(), listPanel = child();
    CGUIItemList list;
    list.Add(std::make_unique<ProbeItem>(0, GUIITEM_PANELBITMAP, nullptr, nullptr));
    list.Add(std::make_unique<ProbeItem>(8, GUIITEM_BITMAPBTN, button, nullptr));
    list.Add(std::make_unique<ProbeItem>(205, GUIITEM_VERTSLIDER, slider, nullptr));
    list.Add(std::make_unique<ProbeItem>(180, GUIITEM_APMSLIDER, track, nullptr));
    list.Add(std::make_unique<ProbeMacroDisplay>(display, scroll));
    list.Add(std::make_unique<ProbeItem>(363, GUIITEM_LISTPANELITEM, listPanel, nullptr));
    list.Add(std::make_unique<ProbeItem>(218, GUIITEM_BITMAPITEM, GUIITEM_NO_WINDOW, nullptr));
    list.Add(std::make_unique<CLangTable>());

    ShowGUIItems(list, false);
    EXPECT_FALSE(IsWindowVisible(button));
    EXPECT_FALSE(IsWindowVisible(slider));
    EXPECT_TRUE(IsWindowVisible(track)); // the track slider is left alone
    EXPECT_FALSE(IsWindowVisible(display));
    EXPECT_FALSE(IsWindowVisible(scroll)); // hidden together with its display
    EXPECT_TRUE(IsWindowVisible(listPanel));
    ShowGUIItem(list.GetAt(1), true);
    EXPECT_TRUE(IsWindowVisible(button));
    ShowGUIItems(list, true);
    EXPECT_TRUE(IsWindowVisible(display));
    EXPECT_TRUE(IsWindowVisible(scroll));
    ShowGUIItem(nullptr, true);
    DestroyWindow(panel);
}

namespace {

// A widget as the creators make them: a window object that is also an item, whose hwnd
// field the creator may leave at "no window" (bitmap items, edit fields).
class WindowItem : public CWnd, public CGUIItem {
public:
    WindowItem(int itemId, int itemType, HWND parentWindow) {
        id = itemId;
        type = itemType;
        Create(nullptr, u"", WS_CHILD | WS_VISIBLE, RECT{0, 0, 5, 5},
               CWnd::FromHandle(parentWindow), 0);
    }
};

} // namespace

TEST(GUIItem, ShowItemsReachesWindowObjectsWhoseHwndFieldIsUnfilled) {
    HWND panel = CreatePlainWindow(nullptr);
    ASSERT_NE(panel, nullptr);
    CGUIItemList list;
    auto bitmap = std::make_unique<WindowItem>(218, GUIITEM_BITMAPITEM, panel);
    auto edit = std::make_unique<WindowItem>(337, GUIITEM_EDITITEM, panel);
    auto track = std::make_unique<WindowItem>(180, GUIITEM_APMSLIDER, panel);
    const HWND bitmapWindow = bitmap->GetSafeHwnd();
    const HWND editWindow = edit->GetSafeHwnd();
    const HWND trackWindow = track->GetSafeHwnd();
    ASSERT_NE(bitmapWindow, nullptr);
    EXPECT_EQ(bitmap->hwnd, GUIITEM_NO_WINDOW);
    list.Add(std::move(bitmap));
    list.Add(std::move(edit));
    list.Add(std::move(track));

    ShowGUIItems(list, false);
    EXPECT_FALSE(IsWindowVisible(bitmapWindow));
    EXPECT_FALSE(IsWindowVisible(editWindow));
    EXPECT_TRUE(IsWindowVisible(trackWindow));
    ShowGUIItems(list, true);
    EXPECT_TRUE(IsWindowVisible(bitmapWindow));
    EXPECT_TRUE(IsWindowVisible(editWindow));
    DeleteGUIItems(list);
    EXPECT_FALSE(IsWindow(bitmapWindow)); // the item took its window along
    DestroyWindow(panel);
}

namespace {

// An item that looks itself and its neighbours up in its list while it is destroyed, as a
// widget does when its window's last messages reach the panel.
class LookingItem : public CGUIItem {
public:
    LookingItem(int itemId, const CGUIItemList* owner, std::vector<bool>* found)
        : m_owner(owner), m_found(found) {
        id = itemId;
        type = GUIITEM_TEXTITEM;
    }
    ~LookingItem() override {
        m_found->push_back(FindGUIItemById(*m_owner, id) != nullptr);
        FindGUIItemByHwnd(*m_owner, FakeWindow(77));
        FindBitmapItemById(1, *m_owner);
    }

private:
    const CGUIItemList* m_owner;
    std::vector<bool>* m_found;
};

} // namespace

TEST(GUIItem, ItemLeavesTheListBeforeItIsDestroyed) {
    std::vector<bool> found;
    {
        CGUIItemList list;
        list.Add(std::make_unique<ProbeItem>(1, GUIITEM_BITMAPITEM, nullptr, nullptr));
        list.Add(std::make_unique<LookingItem>(2, &list, &found));
        list.Add(std::make_unique<LookingItem>(3, &list, &found));
        list.DeleteLast();
        EXPECT_EQ(list.GetCount(), 2);
        DeleteGUIItems(list);
        EXPECT_TRUE(list.IsEmpty());
    }
    // Each looked itself up and no longer found itself; nothing read an empty slot.
    EXPECT_EQ(found, (std::vector<bool>{false, false}));
}
