#pragma once
// The product's seventeen built-in command macros (cut, copy, paste, ..., zoom out), each four
// key events: modifier press, key press, key release, modifier release. The advanced-macro
// popup offers them by text key and the main window turns the chosen one into macro events.

#include "model/MacroEvent.h"
#include "model/NameTables.h"
#include "platform/base/CStringArray.h"

#include <map>

class CPredefinedMacroList {
public:
    // Key-event numbers: odd numbers press, the following even number releases the same key.
    static constexpr int KEY_EVENT_COUNT = 40;

    // A key event of the table: code and flags as in MacroEvent.
    struct KeyEvent {
        std::int32_t code = 0;
        std::uint32_t flags = 0;
    };

    CPredefinedMacroList();
    CPredefinedMacroList(const CPredefinedMacroList&) = delete;
    CPredefinedMacroList& operator=(const CPredefinedMacroList&) = delete;
    virtual ~CPredefinedMacroList() = default;

    // Looks the text key up among the command keys ignoring letter case; for a command the
    // list is emptied and receives its four events; a key that names no command leaves the
    // list untouched. Always 1.
    int GetMacroEvents(const WCHAR* textKey, MacroEventList& events) const;
    // Empties the array, then appends the text keys of commands 1 to 9 in id order.
    void GetEditCommandNames(CStringArray& names) const;
    // Empties the array, then appends the text keys of commands 10 to 17 in id order.
    void GetWindowCommandNames(CStringArray& names) const;

    // The events of one command (empty for a number that is not a command).
    MacroEventList GetCommandEvents(LONG command) const;

private:
    std::map<LONG, MacroEventList> m_editCommands;   // commands 1..9
    std::map<LONG, MacroEventList> m_windowCommands; // commands 10..17
    std::map<int, KeyEvent> m_keyEvents;             // key events 1..40
};

// The process-wide instance, built on first use and kept until exit.
const CPredefinedMacroList& PredefinedMacros();
