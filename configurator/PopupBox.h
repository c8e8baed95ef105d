#pragma once
// What the configurator's small skinned popups share: the skin items they answer to, their
// dialog templates, and the one rule by which they take commands: only their own OK and
// Cancel skin items close them, so Enter, Escape and the window menu leave them open, unless
// the skin has neither item.

#include "gui/GUIPanel.h"

// Skin items of the popups.
inline constexpr int BUTTON_POPUP_OK = 153;
inline constexpr int BUTTON_POPUP_CANCEL = 154;
inline constexpr int TEXT_WARNDLG_HEADING = 286;
inline constexpr int TEXT_WARNDLG_MESSAGE = 287;
inline constexpr int EDITCTRL_POPUP_NAMEENTRY = 335;

// Dialog templates of the popups: the warning popup's, and the name-entry popup's (which the
// single-key popup shares). The skin gives the real size and shape.
inline constexpr UINT IDD_WARNING_POPUP = 5;
inline constexpr UINT IDD_NAME_ENTRY_POPUP = 131;

// Registers the two templates: borderless popups without caption, centred on the screen.
void RegisterPopupDialogTemplates();

// True when the popup's skin gave it an item of either id, so the user can close it.
bool PopupHasClosingItem(const CGUIPanel& popup, int okId, int cancelId);

// Whether a command without a skin item (Escape and WM_CLOSE come as IDCANCEL without one)
// ends the popup: only when its skin has neither its OK nor its Cancel item (a broken or
// missing skin must not leave a popup that nothing closes) and the owner does not hold it
// open (the writing popup, ended by its owner).
bool PopupEndsWithoutItems(const CGUIPanel& popup, WPARAM wParam, int okId, int cancelId,
                           bool heldOpen);

// The command rule of the popups. The control window of the command is looked up among the
// popup's skin items: none of them (Enter, Escape and WM_CLOSE come without one) is ignored
// (FALSE), except that Escape and closing run OnCancel when PopupEndsWithoutItems says so;
// BUTTON_POPUP_OK runs OnOK (TRUE); BUTTON_POPUP_CANCEL runs OnCancel (FALSE); any other item
// goes to the standard routing (CWnd::OnCommand).
BOOL RoutePopupCommand(CPopupBox& popup, WPARAM wParam, LPARAM lParam, bool heldOpen = false);

// The first line of a popup's edit item, as the user left it; empty without an edit window.
CString PopupEditLine(CWnd* edit);
