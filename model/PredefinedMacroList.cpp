#include "model/PredefinedMacroList.h"

#include <array>

namespace {

// One key of the key-event table; it gives the press (odd number) and release (even number)
// events.
struct TableKey {
    WORD scanCode;
    WORD virtualKey;
    bool extended;
};

// Key-event numbers 2n-1 (press) and 2n (release) belong to entry n-1.
constexpr std::array<TableKey, CPredefinedMacroList::KEY_EVENT_COUNT / 2> kTableKeys = {{
    {0x1D, 0xA2, false}, // 1, 2: left Ctrl
    {0x38, 0xA4, false}, // 3, 4: left Alt
    {0x5B, 0x5B, true},  // 5, 6: left Windows key
    {0x0F, 0x09, false}, // 7, 8: Tab
    {0x3E, 0x73, false}, // 9, 10: F4
    {0x0D, 0xBB, false}, // 11, 12: plus
    {0x0C, 0xBD, false}, // 13, 14: minus
    {0x1E, 0x41, false}, // 15, 16: A
    {0x2E, 0x43, false}, // 17, 18: C
    {0x20, 0x44, false}, // 19, 20: D
    {0x12, 0x45, false}, // 21, 22: E
    {0x21, 0x46, false}, // 23, 24: F
    {0x26, 0x4C, false}, // 25, 26: L
    {0x31, 0x4E, false}, // 27, 28: N
    {0x19, 0x50, false}, // 29, 30: P
    {0x13, 0x52, false}, // 31, 32: R
    {0x1F, 0x53, false}, // 33, 34: S
    {0x2F, 0x56, false}, // 35, 36: V
    {0x2D, 0x58, false}, // 37, 38: X
    {0x2C, 0x5A, false}, // 39, 40: Z
}};

// Press numbers of the modifiers and keys used by the commands.
enum : int {
    KEY_CTRL = 1,
    KEY_ALT = 3,
    KEY_WIN = 5,
    KEY_TAB = 7,
    KEY_F4 = 9,
    KEY_PLUS = 11,
    KEY_MINUS = 13,
    KEY_A = 15,
    KEY_C = 17,
    KEY_D = 19,
    KEY_E = 21,
    KEY_F = 23,
    KEY_L = 25,
    KEY_N = 27,
    KEY_P = 29,
    KEY_R = 31,
    KEY_S = 33,
    KEY_V = 35,
    KEY_X = 37,
    KEY_Z = 39,
};

struct Command {
    LONG id;
    int modifier;
    int key;
};

constexpr std::array<Command, 17> kCommands = {{
    {PREDEFINED_CUT, KEY_CTRL, KEY_X},
    {PREDEFINED_COPY, KEY_CTRL, KEY_C},
    {PREDEFINED_PASTE, KEY_CTRL, KEY_V},
    {PREDEFINED_UNDO, KEY_CTRL, KEY_Z},
    {PREDEFINED_ALL, KEY_CTRL, KEY_A},
    {PREDEFINED_FIND, KEY_CTRL, KEY_F},
    {PREDEFINED_NEW, KEY_CTRL, KEY_N},
    {PREDEFINED_PRINT, KEY_CTRL, KEY_P},
    {PREDEFINED_SAVE, KEY_CTRL, KEY_S},
    {PREDEFINED_SWAPWINDOWS, KEY_ALT, KEY_TAB},
    {PREDEFINED_CLOSEWINDOW, KEY_ALT, KEY_F4},
    {PREDEFINED_LOCKPC, KEY_WIN, KEY_L},
    {PREDEFINED_OPENEXPLORER, KEY_WIN, KEY_E},
    {PREDEFINED_RUN, KEY_WIN, KEY_R},
    {PREDEFINED_SHOWDESKTOP, KEY_WIN, KEY_D},
    {PREDEFINED_ZOOMIN, KEY_CTRL, KEY_PLUS},
    {PREDEFINED_ZOOMOUT, KEY_CTRL, KEY_MINUS},
}};

constexpr LONG kLastEditCommand = PREDEFINED_SAVE;

void AppendNames(CStringArray& names, LONG first, LONG last) {
    names.RemoveAll();
    for (LONG id = first; id <= last; ++id) {
        const WCHAR* key = LookupName(CommandKeyMap, id);
        names.Add(CString(key != nullptr ? key : u""));
    }
}

} // namespace

CPredefinedMacroList::CPredefinedMacroList() {
    // The key-event table.
    for (size_t i = 0; i < kTableKeys.size(); ++i) {
        const TableKey& key = kTableKeys[i];
        const std::int32_t code = MakeKeyEventCode(key.scanCode, key.virtualKey);
        const std::uint32_t extended = key.extended ? MACRO_KEY_EXTENDED : 0;
        const int press = static_cast<int>(2 * i + 1);
        m_keyEvents[press] = {code, MACRO_KEY_PRESS | extended};
        m_keyEvents[press + 1] = {code, MACRO_KEY_RELEASE | extended};
    }
    // The commands: modifier press, key press, key release, modifier release.
    for (const Command& command : kCommands) {
        MacroEventList events;
        for (int number : {command.modifier, command.key, command.key + 1, command.modifier + 1}) {
            const KeyEvent& key = m_keyEvents.at(number);
            events.push_back({MACRO_EVENT_KEY, key.code, key.flags});
        }
        auto& map = command.id <= kLastEditCommand ? m_editCommands : m_windowCommands;
        map[command.id] = std::move(events);
    }
}

MacroEventList CPredefinedMacroList::GetCommandEvents(LONG command) const {
    for (const auto* map : {&m_editCommands, &m_windowCommands}) {
        if (const auto it = map->find(command); it != map->end()) {
            return it->second;
        }
    }
    return {};
}

int CPredefinedMacroList::GetMacroEvents(const WCHAR* textKey, MacroEventList& events) const {
    const LONG command = FindCommandKeyId(textKey);
    if (command >= PREDEFINED_CUT && command <= PREDEFINED_ZOOMOUT) {
        events = GetCommandEvents(command);
    }
    return 1;
}

void CPredefinedMacroList::GetEditCommandNames(CStringArray& names) const {
    AppendNames(names, PREDEFINED_CUT, PREDEFINED_SAVE);
}

void CPredefinedMacroList::GetWindowCommandNames(CStringArray& names) const {
    AppendNames(names, PREDEFINED_SWAPWINDOWS, PREDEFINED_ZOOMOUT);
}

const CPredefinedMacroList& PredefinedMacros() {
    static const CPredefinedMacroList instance;
    return instance;
}

namespace {
// Built before the program's main code runs, as the rest of the model expects.
[[maybe_unused]] const CPredefinedMacroList& g_builtAtStart = PredefinedMacros();
} // namespace
