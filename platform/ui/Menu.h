#pragma once
// Menus made in code or from menu templates, and popup menus tracked at a screen point.
//
// A popup menu is shown as a top-level window of the class "#32768" owned by the window given
// to TrackPopupMenu. While it is open it holds the mouse capture and takes the keyboard:
// hover follows the pointer, the arrow keys move the highlight, Return or a click chooses an
// item, Escape or a press outside the menu closes it. The menu opens at the point given,
// flipped to the other side of the point where it would leave the screen. The chosen command
// is posted to the owner as WM_COMMAND, or returned with TPM_RETURNCMD. On X11 the menu is an
// override-redirect window and the pointer and keyboard are grabbed while it is open.

#include "platform/base/WinTypes.h"
#include "platform/ui/WinUser.h"

#include <string>
#include <vector>

// Item flags (AppendMenuW, InsertMenuW, ModifyMenuW, GetMenuState).
inline constexpr UINT MF_STRING = 0x00000000;
inline constexpr UINT MF_ENABLED = 0x00000000;
inline constexpr UINT MF_UNCHECKED = 0x00000000;
inline constexpr UINT MF_BYCOMMAND = 0x00000000;
inline constexpr UINT MF_GRAYED = 0x00000001;
inline constexpr UINT MF_DISABLED = 0x00000002;
inline constexpr UINT MF_CHECKED = 0x00000008;
inline constexpr UINT MF_POPUP = 0x00000010;
inline constexpr UINT MF_HILITE = 0x00000080;
inline constexpr UINT MF_BYPOSITION = 0x00000400;
inline constexpr UINT MF_SEPARATOR = 0x00000800;
inline constexpr UINT MF_DEFAULT = 0x00001000;
inline constexpr UINT MFS_DEFAULT = MF_DEFAULT;
inline constexpr UINT MFS_CHECKED = MF_CHECKED;
inline constexpr UINT MFS_GRAYED = 0x00000003;

// GetMenuDefaultItem flags.
inline constexpr UINT GMDI_USEDISABLED = 0x0001;

// TrackPopupMenu flags.
inline constexpr UINT TPM_LEFTBUTTON = 0x0000;
inline constexpr UINT TPM_RIGHTBUTTON = 0x0002;
inline constexpr UINT TPM_LEFTALIGN = 0x0000;
inline constexpr UINT TPM_CENTERALIGN = 0x0004;
inline constexpr UINT TPM_RIGHTALIGN = 0x0008;
inline constexpr UINT TPM_TOPALIGN = 0x0000;
inline constexpr UINT TPM_VCENTERALIGN = 0x0010;
inline constexpr UINT TPM_BOTTOMALIGN = 0x0020;
inline constexpr UINT TPM_NONOTIFY = 0x0080;
inline constexpr UINT TPM_RETURNCMD = 0x0100;

// Sent to the owner before the menu shows (wParam the menu, LOWORD(lParam) 0).
inline constexpr UINT WM_INITMENUPOPUP = 0x0117;
inline constexpr UINT WM_ENTERMENULOOP = 0x0211;
inline constexpr UINT WM_EXITMENULOOP = 0x0212;

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and its submenus.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// With MF_POPUP, idNewItem is the submenu's handle (the menu takes it over). MF_SEPARATOR
// ignores id and text. MF_BYCOMMAND positions name an item by command id, searched in the
// submenus too; MF_BYPOSITION ones count from 0 (InsertMenuW: -1 or past the end appends).
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCWSTR text);
BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCWSTR text);
BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCWSTR text);
// DeleteMenu also destroys a submenu; RemoveMenu leaves it to the caller.
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
// The previous state (MF_CHECKED or MF_UNCHECKED), -1 when there is no such item.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
// The previous state (MF_ENABLED, MF_GRAYED, MF_DISABLED), -1 when there is no such item.
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
// The default item is drawn bold. item -1 removes it.
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition);
// Command id (or position with byPosition) of the default item; -1 when there is none.
UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT flags);
int GetMenuItemCount(HMENU menu);
// The command id of the item at the position; 0 for a separator, -1 for a submenu or none.
UINT GetMenuItemID(HMENU menu, int position);
HMENU GetSubMenu(HMENU menu, int position);
// MF_CHECKED, MF_GRAYED, MF_DISABLED, MF_SEPARATOR, MF_POPUP, MF_DEFAULT of the item; -1 when
// there is none.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// Copies the item's text (at most maxCount - 1 characters and the terminator); returns its
// length. A null buffer returns the length only.
int GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int maxCount, UINT flags);

// Shows the popup menu at (x, y) for owner and returns when it closes. Without
// TPM_RETURNCMD: nonzero when the menu could be shown; a chosen item is posted to the owner
// as WM_COMMAND (LOWORD(wParam) its id, HIWORD 0). With TPM_RETURNCMD: the chosen id, 0 when
// nothing was chosen. Fails (0) for a bad menu or owner, or while this thread tracks a menu.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                    const RECT* ignored);
struct TPMPARAMS {
    UINT cbSize = sizeof(TPMPARAMS);
    RECT rcExclude{};
};
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, TPMPARAMS* params);
// Closes the menu the calling thread tracks.
BOOL EndMenu();

// The window's system menu (windows with WS_SYSMENU only), made on first use with a "Close"
// item; revert TRUE puts it back to that and returns null.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);

// Menu resources kept in code: LoadMenuW(instance, MAKEINTRESOURCEW(id)) makes a new menu
// from the template registered under id (null when none is). Its top-level items are usually
// popups, taken with GetSubMenu(menu, 0).
struct MenuTemplateItem {
    // A command item; flags may add MF_GRAYED, MF_CHECKED... (MF_SEPARATOR: a separator).
    MenuTemplateItem(std::u16string itemText, UINT itemId, UINT itemFlags = MF_STRING)
        : text(std::move(itemText)), id(itemId), flags(itemFlags) {}
    // A popup holding the children.
    MenuTemplateItem(std::u16string itemText, std::vector<MenuTemplateItem> items)
        : text(std::move(itemText)), flags(MF_POPUP), children(std::move(items)) {}
    static MenuTemplateItem Separator() { return MenuTemplateItem(u"", 0, MF_SEPARATOR); }

    std::u16string text;
    UINT id = 0;
    UINT flags = MF_STRING;
    std::vector<MenuTemplateItem> children;
};
void RegisterMenuTemplate(UINT id, std::vector<MenuTemplateItem> items);
HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name);

namespace platform {

// For tests and the display backends: the window of the popup menu open on any thread, or
// null; the screen rectangle of the item at a position of that menu (FALSE when there is
// none); the highlighted position (-1 none).
HWND OpenMenuWindow();
BOOL GetMenuItemScreenRect(HWND menuWindow, int position, RECT* rect);
int GetMenuHotItem(HWND menuWindow);
// The menu shown by a menu window.
HMENU MenuOfWindow(HWND menuWindow);

} // namespace platform
