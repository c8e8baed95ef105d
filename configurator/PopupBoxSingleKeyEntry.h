#pragma once
// The single-key popup: a skinned modal popup with one key-capture edit item
// (EDITCTRL_POPUP_SINGLEKEYENTRY). Whatever key the user presses, Enter and Escape included,
// becomes the captured key; only the skin's OK and Cancel items close the popup. OK hands the
// key's name and codes to the caller's SingleKeyResult and answers IDOK; Cancel answers
// IDCANCEL with an empty key name.

#include "configurator/PopupBox.h"
#include "platform/base/CString.h"

#include <cstdint>

class CEditItemSingleKeyInput;

// The skin item of the key field.
inline constexpr int EDITCTRL_POPUP_SINGLEKEYENTRY = 336;

// What the single-key popup hands back.
struct SingleKeyResult {
    // The key's display name as the field shows it; empty when no key was captured.
    CString keyName;
    // The scan code and the (side-specific) virtual key as the field received them.
    std::uint16_t scanCode = 0;
    std::uint16_t virtualKey = 0;
    // The key flags: 1 extended, 2 Alt, 4 Ctrl, 8 Shift.
    std::uint8_t flags = 0;
};

class CPopupBoxSingleKeyEntry : public CPopupBox {
public:
    // result (not owned, may be null) receives the key when the popup ends. Registers the
    // popup templates when the program has not done so yet.
    CPopupBoxSingleKeyEntry(CWnd* parentWnd, SingleKeyResult* keyResult);
    ~CPopupBoxSingleKeyEntry() override;

    static const char* GetRuntimeClassName() { return "CPopupBoxSingleKeyEntry"; }

    // BindItems, the standard initialisation, the popup centred over its parent and the focus
    // to the key field (unless a dialog key is pending). Returns FALSE: the focus is set.
    BOOL OnInitDialog() override;
    // The key field, when the skin has it as a key-capture edit item.
    void BindItems() override;
    // Enter and Escape key-downs mark a dialog key; any other key-down and every left click
    // clear the mark. Then the standard dialog pre-translation.
    BOOL PreTranslateMessage(MSG* msg) override;
    // The OK and Cancel items act; commands without a skin item (Enter, Escape, closing) are
    // ignored, except that a popup whose skin lacks OK or Cancel ends on them with IDCANCEL.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // The key's name and codes into the result; ends with IDOK unless a dialog key is pending.
    void OnOK() override;
    // Ignored while a dialog key is pending; else the key name is emptied and the popup ends
    // with IDCANCEL.
    void OnCancel() override;

    // True when the skin gave both the OK and the Cancel item.
    bool HasCloseItems() const;

    CEditItemSingleKeyInput* edit = nullptr;
    bool dialogKey = false;
    SingleKeyResult* result = nullptr;
};
