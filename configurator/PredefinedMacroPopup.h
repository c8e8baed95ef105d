#pragma once
// The predefined-command popup: the user picks one of the product's built-in commands from
// one of two drop-down lists (the edit commands, the window commands) and adds it with that
// list's add button; the popup then answers IDOK with the command's text key, which the caller
// turns into macro events (CPredefinedMacroList::GetMacroEvents). Cancel answers IDCANCEL.

#include "configurator/WidePopupTemplate.h"
#include "gui/GUIPanel.h"
#include "platform/base/CString.h"

class CDropdownListItem;

// Skin items of the popup (BUTTON_POPUP_CANCEL 154 of PopupBox.h closes it).
inline constexpr int LIST_GLOBAL_BASIC_COMMANDS = 333;
inline constexpr int LIST_GLOBAL_ADDITIONAL_COMMANDS = 334;
inline constexpr int BUTTON_ADD_BASIC_MACRO_CMDS = 369;
inline constexpr int BUTTON_ADD_ADV_MACRO_CMDS = 370;

class CPredefinedMacroPopup : public CGUIPanel {
public:
    // "AdvancedMacroPopup.xml" on dialog template 136 (registered when missing).
    explicit CPredefinedMacroPopup(CWnd* parentWnd);
    ~CPredefinedMacroPopup() override;

    static const char* GetRuntimeClassName() { return "CPredefinedMacroPopup"; }

    // BindItems, then the standard initialisation; the popup is centred over its parent.
    BOOL OnInitDialog() override;
    // The two drop-down lists, when the skin has them as drop-downs.
    void BindItems() override;
    // 154 cancels; 369 and 370 take their list's chosen entry as the command and end with
    // IDOK. Commands of other items and of no item are ignored, except that a popup whose
    // skin lacks its Cancel item ends with IDCANCEL on Escape or closing.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // A list is about to open (lParam: its window): it is refilled with its commands' text
    // keys in command order.
    LRESULT OnDropdownOpening(WPARAM wParam, LPARAM lParam);
    // An entry was chosen (wParam: its index, lParam: the list's window): kept as that list's
    // choice.
    LRESULT OnDropdownSelect(WPARAM wParam, LPARAM lParam);

    CDropdownListItem* basicList = nullptr;
    CDropdownListItem* additionalList = nullptr;
    int basicChoice = 0;
    int additionalChoice = 0;
    // The text key of the chosen command ("$cut" .. "$zoomout"): the result.
    CString chosenCommand;
};

// The popup the macros page shows.
class CBorvantaPredefinedMacroPopup : public CPredefinedMacroPopup {
public:
    explicit CBorvantaPredefinedMacroPopup(CWnd* parentWnd) : CPredefinedMacroPopup(parentWnd) {}
    ~CBorvantaPredefinedMacroPopup() override;

    static const char* GetRuntimeClassName() { return "CBorvantaPredefinedMacroPopup"; }
};
