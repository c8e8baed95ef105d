// Menus: the item lists behind menu handles, menu templates, and the popup menu window with
// its tracking loop.

#include "platform/ui/Menu.h"

#include "platform/gdi/Gdi.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/ShellBackend.h"
#include "platform/ui/WindowManager.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace {

struct MenuItem {
    UINT flags = 0; // MF_SEPARATOR, MF_CHECKED, MF_GRAYED, MF_DISABLED, MF_POPUP, MF_DEFAULT
    UINT_PTR id = 0;
    std::u16string text;
    HMENU sub = nullptr;
};

struct MenuData {
    std::vector<MenuItem> items;
    bool popup = false;
};

constexpr UINT kStateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT | MF_HILITE;

std::recursive_mutex& Mutex() {
    static std::recursive_mutex m;
    return m;
}
std::map<HMENU, MenuData>& Menus() {
    static std::map<HMENU, MenuData> menus;
    return menus;
}
std::uintptr_t g_nextMenu = 0x72000000u;

std::map<UINT, std::vector<MenuTemplateItem>>& Templates() {
    static std::map<UINT, std::vector<MenuTemplateItem>> templates;
    return templates;
}

std::map<HWND, HMENU>& SystemMenus() {
    static std::map<HWND, HMENU> menus;
    return menus;
}

MenuData* Find(HMENU menu) {
    auto it = Menus().find(menu);
    return it == Menus().end() ? nullptr : &it->second;
}

HMENU NewMenu(bool popup) {
    std::lock_guard lock(Mutex());
    HMENU h = reinterpret_cast<HMENU>(g_nextMenu);
    g_nextMenu += 4;
    Menus()[h].popup = popup;
    return h;
}

// The item that position names: by position in this menu, or by command id in this menu and
// its submenus (depth first).
struct Located {
    MenuData* menu = nullptr;
    size_t index = 0;
};
std::optional<Located> Locate(HMENU menu, UINT position, UINT flags, int depth = 0) {
    MenuData* data = Find(menu);
    if (!data || depth > 16) {
        return std::nullopt;
    }
    if (flags & MF_BYPOSITION) {
        if (position >= data->items.size()) {
            return std::nullopt;
        }
        return Located{data, position};
    }
    for (size_t i = 0; i < data->items.size(); ++i) {
        const MenuItem& item = data->items[i];
        if (!(item.flags & (MF_POPUP | MF_SEPARATOR)) && item.id == position) {
            return Located{data, i};
        }
    }
    for (const MenuItem& item : data->items) {
        if (item.sub) {
            if (auto found = Locate(item.sub, position, flags, depth + 1)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

std::optional<MenuItem> MakeItem(UINT flags, UINT_PTR id, LPCWSTR text) {
    MenuItem item;
    item.flags = flags & (kStateFlags | MF_POPUP | MF_SEPARATOR);
    if (flags & MF_SEPARATOR) {
        item.flags = MF_SEPARATOR;
        return item;
    }
    if (flags & MF_POPUP) {
        item.sub = reinterpret_cast<HMENU>(id);
        if (!Find(item.sub)) {
            return std::nullopt;
        }
    } else {
        item.id = id & 0xFFFF;
    }
    if (text) {
        item.text = text;
    }
    return item;
}

void DestroyTree(HMENU menu, int depth = 0) {
    MenuData* data = Find(menu);
    if (!data || depth > 16) {
        return;
    }
    std::vector<HMENU> subs;
    for (const MenuItem& item : data->items) {
        if (item.sub) {
            subs.push_back(item.sub);
        }
    }
    Menus().erase(menu);
    for (HMENU sub : subs) {
        DestroyTree(sub, depth + 1);
    }
}

void FillFromTemplate(HMENU menu, const std::vector<MenuTemplateItem>& items) {
    for (const MenuTemplateItem& t : items) {
        if (!t.children.empty() || (t.flags & MF_POPUP)) {
            HMENU sub = CreatePopupMenu();
            FillFromTemplate(sub, t.children);
            AppendMenuW(menu, (t.flags & ~MF_POPUP) | MF_POPUP, reinterpret_cast<UINT_PTR>(sub),
                        t.text.c_str());
        } else {
            AppendMenuW(menu, t.flags, t.id, t.text.c_str());
        }
    }
}

} // namespace

HMENU CreateMenu() {
    return NewMenu(false);
}

HMENU CreatePopupMenu() {
    return NewMenu(true);
}

BOOL DestroyMenu(HMENU menu) {
    std::lock_guard lock(Mutex());
    if (!Find(menu)) {
        return FALSE;
    }
    DestroyTree(menu);
    return TRUE;
}

BOOL IsMenu(HMENU menu) {
    std::lock_guard lock(Mutex());
    return Find(menu) ? TRUE : FALSE;
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCWSTR text) {
    return InsertMenuW(menu, static_cast<UINT>(-1), flags | MF_BYPOSITION, idNewItem, text);
}

BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCWSTR text) {
    std::lock_guard lock(Mutex());
    MenuData* data = Find(menu);
    if (!data) {
        return FALSE;
    }
    std::optional<MenuItem> item = MakeItem(flags & ~MF_BYPOSITION, idNewItem, text);
    if (!item) {
        return FALSE;
    }
    if (flags & MF_BYPOSITION) {
        const size_t at = std::min<size_t>(position, data->items.size());
        data->items.insert(data->items.begin() + static_cast<std::ptrdiff_t>(at), *item);
        return TRUE;
    }
    std::optional<Located> where = Locate(menu, position, MF_BYCOMMAND);
    if (!where) {
        return FALSE;
    }
    auto& items = where->menu->items;
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(where->index), *item);
    return TRUE;
}

BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCWSTR text) {
    std::lock_guard lock(Mutex());
    std::optional<Located> where = Locate(menu, position, flags & MF_BYPOSITION);
    if (!where) {
        return FALSE;
    }
    std::optional<MenuItem> item = MakeItem(flags & ~MF_BYPOSITION, idNewItem, text);
    if (!item) {
        return FALSE;
    }
    MenuItem& old = where->menu->items[where->index];
    if (old.sub && old.sub != item->sub) {
        DestroyTree(old.sub);
    }
    // The default mark belongs to the item, not to its text.
    item->flags |= old.flags & MF_DEFAULT;
    where = Locate(menu, position, flags & MF_BYPOSITION); // the tree may have changed
    if (!where) {
        return FALSE;
    }
    where->menu->items[where->index] = *item;
    return TRUE;
}

namespace {
BOOL Remove(HMENU menu, UINT position, UINT flags, bool destroySub) {
    std::lock_guard lock(Mutex());
    std::optional<Located> where = Locate(menu, position, flags & MF_BYPOSITION);
    if (!where) {
        return FALSE;
    }
    const HMENU sub = where->menu->items[where->index].sub;
    where->menu->items.erase(where->menu->items.begin() +
                             static_cast<std::ptrdiff_t>(where->index));
    if (destroySub && sub) {
        DestroyTree(sub);
    }
    return TRUE;
}
} // namespace

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
    return Remove(menu, position, flags, true);
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
    return Remove(menu, position, flags, false);
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
    std::lock_guard lock(Mutex());
    std::optional<Located> where = Locate(menu, item, check & MF_BYPOSITION);
    if (!where) {
        return static_cast<DWORD>(-1);
    }
    UINT& flags = where->menu->items[where->index].flags;
    const DWORD previous = flags & MF_CHECKED;
    flags = (flags & ~MF_CHECKED) | (check & MF_CHECKED);
    return previous;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
    std::lock_guard lock(Mutex());
    std::optional<Located> where = Locate(menu, item, enable & MF_BYPOSITION);
    if (!where) {
        return -1;
    }
    UINT& flags = where->menu->items[where->index].flags;
    const UINT previous = flags & (MF_GRAYED | MF_DISABLED);
    flags = (flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(previous);
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition) {
    std::lock_guard lock(Mutex());
    MenuData* data = Find(menu);
    if (!data) {
        return FALSE;
    }
    std::optional<size_t> index;
    if (item != static_cast<UINT>(-1)) {
        if (byPosition) {
            if (item >= data->items.size()) {
                return FALSE;
            }
            index = item;
        } else {
            for (size_t i = 0; i < data->items.size() && !index; ++i) {
                const MenuItem& it = data->items[i];
                if (!(it.flags & (MF_POPUP | MF_SEPARATOR)) && it.id == item) {
                    index = i;
                }
            }
            if (!index) {
                return FALSE;
            }
        }
    }
    for (MenuItem& it : data->items) {
        it.flags &= ~MF_DEFAULT;
    }
    if (index) {
        data->items[*index].flags |= MF_DEFAULT;
    }
    return TRUE;
}

UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT flags) {
    std::lock_guard lock(Mutex());
    MenuData* data = Find(menu);
    if (!data) {
        return static_cast<UINT>(-1);
    }
    for (size_t i = 0; i < data->items.size(); ++i) {
        const MenuItem& it = data->items[i];
        if (!(it.flags & MF_DEFAULT)) {
            continue;
        }
        if ((it.flags & (MF_GRAYED | MF_DISABLED)) && !(flags & GMDI_USEDISABLED)) {
            return static_cast<UINT>(-1);
        }
        return byPosition ? static_cast<UINT>(i) : static_cast<UINT>(it.id);
    }
    return static_cast<UINT>(-1);
}

int GetMenuItemCount(HMENU menu) {
    std::lock_guard lock(Mutex());
    MenuData* data = Find(menu);
    return data ? static_cast<int>(data->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    std::lock_guard lock(Mutex());
    MenuData* data = Find(menu);
    if (!data || position < 0 || static_cast<size_t>(position) >= data->items.size()) {
        return static_cast<UINT>(-1);
    }
    const MenuItem& it = data->items[static_cast<size_t>(position)];
    if (it.flags & MF_POPUP) {
        return static_cast<UINT>(-1);
    }
    return static_cast<UINT>(it.id);
}

HMENU GetSubMenu(HMENU menu, int position) {
    std::lock_guard lock(Mutex());
    MenuData* data = Find(menu);
    if (!data || position < 0 || static_cast<size_t>(position) >= data->items.size()) {
        return nullptr;
    }
    return data->items[static_cast<size_t>(position)].sub;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    std::lock_guard lock(Mutex());
    std::optional<Located> where = Locate(menu, item, flags & MF_BYPOSITION);
    if (!where) {
        return static_cast<UINT>(-1);
    }
    return where->menu->items[where->index].flags;
}

int GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int maxCount, UINT flags) {
    std::lock_guard lock(Mutex());
    std::optional<Located> where = Locate(menu, item, flags & MF_BYPOSITION);
    if (!where) {
        if (buffer && maxCount > 0) {
            buffer[0] = 0;
        }
        return 0;
    }
    const std::u16string& text = where->menu->items[where->index].text;
    if (!buffer) {
        return static_cast<int>(text.size());
    }
    if (maxCount <= 0) {
        return 0;
    }
    const size_t n = std::min(text.size(), static_cast<size_t>(maxCount - 1));
    std::copy_n(text.begin(), n, buffer);
    buffer[n] = 0;
    return static_cast<int>(n);
}

void RegisterMenuTemplate(UINT id, std::vector<MenuTemplateItem> items) {
    std::lock_guard lock(Mutex());
    Templates()[id] = std::move(items);
}

HMENU LoadMenuW(HINSTANCE, LPCWSTR name) {
    if (!name || !IS_INTRESOURCE(name)) {
        return nullptr;
    }
    std::vector<MenuTemplateItem> items;
    {
        std::lock_guard lock(Mutex());
        auto it = Templates().find(static_cast<UINT>(reinterpret_cast<UINT_PTR>(name)));
        if (it == Templates().end()) {
            return nullptr;
        }
        items = it->second;
    }
    HMENU menu = CreateMenu();
    FillFromTemplate(menu, items);
    return menu;
}

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
    if (!IsWindow(hwnd) || !(GetWindowLongW(hwnd, GWL_STYLE) & static_cast<LONG>(WS_SYSMENU))) {
        return nullptr;
    }
    std::lock_guard lock(Mutex());
    // Menus of windows that are gone go with them.
    for (auto it = SystemMenus().begin(); it != SystemMenus().end();) {
        if (!IsWindow(it->first)) {
            DestroyTree(it->second);
            it = SystemMenus().erase(it);
        } else {
            ++it;
        }
    }
    auto it = SystemMenus().find(hwnd);
    if (revert) {
        if (it != SystemMenus().end()) {
            DestroyTree(it->second);
            SystemMenus().erase(it);
        }
        return nullptr;
    }
    if (it != SystemMenus().end()) {
        return it->second;
    }
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, SC_CLOSE, u"&Close");
    SystemMenus()[hwnd] = menu;
    return menu;
}

// ---- the popup menu window ------------------------------------------------------------------

namespace {

constexpr LPCWSTR kMenuClass = u"#32768";
constexpr int kItemHeight = 22;
constexpr int kSeparatorHeight = 9;
constexpr int kBorder = 2;
constexpr int kCheckArea = 26;
constexpr int kRightMargin = 24;
constexpr int kMinWidth = 120;

constexpr COLORREF kBackground = RGB(0xF2, 0xF2, 0xF2);
constexpr COLORREF kFrame = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kHighlight = RGB(0x33, 0x7A, 0xCC);
constexpr COLORREF kText = RGB(0x00, 0x00, 0x00);
constexpr COLORREF kHighlightText = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kGrayText = RGB(0x90, 0x90, 0x90);
constexpr COLORREF kSeparator = RGB(0xC8, 0xC8, 0xC8);

struct Row {
    MenuItem item;
    RECT rect{}; // client coordinates
};

struct Tracking {
    HMENU menu = nullptr;
    HWND owner = nullptr;
    UINT flags = 0;
    std::vector<Row> rows;
    int hot = -1;
    bool ended = false;
    HFONT font = nullptr;
    HFONT bold = nullptr;
};

std::mutex& TrackMutex() {
    static std::mutex m;
    return m;
}
// Menu windows open now (one per tracking thread), with their state.
std::map<HWND, std::shared_ptr<Tracking>>& Open() {
    static std::map<HWND, std::shared_ptr<Tracking>> open;
    return open;
}

std::shared_ptr<Tracking> StateOf(HWND hwnd) {
    std::lock_guard lock(TrackMutex());
    auto it = Open().find(hwnd);
    return it == Open().end() ? nullptr : it->second;
}

// The text without its mnemonic marks ("&&" is one "&"), split at a tab into the label and
// the accelerator shown at the right.
std::pair<std::u16string, std::u16string> DisplayText(const std::u16string& text) {
    std::u16string label;
    std::u16string accel;
    std::u16string* out = &label;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\t' && out == &label) {
            out = &accel;
            continue;
        }
        if (c == u'&' && i + 1 < text.size()) {
            ++i;
            out->push_back(text[i]);
            continue;
        }
        if (c != u'&') {
            out->push_back(c);
        }
    }
    return {label, accel};
}

// The mnemonic letter of an item (the character after a single '&'), upper-cased; 0 none.
char16_t Mnemonic(const std::u16string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'&') {
            if (text[i + 1] == u'&') {
                ++i;
                continue;
            }
            char16_t c = text[i + 1];
            if (c >= u'a' && c <= u'z') {
                c = static_cast<char16_t>(c - u'a' + u'A');
            }
            return c;
        }
    }
    return 0;
}

bool Selectable(const MenuItem& item) {
    return !(item.flags & MF_SEPARATOR);
}
bool Enabled(const MenuItem& item) {
    return !(item.flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR));
}

// Measures the rows and returns the window size.
SIZE Layout(Tracking& t) {
    HDC dc = CreateCompatibleDC(nullptr);
    int textWidth = 0;
    int accelWidth = 0;
    for (const Row& row : t.rows) {
        if (row.item.flags & MF_SEPARATOR) {
            continue;
        }
        auto [label, accel] = DisplayText(row.item.text);
        SelectObject(dc, (row.item.flags & MF_DEFAULT) ? t.bold : t.font);
        SIZE size{};
        GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &size);
        textWidth = std::max(textWidth, static_cast<int>(size.cx));
        if (!accel.empty()) {
            GetTextExtentPoint32W(dc, accel.c_str(), static_cast<int>(accel.size()), &size);
            accelWidth = std::max(accelWidth, static_cast<int>(size.cx) + 16);
        }
    }
    DeleteDC(dc);
    const int width =
        std::max(kMinWidth, kBorder * 2 + kCheckArea + textWidth + accelWidth + kRightMargin);
    int y = kBorder;
    for (Row& row : t.rows) {
        const int h = (row.item.flags & MF_SEPARATOR) ? kSeparatorHeight : kItemHeight;
        row.rect = RECT{kBorder, y, width - kBorder, y + h};
        y += h;
    }
    return SIZE{width, y + kBorder};
}

int RowAt(const Tracking& t, POINT client) {
    for (size_t i = 0; i < t.rows.size(); ++i) {
        const RECT& r = t.rows[i].rect;
        if (client.x >= r.left && client.x < r.right && client.y >= r.top && client.y < r.bottom) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void SetHot(HWND hwnd, Tracking& t, int hot) {
    if (hot >= 0 && !Selectable(t.rows[static_cast<size_t>(hot)].item)) {
        hot = -1;
    }
    if (t.hot != hot) {
        t.hot = hot;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
}

void Finish(HWND hwnd, Tracking& t, UINT_PTR command) {
    if (t.ended) {
        return;
    }
    t.ended = true;
    EndDialog(hwnd, static_cast<INT_PTR>(command));
}

void Choose(HWND hwnd, Tracking& t, int row) {
    if (row < 0) {
        return;
    }
    const MenuItem& item = t.rows[static_cast<size_t>(row)].item;
    if (!Enabled(item) || (item.flags & MF_POPUP)) {
        return; // a disabled item or a separator keeps the menu open
    }
    Finish(hwnd, t, item.id);
}

void MoveHot(HWND hwnd, Tracking& t, int step) {
    const int n = static_cast<int>(t.rows.size());
    if (n == 0) {
        return;
    }
    int at = t.hot;
    for (int tries = 0; tries < n; ++tries) {
        at = at < 0 ? (step > 0 ? 0 : n - 1) : (at + step + n) % n;
        if (Selectable(t.rows[static_cast<size_t>(at)].item)) {
            SetHot(hwnd, t, at);
            return;
        }
    }
}

void DrawCheck(HDC dc, const RECT& r, COLORREF color) {
    HPEN pen = CreatePen(0, 2, color);
    HGDIOBJ old = SelectObject(dc, ToGdiObj(pen));
    const int cx = static_cast<int>(r.left) + kCheckArea / 2;
    const int cy = static_cast<int>(r.top + r.bottom) / 2;
    MoveToEx(dc, cx - 5, cy, nullptr);
    LineTo(dc, cx - 2, cy + 3);
    LineTo(dc, cx + 5, cy - 4);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void Paint(HWND hwnd, Tracking& t) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client{};
    GetClientRect(hwnd, &client);
    HBRUSH frame = CreateSolidBrush(kFrame);
    HBRUSH back = CreateSolidBrush(kBackground);
    HBRUSH hot = CreateSolidBrush(kHighlight);
    HBRUSH line = CreateSolidBrush(kSeparator);
    FillRect(dc, &client, frame);
    RECT inside{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
    FillRect(dc, &inside, back);
    SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < t.rows.size(); ++i) {
        const Row& row = t.rows[i];
        if (row.item.flags & MF_SEPARATOR) {
            const LONG mid = (row.rect.top + row.rect.bottom) / 2;
            RECT r{row.rect.left + 4, mid, row.rect.right - 4, mid + 1};
            FillRect(dc, &r, line);
            continue;
        }
        const bool isHot = static_cast<int>(i) == t.hot;
        if (isHot) {
            FillRect(dc, &row.rect, hot);
        }
        const bool enabled = Enabled(row.item);
        const COLORREF color = !enabled ? kGrayText : isHot ? kHighlightText : kText;
        SetTextColor(dc, color);
        if (row.item.flags & MF_CHECKED) {
            DrawCheck(dc, row.rect, color);
        }
        auto [label, accel] = DisplayText(row.item.text);
        SelectObject(dc, ToGdiObj((row.item.flags & MF_DEFAULT) ? t.bold : t.font));
        RECT text{row.rect.left + kCheckArea, row.rect.top, row.rect.right - kRightMargin / 2,
                  row.rect.bottom};
        DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
        if (!accel.empty()) {
            DrawTextW(dc, accel.c_str(), static_cast<int>(accel.size()), &text,
                      DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
        }
    }
    DeleteObject(frame);
    DeleteObject(back);
    DeleteObject(hot);
    DeleteObject(line);
    EndPaint(hwnd, &ps);
}

POINT PointOf(LPARAM lParam) {
    return POINT{static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                 static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
}

bool InsideClient(HWND hwnd, POINT client) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return client.x >= r.left && client.x < r.right && client.y >= r.top && client.y < r.bottom;
}

LRESULT MenuWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<Tracking> t = StateOf(hwnd);
    if (!t) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    switch (msg) {
    case WM_PAINT:
        Paint(hwnd, *t);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEACTIVATE:
        return 3; // MA_NOACTIVATE
    case WM_MOUSEMOVE: {
        const POINT p = PointOf(lParam);
        SetHot(hwnd, *t, InsideClient(hwnd, p) ? RowAt(*t, p) : -1);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        // A press outside the menu closes it; inside, the release chooses.
        if (!InsideClient(hwnd, PointOf(lParam))) {
            Finish(hwnd, *t, 0);
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
        const POINT p = PointOf(lParam);
        if (msg == WM_RBUTTONUP && !(t->flags & TPM_RIGHTBUTTON)) {
            return 0;
        }
        if (InsideClient(hwnd, p)) {
            Choose(hwnd, *t, RowAt(*t, p));
        }
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        const int vk = static_cast<int>(wParam);
        switch (vk) {
        case VK_ESCAPE:
        case VK_MENU:
        case VK_LEFT:
            Finish(hwnd, *t, 0);
            break;
        case VK_DOWN:
            MoveHot(hwnd, *t, 1);
            break;
        case VK_UP:
            MoveHot(hwnd, *t, -1);
            break;
        case VK_HOME:
            t->hot = -1;
            MoveHot(hwnd, *t, 1);
            break;
        case VK_END:
            t->hot = -1;
            MoveHot(hwnd, *t, -1);
            break;
        case VK_RETURN:
        case VK_SPACE:
            Choose(hwnd, *t, t->hot);
            break;
        default:
            if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
                for (size_t i = 0; i < t->rows.size(); ++i) {
                    if (Mnemonic(t->rows[i].item.text) == static_cast<char16_t>(vk)) {
                        SetHot(hwnd, *t, static_cast<int>(i));
                        Choose(hwnd, *t, static_cast<int>(i));
                        break;
                    }
                }
            }
            break;
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the menu is over.
        if (reinterpret_cast<HWND>(lParam) != hwnd) {
            Finish(hwnd, *t, 0);
        }
        return 0;
    case WM_CANCELMODE:
        Finish(hwnd, *t, 0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RegisterMenuClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSW wc{};
        wc.style = CS_SAVEBITS;
        wc.lpfnWndProc = MenuWndProc;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kMenuClass;
        RegisterClassW(&wc);
    });
}

bool TrackingOnThisThread() {
    const DWORD thread = GetCurrentThreadId();
    std::lock_guard lock(TrackMutex());
    return std::any_of(Open().begin(), Open().end(), [thread](const auto& entry) {
        return platform::wm::ThreadOf(entry.first) == thread;
    });
}

// Where the menu goes: aligned to the point as the flags ask, flipped to the other side of
// the point where it would leave the screen, and kept on the screen.
POINT PlaceMenu(int x, int y, SIZE size, UINT flags) {
    const SIZE screen = platform::ScreenSize();
    const LONG w = size.cx;
    const LONG h = size.cy;
    LONG left = x;
    if (flags & TPM_RIGHTALIGN) {
        left = x - w;
    } else if (flags & TPM_CENTERALIGN) {
        left = x - w / 2;
    }
    LONG top = y;
    if (flags & TPM_BOTTOMALIGN) {
        top = y - h;
    } else if (flags & TPM_VCENTERALIGN) {
        top = y - h / 2;
    }
    if (left + w > screen.cx && x - w >= 0) {
        left = x - w;
    } else if (left < 0 && x + w <= screen.cx) {
        left = x;
    }
    if (top + h > screen.cy && y - h >= 0) {
        top = y - h;
    } else if (top < 0 && y + h <= screen.cy) {
        top = y;
    }
    left = std::clamp<LONG>(left, 0, std::max<LONG>(0, screen.cx - w));
    top = std::clamp<LONG>(top, 0, std::max<LONG>(0, screen.cy - h));
    return POINT{left, top};
}

} // namespace

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    if (!IsMenu(menu) || !IsWindow(owner) || TrackingOnThisThread()) {
        return FALSE;
    }
    RegisterMenuClass();
    if (!(flags & TPM_NONOTIFY)) {
        SendMessageW(owner, WM_ENTERMENULOOP, TRUE, 0);
        SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    }
    auto t = std::make_shared<Tracking>();
    t->menu = menu;
    t->owner = owner;
    t->flags = flags;
    {
        std::lock_guard lock(Mutex());
        MenuData* data = Find(menu);
        if (!data) {
            return FALSE; // destroyed by WM_INITMENUPOPUP
        }
        for (const MenuItem& item : data->items) {
            t->rows.push_back(Row{item, RECT{}});
        }
    }
    t->font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"MS Shell Dlg");
    t->bold = CreateFontW(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"MS Shell Dlg");
    const SIZE size = Layout(*t);
    const POINT at = PlaceMenu(x, y, size, flags);

    HWND hwnd =
        CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMenuClass, u"",
                        WS_POPUP, at.x, at.y, size.cx, size.cy, owner, nullptr, nullptr, nullptr);
    if (!hwnd) {
        DeleteObject(t->font);
        DeleteObject(t->bold);
        return FALSE;
    }
    {
        std::lock_guard lock(TrackMutex());
        Open()[hwnd] = t;
    }
    {
        platform::wm::Lock lock(platform::wm::S().mutex);
        platform::wm::S().menuWindow = hwnd;
    }
    // The item under the pointer is highlighted from the start.
    POINT cursor{};
    GetCursorPos(&cursor);
    POINT client = cursor;
    ScreenToClient(hwnd, &client);
    if (InsideClient(hwnd, client)) {
        t->hot = RowAt(*t, client);
        if (t->hot >= 0 && !Selectable(t->rows[static_cast<size_t>(t->hot)].item)) {
            t->hot = -1;
        }
    }
    ShowWindow(hwnd, SW_SHOWNA);
    UpdateWindow(hwnd);
    SetCapture(hwnd);
    if (platform::ShellBackend* shell = platform::GetShellBackend()) {
        shell->BeginMenuGrab(hwnd);
    }

    // The menu window handles its own input; other windows of the thread go on as usual.
    const std::function<bool(MSG&)> preTranslate = [hwnd](MSG& m) {
        if (m.hwnd != hwnd) {
            return false;
        }
        TranslateMessage(&m);
        DispatchMessageW(&m);
        return true;
    };
    INT_PTR result = platform::RunModalLoop(hwnd, preTranslate);
    if (result < 0) {
        result = 0;
    }

    if (platform::ShellBackend* shell = platform::GetShellBackend()) {
        shell->EndMenuGrab(hwnd);
    }
    t->ended = true;
    {
        platform::wm::Lock lock(platform::wm::S().mutex);
        if (platform::wm::S().menuWindow == hwnd) {
            platform::wm::S().menuWindow = nullptr;
        }
    }
    if (GetCapture() == hwnd) {
        ReleaseCapture();
    }
    DestroyWindow(hwnd);
    {
        std::lock_guard lock(TrackMutex());
        Open().erase(hwnd);
    }
    DeleteObject(t->font);
    DeleteObject(t->bold);
    if (!(flags & TPM_NONOTIFY) && IsWindow(owner)) {
        SendMessageW(owner, WM_EXITMENULOOP, TRUE, 0);
    }
    if (flags & TPM_RETURNCMD) {
        return static_cast<BOOL>(result);
    }
    if (result != 0 && IsWindow(owner)) {
        PostMessageW(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(result), 0), 0);
    }
    return TRUE;
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, TPMPARAMS*) {
    return TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr);
}

BOOL EndMenu() {
    const DWORD thread = GetCurrentThreadId();
    HWND hwnd = nullptr;
    {
        std::lock_guard lock(TrackMutex());
        for (const auto& [h, t] : Open()) {
            if (platform::wm::ThreadOf(h) == thread) {
                hwnd = h;
            }
        }
    }
    if (!hwnd) {
        return FALSE;
    }
    SendMessageW(hwnd, WM_CANCELMODE, 0, 0);
    return TRUE;
}

HWND platform::OpenMenuWindow() {
    std::lock_guard lock(TrackMutex());
    for (const auto& [h, t] : Open()) {
        if (!t->ended) {
            return h;
        }
    }
    return nullptr;
}

BOOL platform::GetMenuItemScreenRect(HWND menuWindow, int position, RECT* rect) {
    std::shared_ptr<Tracking> t = StateOf(menuWindow);
    if (!t || !rect || position < 0 || static_cast<size_t>(position) >= t->rows.size()) {
        return FALSE;
    }
    RECT r = t->rows[static_cast<size_t>(position)].rect;
    POINT origin{0, 0};
    ClientToScreen(menuWindow, &origin);
    *rect = RECT{r.left + origin.x, r.top + origin.y, r.right + origin.x, r.bottom + origin.y};
    return TRUE;
}

int platform::GetMenuHotItem(HWND menuWindow) {
    std::shared_ptr<Tracking> t = StateOf(menuWindow);
    return t ? t->hot : -1;
}

HMENU platform::MenuOfWindow(HWND menuWindow) {
    std::shared_ptr<Tracking> t = StateOf(menuWindow);
    return t ? t->menu : nullptr;
}
