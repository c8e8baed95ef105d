#include "gui/EditItemSingleKeyInput.h"

#include "gui/RawInputDevices.h"
#include "platform/ui/RawInput.h"

#include <vector>

CEditItemSingleKeyInput::CEditItemSingleKeyInput() {
    type = GUIITEM_EDITSINGLEKEY;
}

CEditItemSingleKeyInput::~CEditItemSingleKeyInput() {
    // Through the program's one registration list first, so that the list no longer counts
    // itself registered and the next recording or key field registers again.
    TheRawInputDevices().Unregister();
    UINT count = 0;
    GetRegisteredRawInputDevices(nullptr, &count, sizeof(RAWINPUTDEVICE));
    if (count == 0) {
        return;
    }
    std::vector<RAWINPUTDEVICE> devices(count);
    const UINT got = GetRegisteredRawInputDevices(devices.data(), &count, sizeof(RAWINPUTDEVICE));
    if (got == static_cast<UINT>(-1) || got == 0) {
        return;
    }
    devices.resize(got);
    for (RAWINPUTDEVICE& d : devices) {
        d.dwFlags = RIDEV_REMOVE;
        d.hwndTarget = nullptr;
    }
    RegisterRawInputDevices(devices.data(), got, sizeof(RAWINPUTDEVICE));
}

BOOL CEditItemSingleKeyInput::PreTranslateMessage(MSG* msg) {
    if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_KEYUP)) {
        return FALSE;
    }
    if (KeyInfoFromMessage(currentKey, msg)) {
        return TRUE;
    }
    ShowKeyName();
    return FALSE;
}

BOOL CEditItemSingleKeyInput::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam,
                                       LRESULT* result) {
    if (message == WM_INPUT) {
        OnRawInput(static_cast<UINT>(wParam & 0xFF), reinterpret_cast<HANDLE>(lParam));
        if (result != nullptr) {
            *result = 0;
        }
        return TRUE;
    }
    return CEditItem::OnWndMsg(message, wParam, lParam, result);
}

void CEditItemSingleKeyInput::OnChar(UINT, UINT, UINT) {}

void CEditItemSingleKeyInput::OnRawInput(UINT, HANDLE rawInput) {
    const auto input = static_cast<HRAWINPUT>(rawInput);
    UINT size = 0;
    if (GetRawInputData(input, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER)) != 0 ||
        size == 0) {
        return;
    }
    // Whole RAWINPUT records, so the report is read into properly aligned memory.
    std::vector<RAWINPUT> buffer((size + sizeof(RAWINPUT) - 1) / sizeof(RAWINPUT));
    if (GetRawInputData(input, RID_INPUT, buffer.data(), &size, sizeof(RAWINPUTHEADER)) != size) {
        return;
    }
    const RAWINPUT& report = buffer.front();
    if (report.header.dwType == RIM_TYPEKEYBOARD &&
        KeyInfoFromStored(currentKey, &report.data.keyboard)) {
        ShowKeyName();
    }
}

void CEditItemSingleKeyInput::ShowKeyName() {
    if (m_hWnd == nullptr) {
        return;
    }
    const UINT limit = GetLimitText();
    SetLimitText(static_cast<UINT>(currentKey.name.GetLength()));
    int start = 0;
    int end = 0;
    GetSel(start, end);
    SetSel(0, end);
    SendMessage(EM_SCROLLCARET);
    SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(currentKey.name.GetString()));
    SetLimitText(limit);
}
