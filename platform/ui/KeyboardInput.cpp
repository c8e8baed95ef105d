// Keys at screen level: the key messages made of a press or release, the key state each of
// them saw (GetKeyState), and the characters TranslateMessage makes of them.
//
// A key message carries a tag (MSG::lPrivate) naming its record: the key state right after
// its key changed and, where the desktop said so, the characters the key types. Input is
// handed to a thread ahead of the messages it makes, so the live key state may already be
// further on than the message being handled; the thread that takes a tagged message off its
// queue answers GetKeyState from that message's record for as long as key messages still wait
// behind it, as the system's synchronous key state does.

#include "platform/base/Keyboard.h"
#include "platform/ui/Input.h"
#include "platform/ui/RawInput.h"
#include "platform/ui/ThreadQueue.h"
#include "platform/ui/WindowManager.h"

#include <array>
#include <map>

namespace platform::wm {

namespace {

struct KeyRecord {
    std::array<BYTE, 256> keys{};
    std::optional<std::u16string> text;
};

// Records of key messages not yet taken off a queue, by tag (under S().mutex). Messages that
// are dropped unread (their window went) leave their record behind: only the latest ones are
// kept.
std::map<DWORD, KeyRecord>& Records() {
    static std::map<DWORD, KeyRecord> records;
    return records;
}
DWORD g_nextTag = 1;
constexpr size_t kMaxRecords = 256;

// The record of the key message the calling thread took last.
struct TakenKey {
    DWORD tag = 0;
    KeyRecord record;
};
thread_local TakenKey t_taken;

DWORD AddRecord(KeyRecord record) {
    Lock lock(S().mutex);
    auto& records = Records();
    const DWORD tag = g_nextTag++;
    if (g_nextTag == 0) {
        g_nextTag = 1;
    }
    records[tag] = std::move(record);
    while (records.size() > kMaxRecords) {
        records.erase(records.begin());
    }
    return tag;
}

// The record of a key message, from the thread's taken message or still waiting; null when it
// has none.
std::optional<KeyRecord> RecordOf(const MSG& msg) {
    if (msg.lPrivate == 0) {
        return std::nullopt;
    }
    if (msg.lPrivate == t_taken.tag) {
        return t_taken.record;
    }
    Lock lock(S().mutex);
    auto it = Records().find(msg.lPrivate);
    if (it == Records().end()) {
        return std::nullopt;
    }
    return it->second;
}

bool IsMouseButton(int vk) {
    return vk == VK_LBUTTON || vk == VK_RBUTTON || vk == VK_MBUTTON || vk == 0x05 || vk == 0x06;
}

// Posts a message that its thread reads next, before the input still waiting.
void PostNext(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto queue = ThreadQueue::Find(ThreadOf(hwnd));
    if (!queue) {
        return;
    }
    MSG m;
    m.hwnd = hwnd;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = GetTickCount();
    {
        Lock lock(S().mutex);
        m.pt = S().cursor;
    }
    queue->PostFront(m);
}

} // namespace

void KeyMessageTaken(const MSG& msg) {
    Lock lock(S().mutex);
    auto it = Records().find(msg.lPrivate);
    if (it == Records().end()) {
        return;
    }
    t_taken.tag = msg.lPrivate;
    t_taken.record = std::move(it->second);
    Records().erase(it);
}

} // namespace platform::wm

namespace platform::input {

using namespace platform::wm;

namespace {

struct KeyCode {
    int messageVk;
    BYTE scan;
    bool extended;
};

KeyCode Translate(int vk) {
    switch (vk) {
    case VK_LSHIFT:
    case VK_SHIFT:
        return {VK_SHIFT, 0x2A, false};
    case VK_RSHIFT:
        return {VK_SHIFT, 0x36, false};
    case VK_LCONTROL:
    case VK_CONTROL:
        return {VK_CONTROL, 0x1D, false};
    case VK_RCONTROL:
        return {VK_CONTROL, 0x1D, true};
    case VK_LMENU:
    case VK_MENU:
        return {VK_MENU, 0x38, false};
    case VK_RMENU:
        return {VK_MENU, 0x38, true};
    default:
        break;
    }
    // Every other key by the built-in layout's scan code.
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC_EX);
    return {vk, static_cast<BYTE>(scan & 0xFF), (scan & 0xFF00) == 0xE000};
}

} // namespace

LPARAM KeyLParam(UINT repeat, BYTE scan, bool extended, bool previouslyDown, bool up) {
    DWORD bits = repeat & 0xFFFFu;
    bits |= static_cast<DWORD>(scan) << 16;
    if (extended) {
        bits |= 1u << 24;
    }
    if (previouslyDown) {
        bits |= 1u << 30;
    }
    if (up) {
        bits |= 1u << 31;
    }
    return static_cast<LPARAM>(static_cast<LONG>(bits));
}

namespace {

void RouteKey(int vk, bool down, const KeyDetail& detail) {
    KeyCode code = Translate(vk);
    if (detail.scan != 0) {
        code.scan = static_cast<BYTE>(detail.scan & 0xFF);
        code.extended = (detail.scan & 0xFF00) == 0xE000;
    }
    bool wasDown = false;
    bool alt = false;
    KeyRecord record;
    record.text = detail.text;
    {
        Lock lock(S().mutex);
        wasDown = (S().keys[static_cast<BYTE>(vk)] & 0x80) != 0;
        SetKey(vk, down);
        if (code.messageVk != vk) {
            // The generic key is down while either of its sides is.
            const bool left = vk == VK_LSHIFT || vk == VK_LCONTROL || vk == VK_LMENU;
            const int other = code.messageVk == VK_SHIFT     ? (left ? VK_RSHIFT : VK_LSHIFT)
                              : code.messageVk == VK_CONTROL ? (left ? VK_RCONTROL : VK_LCONTROL)
                                                             : (left ? VK_RMENU : VK_LMENU);
            SetKey(code.messageVk, down || (S().keys[static_cast<BYTE>(other)] & 0x80));
        }
        const bool menu = (S().keys[VK_MENU] & 0x80) != 0 || code.messageVk == VK_MENU;
        alt = menu && (S().keys[VK_CONTROL] & 0x80) == 0;
        std::copy(std::begin(S().keys), std::end(S().keys), record.keys.begin());
    }
    HWND target = nullptr;
    {
        Lock lock(S().mutex);
        target = S().menuWindow; // an open popup menu takes the keys
    }
    if (!target) {
        target = GetFocus();
    }
    if (!target) {
        target = GetActiveWindow();
    }
    if (!target || KeyboardLegacyMessagesSuppressed(target)) {
        return; // nobody to tell, or the window takes the keyboard as raw input only
    }
    const UINT msg = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    const DWORD tag = AddRecord(std::move(record));
    Post(target, msg, static_cast<WPARAM>(code.messageVk),
         KeyLParam(1, code.scan, code.extended, down ? wasDown : true, !down) |
             (alt && code.messageVk != VK_MENU ? static_cast<LPARAM>(1) << 29 : 0),
         tag);
}

void RouteText(const std::u16string& text) {
    HWND target = GetFocus();
    if (!target) {
        target = GetActiveWindow();
    }
    if (!target || KeyboardLegacyMessagesSuppressed(target)) {
        return;
    }
    for (const WCHAR c : text) {
        Post(target, WM_CHAR, c, KeyLParam(1, 0, false, false, false));
    }
}

} // namespace

// A key or text waits in the input queue of the thread that will handle it and is routed when
// its loop comes to it, in order with the mouse's input.
void Key(int vk, bool down, const KeyDetail& detail) {
    wm::QueueInput([vk, down, detail] { RouteKey(vk, down, detail); });
}

void Text(std::u16string_view text) {
    wm::QueueInput([text = std::u16string(text)] { RouteText(text); });
}

} // namespace platform::input

using namespace platform::wm;
using platform::ThreadQueue;

SHORT GetKeyState(int vk) {
    BYTE key = 0;
    {
        Lock lock(S().mutex);
        key = S().keys[static_cast<BYTE>(vk)];
    }
    if (t_taken.tag != 0 && !IsMouseButton(vk)) {
        // While key messages wait behind the one taken last, the keys are as that one saw them.
        auto queue = ThreadQueue::Find(GetCurrentThreadId());
        if (queue && queue->HasPosted(WM_KEYFIRST, WM_KEYLAST)) {
            key = t_taken.record.keys[static_cast<BYTE>(vk)];
        }
    }
    const USHORT state = static_cast<USHORT>(((key & 0x80) ? 0x8000u : 0u) | (key & 0x01u));
    return static_cast<SHORT>(state);
}

SHORT GetAsyncKeyState(int vk) {
    Lock lock(S().mutex);
    const BYTE key = S().keys[static_cast<BYTE>(vk)];
    return static_cast<SHORT>(static_cast<USHORT>((key & 0x80) ? 0x8000u : 0u));
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) {
        return FALSE;
    }
    std::optional<KeyRecord> record = RecordOf(*msg);
    if (!record) {
        record.emplace();
        Lock lock(S().mutex);
        std::copy(std::begin(S().keys), std::end(S().keys), record->keys.begin());
    }
    const bool control = (record->keys[VK_CONTROL] & 0x80) != 0;
    const bool alt = (record->keys[VK_MENU] & 0x80) != 0;
    std::u16string chars;
    if (record->text && !(control && !alt)) {
        // The desktop's characters; Delete types none.
        for (const WCHAR c : *record->text) {
            if (c != 0x7F) {
                chars.push_back(c);
            }
        }
    } else {
        // The built-in layout's, and with Ctrl (not AltGr) the control character of the key,
        // whatever the desktop's layout puts on it, so Ctrl+C is the same key everywhere.
        WCHAR buffer[4]{};
        const UINT scan = static_cast<UINT>((static_cast<DWORD>(msg->lParam) >> 16) & 0xFF);
        const int n =
            ToUnicode(static_cast<UINT>(msg->wParam), scan, record->keys.data(), buffer, 4, 0);
        if (n > 0) {
            chars.assign(buffer, static_cast<size_t>(n));
        }
    }
    if (chars.empty()) {
        return FALSE;
    }
    const UINT charMessage = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    // Read next, in order: posted to the front last character first.
    for (size_t i = chars.size(); i-- > 0;) {
        PostNext(msg->hwnd, charMessage, chars[i], msg->lParam);
    }
    return TRUE;
}
