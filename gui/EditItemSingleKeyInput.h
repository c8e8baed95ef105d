#pragma once
// The key-entry field: whatever key the user presses, its text becomes that key's name, taken
// from the keyboard messages and from raw keyboard input.

#include "gui/EditItem.h"
#include "model/KeyInfo.h"

class CEditItemSingleKeyInput : public CEditItem {
public:
    CEditItemSingleKeyInput();
    // Drops every raw-input registration of the program, not only this field's.
    ~CEditItemSingleKeyInput() override;

    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Typed characters never reach the text: it only ever holds a key's name.
    void OnChar(UINT ch, UINT repeat, UINT flags) override;
    // WM_INPUT: a raw keyboard report.
    void OnRawInput(UINT inputCode, HANDLE rawInput);
    // Replaces the text up to the caret by the current key's name.
    void ShowKeyName();

    KeyInfo currentKey;
};
